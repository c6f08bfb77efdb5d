// Writing the active language into the window, setting aside lines whose
// component is gone, and the extended translations.
#include <algorithm>

#include "l10n/LangControls.h"
#include "l10n/LangUtils.h"
#include "l10n/TlxCustomLang.h"
#include "l10n/TlxLangDispatcher.h"
#include "rtl/FileUtils.h"
#include "rtl/StrUtils.h"
#include "rtl/TCollection.h"

namespace {
bool IsStringKind(const TPropInfo* p) {
  return p->Kind() == tkString || p->Kind() == tkLString || p->Kind() == tkWString;
}

bool InheritsFromName(TObject* o, std::string_view name) {
  for (TClass c = o ? o->ClassType() : nullptr; c; c = c->Parent)
    if (SameText(c->Name, name)) return true;
  return false;
}

bool ParentFontSet(TObject* o) {
  const TPropInfo* p = GetPropInfo(o, lxnames::ParentFont);
  return p && p->Readable() && p->Kind() == tkEnumeration && GetOrdProp(o, p) != 0;
}

// Brings List to Lines in place: line i replaced or appended, surplus lines
// deleted from the end. A control that publishes ItemIndex keeps it while it
// is still inside the list; a sorted list is unsorted during the update.
void UpdateListInPlace(TObject* Control, TStrings* List, TStrings* Lines) {
  const TPropInfo* index_prop = Control ? ReadWriteProp(Control, lxnames::ItemIndex) : nullptr;
  if (index_prop && index_prop->Kind() != tkInteger) index_prop = nullptr;
  int64_t index = index_prop ? GetOrdProp(Control, index_prop) : -1;
  auto* sorted_list = dynamic_cast<TStringList*>(List);
  const bool was_sorted = sorted_list && sorted_list->Sorted();
  if (was_sorted) sorted_list->SetSorted(false);
  List->BeginUpdate();
  try {
    for (int i = 0; i < Lines->Count(); ++i) {
      if (i < List->Count()) {
        if (List->Strings(i) != Lines->Strings(i)) List->SetStrings(i, Lines->Strings(i));
      } else {
        List->Add(Lines->Strings(i));
      }
    }
    while (List->Count() > Lines->Count()) List->Delete(List->Count() - 1);
  } catch (...) {
    List->EndUpdate();
    if (was_sorted) sorted_list->SetSorted(true);
    throw;
  }
  List->EndUpdate();
  if (was_sorted) sorted_list->SetSorted(true);
  // An index beyond a shorter list would select nothing that exists.
  if (index_prop) SetOrdProp(Control, index_prop, index < List->Count() ? index : -1);
}

// "Panels[2].Caption" -> property "Panels", index 2, path "Caption".
struct TCollectionKey {
  std::string Component, Property, Path;
  int32_t Index = -1;
  bool Valid = false;
};
TCollectionKey ParseCollectionKey(const std::string& Line, char D) {
  TCollectionKey k;
  const std::string key = LineKey(Line, D);
  size_t dot = key.find('.');
  if (dot == std::string::npos) return k;
  k.Component = key.substr(0, dot);
  size_t open = key.find('[', dot);
  size_t close = open == std::string::npos ? std::string::npos : key.find(']', open);
  if (close == std::string::npos) return k;
  k.Property = key.substr(dot + 1, open - dot - 1);
  // Malformed or negative indexes make the line unusable, not fatal.
  if (!TryStrToInt(std::string_view(key).substr(open + 1, close - open - 1), k.Index) ||
      k.Index < 0)
    return k;
  if (key.compare(close, 2, "].") != 0) return k;
  k.Path = key.substr(close + 2);
  k.Valid = !k.Path.empty();
  return k;
}
}  // namespace

bool TlxCustomLang::OwnerIsForm() const {
  return Owner() && !InheritsFromName(Owner(), lxnames::DataModuleClass);
}

bool TlxCustomLang::TranslatesOwner() {
  return Owner() && do_not_translate_->IndexOf(OwnerClassName()) < 0;
}

bool TlxCustomLang::HasAssignedAction(TComponent* C) const {
  const TPropInfo* p = C ? GetPropInfo(C, lxnames::Action) : nullptr;
  return p && p->Kind() == tkClass && p->Readable() && p->Get(C).AsObject() != nullptr;
}

