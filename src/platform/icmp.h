#pragma once
// The ICMP echo service as the program uses it: IcmpCreateFile, IcmpSendEcho and IcmpCloseHandle,
// supplied on Linux by the first of three means that works here:
//   1. an unprivileged ICMP datagram socket (allowed when net.ipv4.ping_group_range holds the
//      caller's group; stock Debian allows nobody),
//   2. a raw ICMP socket (root, or CAP_NET_RAW on the binary; a program that drops the capability
//      at start keeps a few raw sockets opened before, see OpenRawSocketPool),
//   3. the system's ping from iputils, which carries cap_net_raw itself, run for the one echo.
// When none works there is no echo handle. Every IcmpSendEcho uses a socket of its own for the one
// echo (opened for it, or taken from the pool and given back after), or runs its own ping, so calls
// on several threads, even on one handle, never see each other's replies.

#include <cstdint>

namespace wicmp {

enum class EchoPath { Datagram, Raw, SystemPing };

struct EchoService;
using HANDLE = EchoService*;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

inline constexpr std::uint32_t IP_SUCCESS = 0;

struct IP_OPTION_INFORMATION {
    std::uint8_t Ttl;
    std::uint8_t Tos;
    std::uint8_t Flags;
    std::uint8_t OptionsSize;
    std::uint8_t* OptionsData;
};

// What IcmpSendEcho stores at the start of the reply buffer for a reply; the echoed data follows it.
struct ICMP_ECHO_REPLY {
    std::uint32_t Address; // network order
    std::uint32_t Status;
    std::uint32_t RoundTripTime; // milliseconds
    std::uint16_t DataSize;
    std::uint16_t Reserved;
    void* Data;
    IP_OPTION_INFORMATION Options;
};

HANDLE IcmpCreateFile();
bool IcmpCloseHandle(HANDLE handle);

// Sends one echo request to destination (network order) and waits at most timeoutMs for the reply
// that matches it: an echo reply from destination carrying this request's sequence number (and, on
// a raw socket, its identifier). Returns 1 with that reply stored in replyBuffer, else 0: no reply in
// time, destination 0.0.0.0 (which Linux would deliver to the local host), request options given
// (not supported), a reply buffer smaller than one ICMP_ECHO_REPLY plus the request data plus 8
// bytes, or any failure to send.
//
// On the system-ping path the time-out is ping's own wait for the reply (-W); ping is given
// kPingStartAllowanceMs on top to start up, and is killed if it has not ended by then.
std::uint32_t IcmpSendEcho(HANDLE handle, std::uint32_t destination, const void* requestData, std::uint16_t requestSize,
                           const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer, std::uint32_t replySize,
                           std::uint32_t timeoutMs);

inline constexpr int kPingStartAllowanceMs = 200;

// Opens the raw sockets that serve the echoes once the process can no longer open any: one for the
// scan worker and one for the Ping dialog, the callers that can be in flight at once. Call while
// CAP_NET_RAW is effective, before any echo and before a second thread exists. Gives the number
// opened. While the pool holds sockets, handles take the raw path unless the datagram one works;
// an echo that finds every pooled socket in use opens one of its own, as without the pool.
int OpenRawSocketPool();

// The means a handle uses; for the benchmarks and the tests of the fallbacks.
EchoPath HandlePath(HANDLE handle);

} // namespace wicmp
