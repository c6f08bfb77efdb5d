// The dock's row layout: windows per row, row breaks, own rows, shrinking,
// stretching and the dock's size, on horizontal and vertical docks.
#include <string>
#include <vector>

#include "tests/toolbar/DockTestSupport.h"
#include "rtl/Exception.h"

namespace {

// One window: content size, requested row and position, and its options.
struct TBarSpec {
  int32_t W, H, Row, Pos;
  bool FullSize = false;
  bool Stretch = false;
  TDKShrinkMode Mode = dksmNone;
  int32_t Min = 0;
  bool Visible = true;
};

struct TLayoutCase {
  const char* Name;
  TDKDockPosition Position;
  int32_t Length;  // of the dock along its edge
  bool OneRow;
  std::vector<TBarSpec> Bars;
  std::vector<std::string> Expected;  // bounds of each shown window, in Bars order
  int32_t Thickness;                  // of the dock across
};

// Horizontal docks add 4 + 6 (handle) along and 4 across; vertical ones
// 4 across and 4 + 6 along.
const TLayoutCase kCases[] = {
    {"RowInRequestedOrder", dpTop, 400, false,
     {{50, 20, 0, 0}, {50, 20, 0, 100}, {50, 20, 0, 30}},
     {"0,0,60,24", "120,0,60,24", "60,0,60,24"}, 24},
    {"GapBeforeALaterWindowIsKept", dpTop, 400, false,
     {{50, 20, 0, 0}, {50, 20, 0, 200}},
     {"0,0,60,24", "200,0,60,24"}, 24},
    {"RowBreaksWhenTheRowIsFull", dpTop, 150, false,
     {{50, 20, 0, 0}, {50, 20, 0, 70}, {50, 20, 0, 140}},
     {"0,0,60,24", "70,0,60,24", "90,24,60,24"}, 48},
    {"FullSizeWindowTakesARowOfItsOwnFirst", dpTop, 400, false,
     {{50, 20, 0, 0}, {50, 20, 0, 50, true}},
     {"0,24,60,24", "0,0,400,24"}, 48},
    {"RowsTakeTheirThickestWindow", dpTop, 400, false,
     {{50, 20, 0, 0}, {50, 30, 1, 0}, {40, 10, 1, 80}},
     {"0,0,60,24", "0,24,60,34", "80,24,50,34"}, 58},
    {"EmptyRowsCloseUp", dpTop, 400, false,
     {{50, 20, 0, 0}, {50, 20, 3, 0}},
     {"0,0,60,24", "0,24,60,24"}, 48},
    {"RowOfHiddenWindowsKeepsItsNumber", dpTop, 400, false,
     {{50, 20, 0, 0}, {50, 20, 1, 0, false, false, dksmNone, 0, false}, {50, 20, 2, 0}},
     {"0,0,60,24", "", "0,24,60,24"}, 48},
    {"StretchedWindowFillsTheRow", dpTop, 400, false,
     {{50, 20, 0, 0}, {50, 20, 0, 60, false, true}},
     {"0,0,60,24", "60,0,340,24"}, 24},
    {"ChevronWindowsShrinkFromTheEnd", dpTop, 100, false,
     {{50, 20, 0, 0, false, false, dksmChevron, 20}, {50, 20, 0, 60, false, false, dksmChevron, 20}},
     {"0,0,60,24", "60,0,40,24"}, 24},
    {"NoneWindowsWrapInsteadOfShrinking", dpTop, 100, false,
     {{50, 20, 0, 0}, {50, 20, 0, 60}},
     {"0,0,60,24", "40,24,60,24"}, 48},
    {"OneRowShrinksAndNeverWraps", dpTop, 100, true,
     {{50, 20, 0, 0, false, false, dksmChevron, 20}, {50, 20, 2, 60, false, false, dksmChevron, 20}},
     {"0,0,60,24", "60,0,40,24"}, 24},
    {"WrapWindowShrinksOnlyAlone", dpTop, 40, false,
     {{50, 20, 0, 0, false, false, dksmWrap, 20}},
     {"0,0,40,24"}, 24},
    {"VerticalDockLaysOutDownwards", dpLeft, 300, false,
     {{50, 20, 0, 0}, {50, 20, 0, 40}, {30, 20, 1, 0}},
     {"0,0,54,30", "0,40,54,30", "54,0,34,30"}, 88},
};

class DockLayoutTest : public ToolbarTest, public ::testing::WithParamInterface<TLayoutCase> {};

TEST_P(DockLayoutTest, PlacesWindowsInRows) {
  const TLayoutCase& c = GetParam();
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 600, 500);
  auto* dock = new TDKDock(form);
  dock->SetPosition(c.Position);
  dock->SetParent(form);
  form->HandleNeeded();
  if (c.Position == dpLeft) {
    dock->SetAlign(alNone);
    dock->SetBounds(0, 0, 0, c.Length);
  } else {
    dock->SetAlign(alNone);
    dock->SetBounds(0, 0, c.Length, 0);
  }
  dock->SetLimitToOneRow(c.OneRow);
  std::vector<TTestBar*> bars;
  dock->SuspendLayout();
  for (const TBarSpec& s : c.Bars) {
    auto* b = new TTestBar(form, TSize{s.W, s.H}, s.Mode, s.Min);
    b->SetDockRow(s.Row);
    b->SetDockPos(s.Pos);
    b->SetFullSize(s.FullSize);
    b->SetStretch(s.Stretch);
    b->SetVisible(s.Visible);
    b->SetCurrentDock(dock);
    bars.push_back(b);
  }
  dock->ResumeLayout();
  dock->LayoutToolbars();
  for (size_t i = 0; i < bars.size(); ++i) {
    if (c.Expected[i].empty()) continue;
    EXPECT_EQ(BoundsText(bars[i]), c.Expected[i]) << "window " << i;
  }
  EXPECT_EQ(c.Position == dpLeft ? dock->Width() : dock->Height(), c.Thickness);
  form->Free();
}

