// A panel whose background is a two-colour gradient (or a flat colour),
// with the panel's bevels drawn over it. It holds child controls like any
// panel.
#pragma once

#include <array>

#include "rtl/TypInfo.h"
#include "ui/TPanel.h"

RTL_ENUM(TDirection, bdFlat, bdStretchImage, bdTileImage, bdUp, bdDown, bdLeft, bdRight, bdHorzIn,
         bdHorzOut, bdVertIn, bdVertOut);

class TGradPan : public TCustomPanel {
  RTL_CLASS(TGradPan, TCustomPanel)
 public:
  explicit TGradPan(TComponent* AOwner);

  TDirection BackGroundEffect() const { return effect_; }
  void SetBackGroundEffect(TDirection v);
  TColor ColorStart() const { return colorStart_; }
  void SetColorStart(TColor v);
  TColor ColorEnd() const { return colorEnd_; }
  void SetColorEnd(TColor v);
  TColor ColorShadow() const { return colorShadow_; }
  void SetColorShadow(TColor v);

 protected:
  void Paint() override;

 private:
  // Fills the table with 100 steps from From towards To (the last one step
  // short of To).
  void MakeGradient(TColor From, TColor To);
  void PaintBackground();
  void PaintBevels();

  TDirection effect_ = bdVertIn;
  TColor colorStart_ = TColor(0x808000);
  TColor colorEnd_ = clWhite;
  TColor colorShadow_ = TColor(0x808080);
  std::array<TColor, 100> table_{};
};
