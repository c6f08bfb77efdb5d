#include "imaging/model/TIEBitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "imaging/model/ColorSpaces.h"
#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/PlatformBitmaps.h"
#include "platform/ZeroedBlock.h"
#include "rtl/Exception.h"
#include "rtl/Numeric.h"
#include "ui/TBitmap.h"

namespace {
int64_t g_memory_threshold = -1;

// Bytes per pixel of the formats CopyRectTo copies whole pixels of.
int32_t BytesPerPixel(TIEPixelFormat f) {
  switch (f) {
    case iePalette8: case ieGray8: return 1;
    case ieGray16: return 2;
    case ieRGB24: case ieCIELab: return 3;
    case ie32f: case ieCMYK: return 4;
    case ieRGB48: return 6;
    default: return 0;
  }
}

// Sets a source's and a target's row access for a row-by-row copy and puts
// them back afterwards, so that temporary-file rows are read once and
// written once.
class RowCopyAccess {
 public:
  RowCopyAccess(TIEBitmap* source, TIEBitmap* target)
      : source_(source), target_(target), source_access_(source->Access), target_access_(target->Access) {
    source->Access = iedRead;
    target->Access = iedWrite;
  }
  ~RowCopyAccess() {
    source_->UnmapRows();
    target_->UnmapRows();
    source_->Access = source_access_;
    target_->Access = target_access_;
  }

 private:
  TIEBitmap* source_;
  TIEBitmap* target_;
  uint8_t source_access_, target_access_;
};
}  // namespace

int64_t GlobalMemoryThreshold() { return g_memory_threshold; }
void SetGlobalMemoryThreshold(int64_t Value) { g_memory_threshold = Value; }

int64_t AvailablePhysicalMemory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  int64_t value = 0;
  std::string unit;
  while (meminfo >> key >> value >> unit)
    if (key == "MemAvailable:") return value * 1024;
  return 0;
}

// ---- construction and storage

TIEBitmap::TIEBitmap() : file_buffer_(std::make_unique<TIEFileBuffer>()) {
  if (g_memory_threshold != -1) {
    MemoryThreshold = g_memory_threshold;
  } else {
    int64_t available = AvailablePhysicalMemory();
    MemoryThreshold = available > 0 ? available / 2 : 0x2000000;
  }
}

TIEBitmap::~TIEBitmap() { FreeImage(true); }

std::unique_ptr<TIEBitmap> TIEBitmap::CreateAlphaChannel(int32_t Width, int32_t Height,
                                                         TIELocation Location, bool Opaque) {
  auto alpha = std::make_unique<TIEBitmap>();
  alpha->IsAlphaChannel = true;
  alpha->location_ = Location == ieTBitmap ? ieMemory : Location;
  // The image went to disk because memory could not spare it: its alpha
  // channel, a third of its size or more, follows it there.
  if (alpha->location_ == ieTempFile) alpha->MemoryThreshold = 0;
  alpha->Allocate(Width, Height, ieGray8);
  if (Opaque) alpha->Fill(255);
  return alpha;
}

void TIEBitmap::ResetGeometry() {
  width_ = height_ = bit_count_ = channel_count_ = 0;
  row_len_ = 0;
  bits_ = nullptr;
}

void TIEBitmap::FreeImage(bool WithAlpha) {
  palette_.reset();
  palette_len_ = 0;
  UnmapRows();
  file_buffer_->DeallocateFile();
  if (memory_block_ && !external_memory_) {
    if (MemoryAllocator == 1)
      PageFree(memory_block_);
    else
      // Wiped on release where the memory stays in the process: the pixels
      // may be a decrypted picture's.
      ReleaseZeroedBlock(static_cast<uint8_t*>(memory_block_), static_cast<size_t>(memory_size_));
  }
  memory_block_ = nullptr;
  memory_size_ = 0;
  if (platform_bitmap_ && !external_bitmap_) platform_bitmap_->Free();
  platform_bitmap_ = nullptr;
  if (WithAlpha) alpha_.reset();
  ResetGeometry();
  external_memory_ = false;
  external_bitmap_ = false;
}

