#include "platform/Draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/Raster.h"
#include "platform/SysInfo.h"

namespace raster {

Target::Target(HDC dc) {
  if (!IsDC(dc)) return;
  if (dc->IsMemory()) {
    bm_ = dc->st.bitmap;
    if (bm_ && bm_->Plain32()) s32_ = &bm_->surface, bm_ = nullptr;
  } else {
    s32_ = dc->surface;
  }
  if (s32_) {
    w_ = s32_->Width();
    h_ = s32_->Height();
  } else if (bm_) {
    w_ = bm_->width;
    h_ = bm_->height;
  }
}

void Target::Read(int32_t y, int32_t x0, int32_t n, uint32_t* out) const {
  if (s32_) {
    std::memcpy(out, s32_->Row(y) + x0, size_t(n) * 4);
  } else if (bm_) {
    ReadBitmapRow(*bm_, y, x0, n, out);
  }
}

namespace {
// The bytes a target's pixels occupy, [first, last).
std::pair<const uint8_t*, const uint8_t*> PixelSpan(const Surface* s, const BitmapObject* b) {
  if (s && !s->Empty()) {
    const uint8_t* top = s->Pixels();
    const uint8_t* bottom = top + ptrdiff_t(s->Height() - 1) * s->Stride();
    return {std::min(top, bottom), std::max(top, bottom) + size_t(s->Width()) * 4};
  }
  if (b && b->bits) return {b->bits, b->bits + size_t(b->rowBytes) * size_t(b->height)};
  return {nullptr, nullptr};
}
}  // namespace

bool Target::SharesMemoryWith(const Target& Other) const {
  const auto a = PixelSpan(s32_, bm_), b = PixelSpan(Other.s32_, Other.bm_);
  return a.first && b.first && a.first < b.second && b.first < a.second;
}

namespace {
// Hatch tiles: one byte per row, most significant bit leftmost.
constexpr uint8_t kHatch[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF},  // horizontal
    {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},  // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal (\)
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal (/)
    {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0xFF},  // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
};
}  // namespace

HBRUSH ResolveBrush(HBRUSH brush) {
  uintptr_t v = reinterpret_cast<uintptr_t>(brush);
  if (v > 0 && v <= uintptr_t(COLOR_ENDCOLORS) + 1) return GetSysColorBrush(int32_t(v - 1));
  return brush;
}

Pattern::Pattern(HDC dc, HBRUSH brush) {
  brush = ResolveBrush(brush);
  if (!IsGdiObject(brush) || brush->kind != OBJ_BRUSH || brush->style == BS_NULL) return;
  null = false;
  ox = dc->origin.X + dc->st.brushOrg.X;
  oy = dc->origin.Y + dc->st.brushOrg.Y;
  uint32_t fg = Px(brush->color);
  switch (brush->style) {
    case BS_SOLID:
      solid = true;
      color = fg;
      std::fill(std::begin(px), std::end(px), fg);
      std::fill(std::begin(paint), std::end(paint), true);
      break;
    case BS_HATCHED: {
      uint32_t bk = Px(dc->st.bkColor);
      bool opaque = dc->st.bkMode == OPAQUE;
      const uint8_t* rows = kHatch[std::clamp(brush->hatch, 0, 5)];
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          bool on = (rows[y] >> (7 - x)) & 1;
          px[y * 8 + x] = on ? fg : bk;
          paint[y * 8 + x] = on || opaque;
        }
      break;
    }
    case BS_PATTERN:
      for (int i = 0; i < 64; ++i) {
        px[i] = brush->mono ? (brush->tile[i] ? Px(dc->st.bkColor) : Px(dc->st.textColor))
                            : (brush->tile[i] & 0xFFFFFF);
        paint[i] = true;
      }
      break;
    default:
      null = true;
  }
}

