#include "imaging/io/TIEIOPreviewsDialog.h"

#include <mutex>
#include <utility>

#include "rtl/Numeric.h"
#include "ui/TScreen.h"

namespace {

std::mutex factory_lock;
TIEIOPreviewsDialogFactory& Installed() {
  static TIEIOPreviewsDialogFactory factory;
  return factory;
}

}  // namespace

void SetIOPreviewsDialogFactory(TIEIOPreviewsDialogFactory Factory) {
  std::lock_guard<std::mutex> hold(factory_lock);
  Installed() = std::move(Factory);
}

TIEIOPreviewsDialogFactory IOPreviewsDialogFactory() {
  std::lock_guard<std::mutex> hold(factory_lock);
  return Installed();
}

TIEIOPreviewsSetup IOPreviewsSetupFor(TIOPreviewsParams Options, bool Simplified, double PageControlPerInch,
                                      double FormPerInch) {
  TIEIOPreviewsSetup setup;
  setup.DefaultLockPreview = Options.Contains(ioppDefaultLockPreview);
  setup.ApplyButton = Options.Contains(ioppApplyButton);
  setup.Simplified = Simplified;
  if (Simplified) {
    const int32_t ppi = Screen ? Screen->PixelsPerInch() : 96;
    setup.PageControlHeight = static_cast<int32_t>(Trunc(ppi * PageControlPerInch));
    setup.FormHeight = static_cast<int32_t>(Trunc(ppi * FormPerInch));
  }
  return setup;
}

std::optional<bool> ShowIOPreviewsDialog(const TIEIOPreviewsDialogFactory& Factory, TComponent* Owner,
                          const TIEIOPreviewsSetup& Setup, uint16_t Pages,
                          const std::function<void(TIEIOPreviewsDialog*)>& BeforeShow) {
  TIEIOPreviewsDialog* dialog = Factory ? Factory(Owner) : nullptr;
  if (!dialog) return std::nullopt;
  TIEIOPreviewsDialogHold hold(dialog);
  dialog->SetDefaultLockPreview(Setup.DefaultLockPreview);
  dialog->SetApplyButtonVisible(Setup.ApplyButton);
  dialog->SetParams(Setup.Params);
  dialog->SetSimplified(Setup.Simplified);
  if (Setup.Simplified) {
    dialog->SetPageControlHeight(Setup.PageControlHeight);
    dialog->SetFormHeight(Setup.FormHeight);
  }
  dialog->SetDitherMethod(Setup.DitherMethod);
  dialog->SetLanguage(Setup.Language);
  dialog->SetFont(Setup.Font);
  dialog->SetSourceBitmap(Setup.Source);
  dialog->BlankResult();
  if (!dialog->SetPageSet(Pages)) return false;
  if (BeforeShow) BeforeShow(dialog);
  return dialog->ShowModal() == mrOk;
}
