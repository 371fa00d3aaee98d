#include "common/CollectorIdentity.h"
#include "common/IniFile.h"

#include "tests/support/TemporaryProgramFolder.h"

#include <gtest/gtest.h>

using namespace vorenta;
using vorenta::test::TemporaryProgramFolder;

TEST(CollectorIdentity, ReadFromColetorIni)
{
    TemporaryProgramFolder folder;
    folder.write("Coletor.ini", "[BANCO]\r\nTipo=sqlite\r\n[coletor]\r\nchave=CLI'01\r\nIDSERV=srv-7\r\n"
                                "LocalInstal=Sala 3\r\nDataExp=31/12/2026\r\n");
    const CollectorIdentity identity = LoadCollectorIdentity(folder.path());
    EXPECT_EQ(identity.Chave, QStringLiteral("CLI'01"));
    EXPECT_EQ(identity.IDServ, QStringLiteral("srv-7"));
    EXPECT_EQ(identity.InstallationLocation, QStringLiteral("Sala 3"));
    EXPECT_EQ(identity.IdentityDate, QStringLiteral("31/12/2026"));
    EXPECT_TRUE(identity.isComplete());
}

TEST(CollectorIdentity, IncompleteWithoutKeyOrIdentifier)
{
    TemporaryProgramFolder folder;
    EXPECT_FALSE(LoadCollectorIdentity(folder.path()).isComplete()) << "no Coletor.ini";
    folder.write("Coletor.ini", "[COLETOR]\r\nChave=CLI\r\nIDServ=  \r\n");
    EXPECT_FALSE(LoadCollectorIdentity(folder.path()).isComplete());
    folder.write("Coletor.ini", "[COLETOR]\r\nIDServ=1\r\n");
    EXPECT_FALSE(LoadCollectorIdentity(folder.path()).isComplete());
}

// Coletor.ini as a technician leaves it: old values kept on lines commented out with '#' or ';',
// before a section and inside one, indented or not. Those lines hold no key; a '#' or ';' inside
// a value is part of it (values run to the end of the line).
TEST(CollectorIdentity, CommentLinesInColetorIniHoldNoKeys)
{
    TemporaryProgramFolder folder;
    folder.write("Coletor.ini", "# Vorenta: identidade do coletor\r\n"
                                "#Chave=ANTIGA\r\n"
                                "[COLETOR]\r\n"
                                "#IDServ=0\r\n"
                                "  # Chave = COMENTADA\r\n"
                                "Chave=CLI#01\r\n"
                                "IDServ=7\r\n"
                                "; LocalInstal=Sala 1\r\n"
                                "#LocalInstal=Sala 2\r\n"
                                "LocalInstal=Sala 3 ; andar 2\r\n");
    const CollectorIdentity identity = LoadCollectorIdentity(folder.path());
    EXPECT_EQ(identity.Chave, QStringLiteral("CLI#01"));
    EXPECT_EQ(identity.IDServ, QStringLiteral("7"));
    EXPECT_EQ(identity.InstallationLocation, QStringLiteral("Sala 3 ; andar 2"));

    const IniFile ini(folder.file("Coletor.ini"));
    for (const char* commented : {"#IDServ", "# Chave", "#LocalInstal", "; LocalInstal"})
        EXPECT_FALSE(ini.contains("COLETOR", commented)) << commented << " is a comment, not a key";
    EXPECT_FALSE(ini.contains("COLETOR", "DataExp"));
}