std::string TlxCustomLang::ColumnText(const std::string& Line, TStringsType Kind) {
  const char D = Delim();
  std::string text = ExtractField(Line, D, active_language_);
  if (text.empty() && TestMode() && active_language_ > 1 && Kind != stFonts && Kind != stLocales &&
      Kind != stCharSets)
    text = TestModeText(Line, D);
  if (text.empty() && translate_type_ == ttGetDefault) text = ExtractField(Line, D, 1);
  return text;
}

void TlxCustomLang::ApplyOwnerText(TStringsType Kind, const char* PropName) {
  TStrings* list = GetKindList(Kind);
  if (!list || list->Count() == 0 || !TranslatesOwner()) return;
  if (smart_exclude_->IndexOf(OwnerClassName() + "." + PropName) >= 0) return;
  if (!HasStringProperty(Owner(), PropName)) return;
  const std::string line = list->Strings(0);
  if (!SameText(LineKey(line, Delim()), OwnerClassName())) return;
  const std::string text = ColumnText(line, Kind);
  if (text.empty() || HasAssignedAction(Owner())) return;
  SetStrProp(Owner(), GetPropInfo(Owner(), PropName), text);
}

void TlxCustomLang::ApplyOwnerFont() {
  TStrings* fonts = GetKindList(stFonts);
  if (!fonts || fonts->Count() == 0 || !TranslatesOwner()) return;
  if (smart_exclude_->IndexOf(OwnerClassName() + ".Font") >= 0) return;
  if (!HasClassProperty(Owner(), lxnames::Font, lxnames::FontClass)) return;
  const std::string line = fonts->Strings(0);
  if (!SameText(LineKey(line, Delim()), OwnerClassName())) return;
  TObject* font = GetObjectProp(Owner(), GetPropInfo(Owner(), lxnames::Font));
  if (!font) return;
  const std::string text = ColumnText(line, stFonts);
  if (!text.empty()) SetPropValue(font, lxnames::FontName, text);
  if (TStrings* cs = GetKindList(stCharSets)) {
    int32_t value;
    if (CharsetFromName(GetEntryText(cs, OwnerClassName(), active_language_), false, value))
      SetPropValue(font, lxnames::FontCharset, value);
  }
}

void TlxCustomLang::ApplyLocale(const std::string& Name, const std::string& Text) {
  TFormatSettings& f = FormatSettings;
  auto names = [&Text](std::string* out, size_t n) {
    TStringList l;
    l.SetCommaText(Text);
    for (size_t i = 0; i < n && i < static_cast<size_t>(l.Count()); ++i)
      out[i] = l.Strings(static_cast<int>(i));
  };
  const char c = Text[0];
  if (Name == LocaleItemNames[0])
    f.CurrencyString = Text;
  else if (Name == LocaleItemNames[1])
    f.ThousandSeparator = c;
  else if (Name == LocaleItemNames[2])
    f.DecimalSeparator = c;
  else if (Name == LocaleItemNames[3])
    f.DateSeparator = c;
  else if (Name == LocaleItemNames[4])
    f.ShortDateFormat = Text;
  else if (Name == LocaleItemNames[5])
    f.LongDateFormat = Text;
  else if (Name == LocaleItemNames[6])
    f.TimeSeparator = c;
  else if (Name == LocaleItemNames[7])
    f.TimeAMString = Text;
  else if (Name == LocaleItemNames[8])
    f.TimePMString = Text;
  else if (Name == LocaleItemNames[9])
    f.ShortTimeFormat = Text;
  else if (Name == LocaleItemNames[10])
    f.LongTimeFormat = Text;
  else if (Name == LocaleItemNames[11])
    names(f.ShortMonthNames.data(), 12);
  else if (Name == LocaleItemNames[12])
    names(f.LongMonthNames.data(), 12);
  else if (Name == LocaleItemNames[13])
    names(f.ShortDayNames.data(), 7);
  else if (Name == LocaleItemNames[14])
    names(f.LongDayNames.data(), 7);
}

