#include "imaging/model/TIEDibbitmap.h"

#include <cstring>

#include "imaging/model/IEBitRoutines.h"
#include "rtl/Exception.h"

TIEDibbitmap::~TIEDibbitmap() { FreeBits(); }

void TIEDibbitmap::AllocateBits(int32_t Width, int32_t Height, int32_t BitCount) {
  if (Width <= 0 || Height <= 0) return;
  FreeBits();
  BITMAPINFOHEADER& h = info_.header.bmiHeader;
  h.biSize = 40;
  h.biWidth = Width;
  h.biHeight = Height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(BitCount);
  h.biCompression = 0;
  row_len_ = AlignedRowLength(Width, BitCount, 32);
  h.biSizeImage = static_cast<DWORD>(row_len_ * Height);
  // 1-bit sections are black and white.
  info_.header.bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  info_.white = RGBQUAD{255, 255, 255, 0};
  dc_.emplace();
  void* bits = nullptr;
  section_.reset(CreateDIBSection(*dc_, &info_.header, 0, &bits, nullptr, 0));
  if (!section_ || !bits) {
    FreeBits();
    throw EOutOfMemory("Out of memory");
  }
  SelectObject(*dc_, section_.get());
  bits_ = static_cast<uint8_t*>(bits);
  width_ = Width;
  height_ = Height;
  bit_count_ = BitCount;
}

void TIEDibbitmap::FreeBits() {
  dc_.reset();
  section_.reset();
  bits_ = nullptr;
  width_ = height_ = bit_count_ = 0;
  row_len_ = 0;
}

void TIEDibbitmap::Allocate(int32_t Width, int32_t Height, TIEPixelFormat PixelFormat) {
  if (PixelFormat == ieMono1)
    AllocateBits(Width, Height, 1);
  else if (PixelFormat == ieRGB24)
    AllocateBits(Width, Height, 24);
}

void TIEDibbitmap::Assign(TIEBaseBitmap* Source) {
  auto* source = dynamic_cast<TIEDibbitmap*>(Source);
  if (!source || source == this || !source->bits_) return;
  AllocateBits(source->width_, source->height_, source->bit_count_);
  std::memcpy(bits_, source->bits_, static_cast<size_t>(row_len_ * height_));
}
