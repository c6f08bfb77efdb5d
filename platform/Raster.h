// Pixel access for the drawing code: spans of the DC's target (a 32-bit
// surface directly, bitmaps of other depths through a row buffer), raster
// operations and brush patterns.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/DCInternal.h"

namespace raster {

// Binary mix of destination d and pen p by an R2_ mode.
inline uint32_t Rop2(int mode, uint32_t d, uint32_t p) {
  uint32_t r;
  switch (mode) {
    case R2_BLACK:
      r = 0;
      break;
    case R2_NOTMERGEPEN:
      r = ~(d | p);
      break;
    case R2_MASKNOTPEN:
      r = d & ~p;
      break;
    case R2_NOTCOPYPEN:
      r = ~p;
      break;
    case R2_MASKPENNOT:
      r = p & ~d;
      break;
    case R2_NOT:
      r = ~d;
      break;
    case R2_XORPEN:
      r = d ^ p;
      break;
    case R2_NOTMASKPEN:
      r = ~(d & p);
      break;
    case R2_MASKPEN:
      r = d & p;
      break;
    case R2_NOTXORPEN:
      r = ~(d ^ p);
      break;
    case R2_NOP:
      return d;
    case R2_MERGENOTPEN:
      r = d | ~p;
      break;
    case R2_MERGEPENNOT:
      r = p | ~d;
      break;
    case R2_MERGEPEN:
      r = d | p;
      break;
    case R2_WHITE:
      r = 0xFFFFFF;
      break;
    default:
      r = p;
      break;
  }
  return r & 0xFFFFFF;
}

// Ternary operation by its index (the second byte of the raster code).
inline uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
  switch (code) {
    case 0xCC:
      return s;
    case 0xF0:
      return p & 0xFFFFFF;
    case 0x00:
      return 0;
    case 0xFF:
      return 0xFFFFFF;
    case 0x55:
      return ~d & 0xFFFFFF;
    case 0x5A:
      return (p ^ d) & 0xFFFFFF;
    case 0x33:
      return ~s & 0xFFFFFF;
    case 0x88:
      return s & d & 0xFFFFFF;
    case 0xEE:
      return (s | d) & 0xFFFFFF;
    case 0x66:
      return (s ^ d) & 0xFFFFFF;
    case 0xAA:
      return d;
    default:
      break;
  }
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((code >> i) & 1)) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r & 0xFFFFFF;
}

inline bool RopUsesSource(uint8_t code) {
  return ((code >> 2) & 0x33) != (code & 0x33);
}
inline bool RopUsesPattern(uint8_t code) {
  return ((code >> 4) & 0x0F) != (code & 0x0F);
}

// What a DC draws on.
class Target {
 public:
  explicit Target(HDC dc);
  bool Valid() const { return w_ > 0 && h_ > 0 && (s32_ || bm_); }
  int32_t Width() const { return w_; }
  int32_t Height() const { return h_; }
  // A monochrome device bitmap: blits to and from colour targets go
  // through the text and background colours (DIB sections use their colour
  // tables instead).
  bool Mono() const { return bm_ && bm_->bitsPerPixel == 1 && !bm_->dibSection; }

  // f(uint32_t* px, int32_t x0, int32_t n) over pixels [x0, x1) of row y
  // (surface coordinates inside the target). Changes are stored.
  template <class F>
  void Modify(int32_t y, int32_t x0, int32_t x1, F&& f) {
    int32_t n = x1 - x0;
    if (n <= 0) return;
    if (s32_) {
      f(s32_->Row(y) + x0, x0, n);
      return;
    }
    buf_.resize(size_t(n));
    ReadBitmapRow(*bm_, y, x0, n, buf_.data());
    f(buf_.data(), x0, n);
    WriteBitmapRow(*bm_, y, x0, n, buf_.data());
  }
  // Sets pixels [x0, x1) of row y to Color. Nothing is read: a fill of
  // fresh memory (a new back buffer) would otherwise fault every page in
  // twice, once to read zeros and once to write.
  void Fill(int32_t y, int32_t x0, int32_t x1, uint32_t Color) {
    const int32_t n = x1 - x0;
    if (n <= 0) return;
    if (s32_) {
      std::fill(s32_->Row(y) + x0, s32_->Row(y) + x1, Color);
      return;
    }
    buf_.assign(size_t(n), Color);
    WriteBitmapRow(*bm_, y, x0, n, buf_.data());
  }
  // Reads pixels [x0, x0 + n) of row y into out.
  void Read(int32_t y, int32_t x0, int32_t n, uint32_t* out) const;
  // Whether the two targets' pixels lie in overlapping memory (the same
  // bitmap, or views of one block): a blit between them cannot read its
  // source straight into its destination.
  bool SharesMemoryWith(const Target& Other) const;
  uint32_t Get(int32_t x, int32_t y) const {
    uint32_t v;
    Read(y, x, 1, &v);
    return v;
  }

 private:
  Surface* s32_ = nullptr;
  BitmapObject* bm_ = nullptr;
  int32_t w_ = 0, h_ = 0;
  std::vector<uint32_t> buf_;
};

// An 8 x 8 brush pattern resolved for one DC: pixel values and which pixels
// are painted (hatch backgrounds are left alone in transparent mode).
struct Pattern {
  bool null = true;
  bool solid = false;
  uint32_t color = 0;
  uint32_t px[64] = {};
  bool paint[64] = {};
  // Pattern origin in surface coordinates.
  int32_t ox = 0, oy = 0;

  Pattern() = default;
  Pattern(HDC dc, HBRUSH brush);
  uint32_t At(int32_t x, int32_t y) const { return px[((y - oy) & 7) * 8 + ((x - ox) & 7)]; }
  bool Paints(int32_t x, int32_t y) const { return paint[((y - oy) & 7) * 8 + ((x - ox) & 7)]; }
};

// Resolves a brush argument that may be a system colour index + 1.
HBRUSH ResolveBrush(HBRUSH brush);

// Fills the clipped span [x0, x1) of surface row y with the pattern under
// the ROP2 mode.
void PatternSpan(HDC dc, Target& t, const Pattern& pat, int mode, int32_t y, int32_t x0,
                 int32_t x1);
// Combines the pattern with the destination by a ternary code over a
// surface rectangle (clipped).
void PatternRect(HDC dc, Target& t, const Pattern& pat, uint8_t code, const TRect& r);

// Pixel value of a COLORREF as the target stores it.
inline uint32_t Px(COLORREF c) {
  return ColorRefToPixel(c & 0xFFFFFF);
}

}  // namespace raster
