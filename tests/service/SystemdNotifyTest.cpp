// VorentaServer as systemd runs a unit of Type=notify: a real notify socket (an AF_UNIX datagram
// socket made here, NOTIFY_SOCKET naming it, WATCHDOG_USEC asking for the watchdog) and standard
// error as the journal's stream (JOURNAL_STREAM naming it), the real program.
#include "tests/support/CollectorProcess.h"
#include "tests/support/Deadline.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

using vorenta::test::CollectorProcess;
using vorenta::test::TemporaryProgramFolder;
using vorenta::test::UniqueLoopbackPrefix;

namespace {

[[maybe_unused]] const bool kDeadline = vorenta::test::DeadlineForEveryTest(std::chrono::minutes(4));

/// The socket systemd listens on for a unit's notifications.
class NotifySocket {
public:
    explicit NotifySocket(const QString& path) : m_path(path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(),
                    std::min<size_t>(name.size(), sizeof address.sun_path - 1));
        bound = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    /// The messages that arrived since the last call, in order.
    QStringList received()
    {
        QStringList messages;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n < 0)
                return messages;
            messages.append(QString::fromUtf8(buffer, n));
        }
    }
    bool bound = false;

private:
    QString m_path;
    int m_fd = -1;
};

QString journalStreamOf(const QString& file)
{
    struct stat info {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return {};
    return QStringLiteral("%1:%2")
        .arg(static_cast<qulonglong>(info.st_dev))
        .arg(static_cast<qulonglong>(info.st_ino));
}

/// VorentaServer --home FOLDER `arguments` with standard error into `errorFile` (created first,
/// so its inode can be named) and the variables given.
void startCollector(QProcess& process, const TemporaryProgramFolder& home, const QStringList& arguments,
                    const QString& errorFile, const QList<std::pair<QString, QString>>& variables)
{
    QFile(errorFile).open(QIODevice::WriteOnly);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* inherited : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID", "JOURNAL_STREAM"})
        environment.remove(QString::fromLatin1(inherited)); // a test run by systemd is no unit of ours
    for (const auto& [name, value] : variables)
        environment.insert(name, value);
    process.setProcessEnvironment(environment);
    process.setStandardErrorFile(errorFile, QIODevice::Append);
    process.start(CollectorProcess::program(), QStringList({"--home", home.path()}) + arguments);
}

QStringList journalLines(const QString& errorFile)
{
    QFile file(errorFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

TEST(SystemdNotify, APassSaysReadyAndItsLineAsStatusAndFeedsTheWatchdog)
{
    TemporaryProgramFolder home;
    home.writeIdentity("CLI", "7");
    NotifySocket notify(home.file("notify"));
    ASSERT_TRUE(notify.bound) << "the notify socket could not be bound: " << std::strerror(errno);
    const QString errorFile = home.file("stderr");
    const QString local = QString::fromStdString(UniqueLoopbackPrefix()) + "1";
    QProcess collector;
    startCollector(collector, home, {"--once", "--local-ip", local}, errorFile,
                   {{"NOTIFY_SOCKET", home.file("notify")}, {"WATCHDOG_USEC", "400000"}});
    ASSERT_TRUE(collector.waitForFinished(180000)) << "the pass did not end within 180 s";
    EXPECT_EQ(collector.exitCode(), 0);

    const QStringList messages = notify.received();
    const QString all = messages.join(u'|');
    ASSERT_FALSE(messages.isEmpty()) << "nothing reached the notify socket";
    EXPECT_EQ(messages.first(), QStringLiteral("READY=1")) << all.toStdString();
    EXPECT_GE(messages.count(QStringLiteral("WATCHDOG=1")), 1) << all.toStdString();
    const QStringList statuses = messages.filter(QRegularExpression(QStringLiteral("^STATUS=")));
    ASSERT_EQ(statuses.size(), 1) << all.toStdString();
    EXPECT_TRUE(
        statuses[0].startsWith(QStringLiteral("STATUS=Busca concluída: 253 endereços, 0 equipamentos, "
                                              "0 gravados, 0 pendentes, 0 recusados, 0 erros, ")))
        << statuses[0].toStdString();
    EXPECT_EQ(messages.last(), QStringLiteral("STOPPING=1")) << all.toStdString();
}

TEST(SystemdNotify, UnderTheJournalEveryLogLineAlsoGoesToStandardError)
{
    TemporaryProgramFolder home; // no identity: the pass ends at once, with its line
    const QString errorFile = home.file("stderr");
    QFile(errorFile).open(QIODevice::WriteOnly);
    QProcess collector;
    // JOURNAL_STREAM names the file standard error goes to, as systemd names its stream.
    startCollector(collector, home, {"--once"}, errorFile, {{"JOURNAL_STREAM", journalStreamOf(errorFile)}});
    ASSERT_TRUE(collector.waitForFinished(60000)) << "the pass did not end within 60 s";
    EXPECT_EQ(collector.exitCode(), 0);

    QStringList journal;
    for (const QString& line : journalLines(errorFile)) {
        EXPECT_TRUE(line.startsWith(QStringLiteral("<6>"))) << line.toStdString();
        journal.append(line.mid(3));
    }
    const QStringList logged = CollectorProcess(home.path()).messages();
    ASSERT_FALSE(logged.isEmpty());
    EXPECT_TRUE(logged.contains(QStringLiteral(
        "Chave e IDServ não configurados em Coletor.ini [COLETOR]; nenhuma busca realizada.")));
    EXPECT_EQ(journal, logged) << "the journal has other lines than LOG.TXT";
}

TEST(SystemdNotify, OutsideSystemdStandardErrorStaysQuiet)
{
    TemporaryProgramFolder home;
    const QString errorFile = home.file("stderr");
    QProcess collector;
    // A variable inherited from a shell that systemd started, with standard error elsewhere now.
    startCollector(collector, home, {"--once"}, errorFile, {{"JOURNAL_STREAM", QStringLiteral("1:1")}});
    ASSERT_TRUE(collector.waitForFinished(60000)) << "the pass did not end within 60 s";
    EXPECT_EQ(collector.exitCode(), 0);
    EXPECT_EQ(journalLines(errorFile), QStringList());
    EXPECT_FALSE(CollectorProcess(home.path()).messages().isEmpty());
}

TEST(SystemdNotify, TheWatchdogIsFedWhileTheServiceRests)
{
    TemporaryProgramFolder home; // no identity: every cycle rests a minute
    NotifySocket notify(home.file("notify"));
    ASSERT_TRUE(notify.bound) << "the notify socket could not be bound: " << std::strerror(errno);
    QProcess collector;
    startCollector(collector, home, {}, home.file("stderr"),
                   {{"NOTIFY_SOCKET", home.file("notify")}, {"WATCHDOG_USEC", "400000"}});
    ASSERT_TRUE(
        CollectorProcess(home.path())
            .waitForMessage(QStringLiteral(
                "Chave e IDServ não configurados em Coletor.ini [COLETOR]; nenhuma busca realizada.")))
        << "the service never reached its first cycle";
    notify.received();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_GE(notify.received().count(QStringLiteral("WATCHDOG=1")), 4)
        << "not fed every 100 ms during the rest";

    ::kill(static_cast<pid_t>(collector.processId()), SIGTERM);
    ASSERT_TRUE(collector.waitForFinished(30000)) << "the service did not stop within 30 s";
    EXPECT_EQ(notify.received().last(), QStringLiteral("STOPPING=1"));
}

} // namespace
