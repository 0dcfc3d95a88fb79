#include "platform/wait_fd.h"

#include <poll.h>
#include <time.h>

#include <cerrno>

namespace wplatform {

bool WaitForEvents(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return false;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd p{fd, events, 0};
        const int n = ::ppoll(&p, 1, &ts, nullptr);
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
    }
}

} // namespace wplatform
