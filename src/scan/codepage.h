#pragma once
// Single-byte text of the program (names from the network, captions) shown as Unicode: bytes are
// Windows-1252, the code page of the Western systems these names come from, read as the NetBIOS
// layer reads them (platform/codepage.h), so a name shows alike in both scan modes.

#include <QString>

#include <string_view>

namespace codepage {

QString ToUnicode(std::string_view bytes);

} // namespace codepage
