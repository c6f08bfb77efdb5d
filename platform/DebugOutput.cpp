#include "platform/DebugOutput.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

std::mutex& ListenerLock() {
  static std::mutex m;
  return m;
}

std::function<void(const std::string&)>& Listener() {
  static std::function<void(const std::string&)> l;
  return l;
}

}  // namespace

void OutputDebugString(const std::string& Text) {
  std::lock_guard<std::mutex> g(ListenerLock());
  std::fprintf(stderr, "debug: %s\n", Text.c_str());
  if (Listener()) Listener()(Text);
}

std::function<void(const std::string&)> SetDebugOutputListener(
    std::function<void(const std::string&)> Listener_) {
  std::lock_guard<std::mutex> g(ListenerLock());
  std::swap(Listener(), Listener_);
  return Listener_;
}
