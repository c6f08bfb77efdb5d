#include "imaging/view/IEDialogFilter.h"

#include "imaging/io/IEFormats.h"
#include "rtl/FileUtils.h"
#include "rtl/StrUtils.h"

namespace {

std::string LowerExt(const TIOFormatEntry& e, int32_t Index) {
  return LowerCase(GetFormatExtension(e.TypeId, Index));
}

bool IsPatternEnd(char c) { return c == ';' || c == ')' || c == '|'; }

}  // namespace

std::string BuildImageFilter(bool ForSave, TMsgLanguage Language, bool WithVideo) {
  // The GIF entry follows the availability of its coders; this build's
  // registry sets its routines when it is made, so there is nothing to refresh.
  std::string all, entries;
  const int32_t count = FormatCount();
  for (int32_t i = 0; i < count; ++i) {
    const TIOFormatEntry* e = FormatAt(i);
    if (!e) continue;
    if (ForSave ? e->WriteProc == nullptr : e->ReadProc == nullptr) continue;
    const int32_t n = CountFormatExtensions(e->TypeId);
    if (n <= 0) continue;
    std::string p = "*." + LowerExt(*e, 0);
    // Built-in formats join the "all graphics" list with their first
    // extension, separated by ";".
    if (e->IsBuiltIn) all += (all.empty() ? "" : ";") + p;
    for (int32_t k = 1; k < n; ++k) p += ";*." + LowerExt(*e, k);
    entries += "|" + e->Description + " (" + p + ")|" + p;
  }
  if (WithVideo) {
    all += ";*.avi";
    entries += "|" + GetDialogWord(125, Language) + " (*.avi)|*.avi";
    if (!ForSave) {
      all += ";*.mpg;*.wmv";
      entries += "|Mpeg (*.mpeg;*.mpg)|*.mpeg;*.mpg";
      entries += "|Windows Media Video (*.wmv)|*.wmv";
    }
  }
  if (ForSave) return entries.empty() ? entries : entries.substr(1);
  return GetDialogWord(131, Language) + " (" + all + ")|" + all + "|" +
         GetDialogWord(132, Language) + " (*.*)|*.*" + entries;
}

int32_t FilterIndexOfFileName(const std::string& Filter, const std::string& FileName) {
  const std::string ext = LowerCase(ExtractFileExt(FileName));
  if (ext.size() < 2) return 1;
  const std::string needle = "*" + ext;
  for (size_t at = Filter.find(needle); at != std::string::npos;
       at = Filter.find(needle, at + 1)) {
    const size_t end = at + needle.size();
    if (end < Filter.size() && !IsPatternEnd(Filter[end])) continue;
    int32_t bars = 0;
    for (size_t i = 0; i < at; ++i)
      if (Filter[i] == '|') ++bars;
    return bars / 2 + 1;
  }
  return 1;
}

int32_t FilterEntryCount(const std::string& Filter) {
  if (Filter.empty()) return 0;
  int32_t bars = 0;
  for (char c : Filter)
    if (c == '|') ++bars;
  return (bars + 1) / 2;
}

std::string FilterPattern(const std::string& Filter, int32_t Index) {
  if (Index < 1) return {};
  // The pattern of entry k is field 2k (1-based) of the "|"-separated list.
  const int32_t field = 2 * Index;
  int32_t f = 1;
  size_t start = 0;
  for (size_t i = 0; i <= Filter.size(); ++i) {
    if (i == Filter.size() || Filter[i] == '|') {
      if (f == field) return Filter.substr(start, i - start);
      ++f;
      start = i + 1;
    }
  }
  return {};
}

std::string FilterToZeroList(const std::string& Filter) {
  std::string out = Filter;
  for (char& c : out)
    if (c == '|') c = '\0';
  out.push_back('\0');
  out.push_back('\0');
  return out;
}

std::string PatternFirstExtension(const std::string& Pattern) {
  const size_t dot = Pattern.find('.');
  if (dot == std::string::npos) return {};
  const size_t semi = Pattern.find(';', dot);
  std::string ext = Pattern.substr(dot, semi == std::string::npos ? std::string::npos : semi - dot);
  // "*.*" and the like stand for any extension: no extension to add.
  if (ext.find_first_of("*?") != std::string::npos || ext.size() < 2) return {};
  return ext;
}

std::string PatternLastExtension(const std::string& Pattern) {
  const size_t dot = Pattern.rfind('.');
  if (dot == std::string::npos) return {};
  std::string ext = Pattern.substr(dot);
  if (ext.find_first_of("*?;") != std::string::npos || ext.size() < 2) return {};
  return ext;
}

std::string NameExtension(const std::string& FileName) {
  const std::string name = ExtractFileName(FileName);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return {};
  return name.substr(dot);
}

std::string ReplaceNameExtension(const std::string& FileSpec, const std::string& Extension) {
  std::string name = ExtractFileName(FileSpec);
  // The name is cut before its first dot, so "my.photo.jpg" becomes "my" and
  // a name with a double extension ("pic.tar.jpg") loses both. A dot that
  // begins the name is part of it: ".hidden" keeps its name, as a file with
  // that name has no extension to replace.
  const size_t dot = name.find('.', 1);
  if (dot != std::string::npos) name.resize(dot);
  return name + Extension;
}

TIENameFormat FindNameFormat(const std::string& FileName, const std::string& DefaultExt,
                             const std::string& Pattern) {
  TIENameFormat out;
  std::string ext = LowerCase(NameExtension(FileName));
  if (ext.empty()) ext = LowerCase(DefaultExt);
  if (const TIOFormatEntry* e = FindFormatInfoByExtension(ext)) {
    out.Pages = e->DialogPages;
    out.TypeId = e->TypeId;
  }
  if (out.Pages == 0 && out.TypeId == 0 && !Pattern.empty()) {
    if (const TIOFormatEntry* e = FindFormatInfoByExtension(PatternLastExtension(Pattern))) {
      out.Pages = e->DialogPages;
      out.TypeId = e->TypeId;
    }
  }
  return out;
}
