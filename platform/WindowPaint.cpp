// Windows: invalidation, painting, device contexts and the screen overlay.

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

void AddUpdate(TWindowObj* w, const TRect* r, bool erase) {
  TRect area = ClientBounds(w);
  if (r) IntersectRect(&area, r, &area);
  if (!IsRectEmpty(&area)) w->Update = Region::Union(w->Update, Region(area));
  if (erase && !w->Update.Empty()) w->UpdateErase = true;
}

void SubtractUpdate(TWindowObj* w, const TRect* r) {
  if (!r) {
    w->Update.SetEmpty();
  } else {
    w->Update = Region::Subtract(w->Update, Region(*r));
  }
  if (w->Update.Empty()) w->UpdateErase = false;
}

// Paints what a window procedure left unpainted, so that a window that
// ignores WM_PAINT does not get it again and again.
void FinishPaint(TWindowObj* w) {
  HWND h = w->Handle;
  if (w->FrameDirty) {
    w->FrameDirty = false;
    CallProc(w, WM_NCPAINT, 1, 0);
    if (!(w = FromHandle(h))) return;
  }
  w->Update.SetEmpty();
  w->UpdateErase = false;
  w->InternalPaint = false;
}

bool NeedsPaint(TWindowObj* w) {
  return !w->RedrawOff && (!w->Update.Empty() || w->FrameDirty || w->InternalPaint);
}

// What is drawn on the screen's own DC (the drag outlines drawn by
// inversion) lives in an overlay that starts black; the screen shows each
// window's pixels inverted where the overlay has bits set.
struct TScreenOverlay {
  std::unique_ptr<Surface> Pixels;
  std::vector<HDC> OpenDCs;
  TRect Box;  // where the overlay is not black
};

TScreenOverlay& Overlay() {
  static TScreenOverlay overlay;
  return overlay;
}

HDC ScreenDC() {
  TScreenOverlay& o = Overlay();
  int32_t w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (!o.Pixels)
    o.Pixels = std::make_unique<Surface>(w, h);
  else if (o.Pixels->Width() != w || o.Pixels->Height() != h)
    o.Pixels->Resize(w, h);
  HDC dc = CreateSurfaceDC(o.Pixels.get(), TPoint{0, 0}, static_cast<const Region*>(nullptr));
  o.OpenDCs.push_back(dc);
  return dc;
}

// After drawing on the screen: find what the overlay covers now and let
// every window show it.
void ScreenDrawn() {
  TScreenOverlay& o = Overlay();
  const Surface& s = *o.Pixels;
  int32_t l = s.Width(), t = s.Height(), r = 0, b = 0;
  for (int32_t y = 0; y < s.Height(); ++y) {
    const uint32_t* row = s.Row(y);
    for (int32_t x = 0; x < s.Width(); ++x)
      if (row[x] & 0xFFFFFF) {
        l = std::min(l, x);
        r = std::max(r, x + 1);
        t = std::min(t, y);
        b = std::max(b, y + 1);
      }
  }
  o.Box = r > l ? TRect{l, t, r, b} : TRect{0, 0, 0, 0};
  for (TWindowObj* top : WM().TopLevels) top->BufferDirty = true;
}

void RedrawTree(TWindowObj* w, const TRect* r, UINT flags, bool top) {
  HWND h = w->Handle;
  if (flags & RDW_INVALIDATE) {
    AddUpdate(w, r, (flags & RDW_ERASE) != 0);
    if (flags & RDW_FRAME) w->FrameDirty = true;
  }
  if (flags & RDW_INTERNALPAINT) w->InternalPaint = true;
  if (flags & RDW_NOINTERNALPAINT) w->InternalPaint = false;
  if (flags & RDW_VALIDATE) {
    SubtractUpdate(w, r);
    if (flags & RDW_NOFRAME) w->FrameDirty = false;
  }
  if (flags & RDW_NOERASE) w->UpdateErase = false;
  if ((flags & RDW_ALLCHILDREN) && !(flags & RDW_NOCHILDREN)) {
    std::vector<HWND> kids;
    for (TWindowObj* c : w->Children) kids.push_back(c->Handle);
    for (HWND k : kids) {
      TWindowObj* c = FromHandle(k);
      if (!c) continue;
      TRect cr;
      const TRect* pr = nullptr;
      if (r) {
        if (!IntersectRect(&cr, r, &c->WindowRect)) continue;
        OffsetRect(&cr, -c->WindowRect.Left - c->ClientRect.Left, -c->WindowRect.Top - c->ClientRect.Top);
        pr = &cr;
      }
      RedrawTree(c, pr, flags, false);
    }
  }
  if ((flags & (RDW_UPDATENOW | RDW_ERASENOW)) && top) {
    std::vector<HWND> tree;
    CollectPreOrder(w, tree);
    for (HWND t : tree) {
      if (t != h && !(flags & RDW_ALLCHILDREN)) continue;
      UpdateWindow(t);
    }
  }
}

}  // namespace

