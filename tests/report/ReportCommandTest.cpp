// VorentaServer --relatorio as a technician runs it: a real process on a program folder whose
// Coletor.ini names the database, on SQLite and PostgreSQL. The SQL Server text of the report
// statements, which cannot run here, parsed as T-SQL.
#include "collector/report/ReportStatements.h"
#include "common/database/SqlQuery.h"
#include "tests/support/CollectorProcess.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/Peers.h"
#include "tests/support/TransactSql.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using test::CollectorProcess;
using test::TestBackend;

class ReportCommand : public test::DatabaseTest {
protected:
    void SetUp() override
    {
        test::DatabaseTest::SetUp();
        if (HasFatalFailure() || IsSkipped())
            return;
        db().folder().write("Coletor.ini", "[COLETOR]\r\nChave=CLI\r\nIDServ=SITE\r\n" + db().bancoSection());
        // Two customers; the second device's general counter goes down in March.
        store("CLI", "HPA-001", "HP", "Color LaserJet M454dw", "2026-02-27 09:00:00", "9950", "4000",
              {{"SupriB", QString("Black Cartridge HP W2030A")},
               {"NivelB", QString("1800")},
               {"DurabB", QString("2300")}});
        store("CLI", "HPA-001", "HP", "Color LaserJet M454dw", "2026-03-31 17:00:00", "48500", "20000",
              {{"SupriB", QString("Black Cartridge HP W2030A")},
               {"NivelB", QString("230")},
               {"DurabB", QString("2300")},
               {"SupriY", QString("Cyan Cartridge HP W2031A")},
               {"NivelY", QString("OK")},
               {"DurabY", QString("-3")}});
        store("CLI", "KM-777", "KONICA MINOLTA", "bizhub C258", "2026-03-02 10:00:00", "5300", "2150",
              {{"SupriB", QString("Toner (Cyan)")}, {"NivelB", QString("20")}, {"DurabB", QString("100")}});
        store("CLI", "KM-777", "KONICA MINOLTA", "bizhub C258", "2026-03-20 10:00:00", "300", "100",
              {{"SupriB", QString("Toner (Cyan)")},
               {"NivelB", QString("5")},
               {"DurabB", QString("100")},
               {"SupriM", QString("Toner (Black)")},
               {"NivelM", QString("60")},
               {"DurabM", QString("100")}});
        store("OUTRO", "RC-3004", "RICOH", "MP C3004; sala \"2\"", "2026-03-12 09:00:00", "12000", "",
              {{"SupriB", QString("Toner Preto")}, {"NivelB", QString("70")}, {"DurabB", QString("10000")}});
    }

    void store(const char* chave, const char* serie, const char* maker, const char* model, const char* at,
               const char* general, const char* colour, const QList<QPair<QString, QVariant>>& supplies)
    {
        db().insertRow("DadosOid", QList<QPair<QString, QVariant>>{
                                       {"Chave", QString(chave)},
                                       {"IDServ", QString("SITE")},
                                       {"NSerie", QString(serie)},
                                       {"Fabricante", QString(maker)},
                                       {"Modelo", QString::fromUtf8(model)},
                                       {"IP", QString("127.0.0.9")},
                                       {"DataLog", QDateTime::fromString(at, "yyyy-MM-dd HH:mm:ss")},
                                       {"ContGeral", QString(general)},
                                       {"ContColor", QString(colour)},
                                   } + supplies);
    }

    /// Runs VorentaServer `arguments` on the database's program folder; its exit code.
    int run(const QStringList& arguments)
    {
        m_process = std::make_unique<CollectorProcess>(db().folder().path());
        return m_process->run(arguments, std::chrono::minutes(1));
    }
    std::string output() { return m_process->standardOutput().toStdString(); }
    std::string errors() { return m_process->standardError(); }

private:
    std::unique_ptr<CollectorProcess> m_process;
};

