#pragma once
// Node-status replies built byte by byte, as hosts send them: for the tests, the benchmarks, the
// flood sender and the lab's responder alike. Plain standard C++.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace samples {

struct Name {
    std::string text; // up to 15 bytes, padded with pad
    std::uint8_t suffix = 0x00;
    bool group = false;
    char pad = ' ';
};

// The question name "*" with fifteen NULs, first-level encoded, with its closing zero length.
std::vector<std::uint8_t> StarName();

// Header, the answer name, NBSTAT/IN, TTL, RDLENGTH, the table, the MAC and the rest of the
// statistics. The count byte may differ from names.size() to make lying replies.
std::vector<std::uint8_t> Reply(const std::vector<Name>& names, const std::array<std::uint8_t, 6>& mac,
                                int countByte = -1, bool withStatistics = true, std::uint16_t transactionId = 0,
                                const std::vector<std::uint8_t>& answerName = StarName());

// A workstation: NAME<00> unique, NAME<20> unique, GROUP<00> group.
std::vector<std::uint8_t> Workstation(const std::string& name, const std::string& group,
                                      const std::array<std::uint8_t, 6>& mac);

} // namespace samples
