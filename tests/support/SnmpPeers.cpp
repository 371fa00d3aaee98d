#include "tests/support/SnmpPeers.h"

#include "collector/snmp/SnmpGet.h"
#include "collector/snmp/UdpExchange.h"
#include "collector/snmp/V3Message.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace vorenta::test {

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A peer is ready when any well-formed reply comes back (noSuchName counts).
bool WaitUntilAnswering(const ChildProcess& process, const std::string& address, std::uint16_t port,
                        const std::string& community = "public")
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline && process.running()) {
        if (snmp::SnmpGet("1.3.6.1.2.1.1.1.0", community, address, port, 200).ok)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// An agent without v1 "public" is ready when it answers an engine discovery.
bool WaitUntilDiscoverable(const ChildProcess& process, const std::string& address, std::uint16_t port)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline && process.running()) {
        const snmp::ExchangeResult answer =
            snmp::ExchangeDatagram(snmp::EncodeDiscoveryRequest(7, 7), address, port, 200);
        if (answer.failure == snmp::GetFailure::None)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

} // namespace

ScratchDirectory::ScratchDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vorenta-snmp-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch directory");
    m_path = pattern;
    // Peers that drop root (snmpsimd as nobody) must read and write in here.
    ::chmod(m_path.c_str(), 0777);
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string ScratchDirectory::write(const std::string& name, const std::string& content) const
{
    const std::string path = m_path + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    return path;
}

bool ChildProcess::start(const std::vector<std::string>& arguments, const std::string& logPath,
                         const std::vector<std::string>& environment)
{
    stop();
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> variables = environment;
    for (char** variable = environ; *variable; ++variable)
        variables.emplace_back(*variable);
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return false;
    m_pid = pid;
    return true;
}

void ChildProcess::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

bool ChildProcess::running() const
{
    return m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0;
}

bool ProgramAvailable(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return ::access(program.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/local/bin:/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (::access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

SnmpSimulator::SnmpSimulator(std::string address, std::uint16_t port)
    : m_address(std::move(address)), m_port(port)
{
}

bool SnmpSimulator::available()
{
    return ProgramAvailable("snmpsimd");
}

bool SnmpSimulator::start(const std::string& recordingText, const std::string& community)
{
    const std::string data = m_scratch.path() + "/data";
    const std::string cache = m_scratch.path() + "/cache";
    std::filesystem::create_directories(data);
    std::filesystem::create_directories(cache);
    ::chmod(cache.c_str(), 0777); // snmpsimd writes its index here after dropping root
    m_scratch.write("data/" + community + ".snmprec", recordingText);
    std::vector<std::string> arguments = {"snmpsimd", "--data-dir=" + data, "--cache-dir=" + cache,
                                          "--agent-udpv4-endpoint=" + m_address + ":" +
                                              std::to_string(m_port)};
    arguments.insert(arguments.end(), m_extra.begin(), m_extra.end());
    if (::geteuid() == 0) { // it refuses to keep running as root
        arguments.emplace_back("--process-user=nobody");
        arguments.emplace_back("--process-group=nogroup");
    }
    if (!m_process.start(arguments, m_scratch.path() + "/snmpsimd.log"))
        return false;
    return WaitUntilAnswering(m_process, m_address, m_port, community);
}

std::string SnmpSimulator::log() const
{
    return ReadFile(m_scratch.path() + "/snmpsimd.log");
}

NetSnmpAgent::NetSnmpAgent(std::string address, std::uint16_t port)
    : m_address(std::move(address)), m_port(port)
{
}

bool NetSnmpAgent::available()
{
    return ProgramAvailable("snmpd") || ProgramAvailable("/usr/sbin/snmpd");
}

bool NetSnmpAgent::start(const std::vector<std::string>& configLines)
{
    std::string config = "agentAddress udp:" + m_address + ":" + std::to_string(m_port) + "\n";
    if (m_public)
        config += "rocommunity public 127.0.0.0/8\n";
    for (const std::string& line : configLines)
        config += line + "\n";
    const std::string configPath = m_scratch.write("snmpd.conf", config);
    std::filesystem::create_directories(m_scratch.path() + "/persist");
    const std::string program = ProgramAvailable("snmpd") ? "snmpd" : "/usr/sbin/snmpd";
    // -C: only our file, no system configuration; -f: stay in the foreground so we own the pid.
    const std::vector<std::string> arguments = {program,    "-f",  "-C", "-c",
                                                configPath, "-Lo", "-p", m_scratch.path() + "/snmpd.pid"};
    const std::vector<std::string> environment = {"SNMP_PERSISTENT_DIR=" + m_scratch.path() + "/persist",
                                                  "MIBS="};
    if (!m_process.start(arguments, m_scratch.path() + "/snmpd.log", environment))
        return false;
    return m_public ? WaitUntilAnswering(m_process, m_address, m_port)
                    : WaitUntilDiscoverable(m_process, m_address, m_port);
}

std::string NetSnmpAgent::log() const
{
    return ReadFile(m_scratch.path() + "/snmpd.log");
}

} // namespace vorenta::test
