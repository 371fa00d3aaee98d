#include "LocalAddress.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

namespace vorenta {

QString FirstLocalIpv4Address()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    QString found;
    for (ifaddrs* entry = list; entry != nullptr && found.isEmpty(); entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if ((ntohl(address->sin_addr.s_addr) >> 24) == 127)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr)
            found = QString::fromLatin1(text);
    }
    freeifaddrs(list);
    return found;
}

} // namespace vorenta
