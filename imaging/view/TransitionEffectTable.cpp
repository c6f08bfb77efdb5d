#include "imaging/view/TransitionEffectTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TIETransitionEffects.h"
#include "imaging/view/TransitionDrawing.h"
#include "imaging/view/TransitionRegions.h"
#include "rtl/Numeric.h"

namespace {

constexpr double kPi = std::numbers::pi;

// What every procedure starts from.
struct TFrame {
  TFrame(TIEBitmap* Canvas, TIEBitmap* Target, const TRect& R, int32_t Step, int32_t Percent)
      : C(Canvas),
        T(Target),
        P(Percent),
        e(TransitionExtents(R.Width(), R.Height(), Step, Percent)) {}
  TIEBitmap* C;
  TIEBitmap* T;
  int32_t P;
  TTransitionExtents e;
  int32_t W() const { return e.W; }
  int32_t H() const { return e.H; }
  int32_t DX() const { return e.DX; }
  int32_t DY() const { return e.DY; }
  // The whole target stretched into D; a part of it (S) stretched into D.
  void Stretch(const TRect& D) const { TransitionStretch(T, C, TRect{0, 0, W(), H()}, D); }
  void Stretch(const TRect& S, const TRect& D) const { TransitionStretch(T, C, S, D); }
  // The target's own pixels inside the rectangles or the region.
  void Wipe(const std::vector<TRect>& Rects) const { TransitionDrawThrough(T, C, Rects); }
  void Wipe(const Region& Clip) const { TransitionDrawThrough(T, C, Clip); }
};

enum TSide : int { kLeft, kRight, kTop, kBottom, kTopLeft, kTopRight, kBottomLeft, kBottomRight };

#define EFFECT(Name) \
  void Name(TIEBitmap* C, TIEBitmap*, TIEBitmap* T, const TRect& R, int32_t Step, int32_t Pc)
#define SIDE_EFFECT(Name) \
  template <int Side>     \
  EFFECT(Name)

// The whole target squeezed into a rectangle growing from an edge or a corner.
SIDE_EFFECT(ExpandFrom) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), dx = f.DX(), dy = f.DY();
  const TRect d[] = {{0, 0, dx, H},      {W - dx, 0, W, H},     {0, 0, W, dy},
                     {0, H - dy, W, H},  {0, 0, dx, dy},        {W - dx, 0, W, dy},
                     {0, H - dy, dx, H}, {W - dx, H - dy, W, H}};
  f.Stretch(d[Side]);
}

// The target's half (and more as the rectangle grows) nearest the edge,
// squeezed into a rectangle growing from that edge.
SIDE_EFFECT(ExpandInFrom) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), dx = f.DX(), dy = f.DY();
  switch (Side) {
    case kLeft:
      f.Stretch({0, 0, (W + dx) / 2, H}, {0, 0, dx, H});
      break;
    case kRight:
      f.Stretch({(W - dx) / 2, 0, W, H}, {W - dx, 0, W, H});
      break;
    case kTop:
      f.Stretch({0, 0, W, (H + dy) / 2}, {0, 0, W, dy});
      break;
    default:
      f.Stretch({0, (H - dy) / 2, W, H}, {0, H - dy, W, H});
      break;
  }
}

// Two bands growing from opposite edges towards the middle line: Squeeze
// puts each half of the target into its band, otherwise each band shows the
// target's part next to the middle line, sliding in.
template <bool Horizontal, bool Squeeze>
EFFECT(ExpandInTwoBands) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H();
  const int32_t len = Horizontal ? W : H, ext = Horizontal ? f.DX() : f.DY();
  const int32_t a = ext / 2, b = ext - a, mid = len / 2;
  auto rect = [&](int32_t from, int32_t to) {
    return Horizontal ? TRect{from, 0, to, H} : TRect{0, from, W, to};
  };
  if (Squeeze) {
    f.Stretch(rect(0, mid), rect(0, a));
    f.Stretch(rect(mid, len), rect(len - b, len));
  } else {
    f.Stretch(rect(mid - a, mid), rect(0, a));
    f.Stretch(rect(mid, mid + b), rect(len - b, len));
  }
}

// The whole target squeezed into a band growing out from the middle line.
template <bool Horizontal>
EFFECT(ExpandOutFromMiddle) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), dx = f.DX(), dy = f.DY();
  if (Horizontal)
    f.Stretch({0, H / 2 - dy / 2, W, H / 2 - dy / 2 + dy});
  else
    f.Stretch({W / 2 - dx / 2, 0, W / 2 - dx / 2 + dx, H});
}

// The target's own pixels in a rectangle growing from a corner or the middle.
SIDE_EFFECT(WipeFrom) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), dx = f.DX(), dy = f.DY();
  const TRect d[] = {
      {0, 0, dx, dy}, {W - dx, 0, W, dy}, {0, H - dy, dx, H}, {W - dx, H - dy, W, H}};
  f.Wipe(std::vector<TRect>{d[Side - kTopLeft]});
}

EFFECT(WipeFromHorizon) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t top = f.H() / 2 - (f.DY() + 1) / 2;
  f.Wipe(std::vector<TRect>{{0, top, f.W(), top + f.DY() + 1}});
}

