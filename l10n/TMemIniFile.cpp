#include "l10n/TMemIniFile.h"

#include "rtl/DateTimeText.h"

#include <algorithm>
#include <iterator>
#include <map>

#include "rtl/FileUtils.h"
#include "rtl/FormatSettings.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"
#include "rtl/TStrings.h"

RTL_DEFINE_CLASS(TCustomIniFile, TObject)
RTL_DEFINE_CLASS(TMemIniFile, TCustomIniFile)

// ---- TCustomIniFile

int32_t TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident,
                                    int32_t Default) {
  std::string text = ReadString(Section, Ident, "");
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.erase(0, 1);  // "0x1F" -> "$1F"
    text[0] = '$';
  }
  int32_t value;
  return TryStrToInt(text, value) ? value : Default;
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident,
                                  int32_t Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& Section, const std::string& Ident,
                                 double Default) {
  std::string text = ReadString(Section, Ident, "");
  if (text.empty()) return Default;
  std::replace(text.begin(), text.end(), FormatSettings.DecimalSeparator, '.');
  double value;
  return TryStrToFloat(text, value) ? value : Default;
}

void TCustomIniFile::WriteFloat(const std::string& Section, const std::string& Ident,
                                double Value) {
  std::string text = FloatToStr(Value);
  std::replace(text.begin(), text.end(), '.', FormatSettings.DecimalSeparator);
  WriteString(Section, Ident, text);
}

namespace {
TDateTime ReadWith(TCustomIniFile* ini, const std::string& Section, const std::string& Ident,
                   TDateTime Default, bool (*Convert)(const std::string&, TDateTime&)) {
  const std::string text = ini->ReadString(Section, Ident, "");
  TDateTime value;
  return !text.empty() && Convert(text, value) ? value : Default;
}
}  // namespace

TDateTime TCustomIniFile::ReadDate(const std::string& Section, const std::string& Ident,
                                   TDateTime Default) {
  return ReadWith(this, Section, Ident, Default, TryStrToDate);
}

TDateTime TCustomIniFile::ReadDateTime(const std::string& Section, const std::string& Ident,
                                       TDateTime Default) {
  return ReadWith(this, Section, Ident, Default, TryStrToDateTime);
}

TDateTime TCustomIniFile::ReadTime(const std::string& Section, const std::string& Ident,
                                   TDateTime Default) {
  return ReadWith(this, Section, Ident, Default, TryStrToTime);
}

void TCustomIniFile::WriteDate(const std::string& Section, const std::string& Ident, TDateTime Value) {
  WriteString(Section, Ident, DateToStr(Value));
}

void TCustomIniFile::WriteDateTime(const std::string& Section, const std::string& Ident,
                                   TDateTime Value) {
  WriteString(Section, Ident, DateTimeToStr(Value));
}

void TCustomIniFile::WriteTime(const std::string& Section, const std::string& Ident, TDateTime Value) {
  WriteString(Section, Ident, TimeToStr(Value));
}

bool TCustomIniFile::SectionExists(const std::string& Section) {
  TStringList keys;
  ReadSection(Section, &keys);
  return keys.Count() > 0;
}

// ---- TMemIniEntry

size_t TMemIniEntry::LowerBound(const std::string& Name) const {
  auto it = std::lower_bound(
      keys_.begin(), keys_.end(), Name,
      [](const TKey& k, const std::string& n) { return CompareText(k.Name, n) < 0; });
  return static_cast<size_t>(it - keys_.begin());
}

void TMemIniEntry::AddLine(const std::string& Line) {
  auto eq = Line.find('=');
  if (eq == std::string::npos)
    Add(Line, "");
  else
    Add(Line.substr(0, eq), Line.substr(eq + 1));
}

namespace {
struct TNameLess {
  bool operator()(const std::string& A, const std::string& B) const { return CompareText(A, B) < 0; }
};
}  // namespace

void TMemIniEntry::AddLines(const std::vector<std::string>& Lines) {
  std::vector<TKey> added;
  added.reserve(Lines.size());
  for (const std::string& line : Lines) {
    auto eq = line.find('=');
    if (eq == std::string::npos)
      added.push_back(TKey{line, TMemIniValue("")});
    else
      added.push_back(TKey{line.substr(0, eq), TMemIniValue(line.substr(eq + 1))});
  }
  // Each key goes before the equal ones already there: the later of equal
  // new keys comes first, and all of them before the existing ones.
  std::reverse(added.begin(), added.end());
  auto less = [](const TKey& A, const TKey& B) { return CompareText(A.Name, B.Name) < 0; };
  std::stable_sort(added.begin(), added.end(), less);
  std::vector<TKey> merged;
  merged.reserve(added.size() + keys_.size());
  std::merge(std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()),
             std::make_move_iterator(keys_.begin()), std::make_move_iterator(keys_.end()),
             std::back_inserter(merged), less);
  keys_.swap(merged);
}

void TMemIniEntry::Add(const std::string& Name, const std::string& Value) {
  keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(LowerBound(Name)),
               TKey{Name, TMemIniValue(Value)});
}

void TMemIniEntry::Delete(int Index) {
  if (Index < 0 || Index >= Count()) return;
  keys_.erase(keys_.begin() + Index);
}

int TMemIniEntry::Find(const std::string& Name) const {
  size_t i = LowerBound(Name);
  return i < keys_.size() && CompareText(keys_[i].Name, Name) == 0 ? static_cast<int>(i) : -1;
}

void TMemIniEntry::Assign(TStrings* Lines) {
  Clear();
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(Lines->Count()));
  for (int i = 0; i < Lines->Count(); ++i) lines.push_back(Lines->Strings(i));
  AddLines(lines);
}

