#include "support/isolation.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace testsupport {
namespace {
bool g_isolated = false;
std::string g_reason = "network isolation was not attempted";
} // namespace

bool IsolateNetwork()
{
    if (::unshare(CLONE_NEWNET) != 0) {
        g_reason = std::string("cannot make a private network namespace (needs root): ") + std::strerror(errno);
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &ifr) == 0
        && (ifr.ifr_flags |= IFF_UP, ::ioctl(fd, SIOCSIFFLAGS, &ifr) == 0);
    if (fd >= 0)
        ::close(fd);
    if (!up) {
        g_reason = std::string("cannot bring loopback up in the private network namespace: ") + std::strerror(errno);
        return false;
    }
    g_isolated = true;
    g_reason.clear();
    return true;
}

bool NetworkIsolated() { return g_isolated; }
const std::string& IsolationSkipReason() { return g_reason; }

} // namespace testsupport
