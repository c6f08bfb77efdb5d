// Windows: creation and destruction, the window tree and z-order, geometry,
// the standard non-client area, invalidation, painting and device contexts.

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

const HWND kDesktop = reinterpret_cast<HWND>(0x10);

}  // namespace

// ---------------------------------------------------------------------------
// The manager

TWindowManager& WM() {
  static TWindowManager manager;
  return manager;
}

bool OnUiThread() {
  std::thread::id ui = WM().UiThread.load();
  return ui == std::thread::id() ? IsMainThread() : ui == std::this_thread::get_id();
}

namespace {
// Starts the backend on first use; a program that cannot get one stops with
// a one-line reason.
void EnsurePlatform() {
  TWindowManager& m = WM();
  if (m.Backend) return;
  std::string reason;
  if (!InitPlatform(&reason)) {
    std::fprintf(stderr, "nobrivo: %s\n", reason.c_str());
    std::exit(1);
  }
}
}  // namespace

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

// The pixels a window covers in its top-level's buffer: its rectangle, cut
// by its window region.
static Region CoveredArea(TWindowObj* w) {
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

// ---------------------------------------------------------------------------
// Classes

bool RegisterClass(const WNDCLASS& wc) {
  if (wc.lpszClassName.empty()) return false;
  TWindowManager& m = WM();
  std::string key = LowerCase(wc.lpszClassName);
  if (m.Classes.count(key)) return false;
  m.Classes[key] = wc;
  return true;
}

bool UnregisterClass(const std::string& className) {
  return WM().Classes.erase(LowerCase(className)) > 0;
}

bool GetClassInfo(const std::string& className, WNDCLASS& wc) {
  TWindowManager& m = WM();
  auto it = m.Classes.find(LowerCase(className));
  if (it == m.Classes.end()) return false;
  wc = it->second;
  return true;
}

std::string GetClassName(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w ? w->ClassName : std::string();
}

UINT GetClassStyle(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w ? w->ClassStyle : 0;
}

// ---------------------------------------------------------------------------
// Z-order

namespace {

std::vector<TWindowObj*>& SiblingList(TWindowObj* w) {
  return w->Parent ? w->Parent->Children : WM().TopLevels;
}

bool IsTopmost(TWindowObj* w) {
  return !w->Parent && (w->ExStyle & WS_EX_TOPMOST);
}

void Unlink(TWindowObj* w) {
  auto& list = SiblingList(w);
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
}

// Puts w into its sibling list after `after` (HWND_TOP, HWND_BOTTOM or a
// sibling); top-level windows stay within their topmost or normal group.
void PlaceInList(TWindowObj* w, HWND after) {
  auto& list = SiblingList(w);
  Unlink(w);
  size_t groupStart = 0, groupEnd = list.size();
  if (!w->Parent) {
    size_t firstNormal = 0;
    while (firstNormal < list.size() && IsTopmost(list[firstNormal])) ++firstNormal;
    if (IsTopmost(w))
      groupEnd = firstNormal;
    else
      groupStart = firstNormal;
  }
  size_t pos = groupStart;
  if (after == HWND_BOTTOM) {
    pos = groupEnd;
  } else if (after != HWND_TOP && after != HWND_TOPMOST && after != HWND_NOTOPMOST) {
    TWindowObj* a = FromHandle(after);
    auto it = std::find(list.begin(), list.end(), a);
    if (it != list.end()) pos = std::clamp(size_t(it - list.begin()) + 1, groupStart, groupEnd);
  }
  list.insert(list.begin() + pos, w);
}

// Owned windows stay above their owner.
void RaiseOwned(TWindowObj* owner) {
  TWindowManager& m = WM();
  std::vector<TWindowObj*> owned;
  for (TWindowObj* t : m.TopLevels)
    if (t->Owner == owner) owned.push_back(t);
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
    TWindowObj* o = *it;
    auto& list = m.TopLevels;
    auto ownerIt = std::find(list.begin(), list.end(), owner);
    auto oIt = std::find(list.begin(), list.end(), o);
    if (oIt > ownerIt && (IsTopmost(o) || !IsTopmost(owner))) {
      list.erase(oIt);
      ownerIt = std::find(list.begin(), list.end(), owner);
      list.insert(ownerIt, o);
    }
  }
  for (TWindowObj* o : owned) RaiseOwned(o);
}

}  // namespace

// ---------------------------------------------------------------------------
// Non-client area of the standard frame

