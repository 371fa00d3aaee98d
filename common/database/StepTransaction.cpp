#include "StepTransaction.h"

#include "common/database/DatabaseError.h"
#include "common/database/Transaction.h"

namespace vorenta {

bool TransactionSteps::step(const std::function<void()>& body)
{
    if (m_abandoned)
        return false;
    QString savepoint;
    if (m_stepByStep) {
        savepoint = QStringLiteral("passo%1").arg(++m_steps);
        m_connection.setSavepoint(savepoint);
    }
    try {
        body();
        return true;
    } catch (const ConnectionError&) {
        throw; // the transaction is gone with the connection
    } catch (const DatabaseError& error) {
        if (m_stepByStep)
            m_connection.rollbackToSavepoint(savepoint);
        else
            m_abandoned = true;
        m_failure = error.text();
        m_failureTransient = error.transient();
        m_failureMissingKey = error.missingUniqueKey();
        return false;
    }
}

/// Builds the steps of each run (their constructor is private to keep them to this one use).
struct StepTransactionRun {
    static TransactionSteps make(DatabaseConnection& connection, bool stepByStep)
    {
        return TransactionSteps(connection, stepByStep);
    }
    static bool abandoned(const TransactionSteps& steps) { return steps.m_abandoned; }
};

StepTransactionResult RunStepTransaction(DatabaseConnection& connection,
                                         const std::function<void(TransactionSteps&)>& writes)
{
    try {
        for (const bool stepByStep : {false, true}) {
            Transaction transaction(connection);
            TransactionSteps steps = StepTransactionRun::make(connection, stepByStep);
            writes(steps);
            if (StepTransactionRun::abandoned(steps))
                continue; // rolled back whole as the transaction goes out of scope
            transaction.commit();
            return {true, {}, false};
        }
    } catch (const ConnectionError&) {
        throw;
    } catch (const DatabaseError& error) {
        return {false, error.text(), error.transient()};
    }
    return {}; // a step-by-step run is never abandoned
}

} // namespace vorenta
