// The UDP endpoint of the main window: the query on the wire, and what every kind of datagram that
// reaches port 6767 makes of the table and the detail log.
#include "nbstat_samples.h"
#include "platform/event.h"
#include "protocol/nbstat.h"
#include "window_fixture.h"

namespace scantest {
namespace {

using testsupport::WaitUntil;

class Endpoint : public WindowTest {};

TEST_F(Endpoint, WithOnlyLoopbackNoAddressIsListedAndTheRangeIsOneTo255)
{
    EXPECT_EQ(window->ComboBox1->count(), 0);
    EXPECT_EQ(window->ComboBox1->currentText(), "1");
    EXPECT_EQ(window->Edit2->text(), "255");
    EXPECT_EQ(window->windowTitle(), "Nodewick v1.02");
}

TEST_F(Endpoint, SendsTheFiftyByteQueryFromPort6767ToPort137)
{
    Peer nameService("127.0.0.9", 137);
    ASSERT_TRUE(nameService.Bound());
    window->SendNBStatQuery(nbstat::NBStatQuery.data(), "127.0.0.9");
    sockaddr_in from{};
    const auto got = nameService.Receive(&from);
    ASSERT_EQ(got.size(), 50u);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), nbstat::NBStatQuery.begin()));
    EXPECT_EQ(ntohs(from.sin_port), udp::kLocalPort);
}

TEST_F(Endpoint, RepliesBecomeRowsOnTopWithTheSendersAddressAndLogBlocks)
{
    Peer first("127.0.0.2");
    Peer second("127.0.0.3");
    first.SendToScanner(samples::Reply({{"ALPHA", 0x20, false}, {"WG", 0x00, true}}, {0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF}));
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() == 1; }, 5s));
    second.SendToScanner(samples::Reply({{"BETA", 0x20, false}, {"BETA", 0x03, false}}, {1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() == 2; }, 5s));

    EXPECT_EQ(Rows().Caption(0), "127.0.0.3");
    EXPECT_EQ(Rows().Caption(1), "127.0.0.2");
    EXPECT_EQ(Rows().CellCount(1), 5);
    EXPECT_EQ(Rows().Cell(1, 0), "Found");
    EXPECT_EQ(Rows().Cell(1, 1), "ALPHA          ");
    EXPECT_EQ(Rows().Cell(1, 2), "00.0C.29.AB.CD.EF");
    EXPECT_EQ(Rows().Cell(1, 3), "WG             ");
    EXPECT_EQ(Rows().Cell(1, 4), "");
    EXPECT_EQ(Rows().Cell(0, 3), "");
    EXPECT_EQ(*Rows().LogAnchor(1), 1);
    EXPECT_EQ(*Rows().LogAnchor(0), 6);
    const std::vector<QString> expected = {"IP: 127.0.0.2", "ALPHA          <20><UNIQUE>", "WG             <0><GROUP>",
                                           "MAC:00.0C.29.AB.CD.EF", QString(54, QLatin1Char('-')), "IP: 127.0.0.3",
                                           "BETA           <20><UNIQUE>", "BETA           <3><UNIQUE>",
                                           "MAC:01.02.03.04.05.06", QString(54, QLatin1Char('-'))};
    EXPECT_EQ(Log().Lines(), expected);
    EXPECT_EQ(Log().TopIndex(), 9);
    EXPECT_EQ(window->Edit5->text(), "2");
}

TEST_F(Endpoint, EveryDatagramGivesARowEvenWithoutANameTable)
{
    Peer peer("127.0.0.4");
    wsync::ResetEvent(udp::WaitAckEvent);
    peer.SendToScanner({});
    peer.SendToScanner(std::vector<std::uint8_t>(100, 0x5A));
    peer.SendToScanner(samples::Reply({}, {1, 2, 3, 4, 5, 6}));
    std::vector<std::uint8_t> oversize(501, 0x21);
    peer.SendToScanner(oversize);
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() == 4; }, 5s));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Rows().Caption(i), "127.0.0.4");
        EXPECT_EQ(Rows().Cell(i, 0), "Found");
        EXPECT_EQ(Rows().Cell(i, 1), "");
        EXPECT_EQ(Rows().Cell(i, 2), "");
    }
    EXPECT_EQ(Log().Count(), 4);
    EXPECT_EQ(wsync::WaitForSingleObject(udp::WaitAckEvent, 0), wsync::WAIT_OBJECT_0);
}

TEST_F(Endpoint, APortUnreachableAnswerListsTheRefusingHostOnce)
{
    wsync::ResetEvent(udp::WaitAckEvent);
    window->SendNBStatQuery(nbstat::NBStatQuery.data(), "127.0.0.7");
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() == 1; }, 5s));
    EXPECT_EQ(Rows().Caption(0), "127.0.0.7");
    EXPECT_EQ(Rows().Cell(0, 0), "Found");
    EXPECT_EQ(Log().Lines(), std::vector<QString>{"IP: 127.0.0.7"});
    EXPECT_EQ(wsync::WaitForSingleObject(udp::WaitAckEvent, 0), wsync::WAIT_OBJECT_0);

    // The queued report must not make the next query fail or be listed twice.
    testsupport::MessageBoxCatcher boxes;
    window->SendNBStatQuery(nbstat::NBStatQuery.data(), "127.0.0.8");
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() == 2; }, 5s));
    WaitUntil([] { return false; }, 200ms);
    EXPECT_EQ(Rows().Count(), 2);
    EXPECT_EQ(Rows().Caption(0), "127.0.0.8");
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join(", ").toStdString();
}

TEST_F(Endpoint, AFailedSendShowsBothMessagesInOrder)
{
    testsupport::MessageBoxCatcher boxes;
    // No route in the test's own network: the send itself fails, nothing leaves the machine.
    window->SendNBStatQuery(nbstat::NBStatQuery.data(), "10.99.99.99");
    ASSERT_TRUE(WaitUntil([&] { return boxes.Texts().size() == 2; }, 5s));
    EXPECT_EQ(boxes.Texts(), (QStringList{"SOCKET_ERROR,send fail.", "Not Send all"}));
}

TEST_F(Endpoint, ASecondWindowCannotBindButSharesTheEvent)
{
    const wsync::HANDLE before = udp::WaitAckEvent;
    testsupport::MessageBoxCatcher boxes;
    auto second = std::make_unique<Tfrmmain>();
    EXPECT_EQ(boxes.Texts(), QStringList{"bind fail"});
    EXPECT_EQ(udp::WaitAckEvent, before);
    second->close();
    second.reset();
}

} // namespace
} // namespace scantest
