#include "CollectorProcess.h"

#include <sched.h>
#include <sys/mount.h>

#include <QDir>
#include <QFile>
#include <QThread>

#include <sys/stat.h>

#include <csignal>
#include <grp.h>
#include <unistd.h>

namespace vorenta::test {

namespace {

// "dd/mm/yyyy - hh:mm:ss: ", the date every LOG.TXT line starts with.
constexpr qsizetype kDateLength = 23;

} // namespace

CollectorProcess::CollectorProcess(QString programFolder) : m_folder(std::move(programFolder)) {}

CollectorProcess::~CollectorProcess()
{
    if (running()) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

QString CollectorProcess::program()
{
    return QStringLiteral(VORENTA_BINARY_DIR "/collector/VorentaServer");
}

void CollectorProcess::setEnvironment(const QString& name, const QString& value)
{
    m_environment.insert(name, value);
}

bool CollectorProcess::start(const QStringList& arguments)
{
    QStringList all;
    if (!m_folder.isEmpty())
        all << QStringLiteral("--home") << m_folder;
    all << arguments;
    m_process.setProcessEnvironment(m_environment);
    m_process.setChildProcessModifier([mask = m_umask, limits = m_limits, user = m_user, hidden = m_hidden] {
        if (mask)
            ::umask(*mask);
        if (!hidden.isEmpty()) {
            if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                ::_exit(124);
            for (const QByteArray& path : hidden) {
                if (::mount("tmpfs", path.constData(), "tmpfs", MS_RDONLY, "size=4k") != 0)
                    ::_exit(124);
            }
        }
        for (const auto& [resource, value] : limits) {
            const rlimit limit{value, value};
            if (::setrlimit(resource, &limit) != 0)
                ::_exit(125);
        }
        if (user) {
            ::setgroups(0, nullptr);
            if (::setgid(user->second) != 0 || ::setuid(user->first) != 0)
                ::_exit(126);
        }
    });
    m_standardError.clear();
    m_process.start(program(), all);
    return m_process.waitForStarted(30000);
}

int CollectorProcess::run(const QStringList& arguments, std::chrono::milliseconds timeout)
{
    if (!start(arguments))
        return -1;
    return waitForExit(timeout);
}

int CollectorProcess::waitForExit(std::chrono::milliseconds timeout)
{
    if (running() && !m_process.waitForFinished(static_cast<int>(timeout.count())))
        return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

void CollectorProcess::signal(int signal)
{
    if (running())
        ::kill(static_cast<pid_t>(m_process.processId()), signal);
}

bool CollectorProcess::running() const
{
    return m_process.state() != QProcess::NotRunning;
}

QByteArray CollectorProcess::standardOutput()
{
    return m_process.readAllStandardOutput();
}

std::string CollectorProcess::standardError()
{
    m_standardError += m_process.readAllStandardError();
    return m_standardError.toStdString();
}

QStringList CollectorProcess::messages() const
{
    QFile log(QDir(m_folder).filePath(QStringLiteral("LOG.TXT")));
    if (m_folder.isEmpty() || !log.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QString& line :
         QString::fromUtf8(log.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        lines.append(line.mid(kDateLength));
    return lines;
}

bool CollectorProcess::waitForMessage(const QString& message, int count,
                                      std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (messages().count(message) >= count)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QThread::msleep(20);
    }
}

QStringList AfterPrefix(const QStringList& messages, const QString& prefix)
{
    QStringList found;
    for (const QString& message : messages) {
        if (message.startsWith(prefix))
            found.append(message.mid(prefix.size()));
    }
    return found;
}

} // namespace vorenta::test
