// The translation component: one per window (form). It keeps every
// translatable text of its owner and of the owner's components, in every
// language, as twelve kind lists of lines K D t1 D t2 ... D tN D, and writes
// the active language's column into the components through their published
// properties.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "l10n/TlxExtendedItems.h"
#include "l10n/TlxStringsCollection.h"
#include "rtl/Exception.h"
#include "rtl/FormatSettings.h"
#include "rtl/TComponent.h"
#include "rtl/TStrings.h"
#include "rtl/TypInfo.h"

class TStream;
class TlxLangDispatcher;
class TMemIniFile;

RTL_EXCEPTION(ELanguageError, Exception);

RTL_ENUM(TStringsType, stCaptions, stHints, stDisplayLabels, stFonts, stMultiLines, stDlgsCaptions,
         stStrings, stOtherStrings, stLocales, stCollections, stCharSets,
         stListView_TreeView_Items);
inline constexpr int StringsTypeCount = 12;
RTL_ENUM(TTranslateType, ttNoChange, ttGetDefault);
RTL_ENUM(TlxLangOption, loUseExtCommonStrings, loUseExtUDStrings);
using TlxLangOptions = TSet<TlxLangOption, 2>;
RTL_SET(TlxLangOptions);

// Section names of the translation text file, by kind.
extern const char* const KindSectionNames[StringsTypeCount];
// The enumeration value names ("stCaptions" ...).
std::string KindName(TStringsType Kind);
// The fifteen message-dialog keys and the fifteen locale item names.
extern const char* const DialogCaptionKeys[15];
extern const char* const LocaleItemNames[15];

class TlxCustomLang : public TComponent {
  RTL_CLASS(TlxCustomLang, TComponent)
 public:
  // Fails with "Only one TlxCustomLang component per Form/DataModule
  // allowed!" when the owner already has one.
  explicit TlxCustomLang(TComponent* AOwner);
  ~TlxCustomLang() override;
  void BeforeDestruction() override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // ---- Published properties
  std::string Version() const { return "5.2.5"; }
  // Stored forms carry the version; reading one back changes nothing.
  void SetVersion(std::string) {}
  bool IsInheritedOwner() const { return is_inherited_owner_; }
  void SetIsInheritedOwner(bool v) { is_inherited_owner_ = v; }
  TStrings* StringsTypes() const { return strings_types_.get(); }
  void SetStringsTypes(TStrings* v);
  TStrings* SmartExcludeProps() const { return smart_exclude_.get(); }
  void SetSmartExcludeProps(TStrings* v);
  bool HandleResourceStrings() const { return handle_resource_strings_; }
  void SetHandleResourceStrings(bool v) { handle_resource_strings_ = v; }
  uint16_t ResourceLanguageIndex() const { return resource_language_index_; }
  void SetResourceLanguageIndex(uint16_t v);
  bool UseInheritedData() const { return use_inherited_data_; }
  void SetUseInheritedData(bool v) { use_inherited_data_ = v; }
  // The kind lists, by ordinal (the published list properties).
  template <int K>
  TStrings* KindListProp() const {
    return lists_[K].get();
  }
  template <int K>
  void SetKindListProp(TStrings* v) {
    SetKindListFrom(static_cast<TStringsType>(K), v);
  }
  TStrings* Captions() const { return lists_[stCaptions].get(); }
  TStrings* Hints() const { return lists_[stHints].get(); }
  TStrings* Fonts() const { return lists_[stFonts].get(); }
  TStrings* MultiLines() const { return lists_[stMultiLines].get(); }
  TStrings* DlgsCaptions() const { return lists_[stDlgsCaptions].get(); }
  TStrings* Strings() const { return lists_[stStrings].get(); }
  TStrings* OtherStrings() const { return lists_[stOtherStrings].get(); }
  TStrings* Locales() const { return lists_[stLocales].get(); }
  TStrings* Collections() const { return lists_[stCollections].get(); }
  TStrings* CharSets() const { return lists_[stCharSets].get(); }
  int32_t NumOfLanguages() const { return num_of_languages_; }
  void SetNumOfLanguages(int32_t v);
  int32_t ActiveLanguage() const { return active_language_; }
  void SetActiveLanguage(int32_t v);
  bool ChangeLocales() const { return change_locales_; }
  void SetChangeLocales(bool v) { change_locales_ = v; }
  TlxLangDispatcher* LangDispatcher() const { return dispatcher_; }
  void SetLangDispatcher(TlxLangDispatcher* v);
  uint8_t LangDelim() const { return lang_delim_; }
  void SetLangDelim(uint8_t v);
  TStrings* DoNotTranslate() const { return do_not_translate_.get(); }
  void SetDoNotTranslate(TStrings* v);
  TStrings* LangNames() const { return lang_names_.get(); }
  void SetLangNames(TStrings* v);
  const std::string& Language() const { return language_; }
  void SetLanguage(const std::string& v);
  TTranslateType TranslateType() const { return translate_type_; }
  void SetTranslateType(TTranslateType v) { translate_type_ = v; }
  TlxLangOptions Options() const { return options_; }
  void SetOptions(TlxLangOptions v);
  bool NeedAllDlgs() const { return need_all_dlgs_; }
  void SetNeedAllDlgs(bool v);
  int32_t ChangingCursor() const { return changing_cursor_; }
  void SetChangingCursor(int32_t v) { changing_cursor_ = v; }
  TStrings* ExcludedProperties() const { return excluded_props_.get(); }
  void SetExcludedProperties(TStrings* v);
  bool DoRaiseExceptions() const { return do_raise_exceptions_; }
  void SetDoRaiseExceptions(bool v) { do_raise_exceptions_ = v; }
  TlxExtendedItems* ExtendedTranslations() const { return extended_.get(); }
  void SetExtendedTranslations(TlxExtendedItems* v) { extended_->Assign(v); }

