#include "l10n/TlxCustomLang.h"

#include <algorithm>

#include "l10n/LangControls.h"
#include "l10n/LangUtils.h"
#include "l10n/TlxLangDispatcher.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"

const char* const KindSectionNames[StringsTypeCount] = {
    "Captions", "Hints", "DisplayLabels", "Fonts",       "Multilines", "Dialogs",
    "Strings",  "Other", "Locales",       "Collections", "CharSets",   "ListView_TreeView_Items"};

const char* const DialogCaptionKeys[15] = {
    "Warning", "Error",  "Information", "Confirm", "&Yes",       "&No",         "OK",   "Cancel",
    "&Abort",  "&Retry", "&Ignore",     "&All",    "N&o To All", "Y&es To All", "&Help"};
namespace {
// The English captions of the message-dialog elements.
const char* const kDialogCaptions[15] = {"Warning", "Error", "Information", "Confirm",     "&Yes",
                                         "&No",     "OK",    "Cancel",      "&Abort",      "&Retry",
                                         "&Ignore", "&All",  "N&o to All",  "Yes to &All", "&Help"};
const char* const kCommonDialogCaptions[67] = {"&Open",
                                               "Look &in:",
                                               "File &name:",
                                               "Files of &type:",
                                               "&Read-only",
                                               "&Save",
                                               "&Drives:",
                                               "Save &in:",
                                               "Save as &type:",
                                               "&Basic colors:",
                                               "&Custom colors:",
                                               "&Define Custom Colors >>",
                                               "Color",
                                               "|S&olid",
                                               "Hu&e:",
                                               "&Sat:",
                                               "&Lum:",
                                               "&Red:",
                                               "&Green:",
                                               "Bl&ue:",
                                               "&Add to Custom Colors",
                                               "&Font:",
                                               "Font st&yle:",
                                               "Si&ze:",
                                               "&Color:",
                                               "&Apply",
                                               "Effects",
                                               "Stri&keout",
                                               "&Underline",
                                               "Sample",
                                               "Sc&ript:",
                                               "Printer",
                                               "&Name:",
                                               "&Properties",
                                               "Status:",
                                               "Type:",
                                               "Where:",
                                               "Comment:",
                                               "Paper",
                                               "&Source:",
                                               "Orientation",
                                               "P&ortrait",
                                               "L&andscape",
                                               "Print to f&ile",
                                               "Print",
                                               "Pa&ges",
                                               "&Selection",
                                               "&from:",
                                               "&to:",
                                               "Copies",
                                               "Number of &copies:",
                                               "C&ollate",
                                               "Fi&nd what:",
                                               "Match &whole words only",
                                               "Match &case",
                                               "Direction",
                                               "&Up",
                                               "&Down",
                                               "&Find Next",
                                               "&Replace",
                                               "Replace &All",
                                               "Re&place with:",
                                               "Picture:",
                                               "Preview",
                                               "New Folder",
                                               "Folder:",
                                               "(None)"};

std::string NoAmpersands(std::string_view s) {
  return ReplaceText(s, "&", "", true);
}

std::string JoinNames(const std::string* names, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += (i ? "," : "") + names[i];
  return out;
}

TlxCustomLang* g_hook_owner = nullptr;

TLangScreenCursor& ScreenCursor() {
  static TLangScreenCursor cursor;
  return cursor;
}
}  // namespace

void SetLangScreenCursor(TLangScreenCursor Cursor) {
  ScreenCursor() = std::move(Cursor);
}

const char* const LocaleItemNames[15] = {
    "Currency String",   "Thousand Separator", "Decimal Separator", "Date Separator",
    "Short Date Format", "Long Date Format",   "Time Separator",    "Time AM String",
    "Time PM String",    "Short Time Format",  "Long Time Format",  "Short Month Names",
    "Long Month Names",  "Short Day Names",    "Long Day Names"};

std::string KindName(TStringsType Kind) {
  return GetEnumName(TypeInfoFor<TStringsType>(), Kind);
}

std::string LinesText(TStrings* List) {
  std::string out;
  for (int i = 0; i < List->Count(); ++i) {
    if (i) out += "\r\n";
    out += List->Strings(i);
  }
  return out;
}

// ---- Class descriptors

