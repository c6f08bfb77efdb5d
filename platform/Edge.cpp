// Three-dimensional edges and the classic frame controls.
#include <algorithm>
#include <cmath>

#include "platform/Draw.h"
#include "platform/Raster.h"
#include "platform/SysInfo.h"

using namespace raster;

namespace {

// Solid colour over a logical rectangle.
void Solid(HDC dc, int32_t l, int32_t t, int32_t r, int32_t b, COLORREF c) {
  if (r <= l || b <= t) return;
  HBRUSH br = CreateSolidBrush(c);
  TRect rc{l, t, r, b};
  FillRect(dc, &rc, br);
  DeleteObject(br);
}

void Pixel(HDC dc, int32_t x, int32_t y, COLORREF c) {
  SetPixelV(dc, x, y, c);
}

COLORREF Sys(int32_t i) {
  return GetSysColor(i);
}

struct EdgeColors {
  COLORREF tl, br;
};

// Lines of one border; shrinks r by the sides drawn.
void Border(HDC dc, TRect& r, UINT flags, EdgeColors c) {
  int32_t l = r.Left, t = r.Top, rr = r.Right, b = r.Bottom;
  if (rr <= l || b <= t) return;
  if (flags & BF_LEFT) Solid(dc, l, t, l + 1, (flags & BF_BOTTOM) ? b - 1 : b, c.tl);
  if (flags & BF_TOP) Solid(dc, l, t, (flags & BF_RIGHT) ? rr - 1 : rr, t + 1, c.tl);
  if (flags & BF_RIGHT) Solid(dc, rr - 1, t, rr, b, c.br);
  if (flags & BF_BOTTOM) Solid(dc, l, b - 1, rr, b, c.br);
  if (flags & BF_LEFT) ++r.Left;
  if (flags & BF_TOP) ++r.Top;
  if (flags & BF_RIGHT) --r.Right;
  if (flags & BF_BOTTOM) --r.Bottom;
}

}  // namespace

BOOL DrawEdge(HDC dc, TRect* rc, UINT edge, UINT flags) {
  if (!IsDC(dc) || !rc) return FALSE;
  TRect r = *rc;
  bool soft = flags & BF_SOFT;
  UINT outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
  auto pick = [&](bool isOuter, UINT kind) -> EdgeColors {
    if (flags & BF_MONO)
      return isOuter ? EdgeColors{Sys(COLOR_WINDOWFRAME), Sys(COLOR_WINDOWFRAME)}
                     : EdgeColors{Sys(COLOR_WINDOW), Sys(COLOR_WINDOW)};
    if (flags & BF_FLAT)
      return isOuter ? EdgeColors{Sys(COLOR_3DSHADOW), Sys(COLOR_3DSHADOW)}
                     : EdgeColors{Sys(COLOR_3DFACE), Sys(COLOR_3DFACE)};
    bool raised = kind == BDR_RAISEDOUTER || kind == BDR_RAISEDINNER;
    if (isOuter) {
      if (raised) return {Sys(soft ? COLOR_3DHILIGHT : COLOR_3DLIGHT), Sys(COLOR_3DDKSHADOW)};
      return {Sys(soft ? COLOR_3DDKSHADOW : COLOR_3DSHADOW), Sys(COLOR_3DHILIGHT)};
    }
    if (raised) return {Sys(soft ? COLOR_3DLIGHT : COLOR_3DHILIGHT), Sys(COLOR_3DSHADOW)};
    return {Sys(soft ? COLOR_3DSHADOW : COLOR_3DDKSHADOW), Sys(COLOR_3DLIGHT)};
  };
  // Both kinds of one border at once (BDR_OUTER) draw as raised.
  if (outer)
    Border(dc, r, flags, pick(true, (outer & BDR_RAISEDOUTER) ? BDR_RAISEDOUTER : BDR_SUNKENOUTER));
  if (inner)
    Border(dc, r, flags,
           pick(false, (inner & BDR_RAISEDINNER) ? BDR_RAISEDINNER : BDR_SUNKENINNER));
  if (flags & BF_MIDDLE)
    Solid(dc, r.Left, r.Top, r.Right, r.Bottom,
          Sys((flags & BF_MONO) ? COLOR_WINDOW : COLOR_3DFACE));
  if (flags & BF_ADJUST) *rc = r;
  return TRUE;
}

