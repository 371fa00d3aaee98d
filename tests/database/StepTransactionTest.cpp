// The step transaction: steps that fail alone, a straight run that is redone step by step, and
// a transaction that cannot commit told as a result, on real SQLite and PostgreSQL.
#include "common/database/SqlQuery.h"
#include "common/database/StepTransaction.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/Peers.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace vorenta {
namespace {

/// A step that writes `value` into table Passo.
void WriteValue(DatabaseConnection& connection, int value)
{
    SqlQuery insert(connection);
    insert.addLine("insert into Passo (valor) values (:xValor)");
    insert.bindInteger("xValor", value);
    insert.execute();
}

class StepTransaction : public test::DatabaseTest {
protected:
    void writeValue(int value) { WriteValue(db().connection(), value); }
    QStringList stored()
    {
        SqlQuery select(db().connection());
        select.addLine("select valor from Passo order by valor");
        select.open();
        QStringList values;
        for (; !select.atEnd(); select.next())
            values << select.text("valor");
        return values;
    }
};

// The table of cases: which steps fail (a duplicate of a value already there), what the caller's
// guard does then, what is stored and how many runs it took.
TEST_P(StepTransaction, AFailingStepIsUndoneAloneAndTheOthersCommit)
{
    db().execute("create table Passo (valor integer not null unique)");
    db().execute("insert into Passo (valor) values (2)");
    struct Case {
        const char* name;
        QList<int> values;   // one step each
        bool stopAtFailure;  // the guard ends the writes at a failed step
        const char* stored;  // afterwards, with the 2 already there
        int runs;
        QList<bool> results; // of the last run's steps
    };
    const Case cases[] = {
        {"nothing fails: one straight run", {10, 11}, false, "2,10,11", 1, {true, true}},
        {"the middle step fails, the guard goes on", {20, 2, 21}, false, "2,20,21", 2, {true, false, true}},
        {"the middle step fails, the guard stops", {30, 2, 31}, true, "2,30", 2, {true, false}},
        {"every step fails", {2, 2}, false, "2", 2, {false, false}},
    };
    QString before = "2";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int runs = 0;
        QList<bool> results;
        const StepTransactionResult result = RunStepTransaction(db().connection(), [&](TransactionSteps& steps) {
            ++runs;
            results.clear();
            for (const int value : c.values) {
                results << steps.step([&] { writeValue(value); });
                if (!results.back() && c.stopAtFailure)
                    return;
            }
        });
        EXPECT_TRUE(result.committed) << result.failure.toStdString();
        EXPECT_EQ(runs, c.runs);
        EXPECT_EQ(results, c.results);
        QStringList expected = QString(c.stored).split(',');
        for (const QString& value : before.split(','))
            if (!expected.contains(value))
                expected << value;
        std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
        EXPECT_EQ(stored(), expected);
        before = stored().join(',');
    }
}

// A failed step says why, and whether its reason may pass; the next step's success keeps it.
TEST_P(StepTransaction, AFailedStepTellsItsReason)
{
    db().execute("create table Passo (valor integer not null unique)");
    db().execute("insert into Passo (valor) values (1)");
    QString failure;
    const StepTransactionResult result = RunStepTransaction(db().connection(), [&](TransactionSteps& steps) {
        EXPECT_FALSE(steps.step([&] { writeValue(1); }));
        failure = steps.failure();
        EXPECT_FALSE(steps.failureTransient()) << "a duplicate is a judgement, not a passing condition";
    });
    EXPECT_TRUE(result.committed);
    EXPECT_FALSE(failure.isEmpty());
}

VORENTA_INSTANTIATE_DATABASE_TESTS(StepTransaction);

// A transaction the server refuses at its commit stores nothing and says so in its result,
// without throwing: PostgreSQL checks a deferred unique key only then (SQLite has none).
TEST(StepTransactionOnPostgres, ACommitTheServerRefusesIsAResultNotAThrow)
{
    if (!test::PostgresConfigured())
        VORENTA_PEER_MISSING("PostgreSQL (VORENTA_TEST_PG*)");
    test::TestDatabase db(test::TestBackend::PostgreSql);
    db.execute("create table Passo (valor integer not null, constraint passo_unico unique (valor) "
               "deferrable initially deferred)");
    db.execute("insert into Passo (valor) values (5)");
    StepTransactionResult result;
    EXPECT_NO_THROW(result = RunStepTransaction(db.connection(), [&](TransactionSteps& steps) {
                        EXPECT_TRUE(steps.step([&] { WriteValue(db.connection(), 6); }));
                        EXPECT_TRUE(steps.step([&] { WriteValue(db.connection(), 5); })); // accepted until the commit
                    }));
    EXPECT_FALSE(result.committed);
    EXPECT_TRUE(result.failure.contains("passo_unico")) << result.failure.toStdString();
    EXPECT_EQ(db.count("Passo"), 1);
}

} // namespace
} // namespace vorenta