std::vector<TPropInfo> TlxCustomLang::PublishedProps(bool WithDialogsAndLocales) {
  using L = TlxCustomLang;
  std::vector<TPropInfo> p{
      Published("version", &L::Version, &L::SetVersion),
      Published("IsInheritedOwner", &L::IsInheritedOwner, &L::SetIsInheritedOwner),
      Published("StringsTypes", &L::StringsTypes, &L::SetStringsTypes),
      Published("SmartExcludeProps", &L::SmartExcludeProps, &L::SetSmartExcludeProps),
      Published("HandleResourceStrings", &L::HandleResourceStrings, &L::SetHandleResourceStrings),
      Published("ResourceLanguageIndex", &L::ResourceLanguageIndex, &L::SetResourceLanguageIndex),
      Published("UseInheritedData", &L::UseInheritedData, &L::SetUseInheritedData),
      Published("Captions", &L::KindListProp<stCaptions>, &L::SetKindListProp<stCaptions>),
      Published("Hints", &L::KindListProp<stHints>, &L::SetKindListProp<stHints>),
      Published("DisplayLabels", &L::KindListProp<stDisplayLabels>,
                &L::SetKindListProp<stDisplayLabels>),
      Published("Fonts", &L::KindListProp<stFonts>, &L::SetKindListProp<stFonts>),
      Published("MultiLines", &L::KindListProp<stMultiLines>, &L::SetKindListProp<stMultiLines>)};
  if (WithDialogsAndLocales)
    p.push_back(Published("DlgsCaptions", &L::KindListProp<stDlgsCaptions>,
                          &L::SetKindListProp<stDlgsCaptions>));
  p.push_back(Published("Strings", &L::KindListProp<stStrings>, &L::SetKindListProp<stStrings>));
  p.push_back(Published("OtherStrings", &L::KindListProp<stOtherStrings>,
                        &L::SetKindListProp<stOtherStrings>));
  if (WithDialogsAndLocales)
    p.push_back(Published("Locales", &L::KindListProp<stLocales>, &L::SetKindListProp<stLocales>));
  p.push_back(Published("Collections", &L::KindListProp<stCollections>,
                        &L::SetKindListProp<stCollections>));
  p.push_back(Published("CharSets", &L::KindListProp<stCharSets>, &L::SetKindListProp<stCharSets>));
  std::vector<TPropInfo> rest{
      Published("NumOfLanguages", &L::NumOfLanguages, &L::SetNumOfLanguages),
      Published("ActiveLanguage", &L::ActiveLanguage, &L::SetActiveLanguage),
      Published("ChangeLocales", &L::ChangeLocales, &L::SetChangeLocales),
      Published("LangDispatcher", &L::LangDispatcher, &L::SetLangDispatcher),
      Published("LangDelim", &L::LangDelim, &L::SetLangDelim),
      Published("DoNotTranslate", &L::DoNotTranslate, &L::SetDoNotTranslate),
      Published("LangNames", &L::LangNames, &L::SetLangNames),
      Published("Language", &L::Language, &L::SetLanguage),
      Published("TranslateType", &L::TranslateType, &L::SetTranslateType),
      Published("Options", &L::Options, &L::SetOptions),
      Published("NeedAllDlgs", &L::NeedAllDlgs, &L::SetNeedAllDlgs),
      Published("ChangingCursor", &L::ChangingCursor, &L::SetChangingCursor),
      Published("ExcludedProperties", &L::ExcludedProperties, &L::SetExcludedProperties),
      Published("DoRaiseExceptions", &L::DoRaiseExceptions, &L::SetDoRaiseExceptions),
      Published("ExtendedTranslations", &L::ExtendedTranslations, &L::SetExtendedTranslations)};
  for (auto& r : rest) p.push_back(std::move(r));
  return p;
}

RTL_DEFINE_CLASS(TlxCustomLang, TComponent)

TClass TlxLang::StaticClass() {
  static TClassInfo info{"TlxLang", TlxCustomLang::StaticClass(),
                         ::rtl_detail::FactoryFor<TlxLang>(), []() -> const TPropTable* {
                           static const TPropTable table{PublishedProps(true)};
                           return &table;
                         }};
  return &info;
}

// ---- Creation and destruction

namespace {
TComponent* CheckSingleLang(TComponent* AOwner) {
  if (AOwner)
    for (int i = 0; i < AOwner->ComponentCount(); ++i)
      if (dynamic_cast<TlxCustomLang*>(AOwner->Components(i)))
        throw Exception("Only one TlxCustomLang component per Form/DataModule allowed!");
  return AOwner;
}
}  // namespace

