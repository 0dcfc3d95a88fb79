#include "probes/netutils.h"

#include "platform/codepage.h"
#include "platform/nb30.h"
#include "platform/netbios.h"
#include "platform/winsock.h"
#include "protocol/nbstat.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

namespace {

// The adapter status and the largest name table NetBIOS gives (31 names), as one 618-byte record.
#pragma pack(push, 1)
struct StatusRecord {
    ADAPTER_STATUS adapt;
    NAME_BUFFER NameBuff[31];
};
#pragma pack(pop)
static_assert(sizeof(StatusRecord) == 618);

} // namespace

void FillCallName(std::uint8_t (&callName)[16], const std::string& hostName)
{
    std::memset(callName, ' ', sizeof callName);
    std::string_view name = hostName;
    if (name.size() > sizeof callName) {
        const auto dot = name.find('.');
        name = dot >= 1 && dot <= 15 ? name.substr(0, dot) : name.substr(0, sizeof callName);
    }
    std::memcpy(callName, name.data(), name.size());
}

std::string GetHostNameByIP(const std::string& ip)
{
    // Started for this call and, as the program always has, never stopped: starts are only counted,
    // and the main window keeps the library up for the whole run anyway.
    wsock::WSADATA data;
    wsock::WSAStartup(0x0101, &data);
    const std::uint32_t address = wsock::inet_addr(ip.c_str());
    const auto entry = wsock::gethostbyaddr(reinterpret_cast<const char*>(&address), 4, wsock::kAfInet);
    return entry ? entry->h_name : std::string();
}

std::optional<std::string> GetMACAddress(const std::string& hostName)
{
    NCB ncb{};
    ncb.ncb_command = NCBRESET;
    wnetbios::Netbios(&ncb);

    ncb = NCB{};
    // The name is the program's text; the NetBIOS name it stands for is in the names' code page.
    FillCallName(ncb.ncb_callname, wcodepage::Utf8ToOem(hostName));
    ncb.ncb_command = NCBASTAT;
    ncb.ncb_lana_num = 0;
    ncb.ncb_length = sizeof(StatusRecord);
    // From the free store rather than a process heap: a failure gives null here, never an exception.
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[ncb.ncb_length]());
    if (!buffer)
        return std::nullopt;
    ncb.ncb_buffer = buffer.get();
    wnetbios::Netbios(&ncb);

    StatusRecord status;
    std::memcpy(&status, buffer.get(), sizeof status);
    std::string text = nbstat::MacText(status.adapt.adapter_address, '-');
    buffer.reset();
    return text;
}
