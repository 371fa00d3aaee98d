#include "common/CollectorIdentity.h"

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
