// TIEBitmap: images whose rows live in a platform bitmap (TBitmap), which
// the views and the processing component draw on through its canvas.
#include <algorithm>
#include <cstring>

#include "imaging/model/ColorReduction.h"
#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/PlatformBitmaps.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/Exception.h"
#include "ui/TBitmap.h"

namespace {
TPixelFormat PlatformFormatOf(TIEPixelFormat f) {
  switch (f) {
    case ieMono1: return pf1bit;
    case iePalette8:
    case ieGray8:
    case ieGray16: return pf8bit;
    default: return pf24bit;
  }
}
}  // namespace

void TIEBitmap::AllocatePlatformBitmap() {
  switch (pixel_format_) {
    case ie32f: throw EInvalidOperation("ie32f pixel format not allowed when Location=ieTBitmap");
    case ieCMYK: throw EInvalidOperation("ieCMYK pixel format not allowed when Location=ieTBitmap");
    case ieRGB48: throw EInvalidOperation("ieRGB48 pixel format not allowed when Location=ieTBitmap");
    case ieCIELab: throw EInvalidOperation("ieCIELab pixel format not allowed when Location=ieTBitmap");
    default: break;
  }
  if (!platform_bitmap_) platform_bitmap_ = new TBitmap();
  platform_bitmap_->SetSize(1, 1);
  if (pixel_format_ == ieGray16) {
    // A platform bitmap holds 8-bit grey at most.
    pixel_format_ = ieGray8;
    bit_count_ = 8;
    channel_count_ = 1;
    row_len_ = AlignedRowLength(width_, 8, RowAlign);
  }
  platform_bitmap_->SetPixelFormat(PlatformFormatOf(pixel_format_));
  platform_bitmap_->SetSize(width_, height_);
  if (pixel_format_ == ieGray8) SetGrayPaletteBitmap(platform_bitmap_);
  if (pixel_format_ == iePalette8) SyncPlatformPalette();
  row_len_ = platform_bitmap_->RowLength();
}

void TIEBitmap::SyncPlatformPalette() {
  if (location_ != ieTBitmap || !platform_bitmap_ || palette_len_ == 0) return;
  if (platform_bitmap_->PixelFormat() != pf8bit) return;
  std::vector<RGBQUAD> colors(static_cast<size_t>(palette_len_));
  for (int32_t i = 0; i < palette_len_; ++i)
    colors[static_cast<size_t>(i)] = RGBQUAD{palette_[i].b, palette_[i].g, palette_[i].r, 0};
  platform_bitmap_->SetColors(colors);
}

void TIEBitmap::SyncWithPlatformBitmap() {
  if (!platform_bitmap_) return;
  TIEPixelFormat implied;
  switch (platform_bitmap_->PixelFormat()) {
    case pf1bit: implied = ieMono1; break;
    case pf8bit:
      implied = IsAlphaChannel || IsGrayPaletteBitmap(platform_bitmap_) ? ieGray8 : iePalette8;
      break;
    default: implied = ieRGB24; break;
  }
  const int32_t w = platform_bitmap_->Width(), h = platform_bitmap_->Height();
  if (w != width_ || h != height_ || implied != pixel_format_) {
    width_ = w;
    height_ = h;
    pixel_format_ = implied;
    bit_count_ = IEBitsPerPixel[implied];
    channel_count_ = IEChannelCount[implied];
    row_len_ = AlignedRowLength(w, bit_count_, RowAlign);
    if (alpha_) alpha_->Allocate(w, h, ieGray8);
    if (implied == iePalette8 && !palette_) {
      palette_ = std::make_unique<TRGB[]>(256);
      palette_len_ = 256;
    }
  }
  if (pixel_format_ == iePalette8) CopyDIBColorTable(platform_bitmap_, this);
}

TBitmap* TIEBitmap::GetPlatformBitmap() {
  SetLocation(ieTBitmap);
  return platform_bitmap_;
}

