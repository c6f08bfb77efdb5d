#include "imaging/view/TransitionRegions.h"

#include <algorithm>
#include <cmath>

#include "imaging/view/TransitionDrawing.h"
#include "platform/DC.h"
#include "platform/GdiHolders.h"
#include "rtl/Numeric.h"

Region PolygonRegion(const std::vector<TPoint>& Points) {
  TOwnedGdiObject<HRGN> h(CreatePolygonRgn(Points.data(), static_cast<int>(Points.size()), WINDING));
  return RegionOf(h.get());
}

Region TriangleRegion(TPoint A, TPoint B, TPoint C) {
  return PolygonRegion({A, B, C});
}

Region RoundRectRegion(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, int32_t CornerW,
                       int32_t CornerH) {
  TOwnedGdiObject<HRGN> h(CreateRoundRectRgn(Left, Top, Right, Bottom, CornerW, CornerH));
  return RegionOf(h.get());
}

Region SectorRegion(TPoint Centre, int32_t Radius, int32_t Count, double StartAngle,
                    double EndAngle) {
  if (Count <= 0) return Region();
  std::vector<TPoint> p;
  p.reserve(static_cast<size_t>(Count) + 2);
  p.push_back(Centre);
  for (int32_t i = 0; i <= Count; ++i) {
    const double a = StartAngle + (EndAngle - StartAngle) * i / Count;
    p.push_back(TPoint{Centre.X + static_cast<int32_t>(Round(Radius * std::cos(a))),
                       Centre.Y + static_cast<int32_t>(Round(Radius * std::sin(a)))});
  }
  return PolygonRegion(p);
}

void RotatePoints(std::vector<TPoint>& Points, double CX, double CY, double Angle) {
  const double c = std::cos(Angle), s = std::sin(Angle);
  for (TPoint& p : Points) {
    const double x = p.X - CX, y = p.Y - CY;
    p = TPoint{static_cast<int32_t>(Round(CX + x * c - y * s)),
               static_cast<int32_t>(Round(CY + x * s + y * c))};
  }
}

namespace {

// A span [A, B) along the length at Pos across (Thick wide), as a rectangle.
TRect Span(bool Horizontal, int32_t A, int32_t B, int32_t Pos, int32_t Thick) {
  return Horizontal ? TRect{A, Pos, B, Pos + Thick} : TRect{Pos, A, Pos + Thick, B};
}

}  // namespace

std::vector<TRect> BarsRegion(bool Horizontal, TRevealFrom From, int32_t W, int32_t H,
                              int32_t Extent, int32_t Unit) {
  const int32_t len = Horizontal ? W : H, across = Horizontal ? H : W;
  int32_t even, odd;
  if (2 * Extent <= len) {
    even = 2 * Extent + Unit > len ? len : 2 * Extent;
    odd = 0;
  } else {
    even = len;
    odd = std::min(len, 2 * Extent - len);
  }
  std::vector<TRect> out;
  for (int32_t i = 0, pos = 0; pos < across; ++i, pos += 5) {
    const bool is_even = i % 2 == 0;
    const int32_t l = is_even ? even : odd;
    if (l <= 0) continue;
    bool from_start = true;
    switch (From) {
      case TRevealFrom::End:
        from_start = false;
        break;
      case TRevealFrom::StartThenEnd:
        from_start = is_even;
        break;
      case TRevealFrom::EndThenStart:
        from_start = !is_even;
        break;
      // Even bars alternate between the edges; each odd bar comes from the
      // edge the even bar before it did not.
      case TRevealFrom::BothEdges:
        from_start = ((i / 2) % 2 == 0) == is_even;
        break;
      default:
        break;
    }
    out.push_back(Span(Horizontal, from_start ? 0 : len - l, from_start ? l : len, pos, 5));
  }
  return out;
}

std::vector<TRect> ShredRegion(bool Horizontal, TRevealFrom From, int32_t W, int32_t H,
                               int32_t Extent) {
  const int32_t len = Horizontal ? W : H, across = Horizontal ? H : W;
  const int32_t jitter = len / 7;
  std::vector<TRect> out;
  for (int32_t pos = 0; pos < across; pos += 5) {
    int32_t e = Extent;
    if (Extent < len && jitter > 0) e += TransitionRandom(2 * jitter + 1) - jitter;
    e = std::clamp(e, 0, len);
    if (e == 0) continue;
    const int32_t half = (e + 1) / 2;
    switch (From) {
      case TRevealFrom::End:
        out.push_back(Span(Horizontal, len - e, len, pos, 5));
        break;
      case TRevealFrom::BothEdges:
        out.push_back(Span(Horizontal, 0, half, pos, 5));
        out.push_back(Span(Horizontal, len - half, len, pos, 5));
        break;
      case TRevealFrom::Centre:
        out.push_back(Span(Horizontal, len / 2 - half, len / 2 + half, pos, 5));
        break;
      default:
        out.push_back(Span(Horizontal, 0, e, pos, 5));
        break;
    }
  }
  return out;
}

std::vector<TRect> SpeckleRegion(bool Horizontal, TRevealFrom From, int32_t W, int32_t H,
                                 int32_t Extent) {
  const int32_t len = Horizontal ? W : H, across = Horizontal ? H : W;
  const bool from_end = From == TRevealFrom::End;
  auto span = [&](int32_t a, int32_t b, int32_t pos, int32_t thick) {
    return from_end ? Span(Horizontal, len - b, len - a, pos, thick)
                    : Span(Horizontal, a, b, pos, thick);
  };
  std::vector<TRect> out;
  if (Extent > 0) out.push_back(span(0, Extent, 0, across));
  if (Extent >= len) return out;
  const int32_t size = std::max(2, (len / 10) / 20);
  const int32_t zone = std::max(size, len / 10);
  for (int32_t pos = 0; pos < across; pos += std::max(1, size / 2))
    for (int32_t d = 0; d < zone && Extent + d < len; d += size)
      if (TransitionRandom(zone) < zone - d)
        out.push_back(span(Extent + d, Extent + d + size, pos, size));
  return out;
}