  TNotifyEvent OnChangeLanguage;

  // ---- Virtual operations
  virtual void DeleteComponentEntries(TStrings* List, TComponent* AComponent, TStringsType Kind,
                                      TOperation Operation);
  virtual bool IsTranslatedStringsClass(const std::string& ClassName);
  virtual void SetEntryValue(TStrings* List, const std::string& Text, int Language,
                             const std::string& Identifier);
  // The published list of the kind, found by name; null when there is none.
  virtual TStrings* GetKindList(TStringsType Kind);
  virtual void HarvestStrings();
  virtual void ApplyLanguage();
  virtual int LoadKindFromLng(TStringsType Kind, TStream* Stream, bool ClearFirst);
  virtual int SaveKindToLng(TStringsType Kind, TStream* Stream, const std::string& Delimiter);
  virtual void LoadFromLngStream(TStream* Stream, bool ClearFirst);
  virtual void SaveToLngStream(TStream* Stream, const std::string& Delimiter);
  virtual bool MergeKindFromLngStream(TStringsType Kind, TStream* Stream);
  virtual bool MergeLngStreamAndApply(TStream* Stream);
  virtual bool MergeAllFromLngStream(TStream* Stream);
  virtual int LoadKindFromLngFile(TStringsType Kind, const std::string& FileName, bool ClearFirst);
  virtual int SaveKindToLngFile(TStringsType Kind, const std::string& FileName,
                                const std::string& Delimiter);
  virtual void LoadFromLngFile(const std::string& FileName, bool ClearFirst);
  virtual void SaveToLngFile(const std::string& FileName, const std::string& Delimiter);
  virtual int LoadStringsFromLngFile(const std::string& FileName, bool ClearFirst);
  virtual int SaveStringsToLngFile(const std::string& FileName, const std::string& Delimiter);
  virtual bool MergeKindFromFile(TStringsType Kind, const std::string& FileName);
  virtual bool MergeFileAndApply(const std::string& FileName);
  virtual void LoadAllKindsFromLngFile(const std::string& FileName, bool ClearFirst);
  virtual bool MergeAllFromFile(const std::string& FileName);
  virtual void ImportLanguageKind(TStringsType Kind, const std::string& FileName,
                                  const std::string& LanguageName);
  virtual void ImportLanguageExtended(const std::string& FileName, const std::string& LanguageName);
  virtual void ImportLanguage(const std::string& FileName, const std::string& LanguageName);
  virtual void RenameEntries(const std::string& OldName, const std::string& NewName);

