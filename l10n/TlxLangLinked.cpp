#include "l10n/TlxLangLinked.h"

#include <algorithm>

TClass TlxLangLinked::StaticClass() {
  static TClassInfo info{
      "TlxLangLinked", TlxCustomLang::StaticClass(), ::rtl_detail::FactoryFor<TlxLangLinked>(),
      []() -> const TPropTable* {
        static const TPropTable table = [] {
          TPropTable t{PublishedProps(false)};
          t.Props.push_back(Published("CommonContainer", &TlxLangLinked::CommonContainer,
                                      &TlxLangLinked::SetCommonContainer));
          return t;
        }();
        return &table;
      }};
  return &info;
}

void TlxLangLinked::CopyFromContainer() {
  if (IsDesigning()) {
    DlgsCaptions()->Clear();
    Locales()->Clear();
    return;
  }
  if (!container_) return;
  const char from = container_->Delim(), to = Delim();
  for (auto [mine, theirs] : {std::pair{DlgsCaptions(), container_->DlgsCaptions()},
                              std::pair{Locales(), container_->Locales()}}) {
    mine->Assign(theirs);
    for (int i = 0; i < mine->Count(); ++i) {
      std::string s = mine->Strings(i);
      std::replace(s.begin(), s.end(), from, to);
      mine->SetStrings(i, s);
    }
  }
}

void TlxLangLinked::Loaded() {
  TlxCustomLang::Loaded();
  CopyFromContainer();
}

void TlxLangLinked::SetCommonContainer(TlxCustomLang* c) {
  if (c == container_ || c == this) return;
  if (container_) container_->RemoveFreeNotification(this);
  container_ = c;
  if (c) c->FreeNotification(this);
  if (!IsLoading()) {
    EndOfLoadingWork();
    CopyFromContainer();
  }
}

void TlxLangLinked::Notification(TComponent* AComponent, TOperation Operation) {
  TlxCustomLang::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == container_) container_ = nullptr;
}

void RegisterLangClasses() {
  if (!GetClass("TlxLang")) RegisterClass(TlxLang::StaticClass());
  if (!GetClass("TlxLangLinked")) RegisterClass(TlxLangLinked::StaticClass());
}

namespace {
// The classes are known by name from the start, so that binary translation
// files can name them.
const bool registered = (RegisterLangClasses(), true);
}  // namespace
