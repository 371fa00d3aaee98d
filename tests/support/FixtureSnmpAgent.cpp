#include "tests/support/FixtureSnmpAgent.h"

#include "tests/support/FixtureBer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace vorenta::test {

namespace {

constexpr std::uint8_t kGetResponse = 0xA2;
constexpr std::int64_t kNoSuchName = 2;

std::system_error SystemError(const std::string& what)
{
    return std::system_error(errno, std::generic_category(), what);
}

std::string Response(const ber::Request& request, std::int64_t errorStatus, std::int64_t errorIndex,
                     const std::vector<RecordedValue>& values)
{
    std::string bindings;
    for (std::size_t i = 0; i < request.oids.size(); ++i) {
        const std::string oid = ber::Element(0x06, ber::OidContents(request.oids[i]).value_or(""));
        bindings += ber::Element(0x30, oid + ber::Element(values[i].tag, values[i].contents));
    }
    const std::string pdu = ber::Element(0x02, ber::SignedContents(request.requestId)) +
                            ber::Element(0x02, ber::SignedContents(errorStatus)) +
                            ber::Element(0x02, ber::SignedContents(errorIndex)) +
                            ber::Element(0x30, bindings);
    return ber::Element(0x30, ber::Element(0x02, ber::SignedContents(request.version)) +
                                  ber::Element(0x04, request.community) + ber::Element(kGetResponse, pdu));
}

} // namespace

std::string UniqueLoopbackPrefix()
{
    // 127.0.x.x stays free for the loopback services others run; pids map onto a and b.
    const auto pid = static_cast<unsigned>(::getpid());
    const unsigned a = 1 + (pid >> 8) % 254;
    const unsigned b = pid & 0xFF;
    return "127." + std::to_string(a) + "." + std::to_string(b) + ".";
}

FixtureSnmpAgent::FixtureSnmpAgent(std::string address, std::uint16_t port, SnmpRecording recording)
    : m_address(std::move(address)), m_recording(std::move(recording))
{
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(port);
    if (::inet_pton(AF_INET, m_address.c_str(), &endpoint.sin_addr) != 1)
        throw std::invalid_argument("not an IPv4 address: " + m_address);
    if ((ntohl(endpoint.sin_addr.s_addr) >> 24) != 127)
        throw std::invalid_argument("fixture agents live on loopback only: " + m_address);

    m_socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0)
        throw SystemError("socket");
    if (::bind(m_socket, reinterpret_cast<const sockaddr*>(&endpoint), sizeof(endpoint)) != 0) {
        const std::system_error error = SystemError("bind " + m_address + ":" + std::to_string(port));
        ::close(m_socket);
        throw error;
    }
    socklen_t size = sizeof(endpoint);
    ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&endpoint), &size);
    m_port = ntohs(endpoint.sin_port);
    if (::pipe2(m_wakePipe, O_CLOEXEC) != 0) {
        ::close(m_socket);
        throw SystemError("pipe");
    }
    m_thread = std::thread([this] { serve(); });
}

FixtureSnmpAgent::~FixtureSnmpAgent()
{
    const char stop = 'x';
    [[maybe_unused]] const ssize_t written = ::write(m_wakePipe[1], &stop, 1);
    m_thread.join();
    ::close(m_socket);
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
}

