#include "support/NetworkNamespace.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

bool g_inNamespace = false;

bool BringLoopbackUp() {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 &&
              (request.ifr_flags |= IFF_UP, ::ioctl(fd, SIOCSIFFLAGS, &request) == 0);
    if (fd >= 0) {
        ::close(fd);
    }
    return up;
}

}  // namespace

bool EnterNetworkNamespace() {
    g_inNamespace = ::unshare(CLONE_NEWNET) == 0 && BringLoopbackUp();
    return g_inNamespace;
}

bool InNetworkNamespace() {
    return g_inNamespace;
}
