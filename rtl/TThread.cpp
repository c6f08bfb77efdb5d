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
  // Errors of queued work that ran inside a wait (WaitFor, Free) while no
  // handler was installed: the next CheckSynchronize raises them, one a call.
  std::deque<std::exception_ptr> Undelivered;
  std::function<void(TObject*)> HandleException;
  // Held while the wake-up hook runs, so that replacing the hook waits for a
  // call in progress: once SetWakeMainThread returns, the old hook is done.
  std::mutex WakeLock;
  std::function<void()> Wake;
};

TSyncQueue& Sync() {
  static TSyncQueue* queue = new TSyncQueue;  // lives past every thread
  return *queue;
}

void Post(const std::shared_ptr<TSyncRequest>& request) {
  TSyncQueue& s = Sync();
  {
    std::lock_guard<std::mutex> g(s.Lock);
    s.Requests.push_back(request);
  }
  s.Changed.notify_all();
  std::lock_guard<std::mutex> g(s.WakeLock);
  if (s.Wake) s.Wake();
}

// Gives an error of queued work to the application's handler. Answers null
// when the handler took it, else the error that is still to be reported
// (the original one, or what the handler itself raised).
std::exception_ptr HandOver(std::exception_ptr error) {
  TSyncQueue& s = Sync();
  std::function<void(TObject*)> handler;
  {
    std::lock_guard<std::mutex> g(s.Lock);
    handler = s.HandleException;
  }
  if (!handler) return error;
  try {
    std::rethrow_exception(error);
  } catch (...) {
    try {
      handler(nullptr);
    } catch (...) {
      return std::current_exception();
    }
  }
  return nullptr;
}

// Runs the work present now, with the queue's lock held on entry and exit.
// Work queued by the work itself waits for the next call, so a method that
// queues itself cannot hold the loop. An error of queued work that no
// handler takes is raised, or, inside a wait, kept for the next call: a wait
// runs inside destructors and must end by joining the thread.
bool RunQueued(std::unique_lock<std::mutex>& g, bool inWait) {
  TSyncQueue& s = Sync();
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
    // A synchronized caller gets its error back; queued work has no caller.
    if (error && !r->Wait) error = HandOver(error);
    g.lock();
    if (r->Wait) {
      r->Error = error;
      r->Done = true;
      s.Changed.notify_all();
    } else if (error) {
      if (!inWait) std::rethrow_exception(error);
      s.Undelivered.push_back(error);
    }
  }
  return ran;
}
}  // namespace

bool IsMainThread() {
  return std::this_thread::get_id() == g_main_thread;
}

void SetWakeMainThread(std::function<void()> Hook) {
  TSyncQueue& s = Sync();
  std::lock_guard<std::mutex> g(s.WakeLock);
  s.Wake = std::move(Hook);
}

void SetApplicationHandleException(std::function<void(TObject* Sender)> Handler) {
  TSyncQueue& s = Sync();
  std::lock_guard<std::mutex> g(s.Lock);
  s.HandleException = std::move(Handler);
}

bool CheckSynchronize(uint32_t Timeout) {
  if (!IsMainThread())
    throw EThread("CheckSynchronize called from a thread that is not the main thread");
  TSyncQueue& s = Sync();
  std::unique_lock<std::mutex> g(s.Lock);
  if (!s.Undelivered.empty()) {
    std::exception_ptr error = s.Undelivered.front();
    s.Undelivered.pop_front();
    g.unlock();
    if ((error = HandOver(error))) std::rethrow_exception(error);
    g.lock();
  }
  if (Timeout > 0)
    s.Changed.wait_for(g, std::chrono::milliseconds(Timeout), [&] { return !s.Requests.empty(); });
  return RunQueued(g, false);
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
// Raises nothing: errors of queued work go to the application's handler or
// to the next CheckSynchronize.
void TThread::AwaitFinish() {
  TSyncQueue& s = Sync();
  std::unique_lock<std::mutex> g(s.Lock);
  while (!finished_) {
    if (IsMainThread() && !s.Requests.empty()) {
      RunQueued(g, true);
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