TEST_P(ReportCommand, PagesOfAMonthAsATable)
{
    ASSERT_EQ(run({"--relatorio", "paginas", "--mes", "2026-03"}), 0) << errors();
    EXPECT_EQ(output(), "Chave  NSerie   Fabricante      Modelo                 Mes      LeituraInicial      "
                        " LeituraFinal         "
                        "ContGeralFinal  PaginasGeral  PaginasColor  PaginasPb  PaginasScan  PaginasA3  "
                        "PaginasA4  ContadorRecuou\n"
                        "-----  -------  --------------  ---------------------  -------  ------------------- "
                        " -------------------  "
                        "--------------  ------------  ------------  ---------  -----------  ---------  "
                        "---------  --------------\n"
                        "CLI    HPA-001  HP              Color LaserJet M454dw  2026-03  2026-03-31 17:00:00 "
                        " 2026-03-31 17:00:00  "
                        "         48500         38550         16000                                          "
                        "                   0\n"
                        "CLI    KM-777   KONICA MINOLTA  bizhub C258            2026-03  2026-03-02 10:00:00 "
                        " 2026-03-20 10:00:00  "
                        "           300                                                                      "
                        "                   1\n"
                        "OUTRO  RC-3004  RICOH           MP C3004; sala \"2\"     2026-03  2026-03-12 "
                        "09:00:00  2026-03-12 09:00:00  "
                        "         12000             0                                                        "
                        "                   0\n");
    EXPECT_EQ(errors(), "");
}

TEST_P(ReportCommand, PagesOfOneCustomerAsCsv)
{
    ASSERT_EQ(run({"--relatorio", "paginas", "--mes", "2026-03", "--chave", "OUTRO", "--csv"}), 0)
        << errors();
    EXPECT_EQ(
        output(),
        "Chave;NSerie;Fabricante;Modelo;Mes;LeituraInicial;LeituraFinal;ContGeralFinal;PaginasGeral;"
        "PaginasColor;PaginasPb;PaginasScan;PaginasA3;PaginasA4;ContadorRecuou\n"
        "OUTRO;RC-3004;RICOH;\"MP C3004; sala \"\"2\"\"\";2026-03;2026-03-12 09:00:00;2026-03-12 09:00:00;"
        "12000;0;;;;;;0\n");
}

TEST_P(ReportCommand, AMonthWithoutReadingsPrintsTheHeaderAndSaysSo)
{
    ASSERT_EQ(run({"--relatorio", "paginas", "--mes", "2026-01", "--csv"}), 0) << errors();
    EXPECT_EQ(output(),
              "Chave;NSerie;Fabricante;Modelo;Mes;LeituraInicial;LeituraFinal;ContGeralFinal;PaginasGeral;"
              "PaginasColor;PaginasPb;PaginasScan;PaginasA3;PaginasA4;ContadorRecuou\n");
    EXPECT_EQ(errors(), "VorentaServer: nenhuma leitura em 2026-01.\n");
}

TEST_P(ReportCommand, SuppliesOfTheNewestReadings)
{
    ASSERT_EQ(run({"--relatorio", "suprimentos", "--csv"}), 0) << errors();
    EXPECT_EQ(
        output(),
        "Chave;NSerie;Fabricante;Modelo;IP;DataLog;Slot;Descricao;Cor;Nivel;Capacidade;Percentual\n"
        "CLI;HPA-001;HP;Color LaserJet M454dw;127.0.0.9;2026-03-31 17:00:00;1;Black Cartridge HP W2030A;"
        "Preto;230;2300;10\n"
        "CLI;HPA-001;HP;Color LaserJet M454dw;127.0.0.9;2026-03-31 17:00:00;2;Cyan Cartridge HP W2031A;"
        "Ciano;OK;-3;\n"
        "CLI;KM-777;KONICA MINOLTA;bizhub C258;127.0.0.9;2026-03-20 10:00:00;1;Toner (Cyan);Ciano;5;100;5\n"
        "CLI;KM-777;KONICA MINOLTA;bizhub C258;127.0.0.9;2026-03-20 10:00:00;4;Toner "
        "(Black);Preto;60;100;60\n"
        "OUTRO;RC-3004;RICOH;\"MP C3004; sala \"\"2\"\"\";127.0.0.9;2026-03-12 09:00:00;1;Toner Preto;Preto;"
        "70;10000;70\n");
}

