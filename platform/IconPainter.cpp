#include "platform/IconPainter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

TIconPicture::TIconPicture(int32_t Side) : side_(std::max<int32_t>(1, Side)), px_(size_t(side_) * size_t(side_), 0) {}

void TIconPicture::Fill(uint32_t Rgb, const TIconShape& Shape, float Opacity) {
  const float unit = 16.0f / float(side_);  // grid units per pixel
  for (int32_t y = 0; y < side_; ++y)
    for (int32_t x = 0; x < side_; ++x) {
      int32_t hits = 0;
      for (int32_t sy = 0; sy < 4; ++sy)
        for (int32_t sx = 0; sx < 4; ++sx)
          if (Shape((float(x) + (float(sx) + 0.5f) / 4) * unit, (float(y) + (float(sy) + 0.5f) / 4) * unit)) ++hits;
      if (hits) Over(x, y, Rgb, Opacity * float(hits) / 16);
    }
}

void TIconPicture::Mirror() {
  for (int32_t y = 0; y < side_; ++y) std::reverse(px_.begin() + y * side_, px_.begin() + (y + 1) * side_);
}

// Straight-alpha "over": the new colour over what is already there.
void TIconPicture::Over(int32_t x, int32_t y, uint32_t Rgb, float a) {
  uint32_t& d = px_[size_t(y) * size_t(side_) + size_t(x)];
  const float da = float(d >> 24) / 255;
  const float oa = a + da * (1 - a);
  auto ch = [&](int shift) {
    const float s = float((Rgb >> shift) & 0xFF), t = float((d >> shift) & 0xFF);
    return uint32_t(std::lround((s * a + t * da * (1 - a)) / oa)) & 0xFF;
  };
  d = (uint32_t(std::lround(oa * 255)) << 24) | (ch(16) << 16) | (ch(8) << 8) | ch(0);
}

TIconShape IconBox(float l, float t, float r, float b) {
  return [=](float x, float y) { return x >= l && x < r && y >= t && y < b; };
}
TIconShape IconDisc(float cx, float cy, float r) {
  return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
TIconShape IconArc(float cx, float cy, float r0, float r1, float a0, float a1) {
  return [=](float x, float y) {
    const float d = std::hypot(x - cx, y - cy);
    if (d < r0 || d > r1) return false;
    float a = std::atan2(y - cy, x - cx);
    if (a < a0) a += 2 * std::numbers::pi_v<float>;
    return a <= a1;
  };
}
TIconShape IconLine(float x0, float y0, float x1, float y1, float w) {
  return [=](float x, float y) {
    const float dx = x1 - x0, dy = y1 - y0;
    float t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0f, 1.0f);
    return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= w / 2;
  };
}
TIconShape IconPolygon(std::vector<float> pts) {
  return [pts = std::move(pts)](float x, float y) {
    bool in = false;
    const size_t n = pts.size() / 2;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
      const float xi = pts[2 * i], yi = pts[2 * i + 1], xj = pts[2 * j], yj = pts[2 * j + 1];
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
  };
}
TIconShape IconMinus(TIconShape a, TIconShape b) {
  return [=](float x, float y) { return a(x, y) && !b(x, y); };
}
