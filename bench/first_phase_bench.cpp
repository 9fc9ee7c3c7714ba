// Throughput of the first-phase passes over the legacy corpus: all of them
// together, and each family alone, through the whole engine.
#include <benchmark/benchmark.h>

#include "bench/corpus.h"
#include "engine/driver.h"
#include "engine/options.h"

namespace {

using sw::Opt;

constexpr Opt kTagFamily[] = {Opt::STRONGtoB, Opt::EMToI,    Opt::CITEToI,  Opt::ADDRESSToI, Opt::DFNToI,
                              Opt::CODEToTT,  Opt::SAMPToTT, Opt::KBDToTT,  Opt::StripClosingP};

void RunCorpus(benchmark::State& state, std::initializer_list<Opt> on, bool tags) {
  sw::OptionSet opts;
  for (Opt o : on) opts.Set(o, true);
  if (tags)
    for (Opt o : kTagFamily) opts.Set(o, true);
  opts.entityMode = 10;
  swbench::RunEngineOverCorpus(state, opts);
}

void BM_FirstPhase_AllFivePasses(benchmark::State& state) {
  RunCorpus(state, {Opt::StripComments, Opt::ShortSpecials, Opt::StandardColors, Opt::StripEmpties}, true);
}
BENCHMARK(BM_FirstPhase_AllFivePasses)->Unit(benchmark::kMillisecond);

void BM_FirstPhase_TagConversions(benchmark::State& state) { RunCorpus(state, {}, true); }
BENCHMARK(BM_FirstPhase_TagConversions)->Unit(benchmark::kMillisecond);

void BM_FirstPhase_Comments(benchmark::State& state) { RunCorpus(state, {Opt::StripComments}, false); }
BENCHMARK(BM_FirstPhase_Comments)->Unit(benchmark::kMillisecond);

void BM_FirstPhase_Entities(benchmark::State& state) { RunCorpus(state, {Opt::ShortSpecials}, false); }
BENCHMARK(BM_FirstPhase_Entities)->Unit(benchmark::kMillisecond);

void BM_FirstPhase_Colors(benchmark::State& state) { RunCorpus(state, {Opt::StandardColors}, false); }
BENCHMARK(BM_FirstPhase_Colors)->Unit(benchmark::kMillisecond);

void BM_FirstPhase_Empties(benchmark::State& state) { RunCorpus(state, {Opt::StripEmpties}, false); }
BENCHMARK(BM_FirstPhase_Empties)->Unit(benchmark::kMillisecond);

}  // namespace
