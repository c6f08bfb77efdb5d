#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "rtl/Exception.h"
#include "rtl/SyncObjs.h"
#include "rtl/TThread.h"

namespace {
// Runs a function as its Execute.
class TFnThread : public TThread {
 public:
  TFnThread(bool suspended, std::function<void(TFnThread&)> body)
      : TThread(suspended), body_(std::move(body)) {}
  ~TFnThread() override {
    if (destroyed) destroyed->SetEvent();
  }
  using TThread::Queue;
  using TThread::SetReturnValue;
  using TThread::Synchronize;
  TEvent* destroyed = nullptr;

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(TFnThread&)> body_;
};
}  // namespace

TEST(TThread, RunsAndReturnsItsValue) {
  std::atomic<bool> ran{false};
  TOwned<TFnThread> t(NewThread<TFnThread>(false, [&](TFnThread& self) {
    ran = true;
    self.SetReturnValue(42);
  }));
  EXPECT_EQ(t->WaitFor(), 42);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(t->Finished());
  EXPECT_EQ(t->WaitFor(), 42);  // waiting again is harmless
}

TEST(TThread, SuspendedStartsOnlyWhenTold) {
  TEvent started;
  TOwned<TFnThread> t(NewThread<TFnThread>(true, [&](TFnThread&) { started.SetEvent(); }));
  EXPECT_TRUE(t->Suspended());
  EXPECT_EQ(started.WaitFor(0), wrTimeout);
  EXPECT_THROW(t->WaitFor(), EThread);
  t->Start();
  EXPECT_EQ(started.WaitFor(), wrSignaled);
  EXPECT_THROW(t->Start(), EThread);
  t->WaitFor();
}

TEST(TThread, TerminatedBeforeStartSkipsExecute) {
  std::atomic<bool> ran{false};
  TOwned<TFnThread> t(NewThread<TFnThread>(true, [&](TFnThread&) { ran = true; }));
  t->Terminate();
  t->Start();
  t->WaitFor();
  EXPECT_FALSE(ran);
}

TEST(TThread, FreeStopsARunningThread) {
  TEvent running;
  std::atomic<bool> left{false};
  TFnThread* t = NewThread<TFnThread>(false, [&](TFnThread& self) {
    running.SetEvent();
    while (!self.Terminated()) std::this_thread::yield();
    left = true;
  });
  ASSERT_EQ(running.WaitFor(), wrSignaled);
  t->Free();  // terminates and waits; the derived object is still whole meanwhile
  EXPECT_TRUE(left);
}

TEST(TThread, ExecuteExceptionIsKept) {
  TOwned<TFnThread> t(
      NewThread<TFnThread>(false, [](TFnThread&) { throw EReadError("bad data"); }));
  t->WaitFor();
  ASSERT_TRUE(t->FatalException());
  EXPECT_THROW(std::rethrow_exception(t->FatalException()), EReadError);
}

TEST(TThread, SynchronizeRunsOnTheMainThreadWhileItWaits) {
  std::vector<std::string> order;  // touched by the main thread only
  std::thread::id main_id = std::this_thread::get_id();
  TOwned<TFnThread> t(NewThread<TFnThread>(true, [&](TFnThread& self) {
    self.Synchronize([&] {
      EXPECT_EQ(std::this_thread::get_id(), main_id);
      order.push_back("sync");
    });
    // An exception of the synchronized method comes back to the worker.
    try {
      self.Synchronize([] { throw EConvertError("in main"); });
    } catch (const EConvertError&) {
      self.Synchronize([&] { order.push_back("caught"); });
    }
  }));
  t->OnTerminate = [&](TObject* sender) {
    EXPECT_EQ(sender, t.get());
    EXPECT_TRUE(IsMainThread());
    order.push_back("terminate");
  };
  t->Start();
  t->WaitFor();  // would dead-lock if it did not run the synchronized work
  EXPECT_EQ(order, (std::vector<std::string>{"sync", "caught", "terminate"}));
  // On the main thread itself the method simply runs.
  int direct = 0;
  TThread::Synchronize(nullptr, [&] { direct = 1; });
  EXPECT_EQ(direct, 1);
}

