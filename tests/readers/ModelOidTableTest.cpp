#include "collector/database/ModelOidLookup.h"
#include "collector/probing/ManufacturerDispatch.h"
#include "common/database/DatabaseError.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/LoopbackDevice.h"
#include "tests/support/ReadingFields.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using test::CapturingLogSink;

const QString kPrefix = QStringLiteral("1.3.6.1.4.1.99999.7."); // a private arc no reader asks

QString Oid(int n)
{
    return kPrefix + QString::number(n);
}

const QString kCantStore = QStringLiteral("Não foi possível gravar dados ");

class ModelOidTableTest : public test::DatabaseTest {
protected:
    TDTM dataModule(const DatabaseSettings& settings)
    {
        return TDTM(settings, CollectorIdentity{"K1", "S1", {}, {}}, log);
    }

    // A device that answers Oid(n) with the value at index n-1 ("" is an empty answer).
    static std::string recording(const QStringList& values)
    {
        std::string text;
        for (int n = 1; n <= values.size(); ++n)
            text += (Oid(n) + "|4|" + values[n - 1] + "\n").toStdString();
        return text;
    }

    CapturingLogSink log;
};

TEST_P(ModelOidTableTest, StarRowsApplyToEveryModelAndOwnRowsToTheirModel)
{
    db().insertOid("*", "Status", Oid(1));           // answers empty: taken
    db().insertOid("MX-1", "ContadorGeral", Oid(1)); // answers empty: not taken
    db().insertOid("MX-1", "ContadorColor", Oid(1)); // answers empty: taken
    db().insertOid("MX-1", "ContA3", Oid(2));
    db().insertOid("MX-2", "ContA4", Oid(3));
    db().insertOid("MX-1", "ContJams", Oid(9)); // noSuchName: the device has no such object
    test::LoopbackDevice device(20, recording({"", "77", "5"}));
    TDTM module = dataModule(db().settings());
    ModelOidLookup lookup(module);

    for (const QString model : {"MX-1", "MX-1 ", "mx-1"}) {
        SCOPED_TRACE(model.toStdString());
        DeviceReading reading;
        reading.Modelo = model;
        reading.ContGeral = "1000";
        reading.ContColor = "300";
        reading.StatusEquip = "Pronto";
        reading.ContA4 = "x";
        reading.ContJams = "4";
        DeviceReading expected = reading;
        expected.StatusEquip = "";
        if (model == u"MX-1") { // the model text as it is: untrimmed, case-sensitive
            expected.ContColor = "";
            expected.ContA3 = "77";
            expected.ContJams = "";
        }

        ApplyModelOidTable(reading, device.address(), device, lookup, log);

        EXPECT_EQ(reading, expected);
    }
    EXPECT_TRUE(log.lines.isEmpty()) << log.lines.join('\n').toStdString();
}

TEST_P(ModelOidTableTest, EveryNameSetsItsFieldInTheOrderOfTheNames)
{
    const std::pair<const char*, QString DeviceReading::*> names[] = {
        {"ContadorGeral", &DeviceReading::ContGeral},
        {"ContadorColor", &DeviceReading::ContColor},
        {"ContadorPB", &DeviceReading::ContPb},
        {"ContadorScan", &DeviceReading::ContScan},
        {"Status", &DeviceReading::StatusEquip},
        {"Falha", &DeviceReading::Falha},
        {"Inf1", &DeviceReading::inf1},
        {"Inf2", &DeviceReading::inf2},
        {"Inf3", &DeviceReading::inf3},
        {"Inf4", &DeviceReading::inf4},
        {"Inf5", &DeviceReading::inf5},
        {"ContA3", &DeviceReading::ContA3},
        {"ContA4", &DeviceReading::ContA4},
        {"ContJams", &DeviceReading::ContJams},
        {"NivelB", &DeviceReading::NivelB},
        {"NivelY", &DeviceReading::NivelY},
        {"NivelC", &DeviceReading::NivelC},
        {"NivelM", &DeviceReading::NivelM},
    };
    QStringList values;
    std::vector<std::string> expectedAsked;
    DeviceReading expected;
    expected.Modelo = "Z";
    // Inserted in reverse so that the lookup order cannot come from the table's order.
    for (int n = std::size(names); n >= 1; --n)
        db().insertOid("*", names[n - 1].first, Oid(n));
    for (int n = 1; n <= int(std::size(names)); ++n) {
        values << QStringLiteral(" v%1 ").arg(n);
        expected.*names[n - 1].second = QStringLiteral("v%1").arg(n);
        expectedAsked.push_back(Oid(n).toStdString());
    }
    test::LoopbackDevice device(21, recording(values));
    TDTM module = dataModule(db().settings());
    ModelOidLookup lookup(module);
    DeviceReading reading;
    reading.Modelo = "Z";

    ApplyModelOidTable(reading, device.address(), device, lookup, log);

    EXPECT_EQ(reading, expected);
    EXPECT_EQ(device.agent().askedOids(), expectedAsked);
}

