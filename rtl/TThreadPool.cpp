#include "rtl/TThreadPool.h"

#include <algorithm>

namespace {
// Set on the threads while they run a band: a loop inside a band runs there.
thread_local bool t_in_band = false;
}  // namespace

TThreadPool::TThreadPool(int32_t Workers)
    : workers_(std::max(Workers, 0)), max_threads_(workers_ + 1) {
  for (int32_t i = 0; i < Workers; ++i) threads_.emplace_back([this, i] { WorkerLoop(i); });
}

TThreadPool::~TThreadPool() {
  {
    std::lock_guard<std::mutex> g(lock_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

TThreadPool& TThreadPool::Shared() {
  // Never freed: its threads wait for work until the program ends.
  static TThreadPool* pool = [] {
    const int32_t cores = static_cast<int32_t>(std::thread::hardware_concurrency());
    return new TThreadPool(std::clamp(cores, 1, 8) - 1);
  }();
  return *pool;
}

int32_t TThreadPool::MaxThreads() const {
  std::lock_guard<std::mutex> g(lock_);
  return max_threads_;
}

void TThreadPool::SetMaxThreads(int32_t Value) {
  std::lock_guard<std::mutex> g(lock_);
  max_threads_ = std::clamp<int32_t>(Value, 1, workers_ + 1);
}

void TThreadPool::WorkerLoop(int32_t index) {
  uint64_t seen = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> g(lock_);
      wake_.wait(g, [&] { return stop_ || generation_ != seen; });
      if (stop_) return;
      seen = generation_;
      // Only the first workers take part when the loop may use fewer.
      if (index >= joined_) continue;
    }
    RunBands();
    std::lock_guard<std::mutex> g(lock_);
    if (--active_ == 0) done_.notify_all();
  }
}

void TThreadPool::RunBands() {
  t_in_band = true;
  for (;;) {
    int64_t first;
    {
      std::lock_guard<std::mutex> g(lock_);
      first = next_;
      if (first >= count_ || error_) break;
      next_ = std::min(first + band_, count_);
    }
    try {
      (*body_)(first, std::min(first + band_, count_));
    } catch (...) {
      std::lock_guard<std::mutex> g(lock_);
      if (!error_) error_ = std::current_exception();
    }
  }
  t_in_band = false;
}

void TThreadPool::ParallelFor(int64_t Count, int64_t MinBand,
                              const std::function<void(int64_t First, int64_t Last)>& Body) {
  if (Count <= 0) return;
  MinBand = std::max<int64_t>(MinBand, 1);
  const int32_t threads = MaxThreads();
  if (threads <= 1 || t_in_band || Count <= MinBand || !busy_.try_lock()) {
    Body(0, Count);
    return;
  }
  std::lock_guard<std::mutex> busy(busy_, std::adopt_lock);
  // A few bands per thread, so that a thread slowed by other work on the
  // machine does not hold up the end.
  const int64_t band = std::max(MinBand, (Count + threads * 4 - 1) / (threads * 4));
  const int32_t helpers =
      static_cast<int32_t>(std::min<int64_t>(threads - 1, (Count + band - 1) / band - 1));
  {
    std::lock_guard<std::mutex> g(lock_);
    body_ = &Body;
    count_ = Count;
    band_ = band;
    next_ = 0;
    error_ = nullptr;
    joined_ = helpers;
    active_ = helpers;
    ++generation_;
  }
  wake_.notify_all();
  RunBands();
  std::exception_ptr error;
  {
    std::unique_lock<std::mutex> g(lock_);
    done_.wait(g, [&] { return active_ == 0; });
    body_ = nullptr;
    error = error_;
    error_ = nullptr;
  }
  if (error) std::rethrow_exception(error);
}
