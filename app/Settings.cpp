#include "app/Settings.h"

#include <cerrno>
#include <cstdlib>

#include "app/TfrmOptions.h"
#include "platform/Registry.h"
#include "rtl/Exception.h"

namespace {
// Opens (creating when missing) the program's key and the section below it.
HKEY OpenSection(const std::string& Section, bool Create) {
  const std::string path = std::string(kSettingsKey) + "\\" + Section;
  HKEY root = nullptr;
  // The program's key is created on every access, reads included.
  if (RegCreateKeyEx(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                     nullptr) != ERROR_SUCCESS)
    root = nullptr;
  if (root) RegCloseKey(root);
  HKEY key = nullptr;
  LONG rc = Create ? RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &key, nullptr)
                   : RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key);
  if (rc != ERROR_SUCCESS) {
    if (Create) throw Exception("Failed to create key " + path);
    return nullptr;
  }
  return key;
}

struct TKeyCloser {
  HKEY key;
  ~TKeyCloser() {
    if (key) RegCloseKey(key);
  }
};

// false when the value is missing.
bool ReadText(const std::string& Section, const std::string& Name, std::string& Out) {
  HKEY key = OpenSection(Section, false);
  if (!key) return false;
  TKeyCloser closer{key};
  DWORD type = 0, size = 0;
  if (RegQueryValueEx(key, Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw Exception("Invalid data type for '" + Name + "'");
  std::string data(size, '\0');
  if (size > 0 &&
      RegQueryValueEx(key, Name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
          ERROR_SUCCESS)
    return false;
  data.resize(size);
  while (!data.empty() && data.back() == '\0') data.pop_back();
  Out = data;
  return true;
}
}  // namespace

void WriteRegString(const std::string& Section, const std::string& Name, const std::string& Value) {
  HKEY key = OpenSection(Section, true);
  TKeyCloser closer{key};
  if (RegSetValueEx(key, Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                    DWORD(Value.size() + 1)) != ERROR_SUCCESS)
    throw Exception("Failed to set data for '" + Name + "'");
}

void WriteRegInteger(const std::string& Section, const std::string& Name, int32_t Value) {
  WriteRegString(Section, Name, std::to_string(Value));
}

void WriteRegBool(const std::string& Section, const std::string& Name, bool Value) {
  WriteRegInteger(Section, Name, Value ? 1 : 0);
}

std::string ReadRegString(const std::string& Section, const std::string& Name, const std::string& Default) {
  std::string text;
  return ReadText(Section, Name, text) ? text : Default;
}

int32_t ReadRegInteger(const std::string& Section, const std::string& Name, int32_t Default) {
  std::string text;
  if (!ReadText(Section, Name, text)) return Default;
  // Decimal text with an optional sign, within 32 bits.
  const char* s = text.c_str();
  if (*s == '\0' || *s == ' ') return Default;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(s, &end, 10);
  if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return Default;
  return int32_t(v);
}

bool ReadRegBool(const std::string& Section, const std::string& Name, bool Default) {
  return ReadRegInteger(Section, Name, Default ? 1 : 0) != 0;
}

void LoadSettings() {
  frmOptions->LoadOptions();
  frmOptions->ApplyDefaultCipher();
}
