// A toolbar under injected input: dragged off its dock it floats, dragged
// onto another dock it docks there, double clicks take it back, it resizes
// in steps while floating, and its place survives the settings store.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>
#include <cstring>
#include <string>

#include "platform/Registry.h"
#include "toolbar/DKCommon.h"
#include "tests/toolbar/DockTestSupport.h"
#include "toolbar/TDKToolbarPositions.h"

namespace {

class DockingTest : public DockFormTest {
 protected:
  // The middle of the docked frame's drag handle, on the screen.
  TPoint HandlePoint(TDKCustomDockableWindow* W) {
    TRect r = WindowRectOf(W);
    return W->CurrentDock()->IsVertical() ? TPoint{(r.Left + r.Right) / 2, r.Top + 4}
                                          : TPoint{r.Left + 4, (r.Top + r.Bottom) / 2};
  }
  // A point on the floating window's caption.
  TPoint CaptionPoint(TDKCustomDockableWindow* W) {
    TRect r = WindowRectOf(W->HostWindow());
    return TPoint{r.Left + 12, r.Top + 4 + 6};
  }
  void DoubleClick(TPoint P) {
    InjectMouseMove(P);
    InjectMouseButton(VK_LBUTTON, true);
    InjectMouseButton(VK_LBUTTON, false);
    InjectMouseButton(VK_LBUTTON, true);
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
    Pump();
  }
};

TEST_F(DockingTest, ToolbarFloatsDocksElsewhereAndComesBack) {
  TDKCustomToolbar* tb = MakeToolbar("Bar", top, 4);
  ASSERT_EQ(tb->CurrentDock(), top);
  EXPECT_EQ(BoundsText(tb), "0,0,170,24");  // 4 items of 40 plus the docked frame
  EXPECT_EQ(top->Height(), 24);

  // Off the dock into the middle of the form: it floats under the cursor.
  TPoint start = HandlePoint(tb);
  Drag(start, {{start.X + 50, start.Y + 60}, {start.X + 120, start.Y + 150}});
  ASSERT_TRUE(tb->IsFloating());
  EXPECT_EQ(tb->CurrentDock(), nullptr);
  EXPECT_EQ(top->Height(), 0);
  EXPECT_EQ(tb->LastDock(), top);
  ASSERT_NE(tb->HostWindow(), nullptr);
  EXPECT_TRUE(IsWindowVisible(tb->HostWindow()->Handle()));
  TRect fr = WindowRectOf(tb->HostWindow());
  EXPECT_LE(fr.Left, start.X + 120);
  EXPECT_GT(fr.Right, start.X + 120);
  EXPECT_EQ(tb->ClientWidth(), 4 * 40 + 8);  // floating margins of 4 on each side

  // By its caption onto the bottom dock.
  TPoint cap = CaptionPoint(tb);
  TRect br = WindowRectOf(bottom);
  TPoint target{br.Left + 100, br.Top - 2};
  Drag(cap, {{cap.X + 5, cap.Y + 5}, target});
  EXPECT_EQ(tb->CurrentDock(), bottom);
  EXPECT_FALSE(tb->IsFloating());
  EXPECT_EQ(bottom->Height(), 24);
  EXPECT_EQ(tb->HostWindow(), nullptr);

  // A double click on the handle floats it, one on the caption docks it
  // into its last dock again; the floating window freed inside its own
  // double-click handler goes once that handler has returned.
  DoubleClick(HandlePoint(tb));
  ASSERT_TRUE(tb->IsFloating());
  TDKFloatingWindowParent* host = tb->HostWindow();
  ASSERT_NE(host, nullptr);
  HWND hostWnd = host->Handle();
  DoubleClick(CaptionPoint(tb));
  EXPECT_EQ(tb->CurrentDock(), bottom);
  Pump();
  EXPECT_FALSE(IsWindow(hostWnd));
}

TEST_F(DockingTest, CannotFloatToolbarShowsNoDropAndStays) {
  TDKCustomToolbar* tb = MakeToolbar("Bar", top, 3);
  tb->SetDockMode(dmCannotFloat);
  tb->SetFullSize(true);
  TPoint start = HandlePoint(tb);
  HCURSOR seen = nullptr;
  InjectMouseMove(start);
  RunMenuSteps({[&] { InjectMouseMove(TPoint{start.X + 100, start.Y + 150}); },
                [&] { seen = GetCursor(); },
                [&] { InjectMouseButton(VK_LBUTTON, false); }},
               [&] {
                 InjectMouseButton(VK_LBUTTON, true);
                 Pump();
               });
  Pump();
  EXPECT_EQ(CursorStandardId(seen), IDC_NO);
  EXPECT_EQ(tb->CurrentDock(), top);
  EXPECT_EQ(tb->LayoutRow(), 0);
  EXPECT_EQ(tb->LayoutPos(), 0);
  EXPECT_EQ(BoundsText(tb), "0,0," + std::to_string(form->ClientWidth()) + ",24");
}

TEST_F(DockingTest, EscapeDuringALiveDragLeavesTheLastStep) {
  // A live drag applies each step at once; Escape ends the loop and applies
  // nothing further, so the window stays where the last step put it.
  TDKCustomToolbar* tb = MakeToolbar("Bar", top, 2);
  TPoint start = HandlePoint(tb);
  InjectMouseMove(start);
  RunMenuSteps({[&] { InjectMouseMove(TPoint{start.X + 100, start.Y + 150}); },
                [&] {
                  InjectKey(VK_ESCAPE, true);
                  InjectKey(VK_ESCAPE, false);
                }},
               [&] {
                 InjectMouseButton(VK_LBUTTON, true);
                 Pump();
               });
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_TRUE(tb->IsFloating());
  EXPECT_EQ(GetCapture(), nullptr);

  // Without live dragging the outline is drawn on the screen and Escape
  // leaves the window where it was.
  tb->SetSmoothDrag(false);
  tb->SetCurrentDock(top);
  Pump();
  HeadlessAdvanceClock(2000);  // no double click with the first press
  start = HandlePoint(tb);
  auto differing = [](const Surface& a, const Surface& b) {
    int32_t n = 0;
    for (int32_t y = 0; y < a.Height(); ++y)
      for (int32_t x = 0; x < a.Width(); ++x)
        if ((a.Get(x, y) & 0xFFFFFF) != (b.Get(x, y) & 0xFFFFFF)) ++n;
    return n;
  };
  Surface before = CopyScreen();
  int32_t outlinePixels = 0;
  InjectMouseMove(start);
  RunMenuSteps({[&] { InjectMouseMove(TPoint{start.X + 100, start.Y + 150}); },
                [&] {
                  // The inverted outline shows on the screen, not in any window.
                  outlinePixels = differing(before, CopyScreen());
                },
                [&] {
                  InjectKey(VK_ESCAPE, true);
                  InjectKey(VK_ESCAPE, false);
                }},
               [&] {
                 InjectMouseButton(VK_LBUTTON, true);
                 Pump();
               });
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_GT(outlinePixels, 100);
  EXPECT_EQ(tb->CurrentDock(), top);
  EXPECT_FALSE(tb->IsFloating());
  EXPECT_EQ(differing(before, CopyScreen()), 0) << "the outline is erased";
}

TEST_F(DockingTest, FloatingToolbarResizesInWrapSteps) {
  TDKCustomToolbar* tb = MakeToolbar("Bar", top, 4);
  tb->SetFloating(true);
  Pump();
  TDKFloatingWindowParent* host = tb->HostWindow();
  ASSERT_NE(host, nullptr);
  TRect r0 = WindowRectOf(host);
  ASSERT_EQ(tb->ClientWidth(), 168);
  ASSERT_EQ(tb->FloatWrapWidth(), 0);
  // The steps: one line of four, two lines of two... each its narrowest.
  std::vector<TSize> steps = tb->ListSizeSteps();
  ASSERT_GE(steps.size(), 3u);
  EXPECT_EQ(steps[0], (TSize{168, 23}));
  EXPECT_EQ(steps[1].cx, 2 * 40 + 8);
  // Pull the right edge 30 pixels in: more than the snap distance, so the
  // window snaps to the two-line step.
  TPoint edge{r0.Right - 2, (r0.Top + r0.Bottom) / 2};
  Drag(edge, {{edge.X - 10, edge.Y}, {edge.X - 30, edge.Y}});
  TRect r1 = WindowRectOf(host);
  EXPECT_EQ(r1.Left, r0.Left);
  EXPECT_EQ(r1.Width(), r0.Width() - 168 + 88);
  EXPECT_GT(r1.Height(), r0.Height());
  EXPECT_EQ(tb->FloatWrapWidth(), 88);
  EXPECT_EQ(tb->ClientWidth(), 88);
  // Back out beyond the one-line width: one line again.
  TPoint edge1{r1.Right - 2, (r1.Top + r1.Bottom) / 2};
  Drag(edge1, {{edge1.X + 150, edge1.Y}});
  EXPECT_EQ(WindowRectOf(host).Width(), r0.Width());
  EXPECT_EQ(tb->FloatWrapWidth(), 0);
}

TEST_F(DockingTest, DragOfAOnePixelWindowKeepsTheCursorAtItsCorner) {
  // A window one pixel wide and high has no length to share the grab point
  // with; the outline starts at the cursor rather than one pixel off.
  auto* w = new TTestBar(form, TSize{1, 1});
  w->SetAutoResize(false);
  w->SetParent(form);
  w->SetBounds(10, 80, 1, 1);
  Pump();
  TPoint at = w->ClientToScreen(TPoint{0, 0});
  InjectMouseMove(at);
  TPoint to{at.X + 150, at.Y + 100};
  RunMenuSteps({[&] { InjectMouseMove(to); }, [&] { InjectMouseButton(VK_LBUTTON, false); }},
               [&] {
                 InjectMouseButton(VK_LBUTTON, true);
                 Pump();  // the press reaches the window, which cannot drag by itself
                 w->TrackDrag(0, 0);
               });
  ASSERT_TRUE(w->IsFloating());
  TRect fr = WindowRectOf(w->HostWindow());
  EXPECT_EQ(fr.Left, to.X);
  EXPECT_EQ(fr.Top, to.Y);
}

TEST_F(DockingTest, DockedCloseButtonClosesOnlyWhenReleasedOverIt) {
  TDKCustomToolbar* tb = MakeToolbar("Bar", top, 2);
  tb->SetCloseButtonWhenDocked(true);
  Pump();
  int closed = 0;
  tb->OnClose = [&](TObject*) { ++closed; };
  TRect wr = WindowRectOf(tb);
  TRect b = tb->GetCloseButtonRect(false);
  OffsetRect(&b, wr.Left, wr.Top);
  TPoint in = CentreOfRect(b);
  // Released beside the button: nothing closes, the button is up again.
  Drag(in, {{in.X + 40, in.Y + 30}});
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(tb->Visible());
  EXPECT_FALSE(tb->ClosePressed());
  HeadlessAdvanceClock(2000);
  Drag(in, {{in.X + 1, in.Y}});
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(tb->Visible());
  EXPECT_EQ(top->Height(), 0);
}

TEST_F(DockingTest, FloatingWindowWithoutDocksStaysOnDoubleClickAndKeepsOnScreen) {
  TDKCustomToolbar* tb = MakeToolbar("Bar", top, 2);
  tb->SetFloating(true);
  tb->SetUseLastDock(false);
  Pump();
  ASSERT_TRUE(tb->IsFloating());
  EXPECT_EQ(tb->LastDock(), nullptr);
  tb->ToggleDocking();  // no last dock, no default dock
  EXPECT_TRUE(tb->IsFloating());
  tb->SetDefaultDock(bottom);
  tb->ToggleDocking();
  EXPECT_EQ(tb->CurrentDock(), bottom);
  EXPECT_EQ(tb->DockRow(), 0);
  EXPECT_EQ(tb->DockPos(), -8);

  // Larger than the work area: its left and top edges stay inside.
  tb->SetFloating(true);
  Pump();
  TWinControl* host = tb->HostWindow();
  host->SetBounds(-300, -200, 2000, 1500);
  tb->KeepOnScreen(false);
  TRect work = PrimaryMonitorRect(true);
  EXPECT_EQ(host->Left(), work.Left);
  EXPECT_EQ(host->Top(), work.Top);
}

class PositionsTest : public DockingTest {
 protected:
  void SetUp() override {
    static int n = 0;
    dir = testing::TempDir() + "nobrivo-tbpos-" + std::to_string(getpid()) + "-" + std::to_string(++n);
    setenv("NOBRIVO_CONFIG_DIR", dir.c_str(), 1);
    DockingTest::SetUp();
  }
  void TearDown() override {
    DockingTest::TearDown();
    std::string f = RegistryFilePath();
    unlink(f.c_str());
    rmdir(dir.c_str());
    unsetenv("NOBRIVO_CONFIG_DIR");
  }
  std::string dir;
};

TEST_F(PositionsTest, PlacementsRoundTripThroughTheSettingsStore) {
  TDKCustomToolbar* a = MakeToolbar("BarA", top, 3);
  TDKCustomToolbar* b = MakeToolbar("BarB", top, 2);
  b->SetDockRow(1);
  b->SetDockPos(30);
  a->SetFloating(true);
  a->PlaceFloating(Bounds(250, 220, 10, 10));
  a->SetFloatWrapWidth(88);
  Pump();
  TRect floatRect = WindowRectOf(a->HostWindow());
  DKSaveToolbarPositions(form, "Software\\Nobrivo\\Toolbars");

  // Everything moved elsewhere, then read back.
  a->SetCurrentDock(left);
  a->SetFloatWrapWidth(0);
  b->SetCurrentDock(bottom);
  Pump();
  DKLoadToolbarPositions(form, "Software\\Nobrivo\\Toolbars");
  Pump();
  ASSERT_TRUE(a->IsFloating());
  EXPECT_EQ(WindowRectOf(a->HostWindow()), floatRect);
  EXPECT_EQ(a->FloatWrapWidth(), 88);
  EXPECT_EQ(b->CurrentDock(), top);
  EXPECT_EQ(b->DockRow(), 1);
  EXPECT_EQ(b->DockPos(), 30);
}

TEST_F(PositionsTest, FloatingPlaceOutsideEveryMonitorComesBackOntoTheWorkArea) {
  TDKCustomToolbar* a = MakeToolbar("BarA", top, 3);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Nobrivo\\Toolbars\\BarA", 0, nullptr, 0, KEY_ALL_ACCESS,
                           nullptr, &key, nullptr),
            ERROR_SUCCESS);
  auto put = [&](const char* n, const char* v) {
    RegSetValueEx(key, n, 0, REG_SZ, reinterpret_cast<const BYTE*>(v), DWORD(std::strlen(v) + 1));
  };
  put("DockedTo", "+");
  put("FloatLeft", "5000");
  put("FloatTop", "-900");
  put("Visible", "1");
  RegCloseKey(key);
  DKLoadToolbarPositions(form, "Software\\Nobrivo\\Toolbars");
  Pump();
  ASSERT_TRUE(a->IsFloating());
  TRect r = WindowRectOf(a->HostWindow());
  TRect work = PrimaryMonitorRect(true);
  EXPECT_EQ(r.Right, work.Right);
  EXPECT_EQ(r.Top, work.Top);
}

}  // namespace

