#pragma once
// The local host's IPv4 addresses and the scan range proposed from an address text. Pure apart from
// the lookup of the local addresses.

#include <string>
#include <vector>

// The local host's IPv4 addresses as dotted texts, in the order the lookup gives them.
std::vector<std::string> LookUpLocalIPs();

struct ProposedRange {
    std::string start;
    std::string end;
};

// The text up to and including its last "." followed by "1" and by "255".
ProposedRange ProposeRange(const std::string& text);
