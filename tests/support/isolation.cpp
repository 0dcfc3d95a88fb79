#include "support/isolation.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testsupport {
namespace {

bool g_isolated = false;
std::string g_reason = "network isolation was not attempted";

// Best effort: unmapped, the process runs as the overflow ids, which changes nothing for the tests.
void WriteProcFile(const char* path, const std::string& text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
    ::close(fd);
}

// Without root, a user namespace of its own lets the process own a network namespace; it keeps its
// user and group ids inside where the kernel lets it map them.
bool EnterUserAndNetworkNamespaces()
{
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
        return false;
    WriteProcFile("/proc/self/setgroups", "deny");
    WriteProcFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1");
    WriteProcFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
    return true;
}

} // namespace

bool IsolateNetwork()
{
    if (::unshare(CLONE_NEWNET) != 0 && !EnterUserAndNetworkNamespaces()) {
        SetNotIsolated(std::string("no private network namespace (unshare: ") + std::strerror(errno)
                       + "); these tests need root or user namespaces to keep port 6767 and their datagrams private");
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &ifr) == 0
        && (ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP), ::ioctl(fd, SIOCSIFFLAGS, &ifr) == 0);
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (!up) {
        SetNotIsolated(std::string("cannot bring loopback up in the private network namespace: ")
                       + std::strerror(error));
        return false;
    }
    SetIsolated();
    return true;
}

void SetIsolated()
{
    g_isolated = true;
    g_reason.clear();
}

void SetNotIsolated(const std::string& reason)
{
    g_isolated = false;
    g_reason = reason;
}

bool NetworkIsolated() { return g_isolated; }
const std::string& IsolationSkipReason() { return g_reason; }

bool CheckIsolation()
{
    if (g_isolated)
        return true;
    std::fprintf(stderr, "tests: no isolated network: %s\n", g_reason.c_str());
    const char* required = std::getenv("NODEWICK_LAB_REQUIRED");
    if (required == nullptr || std::strcmp(required, "1") != 0)
        return true;
    std::fprintf(stderr, "tests: NODEWICK_LAB_REQUIRED=1, failing\n");
    return false;
}

} // namespace testsupport
