#pragma once
// A headless window system and a fresh application per test, with input
// helpers that go through the real queue.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/Input.h"
#include "ui/TApplication.h"
#include "ui/TControl.h"
#include "ui/TForm.h"
#include "tests/ui/ModalSteps.h"
#include "ui/TScreen.h"

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShutdownPlatform();
    ASSERT_TRUE(InitPlatformWith("headless"));
    HeadlessSetClock(1000);
    InitControls();
  }
  void TearDown() override {
    HeadlessSetIdleHandler(nullptr);
    // Handlers may refer to the finished test's locals.
    Application->OnActivate = nullptr;
    Application->OnDeactivate = nullptr;
    Application->OnException = nullptr;
    Application->OnHint = nullptr;
    Application->OnShowHint = nullptr;
    Application->OnIdle = nullptr;
    Application->OnMessage = nullptr;
    for (int32_t i = 0; i < Screen->FormCount(); ++i) {
      TCustomForm* f = Screen->Forms(i);
      f->OnActivate = f->OnDeactivate = f->OnShow = f->OnHide = f->OnDestroy = nullptr;
      f->OnClose = nullptr;
      f->OnCloseQuery = nullptr;
    }
    DoneControls();
    ShutdownPlatform();
  }

  void Pump() { Application->ProcessMessages(); }

  void MoveTo(TControl* c, int32_t x, int32_t y) {
    InjectMouseMove(c->ClientToScreen(TPoint{x, y}));
    Pump();
  }
  void Click(TControl* c, int32_t x, int32_t y) {
    InjectMouseMove(c->ClientToScreen(TPoint{x, y}));
    InjectMouseButton(VK_LBUTTON, true);
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
  }
  void Key(int32_t vk, bool shift = false) {
    if (shift) InjectKey(VK_SHIFT, true);
    InjectKey(vk, true);
    InjectKey(vk, false);
    if (shift) InjectKey(VK_SHIFT, false);
    Pump();
  }

  // Runs body; each time a modal loop would wait, the next step runs.
  void WithSteps(std::vector<std::function<void()>> steps, const std::function<void()>& body) {
    RunModalSteps(steps, body);
  }
};

// A windowed control that counts what it gets.
class TBox : public TCustomControl {
 public:
  explicit TBox(TComponent* AOwner, TWinControl* AParent = nullptr, const std::string& AName = "")
      : TCustomControl(AOwner) {
    if (!AName.empty()) SetName(AName);
    if (AParent) SetParent(AParent);
  }
  int Paints = 0;
  TColor Fill = clNone;

 protected:
  void Paint() override {
    ++Paints;
    if (Fill != clNone) {
      Canvas()->Brush()->SetColor(Fill);
      Canvas()->FillRect(ClientRect());
    }
  }
};
