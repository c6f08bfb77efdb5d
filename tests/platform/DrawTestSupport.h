// Helpers for the drawing tests: a DC over a fresh surface and pixel reads.
#pragma once

#include <memory>

#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/Surface.h"

struct TestCanvas {
  Surface surface;
  HDC dc;
  TestCanvas(int32_t w, int32_t h, uint32_t fill = 0xFFFFFF) : surface(w, h) {
    surface.Fill(fill);
    dc = CreateSurfaceDC(&surface, TPoint{0, 0}, static_cast<const Region*>(nullptr));
  }
  ~TestCanvas() { DeleteDC(dc); }
  TestCanvas(const TestCanvas&) = delete;
  TestCanvas& operator=(const TestCanvas&) = delete;
  uint32_t At(int32_t x, int32_t y) const { return surface.Get(x, y) & 0xFFFFFF; }
  // Number of pixels of the given value (alpha ignored).
  int Count(uint32_t v) const {
    int n = 0;
    for (int32_t y = 0; y < surface.Height(); ++y)
      for (int32_t x = 0; x < surface.Width(); ++x) n += At(x, y) == v;
    return n;
  }
  // Bounding box of pixels that differ from v.
  TRect BoxNot(uint32_t v) const {
    TRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int32_t y = 0; y < surface.Height(); ++y)
      for (int32_t x = 0; x < surface.Width(); ++x)
        if (At(x, y) != v) {
          r.Left = std::min(r.Left, x);
          r.Top = std::min(r.Top, y);
          r.Right = std::max(r.Right, x + 1);
          r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r;
  }
};

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRedPx = 0xFF0000;  // surface pixel of RGB(255, 0, 0)
