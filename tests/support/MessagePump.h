// Waiting in GUI tests for work that ends through posted messages (worker
// threads, timers): the application's message loop runs meanwhile.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "ui/TApplication.h"

namespace test_pump {

// Runs the message loop until Done holds, or about ten seconds pass; false
// when the time ran out.
inline bool PumpUntil(const std::function<bool()>& Done) {
  for (int i = 0; i < 10000; ++i) {
    Application->ProcessMessages();
    if (Done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

}  // namespace test_pump