void PatternSpan(HDC dc, Target& t, const Pattern& pat, int mode, int32_t y, int32_t x0,
                 int32_t x1) {
  if (pat.null || mode == R2_NOP) return;
  const bool fill = pat.solid && mode == R2_COPYPEN;
  dc->Clip().ForEachSpan(y, x0, x1, [&](int32_t l, int32_t r) {
    if (fill) return t.Fill(y, l, r, pat.color);
    t.Modify(y, l, r, [&](uint32_t* p, int32_t xs, int32_t n) {
      for (int32_t i = 0; i < n; ++i) {
        int32_t x = xs + i;
        if (!pat.Paints(x, y)) continue;
        p[i] = Rop2(mode, p[i], pat.At(x, y));
      }
    });
  });
}

void PatternRect(HDC dc, Target& t, const Pattern& pat, uint8_t code, const TRect& area) {
  bool usesP = RopUsesPattern(code);
  if (usesP && pat.null) return;
  TRect box = dc->Clip().Box(), r;
  if (!IntersectRect(&r, &area, &box)) return;
  const bool fill = code == 0xF0 && pat.solid;
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    dc->Clip().ForEachSpan(y, r.Left, r.Right, [&](int32_t l, int32_t rr) {
      if (fill) return t.Fill(y, l, rr, pat.color);
      t.Modify(y, l, rr, [&](uint32_t* p, int32_t xs, int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
          int32_t x = xs + i;
          if (usesP && !pat.Paints(x, y)) continue;
          p[i] = Rop3(code, usesP ? pat.At(x, y) : 0, 0, p[i]);
        }
      });
    });
  }
}

}  // namespace raster

using namespace raster;

namespace {

// Dash lengths of the cosmetic pen styles, alternating on and off.
struct DashStyle {
  const int* runs;
  int count;
};

DashStyle DashOf(int style) {
  static constexpr int kDash[] = {18, 6};
  static constexpr int kDot[] = {3, 3};
  static constexpr int kDashDot[] = {9, 6, 3, 6};
  static constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};
  static constexpr int kAlternate[] = {1, 1};
  switch (style) {
    case PS_DASH:
      return {kDash, 2};
    case PS_DOT:
      return {kDot, 2};
    case PS_DASHDOT:
      return {kDashDot, 4};
    case PS_DASHDOTDOT:
      return {kDashDotDot, 6};
    case PS_ALTERNATE:
      return {kAlternate, 2};
    default:
      return {nullptr, 0};
  }
}

// Draws pen lines in surface coordinates for one call (a line, polyline or
// outline); the dash position runs on across its segments.
class PenPainter {
 public:
  PenPainter(HDC dc, Target& t) : dc_(dc), t_(t) {
    HPEN pen = dc->st.pen;
    if (!pen || pen->style == PS_NULL) return;
    active_ = true;
    color_ = Px(pen->color);
    width_ = std::max(pen->width, 1);
    mode_ = dc->st.rop2;
    if (width_ == 1) dash_ = DashOf(pen->style);
    opaque_ = dc->st.bkMode == OPAQUE;
    bk_ = Px(dc->st.bkColor);
  }
  bool Active() const { return active_; }
  int Width() const { return width_; }

  // From (x0, y0) to (x1, y1), the end point left out for thin pens. Pixel
  // k (0 <= k < n, n the longer extent) steps the longer axis k times and
  // the shorter one by k * short / long rounded half up, so that only the
  // pixels inside the clip box need to be visited.
  void Segment(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (!active_) return;
    if (width_ > 1) {
      Wide(x0, y0, x1, y1);
      return;
    }
    int64_t adx = std::abs(int64_t(x1) - x0), ady = std::abs(int64_t(y1) - y0);
    int64_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int64_t n = std::max(adx, ady);
    if (n == 0) return;
    TRect box = dc_->Clip().Box();
    bool xMajor = adx >= ady;
    int64_t lo = 0, hi = n - 1;
    if (box.Right > box.Left && box.Bottom > box.Top) {
      // Steps whose major coordinate lies in the box.
      int64_t m0 = xMajor ? x0 : y0, s = xMajor ? sx : sy;
      int64_t bl = xMajor ? box.Left : box.Top, br = (xMajor ? box.Right : box.Bottom) - 1;
      int64_t kA = s > 0 ? bl - m0 : m0 - br, kB = s > 0 ? br - m0 : m0 - bl;
      lo = std::max<int64_t>(lo, kA);
      hi = std::min<int64_t>(hi, kB);
    } else {
      hi = -1;
    }
    int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
    for (int64_t k = lo; k <= hi; ++k) {
      int64_t m = (2 * k * minor + major) / (2 * major);
      int64_t x = xMajor ? x0 + sx * k : x0 + sx * m;
      int64_t y = xMajor ? y0 + sy * m : y0 + sy * k;
      Plot(int32_t(x), int32_t(y), styleCount_ + k);
    }
    styleCount_ += n;
  }

