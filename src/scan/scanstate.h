#pragma once
// What a scan's worker shares with the UI thread. The UI thread writes the atomics, the worker reads
// them; no lock is taken. The walk's octets belong to the worker while it runs.

#include "platform/event.h"
#include "protocol/scanwalk.h"

#include <atomic>
#include <cstdint>

namespace scan {

inline constexpr std::uint16_t kLocalPort = 6767;
inline constexpr int kDefaultTimeOut = 100;

// How a query's send went: out, refused for now by a kernel without room, or failed (and reported).
enum class QuerySend { Sent, WouldBlock, Failed };

class ScanState {
public:
    ScanState();
    ScanState(const ScanState&) = delete;
    ScanState& operator=(const ScanState&) = delete;

    scanwalk::Octets StartIP{}; // the address being probed
    scanwalk::Octets EndIP{};
    std::atomic<bool> StopScan{false};
    std::atomic<std::int32_t> TimeOut{kDefaultTimeOut}; // milliseconds; a negative wait counts as 0
    std::atomic<bool> ThoroughMode{false}; // the mode selection, read anew for every address
    const wsync::HANDLE WAIT_ACK; // set when a reply has been handled; shared by name in the process
};

} // namespace scan
