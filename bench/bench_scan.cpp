// Scans in a lab of their own, through the real window: Quick scans of a /24 beside their floor and
// beside nbtscan on the same hosts in the same run, and a Thorough scan of silent addresses beside
// its floor.
//
// The lab: the scanner at 198.18.0.1/24; one host answers node status on 198.18.0.100 and on the
// 100 addresses 198.18.0.128 to .227 at once (local routes, answers from the address asked); the
// other addresses of the /24 are silent (on the link, nobody answers ARP). The scanner's own
// address answers too, with ICMP port unreachable, as nothing listens on its port 137.
//
// For each wait (100 ms, then 0): the scan 198.18.0.1 to 198.18.0.255 from Start to the end of the
// walk, its floor (silent addresses x wait + the round trip of each answering address, measured
// just before with a socket of our own), the overhead per address, the CPU time of the process
// (both threads) per address, and the time until every answering host is listed. Then nbtscan
// on 198.18.0.0/24: the time until each host is listed, and whether both list the same hosts.
// Then the Quick walk over 254 addresses that are silent by route (no ARP), for the walk's own
// overhead. Last, a Thorough scan of 100 silent addresses (198.19.0.0/16 is routed to a device that drops
// everything): the time per address beside the echo probe's 10 ms time-out.
//
//   bench_scan        (as root; builds and removes its lab)
#include "lab.h"
#include "protocol/nbstat.h"
#include "ui/frmipinfo.h"
#include "ui/frmmain.h"
#include "ui/frmping.h"
#include "ui/spinedit.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kScanner = "198.18.0.1";

lab::Layout Network()
{
    lab::Layout layout;
    layout.scannerAddrs = {"198.18.0.1/24"};
    layout.hosts = {{lab::Host::Kind::Responder,
                     "198.18.0.100",
                     "BENCH",
                     "BENCHWG",
                     {0x02, 0, 0, 0, 0x01, 0x00},
                     0,
                     {"198.18.0.128/26", "198.18.0.192/27", "198.18.0.224/30"}}};
    layout.silentRoutes = {"198.19.0.0/16"};
    return layout;
}

std::set<std::string> Answering()
{
    std::set<std::string> s{kScanner, "198.18.0.100"};
    for (int i = 128; i <= 227; ++i)
        s.insert("198.18.0." + std::to_string(i));
    return s;
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// One node-status query from a socket of our own; the time until its answer (a reply or a refusal).
double RoundTripMs(const std::string& addr)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(137);
    ::inet_pton(AF_INET, addr.c_str(), &to.sin_addr);
    ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
    QElapsedTimer t;
    t.start();
    ::send(fd, nbstat::NBStatQuery.data(), nbstat::NBStatQuery.size(), 0);
    pollfd p{fd, POLLIN, 1000};
    ::poll(&p, 1, 1000);
    char buf[600];
    ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    ::close(fd);
    return ms;
}

