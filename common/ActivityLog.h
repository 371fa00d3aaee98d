#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <functional>
#include <mutex>

namespace vorenta {

/// Where a program's activity lines go. Everything the programs report passes through
/// WriteLog, which never fails towards its caller.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void WriteLog(const QString& message) = 0;
    /// Several messages in order, as one WriteLog each; a sink that can write them at once does.
    virtual void WriteLines(const QStringList& messages)
    {
        for (const QString& message : messages)
            WriteLog(message);
    }
};

/// The activity log file LOG.TXT: one line per message, "dd/mm/yyyy - hh:mm:ss: message",
/// CRLF line ends, UTF-8 (a file that starts with a byte-order mark keeps it).
///
/// The file stays open for appending, and every write holds an exclusive flock on it: the other
/// program writing the same file (the tool, an INSTALL run, a second collector started by hand)
/// waits for our line instead of cutting into it, and a writer killed mid-way releases the lock
/// with its process. Lines go out in one write() call per WriteLines, so a crash costs at most
/// the lines of that call, never half of an earlier one.
///
/// At kMaxLines the file starts afresh: the full file is kept as LOG.TXT.1 (the older ones move
/// to .2 ... .keptFiles, the oldest is dropped) and the new file begins with a line that names
/// the earlier one. The line count is kept as we write; only what another writer appended since
/// our last line is read and counted.
class ActivityLog final : public LogSink {
public:
    static constexpr qint64 kMaxLines = 50000;
    /// Earlier files kept by default (Coletor.ini [Log] Arquivos).
    static constexpr int kDefaultKeptFiles = 9;

    using Clock = std::function<QDateTime()>;

    explicit ActivityLog(QString logFile, Clock clock = &QDateTime::currentDateTime,
                         int keptFiles = kDefaultKeptFiles);
    ~ActivityLog() override;
    ActivityLog(const ActivityLog&) = delete;
    ActivityLog& operator=(const ActivityLog&) = delete;

    const QString& logFile() const { return m_logFile; }

    void WriteLog(const QString& message) override;
    void WriteLines(const QStringList& messages) override;

    /// How many earlier files a restart keeps (0: none, the history is dropped).
    void setKeptFiles(int keptFiles);

    /// "dd/mm/yyyy - hh:mm:ss: " for the given moment.
    static QString linePrefix(const QDateTime& when);

    /// The path of the `number`th earlier file: LOG.TXT.1 is the newest.
    static QString keptFile(const QString& logFile, int number);

private:
    bool openLocked();
    void unlock();
    void closeFile();
    void catchUp();
    qint64 lines() const;
    void restart();
    bool writeAll(int fd, const QByteArray& bytes);
    void writeErrorLine(const QString& what);
    QString prefixNow();

    QString m_logFile;
    Clock m_clock;
    int m_keptFiles;
    std::mutex m_mutex;

    // The open file and what we know of it, valid while m_fd >= 0.
    int m_fd = -1;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    qint64 m_knownSize = -1; ///< the size after our own last write or count; -1 when unknown
    qint64 m_sizeNow = 0;    ///< the size when we took the lock
    qint64 m_breaks = 0;     ///< line breaks in the file (CR, LF or CRLF each one)
    char m_lastByte = '\n';  ///< of the content ('\n' when empty): does the last line lack a break?
    bool m_byteOrderMark = false;

    qint64 m_prefixSecond = 0;
    QString m_prefix;
};

} // namespace vorenta
