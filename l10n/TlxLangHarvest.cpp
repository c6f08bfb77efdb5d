// Collecting the current texts of the window into the kind lists: the
// inverse of applying, with the same keys.
#include <algorithm>

#include "l10n/LangControls.h"
#include "l10n/LangUtils.h"
#include "l10n/TlxCustomLang.h"
#include "l10n/TlxLangDispatcher.h"
#include "rtl/StrUtils.h"
#include "rtl/TCollection.h"

namespace {
bool IsStringProp(const TPropInfo* p) {
  return p->Kind() == tkString || p->Kind() == tkLString || p->Kind() == tkWString;
}
bool ClassNamed(TObject* o, std::string_view name) {
  for (TClass c = o ? o->ClassType() : nullptr; c; c = c->Parent)
    if (SameText(c->Name, name)) return true;
  return false;
}
std::string NewLine(const std::string& Key, const std::string& Text, char D, int Languages) {
  return Key + D + Text + std::string(static_cast<size_t>(std::max(Languages, 1)), D);
}
int FindLine(TStrings* List, const std::string& Prefix) {
  for (int i = 0; i < List->Count(); ++i)
    if (List->Strings(i).compare(0, Prefix.size(), Prefix) == 0) return i;
  return -1;
}
}  // namespace

std::string TlxCustomLang::FindOrphan(const std::string& Text) {
  if (!orphans_) return {};
  const char D = Delim();
  for (int i = 0; i < orphans_->Count(); ++i) {
    const std::string line = orphans_->Strings(i);
    std::string col = ExtractField(line, D, active_language_);
    if (col.empty()) col = ExtractField(line, D, 1);
    if (col == Text) return line;
  }
  return {};
}

void TlxCustomLang::DeleteEntry(TStrings* List, const std::string& Key, TStringsType Kind,
                                const std::string& PropName) {
  if (!List) return;
  const char D = Delim();
  std::string prefix = Kind == stMultiLines || Kind == stOtherStrings ? Key + "." + PropName + D
                       : Kind == stCollections                        ? Key + "." + PropName
                                                                      : Key + D;
  for (int i = List->Count() - 1; i >= 0; --i)
    if (List->Strings(i).compare(0, prefix.size(), prefix) == 0) {
      List->Delete(i);
      if (Kind != stCollections) break;
    }
}

namespace {
// The owner's own line: first in the list, keyed by the owner's class name.
void HarvestOwnerLine(TlxCustomLang* L, TStrings* List, const std::string& ClassName,
                      const std::string& OwnerName, const std::string& Value, char D) {
  const std::string fresh = NewLine(ClassName, Value, D, L->NumOfLanguages());
  if (List->Count() == 0) {
    List->Add(fresh);
  } else {
    std::string first = List->Strings(0);
    const std::string key = LineKey(first, D);
    if (!OwnerName.empty() && key == OwnerName) {
      List->SetStrings(0, ClassName + first.substr(key.size()));
    } else if (key != ClassName && !Value.empty() && ExtractField(first, D, 1) == Value) {
      List->SetStrings(0, ClassName + first.substr(key.size()));
    } else if (first.find(ClassName) == std::string::npos &&
               (OwnerName.empty() || first.find(OwnerName) == std::string::npos)) {
      List->Insert(0, fresh);
    }
  }
  if (ExtractField(List->Strings(0), D, L->ActiveLanguage()) != Value)
    L->SetEntryValue(List, Value, L->ActiveLanguage(), ClassName);
}
}  // namespace

