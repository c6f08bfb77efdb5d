// Windows: the manager of the window objects, handle lookup, the coordinates
// of the window tree, visible regions and calls of window procedures.

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

TWindowManager& WM() {
  static TWindowManager manager;
  return manager;
}

bool OnUiThread() {
  std::thread::id ui = WM().UiThread.load();
  return ui == std::thread::id() ? IsMainThread() : ui == std::this_thread::get_id();
}

void EnsurePlatform() {
  TWindowManager& m = WM();
  if (m.Backend) return;
  std::string reason;
  if (!InitPlatform(&reason)) {
    std::fprintf(stderr, "nobrivo: %s\n", reason.c_str());
    std::exit(1);
  }
}

TWindowObj* FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  TWindowManager& m = WM();
  auto it = m.Windows.find(reinterpret_cast<uintptr_t>(hwnd));
  return it == m.Windows.end() ? nullptr : it->second.get();
}

bool FromHandleLocked(HWND hwnd) {
  TWindowManager& m = WM();
  std::lock_guard<std::mutex> lock(m.HandleLock);
  return m.Windows.count(reinterpret_cast<uintptr_t>(hwnd)) != 0;
}

TWindowObj* TopLevelOf(TWindowObj* w) {
  while (w && w->Parent) w = w->Parent;
  return w;
}

TPoint WindowOriginInTop(TWindowObj* w) {
  if (!w->Parent) return TPoint{0, 0};
  TPoint p = ClientOriginInTop(w->Parent);
  return TPoint{p.X + w->WindowRect.Left, p.Y + w->WindowRect.Top};
}

TPoint ClientOriginInTop(TWindowObj* w) {
  TPoint p = WindowOriginInTop(w);
  return TPoint{p.X + w->ClientRect.Left, p.Y + w->ClientRect.Top};
}

TPoint ClientOriginOnScreen(TWindowObj* w) {
  TWindowObj* top = TopLevelOf(w);
  TPoint p = ClientOriginInTop(w);
  return TPoint{p.X + top->WindowRect.Left, p.Y + top->WindowRect.Top};
}

TRect WindowRectOnScreen(TWindowObj* w) {
  TWindowObj* top = TopLevelOf(w);
  TPoint p = WindowOriginInTop(w);
  p.X += top->WindowRect.Left;
  p.Y += top->WindowRect.Top;
  return TRect{p.X, p.Y, p.X + w->WindowRect.Width(), p.Y + w->WindowRect.Height()};
}

bool ReallyVisible(TWindowObj* w) {
  for (; w; w = w->Parent)
    if (!w->Visible() || w->Minimized) return false;
  return true;
}

bool ReallyEnabled(TWindowObj* w) {
  for (; w; w = w->Parent)
    if (w->Style & WS_DISABLED) return false;
  return true;
}

Region CoveredArea(TWindowObj* w) {
  TPoint o = WindowOriginInTop(w);
  TRect area = Rect(0, 0, w->WindowRect.Width(), w->WindowRect.Height());
  OffsetRect(&area, o.X, o.Y);
  Region r(area);
  if (w->WindowRgn) {
    Region wr = *w->WindowRgn;
    wr.Offset(o.X, o.Y);
    r = Region::Intersect(r, wr);
  }
  return r;
}

Region VisibleRegion(TWindowObj* w, bool clientOnly) {
  if (!ReallyVisible(w)) return Region();
  TPoint wo = WindowOriginInTop(w);
  TRect area = clientOnly ? w->ClientRect : Rect(0, 0, w->WindowRect.Width(), w->WindowRect.Height());
  OffsetRect(&area, wo.X, wo.Y);
  Region r(area);
  if (w->WindowRgn) {
    Region wr = *w->WindowRgn;
    wr.Offset(wo.X, wo.Y);
    r = Region::Intersect(r, wr);
  }
  // Children are always clipped out, as are siblings above, at every level.
  for (TWindowObj* c : w->Children)
    if (c->Visible()) r = Region::Subtract(r, CoveredArea(c));
  for (TWindowObj* cur = w; cur->Parent; cur = cur->Parent) {
    TWindowObj* p = cur->Parent;
    TPoint po = WindowOriginInTop(p);
    TRect pc = p->ClientRect;
    OffsetRect(&pc, po.X, po.Y);
    r = r.Intersect(pc);
    if (p->WindowRgn) {
      Region pr = *p->WindowRgn;
      pr.Offset(po.X, po.Y);
      r = Region::Intersect(r, pr);
    }
    for (TWindowObj* s : p->Children) {
      if (s == cur) break;
      if (s->Visible()) r = Region::Subtract(r, CoveredArea(s));
    }
  }
  TWindowObj* top = TopLevelOf(w);
  return r.Intersect(Rect(0, 0, top->WindowRect.Width(), top->WindowRect.Height()));
}

LRESULT CallProc(TWindowObj* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!w) return 0;
  HWND h = w->Handle;
  RunCallWndProcHooks(h, msg, wParam, lParam);
  if (!(w = FromHandle(h))) return 0;
  return CallProcDirect(w, msg, wParam, lParam);
}

LRESULT CallProcDirect(TWindowObj* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!w) return 0;
  if (!w->Proc) return DefWindowProc(w->Handle, msg, wParam, lParam);
  WNDPROC proc = w->Proc;  // the window may change or lose its procedure meanwhile
  return proc(w->Handle, msg, wParam, lParam);
}

void MarkBufferDirty(TWindowObj* w) {
  if (TWindowObj* top = TopLevelOf(w)) top->BufferDirty = true;
}

void PresentDirtyBuffers() {
  TWindowManager& m = WM();
  if (!m.Backend) return;
  std::vector<TWindowObj*> tops = m.TopLevels;
  for (TWindowObj* t : tops)
    if (t->BufferDirty) {
      t->BufferDirty = false;
      m.Backend->Present(t);
    }
}
