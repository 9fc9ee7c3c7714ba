// One document through the engine per input. The first bytes choose the
// option set and one search-and-replace term, the rest is the document:
//
//   0..3   switch bits, one per option in table order (little endian)
//   4      entity mode
//   5..6   word-wrap limit (little endian; 0 and huge values included)
//   7      bit 0: the term is enabled, bit 1: it ignores case
//   8, 9   search and replace lengths (each taken modulo 17)
//   then   the search text, the replace text, the document
//
// Besides the sanitizers, every input must hold: a refused document comes
// back byte for byte, and the time spent stays within a bound per byte.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/driver.h"
#include "replace/core/terms.h"

namespace {

constexpr size_t kHeader = 10;
// Far above what the linear passes need even under the sanitizers, so that
// only a blow-up (quadratic work, a loop that does not advance) trips it.
constexpr double kFixedSeconds = 2.0;
constexpr double kSecondsPerByte = 500e-6;

[[noreturn]] void Fail(const char* what, size_t size) {
  std::fprintf(stderr, "engine_fuzz: %s (document of %zu bytes)\n", what, size);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  sw::OptionSet opts;
  const uint32_t bits = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                        uint32_t(data[3]) << 24;
  for (int o = 0; o < sw::kOptCount; ++o) opts.on[size_t(o)] = (bits >> o) & 1u;
  opts.entityMode = data[4];
  opts.wordWrap = uint16_t(data[5] | data[6] << 8);

  size_t at = kHeader;
  const size_t searchLen = std::min<size_t>(data[8] % 17, size - at);
  std::string search(reinterpret_cast<const char*>(data + at), searchLen);
  at += searchLen;
  const size_t replaceLen = std::min<size_t>(data[9] % 17, size - at);
  std::string replace(reinterpret_cast<const char*>(data + at), replaceLen);
  at += replaceLen;

  sw::CustomTermTable terms;
  if (data[7] & 1) {
    // As the profile loader fills a term.
    sw::CustomTerm& t = terms.slots[1];
    t.enabled = true;
    t.searchText = search;
    t.replaceText = replace;
    t.ignoreCase = (data[7] & 2) != 0;
    t.lengthDelta = int32_t(search.size()) - int32_t(replace.size());
    terms.count = 1;
    terms.active = true;
  }

  const sw::Buffer original(reinterpret_cast<const char*>(data + at), size - at);
  if (original.size() > size_t(sw::kMaxDocumentSize)) return 0;  // refused before the engine sees it
  sw::Buffer buf = original;

  sw::Engine engine;
  engine.terms = &terms;
  engine.cx.opts = opts;
  engine.cx.savings.recording = true;
  engine.cx.savings.ZeroJob();
  terms.ZeroRun();

  const auto start = std::chrono::steady_clock::now();
  const int32_t rc = engine.OptimizeBuffer(buf);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  if (rc < 0 && buf != original) Fail("a refused document came back changed", original.size());
  if (seconds > kFixedSeconds + kSecondsPerByte * double(original.size()))
    Fail("too slow for its size", original.size());
  return 0;
}
