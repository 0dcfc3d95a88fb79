#pragma once
// Puts the calling thread where the echo layer must take a given path: the datagram socket (the
// network namespace's ping_group_range opened to every group), the raw socket (range closed), the
// system ping (range closed and CAP_NET_RAW dropped from this thread's effective set; ping gains it
// again on exec) or none (as before, and no ping on PATH). Only for a network namespace of the
// test's own: the range is a setting of the namespace. Everything is restored on destruction.
// PATH is process-wide: use the None path only while no other thread runs a lookup.

#include "platform/icmp.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace probetest {

enum class Path { Datagram, Raw, SystemPing, None };

inline const char* PathName(Path p)
{
    switch (p) {
    case Path::Datagram:
        return "datagram socket";
    case Path::Raw:
        return "raw socket";
    case Path::SystemPing:
        return "system ping";
    case Path::None:
        return "no echo service";
    }
    return "?";
}

class EchoPathScope {
public:
    explicit EchoPathScope(Path path)
    {
        std::ifstream in(kRange);
        std::getline(in, savedRange_);
        WriteRange(path == Path::Datagram ? "0 2147483647" : "1 0");
        if (path == Path::SystemPing || path == Path::None)
            SetNetRaw(false);
        if (path == Path::None) {
            if (const char* p = std::getenv("PATH"))
                savedPath_ = p;
            ::setenv("PATH", "/nonexistent", 1);
        }
    }
    ~EchoPathScope()
    {
        if (savedPath_)
            ::setenv("PATH", savedPath_->c_str(), 1);
        SetNetRaw(true);
        WriteRange(savedRange_);
    }
    EchoPathScope(const EchoPathScope&) = delete;
    EchoPathScope& operator=(const EchoPathScope&) = delete;

private:
    static constexpr const char* kRange = "/proc/sys/net/ipv4/ping_group_range";

    static void WriteRange(const std::string& range)
    {
        std::ofstream out(kRange);
        out << range << '\n';
    }

    static void SetNetRaw(bool on)
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2] = {};
        if (::syscall(SYS_capget, &header, data) != 0)
            return;
        const unsigned bit = 1u << (CAP_NET_RAW % 32);
        auto& word = data[CAP_NET_RAW / 32];
        word.effective = on ? (word.effective | (word.permitted & bit)) : (word.effective & ~bit);
        ::syscall(SYS_capset, &header, data);
    }

    std::string savedRange_;
    std::optional<std::string> savedPath_;
};

// The path the layer takes in the calling thread now, or none.
inline std::optional<wicmp::EchoPath> CurrentPath()
{
    const wicmp::HANDLE h = wicmp::IcmpCreateFile();
    if (h == wicmp::INVALID_HANDLE_VALUE)
        return std::nullopt;
    const wicmp::EchoPath p = wicmp::HandlePath(h);
    wicmp::IcmpCloseHandle(h);
    return p;
}

} // namespace probetest
