#include "protocol/scanwalk.h"

#include "protocol/address.h"

#include <charconv>
#include <cstring>
#include <stdexcept>

namespace scanwalk {
namespace {

int PieceToInt(const std::string& piece)
{
    const char* first = piece.data();
    const char* last = piece.data() + piece.size();
    if (first != last && *first == '+')
        ++first;
    long long value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || ptr != last || value < INT32_MIN || value > INT32_MAX)
        throw std::invalid_argument("'" + piece + "' is not a valid integer value");
    return static_cast<int>(value);
}

bool IsPlainDecimal(const std::string& text)
{
    int pieces = 0;
    size_t start = 0;
    for (;;) {
        const size_t dot = text.find('.', start);
        const std::string piece = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (piece.empty() || piece.size() > 3 || (piece.size() > 1 && piece[0] == '0'))
            return false;
        for (const char c : piece)
            if (c < '0' || c > '9')
                return false;
        ++pieces;
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    return pieces == 4;
}

} // namespace

bool IsValidIP(const std::string& text) { return address::Parse(text.c_str()) != address::kNone; }

void SplitIP(const std::string& text, Octets& octets)
{
    const std::string withDot = text + ".";
    std::string piece;
    size_t index = 0;
    for (const char c : withDot) {
        if (c != '.') {
            piece += c;
            continue;
        }
        const int value = PieceToInt(piece);
        if (index >= octets.size())
            throw std::out_of_range("more than four pieces in '" + text + "'");
        octets[index++] = static_cast<std::uint8_t>(value & 0xFF);
        piece.clear();
    }
}

Octets RangeOctets(const std::string& text)
{
    Octets octets{};
    if (IsPlainDecimal(text)) {
        SplitIP(text, octets);
        return octets;
    }
    const std::uint32_t value = address::Parse(text.c_str());
    std::memcpy(octets.data(), &value, 4);
    return octets;
}

bool Advance(Octets& current, const Octets& end)
{
    auto& c2 = current[2];
    auto& c3 = current[3];
    if (c2 > end[2])
        return false;
    if (c3 < end[3]) {
        ++c3;
    } else if (c2 < end[2] && c3 < 255) {
        ++c3;
    } else if (c2 < end[2] && c3 == 255) {
        c3 = 1;
        ++c2;
    }
    if (c3 >= end[3] && c2 >= end[2])
        return false;
    if (c2 == 255)
        return false;
    return true;
}

std::string DottedText(const Octets& o)
{
    return std::to_string(o[0]) + '.' + std::to_string(o[1]) + '.' + std::to_string(o[2]) + '.' + std::to_string(o[3]);
}

} // namespace scanwalk
