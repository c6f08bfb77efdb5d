// A bitmap picture: a device-independent bitmap of a chosen pixel format
// (rows stored bottom-up, padded to 32 bits) or a device bitmap, with a
// canvas to draw on it and row access.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Bitmap.h"
#include "ui/TCanvas.h"
#include "ui/TGraphic.h"

enum TPixelFormat {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap;

// Bitmap files are read and written by the imaging library, which registers
// its routines here at start-up; without them TBitmap's stream calls raise.
using TBitmapStreamReader = std::function<void(TBitmap* Bitmap, TStream* Stream)>;
using TBitmapStreamWriter = std::function<void(TBitmap* Bitmap, TStream* Stream)>;
void RegisterBitmapStreamFormat(TBitmapStreamReader Reader, TBitmapStreamWriter Writer);

// The canvas of a bitmap: a memory context holding the bitmap.
class TBitmapCanvas : public TCanvas {
  RTL_CLASS(TBitmapCanvas, TCanvas)
 public:
  explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}
  ~TBitmapCanvas() override;
  // Lets go of the context (the bitmap is being replaced).
  void FreeContext();

 protected:
  void CreateHandle() override;

 private:
  TBitmap* bitmap_;
  HDC dc_ = nullptr;
  HBITMAP old_ = nullptr;
};

class TBitmap : public TGraphic {
  RTL_CLASS(TBitmap, TGraphic)
  friend class TBitmapCanvas;

 public:
  TBitmap();
  ~TBitmap() override;

  void Assign(TPersistent* Source) override;

  bool Empty() override { return width_ <= 0 || height_ <= 0; }
  int32_t Width() override { return width_; }
  int32_t Height() override { return height_; }
  void SetWidth(int32_t v) override { SetSize(v, height_); }
  void SetHeight(int32_t v) override { SetSize(width_, v); }
  // Keeps the pixels of the overlapping part; new pixels are zero (black).
  void SetSize(int32_t width, int32_t height);

  TPixelFormat PixelFormat() const { return pixelFormat_; }
  // Converts the existing pixels (palette formats take a default palette:
  // black and white, the 16 standard colours, or a colour cube with greys).
  void SetPixelFormat(TPixelFormat v);
  TBitmapHandleType HandleType() const { return pixelFormat_ == pfDevice ? bmDDB : bmDIB; }
  void SetHandleType(TBitmapHandleType v);
  // A monochrome device bitmap (masks): 1 bit, drawn through the text and
  // background colours.
  bool Monochrome() const { return monochrome_; }
  void SetMonochrome(bool v);

  // The platform bitmap (made when missing; an empty picture has none).
  HBITMAP Handle();
  // Takes over a platform bitmap.
  void SetHandle(HBITMAP bitmap);
  bool HandleAllocated() const { return handle_ != nullptr; }
  // Hands the platform bitmap to the caller and forgets it.
  HBITMAP ReleaseHandle();

  TCanvas* Canvas();

  // Row Row counted from the top; the rows below it follow at lower
  // addresses (bottom-up storage). Raises EInvalidGraphicOperation outside
  // 0 .. Height - 1.
  void* ScanLine(int32_t Row);
  int32_t RowLength() const { return handle_ ? handle_->rowBytes : 0; }

  // A palette for the colour table (owned by the bitmap; null without one).
  // SetPaletteEntries on it changes the colour table too, until the image
  // is replaced.
  HPALETTE Palette();
  // Copies the entries of pal into the colour table.
  void SetPalette(HPALETTE pal);
  // Direct access to the colour table of palette formats.
  std::vector<RGBQUAD> Colors() const;
  void SetColors(const std::vector<RGBQUAD>& colors);

  TColor TransparentColor();
  void SetTransparentColor(TColor v);
  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode v);

  // Frees the pixels, keeping nothing.
  void FreeImage();

  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;

 protected:
  void Draw(TCanvas* canvas, const TRect& r) override;

 private:
  void NewImage(int32_t width, int32_t height, TPixelFormat format, bool mono, bool keepPixels);
  void Changing();
  void DropPalette();
  HBITMAP handle_ = nullptr;
  int32_t width_ = 0, height_ = 0;
  TPixelFormat pixelFormat_ = pfDevice;
  bool monochrome_ = false;
  TBitmapCanvas* canvas_ = nullptr;
  HPALETTE palette_ = nullptr;
  TColor transparentColor_ = clDefault;
  TTransparentMode transparentMode_ = tmAuto;
};

// An 8 x 8 checkered bitmap of two colours for dither brushes: pixels with
// x + y even take BkColor, the others FgColor. Bitmaps are kept for the life
// of the program, one per colour pair; callers do not free them.
TBitmap* AllocPatternBitmap(TColor BkColor, TColor FgColor);
