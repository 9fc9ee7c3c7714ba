// The whole engine with the safe and the maximum preset: throughput over the
// legacy corpus, the slowest page, and 1,000,000-byte inputs built from the
// patterns the passes search for, whose time per MB must stay within five
// times that of the corpus.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "bench/adversarial.h"
#include "bench/corpus.h"
#include "engine/driver.h"
#include "engine/options.h"

namespace {

sw::OptionSet PresetOptions(sw::Preset p) {
  sw::OptionSet s;
  for (const sw::OptionInfo& r : sw::OptionTable()) {
    const int v = p == sw::Preset::Safe ? r.safe : r.maximum;
    if (v > 0) s.Set(r.id, true);
  }
  return s;
}

void Configure(sw::Engine& e, sw::Preset p) {
  e.cx.opts = PresetOptions(p);
  e.cx.savings.recording = true;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Seconds per MB of one input, the best of a few runs.
double SecondsPerMB(sw::Engine& e, const std::string& bytes, int runs = 3) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    sw::Buffer b = bytes;
    auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(e.OptimizeBuffer(b));
    best = std::min(best, Seconds(std::chrono::steady_clock::now() - t0));
  }
  return best / (double(bytes.size()) / 1e6);
}

// One pass over the corpus; returns the bytes saved.
int64_t RunCorpus(sw::Engine& e) {
  int64_t saved = 0;
  for (const auto& page : swbench::Corpus()) {
    sw::Buffer b = page.bytes;
    if (e.OptimizeBuffer(b) >= 0) saved += int64_t(page.bytes.size()) - int64_t(b.size());
  }
  return saved;
}

// Seconds per MB of the whole corpus, measured once per preset.
double CorpusSecondsPerMB(sw::Preset p) {
  static double cached[2] = {0, 0};
  double& c = cached[p == sw::Preset::Safe ? 0 : 1];
  if (c == 0) {
    sw::Engine e;
    Configure(e, p);
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
      auto t0 = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(RunCorpus(e));
      best = std::min(best, Seconds(std::chrono::steady_clock::now() - t0));
    }
    c = best / (double(swbench::CorpusBytes()) / 1e6);
  }
  return c;
}

void BM_EngineCorpus(benchmark::State& state, sw::Preset p) {
  sw::Engine e;
  Configure(e, p);
  int64_t saved = 0;
  for (auto _ : state) saved = RunCorpus(e);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(swbench::CorpusBytes()));
  state.counters["bytes_saved"] = double(saved);
  state.counters["saved_pct"] = 100.0 * double(saved) / double(swbench::CorpusBytes());
}
BENCHMARK_CAPTURE(BM_EngineCorpus, Safe, sw::Preset::Safe)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EngineCorpus, Maximum, sw::Preset::Maximum)->Unit(benchmark::kMillisecond);

// The slowest page of the corpus, in seconds per MB, against the corpus as a whole.
void BM_EngineWorstPage(benchmark::State& state, sw::Preset p) {
  sw::Engine e;
  Configure(e, p);
  double worst = 0;
  for (auto _ : state) {
    worst = 0;
    for (const auto& page : swbench::Corpus())
      if (page.bytes.size() >= 1024) worst = std::max(worst, SecondsPerMB(e, page.bytes));
  }
  state.counters["worst_ms_per_MB"] = worst * 1e3;
  state.counters["corpus_ms_per_MB"] = CorpusSecondsPerMB(p) * 1e3;
}
BENCHMARK_CAPTURE(BM_EngineWorstPage, Safe, sw::Preset::Safe)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_EngineWorstPage, Maximum, sw::Preset::Maximum)->Unit(benchmark::kMillisecond)->Iterations(1);

using swbench::Adversarial;
using swbench::Shape;

void BM_EngineAdversarial(benchmark::State& state, sw::Preset p, Shape shape) {
  static const std::string input[3] = {Adversarial(Shape::Pre), Adversarial(Shape::Script), Adversarial(Shape::Text)};
  const std::string& in = input[int(shape)];
  sw::Engine e;
  Configure(e, p);
  for (auto _ : state) {
    sw::Buffer b = in;
    benchmark::DoNotOptimize(e.OptimizeBuffer(b));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
  const double perMB = SecondsPerMB(e, in);
  const double corpus = CorpusSecondsPerMB(p);
  state.counters["ms_per_MB"] = perMB * 1e3;
  state.counters["x_corpus"] = perMB / corpus;  // must stay within 5
}
BENCHMARK_CAPTURE(BM_EngineAdversarial, PreSafe, sw::Preset::Safe, Shape::Pre)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EngineAdversarial, PreMaximum, sw::Preset::Maximum, Shape::Pre)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EngineAdversarial, ScriptSafe, sw::Preset::Safe, Shape::Script)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EngineAdversarial, ScriptMaximum, sw::Preset::Maximum, Shape::Script)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EngineAdversarial, TextSafe, sw::Preset::Safe, Shape::Text)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EngineAdversarial, TextMaximum, sw::Preset::Maximum, Shape::Text)->Unit(benchmark::kMillisecond);

}  // namespace