EFFECT(WipeInFromSides) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t w = (f.DX() + 1) / 2;
  f.Wipe(std::vector<TRect>{{0, 0, w, f.H()}, {f.W() - w, 0, f.W(), f.H()}});
}

EFFECT(WipeOutFromVerticalCentre) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t left = f.W() / 2 - (f.DX() + 1) / 2;
  f.Wipe(std::vector<TRect>{{left, 0, left + f.DX() + 1, f.H()}});
}

// The revealed part grows from the edge; the target's line at its front is
// stretched over the part still to come.
SIDE_EFFECT(BuildUpFrom) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), dx = f.DX(), dy = f.DY();
  switch (Side) {
    case kLeft:
      f.Wipe(std::vector<TRect>{{0, 0, dx, H}});
      if (dx > 0) f.Stretch({dx - 1, 0, dx, H}, {dx, 0, W, H});
      break;
    case kRight:
      f.Wipe(std::vector<TRect>{{W - dx, 0, W, H}});
      if (dx > 0) f.Stretch({W - dx, 0, W - dx + 1, H}, {0, 0, W - dx, H});
      break;
    case kTop:
      f.Wipe(std::vector<TRect>{{0, 0, W, dy}});
      if (dy > 0) f.Stretch({0, dy - 1, W, dy}, {0, dy, W, H});
      break;
    default:
      f.Wipe(std::vector<TRect>{{0, H - dy, W, H}});
      if (dy > 0) f.Stretch({0, H - dy, W, H - dy + 1}, {0, 0, W, H - dy});
      break;
  }
}

// The target unrolls from the edge: the flat part shows it, the roll at the
// front shows the part still rolled up, turned over and squeezed.
SIDE_EFFECT(UnrollFrom) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H();
  const bool horizontal = Side == kLeft || Side == kRight;
  const int32_t len = horizontal ? W : H, ext = horizontal ? f.DX() : f.DY();
  const int32_t roll = std::min({std::max(1, len / 8), ext, len - ext});
  auto rect = [&](int32_t from, int32_t to) {
    return horizontal ? TRect{from, 0, to, H} : TRect{0, from, W, to};
  };
  if (Side == kLeft || Side == kTop) {
    f.Wipe(std::vector<TRect>{rect(0, ext - roll)});
    TransitionStretchMirrored(T, C, rect(ext - roll, std::min(len, ext + roll)),
                              rect(ext - roll, ext), horizontal);
  } else {
    f.Wipe(std::vector<TRect>{rect(len - ext + roll, len)});
    TransitionStretchMirrored(T, C, rect(std::max(0, len - ext - roll), len - ext + roll),
                              rect(len - ext, len - ext + roll), horizontal);
  }
}

// The whole target at its size, coming in from an edge.
SIDE_EFFECT(SlideInFrom) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), dx = f.DX(), dy = f.DY();
  const TPoint at[] = {{dx - W, 0}, {W - dx, 0}, {0, dy - H}, {0, H - dy}};
  TransitionCopy(T, C, 0, 0, W, H, at[Side].X, at[Side].Y);
}

// The target's top half comes down from the top, its bottom half up from
// the bottom.
EFFECT(SlideInFromTopAndBottom) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), a = f.DY() / 2, b = f.DY() - a;
  TransitionCopy(T, C, 0, H / 2 - a, W, a, 0, 0);
  TransitionCopy(T, C, 0, H / 2, W, b, 0, H - b);
}

// What is left of the source shrinks into a corner (or the centre); the
// target shows around it.
SIDE_EFFECT(ShrinkTo) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), dx = f.DX(), dy = f.DY();
  switch (Side) {
    case kTopLeft:
      f.Wipe(std::vector<TRect>{{W - dx, 0, W, H}, {0, H - dy, W, H}});
      break;
    case kTopRight:
      f.Wipe(std::vector<TRect>{{0, 0, dx, H}, {0, H - dy, W, H}});
      break;
    case kBottomLeft:
      f.Wipe(std::vector<TRect>{{W - dx, 0, W, H}, {0, 0, W, dy}});
      break;
    case kBottomRight:
      f.Wipe(std::vector<TRect>{{0, 0, dx, H}, {0, 0, W, dy}});
      break;
    default: {
      const TRect keep{dx / 2, dy / 2, dx / 2 + W - dx, dy / 2 + H - dy};
      f.Wipe(std::vector<TRect>{{0, 0, W, keep.Top},
                                {0, keep.Bottom, W, H},
                                {0, 0, keep.Left, H},
                                {keep.Right, 0, W, H}});
      break;
    }
  }
}

