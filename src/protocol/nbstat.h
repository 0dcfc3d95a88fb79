#pragma once
// The NetBIOS node-status exchange of Quick mode: the fixed query, and the decoding of whatever
// datagram comes back. Pure code: bytes in, a decoded record out.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace nbstat {

// NODE STATUS REQUEST for the name "*" (RFC 1002), transaction id 0: header with one question,
// the first-level encoded name "*" + fifteen NULs ("CK" and thirty "A"), type NBSTAT, class IN.
inline constexpr std::array<std::uint8_t, 50> NBStatQuery
    = {0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 'C',  'K',  'A', 'A',
       'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A', 'A',
       'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  'A',  0x00, 0x00, 0x21, 0x00, 0x01};

inline constexpr int kMaxDatagram = 500;
inline constexpr std::uint16_t kNameServicePort = 137;

struct NameEntry {
    std::string text; // exactly 15 bytes; every byte of 0x20 or below made a blank, never trimmed
    std::uint8_t suffix = 0;
    bool group = false;
};

struct Reply {
    bool tableFound = false; // a name table was located and at least one entry decoded
    std::vector<NameEntry> names; // the entries that fit whole in the received bytes, in table order
    std::optional<std::array<std::uint8_t, 6>> mac; // UNIT_ID, when all entries and its six bytes fit
    std::optional<std::string> hostName; // the last unique name with suffix 0x20
    std::optional<std::string> workgroup; // the last group name with suffix 0x00
};

// Never reads at or beyond length; a length of 0 or below decodes nothing.
Reply Decode(const std::uint8_t* bytes, int length);

std::string SuffixText(std::uint8_t suffix); // "<1B>", "<0>"
// The tags that follow a name in the detail log: suffix, then "<UNIQUE>" or "<GROUP>": "<20><UNIQUE>".
std::string NameTags(const NameEntry& entry);
// Six upper-case hex pairs joined by separator: "00.0C.29.AB.CD.EF" in Quick rows, hyphens elsewhere.
std::string MacText(std::span<const std::uint8_t, 6> mac, char separator);
inline const std::string kSeparatorLine(54, '-');

} // namespace nbstat
