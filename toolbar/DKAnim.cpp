#include "toolbar/DKAnim.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "platform/Bitmap.h"
#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/GdiHolders.h"
#include "platform/GdiObject.h"
#include "platform/Input.h"
#include "platform/Region.h"
#include "platform/Window.h"
#include "rtl/Clock.h"
#include "rtl/Numeric.h"

namespace {

struct TAnimationState {
  HWND Window = nullptr;
  int32_t Duration = 0;
  bool Fade = false;
  std::atomic<int32_t> Level{0};
  // The window's picture, taken before it shows, and the window's DC it is
  // copied to step by step.
  std::optional<TWindowDC> WindowDC;
  TOwnedGdiObject<HBITMAP> Bitmap;
  std::optional<TMemoryDC> MemDC;
  HGDIOBJ OldBitmap = nullptr;
  TRect ClientScreen{0, 0, 0, 0};
  int32_t Width = 0, Height = 0;
  TPoint LastCursor{0, 0};
  uint8_t Directions = 0;
  std::atomic<bool> Stop{false};
  std::atomic<bool> Done{false};
  std::atomic<int32_t> Busy{0};
};

TAnimationState state;
std::thread worker;
std::atomic<uint32_t> sequence{0};

void RestoreAnimatedWindow() {
  HWND w = state.Window;
  if (!w) return;
  if (IsWindow(w)) {
    SetWindowRgn(w, nullptr, false);
    if (state.WindowDC && state.MemDC)
      BitBlt(state.WindowDC->Handle(), 0, 0, state.Width, state.Height, state.MemDC->Handle(), 0, 0, SRCCOPY);
  }
  // The bitmap comes out of the memory DC before either goes.
  if (state.MemDC) SelectObject(state.MemDC->Handle(), state.OldBitmap);
  state.MemDC.reset();
  state.Bitmap.reset();
  state.WindowDC.reset();
  state.Window = nullptr;
  if (IsWindow(w)) SendMessage(w, MsgAnimationFinished, 0, 0);
}

// Start is the counter when the animation started: read there, so that
// time that passes before the thread runs counts.
void PopupAnimationThread(HWND Wnd, uint32_t Sequence, int32_t Duration, int64_t Start) {
  // The platform's counter: the program's clock, which tests move by hand.
  const int64_t ticksPerMs = std::max<int64_t>(1, PerformanceFrequency() / 1000);
  const int64_t start = Start;
  while (!state.Stop.load()) {
    int64_t elapsed = (PerformanceCounter() - start) / ticksPerMs;
    // A zero duration would divide by zero: such an animation ends at once.
    int32_t raw = Duration > 0 ? MulDiv(255, int32_t(elapsed), Duration) : -1;
    int32_t step = raw & ~0xF;
    if (step < 0 || step >= 255 || elapsed >= Duration) break;
    if (step > state.Level.load()) {
      state.Level.store(step);
      if (state.Busy.exchange(1) == 0) PostMessage(Wnd, MsgAnimationStep, 0, LPARAM(Sequence));
      continue;
    }
    int32_t wait = MulDiv(state.Level.load() + 16 - raw, Duration, 255);
    std::this_thread::sleep_for(std::chrono::milliseconds(wait < 1 ? 1 : wait));
  }
  state.Done.store(true);
  PostMessage(Wnd, MsgAnimationStep, 0, LPARAM(Sequence));
}

}  // namespace

void FinishPopupAnimation(HWND Wnd) {
  if (!worker.joinable()) return;
  if (Wnd && Wnd != state.Window) return;
  state.Stop.store(true);
  worker.join();
  RestoreAnimatedWindow();
}

void StartPopupAnimation(HWND Wnd, int32_t Duration, bool Fade, uint8_t Directions) {
  FinishPopupAnimation(nullptr);
  state.Window = Wnd;
  state.Duration = Duration;
  // No layered windows here: a fade request slides.
  state.Fade = false;
  (void)Fade;
  state.Level.store(0);
  state.Stop.store(false);
  state.Done.store(false);
  state.Busy.store(0);
  state.Directions = Directions;
  GetCursorPos(&state.LastCursor);
  TRect client;
  GetClientRect(Wnd, client);
  TPoint tl{client.Left, client.Top}, br{client.Right, client.Bottom};
  ClientToScreen(Wnd, tl);
  ClientToScreen(Wnd, br);
  state.ClientScreen = TRect{tl.X, tl.Y, br.X, br.Y};
  TRect wr;
  GetWindowRect(Wnd, wr);
  state.Width = wr.Width();
  state.Height = wr.Height();
  // The window's picture, taken before it shows.
  state.WindowDC.emplace(TWindowDC::Whole(Wnd));
  HDC windowDC = state.WindowDC->Handle();
  state.Bitmap.reset(CreateCompatibleBitmap(windowDC, state.Width, state.Height));
  state.MemDC.emplace(windowDC);
  state.OldBitmap = SelectObject(state.MemDC->Handle(), state.Bitmap.get());
  SendMessage(Wnd, WM_PRINT, WPARAM(state.MemDC->Handle()), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  // An empty shape hides the shown window until the first step.
  GiveWindowRegion(Wnd, TOwnedGdiObject<HRGN>(CreateRectRgn(0, 0, 0, 0)), false);
  SetWindowPos(Wnd, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW |
                   SWP_NOOWNERZORDER | SWP_ASYNCWINDOWPOS);
  try {
    uint32_t seq = ++sequence;
    worker = std::thread(PopupAnimationThread, Wnd, seq, Duration, PerformanceCounter());
  } catch (...) {
    RestoreAnimatedWindow();
  }
}

void HandleAnimationStep(LPARAM Sequence) {
  if (uint32_t(Sequence) != sequence.load() || !state.Window) return;
  if (state.Done.load()) {
    FinishPopupAnimation(state.Window);
    return;
  }
  // The user is already in the popup: show it whole. (The cursor is read
  // here, on the window's thread.)
  TPoint p;
  if (GetCursorPos(&p) && p != state.LastCursor) {
    if (PtInRect(&state.ClientScreen, p)) {
      FinishPopupAnimation(state.Window);
      return;
    }
    state.LastCursor = p;
  }
  const int32_t w = state.Width, h = state.Height, L = state.Level.load();
  int32_t dy = 0, dx = 0;
  if (state.Directions & adDownward)
    dy = MulDiv(h, L, 255) - h;
  else if (state.Directions & adUpward)
    dy = h - MulDiv(h, L, 255);
  if (state.Directions & adRightward)
    dx = MulDiv(w, L, 255) - w;
  else if (state.Directions & adLeftward)
    dx = w - MulDiv(w, L, 255);
  GiveWindowRegion(state.Window, TOwnedGdiObject<HRGN>(CreateRectRgn(dx, dy, dx + w, dy + h)), false);
  BitBlt(state.WindowDC->Handle(), dx, dy, w, h, state.MemDC->Handle(), 0, 0, SRCCOPY);
  state.Busy.store(0);
}

bool PopupAnimationRunning() { return worker.joinable(); }
HWND PopupAnimationWindow() { return state.Window; }
int32_t PopupAnimationLevel() { return state.Level.load(); }
uint32_t PopupAnimationSequence() { return sequence.load(); }

namespace {
struct TAnimFinalizer {
  ~TAnimFinalizer() {
    if (worker.joinable()) {
      state.Stop.store(true);
      worker.join();
    }
  }
} animFinalizer;
}  // namespace
