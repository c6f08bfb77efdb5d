#include "platform/Geometry.h"

#include <algorithm>

BOOL SetRect(TRect* r, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!r) return FALSE;
  *r = TRect{left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(TRect* r) {
  return SetRect(r, 0, 0, 0, 0);
}

BOOL CopyRect(TRect* dst, const TRect* src) {
  if (!dst || !src) return FALSE;
  *dst = *src;
  return TRUE;
}

BOOL OffsetRect(TRect* r, int32_t dx, int32_t dy) {
  if (!r) return FALSE;
  r->Left += dx;
  r->Right += dx;
  r->Top += dy;
  r->Bottom += dy;
  return TRUE;
}

BOOL InflateRect(TRect* r, int32_t dx, int32_t dy) {
  if (!r) return FALSE;
  r->Left -= dx;
  r->Right += dx;
  r->Top -= dy;
  r->Bottom += dy;
  return TRUE;
}

BOOL IsRectEmpty(const TRect* r) {
  return !r || r->Right <= r->Left || r->Bottom <= r->Top;
}

BOOL EqualRect(const TRect* a, const TRect* b) {
  return a && b && *a == *b;
}

BOOL PtInRect(const TRect* r, TPoint p) {
  return r && p.X >= r->Left && p.X < r->Right && p.Y >= r->Top && p.Y < r->Bottom;
}

BOOL IntersectRect(TRect* dst, const TRect* a, const TRect* b) {
  if (!dst || !a || !b) return FALSE;
  TRect r{std::max(a->Left, b->Left), std::max(a->Top, b->Top), std::min(a->Right, b->Right),
          std::min(a->Bottom, b->Bottom)};
  if (IsRectEmpty(&r)) {
    *dst = TRect{0, 0, 0, 0};
    return FALSE;
  }
  *dst = r;
  return TRUE;
}

BOOL UnionRect(TRect* dst, const TRect* a, const TRect* b) {
  if (!dst || !a || !b) return FALSE;
  bool ea = IsRectEmpty(a), eb = IsRectEmpty(b);
  if (ea && eb) {
    *dst = TRect{0, 0, 0, 0};
    return FALSE;
  }
  if (ea) {
    *dst = *b;
    return TRUE;
  }
  if (eb) {
    *dst = *a;
    return TRUE;
  }
  *dst = TRect{std::min(a->Left, b->Left), std::min(a->Top, b->Top), std::max(a->Right, b->Right),
               std::max(a->Bottom, b->Bottom)};
  return TRUE;
}

BOOL SubtractRect(TRect* dst, const TRect* a, const TRect* b) {
  if (!dst || !a || !b) return FALSE;
  TRect r = *a;
  TRect i;
  if (IntersectRect(&i, a, b)) {
    if (i.Left == r.Left && i.Right == r.Right) {
      if (i.Top == r.Top)
        r.Top = i.Bottom;
      else if (i.Bottom == r.Bottom)
        r.Bottom = i.Top;
    } else if (i.Top == r.Top && i.Bottom == r.Bottom) {
      if (i.Left == r.Left)
        r.Left = i.Right;
      else if (i.Right == r.Right)
        r.Right = i.Left;
    }
  }
  if (IsRectEmpty(&r)) {
    *dst = TRect{0, 0, 0, 0};
    return FALSE;
  }
  *dst = r;
  return TRUE;
}
