#pragma once
// The local host's IPv4 addresses.

#include <string>
#include <vector>

// The local host's IPv4 addresses as dotted texts, in the order the lookup gives them.
std::vector<std::string> LookUpLocalIPs();
