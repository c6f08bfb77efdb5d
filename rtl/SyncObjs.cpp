#include "rtl/SyncObjs.h"

#include <chrono>

RTL_DEFINE_CLASS(TSynchroObject, TObject)
RTL_DEFINE_CLASS(TCriticalSection, TSynchroObject)
RTL_DEFINE_CLASS(TEvent, TSynchroObject)
RTL_DEFINE_CLASS(TSimpleEvent, TEvent)

void TEvent::SetEvent() {
  // Notify under the lock: a waiter may destroy the event as soon as it
  // returns, which it cannot do before the lock is released.
  std::lock_guard<std::mutex> g(mutex_);
  signaled_ = true;
  if (manual_)
    cv_.notify_all();
  else
    cv_.notify_one();
}

void TEvent::ResetEvent() {
  std::lock_guard<std::mutex> g(mutex_);
  signaled_ = false;
}

TWaitResult TEvent::WaitFor(uint32_t Timeout) {
  std::unique_lock<std::mutex> g(mutex_);
  auto ready = [this] { return signaled_; };
  if (Timeout == INFINITE) {
    cv_.wait(g, ready);
  } else if (!cv_.wait_for(g, std::chrono::milliseconds(Timeout), ready)) {
    return wrTimeout;
  }
  if (!manual_) signaled_ = false;
  return wrSignaled;
}
