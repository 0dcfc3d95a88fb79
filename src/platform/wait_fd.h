#pragma once
// Waiting on one descriptor with a deadline rather than a time-out, so that a signal that interrupts
// the wait never stretches it.

#include <chrono>

namespace wplatform {

// Waits until fd has one of events (poll's POLLIN, POLLOUT, ...) or the deadline passes; false on
// time-out or failure.
bool WaitForEvents(int fd, short events, std::chrono::steady_clock::time_point deadline);

} // namespace wplatform
