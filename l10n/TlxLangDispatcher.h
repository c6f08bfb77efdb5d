// The language dispatcher: one per program (on the main window). It keeps
// the list of languages and switches every linked translation component at
// once; with a FileName set, components that link at run time take their
// texts from that translation file (text form, or binary for ".LNB").
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rtl/TComponent.h"
#include "rtl/TStrings.h"

class TlxCustomLang;
class TLNBFileManager;
class TlxLangDispatcher;

using TLinkToDispatcherEvent = std::function<void(TlxLangDispatcher* Sender, TlxCustomLang* Lang)>;

class TlxLangDispatcher : public TComponent {
  RTL_CLASS(TlxLangDispatcher, TComponent)
 public:
  explicit TlxLangDispatcher(TComponent* AOwner);
  ~TlxLangDispatcher() override;
  void BeforeDestruction() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  int32_t ActiveLanguage() const { return active_language_; }
  void SetActiveLanguage(int32_t n);
  int32_t NumOfLanguages() const { return num_of_languages_; }
  void SetNumOfLanguages(int32_t n);
  TStrings* LangNames() const { return lang_names_.get(); }
  void SetLangNames(TStrings* v);
  const std::string& Language() const { return language_; }
  void SetLanguage(const std::string& v);
  const std::string& FileName() const { return file_name_; }
  void SetFileName(const std::string& v) { file_name_ = v; }
  bool TestMode() const { return test_mode_; }
  void SetTestMode(bool v) { test_mode_ = v; }
  TLinkToDispatcherEvent OnLinkToDispatcher;

  void Link(TlxCustomLang* c);
  void Unlink(TlxCustomLang* c);
  int LinkedCount() const { return static_cast<int>(linked_.size()); }
  TlxCustomLang* Linked(int Index) const { return linked_.at(static_cast<size_t>(Index)); }
  // The shared binary-file reader, created on first need.
  TLNBFileManager* SibReader();
  TLNBFileManager* SibReaderIfAny() const { return reader_.get(); }

 private:
  std::vector<TlxCustomLang*> linked_;
  std::unique_ptr<TStringList> lang_names_;
  std::unique_ptr<TLNBFileManager, void (*)(TLNBFileManager*)> reader_;
  std::string language_;
  std::string file_name_;
  int32_t active_language_ = 1;
  int32_t num_of_languages_ = 1;
  bool test_mode_ = false;
};

// The user's default language as a 1-based column of the program's six
// languages (1 English, 2 French, 3 German, 4 Italian, 5 Portuguese,
// 6 Spanish). The platform layer installs the real source; until then the
// function is English.
using TUserLanguageFunc = std::function<int()>;
void SetUserLanguageFunc(TUserLanguageFunc Func);
int UserDefaultLanguage();
// Maps a locale name such as "es_ES.UTF-8" to that column (others: 1).
int LanguageColumnOfLocale(const std::string& Locale);