namespace {

struct TFrameMetrics {
  int32_t Frame = 0;    // outer frame thickness on every side
  int32_t Caption = 0;  // caption height below the frame
  int32_t Edge = 0;     // client or static edge inside
  bool VScroll = false, HScroll = false;
};

TFrameMetrics FrameMetricsOf(DWORD style, DWORD exStyle, bool topLevel) {
  TFrameMetrics f;
  bool native = topLevel && WM().Backend && WM().Backend->NativeFrames() &&
                (style & WS_CAPTION) == WS_CAPTION;
  if (!native) {
    if (style & WS_THICKFRAME)
      f.Frame = GetSystemMetrics(SM_CXSIZEFRAME);
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
      f.Frame = GetSystemMetrics(SM_CXFIXEDFRAME);
    else if (style & WS_BORDER)
      f.Frame = GetSystemMetrics(SM_CXBORDER);
    if ((style & WS_CAPTION) == WS_CAPTION)
      f.Caption = GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  }
  if (exStyle & WS_EX_CLIENTEDGE)
    f.Edge = GetSystemMetrics(SM_CXEDGE);
  else if (exStyle & WS_EX_STATICEDGE)
    f.Edge = GetSystemMetrics(SM_CXBORDER);
  f.VScroll = (style & WS_VSCROLL) != 0;
  f.HScroll = (style & WS_HSCROLL) != 0;
  return f;
}

TRect StandardClient(const TRect& wr, const TFrameMetrics& f) {
  TRect c = wr;
  int32_t d = f.Frame + f.Edge;
  c.Left += d;
  c.Right -= d;
  c.Top += d + f.Caption;
  c.Bottom -= d;
  if (f.VScroll) c.Right -= GetSystemMetrics(SM_CXVSCROLL);
  if (f.HScroll) c.Bottom -= GetSystemMetrics(SM_CYHSCROLL);
  if (c.Right < c.Left) c.Right = c.Left;
  if (c.Bottom < c.Top) c.Bottom = c.Top;
  return c;
}

void FillIn(Surface* s, const Region& clip, const TRect& r, COLORREF c) {
  if (!s || IsRectEmpty(&r)) return;
  uint32_t px = ColorRefToPixel(c) | 0xFF000000u;
  Region area = Region::Intersect(clip, Region(r));
  for (const TRect& k : area.Rects()) s->Fill(k, px);
}

// Two-colour rectangle outline: top and left in tl, bottom and right in br.
void Edge(Surface* s, const Region& clip, const TRect& r, COLORREF tl, COLORREF br) {
  FillIn(s, clip, TRect{r.Left, r.Top, r.Right - 1, r.Top + 1}, tl);
  FillIn(s, clip, TRect{r.Left, r.Top, r.Left + 1, r.Bottom - 1}, tl);
  FillIn(s, clip, TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom}, br);
  FillIn(s, clip, TRect{r.Right - 1, r.Top, r.Right, r.Bottom}, br);
}

TRect CloseButtonRect(const TRect& wr, const TFrameMetrics& f, DWORD exStyle) {
  int32_t size = GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMSIZE : SM_CYSIZE) - 4;
  int32_t top = f.Frame + (f.Caption - 1 - size) / 2;
  int32_t right = wr.Width() - f.Frame - 2;
  return TRect{right - size - 2, top, right, top + size};
}

