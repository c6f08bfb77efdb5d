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

namespace {

// A background of one colour that is always in use.
class TPlainBackground : public TDKBasicBackground {
 public:
  using TDKBasicBackground::TDKBasicBackground;
  void Draw(HDC DC, const TRect& R) override {
    HBRUSH b = CreateSolidBrush(RGB(0, 200, 0));
    FillRect(DC, &R, b);
    DeleteObject(b);
  }
  void* GetPalette() override { return nullptr; }
  void RegisterChanges(TNotifyEvent) override {}
  void SysColorChanged() override {}
  void UnregisterChanges(TNotifyEvent) override {}
  bool UsingBackground() override { return true; }
};

// A window that fills its client area in one colour and counts its paints.
class TPaintedBar : public TTestBar {
 public:
  using TTestBar::TTestBar;
  int32_t Paints = 0;

 protected:
  void Paint() override {
    ++Paints;
    Canvas()->Brush()->SetColor(TColor(RGB(200, 0, 0)));
    Canvas()->FillRect(ClientRect());
  }
};

TEST_F(DockDragTest, WindowOnADockWithABackgroundRepaintsAtOnce) {
  auto* bg = new TPlainBackground(form);
  top->SetBackground(bg);
  auto* bar = new TPaintedBar(form, TSize{60, 20});
  bar->SetCurrentDock(top);
  Pump();
  constexpr uint32_t kRed = 0xC80000;  // as the screen holds it
  auto screenAt = [&](TPoint P) { return CopyScreen().Get(P.X, P.Y) & 0xFFFFFF; };
  TRect upd;

  // Moved by its dock: the whole window is to be painted (this window
  // system copies no bits of moved child windows), the frame with it.
  bar->SetDockPos(100);
  ASSERT_EQ(bar->Left(), 100);
  EXPECT_TRUE(GetUpdateRect(bar->Handle(), &upd, false));
  Pump();
  EXPECT_EQ(screenAt(bar->ClientToScreen(TPoint{10, 10})), kRed);

  // Part of it pending: painted whole at once through a bitmap, nothing left.
  int32_t before = bar->Paints;
  HDC dc = GetDC(bar->Handle());
  TRect all{0, 0, bar->ClientWidth(), bar->ClientHeight()};
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(dc, &all, white);
  DeleteObject(white);
  ReleaseDC(bar->Handle(), dc);
  TRect part{0, 0, 5, 5};
  InvalidateRect(bar->Handle(), &part, true);
  bar->RepaintNow();
  EXPECT_EQ(bar->Paints, before + 1);
  EXPECT_FALSE(GetUpdateRect(bar->Handle(), &upd, false));
  EXPECT_EQ(screenAt(bar->ClientToScreen(TPoint{bar->ClientWidth() - 2, bar->ClientHeight() - 2})),
            kRed);
  top->SetBackground(nullptr);
}

}  // namespace
