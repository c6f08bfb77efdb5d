#include "rtl/StrUtils.h"

#include <locale.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "rtl/Codepage.h"
#include "rtl/Exception.h"

// ---- Integers

namespace {
// The old runtime's integer syntax; Bits is 32 or 64.
bool ParseInteger(std::string_view s, int bits, int64_t& out) {
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n && s[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  bool hex = false;
  if (i < n && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return false;
  uint64_t value = 0;
  if (hex) {
    // Hexadecimal fills the type's width and wraps into its sign.
    const uint64_t limit = bits == 32 ? 0xFFFFFFFFu : UINT64_MAX;
    for (; i < n; ++i) {
      char c = s[i];
      int d = c >= '0' && c <= '9'   ? c - '0'
              : c >= 'A' && c <= 'F' ? c - 'A' + 10
              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                     : -1;
      if (d < 0 || value > (limit >> 4)) return false;
      value = value << 4 | static_cast<uint64_t>(d);
    }
    int64_t v = bits == 32 ? static_cast<int32_t>(static_cast<uint32_t>(value))
                           : static_cast<int64_t>(value);
    // Negating the most negative value wraps onto itself, as it did.
    out = negative ? static_cast<int64_t>(0 - static_cast<uint64_t>(v)) : v;
    if (bits == 32) out = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(out)));
    return true;
  }
  const uint64_t limit =
      (bits == 32 ? uint64_t{0x7FFFFFFF} : uint64_t{INT64_MAX}) + (negative ? 1 : 0);
  for (; i < n; ++i) {
    char c = s[i];
    if (c < '0' || c > '9') return false;
    uint64_t d = static_cast<uint64_t>(c - '0');
    if (value > (limit - d) / 10) return false;
    value = value * 10 + d;
  }
  out = negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
  return true;
}

[[noreturn]] void InvalidInteger(std::string_view s) {
  throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

std::string Hex(uint64_t v, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  do {
    out += kDigits[v & 15];
    v >>= 4;
  } while (v);
  if (digits > 32) digits = 32;
  while (static_cast<int>(out.size()) < digits) out += '0';
  std::reverse(out.begin(), out.end());
  return out;
}
}  // namespace

std::string IntToStr(int64_t Value) {
  return std::to_string(Value);
}

bool TryStrToInt(std::string_view S, int32_t& Value) {
  int64_t v;
  if (!ParseInteger(S, 32, v)) return false;
  Value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToInt(std::string_view S) {
  int32_t v;
  if (!TryStrToInt(S, v)) InvalidInteger(S);
  return v;
}

int32_t StrToIntDef(std::string_view S, int32_t Default) {
  int32_t v;
  return TryStrToInt(S, v) ? v : Default;
}

bool TryStrToInt64(std::string_view S, int64_t& Value) {
  return ParseInteger(S, 64, Value);
}

int64_t StrToInt64(std::string_view S) {
  int64_t v;
  if (!TryStrToInt64(S, v)) InvalidInteger(S);
  return v;
}

int64_t StrToInt64Def(std::string_view S, int64_t Default) {
  int64_t v;
  return TryStrToInt64(S, v) ? v : Default;
}

std::string IntToHex(int32_t Value, int Digits) {
  return Hex(static_cast<uint32_t>(Value), Digits);
}
std::string IntToHex(uint32_t Value, int Digits) {
  return Hex(Value, Digits);
}
std::string IntToHex(int64_t Value, int Digits) {
  return Hex(static_cast<uint64_t>(Value), Digits);
}
std::string IntToHex(uint64_t Value, int Digits) {
  return Hex(Value, Digits);
}

namespace {
bool TryHexToInt(std::string_view S, int32_t& Value) {
  // Only bare digits or one prefix: no spaces, no sign.
  std::string_view digits = S;
  if (digits.starts_with('$'))
    digits.remove_prefix(1);
  else if (digits.starts_with("0x") || digits.starts_with("0X"))
    digits.remove_prefix(2);
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c));
      }))
    return false;
  std::string text(1, '$');  // (not "$" + string: GCC 12 warns wrongly about it)
  text += digits;
  return TryStrToInt(text, Value);
}
}  // namespace

int32_t HexToInt(std::string_view S) {
  int32_t v;
  if (!TryHexToInt(S, v)) InvalidInteger(S);
  return v;
}

