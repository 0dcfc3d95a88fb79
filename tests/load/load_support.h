#pragma once
// What the load tests share: the real main window in the lab's scanner namespace, the size of a
// run (smaller under a sanitizer, which slows every datagram tenfold), the kernel's own count of
// what reached port 6767, and the lateness of the event loop while a test loads it.

#include "support/lab_main.h"
#include "support/window_fixture.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace loadtest {

using namespace std::chrono_literals;
using testsupport::WaitUntil;
using testsupport::WindowTest;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

// The share of the full run that this build makes: NODEWICK_LOAD_SCALE (0 to 1) when set, else 1,
// or 0.2 under a sanitizer so that each executable stays within a few minutes there too.
inline double Scale()
{
    if (const char* s = std::getenv("NODEWICK_LOAD_SCALE")) {
        const double v = std::atof(s);
        if (v > 0 && v <= 1)
            return v;
    }
    return kSanitized ? 0.2 : 1.0;
}

inline long long Scaled(long long full, long long least = 1)
{
    return std::max(least, static_cast<long long>(static_cast<double>(full) * Scale()));
}

// The kernel's view of the UDP socket bound to a local port in this namespace (/proc/net/udp).
struct SocketCounters {
    bool found = false;
    int sockets = 0; // how many sockets hold the port
    unsigned long rxQueue = 0; // bytes waiting to be read
    unsigned long drops = 0; // datagrams dropped, most often for a full receive buffer
    unsigned long inode = 0;
};

inline SocketCounters ReadSocket(unsigned port)
{
    SocketCounters c;
    std::ifstream in("/proc/net/udp");
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::istringstream f(line);
        std::string sl, local, remote, st, queues, tr, retrnsmt, uid, timeout, inode, ref, pointer, drops;
        f >> sl >> local >> remote >> st >> queues >> tr >> retrnsmt >> uid >> timeout >> inode >> ref >> pointer
            >> drops;
        const auto colon = local.find(':');
        if (colon == std::string::npos || std::stoul(local.substr(colon + 1), nullptr, 16) != port)
            continue;
        ++c.sockets;
        c.found = true;
        c.rxQueue = std::stoul(queues.substr(queues.find(':') + 1), nullptr, 16);
        c.drops = std::stoul(drops);
        c.inode = std::stoul(inode);
    }
    return c;
}

// One UDP counter of this namespace (/proc/net/snmp).
inline unsigned long long UdpCounter(const std::string& counter)
{
    std::ifstream in("/proc/net/snmp");
    std::string header;
    std::string values;
    while (std::getline(in, header) && std::getline(in, values)) {
        if (header.rfind("Udp:", 0) != 0)
            continue;
        std::istringstream names(header);
        std::istringstream numbers(values);
        std::string name;
        std::string number;
        while (names >> name && numbers >> number)
            if (name == counter)
                return std::stoull(number);
    }
    return 0;
}

// UDP datagrams this namespace has sent: in the scanner namespace, only the window's queries.
inline unsigned long long UdpOutDatagrams() { return UdpCounter("OutDatagrams"); }

// UDP datagrams that sockets of this namespace have read: in the scanner namespace, only the
// window's. A datagram the kernel dropped on its way (a full receive buffer, or a device backlog
// that a starved CPU did not empty in time) never counts.
inline unsigned long long UdpInDatagrams() { return UdpCounter("InDatagrams"); }

// The figures of a series of milliseconds that the load tests print.
struct Spread {
    std::size_t count = 0;
    double mean = 0;
    double median = 0;
    double p95 = 0;
    double p99 = 0;
    double max = 0;
};

inline Spread SpreadOf(std::vector<double> values)
{
    Spread s;
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    s.count = values.size();
    double sum = 0;
    for (const double v : values)
        sum += v;
    s.mean = sum / static_cast<double>(s.count);
    s.median = values[s.count / 2];
    s.p95 = values[s.count * 95 / 100];
    s.p99 = values[s.count * 99 / 100];
    s.max = values.back();
    return s;
}

