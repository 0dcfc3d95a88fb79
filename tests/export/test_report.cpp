// The printed report's lines, the bytes of the two files and the proposed detail-log name.

#include "protocol/report.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kCaptions{"IP Address", "Status", "Host Name", "MAC Address", "WorkGrp/Domain", ""};
const std::vector<int> kWidths{150, 60, 150, 150, 120, 150};

std::string Joined(const report::Pieces& pieces)
{
    std::string line;
    for (const std::string& piece : pieces)
        line += piece;
    return line;
}

std::string Blanks(int count) { return std::string(static_cast<std::size_t>(count), ' '); }

TEST(ReportLines, HeaderAndRowsWithTheWindowsWidths)
{
    const std::string header = Joined(report::HeaderLine(kCaptions, kWidths));
    EXPECT_EQ(header.size(), 786);
    EXPECT_EQ(header,
              "IP Address" + Blanks(140) + " " + "Status" + Blanks(54) + " " + "Host Name" + Blanks(141) + " "
                  + "MAC Address" + Blanks(139) + " " + "WorkGrp/Domain" + Blanks(106) + " " + Blanks(150) + " ");

    const report::Pieces row
        = report::RowLine("192.168.0.7", {"Found", "WORKSTATION1   ", "00.1A.2B.3C.4D.5E"}, kWidths.back());
    EXPECT_EQ(Joined(row).size(), 604);
    EXPECT_EQ(Joined(row),
              "192.168.0.7" + Blanks(139) + " " + "Found" + Blanks(145) + " " + "WORKSTATION1   " + Blanks(135) + " "
                  + "00.1A.2B.3C.4D.5E" + Blanks(133) + " ");
    // Every field and every blank is a piece of its own, in output order.
    ASSERT_EQ(row.size(), 8);
    for (std::size_t i = 1; i < row.size(); i += 2)
        EXPECT_EQ(row[i], " ");
}

TEST(ReportLines, ResizedColumns)
{
    // The Status column dragged to 10 pixels: its caption gets 10 characters, the row fields keep the
    // last column's 150, the Status field included.
    std::vector<int> narrowStatus = kWidths;
    narrowStatus[1] = 10;
    const std::string header = Joined(report::HeaderLine(kCaptions, narrowStatus));
    EXPECT_EQ(header.substr(151, 11), "Status     ");
    EXPECT_EQ(header.substr(162, 9), "Host Name");
    EXPECT_EQ(header.size(), 736);
    const std::string row = Joined(report::RowLine("10.0.0.5", {"Found", "HOST", "MAC"}, narrowStatus.back()));
    EXPECT_EQ(row,
              "10.0.0.5" + Blanks(142) + " Found" + Blanks(145) + " HOST" + Blanks(146) + " MAC" + Blanks(147) + " ");

    // The last column dragged to 20 pixels: every row field gets 20 characters.
    std::vector<int> narrowLast = kWidths;
    narrowLast[5] = 20;
    EXPECT_EQ(Joined(report::HeaderLine(kCaptions, narrowLast)).size(), 656);
    EXPECT_EQ(Joined(report::RowLine("10.0.0.5", {"Found", "HOST", "00-1A-2B-3C-4D-5E"}, narrowLast.back())),
              "10.0.0.5" + Blanks(12) + " Found" + Blanks(15) + " HOST" + Blanks(16) + " 00-1A-2B-3C-4D-5E" + Blanks(3)
                  + " ");
}

TEST(ReportLines, TextLongerThanItsWidthIsWrittenWhole)
{
    EXPECT_EQ(report::Field("WorkGrp/Domain", 5), "WorkGrp/Domain");
    std::vector<int> tiny = kWidths;
    tiny[4] = 5;
    EXPECT_EQ(Joined(report::HeaderLine(kCaptions, tiny)).substr(514, 16), "WorkGrp/Domain  ");
    // A Thorough row has three cells and may lack a MAC: the missing field is blanks.
    EXPECT_EQ(Joined(report::RowLine("10.0.0.9", {"Found", "pc9.lan"}, 10)),
              "10.0.0.9   Found      pc9.lan               ");
}

TEST(ExportFiles, EveryLineEndsInCrLfTheLastIncluded)
{
    EXPECT_EQ(report::TextFile({}), "");
    EXPECT_EQ(report::TextFile({"10.0.0.3", "10.0.0.1", "192.168.100.254"}),
              "10.0.0.3\r\n10.0.0.1\r\n192.168.100.254\r\n");
    const std::vector<std::string> lines{"IP: 10.0.0.3", "CAF\xC3\x89           <00><UNIQUE>", "",
                                         "MAC:00.1A.2B.3C.4D.5E", std::string(54, '-')};
    EXPECT_EQ(report::TextFile(lines),
              "IP: 10.0.0.3\r\nCAF\xC3\x89           <00><UNIQUE>\r\n\r\nMAC:00.1A.2B.3C.4D.5E\r\n"
                  + std::string(54, '-') + "\r\n");
}

TEST(ReportLines, FieldsCountCharactersNotBytes) { EXPECT_EQ(report::Field("M\xC3\x9CLLER", 8), "M\xC3\x9CLLER  "); }

TEST(ExportFiles, ProposedDetailLogName)
{
    EXPECT_EQ(report::ProposedLogName("14:05:09", "07.12.2026"), "Nodewick(07.12.2026-14-05-09)");
    // A date with slashes would name folders that do not exist.
    EXPECT_EQ(report::ProposedLogName("2:05:09 PM", "12/7/2026"), "Nodewick(12-7-2026-2-05-09 PM)");
    EXPECT_EQ(report::FileNameSafe("2026/12/07"), "2026-12-07");
}

} // namespace
