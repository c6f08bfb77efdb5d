// The image view under injected mouse, wheel and key input (headless): click
// and wheel zoom around the pointer within the zoom range, drag scrolling,
// the navigation keys, selections drawn with the mouse, and the navigator.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "ViewTestSupport.h"
#include "imaging/view/TIELayer.h"
#include "ui/TScreen.h"

namespace {

class ViewMouse : public ViewFixture {};

// A click: pressed and released at one place, a second after any earlier one.
void Click(TControl* c, int32_t x, int32_t y, int32_t button = VK_LBUTTON) {
  HeadlessAdvanceClock(1000);
  MouseAt(c, x, y);
  InjectMouseButton(button, true);
  Pump();
  InjectMouseButton(button, false);
  Pump();
}

void Wheel(TImagoView* v, int32_t x, int32_t y, int32_t delta) {
  MouseAt(v, x, y);
  InjectMouseWheel(delta);
  Pump();
}

void Key(int32_t vk, bool down) {
  InjectKey(vk, down);
  Pump();
}

// The image column (row) Col is drawn over the client position X: below
// 100 % several columns share a screen pixel.
void ExpectUnder(TImagoView* v, int32_t X, int32_t Y, int32_t Col, int32_t Row) {
  EXPECT_LE(v->ImageToScreenX(Col), X);
  EXPECT_LE(X, std::max(v->ImageToScreenX(Col + 1) - 1, v->ImageToScreenX(Col)));
  EXPECT_LE(v->ImageToScreenY(Row), Y);
  EXPECT_LE(Y, std::max(v->ImageToScreenY(Row + 1) - 1, v->ImageToScreenY(Row)));
  if (v->Zoom() >= 100) {
    EXPECT_EQ(v->ScreenToImageX(X), Col);
    EXPECT_EQ(v->ScreenToImageY(Y), Row);
  }
}

std::vector<int32_t> Points(const TImagoView* v) {
  const int32_t* p = v->GetSelectionPoints();
  return p ? std::vector<int32_t>(p, p + 2 * v->GetSelectionPointCount()) : std::vector<int32_t>{};
}

TEST_F(ViewMouse, ClickZoomKeepsTheClickedPointUnderThePointer) {
  // The scroll bars take the right and bottom 16 or so pixels: the points
  // stay left of and above them.
  ViewPtr v = MakeView(100, 100, 400, 400);
  v->SetMouseInteract(TIEMouseInteract{miZoom, miScroll});
  struct Case {
    double from;
    int32_t button;
    double to;
    int32_t x, y;
  } cases[] = {
      {100, VK_LBUTTON, 200, 50, 50}, {100, VK_LBUTTON, 200, 13, 80}, {50, VK_LBUTTON, 75, 30, 60},
      {300, VK_LBUTTON, 400, 71, 9},  {100, VK_RBUTTON, 75, 40, 40},  {150, VK_RBUTTON, 100, 80, 20},
      {50, VK_RBUTTON, 33, 40, 40},   {250, VK_RBUTTON, 150, 83, 83}, {75, VK_LBUTTON, 100, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to << " at " << c.x << "," << c.y);
    v->SetZoom(c.from);
    v->SetViewXY(v->MaxViewX() / 2, v->MaxViewY() / 2);
    const int32_t col = v->ScreenToImageX(c.x), row = v->ScreenToImageY(c.y);
    Click(v.get(), c.x, c.y, c.button);
    EXPECT_DOUBLE_EQ(v->Zoom(), c.to);
    ExpectUnder(v.get(), c.x, c.y, col, row);
  }
  // At 2 % a right click asks with 2 and stays.
  std::vector<double> asked;
  v->OnZoomOut = [&](TObject*, double& z) { asked.push_back(z); };
  v->SetZoom(2);
  Click(v.get(), 50, 50, VK_RBUTTON);
  EXPECT_EQ(asked, std::vector<double>{2});
  EXPECT_DOUBLE_EQ(v->Zoom(), 2);
  // The callback may change the zoom.
  v->SetZoom(100);
  v->OnZoomIn = [](TObject*, double& z) { z = 333; };
  Click(v.get(), 50, 50);
  EXPECT_DOUBLE_EQ(v->Zoom(), 333);
}

TEST_F(ViewMouse, ClicksAndWheelStayWithinTheZoomRange) {
  ViewPtr v = MakeView(100, 100, 4096, 2);
  v->SetMouseInteract(TIEMouseInteract{miZoom, miScroll});
  const double max = v->MaxZoom();
  v->SetZoom(max - 50);
  double asked = 0;
  v->OnZoomIn = [&](TObject*, double& z) { asked = z; };
  Click(v.get(), 50, 50);
  EXPECT_DOUBLE_EQ(asked, max + 50);
  EXPECT_DOUBLE_EQ(v->Zoom(), max);
  Click(v.get(), 50, 50);
  EXPECT_DOUBLE_EQ(v->Zoom(), max);
  v->SetFocus();
  Wheel(v.get(), 50, 50, -120);  // towards the user: in
  EXPECT_DOUBLE_EQ(v->Zoom(), max);
  // Zooming out by the wheel stops above 0.
  v->SetZoom(3);
  for (int k = 0; k < 6; ++k) Wheel(v.get(), 50, 50, 120);
  EXPECT_GT(v->Zoom(), 0);
  EXPECT_DOUBLE_EQ(v->Zoom(), 1);
}

TEST_F(ViewMouse, WheelZoomsAroundThePointerAndScrolls) {
  ViewPtr v = MakeView(100, 100, 400, 400);
  v->SetFocus();
  // The defaults: away from the user zooms out by 8 % of the zoom.
  Wheel(v.get(), 50, 50, 120);
  EXPECT_DOUBLE_EQ(v->Zoom(), 92);
  Wheel(v.get(), 50, 50, -120);
  EXPECT_DOUBLE_EQ(v->Zoom(), 92 + 7);  // Round(8 * 92 / 100) = 7
  // At the pointer.
  v->MouseWheelParams()->ZoomPosition = true;
  for (auto [from, x, y, delta] : {std::tuple{100.0, 20, 70, -120}, {250.0, 77, 33, 120}, {400.0, 5, 80, -120}}) {
    SCOPED_TRACE(from);
    v->SetZoom(from);
    v->SetViewXY(v->MaxViewX() / 2, v->MaxViewY() / 2);
    const int32_t col = v->ScreenToImageX(x), row = v->ScreenToImageY(y);
    Wheel(v.get(), x, y, delta);
    EXPECT_NE(v->Zoom(), from);
    ExpectUnder(v.get(), x, y, col, row);
  }
  // Scrolling: a step of 8 % of the view, vertical, horizontal with Ctrl.
  v->SetZoom(100);
  v->SetViewXY(100, 100);
  v->MouseWheelParams()->Action = 1;
  const int32_t sy = static_cast<int32_t>(std::nearbyint(v->GetViewHeight() * 0.08));
  const int32_t sx = static_cast<int32_t>(std::nearbyint(v->GetViewWidth() * 0.08));
  Wheel(v.get(), 50, 50, -120);
  EXPECT_EQ(v->ViewY(), 100 + sy);
  Wheel(v.get(), 50, 50, 120);
  Wheel(v.get(), 50, 50, 120);
  EXPECT_EQ(v->ViewY(), 100 - sy);
  InjectKey(VK_CONTROL, true);
  Wheel(v.get(), 50, 50, -120);
  InjectKey(VK_CONTROL, false);
  EXPECT_EQ(v->ViewX(), 100 + sx);
  EXPECT_EQ(v->ViewY(), 100 - sy);
  // Nothing while the view fits the image.
  v->MouseWheelParams()->Action = 2;
  v->AutoFit = true;
  v->Update();
  const double z = v->Zoom();
  Wheel(v.get(), 50, 50, 120);
  EXPECT_DOUBLE_EQ(v->Zoom(), z);
}

// The view's own cursors are drawn pictures, registered under their
// numbers; the numbers the program holds no group for show the default.
TEST_F(ViewMouse, TheViewCursorsAreRegisteredPictures) {
  ViewPtr v = MakeView(100, 100, 40, 30);
  std::set<HCURSOR> pictures;
  for (TCursor c = 1778; c <= 1796; ++c) {
    const TCursorImage* image = CursorImage(Screen->Cursors(c));
    ASSERT_NE(image, nullptr) << c;
    EXPECT_EQ(image->Width, 32) << c;
    pictures.insert(Screen->Cursors(c));
  }
  EXPECT_EQ(pictures.size(), 18u);  // "CROCE2-" serves 1795 and 1796
  EXPECT_EQ(Screen->Cursors(1795), Screen->Cursors(1796));
  for (TCursor c = 1797; c <= 1810; ++c) EXPECT_EQ(Screen->Cursors(c), Screen->Cursors(crDefault)) << c;
  // The hot spot of the cross-hair is its middle.
  EXPECT_EQ(CursorImage(Screen->Cursors(kViewCross))->HotX, 15);
  EXPECT_EQ(CursorImage(Screen->Cursors(kViewCross))->HotY, 15);
}

// What the pointer shows over a view, as the user moves it and holds Shift:
// the cross-hair, its Shift forms, the grips and the move over a selection,
// the hand while dragging to scroll.
TEST_F(ViewMouse, ThePointerShowsTheCursorOfTheMode) {
  ViewPtr v = MakeView(100, 100, 80, 80);  // the image at client (10, 10) to (90, 90)
  const auto shown = [] { return GetCursor(); };
  EXPECT_EQ(v->Cursor(), kViewCross);
  MouseAt(v.get(), 10, 10);
  EXPECT_EQ(shown(), Screen->Cursors(kViewCross));
  // Shift down shows the adding form of either cross-hair; up, the normal one.
  v->SetFocus();
  for (auto [normal, adding] : {std::pair<TCursor, TCursor>{kViewCross, 1791}, {1793, 1794}}) {
    v->SetCursor(normal);
    InjectKey(VK_SHIFT, true);
    Pump();
    EXPECT_EQ(shown(), Screen->Cursors(adding)) << normal;
    InjectKey(VK_SHIFT, false);
    Pump();
    EXPECT_EQ(shown(), Screen->Cursors(normal)) << normal;
  }
  v->SetCursor(kViewCross);
  // A rectangle selection: corners at client (15, 15) and (45, 35).
  v->SetMouseInteract(TIEMouseInteract{miSelect});
  v->SetSelectionBase(iesbBitmap);
  v->Select(5, 5, 35, 25, 0);
  const struct {
    int32_t x, y;
    TCursor cursor;
  } cases[] = {{15, 15, kGripNWSE}, {45, 35, kGripNWSE}, {45, 15, kGripNESW}, {15, 35, kGripNESW},
               {16, 25, kGripWE},   {43, 25, kGripWE},   {30, 17, kGripNS},   {30, 33, kGripNS},
               {25, 25, kViewMove}, {80, 80, kViewCross}};
  for (const auto& c : cases) {
    MouseAt(v.get(), c.x, c.y);
    EXPECT_EQ(shown(), Screen->Cursors(c.cursor)) << c.x << "," << c.y;
  }
  // Dragging to scroll shows the hand while the button is held.
  ViewPtr big = MakeView(100, 100, 400, 400);
  big->SetMouseInteract(TIEMouseInteract{miZoom, miScroll});
  HeadlessAdvanceClock(1000);
  MouseAt(big.get(), 50, 50);
  EXPECT_EQ(shown(), Screen->Cursors(kViewCross));
  InjectMouseButton(VK_LBUTTON, true);
  Pump();
  MouseAt(big.get(), 40, 40);
  EXPECT_EQ(shown(), Screen->Cursors(kViewHand));
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_EQ(shown(), Screen->Cursors(kViewCross));
}

TEST_F(ViewMouse, DraggingScrollsByTheMovedDistance) {
  ViewPtr v = MakeView(100, 100, 400, 400);
  v->SetMouseInteract(TIEMouseInteract{miZoom, miScroll});
  v->SetViewXY(100, 100);
  std::vector<TCursor> during;
  // The cursor while the button is held (a move also follows the release).
  v->OnMouseMove = [&](TObject*, TShiftState, int32_t, int32_t) {
    if (GetCaptureControl() == v.get()) during.push_back(v->Cursor());
  };
  Drag(v.get(), {{50, 50}, {45, 48}, {30, 20}});
  EXPECT_EQ(v->ViewX(), 120);
  EXPECT_EQ(v->ViewY(), 130);
  EXPECT_DOUBLE_EQ(v->Zoom(), 100);  // a drag does not zoom
  ASSERT_FALSE(during.empty());
  EXPECT_EQ(during.back(), kViewHand);
  EXPECT_NE(v->Cursor(), kViewHand);
  // At twice the rate the image moves twice as far.
  v->MouseScrollRate = 2;
  Drag(v.get(), {{50, 50}, {60, 55}});
  EXPECT_EQ(v->ViewX(), 100);
  EXPECT_EQ(v->ViewY(), 120);
  // Back and forth to the press point: a click, which zooms.
  Drag(v.get(), {{50, 50}, {60, 60}, {50, 50}});
  EXPECT_DOUBLE_EQ(v->Zoom(), 200);
  // An image that fits cannot scroll: no hand.
  ViewPtr small = MakeView(100, 100, 40, 40);
  small->SetMouseInteract(TIEMouseInteract{miZoom, miScroll});
  during.clear();
  small->OnMouseMove = [&](TObject*, TShiftState, int32_t, int32_t) {
    if (GetCaptureControl() == small.get()) during.push_back(small->Cursor());
  };
  Drag(small.get(), {{50, 50}, {55, 55}});
  ASSERT_FALSE(during.empty());
  EXPECT_NE(during.back(), kViewHand);
}

// The arrow keys are answered as they go down; their release passes
// silently, so that one press steps once (and a held key repeats).
TEST_F(ViewMouse, NavigationKeysAnsweredOncePerPress) {
  ViewPtr v = MakeView(100, 100, 40, 40);
  v->SetFocus();
  std::vector<uint16_t> ups;
  v->OnKeyUp = [&](TObject*, uint16_t& k, TShiftState) { ups.push_back(k); };
  Key(VK_RIGHT, true);
  EXPECT_EQ(ups, std::vector<uint16_t>{VK_RIGHT});
  Key(VK_RIGHT, false);
  EXPECT_EQ(ups, std::vector<uint16_t>{VK_RIGHT});
  // Held: each repeat answers.
  Key(VK_LEFT, true);
  Key(VK_LEFT, true);
  Key(VK_LEFT, false);
  EXPECT_EQ(ups, (std::vector<uint16_t>{VK_RIGHT, VK_LEFT, VK_LEFT}));
  // Other keys: on release only.
  Key('A', true);
  EXPECT_EQ(ups.size(), 3u);
  Key('A', false);
  EXPECT_EQ(ups.back(), 'A');
  // Handled by OnSpecialKey: the view leaves the key to the usual path.
  ups.clear();
  v->OnSpecialKey = [](TObject*, uint16_t, bool& handled) { handled = true; };
  Key(VK_DOWN, true);
  EXPECT_TRUE(ups.empty());
  Key(VK_DOWN, false);
  EXPECT_EQ(ups, std::vector<uint16_t>{VK_DOWN});
}

TEST_F(ViewMouse, RectangleSelectionsByDragging) {
  ViewPtr v = MakeView(100, 100, 40, 30);  // image at (30, 35)
  v->SetMouseInteract(TIEMouseInteract{miSelect});
  int before = 0, changing = 0, changed = 0;
  v->OnBeforeSelectionChange = [&](TObject*) { ++before; };
  v->OnSelectionChanging = [&](TObject*) { ++changing; };
  v->OnSelectionChange = [&](TObject*) { ++changed; };
  Drag(v.get(), {{35, 40}, {40, 42}, {45, 50}});
  EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{5, 5, 15, 5, 15, 15, 5, 15}));
  EXPECT_EQ(v->SelectionMask()->Left, 5);
  EXPECT_EQ(v->SelectionMask()->Right, 14);
  EXPECT_EQ(before, 1);
  EXPECT_GE(changing, 1);
  EXPECT_EQ(changed, 1);
  // With Shift a second rectangle is added.
  InjectKey(VK_SHIFT, true);
  Drag(v.get(), {{60, 50}, {65, 55}});
  InjectKey(VK_SHIFT, false);
  EXPECT_EQ(v->GetSelectionPointCount(), 9);
  EXPECT_TRUE(v->SelectionMask()->IsPointInside(6, 6));
  EXPECT_TRUE(v->SelectionMask()->IsPointInside(32, 17));
  // With Alt a square (pressed outside the selection, which a press inside moves).
  v->Deselect();
  InjectKey(VK_MENU, true);
  Drag(v.get(), {{35, 40}, {55, 45}});
  InjectKey(VK_MENU, false);
  EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{5, 5, 25, 5, 25, 25, 5, 25}));
  // Dragging inside moves it, clamped to the image.
  Drag(v.get(), {{40, 50}, {50, 52}, {90, 52}});
  EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{20, 7, 40, 7, 40, 27, 20, 27}));
  EXPECT_EQ(v->SelectionMask()->Left, 20);
  EXPECT_EQ(v->SelectionMask()->Top, 7);
  // A grip: the bottom-right corner at client (70, 62) dragged to (60, 50).
  Drag(v.get(), {{70, 62}, {65, 55}, {60, 50}});
  EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{20, 7, 31, 7, 31, 16, 20, 16}));
  EXPECT_EQ(v->SelectionMask()->Right, 30);
  // A click without moving removes the selection.
  Click(v.get(), 10, 10);
  EXPECT_FALSE(v->HasSelection());
}