// How late a 10 ms timer fires while the event loop is loaded: the window's responsiveness.
class EventLoopLatency {
public:
    EventLoopLatency()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const double ms = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
            lateness_.push_back(std::max(0.0, ms - 10.0));
            clock_.restart();
        });
        clock_.start();
        timer_.start();
    }
    void Stop() { timer_.stop(); }
    double MaxMs() const { return SpreadOf(lateness_).max; }
    std::string Summary() const
    {
        if (lateness_.empty())
            return "no timer events";
        const Spread s = SpreadOf(lateness_);
        char buf[200];
        std::snprintf(
            buf, sizeof buf,
            "%zu ticks of 10 ms, late by: mean %.2f ms, median %.2f ms, 95th %.2f ms, 99th %.2f ms, max %.2f ms",
            s.count, s.mean, s.median, s.p95, s.p99, s.max);
        return buf;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    std::vector<double> lateness_;
};

// An echo that the GUI thread's event loop answers, asked every 50 ms by a thread of its own whether
// or not earlier ones have been answered: the time the window takes to react to anything while a
// test loads it. The echoes travel as datagrams over a socket pair, so the two threads share no memory.
class GuiEcho {
public:
    GuiEcho()
    {
        if (::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, fds_) != 0)
            return;
        notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [fd = fds_[0]] {
            std::uint64_t seq = 0;
            while (::recv(fd, &seq, sizeof seq, MSG_DONTWAIT) == static_cast<ssize_t>(sizeof seq))
                ::send(fd, &seq, sizeof seq, MSG_DONTWAIT);
        });
        asker_ = std::thread([this] { Ask(); });
    }
    ~GuiEcho()
    {
        Stop();
        for (const int fd : fds_)
            if (fd >= 0)
                ::close(fd);
    }
    GuiEcho(const GuiEcho&) = delete;
    GuiEcho& operator=(const GuiEcho&) = delete;

    void Stop()
    {
        stop_.store(true);
        if (asker_.joinable())
            asker_.join();
        notifier_.reset();
    }
    // Round trips in milliseconds, once stopped; an echo still unanswered at the stop counts its age.
    double MaxMs() const { return SpreadOf(roundTrips_).max; }
    std::string Summary() const
    {
        if (roundTrips_.empty())
            return "no echoes";
        const Spread s = SpreadOf(roundTrips_);
        char buf[200];
        std::snprintf(buf, sizeof buf,
                      "%zu echoes every 50 ms, answered after: median %.2f ms, 95th %.2f ms, max %.2f ms", s.count,
                      s.median, s.p95, s.max);
        return buf;
    }

private:
    void Ask()
    {
        using Clock = std::chrono::steady_clock;
        const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
        std::vector<Clock::time_point> sent;
        auto next = Clock::now();
        while (!stop_.load()) {
            if (Clock::now() >= next) {
                const std::uint64_t seq = sent.size();
                sent.push_back(Clock::now());
                ::send(fds_[1], &seq, sizeof seq, MSG_DONTWAIT);
                next += std::chrono::milliseconds(50);
            }
            pollfd p{fds_[1], POLLIN, 0};
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
            if (::poll(&p, 1, static_cast<int>(std::clamp<long long>(wait, 0, 50))) <= 0)
                continue;
            std::uint64_t seq = 0;
            while (::recv(fds_[1], &seq, sizeof seq, MSG_DONTWAIT) == static_cast<ssize_t>(sizeof seq))
                if (seq < sent.size()) {
                    answered_.resize(sent.size(), false);
                    answered_[seq] = true;
                    roundTrips_.push_back(ms(Clock::now() - sent[seq]));
                }
        }
        answered_.resize(sent.size(), false);
        for (std::size_t i = 0; i < sent.size(); ++i)
            if (!answered_[i])
                roundTrips_.push_back(ms(Clock::now() - sent[i]));
    }

    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    std::thread asker_;
    std::atomic<bool> stop_{false};
    std::vector<bool> answered_;
    std::vector<double> roundTrips_;
};

} // namespace loadtest
