// Window scroll bars: state, geometry, painting and the tracking loop.

#include "platform/ScrollBar.h"

#include <algorithm>

#include "platform/CaptureLoop.h"
#include "platform/SysInfo.h"
#include "platform/WindowInternal.h"

namespace {

enum TPart : int32_t { kNone = 0, kArrowBack, kTrackBack, kThumb, kTrackForward, kArrowForward };

constexpr uintptr_t kRepeatTimer = 0xFFFE5CB0;
constexpr UINT kFirstDelay = 400, kRepeatDelay = 50;

TScrollState* StateOf(TWindowObj* w, int32_t bar) {
  if (!w) return nullptr;
  if (bar == SB_HORZ) return &w->HScroll;
  if (bar == SB_VERT) return &w->VScroll;
  return nullptr;
}

int32_t MaxPos(const TScrollState& s) {
  return s.Max - std::max(s.Page - 1, 0);
}
bool Scrollable(const TScrollState& s) {
  return MaxPos(s) > s.Min;
}

// The bar's rectangle in window coordinates (empty when the style lacks it).
TRect BarRect(TWindowObj* w, int32_t bar) {
  const TRect& c = w->ClientRect;
  if (bar == SB_VERT && (w->Style & WS_VSCROLL))
    return TRect{c.Right, c.Top, c.Right + GetSystemMetrics(SM_CXVSCROLL), c.Bottom};
  if (bar == SB_HORZ && (w->Style & WS_HSCROLL))
    return TRect{c.Left, c.Bottom, c.Right, c.Bottom + GetSystemMetrics(SM_CYHSCROLL)};
  return TRect{0, 0, 0, 0};
}

// Lengths along the bar: arrow size, thumb start and length (0: no thumb).
struct TGeometry {
  int32_t Start = 0, Length = 0, Arrow = 0, ThumbStart = 0, ThumbLength = 0;
};

TGeometry GeometryOf(TWindowObj* w, int32_t bar) {
  TGeometry g;
  TRect r = BarRect(w, bar);
  bool vert = bar == SB_VERT;
  g.Start = vert ? r.Top : r.Left;
  g.Length = vert ? r.Height() : r.Width();
  int32_t thickness = vert ? r.Width() : r.Height();
  g.Arrow = std::min(thickness, g.Length / 2);
  const TScrollState& s = *StateOf(w, bar);
  int32_t track = g.Length - 2 * g.Arrow;
  if (!Scrollable(s) || s.Disabled == ESB_DISABLE_BOTH || track <= 0) return g;
  int64_t range = int64_t(s.Max) - s.Min + 1;
  int32_t len =
      s.Page > 0 ? int32_t(std::max<int64_t>(int64_t(track) * s.Page / range, 8)) : thickness;
  if (len >= track) return g;
  int32_t pos = s.Tracking ? s.TrackPos : s.Pos;
  int64_t span = int64_t(MaxPos(s)) - s.Min;
  g.ThumbLength = len;
  g.ThumbStart = g.Start + g.Arrow +
                 int32_t((int64_t(track - len) * (int64_t(pos) - s.Min) + span / 2) / span);
  return g;
}

TPart PartAt(TWindowObj* w, int32_t bar, TPoint windowPoint) {
  TRect r = BarRect(w, bar);
  if (!PtInRect(&r, windowPoint)) return kNone;
  TGeometry g = GeometryOf(w, bar);
  int32_t at = bar == SB_VERT ? windowPoint.Y : windowPoint.X;
  if (at < g.Start + g.Arrow) return kArrowBack;
  if (at >= g.Start + g.Length - g.Arrow) return kArrowForward;
  if (g.ThumbLength == 0) return kNone;
  if (at < g.ThumbStart) return kTrackBack;
  if (at >= g.ThumbStart + g.ThumbLength) return kTrackForward;
  return kThumb;
}

void Fill(Surface* s, const Region& clip, const TRect& r, COLORREF c) {
  if (!s || r.Right <= r.Left || r.Bottom <= r.Top) return;
  uint32_t px = ColorRefToPixel(c) | 0xFF000000u;
  Region area = Region::Intersect(clip, Region(r));
  for (const TRect& k : area.Rects()) s->Fill(k, px);
}

void Raised(Surface* s, const Region& clip, TRect r, bool pressed) {
  Fill(s, clip, r, GetSysColor(COLOR_BTNFACE));
  auto edge = [&](const TRect& e, COLORREF tl, COLORREF br) {
    Fill(s, clip, TRect{e.Left, e.Top, e.Right - 1, e.Top + 1}, tl);
    Fill(s, clip, TRect{e.Left, e.Top, e.Left + 1, e.Bottom - 1}, tl);
    Fill(s, clip, TRect{e.Left, e.Bottom - 1, e.Right, e.Bottom}, br);
    Fill(s, clip, TRect{e.Right - 1, e.Top, e.Right, e.Bottom}, br);
  };
  if (pressed) {
    edge(r, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW));
    return;
  }
  edge(r, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW));
  TRect i{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  edge(i, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
}

// A small triangle pointing back (up or left) or forward (down or right).
void Arrow(Surface* s, const Region& clip, const TRect& r, bool vert, bool back, bool enabled,
           int32_t shift) {
  COLORREF c = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  int32_t size = std::max(1, std::min(r.Width(), r.Height()) / 4);
  int32_t cx = r.Left + r.Width() / 2 + shift, cy = r.Top + r.Height() / 2 + shift;
  for (int32_t i = 0; i < size; ++i) {
    int32_t row = back ? i : size - 1 - i;
    int32_t offset = row - size / 2;
    if (vert)
      Fill(s, clip, TRect{cx - i, cy + offset, cx + i + 1, cy + offset + 1}, c);
    else
      Fill(s, clip, TRect{cx + offset, cy - i, cx + offset + 1, cy + i + 1}, c);
  }
}

void PaintBar(TWindowObj* w, int32_t bar, Surface* s, TPoint o, const Region& clip) {
  TRect r = BarRect(w, bar);
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  r = TRect{r.Left + o.X, r.Top + o.Y, r.Right + o.X, r.Bottom + o.Y};
  const TScrollState& st = *StateOf(w, bar);
  bool vert = bar == SB_VERT;
  TGeometry g = GeometryOf(w, bar);
  int32_t base = vert ? o.Y : o.X;
  auto span = [&](int32_t from, int32_t to) {
    return vert ? TRect{r.Left, base + from, r.Right, base + to}
                : TRect{base + from, r.Top, base + to, r.Bottom};
  };
  bool usable = Scrollable(st);
  TRect back = span(g.Start, g.Start + g.Arrow);
  TRect fwd = span(g.Start + g.Length - g.Arrow, g.Start + g.Length);
  // The track: a fine checker of highlight and scroll-bar colour; a held
  // part of it shows dark.
  TRect track = span(g.Start + g.Arrow, g.Start + g.Length - g.Arrow);
  Region trackClip = Region::Intersect(clip, Region(track));
  COLORREF a = GetSysColor(COLOR_BTNHIGHLIGHT), b = GetSysColor(COLOR_SCROLLBAR);
  for (const TRect& k : trackClip.Rects())
    for (int32_t y = k.Top; y < k.Bottom; ++y)
      for (int32_t x = k.Left; x < k.Right; ++x)
        s->At(x, y) = ColorRefToPixel(((x + y) & 1) ? a : b) | 0xFF000000u;
  if (g.ThumbLength) {
    if (st.Pressed == kTrackBack)
      Fill(s, clip, span(g.Start + g.Arrow, g.ThumbStart), GetSysColor(COLOR_3DDKSHADOW));
    if (st.Pressed == kTrackForward)
      Fill(s, clip, span(g.ThumbStart + g.ThumbLength, g.Start + g.Length - g.Arrow),
           GetSysColor(COLOR_3DDKSHADOW));
    Raised(s, clip, span(g.ThumbStart, g.ThumbStart + g.ThumbLength), false);
  }
  bool backOn = usable && !(st.Disabled & ESB_DISABLE_LTUP);
  bool fwdOn = usable && !(st.Disabled & ESB_DISABLE_RTDN);
  Raised(s, clip, back, st.Pressed == kArrowBack);
  Arrow(s, clip, back, vert, true, backOn, st.Pressed == kArrowBack ? 1 : 0);
  Raised(s, clip, fwd, st.Pressed == kArrowForward);
  Arrow(s, clip, fwd, vert, false, fwdOn, st.Pressed == kArrowForward ? 1 : 0);
}

void RepaintBars(HWND hwnd) {
  if (TWindowObj* w = FromHandle(hwnd))
    if (w->Style & (WS_VSCROLL | WS_HSCROLL)) SendMessage(hwnd, WM_NCPAINT, 1, 0);
}

void SetStyleBits(HWND hwnd, DWORD bits, bool on) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return;
  DWORD style = on ? (w->Style | bits) : (w->Style & ~bits);
  if (style == w->Style) return;
  w->Style = style;
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

int32_t CodeFor(TPart part) {
  switch (part) {
    case kArrowBack:
      return SB_LINEUP;
    case kArrowForward:
      return SB_LINEDOWN;
    case kTrackBack:
      return SB_PAGEUP;
    case kTrackForward:
      return SB_PAGEDOWN;
    default:
      return -1;
  }
}

}  // namespace

