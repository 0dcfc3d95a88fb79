#pragma once
// The network a test runs in: a private namespace with loopback only (IsolateNetwork), or the lab's
// scanner namespace (lab::Main). A network test starts with REQUIRE_ISOLATED_NETWORK(): without the
// namespace it skips with the reason, so that nothing it sends reaches any other host.

#include <string>

namespace testsupport {

// Moves the process into a network namespace of its own with only loopback, up: as root, or through
// a user namespace of its own. Call before any thread exists; every later thread inherits it. Each
// test executable so has its own port 6767. Without it the process stays where it is.
bool IsolateNetwork();

// For the lab, which runs the tests in a namespace that it built, or records why it could not.
void SetIsolated();
void SetNotIsolated(const std::string& reason);

bool NetworkIsolated();
const std::string& IsolationSkipReason();

// Says on stderr why the network is not isolated, if it is not. Returns false where that must fail
// the test executable instead of letting its tests skip: NODEWICK_LAB_REQUIRED=1, as CI sets it.
bool CheckIsolation();

} // namespace testsupport

#define REQUIRE_ISOLATED_NETWORK()                                                                                     \
    do {                                                                                                               \
        if (!::testsupport::NetworkIsolated())                                                                         \
            GTEST_SKIP() << ::testsupport::IsolationSkipReason();                                                      \
    } while (0)
