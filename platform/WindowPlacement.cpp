// Windows: position, size, z-order and visibility.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/DCInternal.h"
#include "platform/SysInfo.h"
#include "platform/Text.h"
#include "platform/WindowInternal.h"
#include "rtl/StrUtils.h"
#include "rtl/TThread.h"

namespace {

bool SetWindowPosImpl(TWindowObj* w, WINDOWPOS wp) {
  TWindowManager& m = WM();
  HWND h = w->Handle;
  wp.hwnd = h;
  if (!(wp.flags & SWP_NOSENDCHANGING)) {
    CallProc(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!(w = FromHandle(h))) return false;
  }
  UINT f = wp.flags;
  TRect oldRect = w->WindowRect;
  TRect oldClient = w->ClientRect;
  bool wasVisible = ReallyVisible(w);
  TRect nr = oldRect;
  if (!(f & SWP_NOMOVE)) {
    nr.Right = wp.x + nr.Width();
    nr.Bottom = wp.y + nr.Height();
    nr.Left = wp.x;
    nr.Top = wp.y;
  }
  if (!(f & SWP_NOSIZE)) {
    nr.Right = nr.Left + std::max(wp.cx, 0);
    nr.Bottom = nr.Top + std::max(wp.cy, 0);
  }
  bool sized = nr.Width() != oldRect.Width() || nr.Height() != oldRect.Height();
  bool moved = nr.Left != oldRect.Left || nr.Top != oldRect.Top;
  CaretErase();
  TRect newClient = oldClient;
  if (sized || (f & SWP_FRAMECHANGED)) {
    newClient = CalcClient(w, nr);
    if (!(w = FromHandle(h))) return false;
  }
  w->WindowRect = nr;
  w->ClientRect = newClient;
  if (w->Buffer && sized) w->Buffer->Resize(nr.Width(), nr.Height());
  bool zChanged = false;
  if (!(f & SWP_NOZORDER)) {
    if (!w->Parent) {
      if (wp.hwndInsertAfter == HWND_TOPMOST)
        w->ExStyle |= WS_EX_TOPMOST;
      else if (wp.hwndInsertAfter == HWND_NOTOPMOST || wp.hwndInsertAfter == HWND_BOTTOM)
        w->ExStyle &= ~WS_EX_TOPMOST;
    }
    auto& list = SiblingList(w);
    std::vector<TWindowObj*> before = list;
    PlaceInList(w, wp.hwndInsertAfter);
    if (!w->Parent && !(f & SWP_NOOWNERZORDER)) RaiseOwned(w);
    zChanged = before != SiblingList(w);
  }
  if (f & SWP_SHOWWINDOW) w->Style |= WS_VISIBLE;
  if (f & SWP_HIDEWINDOW) w->Style &= ~WS_VISIBLE;
  bool nowVisible = ReallyVisible(w);
  bool clientMoved = moved || newClient.Left != oldClient.Left || newClient.Top != oldClient.Top;
  bool clientSized =
      newClient.Width() != oldClient.Width() || newClient.Height() != oldClient.Height();
  if (!(f & SWP_NOREDRAW)) {
    if (wasVisible && (moved || sized || !nowVisible || zChanged) && w->Parent)
      InvalidateUncovered(w->Parent, w, oldRect);
    // A top-level window keeps its pixels when it moves or changes places
    // in the stack: they live in its own back buffer.
    bool repaint =
        sized || !wasVisible || (f & SWP_FRAMECHANGED) || (w->Parent && (moved || zChanged));
    if (nowVisible && repaint) InvalidateTree(w);
  } else if (w->Buffer && sized) {
    InvalidateTree(w);  // a new back buffer has nothing worth keeping
  }
  if (!nowVisible && wasVisible) {
    if (m.Active == w) ActivateNextAfter(w);
  }
  if (!(w = FromHandle(h))) return false;
  if (!w->Parent && m.Backend) m.Backend->TopLevelChanged(w);
  wp.x = nr.Left;
  wp.y = nr.Top;
  wp.cx = nr.Width();
  wp.cy = nr.Height();
  wp.flags =
      f | (clientSized ? 0u : UINT(SWP_NOCLIENTSIZE)) | (clientMoved ? 0u : UINT(SWP_NOCLIENTMOVE));
  CallProc(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  if (!(w = FromHandle(h))) return true;
  if (!w->Parent && nowVisible && !(f & SWP_NOACTIVATE) && !(w->ExStyle & WS_EX_NOACTIVATE) &&
      m.Active != w)
    SetActiveWindow(h);
  CaretRedraw();
  return true;
}

}  // namespace

bool SetWindowPos(HWND hwnd, HWND insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                  UINT flags) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w || !OnUiThread()) return false;
  WINDOWPOS wp;
  wp.hwnd = hwnd;
  wp.hwndInsertAfter = insertAfter;
  wp.x = x;
  wp.y = y;
  wp.cx = cx;
  wp.cy = cy;
  wp.flags = flags & ~(SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE);
  return SetWindowPosImpl(w, wp);
}

