// Start-up of the real program to its window shown, and its memory at rest, in a lab of its own
// whose resolver names a server that never answers (the lab's silent DNS): the reverse lookup
// that start-up makes of the first local address has to give up by itself.
//
// The program runs on the offscreen platform with Qt's widget-painting log on; "shown" is the
// moment the first paint of the main window is logged, stamped as the line arrives on our pipe,
// from just before fork(). Memory at rest is its resident size a second after that.
//
//   bench_startup [runs]     (as root; builds and removes its lab; default 5 runs)
#include "lab.h"
#include "resident.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef NODEWICK_PROGRAM
#error "NODEWICK_PROGRAM must name the nodewick binary"
#endif

namespace {

double NowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Run {
    double shownMs = -1;
    long rssKiB = 0;
};

Run StartOnce()
{
    Run r;
    int err[2];
    if (::pipe2(err, O_CLOEXEC) != 0)
        return r;
    const double t0 = NowMs();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(err[1], 2);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("QT_LOGGING_RULES", "qt.widgets.painting=true", 1);
        ::execl(NODEWICK_PROGRAM, NODEWICK_PROGRAM, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(err[1]);
    ::fcntl(err[0], F_SETFL, O_NONBLOCK);
    std::string text;
    const double giveUp = t0 + 20000;
    while (r.shownMs < 0 && NowMs() < giveUp) {
        pollfd p{err[0], POLLIN, 0};
        ::poll(&p, 1, 50);
        char buf[65536];
        ssize_t n;
        while ((n = ::read(err[0], buf, sizeof buf)) > 0)
            text.append(buf, static_cast<std::size_t>(n));
        if (text.find("Painting and flushing dirty top level") != std::string::npos
            && text.find("Tfrmmain") != std::string::npos)
            r.shownMs = NowMs() - t0;
        if (n == 0)
            break;
    }
    // The painting log goes on; drain it while the program rests.
    for (const double until = NowMs() + 1000; NowMs() < until;) {
        char buf[65536];
        pollfd p{err[0], POLLIN, 0};
        ::poll(&p, 1, 50);
        while (::read(err[0], buf, sizeof buf) > 0) {}
    }
    r.rssKiB = RssKiB(pid);
    ::kill(pid, SIGTERM);
    int status = 0;
    for (const double until = NowMs() + 5000; ::waitpid(pid, &status, WNOHANG) == 0;) {
        if (NowMs() > until) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        ::usleep(10000);
    }
    ::close(err[0]);
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    lab::Layout layout;
    layout.dns = lab::Layout::Dns::Silent;
    return lab::Main(layout, 1, argv, [&] {
        if (!lab::Available()) {
            std::printf("no lab: %s\n", lab::SkipReason().c_str());
            return 1;
        }
        std::vector<double> shown;
        long rss = 0;
        for (int i = 0; i < runs; ++i) {
            const Run r = StartOnce();
            if (r.shownMs < 0) {
                std::printf("run %d: the window was never painted\n", i + 1);
                return 1;
            }
            shown.push_back(r.shownMs);
            rss = std::max(rss, r.rssKiB);
        }
        std::sort(shown.begin(), shown.end());
        std::printf("start-up to the window shown, %d runs, silent DNS: median %.0f ms, min %.0f ms, max %.0f ms\n",
                    runs, shown[shown.size() / 2], shown.front(), shown.back());
        std::printf("resident at rest, a second after the first paint: %ld KiB\n", rss);
        return 0;
    });
}
