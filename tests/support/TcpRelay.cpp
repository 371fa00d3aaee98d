#include "TcpRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <list>
#include <string>
#include <system_error>
#include <vector>

namespace vorenta::test {

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void throwErrno(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

struct Chunk {
    Clock::time_point due;
    std::string bytes;
};

/// One client connection and its own connection to the server.
struct Link {
    int client = -1;
    int server = -1;
    bool forgotten = false;
    std::deque<Chunk> toServer;
    std::deque<Chunk> toClient;
};

void sendAll(int fd, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // the peer went away; its read side tells the loop
        sent += static_cast<std::size_t>(n);
    }
}

/// Closes `fd` with a reset instead of an orderly end: what a middlebox without state answers.
void resetAndClose(int fd)
{
    const linger abort{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(fd);
}

} // namespace

TcpRelay::TcpRelay(std::uint16_t targetPort, std::chrono::milliseconds delayEachWay)
    : m_targetPort(targetPort), m_delay(delayEachWay)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0)
        throwErrno("relay socket");
    sockaddr_in address = loopback(0);
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 64) != 0) {
        ::close(m_listener);
        throwErrno("relay listen");
    }
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        ::close(m_listener);
        throwErrno("relay pipe");
    }
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    m_thread = std::thread([this] { run(); });
}

TcpRelay::~TcpRelay()
{
    m_stopping = true;
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(m_wakeWrite, &byte, 1);
    m_thread.join();
    ::close(m_listener);
    ::close(m_wakeRead);
    ::close(m_wakeWrite);
}

void TcpRelay::forgetConnections()
{
    ++m_forgetRequests;
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(m_wakeWrite, &byte, 1);
}

void TcpRelay::run()
{
    std::list<Link> links;
    unsigned forgetsDone = 0;
    auto closeLink = [](Link& link) {
        if (link.client >= 0)
            ::close(link.client);
        if (link.server >= 0)
            ::close(link.server);
        link.client = link.server = -1;
    };
    std::vector<char> buffer(64 * 1024);

    while (!m_stopping) {
        // Wait for input or for the next held chunk to fall due.
        std::vector<pollfd> polled{{m_listener, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        std::vector<std::pair<Link*, bool>> owners{{nullptr, false}, {nullptr, false}}; // bool: client side
        int timeout = -1;
        const Clock::time_point now = Clock::now();
        for (Link& link : links) {
            polled.push_back({link.client, POLLIN, 0});
            owners.emplace_back(&link, true);
            if (link.server >= 0) {
                polled.push_back({link.server, POLLIN, 0});
                owners.emplace_back(&link, false);
            }
            for (const std::deque<Chunk>* queue : {&link.toServer, &link.toClient}) {
                if (queue->empty())
                    continue;
                const auto wait =
                    std::chrono::ceil<std::chrono::milliseconds>(queue->front().due - now).count();
                const int due = wait < 0 ? 0 : static_cast<int>(wait);
                timeout = timeout < 0 ? due : std::min(timeout, due);
            }
        }
        if (::poll(polled.data(), polled.size(), timeout) < 0 && errno != EINTR)
            break;

        if (polled[1].revents != 0) {
            char drain[64];
            while (::read(m_wakeRead, drain, sizeof drain) > 0) {
            }
        }
        if (const unsigned requested = m_forgetRequests; requested != forgetsDone) {
            forgetsDone = requested;
            for (Link& link : links) {
                if (link.server >= 0)
                    ::close(link.server);
                link.server = -1;
                link.forgotten = true;
                link.toServer.clear();
                link.toClient.clear();
            }
        }
        if (polled[0].revents & POLLIN) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                const sockaddr_in target = loopback(m_targetPort);
                if (server < 0 ||
                    ::connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
                    if (server >= 0)
                        ::close(server);
                    ::close(client); // the client sees the server refuse
                } else {
                    links.push_back(Link{client, server, false, {}, {}});
                }
            }
        }
        for (std::size_t i = 2; i < polled.size(); ++i) {
            if (polled[i].revents == 0)
                continue;
            auto [link, clientSide] = owners[i];
            if (link->client < 0 || (!clientSide && link->server != polled[i].fd))
                continue; // closed earlier in this round
            const ssize_t n = ::recv(polled[i].fd, buffer.data(), buffer.size(), 0);
            if (clientSide && link->forgotten && n > 0) {
                resetAndClose(link->client);
                link->client = -1;
                continue;
            }
            if (n <= 0) {
                closeLink(*link);
                continue;
            }
            Chunk chunk{Clock::now() + m_delay, std::string(buffer.data(), static_cast<std::size_t>(n))};
            if (clientSide) {
                ++m_clientSends;
                link->toServer.push_back(std::move(chunk));
            } else {
                link->toClient.push_back(std::move(chunk));
            }
        }
        const Clock::time_point after = Clock::now();
        for (Link& link : links) {
            while (!link.toServer.empty() && link.toServer.front().due <= after && link.server >= 0) {
                sendAll(link.server, link.toServer.front().bytes);
                link.toServer.pop_front();
            }
            while (!link.toClient.empty() && link.toClient.front().due <= after && link.client >= 0) {
                sendAll(link.client, link.toClient.front().bytes);
                link.toClient.pop_front();
            }
        }
        links.remove_if([](const Link& link) { return link.client < 0; });
    }
    for (Link& link : links)
        closeLink(link);
}

} // namespace vorenta::test
