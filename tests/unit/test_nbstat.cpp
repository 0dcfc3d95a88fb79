#include "platform/codepage.h"
#include "protocol/bytereader.h"
#include "protocol/codepage.h"
#include "protocol/nbstat.h"
#include "support/nbstat_samples.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

nbstat::Reply Decode(const std::vector<std::uint8_t>& d, int length = -2)
{
    return nbstat::Decode(d.data(), length == -2 ? static_cast<int>(d.size()) : length);
}

TEST(ByteReader, ReadsBigEndianAndAFetchPastTheEndFailsWhereItStands)
{
    const std::uint8_t data[] = {0x12, 0x34, 0xDE, 0xAD, 0xBE, 0xEF, 0x7F};
    wire::ByteReader in(data);
    std::uint16_t u16 = 0;
    std::uint8_t u8 = 0;
    EXPECT_TRUE(in.FetchBe16(u16));
    EXPECT_EQ(u16, 0x1234);
    EXPECT_TRUE(in.Skip(2));
    EXPECT_TRUE(in.FetchBe16(u16));
    EXPECT_EQ(u16, 0xBEEF);
    // One byte left: neither a wider fetch nor a longer skip takes it, nor a skip that would wrap.
    EXPECT_FALSE(in.FetchBe16(u16));
    EXPECT_FALSE(in.Skip(2));
    EXPECT_FALSE(in.Skip(SIZE_MAX));
    EXPECT_EQ(in.Position(), 6u);
    EXPECT_TRUE(in.FetchU8(u8));
    EXPECT_EQ(u8, 0x7F);
    EXPECT_FALSE(in.FetchU8(u8));
    EXPECT_EQ(in.Remaining(), 0u);
}

TEST(NBStatQuery, IsTheFiftyBytesOfANodeStatusRequestForStar)
{
    std::vector<std::uint8_t> expected = {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0x20, 0x43, 0x4B};
    expected.insert(expected.end(), 30, 0x41);
    expected.insert(expected.end(), {0, 0, 0x21, 0, 1});
    ASSERT_EQ(expected.size(), 50u);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), nbstat::NBStatQuery.begin()));
}

TEST(Samples, AWorkstationReplyIsTheBytesAHostSends)
{
    // The bytes stand in the rows of the reply's layout.
    // clang-format off
    // Written out by hand once, so that every test built on the samples sends what a host sends.
    const std::vector<std::uint8_t> expected = {
        // Header: transaction 0, response, authoritative answer, no question, one answer.
        0x00, 0x00, 0x84, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
        // The answer name: "*" and fifteen NULs, first-level encoded.
        0x20, 'C', 'K', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A',
        'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 'A', 0x00,
        // NBSTAT, IN, TTL 0, RDLENGTH 101: the count, three names of 18 bytes, 46 bytes of statistics.
        0x00, 0x21, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x65, 0x03,
        // MYHOST<00> unique, MYHOST<20> unique, WORKGROUP<00> group, all active.
        'M', 'Y', 'H', 'O', 'S', 'T', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', 0x00, 0x04, 0x00,
        'M', 'Y', 'H', 'O', 'S', 'T', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', 0x20, 0x04, 0x00,
        'W', 'O', 'R', 'K', 'G', 'R', 'O', 'U', 'P', ' ', ' ', ' ', ' ', ' ', ' ', 0x00, 0x84, 0x00,
        // The statistics: the MAC, then 40 bytes of zeros.
        0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    };
    // clang-format on
    EXPECT_EQ(samples::Workstation("MYHOST", "WORKGROUP", {0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF}), expected);
}

TEST(NBStatDecode, WorkstationReplyGivesHostWorkgroupMacAndNamesInTableOrder)
{
    const auto r = Decode(samples::Workstation("MYHOST", "WORKGROUP", {0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF}));
    ASSERT_TRUE(r.tableFound);
    ASSERT_EQ(r.names.size(), 3u);
    EXPECT_EQ(*r.hostName, "MYHOST         ");
    EXPECT_EQ(r.hostName->size(), 15u);
    EXPECT_EQ(*r.workgroup, "WORKGROUP      ");
    EXPECT_EQ(nbstat::MacText(*r.mac, '.'), "00.0C.29.AB.CD.EF");
    EXPECT_EQ(r.names[0].text + nbstat::NameTags(r.names[0]), "MYHOST         <0><UNIQUE>");
    EXPECT_EQ(r.names[1].text + nbstat::NameTags(r.names[1]), "MYHOST         <20><UNIQUE>");
    EXPECT_EQ(r.names[2].text + nbstat::NameTags(r.names[2]), "WORKGROUP      <0><GROUP>");
}