TlxCustomLang::TlxCustomLang(TComponent* AOwner) : TComponent(CheckSingleLang(AOwner)) {
  for (auto& l : lists_) l = std::make_unique<TStringList>();
  strings_types_ = std::make_unique<TStringList>();
  strings_types_->Add("TIB_STRINGLIST");
  strings_types_->Add("TSTRINGLIST");
  smart_exclude_ = std::make_unique<TStringList>();
  do_not_translate_ = std::make_unique<TStringList>();
  lang_names_ = std::make_unique<TStringList>();
  lang_names_->Add("Language N1");
  language_ = "Language N1";
  excluded_props_ = std::make_unique<TStringList>();
  fixed_languages_ = std::make_unique<TStringList>();
  fixed_languages_->SetSorted(true);
  extended_ = std::make_unique<TlxExtendedItems>(this);
  const char D = Delim();
  for (int i = 0; i < 15; ++i)
    lists_[stDlgsCaptions]->Add(NoAmpersands(DialogCaptionKeys[i]) + D + kDialogCaptions[i] + D);
  captured_locale_ = FormatSettings;
  const TFormatSettings& f = captured_locale_;
  const std::string values[15] = {f.CurrencyString,
                                  std::string(1, f.ThousandSeparator),
                                  std::string(1, f.DecimalSeparator),
                                  std::string(1, f.DateSeparator),
                                  f.ShortDateFormat,
                                  f.LongDateFormat,
                                  std::string(1, f.TimeSeparator),
                                  f.TimeAMString,
                                  f.TimePMString,
                                  f.ShortTimeFormat,
                                  f.LongTimeFormat,
                                  JoinNames(f.ShortMonthNames.data(), 12),
                                  JoinNames(f.LongMonthNames.data(), 12),
                                  JoinNames(f.ShortDayNames.data(), 7),
                                  JoinNames(f.LongDayNames.data(), 7)};
  for (int i = 0; i < 15; ++i) lists_[stLocales]->Add(LocaleItemNames[i] + (D + values[i]) + D);
  owner_has_font_ = AOwner && HasClassProperty(AOwner, lxnames::Font, lxnames::FontClass);
}

TlxCustomLang::~TlxCustomLang() = default;

void TlxCustomLang::BeforeDestruction() {
  if (g_hook_owner == this) g_hook_owner = nullptr;
  if (dispatcher_) {
    TlxLangDispatcher* d = dispatcher_;
    dispatcher_ = nullptr;
    d->Unlink(this);
  }
  TComponent::BeforeDestruction();
}

// ---- Helpers

std::string TlxCustomLang::OwnerClassName() const {
  return Owner() ? Owner()->ClassName() : "";
}
std::string TlxCustomLang::OwnerName() const {
  return Owner() ? Owner()->Name() : "";
}

TComponent* TlxCustomLang::FindTarget(const std::string& Key) const {
  if (!Owner() || Key.empty()) return nullptr;
  if (TComponent* c = Owner()->FindComponent(Key)) return c;
  if (SameText(Key, OwnerClassName()) || SameText(Key, OwnerName())) return Owner();
  return nullptr;
}

bool TlxCustomLang::TestMode() const {
  return dispatcher_ && dispatcher_->TestMode();
}

bool TlxCustomLang::IsExcludedProperty(const std::string& ComponentName,
                                       const std::string& PropName) {
  return excluded_props_->IndexOf(PropName) >= 0 ||
         smart_exclude_->IndexOf(ComponentName + "." + PropName) >= 0 || SameText(PropName, "Name");
}

bool TlxCustomLang::IsTranslatedStringsClass(const std::string& ClassName) {
  return strings_types_->IndexOf(ClassName) >= 0;
}

TStrings* TlxCustomLang::GetKindList(TStringsType Kind) {
  const std::string name = KindName(Kind).substr(2);
  const TPropInfo* p = GetPropInfo(this, name);
  if (!p || p->Kind() != tkClass || !p->Readable()) return nullptr;
  return dynamic_cast<TStrings*>(p->Get(this).AsObject());
}

TStrings* TlxCustomLang::FindKindListByName(const std::string& Name) {
  for (int k = 0; k < StringsTypeCount; ++k)
    if (SameText(KindName(static_cast<TStringsType>(k)).substr(2), Name))
      return GetKindList(static_cast<TStringsType>(k));
  return nullptr;
}

// ---- End of loading

void TlxCustomLang::Loaded() {
  TComponent::Loaded();
  EndOfLoadingWork();
}

void TlxCustomLang::AdjustDialogCaptions() {
  TStringList* dlg = lists_[stDlgsCaptions].get();
  const char D = Delim();
  if (need_all_dlgs_ && dlg->Count() == 15) {
    for (const char* c : kCommonDialogCaptions) dlg->Add(NoAmpersands(c) + D + c + D);
  } else if (!need_all_dlgs_ && dlg->Count() == 82) {
    for (int i = dlg->Count() - 1; i >= 0; --i) {
      std::string key = LineKey(dlg->Strings(i), D);
      bool keep = false;
      for (const char* k : DialogCaptionKeys) keep = keep || key == NoAmpersands(k);
      if (!keep) dlg->Delete(i);
    }
  }
}

