// The probes against real peers in a network of the test's own: an nmbd host, a host without the
// name service, node-status responders that report a MAC, a silent network and a hosts file.

#include "echo_path.h"
#include "platform/icmp.h"
#include "platform/nb30.h"
#include "platform/netbios.h"
#include "probes/netutils.h"
#include "probes/ping.h"
#include "protocol/nbstat.h"
#include "support/lab_main.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kNmbd = "198.18.0.10"; // ALPHA, workgroup LABWG
constexpr const char* kNoNetbios = "198.18.0.11"; // quiet-host in the hosts file
constexpr const char* kResponder = "198.18.0.12"; // BRAVO, bravo-dns in the hosts file
constexpr const char* kSilent = "198.19.0.99"; // routed to a device that drops everything
constexpr const char* kAbsent = "198.18.0.77"; // on the link, but nobody has it
constexpr std::array<unsigned char, 6> kBravoMac{0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

struct Status {
    std::uint8_t retcode = 0;
    std::uint16_t length = 0;
    std::array<std::uint8_t, 618> buffer{};
    ADAPTER_STATUS adapter() const
    {
        ADAPTER_STATUS a;
        std::memcpy(&a, buffer.data(), sizeof a);
        return a;
    }
    NAME_BUFFER entry(std::size_t i) const
    {
        NAME_BUFFER n;
        std::memcpy(&n, buffer.data() + sizeof(ADAPTER_STATUS) + i * sizeof n, sizeof n);
        return n;
    }
    bool holds(const std::string& name, std::uint8_t suffix, bool group) const
    {
        for (std::size_t i = 0; i < adapter().name_count; ++i) {
            const NAME_BUFFER n = entry(i);
            std::string text(reinterpret_cast<const char*>(n.name), 15);
            text.erase(text.find_last_not_of(' ') + 1);
            if (text == name && n.name[15] == suffix && ((n.name_flags & GROUP_NAME) != 0) == group)
                return true;
        }
        return false;
    }
};

// nmbd answers node status at once but name queries only once it has registered its names, some
// seconds after it starts. Samba's own nmblookup tells when that is.
bool NmbdNamesRegistered()
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (std::system("timeout 2 nmblookup -B 198.18.0.255 ALPHA >/dev/null 2>&1") == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return false;
}

Status AdapterStatusOf(const std::string& hostName, std::uint16_t length = 618)
{
    Status s;
    NCB ncb{};
    ncb.ncb_command = NCBASTAT;
    FillCallName(ncb.ncb_callname, hostName);
    ncb.ncb_buffer = s.buffer.data();
    ncb.ncb_length = length;
    s.retcode = wnetbios::Netbios(&ncb);
    s.length = ncb.ncb_length;
    return s;
}

} // namespace

lab::Layout TestNetwork()
{
    lab::Layout layout;
    layout.hosts = {
        {lab::Host::Kind::Nmbd, kNmbd, "ALPHA", "LABWG", {}, 0},
        {lab::Host::Kind::NoNetbios, kNoNetbios, "", "", {}, 0},
        {lab::Host::Kind::Responder, kResponder, "BRAVO", "LABWG", kBravoMac, 0},
        // 3 names of its own and 40 more: more than a 618-byte buffer holds.
        {lab::Host::Kind::Responder, "198.18.0.13", "CROWDED", "LABWG", {0x02, 0, 0, 0, 0, 0x13}, 40},
    };
    layout.hostsFile = {{kNoNetbios, "quiet-host"}, {kResponder, "bravo-dns"}};
    layout.silentRoutes = {"198.19.0.0/16"};
    return layout;
}

TEST(EchoProbe, FindsLiveHostsByAddressAndHostsFileNameButNotSilentOrUnknownOnes)
{
    LAB_REQUIRED();
    EXPECT_TRUE(PingHost(kNmbd));
    EXPECT_TRUE(PingHost(kResponder));
    EXPECT_TRUE(PingHost("quiet-host"));
    EXPECT_FALSE(PingHost(kSilent));
    EXPECT_FALSE(PingHost(kAbsent));
    // Resolves to nothing, so the echo goes to 0.0.0.0, which must not read as the local host's answer.
    EXPECT_FALSE(PingHost("no-such-host"));
}

TEST(EchoProbe, EveryPathFindsTheLiveHostAndNotTheSilentOne)
{
    LAB_REQUIRED();
    const std::pair<probetest::Path, wicmp::EchoPath> paths[] = {
        {probetest::Path::Datagram, wicmp::EchoPath::Datagram},
        {probetest::Path::Raw, wicmp::EchoPath::Raw},
        {probetest::Path::SystemPing, wicmp::EchoPath::SystemPing},
    };
    for (const auto& [path, expected] : paths) {
        SCOPED_TRACE(probetest::PathName(path));
        const probetest::EchoPathScope scope(path);
        ASSERT_EQ(probetest::CurrentPath(), expected);
        EXPECT_TRUE(PingHost(kNmbd));
        EXPECT_TRUE(PingHost("quiet-host"));
        EXPECT_FALSE(PingHost(kSilent));
        EXPECT_FALSE(PingHost("0.0.0.0"));
    }
}

TEST(EchoProbe, WithoutAnyEchoServiceEvenALiveHostIsNotFound)
{
    LAB_REQUIRED();
    const probetest::EchoPathScope scope(probetest::Path::None);
    ASSERT_EQ(probetest::CurrentPath(), std::nullopt);
    EXPECT_FALSE(PingHost(kNmbd));
}