void PaintScrollBars(TWindowObj* w, Surface* s, TPoint o, const Region& clip) {
  if (!s) return;
  PaintBar(w, SB_VERT, s, o, clip);
  PaintBar(w, SB_HORZ, s, o, clip);
}

void TrackScrollBar(HWND hwnd, int32_t bar, TPoint screen) {
  TWindowObj* w = FromHandle(hwnd);
  TScrollState* st = StateOf(w, bar);
  if (!st) return;
  TRect wr = WindowRectOnScreen(w);
  auto local = [&](TPoint p) { return TPoint{p.X - wr.Left, p.Y - wr.Top}; };
  TPart part = PartAt(w, bar, local(screen));
  if (part == kNone || !Scrollable(*st)) return;
  if ((part == kArrowBack && (st->Disabled & ESB_DISABLE_LTUP)) ||
      (part == kArrowForward && (st->Disabled & ESB_DISABLE_RTDN)))
    return;
  UINT msgId = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
  auto send = [&](int32_t code, int32_t pos) {
    SendMessage(hwnd, msgId, MAKEWPARAM(code, pos), 0);
  };
  bool vert = bar == SB_VERT;
  TGeometry g = GeometryOf(w, bar);
  int32_t grab = (vert ? local(screen).Y : local(screen).X) - g.ThumbStart;
  SetCapture(hwnd);
  st->Pressed = part;
  if (part == kThumb) {
    st->Tracking = true;
    st->TrackPos = st->Pos;
  }
  RepaintBars(hwnd);
  int32_t code = CodeFor(part);
  bool inside = true;
  if (code >= 0) {
    send(code, 0);
    SetTimer(hwnd, kRepeatTimer, kFirstDelay);
  }
  const TCaptureEnd end = RunCaptureLoop(hwnd, [&](const MSG& msg) {
    if (!(w = FromHandle(hwnd)) || !(st = StateOf(w, bar))) {
      w = nullptr;
      return TCaptureStep::End;
    }
    if (msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP) return TCaptureStep::End;
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
      TPoint p = local(msg.pt);
      if (part == kThumb) {
        TGeometry now = GeometryOf(w, bar);
        int32_t track = now.Length - 2 * now.Arrow - now.ThumbLength;
        int32_t at = (vert ? p.Y : p.X) - grab - (now.Start + now.Arrow);
        int64_t span = int64_t(MaxPos(*st)) - st->Min;
        int32_t pos = st->Min;
        if (track > 0)
          pos = int32_t(st->Min + (int64_t(std::clamp(at, 0, track)) * span + track / 2) / track);
        if (pos != st->TrackPos) {
          st->TrackPos = pos;
          send(SB_THUMBTRACK, pos);
          RepaintBars(hwnd);
        }
      } else {
        bool nowInside = PartAt(w, bar, p) == part;
        if (nowInside != inside) {
          inside = nowInside;
          st->Pressed = inside ? part : kNone;
          RepaintBars(hwnd);
        }
      }
      return TCaptureStep::Handled;
    }
    if (msg.message == WM_TIMER && msg.hwnd == hwnd && msg.wParam == kRepeatTimer) {
      SetTimer(hwnd, kRepeatTimer, kRepeatDelay);
      TPoint cursor;
      GetCursorPos(&cursor);
      // The track repeats only while the thumb has not reached the pointer.
      if (inside && PartAt(w, bar, local(cursor)) == part) send(code, 0);
      return TCaptureStep::Handled;
    }
    if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR)
      return TCaptureStep::Handled;
    return TCaptureStep::Dispatch;
  });
  // A window or bar gone meanwhile has nothing left to end.
  if (end == TCaptureEnd::Gone || !w) return;
  KillTimer(hwnd, kRepeatTimer);
  if (!(w = FromHandle(hwnd)) || !(st = StateOf(w, bar))) return;
  if (part == kThumb) {
    int32_t pos = st->TrackPos;
    send(SB_THUMBPOSITION, pos);
    if ((w = FromHandle(hwnd)) && (st = StateOf(w, bar))) st->Tracking = false;
  }
  send(SB_ENDSCROLL, 0);
  if (GetCapture() == hwnd) ReleaseCapture();
  if ((w = FromHandle(hwnd)) && (st = StateOf(w, bar))) {
    st->Pressed = kNone;
    st->Tracking = false;
    RepaintBars(hwnd);
  }
}

