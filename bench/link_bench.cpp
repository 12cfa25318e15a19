// Received-byte path (collector + hex log + dispatch to an empty parser) and frame building.
#include <benchmark/benchmark.h>

#include "link/frame_collectors.h"
#include "tests/support/collector_policies.h"
#include "link/protocol.h"

namespace velantor {
namespace {

void BM_SerialReceivedBytePath(benchmark::State& state) {
  HexLog log;
  uint64_t frames = 0;
  SerialCollector collector(testing::policies::kMatrix, log, [&](const CommandFrame&, bool) { ++frames; });
  const CommandFrame reply = protocol::SwitchOne(3, 2);
  size_t i = 0;
  for (auto _ : state) {
    collector.OnByte(reply[i], 1, 0);
    i = (i + 1) % kFrameSize;
  }
  benchmark::DoNotOptimize(frames);
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("bytes; target below 1 us per byte (the wire gives ~95 us)");
}
BENCHMARK(BM_SerialReceivedBytePath);

void BM_TcpReceivedBurst(benchmark::State& state) {
  HexLog log;
  uint64_t frames = 0;
  TcpCollector collector(testing::policies::kGeneral, log, [&](const CommandFrame&, bool) { ++frames; });
  std::vector<uint8_t> burst;
  for (int k = 0; k < 78; ++k) {
    const CommandFrame f = protocol::QueryRoute(k % 4 + 1);
    burst.insert(burst.end(), f.bytes.begin(), f.bytes.end());
  }
  for (auto _ : state) collector.Feed(burst.data(), burst.size(), true);
  benchmark::DoNotOptimize(frames);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(burst.size()));
  state.SetLabel("bytes");
}
BENCHMARK(BM_TcpReceivedBurst);

void BM_FrameBuildAndChecksum(benchmark::State& state) {
  int input = 0;
  for (auto _ : state) {
    CommandFrame f = protocol::SwitchOne(input & 3, (input >> 2) & 3);
    benchmark::DoNotOptimize(f);
    ++input;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("frames; target below 50 ns per frame");
}
BENCHMARK(BM_FrameBuildAndChecksum);

}  // namespace
}  // namespace velantor