void TlxCustomLang::EndOfLoadingWork() {
  if (suppress_ || !Owner()) return;
  AdjustDialogCaptions();
  if (options_.Contains(loUseExtCommonStrings)) {
    lists_[stDlgsCaptions]->Clear();
    lists_[stLocales]->Clear();
  }
  if (lang_delim_ == 9) {
    ChangeDelimiter('\t', '\1');
    lang_delim_ = 1;
  }
  auto tabs = [](const std::string& s) {
    return static_cast<int>(std::count(s.begin(), s.end(), '\t'));
  };
  auto first = [this](TStringsType k) -> std::string {
    return lists_[k]->Count() ? lists_[k]->Strings(0) : std::string();
  };
  if (tabs(first(stDlgsCaptions)) > 0 || tabs(first(stLocales)) > 0 ||
      tabs(first(stCaptions)) == num_of_languages_ + 1 ||
      tabs(first(stHints)) == num_of_languages_ + 1)
    ChangeDelimiter('\t', Delim());
  if (lists_[stLocales]->Count() == 11) {
    const TFormatSettings& f = captured_locale_;
    const char D = Delim();
    lists_[stLocales]->Add(std::string(LocaleItemNames[11]) + D +
                           JoinNames(f.ShortMonthNames.data(), 12) + D);
    lists_[stLocales]->Add(std::string(LocaleItemNames[12]) + D +
                           JoinNames(f.LongMonthNames.data(), 12) + D);
    lists_[stLocales]->Add(std::string(LocaleItemNames[13]) + D +
                           JoinNames(f.ShortDayNames.data(), 7) + D);
    lists_[stLocales]->Add(std::string(LocaleItemNames[14]) + D +
                           JoinNames(f.LongDayNames.data(), 7) + D);
  }
  if (dispatcher_) dispatcher_->Link(this);
  ApplyExcludedProperties();
  if (IsDesigning())
    PadLines();
  else
    RebuildCaches();
  if (is_inherited_owner_) ApplyLanguage();
  if (!IsDesigning() && handle_resource_strings_ && !g_hook_owner) {
    g_hook_owner = this;
    BuildCache(&resource_cache_, resource_language_index_);
  }
  if (IsDesigning()) {
    for (int i = extended_->Count() - 1; i >= 0; --i) {
      TlxExtendedItem* item = extended_->Items(i);
      std::string first_name = item->RawIdentifier().substr(0, item->RawIdentifier().find('.'));
      if (SameText(first_name, OwnerClassName()))
        item->SetBoundComponent(Owner());
      else if (TComponent* c = Owner()->FindComponent(first_name))
        item->SetBoundComponent(c);
      else
        extended_->Delete(i);
    }
  }
}

void TlxCustomLang::ChangeDelimiter(char From, char To) {
  if (From == To) return;
  for (auto& l : lists_)
    for (int i = 0; i < l->Count(); ++i) {
      std::string s = l->Strings(i);
      if (s.find(From) == std::string::npos) continue;
      std::replace(s.begin(), s.end(), From, To);
      l->SetStrings(i, s);
    }
  for (int i = 0; i < extended_->Count(); ++i) {
    std::string v = extended_->Items(i)->Values();
    std::replace(v.begin(), v.end(), From, To);
    extended_->Items(i)->SetValues(v);
  }
}

void TlxCustomLang::PadLines() {
  const char D = Delim();
  for (TStringsType k : {stStrings, stDlgsCaptions, stLocales}) {
    TStringList* l = lists_[k].get();
    for (int i = 0; i < l->Count(); ++i) {
      std::string s = l->Strings(i);
      int have = WordCount(s, D);
      if (have <= num_of_languages_)
        l->SetStrings(i, s + std::string(static_cast<size_t>(num_of_languages_ - have + 1), D));
    }
  }
}

// ---- Property setters

void TlxCustomLang::SetKindListFrom(TStringsType Kind, TStrings* Source) {
  TStringList* list = lists_[Kind].get();
  if (Source && Source != list) list->Assign(Source);
  if (Kind == stDlgsCaptions) return;
  pending_kind_ = Kind;
  ApplyLanguage();
}

void TlxCustomLang::SetActiveLanguage(int32_t v) {
  if (v == active_language_) return;
  if (v < 1 || v > num_of_languages_) {
    if (IsLoading()) return;
    throw ELanguageError(Format("%d - is not a valid property value!", {v}) + "\r" +
                         Format("Value must be within [1..%d]!", {num_of_languages_}));
  }
  pending_kind_ = -1;
  TLangScreenCursor& screen = ScreenCursor();
  const bool show =
      changing_cursor_ != -1 && screen.Get && screen.Set && screen.Get() == 0 && !IsDesigning();
  if (show) screen.Set(changing_cursor_);
  try {
    if (IsDesigning() && (dispatcher_ || !IsLoading())) HarvestStrings();
    active_language_ = v;
    if (!IsLoading() && v <= lang_names_->Count()) language_ = lang_names_->Strings(v - 1);
    if (dispatcher_ || !IsLoading()) ApplyLanguage();
  } catch (...) {
    if (show) screen.Set(0);
    throw;
  }
  if (show) screen.Set(0);
}

