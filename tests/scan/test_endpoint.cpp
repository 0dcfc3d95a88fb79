// The scan's UDP endpoint: the query on the wire, and what every kind of datagram that reaches port
// 6767 shows, through a fake view.
#include "platform/event.h"
#include "platform/unique_fd.h"
#include "protocol/checksum.h"
#include "protocol/nbstat.h"
#include "support/fake_view.h"
#include "support/nbstat_samples.h"
#include "support/ui_helpers.h"

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
using testsupport::EngineTest;
using testsupport::WaitUntil;

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
        to.sin_port = htons(scan::kLocalPort);
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
    quotedUdp->source = htons(scan::kLocalPort);
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

class Endpoint : public EngineTest {
protected:
    scan::QuerySend Send(const std::string& address)
    {
        return engine->Endpoint().SendNBStatQuery(nbstat::NBStatQuery.data(), address);
    }
    wsync::HANDLE WaitAck() { return engine->State().WAIT_ACK; }
};

TEST_F(Endpoint, SendsTheFiftyByteQueryFromPort6767ToPort137)
{
    Peer nameService("127.0.0.9", 137);
    ASSERT_TRUE(nameService.Bound());
    Send("127.0.0.9");
    sockaddr_in from{};
    const auto got = nameService.Receive(&from);
    ASSERT_EQ(got.size(), 50u);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), nbstat::NBStatQuery.begin()));
    EXPECT_EQ(ntohs(from.sin_port), scan::kLocalPort);
}

