#include "platform/Region.h"

#include <algorithm>

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
    case 0: return a && b;
    case 1: return a || b;
    case 2: return a != b;
    default: return a && !b;
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
    if (!out.empty() && out.back().r == x) out.back().r = xs[i + 1];
    else out.push_back({x, xs[i + 1]});
  }
}

}  // namespace

Region::Region(const TRect& r) { SetRect(r); }

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

Region Region::Intersect(const Region& a, const Region& b) { return Combine(a, b, Op::And); }
Region Region::Union(const Region& a, const Region& b) { return Combine(a, b, Op::Or); }
Region Region::Xor(const Region& a, const Region& b) { return Combine(a, b, Op::Xor); }
Region Region::Subtract(const Region& a, const Region& b) { return Combine(a, b, Op::Diff); }

// Handles

namespace {
bool IsRegion(HRGN h) { return IsGdiObject(h) && h->kind == OBJ_REGION; }
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
    case RGN_AND: dst->rgn = Region::Intersect(src1->rgn, src2->rgn); break;
    case RGN_OR: dst->rgn = Region::Union(src1->rgn, src2->rgn); break;
    case RGN_XOR: dst->rgn = Region::Xor(src1->rgn, src2->rgn); break;
    case RGN_DIFF: dst->rgn = Region::Subtract(src1->rgn, src2->rgn); break;
    default: return ERROR;
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

BOOL PtInRegion(HRGN rgn, int32_t x, int32_t y) { return IsRegion(rgn) && rgn->rgn.Contains(x, y); }

BOOL RectInRegion(HRGN rgn, const TRect* r) { return IsRegion(rgn) && r && rgn->rgn.Intersects(*r); }

BOOL EqualRgn(HRGN a, HRGN b) { return IsRegion(a) && IsRegion(b) && a->rgn == b->rgn; }

const Region& RegionOf(HRGN rgn) {
  static const Region empty;
  return IsRegion(rgn) ? rgn->rgn : empty;
}