TEST(ReverseLookup, HostsFileFirstThenNetbiosNameElseEmpty)
{
    LAB_REQUIRED();
    EXPECT_EQ(GetHostNameByIP(kNoNetbios), "quiet-host");
    EXPECT_EQ(GetHostNameByIP(kResponder), "bravo-dns");
    EXPECT_EQ(GetHostNameByIP(kNmbd), "ALPHA");
    EXPECT_EQ(GetHostNameByIP("198.18.0.13"), "CROWDED");
    EXPECT_EQ(GetHostNameByIP(kSilent), "");
    EXPECT_EQ(GetHostNameByIP(kAbsent), "");
}

TEST(AdapterStatus, NmbdAnswersWithItsNameTableAndZeroAddress)
{
    LAB_REQUIRED();
    ASSERT_TRUE(NmbdNamesRegistered());
    // Found by broadcast: ALPHA is in no hosts file and no DNS.
    const Status s = AdapterStatusOf("alpha");
    ASSERT_EQ(s.retcode, NRC_GOODRET);
    EXPECT_TRUE(s.holds("ALPHA", 0x00, false));
    EXPECT_TRUE(s.holds("ALPHA", 0x20, false));
    EXPECT_TRUE(s.holds("LABWG", 0x00, true));
    EXPECT_EQ(s.length, sizeof(ADAPTER_STATUS) + s.adapter().name_count * sizeof(NAME_BUFFER));
    EXPECT_EQ(GetMACAddress("ALPHA"), "00-00-00-00-00-00");
}

TEST(AdapterStatus, ResponderReportsItsMacByNetbiosNameHostsFileNameOrFullDnsName)
{
    LAB_REQUIRED();
    EXPECT_EQ(GetMACAddress("BRAVO"), "02-1A-2B-3C-4D-5E");
    EXPECT_EQ(GetMACAddress("bravo"), "02-1A-2B-3C-4D-5E");
    EXPECT_EQ(GetMACAddress("bravo-dns"), "02-1A-2B-3C-4D-5E");
    EXPECT_EQ(GetMACAddress("bravo.office.example.lan"), "02-1A-2B-3C-4D-5E");
    EXPECT_EQ(GetMACAddress(kResponder), "02-1A-2B-3C-4D-5E");
}

TEST(AdapterStatus, ALongNameTableIsCutToTheBufferAndTheAddressKept)
{
    LAB_REQUIRED();
    const Status full = AdapterStatusOf("CROWDED");
    ASSERT_EQ(full.retcode, NRC_INCOMP);
    EXPECT_EQ(full.adapter().name_count, 31);
    EXPECT_EQ(full.length, 618);
    EXPECT_EQ(nbstat::MacText(full.adapter().adapter_address, '-'), "02-00-00-00-00-13");

    const Status bare = AdapterStatusOf("CROWDED", sizeof(ADAPTER_STATUS));
    ASSERT_EQ(bare.retcode, NRC_INCOMP);
    EXPECT_EQ(bare.adapter().name_count, 0);
    EXPECT_EQ(nbstat::MacText(bare.adapter().adapter_address, '-'), "02-00-00-00-00-13");
    EXPECT_EQ(GetMACAddress("CROWDED"), "02-00-00-00-00-13");
}

TEST(AdapterStatus, NoAnswerLeavesTheBufferZero)
{
    LAB_REQUIRED();
    const Status nobody = AdapterStatusOf("NOBODY");
    EXPECT_EQ(nobody.retcode, NRC_NOCALL);
    EXPECT_EQ(nobody.buffer, (std::array<std::uint8_t, 618>{}));
    EXPECT_EQ(GetMACAddress("NOBODY"), "00-00-00-00-00-00");

    // Known to the hosts file, but nothing listens on its port 137.
    const Status quiet = AdapterStatusOf("quiet-host");
    EXPECT_EQ(quiet.retcode, NRC_CMDTMO);
    EXPECT_EQ(quiet.buffer, (std::array<std::uint8_t, 618>{}));
    EXPECT_EQ(GetMACAddress("quiet-host"), "00-00-00-00-00-00");
}

TEST(Probes, TwoThreadsAtOnceEachGetTheirOwnAnswers)
{
    LAB_REQUIRED();
    ASSERT_TRUE(NmbdNamesRegistered());
    struct Round {
        bool live = false;
        bool silent = true;
        std::string name;
        std::string mac;
    };
    const auto probe = [](const char* live, const char* silent, const char* address, const char* netbiosName) {
        std::vector<Round> rounds(6);
        for (Round& r : rounds) {
            r.live = PingHost(live);
            r.silent = PingHost(silent);
            r.name = GetHostNameByIP(address);
            r.mac = GetMACAddress(netbiosName).value_or(std::string());
        }
        return rounds;
    };
    std::vector<Round> worker;
    std::thread other([&] { worker = probe(kNmbd, kSilent, kNmbd, "ALPHA"); });
    const std::vector<Round> ui = probe(kResponder, kAbsent, kResponder, "BRAVO");
    other.join();
    for (const Round& r : worker) {
        EXPECT_TRUE(r.live);
        EXPECT_FALSE(r.silent);
        EXPECT_EQ(r.name, "ALPHA");
        EXPECT_EQ(r.mac, "00-00-00-00-00-00");
    }
    for (const Round& r : ui) {
        EXPECT_TRUE(r.live);
        EXPECT_FALSE(r.silent);
        EXPECT_EQ(r.name, "bravo-dns");
        EXPECT_EQ(r.mac, "02-1A-2B-3C-4D-5E");
    }
}
