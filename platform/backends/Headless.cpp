// The headless backend: windows live only in their back buffers, the clock
// moves when a test (or a waiting loop) moves it, input is injected.

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/DC.h"
#include "platform/WindowInternal.h"
#include "platform/backends/Backends.h"
#include "rtl/Clock.h"

namespace {

constexpr TDateTime kStartDate = 45000.5;

// One clock for the whole process. Other threads read the clock in use at
// any moment (a worker's GetTickCount while the backend goes away or a test
// sets the time), so it is started afresh in place and never freed.
TTestClock& HeadlessClock() {
  static TTestClock* clock = new TTestClock(kStartDate);
  return *clock;
}

class THeadlessBackend : public TBackend {
 public:
  THeadlessBackend() {
    HeadlessClock().Restart(kStartDate, 0);
    SetClock(&HeadlessClock());
  }
  ~THeadlessBackend() override { SetClock(nullptr); }
  const char* Name() const override { return "headless"; }
  TSize ScreenSize() override { return Screen; }
  void Wait(int32_t timeoutMs) override {
    if (Idle && Idle()) return;
    if (timeoutMs >= 0) {
      // Nothing else can happen before the next timer: its time comes at once.
      HeadlessClock().Advance(uint64_t(timeoutMs));
      return;
    }
    std::unique_lock<std::mutex> lock(Lock);
    Woken.wait(lock, [this] { return WakePending; });
    WakePending = false;
  }
  void Wake() override {
    std::lock_guard<std::mutex> lock(Lock);
    WakePending = true;
    Woken.notify_all();
  }

  void PointerPressed(TPoint p) override {
    if (!ClickToFocus) return;
    int32_t hit = HTNOWHERE;
    TWindowObj* under = HitTestScreen(p, &hit);
    if (!under) return;
    TWindowObj* top = TopLevelOf(under);
    if (top->ExStyle & (WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW)) return;
    InjectWindowFocus(top->Handle);
  }

  TSize Screen{1024, 768};
  bool ClickToFocus = false;
  std::function<bool()> Idle;
  std::mutex Lock;
  std::condition_variable Woken;
  bool WakePending = false;
};

THeadlessBackend* Headless() {
  TWindowManager& m = WM();
  if (!m.Backend) InitPlatformWith("headless");
  return dynamic_cast<THeadlessBackend*>(m.Backend.get());
}

}  // namespace

std::unique_ptr<TBackend> CreateHeadlessBackend() {
  return std::make_unique<THeadlessBackend>();
}

void HeadlessSetClock(DWORD ms) {
  if (Headless()) HeadlessClock().Restart(kStartDate, ms);
}

void HeadlessAdvanceClock(DWORD ms) {
  if (Headless()) HeadlessClock().Advance(ms);
}

void HeadlessSetIdleHandler(std::function<bool()> handler) {
  if (THeadlessBackend* b = Headless()) b->Idle = std::move(handler);
}

void HeadlessSetScreenSize(int32_t width, int32_t height) {
  if (THeadlessBackend* b = Headless()) {
    b->Screen = TSize{width, height};
    SetScreenSize(width, height);
  }
}

void HeadlessSetClickToFocus(bool on) {
  if (THeadlessBackend* b = Headless()) b->ClickToFocus = on;
}
