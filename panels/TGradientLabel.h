// A text label over a colour gradient: the whole background, or a two-pixel
// gradient line along its bottom, middle or top. The text may be cut with an
// ellipsis, placed vertically, indented or turned by 90 degrees.
#pragma once

#include "rtl/TypInfo.h"
#include "ui/TLabel.h"

RTL_ENUM(TGradientType, gtFullHorizontal, gtFullVertical, gtBottomLine, gtCenterLine, gtTopLine);
RTL_ENUM(TGradientOrientation, goHorizontal, goVertical);
RTL_ENUM(TEllipsType, etNone, etEndEllips, etPathEllips);
RTL_ENUM(TVAlignment, vaTop, vaCenter, vaBottom);

class TGradientLabel : public TLabel {
  RTL_CLASS(TGradientLabel, TLabel)
 public:
  explicit TGradientLabel(TComponent* AOwner);

  // clNone: no gradient.
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor v);
  TGradientType GradientType() const { return gradientType_; }
  void SetGradientType(TGradientType v);
  TGradientOrientation Orientation() const { return orientation_; }
  void SetOrientation(TGradientOrientation v);
  TEllipsType EllipsType() const { return ellipsType_; }
  void SetEllipsType(TEllipsType v);
  TVAlignment VAlignment() const { return vAlignment_; }
  void SetVAlignment(TVAlignment v);
  int32_t Indent() const { return indent_; }
  void SetIndent(int32_t v);
  // A line is left out behind the text.
  bool TransparentText() const { return transparentText_; }
  void SetTransparentText(bool v);
  // Kept for stored forms; every line is two pixels thick.
  int32_t LineWidth() const { return lineWidth_; }
  void SetLineWidth(int32_t v);

 protected:
  void Paint() override;

 private:
  bool IsLine() const { return gradientType_ >= gtBottomLine; }
  TRect LineRect(const TRect& R) const;
  void ClipAroundText(const TRect& Line, int32_t TextWidth);
  void DrawCaption(int32_t TextWidth);

  TColor colorTo_ = clWhite;
  TGradientType gradientType_ = gtFullHorizontal;
  TGradientOrientation orientation_ = goHorizontal;
  TEllipsType ellipsType_ = etNone;
  TVAlignment vAlignment_ = vaTop;
  int32_t indent_ = 0;
  bool transparentText_ = false;
  int32_t lineWidth_ = 2;
};
