#include "platform/winsock.h"

#include "platform/bounded_call.h"
#include "platform/netbios.h"
#include "protocol/address.h"

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/errqueue.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace wsock {
namespace {

std::atomic<int> g_startups{0};
thread_local int t_lastError = 0;

int ToWsaError(int err)
{
    switch (err) {
    case EAGAIN:
        return kWsaEWouldBlock;
    case EMSGSIZE:
        return kWsaEMsgSize;
    case EADDRINUSE:
        return kWsaEAddrInUse;
    case ENETUNREACH:
        return kWsaENetUnreach;
    case ECONNREFUSED:
        return kWsaEConnReset;
    case EHOSTUNREACH:
        return kWsaEHostUnreach;
    case EBADF:
        return kWsaENotSock;
    case EACCES:
        return kWsaEAcces;
    case EINVAL:
        return kWsaEInval;
    case ENOBUFS:
        return kWsaENoBufs;
    default:
        return err;
    }
}

void SetError(int err) { t_lastError = ToWsaError(err); }

// What the layer keeps per socket: its notifier and the port-unreachable answers that are still
// to be handed out as failed reads.
struct SocketState {
    int fd = -1;
    std::deque<std::uint32_t> refusedBy;
    std::unique_ptr<QSocketNotifier> notifier;
    std::function<void(long)> handler;
    QPointer<QObject> window;
};

std::mutex g_socketsMutex;
std::map<SOCKET, std::shared_ptr<SocketState>> g_sockets;

std::shared_ptr<SocketState> Find(SOCKET s)
{
    std::lock_guard lock(g_socketsMutex);
    auto it = g_sockets.find(s);
    return it == g_sockets.end() ? nullptr : it->second;
}

::sockaddr_in ToSys(const sockaddr_in& a)
{
    ::sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = a.sin_port;
    sa.sin_addr.s_addr = a.sin_addr;
    return sa;
}

// An ICMP error that an earlier datagram provoked stays on the socket as its pending error, and the
// kernel fails the socket's next send or receive with it, whatever that call is about: a refusal as
// ECONNREFUSED, "fragmentation needed" as EMSGSIZE, "source route failed" as EOPNOTSUPP, a parameter
// problem as EPROTO. Any host on the network can send one. Reading the pending error clears it.
void ClearPendingError(int fd)
{
    int pending = 0;
    socklen_t length = sizeof pending;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &length);
}

// A node-status query leaves from port 6767 for port 137; only its refusal names a host.
constexpr std::uint16_t kQuerySourcePort = 6767;
constexpr std::uint16_t kQueryDestinationPort = 137;

std::uint16_t LocalPort(int fd)
{
    ::sockaddr_in local{};
    socklen_t len = sizeof local;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0 || local.sin_family != AF_INET)
        return 0;
    return ntohs(local.sin_port);
}

// Empties the socket's error queue and tells how many reports it held. A port-unreachable answer is
// kept, with the refusing host's address, to be read as a failed read, but only when the host that
// sent it is the one the query went to: a router or firewall that rejects on a host's behalf (or
// for an address where no host exists) names no host. Everything else (host and net unreachable: a
// failed ARP, a missing route) means no one answered, and is dropped.
int DrainErrorQueue(SocketState& st)
{
    int reports = 0;
    std::uint16_t localPort = 0;
    for (int guard = 0; guard < 100000; ++guard) {
        char control[512];
        char payload[64];
        ::sockaddr_in origin{};
        iovec iov{payload, sizeof payload};
        msghdr msg{};
        msg.msg_name = &origin;
        msg.msg_namelen = sizeof origin;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        if (::recvmsg(st.fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
            return reports;
        ++reports;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR
                || c->cmsg_len < CMSG_LEN(sizeof(sock_extended_err) + sizeof(::sockaddr_in)))
                continue;
            sock_extended_err ee{};
            std::memcpy(&ee, CMSG_DATA(c), sizeof ee);
            if (ee.ee_origin != SO_EE_ORIGIN_ICMP || ee.ee_type != 3 || ee.ee_code != 3
                || msg.msg_namelen < sizeof(::sockaddr_in))
                continue;
            // The offender is the sender of the ICMP message; msg_name holds the quoted destination.
            ::sockaddr_in offender{};
            std::memcpy(&offender, CMSG_DATA(c) + sizeof ee, sizeof offender);
            if (localPort == 0)
                localPort = LocalPort(st.fd);
            if (offender.sin_family == AF_INET && offender.sin_addr.s_addr == origin.sin_addr.s_addr
                && ntohs(origin.sin_port) == kQueryDestinationPort && localPort == kQuerySourcePort)
                st.refusedBy.push_back(origin.sin_addr.s_addr);
        }
    }
    return reports;
}

