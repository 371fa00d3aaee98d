#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vorenta::test {

/// A directory under /tmp removed with everything in it when the owner goes.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& path() const { return m_path; }
    /// Writes `content` to `name` in the directory and returns the file's path.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string m_path;
};

/// A program started by a test, stopped (SIGTERM, then SIGKILL) and reaped by the destructor.
/// Output goes to `logPath` so a failing test can show it.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// Starts `arguments[0]` (looked up in PATH) with `environment` added; false when it could
    /// not be started.
    bool start(const std::vector<std::string>& arguments, const std::string& logPath,
               const std::vector<std::string>& environment = {});
    void stop();
    bool running() const;

private:
    pid_t m_pid = -1;
};

/// True when `program` is found in PATH (or, for a path with '/', is executable).
bool ProgramAvailable(const std::string& program);

/// Debian's snmpsimd serving one `.snmprec` recording for one community on a loopback endpoint.
///
///     SnmpSimulator simulator(UniqueLoopbackPrefix() + "20", 16100);
///     if (!SnmpSimulator::available()) VORENTA_PEER_MISSING("snmpsimd");
///     ASSERT_TRUE(simulator.start(recording.toText())) << simulator.log();
class SnmpSimulator {
public:
    SnmpSimulator(std::string address, std::uint16_t port);

    static bool available();
    /// Serves the recording to the v3 user too (under the context named as the community); the
    /// protocols as snmpsimd writes them (SHA, AES, ...).
    void addV3User(const std::string& user, const std::string& authProtocol, const std::string& authKey,
                   const std::string& privProtocol, const std::string& privKey)
    {
        m_extra = {"--v3-user=" + user, "--v3-auth-proto=" + authProtocol, "--v3-auth-key=" + authKey,
                   "--v3-priv-proto=" + privProtocol, "--v3-priv-key=" + privKey};
    }
    /// Writes the recording as <community>.snmprec into a fresh data dir, starts snmpsimd and
    /// waits (polling with SnmpGet) until it answers; false when it does not within ~20 s.
    bool start(const std::string& recordingText, const std::string& community = "public");
    void stop() { m_process.stop(); }
    /// snmpsimd's output so far (for failure messages).
    std::string log() const;

    const std::string& address() const { return m_address; }
    std::uint16_t port() const { return m_port; }

private:
    std::string m_address;
    std::uint16_t m_port;
    std::vector<std::string> m_extra;
    ScratchDirectory m_scratch;
    ChildProcess m_process;
};

/// net-snmp's snmpd on a loopback endpoint, community "public", configured with `configLines`
/// added to a minimal generated snmpd.conf (e.g. "sysLocation Sala 3", "sysDescr ...", or v3
/// users: "createUser coletor SHA-256 senha-de-teste AES outra-senha", "rouser coletor priv").
class NetSnmpAgent {
public:
    NetSnmpAgent(std::string address, std::uint16_t port);

    static bool available();
    /// Without "public" the agent answers only what `configLines` allow (an agent that speaks
    /// only v3); it is then taken as ready when it answers a v3 engine discovery.
    void withoutPublic() { m_public = false; }
    /// Starts snmpd and waits until it answers; false when it does not within ~20 s.
    bool start(const std::vector<std::string>& configLines = {});
    void stop() { m_process.stop(); }
    std::string log() const;

    const std::string& address() const { return m_address; }
    std::uint16_t port() const { return m_port; }

private:
    std::string m_address;
    std::uint16_t m_port;
    bool m_public = true;
    ScratchDirectory m_scratch;
    ChildProcess m_process;
};

} // namespace vorenta::test