void Pump(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct ScanResult {
    double walkMs = 0;
    double cpuS = 0;
    double allListedMs = -1;
    std::set<std::string> listed;
    std::set<std::string> named;
};

ScanResult Scan(Tfrmmain& window, bool thorough, const QString& start, const QString& end, int wait,
                const std::set<std::string>& answering)
{
    ScanResult r;
    QElapsedTimer clock;
    std::set<std::string> pending = answering;
    auto conn = QObject::connect(window.Results(), &QAbstractItemModel::rowsInserted,
                                 [&](const QModelIndex&, int first, int) {
                                     const std::string addr = window.Results()->Caption(first).toStdString();
                                     if (pending.erase(addr) != 0 && pending.empty())
                                         r.allListedMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
                                 });
    window.ComboBox1->setEditText(start);
    window.Edit2->setText(end);
    window.SpinEdit1->SetValue(wait);
    window.rbThorough->setChecked(thorough);
    const double cpu0 = CpuSeconds();
    clock.start();
    window.ToolButton1Click();
    // A plain event loop, as the program runs it, with no timer of ours: the walk ends with its
    // last step, which clears the current address.
    QEventLoop loop;
    auto cleared = QObject::connect(window.Edit4, &QLineEdit::textChanged, [&](const QString& text) {
        if (text.isEmpty())
            loop.quit();
    });
    loop.exec();
    r.walkMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    r.cpuS = CpuSeconds() - cpu0;
    QObject::disconnect(cleared);
    while (window.ScanRunning())
        Pump(1);
    Pump(1500); // late answers of a walk that did not wait
    QObject::disconnect(conn);
    for (int i = 0; i < window.Results()->Count(); ++i) {
        r.listed.insert(window.Results()->Caption(i).toStdString());
        if (!window.Results()->Cell(i, 1).trimmed().isEmpty())
            r.named.insert(window.Results()->Caption(i).toStdString());
    }
    return r;
}

struct PeerResult {
    double totalMs = 0;
    double lastListedMs = -1;
    std::set<std::string> listed;
};

// nbtscan on the /24, each output line stamped as it arrives.
PeerResult RunNbtscan(int timeoutMs)
{
    PeerResult r;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return r;
    const std::string timeout = std::to_string(timeoutMs);
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::execlp("stdbuf", "stdbuf", "-oL", "nbtscan", "-q", "-s", " ", "-t", timeout.c_str(), "198.18.0.0/24",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string pendingText;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0)
            break;
        pendingText.append(buf, static_cast<std::size_t>(n));
        std::size_t nl;
        while ((nl = pendingText.find('\n')) != std::string::npos) {
            const std::string line = pendingText.substr(0, nl);
            pendingText.erase(0, nl + 1);
            const std::string addr = line.substr(0, line.find(' '));
            if (!addr.empty() && r.listed.insert(addr).second)
                r.lastListedMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.totalMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    ::close(out[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::printf("nbtscan failed (status %d)\n", status);
    return r;
}

std::string Diff(const std::set<std::string>& a, const std::set<std::string>& b)
{
    std::string s;
    for (const auto& x : a)
        if (b.count(x) == 0)
            s += " " + x;
    return s.empty() ? " none" : s;
}

int Body(int argc, char** argv)
{
    if (!lab::Available()) {
        std::printf("no lab: %s\n", lab::SkipReason().c_str());
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::set<std::string> answering = Answering();
    Tfrmmain window;
    frmPing = new TfrmPing(&window);
    frmIPinfo = new TfrmIPinfo(&window);
    window.show();
    Pump(300);

    const double idle0 = CpuSeconds();
    Pump(2000);
    std::printf("at rest: CPU %.1f ms per second\n", (CpuSeconds() - idle0) * 1000.0 / 2.0);
    std::printf("Quick scan of 198.18.0.1 to 198.18.0.255: 254 addresses, %zu answer (%zu with a name table, the "
                "scanner's own address with port unreachable), %zu silent\n",
                answering.size(), answering.size() - 1, 254 - answering.size());
    for (const int wait : {100, 0}) {
        double rtt = 0;
        for (const auto& a : answering)
            rtt += RoundTripMs(a);
        const double floorMs = static_cast<double>(254 - answering.size()) * wait + rtt;
        const ScanResult r
            = Scan(window, false, QStringLiteral("198.18.0.1"), QStringLiteral("198.18.0.255"), wait, answering);
        std::printf(
            "TimeOut %3d: walk %.1f ms, floor %.1f ms (%zu silent x %d ms + %.1f ms of round trips), "
            "overhead %.3f ms per address; CPU %.3f ms per address; every answering host listed after %.1f ms\n",
            wait, r.walkMs, floorMs, 254 - answering.size(), wait, rtt, (r.walkMs - floorMs) / 254.0,
            r.cpuS * 1000.0 / 254.0, r.allListedMs);
        std::printf("             rows %zu, with a name %zu; answering hosts not listed:%s\n", r.listed.size(),
                    r.named.size(), Diff(answering, r.listed).c_str());
        if (wait == 0) {
            for (const int peerTimeout : {100, 1000}) {
                const PeerResult p = RunNbtscan(peerTimeout);
                std::set<std::string> peerExpected = answering;
                peerExpected.erase(kScanner);
                std::printf("nbtscan -t %d: every host listed after %.1f ms, done after %.1f ms, %zu hosts; "
                            "listed by Nodewick with a name, not by nbtscan:%s; by nbtscan, not by Nodewick:%s\n",
                            peerTimeout, p.lastListedMs, p.totalMs, p.listed.size(), Diff(r.named, p.listed).c_str(),
                            Diff(p.listed, r.named).c_str());
            }
        }
    }

    // The same walk over addresses that are silent by route (no ARP): the walk's own overhead.
    for (const int wait : {10, 0}) {
        const ScanResult q
            = Scan(window, false, QStringLiteral("198.19.1.1"), QStringLiteral("198.19.1.255"), wait, {});
        std::printf("TimeOut %3d over 254 addresses silent by route: walk %.1f ms, floor %d ms, overhead %.3f ms per "
                    "address; CPU %.3f ms per address\n",
                    wait, q.walkMs, 254 * wait, (q.walkMs - 254.0 * wait) / 254.0, q.cpuS * 1000.0 / 254.0);
    }

    const int silent = 100;
    const ScanResult t = Scan(window, true, QStringLiteral("198.19.0.1"), QStringLiteral("198.19.0.101"), 100, {});
    std::printf("Thorough scan of %d silent addresses: %.2f ms per address (floor 10 ms, the echo time-out), "
                "CPU %.3f ms per address, rows %zu\n",
                silent, t.walkMs / silent, t.cpuS * 1000.0 / silent, t.listed.size());
    window.close();
    frmPing = nullptr;
    frmIPinfo = nullptr;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return lab::Main(Network(), argc, argv, [&] { return Body(argc, argv); });
}
