// The message queue: send and post order, filters, nested loops, quit,
// other threads, timers under the injected clock.

#include <thread>

#include "rtl/TThread.h"
#include "tests/platform/window_test_util.h"

namespace {

constexpr UINT A = WM_USER + 1, B = WM_USER + 2, C = WM_USER + 3, NESTED_END = WM_USER + 9;

class QueueTest : public HeadlessTest {};

TEST_F(QueueTest, SendRunsAtOncePostWaitsInOrder) {
  HWND w = Top(0, 0, 50, 50, WS_POPUP);
  Log.clear();
  PostMessage(w, A, 1, 0);
  PostMessage(w, B, 2, 0);
  EXPECT_EQ(SendMessage(w, C, 3, 0), 0);
  ASSERT_EQ(Messages(w), (std::vector<UINT>{C}));
  Pump();
  EXPECT_EQ(Messages(w), (std::vector<UINT>{C, A, B}));
}

TEST_F(QueueTest, FiltersByRangeAndWindowAndCanLeaveMessagesQueued) {
  HWND w1 = Top(0, 0, 50, 50, WS_POPUP);
  HWND w2 = Top(60, 0, 50, 50, WS_POPUP);
  PostMessage(w1, A, 0, 0);
  PostMessage(w2, B, 0, 0);
  PostMessage(w1, C, 0, 0);
  MSG msg;
  // Range: C comes out before the older A.
  ASSERT_TRUE(PeekMessage(msg, nullptr, C, C, PM_NOREMOVE));
  EXPECT_EQ(msg.message, C);
  ASSERT_TRUE(PeekMessage(msg, nullptr, C, C, PM_REMOVE));
  EXPECT_FALSE(PeekMessage(msg, nullptr, C, C, PM_REMOVE));
  // Window: only w2's message.
  ASSERT_TRUE(PeekMessage(msg, w2, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, B);
  EXPECT_FALSE(PeekMessage(msg, w2, 0, 0, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, A);
  EXPECT_EQ(msg.time, 1000u);
}

TEST_F(QueueTest, NestedLoopPumpsTheSameQueue) {
  HWND w = Top(0, 0, 50, 50, WS_POPUP);
  std::vector<std::string> trace;
  Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m == A) {
      trace.push_back("A begins");
      MSG msg;
      while (GetMessage(msg, nullptr, 0, 0) > 0) {
        if (msg.message == NESTED_END) break;
        DispatchMessage(msg);
      }
      trace.push_back("A ends");
      return true;
    }
    if (m == B) trace.push_back("B");
    if (m == C) trace.push_back("C");
    return false;
  };
  PostMessage(w, A, 0, 0);
  PostMessage(w, B, 0, 0);
  PostMessage(w, NESTED_END, 0, 0);
  PostMessage(w, C, 0, 0);
  Pump();
  EXPECT_EQ(trace, (std::vector<std::string>{"A begins", "B", "A ends", "C"}));
}

TEST_F(QueueTest, QuitEndsTheLoopWithItsCodeAfterQueuedMessages) {
  HWND w = Top(0, 0, 50, 50, WS_POPUP);
  PostMessage(w, A, 0, 0);
  PostQuitMessage(7);
  PostMessage(w, B, 0, 0);
  MSG msg;
  std::vector<UINT> got;
  int32_t r;
  while ((r = GetMessage(msg, nullptr, 0, 0)) > 0) got.push_back(msg.message);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_EQ(got, (std::vector<UINT>{A, B}));
  // A loop that meets WM_QUIT inside a nested loop posts it again for the outer one.
  PostQuitMessage(3);
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  PostQuitMessage(int32_t(msg.wParam));
  EXPECT_EQ(GetMessage(msg, nullptr, 0, 0), 0);
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(QueueTest, OtherThreadsPostAndSend) {
  HWND w = Top(0, 0, 50, 50, WS_POPUP);
  Handler = [&](HWND, UINT m, WPARAM wp, LPARAM, LRESULT& r) {
    if (m == C) {
      r = LRESULT(wp * 2);
      return true;
    }
    return false;
  };
  LRESULT sent = 0;
  std::thread worker([&] {
    PostMessage(w, A, 5, 0);
    sent = SendMessage(w, C, 21, 0);  // waits for the user-interface thread
    PostMessage(w, B, 0, 0);
  });
  MSG msg;
  std::vector<UINT> got;
  while (got.size() < 2 && GetMessage(msg, nullptr, 0, 0) > 0) {
    got.push_back(msg.message);
    DispatchMessage(msg);
  }
  worker.join();
  EXPECT_EQ(got, (std::vector<UINT>{A, B}));
  EXPECT_EQ(sent, 42);
  EXPECT_EQ(Count(w, C), 1u);
  // Posting to a window that is gone fails; sending answers 0.
  DestroyWindow(w);
  EXPECT_FALSE(PostMessage(w, A, 0, 0));
  EXPECT_EQ(SendMessage(w, C, 1, 0), 0);
}

TEST_F(QueueTest, TimersComeWhenTheQueueIsIdleUnderTheInjectedClock) {
  HWND w = Top(0, 0, 50, 50, WS_POPUP);
  ASSERT_EQ(SetTimer(w, 5, 100), 5u);
  MSG msg;
  EXPECT_FALSE(PeekMessage(msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  HeadlessAdvanceClock(99);
  EXPECT_FALSE(PeekMessage(msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  HeadlessAdvanceClock(1);
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_TIMER));
  EXPECT_EQ(msg.hwnd, w);
  EXPECT_EQ(msg.wParam, 5u);
  // Fired once: the next one is 100 ms later, and a late loop gets one, not a backlog.
  EXPECT_FALSE(PeekMessage(msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  HeadlessAdvanceClock(350);
  PostMessage(w, A, 0, 0);
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, A);  // posted messages come first
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_TIMER));
  EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  // A waiting loop lets the clock run to the next timer.
  DWORD before = GetTickCount();
  ASSERT_EQ(GetMessage(msg, nullptr, 0, 0), 1);
  EXPECT_EQ(msg.message, UINT(WM_TIMER));
  EXPECT_EQ(GetTickCount() - before, 100u);
  EXPECT_TRUE(KillTimer(w, 5));
  EXPECT_FALSE(KillTimer(w, 5));
  HeadlessAdvanceClock(1000);
  EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  // A window's timers die with it.
  SetTimer(w, 6, 50);
  DestroyWindow(w);
  HeadlessAdvanceClock(100);
  EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(QueueTest, TimerProcedureAndWindowlessTimers) {
  static int calls = 0;
  calls = 0;
  uintptr_t id = SetTimer(nullptr, 0, 20, [](HWND, UINT, uintptr_t, DWORD) { ++calls; });
  ASSERT_NE(id, 0u);
  HeadlessAdvanceClock(20);
  MSG msg;
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  DispatchMessage(msg);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(KillTimer(nullptr, id));
}

TEST_F(QueueTest, MessageTimeAndPositionFollowTheLastRetrievedMessage) {
  HWND w = Top(10, 20, 100, 100);
  InjectMouseMove(TPoint{30, 40});
  HeadlessAdvanceClock(5);
  MSG msg;
  ASSERT_TRUE(PeekMessage(msg, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, w);
  EXPECT_EQ(GET_X_LPARAM(msg.lParam), 20);
  EXPECT_EQ(GET_Y_LPARAM(msg.lParam), 20);
  EXPECT_EQ(GetMessagePos(), DWORD(30 | (40 << 16)));
  EXPECT_EQ(GetMessageTime(), 1000);
}

}  // namespace

namespace {

TEST_F(QueueTest, WorkSynchronizedFromAThreadRunsInTheWaitingLoop) {
  bool ran = false;
  std::thread worker([&] {
    TThread::Synchronize(nullptr, [&] {
      ran = true;
      PostQuitMessage(4);
    });
  });
  MSG msg;
  EXPECT_EQ(GetMessage(msg, nullptr, 0, 0), 0);  // blocks until the work wakes it
  worker.join();
  EXPECT_TRUE(ran);
  EXPECT_EQ(msg.wParam, 4u);
}

}  // namespace

namespace {

TEST_F(QueueTest, AFilteredWaitSleepsOverMessagesItPassesBy) {
  HWND w = Top(0, 0, 50, 50, WS_POPUP);
  PostMessage(w, A, 0, 0);  // does not match the filter below
  int waits = 0;
  HeadlessSetIdleHandler([&] {
    // Each wait means the loop slept; the second one brings what it waits for.
    if (++waits == 2) PostMessage(w, B, 0, 0);
    return true;
  });
  MSG msg;
  ASSERT_EQ(GetMessage(msg, nullptr, B, B), 1);
  EXPECT_EQ(msg.message, B);
  EXPECT_EQ(waits, 2);
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, A);
}

}  // namespace

TEST_F(QueueTest, DialogItemsAreFoundByTheirIds) {
  HWND dialog = Top(0, 0, 200, 100);
  HWND panel = Child(dialog, 0, 0, 200, 100);
  HWND edit = CreateWindowEx(0, "Logged", "old", WS_CHILD | WS_VISIBLE, 5, 5, 50, 20, panel, 1152);
  EXPECT_EQ(GetDlgItem(dialog, 1152), edit);  // a grandchild too
  EXPECT_EQ(GetDlgItem(dialog, 9999), nullptr);
  EXPECT_TRUE(SetDlgItemText(dialog, 1152, "picture.png"));
  EXPECT_EQ(GetDlgItemText(dialog, 1152), "picture.png");
  EXPECT_FALSE(SetDlgItemText(dialog, 9999, "x"));
}
