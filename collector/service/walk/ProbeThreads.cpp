#include "ProbeThreads.h"

namespace vorenta {

ProbeThreads::ProbeThreads(int maxThreads, std::size_t stackSize)
    : m_maxThreads(maxThreads < 1 ? 1 : maxThreads), m_stackSize(stackSize)
{
}

ProbeThreads::~ProbeThreads()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_posted.notify_all();
    for (pthread_t thread : m_threads)
        pthread_join(thread, nullptr);
}

int ProbeThreads::threadCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_threads.size());
}

int ProbeThreads::startError() const
{
    std::lock_guard lock(m_mutex);
    return m_startError;
}

bool ProbeThreads::startThread()
{
    pthread_attr_t attributes;
    if (const int error = pthread_attr_init(&attributes); error != 0) {
        m_startError = error;
        return false;
    }
    pthread_attr_setstacksize(&attributes, m_stackSize);
    pthread_t thread;
    const int error = pthread_create(&thread, &attributes, &ProbeThreads::threadMain, this);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        m_startError = error;
        return false;
    }
    m_threads.push_back(thread);
    return true;
}

void ProbeThreads::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        // Jobs already waiting take the idle threads first.
        const bool startOne =
            static_cast<int>(m_jobs.size()) >= m_idle && static_cast<int>(m_threads.size()) < m_maxThreads;
        // Out of threads (the system's limit): the pool works on with those it has.
        if (!startOne || startThread() || !m_threads.empty()) {
            m_jobs.push_back(std::move(job));
            job = nullptr;
        }
    }
    if (job) {
        job(); // not one thread: the caller probes itself, one address at a time
        return;
    }
    m_posted.notify_one();
}

void* ProbeThreads::threadMain(void* pool)
{
    static_cast<ProbeThreads*>(pool)->serve();
    return nullptr;
}

void ProbeThreads::serve()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_posted.wait(lock, [this] { return m_closing || !m_jobs.empty(); });
        --m_idle;
        if (m_jobs.empty())
            return; // closing, and nothing left to do
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        try {
            job();
        } catch (...) {
            // A job reports its own failures; one that escapes must not end the process.
        }
        lock.lock();
    }
}

} // namespace vorenta