// Paints the standard frame of w onto surface s at window origin o, within clip.
void PaintStandardFrame(TWindowObj* w, Surface* s, TPoint o, const Region& clip) {
  TFrameMetrics f = FrameMetricsOf(w->Style, w->ExStyle, w->IsTopLevel());
  TRect r = Rect(0, 0, w->WindowRect.Width(), w->WindowRect.Height());
  OffsetRect(&r, o.X, o.Y);
  if (w->Style & WS_THICKFRAME || (w->Style & WS_DLGFRAME) || (w->ExStyle & WS_EX_DLGMODALFRAME)) {
    if (f.Frame > 1) {
      Edge(s, clip, r, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW));
      TRect r2 = r;
      r2.Left++;
      r2.Top++;
      r2.Right--;
      r2.Bottom--;
      Edge(s, clip, r2, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
      for (int32_t i = 2; i < f.Frame; ++i) {
        TRect ri = r;
        ri.Left += i;
        ri.Top += i;
        ri.Right -= i;
        ri.Bottom -= i;
        COLORREF c = GetSysColor(COLOR_BTNFACE);
        Edge(s, clip, ri, c, c);
      }
    }
  } else if (f.Frame == 1) {
    COLORREF c = GetSysColor(COLOR_WINDOWFRAME);
    Edge(s, clip, r, c, c);
  }
  TRect inner = r;
  inner.Left += f.Frame;
  inner.Top += f.Frame;
  inner.Right -= f.Frame;
  inner.Bottom -= f.Frame;
  if (f.Caption > 0) {
    bool active = WM().Active == w;
    TRect cap{inner.Left, inner.Top, inner.Right, inner.Top + f.Caption - 1};
    FillIn(s, clip, cap, GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    FillIn(s, clip, TRect{inner.Left, cap.Bottom, inner.Right, cap.Bottom + 1},
           GetSysColor(COLOR_BTNFACE));
    if (!w->Text.empty()) {
      // The title, in the caption font, cut with an ellipsis before the close button.
      NONCLIENTMETRICS ncm;
      SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
      LOGFONT lf = (w->ExStyle & WS_EX_TOOLWINDOW) ? ncm.lfSmCaptionFont : ncm.lfCaptionFont;
      TRect text = cap;
      text.Left += 3;
      if (w->Style & WS_SYSMENU)
        text.Right = CloseButtonRect(w->WindowRect, f, w->ExStyle).Left + o.X - 2;
      Region textClip = clip.Intersect(text);
      if (HDC dc = CreateSurfaceDC(s, TPoint{0, 0}, &textClip)) {
        HFONT font = CreateFontIndirect(&lf);
        HFONT old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
        DrawText(dc, w->Text, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        SelectObject(dc, old);
        DeleteObject(font);
        DeleteDC(dc);
      }
    }
    if (w->Style & WS_SYSMENU) {
      TRect b = CloseButtonRect(w->WindowRect, f, w->ExStyle);
      OffsetRect(&b, o.X, o.Y);
      FillIn(s, clip, b, GetSysColor(COLOR_BTNFACE));
      Edge(s, clip, b, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_3DDKSHADOW));
      // The cross.
      int32_t n = std::min(b.Width(), b.Height()) - 8;
      for (int32_t i = 0; i < n; ++i) {
        int32_t x0 = b.Left + (b.Width() - n) / 2, y0 = b.Top + (b.Height() - n) / 2;
        FillIn(s, clip, TRect{x0 + i, y0 + i, x0 + i + 2, y0 + i + 1}, GetSysColor(COLOR_BTNTEXT));
        FillIn(s, clip, TRect{x0 + n - 2 - i, y0 + i, x0 + n - i, y0 + i + 1},
               GetSysColor(COLOR_BTNTEXT));
      }
    }
    inner.Top += f.Caption;
  }
  if (w->ExStyle & WS_EX_CLIENTEDGE) {
    Edge(s, clip, inner, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    TRect i2 = inner;
    i2.Left++;
    i2.Top++;
    i2.Right--;
    i2.Bottom--;
    Edge(s, clip, i2, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
  } else if (w->ExStyle & WS_EX_STATICEDGE) {
    Edge(s, clip, inner, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
  }
  // Scroll bars and their corner.
  TRect client = w->ClientRect;
  OffsetRect(&client, o.X, o.Y);
  PaintScrollBars(w, s, o, clip);
  if (f.VScroll && f.HScroll)
    FillIn(s, clip,
           TRect{client.Right, client.Bottom, client.Right + GetSystemMetrics(SM_CXVSCROLL),
                 client.Bottom + GetSystemMetrics(SM_CYHSCROLL)},
           GetSysColor(COLOR_BTNFACE));
}

int32_t StandardHitTest(TWindowObj* w, TPoint screen) {
  TRect wr = WindowRectOnScreen(w);
  if (!PtInRect(&wr, screen)) return HTNOWHERE;
  TPoint p{screen.X - wr.Left, screen.Y - wr.Top};
  if (PtInRect(&w->ClientRect, p)) return HTCLIENT;
  TFrameMetrics f = FrameMetricsOf(w->Style, w->ExStyle, w->IsTopLevel());
  TRect c = w->ClientRect;
  if (f.VScroll && p.X >= c.Right && p.X < c.Right + GetSystemMetrics(SM_CXVSCROLL) &&
      p.Y >= c.Top && p.Y < c.Bottom)
    return HTVSCROLL;
  if (f.HScroll && p.Y >= c.Bottom && p.Y < c.Bottom + GetSystemMetrics(SM_CYHSCROLL) &&
      p.X >= c.Left && p.X < c.Right)
    return HTHSCROLL;
  int32_t wdt = wr.Width(), hgt = wr.Height();
  if ((w->Style & WS_THICKFRAME) && f.Frame > 0) {
    int32_t corner = GetSystemMetrics(SM_CXSIZE) + f.Frame;
    bool left = p.X < f.Frame, right = p.X >= wdt - f.Frame;
    bool top = p.Y < f.Frame, bottom = p.Y >= hgt - f.Frame;
    if (left || right || top || bottom) {
      bool nearLeft = p.X < corner, nearRight = p.X >= wdt - corner;
      bool nearTop = p.Y < corner, nearBottom = p.Y >= hgt - corner;
      if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
      if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
      if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
      if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
      if (left) return HTLEFT;
      if (right) return HTRIGHT;
      if (top) return HTTOP;
      return HTBOTTOM;
    }
  }
  if (f.Caption > 0 && p.Y >= f.Frame && p.Y < f.Frame + f.Caption && p.X >= f.Frame &&
      p.X < wdt - f.Frame) {
    if (w->Style & WS_SYSMENU) {
      TRect b = CloseButtonRect(w->WindowRect, f, w->ExStyle);
      if (PtInRect(&b, p)) return HTCLOSE;
    }
    return HTCAPTION;
  }
  return HTBORDER;
}

}  // namespace

// ---------------------------------------------------------------------------
// Creation and destruction

namespace {

TRect CalcClient(TWindowObj* w, const TRect& proposed) {
  NCCALCSIZE_PARAMS p;
  p.rgrc[0] = proposed;
  p.rgrc[1] = w->WindowRect;
  p.rgrc[2] = w->ClientRect;
  OffsetRect(&p.rgrc[2], w->WindowRect.Left, w->WindowRect.Top);
  CallProc(w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
  // A procedure that answers nonsense still gets a client area inside the window.
  TRect c;
  if (!IntersectRect(&c, &p.rgrc[0], &proposed)) {
    int32_t x = std::clamp(p.rgrc[0].Left, proposed.Left, proposed.Right);
    int32_t y = std::clamp(p.rgrc[0].Top, proposed.Top, proposed.Bottom);
    c = TRect{x, y, x, y};
  }
  OffsetRect(&c, -proposed.Left, -proposed.Top);
  return c;
}

void InvalidateTree(TWindowObj* w) {
  w->Update = Region(Rect(0, 0, w->ClientRect.Width(), w->ClientRect.Height()));
  w->UpdateErase = true;
  w->FrameDirty = true;
  for (TWindowObj* c : w->Children) InvalidateTree(c);
}

// After a window left (or moved away from) rect r, given in its parent's
// client coordinates: the parent and the siblings there paint again.
void InvalidateUncovered(TWindowObj* parent, TWindowObj* except, const TRect& r) {
  if (!parent || IsRectEmpty(&r)) return;
  TRect pc = Rect(0, 0, parent->ClientRect.Width(), parent->ClientRect.Height());
  TRect pr;
  if (!IntersectRect(&pr, &r, &pc)) return;
  parent->Update = Region::Union(parent->Update, Region(pr));
  parent->UpdateErase = true;
  for (TWindowObj* s : parent->Children) {
    if (s == except || !s->Visible()) continue;
    TRect sr;
    if (!IntersectRect(&sr, &r, &s->WindowRect)) continue;
    RedrawWindow(s->Handle, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

void ActivateNextAfter(TWindowObj* w) {
  TWindowManager& m = WM();
  if (m.Active != w) return;
  TWindowObj* next = nullptr;
  if (w->Owner && ReallyVisible(w->Owner) && ReallyEnabled(w->Owner)) next = w->Owner;
  if (!next)
    for (TWindowObj* t : m.TopLevels)
      if (t != w && ReallyVisible(t) && ReallyEnabled(t) && !(t->ExStyle & WS_EX_NOACTIVATE) &&
          !(t->Style & WS_CHILD)) {
        next = t;
        break;
      }
  SetActiveWindow(HandleOf(next));
}

void CollectPreOrder(TWindowObj* w, std::vector<HWND>& out) {
  out.push_back(w->Handle);
  for (TWindowObj* c : w->Children) CollectPreOrder(c, out);
}

void FreeWindow(TWindowObj* w) {
  TWindowManager& m = WM();
  HWND h = w->Handle;
  m.Timers.erase(std::remove_if(m.Timers.begin(), m.Timers.end(),
                                [h](const TTimer& t) { return t.Window == h; }),
                 m.Timers.end());
  ForgetWindowInInput(w);
  if (m.Focus == w) m.Focus = nullptr;
  if (m.Active == w) m.Active = nullptr;
  if (m.Capture == w) m.Capture = nullptr;
  for (TWindowObj* c : std::vector<TWindowObj*>(w->Children)) c->Parent = nullptr;
  if (w->Parent) {
    auto& list = w->Parent->Children;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
  } else {
    auto& list = m.TopLevels;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    for (TWindowObj* t : m.TopLevels)
      if (t->Owner == w) t->Owner = nullptr;
    if (m.Backend) m.Backend->TopLevelDestroyed(w);
    for (HDC dc : w->OpenDCs)
      if (IsDC(dc)) DeleteDC(dc);
  }
  std::unique_ptr<TWindowObj> dying;
  {
    std::lock_guard<std::mutex> lock(m.HandleLock);
    auto it = m.Windows.find(reinterpret_cast<uintptr_t>(h));
    dying = std::move(it->second);
    m.Windows.erase(it);
  }
}

}  // namespace

HWND CreateWindowEx(DWORD exStyle, const std::string& className, const std::string& windowName,
                    DWORD style, int32_t x, int32_t y, int32_t width, int32_t height, HWND parent,
                    intptr_t id, void* param) {
  EnsurePlatform();
  TWindowManager& m = WM();
  if (!OnUiThread()) return nullptr;
  auto cls = m.Classes.find(LowerCase(className));
  if (cls == m.Classes.end()) return nullptr;
  TWindowObj* parentObj = FromHandle(parent);
  if ((style & WS_CHILD) && !parentObj) return nullptr;

  auto obj = std::make_unique<TWindowObj>();
  TWindowObj* w = obj.get();
  w->Handle = reinterpret_cast<HWND>(m.NextHandle);
  m.NextHandle += 4;
  w->ClassName = cls->second.lpszClassName;
  w->ClassStyle = cls->second.style;
  w->ClassCursor = cls->second.hCursor;
  w->ClassBackground = cls->second.hbrBackground;
  w->Proc = cls->second.lpfnWndProc;
  w->Style = style & ~WS_VISIBLE;
  w->ExStyle = exStyle;
  w->Id = id;
  if (x == CW_USEDEFAULT) x = y = 100;
  if (width == CW_USEDEFAULT) {
    width = 640;
    height = 480;
  }
  w->WindowRect = TRect{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  {
    std::lock_guard<std::mutex> lock(m.HandleLock);
    m.Windows[reinterpret_cast<uintptr_t>(w->Handle)] = std::move(obj);
  }
  if (style & WS_CHILD) {
    w->Parent = parentObj;
    parentObj->Children.push_back(w);  // new children go to the bottom
  } else {
    w->Owner = TopLevelOf(parentObj);
    w->Buffer = std::make_unique<Surface>(w->WindowRect.Width(), w->WindowRect.Height());
    PlaceInList(w, HWND_TOP);
    if (m.Backend) m.Backend->TopLevelCreated(w);
  }
  HWND h = w->Handle;
  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.hwndParent = parent;
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.style = style;
  cs.lpszName = windowName.c_str();
  cs.lpszClass = className.c_str();
  cs.dwExStyle = exStyle;
  w->Text = windowName;
  if (!CallProc(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (FromHandle(h)) DestroyWindow(h);
    return nullptr;
  }
  if (!(w = FromHandle(h))) return nullptr;
  w->ClientRect = CalcClient(w, w->WindowRect);
  if (CallProc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    if (FromHandle(h)) DestroyWindow(h);
    return nullptr;
  }
  if (!(w = FromHandle(h))) return nullptr;
  w->Created = true;
  CallProc(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->ClientRect.Width(), w->ClientRect.Height()));
  if (!(w = FromHandle(h))) return nullptr;
  {
    TPoint co{w->WindowRect.Left + w->ClientRect.Left, w->WindowRect.Top + w->ClientRect.Top};
    CallProc(w, WM_MOVE, 0, MAKELPARAM(co.X, co.Y));
  }
  if (!(w = FromHandle(h))) return nullptr;
  if (w->Parent && !(w->ExStyle & WS_EX_NOPARENTNOTIFY))
    CallProc(w->Parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, int32_t(id)),
             reinterpret_cast<LPARAM>(h));
  if (!(w = FromHandle(h))) return nullptr;
  if (style & WS_VISIBLE) ShowWindow(h, (style & WS_CHILD) ? SW_SHOWNA : SW_SHOW);
  if (!FromHandle(h)) return nullptr;
  if (style & WS_MAXIMIZE) ShowWindow(h, SW_SHOWMAXIMIZED);
  return h;
}

bool DestroyWindow(HWND hwnd) {
  TWindowManager& m = WM();
  TWindowObj* w = FromHandle(hwnd);
  if (!w || w->Destroying || !OnUiThread()) return false;
  LRESULT cancel = 0;
  RunCbtHooks(HCBT_DESTROYWND, reinterpret_cast<WPARAM>(hwnd), 0, &cancel);
  if (cancel || !(w = FromHandle(hwnd)) || w->Destroying) return false;
  w->Destroying = true;
  if (w->Visible())
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (!(w = FromHandle(hwnd))) return true;
  // Owned windows go first.
  if (w->IsTopLevel()) {
    std::vector<HWND> owned;
    for (TWindowObj* t : m.TopLevels)
      if (t->Owner == w) owned.push_back(t->Handle);
    for (HWND o : owned) DestroyWindow(o);
  }
  if (!(w = FromHandle(hwnd))) return true;
  std::vector<HWND> tree;
  CollectPreOrder(w, tree);
  for (HWND h : tree) {
    TWindowObj* t = FromHandle(h);
    if (!t) continue;
    if (m.Capture == t) ReleaseCapture();
    if (m.CaretWindow == t) DestroyCaret();
    if (m.Focus == t) m.Focus = nullptr;
  }
  if ((w = FromHandle(hwnd)) && m.Active == w) ActivateNextAfter(w);
  if ((w = FromHandle(hwnd)) && w->Parent && !(w->ExStyle & WS_EX_NOPARENTNOTIFY))
    CallProc(w->Parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, int32_t(w->Id)),
             reinterpret_cast<LPARAM>(hwnd));
  for (HWND h : tree) {
    TWindowObj* t = FromHandle(h);
    if (!t) continue;
    t->Destroying = true;
    CallProc(t, WM_DESTROY, 0, 0);
  }
  for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
    TWindowObj* t = FromHandle(*it);
    if (!t) continue;
    CallProc(t, WM_NCDESTROY, 0, 0);
    if ((t = FromHandle(*it))) FreeWindow(t);
  }
  return true;
}

bool IsWindow(HWND hwnd) {
  return FromHandle(hwnd) != nullptr;
}

bool IsChild(HWND parent, HWND hwnd) {
  TWindowObj* p = FromHandle(parent);
  TWindowObj* w = FromHandle(hwnd);
  if (!p || !w) return false;
  for (w = w->Parent; w; w = w->Parent)
    if (w == p) return true;
  return false;
}

bool IsWindowVisible(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  for (; w; w = w->Parent)
    if (!w->Visible()) return false;
  return true;
}

bool IsWindowEnabled(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w && !(w->Style & WS_DISABLED);
}

bool IsIconic(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w && w->Minimized;
}

bool IsZoomed(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w && w->Maximized;
}

bool EnableWindow(HWND hwnd, bool enable) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  bool wasDisabled = (w->Style & WS_DISABLED) != 0;
  if (wasDisabled == !enable) return wasDisabled;
  TWindowManager& m = WM();
  if (enable) {
    w->Style &= ~WS_DISABLED;
  } else {
    w->Style |= WS_DISABLED;
    if (m.Focus && (m.Focus == w || IsChild(hwnd, m.Focus->Handle))) SetFocus(nullptr);
    if (m.Capture && (m.Capture == w || IsChild(hwnd, m.Capture->Handle))) ReleaseCapture();
  }
  if ((w = FromHandle(hwnd))) CallProc(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

// ---------------------------------------------------------------------------
// Position, size, z-order and visibility

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

// ---------------------------------------------------------------------------
// Relations and window data

HWND SetParent(HWND hwnd, HWND newParent) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w || !OnUiThread()) return nullptr;
  TWindowObj* np = newParent == kDesktop ? nullptr : FromHandle(newParent);
  if (newParent && newParent != kDesktop && !np) return nullptr;
  for (TWindowObj* a = np; a; a = a->Parent)
    if (a == w) return nullptr;  // a window cannot go inside itself
  TWindowManager& m = WM();
  HWND old = w->Parent ? w->Parent->Handle : kDesktop;
  if (w->Parent == np && (np || !w->Parent)) return old;
  bool visible = ReallyVisible(w);
  if (visible && w->Parent) InvalidateUncovered(w->Parent, w, w->WindowRect);
  // Keep the on-screen pixels: a window that becomes top-level gets a back
  // buffer and a backend window; one that becomes a child gives them up.
  if (w->Parent) {
    Unlink(w);
    w->Parent = nullptr;
  } else {
    Unlink(w);
    if (m.Backend) m.Backend->TopLevelDestroyed(w);
    for (HDC dc : w->OpenDCs)
      if (IsDC(dc)) DeleteDC(dc);
    w->OpenDCs.clear();
    w->Buffer.reset();
    w->Owner = nullptr;
  }
  if (np) {
    w->Parent = np;
    np->Children.insert(np->Children.begin(), w);
  } else {
    w->Buffer = std::make_unique<Surface>(w->WindowRect.Width(), w->WindowRect.Height());
    PlaceInList(w, HWND_TOP);
    if (m.Backend) m.Backend->TopLevelCreated(w);
  }
  // The tree keeps its update state; everything paints again in its new place.
  if (ReallyVisible(w)) InvalidateTree(w);
  if (!np && m.Backend) m.Backend->TopLevelChanged(w);
  return old;
}

HWND GetParent(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return nullptr;
  if (w->Parent) return w->Parent->Handle;
  return HandleOf(w->Owner);
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT:
      return w->Parent ? w->Parent->Handle : kDesktop;
    case GA_ROOT:
      return TopLevelOf(w)->Handle;
    case GA_ROOTOWNER: {
      TWindowObj* t = TopLevelOf(w);
      while (t->Owner) t = t->Owner;
      return t->Handle;
    }
  }
  return nullptr;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_OWNER) return w->Parent ? nullptr : HandleOf(w->Owner);
  if (cmd == GW_CHILD) return w->Children.empty() ? nullptr : w->Children.front()->Handle;
  auto& list = SiblingList(w);
  auto it = std::find(list.begin(), list.end(), w);
  switch (cmd) {
    case GW_HWNDFIRST:
      return list.front()->Handle;
    case GW_HWNDLAST:
      return list.back()->Handle;
    case GW_HWNDNEXT:
      return (it + 1 < list.end()) ? (*(it + 1))->Handle : nullptr;
    case GW_HWNDPREV:
      return it > list.begin() ? (*(it - 1))->Handle : nullptr;
  }
  return nullptr;
}

HWND GetTopWindow(HWND hwnd) {
  if (!hwnd || hwnd == kDesktop) {
    auto& list = WM().TopLevels;
    return list.empty() ? nullptr : list.front()->Handle;
  }
  return GetWindow(hwnd, GW_CHILD);
}

HWND GetDesktopWindow() {
  return kDesktop;
}

intptr_t GetWindowLongPtr(HWND hwnd, int32_t index) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE:
      return intptr_t(int32_t(w->Style));
    case GWL_EXSTYLE:
      return intptr_t(int32_t(w->ExStyle));
    case GWL_ID:
      return w->Id;
    case GWL_USERDATA:
      return w->UserData;
    case GWL_HWNDPARENT:
      return reinterpret_cast<intptr_t>(w->Parent ? w->Parent->Handle : HandleOf(w->Owner));
  }
  return 0;
}

