// Times of the host probes in a network of the bench's own (root and network namespaces needed):
//   PingHost of a silent address, per echo path: about the 10 ms time-out (goal: median <= 11 ms);
//   PingHost of a live host, per echo path (goal: median < 1 ms on the socket paths);
//   GetHostNameByIP of an address with no name anywhere (bound: resolver 500 ms + NetBIOS 250 ms);
//   GetMACAddress of a name nobody holds (bound: resolver 500 ms + broadcast query 750 ms).
// The lab's DNS server is silent by default, so that the resolver runs into its bound: the worst
// case. NODEWICK_BENCH_DNS=unreachable gives the common case of a lookup that fails at once.
// Every figure is one call per repetition; read the median rows.

#include "echo_path.h"
#include "lab.h"
#include "probes/netutils.h"
#include "probes/ping.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kLive = "198.18.0.10"; // nmbd host ALPHA
constexpr const char* kSilent = "198.19.0.99"; // routed to a device that drops everything

bool LabUp(benchmark::State& state)
{
    if (lab::Available())
        return true;
    state.SkipWithError(lab::SkipReason().c_str());
    return false;
}

const probetest::Path kPaths[] = {probetest::Path::Datagram, probetest::Path::Raw, probetest::Path::SystemPing};

void PingHostOf(benchmark::State& state, const char* address)
{
    if (!LabUp(state))
        return;
    const probetest::Path path = kPaths[state.range(0)];
    const probetest::EchoPathScope scope(path);
    state.SetLabel(probetest::PathName(path));
    for (auto _ : state)
        benchmark::DoNotOptimize(PingHost(address));
}

void BM_PingHostSilent(benchmark::State& state) { PingHostOf(state, kSilent); }
void BM_PingHostLive(benchmark::State& state) { PingHostOf(state, kLive); }

void BM_ReverseLookupNoName(benchmark::State& state)
{
    if (!LabUp(state))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(GetHostNameByIP(kSilent));
}

void BM_ReverseLookupNetbiosName(benchmark::State& state)
{
    if (!LabUp(state))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(GetHostNameByIP(kLive));
}

void BM_GetMACAddressNobody(benchmark::State& state)
{
    if (!LabUp(state))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(GetMACAddress("NOBODY"));
}

void BM_GetMACAddressResponder(benchmark::State& state)
{
    if (!LabUp(state))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(GetMACAddress("BRAVO"));
}

} // namespace

BENCHMARK(BM_PingHostSilent)
    ->DenseRange(0, 2)
    ->Iterations(1)
    ->Repetitions(60)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PingHostLive)
    ->DenseRange(0, 2)
    ->Iterations(1)
    ->Repetitions(200)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReverseLookupNoName)
    ->Iterations(1)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReverseLookupNetbiosName)
    ->Iterations(1)
    ->Repetitions(20)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetMACAddressNobody)
    ->Iterations(1)
    ->Repetitions(8)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetMACAddressResponder)
    ->Iterations(1)
    ->Repetitions(20)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    lab::Layout layout;
    layout.hosts = {
        {lab::Host::Kind::Nmbd, kLive, "ALPHA", "LABWG", {}, 0},
        {lab::Host::Kind::Responder, "198.18.0.12", "BRAVO", "LABWG", {0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, 0},
    };
    layout.silentRoutes = {"198.19.0.0/16"};
    const char* dns = std::getenv("NODEWICK_BENCH_DNS");
    layout.dns = dns != nullptr && std::strcmp(dns, "unreachable") == 0 ? lab::Layout::Dns::Unreachable
                                                                        : lab::Layout::Dns::Silent;
    return lab::Main(layout, argc, argv, [&] {
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    });
}
