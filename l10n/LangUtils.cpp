#include "l10n/LangUtils.h"

#include <array>

#include "rtl/Codepage.h"
#include "rtl/StrUtils.h"
#include "rtl/TypInfo.h"

std::string ExtractField(std::string_view Text, char D, int N) {
  if (Text.empty() || N < 0) return {};
  size_t start = 0;
  size_t pos = Text.find(D, 1);
  for (int i = 0; i < N; ++i) {
    if (pos == std::string_view::npos) return {};
    start = pos + 1;
    pos = Text.find(D, start);
  }
  size_t end = pos == std::string_view::npos ? Text.size() : pos;
  return std::string(Text.substr(start, end - start));
}

int WordPosition(int N, std::string_view Text, char D) {
  const int len = static_cast<int>(Text.size());
  int count = 0, i = 1;
  while (i <= len && count != N) {
    if (Text[static_cast<size_t>(i - 1)] == D) ++i;  // exactly one delimiter
    if (i <= len) ++count;
    if (count != N) {
      while (i <= len && Text[static_cast<size_t>(i - 1)] != D) ++i;
    } else {
      return i;
    }
  }
  return N <= 0 ? 0 : len;
}

std::string ExtractWord(int N, std::string_view Text, char D) {
  int pos = WordPosition(N, Text, D);
  if (pos == 0 || pos == static_cast<int>(Text.size())) return {};
  size_t start = static_cast<size_t>(pos - 1);
  size_t end = Text.find(D, start);
  if (end == std::string_view::npos) end = Text.size();
  return std::string(Text.substr(start, end - start));
}

int WordCount(std::string_view Text, char D) {
  int n = 0;
  for (char c : Text) n += c == D;
  return n;
}

int FastPos(std::string_view Pattern, std::string_view Text) {
  if (Pattern.empty()) return 1;
  const size_t m = Pattern.size();
  if (m > Text.size()) return 0;
  std::array<size_t, 256> shift;
  shift.fill(m);
  for (size_t i = 0; i + 1 < m; ++i) shift[static_cast<uint8_t>(Pattern[i])] = m - 1 - i;
  size_t at = 0;
  while (at + m <= Text.size()) {
    if (Text.compare(at, m, Pattern) == 0) return static_cast<int>(at + 1);
    at += shift[static_cast<uint8_t>(Text[at + m - 1])];
  }
  return 0;
}

std::string ReplaceText(std::string_view Text, std::string_view Old, std::string_view New,
                        bool All) {
  if (Old.empty()) return std::string(Text);
  std::string out;
  size_t start = 0;
  for (;;) {
    size_t at = Text.find(Old, start);
    if (at == std::string_view::npos) break;
    out.append(Text.substr(start, at - start));
    out.append(New);
    start = at + Old.size();
    if (!All) break;
  }
  out.append(Text.substr(start));
  return out;
}

std::string TestModeText(std::string_view Line, char D) {
  return AnsiUpperCase(ExtractField(Line, D, 1));
}

std::string LineKey(std::string_view Line, char D) {
  return std::string(Line.substr(0, Line.find(D)));
}

bool StartsText(std::string_view Prefix, std::string_view Line) {
  return Line.size() >= Prefix.size() && AnsiSameText(Line.substr(0, Prefix.size()), Prefix);
}

std::string EncodeLineBreaks(std::string_view Text) {
  std::string out(Text);
  for (char& c : out) {
    if (c == '\r')
      c = 25;
    else if (c == '\n')
      c = 26;
  }
  return out;
}

std::string DecodeLineBreaks(std::string_view Text) {
  std::string out(Text);
  for (char& c : out) {
    if (c == 25)
      c = '\r';
    else if (c == 26)
      c = '\n';
  }
  return out;
}

std::string StoredTextToUtf8(std::string_view Bytes) {
  return IsValidUtf8(Bytes) ? std::string(Bytes) : Cp1252ToUtf8(Bytes);
}

const TCharsetIdent CharsetIdents[19] = {
    {"ANSI_CHARSET", 0},      {"DEFAULT_CHARSET", 1},    {"SYMBOL_CHARSET", 2},
    {"MAC_CHARSET", 77},      {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129},
    {"JOHAB_CHARSET", 130},   {"GB2312_CHARSET", 134},   {"CHINESEBIG5_CHARSET", 136},
    {"GREEK_CHARSET", 161},   {"TURKISH_CHARSET", 162},  {"VIETNAMESE_CHARSET", 163},
    {"HEBREW_CHARSET", 177},  {"ARABIC_CHARSET", 178},   {"BALTIC_CHARSET", 186},
    {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},     {"EASTEUROPE_CHARSET", 238},
    {"OEM_CHARSET", 255}};

std::string CharsetName(int32_t Value) {
  for (const auto& c : CharsetIdents)
    if (c.Value == Value) return c.Name;
  return {};
}

bool CharsetFromName(std::string_view Name, bool IgnoreCase, int32_t& Value) {
  for (const auto& c : CharsetIdents) {
    if (IgnoreCase ? SameText(Name, c.Name) : Name == c.Name) {
      Value = c.Value;
      return true;
    }
  }
  return false;
}

bool HasStringProperty(TObject* Instance, std::string_view Name) {
  const TPropInfo* p = Instance ? GetPropInfo(Instance, Name) : nullptr;
  return p && (p->Kind() == tkString || p->Kind() == tkLString || p->Kind() == tkWString);
}

bool HasClassProperty(TObject* Instance, std::string_view Name, std::string_view ClassName) {
  const TPropInfo* p = Instance ? GetPropInfo(Instance, Name) : nullptr;
  if (!p || p->Kind() != tkClass) return false;
  // The declared class or one of its ancestors carries the name.
  for (TClass c = p->PropType->ClassType(); c; c = c->Parent)
    if (SameText(c->Name, ClassName)) return true;
  return false;
}

const TPropInfo* ReadWriteProp(TObject* Instance, std::string_view Name) {
  const TPropInfo* p = Instance ? GetPropInfo(Instance, Name) : nullptr;
  return p && p->Readable() && p->Writable() ? p : nullptr;
}
