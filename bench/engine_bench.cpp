// Throughput of the engine over the legacy corpus and of the primitives.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/corpus.h"
#include "engine/driver.h"
#include "engine/options.h"

namespace {

void ConfigureAll(sw::Engine& e, std::initializer_list<sw::Opt> on) {
  e.cx.opts = sw::OptionSet{};
  for (auto o : on) e.cx.opts.Set(o, true);
  e.cx.savings.recording = true;
}

void RunCorpus(benchmark::State& state, std::initializer_list<sw::Opt> on, uint8_t entityMode = 0) {
  sw::Engine e;
  ConfigureAll(e, on);
  e.cx.opts.entityMode = entityMode;
  const auto& pages = swbench::Corpus();
  for (auto _ : state) {
    for (const auto& p : pages) {
      sw::Buffer b = p.bytes;
      benchmark::DoNotOptimize(e.OptimizeBuffer(b));
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(swbench::CorpusBytes()));
}

void BM_OptimizeDocument_EmptyProfile(benchmark::State& state) { RunCorpus(state, {}); }
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
