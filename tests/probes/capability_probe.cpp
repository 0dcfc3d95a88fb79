// Run by the probes' unit test as an ordinary user with cap_net_raw+ep on this file: starts as the
// program does, then echoes loopback and says what it saw, one "key value" line each.

#include "platform/icmp.h"
#include "platform/privileges.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

std::string StatusField(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key + ":", 0) == 0)
            return line.substr(line.find_first_not_of(" \t", key.size() + 1));
    }
    return "?";
}

const char* PathName(wicmp::HANDLE handle)
{
    if (handle == wicmp::INVALID_HANDLE_VALUE)
        return "none";
    switch (wicmp::HandlePath(handle)) {
    case wicmp::EchoPath::Datagram:
        return "datagram";
    case wicmp::EchoPath::Raw:
        return "raw";
    case wicmp::EchoPath::SystemPing:
        return "ping";
    }
    return "?";
}

} // namespace

int main()
{
    const std::string started = StatusField("CapEff");
    if (!wplatform::DropCapabilities())
        return 2;
    std::printf("started %s\n", started.c_str());
    std::printf("CapEff %s\n", StatusField("CapEff").c_str());
    std::printf("CapPrm %s\n", StatusField("CapPrm").c_str());
    const wicmp::HANDLE echo = wicmp::IcmpCreateFile();
    std::printf("path %s\n", PathName(echo));
    alignas(wicmp::ICMP_ECHO_REPLY) std::uint8_t reply[128] = {};
    const std::uint32_t loopback = 0x0100007Fu; // 127.0.0.1, first octet first
    std::printf("replies %u\n", wicmp::IcmpSendEcho(echo, loopback, nullptr, 0, nullptr, reply, sizeof reply, 1000));
    wicmp::IcmpCloseHandle(echo);
    return 0;
}
