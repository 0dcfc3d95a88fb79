#pragma once
// Single-byte text of the program (names from the network, captions) shown as Unicode: bytes are
// Windows-1252, the code page of the Western systems these names come from.

#include <string>
#include <string_view>

namespace codepage {

// The same text in UTF-8.
std::string ToUtf8(std::string_view bytes);

} // namespace codepage