void TlxCustomLang::ApplyLanguage() {
  if (suppress_ || !Owner()) return;
  try {
    ApplyOwnerText(stCaptions, lxnames::Caption);
    ApplyOwnerText(stHints, lxnames::Hint);
  } catch (const std::exception&) {
  }
  const int p = pending_kind_;
  auto pending = [p](int k) { return p == -1 || p == k; };
  if (pending(stCaptions)) ApplyKind(GetKindList(stCaptions), stCaptions);
  if (pending(stHints)) ApplyKind(GetKindList(stHints), stHints);
  if (pending(stDisplayLabels)) ApplyKind(GetKindList(stDisplayLabels), stDisplayLabels);
  if ((pending(stFonts) || p == stCharSets) && owner_has_font_)
    ApplyKind(GetKindList(stFonts), stFonts);
  ApplyOwnerFont();
  if (pending(stMultiLines)) ApplyKind(GetKindList(stMultiLines), stMultiLines);
  if (pending(stOtherStrings)) ApplyKind(GetKindList(stOtherStrings), stOtherStrings);
  if (pending(stLocales) && change_locales_) ApplyKind(GetKindList(stLocales), stLocales);
  if (pending(stCollections)) ApplyCollections(GetKindList(stCollections));
  if (p == -1) ApplyExtended();
  if (OnChangeLanguage) OnChangeLanguage(this);
}

void TlxCustomLang::ApplyKind(TStrings* List, TStringsType Kind) {
  if (!List) return;
  MoveOrphanEntries(List, Kind);
  if (List->Count() == 0) return;
  const char D = Delim();
  int start = 0;
  if ((Kind == stCaptions || Kind == stHints || Kind == stFonts) && OwnerIsForm() &&
      TranslatesOwner() && StartsText(OwnerClassName() + D, List->Strings(0)))
    start = 1;
  const bool dotted = Kind == stMultiLines || Kind == stOtherStrings;
  const char* label = Kind == stCaptions        ? lxnames::Caption
                      : Kind == stHints         ? lxnames::Hint
                      : Kind == stDisplayLabels ? lxnames::DisplayLabel
                                                : lxnames::Font;
  for (int i = start; i < List->Count(); ++i) {
    std::string line;
    try {
      line = List->Strings(i);
    } catch (const EStringListError&) {
      continue;
    }
    const std::string key_part = LineKey(line, D);
    std::string key, prop_name;
    if (dotted) {
      size_t dot = key_part.find('.');
      if (dot == std::string::npos) continue;
      key = key_part.substr(0, dot);
      prop_name = key_part.substr(dot + 1);
    } else {
      key = key_part;
      prop_name = label;
    }
    if (do_not_translate_->IndexOf(key) >= 0) continue;
    const std::string text = ColumnText(line, Kind);
    if (Kind == stLocales) {
      if (text.empty()) continue;
      for (const char* n : LocaleItemNames)
        if (key == n) ApplyLocale(key, text);
      continue;
    }
    TComponent* target = FindTarget(key);
    if (!target) continue;
    const TPropInfo* prop = ReadWriteProp(target, prop_name);
    if (!prop) continue;
    if (Kind == stFonts) {
      if (prop->Kind() != tkClass) continue;
      TObject* font = GetObjectProp(target, prop);
      if (!font) continue;
      const bool parent_font = ParentFontSet(target);
      int32_t charset;
      if (TStrings* cs = GetKindList(stCharSets))
        if (CharsetFromName(GetEntryText(cs, key, active_language_), true, charset) && !parent_font)
          SetPropValue(font, lxnames::FontCharset, charset);
      if (!text.empty() && !parent_font) {
        SetPropValue(font, lxnames::FontName, text);
        SetObjectProp(target, prop, font);
      }
      continue;
    }
    if (Kind == stMultiLines) {
      if (prop->Kind() != tkClass || text.empty()) continue;
      auto* list = dynamic_cast<TStrings*>(GetObjectProp(target, prop));
      if (!list || text == list->CommaText()) continue;
      TStringList lines;
      lines.SetCommaText(text);
      UpdateListInPlace(target, list, &lines);
      continue;
    }
    if (!IsStringKind(prop) || text.empty()) continue;
    try {
      if ((Kind == stCaptions || Kind == stHints) && HasAssignedAction(target)) continue;
      std::string value = text;
      const std::string current = GetStrProp(target, prop);
      if ((Kind == stDisplayLabels || Kind == stOtherStrings) &&
          (value.find("..") != std::string::npos || value.find("./") != std::string::npos ||
           value.find(".\\") != std::string::npos))
        value = ExpandFileName(value);
      if (value != current) SetStrProp(target, prop, value);
    } catch (const Exception&) {
    }
  }
}