// Keeps the key and Count columns of every line, each with its delimiter. A
// line that has no more columns than that stays as it is (the old cutting
// chopped the last character off such lines).
void TlxCustomLang::CutColumns(int Count) {
  const char D = Delim();
  for (auto& l : lists_) {
    for (int i = 0; i < l->Count(); ++i) {
      std::string s = l->Strings(i);
      size_t pos = 0;
      int seen = 0;
      while (seen < Count + 1) {
        pos = s.find(D, pos + 1);
        if (pos == std::string::npos) break;
        ++seen;
      }
      if (pos != std::string::npos && pos + 1 < s.size()) l->SetStrings(i, s.substr(0, pos + 1));
    }
  }
}

void TlxCustomLang::SetNumOfLanguages(int32_t v) {
  if (v == num_of_languages_) return;
  if (v < 1)
    throw ELanguageError(IntToStr(v) + " - is not a valid property value !" + "\r" +
                         "Value must be more than ZERO !");
  if (v < num_of_languages_) CutColumns(v);
  num_of_languages_ = v;
  if (IsDesigning() && !IsLoading()) PadLines();
  while (lang_names_->Count() < v)
    lang_names_->Add("Language N" + IntToStr(lang_names_->Count() + 1));
  while (lang_names_->Count() > v) lang_names_->Delete(lang_names_->Count() - 1);
  if (!IsDesigning() && !IsLoading()) {
    PadLines();
    RebuildCaches();
  }
}

void TlxCustomLang::SetLangNames(TStrings* v) {
  if (v != lang_names_.get()) lang_names_->Assign(v);
  // A list with fewer names than the active language leaves Language alone
  // (the old setter failed with the list's index error).
  if (active_language_ >= 1 && active_language_ <= lang_names_->Count())
    language_ = lang_names_->Strings(active_language_ - 1);
  num_of_languages_ = std::max(1, lang_names_->Count());
}

void TlxCustomLang::SetLanguage(const std::string& v) {
  if (v == language_) return;
  int i = lang_names_->IndexOf(v);
  if (i < 0) throw ELanguageError("Language name shall be included in LangNames property!");
  language_ = v;
  if (!IsLoading()) SetActiveLanguage(i + 1);
}

void TlxCustomLang::SetLangDelim(uint8_t v) {
  if (!IsLoading()) ChangeDelimiter(static_cast<char>(lang_delim_), static_cast<char>(v));
  lang_delim_ = v;
}

void TlxCustomLang::SetLangDispatcher(TlxLangDispatcher* d) {
  if (d == dispatcher_) return;
  if (dispatcher_) {
    dispatcher_->RemoveFreeNotification(this);
    dispatcher_->Unlink(this);
  }
  dispatcher_ = d;
  if (!d) return;
  d->FreeNotification(this);
  if (IsLoading())
    num_of_languages_ = d->NumOfLanguages();
  else if (Owner() && !suppress_)
    d->Link(this);
}

void TlxCustomLang::SetOptions(TlxLangOptions v) {
  options_ = v;
  if (v.Contains(loUseExtCommonStrings) && IsDesigning()) {
    lists_[stDlgsCaptions]->Clear();
    lists_[stLocales]->Clear();
  }
}

void TlxCustomLang::SetNeedAllDlgs(bool v) {
  need_all_dlgs_ = v;
  if (!IsLoading()) AdjustDialogCaptions();
}

void TlxCustomLang::SetResourceLanguageIndex(uint16_t v) {
  if (v == resource_language_index_) return;
  if (IsLoading() || (v >= 1 && v <= num_of_languages_)) {
    resource_language_index_ = v;
    if (!IsDesigning() && !IsLoading()) {
      resource_cache_.SetSortColumn(v);
      resource_cache_.Sort();
    }
    return;
  }
  throw ELanguageError(Format("%d - is not a valid property value!", {static_cast<int>(v)}) + "\r" +
                       Format("Value must be within [1..%d]!", {num_of_languages_}));
}

void TlxCustomLang::SetDoNotTranslate(TStrings* v) {
  if (v != do_not_translate_.get()) do_not_translate_->Assign(v);
  if (IsLoading() || !Owner()) return;
  for (int i = 0; i < do_not_translate_->Count(); ++i) {
    const std::string name = do_not_translate_->Strings(i);
    TComponent* c = SameText(name, OwnerClassName()) ? Owner() : Owner()->FindComponent(name);
    if (!c) continue;
    for (TStringsType k : {stCaptions, stHints, stDisplayLabels, stFonts, stMultiLines,
                           stOtherStrings, stCharSets, stCollections})
      if (TStrings* l = GetKindList(k)) DeleteComponentEntries(l, c, k, opRemove);
  }
}