void TIEBitmap::Allocate(int32_t Width, int32_t Height, TIEPixelFormat PixelFormat) {
  if (external_bitmap_) {
    // A wrapped bitmap stays; only the alpha channel goes.
    alpha_.reset();
  } else {
    FreeImage(true);
  }
  width_ = Width;
  height_ = Height;
  pixel_format_ = PixelFormat;
  AllocateBits();
}

void TIEBitmap::AllocateBits() {
  if (width_ <= 0 || height_ <= 0 || pixel_format_ == ieNoFormat || pixel_format_ > ieCIELab) {
    // Nothing to hold: the image stays empty (a negative size is no size).
    int32_t w = width_, h = height_;
    ResetGeometry();
    width_ = std::max(w, 0);
    height_ = std::max(h, 0);
    return;
  }
  if (pixel_format_ == iePalette8) {
    palette_ = std::make_unique<TRGB[]>(256);  // zeroed: no undefined entries
    palette_len_ = 256;
  }
  bit_count_ = IEBitsPerPixel[pixel_format_];
  channel_count_ = IEChannelCount[pixel_format_];
  row_len_ = AlignedRowLength(width_, bit_count_, RowAlign);
  const int64_t size = row_len_ * height_;  // 64-bit: no wrap for large images

  if (location_ == ieTBitmap) {
    AllocatePlatformBitmap();
    Full = false;
    return;
  }

  if (location_ == ieTempFile && size < MemoryThreshold) location_ = ieMemory;
  if (location_ == ieMemory && size > MemoryThreshold) location_ = ieTempFile;

  auto allocate_memory = [&]() -> bool {
    // The system promises more than it has: a block beyond the memory
    // available now would fail page by page while it is filled.
    constexpr int64_t kAskAbove = int64_t{64} << 20;
    if (size + 32 > kAskAbove) {
      const int64_t available = AvailablePhysicalMemory();
      if (available > 0 && size + 32 > available) return false;
    }
    memory_size_ = size + 32;
    if (MemoryAllocator == 1) {
      memory_block_ = PageAlloc(memory_size_);
    } else {
      // Large images are filled row after row right after allocation: fresh
      // zeroed pages (huge ones for a large image) are written only once.
      try {
        memory_block_ = AllocateZeroedBlock(static_cast<size_t>(memory_size_));
      } catch (const std::bad_alloc&) {
        return false;
      }
    }
    if (!memory_block_) return false;
    auto address = reinterpret_cast<uintptr_t>(memory_block_);
    bits_ = reinterpret_cast<uint8_t*>((address + 31) & ~uintptr_t{31});
    return true;
  };

  if (location_ == ieTempFile) {
    if (!file_buffer_->AllocateFile("IMG", size)) {
      location_ = ieMemory;
      if (!allocate_memory()) {
        FreeImage(true);
        throw EOutOfMemory("Out of memory: the image does not fit in memory or the temporary folder");
      }
    }
  } else if (location_ == ieMemory) {
    if (!allocate_memory()) {
      // Too large for memory: the temporary folder may still hold it.
      location_ = ieTempFile;
      if (!file_buffer_->AllocateFile("IMG", size)) {
        FreeImage(true);
        throw EOutOfMemory("Out of memory: the image does not fit in memory or the temporary folder");
      }
    }
  }
  Full = false;
}

void TIEBitmap::SetLocation(TIELocation Location) {
  if (Location == location_) return;
  TIEBitmap temp;
  MoveDataTo(&temp);
  location_ = Location;
  Allocate(temp.width_, temp.height_, temp.pixel_format_);
  CopyRowsFrom(&temp);
  for (int32_t i = 0; i < std::min(palette_len_, temp.palette_len_); ++i) palette_[i] = temp.palette_[i];
  IsAlphaChannel = temp.IsAlphaChannel;
  alpha_ = std::move(temp.alpha_);
  Full = temp.Full;
}

