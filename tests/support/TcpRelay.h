#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

namespace vorenta::test {

/// A TCP relay on 127.0.0.1 in front of a server on loopback (the test PostgreSQL): what a
/// client sends reaches the server through it, and back. It stands in for the network between a
/// collector and a central server far away:
///  - it counts the chunks clients send (each request of a request-reply protocol is one);
///  - it can hold every chunk for a while in each direction, a WAN's round trip on loopback;
///  - it can forget its connections the way a NAT or firewall that dropped its state does: the
///    server side is closed at once, the client hears nothing until it next sends, and then gets
///    a reset.
///
/// One thread of its own carries every connection; the object's members are safe from any thread.
class TcpRelay {
public:
    /// Listens on an ephemeral port of 127.0.0.1 and relays to 127.0.0.1:`targetPort`. Throws
    /// std::system_error when it cannot listen.
    explicit TcpRelay(std::uint16_t targetPort,
                      std::chrono::milliseconds delayEachWay = std::chrono::milliseconds(0));
    ~TcpRelay();
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    std::uint16_t port() const { return m_port; }

    /// Chunks received from clients so far.
    std::int64_t clientSends() const { return m_clientSends; }

    /// Forgets every connection carried now (see above); connections made later are relayed.
    void forgetConnections();

private:
    void run();

    int m_listener = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::uint16_t m_port = 0;
    std::uint16_t m_targetPort = 0;
    std::chrono::milliseconds m_delay;
    std::atomic<std::int64_t> m_clientSends = 0;
    std::atomic<unsigned> m_forgetRequests = 0;
    std::atomic<bool> m_stopping = false;
    std::thread m_thread;
};

} // namespace vorenta::test
