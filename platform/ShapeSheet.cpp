#include "platform/ShapeSheet.h"

#include <algorithm>
#include <cmath>

TShapeSheet::TShapeSheet(int32_t Width, int32_t Height, float Unit)
    : w_(std::max<int32_t>(0, Width)), h_(std::max<int32_t>(0, Height)), unit_(Unit), px_(size_t(w_) * size_t(h_), 0) {}

void TShapeSheet::Fill(uint32_t Rgb, const TSheetShape& Shape, float Opacity) {
  for (int32_t y = 0; y < h_; ++y)
    for (int32_t x = 0; x < w_; ++x) {
      int32_t hits = 0;
      for (int32_t sy = 0; sy < 4; ++sy)
        for (int32_t sx = 0; sx < 4; ++sx)
          if (Shape((float(x) + (float(sx) + 0.5f) / 4) * unit_, (float(y) + (float(sy) + 0.5f) / 4) * unit_)) ++hits;
      if (hits) Over(x, y, Rgb, Opacity * float(hits) / 16);
    }
}

void TShapeSheet::Mirror() {
  for (int32_t y = 0; y < h_; ++y) std::reverse(px_.begin() + y * w_, px_.begin() + (y + 1) * w_);
}

// Straight-alpha "over": the new colour over what is already there.
void TShapeSheet::Over(int32_t x, int32_t y, uint32_t Rgb, float a) {
  uint32_t& d = px_[size_t(y) * size_t(w_) + size_t(x)];
  const float da = float(d >> 24) / 255;
  const float oa = a + da * (1 - a);
  auto ch = [&](int shift) {
    const float s = float((Rgb >> shift) & 0xFF), t = float((d >> shift) & 0xFF);
    return uint32_t(std::lround((s * a + t * da * (1 - a)) / oa)) & 0xFF;
  };
  d = (uint32_t(std::lround(oa * 255)) << 24) | (ch(16) << 16) | (ch(8) << 8) | ch(0);
}