bool MoveWindow(HWND hwnd, int32_t x, int32_t y, int32_t cx, int32_t cy, bool repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, cx, cy,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : UINT(SWP_NOREDRAW)));
}

bool BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool ShowWindow(HWND hwnd, int32_t cmd) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w || !OnUiThread()) return false;
  bool wasVisible = w->Visible();
  bool top = w->IsTopLevel();
  UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
  switch (cmd) {
    case SW_HIDE:
      if (!wasVisible) return false;
      CallProc(w, WM_SHOWWINDOW, FALSE, 0);
      if (!(w = FromHandle(hwnd))) return true;
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, flags | SWP_HIDEWINDOW | SWP_NOACTIVATE);
      return true;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      if (!w->Minimized) {
        w->Minimized = true;
        w->Style |= WS_MINIMIZE;
        if (!wasVisible) CallProc(w, WM_SHOWWINDOW, TRUE, 0);
        if (!(w = FromHandle(hwnd))) return wasVisible;
        w->Style |= WS_VISIBLE;
        if (WM().Active == w) ActivateNextAfter(w);
        if (!(w = FromHandle(hwnd))) return wasVisible;
        if (top && WM().Backend) WM().Backend->TopLevelChanged(w);
        CallProc(w, WM_SIZE, SIZE_MINIMIZED, 0);
      }
      return wasVisible;
    case SW_SHOWMAXIMIZED:
      if (!wasVisible) CallProc(w, WM_SHOWWINDOW, TRUE, 0);
      if (!(w = FromHandle(hwnd))) return wasVisible;
      if (top && !w->Maximized) {
        TRect work;
        if ((w->Style & WS_CAPTION) != WS_CAPTION) {
          // A window without a caption maximises over the whole screen,
          // task bar included: that is how a program goes full screen.
          work = TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        } else {
          SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
          // A frame drawn by the window system lies around the window: the
          // frame, not the window, fills the work area.
          if (WM().Backend && WM().Backend->NativeFrames()) {
            TRect frame = WM().Backend->FrameExtents(w);
            work = TRect{work.Left + frame.Left, work.Top + frame.Top, work.Right - frame.Right,
                         work.Bottom - frame.Bottom};
          }
        }
        w->RestoreRect = w->WindowRect;
        w->Maximized = true;
        w->Minimized = false;
        w->Style = (w->Style | WS_MAXIMIZE) & ~WS_MINIMIZE;
        SetWindowPos(hwnd, HWND_TOP, work.Left, work.Top, work.Width(), work.Height(),
                     SWP_SHOWWINDOW | SWP_FRAMECHANGED);
      } else {
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
      }
      return wasVisible;
    default: {
      bool activate = top && (cmd == SW_SHOWNORMAL || cmd == SW_SHOW || cmd == SW_RESTORE);
      if (!wasVisible) CallProc(w, WM_SHOWWINDOW, TRUE, 0);
      if (!(w = FromHandle(hwnd))) return wasVisible;
      bool restore = (cmd == SW_SHOWNORMAL || cmd == SW_RESTORE || cmd == SW_SHOWNOACTIVATE) &&
                     (w->Minimized || w->Maximized);
      if (restore) {
        bool wasMax = w->Maximized;
        w->Minimized = false;
        w->Style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
        if (wasMax) {
          w->Maximized = false;
          TRect r = w->RestoreRect;
          SetWindowPos(hwnd, nullptr, r.Left, r.Top, r.Width(), r.Height(),
                       SWP_NOZORDER | SWP_SHOWWINDOW | SWP_FRAMECHANGED |
                           (activate ? 0u : UINT(SWP_NOACTIVATE)));
          return wasVisible;
        }
        if (top && WM().Backend) WM().Backend->TopLevelChanged(w);
        InvalidateTree(w);
        CallProc(w, WM_SIZE, SIZE_RESTORED,
                 MAKELPARAM(w->ClientRect.Width(), w->ClientRect.Height()));
        if (!(w = FromHandle(hwnd))) return wasVisible;
      }
      UINT f = flags | SWP_SHOWWINDOW | (activate ? 0u : UINT(SWP_NOACTIVATE));
      if (activate) f &= ~SWP_NOZORDER;
      SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, f);
      return wasVisible;
    }
  }
}
