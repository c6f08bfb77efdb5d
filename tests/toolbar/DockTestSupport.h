#pragma once
// Dockable test windows of a fixed content size, and a shown form with docks
// on its edges.

#include <string>
#include <vector>

#include "tests/toolbar/ToolbarTestSupport.h"
#include "toolbar/TDKCustomToolbar.h"
#include "toolbar/TDKDock.h"
#include "toolbar/TDKFloatingWindow.h"

// Content of Base size; shrinks down to Min along the dock in Mode.
class TTestBar : public TDKCustomDockableWindow {
 public:
  TTestBar(TComponent* AOwner, TSize ABase, TDKShrinkMode AMode = dksmNone, int32_t AMin = 0)
      : TDKCustomDockableWindow(AOwner), Base(ABase), Mode(AMode), Min(AMin) {}
  TSize Base;
  TDKShrinkMode Mode;
  int32_t Min;
  void ArrangeItems(bool, TDKDockType, bool, TDKDock*, TSize& Size) override { Size = Base; }
  void QueryBaseSize(TSize& Size) override { Size = Base; }
  void MinimumShrinkSize(int32_t& Length) override { Length = Min; }
  TDKShrinkMode CurrentShrinkMode() override { return Mode; }
};

inline std::string BoundsText(TControl* C) {
  return std::to_string(C->Left()) + "," + std::to_string(C->Top()) + "," + std::to_string(C->Width()) + "," +
         std::to_string(C->Height());
}

inline TPoint CentreOfRect(const TRect& R) { return TPoint{(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2}; }

inline TRect WindowRectOf(TWinControl* C) {
  TRect r;
  GetWindowRect(C->Handle(), r);
  return r;
}

// A shown form at (100, 100) with a top, a bottom and a left dock.
class DockFormTest : public MenuTest {
 protected:
  void SetUp() override {
    ToolbarTest::SetUp();
    form = new TForm(Application);
    form->SetBounds(100, 100, 500, 350);
    top = MakeDock("DockTop", dpTop);
    bottom = MakeDock("DockBottom", dpBottom);
    left = MakeDock("DockLeft", dpLeft);
    form->Show();
    Pump();
  }
  TDKDock* MakeDock(const char* Name, TDKDockPosition Pos) {
    auto* d = new TDKDock(form);
    d->SetName(Name);
    d->SetPosition(Pos);
    d->SetParent(form);
    return d;
  }
  // A toolbar of Count items 40 x 20 on Dock.
  TDKCustomToolbar* MakeToolbar(const char* Name, TDKDock* Dock, int32_t Count) {
    auto* bar = new TDKCustomToolbar(form);
    bar->SetName(Name);
    bar->SetCaption(Name);
    // Items are added as a stored form reads them, so their priority
    // follows their order.
    for (int32_t i = 0; i < Count; ++i) {
      auto* it = new TSizedItem(form, 40, 20);
      it->SetCaption("Item" + std::to_string(i));
      it->BeginLoading();
      bar->Items()->Add(it);
      it->EndLoading();
    }
    bar->SetCurrentDock(Dock);
    Pump();
    return bar;
  }
  void Drag(TPoint From, const std::vector<TPoint>& Path, bool Release = true) {
    InjectMouseMove(From);
    std::vector<std::function<void()>> steps;
    for (TPoint p : Path) steps.push_back([p] { InjectMouseMove(p); });
    if (Release) steps.push_back([] { InjectMouseButton(VK_LBUTTON, false); });
    RunMenuSteps(steps, [&] {
      InjectMouseButton(VK_LBUTTON, true);
      Pump();
    });
    Pump();
  }
  TDKDock* top = nullptr;
  TDKDock* bottom = nullptr;
  TDKDock* left = nullptr;
};