TEST(TThread, QueueDoesNotWaitAndRunsAtTheNextPump) {
  std::atomic<int> wakes{0};
  SetWakeMainThread([&] { ++wakes; });
  int value = 0;
  TEvent queued;
  TOwned<TFnThread> t(NewThread<TFnThread>(false, [&](TFnThread& self) {
    self.Queue([&] { value = 7; });
    queued.SetEvent();
  }));
  ASSERT_EQ(queued.WaitFor(), wrSignaled);
  EXPECT_EQ(wakes.load(), 1);
  EXPECT_EQ(value, 0);  // queued, not yet run
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(value, 7);
  EXPECT_FALSE(CheckSynchronize());
  t->WaitFor();
  SetWakeMainThread(nullptr);

  // The pump belongs to the main thread.
  std::atomic<bool> refused{false};
  TOwned<TFnThread> other(NewThread<TFnThread>(false, [&](TFnThread&) {
    try {
      CheckSynchronize();
    } catch (const EThread&) {
      refused = true;
    }
  }));
  other->WaitFor();
  EXPECT_TRUE(refused);
}

TEST(TThread, SynchronizeWaitsForThePump) {
  std::atomic<bool> back{false};
  TOwned<TFnThread> t(NewThread<TFnThread>(false, [&](TFnThread& self) {
    self.Synchronize([] {});
    back = true;
  }));
  // CheckSynchronize with a time-out sleeps until the request is there.
  while (!CheckSynchronize(10000)) {
  }
  t->WaitFor();
  EXPECT_TRUE(back);
}

