#pragma once
// Basic value types of the platform layer, shared by the window half and the
// drawing half: integer aliases, message parameters, points, sizes,
// rectangles and colour references.

#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using BOOL = int32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using COLORREF = uint32_t;  // 0x00BBGGRR

// A window handle. Handles are never reused within a process, so a handle
// kept after its window died simply finds no window.
struct TWindowHandleTag;
using HWND = TWindowHandleTag*;

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};
using POINT = TPoint;

struct TSize {
  int32_t cx = 0;
  int32_t cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};
using SIZE = TSize;

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  TPoint TopLeft() const { return {Left, Top}; }
  TPoint BottomRight() const { return {Right, Bottom}; }
  friend bool operator==(const TRect&, const TRect&) = default;
};
using RECT = TRect;

inline TRect Rect(int32_t l, int32_t t, int32_t r, int32_t b) { return {l, t, r, b}; }
inline TPoint Point(int32_t x, int32_t y) { return {x, y}; }

inline constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
inline constexpr BYTE GetRValue(COLORREF c) { return BYTE(c); }
inline constexpr BYTE GetGValue(COLORREF c) { return BYTE(c >> 8); }
inline constexpr BYTE GetBValue(COLORREF c) { return BYTE(c >> 16); }

inline constexpr WORD LOWORD(uintptr_t v) { return WORD(v & 0xFFFF); }
inline constexpr WORD HIWORD(uintptr_t v) { return WORD((v >> 16) & 0xFFFF); }
inline constexpr int32_t GET_X_LPARAM(LPARAM l) { return int16_t(LOWORD(uintptr_t(l))); }
inline constexpr int32_t GET_Y_LPARAM(LPARAM l) { return int16_t(HIWORD(uintptr_t(l))); }
inline constexpr LPARAM MAKELPARAM(int32_t lo, int32_t hi) {
  return LPARAM(uint32_t(uint16_t(lo)) | (uint32_t(uint16_t(hi)) << 16));
}
inline constexpr WPARAM MAKEWPARAM(int32_t lo, int32_t hi) {
  return WPARAM(uint32_t(uint16_t(lo)) | (uint32_t(uint16_t(hi)) << 16));
}

// Rectangle helpers. Rectangles are half-open: Right and Bottom lie outside.
inline bool IsRectEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
inline bool PtInRect(const TRect& r, TPoint p) {
  return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}
inline bool EqualRect(const TRect& a, const TRect& b) { return a == b; }
inline void SetRect(TRect& r, int32_t l, int32_t t, int32_t rt, int32_t b) { r = {l, t, rt, b}; }
inline void SetRectEmpty(TRect& r) { r = {}; }
inline void OffsetRect(TRect& r, int32_t dx, int32_t dy) {
  r.Left += dx; r.Right += dx; r.Top += dy; r.Bottom += dy;
}
inline void InflateRect(TRect& r, int32_t dx, int32_t dy) {
  r.Left -= dx; r.Right += dx; r.Top -= dy; r.Bottom += dy;
}
// Empty results are set to (0, 0, 0, 0) and answer false.
inline bool IntersectRect(TRect& d, const TRect& a, const TRect& b) {
  TRect r{a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top,
          a.Right < b.Right ? a.Right : b.Right, a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
  if (IsRectEmpty(r)) { d = {}; return false; }
  d = r;
  return true;
}
inline bool UnionRect(TRect& d, const TRect& a, const TRect& b) {
  if (IsRectEmpty(a)) { d = b; } else if (IsRectEmpty(b)) { d = a; }
  else {
    d = {a.Left < b.Left ? a.Left : b.Left, a.Top < b.Top ? a.Top : b.Top,
         a.Right > b.Right ? a.Right : b.Right, a.Bottom > b.Bottom ? a.Bottom : b.Bottom};
  }
  if (IsRectEmpty(d)) { d = {}; return false; }
  return true;
}