void TIEBitmap::EncapsulateMemory(uint8_t* Bits, int32_t Width, int32_t Height,
                                  TIEPixelFormat PixelFormat, bool FreeFirst) {
  if (FreeFirst) FreeImage(true);
  if (!Bits) return;
  FreeImage(false);
  location_ = ieMemory;
  width_ = Width;
  height_ = Height;
  pixel_format_ = PixelFormat;
  bit_count_ = IEBitsPerPixel[PixelFormat];
  channel_count_ = IEChannelCount[PixelFormat];
  row_len_ = AlignedRowLength(Width, bit_count_, RowAlign);
  bits_ = Bits;
  external_memory_ = true;
  if (PixelFormat == iePalette8) {
    palette_ = std::make_unique<TRGB[]>(256);
    palette_len_ = 256;
  }
}

void TIEBitmap::MoveDataTo(TIEBitmap* Target) {
  if (Target == this) return;
  UnmapRows();
  Target->FreeImage(true);
  std::swap(Target->file_buffer_, file_buffer_);
  file_buffer_ = std::make_unique<TIEFileBuffer>();
  Target->width_ = width_;
  Target->height_ = height_;
  Target->bit_count_ = bit_count_;
  Target->channel_count_ = channel_count_;
  Target->row_len_ = row_len_;
  Target->pixel_format_ = pixel_format_;
  Target->location_ = location_;
  Target->palette_ = std::move(palette_);
  Target->palette_len_ = palette_len_;
  Target->alpha_ = std::move(alpha_);
  Target->bits_ = bits_;
  Target->memory_block_ = memory_block_;
  Target->memory_size_ = memory_size_;
  Target->external_memory_ = external_memory_;
  Target->platform_bitmap_ = platform_bitmap_;
  Target->external_bitmap_ = external_bitmap_;
  Target->DitherMethod = DitherMethod;
  Target->RowAlign = RowAlign;
  Target->MemoryAllocator = MemoryAllocator;
  Target->Full = Full;
  Target->IsAlphaChannel = IsAlphaChannel;
  palette_len_ = 0;
  memory_block_ = nullptr;
  memory_size_ = 0;
  external_memory_ = false;
  platform_bitmap_ = nullptr;
  external_bitmap_ = false;
  ResetGeometry();
}

uint8_t* TIEBitmap::GetScanline(int32_t Row) {
  if (location_ == ieTBitmap) return static_cast<uint8_t*>(platform_bitmap_->ScanLine(Row));
  if (location_ == ieTempFile) {
    if (mapped_row_) file_buffer_->UnmapBlock(mapped_row_);
    mapped_row_ = file_buffer_->MapBlock(Access, int64_t{Row} * row_len_, row_len_);
    return mapped_row_;
  }
  return bits_ + row_len_ * (int64_t{height_} - Row - 1);
}

void TIEBitmap::UnmapRows() {
  if (mapped_row_) {
    file_buffer_->UnmapBlock(mapped_row_);
    mapped_row_ = nullptr;
  }
}

void TIEBitmap::CopyRowsFrom(TIEBitmap* Source) {
  RowCopyAccess access(Source, this);
  const int64_t n = std::min(row_len_, Source->row_len_);
  const int32_t rows = std::min(height_, Source->height_);
  if (n <= 0) return;
  if (location_ == ieTempFile && Source->location_ == ieTempFile) {
    // Both on disk: one row in flight at a time through a buffer.
    std::vector<uint8_t> row(static_cast<size_t>(n));
    for (int32_t y = 0; y < rows; ++y) {
      std::memcpy(row.data(), Source->GetScanline(y), static_cast<size_t>(n));
      std::memcpy(GetScanline(y), row.data(), static_cast<size_t>(n));
    }
    return;
  }
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* src = Source->GetScanline(y);
    std::memcpy(GetScanline(y), src, static_cast<size_t>(n));
  }
}

// ---- palette and alpha

TRGB TIEBitmap::GetPaletteEntry(int32_t Index) {
  if (Index < 0 || Index >= palette_len_) return TRGB{0, 0, 0};
  return palette_[Index];
}

void TIEBitmap::SetPaletteEntry(int32_t Index, const TRGB& Value) {
  if (Index < 0 || Index >= palette_len_) return;
  palette_[Index] = Value;
  if (location_ == ieTBitmap) SyncPlatformPalette();
}