void TlxCustomLang::SetExcludedProperties(TStrings* v) {
  if (v != excluded_props_.get()) excluded_props_->Assign(v);
  if (IsLoading()) return;
  ApplyExcludedProperties();
  HarvestStrings();
}

void TlxCustomLang::SetStringsTypes(TStrings* v) {
  if (v != strings_types_.get()) strings_types_->Assign(v);
  if (!IsLoading()) HarvestStrings();
}

void TlxCustomLang::SetSmartExcludeProps(TStrings* v) {
  if (v != smart_exclude_.get()) smart_exclude_->Assign(v);
  if (!IsLoading()) HarvestStrings();
}

void TlxCustomLang::ApplyExcludedProperties() {
  auto excluded = [this](const char* n) { return excluded_props_->IndexOf(n) >= 0; };
  if (excluded("Caption")) lists_[stCaptions]->Clear();
  if (excluded("Hint")) lists_[stHints]->Clear();
  if (excluded("DisplayLabel")) lists_[stDisplayLabels]->Clear();
  if (excluded("Font")) {
    lists_[stFonts]->Clear();
    lists_[stCharSets]->Clear();
  }
  if (excluded("Charset")) lists_[stCharSets]->Clear();
  const char D = Delim();
  for (TStringsType k : {stMultiLines, stOtherStrings, stCollections}) {
    TStringList* l = lists_[k].get();
    for (int i = l->Count() - 1; i >= 0; --i) {
      std::string line = l->Strings(i);
      std::string seps = std::string(".") + D + (k == stCollections ? "[" : "");
      std::vector<std::string> words;
      size_t start = 0;
      for (size_t j = 0; j <= line.size(); ++j)
        if (j == line.size() || seps.find(line[j]) != std::string::npos) {
          if (j > start) words.push_back(line.substr(start, j - start));
          start = j + 1;
        }
      if (words.size() < 2) continue;
      bool drop = IsExcludedProperty(words[0], words[1]);
      if (k == stCollections && words.size() >= 4) {
        std::string item_prop = words[3];
        drop = drop || IsExcludedProperty(words[0], item_prop);
      }
      if (drop) l->Delete(i);
    }
  }
}

// ---- Entries

void TlxCustomLang::SetEntryValue(TStrings* List, const std::string& Text, int Language,
                                  const std::string& Identifier) {
  if (List == lists_[stStrings].get() && !IsDesigning()) {
    strings_cache_.SetValue(Identifier, Language, Text);
    resource_cache_.SetValue(Identifier, Language, Text);
  }
  const char D = Delim();
  for (int i = 0; i < List->Count(); ++i) {
    const std::string line = List->Strings(i);
    if (!AnsiSameText(LineKey(line, D), Identifier)) continue;
    // Find the delimiter that opens column Language.
    size_t open = std::string::npos;
    size_t pos = 0;
    for (int n = 0; n < Language; ++n) {
      open = line.find(D, n == 0 ? 0 : open + 1);
      if (open == std::string::npos) break;
      pos = open;
    }
    if (open == std::string::npos || Language < 1) return;
    size_t close = line.find(D, pos + 1);
    std::string out = line.substr(0, pos) + D + Text;
    if (close != std::string::npos) out += line.substr(close);
    List->SetStrings(i, out);
    return;
  }
}

std::string TlxCustomLang::GetEntryText(TStrings* List, const std::string& Key, int Column) {
  const char D = Delim();
  for (int i = 0; i < List->Count(); ++i) {
    const std::string line = List->Strings(i);
    if (AnsiSameText(LineKey(line, D), Key)) return ExtractField(line, D, Column);
  }
  return {};
}

std::string TlxCustomLang::GetLineText(TStrings* List, int Index, bool Fallback) {
  if ((List == lists_[stLocales].get() || List == lists_[stDlgsCaptions].get()) &&
      options_.Contains(loUseExtCommonStrings) && dispatcher_) {
    const TStringsType kind = List == lists_[stLocales].get() ? stLocales : stDlgsCaptions;
    for (int i = 0; i < dispatcher_->LinkedCount(); ++i) {
      TlxCustomLang* other = dispatcher_->Linked(i);
      if (other->lists_[kind]->Count() > 0) {
        List = other->lists_[kind].get();
        break;
      }
    }
  }
  if (Index < 0 || Index >= List->Count()) return {};
  const std::string line = List->Strings(Index);
  std::string text = ExtractField(line, Delim(), active_language_);
  if (text.empty() && Fallback) text = ExtractField(line, Delim(), 1);
  return text;
}

