// The drawing tools of a canvas: fonts, pens and brushes. Each keeps its
// settings, makes its platform object on demand and reports changes through
// OnChange.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Font.h"
#include "platform/PenBrush.h"
#include "rtl/TPersistent.h"
#include "rtl/TSet.h"
#include "rtl/TypInfo.h"
#include "ui/TColor.h"

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TBitmap;

class TGraphicsObject : public TPersistent {
  RTL_CLASS(TGraphicsObject, TPersistent)
 public:
  TNotifyEvent OnChange;

 protected:
  // Drops the platform object (after telling OnChange, so that a canvas can
  // deselect it first) and reports the change.
  virtual void Changed();
};

RTL_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut);
using TFontStyles = TSet<TFontStyle>;
RTL_SET(TFontStyles);
RTL_ENUM(TFontPitch, fpDefault, fpVariable, fpFixed);
using TFontCharset = uint8_t;

class TFont : public TGraphicsObject {
  RTL_CLASS(TFont, TGraphicsObject)
 public:
  // "MS Sans Serif", 8 points (height -11 at 96 pixels per inch), clWindowText.
  TFont();
  ~TFont() override;

  void Assign(TPersistent* Source) override;

  // The platform font for the current settings (made on first use).
  HFONT Handle();
  // Takes over a platform font: its settings become this font's.
  void SetHandle(HFONT font);

  const std::string& Name() const { return name_; }
  void SetName(const std::string& v);
  // Negative: character height in pixels; positive: cell height.
  int32_t Height() const { return height_; }
  void SetHeight(int32_t v);
  // Points at PixelsPerInch.
  int32_t Size() const;
  void SetSize(int32_t v);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch v);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset v);
  // Tenths of a degree, counter-clockwise (escapement and orientation).
  int32_t Orientation() const { return orientation_; }
  void SetOrientation(int32_t v);
  int32_t PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int32_t v) { pixelsPerInch_ = v; }

 private:
  void Changed() override;
  void FreeHandle();
  std::string name_ = "MS Sans Serif";
  int32_t height_ = -11;
  TFontStyles style_;
  TColor color_ = clWindowText;
  TFontPitch pitch_ = fpDefault;
  TFontCharset charset_ = DEFAULT_CHARSET;
  int32_t orientation_ = 0;
  int32_t pixelsPerInch_ = 96;
  HFONT handle_ = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
// The R2_ mix mode of a pen mode.
int PenModeToROP2(TPenMode mode);

class TPen : public TGraphicsObject {
  RTL_CLASS(TPen, TGraphicsObject)
 public:
  TPen() = default;
  ~TPen() override;
  void Assign(TPersistent* Source) override;

  HPEN Handle();
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  int32_t Width() const { return width_; }
  void SetWidth(int32_t v);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle v);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode v);

 private:
  void Changed() override;
  TColor color_ = clBlack;
  int32_t width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  HPEN handle_ = nullptr;
};

enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

class TBrush : public TGraphicsObject {
  RTL_CLASS(TBrush, TGraphicsObject)
 public:
  TBrush() = default;
  ~TBrush() override;
  void Assign(TPersistent* Source) override;

  HBRUSH Handle();
  TColor Color() const { return color_; }
  // Setting a colour makes a clear brush solid.
  void SetColor(TColor v);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle v);
  // A pattern bitmap (not owned; its top-left 8 x 8 pixels are used), or null.
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap* v);

 private:
  void Changed() override;
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
  HBRUSH handle_ = nullptr;
};
