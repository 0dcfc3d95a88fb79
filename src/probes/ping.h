#pragma once
// Echo probe and forward lookup.

#include <array>
#include <cstdint>
#include <string>

// Fills ip with the first IPv4 address of the host (a dotted text or a name), first octet first,
// or with 0.0.0.0 when the lookup fails. Reports nothing.
void GetIPFromHost(const std::string& host, std::array<std::uint8_t, 4>& ip);

// One ICMP echo request without data, 10 ms time-out: true when a reply came.
bool PingHost(const std::string& host);
