#pragma once
// The program's dock site along an edge of a form.

#include "toolbar/TDKDock.h"

class TTBKDock : public TDKDock {
  RTL_CLASS(TTBKDock, TDKDock)
 public:
  explicit TTBKDock(TComponent* AOwner) : TDKDock(AOwner) {}
};
