#include "platform/RegisteredMessage.h"

#include <map>
#include <mutex>

#include "rtl/StrUtils.h"

UINT RegisterWindowMessage(const std::string& Name) {
  if (Name.empty()) return 0;
  const std::string key = LowerCase(Name);
  static std::mutex lock;
  static std::map<std::string, UINT> numbers;
  std::lock_guard<std::mutex> hold(lock);
  auto it = numbers.find(key);
  if (it != numbers.end()) return it->second;
  const UINT next = UINT(0xC000 + numbers.size());
  if (next > 0xFFFF) return 0;
  numbers.emplace(key, next);
  return next;
}
