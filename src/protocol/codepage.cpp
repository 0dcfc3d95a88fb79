#include "protocol/codepage.h"

#include <utility>

namespace codepage {
namespace {

struct LocaleParts {
    std::string_view language;
    std::string_view territory;
    std::string_view modifier;
};

// language[_territory][.codeset][@modifier]
LocaleParts Split(std::string_view name)
{
    LocaleParts parts;
    const auto at = name.find('@');
    if (at != std::string_view::npos) {
        parts.modifier = name.substr(at + 1);
        name = name.substr(0, at);
    }
    name = name.substr(0, name.find('.'));
    const auto underscore = name.find('_');
    parts.language = name.substr(0, underscore);
    if (underscore != std::string_view::npos)
        parts.territory = name.substr(underscore + 1);
    return parts;
}

bool OneOf(std::string_view value, std::initializer_list<std::string_view> list)
{
    for (const std::string_view item : list)
        if (value == item)
            return true;
    return false;
}

// What a name shows for a character: controls as blanks, and no code point that UTF-8 cannot carry.
char32_t Shown(char32_t c)
{
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return U' ';
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return kReplacement;
    return c;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// The character that starts at text[at], and its length in bytes; length 0 for a byte that starts no
// well-formed UTF-8 sequence.
std::pair<char32_t, std::size_t> DecodeUtf8(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return {lead, 1};
    // The length that the lead byte announces, the bits it carries, and the least character that
    // needs that length (a longer form than needed is not UTF-8).
    std::size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        c = lead & 0x1F;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        c = lead & 0x0F;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        c = lead & 0x07;
        least = 0x10000;
    } else {
        return {0, 0};
    }
    if (at + length > text.size())
        return {0, 0};
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return {0, 0};
        c = c << 6 | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return {0, 0};
    return {c, length};
}

} // namespace

int OemCodePage(std::string_view localeName)
{
    const LocaleParts p = Split(localeName);
    const std::string_view lang = p.language;
    if (lang == "en")
        // Windows keeps the US code page for the US and for the English locales that followed it.
        return p.territory.empty() || OneOf(p.territory, {"US", "ZA", "IN", "PH", "MY", "SG", "HK", "ZW"}) ? 437 : 850;
    if (lang == "sr")
        return p.modifier == "latin" || p.territory == "ME" ? 852 : 855;
    if (lang == "zh")
        return OneOf(p.territory, {"TW", "HK", "MO"}) ? 950 : 936;
    if (lang == "uz")
        return p.modifier == "cyrillic" ? 866 : 857;
    if (OneOf(lang, {"cs", "hu", "pl", "ro", "sk", "sl", "hr", "sq", "bs", "hsb", "dsb"}))
        return 852;
    if (OneOf(lang, {"ru", "be", "uk", "bg", "kk", "ky", "tt", "mk", "mn", "ba", "sah", "tg", "cv", "os"}))
        return 866;
    if (OneOf(lang, {"lt", "lv", "et"}))
        return 775;
    if (OneOf(lang, {"tr", "az"}))
        return 857;
    if (OneOf(lang, {"ar", "fa", "ur", "ps"}))
        return 720;
    if (lang == "el")
        return 737;
    if (lang == "he")
        return 862;
    if (lang == "th")
        return 874;
    if (lang == "ja")
        return 932;
    if (lang == "ko")
        return 949;
    if (lang == "vi")
        return 1258;
    return kDefaultOem;
}

std::string ToUtf8(std::string_view bytes, const Reader& read)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const Step step = read(bytes.substr(at));
        if (step.kind == Step::Kind::Incomplete) {
            AppendUtf8(out, kReplacement);
            break;
        }
        if (step.kind == Step::Kind::Char && step.length > 0 && step.length <= bytes.size() - at) {
            AppendUtf8(out, Shown(step.c));
            at += step.length;
        } else {
            AppendUtf8(out, kReplacement);
            ++at;
        }
    }
    return out;
}

std::string FromUtf8(std::string_view text, const Writer& write)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto [c, length] = DecodeUtf8(text, at);
        const std::optional<std::string> bytes = length == 0 ? std::nullopt : write(c);
        out += bytes && !bytes->empty() ? *bytes : std::string("?");
        at += length == 0 ? 1 : length;
    }
    return out;
}

} // namespace codepage
