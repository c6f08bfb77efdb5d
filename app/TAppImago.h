#pragma once
// The image view of the program's windows: it takes the arrow keys (they
// step through the folder list), takes the focus when clicked, and shows
// its background colour while it holds no image.

#include "imaging/view/TImago.h"

class TAppImago : public TImago {
  RTL_CLASS(TAppImago, TImago)
 public:
  explicit TAppImago(TComponent* AOwner) : TImago(AOwner) {}

 protected:
  void WMGetDlgCode(TMessage& Message) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void Paint() override;
};
