#include "platform/netbios.h"

#include "platform/codepage.h"
#include "platform/unique_fd.h"
#include "platform/winsock.h"
#include "protocol/nbname.h"
#include "protocol/nbstat.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace wnetbios {
namespace {

using wplatform::UniqueFd;
using Clock = std::chrono::steady_clock;

// A node status with a long name table outgrows the 576 bytes the name service was planned for.
constexpr std::size_t kLargestDatagram = 65535;

// Shared by every request of the process, so answers to two requests in flight cannot be mixed up.
std::atomic<std::uint16_t> g_transactionId{static_cast<std::uint16_t>(Clock::now().time_since_epoch().count())};

std::uint16_t NextTransactionId() { return g_transactionId.fetch_add(1); }

// Waits for a datagram until the deadline. False on time-out; refused is set when the socket reports
// that the peer's port is closed.
bool Receive(int fd, Clock::time_point deadline, std::vector<std::uint8_t>& datagram, bool& refused)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR)
            return false;
        datagram.resize(kLargestDatagram);
        const ssize_t n = ::recv(fd, datagram.data(), datagram.size(), MSG_DONTWAIT);
        if (n >= 0) {
            datagram.resize(static_cast<std::size_t>(n));
            return true;
        }
        if (errno == ECONNREFUSED) {
            refused = true;
            return false;
        }
        if (errno != EAGAIN && errno != EINTR)
            return false;
    }
}

// A complete NODE STATUS RESPONSE (every name and the UNIT_ID) from address, or none.
std::optional<nbstat::Reply> QueryNodeStatus(std::uint32_t address, int tries, int waitMs)
{
    if (!nbname::IsUnicast(address))
        return std::nullopt;
    // Connected, so that only the host's answers arrive and its port-unreachable ends the wait.
    const UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(nbstat::kNameServicePort);
    to.sin_addr.s_addr = address;
    if (!fd.ok() || ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0)
        return std::nullopt;
    std::vector<std::uint8_t> datagram;
    for (int attempt = 0; attempt < tries; ++attempt) {
        const std::uint16_t id = NextTransactionId();
        const auto query = nbname::StatusQuery(id);
        if (::send(fd.get(), query.data(), query.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(query.size()))
            return std::nullopt;
        const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
        bool refused = false;
        while (Receive(fd.get(), deadline, datagram, refused)) {
            if (!nbname::IsPositiveResponse(datagram.data(), datagram.size(), id))
                continue;
            nbstat::Reply reply = nbstat::Decode(datagram.data(), static_cast<int>(datagram.size()));
            if (reply.mac)
                return reply;
        }
        if (refused)
            return std::nullopt;
    }
    return std::nullopt;
}

// The directed broadcast address of every IPv4 interface that is up and can broadcast.
std::vector<std::uint32_t> BroadcastAddresses()
{
    std::vector<std::uint32_t> result;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return result;
    for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET || i->ifa_broadaddr == nullptr)
            continue;
        if ((i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_BROADCAST) == 0 || (i->ifa_flags & IFF_LOOPBACK) != 0)
            continue;
        sockaddr_in sa{};
        std::memcpy(&sa, i->ifa_broadaddr, sizeof sa);
        if (std::find(result.begin(), result.end(), sa.sin_addr.s_addr) == result.end())
            result.push_back(sa.sin_addr.s_addr);
    }
    ::freeifaddrs(list);
    return result;
}