TIEBitmap* TIEBitmap::GetAlphaChannel() {
  if (IsAlphaChannel) return nullptr;
  if (!alpha_) alpha_ = CreateAlphaChannel(width_, height_, location_);
  return alpha_.get();
}

TIEBitmap* TIEBitmap::AllocateAlphaChannel() {
  if (IsAlphaChannel) return nullptr;
  alpha_.reset();
  alpha_ = CreateAlphaChannel(width_, height_, location_, false);
  return alpha_.get();
}

void TIEBitmap::RemoveAlphaChannel() { alpha_.reset(); }

std::unique_ptr<TIEBitmap> TIEBitmap::ReleaseAlphaChannel() { return std::move(alpha_); }

void TIEBitmap::ReplaceAlphaChannel(std::unique_ptr<TIEBitmap> Alpha) {
  if (!IsAlphaChannel) alpha_ = std::move(Alpha);
}

uint8_t TIEBitmap::GetAlpha(int32_t x, int32_t y) {
  if (IsAlphaChannel) return GetByte(x, y);
  return GetAlphaChannel()->GetByte(x, y);
}

void TIEBitmap::SetAlpha(int32_t x, int32_t y, uint8_t Value) {
  if (IsAlphaChannel)
    SetByte(x, y, Value);
  else
    GetAlphaChannel()->SetByte(x, y, Value);
}

// ---- pixel accessors

void TIEBitmap::SetByte(int32_t x, int32_t y, uint8_t v) {
  GetScanline(y)[x] = v;
  if (v != 255) Full = false;
}

uint16_t TIEBitmap::GetWord(int32_t x, int32_t y) {
  uint16_t v;
  std::memcpy(&v, GetScanline(y) + int64_t{x} * 2, 2);
  return v;
}

void TIEBitmap::SetWord(int32_t x, int32_t y, uint16_t v) {
  std::memcpy(GetScanline(y) + int64_t{x} * 2, &v, 2);
  if (v != 65535) Full = false;
}

float TIEBitmap::GetFloat(int32_t x, int32_t y) {
  float v;
  std::memcpy(&v, GetScanline(y) + int64_t{x} * 4, 4);
  return v;
}

void TIEBitmap::SetFloat(int32_t x, int32_t y, float v) {
  std::memcpy(GetScanline(y) + int64_t{x} * 4, &v, 4);
  if (v < 1.0f) Full = false;
}

uint32_t TIEBitmap::GetCMYKValue(int32_t x, int32_t y) {
  uint32_t v;
  std::memcpy(&v, GetScanline(y) + int64_t{x} * 4, 4);
  return v;
}

void TIEBitmap::SetCMYKValue(int32_t x, int32_t y, uint32_t v) {
  std::memcpy(GetScanline(y) + int64_t{x} * 4, &v, 4);
}

TRGB TIEBitmap::GetRGB24(int32_t x, int32_t y) {
  TRGB v;
  std::memcpy(&v, GetScanline(y) + int64_t{x} * 3, 3);
  return v;
}

void TIEBitmap::SetRGB24(int32_t x, int32_t y, const TRGB& v) {
  std::memcpy(GetScanline(y) + int64_t{x} * 3, &v, 3);
}

TRGB48 TIEBitmap::GetRGB48(int32_t x, int32_t y) {
  TRGB48 v;
  std::memcpy(&v, GetScanline(y) + int64_t{x} * 6, 6);
  return v;
}

void TIEBitmap::SetRGB48(int32_t x, int32_t y, const TRGB48& v) {
  std::memcpy(GetScanline(y) + int64_t{x} * 6, &v, 6);
  if (v.r != 65535 || v.g != 65535 || v.b != 65535) Full = false;
}

// ---- copies

