// TIEDibbitmap: a 1- or 24-bit device-independent bitmap section with its own
// memory device context, usable wherever an abstract image is taken.
#pragma once

#include <cstdint>
#include <optional>

#include "imaging/model/TIEBitmap.h"
#include "platform/Bitmap.h"
#include "platform/DC.h"
#include "platform/GdiHolders.h"

class TIEDibbitmap : public TIEBaseBitmap {
 public:
  TIEDibbitmap() = default;
  ~TIEDibbitmap() override;
  // Nothing for a zero size; otherwise a new zeroed section.
  void AllocateBits(int32_t Width, int32_t Height, int32_t BitCount);
  void FreeBits();
  HDC DC() const { return dc_ ? dc_->Handle() : nullptr; }
  HBITMAP Handle() const { return section_.get(); }
  const BITMAPINFO* Info() const { return &info_.header; }
  uint8_t* Bits() const { return bits_; }

  uint8_t* GetScanline(int32_t Row) override { return bits_ + row_len_ * (int64_t{height_} - Row - 1); }
  int32_t GetBitCount() override { return bit_count_; }
  int32_t GetHeight() override { return height_; }
  int32_t GetWidth() override { return width_; }
  TIEPixelFormat GetPixelFormat() override {
    return bit_count_ == 1 ? ieMono1 : bit_count_ == 24 ? ieRGB24 : ieNoFormat;
  }
  int64_t GetRowLen() override { return row_len_; }
  TRGB GetPaletteEntry(int32_t) override { return TRGB{0, 0, 0}; }
  void SetPaletteEntry(int32_t, const TRGB&) override {}
  int32_t GetPaletteLen() override { return 0; }
  // ieMono1 gives 1 bit, ieRGB24 24 bits; other formats do nothing.
  void Allocate(int32_t Width, int32_t Height, TIEPixelFormat PixelFormat) override;
  // Only from another TIEDibbitmap.
  void Assign(TIEBaseBitmap* Source) override;

 private:
  struct DibInfo {
    BITMAPINFO header;
    RGBQUAD white;  // the second colour-table entry
  };
  int32_t width_ = 0, height_ = 0, bit_count_ = 0;
  int64_t row_len_ = 0;
  // The section outlives the DC it is selected into (members go in reverse).
  TOwnedGdiObject<HBITMAP> section_;
  std::optional<TMemoryDC> dc_;
  uint8_t* bits_ = nullptr;
  DibInfo info_{};
};