  // ---- Look-ups
  std::string LookupString(TStrings* List, const std::string& Identifier, bool Fallback);
  // LookupString on Strings with the language-1 text as fallback.
  std::string LookupStringOrDefault(const std::string& Identifier);
  std::string GetEntryText(TStrings* List, const std::string& Key, int Column);
  std::string GetLineText(TStrings* List, int Index, bool Fallback);
  TStrings* FindKindListByName(const std::string& Name);

  // ---- Translation data of the window (the embedded text resource)
  void WriteTranslationData(TStream* Stream);
  void ReadTranslationData(TStream* Stream);
  // The same over a text held in memory.
  std::string TranslationDataText();
  void ReadTranslationDataText(std::string_view Text);
  bool HasTranslationData(TlxCustomLang* Ancestor);

  // ---- Applying
  void MoveOrphanEntries(TStrings* List, TStringsType Kind);
  bool TranslatesOwner();
  TStrings* Orphans() const { return orphans_.get(); }

  // ---- Harvesting
  void HarvestKind(TStrings* List, TStringsType Kind);
  std::string FindOrphan(const std::string& Text);
  void RemoveStaleEntries();
  void DeleteEntry(TStrings* List, const std::string& Key, TStringsType Kind,
                   const std::string& PropName);

  // ---- Extended translations
  TObject* ResolvePath(const std::string& Identifier);
  std::string GetPropertyText(const std::string& Identifier);
  void SetPropertyText(const std::string& Identifier, const std::string& Text);
  void ApplyExtended();
  void HarvestExtended();

  // ---- Caches and the resource-string hook
  void BuildCache(TlxStringsCollection* Cache, int SortColumn);
  void RebuildCaches();
  TlxStringsCollection* StringsCache() { return &strings_cache_; }
  TlxStringsCollection* ResourceCache() { return &resource_cache_; }

  // ---- Binary translation files
  void LoadFromSibFile(const std::string& FileName);
  void LoadKindFromSibFile(TStringsType Kind, const std::string& FileName);

  // Excluded: listed in ExcludedProperties, "component.property" in
  // SmartExcludeProps, or the property Name.
  bool IsExcludedProperty(const std::string& ComponentName, const std::string& PropName);
  // The fixed-language names read from a file.
  TStrings* FixedLanguages() const { return fixed_languages_.get(); }
  bool Suppressed() const { return suppress_; }
  void SetSuppressed(bool v) { suppress_ = v; }
  bool BulkLoading() const { return bulk_load_; }
  char Delim() const { return static_cast<char>(lang_delim_); }
  // The dispatcher's test mode.
  bool TestMode() const;

 protected:
  bool IsLoading() const { return ComponentState().Contains(csLoading); }
  bool IsDesigning() const { return ComponentState().Contains(csDesigning); }
  // End-of-loading work of the translation component (without the base's).
  void EndOfLoadingWork();
  // Sets the kind list from another list (the list property setters).
  void SetKindListFrom(TStringsType Kind, TStrings* Source);
  // Published property tables of the concrete classes.
  static std::vector<TPropInfo> PublishedProps(bool WithDialogsAndLocales);

