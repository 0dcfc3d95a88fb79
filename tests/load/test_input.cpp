// Awkward input through the real window in the lab: waits past either end of the number range, and
// the real program started while port 6767 is taken.
#include "load_support.h"
#include "walk_network.h"

#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#ifndef NODEWICK_PROGRAM
#error "NODEWICK_PROGRAM must name the nodewick binary"
#endif

namespace loadtest {
namespace {

using testsupport::Addresses;

class Waits : public WindowTest {};

// A walk through silent addresses ends whatever the wait: a negative one counts as none, and the
// longest one ends as each address answers.
TEST_F(Waits, NegativeAndLongestWaitsEndTheWalk)
{
    std::vector<QString> mixed = Addresses("198.20.2.", 10, 15);
    for (const QString& a : Addresses("198.20.2.", 128, 131))
        mixed.push_back(a);
    const struct {
        const char* wait;
        const char* start;
        const char* end;
        std::vector<QString> rows;
    } cases[] = {
        {"-50", "198.20.2.10", "198.20.2.140", mixed},
        {"-2147483648", "198.20.2.10", "198.20.2.140", mixed},
        {"2147483647", "198.20.3.1", "198.20.3.16", Addresses("198.20.3.", 1, 15)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("wait '") + c.wait + "'");
        StartQuick(c.start, c.end, c.wait);
        ASSERT_TRUE(WaitForScanEnd(60s));
        Settle(300ms, 5s);
        std::vector<QString> got;
        for (int i = 0; i < Rows().Count(); ++i)
            got.push_back(Rows().Caption(i));
        std::sort(got.begin(), got.end());
        std::vector<QString> want = c.rows;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
    }
}

// The real program, started while another socket holds port 6767: it says "bind fail" in a box
// that blocks on the offscreen platform, and keeps running.
TEST(RealProgram, KeepsRunningWhenPort6767IsTaken)
{
    LAB_REQUIRED();
    const int holder = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(holder, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(6767);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&any), sizeof any), 0) << "port 6767 is taken already";
    const unsigned long holderInode = ReadSocket(6767).inode;

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(NODEWICK_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    const auto pid = static_cast<pid_t>(program.processId());

    // Alive after a moment, and port 6767 still held by the one socket that had it.
    WaitUntil([&] { return program.state() != QProcess::Running; }, 3s);
    EXPECT_EQ(program.state(), QProcess::Running) << "exit code " << program.exitCode();
    const SocketCounters port = ReadSocket(6767);
    EXPECT_EQ(port.sockets, 1);
    EXPECT_EQ(port.inode, holderInode);

    if (program.state() == QProcess::Running) {
        ::kill(pid, SIGTERM);
        if (!program.waitForFinished(10000)) {
            ::kill(pid, SIGKILL);
            program.waitForFinished(5000);
        }
    }
    ::close(holder);
}

} // namespace
} // namespace loadtest
