// Windows: rectangles, coordinate mapping, hit testing and window regions.

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

bool GetWindowRect(HWND hwnd, TRect& r) {
  if (hwnd == kDesktop) {
    r = TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return true;
  }
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  r = WindowRectOnScreen(w);
  return true;
}

bool GetClientRect(HWND hwnd, TRect& r) {
  if (hwnd == kDesktop) return GetWindowRect(hwnd, r);
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  r = Rect(0, 0, w->ClientRect.Width(), w->ClientRect.Height());
  return true;
}

bool ClientToScreen(HWND hwnd, TPoint& p) {
  if (hwnd == kDesktop) return true;
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  TPoint o = ClientOriginOnScreen(w);
  p.X += o.X;
  p.Y += o.Y;
  return true;
}

bool ScreenToClient(HWND hwnd, TPoint& p) {
  if (hwnd == kDesktop) return true;
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  TPoint o = ClientOriginOnScreen(w);
  p.X -= o.X;
  p.Y -= o.Y;
  return true;
}

int32_t MapWindowPoints(HWND from, HWND to, TPoint* points, UINT count) {
  TPoint a{0, 0}, b{0, 0};
  if (from && from != kDesktop) {
    TWindowObj* w = FromHandle(from);
    if (!w) return 0;
    a = ClientOriginOnScreen(w);
  }
  if (to && to != kDesktop) {
    TWindowObj* w = FromHandle(to);
    if (!w) return 0;
    b = ClientOriginOnScreen(w);
  }
  int32_t dx = a.X - b.X, dy = a.Y - b.Y;
  for (UINT i = 0; i < count; ++i) {
    points[i].X += dx;
    points[i].Y += dy;
  }
  return int32_t(uint32_t(uint16_t(dx)) | (uint32_t(uint16_t(dy)) << 16));
}

bool AdjustWindowRectEx(TRect& r, DWORD style, bool menu, DWORD exStyle) {
  TFrameMetrics f = FrameMetricsOf(style, exStyle, !(style & WS_CHILD));
  int32_t d = f.Frame + f.Edge;
  r.Left -= d;
  r.Right += d;
  r.Top -= d + f.Caption;
  r.Bottom += d;
  if (menu) r.Top -= GetSystemMetrics(SM_CYMENU);
  return true;
}

namespace {

bool InWindowArea(TWindowObj* w, TPoint screen) {
  TRect wr = WindowRectOnScreen(w);
  if (!PtInRect(&wr, screen)) return false;
  if (w->WindowRgn && !w->WindowRgn->Contains(screen.X - wr.Left, screen.Y - wr.Top)) return false;
  return true;
}

// Searches the children of w (top first) for the deepest visible, enabled
// window under the point that does not answer HTTRANSPARENT.
TWindowObj* HitChildren(TWindowObj* w, TPoint screen, int32_t* hit) {
  TPoint co = ClientOriginOnScreen(w);
  TRect client = Rect(0, 0, w->ClientRect.Width(), w->ClientRect.Height());
  OffsetRect(&client, co.X, co.Y);
  if (!PtInRect(&client, screen)) return nullptr;
  std::vector<HWND> kids;
  for (TWindowObj* c : w->Children) kids.push_back(c->Handle);
  for (HWND k : kids) {
    TWindowObj* c = FromHandle(k);
    if (!c || !c->Visible() || !InWindowArea(c, screen)) continue;
    if (c->Style & WS_DISABLED) {
      *hit = HTERROR;
      return c;
    }
    if (TWindowObj* deeper = HitChildren(c, screen, hit)) return deeper;
    if (!(c = FromHandle(k))) continue;
    int32_t h = int32_t(CallProc(c, WM_NCHITTEST, 0, MAKELPARAM(screen.X, screen.Y)));
    if (h == HTTRANSPARENT) continue;
    *hit = h;
    return FromHandle(k);
  }
  return nullptr;
}

}  // namespace

TWindowObj* HitTestScreen(TPoint screen, int32_t* hit) {
  std::vector<HWND> tops;
  for (TWindowObj* t : WM().TopLevels) tops.push_back(t->Handle);
  for (HWND th : tops) {
    TWindowObj* t = FromHandle(th);
    if (!t || !t->Visible() || t->Minimized || !InWindowArea(t, screen)) continue;
    if (t->Style & WS_DISABLED) {
      *hit = HTERROR;
      return t;
    }
    if (TWindowObj* c = HitChildren(t, screen, hit)) return c;
    if (!(t = FromHandle(th))) continue;
    int32_t h = int32_t(CallProc(t, WM_NCHITTEST, 0, MAKELPARAM(screen.X, screen.Y)));
    if (h == HTTRANSPARENT) continue;
    *hit = h;
    return FromHandle(th);
  }
  *hit = HTNOWHERE;
  return nullptr;
}

HWND WindowFromPoint(TPoint screen) {
  int32_t hit;
  return HandleOf(HitTestScreen(screen, &hit));
}

HWND ChildWindowFromPointEx(HWND parent, TPoint client, UINT flags) {
  TWindowObj* p = FromHandle(parent);
  if (!p) return nullptr;
  TRect pc = Rect(0, 0, p->ClientRect.Width(), p->ClientRect.Height());
  if (!PtInRect(&pc, client)) return nullptr;
  for (TWindowObj* c : p->Children) {
    if ((flags & CWP_SKIPINVISIBLE) && !c->Visible()) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->Style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (c->ExStyle & WS_EX_TRANSPARENT)) continue;
    if (PtInRect(&c->WindowRect, client)) return c->Handle;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, TPoint client) {
  return ChildWindowFromPointEx(parent, client, CWP_ALL);
}

bool SetWindowRgn(HWND hwnd, HRGN rgn, bool redraw) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  TRect old = w->WindowRect;
  if (rgn) {
    w->WindowRgn = RegionOf(rgn);
    DeleteObject(rgn);
  } else {
    w->WindowRgn.reset();
  }
  if (redraw && ReallyVisible(w)) {
    if (w->Parent) InvalidateUncovered(w->Parent, w, old);
    InvalidateTree(w);
  }
  if (!w->Parent && WM().Backend) WM().Backend->TopLevelChanged(w);
  return true;
}

int GetWindowRgn(HWND hwnd, HRGN rgn) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w || !rgn || !w->WindowRgn) return ERROR;
  rgn->rgn = *w->WindowRgn;
  return rgn->rgn.Complexity();
}
