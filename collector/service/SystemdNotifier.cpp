#include "SystemdNotifier.h"

#include <systemd/sd-daemon.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace vorenta {

SystemdNotifier::SystemdNotifier()
{
    std::uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0)
        m_interval = std::chrono::microseconds(usec);
}

void SystemdNotifier::ready()
{
    sd_notify(0, "READY=1");
    alive();
}

void SystemdNotifier::status(const QString& line)
{
    // One line: a device text cannot end the message early or add a variable of its own.
    QString text = line;
    text.replace(u'\n', u' ').replace(u'\r', u' ');
    sd_notify(0, ("STATUS=" + text.toUtf8()).constData());
}

void SystemdNotifier::stopping()
{
    sd_notify(0, "STOPPING=1");
}

void SystemdNotifier::alive()
{
    if (m_interval.count() == 0)
        return;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const auto quarter =
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(m_interval / 4).count();
    auto last = m_lastFeed.load();
    if (last != 0 && now - last < quarter)
        return;
    if (!m_lastFeed.compare_exchange_strong(last, now))
        return; // another thread feeds it just now
    sd_notify(0, "WATCHDOG=1");
}

bool StandardErrorIsJournal()
{
    const char* stream = std::getenv("JOURNAL_STREAM");
    if (stream == nullptr)
        return false;
    std::uintmax_t device = 0;
    std::uintmax_t inode = 0;
    if (std::sscanf(stream, "%" SCNuMAX ":%" SCNuMAX, &device, &inode) != 2)
        return false;
    struct stat error {};
    if (::fstat(STDERR_FILENO, &error) != 0)
        return false;
    return static_cast<std::uintmax_t>(error.st_dev) == device &&
           static_cast<std::uintmax_t>(error.st_ino) == inode;
}

namespace {

// "<6>" is the journal's informational level; it also keeps a message that begins with "<" from
// being read as a level of its own.
QByteArray journalLines(const QString& message)
{
    QString text = message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QByteArray bytes;
    for (const QString& line : text.split(u'\n'))
        bytes += "<6>" + line.toUtf8() + '\n';
    return bytes;
}

void writeStandardError(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(STDERR_FILENO, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n <= 0)
            return; // the journal is gone: LOG.TXT still has the line
        done += n;
    }
}

} // namespace

void JournalCopy::WriteLog(const QString& message)
{
    m_log.WriteLog(message);
    writeStandardError(journalLines(message));
}

void JournalCopy::WriteLines(const QStringList& messages)
{
    m_log.WriteLines(messages);
    QByteArray bytes;
    for (const QString& message : messages)
        bytes += journalLines(message);
    writeStandardError(bytes);
}

} // namespace vorenta
