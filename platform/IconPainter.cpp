#include "platform/IconPainter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
int32_t IconSide(int32_t Side) { return std::max<int32_t>(1, Side); }
}  // namespace

TIconPicture::TIconPicture(int32_t Side)
    : TShapeSheet(IconSide(Side), IconSide(Side), 16.0f / float(IconSide(Side))) {}  // grid units per pixel

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
