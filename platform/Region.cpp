#include "platform/Region.h"

#include <algorithm>
#include <cmath>

namespace {

struct Span {
  int32_t l, r;
  bool operator==(const Span& o) const { return l == o.l && r == o.r; }
};

// Spans of a banded rectangle list on the band starting at y.
void SpansAt(const std::vector<TRect>& rects, int32_t y, std::vector<Span>& out) {
  out.clear();
  for (const TRect& r : rects) {
    if (r.Top > y) break;
    if (r.Bottom > y) out.push_back({r.Left, r.Right});
  }
}

bool Inside(bool a, bool b, int op) {
  switch (op) {
    case 0:
      return a && b;
    case 1:
      return a || b;
    case 2:
      return a != b;
    default:
      return a && !b;
  }
}

// Combines two sorted, disjoint span lists.
void CombineSpans(const std::vector<Span>& a, const std::vector<Span>& b, int op,
                  std::vector<Span>& out) {
  out.clear();
  std::vector<int32_t> xs;
  xs.reserve(2 * (a.size() + b.size()));
  for (const Span& s : a) xs.push_back(s.l), xs.push_back(s.r);
  for (const Span& s : b) xs.push_back(s.l), xs.push_back(s.r);
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    int32_t x = xs[i];
    while (ia < a.size() && a[ia].r <= x) ++ia;
    while (ib < b.size() && b[ib].r <= x) ++ib;
    bool inA = ia < a.size() && a[ia].l <= x;
    bool inB = ib < b.size() && b[ib].l <= x;
    if (!Inside(inA, inB, op)) continue;
    if (!out.empty() && out.back().r == x)
      out.back().r = xs[i + 1];
    else
      out.push_back({x, xs[i + 1]});
  }
}

}  // namespace

Region::Region(const TRect& r) {
  SetRect(r);
}

void Region::SetRect(const TRect& r) {
  rects_.clear();
  if (r.Right > r.Left && r.Bottom > r.Top) rects_.push_back(r);
}

TRect Region::Box() const {
  if (rects_.empty()) return TRect{0, 0, 0, 0};
  TRect b = rects_.front();
  for (const TRect& r : rects_) {
    b.Left = std::min(b.Left, r.Left);
    b.Right = std::max(b.Right, r.Right);
    b.Bottom = std::max(b.Bottom, r.Bottom);
  }
  return b;
}

bool Region::Contains(int32_t x, int32_t y) const {
  for (const TRect& r : rects_) {
    if (r.Top > y) break;
    if (y < r.Bottom && x >= r.Left && x < r.Right) return true;
  }
  return false;
}

bool Region::Intersects(const TRect& q) const {
  if (q.Right <= q.Left || q.Bottom <= q.Top) return false;
  for (const TRect& r : rects_) {
    if (r.Top >= q.Bottom) break;
    if (r.Bottom > q.Top && r.Left < q.Right && r.Right > q.Left) return true;
  }
  return false;
}

int Region::Complexity() const {
  return rects_.empty() ? NULLREGION : rects_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void Region::Offset(int32_t dx, int32_t dy) {
  for (TRect& r : rects_) {
    r.Left += dx;
    r.Right += dx;
    r.Top += dy;
    r.Bottom += dy;
  }
}

Region Region::Combine(const Region& a, const Region& b, Op op) {
  std::vector<int32_t> ys;
  ys.reserve(2 * (a.rects_.size() + b.rects_.size()));
  for (const TRect& r : a.rects_) ys.push_back(r.Top), ys.push_back(r.Bottom);
  for (const TRect& r : b.rects_) ys.push_back(r.Top), ys.push_back(r.Bottom);
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  Region out;
  std::vector<Span> sa, sb, band, prev;
  size_t prevStart = 0;  // index in out.rects_ of the previous band
  int32_t prevBottom = 0;
  bool havePrev = false;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    int32_t y0 = ys[i], y1 = ys[i + 1];
    SpansAt(a.rects_, y0, sa);
    SpansAt(b.rects_, y0, sb);
    CombineSpans(sa, sb, static_cast<int>(op), band);
    if (band.empty()) {
      havePrev = false;
      continue;
    }
    if (havePrev && prevBottom == y0 && band == prev) {
      for (size_t k = prevStart; k < out.rects_.size(); ++k) out.rects_[k].Bottom = y1;
    } else {
      prevStart = out.rects_.size();
      for (const Span& s : band) out.rects_.push_back(TRect{s.l, y0, s.r, y1});
      prev = band;
      havePrev = true;
    }
    prevBottom = y1;
  }
  return out;
}

