// The user's language from the locale environment.

#include "platform/Locale.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

struct TLanguage {
  const char* Code;  // ISO 639-1
  WORD Primary;
};

const TLanguage kLanguages[] = {
    {"zh", LANG_CHINESE},    {"cs", LANG_CZECH},    {"de", LANG_GERMAN},  {"el", LANG_GREEK},
    {"en", LANG_ENGLISH},    {"es", LANG_SPANISH},  {"fi", LANG_FINNISH}, {"fr", LANG_FRENCH},
    {"it", LANG_ITALIAN},    {"ja", LANG_JAPANESE}, {"nl", LANG_DUTCH},   {"pl", LANG_POLISH},
    {"pt", LANG_PORTUGUESE}, {"ru", LANG_RUSSIAN},  {"sv", LANG_SWEDISH}, {"fa", LANG_FARSI},
};

struct TRegion {
  WORD Primary;
  const char* Country;
  WORD Sub;
};

// Sub-languages where the country matters to callers.
const TRegion kRegions[] = {
    {LANG_CHINESE, "TW", 1}, {LANG_CHINESE, "CN", 2},    {LANG_CHINESE, "HK", 3},
    {LANG_CHINESE, "SG", 4}, {LANG_ENGLISH, "US", 1},    {LANG_ENGLISH, "GB", 2},
    {LANG_ENGLISH, "AU", 3}, {LANG_ENGLISH, "CA", 4},    {LANG_SPANISH, "ES", 3},
    {LANG_SPANISH, "MX", 2}, {LANG_PORTUGUESE, "BR", 1}, {LANG_PORTUGUESE, "PT", 2},
    {LANG_GERMAN, "DE", 1},  {LANG_GERMAN, "CH", 2},     {LANG_GERMAN, "AT", 3},
    {LANG_FRENCH, "FR", 1},  {LANG_FRENCH, "BE", 2},     {LANG_FRENCH, "CA", 3},
    {LANG_FRENCH, "CH", 4},  {LANG_ITALIAN, "IT", 1},    {LANG_ITALIAN, "CH", 2},
    {LANG_DUTCH, "NL", 1},   {LANG_DUTCH, "BE", 2},
};

const char* LocaleName() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return "";
}

}  // namespace

LANGID LangIdFromLocaleName(const std::string& name) {
  const LANGID english = MAKELANGID(LANG_ENGLISH, 1);
  if (name.size() < 2) return english;
  char lang[3] = {char(std::tolower(static_cast<unsigned char>(name[0]))),
                  char(std::tolower(static_cast<unsigned char>(name[1]))), 0};
  // Two letters, then the end or a separator: "es", "es_ES", "es.UTF-8", "es@euro".
  if (name.size() > 2 && name[2] != '_' && name[2] != '-' && name[2] != '.' && name[2] != '@')
    return english;
  WORD primary = 0;
  for (const TLanguage& l : kLanguages)
    if (std::strcmp(l.Code, lang) == 0) primary = l.Primary;
  if (!primary) return english;
  WORD sub = 1;
  if (name.size() >= 5 && (name[2] == '_' || name[2] == '-')) {
    char country[3] = {char(std::toupper(static_cast<unsigned char>(name[3]))),
                       char(std::toupper(static_cast<unsigned char>(name[4]))), 0};
    for (const TRegion& r : kRegions)
      if (r.Primary == primary && std::strcmp(r.Country, country) == 0) sub = r.Sub;
  } else if (primary == LANG_SPANISH) {
    sub = 3;
  } else if (primary == LANG_CHINESE) {
    sub = 2;
  }
  return MAKELANGID(primary, sub);
}

LANGID GetUserDefaultLangID() {
  return LangIdFromLocaleName(LocaleName());
}
LANGID GetSystemDefaultLangID() {
  return GetUserDefaultLangID();
}
HKL GetKeyboardLayout(DWORD) {
  LANGID id = GetUserDefaultLangID();
  return HKL(id) | (HKL(id) << 16);
}
LCID GetUserDefaultLCID() {
  return LCID(GetUserDefaultLangID());
}

int32_t GetLocaleInfo(LCID, DWORD type, char* data, int32_t size) {
  const char* answer = nullptr;
  if (type == LOCALE_IDEFAULTANSICODEPAGE) answer = "1252";
  if (!answer) return 0;
  int32_t need = int32_t(std::strlen(answer)) + 1;
  if (size == 0) return need;
  if (!data || size < need) return 0;
  std::memcpy(data, answer, size_t(need));
  return need;
}

bool IsValidCodePage(UINT codePage) {
  return codePage == 1252 || codePage == 65001 || codePage == 437;
}