TEST_F(Endpoint, RepliesBecomeHostsWithTheSendersAddressAndTheirTables)
{
    Peer first("127.0.0.2");
    Peer second("127.0.0.3");
    first.SendToScanner(
        samples::Reply({{"ALPHA", 0x20, false}, {"WG", 0x00, true}}, {0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF}));
    ASSERT_TRUE(WaitUntil([&] { return view.quickHosts.size() == 1; }, 5s));
    second.SendToScanner(samples::Reply({{"BETA", 0x20, false}, {"BETA", 0x03, false}}, {1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(WaitUntil([&] { return view.quickHosts.size() == 2; }, 5s));

    const scan::QuickHost& alpha = view.quickHosts[0];
    EXPECT_EQ(alpha.address, "127.0.0.2");
    EXPECT_TRUE(alpha.tableFound);
    EXPECT_EQ(alpha.names, (QStringList{"ALPHA          <20><UNIQUE>", "WG             <0><GROUP>"}));
    EXPECT_EQ(alpha.hostName, "ALPHA          ");
    EXPECT_EQ(alpha.workgroup, "WG             ");
    EXPECT_EQ(alpha.mac, "00.0C.29.AB.CD.EF");
    const scan::QuickHost& beta = view.quickHosts[1];
    EXPECT_EQ(beta.address, "127.0.0.3");
    EXPECT_EQ(beta.names, (QStringList{"BETA           <20><UNIQUE>", "BETA           <3><UNIQUE>"}));
    EXPECT_EQ(beta.hostName, "BETA           ");
    EXPECT_FALSE(beta.workgroup.has_value());
    EXPECT_EQ(beta.mac, "01.02.03.04.05.06");
}

TEST_F(Endpoint, EveryDatagramGivesAHostEvenWithoutANameTable)
{
    Peer peer("127.0.0.4");
    wsync::ResetEvent(WaitAck());
    peer.SendToScanner({});
    peer.SendToScanner(std::vector<std::uint8_t>(100, 0x5A));
    peer.SendToScanner(samples::Reply({}, {1, 2, 3, 4, 5, 6}));
    std::vector<std::uint8_t> oversize(501, 0x21);
    peer.SendToScanner(oversize);
    ASSERT_TRUE(WaitUntil([&] { return view.quickHosts.size() == 4; }, 5s));
    for (const scan::QuickHost& host : view.quickHosts) {
        EXPECT_EQ(host.address, "127.0.0.4");
        EXPECT_FALSE(host.tableFound);
        EXPECT_FALSE(host.hostName.has_value());
        EXPECT_FALSE(host.mac.has_value());
    }
    EXPECT_EQ(wsync::WaitForSingleObject(WaitAck(), 0), wsync::WAIT_OBJECT_0);
}

TEST_F(Endpoint, APortUnreachableAnswerShowsTheRefusingHostOnce)
{
    wsync::ResetEvent(WaitAck());
    Send("127.0.0.7");
    ASSERT_TRUE(WaitUntil([&] { return view.quickHosts.size() == 1; }, 5s));
    EXPECT_EQ(view.QuickAddresses(), std::vector<QString>{"127.0.0.7"});
    EXPECT_FALSE(view.quickHosts[0].tableFound);
    EXPECT_EQ(wsync::WaitForSingleObject(WaitAck(), 0), wsync::WAIT_OBJECT_0);

    // The queued report must not make the next query fail or be shown twice.
    Send("127.0.0.8");
    ASSERT_TRUE(WaitUntil([&] { return view.quickHosts.size() == 2; }, 5s));
    WaitUntil([] { return false; }, 200ms);
    EXPECT_EQ(view.QuickAddresses(), (std::vector<QString>{"127.0.0.7", "127.0.0.8"}));
    EXPECT_TRUE(view.messages.isEmpty()) << view.messages.join(", ").toStdString();
}

TEST_F(Endpoint, ARefusalFromAnotherAddressThanTheQueriedOneShowsNothing)
{
    // A host that takes the query and stays silent, and a firewall at .50 that rejects on its behalf.
    Peer silent("127.0.0.60", 137);
    ASSERT_TRUE(silent.Bound());
    Send("127.0.0.60");
    ASSERT_EQ(silent.Receive().size(), 50u);
    wsync::ResetEvent(WaitAck());
    ASSERT_TRUE(ForgePortUnreachable("127.0.0.50", "127.0.0.60"));
    // Also for an address where no host exists at all.
    ASSERT_TRUE(ForgePortUnreachable("127.0.0.50", "127.0.0.62"));
    WaitUntil([] { return false; }, 300ms);
    EXPECT_TRUE(view.quickHosts.empty());
    EXPECT_EQ(wsync::WaitForSingleObject(WaitAck(), 0), wsync::WAIT_TIMEOUT);

    // The host's own refusal is shown, once, with the reports before it gone from the socket.
    Send("127.0.0.61");
    ASSERT_TRUE(WaitUntil([&] { return view.quickHosts.size() == 1; }, 5s));
    WaitUntil([] { return false; }, 200ms);
    EXPECT_EQ(view.QuickAddresses(), std::vector<QString>{"127.0.0.61"});
    EXPECT_TRUE(view.messages.isEmpty()) << view.messages.join(", ").toStdString();
}

TEST_F(Endpoint, AnIcmpErrorOfAnyKindLeftOnTheSocketNeverFailsTheNextQuery)
{
    // Datagrams that the endpoint has not read yet fill its receive buffer, so the reports that
    // follow find no room in the error queue: the kernel leaves each only as the socket's pending error.
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
        EXPECT_EQ(Send("127.0.0.71"), scan::QuerySend::Sent);
        EXPECT_EQ(nameService.Receive().size(), 50u);
    }
    EXPECT_TRUE(view.messages.isEmpty()) << view.messages.join(", ").toStdString();
}

TEST_F(Endpoint, AFailedSendShowsBothMessagesInOrder)
{
    // No route in the test's own network: the send itself fails, nothing leaves the machine.
    EXPECT_EQ(Send("10.99.99.99"), scan::QuerySend::Failed);
    EXPECT_EQ(view.messages, (QStringList{"SOCKET_ERROR,send fail.", "Not Send all"}));
}

TEST_F(Endpoint, ASecondEngineCannotBindButSharesTheEvent)
{
    testsupport::FakeView secondView;
    auto second = std::make_unique<scan::ScanEngine>(secondView);
    second->Endpoint().Open();
    EXPECT_EQ(secondView.messages, QStringList{"bind fail"});
    EXPECT_EQ(second->State().WAIT_ACK, WaitAck());
    second->Close();
    second.reset();
}

} // namespace
} // namespace scantest
