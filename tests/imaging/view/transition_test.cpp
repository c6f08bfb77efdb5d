// Transition effects: the timing curves, the extents, each effect's frame at
// chosen steps (pixels at computed positions), and a run under the injected
// clock that puts frames into the view and stops after the duration.
#include <gtest/gtest.h>

#include <cmath>

#include "ViewTestSupport.h"
#include "imaging/view/TIETransitionEffects.h"
#include "ui/TTimer.h"

namespace {

constexpr TRGB kRed = MakeRGBTriple(200, 0, 0);
constexpr TRGB kBlue = MakeRGBTriple(0, 0, 200);

TEST(TransitionTiming, StepsFollowTheCurves) {
  EXPECT_EQ(TransitionStep(500, 1000, iettLinear), 512);
  EXPECT_EQ(TransitionStep(1000, 1000, iettExponential),
            static_cast<int32_t>(std::trunc(std::exp(5 - 2.718) / 10 * 1024)));
  EXPECT_LT(TransitionStep(1000, 1000, iettExponential), 1024);
  // The logarithmic curve is undefined at 0 and negative just after it.
  EXPECT_EQ(TransitionStep(0, 1000, iettLogarithmic), 0);
  EXPECT_EQ(TransitionStep(5, 1000, iettLogarithmic), 0);
  EXPECT_GT(TransitionStep(100, 1000, iettLogarithmic), 0);
  EXPECT_EQ(TransitionStep(2000, 1000, iettLinear), 1024);
}

TEST(TransitionTiming, ExtentsAndAUnitOfAtLeastOnePixel) {
  const TTransitionExtents e = TransitionExtents(40, 30, 1, 50);
  EXPECT_EQ(e.DX, 20);
  EXPECT_EQ(e.DY, 15);
  EXPECT_EQ(e.Unit, 1);  // MulDiv(40, 1, 90) is 0
  EXPECT_EQ(TransitionExtents(900, 300, 1, 100).Unit, 10);
}

class Transition : public ViewFixture {
 protected:
  void SetUp() override {
    ViewFixture::SetUp();
    source_.Allocate(40, 30, ieRGB24);
    target_.Allocate(40, 30, ieRGB24);
    for (int32_t y = 0; y < 30; ++y)
      for (int32_t x = 0; x < 40; ++x) {
        source_.SetRGB24(x, y, kRed);
        target_.SetRGB24(x, y, kBlue);
      }
  }
  TIEBitmap source_, target_;
};

TEST_F(Transition, EachEffectDrawsTheRightFrame) {
  struct Probe {
    int32_t x, y;
    TRGB colour;
  };
  struct Case {
    TIETransitionType effect;
    int32_t step;
    std::vector<Probe> probes;
  } cases[] = {
      {iettCrossDissolve, 512, {{0, 0, MakeRGBTriple(100, 0, 100)}}},
      {iettFadeOut, 1024, {{3, 3, MakeRGBTriple(0, 0, 0)}}},
      {iettLeftRight1, 512, {{19, 5, kBlue}, {20, 5, kRed}}},
      {iettRightLeft1, 512, {{19, 5, kRed}, {20, 5, kBlue}}},
      {iettUpDown1, 256, {{0, 7, kBlue}, {0, 8, kRed}}},
      {iettDownUp1, 512, {{0, 14, kRed}, {0, 15, kBlue}}},
      {iettMoveLeftRight1, 512, {{19, 0, kBlue}, {20, 0, kRed}}},
      {iettMoveDownUp2, 512, {{0, 14, kRed}, {0, 15, kBlue}}},
      {iettCenter1, 512, {{10, 8, kBlue}, {9, 8, kRed}, {29, 22, kBlue}, {30, 22, kRed}}},
      {iettCenter2, 512, {{10, 8, kRed}, {9, 8, kBlue}}},
      {31, 512, {{19, 10, kBlue}, {20, 10, kRed}}},        // Expand from Left, 50 %
      {64, 512, {{19, 10, kBlue}, {20, 10, kRed}}},        // Slide in from Left
      {131, 512, {{0, 0, kBlue}, {30, 20, kRed}}},         // Wipe diagonal from Top Left
      {137, 512, {{30, 15, kBlue}, {5, 15, kRed}}},        // Sweep Clockwise: the right half
      {154, 512, {{0, 14, kBlue}, {0, 15, kRed}}},         // Horizontal Blinds
      {33, 512, {{5, 14, kBlue}, {5, 15, kRed}}},          // Expand from Top
      {52, 512, {{20, 15, kBlue}, {19, 15, kRed}, {20, 14, kRed}}},  // Wipe from Bottom Right
      {67, 512, {{0, 15, kBlue}, {0, 14, kRed}}},          // Slide in from Bottom
      {138, 512, {{5, 15, kBlue}, {30, 15, kRed}}},        // Sweep Counter-Clockwise: the left half
      {146, 512, {{19, 3, kRed}, {20, 3, kBlue}}},         // Push Left and Slide out
      {149, 512, {{0, 14, kBlue}, {0, 15, kRed}}},         // Push down and Slide out
      {155, 512, {{19, 0, kBlue}, {20, 0, kRed}}},         // Vertical Blinds
      {100, 512, {{20, 15, kRed}}},                        // no drawing: the first frame stays
  };
  for (const Case& c : cases) {
    TIETransitionEffects fx(nullptr);
    fx.Start(&source_, &target_, c.effect, 1000, iettLinear, false);
    ASSERT_TRUE(fx.Running()) << int(c.effect);
    fx.DrawFrame(0);
    fx.DrawFrame(c.step);
    for (const Probe& p : c.probes)
      EXPECT_EQ(fx.Frame()->GetPixelRGB(p.x, p.y), p.colour)
          << "effect " << int(c.effect) << " at " << p.x << "," << p.y;
    fx.Stop();
    EXPECT_FALSE(fx.Running());
  }
}

TEST_F(Transition, FullStepCoversTheFrame) {
  for (int32_t code = 1; code <= 163; ++code) {
    const auto e = static_cast<TIETransitionType>(code);
    // Fade Out ends on the background; the random effects only tend to the
    // target; two wipes end with their red line on the first column or row.
    if (!TransitionEffectHasDrawing(e) || e == iettFadeOut || e == iettRandomPoints ||
        e == iettRandomBoxes || e == iettRightLeft2 || e == iettDownUp2)
      continue;
    TIETransitionEffects fx(nullptr);
    fx.Start(&source_, &target_, e, 1000, iettLinear, false);
    fx.DrawFrame(0);
    fx.DrawFrame(1024);
    for (auto [x, y] : {std::pair{0, 0}, std::pair{39, 29}, std::pair{20, 15}, std::pair{0, 29}})
      EXPECT_EQ(fx.Frame()->GetPixelRGB(x, y), kBlue) << int(e) << " " << x << "," << y;
    fx.Stop();
  }
}

// Lets the clock move and the due timer messages arrive.
void Advance(DWORD Ms) {
  HeadlessAdvanceClock(Ms);
  Pump();
  Pump();
}

TEST_F(Transition, RunsOnTheTimerUnderTheInjectedClockAndStops) {
  ViewPtr view = MakeView(40, 30, 40, 30);
  Pump();
  TIETransitionEffects fx(view.get());
  int stops = 0;
  fx.OnStop = [&](TObject*) { ++stops; };
  fx.Stop();  // idle: nothing, no event
  EXPECT_EQ(stops, 0);
  HeadlessSetClock(10000);
  fx.Start(&source_, &target_, iettLeftRight1, 1000, iettLinear, true);
  ASSERT_TRUE(fx.Running());
  // Platform timers tick at most every 10 ms.
  Advance(20);
  EXPECT_EQ(fx.FrameCount(), 1);
  Advance(480);
  EXPECT_EQ(fx.Step(), 512);
  Advance(20);  // draws the step of 500 ms: the left half shows the target
  EXPECT_EQ(fx.Frame()->GetPixelRGB(10, 10), kBlue);
  EXPECT_EQ(fx.Frame()->GetPixelRGB(30, 10), kRed);
  TIEBitmap* back = view->BackBuffer();
  ASSERT_GE(back->Width(), 40);
  EXPECT_EQ(back->GetPixelRGB(10, 10), kBlue);
  EXPECT_EQ(back->GetPixelRGB(30, 10), kRed);
  Advance(600);
  EXPECT_FALSE(fx.Running());
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(fx.Timer()->Enabled());
}

}  // namespace

namespace {

TEST_F(Transition, TheViewStopsItsTransitionWhenBlanked) {
  ViewPtr view = MakeView(40, 30, 40, 30);
  Pump();
  TObject* sender = nullptr;
  view->SetOnTransitionStop([&](TObject* s) { sender = s; });
  view->Transition()->Start(&source_, &target_, iettCrossDissolve, 1000, iettLinear, false);
  ASSERT_TRUE(view->Transition()->Running());
  view->Blank();
  EXPECT_FALSE(view->Transition()->Running());
  EXPECT_EQ(sender, static_cast<TObject*>(view.get()));
}

}  // namespace
