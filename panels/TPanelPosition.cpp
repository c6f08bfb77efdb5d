#include "panels/TPanelPosition.h"

#include <functional>
#include <memory>
#include <optional>

#include "l10n/TMemIniFile.h"
#include "panels/TUxPanel.h"
#include "platform/Registry.h"
#include "rtl/Exception.h"
#include "rtl/StrUtils.h"

RTL_DEFINE_CLASS(TPanelPosition, TPersistent, Published("Save", &TPanelPosition::Save, &TPanelPosition::SetSave),
                 Published("Key", &TPanelPosition::Key, &TPanelPosition::SetKey),
                 Published("Section", &TPanelPosition::Section, &TPanelPosition::SetSection),
                 Published("Location", &TPanelPosition::Location, &TPanelPosition::SetLocation))

std::string PanelIniFilePath(const std::string& Key) {
  if (Key.find('/') != std::string::npos) return Key;
  const std::string reg = RegistryFilePath();
  return reg.substr(0, reg.rfind('/') + 1) + Key;
}

void TPanelPosition::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TPanelPosition*>(Source);
  if (!s) {
    TPersistent::Assign(Source);
    return;
  }
  key_ = s->Key();
  section_ = s->Section();
  save_ = s->Save();
  location_ = s->Location();
}

bool TPanelPosition::Usable() const {
  return owner_ && !key_.empty() && !section_.empty() && !owner_->ComponentState().Contains(csDesigning);
}

namespace {

// The key Key below the current user's root, created when missing.
HKEY OpenRoot(const std::string& Key) {
  HKEY root = nullptr;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, Key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr) !=
      ERROR_SUCCESS)
    throw Exception("Failed to create key " + Key);
  return root;
}

struct TKeyCloser {
  void operator()(TRegistryKeyObject* k) const {
    if (k) RegCloseKey(k);
  }
};
using TKeyHolder = std::unique_ptr<TRegistryKeyObject, TKeyCloser>;

std::optional<int32_t> ReadRegValue(HKEY Key, const char* Name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueEx(Key, Name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  std::string data(size, '\0');
  if (RegQueryValueEx(Key, Name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
    return std::nullopt;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    data.resize(data.find('\0') == std::string::npos ? data.size() : data.find('\0'));
    int32_t v = 0;
    if (TryStrToInt(data, v)) return v;
    return std::nullopt;
  }
  if (size < 4) return std::nullopt;
  uint32_t v = uint8_t(data[0]) | uint32_t(uint8_t(data[1])) << 8 | uint32_t(uint8_t(data[2])) << 16 |
               uint32_t(uint8_t(data[3])) << 24;
  return int32_t(v);
}

void WriteRegValue(HKEY Key, const char* Name, int32_t Value) {
  DWORD type = 0, size = 0;
  if (RegQueryValueEx(Key, Name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
    const std::string text = IntToStr(Value);
    RegSetValueEx(Key, Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
    return;
  }
  const uint32_t v = uint32_t(Value);
  const BYTE b[4] = {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
  RegSetValueEx(Key, Name, 0, REG_DWORD, b, 4);
}

}  // namespace

void TPanelPosition::SavePosition() {
  if (!Usable()) return;
  TCustomUxPanel* p = owner_;
  const std::pair<const char*, int32_t> values[] = {
      {"Top", p->Top()},     {"Left", p->Left()},   {"Height", p->Height()},
      {"FullHeight", p->FullHeight()}, {"Width", p->Width()}, {"Collaps", p->Collaps() ? 1 : 0},
  };
  if (location_ == clInifile) {
    TMemIniFile ini(PanelIniFilePath(key_));
    for (const auto& [name, value] : values) ini.WriteString(section_, name, IntToStr(value));
    ini.UpdateFile();
    return;
  }
  TKeyHolder root(OpenRoot(key_));
  HKEY section = nullptr;
  if (RegCreateKeyEx(root.get(), section_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &section, nullptr) !=
      ERROR_SUCCESS)
    throw Exception("Failed to create key " + section_);
  TKeyHolder held(section);
  for (const auto& [name, value] : values) WriteRegValue(section, name, value);
}

void TPanelPosition::LoadPosition() {
  if (!Usable()) return;
  TCustomUxPanel* p = owner_;
  std::function<std::optional<int32_t>(const char*)> read;
  std::unique_ptr<TMemIniFile> ini;
  TKeyHolder root, section;
  if (location_ == clInifile) {
    ini = std::make_unique<TMemIniFile>(PanelIniFilePath(key_));
    read = [&](const char* name) -> std::optional<int32_t> {
      int32_t v = 0;
      if (TryStrToInt(ini->ReadString(section_, name, ""), v)) return v;
      return std::nullopt;
    };
  } else {
    root.reset(OpenRoot(key_));
    HKEY s = nullptr;
    if (RegOpenKeyEx(root.get(), section_.c_str(), 0, KEY_READ, &s) == ERROR_SUCCESS) section.reset(s);
    read = [&](const char* name) -> std::optional<int32_t> {
      if (!section) return std::nullopt;
      return ReadRegValue(section.get(), name);
    };
  }
  p->SetTop(read("Top").value_or(p->Top()));
  p->SetLeft(read("Left").value_or(p->Left()));
  p->SetHeight(read("Height").value_or(p->Height()));
  p->SetWidth(read("Width").value_or(p->Width()));
  p->SetCollaps(read("Collaps").value_or(0) == 1);
  p->SetFullHeight(read("FullHeight").value_or(p->Height()));
}
