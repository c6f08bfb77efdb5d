#include "crypto/PassPhrase.h"

#include <cstdint>

namespace {
// Characters of the bytes 0x80..0x9F in Windows-1252; the five bytes the code
// page leaves undefined map to the control characters of the same number.
constexpr uint16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int Cp1252Byte(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == cp) return 0x80 + i;
  return -1;
}

// Decodes one UTF-8 sequence at s[i]; false for an invalid one.
bool NextCodePoint(const std::string& s, size_t& i, uint32_t& cp) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t c = b(i);
  int len;
  if (c < 0x80) {
    cp = c;
    len = 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    cp = c & 0x1F;
    len = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    cp = c & 0x0F;
    len = 3;
  } else if (c >= 0xF0 && c <= 0xF4) {
    cp = c & 0x07;
    len = 4;
  } else {
    return false;
  }
  if (i + len > s.size()) return false;
  for (int k = 1; k < len; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return false;
    cp = cp << 6 | (b(i + k) & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return false;
  i += len;
  return true;
}
}  // namespace

std::string PassPhraseBytes(const std::string& PassPhrase) {
  std::string out;
  out.reserve(PassPhrase.size());
  for (size_t i = 0; i < PassPhrase.size();) {
    uint32_t cp;
    if (!NextCodePoint(PassPhrase, i, cp)) return PassPhrase;
    const int byte = Cp1252Byte(cp);
    if (byte < 0) return PassPhrase;
    out.push_back(static_cast<char>(byte));
  }
  return out;
}
