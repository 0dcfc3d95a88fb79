#include "platform/clock.h"

#include <langinfo.h>

#include <ctime>

namespace wclock {
namespace {

std::string ClockText(nl_item format)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[256];
    // The format comes from the locale, never from input, so it cannot be checked at compile time.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const std::size_t length = std::strftime(text, sizeof text, nl_langinfo(format), &local);
#pragma GCC diagnostic pop
    return std::string(text, length);
}

} // namespace

std::string LongTimeText() { return ClockText(T_FMT); }

std::string ShortDateText() { return ClockText(D_FMT); }

} // namespace wclock
