#include "probes/ping.h"

#include "platform/icmp.h"
#include "platform/winsock.h"

#include <cstring>
#include <stdexcept>

void GetIPFromHost(const std::string& host, std::array<std::uint8_t, 4>& ip)
{
    wsock::WSADATA data;
    wsock::WSAStartup(0x0101, &data);
    try {
        const auto entry = wsock::gethostbyname(host.c_str());
        if (!entry)
            throw std::runtime_error("Error getting HostName");
        if (entry->h_addr_list.empty())
            throw std::runtime_error("Error getting IP from HostName");
        std::memcpy(ip.data(), &entry->h_addr_list.front(), ip.size());
    } catch (...) {
        // The caller wants an address, not a reason: a failed lookup is 0.0.0.0.
        ip = {0, 0, 0, 0};
    }
    wsock::WSACleanup();
}

bool PingHost(const std::string& host)
{
    bool result = false;
    const wicmp::HANDLE echo = wicmp::IcmpCreateFile();
    if (echo == wicmp::INVALID_HANDLE_VALUE)
        return result;
    std::array<std::uint8_t, 4> ip{};
    GetIPFromHost(host, ip);
    std::uint32_t address = 0;
    std::memcpy(&address, ip.data(), sizeof address);
    // A text that did not resolve gives 0.0.0.0; the echo layer answers that with no reply.
    std::uint8_t reply[128];
    result = wicmp::IcmpSendEcho(echo, address, nullptr, 0, nullptr, reply, sizeof reply, 10) != 0;
    wicmp::IcmpCloseHandle(echo);
    return result;
}