  // Whether pixel number s of the call is on in the dash pattern.
  bool DashOn(int64_t s) const {
    if (!dash_.count) return true;
    int total = 0;
    for (int i = 0; i < dash_.count; ++i) total += dash_.runs[i];
    int64_t pos = s % total;
    for (int i = 0; i < dash_.count; ++i) {
      if (pos < dash_.runs[i]) return i % 2 == 0;
      pos -= dash_.runs[i];
    }
    return true;
  }

  void Plot(int32_t x, int32_t y, int64_t styleIndex) {
    bool on = DashOn(styleIndex);
    if (!on && !opaque_) return;
    if (x < 0 || y < 0 || x >= t_.Width() || y >= t_.Height()) return;
    if (!dc_->Clip().Contains(x, y)) return;
    uint32_t c = on ? color_ : bk_;
    t_.Modify(y, x, x + 1, [&](uint32_t* p, int32_t, int32_t) { p[0] = Rop2(mode_, p[0], c); });
  }

  // Pixels whose centres lie within width / 2 of the segment (round ends).
  void Wide(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    double r = width_ / 2.0;
    int32_t minX = int32_t(std::floor(std::min(x0, x1) - r)),
            maxX = int32_t(std::ceil(std::max(x0, x1) + r));
    int32_t minY = int32_t(std::floor(std::min(y0, y1) - r)),
            maxY = int32_t(std::ceil(std::max(y0, y1) + r));
    TRect cb = dc_->Clip().Box();
    minY = std::max(minY, cb.Top);
    maxY = std::min(maxY, cb.Bottom - 1);
    double vx = x1 - x0, vy = y1 - y0, len2 = vx * vx + vy * vy;
    double lim = r * r - 1e-9;
    for (int32_t y = minY; y <= maxY; ++y) {
      int32_t a = INT32_MAX, b = INT32_MIN;
      int32_t sx0 = minX, sx1 = maxX;
      if (std::fabs(vy) > 0.5) {
        // Only around where the centre line crosses this row.
        double xc = x0 + (y - y0) * vx / vy;
        double hw = r * std::sqrt(len2) / std::fabs(vy) + r + 2;
        // Held within the line's box in floating point: far-off end points
        // put the crossing beyond 32 bits.
        sx0 = int32_t(std::clamp(std::floor(xc - hw), double(minX), double(maxX) + 1));
        sx1 = int32_t(std::clamp(std::ceil(xc + hw), double(minX) - 1, double(maxX)));
      }
      sx0 = std::max(sx0, cb.Left - 1);
      sx1 = std::min(sx1, cb.Right);
      for (int32_t x = sx0; x <= sx1; ++x) {
        double u = len2 > 0 ? ((x - x0) * vx + (y - y0) * vy) / len2 : 0;
        u = std::clamp(u, 0.0, 1.0);
        double ex = x0 + u * vx - x, ey = y0 + u * vy - y;
        if (ex * ex + ey * ey < lim + 0.25) {
          a = std::min(a, x);
          b = std::max(b, x);
        }
      }
      if (a > b) continue;
      Span(y, a, b + 1);
    }
  }

  void Span(int32_t y, int32_t x0, int32_t x1) {
    dc_->Clip().ForEachSpan(y, x0, x1, [&](int32_t l, int32_t rr) {
      t_.Modify(y, l, rr, [&](uint32_t* p, int32_t, int32_t n) {
        for (int32_t i = 0; i < n; ++i) p[i] = Rop2(mode_, p[i], color_);
      });
    });
  }

