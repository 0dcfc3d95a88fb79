#pragma once
// IPv4 address texts: the classic conversion that the socket library's inet_addr performs, and the
// dotted text of an address. Addresses are 4-byte values in network order, first octet first.

#include <cstdint>
#include <string>

namespace address {

inline constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// One to four numbers separated by dots (a, a.b, a.b.c, a.b.c.d), each decimal, octal (leading 0) or
// hexadecimal (leading 0x), optionally followed by white space and anything after it. kNone for a
// rejected text, and so for 255.255.255.255 too.
std::uint32_t Parse(const char* text);

// "%d.%d.%d.%d" of the four bytes.
std::string Dotted(std::uint32_t networkOrder);

} // namespace address