// Four corner rectangles growing towards the centre: Kind 0 the target's
// own pixels, 1 each quarter of the target squeezed into its rectangle,
// 2 each quarter at its size sliding in from its corner.
template <int Kind>
EFFECT(Quarters) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), mw = W / 2, mh = H / 2;
  // Widths of the left and right rectangles, heights of the top and bottom ones.
  const int32_t lw = MulDiv(mw, Pc, 100), rw = MulDiv(W - mw, Pc, 100);
  const int32_t th = MulDiv(mh, Pc, 100), bh = MulDiv(H - mh, Pc, 100);
  const TRect quarter[] = {{0, 0, mw, mh}, {mw, 0, W, mh}, {0, mh, mw, H}, {mw, mh, W, H}};
  const TRect dest[] = {
      {0, 0, lw, th}, {W - rw, 0, W, th}, {0, H - bh, lw, H}, {W - rw, H - bh, W, H}};
  for (int i = 0; i < 4; ++i) {
    const TRect& q = quarter[i];
    const TRect& d = dest[i];
    if (Kind == 0) {
      f.Wipe(std::vector<TRect>{d});
    } else if (Kind == 1) {
      f.Stretch(q, d);
    } else {
      // The quarter's inner corner leads.
      const int32_t sx = i % 2 == 0 ? q.Right - d.Width() : q.Left;
      const int32_t sy = i < 2 ? q.Bottom - d.Height() : q.Top;
      TransitionCopy(T, C, sx, sy, d.Width(), d.Height(), d.Left, d.Top);
    }
  }
}

// Rounded-rectangle wipes from an edge or a corner.
SIDE_EFFECT(CurvedWipeFrom) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), dx = f.DX(), dy = f.DY();
  Region r;
  switch (Side) {
    case kLeft:
      r = RoundRectRegion(-2 * W, -5, 2 * dx, H + 5, 2 * W, 2 * W);
      break;
    case kRight:
      r = RoundRectRegion(W - 2 * dx, -5, 3 * W, H + 5, 2 * W, 2 * W);
      break;
    case kTop:
      r = RoundRectRegion(-5, -2 * H, W + 5, 2 * dy, 2 * H, 2 * H);
      break;
    case kBottom:
      r = RoundRectRegion(-5, H - 2 * dy, W + 5, 3 * H, 2 * H, 2 * H);
      break;
    case kTopLeft:
      r = RoundRectRegion(-2 * W, -2 * H, 2 * dx, 2 * dy, 2 * W, 2 * H);
      break;
    case kTopRight:
      r = RoundRectRegion(W - 2 * dx, -2 * H, 3 * W, 2 * dy, 2 * W, 2 * H);
      break;
    case kBottomLeft:
      r = RoundRectRegion(-2 * W, H - 2 * dy, 2 * dx, 3 * H, 2 * W, 2 * H);
      break;
    default:
      r = RoundRectRegion(W - 2 * dx, H - 2 * dy, 3 * W, 3 * H, 2 * W, 2 * H);
      break;
  }
  f.Wipe(r);
}

// A rounded rectangle centred on the picture: growing from the centre, or
// (ToCentre) the source left inside one that shrinks.
template <bool ToCentre>
EFFECT(CircularWipe) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H();
  auto round_rect = [&](int32_t dx, int32_t dy) {
    return RoundRectRegion(W / 2 - dx, H / 2 - dy, W / 2 + dx, H / 2 + dy, dx * 9 / 5, dy * 9 / 5);
  };
  if (!ToCentre) {
    f.Wipe(round_rect(f.DX(), f.DY()));
  } else {
    const TTransitionExtents rest = TransitionExtents(W, H, Step, 100 - Pc);
    f.Wipe(Region::Subtract(Region(TRect{0, 0, W, H}), round_rect(rest.DX, rest.DY)));
  }
}

// Bars along the width (Across) and the height (Down), each from where
// their kind says; Off leaves one of the two out.
constexpr int kOff = -1;
template <int Across, int Down>
EFFECT(Bars) {
  const TFrame f(C, T, R, Step, Pc);
  std::vector<TRect> rects;
  if (Across != kOff) rects = BarsRegion(true, TRevealFrom(Across), f.W(), f.H(), f.DX(), f.e.Unit);
  if (Down != kOff) {
    const std::vector<TRect> v =
        BarsRegion(false, TRevealFrom(Down), f.W(), f.H(), f.DY(), f.e.Unit);
    rects.insert(rects.end(), v.begin(), v.end());
  }
  f.Wipe(rects);
}

// Strips along the width (Across) and the height (Down) with ragged ends.
template <int Across, int Down>
EFFECT(Shred) {
  const TFrame f(C, T, R, Step, Pc);
  std::vector<TRect> rects;
  if (Across != kOff) rects = ShredRegion(true, TRevealFrom(Across), f.W(), f.H(), f.DX());
  if (Down != kOff) {
    const std::vector<TRect> v = ShredRegion(false, TRevealFrom(Down), f.W(), f.H(), f.DY());
    rects.insert(rects.end(), v.begin(), v.end());
  }
  f.Wipe(rects);
}

// The cell size of the grid effects: about a twelfth of the longer side.
int32_t GridCell(const TTransitionExtents& e) {
  return std::max(4, MulDiv(std::max(e.W, e.H), 1, 12));
}