TEST_F(ViewMouse, CirclePolygonLassoAndMagicWand) {
  ViewPtr v = MakeView(200, 200, 100, 100);  // image at (50, 50)
  // Circles: 50 points at least, else Trunc(2 pi min(rx, ry)).
  v->SetMouseInteract(TIEMouseInteract{miSelectCircle});
  Drag(v.get(), {{100, 100}, {105, 107}});
  EXPECT_EQ(v->GetSelectionPointCount(), 50);
  v->Deselect();
  Drag(v.get(), {{100, 100}, {120, 130}});
  EXPECT_EQ(v->GetSelectionPointCount(), 125);
  EXPECT_EQ(Points(v.get())[0], 70);  // (cx + rx, cy)
  EXPECT_EQ(Points(v.get())[1], 50);
  EXPECT_TRUE(v->SelectionMask()->IsPointInside(50, 50));
  EXPECT_FALSE(v->SelectionMask()->IsPointInside(68, 74));

  // A polygon: clicks, the last one doubled.
  v->SetMouseInteract(TIEMouseInteract{miSelectPolygon});
  EXPECT_EQ(v->MouseInteract(), TIEMouseInteract{miSelectPolygon});
  Click(v.get(), 60, 60);
  Click(v.get(), 90, 60);
  // With Alt the next point lies on a 45-degree line from the last.
  InjectKey(VK_MENU, true);
  Click(v.get(), 120, 89);
  InjectKey(VK_MENU, false);
  HeadlessAdvanceClock(1000);
  MouseAt(v.get(), 60, 90);
  for (int k = 0; k < 2; ++k) {
    InjectMouseButton(VK_LBUTTON, true);
    Pump();
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
  }
  EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{10, 10, 40, 10, 70, 40, 10, 40}));
  EXPECT_TRUE(v->SelectionMask()->IsPointInside(20, 20));
  EXPECT_TRUE(v->HasSelection());

  // Changing the mode ends a polygon in progress without its last point.
  v->Deselect();
  Click(v.get(), 60, 60);
  Click(v.get(), 90, 60);
  Click(v.get(), 90, 90);
  Click(v.get(), 60, 90);
  v->SetMouseInteract(TIEMouseInteract{miSelectLasso});
  EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{10, 10, 40, 10, 40, 40}));

  // A lasso follows the drag.
  v->Deselect();
  Drag(v.get(), {{60, 60}, {100, 60}, {100, 100}, {60, 100}});
  EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{10, 10, 50, 10, 50, 50, 10, 50}));
  EXPECT_EQ(v->SelectionMask()->Right, 49);

  // The magic wand at the clicked pixel.
  TIEBitmap* b = v->GetIEBitmap();
  b->Fill(0);
  for (int32_t y = 20; y < 30; ++y)
    for (int32_t x = 20; x < 35; ++x) b->SetRGB24(x, y, MakeRGBTriple(0, 200, 0));
  v->Update();
  v->SetMouseInteract(TIEMouseInteract{miSelectMagicWand});
  v->Deselect();
  Click(v.get(), 75, 75);
  EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{20, 20, 35, 20, 35, 20, 35, 30, 35, 30, 20, 30, 20, 30, 20, 20}));
  EXPECT_EQ(v->SelectionMask()->Left, 20);
  EXPECT_EQ(v->SelectionMask()->Bottom, 29);
}

