#pragma once
// A caption panel: a container with an optional caption bar on top.

#include "ui/TControl.h"

class TUxPanel : public TCustomControl {
  RTL_CLASS(TUxPanel, TCustomControl)
 public:
  explicit TUxPanel(TComponent* AOwner);

  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool v);
  TColor GradientEndColor() const { return endColor_; }
  void SetGradientEndColor(TColor v);
  int32_t CaptionHeight() const { return showCaption_ ? 20 : 0; }

 protected:
  void Paint() override;
  void AdjustClientRect(TRect& Rect) override;

 private:
  bool showCaption_ = true;
  TColor endColor_ = clNone;
};
