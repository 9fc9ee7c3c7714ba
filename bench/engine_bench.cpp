// Throughput of the engine over the legacy corpus and of the primitives.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/corpus.h"
#include "engine/driver.h"
#include "engine/options.h"

namespace {

void BM_OptimizeDocument_EmptyProfile(benchmark::State& state) { swbench::RunEngineOverCorpus(state, {}); }
BENCHMARK(BM_OptimizeDocument_EmptyProfile)->Unit(benchmark::kMillisecond);

void BM_ReplaceAll_1000Matches64K(benchmark::State& state) {
  std::string chunk(65536, 'x');
  for (int i = 0; i < 1000; ++i) std::memcpy(&chunk[size_t(i) * 65], "<EM>", 4);
  for (auto _ : state) {
    sw::Buffer b = chunk;
    benchmark::DoNotOptimize(sw::ReplaceAll(b, "<em>", "<I>", true));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 65536);
}
BENCHMARK(BM_ReplaceAll_1000Matches64K);

void BM_PlainCopy64K(benchmark::State& state) {
  std::string chunk(65536, 'x');
  for (auto _ : state) {
    sw::Buffer b = chunk;
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 65536);
}
BENCHMARK(BM_PlainCopy64K);

}  // namespace

BENCHMARK_MAIN();
