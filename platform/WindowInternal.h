#pragma once
// The window objects and the state of the user-interface thread; only the
// window code and the backends look inside.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Backend.h"
#include "platform/Input.h"
#include "platform/Region.h"
#include "platform/Surface.h"
#include "platform/Window.h"

struct TScrollState {
  int32_t Min = 0, Max = 100, Page = 0, Pos = 0, TrackPos = 0;
  UINT Disabled = 0;      // ESB_* arrows
  int32_t Pressed = 0;    // the part held down while tracking (0: none)
  bool Tracking = false;  // the thumb is being dragged: it shows TrackPos
};

struct TWindowObj {
  HWND Handle = nullptr;
  std::string ClassName;
  UINT ClassStyle = 0;
  HCURSOR ClassCursor = nullptr;
  int32_t ClassBackground = 0;
  WNDPROC Proc;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  intptr_t Id = 0;
  intptr_t UserData = 0;
  std::string Text;
  TWindowObj* Parent = nullptr;       // children only
  TWindowObj* Owner = nullptr;        // top-level windows only
  std::vector<TWindowObj*> Children;  // top first
  TRect WindowRect;                   // parent client coordinates (children) or screen (top-level)
  TRect ClientRect;                   // in window coordinates (relative to WindowRect's top-left)
  Region Update;                      // client coordinates
  bool UpdateErase = false;
  bool FrameDirty = false;
  bool InternalPaint = false;
  std::optional<Region> WindowRgn;  // window coordinates
  bool Created = false;             // WM_CREATE went through
  bool Destroying = false;          // DestroyWindow has begun
  bool Minimized = false;
  bool Maximized = false;
  TRect RestoreRect;
  bool RedrawOff = false;  // WM_SETREDRAW false
  TScrollState HScroll, VScroll;
  // Top-level windows: the back buffer and what the backend keeps.
  std::unique_ptr<Surface> Buffer;
  bool BufferDirty = false;
  std::vector<HDC> OpenDCs;
  void* BackendData = nullptr;

  bool IsTopLevel() const { return Parent == nullptr; }
  bool Visible() const { return (Style & WS_VISIBLE) != 0; }
};

// A queued message. Mouse moves and button presses are queued raw (screen
// point, client message id, no window) and find their window when they are
// looked at: a press queued while a menu held the capture goes, once the
// menu let go, to the window under it.
struct TQueued {
  MSG Msg;
  bool Raw = false;
  uint64_t Id = 0;
};

struct TTimer {
  HWND Window = nullptr;
  uintptr_t Id = 0;
  UINT Interval = 0;
  DWORD Next = 0;
  TIMERPROC Proc = nullptr;
};

struct THookObject {
  int32_t Kind = 0;
  HOOKPROC Proc = nullptr;
  bool Removed = false;
};

struct TSentMessage {
  HWND Window;
  UINT Message;
  WPARAM WParam;
  LPARAM LParam;
  std::promise<LRESULT> Result;
};

struct TCursorObject {
  int32_t StandardId = 0;
  TCursorImage Image;
  void* BackendData = nullptr;
};

struct TWindowManager {
  // The backend goes first: it may still look at the windows.
  ~TWindowManager() { Backend.reset(); }
  // The thread that started the platform last; it stays the user-interface
  // thread after shutdown, so that other threads are still told apart.
  std::atomic<std::thread::id> UiThread{};
  // Only the user-interface thread changes it, with QueueLock held; other
  // threads look at it (to wake the loop) only with QueueLock held.
  std::unique_ptr<TBackend> Backend;

  uintptr_t NextHandle = 0x1000;
  // Guards Windows against other threads that check a handle while posting;
  // only the user-interface thread changes it.
  std::mutex HandleLock;
  std::map<uintptr_t, std::unique_ptr<TWindowObj>> Windows;
  std::vector<TWindowObj*> TopLevels;       // z-order, top first
  std::map<std::string, WNDCLASS> Classes;  // keyed by lower-case name