TEST_F(ViewMouse, NavigatorFrameMovesTheView) {
  ViewPtr v = MakeView(100, 100, 400, 400);
  ViewPtr nav = MakeView(100, 100, 2, 2);
  v->SetNavigator(nav.get());
  EXPECT_EQ(nav->MouseInteract(), TIEMouseInteract{miSelect});
  EXPECT_EQ(nav->SelectionBase(), iesbBitmap);
  // The frame: the visible part, as a fixed-size selection of the navigator.
  v->SetViewXY(100, 60);
  const int32_t r = 100 + v->GetViewWidth(), b = 60 + v->GetViewHeight();
  EXPECT_EQ(Points(nav.get()), (std::vector<int32_t>{100, 60, r, 60, r, b, 100, b}));
  EXPECT_FALSE(nav->SelectionPolygon().Sizeable);
  // Dragging the frame in the navigator (at 25 %) scrolls the view.
  ASSERT_DOUBLE_EQ(nav->Zoom(), 25);
  const int32_t fx = nav->OffsetX() + 150 / 4, fy = nav->OffsetY() + 110 / 4;
  Drag(nav.get(), {{fx, fy}, {fx + 5, fy + 2}, {fx + 10, fy + 4}});
  EXPECT_EQ(v->ViewX(), 140);
  EXPECT_EQ(v->ViewY(), 76);
  EXPECT_EQ(nav->SelectionX1(), 140);
  EXPECT_EQ(nav->SelectionY1(), 76);
  // Unlinked, the navigator lets go of the handler.
  v->SetNavigator(nullptr);
  EXPECT_FALSE(static_cast<bool>(nav->OnSelectionChanging));
}

}  // namespace
