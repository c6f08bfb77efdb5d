#include "crypto/TStringFormat.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace {

struct FormatList {
  std::mutex lock;
  std::vector<TStringFormatClass> classes;
};

FormatList& Formats();

int64_t LengthOf(const char* Value, int64_t Len) {
  if (Len < 0) return static_cast<int64_t>(std::strlen(Value));
  return Len;
}

}  // namespace

const TStringFormat* TStringFormat::Class() {
  static const TStringFormat instance;
  return &instance;
}
std::string TStringFormat::Parse(const char* Value, int64_t Len) const {
  if (!Value) return {};
  return std::string(Value, static_cast<size_t>(LengthOf(Value, Len)));
}
std::string TStringFormat::Render(const char* Value, int64_t Len) const { return Parse(Value, Len); }
std::string TStringFormat::DisplayName() const { return "copy Input to Output"; }
int TStringFormat::FormatId() const { return fmtCOPY; }
bool TStringFormat::Accepts(const char*, int64_t, bool) const { return true; }

namespace {

// Index of c among the first k characters of Alphabet, or -1.
int IndexIn(const std::string& Alphabet, size_t k, char c) {
  const size_t n = k < Alphabet.size() ? k : Alphabet.size();
  for (size_t i = 0; i < n; ++i)
    if (Alphabet[i] == c) return static_cast<int>(i);
  return -1;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

// Hexadecimal.

const TStringFormat* TStringFormat_HEX::Class() {
  static const TStringFormat_HEX instance;
  return &instance;
}
std::string TStringFormat_HEX::DisplayName() const { return "Hexadecimal"; }
int TStringFormat_HEX::FormatId() const { return fmtHEX; }
const std::string& TStringFormat_HEX::Alphabet() const {
  static const std::string a = std::string("0123456789ABCDEFX$") + " abcdefhHx()[]{},;:-_/\\*+\"'\t\n\r";
  return a;
}

std::string TStringFormat_HEX::Render(const char* Value, int64_t Len) const {
  if (!Value) return {};
  Len = LengthOf(Value, Len);
  const std::string& a = Alphabet();
  std::string out;
  out.reserve(static_cast<size_t>(Len) * 2);
  for (int64_t i = 0; i < Len; ++i) {
    const uint8_t b = static_cast<uint8_t>(Value[i]);
    out.push_back(a[b >> 4]);
    out.push_back(a[b & 15]);
  }
  return out;
}

std::string TStringFormat_HEX::Parse(const char* Value, int64_t Len) const {
  if (!Value) return {};
  Len = LengthOf(Value, Len);
  std::string out;
  out.reserve(static_cast<size_t>(Len / 2));
  int high = -1;  // the pending first digit of a pair
  for (int64_t i = 0; i < Len; ++i) {
    const char c = Value[i];
    const int d = HexDigit(c);
    if (d >= 0) {
      if (high < 0) {
        high = d;
      } else {
        out.push_back(static_cast<char>(high << 4 | d));
        high = -1;
      }
    } else if (c == 'X' || c == 'x' || c == '$') {
      // A prefix mark ("0x1F", "$1F") drops the unpaired "0" before it;
      // bytes already decoded are kept.
      high = -1;
    }
  }
  return out;
}

bool TStringFormat_HEX::Accepts(const char* Value, int64_t Len, bool ForParse) const {
  if (!ForParse) return true;
  if (!Value) return true;
  Len = LengthOf(Value, Len);
  const std::string& a = Alphabet();
  for (int64_t i = 0; i < Len; ++i)
    if (a.find(Value[i]) == std::string::npos) return false;
  return true;
}

const TStringFormat* TStringFormat_HEXL::Class() {
  static const TStringFormat_HEXL instance;
  return &instance;
}
std::string TStringFormat_HEXL::DisplayName() const { return "Hexadecimal lowercase"; }
int TStringFormat_HEXL::FormatId() const { return fmtHEXL; }
const std::string& TStringFormat_HEXL::Alphabet() const {
  static const std::string a = std::string("0123456789abcdefX$") + " ABCDEFhHx()[]{},;:-_/\\*+\"'\t\n\r";
  return a;
}

// MIME base 64.

const TStringFormat* TStringFormat_MIME64::Class() {
  static const TStringFormat_MIME64 instance;
  return &instance;
}
std::string TStringFormat_MIME64::DisplayName() const { return "MIME Base 64"; }
int TStringFormat_MIME64::FormatId() const { return fmtMIME64; }
const std::string& TStringFormat_MIME64::Alphabet() const {
  static const std::string a =
      std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=") +
      " $()[]{},;:-_\\*\"'\t\n\r";
  return a;
}

std::string TStringFormat_MIME64::Render(const char* Value, int64_t Len) const {
  if (!Value) return {};
  Len = LengthOf(Value, Len);
  const std::string& a = Alphabet();
  std::string out;
  out.reserve(static_cast<size_t>((Len + 2) / 3 * 4));
  for (int64_t i = 0; i < Len; i += 3) {
    const int64_t n = Len - i < 3 ? Len - i : 3;
    uint32_t v = 0;
    for (int k = 0; k < 3; ++k)
      v = v << 8 | (k < n ? static_cast<uint8_t>(Value[i + k]) : 0u);
    out.push_back(a[v >> 18 & 63]);
    out.push_back(a[v >> 12 & 63]);
    out.push_back(n > 1 ? a[v >> 6 & 63] : '=');
    out.push_back(n > 2 ? a[v & 63] : '=');
  }
  return out;
}

std::string TStringFormat_MIME64::Parse(const char* Value, int64_t Len) const {
  if (!Value) return {};
  Len = LengthOf(Value, Len);
  if (Len <= 0) return {};
  const std::string& a = Alphabet();
  // Only the 65 symbols count towards the length, so that blanks and line
  // breaks between them add no bytes.
  std::string text;
  text.reserve(static_cast<size_t>(Len) + 3);
  for (int64_t i = 0; i < Len; ++i)
    if (IndexIn(a, 65, Value[i]) >= 0) text.push_back(Value[i]);
  while (text.size() % 4 != 0) text.push_back('=');
  int64_t count = static_cast<int64_t>(text.size()) * 3 / 4;
  std::string out;
  out.reserve(static_cast<size_t>(count));
  size_t pos = 0;
  while (count > 0) {
    uint32_t v = 0;
    int got = 0;
    while (got < 4 && pos < text.size()) {
      const int idx = IndexIn(a, 65, text[pos++]);
      if (idx < 0) continue;
      if (idx == 64) {
        --count;
        v <<= 6;
      } else {
        v = v << 6 | static_cast<uint32_t>(idx);
      }
      ++got;
    }
    v <<= 6 * (4 - got);
    const int64_t keep = count < 3 ? count : 3;
    for (int64_t k = 0; k < keep; ++k) out.push_back(static_cast<char>(v >> (16 - 8 * k) & 0xFF));
    count -= 3;
    if (got < 4) break;
  }
  return out;
}

// UU and XX.

const TStringFormat* TStringFormat_UU::Class() {
  static const TStringFormat_UU instance;
  return &instance;
}
std::string TStringFormat_UU::DisplayName() const { return "UU Coding"; }
int TStringFormat_UU::FormatId() const { return fmtUU; }
const std::string& TStringFormat_UU::Alphabet() const {
  static const std::string a = [] {
    std::string s = "`";
    for (char c = '!'; c <= '_'; ++c) s.push_back(c);
    return s + " \t\n\r";
  }();
  return a;
}

namespace {
constexpr int64_t kUULineBytes = 45;
}

std::string TStringFormat_UU::Render(const char* Value, int64_t Len) const {
  if (!Value) return {};
  Len = LengthOf(Value, Len);
  const std::string& a = Alphabet();
  std::string out;
  out.reserve(static_cast<size_t>(Len / kUULineBytes + 1 + (Len + 2) / 3 * 4));
  for (int64_t line = 0; line < Len; line += kUULineBytes) {
    const int64_t n = Len - line < kUULineBytes ? Len - line : kUULineBytes;
    out.push_back(a[static_cast<size_t>(n)]);
    for (int64_t i = 0; i < n; i += 3) {
      uint32_t v = 0;
      for (int k = 0; k < 3; ++k)
        v = v << 8 | (i + k < n ? static_cast<uint8_t>(Value[line + i + k]) : 0u);
      for (int k = 3; k >= 0; --k) out.push_back(a[v >> (6 * k) & 63]);
    }
  }
  return out;
}

std::string TStringFormat_UU::Parse(const char* Value, int64_t Len) const {
  if (!Value) return {};
  Len = LengthOf(Value, Len);
  const std::string& a = Alphabet();
  std::string out;
  int64_t pos = 0;
  while (pos < Len) {
    // Blanks and line breaks between lines (and before the first) separate
    // lines; they are not length characters.
    if (IndexIn(a, 64, Value[pos]) < 0 && IndexIn(a, a.size(), Value[pos]) >= 0) {
      ++pos;
      continue;
    }
    const int n = IndexIn(a, 64, Value[pos++]);
    if (n < 0 || n > kUULineBytes)
      throw EStringFormat("Input is not an valid " + DisplayName() + " Format.");
    int remaining = n;
    while (remaining > 0) {
      uint32_t v = 0;
      int got = 0;
      while (got < 4 && pos < Len) {
        const int idx = IndexIn(a, 64, Value[pos++]);
        if (idx < 0) continue;
        v = v << 6 | static_cast<uint32_t>(idx);
        ++got;
      }
      v <<= 6 * (4 - got);
      const int keep = remaining < 3 ? remaining : 3;
      for (int k = 0; k < keep; ++k) out.push_back(static_cast<char>(v >> (16 - 8 * k) & 0xFF));
      remaining -= 3;
      if (got < 4) return out;  // the text ended inside a group
    }
  }
  return out;
}

bool TStringFormat_UU::Accepts(const char* Value, int64_t Len, bool ForParse) const {
  if (!ForParse) return true;
  if (!Value) return true;
  Len = LengthOf(Value, Len);
  const std::string& a = Alphabet();
  int64_t count = 0;
  for (int64_t i = 0; i < Len; ++i) {
    const int idx = IndexIn(a, a.size(), Value[i]);
    if (idx < 0) return false;
    if (count == 0) {
      if (idx >= 64) continue;  // a separator between lines
      if (idx > kUULineBytes) return false;
      count = 4 * ((idx + 2) / 3);
    } else if (idx < 64) {
      --count;
    }
  }
  return count == 0;
}

const TStringFormat* TStringFormat_XX::Class() {
  static const TStringFormat_XX instance;
  return &instance;
}
std::string TStringFormat_XX::DisplayName() const { return "XX Coding"; }
int TStringFormat_XX::FormatId() const { return fmtXX; }
const std::string& TStringFormat_XX::Alphabet() const {
  static const std::string a =
      std::string("+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") +
      " \"()[]'\t\n\r";
  return a;
}

namespace {
// The list starts with the six formats of the library, in this order.
FormatList& Formats() {
  static FormatList list{{},
                         {TStringFormat::Class(), TStringFormat_HEX::Class(),
                          TStringFormat_HEXL::Class(), TStringFormat_MIME64::Class(),
                          TStringFormat_UU::Class(), TStringFormat_XX::Class()}};
  return list;
}
}  // namespace

void RegisterStringFormatClasses(std::initializer_list<TStringFormatClass> Classes) {
  FormatList& list = Formats();
  std::lock_guard g(list.lock);
  for (TStringFormatClass c : Classes) {
    if (!c || c->FormatId() == -1) continue;
    bool replaced = false;
    for (TStringFormatClass& r : list.classes)
      if (r->FormatId() == c->FormatId()) {
        r = c;
        replaced = true;
        break;
      }
    if (!replaced) list.classes.push_back(c);
  }
}

TStringFormatClass FindStringFormat(int Id) {
  if (Id == -1) Id = DefaultStringFormatId;
  FormatList& list = Formats();
  std::lock_guard g(list.lock);
  for (TStringFormatClass c : list.classes)
    if (c->FormatId() == Id) return c;
  return nullptr;
}

namespace {
TStringFormatClass FormatOrRaise(int Id) {
  TStringFormatClass f = FindStringFormat(Id);
  if (!f) throw EStringFormat("String Format \"" + std::to_string(Id) + "\" not exists.");
  return f;
}
}  // namespace

std::string BinaryToFormat(const void* Value, int64_t Len, int Id) {
  if (!Value || Id == 0) return {};
  const char* v = static_cast<const char*>(Value);
  Len = LengthOf(v, Len);
  if (Len <= 0) return {};
  TStringFormatClass f = FormatOrRaise(Id);
  if (!f->Accepts(v, Len, false))
    throw EStringFormat("Input can not be convert to " + f->DisplayName() + " Format.");
  return f->Render(v, Len);
}

std::string BinaryToFormat(const std::string& Value, int Id) {
  return BinaryToFormat(Value.data(), static_cast<int64_t>(Value.size()), Id);
}

std::string FormatToBinary(const void* Value, int64_t Len, int Id) {
  if (!Value || Id == 0) return {};
  const char* v = static_cast<const char*>(Value);
  Len = LengthOf(v, Len);
  if (Len <= 0) return {};
  TStringFormatClass f = FormatOrRaise(Id);
  if (!f->Accepts(v, Len, true))
    throw EStringFormat("Input is not an valid " + f->DisplayName() + " Format.");
  return f->Parse(v, Len);
}

std::string FormatToBinary(const std::string& Value, int Id) {
  return FormatToBinary(Value.data(), static_cast<int64_t>(Value.size()), Id);
}
