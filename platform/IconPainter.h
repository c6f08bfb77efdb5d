// Paints small icons from a few shapes given as inside tests on a 16 x 16
// grid. Each pixel is sampled 4 x 4 times, so edges come out smooth at any
// side the picture is painted at (16 for small icons, 32 for large ones).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Whether the grid point (x, y) lies inside a shape.
using TIconShape = std::function<bool(float, float)>;

class TIconPicture {
 public:
  explicit TIconPicture(int32_t Side = 16);
  int32_t Side() const { return side_; }
  // Paints colour 0xRRGGBB over the shape with its coverage as alpha.
  void Fill(uint32_t Rgb, const TIconShape& Shape, float Opacity = 1.0f);
  // Swaps left and right.
  void Mirror();
  // The pixels as 0xAARRGGBB, top row first, alpha not premultiplied.
  std::vector<uint32_t> Take() { return std::move(px_); }

 private:
  void Over(int32_t x, int32_t y, uint32_t Rgb, float a);
  int32_t side_;
  std::vector<uint32_t> px_;
};

// Shapes on the 16 x 16 grid.
TIconShape IconBox(float l, float t, float r, float b);
TIconShape IconDisc(float cx, float cy, float r);
// A ring between radii r0 and r1, from angle a0 to a1 (radians, clockwise
// from east as the screen's y grows downward).
TIconShape IconArc(float cx, float cy, float r0, float r1, float a0, float a1);
// A stroke of width w from (x0, y0) to (x1, y1).
TIconShape IconLine(float x0, float y0, float x1, float y1, float w);
// A polygon from x, y pairs (even-odd rule).
TIconShape IconPolygon(std::vector<float> pts);
// Inside a and not inside b.
TIconShape IconMinus(TIconShape a, TIconShape b);
