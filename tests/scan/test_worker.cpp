// The scan worker through the real window. On loopback every probed address answers: a query with
// ICMP port unreachable (a "Found" row), an echo request with a reply. So the rows show exactly
// which addresses the walk probed, in both modes.
#include "app/startup.h"
#include "scan/udp.h"
#include "support/walk_table.h"
#include "support/window_fixture.h"
#include "ui/spinedit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <arpa/inet.h>

#include <algorithm>

namespace scantest {
namespace {

using namespace std::chrono_literals;
using testsupport::Addresses;
using testsupport::WaitUntil;
using testsupport::WindowTest;

// An address's place in the order of addresses, read without the walk's own code.
std::uint32_t Order(const QString& address)
{
    in_addr a{};
    ::inet_pton(AF_INET, address.toLatin1().constData(), &a);
    return ntohl(a.s_addr);
}

// The addresses of a walk as the table lists it: how many, the first and the last, all ascending.
void ExpectTheWalk(const std::vector<QString>& probed, const testsupport::WalkRow& row)
{
    ASSERT_EQ(probed.size(), row.count);
    EXPECT_EQ(probed.front(), row.first);
    EXPECT_EQ(probed.back(), row.last);
    EXPECT_EQ(std::adjacent_find(probed.begin(), probed.end(),
                                 [](const QString& a, const QString& b) { return Order(a) >= Order(b); }),
              probed.end());
}

class WalkInBothModes : public WindowTest, public ::testing::WithParamInterface<testsupport::WalkRow> {};

TEST_P(WalkInBothModes, ProbesExactlyTheAddressesOfTheWalk)
{
    const testsupport::WalkRow& row = GetParam();
    SetRange(row.start, row.end, 1000);
    window->ToolButton1Click();
    ASSERT_TRUE(WaitForScanEnd());
    // A wait can end early on an answer that arrived after an earlier wait had run out (the event
    // stays set until the next reset), so the last answers may land after the walk has ended.
    WaitUntil([&] { return Rows().Count() >= static_cast<int>(row.count); }, 5s);
    auto quick = Captions();
    std::reverse(quick.begin(), quick.end()); // Quick rows go on top
    ExpectTheWalk(quick, row);
    EXPECT_EQ(window->Edit4->text(), "");

    window->rbThorough->setChecked(true);
    window->ToolButton1Click();
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_EQ(Captions(), quick); // Thorough rows are appended
    for (int i = 0; i < Rows().Count(); ++i) {
        EXPECT_EQ(Rows().Cell(i, 0), "Found");
        EXPECT_EQ(Rows().CellCount(i), 3);
        EXPECT_FALSE(Rows().LogAnchor(i).has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, WalkInBothModes, ::testing::ValuesIn(testsupport::kWalkTable));

class Worker : public WindowTest {};

TEST_F(Worker, InvalidTextsShowTheMessageAndProbeNothing)
{
    const struct {
        const char* start;
        const char* end;
    } cases[] = {{"", "127.0.0.5"},
                 {"127.0.0.1", ""},
                 {"127.0.0.1", "abc"},
                 {"a.b.c.d", "127.0.0.5"},
                 {"255.255.255.255", "127.0.0.5"},
                 {" 127.0.0.1", "127.0.0.5"},
                 {"127.0.0.1", "1.2.3.4.5"}};
    for (const auto& c : cases) {
        testsupport::MessageBoxCatcher boxes;
        window->Edit4->setText("unchanged");
        SetRange(c.start, c.end, 10);
        window->ToolButton1Click();
        ASSERT_TRUE(WaitForScanEnd(10s));
        EXPECT_EQ(boxes.Texts(), QStringList{"Invalid IP address!"}) << c.start << " / " << c.end;
        EXPECT_EQ(Rows().Count(), 0);
        EXPECT_EQ(window->Edit4->text(), "unchanged");
    }
}

TEST_F(Worker, StopEndsTheWalkAfterTheAddressUnderWayAndCountsTheLog)
{
    Log().AddLine("from an earlier scan");
    SetRange("127.0.5.1", "127.0.5.255", 0);
    window->rbThorough->setChecked(true);
    window->ToolButton1Click();
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() >= 3; }, 20s));
    window->ToolButton2Click();
    EXPECT_EQ(window->Edit5->text(), QString::number(Log().Count()));
    ASSERT_TRUE(WaitForScanEnd(10s));
    const int rows = Rows().Count();
    EXPECT_LT(rows, 254);
    EXPECT_EQ(window->Edit4->text(), "");
    EXPECT_EQ(Log().Line(0), "from an earlier scan"); // Start keeps the log
    // Stop while nothing runs only writes the count; the next Start clears the request.
    window->ToolButton2Click();
    SetRange("127.0.6.1", "127.0.6.4", 0);
    window->ToolButton1Click();
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_EQ(Rows().Count(), 3);
}

TEST_F(Worker, StopBeforeTheFirstAddressProbesNothing)
{
    SetRange("127.0.7.1", "127.0.7.50", 0);
    window->ToolButton1Click();
    window->ToolButton2Click(); // the worker has not read the range yet: its step waits for this loop
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_EQ(Rows().Count(), 0);
    EXPECT_EQ(window->Edit4->text(), "");
}

TEST_F(Worker, ModeAndWaitChangesApplyFromTheNextAddress)
{
    SetRange("127.0.8.1", "127.0.8.41", 3000);
    window->ToolButton1Click();
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() >= 5; }, 20s));
    window->rbThorough->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() >= 15; }, 20s));
    window->rbQuick->setChecked(true);
    window->SpinEdit1->SetText("not a number");
    EXPECT_EQ(udp::TimeOut.load(), 0);
    ASSERT_TRUE(WaitForScanEnd());
    const auto expected = Addresses("127.0.8.", 1, 40);
    WaitUntil([&] { return Rows().Count() >= static_cast<int>(expected.size()); }, 5s);
    // Every address of the walk appears once, whichever mode probed it.
    auto got = Captions();
    std::sort(got.begin(), got.end(), [](const QString& a, const QString& b) { return Order(a) < Order(b); });
    EXPECT_EQ(got, expected);
}