TCanvas* TIEBitmap::GetCanvas() {
  TBitmap* bitmap = GetPlatformBitmap();
  return bitmap ? bitmap->Canvas() : nullptr;
}

void TIEBitmap::EncapsulateTBitmap(TBitmap* Bitmap, bool FreeFirst) {
  if (FreeFirst) FreeImage(true);
  if (!Bitmap) return;
  if (platform_bitmap_ && !external_bitmap_) platform_bitmap_->Free();
  platform_bitmap_ = Bitmap;
  external_bitmap_ = true;
  location_ = ieTBitmap;
  width_ = Bitmap->Width();
  height_ = Bitmap->Height();
  if (Bitmap->PixelFormat() == pf1bit)
    pixel_format_ = ieMono1;
  else if (Bitmap->PixelFormat() == pf24bit)
    pixel_format_ = ieRGB24;
  if (pixel_format_ != ieNoFormat) {
    bit_count_ = IEBitsPerPixel[pixel_format_];
    channel_count_ = IEChannelCount[pixel_format_];
    row_len_ = AlignedRowLength(width_, bit_count_, RowAlign);
  }
}

void TIEBitmap::AssignToPlatform(TIEBitmap* Source) {
  if (Source->IsEmpty()) return;
  width_ = Source->width_;
  height_ = Source->height_;
  pixel_format_ = Source->pixel_format_;
  RowAlign = Source->RowAlign;
  if (!platform_bitmap_) platform_bitmap_ = new TBitmap();
  platform_bitmap_->SetSize(1, 1);
  // Formats a platform bitmap cannot hold are converted by the caller first;
  // the bitmap then keeps its own format.
  if (pixel_format_ == ieMono1 || pixel_format_ == iePalette8 || pixel_format_ == ieGray8 ||
      pixel_format_ == ieRGB24)
    platform_bitmap_->SetPixelFormat(PlatformFormatOf(pixel_format_));
  platform_bitmap_->SetSize(width_, height_);
  if (pixel_format_ == ieGray8) SetGrayPaletteBitmap(platform_bitmap_);
  bit_count_ = IEBitsPerPixel[pixel_format_];
  channel_count_ = IEChannelCount[pixel_format_];
  row_len_ = platform_bitmap_->RowLength();
  if (pixel_format_ == iePalette8 && !palette_) {
    palette_ = std::make_unique<TRGB[]>(256);
    palette_len_ = 256;
  }
  const int64_t n = std::min(row_len_, Source->row_len_);
  const uint8_t saved = Source->Access;
  Source->Access = iedRead;
  for (int32_t y = 0; y < height_; ++y)
    std::memcpy(GetScanline(y), Source->GetScanline(y), static_cast<size_t>(n));
  Source->UnmapRows();
  Source->Access = saved;
  if (!IsAlphaChannel) {
    if (Source->alpha_)
      GetAlphaChannel()->Assign(Source->alpha_.get());
    else
      RemoveAlphaChannel();
  }
  for (int32_t i = 0; i < std::min(palette_len_, Source->palette_len_); ++i) palette_[i] = Source->palette_[i];
  SyncPlatformPalette();
  DitherMethod = Source->DitherMethod;
  Full = Source->Full;
}

void TIEBitmap::ResizePlatform(int32_t NewWidth, int32_t NewHeight) {
  if (!platform_bitmap_) platform_bitmap_ = new TBitmap();
  // The platform bitmap keeps the overlapping pixels and zero-fills the rest.
  platform_bitmap_->SetSize(std::max(NewWidth, 0), std::max(NewHeight, 0));
  width_ = platform_bitmap_->Width();
  height_ = platform_bitmap_->Height();
  row_len_ = AlignedRowLength(width_, bit_count_, RowAlign);
  Full = false;
}

