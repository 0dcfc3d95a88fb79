#pragma once
// The socket library as the program uses it: the classic Windows Sockets 1.1 calls, supplied here on
// POSIX sockets. Callers write wsock::sendto(...) exactly as they would against Winsock; the Linux
// specifics (error queue, send buffer, bounded lookups) stay inside this layer.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QObject;

namespace wsock {

using SOCKET = std::uint32_t;
inline constexpr SOCKET INVALID_SOCKET = 0xFFFFFFFFu;
inline constexpr int SOCKET_ERROR = -1;
inline constexpr std::uint32_t kInaddrNone = 0xFFFFFFFFu;
inline constexpr std::int16_t kAfInet = 2;
inline constexpr int kSockDgram = 2;
inline constexpr long kFdRead = 1;

// Error codes as Winsock numbers them, for the failures callers may meet.
inline constexpr int kWsaEWouldBlock = 10035;
inline constexpr int kWsaEMsgSize = 10040;
inline constexpr int kWsaEAddrInUse = 10048;
inline constexpr int kWsaENetUnreach = 10051;
inline constexpr int kWsaEConnReset = 10054;
inline constexpr int kWsaEHostUnreach = 10065;
inline constexpr int kWsaENotSock = 10038;
inline constexpr int kWsaEAcces = 10013;
inline constexpr int kWsaEInval = 10022;
inline constexpr int kWsaENoBufs = 10055;

// Same layout as the Winsock record: 16 bytes, port and address in network order.
struct sockaddr_in {
    std::int16_t sin_family = 0;
    std::uint16_t sin_port = 0;
    std::uint32_t sin_addr = 0; // the four octets, first octet first in memory
    char sin_zero[8] = {};
};
static_assert(sizeof(sockaddr_in) == 16);

struct WSADATA {
    std::uint16_t wVersion = 0;
    std::uint16_t wHighVersion = 0;
    char szDescription[257] = {};
    char szSystemStatus[129] = {};
};

// A host entry, copied out of the resolver before the call returns, so no thread ever shares one.
struct HostEntry {
    std::string h_name;
    std::vector<std::uint32_t> h_addr_list; // network order; the null terminator of Winsock is the end()
};

int WSAStartup(std::uint16_t versionRequested, WSADATA* data);
int WSACleanup();
int WSAGetLastError(); // of the calling thread

SOCKET socket(int af, int type, int protocol);
int bind(SOCKET s, const sockaddr_in* name, int namelen);
// Tries once and never waits: when the kernel has no room for the datagram now (a full send buffer,
// a full neighbour table) it fails with kWsaEWouldBlock, to be tried again shortly. Reports of
// earlier ICMP errors, of whatever kind and from whatever host, are taken off the socket first, and
// a send that one of them fails all the same goes again at once: only the send's own failure (no
// route, a refused broadcast) is reported.
int sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr_in* to, int tolen);
// A datagram larger than len fails with kWsaEMsgSize, the sender written to *from; a host that answered
// a query (from port 6767 to its port 137) with ICMP port unreachable from its own address gives a
// failed read (kWsaEConnReset) whose *from is that host. Any other failure leaves *fromlen at 0.
int recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr_in* from, int* fromlen);
int closesocket(SOCKET s);

// For every datagram waiting on s (and for every port-unreachable answer that names its host, also one
// taken off the socket by a send), handler runs once on the thread that owns window, with the network
// event kFdRead in the low 16 bits of its argument.
// Makes the socket non-blocking. Passing an empty handler stops the notifications.
int WSAAsyncSelect(SOCKET s, QObject* window, std::function<void(long lParam)> handler, long events);

std::uint16_t HostToNetShort(std::uint16_t hostShort);

// Classic conversion: a, a.b, a.b.c and a.b.c.d, each piece decimal, octal (leading 0) or
// hexadecimal (leading 0x). kInaddrNone for a rejected text, and so for 255.255.255.255 too.
std::uint32_t inet_addr(const char* cp);
std::string inet_ntoa(std::uint32_t addrNetworkOrder);

int gethostname(char* name, int namelen);
// A dotted text yields itself. The local host's own name yields the IPv4 addresses of the interfaces
// that are up and not loopback, in the system's order. Any other name goes to the system resolver,
// bounded by kLookupTimeoutMs.
std::optional<HostEntry> gethostbyname(const char* name);
// Reverse lookup: the system resolver first (bounded by kLookupTimeoutMs), then, for a host with no
// name there, one NetBIOS node-status request (bounded by wnetbios::kReverseStatusWaitMs, 250 ms), as
// Windows does for LAN hosts; either way h_name is UTF-8 (wnetbios::NodeStatusName). An address with
// no name anywhere costs the two waits, 750 ms at most, and a few milliseconds of work: it runs once
// on the UI thread at start-up, which must stay short.
std::optional<HostEntry> gethostbyaddr(const char* addr, int len, int type);

// The IPv4 addresses of the interfaces that are up and not loopback, in the system's order.
std::vector<std::uint32_t> LocalInterfaceAddresses();

// The layer's own bound on a resolver call, in milliseconds.
inline constexpr int kLookupTimeoutMs = 500;

} // namespace wsock
