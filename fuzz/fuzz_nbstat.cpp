// Every datagram that reaches port 6767 goes through the decoder, whoever sent it. The fuzzer feeds
// it arbitrary bytes in a buffer of exactly the received size, so any read past the end is caught,
// and checks what the decoder promises about what it gives back.
#include "protocol/codepage.h"
#include "protocol/nbname.h"
#include "protocol/nbstat.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A double-byte code page laid out as Shift JIS is: the system's converters are not in the pure
// library, and what matters here is what the reading loop makes of any bytes a converter reads.
codepage::Step ReadDoubleByte(std::string_view bytes)
{
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80)
        return {codepage::Step::Kind::Char, lead, 1};
    if (lead > 0xFC || lead == 0xA0)
        return {};
    if (bytes.size() < 2)
        return {codepage::Step::Kind::Incomplete, 0, 0};
    const auto trail = static_cast<unsigned char>(bytes[1]);
    if (trail < 0x40 || trail == 0x7F)
        return {};
    return {codepage::Step::Kind::Char, 0x4E00u + (lead << 8 | trail) % 0x5000u, 2};
}

// Well-formed UTF-8 without a control character.
bool ShowsCleanly(const std::string& text)
{
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || at + length > text.size() || lead < 0x20 || lead == 0x7F)
            return false;
        if (length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0)
            return false;
        at += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 600)
        return 0;
    const std::vector<std::uint8_t> exact(data, data + size);
    const nbstat::Reply reply = nbstat::Decode(exact.data(), static_cast<int>(exact.size()));
    if (reply.tableFound == reply.names.empty())
        std::abort();
    if (reply.mac && !reply.tableFound)
        std::abort();
    for (const nbstat::NameEntry& entry : reply.names) {
        if (entry.text.size() != 15)
            std::abort();
        for (const char c : entry.text)
            if (static_cast<unsigned char>(c) < 0x20)
                std::abort();
        if (!ShowsCleanly(codepage::ToUtf8(entry.text, ReadDoubleByte)))
            std::abort();
        const std::string tags = nbstat::NameTags(entry);
        if (tags.front() != '<' || tags.back() != '>')
            std::abort();
    }
    if (reply.mac && nbstat::MacText(*reply.mac, '.').size() != 17)
        std::abort();
    // A failed read (-1) decodes nothing, whatever the buffer holds.
    if (nbstat::Decode(exact.data(), -1).tableFound)
        std::abort();
    // The name-service answers read the same bytes: the header, then the address answered for "*",
    // the name the samples carry, so both ways of writing the answer's name are reached.
    if (nbname::IsPositiveResponse(exact.data(), exact.size(), 0) && size < nbname::kHeader)
        std::abort();
    static const nbname::EncodedName star = nbname::EncodeName(nbname::Name{'*'});
    if (const auto address = nbname::AnsweredAddress(exact, star); address && !nbname::IsUnicast(*address))
        std::abort();
    return 0;
}
