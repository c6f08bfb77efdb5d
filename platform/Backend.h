#pragma once
// Backends put the windows somewhere: `headless` keeps them off screen with
// an injected clock and injected input; `sdl` shows them through SDL2.
// NOBRIVO_BACKEND chooses (headless or sdl; sdl when unset).

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Messages.h"
#include "platform/Surface.h"

struct TWindowObj;
struct TCursorObject;

class TBackend {
 public:
  virtual ~TBackend() = default;
  virtual const char* Name() const = 0;
  virtual TSize ScreenSize() = 0;
  // The part of the screen that windows are maximised into (the screen less
  // panels and docks). Without a desktop to ask: room for a 30-pixel task
  // bar at the bottom.
  virtual TRect WorkArea() {
    TSize s = ScreenSize();
    return TRect{0, 0, s.cx, s.cy > 60 ? s.cy - 30 : s.cy};
  }
  // True when the backend draws the captions and frames of top-level windows.
  virtual bool NativeFrames() const { return false; }
  // With native frames: how far the frame reaches beyond the window's
  // rectangle on each side (left, top, right, bottom); zero when unknown.
  virtual TRect FrameExtents(TWindowObj*) { return TRect{0, 0, 0, 0}; }
  // True when printable characters come from key presses (TranslateMessage);
  // false when the backend delivers typed text on its own.
  virtual bool TextFromKeys() const { return true; }
  virtual void TopLevelCreated(TWindowObj*) {}
  virtual void TopLevelDestroyed(TWindowObj*) {}
  // Shown, hidden, moved, resized, retitled or restacked.
  virtual void TopLevelChanged(TWindowObj*) {}
  virtual void Present(TWindowObj*) {}
  virtual void CaptureChanged(TWindowObj*) {}
  virtual void CursorChanged(TCursorObject*) {}
  virtual void CursorMoved(TPoint) {}
  // Where the pointer is on the screen, also outside the program's windows;
  // false when only the last injected position is known.
  virtual bool QueryCursor(TPoint&) { return false; }
  virtual void CursorDestroyed(TCursorObject*) {}
  // A mouse button went down at a screen point (input injected by a test or
  // the backend), before the program sees the press.
  virtual void PointerPressed(TPoint) {}
  // Feeds pending native events as input; never blocks.
  virtual void PollEvents() {}
  // Blocks until input, a Wake or timeoutMs (-1: no limit) has passed.
  virtual void Wait(int32_t timeoutMs) = 0;
  // Any thread.
  virtual void Wake() = 0;
};

// Starts the backend named by NOBRIVO_BACKEND unless one runs. Answers false
// with a one-line reason when it cannot start (no display for sdl, unknown
// name); the program then prints the reason and exits non-zero.
bool InitPlatform(std::string* reason = nullptr);
// Starts the named backend ("headless" or "sdl"); false with a reason when it
// cannot. Only before the first window.
bool InitPlatformWith(const std::string& name, std::string* reason = nullptr);
const char* PlatformBackendName();
// Destroys every window and stops the backend (tests start afresh with it).
void ShutdownPlatform();

// Input as the user makes it, for the backends and for tests. Screen
// coordinates; buttons are VK_LBUTTON, VK_RBUTTON or VK_MBUTTON.
void InjectMouseMove(TPoint screen);
void InjectMouseButton(int32_t button, bool down);
void InjectMouseWheel(int32_t delta);
void InjectKey(int32_t vk, bool down);
void InjectChar(uint32_t codePoint);
void InjectAppActivation(bool active);
// The window system gave a top-level window the keyboard focus (the user
// clicked it, or chose it in a task bar). It becomes the active window unless
// it is disabled: a window that waits for a modal one never takes the
// activation, which goes to (or stays with) the window it waits for. Answers
// the active window afterwards; a backend brings that one forward when it is
// not the window that was focused.
HWND InjectWindowFocus(HWND hwnd);
// The user asks to close a top-level window (its frame's close button).
void InjectCloseRequest(HWND hwnd);
// The user moved or resized a top-level window (screen coordinates).
void InjectWindowBounds(HWND hwnd, const TRect& r);

// The headless backend's clock (it installs a test clock of the runtime for
// its lifetime, so GetTickCount, Now and the timers all follow it) and idle
// handler. The idle handler runs when
// a message loop would wait; it answers whether it did something. Without
// one (or when it did nothing) a wait for a timer moves the clock forward to
// the timer; a wait with nothing due blocks until another thread posts.
void HeadlessSetClock(DWORD ms);
void HeadlessAdvanceClock(DWORD ms);
void HeadlessSetIdleHandler(std::function<bool()> handler);
void HeadlessSetScreenSize(int32_t width, int32_t height);
// Makes the headless backend behave as a click-to-focus window manager: a
// press on a top-level window that the window manager handles (not a menu,
// hint or other no-activate or tool popup) focuses that window
// (InjectWindowFocus) before the program sees the press. Off at start.
void HeadlessSetClickToFocus(bool on);

// A copy of a window's pixels (its window rectangle) from its top-level
// window's back buffer, and the same saved as a PNG file.
Surface CopyWindowPixels(HWND hwnd);
// The whole screen as the user sees it: the desktop colour, the visible
// top-level windows in their order, and what was drawn on the screen's DC.
Surface CopyScreen();
bool SaveSurfacePng(const Surface& s, const std::string& path);
bool SaveWindowPng(HWND hwnd, const std::string& path);
