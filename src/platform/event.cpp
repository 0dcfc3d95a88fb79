#include "platform/event.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace wsync {

struct Event {
    std::mutex m;
    std::condition_variable cv;
    bool manualReset = true;
    bool signalled = false;
};

namespace {
std::mutex g_registryMutex;
std::map<std::string, Event*> g_named;
std::vector<std::unique_ptr<Event>> g_all;
} // namespace

HANDLE CreateEventA(const void*, bool manualReset, bool initialState, const char* name)
{
    std::lock_guard lock(g_registryMutex);
    if (name != nullptr && *name != '\0') {
        auto it = g_named.find(name);
        if (it != g_named.end())
            return it->second;
    }
    auto ev = std::make_unique<Event>();
    ev->manualReset = manualReset;
    ev->signalled = initialState;
    Event* handle = ev.get();
    g_all.push_back(std::move(ev));
    if (name != nullptr && *name != '\0')
        g_named.emplace(name, handle);
    return handle;
}

bool SetEvent(HANDLE event)
{
    if (event == nullptr)
        return false;
    {
        std::lock_guard lock(event->m);
        event->signalled = true;
    }
    event->cv.notify_all();
    return true;
}

bool ResetEvent(HANDLE event)
{
    if (event == nullptr)
        return false;
    std::lock_guard lock(event->m);
    event->signalled = false;
    return true;
}

std::uint32_t WaitForSingleObject(HANDLE event, std::uint32_t milliseconds)
{
    if (event == nullptr)
        return WAIT_TIMEOUT;
    std::unique_lock lock(event->m);
    const auto ready = [&] { return event->signalled; };
    if (milliseconds == INFINITE)
        event->cv.wait(lock, ready);
    else if (!event->cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready))
        return WAIT_TIMEOUT;
    if (!event->manualReset)
        event->signalled = false;
    return WAIT_OBJECT_0;
}

} // namespace wsync
