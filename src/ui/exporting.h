#pragma once
// The clock texts that a detail-log save names its file with. The time text is the locale's long
// time format and the date text its short date format, each read from the clock when it is made.

#include <QString>

#include <functional>

namespace exporting {

// Tests: while both are set, they give the time and the date texts in place of the clock and the
// locale; empty functions bring the clock back.
void SetClockTexts(std::function<QString()> longTime, std::function<QString()> shortDate);

} // namespace exporting
