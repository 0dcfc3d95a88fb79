#pragma once
// The address texts of a scan range and the walk from start to end.

#include <array>
#include <cstdint>
#include <string>

namespace scanwalk {

using Octets = std::array<std::uint8_t, 4>; // index 0 is the leftmost number

// True when the classic address conversion accepts the text (255.255.255.255 included in the refusals).
bool IsValidIP(const std::string& text);

// Appends "." and stores the low 8 bits of each decimal piece as the next octet; octets past the last
// piece keep their values. A piece that is not an integer throws std::invalid_argument.
void SplitIP(const std::string& text, Octets& octets);

// Where a walk starts or ends for a text that passed IsValidIP. Four plain decimal numbers are split
// piece by piece; shortened, octal, hexadecimal or space-trailed forms start from the octets of the
// address the conversion gave, so the walk probes exactly the address that validation accepted.
Octets RangeOctets(const std::string& text);

// One step of the walk after an address has been probed. Only the third and fourth octets move; the
// walk stops just before the end address and never enters a third octet of 255.
// Returns false when the walk has ended.
bool Advance(Octets& current, const Octets& end);

std::string DottedText(const Octets& octets);

} // namespace scanwalk
