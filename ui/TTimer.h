// A timer component: OnTimer every Interval milliseconds while Enabled.
#pragma once

#include <cstdint>

#include "rtl/TComponent.h"
#include "ui/TControl.h"

class TTimer : public TComponent {
  RTL_CLASS(TTimer, TComponent)
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  void BeforeDestruction() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t v);
  TNotifyEvent OnTimer;
  // Re-arms the platform timer after OnTimer was assigned or changed.
  void UpdateTimer();

 protected:
  virtual void Timer();

 private:
  void WndProc(TMessage& Message);
  bool enabled_ = true;
  uint32_t interval_ = 1000;
  HWND window_ = nullptr;
  bool armed_ = false;
};