void FixtureSnmpAgent::serve()
{
    std::string buffer(65536, '\0');
    for (;;) {
        pollfd watched[2] = {{m_socket, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (watched[1].revents)
            return;
        sockaddr_in peer{};
        socklen_t peerSize = sizeof(peer);
        const ssize_t received = ::recvfrom(m_socket, buffer.data(), buffer.size(), 0,
                                            reinterpret_cast<sockaddr*>(&peer), &peerSize);
        if (received < 0)
            continue;
        const std::optional<std::string> reply = answer(buffer.substr(0, static_cast<std::size_t>(received)));
        if (reply)
            ::sendto(m_socket, reply->data(), reply->size(), 0, reinterpret_cast<const sockaddr*>(&peer),
                     peerSize);
    }
}

std::optional<std::string> FixtureSnmpAgent::answer(const std::string& datagram)
{
    const std::lock_guard lock(m_mutex);
    m_received.push_back(datagram);
    const std::optional<ber::Request> request = ber::ParseRequest(datagram);
    if (request)
        m_asked.insert(m_asked.end(), request->oids.begin(), request->oids.end());
    if (m_dropped > 0) {
        --m_dropped;
        return std::nullopt;
    }
    if (m_mode == Mode::RawReply)
        return m_raw;
    if (!request || m_mode == Mode::Silent || request->community != m_community)
        return std::nullopt;
    for (const std::string& oid : request->oids) {
        if (m_ignored.contains(oid))
            return std::nullopt;
    }

    std::vector<RecordedValue> values;
    std::int64_t errorIndex = 0;
    for (std::size_t i = 0; i < request->oids.size(); ++i) {
        const std::optional<RecordedValue> found =
            m_mode == Mode::Recording ? m_recording.find(request->oids[i]) : std::nullopt;
        if (!found && errorIndex == 0)
            errorIndex = static_cast<std::int64_t>(i) + 1;
        values.push_back(found.value_or(RecordedValue{}));
    }
    if (errorIndex != 0) // v1: one unknown OID fails the whole request, bindings echoed as NULL
        return Response(*request, kNoSuchName, errorIndex, std::vector<RecordedValue>(values.size()));
    return Response(*request, 0, 0, values);
}

void FixtureSnmpAgent::answerFromRecording()
{
    const std::lock_guard lock(m_mutex);
    m_mode = Mode::Recording;
}

void FixtureSnmpAgent::staySilent()
{
    const std::lock_guard lock(m_mutex);
    m_mode = Mode::Silent;
}

void FixtureSnmpAgent::answerNoSuchName()
{
    const std::lock_guard lock(m_mutex);
    m_mode = Mode::NoSuchNameAll;
}

void FixtureSnmpAgent::sendRaw(std::string datagram)
{
    const std::lock_guard lock(m_mutex);
    m_mode = Mode::RawReply;
    m_raw = std::move(datagram);
}

void FixtureSnmpAgent::setCommunity(std::string community)
{
    const std::lock_guard lock(m_mutex);
    m_community = std::move(community);
}

void FixtureSnmpAgent::setRecording(SnmpRecording recording)
{
    const std::lock_guard lock(m_mutex);
    m_recording = std::move(recording);
}

void FixtureSnmpAgent::ignoreOid(std::string oid)
{
    const std::lock_guard lock(m_mutex);
    m_ignored.insert(std::move(oid));
}

void FixtureSnmpAgent::dropRequests(int count)
{
    const std::lock_guard lock(m_mutex);
    m_dropped = count;
}

std::vector<std::string> FixtureSnmpAgent::askedOids() const
{
    const std::lock_guard lock(m_mutex);
    return m_asked;
}

std::vector<std::string> FixtureSnmpAgent::receivedDatagrams() const
{
    const std::lock_guard lock(m_mutex);
    return m_received;
}

int FixtureSnmpAgent::datagramCount() const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_received.size());
}

void FixtureSnmpAgent::clearAsked()
{
    const std::lock_guard lock(m_mutex);
    m_asked.clear();
    m_received.clear();
}

FixtureSnmpFleet::FixtureSnmpFleet(std::string prefix) : m_prefix(std::move(prefix)) {}

FixtureSnmpAgent& FixtureSnmpFleet::add(int host, SnmpRecording recording, std::uint16_t port)
{
    m_agents.erase(host); // free the endpoint before binding it again
    auto agent = std::make_unique<FixtureSnmpAgent>(address(host), port, std::move(recording));
    return *(m_agents[host] = std::move(agent));
}

FixtureSnmpAgent& FixtureSnmpFleet::at(int host)
{
    const auto found = m_agents.find(host);
    if (found == m_agents.end())
        throw std::out_of_range("no fixture agent on host " + std::to_string(host));
    return *found->second;
}

std::string FixtureSnmpFleet::address(int host) const
{
    return m_prefix + std::to_string(host);
}

} // namespace vorenta::test
