// flood_sender: sends a paced flood of datagrams at the scanner's port 6767, for the load tests.
// Plain POSIX, run in a host namespace of the lab.
//
//   flood_sender --to A [--port P] --count N --rate R [--burst B]
//
// Datagram i is of kind i % 4, so the receiver knows the mix from the count alone:
//   0  a well-formed workstation reply: WELLFORMED<00>, WELLFORMED<20>, FLOODWG<00> group, a MAC
//   1  garbage: 1 to 500 bytes that never hold the bytes 21 00 01
//   2  a truncated table: three names announced, the datagram ends half-way into the second
//   3  a name count of 255 with two entries (COUNT255<20>, C255WG<00> group), and nothing after them
// At most R datagrams a second leave, in bursts of at most B. Exits 0 once all N have been
// sent, 1 when a send fails for good.
#include "support/nbstat_samples.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

long long NowUs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000LL + ts.tv_nsec / 1000;
}

[[noreturn]] void Usage(const char* why)
{
    std::fprintf(stderr, "flood_sender: %s\nusage: flood_sender --to A [--port P] --count N --rate R [--burst B]\n",
                 why);
    std::exit(2);
}

std::vector<std::vector<std::uint8_t>> Kinds()
{
    const std::array<std::uint8_t, 6> mac{0x02, 0x00, 0x5E, 0x10, 0x20, 0x30};
    std::vector<std::vector<std::uint8_t>> kinds;
    kinds.push_back(samples::Workstation("WELLFORMED", "FLOODWG", mac));
    kinds.push_back({}); // garbage: made per datagram
    auto truncated = samples::Reply({{"TRUNCATED", 0x20, false}, {"SECOND", 0x00, false}, {"THIRD", 0x00, true}}, mac);
    truncated.resize(57 + 18 + 9);
    kinds.push_back(truncated);
    kinds.push_back(samples::Reply({{"COUNT255", 0x20, false}, {"C255WG", 0x00, true}}, mac, 255, false));
    return kinds;
}

// Deterministic filler without the pattern 21 00 01: no byte 0x21 at all.
void Garbage(std::uint64_t i, std::vector<std::uint8_t>& out)
{
    std::uint64_t x = i * 0x9E3779B97F4A7C15ull + 1;
    out.resize(1 + static_cast<std::size_t>(i * 7919 % 500));
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        b = static_cast<std::uint8_t>(x);
        if (b == 0x21)
            b = 0x22;
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::string to;
    int port = 6767;
    long long count = -1;
    long long rate = -1;
    int burst = 32;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc)
            Usage(("missing value for " + a).c_str());
        const char* v = argv[++i];
        if (a == "--to")
            to = v;
        else if (a == "--port")
            port = std::atoi(v);
        else if (a == "--count")
            count = std::atoll(v);
        else if (a == "--rate")
            rate = std::atoll(v);
        else if (a == "--burst")
            burst = std::atoi(v);
        else
            Usage(("unknown argument " + a).c_str());
    }
    sockaddr_in dst{};
    dst.sin_family = AF_INET;
    dst.sin_port = htons(static_cast<std::uint16_t>(port));
    if (to.empty() || ::inet_pton(AF_INET, to.c_str(), &dst.sin_addr) != 1)
        Usage("--to needs an IPv4 address");
    if (count < 0 || rate <= 0 || burst <= 0 || port <= 0 || port > 65535)
        Usage("--count, --rate, --burst and --port must be positive");

    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        std::perror("flood_sender: socket");
        return 1;
    }
    const auto kinds = Kinds();
    std::vector<std::uint8_t> garbage;
    const long long start = NowUs();
    long long sent = 0;
    while (sent < count) {
        // How many the rate allows by now; sleep until the next one is due.
        const long long allowed = (NowUs() - start) * rate / 1000000 + 1;
        if (sent >= allowed) {
            const long long dueUs = start + sent * 1000000 / rate;
            const long long waitUs = dueUs - NowUs();
            if (waitUs > 0) {
                timespec ts{static_cast<time_t>(waitUs / 1000000), static_cast<long>(waitUs % 1000000) * 1000};
                nanosleep(&ts, nullptr);
            }
            continue;
        }
        for (int b = 0; b < burst && sent < count && sent < allowed; ++b) {
            const std::vector<std::uint8_t>* d = &kinds[static_cast<std::size_t>(sent % 4)];
            if (sent % 4 == 1) {
                Garbage(static_cast<std::uint64_t>(sent), garbage);
                d = &garbage;
            }
            for (int attempt = 0;; ++attempt) {
                if (::sendto(fd, d->data(), d->size(), 0, reinterpret_cast<sockaddr*>(&dst), sizeof dst) >= 0)
                    break;
                // A full send queue empties by itself; anything else, or a queue that stays full, ends the run.
                if ((errno != ENOBUFS && errno != EAGAIN && errno != EINTR) || attempt == 1000) {
                    std::fprintf(stderr, "flood_sender: send %lld: %s\n", sent, std::strerror(errno));
                    return 1;
                }
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 1);
            }
            ++sent;
        }
    }
    const double seconds = static_cast<double>(NowUs() - start) / 1e6;
    std::printf("flood_sender: %lld datagrams to %s:%d in %.2f s\n", sent, to.c_str(), port, seconds);
    ::close(fd);
    return 0;
}
