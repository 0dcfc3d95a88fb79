// The probes' own logic and the parts of their platform layer that need no network beyond loopback.

#include "platform/icmp.h"
#include "platform/nb30.h"
#include "platform/netbios.h"
#include "probes/netutils.h"
#include "probes/ping.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <map>
#include <string>

namespace {

std::string CallName(const std::string& hostName)
{
    // Inside a whole control block, so that a write past the call name shows in ncb_name.
    NCB ncb{};
    std::memset(ncb.ncb_name, 0x5A, sizeof ncb.ncb_name);
    FillCallName(ncb.ncb_callname, hostName);
    for (const std::uint8_t b : ncb.ncb_name)
        EXPECT_EQ(b, 0x5A) << "written beyond the call name for \"" << hostName << '"';
    return std::string(reinterpret_cast<const char*>(ncb.ncb_callname), sizeof ncb.ncb_callname);
}

} // namespace

TEST(CallName, FillsWithBlanksAndKeepsTheNameAsGiven)
{
    EXPECT_EQ(CallName("FIFTEEN-BYTES-X"), "FIFTEEN-BYTES-X ");
    EXPECT_EQ(CallName("SIXTEEN-BYTES-XY"), "SIXTEEN-BYTES-XY");
    EXPECT_EQ(CallName("desktop-7"), "desktop-7       ");
    EXPECT_EQ(CallName("  Pc 1 "), "  Pc 1          ");
    EXPECT_EQ(CallName(""), std::string(16, ' '));
    EXPECT_EQ(CallName("pc1.example.lan"), "pc1.example.lan ");
}

TEST(CallName, LongerNamesGiveTheirFirstLabelOrTheirFirstSixteenBytes)
{
    EXPECT_EQ(CallName("desktop-7.office.example.lan"), "desktop-7       ");
    EXPECT_EQ(CallName("fifteen-bytes-x.example.lan"), "fifteen-bytes-x ");
    EXPECT_EQ(CallName("sixteen-bytes-xy.example.lan"), "sixteen-bytes-xy");
    EXPECT_EQ(CallName("a-name-without-any-dot"), "a-name-without-a");
    EXPECT_EQ(CallName(".leading-dot-then-more"), ".leading-dot-the");
}

TEST(Netbios, RefusesWhatItCannotCarryOutAndLeavesTheBufferAlone)
{
    std::array<std::uint8_t, 618> buffer{};
    NCB reset{};
    reset.ncb_command = NCBRESET;
    EXPECT_EQ(wnetbios::Netbios(&reset), NRC_GOODRET);
    reset.ncb_lana_num = 1;
    EXPECT_EQ(wnetbios::Netbios(&reset), NRC_BRIDGE);
    EXPECT_EQ(reset.ncb_retcode, NRC_BRIDGE);

    NCB status{};
    status.ncb_command = NCBASTAT;
    FillCallName(status.ncb_callname, "NOBODY");
    status.ncb_buffer = buffer.data();
    status.ncb_length = 59;
    EXPECT_EQ(wnetbios::Netbios(&status), NRC_BUFLEN);
    status.ncb_length = static_cast<std::uint16_t>(buffer.size());
    status.ncb_lana_num = 1;
    EXPECT_EQ(wnetbios::Netbios(&status), NRC_BRIDGE);
    status.ncb_lana_num = 0;
    status.ncb_event = 1;
    EXPECT_EQ(wnetbios::Netbios(&status), NRC_ILLCMD);
    status.ncb_event = 0;
    std::memset(status.ncb_callname, ' ', sizeof status.ncb_callname);
    EXPECT_EQ(wnetbios::Netbios(&status), NRC_NOCALL);
    status.ncb_command = 0x7F;
    EXPECT_EQ(wnetbios::Netbios(&status), NRC_ILLCMD);
    EXPECT_EQ(wnetbios::Netbios(nullptr), NRC_ILLCMD);
    EXPECT_EQ(buffer, (std::array<std::uint8_t, 618>{}));
}

TEST(Netbios, NodeStatusNameAsksNoOneForNonUnicastAddresses)
{
    EXPECT_FALSE(wnetbios::NodeStatusName(0));
    EXPECT_FALSE(wnetbios::NodeStatusName(0xFFFFFFFFu));
    EXPECT_FALSE(wnetbios::NodeStatusName(0x010000E0u)); // 224.0.0.1
}

TEST(ForwardLookup, DottedTextFillsItsOctetsInOrder)
{
    std::array<std::uint8_t, 4> ip{9, 9, 9, 9};
    GetIPFromHost("10.0.0.5", ip);
    EXPECT_EQ(ip, (std::array<std::uint8_t, 4>{10, 0, 0, 5}));
    GetIPFromHost("192.168.1.254", ip);
    EXPECT_EQ(ip, (std::array<std::uint8_t, 4>{192, 168, 1, 254}));
}

