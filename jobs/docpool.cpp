#include "jobs/docpool.h"

#include <algorithm>
#include <chrono>

namespace sw {

int WorkerCount(int jobs, size_t count) {
  int n = jobs > 0 ? jobs : int(std::max(1u, std::thread::hardware_concurrency()));
  return int(std::min<size_t>(size_t(n), std::max<size_t>(count, 1)));
}

DocumentPool::DocumentPool(std::vector<std::string> paths, size_t window)
    : paths_(std::move(paths)), window_(std::max<size_t>(window, 1)) {}

std::unique_ptr<DocumentPool> DocumentPool::Start(const Engine& prototype, std::vector<std::string> paths,
                                                  int workers, size_t window) {
  std::unique_ptr<DocumentPool> pool(new DocumentPool(std::move(paths), window));
  for (int w = 0; w < std::max(workers, 1); ++w) {
    std::unique_ptr<ChunkTerms> terms;
    auto engine = prototype.MakeWorker(terms);
    if (!engine) return nullptr;
    pool->terms_.push_back(std::move(terms));
    pool->engines_.push_back(std::move(engine));
  }
  for (auto& e : pool->engines_) pool->threads_.emplace_back([p = pool.get(), en = e.get()] { p->Work(*en); });
  return pool;
}

DocumentPool::~DocumentPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  workCv_.notify_all();
  for (auto& t : threads_) t.join();
}

void DocumentPool::Work(Engine& engine) {
  while (true) {
    size_t k;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      workCv_.wait(lock, [&] { return stop_ || next_ >= paths_.size() || next_ < taken_ + window_; });
      if (stop_ || next_ >= paths_.size()) return;
      k = next_++;
    }
    OptimizedDocument doc;
    try {
      engine.OptimizeSource(paths_[k], doc);
    } catch (...) {  // out of memory: the document is left as it is
      doc = OptimizedDocument{};
      doc.code = kReadError;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ready_.emplace(k, std::move(doc));
      mostWaiting_ = std::max(mostWaiting_, ready_.size());
    }
    readyCv_.notify_all();
  }
}

OptimizedDocument DocumentPool::Take(size_t k, const std::function<void()>& whileWaiting) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto it = ready_.find(k);
  while (it == ready_.end()) {
    if (whileWaiting) {
      readyCv_.wait_for(lock, std::chrono::milliseconds(20));
      it = ready_.find(k);
      if (it != ready_.end()) break;
      lock.unlock();
      whileWaiting();
      lock.lock();
    } else {
      readyCv_.wait(lock);
    }
    it = ready_.find(k);
  }
  OptimizedDocument doc = std::move(it->second);
  ready_.erase(it);
  taken_ = k + 1;
  lock.unlock();
  workCv_.notify_all();
  return doc;
}

size_t DocumentPool::MostWaiting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return mostWaiting_;
}

}  // namespace sw
