#include <chrono>
#include <functional>
#include <thread>

#include "platform/Region.h"
#include "tests/toolbar/ToolbarTestSupport.h"
#include "toolbar/DKAnim.h"

namespace {

// A borderless top-level window that counts the animation's notices.
class TAnimated : public TCustomControl {
 public:
  explicit TAnimated(TComponent* AOwner) : TCustomControl(AOwner) { SetVisible(false); }
  int Steps = 0, Finished = 0;
  std::vector<TRect> Regions;
  void WndProc(TMessage& M) override {
    if (M.Msg == MsgAnimationStep) {
      ++Steps;
      HandleAnimationStep(M.LParam);
      if (HandleAllocated()) {
        HRGN r = CreateRectRgn(0, 0, 0, 0);
        TRect box{0, 0, 0, 0};
        if (GetWindowRgn(Handle(), r) != ERROR) {  // none once the animation is over
          GetRgnBox(r, &box);
          Regions.push_back(box);
        }
        DeleteObject(r);
      }
      return;
    }
    if (M.Msg == MsgAnimationFinished) {
      ++Finished;
      return;
    }
    TCustomControl::WndProc(M);
  }

 protected:
  void CreateParams(TCreateParams& P) override {
    TCustomControl::CreateParams(P);
    P.Style = WS_POPUP;
    P.WndParent = nullptr;
  }
};

class PopupAnimationTest : public ToolbarTest {
 protected:
  TAnimated* Make() {
    auto* w = new TAnimated(Application);
    w->SetBounds(100, 100, 80, 120);
    w->HandleNeeded();
    return w;
  }
  // The animation keeps time by the program's clock, which only the test
  // moves; its worker thread notices a move within a few milliseconds.
  // Pumps until Done holds (the bound only ends a broken test).
  void PumpUntil(const std::function<bool()>& Done) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Done() && std::chrono::steady_clock::now() < until) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Pump();
  }
  void PumpUntilFinished() {
    PumpUntil([] { return !PopupAnimationRunning(); });
  }
};

}  // namespace

TEST_F(PopupAnimationTest, AFadeRequestSlidesDownAndEndsWithTheWholeWindow) {
  TAnimated* w = Make();
  InjectMouseMove(TPoint{700, 500});  // far from the popup
  StartPopupAnimation(w->Handle(), 150, /*Fade=*/true, adDownward);
  EXPECT_TRUE(IsWindowVisible(w->Handle()));
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(w->Handle(), r), ERROR);  // starts fully hidden
  TRect box;
  GetRgnBox(r, &box);
  EXPECT_TRUE(IsRectEmpty(&box));
  // 50 and 100 ms of 150 are levels 80 and 160 of 255: the window shows its
  // lowest 38 and then 75 of its 120 rows, at the top of the window.
  HeadlessAdvanceClock(50);
  PumpUntil([&] { return w->Regions.size() == 1; });
  ASSERT_EQ(w->Regions.size(), 1u);
  EXPECT_EQ(w->Regions[0], (TRect{0, -82, 80, 38}));
  HeadlessAdvanceClock(50);
  PumpUntil([&] { return w->Regions.size() == 2; });
  ASSERT_EQ(w->Regions.size(), 2u);
  EXPECT_EQ(w->Regions[1], (TRect{0, -45, 80, 75}));
  EXPECT_TRUE(PopupAnimationRunning());
  HeadlessAdvanceClock(50);
  PumpUntilFinished();
  EXPECT_FALSE(PopupAnimationRunning());
  EXPECT_EQ(w->Finished, 1);
  EXPECT_EQ(GetWindowRgn(w->Handle(), r), ERROR);  // no region left: all of it shows
  DeleteObject(r);
  EXPECT_GE(w->Steps, 1);
  // Each step uncovers more from the top: the region slides down into place.
  for (size_t i = 1; i < w->Regions.size(); ++i) EXPECT_GE(w->Regions[i].Top, w->Regions[i - 1].Top);
  for (const TRect& b : w->Regions) {
    EXPECT_LE(b.Top, 0);
    EXPECT_EQ(b.Height(), 120);
  }
}

TEST_F(PopupAnimationTest, AZeroDurationAndAStaleStepChangeNothingHarmful) {
  TAnimated* w = Make();
  StartPopupAnimation(w->Handle(), 0, false, adRightward);
  PumpUntilFinished();
  EXPECT_FALSE(PopupAnimationRunning());
  EXPECT_EQ(w->Finished, 1);
  // A step of an earlier animation arriving late is ignored.
  uint32_t old = PopupAnimationSequence();
  TAnimated* w2 = Make();
  StartPopupAnimation(w2->Handle(), 10000, false, adRightward);
  int32_t level = PopupAnimationLevel();
  SendMessage(w2->Handle(), MsgAnimationStep, 0, LPARAM(old));
  EXPECT_EQ(PopupAnimationLevel(), level);
  EXPECT_TRUE(PopupAnimationRunning());
  // Hiding or freeing the window ends its animation at once.
  FinishPopupAnimation(w->Handle());  // not the animated window: nothing
  EXPECT_TRUE(PopupAnimationRunning());
  FinishPopupAnimation(w2->Handle());
  EXPECT_FALSE(PopupAnimationRunning());
  EXPECT_EQ(w2->Finished, 1);
}

TEST_F(PopupAnimationTest, TheMouseInsideThePopupEndsTheAnimation) {
  TAnimated* w = Make();
  InjectMouseMove(TPoint{700, 500});
  StartPopupAnimation(w->Handle(), 10000, false, adUpward);
  InjectMouseMove(TPoint{120, 150});
  HeadlessAdvanceClock(1000);  // the next step notices the pointer
  PumpUntilFinished();
  EXPECT_FALSE(PopupAnimationRunning());
  EXPECT_EQ(w->Finished, 1);
}

// A popup opened with the pointer slides open while the system animates
// menus, and shows at once when it does not.
TEST_F(MenuTest, APopupOpenedWithThePointerSlidesOnlyWhileMenusAnimate) {
  TSizedItem* file = AddItem(root, "&File");
  file->SetStyleFlags(file->StyleFlags() | dksfSubmenu);
  AddItem(file, "&New");
  for (bool animate : {true, false}) {
    SystemParametersInfo(SPI_SETMENUANIMATION, 0, animate ? reinterpret_cast<void*>(uintptr_t(TRUE)) : nullptr, 0);
    bool running = false, hidden = false;
    RunMenuSteps({[&] {
                    TDKView* popup = bar->View->OpenViewerView();
                    ASSERT_NE(popup, nullptr);
                    HWND h = popup->Window()->Handle();
                    running = PopupAnimationRunning() && PopupAnimationWindow() == h;
                    // While it slides, the window shows only what its region uncovers.
                    HRGN r = CreateRectRgn(0, 0, 0, 0);
                    TRect box{0, 0, 1, 1};
                    if (GetWindowRgn(h, r) != ERROR) GetRgnBox(r, &box);
                    DeleteObject(r);
                    hidden = IsRectEmpty(&box);
                    Release();  // on the open menu's own button: the menu stays
                  },
                  [&] { Key(VK_ESCAPE); },  // the popup closes
                  [&] { Key(VK_ESCAPE); }},  // the menu ends
                 [&] {
                   Press(CentreOf(bar->View, file));
                   Pump();
                 });
    Pump();
    EXPECT_EQ(running, animate) << "animation " << animate;
    EXPECT_EQ(hidden, animate) << "animation " << animate;
    EXPECT_FALSE(PopupAnimationRunning()) << "closing the popup ends its animation ";
  }
}

