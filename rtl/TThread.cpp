#include "rtl/TThread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <system_error>

#include "rtl/Exception.h"

RTL_DEFINE_CLASS(TThread, TObject)

namespace {
// Namespace-scope initialisation runs on the thread that starts the program.
const std::thread::id g_main_thread = std::this_thread::get_id();

struct TSyncRequest {
  TThreadMethod Method;
  bool Wait = false;
  bool Done = false;
  std::exception_ptr Error;
};

// The one queue of work for the main thread. Its condition variable also
// announces finished threads, so that WaitFor on the main thread can sleep
// until either happens.
struct TSyncQueue {
  std::mutex Lock;
  std::condition_variable Changed;
  std::deque<std::shared_ptr<TSyncRequest>> Requests;
  std::function<void()> Wake;
};

TSyncQueue& Sync() {
  static TSyncQueue* queue = new TSyncQueue;  // lives past every thread
  return *queue;
}

void Post(const std::shared_ptr<TSyncRequest>& request) {
  TSyncQueue& s = Sync();
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> g(s.Lock);
    s.Requests.push_back(request);
    wake = s.Wake;
  }
  s.Changed.notify_all();
  if (wake) wake();
}
}  // namespace

bool IsMainThread() {
  return std::this_thread::get_id() == g_main_thread;
}

void SetWakeMainThread(std::function<void()> Hook) {
  std::lock_guard<std::mutex> g(Sync().Lock);
  Sync().Wake = std::move(Hook);
}

bool CheckSynchronize(uint32_t Timeout) {
  if (!IsMainThread())
    throw EThread("CheckSynchronize called from a thread that is not the main thread");
  TSyncQueue& s = Sync();
  std::unique_lock<std::mutex> g(s.Lock);
  if (Timeout > 0)
    s.Changed.wait_for(g, std::chrono::milliseconds(Timeout), [&] { return !s.Requests.empty(); });
  // Only the work present now: work queued by the work itself waits for the
  // next call, so a method that queues itself cannot hold the loop.
  std::size_t count = s.Requests.size();
  bool ran = false;
  for (; count > 0 && !s.Requests.empty(); --count) {
    std::shared_ptr<TSyncRequest> r = s.Requests.front();
    s.Requests.pop_front();
    g.unlock();
    ran = true;
    std::exception_ptr error;
    try {
      if (r->Method) r->Method();
    } catch (...) {
      error = std::current_exception();
    }
    g.lock();
    if (r->Wait) {
      r->Error = error;
      r->Done = true;
      s.Changed.notify_all();
    } else if (error) {
      std::rethrow_exception(error);
    }
  }
  return ran;
}

void TThread::Synchronize(TThread*, TThreadMethod Method) {
  if (IsMainThread()) {
    if (Method) Method();
    return;
  }
  auto r = std::make_shared<TSyncRequest>();
  r->Method = std::move(Method);
  r->Wait = true;
  Post(r);
  TSyncQueue& s = Sync();
  std::unique_lock<std::mutex> g(s.Lock);
  s.Changed.wait(g, [&] { return r->Done; });
  if (r->Error) std::rethrow_exception(r->Error);
}

void TThread::Queue(TThread*, TThreadMethod Method) {
  if (IsMainThread()) {
    if (Method) Method();
    return;
  }
  auto r = std::make_shared<TSyncRequest>();
  r->Method = std::move(Method);
  Post(r);
}

// ---- TThread

TThread::TThread(bool CreateSuspended) : create_suspended_(CreateSuspended) {}

TThread::~TThread() {
  // Normally BeforeDestruction has stopped the thread already.
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();
    } else {
      Terminate();
      thread_.join();
    }
  }
}

// Blocks until the thread has finished; on the main thread it keeps running
// the calls queued for it meanwhile, so a thread waiting on one can end.
void TThread::AwaitFinish() {
  TSyncQueue& s = Sync();
  std::unique_lock<std::mutex> g(s.Lock);
  while (!finished_) {
    if (IsMainThread() && !s.Requests.empty()) {
      g.unlock();
      CheckSynchronize();
      g.lock();
      continue;
    }
    s.Changed.wait(g);
  }
}

void TThread::BeforeDestruction() {
  if (started_ && !finished_ && thread_.get_id() != std::this_thread::get_id()) {
    Terminate();
    AwaitFinish();
  }
  if (thread_.get_id() != std::this_thread::get_id()) Join();
}

void TThread::AfterConstruction() {
  if (!create_suspended_ && !started_) Start();
}

void TThread::Start() {
  if (started_.exchange(true)) throw EThread("Cannot start a thread that was started before");
  try {
    std::lock_guard<std::mutex> g(join_lock_);
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error& e) {
    started_ = false;
    throw EThread(std::string("Thread creation error: ") + e.what());
  }
}

void TThread::Run() {
  // Start holds the lock until thread_ is assigned; wait for that, as the
  // end of this function may detach thread_.
  { std::lock_guard<std::mutex> g(join_lock_); }
  if (!terminated_) {
    try {
      Execute();
    } catch (...) {
      fatal_exception_ = std::current_exception();
    }
  }
  const bool free_thread = free_on_terminate_;
  try {
    DoTerminate();
  } catch (...) {
    if (!fatal_exception_) fatal_exception_ = std::current_exception();
  }
  TSyncQueue& s = Sync();
  {
    std::lock_guard<std::mutex> g(s.Lock);
    finished_ = true;
  }
  s.Changed.notify_all();
  // A thread that frees itself is touched by nobody else from here on.
  if (free_thread) {
    thread_.detach();
    Free();
  }
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

int32_t TThread::WaitFor() {
  if (free_on_terminate_) throw EThread("Cannot wait for a thread that frees itself");
  if (!started_) throw EThread("Cannot wait for a thread that was never started");
  if (thread_.get_id() == std::this_thread::get_id())
    throw EThread("A thread cannot wait for itself");
  AwaitFinish();
  Join();
  return return_value_;
}

void TThread::Join() {
  std::lock_guard<std::mutex> g(join_lock_);
  if (thread_.joinable()) thread_.join();
}
