// The push button: a click sets its form's modal result (when it has one)
// and runs OnClick; the default button answers Enter and the cancel button
// Escape anywhere on the form; the space bar presses the focused button.
#pragma once

#include "ui/TControl.h"
#include "ui/TForm.h"

class TButton : public TCustomControl {
  RTL_CLASS(TButton, TCustomControl)
 public:
  explicit TButton(TComponent* AOwner);

  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult v) { modalResult_ = v; }

  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void CMDialogKey(TMessage& Message) override;
  void CMDialogChar(TMessage& Message) override;

 private:
  void SetPushed(bool v);
  bool default_ = false;
  bool cancel_ = false;
  bool active_ = false;  // answers Enter: focused, or the default with no other button focused
  bool pushed_ = false;
  bool spaceDown_ = false;
  TModalResult modalResult_ = mrNone;
};

// Whether Key is the accelerator ("&x") of Text, ignoring case.
bool IsAccel(uint32_t Key, const std::string& Text);
