// The scan worker through its engine and a fake view. On loopback every probed address answers: a
// query with ICMP port unreachable (a Quick host), an echo request with a reply (a Thorough row). So
// what the view shows is exactly which addresses the walk probed, in both modes.
#include "support/fake_view.h"
#include "support/ui_helpers.h"
#include "support/walk_table.h"

#include <arpa/inet.h>

#include <algorithm>

namespace scantest {
namespace {

using namespace std::chrono_literals;
using testsupport::Addresses;
using testsupport::EngineTest;
using testsupport::WaitUntil;

// An address's place in the order of addresses, read without the walk's own code.
std::uint32_t Order(const QString& address)
{
    in_addr a{};
    ::inet_pton(AF_INET, address.toLatin1().constData(), &a);
    return ntohl(a.s_addr);
}

// The addresses of a walk as the row lists it: how many, the first and the last, all ascending.
void ExpectTheWalk(const std::vector<QString>& probed, const testsupport::WalkRow& row)
{
    ASSERT_EQ(probed.size(), row.count);
    EXPECT_EQ(probed.front(), row.first);
    EXPECT_EQ(probed.back(), row.last);
    EXPECT_EQ(std::adjacent_find(probed.begin(), probed.end(),
                                 [](const QString& a, const QString& b) { return Order(a) >= Order(b); }),
              probed.end());
}

class WalkInBothModes : public EngineTest, public ::testing::WithParamInterface<testsupport::WalkRow> {};

TEST_P(WalkInBothModes, ProbesExactlyTheAddressesOfTheWalk)
{
    const testsupport::WalkRow& row = GetParam();
    SetRange(row.start, row.end, 1000);
    engine->Start();
    ASSERT_TRUE(WaitForScanEnd());
    // A wait can end early on an answer that arrived after an earlier wait had run out (the event
    // stays set until the next reset), so the last answers may land after the walk has ended.
    WaitUntil([&] { return view.quickHosts.size() >= row.count; }, 5s);
    const std::vector<QString> quick = view.QuickAddresses();
    ExpectTheWalk(quick, row);
    EXPECT_EQ(view.CurrentIP(), "");

    engine->State().ThoroughMode.store(true);
    engine->Start();
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_EQ(view.ThoroughAddresses(), quick);
    for (const auto& host : view.thoroughRows) {
        ASSERT_EQ(host.cells.size(), 3);
        EXPECT_EQ(host.cells[0], "Found");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, WalkInBothModes, ::testing::ValuesIn(testsupport::kWalkTable));

class Worker : public EngineTest {};

TEST_F(Worker, AnInvalidRangeShowsTheMessageAndProbesNothing)
{
    for (const auto& [start, end] : {std::pair{"", "127.0.0.5"}, std::pair{"127.0.0.1", "1.2.3.4.5"}}) {
        view.messages.clear();
        SetRange(start, end, 10);
        engine->Start();
        ASSERT_TRUE(WaitForScanEnd(10s));
        EXPECT_EQ(view.messages, QStringList{"Invalid IP address!"}) << start << " / " << end;
        EXPECT_TRUE(view.quickHosts.empty());
        EXPECT_TRUE(view.currentIPs.isEmpty());
    }
}

TEST_F(Worker, StopEndsTheWalkAfterTheAddressUnderWay)
{
    SetRange("127.0.5.1", "127.0.5.255", 0);
    engine->State().ThoroughMode.store(true);
    view.onCurrentIP = [&](const QString& address) {
        if (address == "127.0.5.3")
            engine->Stop();
    };
    engine->Start();
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_EQ(view.ThoroughAddresses(), Addresses("127.0.5.", 1, 3));
    EXPECT_EQ(view.CurrentIP(), "");
    // A Stop while nothing runs changes nothing for the next Start.
    view.onCurrentIP = nullptr;
    engine->Stop();
    SetRange("127.0.6.1", "127.0.6.4", 0);
    engine->Start();
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_EQ(view.ThoroughAddresses(), Addresses("127.0.6.", 1, 3));
}

TEST_F(Worker, StopBeforeTheFirstAddressProbesNothing)
{
    SetRange("127.0.7.1", "127.0.7.50", 0);
    engine->Start();
    engine->Stop(); // the worker has not read the range yet: its step waits for this loop
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_TRUE(view.quickHosts.empty());
    EXPECT_EQ(view.currentIPs, QStringList{""});
}

TEST_F(Worker, ModeAndWaitChangesApplyFromTheNextAddress)
{
    SetRange("127.0.8.1", "127.0.8.41", 3000);
    view.onCurrentIP = [&](const QString& address) {
        if (address == "127.0.8.5")
            engine->State().ThoroughMode.store(true);
        if (address == "127.0.8.15") {
            engine->State().ThoroughMode.store(false);
            engine->State().TimeOut.store(0);
        }
    };
    engine->Start();
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_EQ(view.ThoroughAddresses(), Addresses("127.0.8.", 6, 15));
    // Without a wait, the last answers may come after the walk has ended.
    WaitUntil([&] { return view.quickHosts.size() >= 30; }, 5s);
    std::vector<QString> quick = view.QuickAddresses();
    std::sort(quick.begin(), quick.end(), [](const QString& a, const QString& b) { return Order(a) < Order(b); });
    std::vector<QString> expected = Addresses("127.0.8.", 1, 5);
    for (const QString& address : Addresses("127.0.8.", 16, 40))
        expected.push_back(address);
    EXPECT_EQ(quick, expected);
}

TEST_F(Worker, StartDuringAScanRestartsAfterTheRunningWalkHasEnded)
{
    SetRange("127.0.10.1", "127.0.10.250", 5);
    view.onCurrentIP = [&](const QString& address) {
        if (address == "127.0.10.3") {
            view.range = {"127.0.11.1", "127.0.11.5"};
            engine->Start();
            EXPECT_TRUE(engine->Running());
        }
    };
    engine->Start();
    ASSERT_TRUE(WaitUntil([&] { return view.QuickAddresses().size() >= 4 && !engine->Running(); }, 30s));
    // A late answer to the stopped walk's last query may still come in and is shown like any other
    // datagram; the new walk's own hosts are what this is about.
    std::vector<QString> got = view.QuickAddresses();
    got.erase(std::remove_if(got.begin(), got.end(),
                             [](const QString& c) { return !c.startsWith(QStringLiteral("127.0.11.")); }),
              got.end());
    EXPECT_EQ(got, Addresses("127.0.11.", 1, 4));
}

TEST_F(Worker, AWaitOfZeroOrLessStillShowsEveryAnswer)
{
    SetRange("127.0.12.1", "127.0.12.255", 0);
    engine->Start();
    ASSERT_TRUE(WaitForScanEnd());
    ASSERT_TRUE(WaitUntil([&] { return view.quickHosts.size() == 254; }, 10s));
    SetRange("127.0.13.1", "127.0.13.20", -50);
    engine->Start();
    ASSERT_TRUE(WaitForScanEnd());
    ASSERT_TRUE(WaitUntil([&] { return view.quickHosts.size() == 19; }, 10s));
}

TEST_F(Worker, ClosingDuringAScanEndsTheWorkerPromptly)
{
    for (const bool thorough : {false, true}) {
        // Thousands of addresses, so the walk is still under way when the window closes.
        SetRange("127.0.14.1", "127.0.40.250", 60000);
        engine->State().ThoroughMode.store(thorough);
        engine->Start();
        ASSERT_TRUE(WaitUntil([&] { return !view.CurrentIP().isEmpty(); }, 20s));
        engine->Close();
        engine.reset(); // joins the worker: must not hang on the 60 s wait or a pending step
        Reopen();
    }
}

} // namespace
} // namespace scantest