std::string TlxCustomLang::LookupIn(TStrings* List, TStringsType Kind,
                                    const std::string& Identifier, bool Fallback, bool ByCache) {
  const char D = Delim();
  std::string result;
  bool found = false;
  if (ByCache) {
    found = strings_cache_.IndexOf(Identifier) >= 0;
    result = strings_cache_.GetValue(Identifier, active_language_);
    if (found && result.empty()) {
      const std::string first = strings_cache_.GetValue(Identifier, 1);
      if (TestMode() && active_language_ > 1)
        result = AnsiUpperCase(first);
      else if (Fallback)
        result = first;
    }
  } else {
    // Line by line, so that a last column without its closing delimiter
    // never reads into the next line.
    for (int i = 0; i < List->Count() && !found; ++i) {
      const std::string line = List->Strings(i);
      if (!StartsText(Identifier + D, line) || line.size() <= Identifier.size()) continue;
      found = true;
      result = ExtractField(line, D, active_language_);
      if (result.empty() && TestMode() && active_language_ > 1)
        result = TestModeText(line, D);
      else if (result.empty() && Fallback)
        result = ExtractField(line, D, 1);
    }
  }
  if (!found && do_raise_exceptions_)
    throw ELanguageError("String identifier \"" + Identifier + "\" not found!");
  (void)Kind;
  return result;
}

std::string TlxCustomLang::LookupString(TStrings* List, const std::string& Identifier,
                                        bool Fallback) {
  const bool dlg = List == lists_[stDlgsCaptions].get();
  const bool loc = List == lists_[stLocales].get();
  const bool str = List == lists_[stStrings].get();
  if (((dlg || loc) && options_.Contains(loUseExtCommonStrings)) ||
      (str && options_.Contains(loUseExtUDStrings))) {
    if (!dispatcher_) return {};
    const TStringsType kind = dlg ? stDlgsCaptions : loc ? stLocales : stStrings;
    for (int i = 0; i < dispatcher_->LinkedCount(); ++i) {
      TlxCustomLang* other = dispatcher_->Linked(i);
      if (other->lists_[kind]->Count() == 0) continue;
      // The first such component may be this one: then the look-up is made
      // here, without redirecting again (that would never end).
      if (other != this)
        return LookupIn(other->lists_[kind].get(), kind, Identifier, Fallback, false);
      break;
    }
  }
  const bool by_cache = str && !IsDesigning();
  return LookupIn(List,
                  str   ? stStrings
                  : dlg ? stDlgsCaptions
                        : stLocales,
                  Identifier, Fallback, by_cache);
}

std::string TlxCustomLang::LookupStringOrDefault(const std::string& Identifier) {
  return LookupString(lists_[stStrings].get(), Identifier, true);
}

void TlxCustomLang::DeleteComponentEntries(TStrings* List, TComponent* AComponent,
                                           TStringsType Kind, TOperation Operation) {
  if (Operation != opRemove || !IsDesigning() || !List || List->Count() == 0 ||
      List->Strings(0).empty())
    return;
  std::string prefix = AComponent == Owner() ? OwnerClassName() : AComponent->Name();
  if (prefix.empty()) return;
  prefix +=
      (Kind == stMultiLines || Kind == stOtherStrings || Kind == stCollections) ? '.' : Delim();
  for (int i = List->Count() - 1; i >= 0; --i)
    if (List->Strings(i).compare(0, prefix.size(), prefix) == 0) List->Delete(i);
}

void TlxCustomLang::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (dynamic_cast<TlxCustomLang*>(AComponent)) return;
  if (Operation != opRemove) return;
  if (AComponent == dispatcher_) {
    dispatcher_ = nullptr;
    return;
  }
  if (AComponent->Owner() != Owner() && AComponent != Owner()) return;
  int i = do_not_translate_->IndexOf(AComponent->Name());
  if (i >= 0 && !AComponent->Name().empty()) do_not_translate_->Delete(i);
  for (TStringsType k : {stCaptions, stHints, stDisplayLabels, stFonts, stMultiLines,
                         stOtherStrings, stCharSets, stCollections})
    if (TStrings* l = GetKindList(k)) DeleteComponentEntries(l, AComponent, k, Operation);
  DeleteComponentEntries(smart_exclude_.get(), AComponent, stOtherStrings, Operation);
  if (!AComponent->Name().empty())
    for (int j = extended_->Count() - 1; j >= 0; --j)
      if (StartsText(AComponent->Name() + ".", extended_->Items(j)->RawIdentifier()))
        extended_->Delete(j);
}

