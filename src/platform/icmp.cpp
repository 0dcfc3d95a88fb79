#include "platform/icmp.h"

#include "platform/unique_fd.h"
#include "platform/wait_fd.h"
#include "protocol/bytereader.h"
#include "protocol/checksum.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

extern char** environ;

namespace wicmp {

struct EchoService {
    EchoPath path;
    std::string pingProgram; // the SystemPing path only
};

namespace {

using wplatform::UniqueFd;
using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kEchoReply = 0;
constexpr std::uint8_t kEchoRequest = 8;
constexpr std::size_t kIcmpHeader = 8;

// One counter for the whole process, so that two calls in flight never share a sequence number.
std::atomic<std::uint16_t> g_sequence{1};

int OpenDatagramSocket() { return ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP); }
int OpenRawSocket() { return ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP); }

// A raw socket sees every ICMP message to this host; only echo replies are let through.
void OnlyEchoReplies(int fd)
{
    icmp_filter filter{~(1u << ICMP_ECHOREPLY)};
    ::setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
}

constexpr std::size_t kPooledRawSockets = 2;
// Replies to other echoes of this host that queued on an idle pooled socket, read away before its
// next use; a flood beyond that is still told apart by identifier and sequence.
constexpr int kMaxDrained = 256;

struct RawPool {
    std::mutex lock;
    std::vector<int> idle;
    bool opened = false;
};

RawPool& Pool()
{
    static RawPool pool;
    return pool;
}

bool PoolOpened()
{
    RawPool& pool = Pool();
    const std::lock_guard guard(pool.lock);
    return pool.opened;
}

// A pooled raw socket lent to one echo, or none when each one is in use.
class PooledSocket {
public:
    PooledSocket()
    {
        RawPool& pool = Pool();
        const std::lock_guard guard(pool.lock);
        if (!pool.idle.empty()) {
            fd_ = pool.idle.back();
            pool.idle.pop_back();
        }
    }
    ~PooledSocket()
    {
        if (fd_ < 0)
            return;
        RawPool& pool = Pool();
        const std::lock_guard guard(pool.lock);
        pool.idle.push_back(fd_);
    }
    PooledSocket(const PooledSocket&) = delete;
    PooledSocket& operator=(const PooledSocket&) = delete;
    int get() const { return fd_; }

    void Drain() const
    {
        std::uint8_t discard[128];
        for (int i = 0; i < kMaxDrained; ++i) {
            if (::recv(fd_, discard, sizeof discard, MSG_DONTWAIT) < 0 && errno != EINTR)
                return;
        }
    }

private:
    int fd_ = -1;
};

std::string FindPing()
{
    const char* env = std::getenv("PATH");
    const std::string path = env != nullptr ? env : "/usr/bin:/bin";
    std::size_t from = 0;
    while (from <= path.size()) {
        std::size_t to = path.find(':', from);
        if (to == std::string::npos)
            to = path.size();
        const std::string dir = path.substr(from, to - from);
        if (!dir.empty()) {
            const std::string candidate = dir + "/ping";
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        from = to + 1;
    }
    return {};
}

// One echo over a socket of the calling call's own. On a datagram socket the kernel sets the
// identifier and the checksum, and hands back only replies that carry that identifier; on a raw
// socket every echo reply to this host arrives, so identifier and source are checked here.
bool EchoOverSocket(bool raw, std::uint32_t destination, const void* requestData, std::uint16_t requestSize,
                    std::uint32_t timeoutMs, std::vector<std::uint8_t>& echoed)
{
    std::optional<PooledSocket> pooled;
    if (raw)
        pooled.emplace();
    const bool lent = pooled && pooled->get() >= 0;
    const UniqueFd own(lent ? -1 : raw ? OpenRawSocket() : OpenDatagramSocket());
    const int fd = lent ? pooled->get() : own.get();
    if (fd < 0)
        return false;
    const std::uint16_t sequence = g_sequence.fetch_add(1);
    const auto identifier = static_cast<std::uint16_t>(::getpid());
    if (lent)
        pooled->Drain();
    else if (raw)
        OnlyEchoReplies(fd);
    std::vector<std::uint8_t> request(kIcmpHeader + requestSize, 0);
    request[0] = kEchoRequest;
    request[4] = static_cast<std::uint8_t>(identifier >> 8);
    request[5] = static_cast<std::uint8_t>(identifier);
    request[6] = static_cast<std::uint8_t>(sequence >> 8);
    request[7] = static_cast<std::uint8_t>(sequence);
    if (requestSize > 0)
        std::memcpy(request.data() + kIcmpHeader, requestData, requestSize);
    if (raw) {
        const std::uint16_t sum = checksum::Internet(request.data(), request.size());
        request[2] = static_cast<std::uint8_t>(sum >> 8);
        request[3] = static_cast<std::uint8_t>(sum);
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destination;
    if (::sendto(fd, request.data(), request.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to), sizeof to)
        != static_cast<ssize_t>(request.size()))
        return false;

    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    // Room for the largest IP header, the ICMP header and the data echoed back; a longer datagram is
    // not this request's reply.
    std::vector<std::uint8_t> buffer(60 + kIcmpHeader + requestSize + 1);
    std::uint8_t* const packet = buffer.data();
    while (wplatform::WaitForEvents(fd, POLLIN, deadline)) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n
            = ::recvfrom(fd, packet, buffer.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return false; // an ICMP error about the request: no echo reply will come
        }
        if (from.sin_addr.s_addr != destination || static_cast<std::size_t>(n) == buffer.size())
            continue;
        wire::ByteReader in({packet, static_cast<std::size_t>(n)});
        // A raw socket hands over the IP header too: at least its fixed 20 bytes, and as many 32-bit
        // words as its first byte's low nibble says.
        std::span<const std::uint8_t> ipHeader;
        if (raw && (!in.Peek(20, ipHeader) || !in.Skip(std::size_t{ipHeader[0] & 0x0Fu} * 4)))
            continue;
        std::uint8_t type = 0;
        std::uint8_t code = 0;
        std::uint16_t replyIdentifier = 0;
        std::uint16_t replySequence = 0;
        if (!in.FetchU8(type) || !in.FetchU8(code) || !in.Skip(2) || !in.FetchBe16(replyIdentifier)
            || !in.FetchBe16(replySequence))
            continue;
        if (type != kEchoReply || code != 0 || replySequence != sequence)
            continue;
        if (raw && replyIdentifier != identifier)
            continue;
        const std::span<const std::uint8_t> data = in.FetchRest();
        echoed.assign(data.begin(), data.end());
        return true;
    }
    return false;
}

