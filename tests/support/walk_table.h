#pragma once
// The walk of a range, as fixed rows: where it starts and ends, and how many addresses it probes.
// On loopback addresses, so that the worker test walks the same rows on the real network stack; the
// first two octets play no part in the walk.

#include <QString>

#include <cstddef>
#include <vector>

namespace testsupport {

struct WalkRow {
    const char* start;
    const char* end;
    const char* first;
    const char* last;
    std::size_t count;
};

inline constexpr WalkRow kWalkTable[] = {
    {"127.0.1.1", "127.0.1.255", "127.0.1.1", "127.0.1.254", 254},
    {"127.0.1.1", "127.0.1.10", "127.0.1.1", "127.0.1.9", 9},
    {"127.0.1.1", "127.0.1.2", "127.0.1.1", "127.0.1.1", 1},
    {"127.0.1.5", "127.0.1.5", "127.0.1.5", "127.0.1.5", 1},
    {"127.0.1.10", "127.0.1.5", "127.0.1.10", "127.0.1.10", 1},
    {"127.0.2.10", "127.0.1.200", "127.0.2.10", "127.0.2.10", 1},
    {"127.0.1.250", "127.0.2.3", "127.0.1.250", "127.0.2.2", 8},
    {"127.0.1.255", "127.0.2.2", "127.0.1.255", "127.0.2.1", 2},
    {"127.0.1.1", "127.0.3.1", "127.0.1.1", "127.0.2.255", 510},
    {"127.0.1.1", "127.0.2.0", "127.0.1.1", "127.0.1.255", 255},
    {"127.0.1.0", "127.0.1.3", "127.0.1.0", "127.0.1.2", 3},
    {"127.0.254.250", "127.0.255.100", "127.0.254.250", "127.0.254.255", 6},
    {"127.0.255.1", "127.0.255.10", "127.0.255.1", "127.0.255.1", 1},
    {"127.0.1.1", "172.16.1.4", "127.0.1.1", "127.0.1.3", 3},
    // The walk starts from the address that the text conversion gives.
    {"0177.0.1.1", "127.0.1.4", "127.0.1.1", "127.0.1.3", 3},
    {"127.1", "127.0.0.3", "127.0.0.1", "127.0.0.2", 2},
};

// prefix + first to prefix + last, e.g. the dotted addresses of a walk in one block.
inline std::vector<QString> Addresses(const QString& prefix, int first, int last)
{
    std::vector<QString> out;
    for (int i = first; i <= last; ++i)
        out.push_back(prefix + QString::number(i));
    return out;
}

} // namespace testsupport