// ---- TMemIniFile

std::vector<std::string> SplitIniLines(const std::string& Text) {
  std::vector<std::string> lines;
  size_t start = 0, i = 0;
  while (i < Text.size()) {
    char c = Text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(Text.substr(start, i - start));
      i += (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < Text.size()) lines.push_back(Text.substr(start));
  return lines;
}

TMemIniFile::TMemIniFile(const std::string& FileName) : TCustomIniFile(FileName) {
  if (!FileName.empty() && FileExists(FileName)) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    std::string text(static_cast<size_t>(stream.Size()), '\0');
    text.resize(static_cast<size_t>(stream.Read(text.data(), static_cast<int64_t>(text.size()))));
    SetText(text);
  }
  modified_ = false;
}

TMemIniFile::~TMemIniFile() = default;

TMemIniEntry* TMemIniFile::FindSection(const std::string& Name) const {
  auto it = std::lower_bound(sections_.begin(), sections_.end(), Name,
                             [](const std::unique_ptr<TMemIniEntry>& e, const std::string& n) {
                               return CompareText(e->Name(), n) < 0;
                             });
  return it != sections_.end() && CompareText((*it)->Name(), Name) == 0 ? it->get() : nullptr;
}

TMemIniEntry* TMemIniFile::AddSection(const std::string& Name) {
  if (TMemIniEntry* e = FindSection(Name)) return e;
  auto it = std::lower_bound(sections_.begin(), sections_.end(), Name,
                             [](const std::unique_ptr<TMemIniEntry>& e, const std::string& n) {
                               return CompareText(e->Name(), n) < 0;
                             });
  return sections_.insert(it, std::make_unique<TMemIniEntry>(Name))->get();
}

std::string TMemIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
  TMemIniEntry* e = FindSection(Section);
  if (!e) return Default;
  int i = e->Find(Ident);
  return i < 0 ? Default : e->Values(i);
}

void TMemIniFile::WriteString(const std::string& Section, const std::string& Ident,
                              const std::string& Value) {
  TMemIniEntry* e = AddSection(Section);
  int i = e->Find(Ident);
  if (i >= 0) e->Delete(i);
  e->AddLine(Ident + "=" + Value);
  modified_ = true;
}

void TMemIniFile::ReadSection(const std::string& Section, TStrings* Strings) {
  Strings->BeginUpdate();
  Strings->Clear();
  if (TMemIniEntry* e = FindSection(Section))
    for (int i = 0; i < e->Count(); ++i) Strings->Add(e->Names(i));
  Strings->EndUpdate();
}

void TMemIniFile::ReadSections(TStrings* Strings) {
  Strings->BeginUpdate();
  for (auto& e : sections_) Strings->Add(e->Name());
  Strings->EndUpdate();
}

void TMemIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) {
  Strings->BeginUpdate();
  Strings->Clear();
  if (TMemIniEntry* e = FindSection(Section))
    for (int i = 0; i < e->Count(); ++i) Strings->Add(e->Values(i));
  Strings->EndUpdate();
}

void TMemIniFile::EraseSection(const std::string& Section) {
  auto it = std::find_if(sections_.begin(), sections_.end(),
                         [&](auto& e) { return CompareText(e->Name(), Section) == 0; });
  if (it == sections_.end()) return;
  sections_.erase(it);
  modified_ = true;
}

void TMemIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  TMemIniEntry* e = FindSection(Section);
  if (!e) return;
  int i = e->Find(Ident);
  if (i < 0) return;
  e->Delete(i);
  modified_ = true;
}

void TMemIniFile::UpdateFile() {
  TAtomicFileWriter writer(FileName());
  std::string text = GetText();
  writer.Stream()->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  writer.Commit();
  modified_ = false;
}

void TMemIniFile::Clear() {
  sections_.clear();
  modified_ = true;
}

void TMemIniFile::LoadLines(const std::vector<std::string>& Lines) {
  Clear();
  // Each section's key lines in the order of the text; a second header of a
  // section continues it under the first header's spelling.
  std::map<std::string, std::vector<std::string>, TNameLess> gathered;
  std::vector<std::string>* current = nullptr;
  for (const std::string& line : Lines) {
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      current = &gathered[line.substr(1, line.size() - 2)];
      continue;
    }
    if (current) current->push_back(line);
  }
  sections_.reserve(gathered.size());
  for (auto& [name, lines] : gathered) {
    sections_.push_back(std::make_unique<TMemIniEntry>(name));
    sections_.back()->AddLines(lines);
  }
}

void TMemIniFile::SetStrings(TStrings* Lines) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(Lines->Count()));
  for (int i = 0; i < Lines->Count(); ++i) lines.push_back(Lines->Strings(i));
  LoadLines(lines);
}

void TMemIniFile::SetText(const std::string& Text) {
  LoadLines(SplitIniLines(Text));
}

void TMemIniFile::GetStrings(TStrings* Lines) {
  Lines->BeginUpdate();
  Lines->Clear();
  for (auto& e : sections_) {
    Lines->Add("[" + e->Name() + "]");
    for (int i = 0; i < e->Count(); ++i) Lines->Add(e->Lines(i));
    Lines->Add("");
  }
  Lines->EndUpdate();
}

std::string TMemIniFile::GetText() {
  std::string out;
  for (auto& e : sections_) {
    out += "[" + e->Name() + "]\r\n";
    for (int i = 0; i < e->Count(); ++i) out += e->Lines(i) + "\r\n";
    out += "\r\n";
  }
  return out;
}
