#pragma once

#include "common/ActivityLog.h"
#include "common/database/DatabaseConnection.h"
#include "common/database/DatabaseError.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace vorenta {

/// Why the queue's file could not be used.
enum class QueueFault {
    Damaged,      ///< SQLite finds it corrupt or no database, or it fails its check: moved aside
    DiskFull,     ///< no room for the write: the file stays, retried
    NoPermission, ///< this user may not write it (a run as root left it to root): stays, retried
    Busy,         ///< another program holds its lock (someone reading it with sqlite3): stays
    Other,        ///< any other failure of the file: stays, retried
};

/// What a failure of the file is, from SQLite's primary result code and what the file system
/// shows. Only SQLite's own word (corrupt, not a database) makes a file Damaged: a full disk or
/// a file of another user says nothing about the readings inside it.
QueueFault ClassifyQueueFailure(int sqlitePrimaryCode, const QString& file);

/// The local queue's SQLite file, Pendentes.db, on the shared database layer: opened at first
/// use, given its tables when new, checked when opened.
///
/// Every use goes through use(): a failure is logged once per pass and kind, with the file, the
/// cause and what to do, and the file is opened afresh at the next use. Only a file the database
/// itself reports damaged is renamed with the date ("Pendentes.db.corrompido-yyyyMMdd-HHmmss",
/// never deleted: its readings may still be saved by hand) and a new one started.
///
/// Used by the thread that owns the central connection only: one connection of its own, no lock.
class QueueFile {
public:
    using Clock = std::function<QDateTime()>;
    using Work = std::function<void(DatabaseConnection&)>;

    static constexpr const char* kFileName = "Pendentes.db";
    /// The longest another program may hold the file's lock before a use gives up.
    static constexpr int kBusySeconds = 5;

    QueueFile(QString path, LogSink& log, Clock clock = &QDateTime::currentDateTime);
    ~QueueFile();
    QueueFile(const QueueFile&) = delete;
    QueueFile& operator=(const QueueFile&) = delete;

    const QString& path() const { return m_path; }
    /// True when the file is open or exists (a question that needs no file makes none).
    bool present() const;
    bool isOpen() const { return m_connection && m_connection->isOpen(); }

    /// Runs `work` on the open file: true when it ran to its end. A DatabaseError from it (or
    /// from opening the file) is handled here as the class comment says; false then.
    bool use(const Work& work);

    /// The fault of the last use that failed, cleared by a use that worked.
    std::optional<QueueFault> lastFault() const { return m_lastFault; }

    /// A new pass: a fault seen again is logged again, once.
    void newPass() { m_reported.reset(); }

    /// Grows at every opening of the file: what a caller remembers of it holds for one opening
    /// (a file moved aside and started anew holds nothing of the old one).
    quint64 opening() const { return m_opening; }

private:
    void open();
    void close();
    void createTables(DatabaseConnection& connection);
    void check(DatabaseConnection& connection);
    void moveAside(const QString& why);
    void report(QueueFault fault, const QString& text);

    QString m_path;
    LogSink& m_log;
    Clock m_clock;
    std::unique_ptr<DatabaseConnection> m_connection;
    std::optional<QueueFault> m_lastFault;
    std::optional<QueueFault> m_reported;
    quint64 m_opening = 0;
};

} // namespace vorenta