bool DatagramWaiting(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

void OnReadable(SOCKET s);

// Takes the pending ICMP reports off the socket before a send, since the kernel would fail the send
// with the latest of them. A refusal found here no longer raises the notifier, so its read
// notification is posted to the window. Tells how many reports were taken.
int TakeReportsBeforeSend(SOCKET s, SocketState& st)
{
    const auto before = st.refusedBy.size();
    const int reports = DrainErrorQueue(st);
    if (st.refusedBy.size() > before && !st.window.isNull())
        QMetaObject::invokeMethod(
            st.window.data(), [s] { OnReadable(s); }, Qt::QueuedConnection);
    return reports;
}

void OnReadable(SOCKET s)
{
    auto st = Find(s);
    if (!st)
        return;
    DrainErrorQueue(*st);
    // One handler call per answer: the queued port-unreachable answers first, then the datagrams.
    // A burst is handled in one pass, up to a few milliseconds' worth, so that a flood costs one
    // repaint per pass rather than one per datagram while input and painting still come in between;
    // the level-triggered notifier brings the rest on the next pass.
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + std::chrono::milliseconds(8);
    while (!st->refusedBy.empty() && st->handler) {
        const auto before = st->refusedBy.size();
        auto handler = st->handler;
        handler(kFdRead);
        st = Find(s);
        if (!st || st->refusedBy.size() >= before)
            return;
    }
    for (int handled = 0; handled < 512 && st->handler && DatagramWaiting(st->fd); ++handled) {
        auto handler = st->handler;
        handler(kFdRead);
        st = Find(s);
        if (!st || Clock::now() >= until)
            return;
    }
}

void SetSendBuffer(int fd)
{
    // Queries to absent addresses of the local subnet wait in the kernel for ARP for about three
    // seconds each; a quick walk keeps thousands of them pending.
    int size = 8 * 1024 * 1024;
    if (::setsockopt(fd, SOL_SOCKET, SO_SNDBUFFORCE, &size, sizeof size) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
}

} // namespace

int WSAStartup(std::uint16_t versionRequested, WSADATA* data)
{
    if (data != nullptr) {
        *data = WSADATA{};
        data->wVersion = versionRequested;
        data->wHighVersion = 0x0202;
        std::strncpy(data->szDescription, "POSIX sockets", sizeof data->szDescription - 1);
        std::strncpy(data->szSystemStatus, "Running", sizeof data->szSystemStatus - 1);
    }
    if ((versionRequested & 0xFF) < 1) {
        SetError(EINVAL);
        return kWsaEInval;
    }
    g_startups.fetch_add(1);
    return 0;
}

int WSACleanup()
{
    int current = g_startups.load();
    while (current > 0 && !g_startups.compare_exchange_weak(current, current - 1)) {}
    if (current <= 0) {
        SetError(EINVAL);
        return SOCKET_ERROR;
    }
    return 0;
}

int WSAGetLastError() { return t_lastError; }

SOCKET socket(int af, int type, int protocol)
{
    if (af != kAfInet || type != kSockDgram || (protocol != 0 && protocol != IPPROTO_UDP)) {
        SetError(EINVAL);
        return INVALID_SOCKET;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetError(errno);
        return INVALID_SOCKET;
    }
    const int on = 1;
    ::setsockopt(fd, SOL_IP, IP_RECVERR, &on, sizeof on);
    SetSendBuffer(fd);
    auto st = std::make_shared<SocketState>();
    st->fd = fd;
    const auto s = static_cast<SOCKET>(fd);
    std::lock_guard lock(g_socketsMutex);
    g_sockets[s] = std::move(st);
    return s;
}

int bind(SOCKET s, const sockaddr_in* name, int namelen)
{
    auto st = Find(s);
    if (!st || name == nullptr || namelen < static_cast<int>(sizeof(sockaddr_in))) {
        SetError(st ? EINVAL : EBADF);
        return SOCKET_ERROR;
    }
    const ::sockaddr_in sa = ToSys(*name);
    if (::bind(st->fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        SetError(errno);
        return SOCKET_ERROR;
    }
    return 0;
}

int sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr_in* to, int tolen)
{
    auto st = Find(s);
    if (!st || to == nullptr || tolen < static_cast<int>(sizeof(sockaddr_in)) || len < 0) {
        SetError(st ? EINVAL : EBADF);
        return SOCKET_ERROR;
    }
    const ::sockaddr_in sa = ToSys(*to);
    TakeReportsBeforeSend(s, *st);
    // A report that found the receive buffer full is not queued, but still left pending.
    ClearPendingError(st->fd);
    bool triedAgain = false;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const ssize_t n = ::sendto(st->fd, buf, static_cast<size_t>(len), flags | MSG_DONTWAIT | MSG_NOSIGNAL,
                                   reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
        if (n >= 0)
            return static_cast<int>(n);
        const int err = errno;
        if (err == EINTR)
            continue;
        // A full send buffer, or a neighbour table full of addresses still waiting for ARP: both
        // empty by themselves within seconds, so the caller is told to try again, never made to wait.
        if (err == EAGAIN || err == EWOULDBLOCK || err == ENOBUFS) {
            SetError(EAGAIN);
            return SOCKET_ERROR;
        }
        // A report that came in after the error was cleared failed the send in its place, and was
        // cleared by it: the datagram was not sent, and goes again at once. A failure of the send's
        // own, such as no route or a refused broadcast, comes again on the next try; only that one
        // is the caller's to report.
        if (TakeReportsBeforeSend(s, *st) > 0 || !triedAgain) {
            triedAgain = true;
            continue;
        }
        SetError(err);
        return SOCKET_ERROR;
    }
    // Reports pouring in faster than sends go out: the next try may find the queue quiet.
    SetError(EAGAIN);
    return SOCKET_ERROR;
}

int recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr_in* from, int* fromlen)
{
    if (fromlen != nullptr && *fromlen < static_cast<int>(sizeof(sockaddr_in)))
        from = nullptr;
    const auto giveAddress = [&](std::uint32_t addr, std::uint16_t port) {
        if (from == nullptr)
            return;
        *from = sockaddr_in{};
        from->sin_family = kAfInet;
        from->sin_port = port;
        from->sin_addr = addr;
        if (fromlen != nullptr)
            *fromlen = sizeof(sockaddr_in);
    };
    if (fromlen != nullptr)
        *fromlen = 0;
    auto st = Find(s);
    if (!st || len < 0) {
        SetError(st ? EINVAL : EBADF);
        return SOCKET_ERROR;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!st->refusedBy.empty()) {
            const std::uint32_t addr = st->refusedBy.front();
            st->refusedBy.pop_front();
            giveAddress(addr, HostToNetShort(kQueryDestinationPort));
            SetError(ECONNREFUSED);
            return SOCKET_ERROR;
        }
        ::sockaddr_in sa{};
        socklen_t salen = sizeof sa;
        const ssize_t n = ::recvfrom(st->fd, buf, static_cast<size_t>(len), flags | MSG_DONTWAIT | MSG_TRUNC,
                                     reinterpret_cast<sockaddr*>(&sa), &salen);
        if (n >= 0) {
            giveAddress(sa.sin_addr.s_addr, sa.sin_port);
            if (n > len) {
                SetError(EMSGSIZE);
                return SOCKET_ERROR;
            }
            return static_cast<int>(n);
        }
        const int err = errno;
        if (err == EAGAIN || err == EWOULDBLOCK) {
            SetError(err);
            return SOCKET_ERROR;
        }
        // An earlier report's pending error failed the read in place of the datagram that waits.
        DrainErrorQueue(*st);
        ClearPendingError(st->fd);
    }
    SetError(EAGAIN);
    return SOCKET_ERROR;
}