void TIEBitmap::Assign(TIEBaseBitmap* Source) {
  auto* source = dynamic_cast<TIEBitmap*>(Source);
  if (!source || source == this) return;
  if (location_ == ieTBitmap) {
    AssignToPlatform(source);
    return;
  }
  FreeImage(true);
  width_ = source->width_;
  height_ = source->height_;
  pixel_format_ = source->pixel_format_;
  RowAlign = source->RowAlign;
  AllocateBits();
  if (location_ == ieTempFile && source->location_ == ieTempFile && row_len_ == source->row_len_) {
    UnmapRows();
    source->UnmapRows();
    source->file_buffer_->CopyTo(file_buffer_.get(), 0, row_len_ * height_);
  } else {
    CopyRowsFrom(source);
  }
  Full = source->Full;
  if (!IsAlphaChannel) {
    if (source->alpha_)
      GetAlphaChannel()->Assign(source->alpha_.get());
    else
      RemoveAlphaChannel();
  }
  for (int32_t i = 0; i < std::min(palette_len_, source->palette_len_); ++i)
    palette_[i] = source->palette_[i];
  DitherMethod = source->DitherMethod;
}

void TIEBitmap::AssignTIEBitmap(TIEBitmap* Source) {
  if (!Source || Source == this || Source->IsEmpty()) return;
  FreeImage(false);
  width_ = Source->width_;
  height_ = Source->height_;
  pixel_format_ = Source->pixel_format_;
  AllocateBits();
  CopyRowsFrom(Source);
  Full = false;
  for (int32_t i = 0; i < std::min(palette_len_, Source->palette_len_); ++i)
    palette_[i] = Source->palette_[i];
}

void TIEBitmap::CopyRectTo(TIEBitmap* Dest, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                           int32_t Width, int32_t Height) {
  if (!Dest || IsEmpty() || Dest->IsEmpty()) return;
  if (DstX < 0) {
    SrcX -= DstX;
    Width += DstX;
  }
  if (DstY < 0) {
    SrcY -= DstY;
    Height += DstY;
  }
  DstX = std::clamp(DstX, 0, Dest->width_ - 1);
  DstY = std::clamp(DstY, 0, Dest->height_ - 1);
  SrcX = std::clamp(SrcX, 0, width_ - 1);
  SrcY = std::clamp(SrcY, 0, height_ - 1);
  Width = std::min({Width, width_ - SrcX, Dest->width_ - DstX});
  Height = std::min({Height, height_ - SrcY, Dest->height_ - DstY});
  if (Width <= 0 || Height <= 0) return;

  const TIEPixelFormat sf = pixel_format_, df = Dest->pixel_format_;
  const int32_t bpp = BytesPerPixel(sf);
  if (!(sf == ieMono1 && (df == ieMono1 || df == ieRGB24)) && !(sf == df && bpp > 0)) return;
  std::vector<uint8_t> row(static_cast<size_t>(row_len_));
  uint8_t saved_access = Access;
  Access = iedRead;
  for (int32_t y = 0; y < Height; ++y) {
    std::memcpy(row.data(), GetScanline(SrcY + y), static_cast<size_t>(row_len_));
    uint8_t* dst = Dest->GetScanline(DstY + y);
    if (sf == ieMono1 && df == ieMono1) {
      CopyBits(dst, row.data(), DstX, row_len_, Width, SrcX);
    } else if (sf == ieMono1) {
      for (int32_t x = 0; x < Width; ++x) {
        uint8_t v = GetBit(row.data(), SrcX + x) ? 255 : 0;
        std::memset(dst + int64_t{DstX + x} * 3, v, 3);
      }
    } else {
      std::memcpy(dst + int64_t{DstX} * bpp, row.data() + int64_t{SrcX} * bpp,
                  static_cast<size_t>(Width) * bpp);
    }
  }
  Access = saved_access;
  UnmapRows();
  Dest->UnmapRows();
}

