#pragma once
// A headless window system and a test host for views: a window that shows
// the children of a root item, hot-tracks and starts the menu loop on a
// press, as a toolbar does.

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "platform/Backend.h"
#include "platform/Input.h"
#include "platform/SysInfo.h"
#include "tests/ui/ModalSteps.h"
#include "toolbar/TDKCustomItem.h"
#include "toolbar/TDKItemViewer.h"
#include "toolbar/TDKPopupWindow.h"
#include "toolbar/TDKView.h"
#include "ui/TApplication.h"
#include "ui/TForm.h"
#include "ui/TScreen.h"

class ToolbarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShutdownPlatform();
    ASSERT_TRUE(InitPlatformWith("headless"));
    HeadlessSetScreenSize(800, 600);
    HeadlessSetClock(1000);
    // Popups show at once; the tests of the opening animation turn it on.
    SystemParametersInfo(SPI_SETMENUANIMATION, 0, nullptr, 0);
    InitControls();
  }
  void TearDown() override {
    HeadlessSetIdleHandler(nullptr);
    Application->OnException = nullptr;
    DoneControls();
    ShutdownPlatform();
  }
  void Pump() { Application->ProcessMessages(); }
};

// An item measured at a fixed size wherever it shows.
class TSizedItem : public TDKCustomItem {
 public:
  TSizedItem(TComponent* AOwner, int32_t AWidth, int32_t AHeight) : TDKCustomItem(AOwner), W(AWidth), H(AHeight) {}
  int32_t W, H;
  class TViewer : public TDKItemViewer {
   public:
    using TDKItemViewer::TDKItemViewer;
    void MeasureItem(TCanvas*, int32_t& Width, int32_t& Height) override {
      auto* it = static_cast<TSizedItem*>(Item());
      Width = it->W;
      Height = it->H;
    }
  };
  TDKItemViewerClass ViewerClassFor(TDKView*) override {
    return [](TDKView* v, TDKCustomItem* i, int32_t l) -> TDKItemViewer* { return new TViewer(v, i, l); };
  }
};

// A window hosting a toolbar view of Root.
class THostBar : public TCustomControl {
 public:
  THostBar(TComponent* AOwner, TDKCustomItem* Root, bool IsToolbar = true) : TCustomControl(AOwner) {
    View = new TDKView(this, nullptr, Root, this, IsToolbar, false, true);
  }
  TDKView* View;

 protected:
  void Paint() override { View->PaintAllViewers(Canvas()); }
  void MouseMove(TShiftState, int32_t X, int32_t Y) override {
    TPoint p = ClientToScreen(TPoint{X, Y});
    View->TrackMouse(&p, true);
  }
  void MouseDown(TMouseButton Button, TShiftState, int32_t X, int32_t Y) override {
    if (Button != mbLeft) return;
    TPoint p = ClientToScreen(TPoint{X, Y});
    View->TrackMouse(&p, true);
    if (TDKItemViewer* v = View->Selected()) {
      if (v->Item()->HasStyle(dksfPassClicks)) return;
      View->RunMenuLoop(mloPressed);
    }
  }
};

// Runs Body; each time a menu loop waits, the next step runs. A loop still
// waiting after the steps fails the test and is ended by taking the capture
// away, as another window would.
inline void RunMenuSteps(const std::vector<std::function<void()>>& Steps, const std::function<void()>& Body) {
  size_t next = 0;
  int idle = 0;
  HeadlessSetIdleHandler([&]() -> bool {
    if (next < Steps.size()) {
      Steps[next++]();
      return true;
    }
    if (++idle > 20) {
      ADD_FAILURE() << "menu loop still running after its steps";
      ReleaseCapture();
      idle = 0;
      return true;
    }
    return false;
  });
  Body();
  HeadlessSetIdleHandler(nullptr);
  EXPECT_EQ(next, Steps.size()) << "steps left over";
}

// A shown, active form with a toolbar view across its top.
class MenuTest : public ToolbarTest {
 protected:
  void SetUp() override {
    ToolbarTest::SetUp();
    form = new TForm(Application);
    form->SetBounds(100, 100, 400, 300);
    root = new TDKRootItem(form);
    bar = new THostBar(form, root);
    bar->SetParent(form);
    bar->SetBounds(0, 0, 400, 24);
    form->Show();
    Pump();
  }
  TSizedItem* AddItem(TDKCustomItem* Parent, const std::string& Caption, int32_t W = 40, int32_t H = 20) {
    auto* it = new TSizedItem(form, W, H);
    it->SetCaption(Caption);
    Parent->Add(it);
    return it;
  }
  TPoint CentreOf(TDKView* View, TDKCustomItem* Item) {
    View->EnsureLayout();
    TDKItemViewer* v = View->ViewerOfItem(Item);
    TRect r = v->BoundsRect;
    return View->Window()->ClientToScreen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
  }
  void Press(TPoint P) {
    InjectMouseMove(P);
    InjectMouseButton(VK_LBUTTON, true);
  }
  void Release() { InjectMouseButton(VK_LBUTTON, false); }
  void Key(int32_t Vk) {
    InjectKey(Vk, true);
    InjectKey(Vk, false);
  }
  TForm* form = nullptr;
  TDKCustomItem* root = nullptr;
  THostBar* bar = nullptr;
};
