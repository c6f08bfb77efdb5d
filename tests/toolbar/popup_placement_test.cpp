#include "tests/toolbar/ToolbarTestSupport.h"

namespace {

struct TPlaceCase {
  const char* Name;
  int Parent;  // 0 none (a popup at a point), 1 horizontal toolbar, 2 vertical toolbar
  bool AsSubmenu;
  TPopupAlignment Alignment;
  bool Opposite;
  TRect ParentItem;
  int32_t X, Y, W, H;  // proposed
  int32_t ExpectX, ExpectY;
  uint8_t ExpectDir;
  bool ExpectOpposite;  // the popup's view opens to the left
};

}  // namespace

using PopupPlacementTest = ToolbarTest;

TEST_F(PopupPlacementTest, PopupsStayOnTheMonitorAndOffTheirItem) {
  const TPlaceCase cases[] = {
      // A drop-down near the bottom opens above its button when it fits there...
      {"above", 1, false, paLeft, false, {100, 550, 140, 570}, 100, 570, 100, 200, 100, 350, padUp, false},
      // ...otherwise it ends at the monitor's bottom and steps aside.
      {"pushed up", 1, false, paLeft, false, {100, 150, 140, 170}, 100, 170, 100, 500, 140, 100, padRight, false},
      // Past the right edge it moves left to end there.
      {"right edge", 1, false, paLeft, false, {750, 20, 790, 40}, 750, 40, 100, 100, 700, 40, padDown, false},
      // At a point: left-aligned near the right edge opens to the left of the point,
      {"point left", 0, false, paLeft, false, {780, 100, 780, 100}, 780, 100, 100, 50, 680, 100,
       padDown | padLeft, false},
      // right-aligned near the left edge to the right of it.
      {"point right", 0, false, paRight, false, {20, 100, 20, 100}, -80, 100, 100, 50, 20, 100,
       padDown | padRight, false},
      // A submenu near the right edge opens to the left of its item,
      {"submenu left", 1, true, paLeft, false, {700, 100, 790, 120}, 787, 97, 100, 60, 603, 97, padLeft, true},
      // its own submenus keep to the left while they fit,
      {"keeps left", 1, true, paLeft, true, {500, 100, 600, 120}, 597, 97, 100, 60, 403, 97, padLeft, true},
      // and turn right again where the left would leave the monitor.
      {"turns right", 1, true, paLeft, true, {50, 100, 150, 120}, 147, 97, 100, 60, 147, 97, padRight, false},
      // From a toolbar docked at the left, drop-downs open to the right of the button.
      {"left dock", 2, false, paLeft, false, {0, 100, 40, 140}, -100, 100, 100, 80, 40, 100, padRight, false},
  };
  TDKView horizontal(nullptr, nullptr, nullptr, nullptr, true, false, false);
  TDKView vertical(nullptr, nullptr, nullptr, nullptr, true, false, false);
  vertical.SetOrientation(vorVertical);
  for (const TPlaceCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TDKView popupView(nullptr, nullptr, nullptr, nullptr, false, false, false);
    TDKPopupPlacement p;
    p.AsSubmenu = c.AsSubmenu;
    p.Alignment = c.Alignment;
    p.Opposite = c.Opposite;
    p.MonitorRect = TRect{0, 0, 800, 600};
    p.ParentItemRect = c.ParentItem;
    p.NCSizeX = p.NCSizeY = 3;
    p.X = c.X;
    p.Y = c.Y;
    p.W = c.W;
    p.H = c.H;
    TDKView* parent = c.Parent == 0 ? nullptr : c.Parent == 1 ? &horizontal : &vertical;
    DKPlacePopup(parent, &popupView, p);
    EXPECT_EQ(p.X, c.ExpectX);
    EXPECT_EQ(p.Y, c.ExpectY);
    EXPECT_EQ(p.AnimationDir, c.ExpectDir);
    EXPECT_EQ(popupView.HasState(vstOpposite), c.ExpectOpposite);
  }
}

TEST_F(PopupPlacementTest, ADropDownOpenedFromAToolbarSitsUnderItsButton) {
  auto* form = new TForm(Application);
  form->SetBounds(100, 100, 400, 300);
  auto* root = new TDKRootItem(form);
  auto* menu = new TSizedItem(form, 40, 20);
  menu->SetStyleFlags(menu->StyleFlags() | dksfSubmenu);
  root->Add(new TSizedItem(form, 30, 20));
  root->Add(menu);
  for (int i = 0; i < 3; ++i) menu->Add(new TSizedItem(form, 60, 18));
  auto* bar = new THostBar(form, root);
  bar->SetParent(form);
  bar->SetBounds(0, 0, 400, 24);
  form->Show();
  Pump();
  bar->View->EnsureLayout();
  TDKItemViewer* mv = bar->View->ViewerOfItem(menu);
  TDKPopupWindow* w = menu->OpenPopupWindow(bar->View, mv, paLeft, TPoint{0, 0}, false, true, false);
  ASSERT_NE(w, nullptr);
  TPoint itemBottomLeft = bar->ClientToScreen(TPoint{mv->BoundsRect.Left, mv->BoundsRect.Bottom});
  EXPECT_EQ(w->Left(), itemBottomLeft.X);
  EXPECT_EQ(w->Top(), itemBottomLeft.Y);
  // Three 18-pixel items of 60 inside a 3-pixel frame.
  EXPECT_EQ(w->Width(), 66);
  EXPECT_EQ(w->Height(), 60);
  EXPECT_EQ(w->AnimationDirection(), padDown);
  EXPECT_EQ(bar->View->OpenViewerWindow(), w);
  EXPECT_TRUE(bar->View->HasState(vstDropDownMode));
  // Opened from the keyboard: its first item is selected.
  ASSERT_NE(w->View()->Selected(), nullptr);
  EXPECT_EQ(w->View()->Selected()->Item(), menu->GetItem(0));
  EXPECT_TRUE(IsWindowVisible(w->Handle()));
  bar->View->ClosePopups();
  EXPECT_EQ(bar->View->OpenViewerWindow(), nullptr);
}

TEST_F(PopupPlacementTest, APopupClosedFromItsOwnHandlerIsFreedOnceTheHandlerReturns) {
  auto* form = new TForm(Application);
  form->SetBounds(100, 100, 400, 300);
  auto* root = new TDKRootItem(form);
  auto* menu = new TSizedItem(form, 40, 20);
  menu->SetStyleFlags(menu->StyleFlags() | dksfSubmenu);
  root->Add(menu);
  menu->Add(new TSizedItem(form, 60, 18));
  auto* bar = new THostBar(form, root);
  bar->SetParent(form);
  bar->SetBounds(0, 0, 400, 24);
  form->Show();
  Pump();
  bar->View->EnsureLayout();
  TDKPopupWindow* w = menu->OpenPopupWindow(bar->View, bar->View->ViewerOfItem(menu), paLeft, TPoint{0, 0}, false,
                                            false, false);
  HWND handle = w->Handle();
  int handled = 0;
  w->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) {
    bar->View->ClosePopups();
    ++handled;
  };
  InjectMouseMove(w->ClientToScreen(TPoint{5, 5}));
  InjectMouseButton(VK_LBUTTON, true);
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(bar->View->OpenViewerWindow(), nullptr);
  EXPECT_FALSE(IsWindow(handle));
}
