#include "protocol/nbname.h"

#include <algorithm>
#include <cstring>

namespace nbname {
namespace {

constexpr std::uint16_t kTypeNb = 0x0020;

std::uint16_t Read16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

void Write16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

} // namespace

bool IsUnicast(std::uint32_t address)
{
    std::uint8_t first = 0;
    std::memcpy(&first, &address, 1);
    return first != 0 && first < 224;
}

EncodedName EncodeName(const Name& name)
{
    EncodedName out{};
    out[0] = 32;
    for (std::size_t i = 0; i < name.size(); ++i) {
        out[1 + 2 * i] = static_cast<std::uint8_t>('A' + (name[i] >> 4));
        out[2 + 2 * i] = static_cast<std::uint8_t>('A' + (name[i] & 0x0F));
    }
    return out;
}

std::array<std::uint8_t, kHeader + kEncodedName + 4> NameQuery(std::uint16_t id, const Name& name)
{
    std::array<std::uint8_t, kHeader + kEncodedName + 4> query{};
    Write16(query.data(), id);
    Write16(query.data() + 2, 0x0110); // opcode QUERY, recursion desired, broadcast
    Write16(query.data() + 4, 1);
    const EncodedName encoded = EncodeName(name);
    std::copy(encoded.begin(), encoded.end(), query.begin() + kHeader);
    Write16(query.data() + kHeader + kEncodedName, kTypeNb);
    Write16(query.data() + kHeader + kEncodedName + 2, 1); // class IN
    return query;
}

std::array<std::uint8_t, 50> StatusQuery(std::uint16_t id)
{
    auto query = nbstat::NBStatQuery;
    Write16(query.data(), id);
    return query;
}

bool IsPositiveResponse(const std::uint8_t* reply, std::size_t length, std::uint16_t id)
{
    return length >= kHeader && Read16(reply) == id && (reply[2] & 0x80) != 0 && (reply[2] & 0x78) == 0
        && (reply[3] & 0x0F) == 0 && Read16(reply + 6) > 0;
}

std::optional<std::uint32_t> AnsweredAddress(const std::vector<std::uint8_t>& reply, const EncodedName& encoded)
{
    std::size_t at = kHeader;
    if (reply.size() >= at + 2 && (reply[at] & 0xC0) == 0xC0) {
        at += 2;
    } else {
        if (reply.size() < at + kEncodedName || !std::equal(encoded.begin(), encoded.end(), reply.begin() + at))
            return std::nullopt;
        at += kEncodedName;
    }
    // TYPE, CLASS, TTL, RDLENGTH, then the first NB_FLAGS and NB_ADDRESS.
    if (reply.size() < at + 10 + 6 || Read16(reply.data() + at) != kTypeNb || Read16(reply.data() + at + 8) < 6)
        return std::nullopt;
    std::uint32_t address = 0;
    std::memcpy(&address, reply.data() + at + 12, 4);
    if (!IsUnicast(address))
        return std::nullopt;
    return address;
}

std::optional<std::string> OwnName(const nbstat::Reply& reply)
{
    for (const std::uint8_t suffix : {std::uint8_t{0x00}, std::uint8_t{0x20}}) {
        for (const nbstat::NameEntry& entry : reply.names) {
            if (entry.group || entry.suffix != suffix)
                continue;
            std::string name = entry.text;
            name.erase(name.find_last_not_of(' ') + 1);
            if (!name.empty())
                return name;
        }
    }
    return std::nullopt;
}

} // namespace nbname
