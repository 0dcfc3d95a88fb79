#pragma once
// The NetBIOS service as the program uses it: Netbios with NCBRESET and NCBASTAT on adapter 0,
// supplied over the NetBIOS name service (UDP port 137) as a B-node does it.
//
// NCBASTAT by name: a call name that is a dotted IPv4 address text is that address, as NetBIOS over
// TCP/IP takes it, and no lookup is made. Any other call name (bytes in the OEM code page,
// platform/codepage.h) without its trailing blanks is looked up, as UTF-8, with the system resolver
// (bounded by wsock::kLookupTimeoutMs, 500 ms); when that gives no address, a NAME QUERY REQUEST for
// the 16-byte call name, in upper case, is broadcast on every local IPv4 broadcast domain.
// The address found gets a NODE STATUS REQUEST, and its answer fills the caller's buffer as one
// ADAPTER_STATUS (adapter_address is the answer's UNIT_ID, name_count the entries written; the
// statistics stay zero) followed by one NAME_BUFFER per name that fits. Whatever fails leaves the
// buffer exactly as given.
//
// Nothing here waits without a bound, so that a Thorough scan never hangs on one host:
//   resolver           500 ms (the socket layer's bound)
//   broadcast query    kNameQueryTries x kNameQueryWaitMs = 750 ms (the B-node retry count and
//                      interval of the name service itself)
//   node status        kStatusTries x kStatusWaitMs = 500 ms; a host without the name service
//                      answers with port unreachable, which ends the wait at once
// so a name nobody holds costs 1.25 s of waiting at most, a name found but never answered 1.75 s; the
// work between the waits adds a few milliseconds.

#include "platform/nb30.h"

#include <cstdint>
#include <optional>
#include <string>

namespace wnetbios {

inline constexpr int kNameQueryTries = 3;
inline constexpr int kNameQueryWaitMs = 250;
inline constexpr int kStatusTries = 2;
inline constexpr int kStatusWaitMs = 250;
// The reverse lookup runs on the UI thread at start-up, after a resolver bound of 500 ms; one short
// try keeps the whole lookup of an address with no name anywhere well under a second.
inline constexpr int kReverseStatusWaitMs = 250;

// Carries out the command before returning and gives ncb_retcode (also stored in ncb_cmd_cplt).
// Asynchronous use (ncb_post or ncb_event set) is refused with NRC_ILLCMD.
std::uint8_t Netbios(NCB* ncb);

// The host's own name from one NODE STATUS REQUEST to address (network order), sent from an
// ephemeral port and waited for at most waitMs: its unique name with suffix 0x00, else its unique name
// with suffix 0x20, without trailing blanks. None when the host does not answer in time, has no such
// name, or address is not a unicast address (0.0.0.0 would reach the local host).
// The name is UTF-8, its bytes read in the OEM code page: a reverse lookup then gives
// the same kind of text whether the resolver or NetBIOS answered, and the name reads as a Quick
// row shows the same bytes.
std::optional<std::string> NodeStatusName(std::uint32_t address, int waitMs = kReverseStatusWaitMs);

} // namespace wnetbios
