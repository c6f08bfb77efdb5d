// TIEMask: the selection of an image, a 1-bit (selected or not) or 8-bit
// (degree of selection) plane of the image's size with the bounding box of
// its selected pixels. Rows are bottom-up, padded to 32 bits.
#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include "platform/ZeroedMemory.h"
#include "rtl/TObject.h"

class TIEBitmap;
class TCanvas;
class TBitmap;

class TIEMask : public TObject {
 public:
  TIEMask() = default;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t BitsPerPixel() const { return bits_per_pixel_; }
  int64_t RowLen() const { return row_len_; }
  // Bounding box of the selected pixels, inclusive; empty: Left = Top = MaxInt.
  int32_t Left = INT32_MAX, Top = INT32_MAX, Right = 0, Bottom = 0;
  bool Full = false;

  // A cleared mask (nothing selected) of the size: the plane comes zeroed
  // from the system, so clearing it again, or a reader writing every
  // pixel, pays for each page once only.
  void AllocateBits(int32_t Width, int32_t Height, int32_t BitsPerPixel);
  void Resize(int32_t NewWidth, int32_t NewHeight);
  void SetPixel(int32_t x, int32_t y, int32_t Value);
  int32_t GetPixel(int32_t x, int32_t y) const;
  bool IsPointInside(int32_t x, int32_t y) const { return GetPixel(x, y) != 0; }
  uint8_t* GetScanline(int32_t y) { return bits_.data() + row_len_ * (int64_t{height_} - y - 1); }
  const uint8_t* GetScanline(int32_t y) const {
    return bits_.data() + row_len_ * (int64_t{height_} - y - 1);
  }
  void Fill(int32_t Value);
  void Clear();
  bool IsEmpty() const { return Left == INT32_MAX; }
  void SyncBoundingBox();
  void SyncFull();
  // Pixels X1..X2 of row Y; X clipped to the mask, a row outside is ignored.
  void FillRow(int32_t Value, int32_t X1, int32_t X2, int32_t Y);
  // Points are x, y pairs; a point with x = 1048575 separates polygons.
  void FillPolygons(int32_t Value, const int32_t* Points, int32_t Count);
  void FillPolygon(int32_t Value, const int32_t* Points, int32_t Count);
  // Moves the selected pixels of the box; see the source for the clipping.
  void MoveBits(int32_t& DX, int32_t& DY, bool CutBox);
  void CopyBitmapMasked(TIEBitmap* Dest, TIEBitmap* Source, bool DestAtBox, bool SourceAtBox,
                        bool WithAlpha);
  void CopyAlphaMasked(TIEBitmap* Dest, TIEBitmap* Source, bool DestAtBox, bool SourceAtBox);

  // Drawing. A 1-bit mask's source rectangle stretched onto the canvas with XOR.
  void DrawInvert(TCanvas* Canvas, int32_t XDst, int32_t YDst, int32_t DstWidth, int32_t DstHeight,
                  int32_t XSrc, int32_t YSrc, int32_t SrcWidth, int32_t SrcHeight);
  // The selection's border, dashed in runs of four along diagonals (Phase moves them).
  void DrawOutline(TCanvas* Canvas, int32_t XDst, int32_t YDst, int32_t DstWidth, int32_t DstHeight,
                   int32_t SrcX, int32_t SrcY, int32_t SrcWidth, int32_t SrcHeight, int32_t Phase,
                   int32_t Colour1, int32_t Colour2);
  // A grey checkerboard over the unselected part of a 24-bit platform bitmap.
  void ShadeOutside(TBitmap* Bitmap, int32_t XDst, int32_t YDst, int32_t DstWidth, int32_t DstHeight,
                    int32_t SrcX, int32_t SrcY, int32_t SrcWidth, int32_t SrcHeight);

  static constexpr int32_t kPolygonSeparator = 0xFFFFF;

 private:
  void EmptyBox() {
    Left = Top = INT32_MAX;
    Right = Bottom = 0;
  }
  void GrowBox(int32_t x, int32_t y);
  void ClampBox();
  void KeepFull(int32_t Value) {
    if (Full && bits_per_pixel_ == 8 && Value != 255) Full = false;
  }

  // The zoomed copy of the mask (one byte per pixel, non-zero = set) and the
  // steps it was made with.
  struct Zoomed {
    int32_t width = 0, height = 0;
    int64_t step_x = 0, step_y = 0;
    std::vector<uint8_t> pixels;
    bool At(int32_t x, int32_t y) const {
      return pixels[static_cast<size_t>(int64_t{y} * width + x)] != 0;
    }
  };
  bool MakeZoomed(int32_t DstWidth, int32_t DstHeight, int32_t SrcX, int32_t SrcY, int32_t SrcWidth,
                  int32_t SrcHeight);

  int32_t width_ = 0, height_ = 0, bits_per_pixel_ = 0;
  int64_t row_len_ = 0;
  // The plane; wiped when released, as a selection follows the picture.
  TZeroedMemory bits_;
  Zoomed zoomed_;
};
