#include "ActivityLog.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <stdexcept>

namespace vorenta {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// Splits a message the way a line list would: CRLF, CR and LF each end a line.
QStringList messageLines(const QString& message)
{
    QString text = message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text.split(u'\n');
}

QByteArray crlfJoined(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

bool isBreak(char c)
{
    return c == '\r' || c == '\n';
}

std::runtime_error systemError()
{
    return std::runtime_error(std::strerror(errno));
}

void lockExclusive(int fd)
{
    // A file system without locks (some network shares) still gets the line, unguarded.
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

} // namespace

ActivityLog::ActivityLog(QString logFile, Clock clock, int keptFiles)
    : m_logFile(std::move(logFile)), m_clock(std::move(clock)), m_keptFiles(keptFiles < 0 ? 0 : keptFiles)
{
}

ActivityLog::~ActivityLog()
{
    closeFile();
}

void ActivityLog::setKeptFiles(int keptFiles)
{
    std::lock_guard lock(m_mutex);
    m_keptFiles = keptFiles < 0 ? 0 : keptFiles;
}

QString ActivityLog::linePrefix(const QDateTime& when)
{
    return when.toString(QStringLiteral("dd/MM/yyyy")) + QStringLiteral(" - ") +
           when.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(": ");
}

QString ActivityLog::keptFile(const QString& logFile, int number)
{
    return logFile + u'.' + QString::number(number);
}

void ActivityLog::closeFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_knownSize = -1;
}

void ActivityLog::unlock()
{
    if (m_fd >= 0)
        ::flock(m_fd, LOCK_UN);
}

// Opens the file when it is not open, and locks it. Another writer may have started a new file
// (renamed ours to LOG.TXT.1) or an administrator removed it while we waited: the lock is only
// good on the file the name holds now. False when the file cannot be opened for appending.
bool ActivityLog::openLocked()
{
    const QByteArray path = QFile::encodeName(m_logFile);
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (m_fd < 0) {
            m_fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
            if (m_fd < 0)
                return false;
            m_knownSize = -1;
        }
        lockExclusive(m_fd);
        struct stat held {};
        struct stat named {};
        if (::fstat(m_fd, &held) != 0) {
            closeFile();
            return false;
        }
        if (::stat(path.constData(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino) {
            if (held.st_dev != m_device || held.st_ino != m_inode) {
                m_device = held.st_dev;
                m_inode = held.st_ino;
                m_knownSize = -1;
            }
            m_sizeNow = held.st_size;
            return true;
        }
        closeFile(); // the lock of a file that is no longer LOG.TXT guards nothing
    }
    return false;
}

// Counts, as a line list would load them, the lines another writer appended since our last
// write (all of them in a file we have not counted): every CR, LF or CRLF ends a line, and a
// last line without a break still counts.
void ActivityLog::catchUp()
{
    const qint64 size = m_sizeNow;
    if (size == m_knownSize)
        return;
    qint64 offset = m_knownSize;
    if (offset < 0 || size < offset) {
        offset = 0;
        m_breaks = 0;
        m_lastByte = '\n';
        m_byteOrderMark = false;
    }
    const int reader = ::open(QFile::encodeName(m_logFile).constData(), O_RDONLY | O_CLOEXEC);
    if (reader < 0)
        throw systemError();
    char buffer[65536];
    bool first = offset == 0;
    for (;;) {
        const ssize_t n = ::pread(reader, buffer, sizeof buffer, offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const std::runtime_error error = systemError();
            ::close(reader);
            throw error;
        }
        if (n == 0)
            break;
        ssize_t i = 0;
        // A byte-order mark is no text: a file holding only one has no line yet.
        if (first && n >= 3 && std::memcmp(buffer, kByteOrderMark, 3) == 0) {
            m_byteOrderMark = true;
            i = 3;
        }
        first = false;
        for (; i < n; ++i) {
            const char c = buffer[i];
            if (!(c == '\n' && m_lastByte == '\r') && isBreak(c))
                ++m_breaks;
            m_lastByte = c;
        }
        offset += n;
    }
    ::close(reader);
    m_knownSize = offset;
}

qint64 ActivityLog::lines() const
{
    return m_breaks + (isBreak(m_lastByte) ? 0 : 1);
}

bool ActivityLog::writeAll(int fd, const QByteArray& bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_knownSize = -1; // what reached the file is counted again next time
            return false;
        }
        done += n;
    }
    if (fd == m_fd && m_knownSize >= 0)
        m_knownSize += done;
    return true;
}