namespace {

// A filled triangle arrow pointing dir (0 up, 1 down, 2 left, 3 right) of
// half-width n centred in r.
void Arrow(HDC dc, const TRect& r, int dir, int32_t n, COLORREF c) {
  int32_t cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
  for (int32_t i = 0; i < n; ++i) {
    int32_t half = i;  // row i of the arrow spans 2 * i + 1 pixels
    switch (dir) {
      case 0:
        Solid(dc, cx - half, cy - n / 2 + i, cx + half + 1, cy - n / 2 + i + 1, c);
        break;
      case 1:
        Solid(dc, cx - half, cy + n / 2 - i, cx + half + 1, cy + n / 2 - i + 1, c);
        break;
      case 2:
        Solid(dc, cx - n / 2 + i, cy - half, cx - n / 2 + i + 1, cy + half + 1, c);
        break;
      default:
        Solid(dc, cx + n / 2 - i, cy - half, cx + n / 2 - i + 1, cy + half + 1, c);
        break;
    }
  }
}

// A check mark of stroke 3 pixels filling about two thirds of the square r.
void CheckMark(HDC dc, const TRect& r, COLORREF c) {
  int32_t s = std::min(r.Width(), r.Height());
  int32_t x0 = r.Left + (r.Width() - s) / 2 + s / 4, y0 = r.Top + (r.Height() - s) / 2 + s / 2 - 1;
  int32_t a = std::max(2, s / 5), b = std::max(3, s / 3);
  for (int32_t i = 0; i < a; ++i) Solid(dc, x0 + i, y0 + i, x0 + i + 1, y0 + i + 3, c);
  for (int32_t i = 0; i < b; ++i)
    Solid(dc, x0 + a + i, y0 + a - 2 - i, x0 + a + i + 1, y0 + a - 2 - i + 3, c);
}

// A cross of two diagonal strokes two pixels wide.
void Cross(HDC dc, const TRect& r, COLORREF c) {
  int32_t s = std::min(r.Width(), r.Height()) / 2;
  if (s < 2) return;
  int32_t x0 = (r.Left + r.Right - s) / 2, y0 = (r.Top + r.Bottom - s) / 2;
  for (int32_t i = 0; i < s; ++i) {
    Solid(dc, x0 + i, y0 + i, x0 + i + 2, y0 + i + 1, c);
    Solid(dc, x0 + s - 1 - i, y0 + i, x0 + s + 1 - i, y0 + i + 1, c);
  }
}

void ButtonFace(HDC dc, TRect& r, UINT state) {
  if (state & DFCS_FLAT) {
    DrawEdge(dc, &r, (state & DFCS_PUSHED) ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
             BF_RECT | BF_MIDDLE | BF_ADJUST);
  } else if (state & (DFCS_PUSHED | DFCS_CHECKED)) {
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_ADJUST);
  } else {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT | BF_ADJUST);
  }
}