void TlxCustomLang::ApplyCollections(TStrings* List) {
  if (!List) return;
  MoveOrphanEntries(List, stCollections);
  const char D = Delim();
  for (int i = 0; i < List->Count(); ++i) {
    const std::string line = List->Strings(i);
    TCollectionKey k = ParseCollectionKey(line, D);
    if (!k.Valid || do_not_translate_->IndexOf(k.Component) >= 0) continue;
    TComponent* c = FindTarget(k.Component);
    const TPropInfo* cp = c ? GetPropInfo(c, k.Property) : nullptr;
    if (!cp || cp->Kind() != tkClass || !cp->Readable()) continue;
    auto* coll = dynamic_cast<TCollection*>(cp->Get(c).AsObject());
    if (!coll || k.Index >= coll->Count()) continue;
    TObject* item = coll->Items(k.Index);
    const std::string text = ColumnText(line, stCollections);
    auto drop = [&] {
      List->Delete(i);
      --i;
    };
    size_t dot = k.Path.find('.');
    if (dot == std::string::npos) {
      const TPropInfo* p = GetPropInfo(item, k.Path);
      if (!p) {
        drop();
        continue;
      }
      if (p->Kind() == tkClass) {
        TObject* o = p->Readable() ? p->Get(item).AsObject() : nullptr;
        if (!o) {
          drop();
          continue;
        }
        if (auto* list = dynamic_cast<TStrings*>(o)) {
          std::string joined = list->Text();
          if (!joined.empty() && joined.back() == '\n') joined.pop_back();
          const std::string want = ReplaceText(text, "\r\n", "\n", true);
          if (!text.empty() && want != joined) {
            TStringList lines;
            lines.SetText(text);
            UpdateListInPlace(nullptr, list, &lines);
          }
        }
        continue;
      }
      if (!IsStringKind(p) || !p->Readable() || !p->Writable()) {
        if (IsStringKind(p)) drop();
        continue;
      }
      if (!text.empty() && text != GetStrProp(item, p)) SetStrProp(item, p, text);
      continue;
    }
    const TPropInfo* p1 = ReadWriteProp(item, k.Path.substr(0, dot));
    TObject* sub = p1 && p1->Kind() == tkClass ? p1->Get(item).AsObject() : nullptr;
    const TPropInfo* p2 = sub ? ReadWriteProp(sub, k.Path.substr(dot + 1)) : nullptr;
    if (!p2) {
      drop();
      continue;
    }
    try {
      if (!text.empty() && text != GetPropText(sub, p2)) SetPropText(sub, p2, text);
    } catch (const Exception&) {
    }
  }
}

void TlxCustomLang::MoveOrphanEntries(TStrings* List, TStringsType Kind) {
  if (!List || Kind == stDlgsCaptions || Kind == stStrings || Kind == stLocales || !Owner()) return;
  if (!orphans_) orphans_ = std::make_unique<TStringList>();
  const char D = Delim();
  auto move = [&](int i) {
    orphans_->Add(List->Strings(i));
    List->Delete(i);
  };
  if (Kind == stCollections) {
    for (int i = List->Count() - 1; i >= 0; --i) {
      const std::string line = List->Strings(i);
      const std::string key = LineKey(line, D);
      const std::string comp = key.substr(0, key.find('.'));
      TComponent* c = FindTarget(comp);
      if (!c) {
        move(i);
        continue;
      }
      TCollectionKey k = ParseCollectionKey(line, D);
      if (!k.Valid) continue;
      const TPropInfo* p = nullptr;
      for (const TPropInfo* q : GetPropList(c->ClassType(), TTypeKinds{tkClass}))
        if (q->Name == k.Property) p = q;
      auto* coll = p && p->Readable() ? dynamic_cast<TCollection*>(p->Get(c).AsObject()) : nullptr;
      if (coll && k.Index >= coll->Count()) move(i);
    }
    return;
  }
  int start = 0;
  if ((Kind == stCaptions && HasStringProperty(Owner(), lxnames::Caption)) ||
      (Kind == stHints && HasStringProperty(Owner(), lxnames::Hint)) ||
      ((Kind == stFonts || Kind == stCharSets) && owner_has_font_))
    start = 1;
  for (int i = List->Count() - 1; i >= start; --i) {
    const std::string key = LineKey(List->Strings(i), D);
    if (Kind == stMultiLines || Kind == stOtherStrings || Kind == stListView_TreeView_Items) {
      const std::string comp = key.substr(0, key.find('.'));
      if (!SameText(comp, OwnerClassName()) && !Owner()->FindComponent(comp)) move(i);
      continue;
    }
    TComponent* c = Owner()->FindComponent(key);
    if (!c) {
      move(i);
      continue;
    }
    if ((Kind == stCaptions || Kind == stHints) && HasAssignedAction(c)) List->Delete(i);
  }
}

