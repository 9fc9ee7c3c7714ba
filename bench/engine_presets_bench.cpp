// The whole engine per option set: no switch on, the first-phase passes, the
// safe and the maximum preset. Throughput over the legacy corpus in MB/s, the
// slowest page against the median page, and 1,000,000-byte inputs built from
// the patterns the passes search for, whose time per MB must stay within five
// times that of the median corpus page.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "bench/adversarial.h"
#include "bench/corpus.h"
#include "engine/driver.h"
#include "engine/options.h"

namespace {

enum class Set { Empty, FirstPhase, Safe, Maximum };

sw::OptionSet Options(Set set) {
  sw::OptionSet s;
  if (set == Set::FirstPhase) {
    for (sw::Opt o : {sw::Opt::STRONGtoB, sw::Opt::EMToI, sw::Opt::CITEToI, sw::Opt::ADDRESSToI, sw::Opt::DFNToI,
                      sw::Opt::CODEToTT, sw::Opt::SAMPToTT, sw::Opt::KBDToTT, sw::Opt::StripClosingP,
                      sw::Opt::StripComments, sw::Opt::ShortSpecials, sw::Opt::StandardColors,
                      sw::Opt::StripEmpties})
      s.Set(o, true);
    s.entityMode = 10;
  } else if (set == Set::Safe || set == Set::Maximum) {
    for (const sw::OptionInfo& r : sw::OptionTable()) {
      const int v = set == Set::Safe ? r.safe : r.maximum;
      if (v > 0) s.Set(r.id, true);
    }
  }
  return s;
}

void Configure(sw::Engine& e, Set set) {
  e.cx.opts = Options(set);
  e.cx.savings.recording = true;
}

// CPU seconds of this thread: on a shared machine, wall time would mostly
// measure the other processes.
double ThreadSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Seconds per MB of one input, the best of a few runs.
double SecondsPerMB(sw::Engine& e, const std::string& bytes, int runs = 3) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    sw::Buffer b = bytes;
    const double t0 = ThreadSeconds();
    benchmark::DoNotOptimize(e.OptimizeBuffer(b));
    best = std::min(best, ThreadSeconds() - t0);
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

// Seconds per MB of every corpus page of at least 1 KB, sorted.
std::vector<double> PageSecondsPerMB(Set set) {
  sw::Engine e;
  Configure(e, set);
  std::vector<double> v;
  for (const auto& page : swbench::Corpus())
    if (page.bytes.size() >= 1024) v.push_back(SecondsPerMB(e, page.bytes));
  std::sort(v.begin(), v.end());
  return v;
}

// Seconds per MB of the median corpus page, measured once per option set.
double MedianSecondsPerMB(Set set) {
  static double cached[4] = {0, 0, 0, 0};
  double& c = cached[int(set)];
  if (c == 0) {
    const std::vector<double> v = PageSecondsPerMB(set);
    c = v[v.size() / 2];
  }
  return c;
}

void BM_EngineCorpus(benchmark::State& state, Set set) {
  sw::Engine e;
  Configure(e, set);
  int64_t saved = 0;
  for (auto _ : state) saved = RunCorpus(e);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(swbench::CorpusBytes()));
  state.counters["MB_per_s"] = benchmark::Counter(double(swbench::CorpusBytes()) / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes_saved"] = double(saved);
  state.counters["saved_pct"] = 100.0 * double(saved) / double(swbench::CorpusBytes());
}
BENCHMARK_CAPTURE(BM_EngineCorpus, Empty, Set::Empty)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EngineCorpus, FirstPhase, Set::FirstPhase)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EngineCorpus, Safe, Set::Safe)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EngineCorpus, Maximum, Set::Maximum)->Unit(benchmark::kMillisecond);

// The slowest page of the corpus, in milliseconds per MB, against the median page.
void BM_EngineWorstPage(benchmark::State& state, Set set) {
  std::vector<double> v;
  for (auto _ : state) v = PageSecondsPerMB(set);
  state.counters["worst_ms_per_MB"] = v.back() * 1e3;
  state.counters["median_ms_per_MB"] = v[v.size() / 2] * 1e3;
  state.counters["x_median"] = v.back() / v[v.size() / 2];  // must stay within 5
}
BENCHMARK_CAPTURE(BM_EngineWorstPage, Safe, Set::Safe)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_EngineWorstPage, Maximum, Set::Maximum)->Unit(benchmark::kMillisecond)->Iterations(1);

using swbench::Adversarial;
using swbench::Shape;

void BM_EngineAdversarial(benchmark::State& state, Set set, Shape shape) {
  static const std::string input[3] = {Adversarial(Shape::Pre), Adversarial(Shape::Script), Adversarial(Shape::Text)};
  const std::string& in = input[int(shape)];
  sw::Engine e;
  Configure(e, set);
  for (auto _ : state) {
    sw::Buffer b = in;
    benchmark::DoNotOptimize(e.OptimizeBuffer(b));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
  const double perMB = SecondsPerMB(e, in);
  state.counters["ms_per_MB"] = perMB * 1e3;
  state.counters["x_median"] = perMB / MedianSecondsPerMB(set);  // must stay within 5
}
#define SW_ADVERSARIAL(name, set, shape) \
  BENCHMARK_CAPTURE(BM_EngineAdversarial, name, set, shape)->Unit(benchmark::kMillisecond)
SW_ADVERSARIAL(PreSafe, Set::Safe, Shape::Pre);
SW_ADVERSARIAL(PreMaximum, Set::Maximum, Shape::Pre);
SW_ADVERSARIAL(ScriptSafe, Set::Safe, Shape::Script);
SW_ADVERSARIAL(ScriptMaximum, Set::Maximum, Shape::Script);
SW_ADVERSARIAL(TextSafe, Set::Safe, Shape::Text);
SW_ADVERSARIAL(TextMaximum, Set::Maximum, Shape::Text);

}  // namespace
