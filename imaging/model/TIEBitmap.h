// TIEBitmap: the image every imaging part passes around. Width, height,
// pixel format, bottom-up rows padded to RowAlign bits, a palette, an
// optional alpha channel, and the place where the rows live: one memory
// block or a temporary file read row by row.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/model/IEPixelTypes.h"
#include "imaging/model/TIEFileBuffer.h"
#include "rtl/TObject.h"

class TIEMask;
class TBitmap;
class TCanvas;

// The abstract image that renderers and list stores accept.
class TIEBaseBitmap : public TObject {
 public:
  // iedRead | iedWrite: whether a mapped temporary-file row is read from the
  // file and written back.
  uint8_t Access = iedRead | iedWrite;

  virtual uint8_t* GetScanline(int32_t Row) = 0;
  virtual int32_t GetBitCount() = 0;
  virtual int32_t GetHeight() = 0;
  virtual int32_t GetWidth() = 0;
  virtual TIEPixelFormat GetPixelFormat() = 0;
  virtual int64_t GetRowLen() = 0;
  virtual TRGB GetPaletteEntry(int32_t Index) = 0;
  virtual void SetPaletteEntry(int32_t Index, const TRGB& Value) = 0;
  virtual int32_t GetPaletteLen() = 0;
  virtual void Allocate(int32_t Width, int32_t Height, TIEPixelFormat PixelFormat) = 0;
  virtual void Assign(TIEBaseBitmap* Source) = 0;
};

// The threshold every new image starts with: -1 chooses half of the
// available physical memory per image.
int64_t GlobalMemoryThreshold();
void SetGlobalMemoryThreshold(int64_t Value);
// Available physical memory in bytes; 0 when unknown.
int64_t AvailablePhysicalMemory();

class TIEBitmap : public TIEBaseBitmap {
 public:
  TIEBitmap();
  ~TIEBitmap() override;
  // An alpha channel: Width x Height ieGray8, all 255; unfilled (Full false)
  // when not Opaque. It lives where its image lives: on a temporary-file
  // image it is kept in a temporary file too, whatever its size.
  static std::unique_ptr<TIEBitmap> CreateAlphaChannel(int32_t Width, int32_t Height,
                                                       TIELocation Location, bool Opaque = true);

  // ---- the abstract image
  uint8_t* GetScanline(int32_t Row) override;
  // On a platform-bitmap image these first re-read size and format from the
  // bitmap, which drawing on its canvas may have changed.
  int32_t GetBitCount() override { SyncIfPlatform(); return bit_count_; }
  int32_t GetHeight() override { SyncIfPlatform(); return height_; }
  int32_t GetWidth() override { SyncIfPlatform(); return width_; }
  TIEPixelFormat GetPixelFormat() override { SyncIfPlatform(); return pixel_format_; }
  int64_t GetRowLen() override { SyncIfPlatform(); return row_len_; }
  TRGB GetPaletteEntry(int32_t Index) override;
  void SetPaletteEntry(int32_t Index, const TRGB& Value) override;
  int32_t GetPaletteLen() override { return palette_len_; }
  // Frees the current image and allocates a new one, placed in memory or in a
  // temporary file by its size. Pixels (and palette entries) start as zero.
  // Raises EOutOfMemory when neither memory nor the temporary folder holds it.
  void Allocate(int32_t Width, int32_t Height, TIEPixelFormat PixelFormat) override;
  void Assign(TIEBaseBitmap* Source) override;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  TIEPixelFormat PixelFormat() const { return pixel_format_; }
  int32_t BitCount() const { return bit_count_; }
  int32_t ChannelCount() const { return channel_count_; }
  int64_t RowLen() const { return row_len_; }
  TIELocation Location() const { return location_; }
  bool IsEmpty() const { return width_ == 0 || height_ == 0 || row_len_ == 0 || bit_count_ == 0; }
  TRGB* Palette() { return palette_.get(); }
  TIEFileBuffer* FileBuffer() { return file_buffer_.get(); }

  // Settings.
  bool Full = false;
  bool IsAlphaChannel = false;
  int64_t MemoryThreshold = 0;
  uint8_t DitherMethod = 1;  // 0 ordered dither, 1 threshold at the mean
  int32_t PaletteColors = 256;
  double GrayMin = 0, GrayMax = 0;
  int32_t RedOffset = 0, GreenOffset = 0, BlueOffset = 0;
  bool AdjustEnabled = false;
  int32_t Contrast = 0;
  int32_t RowAlign = 32;
  uint8_t MemoryAllocator = 0;

  void SetLocation(TIELocation Location);
  void FreeImage(bool WithAlpha);
  // Wraps a caller's bottom-up block laid out by the row-length rule.
  void EncapsulateMemory(uint8_t* Bits, int32_t Width, int32_t Height,
                         TIEPixelFormat PixelFormat, bool FreeFirst);
  // Hands everything over to Target in O(1); this image is left empty.
  void MoveDataTo(TIEBitmap* Target);
  void UnmapRows();

  // ---- platform bitmap
  // Moves the image into a platform bitmap and returns it (or its canvas).
  TBitmap* GetPlatformBitmap();
  TCanvas* GetCanvas();
  // Wraps a caller's platform bitmap without owning it.
  void EncapsulateTBitmap(TBitmap* Bitmap, bool FreeFirst);
  // Imports a platform bitmap of any depth.
  void CopyFromTBitmap(TBitmap* Bitmap);
  void SyncPlatformPalette();
  void SyncWithPlatformBitmap();
  bool ExternalBitmap() const { return external_bitmap_; }
  // Whether the pixels lie in a caller's block (EncapsulateMemory).
  bool ExternalMemory() const { return external_memory_; }

