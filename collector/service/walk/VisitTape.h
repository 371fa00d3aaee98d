#pragma once

#include "collector/probing/SnmpProfiles.h"
#include "collector/probing/SnmpSource.h"
#include "collector/snmp/ProfileGet.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vorenta {

/// One step of a visit: the GETs it sends at once, as a plain source takes them (OIDs with a
/// community) or as SNMP profiles do (credentials and OID per GET).
struct StepRequest {
    bool profiled = false;
    QStringList oids;
    QString community;
    QString host;
    std::vector<snmp::ProfileRequest> requests;
};

/// What a step's GETs answered, in the request's order: `answers` for a plain step, `results`
/// for a profiled one.
struct StepAnswers {
    QList<SnmpAnswer> answers;
    std::vector<snmp::GetResult> results;
    std::exception_ptr error; ///< what asking threw (a test's source), thrown again at the visit
};

/// Sends `request` through `network` or `profiles` and waits for the answers.
StepAnswers AskNow(const StepRequest& request, SnmpSource& network, SnmpProfiles* profiles);

/// Hands `request` over and returns: `done` gets the answers later. Through the run's engine
/// when the source or the profiles can; a source that cannot is asked on `onThread`'s thread.
void AskLater(StepRequest request, SnmpSource& network, SnmpProfiles* profiles,
              const std::function<void(std::function<void()>)>& onThread,
              std::function<void(StepAnswers)> done);

/// Thrown through a visit's code when it asks a step the tape does not hold yet. Not a
/// std::exception, so the readers' guards let it through to the walk.
struct VisitSuspended {};

/// Thrown when the first step a visit asks is not the one the walk foresaw and asked for it: the
/// visit is to start afresh, on an empty tape.
struct VisitForeseenWrongly {};

/// What one address's GETs were answered so far, step by step in the order they were asked.
///
/// A visit is its code run against the answers it gets: run again from the start with the same
/// answers it asks the same steps and makes the same lines and reading. So a visit can wait for
/// the network without a thread: it runs until it asks a step the tape does not hold, is dropped
/// there (VisitSuspended), and runs again from the start once the answers are on the tape. Steps
/// are told apart by a digest of what they ask; a run that asks otherwise than the run before is
/// a fault of the walk's and fails the address.
///
/// A step every GET of which ran out its wait keeps only its size, so that a silent address in
/// flight costs a few dozen bytes of answers.
class VisitTape {
public:
    std::size_t size() const { return m_steps.size(); }

    /// The answers step `index` was given, when it asked `request` again.
    StepAnswers replay(std::size_t index, const StepRequest& request) const;

    /// The step a run is waiting for: set when it suspends, taken when it is asked. `foreseen`: set
    /// by the walk before any run, as the first step every address of the pass asks; a run that
    /// asks otherwise at step 0 throws VisitForeseenWrongly.
    void suspendAt(StepRequest request, bool foreseen = false);
    const StepRequest* pending() const { return m_pending.get(); }
    StepRequest takePending();
    /// Puts the answers of the pending step on the tape.
    void record(StepAnswers answers);
    /// Puts a step asked and answered at once on the tape.
    void record(const StepRequest& request, StepAnswers answers);

    /// True when the first step was refused by every GET: nothing listens at the address, and
    /// every later GET would be refused the same way at once.
    bool refused() const;
    /// True when something came back at all (an answer, an error, a bad datagram): the device is
    /// there, and its visit goes on on a thread that waits for each answer.
    bool spoke() const { return m_spoke; }

private:
    struct Step {
        std::uint64_t digest = 0;
        int silent = -1; ///< the size of a step that only ran out its wait; -1: answers kept
        StepAnswers answers;
    };

    std::vector<Step> m_steps;
    std::unique_ptr<StepRequest> m_pending; ///< only while a run waits: most places have none
    std::uint64_t m_pendingDigest = 0;
    bool m_refused = false;
    bool m_spoke = false;
    bool m_foreseen = false;
};

/// The source one run of a visit asks through, over its tape: a step the tape holds is answered
/// from it, and after a refusal every new step is refused at once. A new step suspends the run
/// (`waits` false: the walk asks it and runs the visit again), or is asked and awaited here
/// (`waits` true: a run on a thread of its own, for a device that answers).
class TapeSource final : public SnmpSource, public ProfileGets {
public:
    TapeSource(VisitTape& tape, SnmpSource& network, SnmpProfiles* profiles, bool waits)
        : m_tape(tape), m_network(network), m_profiles(profiles), m_waits(waits)
    {
    }

    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override;
    QList<SnmpAnswer> SnmpGetMany(const QStringList& oids, const QString& community,
                                  const QString& host) override;
    std::vector<snmp::GetResult> get(const std::vector<snmp::ProfileRequest>& requests,
                                     const QString& host) override;

private:
    StepAnswers step(StepRequest request);

    VisitTape& m_tape;
    SnmpSource& m_network;
    SnmpProfiles* m_profiles;
    const bool m_waits;
    std::size_t m_next = 0;
};

} // namespace vorenta
