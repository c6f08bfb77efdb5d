#pragma once
// A themed push button; the classic look of the framework's button.

#include "ui/TButton.h"

class TTBKButton : public TButton {
  RTL_CLASS(TTBKButton, TButton)
 public:
  explicit TTBKButton(TComponent* AOwner) : TButton(AOwner) {}
};