  // ---- alpha channel
  bool HasAlphaChannel() const { return alpha_ != nullptr; }
  // Created on demand (all 255); null on an image that is itself an alpha channel.
  TIEBitmap* GetAlphaChannel();
  // A new alpha channel, replacing any, for a caller that writes every one of
  // its rows: not filled first. Null on an image that is itself an alpha
  // channel.
  TIEBitmap* AllocateAlphaChannel();
  void RemoveAlphaChannel();
  uint8_t GetAlpha(int32_t x, int32_t y);
  void SetAlpha(int32_t x, int32_t y, uint8_t Value);
  // Hands the alpha channel object over (null when there is none).
  std::unique_ptr<TIEBitmap> ReleaseAlphaChannel();
  void ReplaceAlphaChannel(std::unique_ptr<TIEBitmap> Alpha);

  // ---- pixels, row y and column x, unchecked
  uint8_t GetByte(int32_t x, int32_t y) { return GetScanline(y)[x]; }
  void SetByte(int32_t x, int32_t y, uint8_t v);
  uint16_t GetWord(int32_t x, int32_t y);
  void SetWord(int32_t x, int32_t y, uint16_t v);
  float GetFloat(int32_t x, int32_t y);
  void SetFloat(int32_t x, int32_t y, float v);
  uint32_t GetCMYKValue(int32_t x, int32_t y);
  void SetCMYKValue(int32_t x, int32_t y, uint32_t v);
  TRGB GetRGB24(int32_t x, int32_t y);
  void SetRGB24(int32_t x, int32_t y, const TRGB& v);
  TRGB48 GetRGB48(int32_t x, int32_t y);
  void SetRGB48(int32_t x, int32_t y, const TRGB48& v);

  // ---- copies
  // Like Assign but nothing for an empty source; keeps this image's RowAlign,
  // alpha channel and DitherMethod; clears Full.
  void AssignTIEBitmap(TIEBitmap* Source);
  void CopyRectTo(TIEBitmap* Dest, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                  int32_t Width, int32_t Height);
  void MergeAlphaRectTo(TIEBitmap* Dest, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                        int32_t Width, int32_t Height);
  // A 1-bit mask gives ieMono1, an 8-bit one ieGray8; null fills with 255.
  void CopyFromTIEMask(TIEMask* Mask);
  // ieMono1 gives a 1-bit mask, ieGray8 an 8-bit one; other formats nothing.
  static void CopyToTIEMask(TIEBitmap* Bitmap, TIEMask* Mask);
  // A 1-, 8- or 24-bit DIB section's rows.
  void CopyFromTDibBitmap(TIEBaseBitmap* Dib);

  // ---- size and content
  void SetWidth(int32_t NewWidth);
  void SetHeight(int32_t NewHeight);
  void Resize(int32_t NewWidth, int32_t NewHeight, double FillValue, double AlphaFillValue,
              int32_t HorizAlign, int32_t VertAlign);
  void MoveRegion(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t DstX, int32_t DstY,
                  double FillValue);
  void Fill(double Value);
  void FillRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, double Value);

  // ---- pixel-format conversion
  void SetPixelFormat(TIEPixelFormat Format);
  void ConvertFormat(TIEPixelFormat Format);
  // Fills this image, allocated in its target format, from Source of another
  // format and the same size; takes Source's alpha channel object over.
  // Source itself is not changed otherwise.
  void CopyConvertFrom(TIEBitmap* Source);
  TRGB GetPixelRGB(int32_t x, int32_t y) { return PixelRGBInRow(GetScanline(y), x); }
  // The RGB view of pixel x of a row of this image.
  TRGB PixelRGBInRow(const uint8_t* Row, int32_t x);

 private:
  void AllocateBits();
  void AllocatePlatformBitmap();
  void SyncIfPlatform() {
    if (location_ == ieTBitmap) SyncWithPlatformBitmap();
  }
  void ConvertPlatformFormat(TIEPixelFormat Format);
  void AssignToPlatform(TIEBitmap* Source);
  void ResizePlatform(int32_t NewWidth, int32_t NewHeight);
  void ResetGeometry();
  void CopyRowsFrom(TIEBitmap* Source);
  void ResizeKeepingTopLeft(int32_t NewWidth, int32_t NewHeight);

  std::unique_ptr<TIEFileBuffer> file_buffer_;
  uint8_t* mapped_row_ = nullptr;
  std::unique_ptr<TRGB[]> palette_;
  int32_t palette_len_ = 0;
  std::unique_ptr<TIEBitmap> alpha_;
  uint8_t* bits_ = nullptr;
  void* memory_block_ = nullptr;
  int64_t memory_size_ = 0;
  int32_t width_ = 0, height_ = 0, bit_count_ = 0, channel_count_ = 0;
  int64_t row_len_ = 0;
  TIEPixelFormat pixel_format_ = ieNoFormat;
  TIELocation location_ = ieTempFile;
  bool external_memory_ = false;
  TBitmap* platform_bitmap_ = nullptr;
  bool external_bitmap_ = false;
};

// Sets Full when every byte of every row (padding included) is 255.
void SyncAlphaFull(TIEBitmap* Bitmap);
// True when every byte of every row is 0.
bool IsBlankBitmap(TIEBitmap* Bitmap);
bool IsGrayScaleImage(TIEBitmap* Bitmap);
