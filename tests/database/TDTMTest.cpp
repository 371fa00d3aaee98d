#include "collector/database/TDTM.h"
#include "common/StopSignal.h"
#include "common/database/DatabaseError.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/DatabaseFixture.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using test::CapturingLogSink;

class TDTMTest : public test::DatabaseTest {
protected:
    TDTM module(const QString& chave = "K1", const QString& idServ = "S1")
    {
        return TDTM(db().settings(), CollectorIdentity{chave, idServ, "Matriz", "05/03/2024"}, log);
    }

    static QStringList filledSlots(const RangeTable& table)
    {
        QStringList filled;
        for (int n = 1; n <= RangeTable::kSlots; ++n) {
            if (!table.slot(n).StartIp.isEmpty() || !table.slot(n).EndIp.isEmpty())
                filled << table.slot(n).StartIp + "-" + table.slot(n).EndIp;
        }
        return filled;
    }

    CapturingLogSink log;
};

TEST_P(TDTMTest, LoadsTheRangesOfThisCollectorOnly)
{
    db().insertRange("K1", "S1", "10.0.0.1", "10.0.0.20");
    db().insertRange("K1", "S1", "10.0.0.1", "10.0.0.20"); // the same again is walked once
    db().insertRange("K1", "S1", QVariant(), "10.0.1.9");
    db().insertRange("K1", "S2", "10.9.9.1", "10.9.9.2");
    db().insertRange("K2", "S1", "10.8.8.1", "10.8.8.2");
    db().insertRange("k1", "S1", "10.7.7.1", "10.7.7.2"); // keys compare exactly

    TDTM tdtm = module();
    RangeTable table;
    tdtm.LoadRanges(table);

    EXPECT_TRUE(table.RangesConfigured);
    QStringList filled = filledSlots(table);
    filled.sort();
    EXPECT_EQ(filled, QStringList({"-10.0.1.9", "10.0.0.1-10.0.0.20"}));
    EXPECT_EQ(log.lines, QStringList({"Buscando Range de IP Chave: K1 IdServ:S1", "Range Configurado.",
                                      "Range de IP recusado: 10.0.0.1 - 10.0.0.20: Este range já está na "
                                      "lista: 10.0.0.1 - 10.0.0.20"}));
}

// Rows stored before the tool checked them: each refusal says why, in the order the rows were
// added; what adds no host is left out, what the walk reports itself stays for the walk.
TEST_P(TDTMTest, RangesTheRulesRefuseAreLoggedWithTheReason)
{
    const struct {
        const char* start;
        const char* end;
        bool walked;
        const char* line; // nullptr: nothing logged at the load
    } rows[] = {
        {"127.10.0.1", "127.10.0.9", true, nullptr},
        {"127.10.0.250", "127.10.1.5", true,
         "Range de IP recusado: 127.10.0.250 - 127.10.1.5: O IP final deve estar na mesma rede /24 do IP "
         "inicial: 127.10.0.x"},
        {"192.168.1", "192.168.1.300", true,
         "Range de IP recusado: 192.168.1 - 192.168.1.300: O IP inicial deve ser um endereço completo, quatro "
         "números de 0 a 255 separados por pontos: 192.168.0.1"},
        {"127.10.0.3", "127.10.0.4", false,
         "Range de IP recusado: 127.10.0.3 - 127.10.0.4: Este range tem IPs em comum com o range 127.10.0.1 - "
         "127.10.0.9 da lista: informe IPs fora dele ou exclua-o antes."},
        {"127.10.0.5", "127.10.0.20", true,
         "Range de IP recusado: 127.10.0.5 - 127.10.0.20: Este range tem IPs em comum com o range 127.10.0.1 - "
         "127.10.0.9 da lista: informe IPs fora dele ou exclua-o antes."},
        {"127.10.0.40", "127.10.0.30", true, nullptr},   // the walk logs "invertido"
        {"127.10.5.250", "127.10.5.300", true, nullptr}, // stored before: walked to .254 as always
        {"127.10.5.250", "127.10.5.254", false,
         "Range de IP recusado: 127.10.5.250 - 127.10.5.254: Este range já está na lista: 127.10.5.250 - "
         "127.10.5.300"},
    };
    QStringList walked;
    QStringList lines{"Buscando Range de IP Chave: K1 IdServ:S1", "Range Configurado."};
    for (const auto& row : rows) {
        db().insertRange("K1", "S1", row.start, row.end);
        if (row.walked)
            walked.append(QString::fromUtf8(row.start) + u'-' + QString::fromUtf8(row.end));
        if (row.line)
            lines.append(QString::fromUtf8(row.line));
    }
    TDTM tdtm = module();
    RangeTable table;
    ASSERT_TRUE(tdtm.LoadRanges(table));
    EXPECT_EQ(filledSlots(table), walked);
    EXPECT_EQ(log.lines, lines);
}

