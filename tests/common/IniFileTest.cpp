#include "common/IniFile.h"

#include "tests/support/TemporaryProgramFolder.h"

#include <gtest/gtest.h>

using vorenta::IniFile;
using vorenta::test::TemporaryProgramFolder;

TEST(IniFile, ReadsLikeAWindowsProfile)
{
    TemporaryProgramFolder folder;
    folder.write("a.ini",
                 "; comentário\r\n[Outra]\r\nChave=errada\r\n[config]\r\n  chave  =  valor com espaço  \r\n"
                 "Aspas=\"entre aspas\"\r\nVazia=\r\nAspasVazias=\"\"\r\nUmaAspa=\"\r\n"
                 "Meio=a\"b\"c\r\n");
    const IniFile ini(folder.file("a.ini"));
    EXPECT_EQ(ini.value("CONFIG", "CHAVE"), QStringLiteral("valor com espaço"));
    EXPECT_EQ(ini.value("Config", "aspas"), QStringLiteral("entre aspas"));
    EXPECT_EQ(ini.value("CONFIG", "Vazia", "padrão"), QString());
    // One pair of quotes around the whole value is taken off, however short the value.
    EXPECT_EQ(ini.value("CONFIG", "AspasVazias", "padrão"), QString());
    EXPECT_EQ(ini.value("CONFIG", "UmaAspa"), QStringLiteral("\""));
    EXPECT_EQ(ini.value("CONFIG", "Meio"), QStringLiteral("a\"b\"c"));
    EXPECT_EQ(ini.value("CONFIG", "Falta", "padrão"), QStringLiteral("padrão"));
    EXPECT_TRUE(ini.contains("CONFIG", "vazia"));
    EXPECT_FALSE(ini.contains("NADA", "Chave"));
}

TEST(IniFile, MissingFileGivesFallback)
{
    TemporaryProgramFolder folder;
    const IniFile ini(folder.file("nao.ini"));
    EXPECT_FALSE(ini.exists());
    EXPECT_EQ(ini.value("CONFIG", "Chave", "x"), QStringLiteral("x"));
}

TEST(IniFile, WindowsEncodedFileIsRead)
{
    TemporaryProgramFolder folder;
    folder.write("a.ini", "[CONFIG]\r\nContato1=Jo\xE3o\r\n"); // "João" in Windows-1252
    EXPECT_EQ(IniFile(folder.file("a.ini")).value("CONFIG", "Contato1"), QStringLiteral("João"));
}

TEST(IniFile, SetValueKeepsOrderAndOtherLines)
{
    TemporaryProgramFolder folder;
    IniFile ini(folder.file("n.ini"));
    ini.setValue("CONFIG", "---", "");
    ini.setValue("CONFIG", "CODEMPRESA", "");
    ini.setValue("OUTRA", "x", "1");
    ini.setValue("config", "Contato1", "Ana");
    ini.setValue("CONFIG", "codempresa", "42");
    EXPECT_EQ(folder.read("n.ini"),
              QByteArray("[CONFIG]\r\n---=\r\nCODEMPRESA=42\r\nContato1=Ana\r\n[OUTRA]\r\nx=1\r\n"));
}

TEST(IniFile, UnwritableFolderThrows)
{
    IniFile ini(QStringLiteral("/nao-existe/pasta/n.ini"));
    EXPECT_THROW(ini.setValue("CONFIG", "x", "1"), vorenta::IniFileError);
}