// The file reached kMaxLines: it becomes LOG.TXT.1, the older ones move up one number and the
// last falls off. The new file is made complete (its first line) under another name and then
// renamed over LOG.TXT, with the full one linked to LOG.TXT.1 before: the name LOG.TXT never
// goes missing, so no other writer can create a file of its own in between.
void ActivityLog::restart()
{
    const QString firstKept = QFileInfo(keptFile(m_logFile, 1)).fileName();
    const QString reason =
        m_keptFiles > 0
            ? QStringLiteral("Continuação de %1, que atingiu %2 linhas.").arg(firstKept).arg(kMaxLines)
            : QStringLiteral("Registro recomeçado ao atingir %1 linhas; as anteriores foram "
                             "descartadas (Arquivos=0 em Coletor.ini [Log]).")
                  .arg(kMaxLines);
    QByteArray head = m_byteOrderMark ? QByteArray(kByteOrderMark) : QByteArray();
    head += crlfJoined({prefixNow() + reason});

    const QByteArray path = QFile::encodeName(m_logFile);
    const QByteArray fresh = QFile::encodeName(m_logFile + QStringLiteral(".novo"));
    const int next = ::open(fresh.constData(), O_WRONLY | O_APPEND | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (next >= 0) {
        lockExclusive(next);
        struct stat made {};
        bool ready = writeAll(next, head) && ::fstat(next, &made) == 0;
        if (ready) {
            for (int number = m_keptFiles - 1; number >= 1; --number)
                ::rename(QFile::encodeName(keptFile(m_logFile, number)).constData(),
                         QFile::encodeName(keptFile(m_logFile, number + 1)).constData());
            if (m_keptFiles > 0) {
                const QByteArray kept = QFile::encodeName(keptFile(m_logFile, 1));
                ::unlink(kept.constData());
                if (::link(path.constData(), kept.constData()) != 0)
                    ::rename(path.constData(),
                             kept.constData()); // no hard links here: a moment without LOG.TXT
            }
            ready = ::rename(fresh.constData(), path.constData()) == 0;
        }
        if (ready) {
            unlock();
            ::close(m_fd);
            m_fd = next;
            m_device = made.st_dev;
            m_inode = made.st_ino;
            m_knownSize = head.size();
            m_breaks = 1;
            m_lastByte = '\n';
            return;
        }
        ::close(next);
        ::unlink(fresh.constData());
    }
    // No new file can be made beside it (a folder we may not create files in): start afresh in
    // place, which at least keeps the log writable.
    if (::ftruncate(m_fd, 0) != 0)
        throw systemError();
    m_knownSize = 0;
    m_breaks = 0;
    m_lastByte = '\n';
    if (m_byteOrderMark)
        writeAll(m_fd, QByteArray(kByteOrderMark));
}

// The lines could not be counted or formatted: the failure is recorded in place of the
// messages, appended, so that nothing already in the file is lost.
void ActivityLog::writeErrorLine(const QString& what)
{
    const QByteArray line =
        crlfJoined({linePrefix(QDateTime::currentDateTime()) + QStringLiteral("Erro") + what});
    writeAll(m_fd, line);
    m_knownSize = -1;
}

// Formatting the date and time is most of a line's cost; lines come many to the second.
QString ActivityLog::prefixNow()
{
    const QDateTime now = m_clock();
    const qint64 second = now.toSecsSinceEpoch();
    if (second != m_prefixSecond || m_prefix.isEmpty()) {
        m_prefix = linePrefix(now);
        m_prefixSecond = second;
    }
    return m_prefix;
}

void ActivityLog::WriteLog(const QString& message)
{
    WriteLines({message});
}

void ActivityLog::WriteLines(const QStringList& messages)
{
    try {
        std::lock_guard lock(m_mutex);
        if (!openLocked())
            return; // the lines are lost; the caller goes on
        struct Unlock {
            ActivityLog& log;
            ~Unlock() { log.unlock(); }
        } unlockAtEnd{*this};
        QList<QStringList> formatted;
        try {
            catchUp();
            for (const QString& message : messages)
                formatted.append(messageLines(prefixNow() + message));
        } catch (const std::exception& error) {
            writeErrorLine(QString::fromLocal8Bit(error.what()));
            return;
        }
        QByteArray pending;
        for (const QStringList& lines : formatted) {
            if (this->lines() >= kMaxLines) {
                if (!pending.isEmpty() && !writeAll(m_fd, std::exchange(pending, {})))
                    return;
                restart();
            }
            if (!isBreak(m_lastByte)) {
                pending += "\r\n"; // the last line written by someone else had no break
                ++m_breaks;
            }
            pending += crlfJoined(lines);
            m_breaks += lines.size();
            m_lastByte = '\n';
        }
        writeAll(m_fd, pending);
    } catch (...) {
        // Never towards the caller.
    }
}

} // namespace vorenta
