#include "ui/TGraphicsObject.h"

#include "rtl/TypInfo.h"

#include <cstdio>
#include <cstring>

#include "rtl/Numeric.h"
#include "ui/TBitmap.h"

RTL_DEFINE_CLASS(TGraphicsObject, TPersistent)
RTL_DEFINE_CLASS(TFont, TGraphicsObject,
                 Published("Charset", &TFont::Charset, &TFont::SetCharset,
                           [] {
                             static const TTypeInfo t = [] {
                               TTypeInfo info;
                               info.Kind = tkInteger;
                               info.Name = "TFontCharset";
                               return info;
                             }();
                             return &t;
                           }()),
                 Published("Color", &TFont::Color, &TFont::SetColor, TColorTypeInfo()),
                 Published("Height", &TFont::Height, &TFont::SetHeight),
                 Published("Name", &TFont::Name, &TFont::SetName),
                 Published("Pitch", &TFont::Pitch, &TFont::SetPitch),
                 Published("Size", &TFont::Size, &TFont::SetSize),
                 Published("Style", &TFont::Style, &TFont::SetStyle))
RTL_DEFINE_CLASS(TPen, TGraphicsObject)
RTL_DEFINE_CLASS(TBrush, TGraphicsObject)

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// Font

TFont::TFont() = default;

TFont::~TFont() {
  FreeHandle();
}

void TFont::FreeHandle() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TFont::Changed() {
  // The canvas lets go of the old font before it is freed.
  HFONT old = handle_;
  handle_ = nullptr;
  TGraphicsObject::Changed();
  if (old) DeleteObject(old);
}

void TFont::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    if (f == this) return;
    name_ = f->name_;
    height_ = f->height_;
    style_ = f->style_;
    color_ = f->color_;
    pitch_ = f->pitch_;
    charset_ = f->charset_;
    orientation_ = f->orientation_;
    pixelsPerInch_ = f->pixelsPerInch_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HFONT TFont::Handle() {
  if (!handle_) {
    LOGFONT lf;
    lf.lfHeight = height_;
    lf.lfEscapement = orientation_;
    lf.lfOrientation = orientation_;
    lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = style_.Contains(fsItalic);
    lf.lfUnderline = style_.Contains(fsUnderline);
    lf.lfStrikeOut = style_.Contains(fsStrikeOut);
    lf.lfCharSet = charset_;
    lf.lfPitchAndFamily = pitch_ == fpFixed      ? FIXED_PITCH
                          : pitch_ == fpVariable ? VARIABLE_PITCH
                                                 : DEFAULT_PITCH;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", name_.c_str());
    handle_ = CreateFontIndirect(&lf);
  }
  return handle_;
}

void TFont::SetHandle(HFONT font) {
  LOGFONT lf;
  if (!font || GetObject(font, sizeof lf, &lf) != int(sizeof lf)) return;
  name_ = lf.lfFaceName;
  height_ = lf.lfHeight;
  style_.Clear();
  style_.Set(fsBold, lf.lfWeight >= FW_BOLD);
  style_.Set(fsItalic, lf.lfItalic != 0);
  style_.Set(fsUnderline, lf.lfUnderline != 0);
  style_.Set(fsStrikeOut, lf.lfStrikeOut != 0);
  charset_ = lf.lfCharSet;
  orientation_ = lf.lfEscapement;
  Changed();
  handle_ = font;
}

void TFont::SetName(const std::string& v) {
  if (v.empty() || v == name_) return;
  name_ = v;
  Changed();
}

void TFont::SetHeight(int32_t v) {
  if (v == height_) return;
  height_ = v;
  Changed();
}

int32_t TFont::Size() const {
  return -MulDiv(height_, 72, pixelsPerInch_);
}

void TFont::SetSize(int32_t v) {
  SetHeight(-MulDiv(v, pixelsPerInch_, 72));
}

void TFont::SetStyle(TFontStyles v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TFont::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  // The colour is not part of the platform font: keep the handle.
  TGraphicsObject::Changed();
}

void TFont::SetPitch(TFontPitch v) {
  if (v == pitch_) return;
  pitch_ = v;
  Changed();
}

void TFont::SetCharset(TFontCharset v) {
  if (v == charset_) return;
  charset_ = v;
  Changed();
}

void TFont::SetOrientation(int32_t v) {
  if (v == orientation_) return;
  orientation_ = v;
  Changed();
}

// Pen

int PenModeToROP2(TPenMode mode) {
  static constexpr int kModes[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                   R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                   R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                   R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
  return kModes[int(mode) & 15];
}

TPen::~TPen() {
  if (handle_) DeleteObject(handle_);
}

void TPen::Changed() {
  HPEN old = handle_;
  handle_ = nullptr;
  TGraphicsObject::Changed();
  if (old) DeleteObject(old);
}

void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    if (p == this) return;
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HPEN TPen::Handle() {
  if (!handle_) {
    static constexpr int kStyles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                      PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    COLORREF c = color_ == clNone ? 0 : ColorToRGB(color_) & 0xFFFFFF;
    int style = color_ == clNone ? PS_NULL : kStyles[style_];
    handle_ = CreatePen(style, width_, c);
  }
  return handle_;
}

void TPen::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

void TPen::SetWidth(int32_t v) {
  if (v < 0 || v == width_) return;
  width_ = v;
  Changed();
}

void TPen::SetStyle(TPenStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TPen::SetMode(TPenMode v) {
  if (v == mode_) return;
  mode_ = v;
  TGraphicsObject::Changed();  // the mode is a DC setting, not part of the pen
}

// Brush

TBrush::~TBrush() {
  if (handle_) DeleteObject(handle_);
}

void TBrush::Changed() {
  HBRUSH old = handle_;
  handle_ = nullptr;
  TGraphicsObject::Changed();
  if (old) DeleteObject(old);
}

void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    if (b == this) return;
    color_ = b->color_;
    style_ = b->style_;
    bitmap_ = b->bitmap_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HBRUSH TBrush::Handle() {
  if (!handle_) {
    COLORREF c = ColorToRGB(color_) & 0xFFFFFF;
    if (bitmap_ && !bitmap_->Empty()) {
      handle_ = CreatePatternBrush(bitmap_->Handle());
    } else if (style_ == bsClear || color_ == clNone) {
      LOGBRUSH lb{BS_NULL, 0, 0};
      handle_ = CreateBrushIndirect(&lb);
    } else if (style_ == bsSolid) {
      handle_ = CreateSolidBrush(c);
    } else {
      static constexpr int kHatch[] = {
          0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
      handle_ = CreateHatchBrush(kHatch[style_], c);
    }
  }
  return handle_;
}

void TBrush::SetColor(TColor v) {
  if (v == color_ && style_ != bsClear) return;
  color_ = v;
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TBrush::SetBitmap(TBitmap* v) {
  if (v == bitmap_) return;
  bitmap_ = v;
  Changed();
}