TEST_P(TDTMTest, KeysHoldingQuotesSelectTheirOwnRows)
{
    db().insertRange("O'Neil", "S'1", "10.0.0.1", "10.0.0.2");
    db().insertRange("O", "S", "10.6.6.1", "10.6.6.2");
    TDTM tdtm = module("O'Neil", "S'1");
    RangeTable table;
    tdtm.LoadRanges(table);
    EXPECT_EQ(filledSlots(table), QStringList({"10.0.0.1-10.0.0.2"}));
}

TEST_P(TDTMTest, ALoadEmptiesTheSlotsItDoesNotFill)
{
    const qint64 first = db().insertRange("K1", "S1", "10.0.0.1", "10.0.0.2");
    db().insertRange("K1", "S1", "10.0.1.1", "10.0.1.2");
    TDTM tdtm = module();
    RangeTable table;
    tdtm.LoadRanges(table);
    ASSERT_EQ(filledSlots(table).size(), 2);

    db().execute(QStringLiteral("delete from RangeIP where Cod=%1").arg(first));
    tdtm.LoadRanges(table);
    EXPECT_EQ(filledSlots(table), QStringList({"10.0.1.1-10.0.1.2"}))
        << "a deleted range is no longer walked";

    db().execute("delete from RangeIP");
    log.lines.clear();
    tdtm.LoadRanges(table);
    EXPECT_FALSE(table.RangesConfigured);
    EXPECT_TRUE(filledSlots(table).isEmpty());
    EXPECT_TRUE(log.contains("Sem Range Configurado."));
}

TEST_P(TDTMTest, LoadsAtMostOneThousandRows)
{
    for (int rows : {1000, 1001}) {
        SCOPED_TRACE(rows);
        db().execute("delete from RangeIP");
        db().execute(
            QStringLiteral("insert into RangeIP (CHAVE, IDSERV, IPINI, IPFIN) "
                           "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                           "select 'K1', 'S1', '10.0.0.' || i, '10.0.0.' || i from n")
                .arg(rows));
        TDTM tdtm = module();
        RangeTable table;
        tdtm.LoadRanges(table);
        const QStringList filled = filledSlots(table);
        EXPECT_EQ(filled.size(), 1000);
        EXPECT_FALSE(table.slot(1000).StartIp.isEmpty()) << "slot 1000 is filled too";
        EXPECT_EQ(QSet<QString>(filled.begin(), filled.end()).size(), 1000) << "each row once";
        EXPECT_EQ(log.startingWith("Ranges de IP além de 1000 ignorados: "),
                  rows == 1000 ? QStringList() : QStringList("Ranges de IP além de 1000 ignorados: 1"));
        log.lines.clear();
    }
}

TEST_P(TDTMTest, AFailedLoadIsLoggedAndKeepsThePreviousRanges)
{
    const struct {
        const char* name;
        const char* breaks;
        const char* repairs;
    } cases[] = {
        {"table missing", "ALTER TABLE RangeIP RENAME TO RangeIPGuardado",
         "ALTER TABLE RangeIPGuardado RENAME TO RangeIP"},
        {"column missing", "ALTER TABLE RangeIP RENAME COLUMN IPFIN TO IPFIM",
         "ALTER TABLE RangeIP RENAME COLUMN IPFIM TO IPFIN"},
    };
    db().insertRange("K1", "S1", "10.0.0.1", "10.0.0.2");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TDTM tdtm = module();
        RangeTable table;
        ASSERT_TRUE(tdtm.LoadRanges(table));

        db().execute(c.breaks);
        log.lines.clear();
        EXPECT_FALSE(tdtm.LoadRanges(table));
        EXPECT_TRUE(table.RangesConfigured);
        EXPECT_EQ(filledSlots(table), QStringList({"10.0.0.1-10.0.0.2"}));
        ASSERT_EQ(log.lines.size(), 2) << log.lines.join('\n').toStdString();
        EXPECT_TRUE(log.lines[1].startsWith("Erro ao Buscar Range de IP: ")) << log.lines[1].toStdString();
        EXPECT_GT(log.lines[1].size(), QString("Erro ao Buscar Range de IP: ").size())
            << "with the driver's text";

        // A collector whose very first load fails has nothing configured, and is told so.
        RangeTable first;
        EXPECT_FALSE(module().LoadRanges(first));
        EXPECT_FALSE(first.RangesConfigured);
        db().execute(c.repairs);
    }
}