int OpenPidFd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

// Waits for the child to end until the deadline; true when it ended with status 0.
bool WaitChild(pid_t pid, Clock::time_point deadline)
{
    const UniqueFd pidfd(OpenPidFd(pid));
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR)
            return false;
        if (Clock::now() >= deadline)
            break;
        if (pidfd.ok()) {
            wplatform::WaitForEvents(pidfd.get(), POLLIN, deadline);
        } else {
            // Kernels (or seccomp profiles) without pidfd_open: look again shortly.
            const timespec ts{0, 500000};
            ::nanosleep(&ts, nullptr);
        }
    }
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return false;
}

// One echo by the system's ping: -c 1 one request, -s the data size, -W its wait for the reply in
// seconds, -n -q no name lookups and no output. ping sends a pattern of its own as data.
bool EchoOverSystemPing(const std::string& program, std::uint32_t destination, std::uint16_t requestSize,
                        std::uint32_t timeoutMs)
{
    char address[INET_ADDRSTRLEN] = {};
    in_addr a{};
    a.s_addr = destination;
    ::inet_ntop(AF_INET, &a, address, sizeof address);
    char wait[32];
    std::snprintf(wait, sizeof wait, "%u.%03u", timeoutMs / 1000, timeoutMs % 1000);
    std::string size = std::to_string(requestSize);
    std::string argv0 = program;
    std::string n = "-n", q = "-q", c = "-c", one = "1", s = "-s", w = "-W";
    char* argv[] = {argv0.data(), n.data(), q.data(), c.data(), one.data(), s.data(),
                    size.data(),  w.data(), wait,     address,  nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    return WaitChild(pid, Clock::now() + std::chrono::milliseconds(timeoutMs + kPingStartAllowanceMs));
}

} // namespace

HANDLE IcmpCreateFile()
{
    if (const UniqueFd fd(OpenDatagramSocket()); fd.ok())
        return new EchoService{EchoPath::Datagram, {}};
    if (PoolOpened())
        return new EchoService{EchoPath::Raw, {}};
    if (const UniqueFd fd(OpenRawSocket()); fd.ok())
        return new EchoService{EchoPath::Raw, {}};
    std::string ping = FindPing();
    if (!ping.empty())
        return new EchoService{EchoPath::SystemPing, std::move(ping)};
    return INVALID_HANDLE_VALUE;
}

bool IcmpCloseHandle(HANDLE handle)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    delete handle;
    return true;
}

int OpenRawSocketPool()
{
    RawPool& pool = Pool();
    const std::lock_guard guard(pool.lock);
    while (pool.idle.size() < kPooledRawSockets) {
        const int fd = OpenRawSocket();
        if (fd < 0)
            break;
        OnlyEchoReplies(fd);
        pool.idle.push_back(fd);
    }
    pool.opened = !pool.idle.empty();
    return static_cast<int>(pool.idle.size());
}

EchoPath HandlePath(HANDLE handle) { return handle->path; }

std::uint32_t IcmpSendEcho(HANDLE handle, std::uint32_t destination, const void* requestData, std::uint16_t requestSize,
                           const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer, std::uint32_t replySize,
                           std::uint32_t timeoutMs)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || replyBuffer == nullptr)
        return 0;
    if (destination == 0 || requestOptions != nullptr || (requestSize > 0 && requestData == nullptr))
        return 0;
    if (replySize < sizeof(ICMP_ECHO_REPLY) + requestSize + 8)
        return 0;

    const auto start = Clock::now();
    std::vector<std::uint8_t> echoed;
    bool answered = false;
    switch (handle->path) {
    case EchoPath::Datagram:
    case EchoPath::Raw:
        answered
            = EchoOverSocket(handle->path == EchoPath::Raw, destination, requestData, requestSize, timeoutMs, echoed);
        break;
    case EchoPath::SystemPing:
        answered = EchoOverSystemPing(handle->pingProgram, destination, requestSize, timeoutMs);
        break;
    }
    if (!answered)
        return 0;

    auto* out = static_cast<std::uint8_t*>(replyBuffer);
    const std::size_t room = replySize - sizeof(ICMP_ECHO_REPLY);
    const std::size_t dataSize = std::min(echoed.size(), room);
    ICMP_ECHO_REPLY reply{};
    reply.Address = destination;
    reply.Status = IP_SUCCESS;
    reply.RoundTripTime = static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    reply.DataSize = static_cast<std::uint16_t>(dataSize);
    reply.Data = out + sizeof(ICMP_ECHO_REPLY);
    std::memcpy(out, &reply, sizeof reply);
    if (dataSize > 0)
        std::memcpy(out + sizeof(ICMP_ECHO_REPLY), echoed.data(), dataSize);
    return 1;
}

} // namespace wicmp
