// Synchronisation objects: a re-entrant critical section and an event.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "rtl/TObject.h"

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// A timeout that never runs out.
constexpr uint32_t INFINITE = 0xFFFFFFFF;

class TSynchroObject : public TObject {
  RTL_CLASS(TSynchroObject, TObject)
 public:
  virtual void Acquire() = 0;
  virtual void Release() = 0;
};

// Re-entrant: the thread that holds it may enter again and must leave as
// often. Also usable with std::lock_guard and std::scoped_lock.
class TCriticalSection : public TSynchroObject {
  RTL_CLASS(TCriticalSection, TSynchroObject)
 public:
  void Acquire() override { mutex_.lock(); }
  void Release() override { mutex_.unlock(); }
  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }
  bool TryEnter() { return mutex_.try_lock(); }

  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  bool try_lock() { return mutex_.try_lock(); }

 private:
  std::recursive_mutex mutex_;
};

// A manual-reset event stays signalled until ResetEvent and releases every
// waiter; an auto-reset event releases one waiter and resets itself.
class TEvent : public TSynchroObject {
  RTL_CLASS(TEvent, TSynchroObject)
 public:
  explicit TEvent(bool ManualReset = true, bool InitialState = false)
      : manual_(ManualReset), signaled_(InitialState) {}
  void SetEvent();
  void ResetEvent();
  // Timeout in milliseconds; 0 only tests the state.
  TWaitResult WaitFor(uint32_t Timeout = INFINITE);
  // Acquire waits without a time limit; Release signals.
  void Acquire() override { WaitFor(INFINITE); }
  void Release() override { SetEvent(); }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  const bool manual_;
  bool signaled_;
};

// A manual-reset event that starts unsignalled.
class TSimpleEvent : public TEvent {
  RTL_CLASS(TSimpleEvent, TEvent)
 public:
  TSimpleEvent() : TEvent(true, false) {}
};
