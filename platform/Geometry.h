// Points, sizes and rectangles of the drawing and windowing calls, with the
// rectangle helpers that go with them. Fields answer to both spellings in use
// (R.Left and r.left are the same field).
#pragma once

#include <cstdint>

#include "platform/Types.h"

struct TPoint {
  union {
    int32_t X;
    int32_t x;
  };
  union {
    int32_t Y;
    int32_t y;
  };
};
using POINT = TPoint;

struct TSize {
  int32_t cx;
  int32_t cy;
};
using SIZE = TSize;

// Right and Bottom lie outside the rectangle.
struct TRect {
  union {
    int32_t Left;
    int32_t left;
  };
  union {
    int32_t Top;
    int32_t top;
  };
  union {
    int32_t Right;
    int32_t right;
  };
  union {
    int32_t Bottom;
    int32_t bottom;
  };

  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  TPoint TopLeft() const { return TPoint{Left, Top}; }
  TPoint BottomRight() const { return TPoint{Right, Bottom}; }
};
using RECT = TRect;

inline bool operator==(const TPoint& a, const TPoint& b) {
  return a.X == b.X && a.Y == b.Y;
}
inline bool operator==(const TSize& a, const TSize& b) {
  return a.cx == b.cx && a.cy == b.cy;
}
inline bool operator==(const TRect& a, const TRect& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

inline TPoint Point(int32_t x, int32_t y) {
  return TPoint{x, y};
}
inline TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return TRect{left, top, right, bottom};
}
inline TRect Bounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  return TRect{left, top, left + width, top + height};
}

BOOL SetRect(TRect* r, int32_t left, int32_t top, int32_t right, int32_t bottom);
BOOL SetRectEmpty(TRect* r);
BOOL CopyRect(TRect* dst, const TRect* src);
BOOL OffsetRect(TRect* r, int32_t dx, int32_t dy);
BOOL InflateRect(TRect* r, int32_t dx, int32_t dy);
// Empty when Right <= Left or Bottom <= Top.
BOOL IsRectEmpty(const TRect* r);
BOOL EqualRect(const TRect* a, const TRect* b);
// Left/top edges inside, right/bottom edges outside.
BOOL PtInRect(const TRect* r, TPoint p);
// Stores the intersection (an empty result as all zeros); TRUE when not empty.
BOOL IntersectRect(TRect* dst, const TRect* a, const TRect* b);
// An empty operand does not count; both empty give all zeros.
BOOL UnionRect(TRect* dst, const TRect* a, const TRect* b);
// a less b when b covers a whole side of a; otherwise a.
BOOL SubtractRect(TRect* dst, const TRect* a, const TRect* b);
