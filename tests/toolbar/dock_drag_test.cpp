// The drag loop under injected input: a dock may refuse a window, Ctrl keeps
// a dragged window off every dock, and dragging a window along an
// overflowing row moves the split between it and its neighbour.
#include <string>

#include "tests/toolbar/DockTestSupport.h"

namespace {

class DockDragTest : public DockFormTest {
 protected:
  TPoint HandlePoint(TDKCustomDockableWindow* W) {
    TRect r = WindowRectOf(W);
    return TPoint{r.Left + 4, (r.Top + r.Bottom) / 2};
  }
  TPoint CaptionPoint(TDKCustomDockableWindow* W) {
    TRect r = WindowRectOf(W->HostWindow());
    return TPoint{r.Left + 12, r.Top + 4 + 6};
  }
  void Steps(TPoint From, const std::vector<std::function<void()>>& S) {
    InjectMouseMove(From);
    RunMenuSteps(S, [&] {
      InjectMouseButton(VK_LBUTTON, true);
      Pump();
    });
    Pump();
    HeadlessAdvanceClock(2000);  // the next press is no double click
  }
  TDKCustomToolbar* FloatingToolbar() {
    TDKCustomToolbar* tb = MakeToolbar("Bar", top, 2);
    tb->SetFloating(true);
    Pump();
    EXPECT_TRUE(tb->IsFloating());
    return tb;
  }
  TPoint OverBottomDock() {
    TRect br = WindowRectOf(bottom);
    return TPoint{br.Left + 100, br.Top - 2};
  }
};

TEST_F(DockDragTest, RequestDockRefusalKeepsTheWindowFloating) {
  TDKCustomToolbar* tb = FloatingToolbar();
  std::vector<std::string> asked;
  bool accept = false;
  bottom->OnRequestDock = [&](TObject* Sender, TDKCustomDockableWindow* Bar, bool& Accept) {
    EXPECT_TRUE(Accept);  // preset
    asked.push_back(static_cast<TComponent*>(Sender)->Name() + ":" + Bar->Name());
    Accept = accept;
  };
  TPoint cap = CaptionPoint(tb), over = OverBottomDock();
  Steps(cap, {[&] { InjectMouseMove(TPoint{cap.X + 5, cap.Y + 5}); },
              [&] { InjectMouseMove(over); },
              [&] { InjectMouseButton(VK_LBUTTON, false); }});
  EXPECT_TRUE(tb->IsFloating());
  EXPECT_EQ(tb->CurrentDock(), nullptr);
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked[0], "DockBottom:Bar");

  accept = true;
  cap = CaptionPoint(tb);
  Steps(cap, {[&] { InjectMouseMove(TPoint{cap.X + 5, cap.Y + 5}); },
              [&] { InjectMouseMove(over); },
              [&] { InjectMouseButton(VK_LBUTTON, false); }});
  EXPECT_EQ(tb->CurrentDock(), bottom);
}

TEST_F(DockDragTest, CtrlDuringTheDragKeepsTheWindowOffEveryDock) {
  TDKCustomToolbar* tb = FloatingToolbar();
  TPoint cap = CaptionPoint(tb), over = OverBottomDock();
  TDKDock* whileCtrl = top;
  TDKDock* afterCtrl = nullptr;
  // A live drag applies each step: over the dock it docks, Ctrl lifts it
  // off, releasing Ctrl docks it again.
  Steps(cap, {[&] { InjectMouseMove(TPoint{cap.X + 5, cap.Y + 5}); },
              [&] { InjectMouseMove(over); },
              [&] { EXPECT_EQ(tb->CurrentDock(), bottom); },
              [&] { InjectKey(VK_CONTROL, true); },
              [&] { whileCtrl = tb->CurrentDock(); },
              [&] { InjectKey(VK_CONTROL, false); },
              [&] { afterCtrl = tb->CurrentDock(); },
              [&] { InjectKey(VK_CONTROL, true); },
              [&] { InjectMouseButton(VK_LBUTTON, false); }});
  EXPECT_EQ(whileCtrl, nullptr);
  EXPECT_EQ(afterCtrl, bottom);
  EXPECT_TRUE(tb->IsFloating());  // released with Ctrl down
  InjectKey(VK_CONTROL, false);
  Pump();

  // Ctrl already down when the drag starts.
  InjectKey(VK_CONTROL, true);
  cap = CaptionPoint(tb);
  Steps(cap, {[&] { InjectMouseMove(TPoint{cap.X + 5, cap.Y + 5}); },
              [&] { InjectMouseMove(over); },
              [&] { InjectMouseButton(VK_LBUTTON, false); }});
  InjectKey(VK_CONTROL, false);
  Pump();
  EXPECT_TRUE(tb->IsFloating());
  EXPECT_EQ(tb->CurrentDock(), nullptr);
}

TEST_F(DockDragTest, DraggingAlongAnOverflowingRowMovesTheSplit) {
  struct Case {
    int32_t Items;   // per toolbar
    bool Overflows;  // the row is longer than the dock
  };
  for (Case c : {Case{2, false}, Case{6, true}}) {
    SCOPED_TRACE(c.Items);
    TDKCustomToolbar* a = MakeToolbar("A", top, c.Items);
    TDKCustomToolbar* b = MakeToolbar("B", top, c.Items);
    b->SetDockPos(a->Width());
    Pump();
    ASSERT_EQ(b->LayoutRow(), 0);
    int32_t aFull = c.Items * 40 + 10;
    EXPECT_EQ(c.Overflows, 2 * aFull > top->ClientWidth());
    TPoint start = HandlePoint(b);
    HCURSOR cursor = nullptr;
    // Left along the row, past the start of A.
    std::vector<std::function<void()>> steps;
    for (int32_t dx = 10; dx <= start.X - WindowRectOf(a).Left + 20; dx += 10) {
      steps.push_back([=] { InjectMouseMove(TPoint{start.X - dx, start.Y}); });
    }
    steps.push_back([&] { cursor = GetCursor(); });
    steps.push_back([] { InjectMouseButton(VK_LBUTTON, false); });
    Steps(start, steps);
    EXPECT_EQ(a->CurrentDock(), top);
    EXPECT_EQ(b->CurrentDock(), top);
    EXPECT_EQ(a->LayoutRow(), b->LayoutRow());
    EXPECT_FALSE(top->SplitDragActive);
    if (c.Overflows) {
      // The split: B stays after A, which gives up its length down to its
      // minimum, and the cursor shows the split direction.
      EXPECT_EQ(CursorStandardId(cursor), IDC_SIZEWE);
      EXPECT_EQ(a->Left(), 0);
      EXPECT_LT(a->Width(), aFull);
      EXPECT_EQ(b->Left(), a->Left() + a->Width());
    } else {
      // Room enough: B simply moves in front of A.
      EXPECT_NE(CursorStandardId(cursor), IDC_SIZEWE);
      EXPECT_EQ(b->Left(), 0);
      EXPECT_EQ(a->Left(), b->Width());
    }
    a->Free();
    b->Free();
    Pump();
  }
}

}  // namespace
