#pragma once
// A headless window system and a test host for views: a window that shows
// the children of a root item, hot-tracks and starts the menu loop on a
// press, as a toolbar does.

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "platform/Backend.h"
#include "platform/Input.h"
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
