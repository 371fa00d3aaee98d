#include "ActivityLog.h"

#include <QFile>
#include <QFileInfo>

#include <exception>

namespace vorenta {

namespace {

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

} // namespace

ActivityLog::ActivityLog(QString logFile, Clock clock)
    : m_logFile(std::move(logFile)), m_clock(std::move(clock))
{
}

QString ActivityLog::linePrefix(const QDateTime& when)
{
    return when.toString(QStringLiteral("dd/MM/yyyy")) + QStringLiteral(" - ") +
           when.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(": ");
}

// Counts the file's lines as a line list would load them: every CR, LF or CRLF ends a line,
// and a last line without a break still counts.
ActivityLog::FileState ActivityLog::currentState()
{
    QFileInfo info(m_logFile);
    if (!info.exists()) {
        m_knownSize = 0;
        m_knownState = {};
        return m_knownState;
    }
    if (info.size() == m_knownSize)
        return m_knownState;

    QFile file(m_logFile);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(file.errorString().toStdString());
    FileState state;
    char previous = '\n';
    bool any = false;
    char buffer[65536];
    for (;;) {
        const qint64 n = file.read(buffer, sizeof buffer);
        if (n < 0)
            throw std::runtime_error(file.errorString().toStdString());
        if (n == 0)
            break;
        for (qint64 i = 0; i < n; ++i) {
            const char c = buffer[i];
            if (c == '\n' && previous == '\r') {
                previous = c;
                continue;
            }
            if (c == '\r' || c == '\n')
                ++state.lines;
            previous = c;
            any = true;
        }
    }
    state.endsWithBreak = !any || previous == '\r' || previous == '\n';
    if (!state.endsWithBreak)
        ++state.lines;
    // A file holding only a byte-order mark loads as no lines.
    if (state.lines == 1 && !state.endsWithBreak && info.size() == 3) {
        file.seek(0);
        if (file.read(3) == "\xEF\xBB\xBF") {
            state.lines = 0;
            state.endsWithBreak = true;
        }
    }
    m_knownSize = info.size();
    m_knownState = state;
    return state;
}

void ActivityLog::append(const QByteArray& bytes, bool truncate, qint64 linesAdded)
{
    QFile file(m_logFile);
    const QIODevice::OpenMode mode =
        truncate ? (QIODevice::WriteOnly | QIODevice::Truncate) : (QIODevice::WriteOnly | QIODevice::Append);
    if (!file.open(mode)) {
        m_knownSize = -1;
        return; // the line is lost; the caller goes on
    }
    // One write call per line, so lines of two processes appending at once do not interleave.
    const bool complete = file.write(bytes) == bytes.size();
    const bool flushed = file.flush();
    file.close();
    if (!complete || !flushed) {
        m_knownSize = -1;
        return;
    }
    m_knownState.lines = (truncate ? 0 : m_knownState.lines) + linesAdded;
    m_knownState.endsWithBreak = true;
    m_knownSize = QFileInfo(m_logFile).size();
}

void ActivityLog::WriteLog(const QString& message)
{
    try {
        std::lock_guard lock(m_mutex);
        QByteArray bytes;
        qint64 linesAdded = 0;
        bool restart = false;
        try {
            const FileState state = currentState();
            restart = state.lines >= kMaxLines;
            const QStringList lines = messageLines(linePrefix(m_clock()) + message);
            bytes = crlfJoined(lines);
            linesAdded = lines.size();
            if (!restart && !state.endsWithBreak)
                bytes.prepend("\r\n"); // the last line written by someone else had no break
        } catch (const std::exception& error) {
            // The file could not be read or the line not formatted: record the failure in place
            // of the message, appended so that nothing already in the file is lost.
            m_knownSize = -1;
            const QString line = linePrefix(QDateTime::currentDateTime()) + QStringLiteral("Erro") +
                                 QString::fromLocal8Bit(error.what());
            QFile file(m_logFile);
            if (file.open(QIODevice::WriteOnly | QIODevice::Append))
                file.write(line.toUtf8() + "\r\n");
            return;
        }
        if (restart) {
            // Start afresh; a file that began with a byte-order mark keeps it.
            QFile file(m_logFile);
            if (file.open(QIODevice::ReadOnly) && file.read(3) == "\xEF\xBB\xBF")
                bytes.prepend("\xEF\xBB\xBF");
        }
        append(bytes, restart, linesAdded);
    } catch (...) {
        // Never towards the caller.
    }
}

} // namespace vorenta