// Squares growing around the points of a grid until they meet.
EFFECT(RectangularShred) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t c = GridCell(f.e), half = MulDiv((c + 1) / 2, Pc, 100);
  if (half <= 0) return;
  std::vector<TRect> rects;
  for (int32_t y = 0; y <= f.H() + c - 1; y += c)
    for (int32_t x = 0; x <= f.W() + c - 1; x += c)
      rects.push_back({x - half, y - half, x + half, y + half});
  f.Wipe(rects);
}

// In every cell of a grid a triangle grows from the cell's lower right
// corner towards its upper left one.
EFFECT(TriangularShred) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t c = GridCell(f.e), leg = 2 * MulDiv(c, Pc, 100);
  if (leg <= 0) return;
  Region all;
  for (int32_t y = c; y < f.H() + c; y += c)
    for (int32_t x = c; x < f.W() + c; x += c)
      all = Region::Union(all, TriangleRegion({x, y}, {x - leg, y}, {x, y - leg}));
  f.Wipe(all);
}

// A triangle from a corner whose legs are twice the extents.
SIDE_EFFECT(WipeDiagonal) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), dx = 2 * f.DX(), dy = 2 * f.DY();
  if (dx <= 0 || dy <= 0) return;
  switch (Side) {
    case kTopLeft:
      f.Wipe(TriangleRegion({0, 0}, {dx, 0}, {0, dy}));
      break;
    case kTopRight:
      f.Wipe(TriangleRegion({W, 0}, {W - dx, 0}, {W, dy}));
      break;
    case kBottomLeft:
      f.Wipe(TriangleRegion({0, H}, {dx, H}, {0, H - dy}));
      break;
    default:
      f.Wipe(TriangleRegion({W, H}, {W - dx, H}, {W, H - dy}));
      break;
  }
}

// A triangle about the top left corner turning from the top edge down
// (clockwise) or from the left edge up, a quarter turn at 100 percent.
template <bool Clockwise>
EFFECT(DiagonalSweep) {
  const TFrame f(C, T, R, Step, Pc);
  if (Pc <= 0) return;
  const double r = 2.0 * (f.W() + f.H()), a = Pc * kPi / 200;
  const double from = Clockwise ? 0 : kPi / 2, to = Clockwise ? a : kPi / 2 - a;
  auto at = [&](double angle) {
    return TPoint{static_cast<int32_t>(Round(r * std::cos(angle))),
                  static_cast<int32_t>(Round(r * std::sin(angle)))};
  };
  f.Wipe(TriangleRegion({0, 0}, at(from), at(to)));
}

// A sector about the centre from straight up, clockwise or not, a full
// turn at 100 percent.
template <bool Clockwise>
EFFECT(Sweep) {
  const TFrame f(C, T, R, Step, Pc);
  if (Pc <= 0) return;
  const int32_t W = f.W(), H = f.H();
  const int32_t radius =
      static_cast<int32_t>(Ceil(std::sqrt((W / 2.0) * (W / 2.0) + (H / 2.0) * (H / 2.0))));
  const double span = Pc * kPi / 50;
  f.Wipe(SectorRegion({W / 2, H / 2}, radius, Pc, -kPi / 2,
                      Clockwise ? span - kPi / 2 : -span - kPi / 2));
}

// Eight triangles about the centre, each opening clockwise over an eighth
// of a turn.
EFFECT(StarburstClockwise) {
  const TFrame f(C, T, R, Step, Pc);
  if (Pc <= 0) return;
  const double cx = f.W() / 2.0, cy = f.H() / 2.0, r = 2.0 * (f.W() + f.H());
  auto at = [&](double angle) {
    return TPoint{static_cast<int32_t>(Round(cx + r * std::cos(angle))),
                  static_cast<int32_t>(Round(cy + r * std::sin(angle)))};
  };
  const TPoint centre{static_cast<int32_t>(Round(cx)), static_cast<int32_t>(Round(cy))};
  Region all;
  for (int k = 0; k < 8; ++k) {
    const double a = k * kPi / 4 - kPi / 2;
    all = Region::Union(all, TriangleRegion(centre, at(a), at(a + Pc * kPi / 400)));
  }
  f.Wipe(all);
}

// The centred rectangle of the extents turned about the centre by
// Percent x pi / 50.
EFFECT(RotationalRectangle) {
  const TFrame f(C, T, R, Step, Pc);
  const double cx = f.W() / 2.0, cy = f.H() / 2.0, hx = f.DX() / 2.0, hy = f.DY() / 2.0;
  if (f.DX() <= 0 || f.DY() <= 0) return;
  auto pt = [](double x, double y) {
    return TPoint{static_cast<int32_t>(Round(x)), static_cast<int32_t>(Round(y))};
  };
  std::vector<TPoint> p{pt(cx - hx, cy - hy), pt(cx + hx, cy - hy), pt(cx + hx, cy + hy),
                        pt(cx - hx, cy + hy)};
  RotatePoints(p, cx, cy, Pc * kPi / 50);
  f.Wipe(PolygonRegion(p));
}

