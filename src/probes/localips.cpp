#include "probes/localips.h"

#include "platform/winsock.h"

std::vector<std::string> LookUpLocalIPs()
{
    std::vector<std::string> result;
    wsock::WSADATA data;
    wsock::WSAStartup(0x0101, &data);
    char name[64] = {};
    // A name that does not fit the buffer gives no addresses rather than a truncated lookup.
    if (wsock::gethostname(name, sizeof name) == 0) {
        if (const auto entry = wsock::gethostbyname(name))
            for (const std::uint32_t addr : entry->h_addr_list)
                result.push_back(wsock::inet_ntoa(addr));
    }
    wsock::WSACleanup();
    return result;
}
