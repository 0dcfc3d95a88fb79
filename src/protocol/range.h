#pragma once
// The scan range proposed from an address text.

#include <string>

struct ProposedRange {
    std::string start;
    std::string end;
};

// The text up to and including its last "." followed by "1" and by "255".
ProposedRange ProposeRange(const std::string& text);