// An eight-point star growing and turning about the centre; at 100 percent
// its inner points lie outside the picture.
EFFECT(RotationalStar) {
  const TFrame f(C, T, R, Step, Pc);
  if (Pc <= 0) return;
  const double cx = f.W() / 2.0, cy = f.H() / 2.0;
  const double reach = std::sqrt(cx * cx + cy * cy) + 1;
  const double outer = 2 * reach * Pc / 100, inner = 1.1 * reach * Pc / 100;
  std::vector<TPoint> p;
  for (int k = 0; k < 16; ++k) {
    const double a = k * kPi / 8 - kPi / 2, r = k % 2 == 0 ? outer : inner;
    p.push_back({static_cast<int32_t>(Round(cx + r * std::cos(a))),
                 static_cast<int32_t>(Round(cy + r * std::sin(a)))});
  }
  RotatePoints(p, cx, cy, Pc * kPi / 50);
  f.Wipe(PolygonRegion(p));
}

SIDE_EFFECT(SpeckledWipeFrom) {
  const TFrame f(C, T, R, Step, Pc);
  const bool horizontal = Side == kLeft || Side == kRight;
  const TRevealFrom from = Side == kLeft || Side == kTop ? TRevealFrom::Start : TRevealFrom::End;
  f.Wipe(SpeckleRegion(horizontal, from, f.W(), f.H(), horizontal ? f.DX() : f.DY()));
}

// Push: the canvas moves by the extent and the target's edge comes in.
SIDE_EFFECT(PushAndSlideOut) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), dx = f.DX(), dy = f.DY();
  switch (Side) {
    case kLeft:
      TransitionCopy(C, C, dx, 0, W - dx, H, 0, 0);
      TransitionCopy(T, C, 0, 0, dx, H, W - dx, 0);
      break;
    case kRight:
      TransitionCopy(C, C, 0, 0, W - dx, H, dx, 0);
      TransitionCopy(T, C, W - dx, 0, dx, H, 0, 0);
      break;
    case kTop:
      for (int32_t y = 0; y < H; ++y)
        std::memcpy(TransitionRow(C, y),
                    y + dy < H ? TransitionRow(C, y + dy) : TransitionRow(T, y + dy - H),
                    static_cast<size_t>(W) * 3);
      break;
    default:
      for (int32_t y = H - 1; y >= 0; --y)
        std::memcpy(TransitionRow(C, y),
                    y >= dy ? TransitionRow(C, y - dy) : TransitionRow(T, H - dy + y),
                    static_cast<size_t>(W) * 3);
      break;
  }
}

// Push and squeeze: what the canvas shows is squeezed into the part the
// target has not taken yet, and the target's edge comes in as for the push.
SIDE_EFFECT(PushAndSqueeze) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), dx = f.DX(), dy = f.DY();
  TIEBitmap shown;
  shown.Assign(C);
  const TRect all{0, 0, W, H};
  switch (Side) {
    case kLeft:
      TransitionStretch(&shown, C, all, {0, 0, W - dx, H});
      TransitionCopy(T, C, 0, 0, dx, H, W - dx, 0);
      break;
    case kRight:
      TransitionStretch(&shown, C, all, {dx, 0, W, H});
      TransitionCopy(T, C, W - dx, 0, dx, H, 0, 0);
      break;
    case kTop:
      TransitionStretch(&shown, C, all, {0, 0, W, H - dy});
      TransitionCopy(T, C, 0, 0, W, dy, 0, H - dy);
      break;
    default:
      TransitionStretch(&shown, C, all, {0, dy, W, H});
      TransitionCopy(T, C, 0, H - dy, W, dy, 0, 0);
      break;
  }
}

// Blinds: the first Percent of every band of H (W) div unit rows (columns).
template <bool Horizontal>
EFFECT(Blinds) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t len = Horizontal ? f.H() : f.W();
  const int32_t band = std::max(1, len / f.e.Unit), open = Pc * band / 100;
  if (open <= 0) return;
  std::vector<TRect> rects;
  for (int32_t at = 0; at < len; at += band)
    rects.push_back(Horizontal ? TRect{0, at, f.W(), at + open} : TRect{at, 0, at + open, f.H()});
  f.Wipe(rects);
}

// Blinds of uneven widths, each opening from the side the effect names.
SIDE_EFFECT(UnevenBlinds) {
  static constexpr int32_t kWidths[] = {3, 1, 4, 1, 5, 2, 6, 2};
  const TFrame f(C, T, R, Step, Pc);
  const bool columns = Side == kLeft || Side == kRight;
  const bool from_start = Side == kLeft || Side == kTop;
  const int32_t len = columns ? f.W() : f.H(), unit = std::max(2, len / 40);
  std::vector<TRect> rects;
  for (int32_t at = 0, k = 0; at < len; ++k) {
    const int32_t band = std::min(len - at, kWidths[k % 8] * unit), open = MulDiv(band, Pc, 100);
    const int32_t a = from_start ? at : at + band - open;
    if (open > 0)
      rects.push_back(columns ? TRect{a, 0, a + open, f.H()} : TRect{0, a, f.W(), a + open});
    at += band;
  }
  f.Wipe(rects);
}

