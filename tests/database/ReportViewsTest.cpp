// The report views (LeituraNumerica, PaginasPorMes, SuprimentoAtual) over a history written for
// the test, row by row, on SQLite and PostgreSQL; their upgrade paths; and the SQL Server text,
// which cannot run here, parsed as T-SQL.
#include "common/database/Schema.h"
#include "common/database/SqlQuery.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/Peers.h"
#include "tests/support/TransactSql.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>

namespace vorenta {
namespace {

using test::TestBackend;

QDateTime At(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

/// One DadosOid row as the store writes it: texts, the date bound as a date-time.
struct Reading {
    const char* chave;
    const char* nSerie;
    const char* fabricante;
    const char* modelo;
    const char* dataLog;
    const char* counters[6]; // ContGeral, ContColor, ContPb, ContScan, ContA3, ContA4
};

void Store(test::TestDatabase& db, const Reading& r, const QList<QPair<QString, QVariant>>& more = {})
{
    QList<QPair<QString, QVariant>> columns = {
        {"Chave", QString(r.chave)},   {"IDServ", QString("SITE")},
        {"NSerie", QString(r.nSerie)}, {"Fabricante", QString(r.fabricante)},
        {"Modelo", QString(r.modelo)}, {"IP", QString("127.0.0.9")},
        {"DataLog", At(r.dataLog)}};
    static const char* const names[6] = {"ContGeral", "ContColor", "ContPb", "ContScan", "ContA3", "ContA4"};
    for (int i = 0; i < 6; ++i)
        columns.append({names[i], QString(r.counters[i])});
    db.insertRow("DadosOid", columns + more);
}

/// The rows of `select`, each value as text and NULL as "NULL", joined with "|".
QStringList Rows(test::TestDatabase& db, const QString& select, const QStringList& columns)
{
    SqlQuery query(db.connection());
    query.addLine(select);
    query.open();
    QStringList rows;
    for (; !query.atEnd(); query.next()) {
        QStringList values;
        for (const QString& column : columns)
            values.append(query.isNull(column) ? QStringLiteral("NULL") : query.text(column));
        rows.append(values.join(u'|'));
    }
    return rows;
}

void ExpectRows(const QStringList& actual, const QStringList& expected)
{
    EXPECT_EQ(actual.size(), expected.size());
    for (qsizetype i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        EXPECT_EQ(i < actual.size() ? actual[i].toStdString() : "(no row)",
                  i < expected.size() ? expected[i].toStdString() : "(no row)")
            << "row " << i;
    }
}

class ReportViews : public test::DatabaseTest {};

// Every counter column reads the same way: a whole number, or NULL.
TEST_P(ReportViews, LeituraNumericaReadsCountersAsWholeNumbersOrNull)
{
    struct Case {
        const char* stored;
        const char* read;
    };
    const Case cases[] = {
        {"48500", "48500"},
        {"9950", "9950"},
        {"0", "0"},
        {"000120", "120"},
        {"999999999999999999", "999999999999999999"}, // 18 digits
        {"", "NULL"},
        {"N/D", "NULL"},
        {"OK", "NULL"},
        {"-2", "NULL"},
        {"-3", "NULL"},
        {"1.234", "NULL"},
        {"1,5", "NULL"},
        {"12 pages", "NULL"},
        {"1e5", "NULL"},
        {"+7", "NULL"},
        {"9999999999999999999", "NULL"}, // 19 digits: past what a counter reaches, and a 64-bit overflow
        {"\u0661\u0662", "NULL"},        // Arabic-Indic digits
    };
    for (const Case& c : cases)
        Store(db(), {"K1",
                     "S1",
                     "HP",
                     "M",
                     "2026-03-01 10:00:00",
                     {c.stored, c.stored, c.stored, c.stored, c.stored, c.stored}});
    const QStringList rows =
        Rows(db(), "select * from LeituraNumerica order by Cod",
             {"Chave", "NSerie", "ContGeral", "ContColor", "ContPb", "ContScan", "ContA3", "ContA4"});
    ASSERT_EQ(rows.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const QString r = cases[i].read;
        EXPECT_EQ(rows[i], QStringList({"K1", "S1", r, r, r, r, r, r}).join(u'|'))
            << "stored: " << cases[i].stored;
    }
    // What a billing query on the text columns gets wrong, and the view gets right.
    SqlQuery query(db().connection());
    query.addLine("select max(ContGeral) as texto from DadosOid where ContGeral in ('48500', '9950')");
    query.open();
    EXPECT_EQ(query.text("texto"), "9950");
    query.clearStatement();
    query.addLine("select max(ContGeral) as numero from LeituraNumerica");
    query.open();
    EXPECT_EQ(query.integer("numero"), 999999999999999999);
}

// Several devices and months: an empty and a non-numeric counter, a counter that goes down within
// and across a month, a month without readings, a device of another customer.
TEST_P(ReportViews, PaginasPorMesGivesEachMonthsPagesSinceThePreviousReadMonth)
{
    const Reading history[] = {
        // HP colour device: January, nothing in February, March.
        {"K1",
         "HPA-001",
         "HP",
         "Color LaserJet M454dn",
         "2026-01-03 09:00:00",
         {"1000", "400", "600", "50", "10", "990"}},
        {"K1", "HPA-001", "HP", "Color LaserJet M454dn", "2026-01-15 09:00:00", {"", "", "", "", "", ""}},
        {"K1",
         "HPA-001",
         "HP",
         "Color LaserJet M454dw",
         "2026-01-28 17:00:00",
         {"9950", "4000", "5950", "70", "20", "9930"}},
        {"K1",
         "HPA-001",
         "HP",
         "Color LaserJet M454dw",
         "2026-03-02 08:00:00",
         {"N/D", "15000", "N/D", "N/D", "N/D", "N/D"}},
        {"K1",
         "HPA-001",
         "HP",
         "Color LaserJet M454dw",
         "2026-03-10 08:00:00",
         {"48500", "20000", "28500", "100", "500", "48000"}},
        {"K1",
         "HPA-001",
         "HP",
         "Color LaserJet M454dw",
         "2026-03-31 23:59:59",
         {"48600", "20040", "28560", "130", "510", "48090"}},
        // A board swap on 18 February; in April the general counter is below March's again.
        {"K1",
         "KM-777",
         "KONICA MINOLTA",
         "bizhub C258",
         "2026-01-10 10:00:00",
         {"5000", "2000", "", "", "", ""}},
        {"K1",
         "KM-777",
         "KONICA MINOLTA",
         "bizhub C258",
         "2026-01-20 10:00:00",
         {"5200", "2100", "", "", "", ""}},
        {"K1",
         "KM-777",
         "KONICA MINOLTA",
         "bizhub C258",
         "2026-02-05 10:00:00",
         {"5300", "2150", "", "", "", ""}},
        {"K1",
         "KM-777",
         "KONICA MINOLTA",
         "bizhub C258",
         "2026-02-18 10:00:00",
         {"120", "40", "", "", "", ""}},
        {"K1",
         "KM-777",
         "KONICA MINOLTA",
         "bizhub C258",
         "2026-02-25 10:00:00",
         {"300", "100", "", "", "", ""}},
        {"K1",
         "KM-777",
         "KONICA MINOLTA",
         "bizhub C258",
         "2026-03-05 10:00:00",
         {"900", "400", "", "", "", ""}},
        {"K1",
         "KM-777",
         "KONICA MINOLTA",
         "bizhub C258",
         "2026-04-01 00:00:00",
         {"850", "420", "", "", "", ""}},
        // Monochrome, first read in March.
        {"K1", "BR-MONO-1", "BROTHER", "HL-L5100DN", "2026-03-20 14:00:00", {"2100", "", "2100", "", "", ""}},
        {"K1", "BR-MONO-1", "BROTHER", "HL-L5100DN", "2026-03-15 14:00:00", {"2000", "", "2000", "", "", ""}},
        // Another customer, one reading.
        {"K2",
         "XRX-55",
         "XEROX",
         "VersaLink C405",
         "2026-03-08 12:00:00",
         {"12345", "6000", "6345", "", "", ""}},
    };
    for (const Reading& r : history)
        Store(db(), r);

    const QStringList columns = {"Chave",          "NSerie",         "Mes",           "Fabricante",
                                 "Modelo",         "LeituraInicial", "LeituraFinal",  "ContGeralFinal",
                                 "ContColorFinal", "ContPbFinal",    "ContScanFinal", "ContA3Final",
                                 "ContA4Final",    "PaginasGeral",   "PaginasColor",  "PaginasPb",
                                 "PaginasScan",    "PaginasA3",      "PaginasA4",     "ContadorRecuou"};
    ExpectRows(Rows(db(), "select * from PaginasPorMes order by Chave, NSerie, Mes", columns),
               {
                   "K1|BR-MONO-1|2026-03|BROTHER|HL-L5100DN|2026-03-15 14:00:00|2026-03-20 14:00:00|"
                   "2100|NULL|2100|NULL|NULL|NULL|100|NULL|100|NULL|NULL|NULL|0",
                   "K1|HPA-001|2026-01|HP|Color LaserJet M454dw|2026-01-03 09:00:00|2026-01-28 17:00:00|"
                   "9950|4000|5950|70|20|9930|8950|3600|5350|20|10|8940|0",
                   "K1|HPA-001|2026-03|HP|Color LaserJet M454dw|2026-03-10 08:00:00|2026-03-31 23:59:59|"
                   "48600|20040|28560|130|510|48090|38650|16040|22610|60|490|38160|0",
                   "K1|KM-777|2026-01|KONICA MINOLTA|bizhub C258|2026-01-10 10:00:00|2026-01-20 10:00:00|"
                   "5200|2100|NULL|NULL|NULL|NULL|200|100|NULL|NULL|NULL|NULL|0",
                   "K1|KM-777|2026-02|KONICA MINOLTA|bizhub C258|2026-02-05 10:00:00|2026-02-25 10:00:00|"
                   "300|100|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|1",
                   "K1|KM-777|2026-03|KONICA MINOLTA|bizhub C258|2026-03-05 10:00:00|2026-03-05 10:00:00|"
                   "900|400|NULL|NULL|NULL|NULL|600|300|NULL|NULL|NULL|NULL|0",
                   "K1|KM-777|2026-04|KONICA MINOLTA|bizhub C258|2026-04-01 00:00:00|2026-04-01 00:00:00|"
                   "850|420|NULL|NULL|NULL|NULL|NULL|20|NULL|NULL|NULL|NULL|1",
                   "K2|XRX-55|2026-03|XEROX|VersaLink C405|2026-03-08 12:00:00|2026-03-08 12:00:00|"
                   "12345|6000|6345|NULL|NULL|NULL|0|0|0|NULL|NULL|NULL|0",
               });

    // A month whose readings all lack a numeric general counter is still a month read.
    Store(db(),
          {"K1", "HPA-001", "HP", "Color LaserJet M454dw", "2026-05-04 08:00:00", {"", "", "", "", "", ""}});
    ExpectRows(
        Rows(db(), "select * from PaginasPorMes where NSerie = 'HPA-001' and Mes = '2026-05'", columns),
        {"K1|HPA-001|2026-05|HP|Color LaserJet M454dw|NULL|NULL|"
         "NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|0"});
    // The month's newest reading names the model, counted or not.
    Store(db(),
          {"K2", "XRX-55", "XEROX", "VersaLink C405DN", "2026-03-09 12:00:00", {"", "", "", "", "", ""}});
    ExpectRows(Rows(db(), "select * from PaginasPorMes where NSerie = 'XRX-55'", columns),
               {"K2|XRX-55|2026-03|XEROX|VersaLink C405DN|2026-03-08 12:00:00|2026-03-08 12:00:00|"
                "12345|6000|6345|NULL|NULL|NULL|0|0|0|NULL|NULL|NULL|0"});
    // One customer's month, as the report asks for it.
    ExpectRows(Rows(db(),
                    "select NSerie, PaginasGeral from PaginasPorMes where Chave = 'K1' and Mes = '2026-03' "
                    "order by NSerie",
                    {"NSerie", "PaginasGeral"}),
               {"BR-MONO-1|100", "HPA-001|38650", "KM-777|600"});
}

// The newest reading's supplies, one row per filled slot, in both supply orders, a monochrome
// device with a drum, RICOH's private levels and a capacity of 10000 that is not RICOH's.
TEST_P(ReportViews, SuprimentoAtualGivesTheNewestReadingsSuppliesWithColourAndPercent)
{
    auto supplies = [](std::initializer_list<std::array<const char*, 3>> list) {
        static const char* const sets[4] = {"B", "Y", "C", "M"};
        QList<QPair<QString, QVariant>> columns;
        int n = 0;
        for (const auto& slot : list) {
            columns.append(QPair<QString, QVariant>(QStringLiteral("Supri") + sets[n], QString(slot[0])));
            columns.append(QPair<QString, QVariant>(QStringLiteral("Nivel") + sets[n], QString(slot[1])));
            columns.append(QPair<QString, QVariant>(QStringLiteral("Durab") + sets[n], QString(slot[2])));
            ++n;
        }
        return columns;
    };
    const char* const none[6] = {"", "", "", "", "", ""};
    auto reading = [&](const char* chave, const char* serie, const char* maker, const char* model,
                       const char* at) {
        Reading r{chave, serie, maker, model, at, {}};
        std::copy(std::begin(none), std::end(none), std::begin(r.counters));
        return r;
    };
    // HP lists black, cyan, magenta, yellow; an older reading's supplies are not current.
    Store(db(), reading("K1", "HPA-001", "HP", "Color LaserJet M454dw", "2026-03-01 08:00:00"),
          supplies({{"Black Cartridge HP W2030A", "2300", "2300"}}));
    Store(db(), reading("K1", "HPA-001", "HP", "Color LaserJet M454dw", "2026-03-31 08:00:00"),
          supplies({{"Black Cartridge HP W2030A", "1800", "2300"},
                    {"Cyan Cartridge HP W2031A", "OK", "-3"},
                    {"Magenta Cartridge HP W2033A", "230", "2300"},
                    {"Yellow Cartridge HP W2032A", "0", "2300"}}));
    // A row without a date (the collector writes none) is no device's newest: PostgreSQL would
    // sort it first, SQLite and SQL Server last.
    db().insertRow("DadosOid", {{"Chave", QString("K1")},
                                {"NSerie", QString("HPA-001")},
                                {"Fabricante", QString("HP")},
                                {"SupriB", QString("Toner sem data")},
                                {"NivelB", QString("1")},
                                {"DurabB", QString("100")}});
    // Konica Minolta lists cyan, magenta, yellow, black; a level above the capacity is full.
    Store(db(), reading("K1", "KM-777", "KONICA MINOLTA", "bizhub C258", "2026-03-30 10:00:00"),
          supplies({{"Toner (Cyan)", "20", "100"},
                    {"Toner (Magenta)", "N/D", "N/D"},
                    {"Toner (Yellow)", "150", "100"},
                    {"Toner (Black)", "5", "100"}}));
    // Monochrome: a toner and a drum; the third and fourth slots are empty.
    Store(db(), reading("K1", "BR-MONO-1", "BROTHER", "HL-L5100DN", "2026-03-20 14:00:00"),
          supplies({{"Black Toner Cartridge", "1500", "3000"},
                    {"Drum Unit", "N/D", "N/D"},
                    {"", "", ""},
                    {"", "", ""}}));
    // RICOH's private group: B at 10000, the others at 5500, each level a percent already.
    Store(db(), reading("K2", "RC-3004", "RICOH", "MP C3004", "2026-03-12 09:00:00"),
          supplies({{"Toner Preto", "70", "10000"},
                    {"Toner Amarelo", "1", "5500"},
                    {"Toner Ciano", "100", "5500"},
                    {"Toner Magenta", "-100", "5500"}}));
    // Another maker's real capacity of 10000 is a capacity; a slot with a text and no level.
    Store(db(), reading("K2", "SAM-9", "SAMSUNG", "CLX-6260", "2026-03-12 09:30:00"),
          supplies({{"Black Toner S/N:CRUM-13101512345", "7000", "10000"},
                    {"Cyan Toner S/N:CRUM-13101512346", "", ""}}));

    ExpectRows(
        Rows(db(), "select * from SuprimentoAtual order by Chave, NSerie, Slot",
             {"Chave", "NSerie", "Fabricante", "DataLog", "Slot", "Descricao", "Cor", "Nivel", "Capacidade",
              "Percentual"}),
        {
            "K1|BR-MONO-1|BROTHER|2026-03-20 14:00:00|1|Black Toner Cartridge|Preto|1500|3000|50",
            "K1|BR-MONO-1|BROTHER|2026-03-20 14:00:00|2|Drum Unit|NULL|N/D|N/D|NULL",
            "K1|HPA-001|HP|2026-03-31 08:00:00|1|Black Cartridge HP W2030A|Preto|1800|2300|78",
            "K1|HPA-001|HP|2026-03-31 08:00:00|2|Cyan Cartridge HP W2031A|Ciano|OK|-3|NULL",
            "K1|HPA-001|HP|2026-03-31 08:00:00|3|Magenta Cartridge HP W2033A|Magenta|230|2300|10",
            "K1|HPA-001|HP|2026-03-31 08:00:00|4|Yellow Cartridge HP W2032A|Amarelo|0|2300|0",
            "K1|KM-777|KONICA MINOLTA|2026-03-30 10:00:00|1|Toner (Cyan)|Ciano|20|100|20",
            "K1|KM-777|KONICA MINOLTA|2026-03-30 10:00:00|2|Toner (Magenta)|Magenta|N/D|N/D|NULL",
            "K1|KM-777|KONICA MINOLTA|2026-03-30 10:00:00|3|Toner (Yellow)|Amarelo|150|100|100",
            "K1|KM-777|KONICA MINOLTA|2026-03-30 10:00:00|4|Toner (Black)|Preto|5|100|5",
            "K2|RC-3004|RICOH|2026-03-12 09:00:00|1|Toner Preto|Preto|70|10000|70",
            "K2|RC-3004|RICOH|2026-03-12 09:00:00|2|Toner Amarelo|Amarelo|1|5500|1",
            "K2|RC-3004|RICOH|2026-03-12 09:00:00|3|Toner Ciano|Ciano|100|5500|100",
            "K2|RC-3004|RICOH|2026-03-12 09:00:00|4|Toner Magenta|Magenta|-100|5500|NULL",
            "K2|SAM-9|SAMSUNG|2026-03-12 09:30:00|1|Black Toner S/N:CRUM-13101512345|Preto|7000|10000|70",
            "K2|SAM-9|SAMSUNG|2026-03-12 09:30:00|2|Cyan Toner S/N:CRUM-13101512346|Ciano|||NULL",
        });
    // The low-supply list the report prints.
    ExpectRows(
        Rows(db(),
             "select NSerie, Slot, Cor from SuprimentoAtual where Percentual < 10 order by NSerie, Slot",
             {"NSerie", "Slot", "Cor"}),
        {"HPA-001|4|Amarelo", "KM-777|4|Preto", "RC-3004|2|Amarelo"});
}

// Descriptions as printers report them in prtMarkerSuppliesDescription, in the three languages,
// and texts that name no colour or only look as if they did.
TEST_P(ReportViews, TheColourComesFromTheDescriptionsWords)
{
    struct Case {
        const char* description;
        const char* colour;
    };
    const Case cases[] = {
        {"Black Cartridge HP CF410A", "Preto"},
        {"Cyan Cartridge HP CF411A", "Ciano"},
        {"Magenta Cartridge HP CF413A", "Magenta"},
        {"Yellow Cartridge HP CF412A", "Amarelo"},
        {"Black Toner Cartridge", "Preto"}, // Brother
        {"Toner (Cyan)", "Ciano"},          // Konica Minolta
        {"Toner (Yellow)", "Amarelo"},
        {"Cyan Toner Cartridge, PN 106R03502;SN 0A1B2C3D", "Ciano"}, // Xerox
        {"Black Toner S/N:CRUM-13101512345", "Preto"},               // Samsung
        {"Toner Cyan", "Ciano"},                                     // RICOH
        {"Toner Black", "Preto"},
        {"Cyan Toner", "Ciano"}, // OKI, Canon
        {"Black Image Drum", "Preto"},
        {"Black ink", "Preto"},
        {"Photo Black", "Preto"},
        {"Light Magenta", "Magenta"},
        {"Toner Preto", "Preto"},
        {"Cartucho de Toner Ciano", "Ciano"},
        {"Tinta Preta", "Preto"},
        {"Toner Amarelo", "Amarelo"},
        {"Cartucho amarela", "Amarelo"},
        {"TONER MAGENTA", "Magenta"},
        {"Tóner negro", "Preto"},
        {"Tinta negra", "Preto"},
        {"Cartucho de tóner cian", "Ciano"},
        {"Tóner amarillo", "Amarelo"},
        {"Toner K", "Preto"},
        {"Toner (K)", "Preto"},
        {"Toner BK", "Preto"},
        {"K", "Preto"},
        {"C", "Ciano"},
        {"M", "Magenta"},
        {"Y", "Amarelo"},
        {"Toner Cartridge(C)", "Ciano"},
        {"Toner (M)", "Magenta"},
        {"Toner (Y)", "Amarelo"},
        {"Drum Unit", nullptr},
        {"Imaging Drum HP CE314A", nullptr},
        {"Waste Toner Box", nullptr},
        {"Fuser Unit", nullptr},
        {"Tri-color Cartridge HP 61", nullptr},
        {"Canon C-EXV 18 Toner", nullptr},      // the C of a part number
        {"Kit de tambor y revelador", nullptr}, // Spanish "y" is "and"
        {"Cilindro", nullptr},
        {"Unidade de Imagem", nullptr},
        {"Toner Cartridge", nullptr},
        {"Blackwell Toner", nullptr}, // a word that only starts with one
    };
    int n = 0;
    for (const Case& c : cases) {
        Reading r{"K1", "", "HP", "M", "2026-03-01 10:00:00", {"", "", "", "", "", ""}};
        const QByteArray serie = "COR-" + QByteArray::number(++n).rightJustified(3, '0');
        r.nSerie = serie.constData();
        Store(db(), r,
              {{"SupriB", QString::fromUtf8(c.description)},
               {"NivelB", QString("50")},
               {"DurabB", QString("100")}});
    }
    const QStringList rows =
        Rows(db(), "select Descricao, Cor from SuprimentoAtual order by NSerie", {"Descricao", "Cor"});
    ASSERT_EQ(rows.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(rows[i].toStdString(), (QString::fromUtf8(cases[i].description) + u'|' +
                                          (cases[i].colour ? cases[i].colour : "NULL"))
                                             .toStdString());
    }
}

VORENTA_INSTANTIATE_DATABASE_TESTS(ReportViews);

/// The CREATE VIEW statements of a script, by lower-case view name.
QMap<QString, QString> ScriptViews(const QString& script)
{
    static const QRegularExpression createView("^CREATE\\s+VIEW\\s+(\\w+)\\s+AS\\s",
                                               QRegularExpression::CaseInsensitiveOption);
    QMap<QString, QString> views;
    for (const QString& statement : SplitSqlScript(script)) {
        const QRegularExpressionMatch match = createView.match(statement);
        if (match.hasMatch())
            views.insert(match.captured(1).toLower(), statement);
    }
    return views;
}

QString SourceFile(const char* path)
{
    QFile file(QStringLiteral(VORENTA_SOURCE_DIR "/") + path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

TEST(ReportViewScripts, EveryBackEndAndEveryUpgradeMakesTheSameThreeViews)
{
    const QStringList names = {"leituranumerica", "paginaspormes", "suprimentoatual"};
    for (DatabaseBackend backend :
         {DatabaseBackend::Sqlite, DatabaseBackend::PostgreSql, DatabaseBackend::SqlServer})
        EXPECT_EQ(ScriptViews(SchemaScript(backend)).keys(), names);
    // The upgrade scripts make the views of the schema, word for word.
    EXPECT_EQ(ScriptViews(SourceFile("common/database/schema/upgrade/relatorios-postgresql.sql")),
              ScriptViews(SchemaScript(DatabaseBackend::PostgreSql)));
    EXPECT_EQ(ScriptViews(SourceFile("common/database/schema/upgrade/relatorios-sqlserver.sql")),
              ScriptViews(SchemaScript(DatabaseBackend::SqlServer)));
}

TEST(ReportViewScripts, SplittingAScriptEndsAStatementAtGo)
{
    EXPECT_EQ(
        SplitSqlScript("DROP VIEW IF EXISTS V;\nGO\nCREATE VIEW V AS\nSELECT 1 AS a\ngo\n  Go  \nSELECT 2\n"),
        QStringList({"DROP VIEW IF EXISTS V", "CREATE VIEW V AS\nSELECT 1 AS a", "SELECT 2"}));
    EXPECT_EQ(SplitSqlScript("SELECT GOOD FROM GO_TABLE;\n"), QStringList({"SELECT GOOD FROM GO_TABLE"}));
}

/// The names of a view's result columns on a back end that runs here.
QStringList ViewColumns(test::TestDatabase& db, const QString& view)
{
    QSqlQuery query(db.connection().database());
    EXPECT_TRUE(query.exec("select * from " + view + " where 1 = 0")) << view.toStdString();
    QStringList names;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        names.append(record.fieldName(i).toLower());
    return names;
}

// SQL Server does not run here: its view text is parsed as T-SQL, must use none of the other
// dialects' words, and must give the columns the SQLite views give, in their order.
TEST(ReportViewScripts, TheSqlServerViewsParseAsTransactSqlWithTheSameColumns)
{
    const QMap<QString, QString> views = ScriptViews(SchemaScript(DatabaseBackend::SqlServer));
    QStringList bodies;
    static const QRegularExpression head("^CREATE\\s+VIEW\\s+\\w+\\s+AS\\s+",
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression foreign(
        "(\\|\\||::|\\s~\\s|\\bGLOB\\b|\\bLIMIT\\b|\\bstrftime\\b|\\bto_char\\b|"
        "\\blength\\s*\\(|\\bsubstr\\s*\\(|\\bILIKE\\b|\\bINTEGER\\b)",
        QRegularExpression::CaseInsensitiveOption);
    for (const QString& statement : views) {
        EXPECT_FALSE(foreign.match(statement).hasMatch())
            << "a word of another dialect: " << foreign.match(statement).captured(1).toStdString();
        bodies.append(QString(statement).remove(head));
    }
    QString missing;
    const QStringList parsed = test::ParseTransactSql(bodies, &missing);
    if (!missing.isEmpty())
        VORENTA_PEER_MISSING(missing.toStdString());
    ASSERT_EQ(parsed.size(), bodies.size()) << parsed.join('\n').toStdString();

    test::TestDatabase sqlite(TestBackend::Sqlite);
    int i = 0;
    for (auto it = views.cbegin(); it != views.cend(); ++it, ++i) {
        ASSERT_TRUE(parsed[i].startsWith("ok ")) << it.key().toStdString() << ": " << parsed[i].toStdString();
        EXPECT_EQ(parsed[i].mid(3).toLower().split(u','), ViewColumns(sqlite, it.key()))
            << it.key().toStdString();
    }
}

// An embedded file made by an older version: no views, or a view of an older text, and neither
// of the views' indexes. Opening it makes them; the stored rows stay.
TEST(ReportViewScripts, AnOlderEmbeddedFileGainsTheViewsWhenOpened)
{
    test::TestDatabase db(TestBackend::Sqlite);
    Store(db, {"K1", "S1", "HP", "M", "2026-03-01 10:00:00", {"10", "", "", "", "", ""}});
    db.execute("drop view PaginasPorMes");
    db.execute("drop view SuprimentoAtual");
    db.execute("drop view LeituraNumerica");
    db.execute("create view LeituraNumerica as select Cod from DadosOid");
    db.execute("drop index ix_dadosoid_chave_datalog");
    db.execute("drop index ix_dadosoid_datalog");

    DatabaseConnection again(db.settings());
    again.open();
    SqlQuery query(again);
    query.addLine("select name, sql from sqlite_master where type in ('view', 'index') order by name");
    query.open();
    QMap<QString, QString> present;
    for (; !query.atEnd(); query.next())
        present.insert(query.text("name").toLower(), query.text("sql"));
    const QMap<QString, QString> views = ScriptViews(SchemaScript(DatabaseBackend::Sqlite));
    for (auto it = views.cbegin(); it != views.cend(); ++it)
        EXPECT_EQ(present.value(it.key()).toStdString(), it.value().toStdString());
    EXPECT_TRUE(present.contains("ix_dadosoid_chave_datalog"));
    EXPECT_TRUE(present.contains("ix_dadosoid_datalog"));
    query.clearStatement();
    query.addLine("select ContGeralFinal from PaginasPorMes");
    query.open();
    EXPECT_EQ(query.integer("ContGeralFinal"), 10);
}

// A server database made by an older postgresql.sql: the upgrade scripts add the views and their
// indexes, and can run again.
TEST(ReportViewScripts, TheUpgradeScriptsAddTheViewsToAnOlderServerDatabase)
{
    if (!test::PostgresConfigured())
        VORENTA_PEER_MISSING("PostgreSQL");
    test::TestDatabase db(TestBackend::PostgreSql);
    Store(db, {"K1", "S1", "HP", "M", "2026-03-01 10:00:00", {"10", "", "", "", "", ""}});
    db.execute("drop view PaginasPorMes");
    db.execute("drop view SuprimentoAtual");
    db.execute("drop view LeituraNumerica");
    db.execute("drop index ix_dadosoid_chave_datalog");
    db.execute("drop index ix_dadosoid_datalog");
    const QString views = SourceFile("common/database/schema/upgrade/relatorios-postgresql.sql");
    const QString indexes = SourceFile("common/database/schema/upgrade/indexes-postgresql.sql");
    for (int run = 0; run < 2; ++run) { // a second run changes nothing
        for (const QString& statement : SplitSqlScript(indexes) + SplitSqlScript(views))
            db.execute(statement);
    }
    EXPECT_EQ(db.count("pg_views", "viewname in ('leituranumerica', 'paginaspormes', 'suprimentoatual')"), 3);
    EXPECT_EQ(db.count("pg_indexes", "indexname in ('ix_dadosoid_chave_datalog', 'ix_dadosoid_datalog')"), 2);
    EXPECT_EQ(db.count("PaginasPorMes", "ContGeralFinal = 10"), 1);
}

} // namespace
} // namespace vorenta