int32_t SetScrollInfo(HWND hwnd, int32_t bar, const SCROLLINFO* si, bool redraw) {
  TWindowObj* w = FromHandle(hwnd);
  TScrollState* st = StateOf(w, bar);
  if (!st || !si) return 0;
  if (si->fMask & SIF_RANGE) {
    st->Min = si->nMin;
    st->Max = std::max(si->nMax, si->nMin);
  }
  if (si->fMask & SIF_PAGE)
    st->Page = int32_t(std::min<int64_t>(int64_t(si->nPage), int64_t(st->Max) - st->Min + 1));
  if (si->fMask & SIF_POS) st->Pos = si->nPos;
  st->Pos = std::clamp(st->Pos, st->Min, std::max(MaxPos(*st), st->Min));
  int32_t pos = st->Pos;
  if (si->fMask & (SIF_RANGE | SIF_PAGE)) {
    DWORD bit = bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
    bool needed = Scrollable(*st);
    if (si->fMask & SIF_DISABLENOSCROLL) {
      st->Disabled = needed ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH;
      SetStyleBits(hwnd, bit, true);
    } else {
      SetStyleBits(hwnd, bit, needed);
    }
  }
  if (redraw) RepaintBars(hwnd);
  return pos;
}

bool GetScrollInfo(HWND hwnd, int32_t bar, SCROLLINFO* si) {
  TScrollState* st = StateOf(FromHandle(hwnd), bar);
  if (!st || !si) return false;
  if (si->fMask & SIF_RANGE) {
    si->nMin = st->Min;
    si->nMax = st->Max;
  }
  if (si->fMask & SIF_PAGE) si->nPage = UINT(st->Page);
  if (si->fMask & SIF_POS) si->nPos = st->Pos;
  if (si->fMask & SIF_TRACKPOS) si->nTrackPos = st->Tracking ? st->TrackPos : st->Pos;
  return true;
}

