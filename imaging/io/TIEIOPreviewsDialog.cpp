#include "imaging/io/TIEIOPreviewsDialog.h"

#include <mutex>
#include <utility>

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
