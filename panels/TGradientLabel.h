#pragma once
// A label over a colour band; drawn as a plain label over its colour.

#include "ui/TLabel.h"

class TGradientLabel : public TLabel {
  RTL_CLASS(TGradientLabel, TLabel)
 public:
  explicit TGradientLabel(TComponent* AOwner);
};
