#include "tests/support/SilentHosts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace vorenta::test {

SilentHosts::SilentHosts(const std::string& prefix, int firstHost, int lastHost,
                         const std::vector<int>& except, std::uint16_t port)
try {
    for (int host = firstHost; host <= lastHost; ++host) {
        if (std::find(except.begin(), except.end(), host) != except.end())
            continue;
        const std::string address = prefix + std::to_string(host);
        sockaddr_in endpoint{};
        endpoint.sin_family = AF_INET;
        endpoint.sin_port = htons(port);
        if (::inet_pton(AF_INET, address.c_str(), &endpoint.sin_addr) != 1 ||
            (ntohl(endpoint.sin_addr.s_addr) >> 24) != 127)
            throw std::invalid_argument("silent hosts live on loopback only: " + address);
        const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (socket < 0)
            throw std::system_error(errno, std::generic_category(), "socket");
        m_sockets.push_back(socket);
        if (::bind(socket, reinterpret_cast<const sockaddr*>(&endpoint), sizeof(endpoint)) != 0)
            throw std::system_error(errno, std::generic_category(), "bind " + address);
    }
} catch (...) {
    for (int socket : m_sockets)
        ::close(socket);
    throw;
}

SilentHosts::~SilentHosts()
{
    for (int socket : m_sockets)
        ::close(socket);
}

} // namespace vorenta::test