int32_t HexToIntDef(std::string_view S, int32_t Default) {
  int32_t v;
  return TryHexToInt(S, v) ? v : Default;
}

// ---- Floating point

namespace {
// A value as decimal digits: 0.d1d2d3... * 10^Exponent, no trailing zeros;
// zero has no digits.
struct TFloatDigits {
  bool Negative = false;
  std::string Digits;
  int Exponent = 0;
};

// Rounds to at most Precision significant digits and at most Decimals digits
// after the point. The old runtime first took 18 significant digits (the
// precision of its extended type) and then rounded those half away from
// zero; doing the same keeps "%.1f" of 0.25 at "0.3" and of 0.15 at "0.1".
TFloatDigits FloatToDecimal(double value, int precision, int decimals) {
  TFloatDigits r;
  r.Negative = std::signbit(value);
  if (value == 0) {
    r.Negative = false;
    return r;
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17e", std::fabs(value));
  std::string digits;
  const char* p = buf;
  // Keep the digits only: the point between them is the C library's
  // locale-dependent one.
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  r.Exponent = std::atoi(p + 1) + 1;
  int keep = std::min(precision, r.Exponent + std::min(decimals, 1000));
  if (keep < static_cast<int>(digits.size())) {
    if (keep < 0) {
      digits.clear();
    } else {
      bool up = digits[keep] >= '5';
      digits.resize(keep);
      if (up) {
        int k = keep - 1;
        while (k >= 0 && digits[k] == '9') digits[k--] = '0';
        if (k >= 0) {
          ++digits[k];
        } else {
          digits.insert(digits.begin(), '1');
          ++r.Exponent;
        }
      }
    }
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) {
    r.Negative = false;
    r.Exponent = 0;
  }
  r.Digits = std::move(digits);
  return r;
}

bool NonFinite(double v, std::string& out) {
  if (std::isnan(v)) {
    out = "NAN";
  } else if (std::isinf(v)) {
    out = v < 0 ? "-INF" : "INF";
  } else {
    return false;
  }
  return true;
}

std::string FormatGeneral(double value, int precision) {
  std::string out;
  if (NonFinite(value, out)) return out;
  TFloatDigits d = FloatToDecimal(value, precision, 9999);
  if (d.Digits.empty()) return "0";
  if (d.Negative) out += '-';
  const int n = static_cast<int>(d.Digits.size());
  if (d.Exponent > precision || d.Exponent < -3) {
    out += d.Digits[0];
    if (n > 1) out += '.' + d.Digits.substr(1);
    out += 'E' + std::to_string(d.Exponent - 1);
  } else if (d.Exponent <= 0) {
    out += "0." + std::string(-d.Exponent, '0') + d.Digits;
  } else if (d.Exponent >= n) {
    out += d.Digits + std::string(d.Exponent - n, '0');
  } else {
    out += d.Digits.substr(0, d.Exponent) + '.' + d.Digits.substr(d.Exponent);
  }
  return out;
}

std::string FormatFixed(double value, int decimals) {
  std::string out;
  if (NonFinite(value, out)) return out;
  TFloatDigits d = FloatToDecimal(value, 18, decimals);
  if (d.Negative) out += '-';
  const int n = static_cast<int>(d.Digits.size());
  auto digit = [&](int k) { return k >= 0 && k < n ? d.Digits[k] : '0'; };
  if (d.Exponent <= 0) {
    out += '0';
  } else {
    for (int k = 0; k < d.Exponent; ++k) out += digit(k);
  }
  if (decimals > 0) {
    out += '.';
    for (int k = 0; k < decimals; ++k) out += digit(d.Exponent + k);
  }
  return out;
}

[[noreturn]] void InvalidFloat(std::string_view s) {
  throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
}
}  // namespace

std::string FloatToStr(double Value) {
  return FormatGeneral(Value, 15);
}

bool TryStrToFloat(std::string_view S, double& Value) {
  std::size_t i = 0, n = S.size();
  while (i < n && S[i] == ' ') ++i;
  while (n > i && S[n - 1] == ' ') --n;
  const std::string text(S.substr(i, n - i));
  // Check the syntax ourselves: strtod also takes hexadecimal, "inf" and
  // "nan", which the old runtime refused.
  std::size_t k = 0;
  if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
  std::size_t digits = 0;
  while (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) ++k, ++digits;
  if (k < text.size() && text[k] == '.') {
    ++k;
    while (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) ++k, ++digits;
  }
  if (digits == 0) return false;
  if (k < text.size() && (text[k] == 'e' || text[k] == 'E')) {
    ++k;
    if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
    std::size_t exp_digits = 0;
    while (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) ++k, ++exp_digits;
    if (exp_digits == 0) return false;
  }
  if (k != text.size()) return false;
  // The C locale's decimal point, whatever the user's locale says.
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  double v = strtod_l(text.c_str(), nullptr, c_locale);
  if (std::isinf(v)) return false;  // overflow; underflow gives 0 or a denormal
  Value = v;
  return true;
}

double StrToFloat(std::string_view S) {
  double v;
  if (!TryStrToFloat(S, v)) InvalidFloat(S);
  return v;
}

double StrToFloatDef(std::string_view S, double Default) {
  double v;
  return TryStrToFloat(S, v) ? v : Default;
}

// ---- Case

char32_t AnsiUpperChar(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    if ((c <= 0x12F || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && (c & 1))
      return c - 1;
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && !(c & 1)) return c - 1;
    return c;
  }
  if (c >= 0x3B1 && c <= 0x3CB) return c == 0x3C2 ? 0x3A3 : c - 0x20;
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

char32_t AnsiLowerChar(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F) {
    if ((c <= 0x12F || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && !(c & 1))
      return c + 1;
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && (c & 1)) return c + 1;
    return c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

namespace {
template <typename Map>
std::string MapUtf8(std::string_view s, Map map) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    std::size_t start = i;
    int32_t cp = Utf8DecodeAt(s, i);
    if (cp < 0x80)  // ASCII, or a malformed byte kept as it is
      out += cp < 0 ? s[start] : static_cast<char>(map(static_cast<char32_t>(cp)));
    else
      Utf8Append(out, map(static_cast<char32_t>(cp)));
  }
  return out;
}
}  // namespace