 private:
  HDC dc_;
  Target& t_;
  bool active_ = false;
  uint32_t color_ = 0, bk_ = 0;
  int width_ = 1;
  int mode_ = R2_COPYPEN;
  bool opaque_ = true;
  DashStyle dash_{nullptr, 0};
  int64_t styleCount_ = 0;  // pixels stepped so far, for the dash pattern
};

// A shape as one span [l, r) per row, rows top .. top + size - 1.
struct Shape {
  int32_t top = 0;
  std::vector<std::pair<int32_t, int32_t>> rows;
  bool In(int32_t x, int32_t y) const {
    if (y < top || y >= top + int32_t(rows.size())) return false;
    auto [l, r] = rows[size_t(y - top)];
    return x >= l && x < r;
  }
};

// Rows and spans outside lim (the clip box grown by one pixel) are left out,
// so that huge shapes cost no more than the visible part.
Shape RectShape(const TRect& b, const TRect& lim) {
  Shape s;
  s.top = std::max(b.Top, lim.Top);
  int32_t bottom = std::min(b.Bottom, lim.Bottom);
  for (int32_t y = s.top; y < bottom; ++y)
    s.rows.push_back({std::max(b.Left, lim.Left), std::min(b.Right, lim.Right)});
  return s;
}

// Corner ellipses of cw by ch pixels; cw = width, ch = height gives an ellipse.
Shape RoundShape(const TRect& b, int32_t cw, int32_t ch, const TRect& lim) {
  Shape s;
  s.top = std::max(b.Top, lim.Top);
  if (b.Right <= b.Left || b.Bottom <= b.Top) return s;
  int32_t bottom = std::min(b.Bottom, lim.Bottom);
  for (int32_t y = s.top; y < bottom; ++y) {
    int32_t l, r;
    RoundRectSpan(b, cw, ch, y, &l, &r);
    l = std::max(l, lim.Left);
    r = std::min(r, lim.Right);
    s.rows.push_back({l, std::max(l, r)});
  }
  return s;
}

// Fills and outlines a shape (surface coordinates) with the DC's brush and pen.
void PaintShape(HDC dc, Target& t, const Shape& outer, const Shape* inner, bool outline) {
  Pattern pat(dc, dc->st.brush);
  PenPainter pen(dc, t);
  int32_t n = int32_t(outer.rows.size());
  for (int32_t i = 0; i < n; ++i) {
    int32_t y = outer.top + i;
    auto [l, r] = outer.rows[size_t(i)];
    if (l >= r) continue;
    if (!outline) {
      PatternSpan(dc, t, pat, dc->st.rop2, y, l, r);
      continue;
    }
    if (inner) {
      // Wide outline: outer less inner.
      int32_t il = r, ir = r;
      if (y >= inner->top && y < inner->top + int32_t(inner->rows.size())) {
        auto in = inner->rows[size_t(y - inner->top)];
        if (in.first < in.second) il = in.first, ir = in.second;
      }
      if (il >= ir) {
        pen.Span(y, l, r);
        continue;
      }
      pen.Span(y, l, std::max(l, il));
      PatternSpan(dc, t, pat, dc->st.rop2, y, il, ir);
      pen.Span(y, std::min(ir, r), r);
      continue;
    }
    // One-pixel outline: pixels with a 4-neighbour outside the shape.
    int32_t x = l;
    while (x < r) {
      bool border = x == l || x == r - 1 || !outer.In(x, y - 1) || !outer.In(x, y + 1);
      int32_t e = x + 1;
      if (!border) {
        while (e < r - 1 && outer.In(e, y - 1) && outer.In(e, y + 1)) ++e;
        PatternSpan(dc, t, pat, dc->st.rop2, y, x, e);
      } else {
        pen.Span(y, x, e);
      }
      x = e;
    }
  }
}

