#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <utility>
#include <vector>

namespace vorenta::test {

/// The built VorentaServer run as systemd or a technician runs it: a real process on a program
/// folder, real arguments, real signals. A process the test leaves running is killed at the end.
///
///     CollectorProcess collector(home.path());
///     ASSERT_EQ(collector.run({"--once", "--local-ip", "127.0.0.1"}), 0) << collector.standardError();
///     EXPECT_TRUE(collector.messages().contains("Teste de Conexão OK"));
class CollectorProcess {
public:
    /// `programFolder` is passed as --home and is where messages() reads LOG.TXT; empty for
    /// commands without a program folder (--get).
    explicit CollectorProcess(QString programFolder = {});
    ~CollectorProcess();
    CollectorProcess(const CollectorProcess&) = delete;
    CollectorProcess& operator=(const CollectorProcess&) = delete;

    /// The built VorentaServer.
    static QString program();

    /// Sets a variable in the process's environment; the rest is the test's own environment.
    void setEnvironment(const QString& name, const QString& value);
    /// The umask the process starts with (a permissive one shows what the collector sets itself).
    void setUmask(mode_t mask) { m_umask = mask; }
    /// The process starts with at most `files` open files, soft and hard limit (as a tight
    /// LimitNOFILE= of a unit would set).
    void setOpenFileLimit(rlim_t files) { setLimit(RLIMIT_NOFILE, files); }
    /// The process starts with `resource` (RLIMIT_AS for ulimit -v, RLIMIT_NPROC for ulimit -u)
    /// limited to `value`, soft and hard, as a unit's Limit...= or a shell's ulimit sets it.
    void setLimit(int resource, rlim_t value) { m_limits.emplace_back(resource, value); }
    /// The process runs as `user` (its own group too), as the packaged service runs as
    /// "vorenta": what a file of another user does to it shows only then (root may write anything).
    void setUser(uid_t user, gid_t group) { m_user = std::make_pair(user, group); }
    /// The process sees an empty, read-only folder at `path` (a tmpfs over it in a mount namespace
    /// of its own; needs root): a package that is not installed, without uninstalling it.
    void hideFolder(const QString& path) { m_hidden.append(path.toLocal8Bit()); }

    /// Starts VorentaServer [--home FOLDER] `arguments`; false when it could not be started.
    bool start(const QStringList& arguments);
    /// Starts, waits for the end and returns the exit code; -1 when it crashed or outlived `timeout`.
    int run(const QStringList& arguments, std::chrono::milliseconds timeout = std::chrono::minutes(4));
    /// Waits for the end of a started process; its exit code, or -1 as for run().
    int waitForExit(std::chrono::milliseconds timeout);

    /// Sends `signal` (SIGTERM, SIGUSR1, ...) to the running process.
    void signal(int signal);
    bool running() const;

    QByteArray standardOutput();
    /// Standard error as text, for failure messages.
    std::string standardError();

    /// LOG.TXT's messages, in order, without their "dd/mm/yyyy - hh:mm:ss: " dates.
    QStringList messages() const;
    /// Waits until `message` is in LOG.TXT at least `count` times; false after `timeout`.
    bool waitForMessage(const QString& message, int count = 1,
                        std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;

private:
    QString m_folder;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    std::optional<mode_t> m_umask;
    std::vector<std::pair<int, rlim_t>> m_limits;
    QList<QByteArray> m_hidden;
    std::optional<std::pair<uid_t, gid_t>> m_user;
    QProcess m_process;
    QByteArray m_standardError;
};

/// Messages that start with `prefix`, with the prefix removed (addresses after "Coletando dados de ").
QStringList AfterPrefix(const QStringList& messages, const QString& prefix);

} // namespace vorenta::test
