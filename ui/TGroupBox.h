// The group box: an etched frame with its caption in the top edge; its
// children lie inside the frame.
#pragma once

#include "ui/TControl.h"

class TGroupBox : public TCustomControl {
  RTL_CLASS(TGroupBox, TCustomControl)
 public:
  explicit TGroupBox(TComponent* AOwner);
  void Dispatch(TMessage& Message) override;

 protected:
  void AdjustClientRect(TRect& Rect) override;
  void Paint() override;
};
