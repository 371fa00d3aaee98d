#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <mutex>

namespace vorenta {

/// Where a program's activity lines go. Everything the programs report passes through
/// WriteLog, which never fails towards its caller.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void WriteLog(const QString& message) = 0;
};

/// The activity log file LOG.TXT: one line per message, "dd/mm/yyyy - hh:mm:ss: message",
/// CRLF line ends, UTF-8 (a file that starts with a byte-order mark keeps it).
///
/// Each line is appended (open, append, close) rather than the file rewritten: a crash mid-write
/// then costs at most the new line, and the other program writing the same file loses nothing.
/// The file's line count is kept so that the 50000-line restart happens at the same point as it
/// would if the whole file were reloaded; when another writer has touched the file since our last
/// line, the count is taken again from the file.
class ActivityLog final : public LogSink {
public:
    static constexpr qint64 kMaxLines = 50000;

    using Clock = std::function<QDateTime()>;

    explicit ActivityLog(QString logFile, Clock clock = &QDateTime::currentDateTime);

    const QString& logFile() const { return m_logFile; }

    void WriteLog(const QString& message) override;

    /// "dd/mm/yyyy - hh:mm:ss: " for the given moment.
    static QString linePrefix(const QDateTime& when);

private:
    struct FileState {
        qint64 lines = 0;
        bool endsWithBreak = true;
    };
    FileState currentState();
    void append(const QByteArray& bytes, bool truncate, qint64 linesAdded);

    QString m_logFile;
    Clock m_clock;
    std::mutex m_mutex;
    // What we know of the file after our own last write; -1 when unknown.
    qint64 m_knownSize = -1;
    FileState m_knownState;
};

} // namespace vorenta
