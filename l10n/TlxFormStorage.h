// Keeps a window's position, size and state in the registry between runs:
// restored when the window has been loaded, saved when the component goes
// with the window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "rtl/Exception.h"
#include "rtl/TComponent.h"
#include "rtl/TypInfo.h"

RTL_ENUM(TMyHKeyType, lxHKEY_CURRENT_USER, lxHKEY_CLASSES_ROOT, lxHKEY_LOCAL_MACHINE, lxHKEY_USERS,
         lxHKEY_CURRENT_CONFIG, lxHKEY_DYN_DATA);

// The registry as the form storage uses it. The platform layer provides the
// real store; a missing value, or one of another type, reads as nullopt.
class TlxRegistryStore {
 public:
  virtual ~TlxRegistryStore() = default;
  virtual void CreateKey(TMyHKeyType Root, const std::string& Key) = 0;
  virtual std::optional<std::string> ReadString(TMyHKeyType Root, const std::string& Key,
                                                const std::string& Name) = 0;
  virtual std::optional<int32_t> ReadInteger(TMyHKeyType Root, const std::string& Key,
                                             const std::string& Name) = 0;
  virtual void WriteString(TMyHKeyType Root, const std::string& Key, const std::string& Name,
                           const std::string& Value) = 0;
  virtual void WriteInteger(TMyHKeyType Root, const std::string& Key, const std::string& Name,
                            int32_t Value) = 0;
};
// The store every form storage uses; null puts back the platform's settings
// store, the default.
void SetFormStorageRegistry(TlxRegistryStore* Store);
TlxRegistryStore* FormStorageRegistry();

// The window is reached through its published Left, Top, Width, Height
// (integers) and WindowState (an enumeration wsNormal, wsMinimized,
// wsMaximized); an owner without them is not a window.
class TlxFormStorage : public TComponent {
  RTL_CLASS(TlxFormStorage, TComponent)
 public:
  explicit TlxFormStorage(TComponent* AOwner);
  void Loaded() override;
  void BeforeDestruction() override;

  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  TMyHKeyType RegRootKey() const { return root_; }
  void SetRegRootKey(TMyHKeyType v) { root_ = v; }
  const std::string& SubKey() const { return sub_key_; }
  void SetSubKey(const std::string& v) { sub_key_ = v; }

  void RestorePosition();
  void SavePosition();

 private:
  TComponent* form_;
  bool active_ = true;
  TMyHKeyType root_ = lxHKEY_CURRENT_USER;
  std::string sub_key_;
  bool saved_ = false;
};
