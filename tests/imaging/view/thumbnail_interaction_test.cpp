// The thumbnail view and the user: Shift and region ranges, toggling and the
// click on a multi-selected image, keyboard moves at the ends of the list,
// the select events, and timed playback under the headless clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "ThumbnailTestSupport.h"
#include "platform/ScrollBar.h"

namespace {

class ThumbInteraction : public ViewFixture {};

// Cells of 20 x 10, borders 4 and 2: column step 24, row step 12.
MViewPtr MakeGrid(int32_t GridWidth, int32_t Count, int32_t ClientW, int32_t ClientH) {
  MViewPtr v = MakeMView(ClientW, ClientH);
  v->LockUpdate();
  v->SetThumbWidth(20);
  v->SetThumbHeight(10);
  v->SetHorizBorder(4);
  v->SetVertBorder(2);
  v->SetGridWidth(GridWidth);
  for (int32_t i = 0; i < Count; ++i) v->InsertImage(i);
  v->UnlockUpdate();
  return v;
}

// Holds a modifier key down for the life of the object.
struct HeldKey {
  int32_t vk;
  explicit HeldKey(int32_t k) : vk(k) {
    if (vk) InjectKey(vk, true);
  }
  ~HeldKey() {
    if (vk) InjectKey(vk, false);
    Pump();
  }
};

TPoint CellPoint(TImagoMView* v, int32_t Index) {
  const TIEMImageInfo* e = v->ImageInfo(Index);
  return TPoint{e->X - v->ViewX() + 10, e->Y - v->ViewY() + 5};
}

// A plain left click on the image, a second after anything before it.
void ClickImage(TImagoMView* v, int32_t Index, int32_t Modifier = 0) {
  HeadlessAdvanceClock(1000);
  const TPoint p = CellPoint(v, Index);
  MouseAt(v, p.X, p.Y);
  HeldKey held(Modifier);
  InjectMouseButton(VK_LBUTTON, true);
  Pump();
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
}

std::set<int32_t> MultiSelected(TImagoMView* v) {
  std::set<int32_t> s;
  for (int32_t i = 0; i < v->MultiSelectedImagesCount(); ++i) s.insert(v->MultiSelectedImages(i));
  return s;
}

struct RangeCase {
  int32_t grid_width;
  bool region;
  int32_t from, to;
  std::set<int32_t> expected;
};

TEST_F(ThumbInteraction, ShiftAndRegionRanges) {
  const std::vector<RangeCase> cases = {
      // One row: the images between the two join them.
      {0, false, 2, 5, {2, 3, 4, 5}},
      {0, false, 5, 2, {2, 3, 4, 5}},
      // Four columns: by index, across the row's end.
      {4, false, 1, 6, {1, 2, 3, 4, 5, 6}},
      // Four columns, region: the rectangle of rows and columns spanned.
      {4, true, 1, 6, {1, 2, 5, 6}},
      {4, true, 6, 1, {1, 2, 5, 6}},
      {4, true, 2, 9, {1, 2, 5, 6, 9, 10}},
      {4, true, 3, 8, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
  };
  for (const RangeCase& c : cases) {
    MViewPtr v = MakeGrid(c.grid_width, 12, c.grid_width ? 100 : 300, 40);
    v->SetEnableMultiSelect(true);
    if (c.region) v->MultiSelectionOptions = TIEMultiSelectionOptions{iemoRegion};
    ClickImage(v.get(), c.from);
    ClickImage(v.get(), c.to, VK_SHIFT);
    EXPECT_EQ(MultiSelected(v.get()), c.expected) << "grid " << c.grid_width << " region " << c.region << " "
                                                  << c.from << " to " << c.to;
    EXPECT_EQ(v->SelectedIndex(), c.to);
  }
}

TEST_F(ThumbInteraction, CtrlTogglesAndASecondClickOnASelectedImageActsOnRelease) {
  MViewPtr v = MakeGrid(4, 12, 100, 40);
  v->SetEnableMultiSelect(true);
  ClickImage(v.get(), 1);
  ClickImage(v.get(), 3, VK_CONTROL);
  ClickImage(v.get(), 6, VK_CONTROL);
  EXPECT_EQ(MultiSelected(v.get()), (std::set<int32_t>{1, 3, 6}));
  // Ctrl on a selected image takes it out.
  ClickImage(v.get(), 3, VK_CONTROL);
  EXPECT_EQ(MultiSelected(v.get()), (std::set<int32_t>{1, 6}));
  EXPECT_EQ(v->SelectedIndex(), -1);

  // A plain press on a selected image keeps the multi-selection until the
  // button comes up; the release then selects that image alone.
  HeadlessAdvanceClock(1000);
  const TPoint p = CellPoint(v.get(), 6);
  MouseAt(v.get(), p.X, p.Y);
  InjectMouseButton(VK_LBUTTON, true);
  Pump();
  EXPECT_EQ(MultiSelected(v.get()), (std::set<int32_t>{1, 6}));
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_EQ(MultiSelected(v.get()), (std::set<int32_t>{6}));
  EXPECT_EQ(v->SelectedIndex(), 6);
}

// Dragging over the images selects the range from the pressed one; with
// scrolling alone, dragging moves the view with the pointer.
TEST_F(ThumbInteraction, DraggingSelectsARangeOrScrolls) {
  MViewPtr v = MakeGrid(4, 12, 100, 40);
  v->SetEnableMultiSelect(true);
  Drag(v.get(), {CellPoint(v.get(), 1), CellPoint(v.get(), 2), CellPoint(v.get(), 6)});
  EXPECT_EQ(MultiSelected(v.get()), (std::set<int32_t>{1, 2, 3, 4, 5, 6}));
  // Back towards the press: the range shrinks.
  Drag(v.get(), {CellPoint(v.get(), 2), CellPoint(v.get(), 6), CellPoint(v.get(), 3)});
  EXPECT_EQ(MultiSelected(v.get()), (std::set<int32_t>{2, 3}));

  MViewPtr s = MakeGrid(4, 12, 100, 26);
  s->SetMouseInteract(TIEMMouseInteract{mmiScroll});
  Drag(s.get(), {TPoint{50, 20}, TPoint{50, 14}, TPoint{50, 8}});
  EXPECT_EQ(s->ViewY(), 12);
  EXPECT_EQ(s->SelectedIndex(), -1);
}

TEST_F(ThumbInteraction, SelectEventsReportOnlyTheUser) {
  MViewPtr v = MakeGrid(4, 12, 100, 40);
  std::vector<int32_t> selected, deselected;
  v->OnImageSelect = [&](TObject*, int32_t i) { selected.push_back(i); };
  v->OnImageDeselect = [&](TObject*, int32_t i) { deselected.push_back(i); };
  v->SelectImage(2);
  v->ClearSelection();
  EXPECT_EQ(v->SelectedIndex(), -1);
  EXPECT_TRUE(selected.empty());
  EXPECT_TRUE(deselected.empty());
  ClickImage(v.get(), 5);
  EXPECT_EQ(selected, std::vector<int32_t>{5});
  ClickImage(v.get(), 7);
  EXPECT_EQ(selected, (std::vector<int32_t>{5, 7}));
  // The second press of a double click leaves the selection alone.
  const TPoint p = CellPoint(v.get(), 7);
  MouseAt(v.get(), p.X, p.Y);
  InjectMouseButton(VK_LBUTTON, true);
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_EQ(selected, (std::vector<int32_t>{5, 7}));
  EXPECT_EQ(v->SelectedIndex(), 7);

  // Bad indexes change nothing.
  for (int32_t bad : {-1, -2, 12, 1000}) {
    v->SelectImage(bad);
    v->ChangeSelection(bad);
    EXPECT_EQ(v->SelectedIndex(), 7) << bad;
    EXPECT_FALSE(v->IsMultiSelected(bad));
  }
}

struct KeyCase {
  int32_t grid_width;
  int32_t count;
  int32_t start;  // -1: nothing selected
  int32_t key;
  int32_t expected;
};

// The moves stop at the first and the last image, and the view never
// scrolls to a cell beyond them.
TEST_F(ThumbInteraction, KeyboardMovesAtTheEdges) {
  const std::vector<KeyCase> cases = {
      // Four columns, twelve images, two rows shown.
      {4, 12, -1, VK_RIGHT, 0},
      {4, 12, -1, VK_LEFT, -1},
      {4, 12, -1, VK_UP, -1},
      {4, 12, -1, VK_PRIOR, -1},
      {4, 12, 11, VK_RIGHT, 11},
      {4, 12, 0, VK_LEFT, 0},
      {4, 12, 10, VK_DOWN, 11},
      {4, 12, 9, VK_DOWN, 11},
      {4, 12, 1, VK_UP, 0},
      {4, 12, 5, VK_END, 11},
      {4, 12, 11, VK_HOME, 0},
      {4, 12, 0, VK_NEXT, 8},  // a page is 4 columns x 2 rows
      {4, 12, 7, VK_NEXT, 11},
      {4, 12, 9, VK_PRIOR, 1},
      {4, 12, 3, VK_PRIOR, 0},
      // One row of six, three shown.
      {0, 6, 5, VK_RIGHT, 5},
      {0, 6, 5, VK_DOWN, 5},
      {0, 6, 0, VK_LEFT, 0},
      {0, 6, 0, VK_UP, 0},
      {0, 6, 2, VK_END, 5},
  };
  for (const KeyCase& c : cases) {
    MViewPtr v = c.grid_width ? MakeGrid(c.grid_width, c.count, 100, 26) : MakeGrid(0, c.count, 76, 40);
    v->SetFocus();
    // Start from the view's state after reaching the start image.
    if (c.start >= 0) {
      v->SelectImage(c.start);
      const TIEMImageInfo* e = v->ImageInfo(c.start);
      v->SetViewXY(e->X - 4, e->Y - 2);
    }
    InjectKey(c.key, true);
    InjectKey(c.key, false);
    Pump();
    EXPECT_EQ(v->SelectedIndex(), c.expected) << "grid " << c.grid_width << " from " << c.start << " key " << c.key;
    EXPECT_GE(v->ViewX(), 0);
    EXPECT_GE(v->ViewY(), 0);
    EXPECT_LE(v->ViewX(), v->MaxViewX());
    EXPECT_LE(v->ViewY(), v->MaxViewY());
    if (c.expected >= 0) {
      EXPECT_EQ(v->ImageVisibility(c.expected), 2)
          << "grid " << c.grid_width << " from " << c.start << " key " << c.key;
    }
  }
}

TEST_F(ThumbInteraction, HomeSelectsTheFirstImageAndScrollsToTheOrigin) {
  MViewPtr v = MakeGrid(4, 12, 100, 26);
  v->SetFocus();
  v->SelectImage(11);
  v->SetViewXY(1000, 1000);
  ASSERT_GT(v->ViewY(), 0);
  InjectKey(VK_HOME, true);
  InjectKey(VK_HOME, false);
  Pump();
  EXPECT_EQ(v->SelectedIndex(), 0);
  EXPECT_EQ(v->ViewX(), 0);
  EXPECT_EQ(v->ViewY(), 0);
}

TEST_F(ThumbInteraction, WheelAndScrollBarMoveByOneCell) {
  MViewPtr v = MakeGrid(4, 12, 100, 26);
  v->SetFocus();
  MouseAt(v.get(), 10, 10);
  InjectMouseWheel(-120);
  Pump();
  EXPECT_EQ(v->ViewY(), 12);
  InjectMouseWheel(120);
  Pump();
  EXPECT_EQ(v->ViewY(), 0);
  v->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(v->ViewY(), 12);
  v->Perform(WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(v->ViewY(), v->MaxViewY());
  v->Perform(WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(v->ViewY(), 0);
}

// Frames with delays of 0, 50 and 200 ms are shown for 10, 50 and 200 ms.
TEST_F(ThumbInteraction, PlaybackFollowsTheDelaysAndLoops) {
  MViewPtr v = MakeGrid(4, 3, 100, 40);
  const int32_t delays[] = {0, 50, 200};
  for (int32_t i = 0; i < 3; ++i) v->SetImageDelay(i, delays[i]);
  v->SelectImage(1);
  v->SetPlaying(true);
  EXPECT_TRUE(v->Playing());
  EXPECT_EQ(v->DisplayMode(), mdSingle);
  EXPECT_EQ(v->SelectedIndex(), -1);
  // Frame 0 is shown; frame 1 comes next.
  EXPECT_EQ(v->CurrentFrame(), 1);
  const auto wait = [](DWORD ms) {
    HeadlessAdvanceClock(ms);
    Pump();
  };
  const std::vector<std::pair<DWORD, int32_t>> steps = {
      {9, 1}, {1, 2}, {49, 2}, {1, 0}, {199, 0}, {1, 1}, {9, 1}, {1, 2}};
  for (const auto& [ms, next] : steps) {
    wait(ms);
    EXPECT_EQ(v->CurrentFrame(), next) << "after " << ms;
  }
  // Written while playing, the display mode waits for the end.
  v->SetDisplayMode(mdGrid);
  EXPECT_EQ(v->DisplayMode(), mdSingle);
  v->SetPlaying(false);
  EXPECT_FALSE(v->Playing());
  EXPECT_EQ(v->DisplayMode(), mdGrid);
  EXPECT_EQ(v->SelectedIndex(), 1);
  const int32_t frame = v->CurrentFrame();
  wait(1000);
  EXPECT_EQ(v->CurrentFrame(), frame);
}

TEST_F(ThumbInteraction, PlaybackWithoutLoopStopsAfterTheLastImage) {
  MViewPtr v = MakeGrid(4, 3, 100, 40);
  const int32_t delays[] = {0, 50, 200};
  for (int32_t i = 0; i < 3; ++i) v->SetImageDelay(i, delays[i]);
  v->LoopPlayback = false;
  v->SelectImage(2);
  v->SetPlaying(true);
  HeadlessAdvanceClock(10);
  Pump();
  EXPECT_EQ(v->CurrentFrame(), 2);
  EXPECT_TRUE(v->Playing());
  HeadlessAdvanceClock(50);
  Pump();
  // The third image is shown: no timer, the view stays in single display.
  EXPECT_FALSE(v->Playing());
  EXPECT_EQ(v->CurrentFrame(), 0);
  EXPECT_EQ(v->DisplayMode(), mdSingle);
  HeadlessAdvanceClock(1000);
  Pump();
  EXPECT_EQ(v->CurrentFrame(), 0);
  // Nothing to stop: the remembered mode and selection stay unused.
  v->SetPlaying(false);
  EXPECT_EQ(v->DisplayMode(), mdSingle);
  EXPECT_EQ(v->SelectedIndex(), -1);
  // Selecting is refused while playing and works again afterwards.
  v->SetPlaying(true);
  v->SelectImage(1);
  EXPECT_EQ(v->SelectedIndex(), -1);
  v->SetPlaying(false);
  v->SelectImage(1);
  EXPECT_EQ(v->SelectedIndex(), 1);
}

}  // namespace
