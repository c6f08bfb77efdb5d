// Stand-in for rtl/StrUtils.h until that header is merged; same signatures.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rtl/Exception.h"

inline int CompareStr(std::string_view a, std::string_view b) {
  int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}
inline int CompareText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return x - y;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}
inline bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }
inline int AnsiCompareText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return x - y;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}
inline std::string IntToStr(int64_t v) { return std::to_string(v); }
inline bool TryStrToInt64(std::string_view s, int64_t& v) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  if (i < s.size() && s[i] == '+') ++i;
  auto r = std::from_chars(s.data() + i, s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && i < s.size();
}
inline bool TryStrToInt(std::string_view s, int32_t& v) {
  int64_t w;
  if (!TryStrToInt64(s, w) || w < INT32_MIN || w > INT32_MAX) return false;
  v = static_cast<int32_t>(w);
  return true;
}
inline int32_t StrToInt(std::string_view s) {
  int32_t v;
  if (!TryStrToInt(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
  return v;
}
inline std::string FloatToStr(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}
inline bool TryStrToFloat(std::string_view s, double& v) {
  std::string t(s);
  char* end = nullptr;
  v = std::strtod(t.c_str(), &end);
  return !t.empty() && end == t.c_str() + t.size();
}
inline std::string AnsiQuotedStr(std::string_view S, char Quote) {
  std::string out(1, Quote);
  for (char c : S) {
    if (c == Quote) out += Quote;
    out += c;
  }
  out += Quote;
  return out;
}
inline std::string AnsiExtractQuotedStr(std::string_view S, std::size_t& Pos, char Quote) {
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