void DrawBoxShape(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t cw,
                  int32_t ch, bool ellipse) {
  Target t(dc);
  if (!t.Valid()) return;
  TRect b = dc->ToSurface(TRect{std::min(left, right), std::min(top, bottom), std::max(left, right),
                                std::max(top, bottom)});
  HPEN pen = dc->st.pen;
  bool nullPen = !pen || pen->style == PS_NULL;
  TRect lim = dc->Clip().Box();
  InflateRect(&lim, 1, 1);
  auto make = [&](const TRect& r) {
    if (ellipse) return RoundShape(r, r.Width(), r.Height(), lim);
    return cw > 0 && ch > 0 ? RoundShape(r, cw, ch, lim) : RectShape(r, lim);
  };
  if (nullPen) {
    // Without a pen the filled area loses the outline's right and bottom pixel.
    TRect f{b.Left, b.Top, b.Right - 1, b.Bottom - 1};
    PaintShape(dc, t, make(f), nullptr, false);
    return;
  }
  int w = std::max(pen->width, 1);
  const bool styled = pen->style >= PS_DASH && pen->style <= PS_DASHDOTDOT;
  if (w == 1 && styled && !ellipse && !(cw > 0 && ch > 0)) {
    // A dashed or dotted outline: the brush fills the inside, the pen's own
    // line drawing (which knows the dashes) draws the border.
    if (b.Right - b.Left > 2 && b.Bottom - b.Top > 2)
      PaintShape(dc, t, RectShape(TRect{b.Left + 1, b.Top + 1, b.Right - 1, b.Bottom - 1}, lim), nullptr,
                 false);
    const int32_t l = std::min(left, right), tp = std::min(top, bottom);
    const int32_t r = std::max(left, right) - 1, bt = std::max(top, bottom) - 1;
    const TPoint corners[5] = {{l, tp}, {r, tp}, {r, bt}, {l, bt}, {l, tp}};
    const TPoint saved = dc->st.curPos;
    Polyline(dc, corners, 5);
    dc->st.curPos = saved;
    return;
  }
  if (w == 1) {
    PaintShape(dc, t, make(b), nullptr, true);
    return;
  }
  TRect outerBox = b;
  if (pen->style != PS_INSIDEFRAME) {
    int off = w / 2;
    outerBox = TRect{b.Left - off, b.Top - off, b.Right + (w - 1 - off), b.Bottom + (w - 1 - off)};
  }
  TRect innerBox{outerBox.Left + w, outerBox.Top + w, outerBox.Right - w, outerBox.Bottom - w};
  Shape outer = make(outerBox);
  Shape inner =
      innerBox.Right > innerBox.Left && innerBox.Bottom > innerBox.Top ? make(innerBox) : Shape{};
  PaintShape(dc, t, outer, &inner, true);
}

}  // namespace

// Pixels

COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF c) {
  if (!IsDC(dc)) return CLR_INVALID;
  Target t(dc);
  int32_t sx = dc->SX(x), sy = dc->SY(y);
  if (!t.Valid() || !dc->Clip().Contains(sx, sy)) return CLR_INVALID;
  uint32_t v = Px(c);
  t.Modify(sy, sx, sx + 1, [&](uint32_t* p, int32_t, int32_t) { p[0] = v; });
  return PixelToColorRef(t.Get(sx, sy) & 0xFFFFFF);
}

BOOL SetPixelV(HDC dc, int32_t x, int32_t y, COLORREF c) {
  return SetPixel(dc, x, y, c) != CLR_INVALID;
}

COLORREF GetPixel(HDC dc, int32_t x, int32_t y) {
  if (!IsDC(dc)) return CLR_INVALID;
  Target t(dc);
  int32_t sx = dc->SX(x), sy = dc->SY(y);
  if (!t.Valid() || !dc->Clip().Contains(sx, sy)) return CLR_INVALID;
  return PixelToColorRef(t.Get(sx, sy) & 0xFFFFFF);
}

// Lines

BOOL LineTo(HDC dc, int32_t x, int32_t y) {
  if (!IsDC(dc)) return FALSE;
  Target t(dc);
  TPoint from = dc->st.curPos;
  dc->st.curPos = TPoint{x, y};
  if (!t.Valid()) return TRUE;
  PenPainter pen(dc, t);
  pen.Segment(dc->SX(from.X), dc->SY(from.Y), dc->SX(x), dc->SY(y));
  return TRUE;
}