TEST_F(Worker, ClearDuringAThoroughScanDropsLateCellsAndKeepsListing)
{
    SetRange("127.0.9.1", "127.0.9.200", 0);
    window->rbThorough->setChecked(true);
    window->ToolButton1Click();
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() >= 2; }, 20s));
    window->ToolButton5Click();
    EXPECT_EQ(Rows().Count(), 0);
    EXPECT_EQ(Log().Count(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() >= 3; }, 20s));
    window->ToolButton2Click();
    ASSERT_TRUE(WaitForScanEnd());
    for (int i = 0; i < Rows().Count(); ++i)
        EXPECT_LE(Rows().CellCount(i), 3);
    // Every row after the Clear that completed has its own three cells, none from a vanished row.
    for (int i = 0; i + 1 < Rows().Count(); ++i)
        EXPECT_EQ(Rows().CellCount(i), 3);
}

TEST_F(Worker, StartDuringAScanRestartsAfterTheRunningWalkHasEnded)
{
    SetRange("127.0.10.1", "127.0.10.250", 5);
    window->ToolButton1Click();
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() >= 3; }, 20s));
    SetRange("127.0.11.1", "127.0.11.5", 5);
    window->ToolButton1Click();
    ASSERT_TRUE(WaitUntil([&] { return !window->ScanRunning(); }, 30s));
    WaitUntil([&] { return Rows().Count() >= 4; }, 5s);
    // A late answer to the stopped walk's last query may still come in and is listed like any
    // other datagram; the new walk's own rows are what this is about.
    auto got = Captions();
    got.erase(std::remove_if(got.begin(), got.end(),
                             [](const QString& c) { return !c.startsWith(QStringLiteral("127.0.11.")); }),
              got.end());
    std::reverse(got.begin(), got.end());
    EXPECT_EQ(got, Addresses("127.0.11.", 1, 4));
}

TEST_F(Worker, AWaitOfZeroStillListsEveryAnswer)
{
    SetRange("127.0.12.1", "127.0.12.255", 0);
    window->ToolButton1Click();
    ASSERT_TRUE(WaitForScanEnd());
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() == 254; }, 10s));
    SetRange("127.0.13.1", "127.0.13.20", -50);
    EXPECT_EQ(window->SpinEdit1->Value(), -50);
    window->ToolButton1Click();
    ASSERT_TRUE(WaitForScanEnd());
}

TEST_F(Worker, ClosingDuringAScanEndsTheWorkerPromptly)
{
    for (const bool thorough : {false, true}) {
        SetRange("127.0.14.1", "127.0.14.250", 60000);
        window->rbThorough->setChecked(thorough);
        window->ToolButton1Click();
        ASSERT_TRUE(WaitUntil([&] { return !window->Edit4->text().isEmpty(); }, 20s));
        window->close();
        window.reset(); // joins the worker: must not hang on the 60 s wait or a pending step
        window = nodewick::CreateForms();
        window->show();
    }
}

} // namespace
} // namespace scantest
