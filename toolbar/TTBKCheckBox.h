#pragma once
// The themed check box: the theme draws its 13-pixel box, the caption sits
// beside it (left of it with taRightJustify). A click, the space bar or the
// caption's accelerator moves the state on (through cbGrayed when
// AllowGrayed); every state change fires OnChange, a click then OnClick.

#include <cstdint>

#include "toolbar/TTBKPanelObject.h"
#include "ui/TCheckBox.h"

class TTBKCustomCheckBox : public TTBKTextObject {
  RTL_CLASS(TTBKCustomCheckBox, TTBKTextObject)
 public:
  explicit TTBKCustomCheckBox(TComponent* AOwner);

  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState Value);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool v) { allowGrayed_ = v; }
  TNotifyEvent OnChange;

  void Click() override;
  void Dispatch(TMessage& Message) override;
  int32_t MeasureContent(TCanvas* Canvas) override;
  // The theme's glyph state flags for the current state.
  uint32_t GlyphStateFlags();

 protected:
  virtual void FireChange();
  // May change the new state or refuse it.
  virtual bool CanChangeState(TCheckBoxState& NewState) { return true; }
  virtual void CycleState();

  void FireMouseEnter() override;
  void FireMouseLeave() override;
  void GetFocusFrame(const TRect& R, TRect& Frame) override;
  TAlignment GetTextAlignment() override { return taLeftJustify; }
  TRect GetInnerPadding() override;
  void Paint() override;
  void CMDialogChar(TMessage& Message) override;
  void CMDialogKey(TMessage& Message) override;

 private:
  bool GlyphAtRight() { return EffectiveAlignment() == taRightJustify; }
  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
};

class TTBKCheckBox : public TTBKCustomCheckBox {
  RTL_CLASS(TTBKCheckBox, TTBKCustomCheckBox)
 public:
  explicit TTBKCheckBox(TComponent* AOwner) : TTBKCustomCheckBox(AOwner) {}
};
