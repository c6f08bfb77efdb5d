// The hint window: a small bordered popup in the tooltip colour that shows
// a text next to the pointer without taking the activation.
#pragma once

#include <string>

#include "ui/TControl.h"

class THintWindow : public TCustomControl {
  RTL_CLASS(THintWindow, TCustomControl)
 public:
  explicit THintWindow(TComponent* AOwner);
  // Shows Hint in Rect (screen coordinates).
  virtual void ActivateHint(TRect Rect, const std::string& Hint);
  virtual void ActivateHintData(TRect Rect, const std::string& Hint, void* Data) {
    ActivateHint(Rect, Hint);
  }
  // The size the text needs, at most MaxWidth wide, as a rectangle at (0, 0).
  virtual TRect CalcHintRect(int32_t MaxWidth, const std::string& Hint, void* Data);
  // Hides the window (it is made again by the next ActivateHint).
  void ReleaseHandle();
  bool IsHintShowing();
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void CMShowingChanged(TMessage& Message) override {}
};
