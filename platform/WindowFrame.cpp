// Windows: the non-client area of the standard frame (metrics, painting and
// hit testing).

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

}  // namespace

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