INSTANTIATE_TEST_SUITE_P(Cases, DockLayoutTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TLayoutCase>& i) { return std::string(i.param.Name); });

class DockTest : public ToolbarTest {};

TEST_F(DockTest, EmptyDockIsFlatAndGrowsWithItsFirstWindow) {
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 400, 300);
  auto* dock = new TDKDock(form);
  dock->SetParent(form);
  form->HandleNeeded();
  dock->LayoutToolbars();
  EXPECT_EQ(dock->Height(), 0);
  dock->SetFixAlign(true);
  EXPECT_EQ(dock->Height(), 1);
  std::vector<std::pair<bool, TDKCustomDockableWindow*>> events;
  dock->OnInsertRemoveBar = [&](TObject*, bool ins, TDKCustomDockableWindow* w) { events.push_back({ins, w}); };
  dock->SetBoundLines(BoundLineBit(blTop) | BoundLineBit(blBottom));
  auto* bar = new TTestBar(form, TSize{50, 20});
  bar->SetCurrentDock(dock);
  EXPECT_EQ(dock->Height(), 24 + 2);
  EXPECT_EQ(dock->ClientHeight(), 24);
  bar->SetVisible(false);
  EXPECT_EQ(dock->Height(), 1);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_TRUE(events[0].first);
  EXPECT_FALSE(events[1].first);
  EXPECT_EQ(events[1].second, bar);
  form->Free();
}

TEST_F(DockTest, PositionCannotChangeWithWindowsAndDocksDoNotNest) {
  auto* form = new TForm(Application);
  auto* dock = new TDKDock(form);
  dock->SetParent(form);
  auto* bar = new TTestBar(form, TSize{50, 20});
  bar->SetParent(form);
  bar->SetCurrentDock(dock);
  EXPECT_THROW(dock->SetPosition(dpLeft), EInvalidOperation);
  EXPECT_EQ(dock->Position(), dpTop);
  auto* inner = new TDKDock(form);
  EXPECT_THROW(inner->SetParent(dock), EInvalidOperation);
  EXPECT_THROW(inner->SetParent(bar), EInvalidOperation);
  form->Free();
}

TEST_F(DockTest, DockedFrameHasAHandleOnlyWhenTheDockAllowsDragging) {
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 400, 300);
  auto* dock = new TDKDock(form);
  dock->SetParent(form);
  form->HandleNeeded();
  auto* bar = new TTestBar(form, TSize{50, 20});
  bar->SetCurrentDock(dock);
  EXPECT_EQ(bar->ClientRect(), (TRect{0, 0, 50, 20}));
  EXPECT_EQ(BoundsText(bar), "0,0,60,24");
  bar->SetDragHandleStyle(dhDouble);
  EXPECT_EQ(BoundsText(bar), "0,0,63,24");
  bar->SetCloseButtonWhenDocked(true);
  EXPECT_EQ(BoundsText(bar), "0,0,68,24");
  EXPECT_EQ(bar->GetCloseButtonRect(false), (Bounds(3, 2, 11, 11)));
  dock->SetAllowDrag(false);
  EXPECT_EQ(BoundsText(bar), "0,0,54,24");
  EXPECT_FALSE(bar->DragAllowed());
  // A press on the frame still answers the drag area.
  TRect wr = WindowRectOf(bar);
  EXPECT_EQ(SendMessage(bar->Handle(), WM_NCHITTEST, 0, MAKELPARAM(wr.Left, wr.Top)), htDragArea);
  form->Free();
}

}  // namespace
