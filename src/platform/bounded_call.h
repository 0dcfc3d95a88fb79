#pragma once
// Runs a blocking call that has no time-out of its own (the system resolver) on a thread of its own
// and waits for it at most a given time. A call that overruns finishes in the background; its result
// is dropped.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace wsock {

template <typename Result, typename Fn>
std::optional<Result> BoundedCall(int timeoutMs, Fn fn)
{
    struct Shared {
        std::mutex m;
        std::condition_variable cv;
        std::optional<Result> result;
        bool done = false;
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, fn = std::move(fn)]() mutable {
        Result r = fn();
        std::lock_guard lock(shared->m);
        shared->result = std::move(r);
        shared->done = true;
        shared->cv.notify_all();
    }).detach();
    std::unique_lock lock(shared->m);
    if (!shared->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return shared->done; }))
        return std::nullopt;
    return std::move(shared->result);
}

} // namespace wsock