void TIEBitmap::MergeAlphaRectTo(TIEBitmap* Dest, int32_t SrcX, int32_t SrcY, int32_t DstX,
                                 int32_t DstY, int32_t Width, int32_t Height) {
  TIEBitmap* sa = GetAlphaChannel();
  TIEBitmap* da = Dest ? Dest->GetAlphaChannel() : nullptr;
  if (!sa || !da || sa->pixel_format_ != ieGray8 || da->pixel_format_ != ieGray8) return;
  if (DstX < 0) {
    SrcX -= DstX;
    Width += DstX;
  }
  if (DstY < 0) {
    SrcY -= DstY;
    Height += DstY;
  }
  DstX = std::clamp(DstX, 0, da->width_ - 1);
  DstY = std::clamp(DstY, 0, da->height_ - 1);
  SrcX = std::clamp(SrcX, 0, sa->width_ - 1);
  SrcY = std::clamp(SrcY, 0, sa->height_ - 1);
  Width = std::min({Width, sa->width_ - SrcX, da->width_ - DstX});
  Height = std::min({Height, sa->height_ - SrcY, da->height_ - DstY});
  for (int32_t y = 0; y < Height; ++y)
    for (int32_t x = 0; x < Width; ++x)
      da->SetByte(DstX + x, DstY + y,
                  std::max(sa->GetByte(SrcX + x, SrcY + y), da->GetByte(DstX + x, DstY + y)));
}

// ---- size and content

void TIEBitmap::ResizeKeepingTopLeft(int32_t NewWidth, int32_t NewHeight) {
  if (pixel_format_ == ieNoFormat || NewWidth <= 0 || NewHeight <= 0 || IsEmpty()) {
    width_ = std::max(NewWidth, 0);
    height_ = std::max(NewHeight, 0);
    if (pixel_format_ != ieNoFormat && width_ > 0 && height_ > 0 && IsEmpty()) {
      TIEPixelFormat f = pixel_format_;
      Allocate(width_, height_, f);
    }
    return;
  }
  TIEBitmap temp;
  MoveDataTo(&temp);
  Allocate(NewWidth, NewHeight, temp.pixel_format_);
  // Rows are new and zero: what the old image does not cover stays zero.
  CopyRowsFrom(&temp);
  // The padding bits of a row's last byte may carry old pixels past the new
  // width; clear them so that the grown part is really zero.
  if (NewWidth > temp.width_) {
    const int64_t first_bit = int64_t{temp.width_} * bit_count_;
    for (int32_t y = 0; y < std::min(height_, temp.height_); ++y) {
      uint8_t* row = GetScanline(y);
      for (int64_t bit = first_bit; bit < std::min<int64_t>(row_len_ * 8, (first_bit + 7) / 8 * 8); ++bit)
        SetBit(row, bit, false);
      int64_t first_byte = (first_bit + 7) / 8;
      if (first_byte < row_len_) std::memset(row + first_byte, 0, static_cast<size_t>(row_len_ - first_byte));
    }
    UnmapRows();
  }
  if (pixel_format_ == iePalette8)
    for (int32_t i = 0; i < 256; ++i) palette_[i] = temp.palette_[i];
  if (temp.alpha_) alpha_ = std::move(temp.alpha_);
  IsAlphaChannel = temp.IsAlphaChannel;
  DitherMethod = temp.DitherMethod;
  Full = false;
}

void TIEBitmap::SetWidth(int32_t NewWidth) {
  if (NewWidth == width_) return;
  if (alpha_) alpha_->SetWidth(NewWidth);
  if (location_ == ieTBitmap) {
    ResizePlatform(NewWidth, height_);
    return;
  }
  std::unique_ptr<TIEBitmap> alpha = std::move(alpha_);
  ResizeKeepingTopLeft(NewWidth, height_);
  alpha_ = std::move(alpha);
}

void TIEBitmap::SetHeight(int32_t NewHeight) {
  if (NewHeight == height_) return;
  if (alpha_) alpha_->SetHeight(NewHeight);
  if (location_ == ieTBitmap) {
    ResizePlatform(width_, NewHeight);
    return;
  }
  std::unique_ptr<TIEBitmap> alpha = std::move(alpha_);
  ResizeKeepingTopLeft(width_, NewHeight);
  alpha_ = std::move(alpha);
}

