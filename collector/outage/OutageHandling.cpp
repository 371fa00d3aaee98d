#include "OutageHandling.h"

namespace vorenta {

namespace {

PendingQueueBounds boundsWithNotices(const QString& programFolder, LogSink& log)
{
    QStringList notices;
    const PendingQueueBounds bounds = LoadPendingQueueBounds(programFolder, notices);
    for (const QString& notice : notices)
        log.WriteLog(notice);
    return bounds;
}

} // namespace

OutageHandling::OutageHandling(const QString& programFolder, TDTM& server, DatabaseReadingStore& store,
                               const CollectorSettings& settings, LogSink& log, const StopSignal& stop)
    : m_file(programFolder + QString::fromLatin1(QueueFile::kFileName), log),
      m_queue(m_file, boundsWithNotices(programFolder, log), log), m_kept(m_file),
      m_store(store, m_queue, server.identity(), settings, log), m_replay(server, m_store, m_queue, log),
      m_database(server, m_kept,
                 {[this, &stop] { m_replay.ReplayPending(stop); },
                  [this] {
                      m_queue.reportPass();
                      m_store.newPass();
                  }},
                 server.identity(), log)
{
}

} // namespace vorenta
