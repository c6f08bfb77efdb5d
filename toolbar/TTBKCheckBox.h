#pragma once
// A themed check box: a box with a tick and a caption; a click or the space
// bar toggles it and runs OnClick.

#include "ui/TControl.h"

class TTBKCheckBox : public TCustomControl {
  RTL_CLASS(TTBKCheckBox, TCustomControl)
 public:
  explicit TTBKCheckBox(TComponent* AOwner);

  bool Checked() const { return checked_; }
  // Runs OnClick when the state changes, as a click does.
  void SetChecked(bool v);

 protected:
  void Paint() override;
  void Click() override;
  void KeyPress(char& Key) override;

 private:
  bool checked_ = false;
};