// ---- Extended translations

TObject* TlxCustomLang::ResolvePath(const std::string& Identifier) {
  if (!Owner()) return nullptr;
  size_t dot = Identifier.find('.');
  if (dot == std::string::npos) return nullptr;
  TObject* current = StartsText(OwnerClassName() + ".", Identifier)
                         ? static_cast<TObject*>(Owner())
                         : Owner()->FindComponent(Identifier.substr(0, dot));
  std::string rest = Identifier.substr(dot + 1);
  while (current && rest.find('.') != std::string::npos) {
    std::string element = rest.substr(0, rest.find('.'));
    std::string index;
    size_t open = element.find('[');
    if (open != std::string::npos) {
      size_t close = element.find(']', open);
      if (close == std::string::npos) return nullptr;
      index = element.substr(open + 1, close - open - 1);
      element = element.substr(0, open);
    }
    const TPropInfo* p = GetPropInfo(current, element);
    if (!p || p->Kind() != tkClass || !p->Readable()) return nullptr;
    TObject* value = p->Get(current).AsObject();
    if (auto* coll = dynamic_cast<TCollection*>(value); coll && open != std::string::npos) {
      int32_t i;
      if (!TryStrToInt(index, i) || i < 0 || i >= coll->Count()) return nullptr;
      value = coll->Items(i);
    }
    current = value;
    rest = rest.substr(rest.find('.') + 1);
  }
  return current;
}

namespace {
std::string FinalName(const std::string& Identifier) {
  size_t dot = Identifier.rfind('.');
  return dot == std::string::npos ? Identifier : Identifier.substr(dot + 1);
}
}  // namespace

void TlxCustomLang::SetPropertyText(const std::string& Identifier, const std::string& Text) {
  TObject* o = ResolvePath(Identifier);
  const TPropInfo* p = o ? GetPropInfo(o, FinalName(Identifier)) : nullptr;
  if (!p || !p->Writable()) return;
  try {
    switch (p->Kind()) {
      case tkInt64:
        SetOrdProp(o, p, static_cast<int64_t>(StrToInt(Text)));
        break;
      case tkClass:
        if (dynamic_cast<TStrings*>(GetObjectProp(o, p))) SetPropText(o, p, Text);
        break;
      case tkInteger:
      case tkChar:
      case tkString:
      case tkWChar:
      case tkLString:
      case tkWString:
      case tkEnumeration:
      case tkFloat:
      case tkSet:
        SetPropText(o, p, Text);
        break;
      default:
        break;
    }
  } catch (const Exception&) {
  }
}

std::string TlxCustomLang::GetPropertyText(const std::string& Identifier) {
  TObject* o = ResolvePath(Identifier);
  const TPropInfo* p = o ? GetPropInfo(o, FinalName(Identifier)) : nullptr;
  if (!p || !p->Readable()) return {};
  try {
    return GetPropText(o, p);
  } catch (const Exception&) {
    return {};
  }
}

void TlxCustomLang::ApplyExtended() {
  const char D = Delim();
  for (int i = 0; i < extended_->Count(); ++i) {
    TlxExtendedItem* item = extended_->Items(i);
    std::string text = ExtractWord(active_language_, item->Values(), D);
    if (text.empty() && TestMode() && active_language_ > 1)
      text = AnsiUpperCase(ExtractWord(1, item->Values(), D));
    if (text.empty() && translate_type_ == ttGetDefault) text = ExtractWord(1, item->Values(), D);
    if (!text.empty()) SetPropertyText(item->Identifier(), text);
  }
}

void TlxCustomLang::HarvestExtended() {
  const char D = Delim();
  for (int i = 0; i < extended_->Count(); ++i) {
    TlxExtendedItem* item = extended_->Items(i);
    const std::string current = GetPropertyText(item->Identifier());
    const std::string mine = ExtractWord(active_language_, item->Values(), D);
    if (mine.empty() || mine == current) continue;
    std::string values;
    for (int n = 1; n <= num_of_languages_; ++n)
      values += (n == active_language_ ? current : ExtractWord(n, item->Values(), D)) + D;
    item->SetValues(values);
  }
}