TEST(NBStatDecode, OnlyUnique20AndGroup00FillCellsAndTheLastOneWins)
{
    const auto r = Decode(samples::Reply({{"FIRST", 0x20, false},
                                          {"DOMAIN", 0x1C, true},
                                          {"SVC", 0x03, false},
                                          {"GRP20", 0x20, true},
                                          {"UNIQ00", 0x00, false},
                                          {"SECOND", 0x20, false},
                                          {"WG", 0x00, true},
                                          {"WG2", 0x00, true}},
                                         {}));
    EXPECT_EQ(*r.hostName, "SECOND         ");
    EXPECT_EQ(*r.workgroup, "WG2            ");
    EXPECT_EQ(r.names[1].text + nbstat::NameTags(r.names[1]), "DOMAIN         <1C><GROUP>");
    EXPECT_EQ(r.names[2].text + nbstat::NameTags(r.names[2]), "SVC            <3><UNIQUE>");
}

TEST(NBStatDecode, NameBytesAtOrBelowBlankBecomeBlanksAndHighBytesStay)
{
    samples::Name nul{"NULPAD", 0x20, false, '\0'};
    const auto padded = Decode(samples::Reply({nul}, {}));
    EXPECT_EQ(*padded.hostName, "NULPAD         ");

    std::string high = "\x01\x1F\x20\x21\x7F\x80\x9A\xA0\xE9\xFF";
    const auto r = Decode(samples::Reply({{high, 0x20, false, '\0'}}, {}));
    const std::string expected = std::string("   \x21\x7F\x80\x9A\xA0\xE9\xFF") + "     ";
    EXPECT_EQ(*r.hostName, expected);
    // In code page 850, Samba's default: DEL is a control and shows as a blank; 0x80 is C with
    // cedilla, 0x9A U with diaeresis, 0xA0 a with acute, 0xE9 U with acute, 0xFF a no-break space.
    EXPECT_EQ(wcodepage::OemToUtf8(*r.hostName, 850), "   \x21 \u00C7\u00DC\u00E1\u00DA\u00A0     ");
}

TEST(CodePage, NamesReadInTheOemCodePageOfEachLocale)
{
    // Bytes that are controls in Windows-1252, where they used to pass into the table unchanged, are
    // blanks; bytes it does not assign at all show as replacement marks.
    EXPECT_EQ(wcodepage::OemToUtf8("A\x81\x8D\x9DZ", 1252), "A\uFFFD\uFFFD\uFFFDZ");
    EXPECT_EQ(wcodepage::OemToUtf8("\x82\x97\x95\x93", 866), "\u0412\u0427\u0425\u0423");
    // Japanese: a double-byte character read whole, and one cut by the end of the 15-byte field
    // shows as one mark, not as a stray byte.
    EXPECT_EQ(wcodepage::OemToUtf8("\x83\x7E\x83\x4E", 932), "\u30DF\u30AF");
    EXPECT_EQ(wcodepage::OemToUtf8("ABCDEFGHIJKLMN\x83", 932), "ABCDEFGHIJKLMN\uFFFD");
    // A name goes back into the same code page for a query by name; what it lacks becomes '?'.
    EXPECT_EQ(wcodepage::Utf8ToOem("M\u00DCLLER", 850), "M\x9ALLER");
    EXPECT_EQ(wcodepage::Utf8ToOem("\u20AC\xFF", 850), "??");

    EXPECT_EQ(codepage::OemCodePage(""), 850);
    EXPECT_EQ(codepage::OemCodePage("C.UTF-8"), 850);
    EXPECT_EQ(codepage::OemCodePage("de_DE.UTF-8@euro"), 850);
    EXPECT_EQ(codepage::OemCodePage("en_US.UTF-8"), 437);
    EXPECT_EQ(codepage::OemCodePage("en_GB.UTF-8"), 850);
    EXPECT_EQ(codepage::OemCodePage("pl_PL.UTF-8"), 852);
    EXPECT_EQ(codepage::OemCodePage("ru_RU.KOI8-R"), 866);
    EXPECT_EQ(codepage::OemCodePage("sr_RS@latin"), 852);
    EXPECT_EQ(codepage::OemCodePage("sr_RS"), 855);
    EXPECT_EQ(codepage::OemCodePage("ja_JP.eucJP"), 932);
    EXPECT_EQ(codepage::OemCodePage("zh_TW.UTF-8"), 950);
    EXPECT_EQ(codepage::OemCodePage("zh_CN.GB18030"), 936);
}