int32_t SetScrollPos(HWND hwnd, int32_t bar, int32_t pos, bool redraw) {
  TScrollState* st = StateOf(FromHandle(hwnd), bar);
  if (!st) return 0;
  int32_t old = st->Pos;
  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return old;
}

int32_t GetScrollPos(HWND hwnd, int32_t bar) {
  TScrollState* st = StateOf(FromHandle(hwnd), bar);
  return st ? st->Pos : 0;
}

bool SetScrollRange(HWND hwnd, int32_t bar, int32_t minPos, int32_t maxPos, bool redraw) {
  if (!StateOf(FromHandle(hwnd), bar)) return false;
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMin = minPos;
  si.nMax = maxPos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return true;
}

bool GetScrollRange(HWND hwnd, int32_t bar, int32_t* minPos, int32_t* maxPos) {
  TScrollState* st = StateOf(FromHandle(hwnd), bar);
  if (!st) return false;
  if (minPos) *minPos = st->Min;
  if (maxPos) *maxPos = st->Max;
  return true;
}

bool ShowScrollBar(HWND hwnd, int32_t bar, bool show) {
  if (!FromHandle(hwnd)) return false;
  DWORD bits = bar == SB_VERT   ? WS_VSCROLL
               : bar == SB_HORZ ? WS_HSCROLL
               : bar == SB_BOTH ? (WS_VSCROLL | WS_HSCROLL)
                                : 0;
  if (!bits) return false;
  SetStyleBits(hwnd, bits, show);
  return true;
}

bool EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  bool changed = false;
  for (int32_t b : {SB_HORZ, SB_VERT}) {
    if (!(UINT(b) == bar || bar == UINT(SB_BOTH))) continue;
    TScrollState* st = StateOf(w, b);
    changed |= st->Disabled != arrows;
    st->Disabled = arrows;
  }
  RepaintBars(hwnd);
  return changed;
}

bool InitializeFlatSB(HWND hwnd) {
  return IsWindow(hwnd);
}
bool UninitializeFlatSB(HWND hwnd) {
  return IsWindow(hwnd);
}
