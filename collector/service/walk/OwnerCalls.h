#pragma once

#include "collector/service/walk/WalkOrderLog.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace vorenta {

/// A call the owner did not make: the pass is ending.
class PassEnding : public std::runtime_error {
public:
    PassEnding() : std::runtime_error("coleta interrompida") {}
};

/// The owner's mailbox: work a probing thread needs done on the database connection, which only
/// the thread that runs the cycle (the owner) touches. The probing thread queues the work and
/// waits; the owner runs it between commits, with what it logs going to the address's lines.
class OwnerCalls {
public:
    /// `log`: the owner's; `wake`: called once a call is queued, for the owner to look.
    OwnerCalls(WalkOrderLog& log, std::function<void()> wake) : m_log(log), m_wake(std::move(wake)) {}

    /// The thread the calls are made on: a call from it runs at once (when not one probing
    /// thread could be started, the owner probes itself, and waiting for itself would never end).
    void setOwner(std::thread::id owner) { m_owner = owner; }

    /// From any thread: has the owner run `work`, with what it logs going to `lines`, and waits.
    /// Rethrows what `work` threw; throws PassEnding when the calls are refused first.
    void call(LogSink& lines, const std::function<void()>& work);

    /// On the owner: runs every call that waits.
    void serve();
    /// True when a call waits for the owner.
    bool waiting() const;

    /// Refuses every call that waits and every later one, until reopen.
    void refuse();
    void reopen();

private:
    struct Call {
        LogSink* lines;
        const std::function<void()>* work;
        bool done = false;
        std::exception_ptr error;
    };

    WalkOrderLog& m_log;
    const std::function<void()> m_wake;
    std::thread::id m_owner;
    mutable std::mutex m_mutex;
    std::condition_variable m_answered;
    std::deque<Call*> m_calls;
    bool m_refusing = false;
};

} // namespace vorenta
