#include "app/Translations.h"

#include <cstdio>

#include "l10n/TlxCustomLang.h"
#include "l10n/TlxLangDispatcher.h"
#include "rtl/Exception.h"
#include "rtl/TStrings.h"
#include "ui/MessageDlg.h"

namespace {

constexpr const char* kLanguageNames[] = {"English", "French", "German", "Italian", "Portuguese", "Spanish"};

void FillLanguageNames(TStringList& Names) {
  for (const char* n : kLanguageNames) Names.Add(n);
}

void Warn(const char* What, const std::exception& E) {
  std::fprintf(stderr, "nobrivo: %s: %s\n", What, E.what());
}

}  // namespace

TlxLangDispatcher* CreateLangDispatcher(TComponent* Owner) {
  auto* d = new TlxLangDispatcher(Owner);
  d->SetName("lxLangDispatcher1");
  TStringList names;
  FillLanguageNames(names);
  d->SetNumOfLanguages(6);
  d->SetLangNames(&names);
  d->SetFileName(kLanguagesFile);
  return d;
}

TlxLang* AttachWindowTranslation(TComponent* Window, std::string_view Data, TlxLangDispatcher* Dispatcher) {
  auto* lang = new TlxLang(Window);
  lang->SetName("lxLang1");
  lang->BeginLoading();
  try {
    TStringList names;
    FillLanguageNames(names);
    lang->SetNumOfLanguages(6);
    lang->SetLangNames(&names);
    lang->SetLangDispatcher(Dispatcher);
    lang->ReadTranslationDataText(Data);
  } catch (const std::exception& e) {
    Warn("the window's translation data cannot be read", e);
  }
  try {
    // The end of loading links the component to the dispatcher, which reads
    // the translation file when there is one.
    lang->EndLoading();
  } catch (const std::exception& e) {
    Warn("the translation cannot be applied", e);
  }
  return lang;
}

void SwitchLanguage(TlxLangDispatcher* Dispatcher, int32_t Language) {
  if (!Dispatcher) return;
  try {
    Dispatcher->SetActiveLanguage(Language);
  } catch (const std::exception& e) {
    Warn("the translation cannot be applied", e);
  }
}

void ApplyDialogCaptions(TlxCustomLang* Lang) {
  if (!Lang) return;
  for (int32_t i = 0; i < MsgDlgCaptionCount; ++i) {
    std::string key = DialogCaptionKeys[i];
    std::erase(key, '&');
    const std::string text = Lang->LookupString(Lang->DlgsCaptions(), key, true);
    if (!text.empty()) SetMsgDlgCaption(i, text);
  }
}