TRect ClientBounds(TWindowObj* w) {
  return Rect(0, 0, w->ClientRect.Width(), w->ClientRect.Height());
}

TWindowObj* FindPaintWindow(TWindowObj* w, HWND filter) {
  if (!w->Visible() || w->Minimized) return nullptr;
  if ((!filter || filter == w->Handle) && NeedsPaint(w)) return w;
  for (TWindowObj* c : w->Children)
    if (TWindowObj* p = FindPaintWindow(c, filter == w->Handle ? nullptr : filter)) return p;
  return nullptr;
}

void ValidateAfterPaint(HWND hwnd) {
  if (TWindowObj* w = FromHandle(hwnd)) FinishPaint(w);
}

bool InvalidateRect(HWND hwnd, const TRect* r, bool erase) {
  if (!hwnd || hwnd == kDesktop) {
    for (TWindowObj* t : WM().TopLevels) InvalidateTree(t);
    return true;
  }
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  AddUpdate(w, r, erase);
  return true;
}

bool ValidateRect(HWND hwnd, const TRect* r) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  SubtractUpdate(w, r);
  if (!r) w->InternalPaint = false;
  return true;
}

bool InvalidateRgn(HWND hwnd, HRGN rgn, bool erase) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  if (!rgn) return InvalidateRect(hwnd, nullptr, erase);
  Region add = RegionOf(rgn).Intersect(ClientBounds(w));
  w->Update = Region::Union(w->Update, add);
  if (erase && !w->Update.Empty()) w->UpdateErase = true;
  return true;
}

bool ValidateRgn(HWND hwnd, HRGN rgn) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  if (!rgn) return ValidateRect(hwnd, nullptr);
  w->Update = Region::Subtract(w->Update, RegionOf(rgn));
  if (w->Update.Empty()) w->UpdateErase = false;
  return true;
}

bool RedrawWindow(HWND hwnd, const TRect* r, UINT flags) {
  if (!hwnd || hwnd == kDesktop) {
    std::vector<HWND> tops;
    for (TWindowObj* t : WM().TopLevels) tops.push_back(t->Handle);
    for (HWND t : tops)
      if (TWindowObj* w = FromHandle(t)) RedrawTree(w, nullptr, flags | RDW_ALLCHILDREN, true);
    return true;
  }
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  RedrawTree(w, r, flags, true);
  return true;
}

bool UpdateWindow(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  if (!ReallyVisible(w) || !NeedsPaint(w)) return true;
  CallProc(w, WM_PAINT, 0, 0);
  if ((w = FromHandle(hwnd)) && NeedsPaint(w)) FinishPaint(w);
  return true;
}

bool GetUpdateRect(HWND hwnd, TRect* r, bool erase) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  if (r) *r = w->Update.Box();
  return !w->Update.Empty();
}

std::vector<TRect> GetUpdateRects(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return {};
  return w->Update.Rects();
}

int GetUpdateRgn(HWND hwnd, HRGN rgn, bool erase) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w || !rgn) return ERROR;
  rgn->rgn = w->Update;
  return rgn->rgn.Complexity();
}

bool LockWindowUpdate(HWND hwnd) {
  TWindowManager& m = WM();
  if (hwnd && m.LockedUpdate && m.LockedUpdate != hwnd) return false;
  m.LockedUpdate = hwnd;
  return true;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w || !ps) return nullptr;
  CaretErase();
  if (w->FrameDirty) {
    w->FrameDirty = false;
    CallProc(w, WM_NCPAINT, 1, 0);
    if (!(w = FromHandle(hwnd))) return nullptr;
  }
  Region upd = w->Update.Intersect(ClientBounds(w));
  bool erase = w->UpdateErase;
  w->Update.SetEmpty();
  w->UpdateErase = false;
  w->InternalPaint = false;
  TPoint co = ClientOriginInTop(w);
  Region vis = VisibleRegion(w, true);
  Region updTop = upd;
  updTop.Offset(co.X, co.Y);
  vis = Region::Intersect(vis, updTop);
  TWindowObj* top = TopLevelOf(w);
  HDC dc = CreateSurfaceDC(top->Buffer.get(), co, &vis);
  top->OpenDCs.push_back(dc);
  ps->hdc = dc;
  ps->rcPaint = upd.Box();
  ps->fErase = FALSE;
  if (erase)
    ps->fErase = CallProc(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

bool EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (ps && ps->hdc) ReleaseDC(hwnd, ps->hdc);
  CaretRedraw();
  return true;
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  if (!hwnd || hwnd == kDesktop) return ScreenDC();
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return nullptr;
  bool window = (flags & DCX_WINDOW) != 0;
  TPoint origin = window ? WindowOriginInTop(w) : ClientOriginInTop(w);
  Region vis = VisibleRegion(w, !window);
  TWindowObj* top = TopLevelOf(w);
  if (clip && clip != reinterpret_cast<HRGN>(1) && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    Region r = RegionOf(clip);  // screen coordinates
    r.Offset(-top->WindowRect.Left, -top->WindowRect.Top);
    vis = (flags & DCX_INTERSECTRGN) ? Region::Intersect(vis, r) : Region::Subtract(vis, r);
  }
  HDC dc = CreateSurfaceDC(top->Buffer.get(), origin, &vis);
  top->OpenDCs.push_back(dc);
  return dc;
}

