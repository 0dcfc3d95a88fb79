// GetMACAddress when no status buffer can be had. An allocation of 618 bytes does not fail on this
// machine, so this executable replaces the allocation function that GetMACAddress uses and fails it
// on request; everything else (the probe, the scan worker and its steps on the UI thread) is real.

#include "probes/netutils.h"
#include "support/fake_view.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <string>

namespace {
std::atomic<bool> g_failArrays{false};
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (g_failArrays.load())
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

class AdapterStatus : public testsupport::EngineTest {};

TEST_F(AdapterStatus, NoBufferGivesNothingAndTheScanSaysSoBeforeItsEmptyCell)
{
    g_failArrays = true;
    const std::optional<std::string> mac = GetMACAddress("ALPHA");
    g_failArrays = false;
    EXPECT_FALSE(mac.has_value());

    // A Thorough scan asks for the MAC only of a host with a name.
    if (GetHostNameByIP("127.0.0.1").empty())
        GTEST_SKIP() << "127.0.0.1 has no name on this machine (no hosts file entry)";
    SetRange(QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2"), 0);
    engine->State().ThoroughMode.store(true);
    g_failArrays = true;
    engine->Start();
    const bool ended = WaitForScanEnd(std::chrono::seconds(30));
    g_failArrays = false;
    ASSERT_TRUE(ended);
    EXPECT_EQ(view.messages, QStringList{"memory allocation failed!"});
    ASSERT_EQ(view.thoroughRows.size(), 1u);
    ASSERT_EQ(view.thoroughRows[0].cells.size(), 3);
    EXPECT_EQ(view.thoroughRows[0].cells[2], "");
}
