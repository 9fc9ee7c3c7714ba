#include "jobs/verifyrun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "verify/core/batch.h"

namespace sw {

std::vector<verify::Verdict> VerifyDocuments(verify::PageVerifier& verifier, const std::vector<VerifyItem>& items,
                                             int threads, const std::function<void()>& pump) {
  std::vector<verify::Verdict> verdicts(items.size());
  if (items.empty()) return verdicts;
  std::atomic<bool> done{false};
  auto compare = [&] {
    verify::CompareAll(
        verifier, items.size(), std::max(1, threads),
        [&](size_t i, verify::PagePair& p, std::string&) {
          // The verifier reads the buffers in place: nothing else touches
          // them until every verdict is in.
          p.path = items[i].address;
          p.original = items[i].doc->original;
          p.optimized = items[i].doc->output;
          return true;
        },
        [&](size_t i, const verify::PagePair&, const verify::Verdict& v) { verdicts[i] = v; });
    done = true;
  };
  if (!pump) {
    compare();
    return verdicts;
  }
  std::thread t(compare);
  while (!done) {
    pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  t.join();
  return verdicts;
}

void KeepAsRead(OptimizedDocument& doc) {
  doc.output = doc.original;
  doc.lengthAfter = doc.lengthBefore;
  doc.savings.fill(0);
  std::fill(doc.termSavings.begin(), doc.termSavings.end(), 0);
}

}  // namespace sw