BOOL Polyline(HDC dc, const TPoint* pts, int count) {
  if (!IsDC(dc) || !pts || count < 2) return FALSE;
  Target t(dc);
  if (!t.Valid()) return TRUE;
  PenPainter pen(dc, t);
  for (int i = 1; i < count; ++i)
    pen.Segment(dc->SX(pts[i - 1].X), dc->SY(pts[i - 1].Y), dc->SX(pts[i].X), dc->SY(pts[i].Y));
  return TRUE;
}

BOOL PolylineTo(HDC dc, const TPoint* pts, int count) {
  if (!IsDC(dc) || !pts || count < 1) return FALSE;
  for (int i = 0; i < count; ++i) LineTo(dc, pts[i].X, pts[i].Y);
  return TRUE;
}

BOOL Polygon(HDC dc, const TPoint* pts, int count) { return PolyPolygon(dc, pts, &count, 1); }

BOOL PolyPolygon(HDC dc, const TPoint* pts, const int* counts, int polys) {
  if (!IsDC(dc) || !pts || !counts || polys < 1) return FALSE;
  size_t total = 0;
  for (int p = 0; p < polys; ++p) {
    if (counts[p] < 2) return FALSE;
    total += size_t(counts[p]);
  }
  Target t(dc);
  if (!t.Valid()) return TRUE;
  // Every edge of every ring, the last point of each ring joined to its first.
  struct Edge {
    TPoint a, b;
  };
  std::vector<Edge> edges;
  edges.reserve(total);
  int32_t minY = INT32_MAX, maxY = INT32_MIN;
  size_t at = 0;
  for (int p = 0; p < polys; ++p) {
    const size_t n = size_t(counts[p]);
    for (size_t i = 0; i < n; ++i) {
      const TPoint& a = pts[at + i];
      const TPoint& b = pts[at + (i + 1) % n];
      const Edge e{TPoint{dc->SX(a.X), dc->SY(a.Y)}, TPoint{dc->SX(b.X), dc->SY(b.Y)}};
      minY = std::min(minY, e.a.Y);
      maxY = std::max(maxY, e.a.Y);
      edges.push_back(e);
    }
    at += n;
  }
  TRect cb = dc->Clip().Box();
  minY = std::max(minY, cb.Top);
  maxY = std::min(maxY, cb.Bottom);
  Pattern pat(dc, dc->st.brush);
  HPEN hp = dc->st.pen;
  const bool nullPen = !hp || hp->style == PS_NULL;
  if (!pat.null) {
    // The interior is half open: its right and bottom edges are left out.
    // Without a pen a pixel is filled when its centre (x + 0.5, y + 0.5) is
    // inside. With a pen the outline runs through the points (x, y) of the
    // pixels it plots, so the interior is sampled at those same points: the
    // fill then meets the outline and small shapes come out solid. All rings
    // are filled together, so under ALTERNATE an inner ring makes a hole.
    const double off = nullPen ? 0.5 : 0.0;
    std::vector<std::pair<double, int>> xs;
    for (int32_t y = minY; y < maxY; ++y) {
      double cy = y + off;
      xs.clear();
      for (const Edge& e : edges) {
        const TPoint& a = e.a;
        const TPoint& b = e.b;
        if (a.Y == b.Y) continue;
        bool up = a.Y < b.Y;
        double y0 = up ? a.Y : b.Y, y1 = up ? b.Y : a.Y;
        if (cy < y0 || cy >= y1) continue;
        double x = a.X + (cy - a.Y) * double(b.X - a.X) / double(b.Y - a.Y);
        xs.push_back({x, up ? 1 : -1});
      }
      std::sort(xs.begin(), xs.end());
      int wind = 0;
      for (size_t k = 0; k + 1 < xs.size(); ++k) {
        wind += xs[k].second;
        bool inside = dc->st.polyFillMode == WINDING ? wind != 0 : (k % 2) == 0;
        if (!inside) continue;
        int32_t l = int32_t(std::ceil(xs[k].first - off));
        int32_t r = int32_t(std::ceil(xs[k + 1].first - off));
        if (l < r) PatternSpan(dc, t, pat, dc->st.rop2, y, l, r);
      }
    }
  }
  // The closed outlines: each vertex starts one segment, the last one leads
  // back to the first, so no vertex is lost to the end point exclusion.
  PenPainter pen(dc, t);
  for (const Edge& e : edges) pen.Segment(e.a.X, e.a.Y, e.b.X, e.b.Y);
  return TRUE;
}

