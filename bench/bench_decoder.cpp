// Replies per second through the decoder: a workstation's three-name reply, and a 255-name reply
// (what a flood or a hostile host can send, cut at the 500 bytes that a read takes).
#include "protocol/nbstat.h"
#include "support/nbstat_samples.h"

#include <benchmark/benchmark.h>

namespace {

void DecodeThreeNames(benchmark::State& state)
{
    const auto reply = samples::Workstation("WORKSTATION7", "OFFICE", {0x00, 0x0C, 0x29, 0x1A, 0x2B, 0x3C});
    for (auto _ : state)
        benchmark::DoNotOptimize(nbstat::Decode(reply.data(), static_cast<int>(reply.size())));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DecodeThreeNames);

void DecodeCount255(benchmark::State& state)
{
    std::vector<samples::Name> names;
    for (int i = 0; i < 255; ++i)
        names.push_back({"NAME" + std::to_string(i), static_cast<std::uint8_t>(i), (i % 2) != 0});
    auto reply = samples::Reply(names, {1, 2, 3, 4, 5, 6});
    reply.resize(500);
    for (auto _ : state)
        benchmark::DoNotOptimize(nbstat::Decode(reply.data(), static_cast<int>(reply.size())));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DecodeCount255);

} // namespace

BENCHMARK_MAIN();
