// TIESelectionPolygon: the outline a view draws for its selection, a list of
// polygons in image coordinates (consecutive polygons are separated by the
// break point), with their box and the look of the moving dashes.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/TGraphicsObject.h"

class TIESelectionPolygon {
 public:
  // The point that separates two polygons.
  static constexpr int32_t kBreak = 0xFFFFF;

  // x, y pairs, break points included.
  const int32_t* Points() const { return points_.empty() ? nullptr : points_.data(); }
  int32_t Count() const { return static_cast<int32_t>(points_.size() / 2); }
  int32_t X(int32_t i) const { return points_[static_cast<size_t>(i) * 2]; }
  int32_t Y(int32_t i) const { return points_[static_cast<size_t>(i) * 2 + 1]; }
  bool IsBreak(int32_t i) const { return X(i) == kBreak; }
  void SetPoint(int32_t i, int32_t x, int32_t y) {
    points_[static_cast<size_t>(i) * 2] = x;
    points_[static_cast<size_t>(i) * 2 + 1] = y;
  }

  // Empties the polygons (the box becomes 0, 0, 0, 0).
  void Clear();
  // Appends a point, growing the box with it; room grows 64 points at a time.
  void Append(int32_t x, int32_t y);
  // Appends a break point unless the last point already is one (or there is none).
  void AppendBreak();
  // Drops the last point and any break points before it.
  void DropLast();
  // Drops everything from point Count on.
  void Truncate(int32_t Count);
  // Replaces the points by Count pairs (room for 64 more).
  void Assign(const int32_t* Pairs, int32_t Count);
  // Exactly four points whose sides alternate horizontal and vertical.
  bool IsRectangle() const;

  TColor Colour1 = 0;
  TColor Colour2 = 0xFFFFFF;
  bool Animated = true;
  int32_t DashCounter = 0;
  int32_t Phase = 0;  // 0..9
  // The box of the points (break points aside).
  int32_t BoxLeft = 0, BoxTop = 0, BoxRight = 0, BoxBottom = 0;
  bool Visible = true;
  bool Sizeable = true;

 private:
  std::vector<int32_t> points_;
  bool boxed_ = false;  // the box holds a point
};