void TIEBitmap::ConvertPlatformFormat(TIEPixelFormat Format) {
  if (!platform_bitmap_ || platform_bitmap_->Empty()) {
    if (!platform_bitmap_) platform_bitmap_ = new TBitmap();
    if (Format == ieMono1) platform_bitmap_->SetPixelFormat(pf1bit);
    if (Format == ieRGB24) platform_bitmap_->SetPixelFormat(pf24bit);
    if (Format == ieMono1 || Format == ieRGB24) pixel_format_ = Format;
    return;
  }
  const TIEPixelFormat from = pixel_format_;
  const bool supported = (from == ieMono1 && Format == ieRGB24) ||
                         (from == ieRGB24 && (Format == ieMono1 || Format == ieGray8));
  if (!supported) return;  // any other request changes no pixel
  // Convert in a memory copy, then let the platform bitmap take the result.
  TIEBitmap work;
  work.location_ = ieMemory;
  work.MemoryThreshold = INT64_MAX;
  work.DitherMethod = DitherMethod;
  work.AssignTIEBitmap(this);
  if (Format == ieMono1 && DitherMethod == 0)
    DitherToBW(&work);
  else if (Format == ieMono1)
    ThresholdToBWBitmap(&work, -1);
  else
    work.SetPixelFormat(Format);
  std::unique_ptr<TIEBitmap> alpha = std::move(alpha_);
  AssignToPlatform(&work);
  alpha_ = std::move(alpha);
}

void TIEBitmap::CopyFromTBitmap(TBitmap* Bitmap) {
  if (!Bitmap) return;
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  const TPixelFormat pf = Bitmap->PixelFormat();
  if (location_ == ieTBitmap) {
    if (!platform_bitmap_) platform_bitmap_ = new TBitmap();
    platform_bitmap_->Assign(Bitmap);
    width_ = platform_bitmap_->Width();
    height_ = platform_bitmap_->Height();
    if (pf == pf1bit) pixel_format_ = ieMono1;
    if (pf == pf24bit) pixel_format_ = ieRGB24;
    if (pixel_format_ != ieNoFormat) {
      bit_count_ = IEBitsPerPixel[pixel_format_];
      channel_count_ = IEChannelCount[pixel_format_];
      row_len_ = platform_bitmap_->RowLength();
    }
    return;
  }
  if (w <= 0 || h <= 0 || pf == pfDevice || pf == pfCustom) return;
  const std::vector<RGBQUAD> colors = Bitmap->Colors();
  const bool monochrome =
      pf == pf1bit && (colors.empty() || (colors.size() == 2 && colors[0].rgbRed == 0 &&
                                          colors[0].rgbGreen == 0 && colors[0].rgbBlue == 0 &&
                                          colors[1].rgbRed == 255 && colors[1].rgbGreen == 255 &&
                                          colors[1].rgbBlue == 255));
  TIEPixelFormat target;
  if (monochrome)
    target = ieMono1;
  else if (pf == pf1bit || pf == pf4bit || pf == pf8bit)
    target = iePalette8;
  else
    target = ieRGB24;
  Allocate(w, h, target);
  if (target == iePalette8)
    for (size_t i = 0; i < colors.size() && i < 256; ++i)
      palette_[i] = TRGB{colors[i].rgbBlue, colors[i].rgbGreen, colors[i].rgbRed};
  const int64_t source_len = Bitmap->RowLength();
  const uint8_t saved = Access;
  Access = iedWrite;
  for (int32_t y = 0; y < h; ++y) {
    const auto* in = static_cast<const uint8_t*>(Bitmap->ScanLine(y));
    uint8_t* out = GetScanline(y);
    switch (pf) {
      case pf1bit:
        if (monochrome)
          std::memcpy(out, in, static_cast<size_t>(std::min(source_len, row_len_)));
        else
          for (int32_t x = 0; x < w; ++x) out[x] = GetBit(in, x) ? 1 : 0;
        break;
      case pf4bit:
        for (int32_t x = 0; x < w; ++x) out[x] = x & 1 ? in[x / 2] & 0x0F : in[x / 2] >> 4;
        break;
      case pf8bit: std::memcpy(out, in, static_cast<size_t>(std::min(source_len, row_len_))); break;
      case pf15bit:
      case pf16bit:
        for (int32_t x = 0; x < w; ++x) {
          const uint16_t v = static_cast<uint16_t>(in[2 * x] | in[2 * x + 1] << 8);
          TRGB c;
          if (pf == pf15bit)
            c = MakeRGBTriple(uint8_t(((v >> 10) & 31) << 3), uint8_t(((v >> 5) & 31) << 3), uint8_t((v & 31) << 3));
          else
            c = MakeRGBTriple(uint8_t((v >> 11) << 3), uint8_t(((v >> 5) & 63) << 2), uint8_t((v & 31) << 3));
          std::memcpy(out + int64_t{x} * 3, &c, 3);
        }
        break;
      case pf24bit: std::memcpy(out, in, static_cast<size_t>(std::min(source_len, row_len_))); break;
      case pf32bit:
        for (int32_t x = 0; x < w; ++x) std::memcpy(out + int64_t{x} * 3, in + int64_t{x} * 4, 3);
        break;
      default: break;
    }
  }
  UnmapRows();
  Access = saved;
  Full = false;
}