void TlxCustomLang::RenameEntries(const std::string& OldName, const std::string& NewName) {
  if (NewName.empty()) return;
  std::string from = OldName, to = NewName;
  if (Owner() && OldName == Owner()->Name()) {
    from = "T" + from;
    to = "T" + to;
  }
  const char D = Delim();
  auto first_word = [D](const std::string& s) {
    size_t e = s.find_first_of(std::string(".") + D);
    return s.substr(0, e);
  };
  auto rename_in = [&](TStrings* l) {
    for (int i = 0; i < l->Count(); ++i) {
      std::string s = l->Strings(i);
      if (first_word(s) == from) l->SetStrings(i, ReplaceText(s, from, to, false));
    }
  };
  for (auto& l : lists_) rename_in(l.get());
  rename_in(do_not_translate_.get());
  rename_in(smart_exclude_.get());
  for (int i = 0; i < extended_->Count(); ++i) {
    TlxExtendedItem* item = extended_->Items(i);
    if (StartsText(from + ".", item->RawIdentifier()))
      item->SetIdentifier(to + item->RawIdentifier().substr(from.size()));
  }
}

// ---- Translation data

std::string TlxCustomLang::TranslationDataText() {
  std::string out;
  for (int k = 0; k < StringsTypeCount; ++k) {
    TStrings* l = GetKindList(static_cast<TStringsType>(k));
    if (!l) continue;
    out += KindName(static_cast<TStringsType>(k)) + "\r\n";
    for (int i = 0; i < l->Count(); ++i) out += EncodeLineBreaks(l->Strings(i)) + "\r\n";
  }
  return out;
}

void TlxCustomLang::WriteTranslationData(TStream* Stream) {
  const std::string text = TranslationDataText();
  Stream->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TlxCustomLang::ReadTranslationDataText(std::string_view Bytes) {
  std::string_view raw = Bytes.substr(0, Bytes.find('\0'));
  const std::string text = StoredTextToUtf8(raw);
  TStrings* current = nullptr;
  bool in_kind = false;
  size_t start = 0, i = 0;
  auto line_done = [&](std::string_view line) {
    for (int k = 0; k < StringsTypeCount; ++k) {
      if (SameText(line, KindName(static_cast<TStringsType>(k)))) {
        current = GetKindList(static_cast<TStringsType>(k));
        if (current) current->Clear();
        in_kind = true;
        return;
      }
    }
    if (in_kind && current) current->Add(DecodeLineBreaks(line));
  };
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      line_done(std::string_view(text).substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) line_done(std::string_view(text).substr(start));
}

void TlxCustomLang::ReadTranslationData(TStream* Stream) {
  const int64_t size = Stream->Size() - Stream->Position();
  std::string bytes(static_cast<size_t>(std::max<int64_t>(0, size)), '\0');
  bytes.resize(static_cast<size_t>(Stream->Read(bytes.data(), static_cast<int64_t>(bytes.size()))));
  ReadTranslationDataText(bytes);
}

bool TlxCustomLang::HasTranslationData(TlxCustomLang* Ancestor) {
  if (!Ancestor) return true;
  if (use_inherited_data_) return false;
  for (int k = 0; k < StringsTypeCount; ++k) {
    TStrings* mine = GetKindList(static_cast<TStringsType>(k));
    TStrings* theirs = Ancestor->GetKindList(static_cast<TStringsType>(k));
    if (mine && theirs && LinesText(mine) != LinesText(theirs)) return true;
  }
  return false;
}

// ---- Caches and the resource-string hook

void TlxCustomLang::BuildCache(TlxStringsCollection* Cache, int SortColumn) {
  Cache->Clear();
  const char D = Delim();
  TStringList* l = lists_[stStrings].get();
  for (int i = 0; i < l->Count(); ++i) {
    const std::string line = l->Strings(i);
    TlxStringsCollectionItem item;
    item.Identifier = ExtractField(line, D, 0);
    // The columns the line has, up to the number of languages; missing ones
    // read as empty.
    size_t pos = line.find(D, 1);
    while (pos != std::string::npos && static_cast<int>(item.Values.size()) < num_of_languages_) {
      size_t next = line.find(D, pos + 1);
      item.Values.push_back(
          line.substr(pos + 1, (next == std::string::npos ? line.size() : next) - pos - 1));
      pos = next;
    }
    Cache->Add(std::move(item));
  }
  Cache->SetSortColumn(SortColumn);
  Cache->Sort();
}

void TlxCustomLang::RebuildCaches() {
  if (IsDesigning()) return;
  BuildCache(&strings_cache_, 0);
  if (handle_resource_strings_ && Owner()) BuildCache(&resource_cache_, resource_language_index_);
}

std::string TranslateResourceString(const std::string& Text) {
  TlxCustomLang* h = g_hook_owner;
  if (!h || h->ActiveLanguage() == h->ResourceLanguageIndex()) return Text;
  std::string r = h->ResourceCache()->Translate(Text, h->ActiveLanguage(), h->TestMode());
  return r.empty() ? Text : r;
}

TlxCustomLang* ResourceStringHookOwner() {
  return g_hook_owner;
}