HDC GetDC(HWND hwnd) {
  return GetDCEx(hwnd, nullptr, 0);
}
HDC GetWindowDC(HWND hwnd) {
  return GetDCEx(hwnd, nullptr, DCX_WINDOW);
}

int ReleaseDC(HWND hwnd, HDC dc) {
  if (!dc) return 0;
  auto& screenDCs = Overlay().OpenDCs;
  if (auto it = std::find(screenDCs.begin(), screenDCs.end(), dc); it != screenDCs.end()) {
    screenDCs.erase(it);
    if (IsDC(dc)) DeleteDC(dc);
    ScreenDrawn();
    return 1;
  }
  for (TWindowObj* t : WM().TopLevels) {
    auto it = std::find(t->OpenDCs.begin(), t->OpenDCs.end(), dc);
    if (it != t->OpenDCs.end()) {
      t->OpenDCs.erase(it);
      t->BufferDirty = true;
      break;
    }
  }
  if (IsDC(dc)) DeleteDC(dc);
  return 1;
}

bool ScrollWindow(HWND hwnd, int32_t dx, int32_t dy, const TRect* scroll, const TRect* clip) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  if (!scroll) {
    // Children move with the contents.
    for (TWindowObj* c : std::vector<TWindowObj*>(w->Children))
      SetWindowPos(c->Handle, nullptr, c->WindowRect.Left + dx, c->WindowRect.Top + dy, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!(w = FromHandle(hwnd))) return false;
  TRect area = scroll ? *scroll : ClientBounds(w);
  if (clip) IntersectRect(&area, &area, clip);
  AddUpdate(w, &area, true);
  return true;
}

const Surface* ScreenOverlay(TRect* box) {
  TScreenOverlay& o = Overlay();
  if (!o.Pixels || IsRectEmpty(&o.Box)) return nullptr;
  if (box) *box = o.Box;
  return o.Pixels.get();
}

void ComposeWithOverlay(TWindowObj* top, Surface& out) {
  TRect box;
  const Surface* o = ScreenOverlay(&box);
  if (!o) return;
  TRect wr = top->WindowRect;
  TRect part;
  IntersectRect(&part, &box, &wr);
  for (int32_t y = part.Top; y < part.Bottom; ++y) {
    const uint32_t* src = o->Row(y);
    uint32_t* dst = out.Row(y - wr.Top);
    for (int32_t x = part.Left; x < part.Right; ++x) dst[x - wr.Left] ^= src[x] & 0xFFFFFFu;
  }
}

Surface CopyScreen() {
  TWindowManager& m = WM();
  int32_t sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  Surface out(sw, sh);
  out.Fill(ColorRefToPixel(GetSysColor(COLOR_BACKGROUND)) | 0xFF000000u);
  for (auto it = m.TopLevels.rbegin(); it != m.TopLevels.rend(); ++it) {
    TWindowObj* t = *it;
    if (!t->Visible() || t->Minimized || !t->Buffer) continue;
    Region area = CoveredArea(t);
    area.Offset(t->WindowRect.Left, t->WindowRect.Top);
    area = area.Intersect(TRect{0, 0, sw, sh});
    for (const TRect& k : area.Rects())
      for (int32_t y = k.Top; y < k.Bottom; ++y)
        for (int32_t x = k.Left; x < k.Right; ++x)
          out.At(x, y) = t->Buffer->At(x - t->WindowRect.Left, y - t->WindowRect.Top);
  }
  TRect box;
  if (const Surface* o = ScreenOverlay(&box))
    for (int32_t y = box.Top; y < box.Bottom; ++y)
      for (int32_t x = box.Left; x < box.Right; ++x) out.At(x, y) ^= o->At(x, y) & 0xFFFFFFu;
  return out;
}

const Surface* GetWindowSurface(HWND topLevel) {
  TWindowObj* w = FromHandle(topLevel);
  return w && w->Buffer ? w->Buffer.get() : nullptr;
}