int closesocket(SOCKET s)
{
    std::shared_ptr<SocketState> st;
    {
        std::lock_guard lock(g_socketsMutex);
        auto it = g_sockets.find(s);
        if (it == g_sockets.end()) {
            SetError(EBADF);
            return SOCKET_ERROR;
        }
        st = std::move(it->second);
        g_sockets.erase(it);
    }
    st->notifier.reset();
    st->handler = nullptr;
    ::close(st->fd);
    return 0;
}

int WSAAsyncSelect(SOCKET s, QObject* window, std::function<void(long lParam)> handler, long events)
{
    auto st = Find(s);
    if (!st) {
        SetError(EBADF);
        return SOCKET_ERROR;
    }
    st->notifier.reset();
    st->handler = nullptr;
    st->window = nullptr;
    if ((events & kFdRead) == 0 || !handler || window == nullptr)
        return 0;
    st->handler = std::move(handler);
    st->window = window;
    // The notifier fires on POLLERR as well as POLLIN, which is how ICMP answers arrive.
    st->notifier = std::make_unique<QSocketNotifier>(st->fd, QSocketNotifier::Read);
    st->notifier->moveToThread(window->thread());
    QObject::connect(st->notifier.get(), &QSocketNotifier::activated, window, [s] { OnReadable(s); });
    return 0;
}