namespace {

// Top-level windows from the top of the stack down, among Of.
std::vector<HWND> StackOrder(const std::vector<HWND>& Of) {
  std::vector<HWND> out;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
    if (std::find(Of.begin(), Of.end(), w) != Of.end()) out.push_back(w);
  return out;
}

TEST_F(DockingTest, FloatingWindowShowsJustAboveItsFormBelowOtherWindows) {
  TDKCustomToolbar* tb = MakeToolbar("Bar", top, 2);
  tb->SetHideWhenInactive(false);
  // Another form of the program lies above the host form.
  auto* other = new TForm(Application);
  other->SetBounds(150, 150, 200, 150);
  other->Show();
  Pump();
  tb->SetFloating(true);
  Pump();
  ASSERT_TRUE(tb->IsFloating());
  HWND floater = tb->HostWindow()->Handle();
  EXPECT_TRUE(IsWindowVisible(floater));
  EXPECT_EQ(GetWindow(floater, GW_OWNER), form->Handle());
  EXPECT_EQ(StackOrder({form->Handle(), other->Handle(), floater}),
            (std::vector<HWND>{other->Handle(), floater, form->Handle()}));

  // Shown again after hiding, it goes back there, here above the host form
  // but under the other form.
  tb->SetVisible(false);
  Pump();
  EXPECT_FALSE(IsWindowVisible(floater));
  SetWindowPos(floater, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  tb->SetVisible(true);
  Pump();
  EXPECT_TRUE(IsWindowVisible(floater));
  EXPECT_EQ(StackOrder({form->Handle(), other->Handle(), floater}),
            (std::vector<HWND>{other->Handle(), floater, form->Handle()}));

  // On top of all forms it belongs to the application's window.
  tb->SetVisible(false);
  Pump();
  tb->SetFloatingMode(fmOnTopOfAllForms);
  tb->SetVisible(true);
  Pump();
  EXPECT_EQ(GetWindow(tb->HostWindow()->Handle(), GW_OWNER), Application->Handle());
  other->Free();
}

}  // namespace

namespace {

TEST_F(DockingTest, StreamedPlacementOfAFloatingWindow) {
  TDKCustomToolbar* tb = MakeToolbar("Bar", top, 2);
  EXPECT_FALSE(tb->StoresLastDock());  // docked: the dock holds it
  EXPECT_FALSE(tb->StoresSize());
  EXPECT_TRUE(tb->WritesSavedAtRunTime());
  tb->SetFloating(true);
  Pump();
  ASSERT_TRUE(tb->IsFloating());
  EXPECT_TRUE(tb->StoresLastDock());
  EXPECT_FALSE(tb->StoresSize());
  TRect before = WindowRectOf(tb->HostWindow());

  // Saved at run time: the bounds read stay as they are.
  tb->BeginLoading();
  tb->SetSavedAtRunTime(true);
  tb->EndLoading();
  Pump();
  EXPECT_EQ(WindowRectOf(tb->HostWindow()).Left, before.Left);
  EXPECT_EQ(WindowRectOf(tb->HostWindow()).Top, before.Top);

  // From a design-time stream the position read is in the host form's
  // client coordinates: the floating window goes there on the screen.
  tb->BeginLoading();
  tb->SetBounds(20, 30, tb->Width(), tb->Height());
  tb->EndLoading();
  Pump();
  TPoint expect = form->ClientToScreen(TPoint{20, 30});
  EXPECT_EQ(tb->FloatingPos().X, expect.X);
  EXPECT_EQ(tb->FloatingPos().Y, expect.Y);
  EXPECT_EQ(WindowRectOf(tb->HostWindow()).Left, expect.X);
  EXPECT_EQ(WindowRectOf(tb->HostWindow()).Top, expect.Y);
  EXPECT_EQ(tb->Left(), 0);  // inside its floating window as ever
  EXPECT_EQ(tb->Top(), 0);
}

}  // namespace

TEST_F(DockingTest, ToolbarsOfDifferentHeightsInOneRowCentreTheirItemsAcrossTheRow) {
  TDKCustomToolbar* low = MakeToolbar("Low", top, 2);  // items 40 x 20
  auto* tall = new TDKCustomToolbar(form);
  tall->SetName("Tall");
  auto* big = new TSizedItem(form, 40, 36);
  tall->Items()->Add(big);
  tall->SetDockRow(0);
  tall->SetDockPos(200);
  tall->SetCurrentDock(top);
  Pump();
  ASSERT_EQ(low->DockRow(), tall->DockRow());
  ASSERT_EQ(low->Top(), tall->Top()) << "both in one row";
  // The row takes the tall toolbar's height; the low toolbar is as high as
  // the row and its items stand in the middle of it, not at its top.
  ASSERT_EQ(low->Height(), tall->Height());
  const int32_t client = low->ClientHeight();
  ASSERT_GT(client, 20);
  for (TDKCustomItem* it : {low->Items()->GetItem(0), low->Items()->GetItem(1)}) {
    TRect r = low->View()->ViewerOfItem(it)->BoundsRect;
    EXPECT_EQ(r.Height(), 20);
    EXPECT_EQ(r.Top, (client - 20) / 2) << it->Caption();
  }
  EXPECT_EQ(tall->View()->ViewerOfItem(big)->BoundsRect.Top, 0);
}
