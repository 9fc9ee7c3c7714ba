// Documents optimized ahead of the thread that writes them, on worker
// threads that each own an engine. Results come out strictly in list order,
// and only a fixed number wait at any time, so memory stays bounded however
// long the list. A worker only ever reads its document.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/driver.h"

namespace sw {

class DocumentPool {
 public:
  // paths: the documents, in the order Take asks for them. workers >= 1.
  // Returns nullptr when the engine's terms cannot be copied.
  static std::unique_ptr<DocumentPool> Start(const Engine& prototype, std::vector<std::string> paths, int workers,
                                             size_t window);
  ~DocumentPool();  // stops the workers; results not taken are dropped
  DocumentPool(const DocumentPool&) = delete;
  DocumentPool& operator=(const DocumentPool&) = delete;

  // The result for paths[k]; k goes up by one each call. whileWaiting, when
  // set, runs every few milliseconds until the result is there.
  OptimizedDocument Take(size_t k, const std::function<void()>& whileWaiting = {});

  // How many results have been made and not yet taken, at most (tests).
  size_t window() const { return window_; }
  size_t MostWaiting() const;

 private:
  DocumentPool(std::vector<std::string> paths, size_t window);
  void Work(Engine& engine);

  std::vector<std::string> paths_;
  size_t window_;
  std::vector<std::unique_ptr<ChunkTerms>> terms_;
  std::vector<std::unique_ptr<Engine>> engines_;
  std::vector<std::thread> threads_;
  mutable std::mutex mutex_;
  std::condition_variable workCv_, readyCv_;
  size_t next_ = 0;   // the next path a worker picks up
  size_t taken_ = 0;  // results taken so far
  size_t mostWaiting_ = 0;
  bool stop_ = false;
  std::map<size_t, OptimizedDocument> ready_;
};

// Worker threads for a job of count documents: jobs, or one per core when
// jobs is 0; never more than the documents.
int WorkerCount(int jobs, size_t count);

}  // namespace sw