void TlxCustomLang::HarvestStrings() {
  if (suppress_ || !Owner()) return;
  const bool raise = do_raise_exceptions_;
  do_raise_exceptions_ = false;
  const char D = Delim();
  const std::string cls = OwnerClassName(), own = OwnerName();
  try {
    struct {
      TStringsType Kind;
      const char* Prop;
    } owner_texts[] = {{stCaptions, lxnames::Caption}, {stHints, lxnames::Hint}};
    for (auto& o : owner_texts) {
      if (!HasStringProperty(Owner(), o.Prop)) continue;
      TStrings* list = lists_[o.Kind].get();
      if (smart_exclude_->IndexOf(cls + "." + o.Prop) >= 0) {
        DeleteEntry(list, cls, o.Kind, o.Prop);
      } else if (excluded_props_->IndexOf(o.Prop) < 0 && TranslatesOwner()) {
        HarvestOwnerLine(this, list, cls, own, GetStrProp(Owner(), GetPropInfo(Owner(), o.Prop)),
                         D);
      }
    }
    if (owner_has_font_) {
      TObject* font = GetObjectProp(Owner(), GetPropInfo(Owner(), lxnames::Font));
      if (smart_exclude_->IndexOf(cls + ".Font") >= 0) {
        DeleteEntry(lists_[stFonts].get(), cls, stFonts, "Font");
        DeleteEntry(lists_[stCharSets].get(), cls, stCharSets, "Font");
      } else if (font && excluded_props_->IndexOf("Font") < 0 && TranslatesOwner()) {
        HarvestOwnerLine(this, lists_[stFonts].get(), cls, own,
                         GetPropValue(font, lxnames::FontName).AsString(), D);
        if (excluded_props_->IndexOf("Charset") < 0)
          HarvestOwnerLine(this, lists_[stCharSets].get(), cls, own,
                           CharsetName(static_cast<int32_t>(
                               GetPropValue(font, lxnames::FontCharset).AsOrdinal())),
                           D);
      }
    }
    orphans_ = std::make_unique<TStringList>();
    for (TStringsType k : {stCaptions, stHints, stDisplayLabels, stFonts, stMultiLines,
                           stOtherStrings, stCollections}) {
      if (k == stCaptions && excluded_props_->IndexOf("Caption") >= 0) continue;
      if (k == stHints && excluded_props_->IndexOf("Hint") >= 0) continue;
      if (k == stDisplayLabels && excluded_props_->IndexOf("DisplayLabel") >= 0) continue;
      if (k == stFonts && (excluded_props_->IndexOf("Font") >= 0 || !owner_has_font_)) continue;
      MoveOrphanEntries(lists_[k].get(), k);
      if (k == stFonts) MoveOrphanEntries(lists_[stCharSets].get(), stCharSets);
      HarvestKind(lists_[k].get(), k);
      orphans_->Clear();
    }
    RemoveStaleEntries();
    HarvestExtended();
  } catch (const std::exception&) {
  }
  orphans_.reset();
  do_raise_exceptions_ = raise;
}

