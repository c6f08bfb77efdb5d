#include "rtl/Codepage.h"

namespace {
// 0x80..0x9F of Windows-1252; the rest of the upper half is Latin-1.
// Zero marks the undefined bytes, which map to the C1 control of equal value.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98
};
}  // namespace

int32_t Utf8DecodeAt(std::string_view s, std::size_t& i) {
  const std::size_t n = s.size();
  const uint8_t b0 = static_cast<uint8_t>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int len;
  uint32_t cp;
  uint32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    return -1;
  }
  if (n - i < static_cast<std::size_t>(len)) {
    ++i;
    return -1;
  }
  for (int k = 1; k < len; ++k) {
    const uint8_t b = static_cast<uint8_t>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return -1;
    }
    cp = cp << 6 | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return -1;
  }
  i += len;
  return static_cast<int32_t>(cp);
}

void Utf8Append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();)
    if (Utf8DecodeAt(s, i) < 0) return false;
  return true;
}

std::size_t Utf8Length(std::string_view s) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); ++count) Utf8DecodeAt(s, i);
  return count;
}

char32_t Cp1252ToUnicode(uint8_t b) {
  if (b < 0x80 || b >= 0xA0) return b;
  char16_t u = kHigh1252[b - 0x80];
  return u ? u : b;
}

int UnicodeToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int k = 0; k < 32; ++k) {
    char16_t u = kHigh1252[k];
    if (u ? u == cp : cp == static_cast<char32_t>(0x80 + k)) return 0x80 + k;
  }
  return -1;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) Utf8Append(out, Cp1252ToUnicode(static_cast<uint8_t>(c)));
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    int32_t cp = Utf8DecodeAt(text, i);
    int b = cp < 0 ? -1 : UnicodeToCp1252(static_cast<char32_t>(cp));
    out += b < 0 ? '?' : static_cast<char>(b);
  }
  return out;
}

bool IsCp1252Representable(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    int32_t cp = Utf8DecodeAt(text, i);
    if (cp < 0 || UnicodeToCp1252(static_cast<char32_t>(cp)) < 0) return false;
  }
  return true;
}

bool TryUtf8ToCp1252(std::string_view text, std::string& out) {
  if (!IsCp1252Representable(text)) return false;
  out = Utf8ToCp1252(text);
  return true;
}
