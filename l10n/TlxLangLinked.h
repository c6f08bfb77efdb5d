// A translation component that shares its dialog captions and locale
// settings with another one, the common container, instead of keeping its
// own: it stores neither list.
#pragma once

#include "l10n/TlxCustomLang.h"

class TlxLangLinked : public TlxCustomLang {
  RTL_CLASS(TlxLangLinked, TlxCustomLang)
 public:
  explicit TlxLangLinked(TComponent* AOwner) : TlxCustomLang(AOwner) {}
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TlxCustomLang* CommonContainer() const { return container_; }
  void SetCommonContainer(TlxCustomLang* c);

 private:
  void CopyFromContainer();
  TlxCustomLang* container_ = nullptr;
};