TEST_P(ModelOidTableTest, ModelTextsWithQuotesAreValuesNotStatementText)
{
    db().insertOid("O'Neil 5\"", "ContA3", Oid(1));
    db().insertOid("Other", "ContA4", Oid(2));
    test::LoopbackDevice device(22, recording({"31", "32"}));
    TDTM module = dataModule(db().settings());
    ModelOidLookup lookup(module);

    DeviceReading quoted;
    quoted.Modelo = "O'Neil 5\"";
    ApplyModelOidTable(quoted, device.address(), device, lookup, log);
    EXPECT_EQ(quoted.ContA3, "31");

    // Pasted into the statement, this model would select every model's rows.
    DeviceReading injected;
    injected.Modelo = "x') or ('1'='1";
    ApplyModelOidTable(injected, device.address(), device, lookup, log);
    EXPECT_EQ(injected.ContA3, "");
    EXPECT_EQ(injected.ContA4, "");
    EXPECT_TRUE(log.lines.isEmpty()) << log.lines.join('\n').toStdString();
}

TEST_P(ModelOidTableTest, WithoutAConnectionTheFieldsStayAsTheReadersLeftThem)
{
    db().insertOid("*", "Status", Oid(1));
    test::LoopbackDevice device(23, recording({"Erro"}));
    DatabaseSettings broken = db().settings();
    if (broken.backend == DatabaseBackend::Sqlite)
        broken.databaseName = db().folder().file("pasta-que-nao-existe/Vorenta.db");
    else
        broken.password = "senha-errada";
    TDTM module = dataModule(broken);
    ModelOidLookup lookup(module);
    DeviceReading reading;
    reading.StatusEquip = "Pronto";
    const DeviceReading before = reading;

    ApplyModelOidTable(reading, device.address(), device, lookup, log);

    EXPECT_EQ(reading, before);
    EXPECT_TRUE(device.asked.isEmpty());
    ASSERT_EQ(log.lines.size(), 1) << "only the connection's own line";
    EXPECT_TRUE(log.lines[0].startsWith("Erro de conexão. : "));
}

// The real lookup, failing at one chosen call as a lost connection would.
class FailingLookup final : public ModelOidTable {
public:
    FailingLookup(ModelOidTable& inner, int failingCall) : m_inner(inner), m_failingCall(failingCall) {}
    bool ConnectDatabase() override { return m_inner.ConnectDatabase(); }
    std::optional<QString> BuscaOid(const QString& Modelo, const QString& NomeInfo) override
    {
        if (++m_calls == m_failingCall)
            throw DatabaseError("conexão perdida");
        return m_inner.BuscaOid(Modelo, NomeInfo);
    }

private:
    ModelOidTable& m_inner;
    int m_failingCall;
    int m_calls = 0;
};

TEST_P(ModelOidTableTest, AnErrorEndsTheStepKeepsWhatWasSetAndIsLoggedOnce)
{
    db().insertOid("*", "ContadorGeral", Oid(1));
    db().insertOid("*", "ContadorColor", Oid(2));
    db().insertOid("*", "ContadorPB", Oid(3));
    db().insertOid("*", "Status", Oid(4));
    test::LoopbackDevice device(24, recording({"1000", "200", "800", "Pronto"}));
    TDTM module = dataModule(db().settings());
    ModelOidLookup lookup(module);
    FailingLookup failing(lookup, 3);
    DeviceReading reading;
    reading.ContPb = "7";

    ApplyModelOidTable(reading, device.address(), device, failing, log);

    EXPECT_EQ(reading.ContGeral, "1000");
    EXPECT_EQ(reading.ContColor, "200");
    EXPECT_EQ(reading.ContPb, "7");
    EXPECT_EQ(reading.StatusEquip, "");
    EXPECT_EQ(log.lines, QStringList{kCantStore + "conexão perdida"});

    // The database's own error: the table is gone.
    db().execute("DROP TABLE Oid");
    log.lines.clear();
    DeviceReading again;
    again.ContPb = "7";
    ApplyModelOidTable(again, device.address(), device, lookup, log);
    EXPECT_EQ(again.ContPb, "7");
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].startsWith(kCantStore));
    EXPECT_GT(log.lines[0].size(), kCantStore.size()) << "with the driver's text";
}

TEST_P(ModelOidTableTest, ReaderThenMonochromeRuleThenTable)
{
    using namespace test::HpTable;
    db().insertOid("HP LaserJet M402dn", "ContadorColor", Oid(1));
    std::string snmprec = recording({"12"});
    snmprec += (QString(H1) + "|65|900\n" + QString(H2) + "|65|5000\n").toStdString();
    test::LoopbackDevice device(25, snmprec);
    TDTM module = dataModule(db().settings());
    ModelOidLookup lookup(module);
    DeviceReading reading;
    reading.Fabricante = "Hewlett-Packard";
    reading.Modelo = "HP LaserJet M402dn";
    reading.ContGeral = "6000";
    reading.SupriY = "Black Cartridge";

    ReadManufacturerData(reading, device.address(), device, lookup, log, MakerFallback::Off);

    EXPECT_EQ(reading.Fabricante, "HP");
    EXPECT_EQ(reading.ContPb, "6000") << "the monochrome rule overrides the reader";
    EXPECT_EQ(reading.ContColor, "12") << "the table overrides the monochrome rule";
    EXPECT_TRUE(log.lines.isEmpty()) << log.lines.join('\n').toStdString();
}

VORENTA_INSTANTIATE_DATABASE_TESTS(ModelOidTableTest);

} // namespace
} // namespace vorenta