TEST_P(TDTMTest, ALockedRangeTableIsAFailedLoad)
{
    db().insertRange("K1", "S1", "10.0.0.1", "10.0.0.2");
    DatabaseSettings quick = db().settings();
    quick.commandTimeoutSeconds = 1;
    TDTM tdtm(quick, CollectorIdentity{"K1", "S1", {}, {}}, log);

    // Another program holds the table (the fixture's own connection, in a transaction).
    QSqlQuery holder(db().connection().database());
    if (GetParam() == test::TestBackend::Sqlite) {
        // Under the write-ahead log a writer's lock does not keep readers out; a connection in
        // exclusive locking mode does.
        ASSERT_TRUE(holder.exec("PRAGMA locking_mode=EXCLUSIVE"));
        ASSERT_TRUE(holder.exec("BEGIN EXCLUSIVE"));
    } else {
        ASSERT_TRUE(holder.exec("BEGIN"));
        ASSERT_TRUE(holder.exec("LOCK TABLE RangeIP IN ACCESS EXCLUSIVE MODE"));
    }
    RangeTable table;
    EXPECT_FALSE(tdtm.LoadRanges(table));
    EXPECT_FALSE(table.RangesConfigured);
    EXPECT_EQ(log.startingWith("Erro ao Buscar Range de IP: ").size(), 1)
        << log.lines.join('\n').toStdString();
    EXPECT_FALSE(log.contains("Sem Range Configurado."));
    holder.exec("ROLLBACK");
}

TEST_P(TDTMTest, WaitsTheMinutesOfEd7)
{
    struct Case {
        const char* name;
        QVariant ed7; // invalid: no Parametros row
        int minutes;
    };
    const Case cases[] = {
        {"no row", QVariant(QMetaType::fromType<int>()), 1},
        {"null", QVariant(), 1},
        {"zero, no pause", QString("0"), 0},
        {"plain", QString("7"), 7},
        {"blanks around", QString(" 12 "), 12},
        {"letters", QString("abc"), 1},
        {"digits then letters", QString("5m"), 1},
        {"empty", QString(""), 1},
        {"negative", QString("-5"), 0},
        {"longest", QString("71582"), 71582},
        {"huge", QString("999999"), 71582},
        {"beyond 64 bits", QString("99999999999999999999999"), 71582},
    };
    StopSignal stop;
    stop.request(); // the rest returns at once; what is checked is how long it was asked to be
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db().execute("delete from Parametros");
        if (c.ed7.metaType() != QMetaType::fromType<int>())
            db().insertParametros("K1", c.ed7);
        db().insertParametros("K2", QString("33")); // another customer's row
        log.lines.clear();
        TDTM tdtm = module();
        ASSERT_TRUE(tdtm.ConnectDatabase());
        tdtm.WaitBetweenCycles(stop);
        EXPECT_EQ(
            log.lines,
            QStringList({QStringLiteral("Aguardando (%1) minuto(s)  antes de continuar.").arg(c.minutes)}));
    }
}

TEST_P(TDTMTest, WaitEndsTheCycleWhenParametrosCannotBeRead)
{
    db().execute("drop table Parametros");
    TDTM tdtm = module();
    ASSERT_TRUE(tdtm.ConnectDatabase());
    StopSignal stop;
    stop.request();
    EXPECT_THROW(tdtm.WaitBetweenCycles(stop), DatabaseError);
    EXPECT_TRUE(log.lines.isEmpty());
}

TEST_P(TDTMTest, ConnectingTwiceLogsNothingAndAFailureLogsTheDriversText)
{
    TDTM tdtm = module();
    EXPECT_TRUE(tdtm.ConnectDatabase());
    EXPECT_TRUE(tdtm.ConnectDatabase());
    EXPECT_TRUE(tdtm.ConexaoWeb.isOpen());
    EXPECT_TRUE(log.lines.isEmpty());

    DatabaseSettings broken = db().settings();
    if (broken.backend == DatabaseBackend::Sqlite)
        broken.databaseName = db().folder().file("pasta-que-nao-existe/Vorenta.db");
    else
        broken.password = "senha-errada";
    TDTM failing(broken, CollectorIdentity{"K1", "S1", {}, {}}, log);
    RangeTable table;
    table.slot(1).StartIp = "10.0.0.1";
    failing.LoadRanges(table);
    EXPECT_EQ(table.slot(1).StartIp, "10.0.0.1") << "the table keeps what it held";
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].startsWith("Erro de conexão. : "));
    EXPECT_GT(log.lines[0].size(), QString("Erro de conexão. : ").size()) << "with the driver's text";
    EXPECT_FALSE(log.lines[0].contains("senha-errada"));
}

VORENTA_INSTANTIATE_DATABASE_TESTS(TDTMTest);

TEST(TDTMPause, Ed7Texts)
{
    EXPECT_EQ(TDTM::PauseMinutes("+3"), 3);
    EXPECT_EQ(TDTM::PauseMinutes("1.5"), 1);
    EXPECT_EQ(TDTM::PauseMinutes("71583"), TDTM::kMaxPauseMinutes);
}

} // namespace
} // namespace vorenta