TEST(Echo, LoopbackAnswersAndZeroAddressDoesNot)
{
    const wicmp::HANDLE echo = wicmp::IcmpCreateFile();
    if (echo == wicmp::INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "no echo service here: no ICMP socket allowed and no ping on PATH";
    alignas(wicmp::ICMP_ECHO_REPLY) std::uint8_t reply[128] = {};
    const std::uint32_t loopback = 0x0100007Fu; // 127.0.0.1, first octet first
    ASSERT_EQ(wicmp::IcmpSendEcho(echo, loopback, nullptr, 0, nullptr, reply, sizeof reply, 1000), 1u);
    wicmp::ICMP_ECHO_REPLY stored{};
    std::memcpy(&stored, reply, sizeof stored);
    EXPECT_EQ(stored.Address, loopback);
    EXPECT_EQ(stored.Status, wicmp::IP_SUCCESS);
    EXPECT_EQ(stored.DataSize, 0u);

    // Linux delivers 0.0.0.0 to the local host, which would answer for every name that does not exist.
    EXPECT_EQ(wicmp::IcmpSendEcho(echo, 0, nullptr, 0, nullptr, reply, sizeof reply, 1000), 0u);
    // One reply record, the request data and 8 bytes must fit.
    EXPECT_EQ(wicmp::IcmpSendEcho(echo, loopback, nullptr, 0, nullptr, reply, sizeof(wicmp::ICMP_ECHO_REPLY) + 7, 1000),
              0u);
    EXPECT_TRUE(wicmp::IcmpCloseHandle(echo));

    EXPECT_TRUE(PingHost("127.0.0.1"));
    EXPECT_FALSE(PingHost("0.0.0.0"));
}

namespace {

struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QString output;
};

// Runs a program for at most 20 s; one that takes longer is killed and counts as not finished.
Outcome RunBriefly(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Outcome outcome;
    outcome.finished = process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit;
    if (!outcome.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    outcome.exitCode = process.exitCode();
    outcome.output = QString::fromLocal8Bit(process.readAll());
    return outcome;
}

} // namespace

TEST(Echo, ACapabilityFromSetcapOpensTheRawSocketsAndIsDroppedAtStart)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "setting a file capability and running as another user need root";
    const QString setcap = QStandardPaths::findExecutable("setcap", {"/usr/sbin", "/sbin"});
    const QString setpriv = QStandardPaths::findExecutable("setpriv");
    const QString unshare = QStandardPaths::findExecutable("unshare");
    if (setcap.isEmpty() || setpriv.isEmpty() || unshare.isEmpty())
        GTEST_SKIP() << "setcap (libcap2-bin), setpriv or unshare (util-linux) is missing";
    if (const Outcome o = RunBriefly(unshare, {"-n", "true"}); !o.finished || o.exitCode != 0)
        GTEST_SKIP() << "no network namespace can be made here: " << o.output.toStdString();

    // The user nobody must reach the copy, and file capabilities count only where set-user-ID does.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::setPermissions(
        dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    struct statvfs mount {};
    ASSERT_EQ(::statvfs(QFile::encodeName(dir.path()).constData(), &mount), 0);
    if ((mount.f_flag & ST_NOSUID) != 0)
        GTEST_SKIP() << dir.path().toStdString() << " is mounted nosuid, which ignores file capabilities";
    const QString probe = dir.filePath("capability_probe");
    ASSERT_TRUE(QFile::copy(NODEWICK_CAPABILITY_PROBE, probe));
    ASSERT_TRUE(QFile::setPermissions(
        probe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    if (const Outcome o = RunBriefly(setcap, {"cap_net_raw+ep", probe}); !o.finished || o.exitCode != 0)
        GTEST_SKIP() << "setcap failed here: " << o.output.toStdString();

    // A network of its own where only the raw socket can echo: no group may use datagram sockets.
    const QString script = "ip link set lo up && echo '1 0' > /proc/sys/net/ipv4/ping_group_range && exec \"$1\" "
                           "--reuid 65534 --regid 65534 --clear-groups \"$2\"";
    const Outcome run = RunBriefly(unshare, {"-n", "sh", "-c", script, "sh", setpriv, probe});
    ASSERT_TRUE(run.finished) << run.output.toStdString();
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    std::map<std::string, std::string> seen;
    for (const QString& line : run.output.split('\n', Qt::SkipEmptyParts)) {
        const qsizetype blank = line.indexOf(' ');
        seen[line.left(blank).toStdString()] = line.mid(blank + 1).toStdString();
    }
    if (seen["started"] == "0000000000000000")
        GTEST_SKIP() << "the kernel gave the copy no capability; file capabilities do not work here";
    EXPECT_EQ(seen["CapEff"], "0000000000000000") << run.output.toStdString();
    EXPECT_EQ(seen["CapPrm"], "0000000000000000") << run.output.toStdString();
    EXPECT_EQ(seen["path"], "raw") << run.output.toStdString();
    EXPECT_EQ(seen["replies"], "1") << run.output.toStdString();
}