void TIEBitmap::MoveRegion(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t DstX,
                           int32_t DstY, double FillValue) {
  TIEBitmap temp;
  temp.location_ = location_;
  temp.Allocate(X2 - X1 + 1, Y2 - Y1 + 1, pixel_format_);
  if (temp.IsEmpty()) return;
  CopyRectTo(&temp, X1, Y1, 0, 0, temp.width_, temp.height_);
  FillRect(X1, Y1, X2, Y2, FillValue);
  temp.CopyRectTo(this, 0, 0, DstX, DstY, temp.width_, temp.height_);
}

void TIEBitmap::Resize(int32_t NewWidth, int32_t NewHeight, double FillValue,
                       double AlphaFillValue, int32_t HorizAlign, int32_t VertAlign) {
  const int32_t w = width_, h = height_;
  // Before shrinking: bring the kept part to the top-left corner.
  if (NewWidth < w) {
    if (HorizAlign == 1)
      MoveRegion((w - NewWidth) / 2, 0, (w - NewWidth) / 2 + NewWidth - 1, h - 1, 0, 0, FillValue);
    else if (HorizAlign == 2)
      MoveRegion(w - NewWidth, 0, w - 1, h - 1, 0, 0, FillValue);
  }
  if (NewHeight < h) {
    if (VertAlign == 1)
      MoveRegion(0, (h - NewHeight) / 2, w - 1, (h - NewHeight) / 2 + NewHeight - 1, 0, 0, FillValue);
    else if (VertAlign == 2)
      MoveRegion(0, h - NewHeight, w - 1, h - 1, 0, 0, FillValue);
  }
  std::unique_ptr<TIEBitmap> alpha = std::move(alpha_);
  if (alpha) alpha->Resize(NewWidth, NewHeight, AlphaFillValue, AlphaFillValue, HorizAlign, VertAlign);
  SetWidth(NewWidth);
  SetHeight(NewHeight);
  // After growing: fill the new part and move the old block into place.
  if (w < NewWidth) {
    FillRect(w, 0, NewWidth - 1, height_ - 1, FillValue);
    if (HorizAlign == 1)
      MoveRegion(0, 0, w - 1, h - 1, (NewWidth - w) / 2, 0, FillValue);
    else if (HorizAlign == 2)
      MoveRegion(0, 0, w - 1, h - 1, NewWidth - w, 0, FillValue);
  }
  if (h < NewHeight) {
    FillRect(0, h, width_ - 1, NewHeight - 1, FillValue);
    if (VertAlign == 1)
      MoveRegion(0, 0, width_ - 1, h - 1, 0, (NewHeight - h) / 2, FillValue);
    else if (VertAlign == 2)
      MoveRegion(0, 0, width_ - 1, h - 1, 0, NewHeight - h, FillValue);
  }
  alpha_ = std::move(alpha);
}

void TIEBitmap::Fill(double Value) {
  if (IsEmpty()) return;
  const int64_t v = Trunc(Value);
  switch (pixel_format_) {
    case ieMono1:
    case iePalette8:
    case ieGray8: {
      // Whole rows, padding included.
      uint8_t byte = pixel_format_ == ieMono1 ? (v != 0 ? 255 : 0) : static_cast<uint8_t>(v);
      for (int32_t y = 0; y < height_; ++y) std::memset(GetScanline(y), byte, static_cast<size_t>(row_len_));
      UnmapRows();
      Full = pixel_format_ == ieMono1 ? v != 0 : v == 255;
      return;
    }
    case ie32f: {
      // The value itself, where FillRect stores its integer part.
      const float f = static_cast<float>(Value);
      for (int32_t y = 0; y < height_; ++y) {
        uint8_t* row = GetScanline(y);
        for (int32_t x = 0; x < width_; ++x) std::memcpy(row + int64_t{x} * 4, &f, 4);
      }
      UnmapRows();
      Full = Value == 1.0;
      return;
    }
    case ieGray16:
      FillRect(0, 0, width_ - 1, height_ - 1, Value);
      Full = (v & 0xFFFF) == 65535;
      return;
    default:
      FillRect(0, 0, width_ - 1, height_ - 1, Value);
      Full = ColorToRGBTriple(static_cast<TColor>(v)) == TRGB{255, 255, 255};
      return;
  }
}

