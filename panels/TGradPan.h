// A panel whose background is a colour gradient in one of eight directions,
// a flat colour, or a stretched or tiled picture; its caption is drawn with
// an optional effect (shadow, raised, lowered, embossed) and may be turned
// by 90 or 270 degrees. A movable panel is moved and resized by dragging.
#pragma once

#include <array>
#include <memory>

#include "rtl/TypInfo.h"
#include "ui/TBitmap.h"
#include "ui/TPanel.h"

RTL_ENUM(TDirection, bdFlat, bdStretchImage, bdTileImage, bdUp, bdDown, bdLeft, bdRight, bdHorzIn,
         bdHorzOut, bdVertIn, bdVertOut);
RTL_ENUM(TTextEffect, tenone, teShadow, teRaised, teLowered, teEmbossed);
RTL_ENUM(TTextRotation, trNone, TrUp, TrDown);
RTL_ENUM(TVertAlign, vlTop, vlCenter, VlBottom);

class TGradPan : public TCustomPanel {
  RTL_CLASS(TGradPan, TCustomPanel)
 public:
  explicit TGradPan(TComponent* AOwner);
  ~TGradPan() override;

  TDirection BackGroundEffect() const { return effect_; }
  void SetBackGroundEffect(TDirection v);
  TColor ColorStart() const { return colorStart_; }
  void SetColorStart(TColor v);
  TColor ColorEnd() const { return colorEnd_; }
  void SetColorEnd(TColor v);
  TColor ColorShadow() const { return colorShadow_; }
  void SetColorShadow(TColor v);
  TTextEffect TextEffect() const { return textEffect_; }
  void SetTextEffect(TTextEffect v);
  TTextRotation TextRotation() const { return textRotation_; }
  void SetTextRotation(TTextRotation v);
  TVertAlign VertAlign() const { return vertAlign_; }
  void SetVertAlign(TVertAlign v);
  // The panel's own 3-D flag: insets the picture and chooses the border.
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool v);
  // The picture of bdStretchImage and bdTileImage (owned; the setter copies).
  TBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(TBitmap* v) { bitmap_->Assign(v); }
  // Width of the edge band that resizes a movable panel.
  int32_t Marge() const { return marge_; }
  void SetMarge(int32_t v) { marge_ = v; }
  bool Moveable() const { return moveable_; }
  void SetMoveable(bool v) { moveable_ = v; }

  TNotifyEvent OnPanelMove;
  // Kept for stored forms; never fired.
  TNotifyEvent OnMouseLButton;

  // Table entry i of the last gradient painted.
  TColor GradientColor(int32_t i) const { return table_.at(size_t(i)); }

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;

 private:
  // Fills the table with Count steps from From towards To (the last one
  // step short of To).
  void MakeGradient(TColor From, TColor To, int32_t Count = 100);
  void PaintBackground();
  void PaintPicture();
  void PaintCaption();
  void PaintBevels();
  void BitmapChanged(TObject*);
  LRESULT HitTest(TPoint Client);

  TDirection effect_ = bdVertIn;
  TColor colorStart_ = TColor(0x808000);
  TColor colorEnd_ = clWhite;
  TColor colorShadow_ = TColor(0x808080);
  TTextEffect textEffect_ = teShadow;
  TTextRotation textRotation_ = trNone;
  TVertAlign vertAlign_ = vlCenter;
  bool ctl3D_ = false;
  std::unique_ptr<TBitmap> bitmap_;
  int32_t marge_ = 6;
  bool moveable_ = false;
  std::array<TColor, 100> table_{};
};
