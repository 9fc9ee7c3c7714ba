// Runs many comparisons over one verifier on several threads, reporting
// each verdict in list order as soon as it and all before it are known.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "verify/core/verifier.h"

namespace sw::verify {

struct PagePair {
  std::string name;       // as the report shows it
  std::string path;       // address the page renders at
  std::string original;   // bytes
  std::string optimized;  // bytes
};

// Pairs are loaded lazily through `load` (false: the pair's `failure` is
// the verdict's error), so only a few documents are in memory at once.
void CompareAll(PageVerifier& verifier, size_t count, int threads,
                const std::function<bool(size_t, PagePair&, std::string& failure)>& load,
                const std::function<void(size_t, const PagePair&, const Verdict&)>& done);

}  // namespace sw::verify
