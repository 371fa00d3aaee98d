#include "collector/service/StartupSettings.h"
#include "collector/service/MakerFallbackSetting.h"

#include "tests/support/CapturingLogSink.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace vorenta;
using vorenta::test::CapturingLogSink;
using vorenta::test::TemporaryProgramFolder;

namespace {

struct Started {
    CollectorSettings settings;
    CapturingLogSink log;
};

void start(const TemporaryProgramFolder& folder, Started& started)
{
    started.settings = CollectorSettings::forProgramFolder(folder.path());
    ServiceStart(started.settings, started.log);
}

} // namespace

TEST(ServiceStart, FirstStartInEmptyFolderWritesTheContactsTemplate)
{
    TemporaryProgramFolder folder;
    Started started;
    start(folder, started);

    EXPECT_EQ(folder.read("Contatos.ini"), QByteArray("[CONFIG]\r\n"
                                                      "------------------------------------------=\r\n"
                                                      "CODEMPRESA=\r\n"
                                                      "---------------------------=\r\n"
                                                      "Contato1=\r\nTelefone1=\r\nemail1=\r\n"
                                                      "--------------------------------------=\r\n"
                                                      "Contato2=\r\nTelefone2=\r\nemail2=\r\n"
                                                      "---------------------------------------=\r\n"
                                                      "Contato3=\r\nTelefone3=\r\nemail3=\r\n"
                                                      "----------------------------------------=\r\n"));
    EXPECT_EQ(started.log.lines, QStringList({"Vorenta Server Iniciado!", "Versão 3.6 b", "Cód.Empresa: "}));
    EXPECT_EQ(started.settings.VersionText, QStringLiteral("Versão 3.6 b"));
    EXPECT_EQ(started.settings.DateTimeFormat, QStringLiteral("dd/mm/yyyy hh:mm:ss"));
    EXPECT_TRUE(started.settings.CodEmpresa.isEmpty());
    EXPECT_TRUE(started.settings.Contato1.isEmpty());
    EXPECT_EQ(started.settings.LogFile, folder.path() + "LOG.TXT");
    EXPECT_EQ(started.settings.AltDataFile, folder.path() + "AltData.TXT");
    EXPECT_FALSE(started.settings.ComputerName.isEmpty());
    EXPECT_LE(started.settings.ComputerName.size(), 15);
}

TEST(ServiceStart, ContactsAreCutThenTrimmed)
{
    TemporaryProgramFolder folder;
    // 95 letters, 10 blanks, then more: the cut at 99 ends in blanks, which the trim removes.
    const QByteArray longName = QByteArray(95, 'n') + QByteArray(10, ' ') + QByteArray(15, 'z');
    folder.write("Contatos.ini",
                 "[config]\r\nCODEMPRESA= 0042 \r\nContato1=" + longName +
                     "\r\nTelefone1=(11) 5555-1234 ramal 99\r\ntelefone2=1234567890123456789 X\r\n"
                     "email3=\tsuporte@cliente.com.br\r\n");
    Started started;
    start(folder, started);

    EXPECT_EQ(started.settings.CodEmpresa, QStringLiteral("0042"));
    EXPECT_EQ(started.settings.Contato1, QString(95, u'n')) << "99 characters kept, then trimmed";
    EXPECT_EQ(started.settings.Telefone1, QStringLiteral("(11) 5555-1234 ramal"));
    EXPECT_EQ(started.settings.Telefone2, QStringLiteral("1234567890123456789"));
    EXPECT_EQ(started.settings.email3, QStringLiteral("suporte@cliente.com.br"));
    EXPECT_TRUE(started.log.contains("Cód.Empresa: 0042"));
}

TEST(ServiceStart, FileWithoutTheSectionGivesEmptyFields)
{
    TemporaryProgramFolder folder;
    folder.write("Contatos.ini", "[OUTRA]\r\nCODEMPRESA=9\r\n");
    Started started;
    start(folder, started);
    EXPECT_TRUE(started.settings.CodEmpresa.isEmpty());
    EXPECT_EQ(started.log.lines, QStringList({"Vorenta Server Iniciado!", "Versão 3.6 b", "Cód.Empresa: "}));
    EXPECT_EQ(folder.read("Contatos.ini"), QByteArray("[OUTRA]\r\nCODEMPRESA=9\r\n"))
        << "an existing file is kept";
}

TEST(ServiceStart, AltDataSwitchesToMonthFirst)
{
    TemporaryProgramFolder folder;
    folder.write("AltData.TXT", "");
    Started started;
    start(folder, started);
    EXPECT_EQ(started.settings.DateTimeFormat, QStringLiteral("mm/dd/yyyy hh:mm:ss"));
    EXPECT_EQ(started.log.lines.last(), QStringLiteral("Formato de data em padrão americano."));
}

TEST(ServiceStart, UnwritableTemplateFailsTheStart)
{
    CollectorSettings settings = CollectorSettings::forProgramFolder("/nao-existe/vorenta/");
    CapturingLogSink log;
    EXPECT_ANY_THROW(ServiceStart(settings, log));
}

// FabricantePorOid: only "1" turns the fallback on; anything but "0" or nothing says it was not taken.
TEST(LoadMakerFallback, OnlyOneTurnsItOn)
{
    const struct {
        const char* coletorIni; // nullptr: no file
        MakerFallback value;
        bool notice;
    } cases[] = {
        {nullptr, MakerFallback::Off, false},
        {"[COLETOR]\r\nChave=K1\r\n", MakerFallback::Off, false},
        {"[COLETOR]\r\nFabricantePorOid=0\r\n", MakerFallback::Off, false},
        {"[COLETOR]\r\nFabricantePorOid=\r\n", MakerFallback::Off, false},
        {"[COLETOR]\r\nFabricantePorOid=1\r\n", MakerFallback::SysObjectId, false},
        {"[coletor]\r\nfabricanteporoid = 1 \r\n", MakerFallback::SysObjectId, false},
        {"[BANCO]\r\nFabricantePorOid=1\r\n", MakerFallback::Off, false},
        {"[COLETOR]\r\nFabricantePorOid=sim\r\n", MakerFallback::Off, true},
        {"[COLETOR]\r\nFabricantePorOid=2\r\n", MakerFallback::Off, true},
    };
    for (const auto& c : cases) {
        const TemporaryProgramFolder folder;
        if (c.coletorIni)
            folder.write("Coletor.ini", c.coletorIni);
        const MakerFallbackSetting setting = LoadMakerFallback(folder.path());
        EXPECT_EQ(setting.value, c.value) << (c.coletorIni ? c.coletorIni : "no file");
        EXPECT_EQ(!setting.notice.isEmpty(), c.notice) << (c.coletorIni ? c.coletorIni : "no file");
    }
}