// Replacing the hook (as the platform does when it shuts down) waits for a
// call in progress and is final: the old hook's state may go right after.
TEST(TThread, ReplacingTheWakeHookWaitsForACallInProgress) {
  TEvent in_hook, release;
  std::atomic<int> calls{0};
  SetWakeMainThread([&] {
    ++calls;
    in_hook.SetEvent();
    release.WaitFor(10000);
  });
  std::thread worker([] { TThread::Queue(nullptr, [] {}); });
  ASSERT_EQ(in_hook.WaitFor(10000), wrSignaled);
  std::atomic<bool> replaced{false};
  std::thread replacer([&] {
    SetWakeMainThread(nullptr);
    replaced = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(replaced);  // still inside the old hook
  release.SetEvent();
  replacer.join();
  worker.join();
  EXPECT_TRUE(replaced);
  std::thread([] { TThread::Queue(nullptr, [] {}); }).join();
  EXPECT_EQ(calls.load(), 1);
  while (CheckSynchronize()) {
  }
}

// Queued work has no caller to take its exception. It reaches the
// application's handler once, or without one the next CheckSynchronize;
// a wait (WaitFor, or Free in a destructor) that ran the work raises
// nothing and still joins the thread.
TEST(TThread, AnExceptionOfQueuedWorkIsDeliveredOnce) {
  enum TMet { kPump, kWaitFor, kFree };
  for (TMet met : {kPump, kWaitFor, kFree}) {
    for (bool with_handler : {true, false}) {
      SCOPED_TRACE(testing::Message() << "met " << met << ", handler " << with_handler);
      std::vector<std::string> handled;
      if (with_handler)
        SetApplicationHandleException([&](TObject* sender) {
          EXPECT_EQ(sender, nullptr);
          EXPECT_TRUE(IsMainThread());
          try {
            throw;
          } catch (const Exception& e) {
            handled.push_back(e.Message());
          }
        });
      TEvent ran;
      auto work = [&] {
        ran.SetEvent();
        throw EConvertError("late");
      };
      if (met == kPump) {
        std::thread([&] { TThread::Queue(nullptr, work); }).join();
        if (with_handler) {
          EXPECT_TRUE(CheckSynchronize());
        }
      } else {
        // The thread lives until its work has run, so the wait meets it.
        TEvent queued;
        TFnThread* t = NewThread<TFnThread>(false, [&](TFnThread& self) {
          self.Queue(work);
          queued.SetEvent();
          ran.WaitFor();
        });
        ASSERT_EQ(queued.WaitFor(), wrSignaled);
        if (met == kWaitFor) {
          EXPECT_NO_THROW(t->WaitFor());
          EXPECT_TRUE(t->Finished());
          t->Free();
        } else {
          TOwned<TFnThread> owned(t);  // its destructor waits
        }
        EXPECT_EQ(ran.WaitFor(0), wrSignaled);
      }
      if (with_handler) {
        EXPECT_EQ(handled, std::vector<std::string>{"late"});
      } else {
        EXPECT_THROW(CheckSynchronize(), EConvertError);
      }
      EXPECT_NO_THROW(EXPECT_FALSE(CheckSynchronize()));  // once only
      SetApplicationHandleException(nullptr);
    }
  }
}

TEST(TThread, FreeOnTerminateDeletesItself) {
  TEvent destroyed;
  TEvent go;
  TFnThread* t = NewThread<TFnThread>(true, [&](TFnThread&) { go.WaitFor(); });
  t->destroyed = &destroyed;
  t->SetFreeOnTerminate(true);
  t->Start();
  EXPECT_THROW(t->WaitFor(), EThread);
  go.SetEvent();
  EXPECT_EQ(destroyed.WaitFor(), wrSignaled);
}

TEST(SyncObjs, CriticalSectionIsReentrant) {
  TCriticalSection cs;
  cs.Enter();
  cs.Enter();  // the holder may enter again
  std::atomic<int> other_got{-1};
  auto try_from_other = [&] {
    std::thread th([&] {
      bool got = cs.TryEnter();
      if (got) cs.Leave();
      other_got = got;
    });
    th.join();
    return other_got.load();
  };
  EXPECT_EQ(try_from_other(), 0);
  cs.Leave();
  EXPECT_EQ(try_from_other(), 0);  // still held once
  cs.Leave();
  EXPECT_EQ(try_from_other(), 1);
  {
    std::lock_guard<TCriticalSection> g(cs);
    EXPECT_TRUE(cs.TryEnter());
    cs.Leave();
  }
}

TEST(SyncObjs, CriticalSectionExcludes) {
  TCriticalSection cs;
  int64_t counter = 0;  // deliberately not atomic
  std::vector<std::thread> threads;
  for (int k = 0; k < 4; ++k)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        cs.Enter();
        ++counter;
        cs.Leave();
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(counter, 80000);
}

TEST(SyncObjs, Events) {
  TEvent manual(true, false);
  EXPECT_EQ(manual.WaitFor(0), wrTimeout);
  EXPECT_EQ(manual.WaitFor(5), wrTimeout);
  manual.SetEvent();
  EXPECT_EQ(manual.WaitFor(0), wrSignaled);
  EXPECT_EQ(manual.WaitFor(0), wrSignaled);  // stays set
  manual.ResetEvent();
  EXPECT_EQ(manual.WaitFor(0), wrTimeout);

  TEvent automatic(false, true);
  EXPECT_EQ(automatic.WaitFor(0), wrSignaled);
  EXPECT_EQ(automatic.WaitFor(0), wrTimeout);  // the wait consumed it

  // A manual event releases every waiter; an automatic one exactly one per set.
  TEvent gate(true, false);
  TEvent single(false, false);
  std::atomic<int> through{0}, singles{0};
  std::vector<std::thread> waiters;
  for (int k = 0; k < 3; ++k)
    waiters.emplace_back([&] {
      if (gate.WaitFor() == wrSignaled) ++through;
      if (single.WaitFor() == wrSignaled) ++singles;
    });
  gate.SetEvent();
  for (int k = 0; k < 3; ++k) single.SetEvent(), std::this_thread::yield();
  // Whatever the interleaving, all three pass the gate; the automatic event
  // may have merged sets that came before a waiter, so top it up.
  while (singles.load() < 3) single.SetEvent(), std::this_thread::yield();
  for (auto& th : waiters) th.join();
  EXPECT_EQ(through.load(), 3);
  EXPECT_EQ(singles.load(), 3);
}
