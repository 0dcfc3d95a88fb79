#pragma once
// The OEM code page, as the program uses it for NetBIOS names: GetOEMCP and the conversions between
// it and the program's UTF-8 text, supplied by the C library's converter (iconv).
//
// The code page is the one Windows gives the user's locale (codepage::OemCodePage), from the locale
// that the environment names for character handling: LC_ALL, else LC_CTYPE, else LANG, as the C
// library reads them; whether the locale is installed does not matter. Where the system has no
// converter for that code page, it is codepage::kDefaultOem.

#include <string>
#include <string_view>

namespace wcodepage {

int GetOEMCP();

// A NetBIOS name's bytes as UTF-8 text, by the rules of codepage::ToUtf8.
std::string OemToUtf8(std::string_view bytes, int codePage = GetOEMCP());

// UTF-8 text as the code page's bytes, by the rules of codepage::FromUtf8.
std::string Utf8ToOem(std::string_view text, int codePage = GetOEMCP());

} // namespace wcodepage
