#include <chrono>
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
  // Pumps on real time until the animation is over (at most 3 s).
  void PumpUntilFinished() {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (PopupAnimationRunning() && std::chrono::steady_clock::now() < until) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
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
  PumpUntilFinished();
  EXPECT_FALSE(PopupAnimationRunning());
  EXPECT_EQ(w->Finished, 1);
}
