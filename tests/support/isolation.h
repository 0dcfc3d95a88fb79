#pragma once

#include <string>

namespace testsupport {

// Moves the test process into a network namespace of its own with only loopback, up. Whatever a test
// sends then stays on this machine, and each test executable has its own port 6767. Without root
// (or namespaces) the process stays where it is; the reason is kept.
bool IsolateNetwork();
bool NetworkIsolated();
const std::string& IsolationSkipReason();

} // namespace testsupport

#define REQUIRE_ISOLATED_NETWORK()                                                                        \
    do {                                                                                                  \
        if (!::testsupport::NetworkIsolated())                                                            \
            GTEST_SKIP() << ::testsupport::IsolationSkipReason();                                         \
    } while (0)