Region Region::Intersect(const Region& a, const Region& b) {
  return Combine(a, b, Op::And);
}
Region Region::Union(const Region& a, const Region& b) {
  return Combine(a, b, Op::Or);
}
Region Region::Xor(const Region& a, const Region& b) {
  return Combine(a, b, Op::Xor);
}
Region Region::Subtract(const Region& a, const Region& b) {
  return Combine(a, b, Op::Diff);
}

Region Region::FromRows(int32_t top, const std::vector<std::pair<int32_t, int32_t>>& rows) {
  Region out;
  size_t bandStart = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    auto [l, r] = rows[i];
    int32_t y = top + int32_t(i);
    if (l >= r) continue;
    // Rows with the same span as the band just above grow that band.
    if (!out.rects_.empty() && out.rects_.size() == bandStart + 1) {
      TRect& last = out.rects_.back();
      if (last.Bottom == y && last.Left == l && last.Right == r) {
        last.Bottom = y + 1;
        continue;
      }
    }
    bandStart = out.rects_.size();
    out.rects_.push_back(TRect{l, y, r, y + 1});
  }
  return out;
}

void RoundRectSpan(const TRect& b, int32_t cw, int32_t ch, int32_t y, int32_t* l, int32_t* r) {
  *l = b.Left;
  *r = b.Right;
  int32_t w = b.Right - b.Left, h = b.Bottom - b.Top;
  if (w <= 0 || h <= 0 || y < b.Top || y >= b.Bottom) {
    *r = *l;
    return;
  }
  cw = std::clamp(cw, 0, w);
  ch = std::clamp(ch, 0, h);
  double rx = cw / 2.0, ry = ch / 2.0;
  if (rx <= 0 || ry <= 0) return;
  // Distance of the row from the nearer corner ellipse's centre.
  double cyTop = b.Top + ry - 0.5, cyBottom = b.Bottom - ry - 0.5;
  double dy = 0;
  if (y < cyTop)
    dy = cyTop - y;
  else if (y > cyBottom)
    dy = y - cyBottom;
  if (dy <= 0) return;
  double q = 1 - (dy * dy) / (ry * ry);
  if (q < 0) {
    *r = *l;
    return;
  }
  double dx = rx * std::sqrt(q);
  double cxl = b.Left + rx - 0.5, cxr = b.Right - rx - 0.5;
  *l = int32_t(std::ceil(cxl - dx - 1e-9));
  *r = std::max(*l, int32_t(std::floor(cxr + dx + 1e-9)) + 1);
}

// Handles

namespace {
bool IsRegion(HRGN h) {
  return IsGdiObject(h) && h->kind == OBJ_REGION;
}
}  // namespace

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  auto* h = new RegionObject();
  // A reversed rectangle is taken with its corners swapped.
  h->rgn.SetRect(TRect{std::min(left, right), std::min(top, bottom), std::max(left, right),
                       std::max(top, bottom)});
  return h;
}

HRGN CreateRectRgnIndirect(const TRect* r) {
  return r ? CreateRectRgn(r->Left, r->Top, r->Right, r->Bottom) : CreateRectRgn(0, 0, 0, 0);
}

HRGN CreateRgnFromRects(const TRect* rects, int count) {
  auto* h = new RegionObject();
  for (int i = 0; rects && i < count; ++i) h->rgn = Region::Union(h->rgn, Region(rects[i]));
  return h;
}

HRGN CreateRgnFromRegion(const Region& r) {
  auto* h = new RegionObject();
  h->rgn = r;
  return h;
}

HRGN CreateRoundRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t w,
                        int32_t h) {
  TRect b{std::min(left, right), std::min(top, bottom), std::max(left, right),
          std::max(top, bottom)};
  std::vector<std::pair<int32_t, int32_t>> rows;
  for (int32_t y = b.Top; y < b.Bottom; ++y) {
    int32_t l, r;
    RoundRectSpan(b, std::abs(w), std::abs(h), y, &l, &r);
    rows.push_back({l, r});
  }
  return CreateRgnFromRegion(Region::FromRows(b.Top, rows));
}

