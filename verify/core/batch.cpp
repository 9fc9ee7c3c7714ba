#include "verify/core/batch.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace sw::verify {

void CompareAll(PageVerifier& verifier, size_t count, int threads,
                const std::function<bool(size_t, PagePair&, std::string& failure)>& load,
                const std::function<void(size_t, const PagePair&, const Verdict&)>& done) {
  std::atomic<size_t> next{0};
  std::mutex m;
  std::map<size_t, std::pair<PagePair, Verdict>> finished;
  size_t reported = 0;
  auto work = [&] {
    for (size_t i; (i = next++) < count;) {
      PagePair pair;
      std::string failure;
      Verdict v;
      if (load(i, pair, failure)) {
        v = verifier.Compare(pair.path, pair.original, pair.optimized);
      } else {
        v.error = failure;
      }
      pair.original.clear();
      pair.optimized.clear();
      std::lock_guard<std::mutex> lock(m);
      finished.emplace(i, std::make_pair(std::move(pair), v));
      // Whoever completes the next one in order reports the run of ready ones.
      while (!finished.empty() && finished.begin()->first == reported) {
        done(reported, finished.begin()->second.first, finished.begin()->second.second);
        finished.erase(finished.begin());
        ++reported;
      }
    }
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < std::max(1, threads); ++t) pool.emplace_back(work);
  work();
  for (auto& t : pool) t.join();
}

}  // namespace sw::verify
