// Paints small icons from a few shapes given as inside tests on a 16 x 16
// grid. Each pixel is sampled 4 x 4 times, so edges come out smooth at any
// side the picture is painted at (16 for small icons, 32 for large ones).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ShapeSheet.h"

// Whether the grid point (x, y) lies inside a shape.
using TIconShape = TSheetShape;

// A square sheet whose shapes are given on the 16 x 16 grid.
class TIconPicture : public TShapeSheet {
 public:
  explicit TIconPicture(int32_t Side = 16);
  int32_t Side() const { return Width(); }
};

// Shapes, in the units of the sheet they are painted on (16 x 16 for icons).
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
