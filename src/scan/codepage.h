#pragma once
// Single-byte text of the program (names from the network, captions) shown as Unicode: bytes are
// Windows-1252, the code page of the Western systems these names come from.

#include <QString>

#include <string_view>

namespace codepage {

QString ToUnicode(std::string_view bytes);

} // namespace codepage
