#include "rtl/Resources.h"

#include <map>
#include <mutex>

#include "rtl/StrUtils.h"

namespace {
std::mutex resourcesLock;
std::map<std::string, std::string>& Resources() {
  static std::map<std::string, std::string> table;
  return table;
}
}  // namespace

void RegisterResource(std::string_view Name, std::string_view Data) {
  std::lock_guard<std::mutex> hold(resourcesLock);
  Resources()[UpperCase(Name)] = std::string(Data);
}

void UnregisterResource(std::string_view Name) {
  std::lock_guard<std::mutex> hold(resourcesLock);
  Resources().erase(UpperCase(Name));
}

const std::string* FindResource(std::string_view Name) {
  std::lock_guard<std::mutex> hold(resourcesLock);
  auto it = Resources().find(UpperCase(Name));
  return it == Resources().end() ? nullptr : &it->second;
}
