// A 32-bit pixel surface: rows of width pixels, each pixel one little-endian
// uint32_t 0xAARRGGBB (bytes blue, green, red, alpha in memory). Row 0 is the
// top row; Stride is the byte distance from one row to the next and is
// negative for memory that stores the bottom row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Types.h"
#include "platform/ZeroedMemory.h"

// Pixel value from a COLORREF (alpha 0, as drawing calls leave it) and back.
constexpr uint32_t ColorRefToPixel(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF PixelToColorRef(uint32_t p) {
  return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}

class Surface {
 public:
  // Empty surface (0 x 0, no pixels).
  Surface() = default;
  // Owns width * height zeroed pixels, top-down, Stride = 4 * width.
  Surface(int32_t width, int32_t height);
  Surface(const Surface& other);
  Surface& operator=(const Surface& other);
  Surface(Surface&& other) noexcept;
  Surface& operator=(Surface&& other) noexcept;

  // A view of memory owned by someone else; firstRow points at the top row.
  static Surface Wrap(void* firstRow, int32_t width, int32_t height, ptrdiff_t stride);

  // Owned storage of a new size, all pixels zero. Raises on a negative or
  // too large size. The pixels come zeroed from the system rather than
  // cleared: a back buffer is painted over before it is shown, and a large
  // one is not paid for page by page twice. Released storage keeps no pixels.
  void Resize(int32_t width, int32_t height);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  ptrdiff_t Stride() const { return stride_; }
  // First byte of the top row.
  uint8_t* Pixels() const { return pixels_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  bool OwnsPixels() const { return !storage_.empty() || pixels_ == nullptr; }
  TRect Bounds() const { return TRect{0, 0, width_, height_}; }

  uint32_t* Row(int32_t y) const {
    return reinterpret_cast<uint32_t*>(pixels_ + static_cast<ptrdiff_t>(y) * stride_);
  }
  // Unchecked; callers clip first.
  uint32_t& At(int32_t x, int32_t y) const { return Row(y)[x]; }
  // Checked: 0 outside.
  uint32_t Get(int32_t x, int32_t y) const;
  // Checked: ignored outside.
  void Set(int32_t x, int32_t y, uint32_t pixel);
  // Fills the part of r that lies on the surface.
  void Fill(const TRect& r, uint32_t pixel);
  void Fill(uint32_t pixel) { Fill(Bounds(), pixel); }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  ptrdiff_t stride_ = 0;
  uint8_t* pixels_ = nullptr;
  TZeroedMemory storage_;
};
