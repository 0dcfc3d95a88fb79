#pragma once
// The code page of NetBIOS names: the bytes that the name service carries, and that the NetBIOS
// records hold, are Windows-1252, the code page of the Western systems these names come from. The
// program's own text, and the resolver's, is UTF-8; these convert between the two.

#include <string>
#include <string_view>

namespace codepage {

// Code-page bytes as UTF-8 text.
std::string ToUtf8(std::string_view bytes);

// UTF-8 text as code-page bytes; a character the code page lacks, or a byte that is not UTF-8,
// becomes '?', as the system's own conversion gives it.
std::string FromUtf8(std::string_view text);

} // namespace codepage