// A broadcast NAME QUERY REQUEST, as a B-node resolves a name, from a socket of this layer's own
// (the program's own socket is never enabled for broadcast).
std::optional<std::uint32_t> QueryNameByBroadcast(const nbname::Name& name)
{
    const std::vector<std::uint32_t> domains = BroadcastAddresses();
    if (domains.empty())
        return std::nullopt;
    const UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const int on = 1;
    if (!fd.ok() || ::setsockopt(fd.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
        return std::nullopt;
    const nbname::EncodedName encoded = nbname::EncodeName(name);
    std::vector<std::uint8_t> datagram;
    for (int attempt = 0; attempt < kNameQueryTries; ++attempt) {
        const std::uint16_t id = NextTransactionId();
        const auto query = nbname::NameQuery(id, name);
        for (const std::uint32_t domain : domains) {
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(nbstat::kNameServicePort);
            to.sin_addr.s_addr = domain;
            ::sendto(fd.get(), query.data(), query.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to),
                     sizeof to);
        }
        const auto deadline = Clock::now() + std::chrono::milliseconds(kNameQueryWaitMs);
        bool refused = false;
        while (Receive(fd.get(), deadline, datagram, refused)) {
            if (!nbname::IsPositiveResponse(datagram.data(), datagram.size(), id))
                continue;
            if (const auto address = nbname::AnsweredAddress(datagram, encoded))
                return address;
        }
    }
    return std::nullopt;
}

std::uint8_t AdapterStatus(NCB& ncb)
{
    if (ncb.ncb_lana_num != 0)
        return NRC_BRIDGE;
    if (ncb.ncb_buffer == nullptr || ncb.ncb_length < sizeof(ADAPTER_STATUS))
        return NRC_BUFLEN;
    nbname::Name callName{};
    std::copy(std::begin(ncb.ncb_callname), std::end(ncb.ncb_callname), callName.begin());
    std::string name(callName.begin(), callName.end());
    name.erase(name.find_last_not_of(' ') + 1);
    if (name.empty())
        return NRC_NOCALL;

    std::optional<std::uint32_t> address;
    if (in_addr dotted{}; ::inet_pton(AF_INET, name.c_str(), &dotted) == 1)
        address = dotted.s_addr;
    else if (const auto entry = wsock::gethostbyname(wcodepage::OemToUtf8(name).c_str());
             entry && !entry->h_addr_list.empty())
        address = entry->h_addr_list.front();
    if (!address) {
        // NetBIOS names are registered in upper case.
        for (std::uint8_t& b : callName)
            if (b >= 'a' && b <= 'z')
                b = static_cast<std::uint8_t>(b - 'a' + 'A');
        address = QueryNameByBroadcast(callName);
    }
    if (!address)
        return NRC_NOCALL;
    const auto reply = QueryNodeStatus(*address, kStatusTries, kStatusWaitMs);
    if (!reply)
        return NRC_CMDTMO;

    const std::size_t room = (ncb.ncb_length - sizeof(ADAPTER_STATUS)) / sizeof(NAME_BUFFER);
    const std::size_t written = std::min(room, reply->names.size());
    ADAPTER_STATUS status{};
    std::copy(reply->mac->begin(), reply->mac->end(), status.adapter_address);
    status.name_count = static_cast<std::uint16_t>(written);
    std::memcpy(ncb.ncb_buffer, &status, sizeof status);
    for (std::size_t i = 0; i < written; ++i) {
        const nbstat::NameEntry& entry = reply->names[i];
        NAME_BUFFER out{};
        std::copy(entry.text.begin(), entry.text.end(), out.name);
        out.name[NCBNAMSZ - 1] = entry.suffix;
        out.name_flags = static_cast<std::uint8_t>(REGISTERED | (entry.group ? GROUP_NAME : UNIQUE_NAME));
        std::memcpy(ncb.ncb_buffer + sizeof status + i * sizeof out, &out, sizeof out);
    }
    ncb.ncb_length = static_cast<std::uint16_t>(sizeof status + written * sizeof(NAME_BUFFER));
    return written < reply->names.size() ? NRC_INCOMP : NRC_GOODRET;
}

} // namespace

std::uint8_t Netbios(NCB* ncb)
{
    if (ncb == nullptr)
        return NRC_ILLCMD;
    const bool synchronous = ncb->ncb_post == nullptr && ncb->ncb_event == 0;
    std::uint8_t result = NRC_ILLCMD;
    if (synchronous && ncb->ncb_command == NCBRESET)
        result = ncb->ncb_lana_num == 0 ? NRC_GOODRET : NRC_BRIDGE;
    else if (synchronous && ncb->ncb_command == NCBASTAT)
        result = AdapterStatus(*ncb);
    ncb->ncb_retcode = result;
    ncb->ncb_cmd_cplt = result;
    return result;
}

std::optional<std::string> NodeStatusName(std::uint32_t address, int waitMs)
{
    const auto reply = QueryNodeStatus(address, 1, waitMs);
    if (!reply)
        return std::nullopt;
    const auto name = nbname::OwnName(*reply);
    return name ? std::optional<std::string>(wcodepage::OemToUtf8(*name)) : std::nullopt;
}

} // namespace wnetbios
