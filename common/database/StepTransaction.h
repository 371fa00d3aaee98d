#pragma once

#include "common/database/DatabaseConnection.h"

#include <QString>

#include <functional>

namespace vorenta {

/// The steps of one transaction's writes, each a part that the caller's rules let fail alone.
/// A transaction runs them straight first: the usual case, where nothing fails. When a step
/// fails there, the steps after it do not run, the transaction is rolled back whole, and the
/// writes run again step by step, each step in a savepoint of its own, so that a failing step is
/// rolled back to it, alone, and the writes go on as the caller's guard of that step says.
class TransactionSteps {
public:
    /// Runs `body` as one step: true when it ran to its end. False when it failed (what it did is
    /// undone, and failure() tells why), and, in a straight run that a step already failed,
    /// without running it.
    bool step(const std::function<void()>& body);

    /// The last failed step's text, and whether it failed for a reason that may pass
    /// (DatabaseError::transient) or found no unique key to write on (missingUniqueKey).
    const QString& failure() const { return m_failure; }
    bool failureTransient() const { return m_failureTransient; }
    bool failureMissingKey() const { return m_failureMissingKey; }

private:
    friend struct StepTransactionRun;
    TransactionSteps(DatabaseConnection& connection, bool stepByStep)
        : m_connection(connection), m_stepByStep(stepByStep)
    {
    }

    DatabaseConnection& m_connection;
    bool m_stepByStep;
    bool m_abandoned = false; ///< a straight run in which a step failed
    int m_steps = 0;
    QString m_failure;
    bool m_failureTransient = false;
    bool m_failureMissingKey = false;
};

/// How a step transaction ended.
struct StepTransactionResult {
    /// False when the transaction could not be begun or committed (or a savepoint could not be
    /// set): nothing of it is stored.
    bool committed = false;
    QString failure;        ///< the driver's text, when not committed
    bool transient = false; ///< not committed for a reason that may pass
};

/// Runs `writes` in one transaction on `connection`, straight and, when a step failed, again
/// step by step (TransactionSteps), and commits it. `writes` may thus run twice: it keeps what it
/// learns in state it starts afresh at each run. A broken connection is no step failure: its
/// ConnectionError leaves as thrown, the transaction rolled back with it.
StepTransactionResult RunStepTransaction(DatabaseConnection& connection,
                                         const std::function<void(TransactionSteps&)>& writes);

} // namespace vorenta
