// Regions as sorted lists of non-overlapping rectangles, and the handle calls
// over them (create, combine, offset, query).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/GdiObject.h"
#include "platform/Geometry.h"
#include "platform/Types.h"

// A set of pixels kept as y-x banded rectangles: rectangles are sorted by top,
// then left; rectangles of one band share top and bottom and do not touch;
// neighbouring bands with the same spans are merged. Two equal sets therefore
// have equal lists.
class Region {
 public:
  Region() = default;
  explicit Region(const TRect& r);

  bool Empty() const { return rects_.empty(); }
  const std::vector<TRect>& Rects() const { return rects_; }
  // Bounding rectangle; all zeros when empty.
  TRect Box() const;
  bool Contains(int32_t x, int32_t y) const;
  // Whether any pixel of r is in the region.
  bool Intersects(const TRect& r) const;
  // 1 empty (NULLREGION), 2 one rectangle (SIMPLEREGION), 3 more (COMPLEXREGION).
  int Complexity() const;

  void SetEmpty() { rects_.clear(); }
  void SetRect(const TRect& r);
  void Offset(int32_t dx, int32_t dy);

  static Region Intersect(const Region& a, const Region& b);
  static Region Union(const Region& a, const Region& b);
  static Region Xor(const Region& a, const Region& b);
  static Region Subtract(const Region& a, const Region& b);
  Region Intersect(const TRect& r) const { return Intersect(*this, Region(r)); }

  // Clips a span [x0, x1) on row y to the region: calls f(left, right) for
  // every piece, left to right.
  template <class F>
  void ForEachSpan(int32_t y, int32_t x0, int32_t x1, F&& f) const {
    for (const TRect& r : rects_) {
      if (r.Top > y) break;
      if (r.Bottom <= y) continue;
      int32_t l = r.Left > x0 ? r.Left : x0;
      int32_t rr = r.Right < x1 ? r.Right : x1;
      if (l < rr) f(l, rr);
    }
  }

  // A region of one span [l, r) per row, rows top, top + 1, ...
  static Region FromRows(int32_t top, const std::vector<std::pair<int32_t, int32_t>>& rows);

  friend bool operator==(const Region& a, const Region& b) { return a.rects_ == b.rects_; }

 private:
  enum class Op { And, Or, Xor, Diff };
  static Region Combine(const Region& a, const Region& b, Op op);
  std::vector<TRect> rects_;
};

// The pixels of row y inside the rectangle b with corners rounded by
// quarter ellipses of cw by ch pixels (cw = width and ch = height give an
// ellipse): [*l, *r), empty when *l >= *r. Pixel centres decide.
void RoundRectSpan(const TRect& b, int32_t cw, int32_t ch, int32_t y, int32_t* l, int32_t* r);

// Region handles.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_ERROR = ERROR;

constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

struct RegionObject : GdiObject {
  RegionObject() : GdiObject(OBJ_REGION) {}
  Region rgn;
};
using HRGN = RegionObject*;

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
HRGN CreateRectRgnIndirect(const TRect* r);
// A region of the given rectangles (their union).
HRGN CreateRgnFromRects(const TRect* rects, int count);
HRGN CreateRgnFromRegion(const Region& r);
// Rounded rectangle, ellipse and polygon (pixel centres inside; mode
// ALTERNATE or WINDING) regions.
HRGN CreateRoundRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t w,
                        int32_t h);
HRGN CreateEllipticRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
HRGN CreateEllipticRgnIndirect(const TRect* r);
HRGN CreatePolygonRgn(const TPoint* pts, int count, int mode);
BOOL SetRectRgn(HRGN rgn, int32_t left, int32_t top, int32_t right, int32_t bottom);
// dst = src1 op src2 (src2 unused for RGN_COPY); dst may be one of the
// sources. Answers the complexity of the result or ERROR.
int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode);
int OffsetRgn(HRGN rgn, int32_t dx, int32_t dy);
int GetRgnBox(HRGN rgn, TRect* box);
BOOL PtInRegion(HRGN rgn, int32_t x, int32_t y);
BOOL RectInRegion(HRGN rgn, const TRect* r);
BOOL EqualRgn(HRGN a, HRGN b);
// The region of a handle (an empty region for a null handle).
const Region& RegionOf(HRGN rgn);
