#include "platform/winsock.h"
#include "protocol/range.h"
#include "protocol/scanwalk.h"
#include "support/walk_table.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

// Every form of range text that the classic address conversion accepts, and the address where the
// walk starts or ends for it.
TEST(RangeTexts, AcceptedFormsGiveTheAddressOfTheConversion)
{
    const struct {
        const char* text;
        const char* address;
    } rows[] = {
        {"192.168.1.20", "192.168.1.20"},
        {"0.0.0.0", "0.0.0.0"},
        {"10", "0.0.0.10"},
        {"10.5", "10.0.0.5"},
        {"198.1310723", "198.20.0.3"},
        {"10.1.300", "10.1.1.44"},
        {"3232235777", "192.168.1.1"},
        {"010.0.0.1", "8.0.0.1"},
        {"010.0.0.012", "8.0.0.10"},
        {"0x0A.0X1f.0.0xff", "10.31.0.255"},
        {"0xC0.0xA8.1.1", "192.168.1.1"},
        {"1.2.3.4 ", "1.2.3.4"},
        {"1.2.3.4\t", "1.2.3.4"},
        {"1.2.3.4 trailing", "1.2.3.4"},
    };
    for (const auto& row : rows) {
        EXPECT_TRUE(scanwalk::IsValidIP(row.text)) << '"' << row.text << '"';
        EXPECT_EQ(scanwalk::DottedText(scanwalk::RangeOctets(row.text)), row.address) << '"' << row.text << '"';
    }
}

TEST(RangeTexts, EverythingElseAndTheAllOnesAddressAreRefused)
{
    for (const char* bad : {"",           "abc",       "a.b.c.d",         "1.2.3.x",
                            " 1.2.3.4",   "1.2.3.4.5", "256.1.1.1",       "1.2.3.256",
                            "1.2.65536",  "1..2.3",    "1.2.3.",          ".1.2.3",
                            "08.1.1.1",   "0x",        "0xg.1.1.1",       "0x1.0x2.0xg.0x3",
                            "4294967296", "1.2.3.4x",  "255.255.255.255", "0xffffffff",
                            "-1",         "-1.2.3.4",  "1.2.3.-4",        "+1.2.3.4"})
        EXPECT_FALSE(scanwalk::IsValidIP(bad)) << '"' << bad << '"';
}

// The socket library's form of the conversion, which the endpoint and the MAC lookup use, refuses
// the absent text too.
TEST(InetAddr, RefusesNoText) { EXPECT_EQ(wsock::inet_addr(nullptr), wsock::kInaddrNone); }

TEST(SplitIP, StoresOneOctetPerPieceAndKeepsTheRest)
{
    scanwalk::Octets o{9, 9, 9, 9};
    scanwalk::SplitIP("192.168.1.20", o);
    EXPECT_EQ(o, (scanwalk::Octets{192, 168, 1, 20}));
    scanwalk::Octets partial{9, 9, 9, 9};
    scanwalk::SplitIP("1.2", partial);
    EXPECT_EQ(partial, (scanwalk::Octets{1, 2, 9, 9}));
    scanwalk::Octets low{};
    scanwalk::SplitIP("257.-1.0.1", low);
    EXPECT_EQ(low, (scanwalk::Octets{1, 255, 0, 1}));
    for (const char* bad : {"1..2.3", "a.b.c.d", "1.2.3.4 ", "", "0x1.2.3.4"}) {
        scanwalk::Octets any{};
        EXPECT_THROW(scanwalk::SplitIP(bad, any), std::invalid_argument) << bad;
    }
}

std::vector<std::string> Walk(const std::string& start, const std::string& end)
{
    scanwalk::Octets cur = scanwalk::RangeOctets(start);
    const scanwalk::Octets last = scanwalk::RangeOctets(end);
    std::vector<std::string> probed;
    do {
        probed.push_back(scanwalk::DottedText(cur));
    } while (scanwalk::Advance(cur, last) && probed.size() < 70000);
    return probed;
}

class WalkTable : public ::testing::TestWithParam<testsupport::WalkRow> {};

TEST_P(WalkTable, ProbesTheListedAddresses)
{
    const testsupport::WalkRow& row = GetParam();
    const auto probed = Walk(row.start, row.end);
    ASSERT_EQ(probed.size(), row.count);
    EXPECT_EQ(probed.front(), row.first);
    EXPECT_EQ(probed.back(), row.last);
}

INSTANTIATE_TEST_SUITE_P(Rows, WalkTable, ::testing::ValuesIn(testsupport::kWalkTable));

TEST(Walk, BlockBoundariesSkipZeroAndNeverEnter255)
{
    const auto probed = Walk("192.168.1.250", "192.168.2.3");
    const std::vector<std::string> expected = {"192.168.1.250", "192.168.1.251", "192.168.1.252", "192.168.1.253",
                                               "192.168.1.254", "192.168.1.255", "192.168.2.1",   "192.168.2.2"};
    EXPECT_EQ(probed, expected);
    // A start in a.b.255.x is the only address probed, however far the end lies.
    EXPECT_EQ(Walk("10.0.255.7", "10.0.255.200").size(), 1u);
    // The whole of 10.0.0.0 to 10.0.255.0: 255 blocks of 255, less the .0 of every block but the first.
    const auto all = Walk("10.0.0.0", "10.0.255.0");
    EXPECT_EQ(all.size(), 255u * 255u + 1u);
    EXPECT_EQ(all.back(), "10.0.254.255");
}

TEST(ProposeRange, TakesEverythingUpToTheLastDot)
{
    const struct {
        const char* text;
        const char* start;
        const char* end;
    } rows[] = {{"192.168.1.37", "192.168.1.1", "192.168.1.255"},
                {"10.0.0.7", "10.0.0.1", "10.0.0.255"},
                {"10.0.0.", "10.0.0.1", "10.0.0.255"},
                {"", "1", "255"},
                {"localhost", "1", "255"}};
    for (const auto& row : rows) {
        const ProposedRange r = ProposeRange(row.text);
        EXPECT_EQ(r.start, row.start) << row.text;
        EXPECT_EQ(r.end, row.end) << row.text;
    }
}

} // namespace
