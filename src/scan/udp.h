#pragma once
// Scan state shared by the main window and its one scan worker at a time. The UI thread writes the
// atomics, the worker reads them; no lock is taken.

#include "platform/event.h"
#include "protocol/walk.h"

#include <atomic>
#include <cstdint>

namespace udp {

inline constexpr std::uint16_t kLocalPort = 6767;
inline constexpr int kDefaultTimeOut = 100;

extern scanwalk::Octets StartIP; // the address being probed; the worker's while it runs
extern scanwalk::Octets EndIP;
extern std::atomic<bool> StopScan;
extern std::atomic<std::int32_t> TimeOut; // milliseconds; a negative wait counts as 0
extern std::atomic<bool> ThoroughMode; // the mode selection, read anew for every address
extern wsync::HANDLE WaitAckEvent; // "WAIT_ACK": a reply has been handled

// How a query's send went: out, refused for now by a kernel without room, or failed (and reported).
enum class QuerySend { Sent, WouldBlock, Failed };

} // namespace udp
