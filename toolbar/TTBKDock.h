#pragma once
// A dock site along an edge of a form: holds its toolbars one after another.

#include "ui/TControl.h"

class TTBKDock : public TCustomControl {
  RTL_CLASS(TTBKDock, TCustomControl)
 public:
  explicit TTBKDock(TComponent* AOwner);

 protected:
  void Paint() override;
};