intptr_t SetWindowLongPtr(HWND hwnd, int32_t index, intptr_t value) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return 0;
  intptr_t old = GetWindowLongPtr(hwnd, index);
  switch (index) {
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      STYLESTRUCT ss{DWORD(old), DWORD(value)};
      CallProc(w, WM_STYLECHANGING, WPARAM(index), reinterpret_cast<LPARAM>(&ss));
      if (!(w = FromHandle(hwnd))) return old;
      if (index == GWL_STYLE) {
        // Visibility changes go through ShowWindow; the bit itself is kept as given.
        w->Style = ss.styleNew;
      } else {
        w->ExStyle = ss.styleNew;
      }
      CallProc(w, WM_STYLECHANGED, WPARAM(index), reinterpret_cast<LPARAM>(&ss));
      break;
    }
    case GWL_ID:
      w->Id = value;
      break;
    case GWL_USERDATA:
      w->UserData = value;
      break;
    case GWL_HWNDPARENT:
      if (!w->Parent) {
        TWindowObj* o = FromHandle(reinterpret_cast<HWND>(value));
        for (TWindowObj* a = o; a; a = a->Owner)
          if (a == w) return old;  // no ownership cycles
        w->Owner = o;
      }
      break;
  }
  return old;
}

WNDPROC GetWindowProc(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w ? w->Proc : WNDPROC();
}

WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return WNDPROC();
  WNDPROC old = w->Proc;
  w->Proc = std::move(proc);
  return old;
}

LRESULT CallWindowProc(const WNDPROC& proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return DefWindowProc(hwnd, msg, wParam, lParam);
  return proc(hwnd, msg, wParam, lParam);
}

bool SetWindowText(HWND hwnd, const std::string& text) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

std::string GetWindowText(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w ? w->Text : std::string();
}

int32_t GetDlgCtrlID(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w && w->Parent ? int32_t(w->Id) : 0;
}

HWND GetDlgItem(HWND dialog, int32_t id) {
  TWindowObj* d = FromHandle(dialog);
  if (!d) return nullptr;
  for (TWindowObj* c : d->Children)
    if (int32_t(c->Id) == id) return c->Handle;
  HWND found = nullptr;
  EnumChildWindows(dialog, [&](HWND h) {
    if (GetDlgCtrlID(h) != id) return true;
    found = h;
    return false;
  });
  return found;
}

bool SetDlgItemText(HWND dialog, int32_t id, const std::string& text) {
  HWND item = GetDlgItem(dialog, id);
  return item && SetWindowText(item, text);
}

std::string GetDlgItemText(HWND dialog, int32_t id) {
  HWND item = GetDlgItem(dialog, id);
  return item ? GetWindowText(item) : std::string();
}

