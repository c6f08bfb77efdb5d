// The check box: a box with a check mark and a caption. A click, the space
// bar or its accelerator toggles it (through grey when AllowGrayed).
#pragma once

#include "rtl/TypInfo.h"
#include "ui/TControl.h"

RTL_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed);

class TCheckBox : public TCustomControl {
  RTL_CLASS(TCheckBox, TCustomControl)
 public:
  explicit TCheckBox(TComponent* AOwner);

  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState v);
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool v) { allowGrayed_ = v; }

  // A click toggles the box; the state change runs OnClick.
  void Click() override { Toggle(); }
  void Dispatch(TMessage& Message) override;

 protected:
  void Toggle();
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void CMDialogChar(TMessage& Message) override;

 private:
  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
};
