#include "platform/Surface.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {
// 2^28 pixels (1 GiB) is far above any window or image the program draws.
constexpr int64_t kMaxSurfacePixels = int64_t(1) << 28;
}  // namespace

Surface::Surface(int32_t width, int32_t height) {
  Resize(width, height);
}

Surface::Surface(const Surface& other) {
  *this = other;
}

Surface& Surface::operator=(const Surface& other) {
  if (this == &other) return *this;
  if (other.OwnsPixels()) {
    storage_ = other.storage_.empty() ? TZeroedMemory() : TZeroedMemory(other.storage_.size());
    if (!storage_.empty()) std::memcpy(storage_.data(), other.storage_.data(), storage_.size());
    width_ = other.width_;
    height_ = other.height_;
    stride_ = other.stride_;
    pixels_ = storage_.empty() ? nullptr : storage_.data();
  } else {
    storage_.clear();
    width_ = other.width_;
    height_ = other.height_;
    stride_ = other.stride_;
    pixels_ = other.pixels_;
  }
  return *this;
}

Surface::Surface(Surface&& other) noexcept {
  *this = std::move(other);
}

Surface& Surface::operator=(Surface&& other) noexcept {
  if (this == &other) return *this;
  storage_ = std::move(other.storage_);
  width_ = other.width_;
  height_ = other.height_;
  stride_ = other.stride_;
  pixels_ = other.pixels_;
  other.storage_.clear();
  other.width_ = other.height_ = 0;
  other.stride_ = 0;
  other.pixels_ = nullptr;
  return *this;
}

Surface Surface::Wrap(void* firstRow, int32_t width, int32_t height, ptrdiff_t stride) {
  Surface s;
  if (!firstRow || width <= 0 || height <= 0) return s;
  s.width_ = width;
  s.height_ = height;
  s.stride_ = stride;
  s.pixels_ = static_cast<uint8_t*>(firstRow);
  return s;
}

void Surface::Resize(int32_t width, int32_t height) {
  if (width < 0 || height < 0 || int64_t(width) * height > kMaxSurfacePixels)
    throw std::length_error("surface size out of range");
  storage_.clear();
  storage_ = TZeroedMemory(size_t(width) * size_t(height) * 4);
  width_ = width;
  height_ = height;
  stride_ = ptrdiff_t(width) * 4;
  pixels_ = storage_.empty() ? nullptr : storage_.data();
  if (!pixels_) width_ = height_ = 0, stride_ = 0;
}

uint32_t Surface::Get(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return At(x, y);
}

void Surface::Set(int32_t x, int32_t y, uint32_t pixel) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  At(x, y) = pixel;
}

void Surface::Fill(const TRect& r, uint32_t pixel) {
  int32_t l = std::max(r.Left, 0), t = std::max(r.Top, 0);
  int32_t rr = std::min(r.Right, width_), b = std::min(r.Bottom, height_);
  for (int32_t y = t; y < b; ++y) std::fill(Row(y) + l, Row(y) + std::max(l, rr), pixel);
}
