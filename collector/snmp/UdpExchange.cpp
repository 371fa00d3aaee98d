#include "collector/snmp/UdpExchange.h"

#include "collector/snmp/UniqueDescriptor.h"

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

/// One request on its way: its socket until the answer (or the reason there is none) is known.
struct Pending {
    UniqueDescriptor socket;
    ExchangeResult result;
    bool finished = false;
};

void Send(Pending& exchange, std::string_view request, const sockaddr_in& destination)
{
    exchange.socket = UniqueDescriptor(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    exchange.finished = true;
    if (!exchange.socket.valid()) {
        exchange.result.failure = GetFailure::SocketFailed;
    } else if (::connect(exchange.socket.get(), reinterpret_cast<const sockaddr*>(&destination),
                         sizeof(destination)) != 0) {
        exchange.result.failure = GetFailure::SocketFailed;
    } else if (::send(exchange.socket.get(), request.data(), request.size(), MSG_NOSIGNAL) !=
               static_cast<ssize_t>(request.size())) {
        exchange.result.failure = GetFailure::SendFailed;
    } else {
        exchange.finished = false; // sent: the answer is awaited
    }
    if (exchange.finished)
        exchange.socket = UniqueDescriptor();
}

// Takes the first datagram waiting on a socket that polled readable (or the ICMP refusal that
// made it so). False when there turned out to be nothing to take yet, or when the conversation
// goes on (its next request sent, or the datagram set aside).
bool Receive(Pending& exchange, std::size_t index, const Conversation& conversation)
{
    const int descriptor = exchange.socket.get();
    int pending = 0;
    if (::ioctl(descriptor, FIONREAD, &pending) != 0)
        pending = kMaxDatagram;
    std::string datagram(static_cast<std::size_t>(std::clamp(pending, 1, kMaxDatagram)), '\0');
    const ssize_t received = ::recv(descriptor, datagram.data(), datagram.size(), MSG_DONTWAIT);
    if (received < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return false;
        exchange.result.failure = errno == ECONNREFUSED ? GetFailure::Refused : GetFailure::ReceiveFailed;
    } else {
        datagram.resize(static_cast<std::size_t>(received));
        if (conversation) {
            NextStep step = conversation(index, datagram);
            if (step.kind == NextStep::Kind::Ignore)
                return false;
            if (step.kind == NextStep::Kind::Send) {
                if (::send(descriptor, step.request.data(), step.request.size(), MSG_NOSIGNAL) ==
                    static_cast<ssize_t>(step.request.size()))
                    return false;
                exchange.result.failure = GetFailure::SendFailed;
                exchange.finished = true;
                exchange.socket = UniqueDescriptor();
                return true;
            }
        }
        exchange.result = {GetFailure::None, std::move(datagram)};
    }
    exchange.finished = true;
    exchange.socket = UniqueDescriptor();
    return true;
}

// One wait shared by every exchange still open, `waitMs` in total even when signals interrupt it.
// The remaining time is rounded up and re-checked, so a silent host never costs less than the wait.
void AwaitAnswers(std::vector<Pending>& exchanges, int waitMs, int cancelDescriptor,
                  const Conversation& conversation, const Enough& enough)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    std::vector<pollfd> watched;
    std::vector<std::size_t> owners;
    GetFailure leftOpen = GetFailure::Timeout;
    for (;;) {
        watched.clear();
        owners.clear();
        for (std::size_t i = 0; i < exchanges.size(); ++i) {
            if (!exchanges[i].finished) {
                watched.push_back({exchanges[i].socket.get(), POLLIN, 0});
                owners.push_back(i);
            }
        }
        if (owners.empty())
            return;
        if (cancelDescriptor >= 0)
            watched.push_back({cancelDescriptor, POLLIN, 0});

        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        const int ready =
            ::poll(watched.data(), watched.size(), static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0) {
            // POLLIN, or POLLERR carrying the ICMP refusal for the receive to report.
            bool ended = false;
            for (std::size_t i = 0; i < owners.size(); ++i) {
                if (watched[i].revents != 0)
                    ended = Receive(exchanges[owners[i]], owners[i], conversation) || ended;
            }
            if (ended && enough) {
                std::vector<bool> finished;
                for (const Pending& exchange : exchanges)
                    finished.push_back(exchange.finished);
                if (enough(finished)) {
                    leftOpen = GetFailure::Cancelled;
                    break;
                }
            }
            if (cancelDescriptor >= 0 && watched.back().revents != 0) {
                leftOpen = GetFailure::Cancelled;
                break;
            }
        }
        if (Clock::now() >= deadline)
            break;
    }
    for (Pending& exchange : exchanges) {
        if (!exchange.finished) {
            exchange.result.failure = leftOpen;
            exchange.finished = true;
            exchange.socket = UniqueDescriptor();
        }
    }
}

} // namespace

// A dotted IPv4 address is used as it is; any other text goes to the resolver.
std::optional<sockaddr_in> ResolveIpv4(std::string_view host, std::uint16_t port)
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

std::vector<ExchangeResult> ExchangeConversations(std::span<const std::string> requests,
                                                  std::string_view host, std::uint16_t port, int waitMs,
                                                  int cancelDescriptor, const Conversation& conversation,
                                                  const Enough& enough)
{
    std::vector<ExchangeResult> results(requests.size());
    const std::optional<sockaddr_in> destination = ResolveIpv4(host, port);
    if (!destination) {
        for (ExchangeResult& result : results)
            result.failure = GetFailure::Unresolved;
        return results;
    }
    std::vector<Pending> exchanges(requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i)
        Send(exchanges[i], requests[i], *destination);
    AwaitAnswers(exchanges, waitMs, cancelDescriptor, conversation, enough);
    for (std::size_t i = 0; i < requests.size(); ++i)
        results[i] = std::move(exchanges[i].result);
    return results;
}

std::vector<ExchangeResult> ExchangeDatagrams(std::span<const std::string> requests, std::string_view host,
                                              std::uint16_t port, int waitMs, int cancelDescriptor)
{
    return ExchangeConversations(requests, host, port, waitMs, cancelDescriptor, {});
}

ExchangeResult ExchangeDatagram(std::string_view request, std::string_view host, std::uint16_t port,
                                int waitMs, int cancelDescriptor)
{
    const std::string one(request);
    return std::move(ExchangeDatagrams(std::span(&one, 1), host, port, waitMs, cancelDescriptor).front());
}

} // namespace vorenta::snmp
