// The progress bar: a sunken box filled in proportion to Position within
// Min..Max.
#pragma once

#include "rtl/TypInfo.h"
#include "ui/TControl.h"

RTL_ENUM(TProgressBarOrientation, pbHorizontal, pbVertical);

class TProgressBar : public TCustomControl {
  RTL_CLASS(TProgressBar, TCustomControl)
 public:
  explicit TProgressBar(TComponent* AOwner);

  int32_t Min() const { return min_; }
  void SetMin(int32_t v) { SetRange(v, max_); }
  int32_t Max() const { return max_; }
  void SetMax(int32_t v) { SetRange(min_, v); }
  void SetRange(int32_t AMin, int32_t AMax);
  int32_t Position() const { return position_; }
  void SetPosition(int32_t v);
  int32_t Step() const { return step_; }
  void SetStep(int32_t v) { step_ = v; }
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool v);
  TProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TProgressBarOrientation v);
  void StepIt() { SetPosition(position_ + step_ > max_ ? min_ + (position_ + step_ - max_) : position_ + step_); }
  void StepBy(int32_t Delta) { SetPosition(position_ + Delta); }

 protected:
  void Paint() override;

 private:
  int32_t min_ = 0, max_ = 100, position_ = 0, step_ = 10;
  bool smooth_ = false;
  TProgressBarOrientation orientation_ = pbHorizontal;
};
