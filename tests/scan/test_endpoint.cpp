// The UDP endpoint of the main window: the query on the wire, and what every kind of datagram that
// reaches port 6767 makes of the table and the detail log.
#include "platform/event.h"
#include "platform/unique_fd.h"
#include "protocol/checksum.h"
#include "protocol/nbstat.h"
#include "scan/udp.h"
#include "support/nbstat_samples.h"
#include "support/window_fixture.h"

#include <QComboBox>
#include <QLineEdit>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <netinet/udp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace scantest {
namespace {

using namespace std::chrono_literals;
using testsupport::WaitUntil;
using testsupport::WindowTest;

// A UDP socket bound to a loopback address, standing in for a host.
class Peer {
public:
    explicit Peer(const std::string& addr, int port = 0)
        : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, addr.c_str(), &sa.sin_addr);
        bound_ = fd_.ok() && ::bind(fd_.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
        timeval tv{2, 0};
        ::setsockopt(fd_.get(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }

    bool Bound() const { return bound_; }

    void SendToScanner(const std::vector<std::uint8_t>& bytes) const
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(udp::kLocalPort);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::sendto(fd_.get(), bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

    // One datagram, or nothing within the socket's 2 s receive limit.
    std::vector<std::uint8_t> Receive(sockaddr_in* from = nullptr) const
    {
        std::vector<std::uint8_t> buf(2048);
        sockaddr_in sa{};
        socklen_t len = sizeof sa;
        const ssize_t n = ::recvfrom(fd_.get(), buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&sa), &len);
        buf.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        if (from != nullptr)
            *from = sa;
        return buf;
    }

private:
    wplatform::UniqueFd fd_;
    bool bound_ = false;
};

// An ICMP error from the address from, quoting our query from 127.0.0.1:6767 to port 137 of the
// queried address. Sent through a raw socket, so only the kernel's own checks stand between it and
// the window.
bool ForgeIcmpError(std::uint8_t type, std::uint8_t code, const char* from, const char* queried)
{
    std::uint8_t packet[sizeof(iphdr) + 8 + sizeof(iphdr) + sizeof(udphdr)] = {};
    auto* outer = reinterpret_cast<iphdr*>(packet);
    std::uint8_t* icmp = packet + sizeof(iphdr);
    auto* quoted = reinterpret_cast<iphdr*>(icmp + 8);
    auto* quotedUdp = reinterpret_cast<udphdr*>(icmp + 8 + sizeof(iphdr));
    outer->version = 4;
    outer->ihl = 5;
    outer->tot_len = htons(sizeof packet);
    outer->ttl = 64;
    outer->protocol = IPPROTO_ICMP;
    ::inet_pton(AF_INET, from, &outer->saddr);
    ::inet_pton(AF_INET, "127.0.0.1", &outer->daddr);
    icmp[0] = type;
    icmp[1] = code;
    if (type == ICMP_DEST_UNREACH && code == ICMP_FRAG_NEEDED)
        icmp[7] = 68; // the next hop's MTU, as small as the kernel takes
    quoted->version = 4;
    quoted->ihl = 5;
    quoted->tot_len = htons(sizeof(iphdr) + sizeof(udphdr) + 50);
    quoted->ttl = 64;
    quoted->protocol = IPPROTO_UDP;
    ::inet_pton(AF_INET, "127.0.0.1", &quoted->saddr);
    ::inet_pton(AF_INET, queried, &quoted->daddr);
    quoted->check = htons(checksum::Internet(reinterpret_cast<std::uint8_t*>(quoted), sizeof(iphdr)));
    quotedUdp->source = htons(udp::kLocalPort);
    quotedUdp->dest = htons(nbstat::kNameServicePort);
    quotedUdp->len = htons(sizeof(udphdr) + 50);
    const std::uint16_t sum = htons(checksum::Internet(icmp, sizeof packet - sizeof(iphdr)));
    std::memcpy(icmp + 2, &sum, sizeof sum);

    const wplatform::UniqueFd fd(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_RAW));
    if (!fd.ok())
        return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = outer->daddr;
    return ::sendto(fd.get(), packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to)
        == static_cast<ssize_t>(sizeof packet);
}

// What a router or firewall sends when it rejects a query on a host's behalf.
bool ForgePortUnreachable(const char* from, const char* queried)
{
    return ForgeIcmpError(ICMP_DEST_UNREACH, ICMP_PORT_UNREACH, from, queried);
}

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
    first.SendToScanner(
        samples::Reply({{"ALPHA", 0x20, false}, {"WG", 0x00, true}}, {0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF}));
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
    const std::vector<QString> expected = {"IP: 127.0.0.2",
                                           "ALPHA          <20><UNIQUE>",
                                           "WG             <0><GROUP>",
                                           "MAC:00.0C.29.AB.CD.EF",
                                           QString(54, QLatin1Char('-')),
                                           "IP: 127.0.0.3",
                                           "BETA           <20><UNIQUE>",
                                           "BETA           <3><UNIQUE>",
                                           "MAC:01.02.03.04.05.06",
                                           QString(54, QLatin1Char('-'))};
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

TEST_F(Endpoint, ARefusalFromAnotherAddressThanTheQueriedOneListsNothing)
{
    testsupport::MessageBoxCatcher boxes;
    // A host that takes the query and stays silent, and a firewall at .50 that rejects on its behalf.
    Peer silent("127.0.0.60", 137);
    ASSERT_TRUE(silent.Bound());
    window->SendNBStatQuery(nbstat::NBStatQuery.data(), "127.0.0.60");
    ASSERT_EQ(silent.Receive().size(), 50u);
    wsync::ResetEvent(udp::WaitAckEvent);
    ASSERT_TRUE(ForgePortUnreachable("127.0.0.50", "127.0.0.60"));
    // Also for an address where no host exists at all.
    ASSERT_TRUE(ForgePortUnreachable("127.0.0.50", "127.0.0.62"));
    WaitUntil([] { return false; }, 300ms);
    EXPECT_EQ(Rows().Count(), 0);
    EXPECT_EQ(wsync::WaitForSingleObject(udp::WaitAckEvent, 0), wsync::WAIT_TIMEOUT);

    // The host's own refusal is listed, once, with the reports before it gone from the socket.
    window->SendNBStatQuery(nbstat::NBStatQuery.data(), "127.0.0.61");
    ASSERT_TRUE(WaitUntil([&] { return Rows().Count() == 1; }, 5s));
    WaitUntil([] { return false; }, 200ms);
    EXPECT_EQ(Captions(), std::vector<QString>{"127.0.0.61"});
    EXPECT_EQ(Log().Lines(), std::vector<QString>{"IP: 127.0.0.61"});
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join(", ").toStdString();
}

TEST_F(Endpoint, AnIcmpErrorOfAnyKindLeftOnTheSocketNeverFailsTheNextQuery)
{
    testsupport::MessageBoxCatcher boxes;
    // Datagrams that the window has not read yet fill its receive buffer, so the reports that follow
    // find no room in the error queue: the kernel leaves each only as the socket's pending error.
    Peer flood("127.0.0.70");
    for (int i = 0; i < 600; ++i)
        flood.SendToScanner(std::vector<std::uint8_t>(400, 0x5A));
    Peer nameService("127.0.0.71", 137);
    ASSERT_TRUE(nameService.Bound());
    // Fragmentation needed, source route failed and a parameter problem: EMSGSIZE, EOPNOTSUPP, EPROTO.
    const std::pair<std::uint8_t, std::uint8_t> kinds[]
        = {{ICMP_DEST_UNREACH, ICMP_FRAG_NEEDED}, {ICMP_DEST_UNREACH, ICMP_SR_FAILED}, {ICMP_PARAMETERPROB, 0}};
    for (const auto& [type, code] : kinds) {
        ASSERT_TRUE(ForgeIcmpError(type, code, "127.0.0.50", "127.0.0.72"));
        EXPECT_EQ(window->SendNBStatQuery(nbstat::NBStatQuery.data(), "127.0.0.71"), udp::QuerySend::Sent);
        EXPECT_EQ(nameService.Receive().size(), 50u);
    }
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