bool EnumWindows(const std::function<bool(HWND)>& proc) {
  std::vector<HWND> list;
  for (TWindowObj* t : WM().TopLevels) list.push_back(t->Handle);
  for (HWND h : list)
    if (IsWindow(h) && !proc(h)) return false;
  return true;
}

bool EnumChildWindows(HWND parent, const std::function<bool(HWND)>& proc) {
  TWindowObj* p = FromHandle(parent);
  if (!p) return false;
  std::vector<HWND> list;
  for (TWindowObj* c : p->Children) CollectPreOrder(c, list);
  for (HWND h : list)
    if (IsWindow(h) && !proc(h)) return false;
  return true;
}

// ---------------------------------------------------------------------------
// Geometry and hit testing

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

// ---------------------------------------------------------------------------
// Invalidation and painting

namespace {

TRect ClientBounds(TWindowObj* w) {
  return Rect(0, 0, w->ClientRect.Width(), w->ClientRect.Height());
}

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

// ---------------------------------------------------------------------------
// The default window procedure

namespace {

// Moving (edges 0) or sizing (WMSZ_* edges) a window with the mouse, from a
// press at a screen point until the button is released; Escape puts the
// window back.
void MoveSizeLoop(HWND hwnd, UINT edges, TPoint start) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return;
  const TRect original = w->WindowRect;
  MINMAXINFO mmi{};  // a child window sets only its largest size
  if (!w->Parent) {
    mmi.ptMinTrackSize = TPoint{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    mmi.ptMaxTrackSize = TPoint{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  } else {
    mmi.ptMaxTrackSize = TPoint{0x7FFF, 0x7FFF};
  }
  CallProc(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  SetCapture(hwnd);
  CallProc(w, WM_ENTERSIZEMOVE, 0, 0);
  bool left = edges == 1 || edges == 4 || edges == 7,
       right = edges == 2 || edges == 5 || edges == 8;
  bool top = edges >= 3 && edges <= 5, bottom = edges >= 6;
  MSG msg;
  while (GetCapture() == hwnd) {
    int32_t r = GetMessage(msg, nullptr, 0, 0);
    if (r <= 0) {
      if (r == 0) PostQuitMessage(int32_t(msg.wParam));
      break;
    }
    if (!(w = FromHandle(hwnd))) return;
    if (msg.message == WM_LBUTTONUP) break;
    if (msg.message == WM_KEYDOWN && msg.wParam == WPARAM(VK_ESCAPE)) {
      SetWindowPos(hwnd, nullptr, original.Left, original.Top, original.Width(), original.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    if (msg.message != WM_MOUSEMOVE) {
      if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST) {
        TranslateMessage(msg);
        DispatchMessage(msg);
      }
      continue;
    }
    int32_t dx = msg.pt.X - start.X, dy = msg.pt.Y - start.Y;
    TRect n = original;
    if (edges == 0) {
      OffsetRect(&n, dx, dy);
    } else {
      int32_t minW = mmi.ptMinTrackSize.X, minH = mmi.ptMinTrackSize.Y;
      int32_t maxW = mmi.ptMaxTrackSize.X, maxH = mmi.ptMaxTrackSize.Y;
      if (left)
        n.Left = std::clamp(original.Left + dx, original.Right - maxW, original.Right - minW);
      if (right)
        n.Right = std::clamp(original.Right + dx, original.Left + minW, original.Left + maxW);
      if (top)
        n.Top = std::clamp(original.Top + dy, original.Bottom - maxH, original.Bottom - minH);
      if (bottom)
        n.Bottom = std::clamp(original.Bottom + dy, original.Top + minH, original.Top + maxH);
    }
    CallProc(w, edges == 0 ? WM_MOVING : WM_SIZING, edges, reinterpret_cast<LPARAM>(&n));
    SetWindowPos(hwnd, nullptr, n.Left, n.Top, n.Width(), n.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if ((w = FromHandle(hwnd))) CallProc(w, WM_EXITSIZEMOVE, 0, 0);
}

HCURSOR SizeCursorFor(int32_t hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT:
      return LoadCursor(nullptr, IDC_SIZEWE);
    case HTTOP:
    case HTBOTTOM:
      return LoadCursor(nullptr, IDC_SIZENS);
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      return LoadCursor(nullptr, IDC_SIZENWSE);
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      return LoadCursor(nullptr, IDC_SIZENESW);
  }
  return nullptr;
}

void PrintWindow(TWindowObj* w, HDC dc, UINT flags) {
  HWND h = w->Handle;
  auto* d = static_cast<DeviceContext*>(dc);
  SaveDC(dc);
  if (flags & PRF_NONCLIENT) {
    if (Surface* s = d->Target32()) PaintStandardFrame(w, s, TPoint{d->SX(0), d->SY(0)}, d->Clip());
    OffsetViewportOrgEx(dc, w->ClientRect.Left, w->ClientRect.Top, nullptr);
  }
  IntersectClipRect(dc, 0, 0, w->ClientRect.Width(), w->ClientRect.Height());
  if ((flags & PRF_ERASEBKGND) && (flags & PRF_CLIENT)) {
    SaveDC(dc);
    CallProc(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, -1);
  }
  if ((w = FromHandle(h)) && (flags & PRF_CLIENT)) {
    SaveDC(dc);
    CallProc(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), LPARAM(flags));
    RestoreDC(dc, -1);
  }
  if ((w = FromHandle(h)) && (flags & PRF_CHILDREN)) {
    std::vector<HWND> kids;
    for (auto it = w->Children.rbegin(); it != w->Children.rend(); ++it)
      kids.push_back((*it)->Handle);
    for (HWND k : kids) {
      TWindowObj* c = FromHandle(k);
      if (!c || !c->Visible()) continue;
      SaveDC(dc);
      OffsetViewportOrgEx(dc, c->WindowRect.Left, c->WindowRect.Top, nullptr);
      IntersectClipRect(dc, 0, 0, c->WindowRect.Width(), c->WindowRect.Height());
      CallProc(c, WM_PRINT, reinterpret_cast<WPARAM>(dc),
               LPARAM(PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN));
      RestoreDC(dc, -1);
    }
  }
  RestoreDC(dc, -1);
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return 0;
  TWindowManager& m = WM();
  switch (msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_NCCALCSIZE: {
      auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
      if (p)
        p->rgrc[0] =
            StandardClient(p->rgrc[0], FrameMetricsOf(w->Style, w->ExStyle, w->IsTopLevel()));
      return 0;
    }
    case WM_NCHITTEST:
      return StandardHitTest(w, TPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCPAINT: {
      TWindowObj* top = TopLevelOf(w);
      TPoint wo = WindowOriginInTop(w);
      TRect client = w->ClientRect;
      OffsetRect(&client, wo.X, wo.Y);
      Region clip = Region::Subtract(VisibleRegion(w, false), Region(client));
      if (wParam > 1) {
        Region r = RegionOf(reinterpret_cast<HRGN>(wParam));
        r.Offset(-top->WindowRect.Left, -top->WindowRect.Top);
        clip = Region::Intersect(clip, r);
      }
      PaintStandardFrame(w, top->Buffer.get(), wo, clip);
      top->BufferDirty = true;
      return 0;
    }
    case WM_NCACTIVATE:
      if ((w->Style & WS_CAPTION) == WS_CAPTION) w->FrameDirty = true;
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      if (w->ClassBackground <= 0) return 0;
      auto* d = static_cast<DeviceContext*>(reinterpret_cast<HDC>(wParam));
      if (!d || !IsDC(d)) return 0;
      if (Surface* s = d->Target32())
        FillIn(s, d->Clip(), d->ToSurface(ClientBounds(w)), GetSysColor(w->ClassBackground - 1));
      return 1;
    }
    case WM_PRINT:
      if ((lParam & PRF_CHECKVISIBLE) && !IsWindowVisible(hwnd)) return 0;
      if (wParam && IsDC(reinterpret_cast<HDC>(wParam)))
        PrintWindow(w, reinterpret_cast<HDC>(wParam), UINT(lParam));
      return 0;
    case WM_SETTEXT:
      w->Text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      if ((w->Style & WS_CAPTION) == WS_CAPTION) w->FrameDirty = true;
      if (!w->Parent && m.Backend) m.Backend->TopLevelChanged(w);
      return TRUE;
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(lParam);
      if (!buf || wParam == 0) return 0;
      size_t n = std::min(w->Text.size(), size_t(wParam) - 1);
      std::memcpy(buf, w->Text.data(), n);
      buf[n] = 0;
      return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
      return LRESULT(w->Text.size());
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MOVE:
        case SC_SIZE:
          MoveSizeLoop(hwnd, (wParam & 0xFFF0) == SC_MOVE ? 0 : UINT(wParam & 0x0F),
                       TPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
          break;
        case SC_CLOSE:
          SendMessage(hwnd, WM_CLOSE, 0, 0);
          break;
        case SC_MINIMIZE:
          ShowWindow(hwnd, SW_MINIMIZE);
          break;
        case SC_MAXIMIZE:
          ShowWindow(hwnd, SW_SHOWMAXIMIZED);
          break;
        case SC_RESTORE:
          ShowWindow(hwnd, SW_RESTORE);
          break;
      }
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == WPARAM(VK_F4) && (lParam & (1 << 29)))
        SendMessage(TopLevelOf(w)->Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SETCURSOR: {
      if (w->Parent && CallProc(w->Parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      if (!(w = FromHandle(hwnd))) return TRUE;
      int32_t hit = int16_t(LOWORD(uintptr_t(lParam)));
      if (hit == HTERROR) {
        UINT mouseMsg = HIWORD(uintptr_t(lParam));
        if (mouseMsg == WM_LBUTTONDOWN || mouseMsg == WM_RBUTTONDOWN || mouseMsg == WM_MBUTTONDOWN)
          MessageBeep(0);
        return FALSE;
      }
      if (hit == HTCLIENT) {
        if (w->ClassCursor) {
          SetCursor(w->ClassCursor);
          return TRUE;
        }
        return FALSE;
      }
      if (HCURSOR c = SizeCursorFor(hit)) {
        SetCursor(c);
        return TRUE;
      }
      SetCursor(LoadCursor(nullptr, IDC_ARROW));
      return TRUE;
    }
    case WM_MOUSEACTIVATE:
      if (w->Parent) {
        LRESULT r = CallProc(w->Parent, WM_MOUSEACTIVATE, wParam, lParam);
        if (r) return r;
      }
      if (!(w = FromHandle(hwnd))) return MA_NOACTIVATE;
      return (TopLevelOf(w)->ExStyle & WS_EX_NOACTIVATE) ? MA_NOACTIVATE : MA_ACTIVATE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !w->Minimized) SetFocus(hwnd);
      return 0;
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU:
      if (w->Parent) return CallProc(w->Parent, msg, wParam, lParam);
      return 0;
    case WM_RBUTTONUP: {
      TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, p);
      SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(p.X, p.Y));
      return 0;
    }
    case WM_NCRBUTTONUP:
      if (wParam == HTCAPTION || wParam == HTSYSMENU)
        SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), lParam);
      return 0;
    case WM_NCLBUTTONUP:
      if (wParam == HTCLOSE) SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
      return 0;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (wParam == HTVSCROLL || wParam == HTHSCROLL) {
        TrackScrollBar(hwnd, wParam == HTVSCROLL ? 1 : 0,
                       TPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      } else if (msg == WM_NCLBUTTONDBLCLK && wParam == HTCAPTION) {
        if (w->Style & WS_MAXIMIZEBOX)
          SendMessage(hwnd, WM_SYSCOMMAND, w->Maximized ? SC_RESTORE : SC_MAXIMIZE, lParam);
      } else if (wParam == HTCAPTION) {
        SendMessage(hwnd, WM_SYSCOMMAND, WPARAM(SC_MOVE) | WPARAM(HTCAPTION), lParam);
      } else if (wParam >= HTLEFT && wParam <= HTBOTTOMRIGHT && (w->Style & WS_THICKFRAME)) {
        SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | (wParam - HTLEFT + 1), lParam);
      }
      return 0;
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!wp) return 0;
      if (!(wp->flags & SWP_NOCLIENTMOVE)) {
        TPoint co{w->WindowRect.Left + w->ClientRect.Left, w->WindowRect.Top + w->ClientRect.Top};
        CallProc(w, WM_MOVE, 0, MAKELPARAM(co.X, co.Y));
      }
      if ((w = FromHandle(hwnd)) && !(wp->flags & SWP_NOCLIENTSIZE))
        CallProc(w, WM_SIZE, w->Maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                 MAKELPARAM(w->ClientRect.Width(), w->ClientRect.Height()));
      return 0;
    }
    case WM_CANCELMODE:
      if (m.Capture == w) ReleaseCapture();
      return 0;
    case WM_SETREDRAW:
      w->RedrawOff = wParam == 0;
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
  }
  return 0;
}