 private:
  friend class TlxLangDispatcher;
  friend class TLNBFileManager;
  friend struct TBulkLoad;
  std::string OwnerClassName() const;
  std::string OwnerName() const;
  TComponent* FindTarget(const std::string& Key) const;
  std::string ColumnText(const std::string& Line, TStringsType Kind);
  int ImportColumn(const std::string& LanguageName);
  // Merges each kind that has a list, with the caches rebuilt once at the end;
  // stops at the first kind that fails.
  bool MergeEveryKind(const std::function<bool(TStringsType)>& MergeKind);
  void ApplyKind(TStrings* List, TStringsType Kind);
  void ApplyCollections(TStrings* List);
  void ApplyOwnerText(TStringsType Kind, const char* PropName);
  void ApplyOwnerFont();
  void ApplyLocale(const std::string& Name, const std::string& Text);
  void ApplyExcludedProperties();
  void PadLines();
  void AdjustDialogCaptions();
  void ChangeDelimiter(char From, char To);
  void CutColumns(int Count);
  bool OwnerIsForm() const;
  bool HasAssignedAction(TComponent* C) const;
  std::string LookupIn(TStrings* List, TStringsType Kind, const std::string& Identifier,
                       bool Fallback, bool ByCache);
  void LoadExtended(TMemIniFile& Ini, bool ClearFirst);
  void SaveExtended(TMemIniFile& Ini, const std::string& Delimiter);
  void WriteNames(TMemIniFile& Ini);
  void ReadNames(TMemIniFile& Ini);
  int LoadKindFromIni(TStringsType Kind, TMemIniFile& Ini, bool ClearFirst, int& Keys);
  void SaveExtendedToStream(TStream* Stream, const std::string& Delimiter);
  void LoadExtendedFromStream(TStream* Stream, bool ClearFirst);
  void AfterKindChange(TStrings* List, TStringsType Kind);

  std::array<std::unique_ptr<TStringList>, StringsTypeCount> lists_;
  std::unique_ptr<TStringList> strings_types_, smart_exclude_, do_not_translate_, lang_names_,
      excluded_props_, fixed_languages_, orphans_;
  std::unique_ptr<TlxExtendedItems> extended_;
  TlxStringsCollection strings_cache_{this}, resource_cache_{this};
  TFormatSettings captured_locale_;
  TlxLangDispatcher* dispatcher_ = nullptr;
  std::string language_;
  int32_t num_of_languages_ = 1;
  int32_t active_language_ = 1;
  int32_t changing_cursor_ = -1;
  int pending_kind_ = -1;
  uint16_t resource_language_index_ = 1;
  uint8_t lang_delim_ = 1;
  TTranslateType translate_type_ = ttNoChange;
  TlxLangOptions options_;
  bool is_inherited_owner_ = false;
  bool handle_resource_strings_ = false;
  bool use_inherited_data_ = false;
  bool change_locales_ = false;
  bool need_all_dlgs_ = false;
  bool do_raise_exceptions_ = false;
  bool owner_has_font_ = false;
  bool suppress_ = false;
  bool bulk_load_ = false;
};

// The class placed on windows: publishes the lists of eleven kinds (all but
// ListView_TreeView_Items) and the settings.
class TlxLang : public TlxCustomLang {
  RTL_CLASS(TlxLang, TlxCustomLang)
 public:
  explicit TlxLang(TComponent* AOwner) : TlxCustomLang(AOwner) {}
};

// Registers TlxLang and TlxLangLinked by name (unless a class of that name is
// registered already); called by the start-up code, safe to call again.
void RegisterLangClasses();

// The resource-string hook: once a component with HandleResourceStrings has
// loaded, the program passes every resource string it loads through this
// function, which gives the active language's text for a text found in the
// column ResourceLanguageIndex. Without a hooking component the text is
// returned as it is.
std::string TranslateResourceString(const std::string& Text);
// The component that holds the hook, or null.
TlxCustomLang* ResourceStringHookOwner();

// The lines of a string list joined by CR LF.
std::string LinesText(TStrings* List);

// The screen cursor, which the component shows as ChangingCursor while the
// language changes. The component framework installs the real accessors;
// without them nothing is shown. crDefault is 0.
struct TLangScreenCursor {
  std::function<int32_t()> Get;
  std::function<void(int32_t)> Set;
};
void SetLangScreenCursor(TLangScreenCursor Cursor);