  // Queue. Posted messages may come from any thread.
  std::mutex QueueLock;
  // Other threads may post and send while this is set: from the start of the
  // platform to the start of its shutdown.
  bool Accepting = false;
  std::deque<TQueued> Posted;
  uint64_t NextQueuedId = 1;
  std::deque<std::shared_ptr<TSentMessage>> CrossSent;
  bool QuitPending = false;
  int32_t QuitCode = 0;
  uint64_t PostSerial = 0;  // counts arrivals, so a loop knows whether to wait

  std::vector<TTimer> Timers;
  uintptr_t NextThreadTimerId = 0x7FFF0001;

  std::vector<std::unique_ptr<THookObject>> Hooks;  // newest first
  int32_t HookDepth = 0;

  TWindowObj* Capture = nullptr;
  TWindowObj* Focus = nullptr;
  TWindowObj* Active = nullptr;
  bool AppActive = false;

  // Mouse.
  TPoint CursorPos;
  TWindowObj* Hover = nullptr;  // window under the pointer at the last move
  int32_t HoverHit = HTNOWHERE;
  TWindowObj* LeaveTracked = nullptr;
  DWORD LeaveFlags = 0;
  UINT LastClickMsg = 0;
  HWND LastClickWindow = nullptr;
  DWORD LastClickTime = 0;
  TPoint LastClickPos;
  bool LastClickWasDouble = false;
  bool ButtonsSwapped = false;
  HCURSOR Cursor = nullptr;
  HWND LastActive = nullptr;  // restored when the application is activated again
  int32_t CursorShowCount = 0;

  // Keys: the state as of the last retrieved message and as of now.
  BYTE KeyState[256] = {};
  BYTE AsyncKeyState[256] = {};

  DWORD LastMessagePos = 0;
  DWORD LastMessageTime = 0;

  // Caret.
  TWindowObj* CaretWindow = nullptr;
  TSize CaretSize;
  TPoint CaretPos;
  int32_t CaretHideCount = 1;
  bool CaretOn = false;    // currently drawn (inverted)
  bool CaretPhase = true;  // the blink phase in which it shows
  DWORD CaretNextBlink = 0;
  UINT CaretBlinkTime = 530;

  HWND LockedUpdate = nullptr;
  int32_t SendDepth = 0;
};

