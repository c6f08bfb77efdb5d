// A small pool of threads for data-parallel loops: ParallelFor cuts a range
// into bands and runs them on the pool's threads and on the caller's own.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TThreadPool {
 public:
  // Workers besides the calling thread.
  explicit TThreadPool(int32_t Workers);
  ~TThreadPool();
  TThreadPool(const TThreadPool&) = delete;
  TThreadPool& operator=(const TThreadPool&) = delete;

  // The program's pool: one thread per core (at most eight) counting the
  // caller; made on first use and kept for the program's life.
  static TThreadPool& Shared();

  // How many threads a loop may use, the caller included (1: the caller
  // alone). Never more than the workers plus the caller.
  int32_t MaxThreads() const;
  void SetMaxThreads(int32_t Value);

  // Runs Body(First, Last) over bands [First, Last) that cover 0..Count-1,
  // none shorter than MinBand (but the last), and returns when all are done.
  // The bands run in no particular order and at once: Body must write only
  // what its band owns. Raises the first exception a band raised. A loop
  // started inside a band, or while another thread's loop holds the pool,
  // runs on the calling thread alone.
  void ParallelFor(int64_t Count, int64_t MinBand,
                   const std::function<void(int64_t First, int64_t Last)>& Body);

 private:
  void WorkerLoop(int32_t index);
  void RunBands();

  const int32_t workers_;
  std::vector<std::thread> threads_;
  mutable std::mutex lock_;
  std::condition_variable wake_, done_;
  bool stop_ = false;
  uint64_t generation_ = 0;
  int32_t max_threads_;
  int32_t joined_ = 0;  // workers taking part in the current loop
  int32_t active_ = 0;  // of those, still at work
  // The loop in progress; one at a time.
  std::mutex busy_;
  const std::function<void(int64_t, int64_t)>* body_ = nullptr;
  int64_t count_ = 0, band_ = 1, next_ = 0;
  std::exception_ptr error_;
};
