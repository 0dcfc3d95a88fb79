#pragma once
// The current local time and date as the locale writes them (LC_TIME), in the system code page.

#include <string>

namespace wclock {

// The locale's long time format. Unlike Qt's long formats it carries no time zone.
std::string LongTimeText();

// The locale's short date format.
std::string ShortDateText();

} // namespace wclock
