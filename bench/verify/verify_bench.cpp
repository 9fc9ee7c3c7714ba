// Visual verification over the legacy corpus, with the safe preset: pages
// verified per second (each page rendered before and after, several at once
// in one browser), and the share of the preset's savings that verification
// keeps. Without Chromium the benchmark reports an error and skips.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "bench/corpus.h"
#include "engine/driver.h"
#include "engine/options.h"
#include "verify/chromium.h"
#include "verify/core/batch.h"

namespace {

struct Optimized {
  std::string path, original, optimized;
};

std::vector<Optimized> SafeCorpus() {
  sw::Engine e;
  for (const sw::OptionInfo& r : sw::OptionTable())
    if (r.safe > 0) e.cx.opts.Set(r.id, true);
  e.cx.savings.recording = true;
  std::vector<Optimized> v;
  for (const auto& page : swbench::Corpus()) {
    sw::Buffer b = page.bytes;
    if (e.OptimizeBuffer(b) < 0) b = page.bytes;
    v.push_back({page.path, page.bytes, b});
  }
  return v;
}

void BM_VerifyCorpusSafePreset(benchmark::State& state) {
  sw::verify::ChromiumVerifier verifier;
  std::string error;
  if (!verifier.Start(&error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  const auto pages = SafeCorpus();
  const int threads = int(state.range(0));
  int64_t saved = 0, keptSaved = 0, same = 0;
  double seconds = 0;
  const int shots0 = verifier.Shots();
  for (auto _ : state) {
    saved = keptSaved = same = 0;
    const auto t0 = std::chrono::steady_clock::now();
    sw::verify::CompareAll(
        verifier, pages.size(), threads,
        [&](size_t i, sw::verify::PagePair& p, std::string&) {
          p.path = pages[i].path;
          p.original = pages[i].original;
          p.optimized = pages[i].optimized;
          return true;
        },
        [&](size_t i, const sw::verify::PagePair&, const sw::verify::Verdict& v) {
          const int64_t s = int64_t(pages[i].original.size()) - int64_t(pages[i].optimized.size());
          saved += s;
          if (v.Same()) {
            keptSaved += s;
            ++same;
          }
        });
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  const double runs = double(state.iterations());
  state.counters["pages_per_s"] = double(pages.size()) * runs / seconds;
  state.counters["pages"] = double(pages.size());
  state.counters["screenshots"] = double(verifier.Shots() - shots0) / runs;
  state.counters["same"] = double(same);
  state.counters["bytes_saved_safe"] = double(saved);
  state.counters["bytes_saved_verified"] = double(keptSaved);
  state.counters["savings_kept_pct"] = saved > 0 ? 100.0 * double(keptSaved) / double(saved) : 100.0;
}

}  // namespace

// The argument: pages rendered at once.
BENCHMARK(BM_VerifyCorpusSafePreset)->Arg(3)->Arg(6)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
