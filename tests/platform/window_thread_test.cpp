// Other threads and the window system: waiting on the user-interface thread
// for a thread that sends, posting and sending while the platform shuts
// down, and the calls that belong to the user-interface thread alone.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/GdiObject.h"
#include "platform/PenBrush.h"
#include "rtl/Clock.h"
#include "rtl/SyncObjs.h"
#include "rtl/TThread.h"
#include "tests/platform/window_test_util.h"

namespace {

using namespace std::chrono_literals;

constexpr UINT PING = WM_USER + 1;

// Ends the test program when a wait dead-locks, rather than leaving it to
// hang until the test runner's time-out.
class TWatchdog {
 public:
  explicit TWatchdog(std::chrono::seconds limit)
      : thread_([this, limit] {
          std::unique_lock<std::mutex> g(lock_);
          if (!done_cv_.wait_for(g, limit, [this] { return done_; })) {
            std::fprintf(stderr, "dead-locked: still waiting after %lld s\n",
                         static_cast<long long>(limit.count()));
            std::abort();
          }
        }) {}
  ~TWatchdog() {
    {
      std::lock_guard<std::mutex> g(lock_);
      done_ = true;
    }
    done_cv_.notify_all();
    thread_.join();
  }

 private:
  std::mutex lock_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::thread thread_;
};

class TFnThread : public TThread {
 public:
  explicit TFnThread(std::function<int32_t()> body) : TThread(false), body_(std::move(body)) {}

 protected:
  void Execute() override { SetReturnValue(body_()); }