BOOL Rectangle(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!IsDC(dc)) return FALSE;
  DrawBoxShape(dc, left, top, right, bottom, 0, 0, false);
  return TRUE;
}

BOOL RoundRect(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t w,
               int32_t h) {
  if (!IsDC(dc)) return FALSE;
  DrawBoxShape(dc, left, top, right, bottom, std::abs(w), std::abs(h), false);
  return TRUE;
}

BOOL Ellipse(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!IsDC(dc)) return FALSE;
  DrawBoxShape(dc, left, top, right, bottom, 0, 0, true);
  return TRUE;
}

// Fills

namespace {

BOOL FillSurfaceRect(HDC dc, const TRect& r, HBRUSH brush, uint8_t code) {
  Target t(dc);
  if (!t.Valid()) return TRUE;
  Pattern pat(dc, brush);
  PatternRect(dc, t, pat, code, r);
  return TRUE;
}

// The region's pixels in surface coordinates, limited to the clip.
Region SurfaceRegion(HDC dc, HRGN rgn) {
  Region r = RegionOf(rgn);
  TPoint d = dc->DeviceOffset();
  r.Offset(d.X + dc->origin.X, d.Y + dc->origin.Y);
  return Region::Intersect(r, dc->Clip());
}

void FillRegion(HDC dc, const Region& r, HBRUSH brush, uint8_t code) {
  for (const TRect& rc : r.Rects()) FillSurfaceRect(dc, rc, brush, code);
}

}  // namespace

int FillRect(HDC dc, const TRect* r, HBRUSH brush) {
  if (!IsDC(dc) || !r) return FALSE;
  if (r->Right <= r->Left || r->Bottom <= r->Top) return TRUE;
  return FillSurfaceRect(dc, dc->ToSurface(*r), brush, 0xF0);
}

int FrameRect(HDC dc, const TRect* r, HBRUSH brush) {
  if (!IsDC(dc) || !r) return FALSE;
  if (r->Right <= r->Left || r->Bottom <= r->Top) return TRUE;
  TRect s = dc->ToSurface(*r);
  FillSurfaceRect(dc, TRect{s.Left, s.Top, s.Right, s.Top + 1}, brush, 0xF0);
  if (s.Bottom - s.Top > 1)
    FillSurfaceRect(dc, TRect{s.Left, s.Bottom - 1, s.Right, s.Bottom}, brush, 0xF0);
  FillSurfaceRect(dc, TRect{s.Left, s.Top + 1, s.Left + 1, s.Bottom - 1}, brush, 0xF0);
  if (s.Right - s.Left > 1)
    FillSurfaceRect(dc, TRect{s.Right - 1, s.Top + 1, s.Right, s.Bottom - 1}, brush, 0xF0);
  return TRUE;
}

BOOL InvertRect(HDC dc, const TRect* r) {
  if (!IsDC(dc) || !r) return FALSE;
  return FillSurfaceRect(dc, dc->ToSurface(*r), nullptr, 0x55);
}

BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH brush) {
  if (!IsDC(dc) || !IsGdiObject(rgn)) return FALSE;
  FillRegion(dc, SurfaceRegion(dc, rgn), brush, 0xF0);
  return TRUE;
}

BOOL PaintRgn(HDC dc, HRGN rgn) {
  if (!IsDC(dc)) return FALSE;
  return FillRgn(dc, rgn, dc->st.brush);
}

