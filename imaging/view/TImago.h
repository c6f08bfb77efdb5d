// TImago: the image view that creates its input/output and processing
// companions together with itself.
#pragma once

#include "imaging/view/TImagoView.h"

class TImago : public TImagoView {
  RTL_CLASS(TImago, TImagoView)
 public:
  explicit TImago(TComponent* AOwner);
};
