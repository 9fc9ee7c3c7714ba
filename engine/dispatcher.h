// The pass dispatcher and the saving recorder.
#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "engine/options.h"
#include "engine/primitives.h"

namespace sw {

// 24 document and 24 run counters, indexed 1..24 (index 0 unused).
struct Savings {
  bool recording = false;
  int32_t remembered = 0;  // length before the running pass
  std::array<int32_t, kCounterCount + 1> doc{};
  std::array<int32_t, kCounterCount + 1> job{};

  void Record(const Buffer& buf, int counter, int32_t before) {
    doc[size_t(counter)] += before - int32_t(buf.size());
  }
  void ZeroDocument() { doc.fill(0); }
  void ZeroJob() { job.fill(0); }
  void AddDocumentToJob() {
    for (size_t i = 1; i <= kCounterCount; ++i) job[i] += doc[i];
  }
  int32_t DocumentSum() const {
    int32_t s = 0;
    for (size_t i = 1; i <= kCounterCount; ++i) s += doc[i];
    return s;
  }
};

// Everything a pass may read besides its buffer.
struct PassContext {
  OptionSet opts;
  Savings savings;
  uint8_t baseFontSize = 3;
  bool metaInterlock = false;
  // The preformatted pieces being optimized are XMP blocks, whose markup a
  // browser shows as text.
  bool literalPieces = false;
  // The document holds a style sheet, though the driver keeps its first block
  // away from the chunks the passes see.
  bool documentHasStyle = false;
  bool slowOptimize = false;
  std::function<void()> pumpFn;

  void Pump() const {
    if (slowOptimize && pumpFn) pumpFn();
  }
};

// Measures one pass: remembers the length on entry, records on exit.
class SavingScope {
 public:
  SavingScope(PassContext& cx, const Buffer& buf, int counter) : cx_(cx), buf_(buf), counter_(counter) {
    if (cx_.savings.recording) cx_.savings.remembered = int32_t(buf.size());
    before_ = int32_t(buf.size());
  }
  ~SavingScope() {
    if (cx_.savings.recording) cx_.savings.Record(buf_, counter_, before_);
  }
  SavingScope(const SavingScope&) = delete;
  SavingScope& operator=(const SavingScope&) = delete;

 private:
  PassContext& cx_;
  const Buffer& buf_;
  int counter_;
  int32_t before_;
};

void RunPasses(Buffer& buf, PassContext& cx, bool firstPhaseOnly);

}  // namespace sw
