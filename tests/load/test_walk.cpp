// Long walks through the real window in the lab: 255 third-octet blocks with no wait, where a few
// thousand addresses answer, the rest silent.
#include "load_support.h"
#include "walk_network.h"

#include <map>
#include <set>

namespace loadtest {
namespace {

class Walk : public WindowTest {};

TEST_F(Walk, AcrossTheThirdOctetBlocksWithNoWaitTheTableAndLogHoldEveryAnswer)
{
    const int blocks = static_cast<int>(Scaled(255, 4));
    const QString end = blocks == 255 ? QStringLiteral("198.20.255.255") : QStringLiteral("198.20.%1.1").arg(blocks);
    std::set<QString> refused;
    std::set<QString> named;
    long long probed = 0;
    for (int x = 0; x < blocks; ++x) {
        for (int y = x == 0 ? 0 : 1; y <= 255; ++y) {
            ++probed;
            const QString addr = QStringLiteral("198.20.%1.%2").arg(x).arg(y);
            if (Refuses(y))
                refused.insert(addr);
            else if (Answers(y))
                named.insert(addr);
        }
    }
    const unsigned long long sentBefore = UdpOutDatagrams();

    QElapsedTimer clock;
    clock.start();
    EventLoopLatency latency;
    StartQuick("198.20.0.0", end, "0");
    ASSERT_TRUE(WaitForScanEnd(240s));
    const double walkSeconds = static_cast<double>(clock.elapsed()) / 1000.0;
    const std::size_t expected = refused.size() + named.size();
    ASSERT_TRUE(WaitUntil([&] { return static_cast<std::size_t>(Rows().Count()) >= expected; }, 60s))
        << Rows().Count() << " of " << expected << " rows";
    Settle(500ms, 10s);
    latency.Stop();
    std::printf("walk: %lld addresses in %.2f s, %zu rows (%zu refused, %zu named)\n", probed, walkSeconds,
                static_cast<std::size_t>(Rows().Count()), refused.size(), named.size());
    std::printf("event loop during the walk: %s\n", latency.Summary().c_str());
    EXPECT_LT(latency.MaxMs(), 2000.0);

    // One query went to every address of the walk, and every address that answers is listed once.
    EXPECT_EQ(UdpOutDatagrams() - sentBefore, static_cast<unsigned long long>(probed));
    ASSERT_EQ(static_cast<std::size_t>(Rows().Count()), expected);
    std::map<QString, int> seen;
    long long lines = 0;
    for (int i = 0; i < Rows().Count(); ++i) {
        const QString addr = Rows().Caption(i);
        ++seen[addr];
        const int anchor = *Rows().LogAnchor(i);
        ASSERT_EQ(Log().Line(anchor - 1), "IP: " + addr);
        if (named.count(addr) != 0) {
            const QStringList octets = addr.split(QLatin1Char('.'));
            EXPECT_EQ(Rows().Cell(i, 1), QStringLiteral("MANY-%1-%2").arg(octets[2], octets[3]).leftJustified(15))
                << addr.toStdString();
            EXPECT_EQ(Rows().Cell(i, 2), "02.00.00.00.00.41");
            EXPECT_EQ(Rows().Cell(i, 3), "MANYWG         ");
            lines += 6;
        } else {
            EXPECT_EQ(refused.count(addr), 1u) << addr.toStdString();
            EXPECT_EQ(Rows().Cell(i, 1), "");
            lines += 1;
        }
    }
    for (const auto& [addr, n] : seen)
        EXPECT_EQ(n, 1) << addr.toStdString();
    EXPECT_EQ(Log().Count(), lines);
    EXPECT_EQ(window->Edit4->text(), "");
}

TEST_F(Walk, AWalkThroughThousandsOfSilentAddressesOnTheLinkWithNoWaitSendsEveryQuery)
{
    // Every query waits in the kernel for an ARP answer that never comes, thousands at once: far
    // more than the neighbour table holds, so most sends find the kernel full for a while.
    const int blocks = static_cast<int>(Scaled(20, 8));
    const long long probed = blocks * 255LL;
    testsupport::MessageBoxCatcher boxes;
    const unsigned long long sentBefore = UdpOutDatagrams();
    QElapsedTimer clock;
    clock.start();
    EventLoopLatency latency;
    GuiEcho echo;
    StartQuick("198.18.1.1", QStringLiteral("198.18.%1.1").arg(blocks + 1), "0");
    ASSERT_TRUE(WaitForScanEnd(120s));
    echo.Stop();
    latency.Stop();
    std::printf("walk: %lld silent addresses on the link in %.2f s, %llu queries sent\n", probed,
                static_cast<double>(clock.elapsed()) / 1000.0, UdpOutDatagrams() - sentBefore);
    std::printf("GUI echo during the walk: %s\n", echo.Summary().c_str());
    std::printf("event loop during the walk: %s\n", latency.Summary().c_str());
    // The window waits for no send: a frozen event loop leaves echoes unanswered for seconds.
    EXPECT_LT(echo.MaxMs(), 500.0);
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join(", ").toStdString();
    EXPECT_EQ(UdpOutDatagrams() - sentBefore, static_cast<unsigned long long>(probed));
    Settle(300ms, 5s);
    EXPECT_EQ(Rows().Count(), 0);
}

} // namespace
} // namespace loadtest

lab::Layout TestNetwork() { return loadtest::WalkNetwork(); }