// Rectangles growing in the cells of a grid, a column (row) after the
// other from the side the effect names; each takes two columns' time.
SIDE_EFFECT(RectanglesFrom) {
  const TFrame f(C, T, R, Step, Pc);
  const int32_t W = f.W(), H = f.H(), c = GridCell(f.e);
  const bool columns = Side == kLeft || Side == kRight;
  const int32_t n = ((columns ? W : H) + c - 1) / c;
  std::vector<TRect> rects;
  for (int32_t y = 0; y < H; y += c)
    for (int32_t x = 0; x < W; x += c) {
      const int32_t idx = columns ? x / c : y / c;
      const int32_t order = Side == kLeft || Side == kTop ? idx : n - 1 - idx;
      const int32_t grown = std::clamp(Pc * (n + 2) - 100 * order, 0, 200);
      const int32_t cw = std::min(c, W - x), ch = std::min(c, H - y);
      const int32_t w = MulDiv(cw, grown, 200), h = MulDiv(ch, grown, 200);
      if (w <= 0 || h <= 0) continue;
      const int32_t l = x + (cw - w) / 2, t = y + (ch - h) / 2;
      rects.push_back({l, t, l + w, t + h});
    }
  f.Wipe(rects);
}

#undef EFFECT
#undef SIDE_EFFECT

constexpr int kStart = int(TRevealFrom::Start), kEnd = int(TRevealFrom::End),
              kStartThenEnd = int(TRevealFrom::StartThenEnd),
              kEndThenStart = int(TRevealFrom::EndThenStart), kBoth = int(TRevealFrom::BothEdges),
              kCentre = int(TRevealFrom::Centre);

}  // namespace

