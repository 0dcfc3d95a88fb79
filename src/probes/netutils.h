#pragma once
// Reverse lookup and the NetBIOS adapter-status query.

#include <cstdint>
#include <optional>
#include <string>

// The host's official name for a dotted address text, or empty text. Reports nothing. UTF-8, the
// resolver's text, or a NetBIOS name converted from the OEM code page (platform/codepage.h).
std::string GetHostNameByIP(const std::string& ip);

// The MAC address of the named host as "0A-1B-2C-3D-4E-5F"; 00-00-00-00-00-00 when no answer came.
// The name is UTF-8, as GetHostNameByIP gives it; its call name is that name in the OEM code page,
// so a name that came from NetBIOS finds its host again. A dotted address text names that address
// itself, as NetBIOS over TCP/IP takes it: the scan asks a found host by its address, so the answer
// comes from that host whatever name it gives itself.
// Nothing when no status buffer could be had: the caller says "memory allocation failed!".
std::optional<std::string> GetMACAddress(const std::string& hostName);

// The 16-byte NetBIOS call name for a host name: all blanks, then the name's bytes over them from the
// first on, unchanged (no change of case, no trimming). A name of more than 16 bytes, usually a full
// DNS name such as desktop-7.office.example.lan, gives its first label when that has 1 to 15 bytes,
// since that label is the NetBIOS name such a host conventionally carries; else its first 16 bytes.
void FillCallName(std::uint8_t (&callName)[16], const std::string& hostName);
