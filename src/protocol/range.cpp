#include "protocol/range.h"

ProposedRange ProposeRange(const std::string& text)
{
    const auto dot = text.rfind('.');
    const std::string prefix = dot == std::string::npos ? std::string() : text.substr(0, dot + 1);
    return {prefix + "1", prefix + "255"};
}
