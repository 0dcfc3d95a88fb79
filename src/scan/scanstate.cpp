#include "scan/scanstate.h"

namespace scan {

ScanState::ScanState()
    : WAIT_ACK(wsync::CreateEventA(nullptr, true, false, "WAIT_ACK"))
{
}

} // namespace scan