TEST(MacText, UpperCaseHexPairsJoinedByHyphens)
{
    const std::uint8_t mac[6] = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
    EXPECT_EQ(nbstat::MacText(mac, '-'), "0A-1B-2C-3D-4E-5F");
    const std::uint8_t high[6] = {0xAB, 0xCD, 0xEF, 0xFF, 0x00, 0x9A};
    EXPECT_EQ(nbstat::MacText(high, '-'), "AB-CD-EF-FF-00-9A");
    const std::uint8_t zero[6] = {};
    EXPECT_EQ(nbstat::MacText(zero, '-'), "00-00-00-00-00-00");
}

TEST(NBStatDecode, SuffixTextIsUpperCaseHexWithoutLeadingZeros)
{
    EXPECT_EQ(nbstat::SuffixText(0x00), "<0>");
    EXPECT_EQ(nbstat::SuffixText(0x03), "<3>");
    EXPECT_EQ(nbstat::SuffixText(0x1B), "<1B>");
    EXPECT_EQ(nbstat::SuffixText(0xAB), "<AB>");
}

TEST(NBStatDecode, NothingDecodedFromFailedEmptyOrPatternlessDatagrams)
{
    const auto full = samples::Workstation("HOST", "WG", {1, 2, 3, 4, 5, 6});
    EXPECT_FALSE(Decode(full, -1).tableFound);
    EXPECT_FALSE(Decode(full, 0).tableFound);
    std::vector<std::uint8_t> garbage(200, 0x5A);
    EXPECT_FALSE(Decode(garbage).tableFound);
    // The pattern at offset 0 is never examined.
    std::vector<std::uint8_t> atZero = {0x21, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 1};
    atZero.resize(60, 'X');
    EXPECT_FALSE(Decode(atZero).tableFound);
    EXPECT_FALSE(Decode(samples::Reply({}, {1, 2, 3, 4, 5, 6})).tableFound);
}

TEST(NBStatDecode, NeverReadsPastTheReceivedBytes)
{
    const auto full = samples::Workstation("HOST", "WG", {1, 2, 3, 4, 5, 6});
    // Every truncation, each into a buffer of exactly that size so the sanitizer sees any overrun.
    for (std::size_t len = 0; len <= full.size(); ++len) {
        std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<long>(len));
        const auto r = nbstat::Decode(cut.data(), static_cast<int>(len));
        const std::size_t entriesThatFit = len < 57 ? 0 : std::min<std::size_t>(3, (len - 57) / 18);
        EXPECT_EQ(r.names.size(), entriesThatFit) << "length " << len;
        EXPECT_EQ(r.mac.has_value(), len >= 57 + 54 + 6) << "length " << len;
    }
}

TEST(NBStatDecode, CountOf255WithTwoEntriesDecodesWhatFitsAndNoMac)
{
    auto d = samples::Reply({{"ONE", 0x20, false}, {"TWO", 0x00, true}}, {9, 9, 9, 9, 9, 9}, 255, false);
    const auto r = Decode(d);
    ASSERT_EQ(r.names.size(), 2u);
    EXPECT_FALSE(r.mac.has_value());
    EXPECT_EQ(*r.hostName, "ONE            ");

    // The same in a full 500-byte datagram: the entries that fit are decoded, still no MAC.
    d.resize(500, 0x41);
    const auto big = Decode(d);
    EXPECT_EQ(big.names.size(), (500u - 57u) / 18u);
    EXPECT_FALSE(big.mac.has_value());
}

TEST(NBStatDecode, MacAtTheVeryEndOfTheDatagramIsTaken)
{
    const auto d = samples::Reply({{"EDGE", 0x20, false}}, {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}, -1, true);
    const int exact = 57 + 18 + 6;
    const auto r = nbstat::Decode(d.data(), exact);
    ASSERT_TRUE(r.mac.has_value());
    EXPECT_EQ(nbstat::MacText(*r.mac, '.'), "0A.1B.2C.3D.4E.5F");
    EXPECT_FALSE(nbstat::Decode(d.data(), exact - 1).mac.has_value());
}

TEST(NBStatDecode, PatternFoundWhereverTheAnswerNameEnds)
{
    // A compressed answer name (a pointer) moves the pattern forward; the decoder follows it.
    const auto d = samples::Reply({{"SHORTFORM", 0x20, false}}, {1, 2, 3, 4, 5, 6}, -1, true, 0, {0xC0, 0x0C});
    const auto r = Decode(d);
    EXPECT_EQ(*r.hostName, "SHORTFORM      ");
    EXPECT_EQ(nbstat::MacText(*r.mac, '.'), "01.02.03.04.05.06");
}

} // namespace