COLORREF GlyphColor(UINT state) {
  return Sys((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
}

void CheckBox(HDC dc, const TRect& r, UINT state) {
  int32_t s = std::min(r.Width(), r.Height());
  TRect box{r.Left, r.Top + (r.Height() - s) / 2, r.Left + s, r.Top + (r.Height() - s) / 2 + s};
  TRect in = box;
  DrawEdge(dc, &in, EDGE_SUNKEN,
           (state & DFCS_FLAT) ? BF_RECT | BF_FLAT | BF_ADJUST : BF_RECT | BF_ADJUST);
  bool grey = (state & (DFCS_PUSHED | DFCS_INACTIVE)) ||
              ((state & 0xFF) == DFCS_BUTTON3STATE && (state & DFCS_CHECKED));
  Solid(dc, in.Left, in.Top, in.Right, in.Bottom, Sys(grey ? COLOR_3DFACE : COLOR_WINDOW));
  if (state & DFCS_CHECKED)
    CheckMark(dc, in, (state & DFCS_INACTIVE) ? Sys(COLOR_GRAYTEXT) : Sys(COLOR_WINDOWTEXT));
}

void Radio(HDC dc, const TRect& r, UINT state) {
  int32_t s = std::min(r.Width(), r.Height());
  double c0x = r.Left + s / 2.0, c0y = r.Top + (r.Height() - s) / 2 + s / 2.0;
  double R = s / 2.0;
  bool mask = (state & 0xFF) == DFCS_BUTTONRADIOMASK;
  bool grey = state & (DFCS_PUSHED | DFCS_INACTIVE);
  for (int32_t y = r.Top; y < r.Bottom; ++y)
    for (int32_t x = r.Left; x < r.Left + s; ++x) {
      double dx = x + 0.5 - c0x, dy = y + 0.5 - c0y;
      double d = std::sqrt(dx * dx + dy * dy);
      if (d > R) continue;
      if (mask) {
        Pixel(dc, x, y, RGB(0, 0, 0));
        continue;
      }
      bool upperLeft = dx + dy < 0;
      COLORREF c;
      if (d > R - 1)
        c = Sys(upperLeft ? COLOR_3DSHADOW : COLOR_3DHILIGHT);
      else if (d > R - 2)
        c = Sys(upperLeft ? COLOR_3DDKSHADOW : COLOR_3DLIGHT);
      else if ((state & DFCS_CHECKED) && d < R / 3 + 0.5)
        c = GlyphColor(state & ~DFCS_PUSHED);
      else
        c = Sys(grey ? COLOR_3DFACE : COLOR_WINDOW);
      Pixel(dc, x, y, c);
    }
}

}  // namespace

BOOL DrawFrameControl(HDC dc, TRect* rc, UINT type, UINT state) {
  if (!IsDC(dc) || !rc) return FALSE;
  TRect r = *rc;
  UINT kind = state & 0xFF;
  switch (type) {
    case DFC_BUTTON:
      if (kind & DFCS_BUTTONPUSH) {
        ButtonFace(dc, r, state);
        if (state & DFCS_ADJUSTRECT) *rc = r;
      } else if (kind & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK)) {
        Radio(dc, r, state);
      } else {
        CheckBox(dc, r, state);
      }
      return TRUE;
    case DFC_SCROLL: {
      if (kind == DFCS_SCROLLSIZEGRIP) {
        Solid(dc, r.Left, r.Top, r.Right, r.Bottom, Sys(COLOR_3DFACE));
        // Three diagonal grooves towards the bottom-right corner.
        int32_t s = std::min(r.Width(), r.Height());
        for (int32_t off = 2; off < s; off += 4)
          for (int32_t j = 0; j <= off; ++j) {
            Pixel(dc, r.Right - 1 - j, r.Bottom - 1 - off + j, Sys(COLOR_3DHILIGHT));
            if (off + 1 < s) Pixel(dc, r.Right - 1 - j, r.Bottom - off + j, Sys(COLOR_3DSHADOW));
          }
        return TRUE;
      }
      TRect face = r;
      if (state & DFCS_PUSHED) {
        DrawEdge(dc, &face, BDR_SUNKENOUTER, BF_RECT | BF_FLAT | BF_MIDDLE | BF_ADJUST);
      } else {
        ButtonFace(dc, face, state & ~DFCS_CHECKED);
      }
      int dir = kind == DFCS_SCROLLUP      ? 0
                : kind == DFCS_SCROLLLEFT  ? 2
                : kind == DFCS_SCROLLRIGHT ? 3
                                           : 1;
      int32_t n = std::max(2, (std::min(r.Width(), r.Height()) + 1) / 4);
      TRect g = r;
      if (state & DFCS_PUSHED) OffsetRect(&g, 1, 1);
      if (state & DFCS_INACTIVE) {
        TRect h = g;
        OffsetRect(&h, 1, 1);
        Arrow(dc, h, dir, n, Sys(COLOR_3DHILIGHT));
      }
      Arrow(dc, g, dir, n, GlyphColor(state));
      return TRUE;
    }
    case DFC_CAPTION: {
      TRect face = r;
      ButtonFace(dc, face, state);
      TRect g = r;
      InflateRect(&g, -1, -1);
      if (state & DFCS_PUSHED) OffsetRect(&g, 1, 1);
      COLORREF c = GlyphColor(state);
      if (state & DFCS_INACTIVE) {
        TRect h = g;
        OffsetRect(&h, 1, 1);
        if (kind == DFCS_CAPTIONCLOSE) Cross(dc, h, Sys(COLOR_3DHILIGHT));
      }
      int32_t w = g.Width(), h = g.Height();
      switch (kind) {
        case DFCS_CAPTIONCLOSE:
          Cross(dc, g, c);
          break;
        case DFCS_CAPTIONMIN:
          Solid(dc, g.Left + w / 4, g.Bottom - h / 4 - 2, g.Right - w / 4, g.Bottom - h / 4, c);
          break;
        case DFCS_CAPTIONMAX: {
          TRect m{g.Left + w / 5, g.Top + h / 5, g.Right - w / 5, g.Bottom - h / 5};
          FrameRect(dc, &m,
                    GetSysColorBrush((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
          Solid(dc, m.Left, m.Top + 1, m.Right, m.Top + 2, c);
          break;
        }
        case DFCS_CAPTIONRESTORE: {
          int32_t q = std::max(3, w / 2);
          TRect a{g.Left + w / 5 + q / 3, g.Top + h / 5, g.Left + w / 5 + q / 3 + q,
                  g.Top + h / 5 + q};
          TRect b{g.Left + w / 5, g.Top + h / 5 + q / 3, g.Left + w / 5 + q,
                  g.Top + h / 5 + q / 3 + q};
          HBRUSH br = GetSysColorBrush((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
          FrameRect(dc, &a, br);
          Solid(dc, b.Left, b.Top, b.Right, b.Bottom, Sys(COLOR_3DFACE));
          FrameRect(dc, &b, br);
          break;
        }
        default:  // help: a dot under a short bar
          Solid(dc, g.Left + w / 2 - 1, g.Bottom - h / 4 - 2, g.Left + w / 2 + 1, g.Bottom - h / 4,
                c);
          Solid(dc, g.Left + w / 2 - 1, g.Top + h / 4, g.Left + w / 2 + 1, g.Bottom - h / 4 - 3, c);
          break;
      }
      return TRUE;
    }
    case DFC_MENU:
    case DFC_POPUPMENU: {
      // Menu glyphs come black on white, ready to serve as a mask.
      Solid(dc, r.Left, r.Top, r.Right, r.Bottom, RGB(255, 255, 255));
      int32_t n = std::max(2, (std::min(r.Width(), r.Height()) + 1) / 3);
      if (kind == DFCS_MENUCHECK) {
        CheckMark(dc, r, RGB(0, 0, 0));
      } else if (kind == DFCS_MENUBULLET) {
        int32_t s = std::max(2, std::min(r.Width(), r.Height()) / 3);
        int32_t x = (r.Left + r.Right - s) / 2, y = (r.Top + r.Bottom - s) / 2;
        HBRUSH old = SelectObject(dc, StockBrush(BLACK_BRUSH));
        HPEN oldPen = SelectObject(dc, StockPen(NULL_PEN));
        Ellipse(dc, x, y, x + s + 1, y + s + 1);
        SelectObject(dc, old);
        SelectObject(dc, oldPen);
      } else {
        Arrow(dc, r, kind == DFCS_MENUARROWRIGHT ? 2 : 3, n, RGB(0, 0, 0));
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}
