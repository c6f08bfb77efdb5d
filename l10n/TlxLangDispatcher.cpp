#include "l10n/TlxLangDispatcher.h"

#include <algorithm>
#include <cstdlib>

#include "l10n/TLNBFileManager.h"
#include "l10n/TlxCustomLang.h"
#include "rtl/FileUtils.h"
#include "rtl/StrUtils.h"
#include "rtl/TypInfo.h"

RTL_DEFINE_CLASS(
    TlxLangDispatcher, TComponent,
    Published("ActiveLanguage", &TlxLangDispatcher::ActiveLanguage,
              &TlxLangDispatcher::SetActiveLanguage),
    Published("NumOfLanguages", &TlxLangDispatcher::NumOfLanguages,
              &TlxLangDispatcher::SetNumOfLanguages),
    Published("LangNames", &TlxLangDispatcher::LangNames, &TlxLangDispatcher::SetLangNames),
    Published("Language", &TlxLangDispatcher::Language, &TlxLangDispatcher::SetLanguage),
    Published("FileName", &TlxLangDispatcher::FileName, &TlxLangDispatcher::SetFileName),
    Published("TestMode", &TlxLangDispatcher::TestMode, &TlxLangDispatcher::SetTestMode))

namespace {
void FreeReader(TLNBFileManager* r) {
  if (r) r->Free();
}
}  // namespace

TlxLangDispatcher::TlxLangDispatcher(TComponent* AOwner)
    : TComponent(AOwner),
      lang_names_(std::make_unique<TStringList>()),
      reader_(nullptr, FreeReader) {
  lang_names_->Add("Language N1");
}

TlxLangDispatcher::~TlxLangDispatcher() = default;

void TlxLangDispatcher::BeforeDestruction() {
  while (!linked_.empty()) {
    TlxCustomLang* c = linked_.back();
    linked_.pop_back();
    c->SetLangDispatcher(nullptr);
  }
  TComponent::BeforeDestruction();
}

void TlxLangDispatcher::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove)
    if (auto* c = dynamic_cast<TlxCustomLang*>(AComponent)) Unlink(c);
}

TLNBFileManager* TlxLangDispatcher::SibReader() {
  if (!reader_) reader_.reset(new TLNBFileManager());
  return reader_.get();
}

void TlxLangDispatcher::Link(TlxCustomLang* c) {
  Unlink(c);
  linked_.push_back(c);
  c->SetNumOfLanguages(num_of_languages_);
  for (int i = 0; i < lang_names_->Count() && i < c->lang_names_->Count(); ++i)
    c->lang_names_->SetStrings(i, lang_names_->Strings(i));
  c->language_ = language_;
  const bool designing = c->ComponentState().Contains(csDesigning);
  if (designing || file_name_.empty()) {
    c->SetActiveLanguage(active_language_);
  } else {
    c->active_language_ = active_language_;
    if (UpperCase(ExtractFileExt(file_name_)) == ".LNB") {
      TLNBFileManager* reader = SibReader();
      if (FileExists(file_name_)) {
        reader->LoadFromFile(c, c->OwnerClassName(), file_name_);
        c->RebuildCaches();
        c->ApplyLanguage();
      }
    } else {
      c->LoadFromLngFile(file_name_, true);
    }
  }
  if (!designing && OnLinkToDispatcher) OnLinkToDispatcher(this, c);
}

void TlxLangDispatcher::Unlink(TlxCustomLang* c) {
  auto it = std::find(linked_.begin(), linked_.end(), c);
  if (it != linked_.end()) linked_.erase(it);
}

void TlxLangDispatcher::SetActiveLanguage(int32_t n) {
  active_language_ = n;
  // A copy: a component's apply may link or unlink others.
  std::vector<TlxCustomLang*> linked = linked_;
  for (TlxCustomLang* c : linked) c->SetActiveLanguage(n);
  if (!ComponentState().Contains(csLoading) && n >= 1 && n <= lang_names_->Count())
    language_ = lang_names_->Strings(n - 1);
}

void TlxLangDispatcher::SetNumOfLanguages(int32_t n) {
  num_of_languages_ = n;
  while (lang_names_->Count() < n)
    lang_names_->Add("Language N" + IntToStr(lang_names_->Count() + 1));
  while (lang_names_->Count() > std::max(n, 0)) lang_names_->Delete(lang_names_->Count() - 1);
  std::vector<TlxCustomLang*> linked = linked_;
  for (TlxCustomLang* c : linked) c->SetNumOfLanguages(n);
}

void TlxLangDispatcher::SetLangNames(TStrings* v) {
  if (v != lang_names_.get()) lang_names_->Assign(v);
  // Fewer names than the active language leave Language alone.
  if (active_language_ >= 1 && active_language_ <= lang_names_->Count())
    language_ = lang_names_->Strings(active_language_ - 1);
  std::vector<TlxCustomLang*> linked = linked_;
  for (TlxCustomLang* c : linked) {
    c->SetLangNames(lang_names_.get());
    if (lang_names_->IndexOf(language_) >= 0) c->SetLanguage(language_);
  }
  SetNumOfLanguages(std::max(1, lang_names_->Count()));
}

void TlxLangDispatcher::SetLanguage(const std::string& v) {
  if (v == language_) return;
  int i = lang_names_->IndexOf(v);
  if (i < 0 && lang_names_->Count() > 0)
    throw ELanguageError("Language name shall be included in LangNames property!");
  language_ = v;
  if (!ComponentState().Contains(csLoading) && lang_names_->Count() > 0) SetActiveLanguage(i + 1);
}

// ---- The user's language

namespace {
TUserLanguageFunc& UserLanguageFunc() {
  static TUserLanguageFunc f;
  return f;
}
}  // namespace

void SetUserLanguageFunc(TUserLanguageFunc Func) {
  UserLanguageFunc() = std::move(Func);
}

int UserDefaultLanguage() {
  const auto& f = UserLanguageFunc();
  return f ? f() : 1;
}

int LanguageColumnOfLocale(const std::string& Locale) {
  const std::string lang = LowerCase(Locale.substr(0, 2));
  if (Locale.size() >= 3 && std::isalpha(static_cast<unsigned char>(Locale[2]))) return 1;
  if (lang == "fr") return 2;
  if (lang == "de") return 3;
  if (lang == "it") return 4;
  if (lang == "pt") return 5;
  if (lang == "es") return 6;
  return 1;
}
