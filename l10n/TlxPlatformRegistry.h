// The form storage's registry on the platform's settings store: values under
// the current user; the other roots of the old platform are read-only and
// empty here.
#pragma once

#include "l10n/TlxFormStorage.h"

class TlxPlatformRegistry : public TlxRegistryStore {
 public:
  void CreateKey(TMyHKeyType Root, const std::string& Key) override;
  std::optional<std::string> ReadString(TMyHKeyType Root, const std::string& Key,
                                        const std::string& Name) override;
  std::optional<int32_t> ReadInteger(TMyHKeyType Root, const std::string& Key,
                                     const std::string& Name) override;
  void WriteString(TMyHKeyType Root, const std::string& Key, const std::string& Name,
                   const std::string& Value) override;
  void WriteInteger(TMyHKeyType Root, const std::string& Key, const std::string& Name,
                    int32_t Value) override;
};
