#include "l10n/TlxPlatformRegistry.h"

#include <cstring>
#include <vector>

#include "platform/Registry.h"

namespace {
HKEY RootKey(TMyHKeyType Root) {
  switch (Root) {
    case lxHKEY_CURRENT_USER: return HKEY_CURRENT_USER;
    case lxHKEY_CLASSES_ROOT: return HKEY_CLASSES_ROOT;
    case lxHKEY_LOCAL_MACHINE: return HKEY_LOCAL_MACHINE;
    case lxHKEY_USERS: return HKEY_USERS;
    case lxHKEY_CURRENT_CONFIG: return HKEY_CURRENT_CONFIG;
    default: return HKEY_CURRENT_USER;
  }
}

// An open key, closed when it goes out of scope.
struct OpenKey {
  HKEY key = nullptr;
  OpenKey(TMyHKeyType Root, const std::string& Key, bool Create) {
    if (Create) {
      if (RegCreateKeyEx(RootKey(Root), Key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                         nullptr) != ERROR_SUCCESS)
        key = nullptr;
    } else if (RegOpenKeyEx(RootKey(Root), Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      key = nullptr;
    }
  }
  ~OpenKey() {
    if (key) RegCloseKey(key);
  }
};

std::optional<std::vector<BYTE>> Query(TMyHKeyType Root, const std::string& Key,
                                       const std::string& Name, DWORD Type) {
  OpenKey k(Root, Key, false);
  if (!k.key) return std::nullopt;
  DWORD type = 0, size = 0;
  if (RegQueryValueEx(k.key, Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != Type)
    return std::nullopt;
  std::vector<BYTE> data(size);
  if (RegQueryValueEx(k.key, Name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  data.resize(size);
  return data;
}
}  // namespace

void TlxPlatformRegistry::CreateKey(TMyHKeyType Root, const std::string& Key) {
  OpenKey k(Root, Key, true);
}

std::optional<std::string> TlxPlatformRegistry::ReadString(TMyHKeyType Root, const std::string& Key,
                                                           const std::string& Name) {
  auto data = Query(Root, Key, Name, REG_SZ);
  if (!data) return std::nullopt;
  std::string text(data->begin(), data->end());
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

std::optional<int32_t> TlxPlatformRegistry::ReadInteger(TMyHKeyType Root, const std::string& Key,
                                                        const std::string& Name) {
  auto data = Query(Root, Key, Name, REG_DWORD);
  if (!data || data->size() != 4) return std::nullopt;
  int32_t v;
  std::memcpy(&v, data->data(), 4);
  return v;
}

void TlxPlatformRegistry::WriteString(TMyHKeyType Root, const std::string& Key, const std::string& Name,
                                      const std::string& Value) {
  OpenKey k(Root, Key, true);
  if (k.key)
    RegSetValueEx(k.key, Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                  static_cast<DWORD>(Value.size() + 1));
}

void TlxPlatformRegistry::WriteInteger(TMyHKeyType Root, const std::string& Key, const std::string& Name,
                                       int32_t Value) {
  OpenKey k(Root, Key, true);
  if (k.key)
    RegSetValueEx(k.key, Name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Value), 4);
}