// The one manager; created on first use together with the backend.
TWindowManager& WM();
// Whether the calling thread is the user-interface thread (before the
// platform ever started: the program's main thread).
bool OnUiThread();
// Wakes the message loop from any thread; nothing once the backend is gone.
void WakeMessageLoop();
TWindowObj* FromHandle(HWND hwnd);
bool FromHandleLocked(HWND hwnd);  // any thread: whether the window exists
inline HWND HandleOf(TWindowObj* w) {
  return w ? w->Handle : nullptr;
}
TWindowObj* TopLevelOf(TWindowObj* w);
// The window's top-left in its top-level window's coordinates (= back buffer).
TPoint WindowOriginInTop(TWindowObj* w);
TPoint ClientOriginInTop(TWindowObj* w);
TPoint ClientOriginOnScreen(TWindowObj* w);
TRect WindowRectOnScreen(TWindowObj* w);
// Where the window may draw, in its top-level's buffer coordinates: the
// window (or client) area less children and overlapping siblings above,
// within every ancestor's client area and window region.
Region VisibleRegion(TWindowObj* w, bool clientOnly);
bool ReallyVisible(TWindowObj* w);
bool ReallyEnabled(TWindowObj* w);
// A sent message: the call-window-procedure hooks see it, then the procedure.
LRESULT CallProc(TWindowObj* w, UINT msg, WPARAM wParam, LPARAM lParam);
// A dispatched message: the procedure only.
LRESULT CallProcDirect(TWindowObj* w, UINT msg, WPARAM wParam, LPARAM lParam);
void RunCallWndProcHooks(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void MarkBufferDirty(TWindowObj* w);
void PresentDirtyBuffers();
// The screen overlay (drawn through the screen's DC) and where it is not
// black; nullptr when it is black everywhere.
const Surface* ScreenOverlay(TRect* box);
// Inverts a top-level window's presented copy where the overlay says so.
void ComposeWithOverlay(TWindowObj* top, Surface& out);
// The deepest visible window under a screen point and its hit-test code,
// asking each candidate with WM_NCHITTEST (HTTRANSPARENT passes on).
TWindowObj* HitTestScreen(TPoint screen, int32_t* hit);
// Input entry points of the backends (user-interface thread).
void PostInputMessage(const MSG& msg);
// Queues a raw input message (see TQueued): mouse, keys, characters, wheel.
void PostRawMouse(const MSG& raw);
// Gives a raw input message its window and final form. With commit, as when
// it is taken from the queue, the cursor question and mouse activation are
// sent and the double-click state moves on. False when no window takes it.
bool RouteMouse(const MSG& raw, MSG& out, bool commit);
void ForgetWindowInInput(TWindowObj* w);
void CaretBlinkStep(DWORD now);
void CaretErase();
void CaretRedraw();
bool NextCaretDeadline(DWORD* when);
// Scroll bars in the non-client area (window origin o on surface s).
void PaintScrollBars(TWindowObj* w, Surface* s, TPoint o, const Region& clip);
// Runs the tracking loop of a press on a scroll bar (screen point).
void TrackScrollBar(HWND hwnd, int32_t bar, TPoint screen);
void RunCbtHooks(int32_t code, WPARAM wParam, LPARAM lParam, LRESULT* result);

// ---- Shared among the files of the window code

// The parent of the top-level windows.
inline const HWND kDesktop = reinterpret_cast<HWND>(0x10);

// Window.cpp
// Starts the backend on first use; a program that cannot get one stops with
// a one-line reason.
void EnsurePlatform();
// The pixels a window covers in its top-level's buffer: its rectangle, cut
// by its window region.
Region CoveredArea(TWindowObj* w);

// WindowZOrder.cpp
std::vector<TWindowObj*>& SiblingList(TWindowObj* w);
void Unlink(TWindowObj* w);
// Puts w into its sibling list after `after` (HWND_TOP, HWND_BOTTOM or a
// sibling); top-level windows stay within their topmost or normal group.
void PlaceInList(TWindowObj* w, HWND after);
// Owned windows stay above their owner.
void RaiseOwned(TWindowObj* owner);

// WindowFrame.cpp
struct TFrameMetrics {
  int32_t Frame = 0;    // outer frame thickness on every side
  int32_t Caption = 0;  // caption height below the frame
  int32_t Edge = 0;     // client or static edge inside
  bool VScroll = false, HScroll = false;
};
TFrameMetrics FrameMetricsOf(DWORD style, DWORD exStyle, bool topLevel);
TRect StandardClient(const TRect& wr, const TFrameMetrics& f);
void FillIn(Surface* s, const Region& clip, const TRect& r, COLORREF c);
// Paints the standard frame of w onto surface s at window origin o, within clip.
void PaintStandardFrame(TWindowObj* w, Surface* s, TPoint o, const Region& clip);
int32_t StandardHitTest(TWindowObj* w, TPoint screen);

// WindowLifetime.cpp
TRect CalcClient(TWindowObj* w, const TRect& proposed);
void InvalidateTree(TWindowObj* w);
// After a window left (or moved away from) rect r, given in its parent's
// client coordinates: the parent and the siblings there paint again.
void InvalidateUncovered(TWindowObj* parent, TWindowObj* except, const TRect& r);
void ActivateNextAfter(TWindowObj* w);
void CollectPreOrder(TWindowObj* w, std::vector<HWND>& out);

// WindowPaint.cpp
TRect ClientBounds(TWindowObj* w);
