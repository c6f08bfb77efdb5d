// A control that shows one picture at its top-left corner and repaints
// whenever the picture changes.
#pragma once

#include "ui/TControl.h"
#include "ui/TPicture.h"

class TImage : public TGraphicControl {
  RTL_CLASS(TImage, TGraphicControl)
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;

  TPicture* Picture() const { return picture_; }
  void SetPicture(TPicture* Value) { picture_->Assign(Value); }

 protected:
  void Paint() override;

 private:
  TPicture* picture_;
};
