#include "scan/udp.h"

namespace udp {

scanwalk::Octets StartIP{};
scanwalk::Octets EndIP{};
std::atomic<bool> StopScan{false};
std::atomic<std::int32_t> TimeOut{kDefaultTimeOut};
std::atomic<bool> ThoroughMode{false};
wsync::HANDLE WaitAckEvent = nullptr;

} // namespace udp
