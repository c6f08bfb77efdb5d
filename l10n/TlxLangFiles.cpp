// The translation text file: ini-style sections per kind, keys of all
// windows side by side ("TfrmMain.btnOK"), values with each language's text
// followed by the delimiter string.
#include <algorithm>

#include "l10n/LangUtils.h"
#include "l10n/TLNBFileManager.h"
#include "l10n/TMemIniFile.h"
#include "l10n/TlxCustomLang.h"
#include "l10n/TlxLangDispatcher.h"
#include "rtl/FileUtils.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"

namespace {
const char* const kNamesSection = "Language names - for internal use only!";
const char* const kMisspelledNamesSection = "Language names - for intenal use only!";
const char* const kDefaultDelimiter = "~!@#";
// Translation files are small; anything beyond this is not one.
constexpr int64_t kMaxFileSize = int64_t{256} << 20;

std::string ReadWholeStream(TStream* Stream) {
  Stream->SetPosition(0);
  const int64_t size = Stream->Size();
  if (size < 0 || size > kMaxFileSize) throw EReadError("Translation file too large");
  std::string bytes(static_cast<size_t>(size), '\0');
  bytes.resize(static_cast<size_t>(Stream->Read(bytes.data(), size)));
  return bytes;
}

void LoadIni(TMemIniFile& Ini, TStream* Stream) {
  Ini.SetText(StoredTextToUtf8(ReadWholeStream(Stream)));
}

void WriteIni(TMemIniFile& Ini, TStream* Stream) {
  const std::string text = Ini.GetText();
  Stream->SetPosition(0);
  Stream->SetSize(0);
  Stream->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

std::string FileBytes(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  return ReadWholeStream(&f);
}

// Runs Save on the file's current content in memory, then replaces the file
// as a whole: a failed save never leaves a truncated file behind.
template <typename F>
void SaveFileAtomically(const std::string& FileName, F Save) {
  TStringStream memory(FileExists(FileName) ? FileBytes(FileName) : std::string());
  Save(&memory);
  TAtomicFileWriter writer(FileName);
  writer.Stream()->WriteBuffer(memory.DataString().data(),
                               static_cast<int64_t>(memory.DataString().size()));
  writer.Commit();
}

std::string KeyToFile(std::string Key, TStringsType Kind) {
  if (Kind == stCollections || Kind == stListView_TreeView_Items) {
    std::replace(Key.begin(), Key.end(), '[', '-');
    std::replace(Key.begin(), Key.end(), ']', '+');
  }
  return Key;
}

bool IsDelimiterStringUsable(const std::string& Delimiter) {
  return !Delimiter.empty();
}
}  // namespace

// Sets the bulk-load flag for a scope and restores it on every path (an
// error used to leave it set, which stopped every later apply).
struct TBulkLoad {
  TlxCustomLang* Lang;
  bool Old;
  explicit TBulkLoad(TlxCustomLang* L) : Lang(L), Old(L->bulk_load_) { L->bulk_load_ = true; }
  ~TBulkLoad() { Lang->bulk_load_ = Old; }
};

void TlxCustomLang::ReadNames(TMemIniFile& Ini) {
  if (Ini.SectionExists(kNamesSection)) {
    TStringList names;
    for (int n = 1;; ++n) {
      std::string name = Ini.ReadString(kNamesSection, "Language_" + IntToStr(n), "");
      if (name.empty()) break;
      names.Add(name);
    }
    if (names.Count() > 0) {
      lang_names_->Assign(&names);
      num_of_languages_ = names.Count();
    }
  }
  fixed_languages_->Clear();
  for (int n = 1; n <= num_of_languages_ && n <= lang_names_->Count(); ++n)
    if (Ini.ReadInteger("OPTIONS", "Language_Fixed" + IntToStr(n), 0) != 0)
      fixed_languages_->Add(lang_names_->Strings(n - 1));
}

void TlxCustomLang::WriteNames(TMemIniFile& Ini) {
  Ini.EraseSection(kNamesSection);
  for (int n = 1; n <= num_of_languages_; ++n) {
    std::string name = n <= lang_names_->Count() ? lang_names_->Strings(n - 1) : "";
    if (name.empty()) name = "Language N" + IntToStr(n);
    Ini.WriteString(kNamesSection, "Language_" + IntToStr(n), name);
  }
  Ini.EraseSection(kMisspelledNamesSection);
}

int TlxCustomLang::LoadKindFromIni(TStringsType Kind, TMemIniFile& Ini, bool ClearFirst,
                                   int& Keys) {
  TStrings* list = GetKindList(Kind);
  if (!list) return -1;
  if (ClearFirst) list->Clear();
  std::string delimiter = Ini.ReadString("OPTIONS", "DELIMITER", kDefaultDelimiter);
  if (delimiter.empty()) delimiter = kDefaultDelimiter;
  ReadNames(Ini);
  const char D = Delim();
  const std::string class_name = OwnerClassName(), owner_name = OwnerName();
  TStringList keys, values;
  Ini.ReadSection(KindSectionNames[Kind], &keys);
  Ini.ReadSectionValues(KindSectionNames[Kind], &values);
  Keys = keys.Count();
  list->BeginUpdate();
  for (int i = 0; i < keys.Count(); ++i) {
    std::string entry = keys.Strings(i) + D;
    if (Kind == stCollections || Kind == stListView_TreeView_Items) {
      size_t m = entry.find('-');
      if (m != std::string::npos) entry[m] = '[';
      size_t p = entry.find('+');
      if (p != std::string::npos) entry[p] = ']';
    }
    // The prefix that matched (letter case ignored) is the one removed.
    bool by_owner_name = false;
    if (!owner_name.empty() && StartsText(owner_name + ".", entry)) {
      entry.erase(0, owner_name.size() + 1);
      by_owner_name = true;
    } else if (!class_name.empty() && StartsText(class_name + ".", entry)) {
      entry.erase(0, class_name.size() + 1);
    } else {
      continue;
    }
    size_t dot = entry.find('.');
    const std::string component =
        dot != std::string::npos ? entry.substr(0, dot) : entry.substr(0, entry.size() - 1);
    if (do_not_translate_->IndexOf(component) >= 0) continue;
    std::string value = values.Strings(i);
    if (value.find(delimiter) == std::string::npos)
      entry += value + D;
    else
      entry += ReplaceText(value, delimiter, std::string(1, D), true);
    entry = DecodeLineBreaks(entry);
    const bool own_line =
        StartsText(class_name + D, entry) || (by_owner_name && StartsText(owner_name + D, entry));
    if (own_line)
      list->Insert(0, entry);
    else
      list->Add(entry);
  }
  list->EndUpdate();
  return Keys;
}

void TlxCustomLang::AfterKindChange(TStrings* List, TStringsType Kind) {
  if (bulk_load_) return;
  MoveOrphanEntries(List, Kind);
  if (Kind == stStrings) RebuildCaches();
  ApplyLanguage();
}

int TlxCustomLang::LoadKindFromLng(TStringsType Kind, TStream* Stream, bool ClearFirst) {
  TStrings* list = GetKindList(Kind);
  if (!list) return -1;
  try {
    TMemIniFile ini;
    LoadIni(ini, Stream);
    int keys = 0;
    LoadKindFromIni(Kind, ini, ClearFirst, keys);
    AfterKindChange(list, Kind);
    return keys;
  } catch (const std::exception&) {
    return -1;
  }
}

int TlxCustomLang::SaveKindToLng(TStringsType Kind, TStream* Stream, const std::string& Delimiter) {
  TStrings* list = GetKindList(Kind);
  if (!list) return -1;
  const std::string delimiter = IsDelimiterStringUsable(Delimiter) ? Delimiter : kDefaultDelimiter;
  TMemIniFile ini;
  LoadIni(ini, Stream);
  ini.WriteString("OPTIONS", "DELIMITER", delimiter);
  WriteNames(ini);
  const char D = Delim();
  const std::string class_name = OwnerClassName();
  for (int i = 0; i < list->Count(); ++i) {
    const std::string line = list->Strings(i);
    size_t d = line.find(D);
    std::string key = KeyToFile(line.substr(0, d), Kind);
    std::string value = d == std::string::npos ? std::string() : line.substr(d + 1);
    value = EncodeLineBreaks(ReplaceText(value, std::string(1, D), delimiter, true));
    ini.WriteString(KindSectionNames[Kind], class_name + "." + key, value);
  }
  // Keys written under the owner's instance name give way to the class name.
  const std::string owner_name = OwnerName();
  if (!owner_name.empty() && owner_name != class_name) {
    TStringList keys;
    ini.ReadSection(KindSectionNames[Kind], &keys);
    for (int i = 0; i < keys.Count(); ++i)
      if (keys.Strings(i).compare(0, owner_name.size() + 1, owner_name + ".") == 0)
        ini.DeleteKey(KindSectionNames[Kind], keys.Strings(i));
  }
  WriteIni(ini, Stream);
  return list->Count();
}

// ---- The "Extended" section

void TlxCustomLang::LoadExtended(TMemIniFile& Ini, bool ClearFirst) {
  if (ClearFirst) extended_->Clear();
  std::string delimiter = Ini.ReadString("Options", "Delimiter", kDefaultDelimiter);
  if (delimiter.empty()) delimiter = kDefaultDelimiter;
  const std::string prefix = OwnerClassName() + ".";
  TStringList keys;
  Ini.ReadSection("Extended", &keys);
  for (int i = 0; i < keys.Count(); ++i) {
    const std::string key = keys.Strings(i);
    if (key.compare(0, prefix.size(), prefix) != 0) continue;
    if (key.size() >= 9 && key.compare(key.size() - 9, 9, "_TypeKind") == 0) continue;
    const std::string id = key.substr(prefix.size());
    TlxExtendedItem* item = extended_->Find(id);
    if (!item) {
      item = extended_->Add();
      item->SetIdentifier(id);
    }
    item->SetValues(
        ReplaceText(Ini.ReadString("Extended", key, ""), delimiter, std::string(1, Delim()), true));
    std::string kind = Ini.ReadString("Extended", key + "_TypeKind", "tkUnknown");
    size_t cut = kind.find(delimiter);
    if (cut != std::string::npos) kind.resize(cut);
    item->SetPropertyType(StringToTypeKind(kind));
  }
}

void TlxCustomLang::SaveExtended(TMemIniFile& Ini, const std::string& Delimiter) {
  Ini.WriteString("Options", "Delimiter", Delimiter);
  WriteNames(Ini);
  const std::string prefix = OwnerClassName() + ".";
  for (int i = 0; i < extended_->Count(); ++i) {
    TlxExtendedItem* item = extended_->Items(i);
    const std::string key = prefix + item->Identifier();
    Ini.WriteString("Extended", key,
                    ReplaceText(item->Values(), std::string(1, Delim()), Delimiter, true));
    const int kind = item->PropertyType();
    Ini.WriteString("Extended", key + "_TypeKind",
                    kind >= tkUnknown && kind <= tkDynArray
                        ? std::string(TypeKindName(static_cast<TTypeKind>(kind)))
                        : std::string("tkUnknown"));
  }
}

void TlxCustomLang::LoadExtendedFromStream(TStream* Stream, bool ClearFirst) {
  TMemIniFile ini;
  LoadIni(ini, Stream);
  LoadExtended(ini, ClearFirst);
}

void TlxCustomLang::SaveExtendedToStream(TStream* Stream, const std::string& Delimiter) {
  TMemIniFile ini;
  LoadIni(ini, Stream);
  SaveExtended(ini, IsDelimiterStringUsable(Delimiter) ? Delimiter : kDefaultDelimiter);
  WriteIni(ini, Stream);
}

// ---- Whole files

void TlxCustomLang::LoadFromLngStream(TStream* Stream, bool ClearFirst) {
  {
    TBulkLoad bulk(this);
    for (int k = 0; k < StringsTypeCount; ++k) {
      const auto kind = static_cast<TStringsType>(k);
      LoadKindFromLng(kind, Stream, ClearFirst);
      if (TStrings* l = GetKindList(kind)) MoveOrphanEntries(l, kind);
    }
    try {
      LoadExtendedFromStream(Stream, ClearFirst);
    } catch (const std::exception&) {
    }
    RebuildCaches();
    ApplyLanguage();
  }
}

void TlxCustomLang::SaveToLngStream(TStream* Stream, const std::string& Delimiter) {
  for (int k = 0; k < StringsTypeCount; ++k)
    SaveKindToLng(static_cast<TStringsType>(k), Stream, Delimiter);
  SaveExtendedToStream(Stream, Delimiter);
}

void TlxCustomLang::LoadFromLngFile(const std::string& FileName, bool ClearFirst) {
  if (!FileExists(FileName)) return;
  TStringStream memory(FileBytes(FileName));
  LoadFromLngStream(&memory, ClearFirst);
}

void TlxCustomLang::LoadAllKindsFromLngFile(const std::string& FileName, bool ClearFirst) {
  TBulkLoad bulk(this);
  for (int k = 0; k < StringsTypeCount; ++k) {
    const auto kind = static_cast<TStringsType>(k);
    LoadKindFromLngFile(kind, FileName, ClearFirst);
    if (TStrings* l = GetKindList(kind)) MoveOrphanEntries(l, kind);
  }
  if (FileExists(FileName)) {
    TStringStream memory(FileBytes(FileName));
    LoadExtendedFromStream(&memory, ClearFirst);
  }
  RebuildCaches();
}

void TlxCustomLang::SaveToLngFile(const std::string& FileName, const std::string& Delimiter) {
  SaveFileAtomically(FileName, [&](TStream* s) { SaveToLngStream(s, Delimiter); });
}

int TlxCustomLang::LoadKindFromLngFile(TStringsType Kind, const std::string& FileName,
                                       bool ClearFirst) {
  if (!FileExists(FileName)) return -1;
  try {
    TStringStream memory(FileBytes(FileName));
    return LoadKindFromLng(Kind, &memory, ClearFirst);
  } catch (const std::exception&) {
    return -1;
  }
}

int TlxCustomLang::SaveKindToLngFile(TStringsType Kind, const std::string& FileName,
                                     const std::string& Delimiter) {
  if (!GetKindList(Kind)) return -1;
  int result = -1;
  SaveFileAtomically(FileName, [&](TStream* s) { result = SaveKindToLng(Kind, s, Delimiter); });
  return result;
}

int TlxCustomLang::LoadStringsFromLngFile(const std::string& FileName, bool ClearFirst) {
  return LoadKindFromLngFile(stStrings, FileName, ClearFirst);
}

int TlxCustomLang::SaveStringsToLngFile(const std::string& FileName, const std::string& Delimiter) {
  return SaveKindToLngFile(stStrings, FileName, Delimiter);
}

// ---- Merging

namespace {
// Appends the kept lines whose key the list does not hold now.
void AppendMissing(TStrings* List, TStringList& Kept, char D) {
  TStringList present;
  present.SetSorted(true);
  present.SetDuplicates(dupIgnore);
  for (int i = 0; i < List->Count(); ++i) present.Add(AnsiUpperCase(LineKey(List->Strings(i), D)));
  for (int i = 0; i < Kept.Count(); ++i) {
    int at;
    if (!present.Find(AnsiUpperCase(LineKey(Kept.Strings(i), D)), at)) List->Add(Kept.Strings(i));
  }
}
}  // namespace

bool TlxCustomLang::MergeKindFromLngStream(TStringsType Kind, TStream* Stream) {
  TStrings* list = GetKindList(Kind);
  if (!list) return false;
  TStringList kept;
  kept.Assign(list);
  int loaded;
  {
    TBulkLoad bulk(this);
    loaded = LoadKindFromLng(Kind, Stream, true);
  }
  if (loaded < 0) {
    list->Assign(&kept);
    return false;
  }
  AppendMissing(list, kept, Delim());
  AfterKindChange(list, Kind);
  return true;
}

bool TlxCustomLang::MergeKindFromFile(TStringsType Kind, const std::string& FileName) {
  TStrings* list = GetKindList(Kind);
  if (!list || !FileExists(FileName)) return false;
  TStringList kept;
  kept.Assign(list);
  bool ok = true;
  {
    TBulkLoad bulk(this);
    try {
      if (UpperCase(ExtractFileExt(FileName)) == ".LNB") {
        list->Clear();
        LoadKindFromSibFile(Kind, FileName);
      } else {
        ok = LoadKindFromLngFile(Kind, FileName, true) >= 0;
      }
    } catch (const std::exception&) {
      ok = false;
    }
  }
  if (!ok) {
    list->Assign(&kept);
    return false;
  }
  AppendMissing(list, kept, Delim());
  AfterKindChange(list, Kind);
  return true;
}

// Kinds without a list (the reserved kind, or those a linked component does
// not keep) are passed over: they used to end the merge with a failure
// before the caches were rebuilt, so merged free strings were never found.
bool TlxCustomLang::MergeEveryKind(const std::function<bool(TStringsType)>& MergeKind) {
  TBulkLoad bulk(this);
  for (int k = 0; k < StringsTypeCount; ++k) {
    const auto kind = static_cast<TStringsType>(k);
    TStrings* list = GetKindList(kind);
    if (!list) continue;
    if (!MergeKind(kind)) return false;
    MoveOrphanEntries(list, kind);
  }
  RebuildCaches();
  return true;
}

bool TlxCustomLang::MergeAllFromLngStream(TStream* Stream) {
  return MergeEveryKind([&](TStringsType Kind) { return MergeKindFromLngStream(Kind, Stream); });
}

bool TlxCustomLang::MergeAllFromFile(const std::string& FileName) {
  if (!FileExists(FileName)) return false;
  if (UpperCase(ExtractFileExt(FileName)) == ".LNB")
    return MergeEveryKind([&](TStringsType Kind) { return MergeKindFromFile(Kind, FileName); });
  TStringStream memory(FileBytes(FileName));
  return MergeAllFromLngStream(&memory);
}

bool TlxCustomLang::MergeLngStreamAndApply(TStream* Stream) {
  MergeAllFromLngStream(Stream);
  ApplyLanguage();
  return true;
}

bool TlxCustomLang::MergeFileAndApply(const std::string& FileName) {
  MergeAllFromFile(FileName);
  ApplyLanguage();
  return true;
}

// ---- Importing one language by name

namespace {
struct TImportSource {
  TMemIniFile Ini;
  std::string Delimiter;
  int Column = 0;  // the language's number in the file
};

bool OpenImport(TImportSource& Src, const std::string& FileName, const std::string& LanguageName,
                bool Raise) {
  if (!FileExists(FileName) || LanguageName.empty()) return false;
  Src.Ini.SetText(StoredTextToUtf8(FileBytes(FileName)));
  Src.Delimiter = Src.Ini.ReadString("OPTIONS", "DELIMITER", kDefaultDelimiter);
  if (Src.Delimiter.empty()) Src.Delimiter = kDefaultDelimiter;
  for (int n = 1;; ++n) {
    std::string name = Src.Ini.ReadString(kNamesSection, "Language_" + IntToStr(n), "");
    if (name.empty()) break;
    if (name == LanguageName) {
      Src.Column = n;
      return true;
    }
  }
  if (Raise) throw Exception(LanguageName + " not found in " + FileName);
  return false;
}

// The k-th text of a value.
std::string NthText(const std::string& Value, const std::string& Delimiter, int K) {
  size_t start = 0;
  for (int i = 1; i < K; ++i) {
    size_t at = Value.find(Delimiter, start);
    if (at == std::string::npos) return {};
    start = at + Delimiter.size();
  }
  size_t end = Value.find(Delimiter, start);
  return Value.substr(start, end == std::string::npos ? std::string::npos : end - start);
}
}  // namespace

// The column the imported language goes to: its own if it is known, else a
// new last one.
int TlxCustomLang::ImportColumn(const std::string& LanguageName) {
  const int column = lang_names_->IndexOf(LanguageName) + 1;
  if (column != 0) return column;
  lang_names_->Add(LanguageName);
  num_of_languages_ += 1;
  return num_of_languages_;
}

void TlxCustomLang::ImportLanguageKind(TStringsType Kind, const std::string& FileName,
                                       const std::string& LanguageName) {
  TStrings* list = GetKindList(Kind);
  if (!list) return;
  TImportSource src;
  if (!OpenImport(src, FileName, LanguageName, do_raise_exceptions_)) return;
  try {
    const int target = ImportColumn(LanguageName);
    const char D = Delim();
    const std::string prefix = OwnerClassName() + ".";
    TStringList keys, values;
    src.Ini.ReadSection(KindSectionNames[Kind], &keys);
    src.Ini.ReadSectionValues(KindSectionNames[Kind], &values);
    for (int i = 0; i < keys.Count(); ++i) {
      const std::string key = keys.Strings(i);
      if (key.compare(0, prefix.size(), prefix) != 0) continue;
      const std::string id = key.substr(prefix.size());
      const std::string text = NthText(values.Strings(i), src.Delimiter, src.Column);
      bool found = false;
      for (int j = 0; j < list->Count() && !found; ++j)
        found = list->Strings(j).compare(0, id.size() + 1, id + D) == 0;
      if (found) {
        SetEntryValue(list, text, target, id);
      } else {
        std::string line = id + D;
        for (int n = 1; n <= num_of_languages_; ++n) line += (n == target ? text : "") + D;
        list->Add(line);
      }
    }
    AfterKindChange(list, Kind);
  } catch (const std::exception&) {
  }
}

void TlxCustomLang::ImportLanguageExtended(const std::string& FileName,
                                           const std::string& LanguageName) {
  TImportSource src;
  if (!OpenImport(src, FileName, LanguageName, do_raise_exceptions_)) return;
  try {
    const int target = ImportColumn(LanguageName);
    const char D = Delim();
    const std::string prefix = OwnerClassName() + ".";
    TStringList keys;
    src.Ini.ReadSection("Extended", &keys);
    for (int i = 0; i < keys.Count(); ++i) {
      const std::string key = keys.Strings(i);
      if (key.compare(0, prefix.size(), prefix) != 0) continue;
      if (key.size() >= 9 && key.compare(key.size() - 9, 9, "_TypeKind") == 0) continue;
      const std::string id = key.substr(prefix.size());
      const std::string text =
          NthText(src.Ini.ReadString("Extended", key, ""), src.Delimiter, src.Column);
      TlxExtendedItem* item = extended_->Find(id);
      std::string values;
      for (int n = 1; n <= num_of_languages_; ++n)
        values += (n == target ? text : item ? ExtractWord(n, item->Values(), D) : "") + D;
      if (!item) {
        item = extended_->Add();
        item->SetIdentifier(id);
        std::string kind = src.Ini.ReadString("Extended", key + "_TypeKind", "tkUnknown");
        item->SetPropertyType(StringToTypeKind(kind));
      }
      item->SetValues(values);
    }
    if (!bulk_load_) ApplyLanguage();
  } catch (const std::exception&) {
  }
}

void TlxCustomLang::ImportLanguage(const std::string& FileName, const std::string& LanguageName) {
  TBulkLoad bulk(this);
  for (int k = 0; k < StringsTypeCount; ++k) {
    const auto kind = static_cast<TStringsType>(k);
    ImportLanguageKind(kind, FileName, LanguageName);
    if (TStrings* l = GetKindList(kind)) MoveOrphanEntries(l, kind);
  }
  ImportLanguageExtended(FileName, LanguageName);
  RebuildCaches();
  ApplyLanguage();
}
