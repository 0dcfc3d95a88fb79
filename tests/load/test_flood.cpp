// Port 6767 under a flood and under hostile datagrams, through the real window in the lab.
#include "load_support.h"
#include "support/nbstat_samples.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <map>
#include <thread>

#ifndef NODEWICK_FLOOD_SENDER
#error "NODEWICK_FLOOD_SENDER must name the flood_sender binary"
#endif

namespace loadtest {
namespace {

constexpr std::size_t kFloodHost = 0;
constexpr const char* kFloodSource = "198.18.0.20";
constexpr const char* kScanner = "198.18.0.1";

// .20 floods; .30 answers for 198.19.4.0/30, the end of a walk whose other addresses are silent.
lab::Layout Network()
{
    lab::Layout layout;
    layout.scannerAddrs = {"198.18.0.1/24"};
    layout.hosts = {
        {lab::Host::Kind::NoNetbios, kFloodSource, "", "", {}, 0, {}},
        {lab::Host::Kind::Responder, "198.18.0.30", "ENDHOST", "ENDWG", {0x02, 0, 0, 0, 0, 0x30}, 0, {"198.19.4.0/30"}},
    };
    layout.silentRoutes = {"198.19.0.0/16"};
    return layout;
}

class Flood : public WindowTest {};

TEST_F(Flood, EveryDatagramOfAFloodDuringAQuickScanGivesItsRowAndTheScanGoesOn)
{
    const long long count = Scaled(100000, 400) / 4 * 4;
    const long long rate = kSanitized ? 2000 : 10000;
    ASSERT_EQ(ReadSocket(6767).sockets, 1);
    const unsigned long long readBefore = UdpInDatagrams();

    // 1020 silent addresses at 10 ms, then the one host that answers at the end of the walk.
    StartQuick("198.19.0.1", "198.19.4.2", "10");
    EventLoopLatency latency;
    std::atomic<int> senderStatus{INT_MIN};
    const int senderLimitMs = static_cast<int>(count * 1000 / rate) * 3 + 30000;
    std::thread sender([&] {
        senderStatus = lab::RunInHost(
            kFloodHost,
            {NODEWICK_FLOOD_SENDER, "--to", kScanner, "--count", std::to_string(count), "--rate", std::to_string(rate)},
            senderLimitMs);
    });
    WaitUntil([&] { return senderStatus.load() != INT_MIN; }, std::chrono::milliseconds(senderLimitMs + 5000));
    sender.join();
    ASSERT_EQ(senderStatus.load(), 0) << "the flood sender failed";

    // Whatever the socket still holds is read; then every datagram the window read has its row. The
    // kernel may drop some on the way, in the socket's full receive buffer or, on a loaded machine,
    // in the device backlog before it; those reach no socket and give no row.
    const auto floodRows = [&] {
        int n = 0;
        for (int i = 0; i < Rows().Count(); ++i)
            n += Rows().Caption(i) == kFloodSource;
        return n;
    };
    ASSERT_TRUE(WaitUntil([] { return ReadSocket(6767).rxQueue == 0; }, 120s));
    Settle(300ms, 30s);
    latency.Stop();
    const SocketCounters socket = ReadSocket(6767);
    const long long read = static_cast<long long>(UdpInDatagrams() - readBefore);
    const long long lost = count - floodRows();
    std::printf("flood: %lld datagrams at %lld/s, %lld lost on the way (%lu of them in the full receive buffer), %d "
                "rows\n",
                count, rate, lost, socket.drops, floodRows());
    std::printf("event loop during the flood: %s\n", latency.Summary().c_str());
    EXPECT_EQ(Rows().Count(), read);
    EXPECT_GE(lost, static_cast<long long>(socket.drops));
    EXPECT_LT(latency.MaxMs(), 2000.0);

    // The walk went on to its end: the last address answered, and the current address is cleared.
    ASSERT_TRUE(WaitForScanEnd(120s));
    const auto endRow = [&] {
        for (int i = 0; i < Rows().Count(); ++i)
            if (Rows().Caption(i) == "198.19.4.1")
                return i;
        return -1;
    };
    ASSERT_TRUE(WaitUntil([&] { return endRow() >= 0; }, 10s));
    EXPECT_EQ(Rows().Cell(endRow(), 1), "ENDHOST-4-1    ");
    EXPECT_EQ(window->Edit4->text(), "");

    // Rows by kind, and the log blocks that each kind gives: a well-formed reply its six lines, a
    // truncated table the name that fits and the separator, the count of 255 its two names and the
    // separator, garbage the "IP: " line alone.
    std::map<QString, int> kinds;
    long long expectedLines = 0;
    for (int i = 0; i < Rows().Count(); ++i) {
        const QString host = Rows().Cell(i, 1).trimmed();
        if (Rows().Caption(i) != kFloodSource) {
            expectedLines += 6;
            continue;
        }
        ++kinds[host];
        expectedLines += host == "WELLFORMED" ? 6 : host == "TRUNCATED" ? 3 : host == "COUNT255" ? 4 : 1;
        const std::optional<int> anchor = Rows().LogAnchor(i);
        ASSERT_TRUE(anchor.has_value());
        ASSERT_EQ(Log().Line(*anchor - 1), QStringLiteral("IP: ") + kFloodSource) << "row " << i;
    }
    EXPECT_EQ(kinds.size(), 4u);
    for (const auto& [host, n] : kinds) {
        EXPECT_LE(n, count / 4) << host.toStdString();
        EXPECT_GE(n, count / 4 - lost) << host.toStdString();
    }
    EXPECT_EQ(Log().Count(), expectedLines);
}

// A UDP socket on the scanner's own address that sends straight to port 6767.
class Sender {
public:
    Sender()
    {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        int size = 4 << 20;
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
        to_.sin_family = AF_INET;
        to_.sin_port = htons(6767);
        ::inet_pton(AF_INET, kScanner, &to_.sin_addr);
    }
    ~Sender() { ::close(fd_); }
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;
    bool Send(const std::vector<std::uint8_t>& d) const
    {
        return ::sendto(fd_, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&to_), sizeof to_)
            == static_cast<ssize_t>(d.size());
    }

private:
    int fd_ = -1;
    sockaddr_in to_{};
};

class Hostile : public WindowTest {};

TEST_F(Hostile, DatagramsCutShortAfterFullOnesDecodeOnlyTheBytesReceived)
{
    // A 500-byte reply: 24 names, the MAC in its last six bytes. Each cut of it follows the full
    // datagram, so a read past the received bytes would find the full reply's bytes still there.
    std::vector<samples::Name> names;
    for (int k = 0; k < 24; ++k)
        names.push_back({"HOST" + std::to_string(k), static_cast<std::uint8_t>(k == 23 ? 0x20 : 0x03), false});
    auto full = samples::Reply(names, {}, -1, false);
    full.insert(full.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01});
    // Five bytes before the answer name move the pattern to 52 and the MAC to bytes 494 to 499.
    full.insert(full.begin() + 12, 5, 0x00);
    ASSERT_EQ(full.size(), 500u);
    const int p = 52;

