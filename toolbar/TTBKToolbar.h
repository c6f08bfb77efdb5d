#pragma once
// The program's toolbar: the core toolbar as the program's windows use it.
// It does not leave its dock on a double click.

#include "toolbar/TDKCustomToolbar.h"

class TTBKToolbar : public TDKCustomToolbar {
  RTL_CLASS(TTBKToolbar, TDKCustomToolbar)
 public:
  explicit TTBKToolbar(TComponent* AOwner);
  // The item's viewer rectangle in the toolbar (empty when it does not show).
  TRect ItemRect(TDKCustomItem* Item);
};
