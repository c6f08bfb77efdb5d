// Drives modal loops on the headless backend: Body runs (and may start
// modal loops); each time a loop would wait, the next step runs. A loop that
// still waits after the steps fails the test and is ended. Returns how many
// steps ran.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <vector>

#include "platform/Backend.h"
#include "ui/TForm.h"
#include "ui/TScreen.h"

inline size_t RunModalSteps(const std::vector<std::function<void()>>& Steps, const std::function<void()>& Body) {
  size_t next = 0;
  int idle = 0;
  HeadlessSetIdleHandler([&]() -> bool {
    if (next < Steps.size()) {
      Steps[next++]();
      return true;
    }
    if (++idle > 20) {
      ADD_FAILURE() << "modal loop still running after its steps";
      if (TCustomForm* f = Screen->ActiveForm()) f->SetModalResult(mrAbort);
      idle = 0;
      return true;
    }
    return false;
  });
  Body();
  HeadlessSetIdleHandler(nullptr);
  return next;
}
