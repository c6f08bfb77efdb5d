// A picture painted from shapes given as inside tests. Each pixel is sampled
// 4 x 4 times and the share of samples inside a shape becomes its alpha, so
// edges come out smooth.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Whether the point (x, y), in the sheet's shape units, lies inside a shape.
using TSheetShape = std::function<bool(float, float)>;

class TShapeSheet {
 public:
  // Unit is how many shape units one pixel spans (1 paints shapes on the
  // pixel grid).
  TShapeSheet(int32_t Width, int32_t Height, float Unit = 1.0f);
  int32_t Width() const { return w_; }
  int32_t Height() const { return h_; }
  // Paints colour 0xRRGGBB over the shape with its coverage as alpha.
  void Fill(uint32_t Rgb, const TSheetShape& Shape, float Opacity = 1.0f);
  // Swaps left and right.
  void Mirror();
  // The pixels as 0xAARRGGBB, top row first, alpha not premultiplied.
  std::vector<uint32_t> Take() { return std::move(px_); }

 private:
  void Over(int32_t x, int32_t y, uint32_t Rgb, float a);
  int32_t w_, h_;
  float unit_;
  std::vector<uint32_t> px_;
};
