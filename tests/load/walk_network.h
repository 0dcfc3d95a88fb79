#pragma once
// The lab of the walk and input tests: one host refuses on 198.20.X.0 to .15 (ICMP port
// unreachable), another answers node status on 198.20.X.128 to .131, for every X from 0 to 254;
// everything else in 198.20.0.0/16 is silent. The scanner's own network is a /16 on the link, where
// nobody but the two hosts answers ARP.

#include "lab.h"

#include <string>

namespace loadtest {

inline lab::Layout WalkNetwork()
{
    lab::Layout layout;
    layout.scannerAddrs = {"198.18.0.1/16"};
    lab::Host refusing{lab::Host::Kind::NoNetbios, "198.18.0.40", "", "", {}, 0, {}};
    lab::Host answering{lab::Host::Kind::Responder, "198.18.0.41", "MANY", "MANYWG", {0x02, 0, 0, 0, 0, 0x41}, 0, {}};
    for (int x = 0; x < 255; ++x) {
        refusing.ranges.push_back("198.20." + std::to_string(x) + ".0/28");
        answering.ranges.push_back("198.20." + std::to_string(x) + ".128/30");
    }
    layout.hosts = {refusing, answering};
    layout.silentRoutes = {"198.20.0.0/16"};
    return layout;
}

inline bool Refuses(int fourthOctet) { return fourthOctet <= 15; }
inline bool Answers(int fourthOctet) { return fourthOctet >= 128 && fourthOctet <= 131; }

} // namespace loadtest
