#include "PrivateNetwork.h"

#include <sched.h>

#include <cstdio>
#include <cstdlib>

namespace vorenta::test {

bool EnterPrivateNetwork()
{
    if (::unshare(CLONE_NEWNET) != 0) {
        std::perror("unshare(CLONE_NEWNET)");
        return false;
    }
    return std::system("ip link set lo up && ip route add 10.0.0.0/8 dev lo") == 0;
}

} // namespace vorenta::test
