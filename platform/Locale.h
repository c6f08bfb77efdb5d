#pragma once
// The user's language, from the locale environment (LC_ALL, then
// LC_MESSAGES, then LANG), as a language identifier: the primary language in
// the low 10 bits, the sub-language above.

#include <cstdint>
#include <string>

#include "platform/Types.h"

using LANGID = WORD;
using LCID = DWORD;

constexpr LANGID MAKELANGID(WORD primary, WORD sub) {
  return LANGID((sub << 10) | primary);
}
constexpr WORD PRIMARYLANGID(LANGID id) {
  return WORD(id & 0x3FF);
}
constexpr WORD SUBLANGID(LANGID id) {
  return WORD(id >> 10);
}

enum : WORD {
  LANG_NEUTRAL = 0x00,
  LANG_CHINESE = 0x04,
  LANG_CZECH = 0x05,
  LANG_GERMAN = 0x07,
  LANG_GREEK = 0x08,
  LANG_ENGLISH = 0x09,
  LANG_SPANISH = 0x0A,
  LANG_FINNISH = 0x0B,
  LANG_FRENCH = 0x0C,
  LANG_ITALIAN = 0x10,
  LANG_JAPANESE = 0x11,
  LANG_DUTCH = 0x13,
  LANG_POLISH = 0x15,
  LANG_PORTUGUESE = 0x16,
  LANG_RUSSIAN = 0x19,
  LANG_SWEDISH = 0x1D,
  LANG_FARSI = 0x29,
};
enum : WORD { SUBLANG_NEUTRAL = 0, SUBLANG_DEFAULT = 1, SUBLANG_SYS_DEFAULT = 2 };

LANGID GetUserDefaultLangID();
LCID GetUserDefaultLCID();
LANGID GetSystemDefaultLangID();
// The identifier for a locale name such as "es_ES.UTF-8" or "pt_BR"; English
// (United States) for names it does not know, "C" and "POSIX" included.
LANGID LangIdFromLocaleName(const std::string& name);

// Locale information: LOCALE_IDEFAULTANSICODEPAGE answers "1252" (the code
// page of the stored translation texts); others answer 0 (failure).
enum : DWORD { LOCALE_IDEFAULTANSICODEPAGE = 0x1004, LOCALE_SENGLANGUAGE = 0x1001 };
int32_t GetLocaleInfo(LCID locale, DWORD type, char* data, int32_t size);
inline int32_t GetLocaleInfoA(LCID l, DWORD t, char* d, int32_t s) {
  return GetLocaleInfo(l, t, d, s);
}
// The keyboard layout: the user's language in both halves.
using HKL = uintptr_t;
HKL GetKeyboardLayout(DWORD threadId);
bool IsValidCodePage(UINT codePage);