void TIEBitmap::FillRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, double Value) {
  X1 = std::max(X1, 0);
  Y1 = std::max(Y1, 0);
  X2 = std::min(X2, width_ - 1);
  Y2 = std::min(Y2, height_ - 1);
  if (Y2 < Y1 || X2 < X1 || IsEmpty()) return;
  const int64_t v = Trunc(Value);
  uint8_t pixel[6] = {};
  int32_t size = 0;
  switch (pixel_format_) {
    case iePalette8: case ieGray8: pixel[0] = static_cast<uint8_t>(v); size = 1; break;
    case ieGray16: { uint16_t w = static_cast<uint16_t>(v); std::memcpy(pixel, &w, 2); size = 2; break; }
    case ie32f: { float f = static_cast<float>(v); std::memcpy(pixel, &f, 4); size = 4; break; }
    case ieRGB24: { TRGB c = ColorToRGBTriple(static_cast<TColor>(v)); std::memcpy(pixel, &c, 3); size = 3; break; }
    case ieCMYK: { TCMYK c = RGBToCMYK(ColorToRGBTriple(static_cast<TColor>(v))); std::memcpy(pixel, &c, 4); size = 4; break; }
    case ieRGB48: {
      TRGB c = ColorToRGBTriple(static_cast<TColor>(v));
      TRGB48 w{static_cast<uint16_t>(c.r * 257), static_cast<uint16_t>(c.g * 257), static_cast<uint16_t>(c.b * 257)};
      std::memcpy(pixel, &w, 6);
      size = 6;
      break;
    }
    case ieCIELab: { TCIELab c = RGBToCIELab(ColorToRGBTriple(static_cast<TColor>(v))); std::memcpy(pixel, &c, 3); size = 3; break; }
    default: break;
  }
  for (int32_t y = Y1; y <= Y2; ++y) {
    uint8_t* row = GetScanline(y);
    if (pixel_format_ == ieMono1) {
      for (int32_t x = X1; x <= X2; ++x) SetBit(row, x, v != 0);
    } else if (size == 1) {
      std::memset(row + X1, pixel[0], static_cast<size_t>(X2 - X1 + 1));
    } else {
      for (int32_t x = X1; x <= X2; ++x) std::memcpy(row + int64_t{x} * size, pixel, static_cast<size_t>(size));
    }
  }
  UnmapRows();
}

// ---- image tests

void SyncAlphaFull(TIEBitmap* Bitmap) {
  bool full = true;
  for (int32_t y = 0; y < Bitmap->Height() && full; ++y) {
    const uint8_t* row = Bitmap->GetScanline(y);
    for (int64_t i = 0; i < Bitmap->RowLen(); ++i)
      if (row[i] != 255) { full = false; break; }
  }
  Bitmap->UnmapRows();
  Bitmap->Full = full;
}

bool IsBlankBitmap(TIEBitmap* Bitmap) {
  bool blank = true;
  for (int32_t y = 0; y < Bitmap->Height() && blank; ++y) {
    const uint8_t* row = Bitmap->GetScanline(y);
    for (int64_t i = 0; i < Bitmap->RowLen(); ++i)
      if (row[i] != 0) { blank = false; break; }
  }
  Bitmap->UnmapRows();
  return blank;
}

bool IsGrayScaleImage(TIEBitmap* Bitmap) {
  if (Bitmap->PixelFormat() == iePalette8) {
    for (int32_t i = 0; i < Bitmap->GetPaletteLen(); ++i) {
      TRGB c = Bitmap->GetPaletteEntry(i);
      if (c.r != c.g || c.g != c.b) return false;
    }
    return true;
  }
  if (Bitmap->PixelFormat() == ieRGB24) {
    bool grey = true;
    for (int32_t y = 0; y < Bitmap->Height() && grey; ++y) {
      const auto* row = reinterpret_cast<const TRGB*>(Bitmap->GetScanline(y));
      for (int32_t x = 0; x < Bitmap->Width(); ++x)
        if (row[x].r != row[x].g || row[x].g != row[x].b) { grey = false; break; }
    }
    Bitmap->UnmapRows();
    return grey;
  }
  return true;
}
