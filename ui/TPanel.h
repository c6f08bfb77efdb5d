// The panel: a windowed container with an outer and an inner bevel, a
// border between them and an optional centred caption. Its children are
// aligned inside the bevels and border.
#pragma once

#include "rtl/TypInfo.h"
#include "ui/TControl.h"
#include "ui/TLabel.h"

RTL_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace);

class TCustomPanel : public TCustomControl {
  RTL_CLASS(TCustomPanel, TCustomControl)
 public:
  explicit TCustomPanel(TComponent* AOwner);

  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut v);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut v);
  int32_t BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int32_t v);
  int32_t BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int32_t v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);

  void Dispatch(TMessage& Message) override;

 protected:
  void AdjustClientRect(TRect& Rect) override;
  void Paint() override;

 private:
  void BordersChanged();
  TBevelCut bevelInner_ = bvNone;
  TBevelCut bevelOuter_ = bvRaised;
  int32_t bevelWidth_ = 1;
  int32_t borderWidth_ = 0;
  TBorderStyle borderStyle_ = bsNone;
  TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
  RTL_CLASS(TPanel, TCustomPanel)
 public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

// Draws a bevel of Width pixels inside Rect and shrinks Rect by it.
void Frame3D(HDC DC, TRect& Rect, TColor TopColor, TColor BottomColor, int32_t Width);
