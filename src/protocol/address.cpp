#include "protocol/address.h"

#include <cctype>
#include <cstring>

namespace address {
namespace {

// The value's most significant byte becomes the first octet, whatever the machine's byte order.
std::uint32_t FromHostOrder(std::uint32_t host)
{
    const unsigned char bytes[4] = {static_cast<unsigned char>(host >> 24), static_cast<unsigned char>(host >> 16),
                                    static_cast<unsigned char>(host >> 8), static_cast<unsigned char>(host)};
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, 4);
    return value;
}

} // namespace

std::uint32_t Parse(const char* text)
{
    if (text == nullptr)
        return kNone;
    std::uint32_t parts[4] = {};
    int count = 0;
    const char* p = text;
    for (;;) {
        if (count == 4)
            return kNone;
        if (*p < '0' || *p > '9')
            return kNone;
        unsigned base = 10;
        if (*p == '0') {
            base = 8;
            ++p;
            if (*p == 'x' || *p == 'X') {
                base = 16;
                ++p;
                if (!std::isxdigit(static_cast<unsigned char>(*p)))
                    return kNone;
            }
        }
        std::uint64_t value = 0;
        for (;; ++p) {
            const char c = *p;
            unsigned digit;
            if (c >= '0' && c <= '9')
                digit = static_cast<unsigned>(c - '0');
            else if (base == 16 && c >= 'a' && c <= 'f')
                digit = static_cast<unsigned>(c - 'a' + 10);
            else if (base == 16 && c >= 'A' && c <= 'F')
                digit = static_cast<unsigned>(c - 'A' + 10);
            else
                break;
            if (digit >= base)
                return kNone;
            value = value * base + digit;
            if (value > 0xFFFFFFFFull)
                return kNone;
        }
        parts[count++] = static_cast<std::uint32_t>(value);
        if (*p == '.') {
            ++p;
            continue;
        }
        // Like the classic conversion, the text may end in white space and whatever follows it.
        if (*p != '\0' && !std::isspace(static_cast<unsigned char>(*p)))
            return kNone;
        break;
    }
    std::uint32_t host = 0;
    switch (count) {
    case 1:
        host = parts[0];
        break;
    case 2:
        if (parts[0] > 0xFF || parts[1] > 0xFFFFFF)
            return kNone;
        host = parts[0] << 24 | parts[1];
        break;
    case 3:
        if (parts[0] > 0xFF || parts[1] > 0xFF || parts[2] > 0xFFFF)
            return kNone;
        host = parts[0] << 24 | parts[1] << 16 | parts[2];
        break;
    default:
        for (int i = 0; i < 4; ++i)
            if (parts[i] > 0xFF)
                return kNone;
        host = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
        break;
    }
    return FromHostOrder(host);
}

std::string Dotted(std::uint32_t networkOrder)
{
    unsigned char b[4];
    std::memcpy(b, &networkOrder, 4);
    return std::to_string(b[0]) + '.' + std::to_string(b[1]) + '.' + std::to_string(b[2]) + '.' + std::to_string(b[3]);
}

} // namespace address