std::string UpperCase(std::string_view S) {
  std::string out(S);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

std::string LowerCase(std::string_view S) {
  std::string out(S);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

std::string AnsiUpperCase(std::string_view S) {
  return MapUtf8(S, AnsiUpperChar);
}
std::string AnsiLowerCase(std::string_view S) {
  return MapUtf8(S, AnsiLowerChar);
}

int CompareStr(std::string_view S1, std::string_view S2) {
  const std::size_t n = std::min(S1.size(), S2.size());
  for (std::size_t i = 0; i < n; ++i)
    if (S1[i] != S2[i]) return static_cast<uint8_t>(S1[i]) - static_cast<uint8_t>(S2[i]);
  return S1.size() < S2.size() ? -1 : S1.size() > S2.size() ? 1 : 0;
}

int CompareText(std::string_view S1, std::string_view S2) {
  auto up = [](char c) {
    uint8_t b = static_cast<uint8_t>(c);
    return b >= 'a' && b <= 'z' ? b - 32 : b;
  };
  const std::size_t n = std::min(S1.size(), S2.size());
  for (std::size_t i = 0; i < n; ++i) {
    int d = up(S1[i]) - up(S2[i]);
    if (d) return d;
  }
  return S1.size() < S2.size() ? -1 : S1.size() > S2.size() ? 1 : 0;
}

bool SameText(std::string_view S1, std::string_view S2) {
  return CompareText(S1, S2) == 0;
}

int AnsiCompareText(std::string_view S1, std::string_view S2) {
  std::size_t i = 0, j = 0;
  while (i < S1.size() && j < S2.size()) {
    // A malformed byte sorts after every character.
    std::size_t i0 = i, j0 = j;
    int32_t a = Utf8DecodeAt(S1, i), b = Utf8DecodeAt(S2, j);
    int64_t ka =
        a < 0 ? 0x110000 + static_cast<uint8_t>(S1[i0]) : AnsiLowerChar(static_cast<char32_t>(a));
    int64_t kb =
        b < 0 ? 0x110000 + static_cast<uint8_t>(S2[j0]) : AnsiLowerChar(static_cast<char32_t>(b));
    if (ka != kb) return ka < kb ? -1 : 1;
  }
  if (i < S1.size()) return 1;
  if (j < S2.size()) return -1;
  return 0;
}

bool AnsiSameText(std::string_view S1, std::string_view S2) {
  return AnsiCompareText(S1, S2) == 0;
}

// ---- Trimming, searching, replacing

namespace {
bool Blank(char c) {
  return static_cast<uint8_t>(c) <= ' ';
}
}  // namespace

std::string Trim(std::string_view S) {
  return TrimLeft(TrimRight(S));
}

std::string TrimLeft(std::string_view S) {
  std::size_t i = 0;
  while (i < S.size() && Blank(S[i])) ++i;
  return std::string(S.substr(i));
}

std::string TrimRight(std::string_view S) {
  std::size_t n = S.size();
  while (n > 0 && Blank(S[n - 1])) --n;
  return std::string(S.substr(0, n));
}

int Pos(std::string_view SubStr, std::string_view S) {
  return PosEx(SubStr, S, 1);
}

int PosEx(std::string_view SubStr, std::string_view S, int64_t Offset) {
  if (SubStr.empty() || Offset < 1 || Offset > static_cast<int64_t>(S.size())) return 0;
  std::size_t at = S.find(SubStr, static_cast<std::size_t>(Offset - 1));
  return at == std::string_view::npos ? 0 : static_cast<int>(at + 1);
}

std::string Copy(std::string_view S, int64_t Index, int64_t Count) {
  if (Index < 1) Index = 1;
  const int64_t size = static_cast<int64_t>(S.size());
  if (Index > size || Count <= 0) return {};
  return std::string(S.substr(static_cast<std::size_t>(Index - 1),
                              static_cast<std::size_t>(std::min(Count, size - Index + 1))));
}

std::string StringReplace(std::string_view S, std::string_view OldPattern,
                          std::string_view NewPattern, TReplaceFlags Flags) {
  if (OldPattern.empty()) return std::string(S);
  // The upper-case copies keep every byte position (see AnsiUpperCase), so a
  // match found in them is cut from the original.
  std::string upper_s, upper_old;
  std::string_view hay = S, needle = OldPattern;
  if (Flags.Contains(rfIgnoreCase)) {
    upper_s = AnsiUpperCase(S);
    upper_old = AnsiUpperCase(OldPattern);
    hay = upper_s;
    needle = upper_old;
  }
  std::string out;
  std::size_t from = 0;
  while (from <= hay.size()) {
    std::size_t at = hay.find(needle, from);
    if (at == std::string_view::npos) break;
    out.append(S.substr(from, at - from));
    out.append(NewPattern);
    from = at + needle.size();
    if (!Flags.Contains(rfReplaceAll)) break;
  }
  out.append(S.substr(std::min(from, S.size())));
  return out;
}

// ---- Quoting

std::string QuotedStr(std::string_view S) {
  return AnsiQuotedStr(S, '\'');
}

std::string AnsiQuotedStr(std::string_view S, char Quote) {
  std::string out(1, Quote);
  for (char c : S) {
    if (c == Quote) out += Quote;
    out += c;
  }
  out += Quote;
  return out;
}

std::string AnsiExtractQuotedStr(std::string_view S, std::size_t& Pos, char Quote) {
  if (Pos >= S.size() || S[Pos] != Quote) return {};
  std::string out;
  std::size_t i = Pos + 1;
  while (i < S.size()) {
    if (S[i] == Quote) {
      if (i + 1 < S.size() && S[i + 1] == Quote) {
        out += Quote;
        i += 2;
        continue;
      }
      ++i;
      break;
    }
    out += S[i++];
  }
  Pos = i;
  return out;
}

std::string AnsiDequotedStr(std::string_view S, char Quote) {
  std::size_t pos = 0;
  std::string out = AnsiExtractQuotedStr(S, pos, Quote);
  return out.empty() ? std::string(S) : out;
}

// ---- Format

namespace {
[[noreturn]] void InvalidFormat(std::string_view fmt) {
  throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

// Cuts s to at most max characters, never inside a UTF-8 sequence.
std::string_view TakeChars(std::string_view s, std::size_t max) {
  std::size_t i = 0;
  for (std::size_t count = 0; i < s.size() && count < max; ++count) Utf8DecodeAt(s, i);
  return s.substr(0, i);
}
}  // namespace

std::string Format(std::string_view Fmt, std::initializer_list<TVarRec> Args) {
  const TVarRec* args = Args.begin();
  const std::size_t arg_count = Args.size();
  std::size_t next = 0;
  auto take = [&]() -> const TVarRec& {
    if (next >= arg_count) throw EConvertError("No argument for format '" + std::string(Fmt) + "'");
    return args[next++];
  };
  // Width and precision: digits or '*' (an integer argument).
  auto number = [&](std::size_t& i) -> int {
    if (i < Fmt.size() && Fmt[i] == '*') {
      ++i;
      const TVarRec& a = take();
      if (a.kind_ != TVarRec::vkInteger) InvalidFormat(Fmt);
      int64_t v = static_cast<int64_t>(a.bits_);
      return static_cast<int>(std::clamp<int64_t>(v, -1000000, 1000000));
    }
    int v = 0;
    while (i < Fmt.size() && Fmt[i] >= '0' && Fmt[i] <= '9') {
      v = v * 10 + (Fmt[i++] - '0');
      if (v > 1000000) InvalidFormat(Fmt);  // refuse absurd widths instead of allocating
    }
    return v;
  };

  std::string out;
  std::size_t i = 0;
  while (i < Fmt.size()) {
    char c = Fmt[i++];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i >= Fmt.size()) InvalidFormat(Fmt);
    if (Fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // ["index:"] ["-"] [width] ["." precision] type
    std::size_t spec = i;
    int value = -1;
    if (i < Fmt.size() && (Fmt[i] == '*' || (Fmt[i] >= '0' && Fmt[i] <= '9'))) value = number(i);
    if (i < Fmt.size() && Fmt[i] == ':') {
      if (value < 0 || Fmt[spec] == '*') InvalidFormat(Fmt);
      next = static_cast<std::size_t>(value);
      ++i;
      value = -1;
    }
    bool left = false;
    if (value < 0 && i < Fmt.size() && Fmt[i] == '-') {
      left = true;
      ++i;
    }
    int width = value;
    if (width < 0 && i < Fmt.size() && (Fmt[i] == '*' || (Fmt[i] >= '0' && Fmt[i] <= '9')))
      width = number(i);
    if (width < 0) {
      // "*" with a negative value: the old runtime took it as no width.
      width = 0;
    }
    int precision = -1;
    if (i < Fmt.size() && Fmt[i] == '.') {
      ++i;
      precision = number(i);
    }
    if (i >= Fmt.size()) InvalidFormat(Fmt);
    const char type = static_cast<char>(std::tolower(static_cast<unsigned char>(Fmt[i++])));
    const TVarRec& a = take();

    std::string field;
    switch (type) {
      case 'd':
      case 'u':
      case 'x': {
        if (a.kind_ != TVarRec::vkInteger) InvalidFormat(Fmt);
        bool negative = false;
        uint64_t magnitude;
        if (type == 'd') {
          negative = !a.unsigned_ && static_cast<int64_t>(a.bits_) < 0;
          magnitude = negative ? 0 - a.bits_ : a.bits_;
        } else {
          // Unsigned in the argument's own width: %u of -1 is 4294967295.
          magnitude = a.wide_ ? a.bits_ : static_cast<uint32_t>(a.bits_);
        }
        std::string digits = type == 'x' ? Hex(magnitude, 0) : std::to_string(magnitude);
        if (precision > static_cast<int>(digits.size()))
          digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
        field = negative ? "-" + digits : digits;
        break;
      }
      case 'f':
        if (a.kind_ != TVarRec::vkFloat) InvalidFormat(Fmt);
        field = FormatFixed(a.float_, precision < 0 ? 2 : std::min(precision, 18));
        break;
      case 'g':
        if (a.kind_ != TVarRec::vkFloat) InvalidFormat(Fmt);
        field = FormatGeneral(a.float_, precision <= 0 ? 15 : std::min(precision, 18));
        break;
      case 's': {
        std::string_view s;
        if (a.kind_ == TVarRec::vkString)
          s = a.str_;
        else if (a.kind_ == TVarRec::vkChar)
          s = std::string_view(&a.char_, 1);
        else
          InvalidFormat(Fmt);
        if (precision >= 0) s = TakeChars(s, static_cast<std::size_t>(precision));
        field = std::string(s);
        break;
      }
      default:
        InvalidFormat(Fmt);
    }
    std::size_t length = Utf8Length(field);
    std::size_t pad = static_cast<std::size_t>(width) > length ? width - length : 0;
    if (left) {
      out += field;
      out.append(pad, ' ');
    } else {
      out.append(pad, ' ');
      out += field;
    }
  }
  return out;
}