void TlxCustomLang::HarvestKind(TStrings* List, TStringsType Kind) {
  if (!List || !Owner()) return;
  const char D = Delim();
  const bool design = IsDesigning();
  std::vector<TComponent*> visit;
  if (Kind == stOtherStrings) visit.push_back(Owner());
  for (int i = 0; i < Owner()->ComponentCount(); ++i) visit.push_back(Owner()->Components(i));

  auto take = [&](TComponent* c, const std::string& key, const std::string& text, bool exact_key) {
    const int at = FindLine(List, exact_key ? key + D : key + D);
    if (at >= 0) {
      if (design) {
        const std::string col = ExtractField(List->Strings(at), D, active_language_);
        if (col != text && (!col.empty() || active_language_ == 1))
          SetEntryValue(List, text, active_language_, key);
      }
      return;
    }
    if ((Kind == stCaptions || Kind == stHints) && HasAssignedAction(c)) return;
    const std::string orphan = FindOrphan(text);
    if (!orphan.empty()) {
      List->Add(key + orphan.substr(orphan.find(D)));
      if (Kind == stFonts && !IsExcludedProperty(c->Name(), "Charset")) {
        std::string line = key + D;
        const std::string orphan_key = LineKey(orphan, D);
        for (int n = 1; n <= num_of_languages_; ++n)
          line += GetEntryText(lists_[stCharSets].get(), orphan_key, n) + D;
        lists_[stCharSets]->Add(line);
      }
    } else {
      List->Add(NewLine(key, text, D, num_of_languages_));
      if (Kind == stFonts) {
        TObject* font = GetObjectProp(c, GetPropInfo(c, lxnames::Font));
        lists_[stCharSets]->Add(key + D +
                                CharsetName(static_cast<int32_t>(
                                    GetPropValue(font, lxnames::FontCharset).AsOrdinal())) +
                                D);
      }
    }
  };

  for (TComponent* c : visit) {
    if (dynamic_cast<TlxCustomLang*>(c) || dynamic_cast<TlxLangDispatcher*>(c)) continue;
    const std::string cname = c == Owner() ? OwnerClassName() : c->Name();
    if (cname.empty() || do_not_translate_->IndexOf(cname) >= 0) continue;
    for (const TPropInfo* p : GetPropList(c->ClassType(), tkProperties, false)) {
      try {
        switch (Kind) {
          case stCaptions:
          case stHints:
          case stDisplayLabels: {
            const char* want = Kind == stCaptions ? lxnames::Caption
                               : Kind == stHints  ? lxnames::Hint
                                                  : lxnames::DisplayLabel;
            if (p->Name != want || !IsStringProp(p)) break;
            if (IsExcludedProperty(cname, p->Name)) {
              DeleteEntry(List, cname, Kind, p->Name);
              break;
            }
            if (!p->Readable() || !p->Writable()) break;
            const std::string text = GetStrProp(c, p);
            if (Kind == stCaptions && ClassNamed(c, lxnames::MenuItemClass) && text == "-") break;
            take(c, cname, text, true);
            break;
          }
          case stFonts: {
            if (p->Name != lxnames::Font || p->Kind() != tkClass) break;
            const TPropInfo* pf = GetPropInfo(c, lxnames::ParentFont);
            const bool parent = pf && pf->Kind() == tkEnumeration && GetOrdProp(c, pf) != 0;
            if (IsExcludedProperty(cname, p->Name) || parent) {
              DeleteEntry(List, cname, Kind, p->Name);
              break;
            }
            if (!p->Readable() || !p->Writable()) break;
            TObject* font = GetObjectProp(c, p);
            if (!font || !GetPropInfo(font, lxnames::FontName)) break;
            take(c, cname, GetPropValue(font, lxnames::FontName).AsString(), true);
            break;
          }
          case stMultiLines: {
            if (p->Kind() != tkClass || ClassNamed(c, lxnames::FormStorageClass)) break;
            const std::string tname(p->PropType->TypeName());
            if (!SameText(tname, lxnames::StringsClass) && !IsTranslatedStringsClass(tname)) break;
            if (IsExcludedProperty(cname, p->Name)) {
              DeleteEntry(List, cname, Kind, p->Name);
              break;
            }
            if (!p->Readable() || !p->Writable()) break;
            auto* list = dynamic_cast<TStrings*>(GetObjectProp(c, p));
            if (list) take(c, cname + "." + p->Name, list->CommaText(), false);
            break;
          }
          case stOtherStrings: {
            if (!IsStringProp(p) || p->Name == "Name" || p->Name == lxnames::Caption ||
                p->Name == lxnames::Hint || p->Name == lxnames::DisplayLabel)
              break;
            if (IsExcludedProperty(cname, p->Name)) {
              DeleteEntry(List, cname, Kind, p->Name);
              break;
            }
            if (!p->Readable() || !p->Writable()) break;
            take(c, cname + "." + p->Name, GetStrProp(c, p), true);
            break;
          }
          case stCollections: {
            if (p->Kind() != tkClass || !p->Readable()) break;
            auto* coll = dynamic_cast<TCollection*>(GetObjectProp(c, p));
            if (!coll) break;
            if (IsExcludedProperty(cname, p->Name)) {
              DeleteEntry(List, cname, Kind, p->Name + "[");
              break;
            }
            for (int j = 0; j < coll->Count(); ++j) {
              TCollectionItem* item = coll->Items(j);
              const std::string base = cname + "." + p->Name + "[" + IntToStr(j) + "].";
              for (const TPropInfo* ip : GetPropList(item->ClassType(), tkProperties, false)) {
                if (IsStringProp(ip) && ip->Readable() && ip->Writable()) {
                  if (IsExcludedProperty(cname, ip->Name))
                    DeleteEntry(List, cname, Kind, p->Name + "[" + IntToStr(j) + "]." + ip->Name);
                  else
                    take(c, base + ip->Name, GetStrProp(item, ip), false);
                } else if (ip->Kind() == tkClass && ip->Readable() && ip->Writable()) {
                  TObject* o = GetObjectProp(item, ip);
                  auto* oc = dynamic_cast<TComponent*>(o);
                  if (!o || (oc && oc->Owner() == Owner()) || IsExcludedProperty(cname, ip->Name))
                    continue;
                  if (auto* sl = dynamic_cast<TStrings*>(o)) {
                    take(c, base + ip->Name, LinesText(sl), false);
                    continue;
                  }
                  for (const TPropInfo* sp : GetPropList(o->ClassType(), tkProperties, false)) {
                    if (!IsStringProp(sp) || !sp->Readable() || !sp->Writable()) continue;
                    if (IsExcludedProperty(cname, sp->Name))
                      DeleteEntry(List, cname, Kind,
                                  p->Name + "[" + IntToStr(j) + "]." + ip->Name + "." + sp->Name);
                    else
                      take(c, base + ip->Name + "." + sp->Name, GetStrProp(o, sp), false);
                  }
                }
              }
            }
            break;
          }
          default:
            break;
        }
      } catch (const Exception&) {
        // A property that cannot be read in the component's present state
        // is left out; the rest of the window is still harvested.
      }
    }
  }
}

void TlxCustomLang::RemoveStaleEntries() {
  if (!Owner()) return;
  const char D = Delim();
  for (TStringsType k : {stCaptions, stHints, stDisplayLabels, stFonts, stCharSets, stMultiLines,
                         stOtherStrings, stCollections}) {
    TStringList* l = lists_[k].get();
    for (int i = l->Count() - 1; i >= 0; --i) {
      const std::string key = LineKey(l->Strings(i), D);
      std::string comp = key, prop;
      if (k == stMultiLines || k == stOtherStrings || k == stCollections) {
        size_t dot = key.find('.');
        comp = key.substr(0, dot);
        prop = dot == std::string::npos ? "" : key.substr(dot + 1);
        if (k == stCollections) prop = prop.substr(0, prop.find('['));
      } else {
        prop = k == stCaptions        ? "Caption"
               : k == stHints         ? "Hint"
               : k == stDisplayLabels ? "DisplayLabel"
                                      : "Font";
      }
      TComponent* c = comp.empty() ? nullptr
                      : (SameText(comp, OwnerName()) || SameText(comp, OwnerClassName()))
                          ? Owner()
                          : Owner()->FindComponent(comp);
      if (!c || !GetPropInfo(c, prop)) l->Delete(i);
    }
  }
}
