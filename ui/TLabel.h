// The label: a text on its parent's background. With AutoSize it takes the
// size of its text; "&x" marks an accelerator that focuses FocusControl.
#pragma once

#include "rtl/TypInfo.h"
#include "ui/TControl.h"

RTL_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter);
RTL_ENUM(TTextLayout, tlTop, tlCenter, tlBottom);

class TLabel : public TGraphicControl {
  RTL_CLASS(TLabel, TGraphicControl)
 public:
  explicit TLabel(TComponent* AOwner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v) override;
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout v);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* v);

  void Dispatch(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void Paint() override;
  void AdjustBounds();
  UINT TextFlags() const;

 private:
  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = true;
  bool wordWrap_ = false;
  bool transparent_ = false;
  TTextLayout layout_ = tlTop;
  bool showAccelChar_ = true;
  TWinControl* focusControl_ = nullptr;
};
