#include "imaging/view/TIECommonDialog.h"

#include "ui/TTimer.h"

namespace {

TIEFileDialogHostFactory& HostFactory() {
  static TIEFileDialogHostFactory factory;
  return factory;
}

}  // namespace

void SetFileDialogHostFactory(TIEFileDialogHostFactory Factory) {
  HostFactory() = std::move(Factory);
}

RTL_DEFINE_CLASS(TIECommonDialog, TComponent)

TIECommonDialog::TIECommonDialog(TComponent* AOwner) : TComponent(AOwner) {}

intptr_t TIECommonDialog::Notify(int32_t) { return 0; }

void TIECommonDialog::DoClose() {
  if (OnClose) OnClose(this);
}

void TIECommonDialog::DoShow() {
  if (OnShow) OnShow(this);
}

bool TIECommonDialog::TaskModalDialog(TIEOpenFileRecord& Record) {
  if (!HostFactory()) return false;
  std::shared_ptr<TIEFileDialogHost> host = HostFactory()();
  if (!host) return false;
  host_ = host.get();
  bool ok = false;
  try {
    ok = host->Run(*this, Record);
  } catch (...) {
    DoClose();
    host_ = nullptr;
    throw;
  }
  DoClose();
  host_ = nullptr;
  return ok;
}

void TIECommonDialog::StartUpdateTimer(uint32_t Interval, std::function<void()> Tick) {
  if (!timer_) {
    timer_ = new TTimer(this);
    timer_->SetEnabled(false);
  }
  timer_->SetInterval(Interval);
  timer_->OnTimer = [Tick = std::move(Tick)](TObject*) { Tick(); };
  timer_->SetEnabled(true);
  timer_->UpdateTimer();
}

void TIECommonDialog::StopUpdateTimer() {
  if (timer_) timer_->SetEnabled(false);
}

bool TIECommonDialog::UpdateTimerRunning() const { return timer_ && timer_->Enabled(); }

uint32_t TIECommonDialog::UpdateTimerInterval() const { return timer_ ? timer_->Interval() : 0; }
