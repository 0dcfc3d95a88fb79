#pragma once
// Kernel event objects as the program uses them: a manual-reset event with a name, waited on with a
// time limit. Names are shared within the process only.

#include <cstdint>

namespace wsync {

struct Event;
using HANDLE = Event*;

inline constexpr std::uint32_t WAIT_OBJECT_0 = 0;
inline constexpr std::uint32_t WAIT_TIMEOUT = 258;
inline constexpr std::uint32_t INFINITE = 0xFFFFFFFFu;

// Gives the existing event when one of that name exists already. Events live until the process ends.
HANDLE CreateEventA(const void* securityAttributes, bool manualReset, bool initialState, const char* name);
bool SetEvent(HANDLE event);
bool ResetEvent(HANDLE event);
std::uint32_t WaitForSingleObject(HANDLE event, std::uint32_t milliseconds);

} // namespace wsync
