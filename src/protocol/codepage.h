#pragma once
// The code page of NetBIOS names. Windows and Samba put a name on the wire in the OEM code page of
// the host that sends it (850 in Western Europe, 437 in the US, 866 for Cyrillic, 932 for Japanese,
// ...), and a name is read back in the OEM code page of the reader's locale. The program's own text,
// and the resolver's, is UTF-8.
//
// The conversions themselves come from the system (the platform layer passes them in); what is
// decided here is which code page a locale has, and what a name that a code page cannot show
// turns into.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace codepage {

// The code page used where a locale names none: Samba's default for NetBIOS names.
inline constexpr int kDefaultOem = 850;

// The OEM code page that Windows gives a locale, from a POSIX locale name such as "de_DE.UTF-8",
// "en_US", "sr_RS@latin" or "ja_JP.eucJP"; kDefaultOem for C, POSIX, an empty name and any
// language whose Windows locale has no OEM code page of its own.
int OemCodePage(std::string_view localeName);

// What a code page's converter reads at the front of some bytes.
struct Step {
    enum class Kind {
        Char, // one character, c, taking length bytes (1 or more)
        Invalid, // the first byte starts no character of the code page
        Incomplete, // the bytes end inside a character
    };
    Kind kind = Kind::Invalid;
    char32_t c = 0;
    std::size_t length = 0;
};
using Reader = std::function<Step(std::string_view bytes)>;

// A character as the code page's bytes, or none when the code page lacks it.
using Writer = std::function<std::optional<std::string>(char32_t c)>;

inline constexpr char32_t kReplacement = 0xFFFD;

// Code-page bytes as UTF-8 text, read one character at a time. A character that the code page maps
// to a control (C0, DEL, C1) shows as a blank, as bytes of 0x20 and below already do in a name; a
// byte that starts no character shows as U+FFFD; a double-byte character cut off by the end of the
// bytes (a name field is 15 bytes) shows as one U+FFFD, never as a stray lead byte.
std::string ToUtf8(std::string_view bytes, const Reader& read);

// UTF-8 text as code-page bytes; a character the code page lacks, or a byte that is not UTF-8,
// becomes '?', as the system's own conversion gives it.
std::string FromUtf8(std::string_view text, const Writer& write);

} // namespace codepage