 private:
  std::function<int32_t()> body_;
};

class ThreadQueueTest : public HeadlessTest {
 protected:
  // Answers PING with twice its wParam.
  HWND Doubler() {
    Handler = [](HWND, UINT m, WPARAM wp, LPARAM, LRESULT& r) {
      if (m != PING) return false;
      r = LRESULT(wp * 2);
      return true;
    };
    return Top(0, 0, 40, 40, WS_POPUP);
  }
};

TEST_F(ThreadQueueTest, WaitingForAThreadAnswersTheMessagesItSends) {
  HWND w = Doubler();
  TWatchdog watchdog(60s);
  // WaitFor, and Free of a thread still running, wait on the user-interface
  // thread while the thread is inside SendMessage.
  TOwned<TFnThread> waited(
      NewThread<TFnThread>([w] { return int32_t(SendMessage(w, PING, 21, 0)); }));
  EXPECT_EQ(waited->WaitFor(), 42);
  std::atomic<LRESULT> got{0};
  TEvent sending;
  TFnThread* freed = NewThread<TFnThread>([&] {
    sending.SetEvent();
    got = SendMessage(w, PING, 4, 0);
    return 0;
  });
  ASSERT_EQ(sending.WaitFor(), wrSignaled);  // Free no longer stops it before it runs
  freed->Free();
  EXPECT_EQ(got.load(), 8);
  EXPECT_EQ(Count(w, PING), 2u);
}

TEST_F(ThreadQueueTest, ASendArrivingDuringShutdownIsRefused) {
  HWND a = Doubler();
  HWND b = Top(50, 0, 40, 40, WS_POPUP);
  std::atomic<LRESULT> answer{-1};
  HWND other = nullptr;
  auto doubler = Handler;
  Handler = [&](HWND h, UINT m, WPARAM wp, LPARAM lp, LRESULT& r) {
    if (m == WM_DESTROY && !other) {
      // The other window still exists, but the loop that would answer is
      // gone: the send must come back at once.
      other = h == a ? b : a;
      std::thread sender([&] { answer = SendMessage(other, PING, 1, 0); });
      sender.join();
      return false;
    }
    return doubler(h, m, wp, lp, r);
  };
  {
    TWatchdog watchdog(60s);
    ShutdownPlatform();
  }
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(answer.load(), 0);
  EXPECT_EQ(Count(other, PING), 0u);
}

// Threads post, send, queue work and read the clock without pause while the
// platform starts, sets its clock and shuts down again and again. Under the
// sanitizers a backend, clock or wake-up hook used after it was freed shows.
TEST_F(ThreadQueueTest, PostingAndSendingWhileThePlatformComesAndGoes) {
  std::atomic<HWND> target{nullptr};
  std::atomic<bool> stop{false};
  std::atomic<int> sendsBack{0};
  std::vector<std::thread> workers;
  workers.emplace_back([&] {
    while (!stop) {
      PostThreadMessage(PING, 0, 0);
      PostMessage(target.load(), PING, 1, 0);
      TThread::Queue(nullptr, [] {});
      std::this_thread::sleep_for(20us);  // the loop keeps up
    }
  });
  workers.emplace_back([&] {
    while (!stop) {
      SendMessage(target.load(), PING, 3, 0);
      ++sendsBack;
    }
  });
  workers.emplace_back([&] {
    uint64_t ticks = 0;
    while (!stop) ticks += GetTickCount();
    EXPECT_NE(ticks, 1u);  // keeps the readings from being optimised away
  });
  {
    TWatchdog watchdog(120s);
    for (int cycle = 0; cycle < 100; ++cycle) {
      HeadlessTest::SetUp();  // shuts the platform down and starts it afresh
      target = Doubler();
      HeadlessSetClock(DWORD(cycle * 1000));
      for (int k = 0; k < 20; ++k) {
        MSG msg;
        if (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(msg);
        std::this_thread::yield();
      }
      HWND gone = target.exchange(nullptr);
      DestroyWindow(gone);
      ShutdownPlatform();
    }
    stop = true;
    for (auto& t : workers) t.join();
  }
  EXPECT_GT(sendsBack.load(), 0);
  // After shutdown other threads are refused: nothing is queued for a
  // platform that is gone.
  bool posted = true;
  std::thread late([&] { posted = PostThreadMessage(PING, 0, 0); });
  late.join();
  EXPECT_FALSE(posted);
  while (CheckSynchronize()) {
  }
}

// Timers and the loop belong to the user-interface thread; after shutdown
// that is still the thread that ran the platform, not every thread.
TEST_F(ThreadQueueTest, OtherThreadsCannotTouchTimersOrTheLoop) {
  HWND w = Top(0, 0, 40, 40, WS_POPUP);
  ASSERT_EQ(SetTimer(w, 7, 100), 7u);
  struct TAttempts {
    uintptr_t set = 1;
    bool killed = true, peeked = true;
    int32_t got = 0;
  };
  auto attempt = [&] {
    TAttempts a;
    std::thread worker([&] {
      a.set = SetTimer(w, 8, 100);
      a.killed = KillTimer(w, 7);
      MSG msg;
      a.peeked = PeekMessage(msg, nullptr, 0, 0, PM_REMOVE);
      a.got = GetMessage(msg, nullptr, 0, 0);
    });
    worker.join();
    return a;
  };
  TWatchdog watchdog(60s);  // a worker taken for the loop's thread waits forever
  TAttempts running = attempt();
  EXPECT_EQ(running.set, 0u);
  EXPECT_FALSE(running.killed);
  EXPECT_FALSE(running.peeked);
  EXPECT_EQ(running.got, -1);
  HeadlessAdvanceClock(100);
  MSG msg;
  ASSERT_TRUE(PeekMessage(msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);  // the timer the worker tried to kill still fires

  ShutdownPlatform();
  TAttempts after = attempt();
  EXPECT_EQ(after.set, 0u);
  EXPECT_FALSE(after.peeked);
  EXPECT_EQ(after.got, -1);
}

TEST(GdiObjects, OfTwoThreadsFreeingOneHandleOnlyOneDoes) {
  constexpr int kHandles = 2000;
  for (int round = 0; round < 5; ++round) {
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < kHandles; ++i) brushes.push_back(CreateSolidBrush(COLORREF(i)));
    const int before = GdiObjectCount();
    std::atomic<int> freed{0};
    std::atomic<int> ready{0};
    auto freeAll = [&] {
      ++ready;
      while (ready.load() < 2) {
      }
      for (HBRUSH b : brushes)
        if (DeleteObject(b)) ++freed;
    };
    std::thread one(freeAll), two(freeAll);
    one.join();
    two.join();
    ASSERT_EQ(freed.load(), kHandles);
    ASSERT_EQ(GdiObjectCount(), before - kHandles);
  }
}

}  // namespace
