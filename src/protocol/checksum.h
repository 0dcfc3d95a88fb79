#pragma once
// The Internet checksum (RFC 1071) of IP and ICMP headers.

#include <cstddef>
#include <cstdint>

namespace checksum {

// The ones' complement of the ones' complement sum of the bytes taken as big-endian 16-bit words (an
// odd last byte padded with zero). To be stored most significant byte first.
std::uint16_t Internet(const std::uint8_t* bytes, std::size_t length);

} // namespace checksum