    struct Cut {
        int length;
        int names; // decoded entries
        bool mac;
        const char* lastName; // the log line of the last decoded entry
    };
    const std::vector<Cut> cuts = {{0, 0, false, ""},
                                   {p + 2, 0, false, ""},
                                   {p + 9, 0, false, ""},
                                   {p + 10, 0, false, ""},
                                   {p + 10 + 17, 0, false, ""},
                                   {p + 10 + 18, 1, false, "HOST0          <3><UNIQUE>"},
                                   {p + 10 + 18 * 7 + 9, 7, false, "HOST6          <3><UNIQUE>"},
                                   {p + 10 + 18 * 24, 24, false, "HOST23         <20><UNIQUE>"},
                                   {p + 10 + 18 * 24 + 5, 24, false, "HOST23         <20><UNIQUE>"},
                                   {500, 24, true, "HOST23         <20><UNIQUE>"}};
    Sender sender;
    for (const Cut& c : cuts) {
        ASSERT_TRUE(sender.Send(full));
        ASSERT_TRUE(sender.Send(std::vector<std::uint8_t>(full.begin(), full.begin() + c.length)));
    }
    const int expectedRows = static_cast<int>(cuts.size()) * 2;
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() == expectedRows; }, 10s)) << Rows().Count();

    // Rows are on top in reverse order of arrival: the cut is above the full datagram it followed.
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        const Cut& c = cuts[i];
        const int row = expectedRows - 2 - 2 * static_cast<int>(i);
        SCOPED_TRACE("cut at " + std::to_string(c.length));
        EXPECT_EQ(Rows().Caption(row), kScanner);
        EXPECT_EQ(Rows().Cell(row, 0), "Found");
        EXPECT_EQ(Rows().Cell(row, 2), c.mac ? "DE.AD.BE.EF.00.01" : "");
        EXPECT_EQ(Rows().Cell(row, 1), c.names == 24 ? "HOST23         " : "");
        const int anchor = *Rows().LogAnchor(row);
        const int next = row > 0 ? *Rows().LogAnchor(row - 1) - 1 : Log().Count();
        const int lines = 1 + c.names + (c.mac ? 1 : 0) + (c.names > 0 ? 1 : 0);
        EXPECT_EQ(next - (anchor - 1), lines);
        if (c.names > 0) {
            EXPECT_EQ(Log().Line(anchor - 1 + c.names), c.lastName);
        }
    }
}