HRGN CreateEllipticRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return CreateRoundRectRgn(left, top, right, bottom, std::abs(right - left),
                            std::abs(bottom - top));
}

HRGN CreateEllipticRgnIndirect(const TRect* r) {
  return r ? CreateEllipticRgn(r->Left, r->Top, r->Right, r->Bottom) : CreateRectRgn(0, 0, 0, 0);
}

HRGN CreatePolygonRgn(const TPoint* pts, int count, int mode) {
  Region out;
  if (!pts || count < 3) return CreateRgnFromRegion(out);
  int32_t minY = pts[0].Y, maxY = pts[0].Y;
  for (int i = 1; i < count; ++i) minY = std::min(minY, pts[i].Y), maxY = std::max(maxY, pts[i].Y);
  // One row at a time: the spans of pixel centres inside, joined per row.
  std::vector<std::pair<double, int>> xs;
  for (int32_t y = minY; y < maxY; ++y) {
    double cy = y + 0.5;
    xs.clear();
    for (int i = 0; i < count; ++i) {
      const TPoint& a = pts[i];
      const TPoint& b = pts[(i + 1) % count];
      if (a.Y == b.Y) continue;
      bool up = a.Y < b.Y;
      double y0 = up ? a.Y : b.Y, y1 = up ? b.Y : a.Y;
      if (cy < y0 || cy >= y1) continue;
      xs.push_back({a.X + (cy - a.Y) * double(b.X - a.X) / double(b.Y - a.Y), up ? 1 : -1});
    }
    std::sort(xs.begin(), xs.end());
    int wind = 0;
    Region row;
    for (size_t k = 0; k + 1 < xs.size(); ++k) {
      wind += xs[k].second;
      bool inside = mode == 2 /* WINDING */ ? wind != 0 : (k % 2) == 0;
      int32_t l = int32_t(std::ceil(xs[k].first - 0.5)),
              r = int32_t(std::ceil(xs[k + 1].first - 0.5));
      if (inside && l < r) row = Region::Union(row, Region(TRect{l, y, r, y + 1}));
    }
    out = Region::Union(out, row);
  }
  return CreateRgnFromRegion(out);
}

BOOL SetRectRgn(HRGN rgn, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!IsRegion(rgn)) return FALSE;
  rgn->rgn.SetRect(TRect{std::min(left, right), std::min(top, bottom), std::max(left, right),
                         std::max(top, bottom)});
  return TRUE;
}

int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode) {
  if (!IsRegion(dst) || !IsRegion(src1)) return ERROR;
  if (mode == RGN_COPY) {
    dst->rgn = src1->rgn;
    return dst->rgn.Complexity();
  }
  if (!IsRegion(src2)) return ERROR;
  switch (mode) {
    case RGN_AND:
      dst->rgn = Region::Intersect(src1->rgn, src2->rgn);
      break;
    case RGN_OR:
      dst->rgn = Region::Union(src1->rgn, src2->rgn);
      break;
    case RGN_XOR:
      dst->rgn = Region::Xor(src1->rgn, src2->rgn);
      break;
    case RGN_DIFF:
      dst->rgn = Region::Subtract(src1->rgn, src2->rgn);
      break;
    default:
      return ERROR;
  }
  return dst->rgn.Complexity();
}

int OffsetRgn(HRGN rgn, int32_t dx, int32_t dy) {
  if (!IsRegion(rgn)) return ERROR;
  rgn->rgn.Offset(dx, dy);
  return rgn->rgn.Complexity();
}

int GetRgnBox(HRGN rgn, TRect* box) {
  if (!IsRegion(rgn) || !box) return ERROR;
  *box = rgn->rgn.Box();
  return rgn->rgn.Complexity();
}

BOOL PtInRegion(HRGN rgn, int32_t x, int32_t y) {
  return IsRegion(rgn) && rgn->rgn.Contains(x, y);
}

BOOL RectInRegion(HRGN rgn, const TRect* r) {
  return IsRegion(rgn) && r && rgn->rgn.Intersects(*r);
}

BOOL EqualRgn(HRGN a, HRGN b) {
  return IsRegion(a) && IsRegion(b) && a->rgn == b->rgn;
}

const Region& RegionOf(HRGN rgn) {
  static const Region empty;
  return IsRegion(rgn) ? rgn->rgn : empty;
}
