#include "imaging/view/TIECommonDialog.h"

#include "ui/TApplication.h"

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

intptr_t TIECommonDialog::Notify(int32_t Code) {
  try {
    return WndProc(Code);
  } catch (...) {
    if (Application) Application->HandleException(this);
    return 0;
  }
}

intptr_t TIECommonDialog::WndProc(int32_t) { return 0; }

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