TEST_P(ReportCommand, LowSuppliesOfOneCustomer)
{
    ASSERT_EQ(run({"--relatorio", "suprimentos", "--abaixo", "10", "--chave", "CLI"}), 0) << errors();
    EXPECT_EQ(output(), "Chave  NSerie  Fabricante      Modelo       IP         DataLog              Slot  "
                        "Descricao     Cor    Nivel  Capacidade  Percentual\n"
                        "-----  ------  --------------  -----------  ---------  -------------------  ----  "
                        "------------  -----  -----  ----------  ----------\n"
                        "CLI    KM-777  KONICA MINOLTA  bizhub C258  127.0.0.9  2026-03-20 10:00:00     1  "
                        "Toner (Cyan)  Ciano  5      100                  5\n");
    ASSERT_EQ(run({"--relatorio", "suprimentos", "--abaixo", "5", "--chave", "CLI", "--csv"}), 0) << errors();
    EXPECT_EQ(output(),
              "Chave;NSerie;Fabricante;Modelo;IP;DataLog;Slot;Descricao;Cor;Nivel;Capacidade;Percentual\n");
    EXPECT_EQ(errors(), "VorentaServer: nenhum suprimento da chave CLI abaixo de 5%.\n");
}

// A central server whose upgrade did not run has no views: the technician is told which script.
TEST_P(ReportCommand, ADatabaseWithoutTheViewsSaysWhatToRun)
{
    db().execute("drop view PaginasPorMes");
    if (GetParam() == TestBackend::Sqlite) {
        // The embedded file makes its views again when it is opened.
        ASSERT_EQ(run({"--relatorio", "paginas", "--mes", "2026-03", "--chave", "OUTRO", "--csv"}), 0)
            << errors();
        EXPECT_NE(output().find("RC-3004"), std::string::npos);
        return;
    }
    ASSERT_EQ(run({"--relatorio", "paginas", "--mes", "2026-03"}), 1);
    EXPECT_EQ(output(), "");
    const std::string reason = errors();
    EXPECT_EQ(reason.rfind("VorentaServer: não foi possível ler PaginasPorMes: ", 0), 0) << reason;
    EXPECT_NE(reason.find("rode relatorios-postgresql.sql (pasta schema/upgrade)."), std::string::npos)
        << reason;
}

VORENTA_INSTANTIATE_DATABASE_TESTS(ReportCommand);

TEST(ReportCommandFolder, AFolderWithoutADatabaseIsSaidAndNothingIsCreated)
{
    test::TemporaryProgramFolder home;
    home.writeIdentity("CLI", "SITE");
    CollectorProcess report(home.path());
    ASSERT_EQ(report.run({"--relatorio", "suprimentos"}, std::chrono::minutes(1)), 1);
    EXPECT_EQ(report.standardOutput().toStdString(), "");
    EXPECT_EQ(report.standardError(),
              "VorentaServer: não foi possível abrir o banco de dados: banco de dados não "
              "encontrado: " +
                  home.file("Vorenta.db").toStdString() + "; confira --home e [BANCO] em Coletor.ini.\n");
    EXPECT_FALSE(QFile::exists(home.file("Vorenta.db")));
    EXPECT_FALSE(QFile::exists(home.file("LOG.TXT"))) << "a report is no collector run";
}

// What SQL Server is sent: the same texts, parsed as T-SQL with every combination of filters.
TEST(ReportStatements, ParseAsTransactSql)
{
    QStringList statements;
    for (bool byCustomer : {false, true}) {
        const StatementCatalogue& catalogue = StatementCatalogue::of(DatabaseBackend::SqlServer);
        statements.append(catalogue.text(PagesStatement(byCustomer)));
        for (bool below : {false, true})
            statements.append(catalogue.text(SuppliesStatement(byCustomer, below)));
    }
    QString missing;
    const QStringList parsed = test::ParseTransactSql(statements, &missing);
    if (!missing.isEmpty())
        VORENTA_PEER_MISSING(missing.toStdString());
    ASSERT_EQ(parsed.size(), statements.size());
    for (qsizetype i = 0; i < parsed.size(); ++i)
        EXPECT_TRUE(parsed[i].startsWith("ok ")) << statements[i].toStdString() << "\n"
                                                 << parsed[i].toStdString();
}

} // namespace
} // namespace vorenta
