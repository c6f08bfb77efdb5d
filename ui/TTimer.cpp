#include "ui/TTimer.h"

#include "rtl/TypInfo.h"
#include "ui/TApplication.h"

RTL_DEFINE_CLASS(TTimer, TComponent,
                 Published("Enabled", &TTimer::Enabled, &TTimer::SetEnabled),
                 Published("Interval", &TTimer::Interval, &TTimer::SetInterval))

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  window_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
}

TTimer::~TTimer() = default;

void TTimer::BeforeDestruction() {
  if (window_) {
    if (armed_) KillTimer(window_, 1);
    DeallocateHWnd(window_);
    window_ = nullptr;
  }
  inherited::BeforeDestruction();
}

void TTimer::UpdateTimer() {
  if (!window_) return;
  if (armed_) KillTimer(window_, 1);
  armed_ = false;
  if (enabled_ && interval_ > 0 && OnTimer) armed_ = SetTimer(window_, 1, interval_) != 0;
}

void TTimer::SetEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  UpdateTimer();
}

void TTimer::SetInterval(uint32_t v) {
  if (interval_ == v) return;
  interval_ = v;
  UpdateTimer();
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

void TTimer::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER) {
    try {
      Timer();
    } catch (...) {
      // Reported, not thrown into the message loop: the timer keeps running.
      if (Application) Application->HandleException(this);
    }
    return;
  }
  Message.Result = DefWindowProc(window_, Message.Msg, Message.WParam, Message.LParam);
}
