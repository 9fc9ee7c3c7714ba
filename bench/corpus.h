#pragma once
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/driver.h"

namespace swbench {

struct Page {
  std::string path;
  std::string bytes;
};

// Every page of the legacy corpus, read into memory once.
inline const std::vector<Page>& Corpus() {
  static std::vector<Page> pages = [] {
    std::vector<Page> v;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(SW_CORPUS_DIR, ec);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
      if (!it->is_regular_file()) continue;
      std::ifstream f(it->path(), std::ios::binary);
      v.push_back({it->path().string(), std::string(std::istreambuf_iterator<char>(f), {})});
    }
    return v;
  }();
  return pages;
}

inline size_t CorpusBytes() {
  size_t n = 0;
  for (auto& p : Corpus()) n += p.bytes.size();
  return n;
}

// The whole engine over every corpus page with the given options, in MB/s.
inline void RunEngineOverCorpus(benchmark::State& state, const sw::OptionSet& opts) {
  sw::Engine e;
  e.cx.opts = opts;
  e.cx.savings.recording = true;
  const auto& pages = Corpus();
  for (auto _ : state) {
    for (const auto& p : pages) {
      sw::Buffer b = p.bytes;
      benchmark::DoNotOptimize(e.OptimizeBuffer(b));
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(CorpusBytes()));
}

}  // namespace swbench
