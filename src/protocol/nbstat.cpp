#include "protocol/nbstat.h"

#include "protocol/bytereader.h"

#include <cstdio>

namespace nbstat {
namespace {

// The low byte of RR_TYPE NBSTAT and RR_CLASS IN.
constexpr std::array<std::uint8_t, 3> kNbstatIn = {0x21, 0x00, 0x01};

} // namespace

// The part of a NODE STATUS RESPONSE that is read. p is where the bytes 21 00 01 are first found
// after the first byte (the tail of RR_TYPE and RR_CLASS; 47 after a 12-byte header and the 34-byte
// answer name):
//
//   p        21 00 01                   NBSTAT, IN
//   p+3      TTL (4)  RDLENGTH (2)      skipped
//   p+9      NUM_NAMES n
//   p+10     n entries of 18 bytes:     name (15) | suffix (1) | flags (2, top bit = group)
//   p+10+18n UNIT_ID (6)                the MAC address
//
// An entry is decoded only when all its 18 bytes were received; the MAC only when every one of the n
// entries and the six bytes after them were received, so a short or lying count yields no MAC.
Reply Decode(const std::uint8_t* bytes, int length)
{
    Reply reply;
    wire::ByteReader in({bytes, length > 0 ? static_cast<std::size_t>(length) : 0});
    std::uint8_t count = 0;
    if (!in.Skip(1) || !in.SkipTo(kNbstatIn) || !in.Skip(9) || !in.FetchU8(count))
        return reply;
    for (int k = 0; k < count; ++k) {
        std::span<const std::uint8_t> name;
        NameEntry entry;
        std::uint8_t flags = 0;
        // An entry cut short ends the table; no MAC is read after it, so the position it leaves is moot.
        if (!in.FetchSpan(15, name) || !in.FetchU8(entry.suffix) || !in.FetchU8(flags) || !in.Skip(1))
            break;
        entry.text.reserve(name.size());
        for (const std::uint8_t b : name)
            entry.text += b <= 0x20 ? ' ' : static_cast<char>(b);
        entry.group = (flags & 0x80) != 0;
        if (entry.group && entry.suffix == 0x00)
            reply.workgroup = entry.text;
        if (!entry.group && entry.suffix == 0x20)
            reply.hostName = entry.text;
        reply.names.push_back(std::move(entry));
    }
    if (reply.names.empty())
        return reply;
    reply.tableFound = true;
    if (std::array<std::uint8_t, 6> mac{}; reply.names.size() == std::size_t{count} && in.FetchBytes(mac))
        reply.mac = mac;
    return reply;
}

std::string SuffixText(std::uint8_t suffix)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "<%X>", suffix);
    return buf;
}

std::string NameTags(const NameEntry& entry)
{
    return SuffixText(entry.suffix) + (entry.group ? "<GROUP>" : "<UNIQUE>");
}

std::string MacText(std::span<const std::uint8_t, 6> mac, char separator)
{
    std::string text;
    for (const std::uint8_t byte : mac) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%.2X", byte);
        if (!text.empty())
            text += separator;
        text += pair;
    }
    return text;
}

} // namespace nbstat
