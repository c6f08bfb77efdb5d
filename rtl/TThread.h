// Worker threads, and the way they hand work to the user-interface (main)
// thread. Synchronize and Queue put a function into one queue; the main
// thread runs it from CheckSynchronize, which the platform layer calls from
// its message loop after the wake-up hook told it that work is waiting.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "rtl/TObject.h"

using TThreadMethod = std::function<void()>;
using TNotifyEvent = std::function<void(TObject* Sender)>;

class TThread : public TObject {
  RTL_CLASS(TThread, TObject)
 public:
  // A thread made with CreateSuspended false starts in AfterConstruction
  // (NewThread calls it), once every constructor has run; one made
  // suspended starts with Start().
  explicit TThread(bool CreateSuspended);
  ~TThread() override;
  // Free() first asks the thread to stop and waits for it, while the derived
  // object is still whole; free threads with Free() or TOwned.
  void BeforeDestruction() override;

  void AfterConstruction();
  // Raises EThread when the thread was started before.
  void Start();
  void Resume() { Start(); }

  // Only sets the flag; Execute is expected to look at Terminated().
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  bool Suspended() const { return !started_; }
  bool Finished() const { return finished_; }

  // Waits until the thread has finished and returns ReturnValue. On the main
  // thread the wait keeps running synchronized work (and the messages other
  // threads send to windows), so a thread that calls Synchronize, sends a
  // message or has an OnTerminate does not dead-lock it. Raises EThread for
  // a thread that frees itself, was never started, or waits for itself.
  int32_t WaitFor();

  // The object deletes itself after its OnTerminate.
  bool FreeOnTerminate() const { return free_on_terminate_; }
  void SetFreeOnTerminate(bool Value) { free_on_terminate_ = Value; }
  int32_t ReturnValue() const { return return_value_; }
  // What Execute raised, if anything; it does not leave the thread.
  std::exception_ptr FatalException() const { return fatal_exception_; }

  // Runs on the main thread when Execute has returned.
  TNotifyEvent OnTerminate;

  // Runs Method on the main thread and waits for it; an exception it raises
  // comes back to the caller. On the main thread Method runs at once.
  static void Synchronize(TThread* Thread, TThreadMethod Method);
  // Like Synchronize, without waiting.
  static void Queue(TThread* Thread, TThreadMethod Method);

 protected:
  virtual void Execute() = 0;
  // Calls OnTerminate through Synchronize.
  virtual void DoTerminate();
  void Synchronize(TThreadMethod Method) { Synchronize(this, std::move(Method)); }
  void Queue(TThreadMethod Method) { Queue(this, std::move(Method)); }
  void SetReturnValue(int32_t Value) { return_value_ = Value; }

 private:
  void Run();
  void Join();
  void AwaitFinish();

  const bool create_suspended_;
  std::atomic<bool> started_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> free_on_terminate_{false};
  std::atomic<int32_t> return_value_{0};
  std::exception_ptr fatal_exception_;
  std::mutex join_lock_;
  std::thread thread_;
};

// Constructs a thread and starts it unless it was created suspended:
// auto* t = NewThread<TLoader>(false, view);
template <typename T, typename... Args>
T* NewThread(Args&&... args) {
  T* t = new T(std::forward<Args>(args)...);
  try {
    t->AfterConstruction();
  } catch (...) {
    t->Free();
    throw;
  }
  return t;
}

// The thread that ran the program's start-up.
bool IsMainThread();
// Runs the waiting Synchronize and Queue work; only on the main thread
// (else EThread). Waits up to Timeout ms for work to arrive. Returns whether
// anything ran. An exception of queued work goes to the application's
// handler; without one it leaves through here (one that WaitFor or Free met
// while they ran the work leaves through the next call).
bool CheckSynchronize(uint32_t Timeout = 0);
// Called (on the worker thread) whenever work is queued for the main
// thread; the platform layer installs it to wake its message loop. Once it
// returns, the previous hook is no longer running and is never called again.
void SetWakeMainThread(std::function<void()> Hook);
// The application's handler of exceptions that no caller can take (queued
// work has none); the user-interface library installs it. It runs on the
// main thread inside a catch block, with a null Sender.
void SetApplicationHandleException(std::function<void(TObject* Sender)> Handler);