void TIEBitmap::CopyFromTIEMask(TIEMask* Mask) {
  if (!Mask) {
    Fill(255);
    return;
  }
  TIEPixelFormat f = Mask->BitsPerPixel() == 1 ? ieMono1 : Mask->BitsPerPixel() == 8 ? ieGray8 : ieNoFormat;
  if (f == ieNoFormat) return;
  Allocate(Mask->Width(), Mask->Height(), f);
  const int64_t n = std::min(row_len_, Mask->RowLen());
  for (int32_t y = 0; y < height_; ++y)
    std::memcpy(GetScanline(y), Mask->GetScanline(y), static_cast<size_t>(n));
  UnmapRows();
  Full = Mask->Full;
}

void TIEBitmap::CopyToTIEMask(TIEBitmap* Bitmap, TIEMask* Mask) {
  if (!Bitmap || !Mask) return;
  const TIEPixelFormat f = Bitmap->PixelFormat();
  if (f != ieMono1 && f != ieGray8) return;
  Mask->AllocateBits(Bitmap->Width(), Bitmap->Height(), f == ieMono1 ? 1 : 8);
  const int64_t n = std::min(Bitmap->RowLen(), Mask->RowLen());
  for (int32_t y = 0; y < Bitmap->Height(); ++y)
    std::memcpy(Mask->GetScanline(y), Bitmap->GetScanline(y), static_cast<size_t>(n));
  Bitmap->UnmapRows();
  Mask->SyncBoundingBox();
  Mask->Full = Bitmap->Full;
}

void TIEBitmap::CopyFromTDibBitmap(TIEBaseBitmap* Dib) {
  if (!Dib) return;
  const int32_t w = Dib->GetWidth(), h = Dib->GetHeight(), bits = Dib->GetBitCount();
  if (location_ == ieTBitmap) {
    if (!platform_bitmap_) platform_bitmap_ = new TBitmap();
    if (bits == 1 || bits == 24) {
      platform_bitmap_->SetPixelFormat(bits == 1 ? pf1bit : pf24bit);
      platform_bitmap_->SetSize(w, h);
      width_ = w;
      height_ = h;
      pixel_format_ = bits == 1 ? ieMono1 : ieRGB24;
      bit_count_ = IEBitsPerPixel[pixel_format_];
      channel_count_ = IEChannelCount[pixel_format_];
      row_len_ = platform_bitmap_->RowLength();
    }
  } else if (bits == 1 || bits == 8 || bits == 24) {
    Allocate(w, h, bits == 1 ? ieMono1 : bits == 8 ? ieGray8 : ieRGB24);
  }
  if (IsEmpty() || width_ != w || height_ != h) return;
  const int64_t n = std::min(row_len_, Dib->GetRowLen());
  for (int32_t y = 0; y < h; ++y) std::memcpy(GetScanline(y), Dib->GetScanline(y), static_cast<size_t>(n));
  UnmapRows();
}