std::uint16_t HostToNetShort(std::uint16_t hostShort) { return htons(hostShort); }

std::uint32_t inet_addr(const char* cp) { return address::Parse(cp); }

std::string inet_ntoa(std::uint32_t addrNetworkOrder) { return address::Dotted(addrNetworkOrder); }

int gethostname(char* name, int namelen)
{
    if (name == nullptr || namelen <= 0) {
        SetError(EINVAL);
        return SOCKET_ERROR;
    }
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) {
        SetError(errno);
        return SOCKET_ERROR;
    }
    if (std::strlen(buf) + 1 > static_cast<size_t>(namelen)) {
        SetError(EINVAL);
        return SOCKET_ERROR;
    }
    std::strcpy(name, buf);
    return 0;
}

std::vector<std::uint32_t> LocalInterfaceAddresses()
{
    std::vector<std::uint32_t> result;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return result;
    for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET)
            continue;
        if ((i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_LOOPBACK) != 0)
            continue;
        ::sockaddr_in sa{};
        std::memcpy(&sa, i->ifa_addr, sizeof sa);
        if (std::find(result.begin(), result.end(), sa.sin_addr.s_addr) == result.end())
            result.push_back(sa.sin_addr.s_addr);
    }
    ::freeifaddrs(list);
    return result;
}

std::optional<HostEntry> gethostbyname(const char* name)
{
    if (name == nullptr)
        return std::nullopt;
    const std::uint32_t numeric = inet_addr(name);
    if (numeric != kInaddrNone)
        return HostEntry{name, {numeric}};
    char local[256] = {};
    // As on Windows, an empty name stands for the local host.
    if (::gethostname(local, sizeof local - 1) == 0 && (name[0] == '\0' || strcasecmp(name, local) == 0))
        return HostEntry{local, LocalInterfaceAddresses()};
    const std::string query = name;
    auto looked = BoundedCall<std::optional<HostEntry>>(kLookupTimeoutMs, [query]() -> std::optional<HostEntry> {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;
        hints.ai_flags = AI_CANONNAME;
        addrinfo* res = nullptr;
        if (::getaddrinfo(query.c_str(), nullptr, &hints, &res) != 0 || res == nullptr)
            return std::nullopt;
        HostEntry entry;
        entry.h_name = res->ai_canonname != nullptr ? res->ai_canonname : query;
        for (addrinfo* a = res; a != nullptr; a = a->ai_next) {
            if (a->ai_family != AF_INET || a->ai_addr == nullptr)
                continue;
            ::sockaddr_in sa{};
            std::memcpy(&sa, a->ai_addr, sizeof sa);
            if (std::find(entry.h_addr_list.begin(), entry.h_addr_list.end(), sa.sin_addr.s_addr)
                == entry.h_addr_list.end())
                entry.h_addr_list.push_back(sa.sin_addr.s_addr);
        }
        ::freeaddrinfo(res);
        return entry;
    });
    return looked ? *looked : std::nullopt;
}

std::optional<HostEntry> gethostbyaddr(const char* addr, int len, int type)
{
    if (addr == nullptr || len != 4 || type != kAfInet)
        return std::nullopt;
    std::uint32_t a = 0;
    std::memcpy(&a, addr, 4);
    auto looked = BoundedCall<std::optional<HostEntry>>(kLookupTimeoutMs, [a]() -> std::optional<HostEntry> {
        ::sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = a;
        char host[NI_MAXHOST] = {};
        if (::getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0, NI_NAMEREQD)
            != 0)
            return std::nullopt;
        return HostEntry{host, {a}};
    });
    if (looked && *looked)
        return *looked;
    // As on Windows, a LAN host that no resolver knows still has its NetBIOS name.
    if (auto name = wnetbios::NodeStatusName(a))
        return HostEntry{std::move(*name), {a}};
    return std::nullopt;
}

} // namespace wsock
