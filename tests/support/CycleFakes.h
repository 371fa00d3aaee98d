#pragma once

#include "collector/database/CycleDatabase.h"
#include "collector/service/walk/AddressWalk.h"
#include "tests/support/CapturingLogSink.h"

#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace vorenta::test {

// Stands in for the database: ranges and connection results chosen by the test; every call is
// also written to the shared log so the tests see the order of events.
class FakeDatabase : public CycleDatabase {
public:
    explicit FakeDatabase(CapturingLogSink& log) : m_log(log) {}
    bool ConnectDatabase() override
    {
        m_log.WriteLog("[connect]");
        return connects;
    }
    bool LoadRanges(RangeTable& table) override
    {
        m_log.WriteLog("[load]");
        if (!loads)
            return false; // the table keeps what it held
        table = ranges;
        return true;
    }
    int WaitBetweenCycles(const StopSignal&) override
    {
        m_log.WriteLog("[rest]");
        if (restThrows) {
            connects = connectsAfterRest;
            throw std::runtime_error("Parametros");
        }
        return restMinutes;
    }

    bool connects = true;
    bool loads = true;
    bool restThrows = false;
    bool connectsAfterRest = true;
    int restMinutes = 0;
    RangeTable ranges;

private:
    CapturingLogSink& m_log;
};

class FakeWalk : public AddressWalk {
public:
    explicit FakeWalk(CapturingLogSink& log) : m_log(log) {}
    void WalkRange(const QString& start, const QString& end) override
    {
        if (NetworkPrefix(start).isEmpty() || end == "falha")
            throw RangeWalkError("range");
        m_log.WriteLog("[walk " + start + "-" + end + "]");
        for (const auto& [printer, outcome] : commits)
            committed(printer, outcome);
    }
    void SetCurrentPrefix(const QString& prefix) override { m_prefix = prefix; }
    const QString& CurrentPrefix() const override { return m_prefix; }
    void CollectRange(int first, int last) override
    {
        m_log.WriteLog(QStringLiteral("[collect %1%2-%3]").arg(m_prefix).arg(first).arg(last));
    }

    /// The addresses every WalkRange commits: a printer or not, and its store's outcome.
    std::vector<std::pair<bool, std::optional<StoreOutcome>>> commits;

private:
    CapturingLogSink& m_log;
    QString m_prefix;
};

} // namespace vorenta::test