TEST_F(Hostile, NamesOfEveryByteValueAndDatagramsOfEverySizeGiveTheirRows)
{
    // Eighteen names cover the byte values 0 to 255; suffixes and flags take odd values too.
    std::vector<samples::Name> names;
    for (int k = 0; k < 18; ++k) {
        std::string bytes;
        for (int j = 0; j < 15; ++j)
            bytes.push_back(static_cast<char>((k * 15 + j) & 0xFF));
        names.push_back({bytes, static_cast<std::uint8_t>(k * 15), k % 2 == 1});
    }
    names[16].suffix = 0x20; // a unique name with suffix 20: the Host Name
    names[17].suffix = 0x00; // a group name with suffix 00: the WorkGrp/Domain
    const auto everyByte = samples::Reply(names, {0xFF, 0xFE, 0x80, 0x7F, 0x01, 0x00});
    ASSERT_LE(everyByte.size(), 500u);

    const auto big = samples::Workstation("BIGHOST", "BIGWG", {1, 2, 3, 4, 5, 6});
    auto exactly500 = big;
    exactly500.resize(500, 0xEE);
    auto over500 = big;
    over500.resize(501, 0xEE);
    auto largest = big;
    largest.resize(65507, 0xEE);

    Sender sender;
    for (const auto& d : {everyByte, exactly500, over500, largest})
        ASSERT_TRUE(sender.Send(d));
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() == 4; }, 10s)) << Rows().Count();
    Settle(200ms, 5s);
    ASSERT_EQ(Rows().Count(), 4);

    // Datagrams over 500 bytes fail the read: the address and "Found" only, the "IP: " line only.
    for (const int row : {0, 1}) {
        EXPECT_EQ(Rows().Caption(row), kScanner);
        EXPECT_EQ(Rows().Cell(row, 0), "Found");
        EXPECT_EQ(Rows().Cell(row, 1), "");
        EXPECT_EQ(Rows().Cell(row, 2), "");
    }
    EXPECT_EQ(*Rows().LogAnchor(0), Log().Count());
    EXPECT_EQ(*Rows().LogAnchor(1), Log().Count() - 1);
    EXPECT_EQ(Rows().Cell(2, 1), "BIGHOST        ");
    EXPECT_EQ(Rows().Cell(2, 2), "01.02.03.04.05.06");

    // The names in code page 850, Samba's default and the one of the tests' locale; every byte of 0x20
    // or below, and DEL, shows as a blank.
    const QStringList expected = {
        QStringLiteral("               <0><UNIQUE>"),
        QStringLiteral("               <F><GROUP>"),
        QStringLiteral("   !\"#$%&'()*+,<1E><UNIQUE>"),
        QStringLiteral("-./0123456789:;<2D><GROUP>"),
        QStringLiteral("<=>?@ABCDEFGHIJ<3C><UNIQUE>"),
        QStringLiteral("KLMNOPQRSTUVWXY<4B><GROUP>"),
        QStringLiteral("Z[\\]^_`abcdefgh<5A><UNIQUE>"),
        QStringLiteral("ijklmnopqrstuvw<69><GROUP>"),
        QStringLiteral("xyz{|}~ \u00C7\u00FC\u00E9\u00E2\u00E4\u00E0\u00E5<78><UNIQUE>"),
        QStringLiteral(
            "\u00E7\u00EA\u00EB\u00E8\u00EF\u00EE\u00EC\u00C4\u00C5\u00C9\u00E6\u00C6\u00F4\u00F6\u00F2<87><GROUP>"),
        QStringLiteral(
            "\u00FB\u00F9\u00FF\u00D6\u00DC\u00F8\u00A3\u00D8\u00D7\u0192\u00E1\u00ED\u00F3\u00FA\u00F1<96><UNIQUE>"),
        QStringLiteral(
            "\u00D1\u00AA\u00BA\u00BF\u00AE\u00AC\u00BD\u00BC\u00A1\u00AB\u00BB\u2591\u2592\u2593\u2502<A5><GROUP>"),
        QStringLiteral(
            "\u2524\u00C1\u00C2\u00C0\u00A9\u2563\u2551\u2557\u255D\u00A2\u00A5\u2510\u2514\u2534\u252C<B4><UNIQUE>"),
        QStringLiteral(
            "\u251C\u2500\u253C\u00E3\u00C3\u255A\u2554\u2569\u2566\u2560\u2550\u256C\u00A4\u00F0\u00D0<C3><GROUP>"),
        QStringLiteral(
            "\u00CA\u00CB\u00C8\u0131\u00CD\u00CE\u00CF\u2518\u250C\u2588\u2584\u00A6\u00CC\u2580\u00D3<D2><UNIQUE>"),
        QStringLiteral(
            "\u00DF\u00D4\u00D2\u00F5\u00D5\u00B5\u00FE\u00DE\u00DA\u00DB\u00D9\u00FD\u00DD\u00AF\u00B4<E1><GROUP>"),
        QStringLiteral(
            "\u00AD\u00B1\u2017\u00BE\u00B6\u00A7\u00F7\u00B8\u00B0\u00A8\u00B7\u00B9\u00B3\u00B2\u25A0<20><UNIQUE>"),
        QStringLiteral("\u00A0              <0><GROUP>"),
    };
    const int anchor = *Rows().LogAnchor(3);
    EXPECT_EQ(Log().Line(anchor - 1), QStringLiteral("IP: ") + kScanner);
    QStringList logged;
    for (int k = 0; k < 18; ++k)
        logged.append(Log().Line(anchor + k));
    EXPECT_EQ(logged, expected);
    EXPECT_EQ(Rows().Cell(3, 1), expected[16].left(15));
    EXPECT_EQ(Rows().Cell(3, 3), expected[17].left(15));
    EXPECT_EQ(Rows().Cell(3, 2), "FF.FE.80.7F.01.00");
    EXPECT_EQ(Log().Line(anchor + 18), "MAC:FF.FE.80.7F.01.00");
    EXPECT_EQ(Log().Line(anchor + 19), QString(54, QLatin1Char('-')));
}

} // namespace
} // namespace loadtest

lab::Layout TestNetwork() { return loadtest::Network(); }
