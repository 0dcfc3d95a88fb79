// The printed report's lines, the bytes of the two files and the proposed detail-log name.

#include "ui/report.h"

#include <gtest/gtest.h>

namespace {

const QStringList kCaptions{"IP Address", "Status", "Host Name", "MAC Address", "WorkGrp/Domain", ""};
const QList<int> kWidths{150, 60, 150, 150, 120, 150};

QString Joined(const report::Pieces& pieces)
{
    return pieces.join(QString());
}

QString Blanks(int count)
{
    return QString(count, QLatin1Char(' '));
}

TEST(ReportLines, HeaderAndRowsWithTheWindowsWidths)
{
    const QString header = Joined(report::HeaderLine(kCaptions, kWidths));
    EXPECT_EQ(header.size(), 786);
    EXPECT_EQ(header, "IP Address" + Blanks(140) + " " + "Status" + Blanks(54) + " " + "Host Name" + Blanks(141) +
                          " " + "MAC Address" + Blanks(139) + " " + "WorkGrp/Domain" + Blanks(106) + " " +
                          Blanks(150) + " ");

    const report::Pieces row =
        report::RowLine("192.168.0.7", {"Found", "WORKSTATION1   ", "00.1A.2B.3C.4D.5E"}, kWidths.last());
    EXPECT_EQ(Joined(row).size(), 604);
    EXPECT_EQ(Joined(row), "192.168.0.7" + Blanks(139) + " " + "Found" + Blanks(145) + " " + "WORKSTATION1   " +
                               Blanks(135) + " " + "00.1A.2B.3C.4D.5E" + Blanks(133) + " ");
    // Every field and every blank is a piece of its own, in output order.
    ASSERT_EQ(row.size(), 8);
    for (qsizetype i = 1; i < row.size(); i += 2)
        EXPECT_EQ(row[i], " ");
}

TEST(ReportLines, ResizedColumns)
{
    // The Status column dragged to 10 pixels: its caption gets 10 characters, the row fields keep the
    // last column's 150, the Status field included.
    QList<int> narrowStatus = kWidths;
    narrowStatus[1] = 10;
    const QString header = Joined(report::HeaderLine(kCaptions, narrowStatus));
    EXPECT_EQ(header.mid(151, 11), "Status     ");
    EXPECT_EQ(header.mid(162, 9), "Host Name");
    EXPECT_EQ(header.size(), 736);
    const QString row = Joined(report::RowLine("10.0.0.5", {"Found", "HOST", "MAC"}, narrowStatus.last()));
    EXPECT_EQ(row, "10.0.0.5" + Blanks(142) + " Found" + Blanks(145) + " HOST" + Blanks(146) + " MAC" + Blanks(147) +
                       " ");

    // The last column dragged to 20 pixels: every row field gets 20 characters.
    QList<int> narrowLast = kWidths;
    narrowLast[5] = 20;
    EXPECT_EQ(Joined(report::HeaderLine(kCaptions, narrowLast)).size(), 656);
    EXPECT_EQ(Joined(report::RowLine("10.0.0.5", {"Found", "HOST", "00-1A-2B-3C-4D-5E"}, narrowLast.last())),
              "10.0.0.5" + Blanks(12) + " Found" + Blanks(15) + " HOST" + Blanks(16) + " 00-1A-2B-3C-4D-5E" + Blanks(3) +
                  " ");
}

TEST(ReportLines, TextLongerThanItsWidthIsWrittenWhole)
{
    EXPECT_EQ(report::Field("WorkGrp/Domain", 5), "WorkGrp/Domain");
    QList<int> tiny = kWidths;
    tiny[4] = 5;
    EXPECT_EQ(Joined(report::HeaderLine(kCaptions, tiny)).mid(514, 16), "WorkGrp/Domain  ");
    // A Thorough row has three cells and may lack a MAC: the missing field is blanks.
    EXPECT_EQ(Joined(report::RowLine("10.0.0.9", {"Found", "pc9.lan"}, 10)),
              "10.0.0.9   Found      pc9.lan               ");
}

TEST(ExportFiles, ResultsFileBytes)
{
    EXPECT_EQ(report::ResultsFile({}), QByteArray());
    EXPECT_EQ(report::ResultsFile({"10.0.0.3", "10.0.0.1", "192.168.100.254"}),
              QByteArray("10.0.0.3\r\n10.0.0.1\r\n192.168.100.254\r\n"));
}

TEST(ExportFiles, DetailLogBytes)
{
    const std::vector<QString> lines{"IP: 10.0.0.3", QString::fromUtf8("CAF\u00C9           <00><UNIQUE>"), "",
                                     "MAC:00.1A.2B.3C.4D.5E", QString(54, QLatin1Char('-'))};
    EXPECT_EQ(report::DetailLogFile(lines),
              QByteArray("IP: 10.0.0.3\r\nCAF\xC3\x89           <00><UNIQUE>\r\n\r\nMAC:00.1A.2B.3C.4D.5E\r\n") +
                  QByteArray(54, '-') + "\r\n");
    EXPECT_EQ(report::DetailLogFile({}), QByteArray());
}

TEST(ExportFiles, ProposedDetailLogName)
{
    EXPECT_EQ(report::ProposedLogName("14:05:09", "07.12.2026"), "Nodewick(07.12.2026-14-05-09)");
    // A date with slashes would name folders that do not exist.
    EXPECT_EQ(report::ProposedLogName("2:05:09 PM", "12/7/2026"), "Nodewick(12-7-2026-2-05-09 PM)");
    EXPECT_EQ(report::FileNameSafe("2026/12/07"), "2026-12-07");
}

} // namespace
