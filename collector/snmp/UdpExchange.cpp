#include "collector/snmp/UdpExchange.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

namespace vorenta::snmp {

namespace {

constexpr int kMaxDatagram = 65536;

/// Owns one socket descriptor; closes it on every way out of the exchange.
class UniqueSocket {
public:
    explicit UniqueSocket(int descriptor) : m_descriptor(descriptor) {}
    ~UniqueSocket()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;

    bool valid() const { return m_descriptor >= 0; }
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

// A dotted IPv4 address is used as it is; any other text goes to the resolver.
std::optional<sockaddr_in> ResolveHost(std::string_view host, std::uint16_t port)
{
    const std::string text(host);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, text.c_str(), &address.sin_addr) == 1)
        return address;

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (text.empty() || ::getaddrinfo(text.c_str(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    address.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return address;
}

// One wait for the socket to become readable, `waitMs` in total even when signals interrupt it.
// The remaining time is rounded up and re-checked, so a silent host never costs less than the wait.
bool WaitReadable(int descriptor, int waitMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd watched{descriptor, POLLIN, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        if (ready > 0)
            return true; // POLLIN, or POLLERR carrying the ICMP refusal for the receive to report
        if (ready < 0 && errno != EINTR)
            return false;
        if (Clock::now() >= deadline)
            return false;
    }
}

} // namespace

ExchangeResult ExchangeDatagram(std::string_view request, std::string_view host, std::uint16_t port,
                                int waitMs)
{
    const UniqueSocket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket.valid())
        return {GetFailure::SocketFailed, {}};
    const std::optional<sockaddr_in> destination = ResolveHost(host, port);
    if (!destination)
        return {GetFailure::Unresolved, {}};
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&*destination), sizeof(*destination)) != 0)
        return {GetFailure::SocketFailed, {}};
    if (::send(socket.get(), request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size()))
        return {GetFailure::SendFailed, {}};

    if (!WaitReadable(socket.get(), waitMs))
        return {GetFailure::Timeout, {}};

    int pending = 0;
    if (::ioctl(socket.get(), FIONREAD, &pending) != 0)
        pending = kMaxDatagram;
    std::string datagram(static_cast<std::size_t>(std::clamp(pending, 1, kMaxDatagram)), '\0');
    const ssize_t received = ::recv(socket.get(), datagram.data(), datagram.size(), 0);
    if (received < 0)
        return {errno == ECONNREFUSED ? GetFailure::Refused : GetFailure::ReceiveFailed, {}};
    datagram.resize(static_cast<std::size_t>(received));
    return {GetFailure::None, std::move(datagram)};
}

} // namespace vorenta::snmp