BOOL InvertRgn(HDC dc, HRGN rgn) {
  if (!IsDC(dc) || !IsGdiObject(rgn)) return FALSE;
  FillRegion(dc, SurfaceRegion(dc, rgn), nullptr, 0x55);
  return TRUE;
}

BOOL FrameRgn(HDC dc, HRGN rgn, HBRUSH brush, int32_t w, int32_t h) {
  if (!IsDC(dc) || !IsGdiObject(rgn) || w <= 0 || h <= 0) return FALSE;
  const Region& src = RegionOf(rgn);
  Region inner = src;
  for (auto [dx, dy] : {std::pair{w, 0}, std::pair{-w, 0}, std::pair{0, h}, std::pair{0, -h}}) {
    Region moved = src;
    moved.Offset(dx, dy);
    inner = Region::Intersect(inner, moved);
  }
  Region frame = Region::Subtract(src, inner);
  TPoint d = dc->DeviceOffset();
  frame.Offset(d.X + dc->origin.X, d.Y + dc->origin.Y);
  FillRegion(dc, Region::Intersect(frame, dc->Clip()), brush, 0xF0);
  return TRUE;
}

BOOL DrawFocusRect(HDC dc, const TRect* r) {
  if (!IsDC(dc) || !r) return FALSE;
  Target t(dc);
  if (!t.Valid()) return TRUE;
  TRect s = dc->ToSurface(*r);
  if (s.Right <= s.Left || s.Bottom <= s.Top) return TRUE;
  // Each border pixel once, every other one (by position along the border)
  // inverted.
  auto flip = [&](int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= t.Width() || y >= t.Height()) return;
    if (!dc->Clip().Contains(x, y)) return;
    t.Modify(y, x, x + 1, [](uint32_t* p, int32_t, int32_t) { p[0] = ~p[0] & 0xFFFFFF; });
  };
  for (int32_t x = s.Left; x < s.Right; x += 2) flip(x, s.Top);
  if (s.Bottom - s.Top > 1)
    for (int32_t x = s.Left + ((s.Bottom - 1 - s.Top) & 1); x < s.Right; x += 2)
      flip(x, s.Bottom - 1);
  for (int32_t y = s.Top + 2; y < s.Bottom - 1; y += 2) flip(s.Left, y);
  if (s.Right - s.Left > 1)
    for (int32_t y = s.Top + 1 + ((s.Right - s.Left) & 1); y < s.Bottom - 1; y += 2)
      flip(s.Right - 1, y);
  return TRUE;
}

COLORREF GetNearestColor(HDC dc, COLORREF c) {
  if (!IsDC(dc)) return CLR_INVALID;
  c &= 0xFFFFFF;
  HBITMAP b = dc->IsMemory() ? dc->st.bitmap : nullptr;
  if (!b || b->bitsPerPixel > 8 || b->colors.empty()) {
    if (b && b->bitsPerPixel == 16) {
      // What the 16-bit layout keeps of each channel.
      uint32_t px = Px(c), back = 0;
      BitmapObject probe;
      probe.width = 1;
      probe.height = 1;
      probe.bitsPerPixel = 16;
      probe.rowBytes = 4;
      probe.redMask = b->redMask;
      probe.greenMask = b->greenMask;
      probe.blueMask = b->blueMask;
      uint8_t mem[4] = {};
      probe.Attach(mem);
      WriteBitmapRow(probe, 0, 0, 1, &px);
      ReadBitmapRow(probe, 0, 0, 1, &back);
      return PixelToColorRef(back & 0xFFFFFF);
    }
    return c;
  }
  const RGBQUAD& q = b->colors[size_t(NearestPaletteIndex(b->colors, Px(c)))];
  return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

HBRUSH GetSysColorBrush(int32_t index) {
  static HBRUSH brushes[COLOR_ENDCOLORS + 1] = {};
  if (index < 0 || index > COLOR_ENDCOLORS) return nullptr;
  HBRUSH& b = brushes[index];
  if (!b) {
    b = CreateSolidBrush(0);
    b->stock = true;
  }
  // The scheme may change at run time: the brush follows it.
  b->color = GetSysColor(index) & 0xFFFFFF;
  return b;
}