const TEffect TransitionEffectTable[163] = {
    {"Cross Fade", nullptr},                                                             // 1
    {"Fade Out", nullptr},                                                               // 2
    {"Fade In", nullptr},                                                                // 3
    {"Fade Out then In", nullptr},                                                       // 4
    {"Wipe Left to Right", nullptr},                                                     // 5
    {"Wipe Left to Right 2", nullptr},                                                   // 6
    {"Wipe Right to Left", nullptr},                                                     // 7
    {"Wipe Right to Left 2", nullptr},                                                   // 8
    {"Wipe Top to Bottom", nullptr},                                                     // 9
    {"Wipe Top to Bottom 2", nullptr},                                                   // 10
    {"Wipe Bottom to Top", nullptr},                                                     // 11
    {"Wipe Bottom to Top 2", nullptr},                                                   // 12
    {"Slide from Top Left", nullptr},                                                    // 13
    {"Slide from Top Right", nullptr},                                                   // 14
    {"Slide from Bottom Left", nullptr},                                                 // 15
    {"Slide from Bottom Right", nullptr},                                                // 16
    {"Push Left to Right", nullptr},                                                     // 17
    {"Slide Out Left to Right", nullptr},                                                // 18
    {"Push Right to Left", nullptr},                                                     // 19
    {"Slide Out Right to Left", nullptr},                                                // 20
    {"Push Top to Bottom", nullptr},                                                     // 21
    {"Slide Out Top to Bottom", nullptr},                                                // 22
    {"Push Bottom to Top", nullptr},                                                     // 23
    {"Slide Out Bottom to Top", nullptr},                                                // 24
    {"Random Points", nullptr},                                                          // 25
    {"Random Boxes", nullptr},                                                           // 26
    {"Wipe Out from Center", nullptr},                                                   // 27
    {"Wipe In to Center", nullptr},                                                      // 28
    {"Expand Out from Center", nullptr},                                                 // 29
    {"Expand In to Center", nullptr},                                                    // 30
    {"Expand from Left", ExpandFrom<kLeft>},                                             // 31
    {"Expand from Right", ExpandFrom<kRight>},                                           // 32
    {"Expand from Top", ExpandFrom<kTop>},                                               // 33
    {"Expand from Bottom", ExpandFrom<kBottom>},                                         // 34
    {"Expand from Top Left", ExpandFrom<kTopLeft>},                                      // 35
    {"Expand from Top Right", ExpandFrom<kTopRight>},                                    // 36
    {"Expand from Bottom Left", ExpandFrom<kBottomLeft>},                                // 37
    {"Expand from Bottom Right", ExpandFrom<kBottomRight>},                              // 38
    {"Expand in from Left", ExpandInFrom<kLeft>},                                        // 39
    {"Expand in from Right", ExpandInFrom<kRight>},                                      // 40
    {"Expand in from Top", ExpandInFrom<kTop>},                                          // 41
    {"Expand in from Bottom", ExpandInFrom<kBottom>},                                    // 42
    {"Expand in to Vertical Center", ExpandInTwoBands<true, true>},                      // 43
    {"Expand in to Horizon", ExpandInTwoBands<false, true>},                             // 44
    {"Expand in from Sides", ExpandInTwoBands<true, false>},                             // 45
    {"Expand in from Top and Bottom", ExpandInTwoBands<false, false>},                   // 46
    {"Expand out from Horizon", ExpandOutFromMiddle<true>},                              // 47
    {"Expand out from Vertical Center", ExpandOutFromMiddle<false>},                     // 48
    {"Wipe from Top Left", WipeFrom<kTopLeft>},                                          // 49
    {"Wipe from Top Right", WipeFrom<kTopRight>},                                        // 50
    {"Wipe from Bottom Left", WipeFrom<kBottomLeft>},                                    // 51
    {"Wipe from Bottom Right", WipeFrom<kBottomRight>},                                  // 52
    {"Wipe from Horizon", WipeFromHorizon},                                              // 53
    {"Wipe in from Sides", WipeInFromSides},                                             // 54
    {"Wipe out from Vertical Center", WipeOutFromVerticalCentre},                        // 55
    {"Build up from Left", BuildUpFrom<kLeft>},                                          // 56
    {"Build up from Right", BuildUpFrom<kRight>},                                        // 57
    {"Build up from Top", BuildUpFrom<kTop>},                                            // 58
    {"Build up from Bottom", BuildUpFrom<kBottom>},                                      // 59
    {"Unroll from Left", UnrollFrom<kLeft>},                                             // 60
    {"Unroll from Right", UnrollFrom<kRight>},                                           // 61
    {"Unroll from Top", UnrollFrom<kTop>},                                               // 62
    {"Unroll from Bottom", UnrollFrom<kBottom>},                                         // 63
    {"Slide in from Left", SlideInFrom<kLeft>},                                          // 64
    {"Slide in from Right", SlideInFrom<kRight>},                                        // 65
    {"Slide in from Top", SlideInFrom<kTop>},                                            // 66
    {"Slide in from Bottom", SlideInFrom<kBottom>},                                      // 67
    {"Slide in from Top and Bottom", SlideInFromTopAndBottom},                           // 68
    {"Shrink to Top Left", ShrinkTo<kTopLeft>},                                          // 69
    {"Shrink to Top Right", ShrinkTo<kTopRight>},                                        // 70
    {"Shrink to Bottom Left", ShrinkTo<kBottomLeft>},                                    // 71
    {"Shrink to Bottom Right", ShrinkTo<kBottomRight>},                                  // 72
    {"Shrink to Center", ShrinkTo<-1>},                                                  // 73
    {"Quarters Wipe in to Center", Quarters<0>},                                         // 74
    {"Quarters Expand to Center", Quarters<1>},                                          // 75
    {"Quarters Slide in to Center", Quarters<2>},                                        // 76
    {"Curved Wipe from Left", CurvedWipeFrom<kLeft>},                                    // 77
    {"Curved Wipe from Right", CurvedWipeFrom<kRight>},                                  // 78
    {"Curved Wipe from Top", CurvedWipeFrom<kTop>},                                      // 79
    {"Curved Wipe from Bottom", CurvedWipeFrom<kBottom>},                                // 80
    {"Bars in from Left", Bars<kStart, kOff>},                                           // 81
    {"Bars in from Right", Bars<kEnd, kOff>},                                            // 82
    {"Bars from Top", Bars<kOff, kStart>},                                               // 83
    {"Bars from Bottom", Bars<kOff, kEnd>},                                              // 84
    {"Bars Left then Right", Bars<kStartThenEnd, kOff>},                                 // 85
    {"Bars Right then Left", Bars<kEndThenStart, kOff>},                                 // 86
    {"Bars Top then Bottom", Bars<kOff, kStartThenEnd>},                                 // 87
    {"Bars Bottom then Top", Bars<kOff, kEndThenStart>},                                 // 88
    {"Bars from both Sides", Bars<kBoth, kOff>},                                         // 89
    {"Bars from Top and Bottom", Bars<kOff, kBoth>},                                     // 90
    {"Shredded from Left", Shred<kStart, kOff>},                                         // 91
    {"Shredded from Right", Shred<kEnd, kOff>},                                          // 92
    {"Shredded from Top", Shred<kOff, kStart>},                                          // 93
    {"Shredded from Bottom", Shred<kOff, kEnd>},                                         // 94
    {"Shredded from Top and Left", Shred<kStart, kStart>},                               // 95
    {"Shredded from Top and Right", Shred<kEnd, kStart>},                                // 96
    {"Shredded from Bottom and Left", Shred<kStart, kEnd>},                              // 97
    {"Shredded from Bottom and Right", Shred<kEnd, kEnd>},                               // 98
    {"Shredded from Horizon and Left", Shred<kStart, kCentre>},                          // 99
    {"Shredded from Horizon and Right", Shred<kEnd, kCentre>},                           // 100
    {"Shredded from Top and Vertical Center", Shred<kCentre, kStart>},                   // 101
    {"Shredded from Bottom and Vertical Center", Shred<kCentre, kEnd>},                  // 102
    {"Shredded to Center", Shred<kBoth, kBoth>},                                         // 103
    {"Shredded from Center", Shred<kCentre, kCentre>},                                   // 104
    {"Shredded in to Horizon", Shred<kOff, kBoth>},                                      // 105
    {"Shredded in to Vertical Center", Shred<kBoth, kOff>},                              // 106
    {"Shredded out from Horizon", Shred<kOff, kCentre>},                                 // 107
    {"Shredded out from Vertical Center", Shred<kCentre, kOff>},                         // 108
    {"Rectangular Shred", RectangularShred},                                             // 109
    {"Triangular Shred to Top Left", TriangularShred},                                   // 110
    {"Curved Wipe from Top Left", CurvedWipeFrom<kTopLeft>},                             // 111
    {"Curved Wipe from Top Right", CurvedWipeFrom<kTopRight>},                           // 112
    {"Curved Wipe from Bottom Left", CurvedWipeFrom<kBottomLeft>},                       // 113
    {"Curved Wipe from Bottom Right", CurvedWipeFrom<kBottomRight>},                     // 114
    {"Circular Wipe from Center", CircularWipe<false>},                                  // 115
    {"Circular Wipe to Center", CircularWipe<true>},                                     // 116
    {"Crisscross Wipe from Top Left", Bars<kStart, kStart>},                             // 117
    {"Crisscross Wipe from Top Right", Bars<kEnd, kStart>},                              // 118
    {"Crisscross Wipe from Bottom Left", Bars<kStart, kEnd>},                            // 119
    {"Crisscross Wipe from Bottom Right", Bars<kEnd, kEnd>},                             // 120
    {"Crisscross Wipe Bounce from Top Left", Bars<kStartThenEnd, kStartThenEnd>},        // 121
    {"Crisscross Wipe Bounce from Top Right", Bars<kEndThenStart, kStartThenEnd>},       // 122
    {"Crisscross Wipe Bounce from Bottom Left", Bars<kStartThenEnd, kEndThenStart>},     // 123
    {"Crisscross Wipe Bounce from Bottom Right", Bars<kEndThenStart, kEndThenStart>},    // 124
    {"Crisscross Wipe from Left Right and Top", Bars<kBoth, kStart>},                    // 125
    {"Crisscross Wipe from Left Right and Bottom", Bars<kBoth, kEnd>},                   // 126
    {"Crisscross Wipe from Left Top and Bottom", Bars<kStart, kBoth>},                   // 127
    {"Crisscross Wipe from Top Left Right and Bottom", Bars<kBoth, kBoth>},              // 128
    {"Crisscross Wipe from Right Top and Bottom", Bars<kEnd, kBoth>},                    // 129
    {"Crisscross Wipe from Bottom Left Top Right", Bars<kStartThenEnd, kEndThenStart>},  // 130
    {"Wipe diagonal from Top Left", WipeDiagonal<kTopLeft>},                             // 131
    {"Wipe diagonal from Top Right", WipeDiagonal<kTopRight>},                           // 132
    {"Wipe diagonal from Bottom Left", WipeDiagonal<kBottomLeft>},                       // 133
    {"Wipe diagonal from Bottom Right", WipeDiagonal<kBottomRight>},                     // 134
    {"Diagonal Sweep Clockwise", DiagonalSweep<true>},                                   // 135
    {"Diagonal Sweep Counter-Clockwise", DiagonalSweep<false>},                          // 136
    {"Sweep Clockwise", Sweep<true>},                                                    // 137
    {"Sweep Counter-Clockwise", Sweep<false>},                                           // 138
    {"Starburst Clockwise from Center", StarburstClockwise},                             // 139
    {"Rotational Rectangle", RotationalRectangle},                                       // 140
    {"Rotational Star", RotationalStar},                                                 // 141
    {"Speckled Wipe from Left", SpeckledWipeFrom<kLeft>},                                // 142
    {"Speckled Wipe from Right", SpeckledWipeFrom<kRight>},                              // 143
    {"Speckled Wipe from Top", SpeckledWipeFrom<kTop>},                                  // 144
    {"Speckled Wipe from Bottom", SpeckledWipeFrom<kBottom>},                            // 145
    {"Push Left and Slide out", PushAndSlideOut<kLeft>},                                 // 146
    {"Push Right and Slide out", PushAndSlideOut<kRight>},                               // 147
    {"Push up and Slide out", PushAndSlideOut<kTop>},                                    // 148
    {"Push down and Slide out", PushAndSlideOut<kBottom>},                               // 149
    {"Push and Squeeze Left", PushAndSqueeze<kLeft>},                                    // 150
    {"Push and Squeeze Right", PushAndSqueeze<kRight>},                                  // 151
    {"Push and Squeeze up", PushAndSqueeze<kTop>},                                       // 152
    {"Push and Squeeze down", PushAndSqueeze<kBottom>},                                  // 153
    {"Horizontal Blinds", Blinds<true>},                                                 // 154
    {"Vertical Blinds", Blinds<false>},                                                  // 155
    {"Uneven Blinds from Left", UnevenBlinds<kLeft>},                                    // 156
    {"Uneven Blinds from Right", UnevenBlinds<kRight>},                                  // 157
    {"Uneven Blinds from Top", UnevenBlinds<kTop>},                                      // 158
    {"Uneven Blinds from Bottom", UnevenBlinds<kBottom>},                                // 159
    {"Rectangles from the Left", RectanglesFrom<kLeft>},                                 // 160
    {"Rectangles from the Right", RectanglesFrom<kRight>},                               // 161
    {"Rectangles from the Top", RectanglesFrom<kTop>},                                   // 162
    {"Rectangles from the Bottom", RectanglesFrom<kBottom>},                             // 163
};
