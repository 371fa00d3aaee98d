#include "OwnerCalls.h"

namespace vorenta {

void OwnerCalls::call(LogSink& lines, const std::function<void()>& work)
{
    if (std::this_thread::get_id() == m_owner) {
        const ScopedLogRoute toAddress(m_log, &lines);
        work();
        return;
    }
    Call call{&lines, &work, false, nullptr};
    {
        std::unique_lock lock(m_mutex);
        if (m_refusing)
            throw PassEnding();
        m_calls.push_back(&call);
    }
    m_wake();
    std::unique_lock lock(m_mutex);
    m_answered.wait(lock, [&] { return call.done; });
    if (call.error)
        std::rethrow_exception(call.error);
}

void OwnerCalls::serve()
{
    for (;;) {
        Call* call = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (m_calls.empty())
                return;
            call = m_calls.front();
            m_calls.pop_front();
        }
        std::exception_ptr error;
        {
            const ScopedLogRoute toAddress(m_log, call->lines);
            try {
                (*call->work)();
            } catch (...) {
                error = std::current_exception();
            }
        }
        {
            std::lock_guard lock(m_mutex);
            call->error = error;
            call->done = true;
        }
        m_answered.notify_all();
    }
}

bool OwnerCalls::waiting() const
{
    std::lock_guard lock(m_mutex);
    return !m_calls.empty();
}

void OwnerCalls::refuse()
{
    {
        std::lock_guard lock(m_mutex);
        m_refusing = true;
        for (Call* call : m_calls) {
            call->error = std::make_exception_ptr(PassEnding());
            call->done = true;
        }
        m_calls.clear();
    }
    m_answered.notify_all();
}

void OwnerCalls::reopen()
{
    std::lock_guard lock(m_mutex);
    m_refusing = false;
}

} // namespace vorenta
