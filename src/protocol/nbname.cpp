#include "protocol/nbname.h"

#include "protocol/bytereader.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace nbname {
namespace {

constexpr std::uint16_t kTypeNb = 0x0020;

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
    wire::ByteReader in({reply, length});
    std::uint16_t received = 0;
    std::uint16_t flags = 0;
    std::uint16_t answers = 0;
    // ID, FLAGS, QDCOUNT, ANCOUNT, NSCOUNT and ARCOUNT: the whole header.
    if (!in.FetchBe16(received) || !in.FetchBe16(flags) || !in.Skip(2) || !in.FetchBe16(answers) || !in.Skip(4))
        return false;
    // R set, OPCODE QUERY, RCODE 0.
    return received == id && (flags & 0x8000) != 0 && (flags & 0x7800) == 0 && (flags & 0x000F) == 0 && answers > 0;
}

std::optional<std::uint32_t> AnsweredAddress(const std::vector<std::uint8_t>& reply, const EncodedName& encoded)
{
    wire::ByteReader in(reply);
    if (!in.Skip(kHeader))
        return std::nullopt;
    if (std::uint8_t label = 0; in.PeekU8(label) && (label & 0xC0) == 0xC0) {
        if (!in.Skip(2))
            return std::nullopt;
    } else {
        std::span<const std::uint8_t> name;
        if (!in.FetchSpan(kEncodedName, name) || !std::ranges::equal(name, encoded))
            return std::nullopt;
    }
    // TYPE, CLASS, TTL, RDLENGTH, then the first NB_FLAGS and NB_ADDRESS.
    std::uint16_t type = 0;
    std::uint16_t dataLength = 0;
    std::array<std::uint8_t, 4> octets{};
    if (!in.FetchBe16(type) || !in.Skip(6) || !in.FetchBe16(dataLength) || !in.Skip(2) || !in.FetchBytes(octets))
        return std::nullopt;
    if (type != kTypeNb || dataLength < 6)
        return std::nullopt;
    const auto address = std::bit_cast<std::uint32_t>(octets);
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
