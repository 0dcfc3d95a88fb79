#include "protocol/nbstat.h"

#include <cstdio>

namespace nbstat {
namespace {

// Every fetch checks what remains, so no read reaches the end of the received bytes.
class Cursor {
public:
    Cursor(const std::uint8_t* bytes, int length)
        : bytes_(bytes)
        , length_(length > 0 ? length : 0)
    {
    }
    bool Fits(int offset, int count) const { return offset >= 0 && count >= 0 && offset <= length_ - count; }
    std::uint8_t At(int offset) const { return bytes_[offset]; }
    int Length() const { return length_; }

private:
    const std::uint8_t* bytes_;
    int length_;
};

} // namespace

// The part of a NODE STATUS RESPONSE that is read. p is where the bytes 21 00 01 are first found
// (the tail of RR_TYPE and RR_CLASS; 47 after a 12-byte header and the 34-byte answer name):
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
    const Cursor in(bytes, length);
    int p = -1;
    for (int i = 1; in.Fits(i, 3); ++i) {
        if (in.At(i) == 0x21 && in.At(i + 1) == 0x00 && in.At(i + 2) == 0x01) {
            p = i;
            break;
        }
    }
    if (p < 0 || !in.Fits(p + 9, 1))
        return reply;
    const int count = in.At(p + 9);
    for (int k = 0; k < count; ++k) {
        const int at = p + 10 + 18 * k;
        if (!in.Fits(at, 18))
            break;
        NameEntry entry;
        entry.text.resize(15);
        for (int i = 0; i < 15; ++i) {
            const std::uint8_t b = in.At(at + i);
            entry.text[static_cast<size_t>(i)] = b <= 0x20 ? ' ' : static_cast<char>(b);
        }
        entry.suffix = in.At(at + 15);
        entry.group = (in.At(at + 16) & 0x80) != 0;
        if (entry.group && entry.suffix == 0x00)
            reply.workgroup = entry.text;
        if (!entry.group && entry.suffix == 0x20)
            reply.hostName = entry.text;
        reply.names.push_back(std::move(entry));
    }
    if (reply.names.empty())
        return reply;
    reply.tableFound = true;
    const int macAt = p + 10 + 18 * count;
    if (static_cast<int>(reply.names.size()) == count && in.Fits(macAt, 6)) {
        std::array<std::uint8_t, 6> mac{};
        for (int i = 0; i < 6; ++i)
            mac[static_cast<size_t>(i)] = in.At(macAt + i);
        reply.mac = mac;
    }
    return reply;
}

std::string SuffixText(std::uint8_t suffix)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "<%X>", suffix);
    return buf;
}

std::string NameTags(const NameEntry& entry) { return SuffixText(entry.suffix) + (entry.group ? "<GROUP>" : "<UNIQUE>"); }

std::string NameLogLine(const NameEntry& entry) { return entry.text + NameTags(entry); }

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
