// Transition effects: the timing curves, the extents, each effect's frame at
// chosen steps (pixels at computed positions), and a run under the injected
// clock that puts frames into the view and stops after the duration.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ThumbnailTestSupport.h"
#include "ViewTestSupport.h"
#include "imaging/view/TIETransitionEffects.h"
#include "imaging/view/TImago.h"
#include "imaging/view/TImagoMView.h"
#include "platform/Surface.h"
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

TEST(TransitionTiming, NamesAndDrawingsOfTheCodes) {
  EXPECT_STREQ(TransitionEffectName(1), "Cross Fade");
  EXPECT_STREQ(TransitionEffectName(30), "Expand In to Center");
  EXPECT_STREQ(TransitionEffectName(31), "Expand from Left");
  EXPECT_STREQ(TransitionEffectName(137), "Sweep Clockwise");
  EXPECT_STREQ(TransitionEffectName(163), "Rectangles from the Bottom");
  EXPECT_STREQ(TransitionEffectName(0), "");
  EXPECT_STREQ(TransitionEffectName(iettPanZoom), "");  // no table entry
  EXPECT_TRUE(TransitionEffectHasDrawing(iettPanZoom));
  EXPECT_FALSE(TransitionEffectHasDrawing(0));
  EXPECT_FALSE(TransitionEffectHasDrawing(165));
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
      {31, 512, {{19, 10, kBlue}, {20, 10, kRed}}},  // Expand from Left, 50 %
      {64, 512, {{19, 10, kBlue}, {20, 10, kRed}}},  // Slide in from Left
      {131, 512, {{0, 0, kBlue}, {30, 20, kRed}}},   // Wipe diagonal from Top Left
      {137, 512, {{30, 15, kBlue}, {5, 15, kRed}}},  // Sweep Clockwise: the right half
      {154, 512, {{0, 14, kBlue}, {0, 15, kRed}}},   // Horizontal Blinds
      {33, 512, {{5, 14, kBlue}, {5, 15, kRed}}},    // Expand from Top
      {52, 512, {{20, 15, kBlue}, {19, 15, kRed}, {20, 14, kRed}}},  // Wipe from Bottom Right
      {67, 512, {{0, 15, kBlue}, {0, 14, kRed}}},                    // Slide in from Bottom
      {138, 512, {{5, 15, kBlue}, {30, 15, kRed}}},  // Sweep Counter-Clockwise: the left half
      {146, 512, {{19, 3, kRed}, {20, 3, kBlue}}},   // Push Left and Slide out
      {149, 512, {{0, 14, kBlue}, {0, 15, kRed}}},   // Push down and Slide out
      {155, 512, {{19, 0, kBlue}, {20, 0, kRed}}},   // Vertical Blinds
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
  // Codes past the table draw nothing: they do not start.
  TIETransitionEffects fx(nullptr);
  fx.Start(&source_, &target_, 170, 1000, iettLinear, false);
  EXPECT_FALSE(fx.Running());
}

// The target is a gradient: stretched, copied, mirrored and pushed parts
// show which of its pixels lands where. P(x, y) is the target's pixel.
TRGB P(int32_t x, int32_t y) {
  return MakeRGBTriple(static_cast<uint8_t>(x * 3), static_cast<uint8_t>(y * 4), 50);
}

void Paint(TIEBitmap& b, int32_t W, int32_t H) {
  b.Allocate(W, H, ieRGB24);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) b.SetRGB24(x, y, P(x, y));
}

TEST_F(Transition, TableEffectsDrawTheRightFrame) {
  Paint(target_, 40, 30);
  // 40 x 30 at step 512 is 50 percent: extents 20 and 15; at 256 (25 %)
  // 10 and 8; at 768 (75 %) 30 and 23.
  struct Probe {
    int32_t x, y;
    TRGB colour;
  };
  struct Case {
    TIETransitionType effect;
    int32_t step;
    std::vector<Probe> probes;
  } cases[] = {
      // Stretched and copied rectangles.
      // Stretches average the source area a pixel covers (halftone): Expand
      // in from Left squeezes columns 0..29 into 0..19, so pixel 0 holds
      // column 0 and half of 1, pixel 10 column 15 and half of 16.
      {39,
       512,
       {{0, 5, MakeRGBTriple(1, 20, 50)}, {10, 5, MakeRGBTriple(46, 20, 50)}, {20, 5, kRed}}},
      // Expand in to Vertical Center: two columns to a pixel (30 and 33 give
      // 31.5, shown as 32).
      {43,
       512,
       {{5, 3, MakeRGBTriple(32, 12, 50)}, {35, 3, MakeRGBTriple(92, 12, 50)}, {20, 3, kRed}}},
      {45, 512, {{0, 3, P(10, 3)}, {39, 3, P(29, 3)}, {15, 3, kRed}}},  // Expand in from Sides
      // Expand out from Horizon: rows 0 and 1, 28 and 29 to a pixel.
      {47,
       512,
       {{5, 8, MakeRGBTriple(15, 2, 50)},
        {5, 22, MakeRGBTriple(15, 114, 50)},
        {5, 7, kRed},
        {5, 23, kRed}}},
      {56, 512, {{19, 4, P(19, 4)}, {30, 4, P(19, 4)}}},  // Build up from Left
      {58, 512, {{4, 14, P(4, 14)}, {4, 25, P(4, 14)}}},  // Build up from Top
      {68, 512, {{3, 0, P(3, 8)}, {3, 22, P(3, 15)}, {3, 29, P(3, 22)}, {3, 10, kRed}}},
      {69, 512, {{19, 14, kRed}, {20, 0, P(20, 0)}, {0, 15, P(0, 15)}}},  // Shrink to Top Left
      {73,
       512,
       {{10, 7, kRed}, {29, 21, kRed}, {9, 7, P(9, 7)}, {30, 21, P(30, 21)}, {20, 22, P(20, 22)}}},
      // Quarters Expand to Center: each quarter squeezed 2 : 1 across and
      // 15 : 8 down.
      {75,
       512,
       {{0, 0, MakeRGBTriple(2, 2, 50)}, {10, 0, kRed}, {30, 22, MakeRGBTriple(62, 62, 50)}}},
      {76, 512, {{0, 0, P(10, 7)}, {9, 7, P(19, 14)}, {30, 22, P(20, 15)}}},  // Quarters Slide in
      {150, 512, {{19, 3, kRed}, {20, 3, P(0, 3)}, {39, 3, P(19, 3)}}},  // Push and Squeeze Left
      {153, 512, {{3, 0, P(3, 15)}, {3, 14, P(3, 29)}, {3, 15, kRed}}},  // Push and Squeeze down
      // Unroll from Left: flat to 15, then the roll turned over.
      {60, 512, {{14, 9, P(14, 9)}, {20, 9, kRed}}},
      // Rounded rectangles.
      {77, 512, {{0, 0, P(0, 0)}, {39, 15, P(39, 15)}, {39, 0, kRed}}},  // Curved Wipe from Left
      {115, 512, {{20, 15, P(20, 15)}, {0, 15, P(0, 15)}, {20, 0, P(20, 0)}, {0, 0, kRed}}},
      {116, 512, {{0, 0, P(0, 0)}, {20, 15, kRed}}},  // Circular Wipe to Center
      // Bars: even bars first, then the odd ones from their edge.
      {81, 256, {{19, 0, P(19, 0)}, {20, 0, kRed}, {0, 5, kRed}}},
      {81, 768, {{39, 0, P(39, 0)}, {19, 5, P(19, 5)}, {20, 5, kRed}}},
      {85, 768, {{20, 5, P(20, 5)}, {19, 5, kRed}}},                     // Bars Left then Right
      {89, 256, {{0, 0, P(0, 0)}, {39, 10, P(39, 10)}, {0, 10, kRed}}},  // Bars from both Sides
      {117, 256, {{2, 15, P(2, 15)}, {2, 16, kRed}, {7, 20, P(7, 20)}, {7, 17, kRed}}},
      {120, 256, {{20, 0, P(20, 0)}, {19, 0, kRed}, {2, 14, P(2, 14)}, {2, 13, kRed}}},
      // Shreds: ends at the extent +- a seventh of the side.
      {91, 512, {{14, 0, P(14, 0)}, {14, 29, P(14, 29)}, {25, 7, kRed}, {39, 29, kRed}}},
      {103, 512, {{20, 15, kRed}, {0, 15, P(0, 15)}, {20, 0, P(20, 0)}}},  // Shredded to Center
      {104, 512, {{20, 15, P(20, 15)}, {0, 0, kRed}}},                     // Shredded from Center
      // Grids of growing rectangles and triangles (cells of 4).
      {109, 512, {{0, 0, P(0, 0)}, {3, 3, P(3, 3)}, {2, 2, kRed}, {1, 1, kRed}}},
      {110, 512, {{3, 3, P(3, 3)}, {0, 0, kRed}}},
      {160,
       512,
       {{19, 0, P(19, 0)}, {20, 0, kRed}, {21, 1, P(21, 1)}, {21, 0, kRed}, {24, 1, kRed}}},
      {162, 512, {{0, 15, P(0, 15)}, {0, 16, kRed}, {1, 17, P(1, 17)}, {0, 24, kRed}}},
      // Uneven blinds: bands of 6, 2, 8 ... pixels, half open.
      {156,
       512,
       {{2, 0, P(2, 0)},
        {3, 0, kRed},
        {6, 0, P(6, 0)},
        {7, 0, kRed},
        {11, 0, P(11, 0)},
        {12, 0, kRed}}},
      {157, 512, {{3, 0, P(3, 0)}, {2, 0, kRed}}},
      // Triangles, sectors and turned polygons.
      {135, 512, {{30, 5, P(30, 5)}, {20, 19, P(20, 19)}, {19, 20, kRed}, {5, 25, kRed}}},
      {136, 512, {{5, 25, P(5, 25)}, {30, 5, kRed}}},
      {139, 512, {{21, 2, P(21, 2)}, {18, 2, kRed}}},  // Starburst Clockwise
      {140, 256, {{20, 10, P(20, 10)}, {16, 15, P(16, 15)}, {15, 15, kRed}, {24, 15, kRed}}},
      {141, 512, {{20, 15, P(20, 15)}, {0, 0, kRed}}},                       // Rotational Star
      {142, 512, {{19, 0, P(19, 0)}, {19, 29, P(19, 29)}, {30, 10, kRed}}},  // Speckled from Left
  };
  for (const Case& c : cases) {
    TIETransitionEffects fx(nullptr);
    fx.Start(&source_, &target_, c.effect, 1000, iettLinear, false);
    ASSERT_TRUE(fx.Running()) << int(c.effect);
    fx.DrawFrame(0);
    fx.DrawFrame(c.step);
    for (const Probe& p : c.probes)
      EXPECT_EQ(fx.Frame()->GetPixelRGB(p.x, p.y), p.colour)
          << "effect " << int(c.effect) << " step " << c.step << " at " << p.x << "," << p.y;
    fx.Stop();
  }
}

TEST_F(Transition, TheRollOfUnrollIsTheTargetTurnedOver) {
  Paint(target_, 40, 30);
  TIETransitionEffects fx(nullptr);
  fx.Start(&source_, &target_, 60, 1000, iettLinear, false);
  fx.DrawFrame(0);
  fx.DrawFrame(512);
  // The roll (columns 15..19) shows target columns 15..24 squeezed and
  // turned over: its red channel falls from left to right.
  int32_t last = 256;
  for (int32_t x = 15; x < 20; ++x) {
    const int32_t r = fx.Frame()->GetPixelRGB(x, 9).r;
    EXPECT_LT(r, last) << x;
    EXPECT_GE(r, 15 * 3);
    last = r;
  }
  fx.Stop();
}

TEST_F(Transition, RandomEffectsDifferBetweenRuns) {
  auto frame = [&](TIETransitionType e) {
    TIETransitionEffects fx(nullptr);
    fx.Start(&source_, &target_, e, 1000, iettLinear, false);
    fx.DrawFrame(0);
    fx.DrawFrame(512);
    TIEBitmap copy;
    copy.Assign(fx.Frame());
    fx.Stop();
    std::vector<TRGB> px;
    for (int32_t y = 0; y < 30; ++y)
      for (int32_t x = 0; x < 40; ++x) px.push_back(copy.GetPixelRGB(x, y));
    return px;
  };
  for (TIETransitionType e : {TIETransitionType{91}, TIETransitionType{142}}) {
    bool differ = false;
    for (int k = 0; k < 3 && !differ; ++k) differ = frame(e) != frame(e);
    EXPECT_TRUE(differ) << int(e);
  }
}

TEST_F(Transition, PanAndZoomMovesTheShownRectangle) {
  TIEBitmap image;
  Paint(image, 80, 60);
  TIETransitionEffects fx(nullptr);
  fx.StartPanZoom(&image, TRect{0, 0, 80, 60}, TRect{20, 15, 60, 45}, 40, 30, 1000, iettLinear,
                  false);
  ASSERT_TRUE(fx.Running());
  EXPECT_EQ(fx.Effect(), iettPanZoom);
  fx.DrawFrame(0);  // the whole image at half size
  EXPECT_EQ(fx.Frame()->GetPixelRGB(10, 10), P(20, 20));
  fx.DrawFrame(1024);  // the end rectangle at its size
  EXPECT_EQ(fx.Frame()->GetPixelRGB(0, 0), P(20, 15));
  EXPECT_EQ(fx.Frame()->GetPixelRGB(39, 29), P(59, 44));
  fx.DrawFrame(512);  // (10, 7, 70, 52): one and a half times smaller
  EXPECT_EQ(fx.Frame()->GetPixelRGB(0, 0), P(10, 7));
  EXPECT_EQ(fx.Frame()->GetPixelRGB(2, 2), P(13, 10));
  fx.Stop();
  // A rectangle reaching left of the image: the cut part is background and
  // the destination begins at the proportional column.
  fx.StartPanZoom(&image, TRect{-40, 0, 40, 60}, TRect{-40, 0, 40, 60}, 40, 30, 1000, iettLinear,
                  false);
  fx.DrawFrame(0);
  EXPECT_EQ(fx.Frame()->GetPixelRGB(10, 10), MakeRGBTriple(0, 0, 0));
  EXPECT_EQ(fx.Frame()->GetPixelRGB(20, 0), P(0, 0));
  EXPECT_EQ(fx.Frame()->GetPixelRGB(30, 10), P(20, 20));
  fx.Stop();
  // Rectangles over the whole integer range: the image lands in a sliver
  // of background, with no overflow on the way.
  constexpr int32_t lo = std::numeric_limits<int32_t>::min(),
                    hi = std::numeric_limits<int32_t>::max();
  fx.StartPanZoom(&image, TRect{lo, lo, hi, hi}, TRect{hi, hi, lo, lo}, 40, 30, 1000, iettLinear,
                  false);
  for (int32_t step : {0, 1, 512, 1023, 1024}) fx.DrawFrame(step);
  EXPECT_EQ(fx.Frame()->GetPixelRGB(0, 0), MakeRGBTriple(0, 0, 0));
  fx.Stop();
}

TEST_F(Transition, FullStepCoversTheFrame) {
  // Every pixel, on an even and an odd size.
  for (auto [W, H] : {std::pair{40, 30}, std::pair{41, 31}}) {
    TIEBitmap source, target;
    source.Allocate(W, H, ieRGB24);
    target.Allocate(W, H, ieRGB24);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x) {
        source.SetRGB24(x, y, kRed);
        target.SetRGB24(x, y, kBlue);
      }
    for (int32_t code = 1; code <= 163; ++code) {
      const auto e = static_cast<TIETransitionType>(code);
      // Fade Out ends on the background; the random effects only tend to the
      // target; two wipes end with their red line on the first column or row.
      if (!TransitionEffectHasDrawing(e) || e == iettFadeOut || e == iettRandomPoints ||
          e == iettRandomBoxes || e == iettRightLeft2 || e == iettDownUp2)
        continue;
      TIETransitionEffects fx(nullptr);
      fx.Start(&source, &target, e, 1000, iettLinear, false);
      fx.DrawFrame(0);
      fx.DrawFrame(1024);
      int32_t wrong = 0, wx = -1, wy = -1;
      for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
          if (!(fx.Frame()->GetPixelRGB(x, y) == kBlue) && wrong++ == 0) wx = x, wy = y;
      EXPECT_EQ(wrong, 0) << int(e) << " " << W << "x" << H << " first at " << wx << "," << wy;
      fx.Stop();
    }
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

// Effect x time under the injected clock: the frame drawn for the step of
// that time reaches the view's back buffer.
TEST_F(Transition, TimedFramesReachTheView) {
  Paint(target_, 40, 30);
  struct Probe {
    int32_t x, y;
    TRGB colour;
  };
  struct Case {
    TIETransitionType effect;
    uint32_t ms;
    std::vector<Probe> probes;
  } cases[] = {
      {31,
       500,
       {{10, 5, MakeRGBTriple(62, 20, 50)}, {20, 5, kRed}}},  // Expand from Left: columns 20, 21
      {81, 250, {{19, 0, P(19, 0)}, {20, 0, kRed}, {0, 5, kRed}}},  // Bars in from Left
      {137, 500, {{30, 15, P(30, 15)}, {5, 15, kRed}}},             // Sweep Clockwise
      {60, 500, {{14, 9, P(14, 9)}, {20, 9, kRed}}},                // Unroll from Left
  };
  for (const Case& c : cases) {
    ViewPtr view = MakeView(40, 30, 40, 30);
    Pump();
    TIETransitionEffects fx(view.get());
    HeadlessSetClock(10000);
    fx.Start(&source_, &target_, c.effect, 1000, iettLinear, false);
    Advance(20);
    Advance(c.ms - 20);
    ASSERT_EQ(fx.Step(), TransitionStep(c.ms, 1000, iettLinear)) << int(c.effect);
    Advance(10);  // draws that step
    TIEBitmap* back = view->BackBuffer();
    ASSERT_GE(back->Width(), 40);
    for (const Probe& p : c.probes)
      EXPECT_EQ(back->GetPixelRGB(p.x, p.y), p.colour)
          << "effect " << int(c.effect) << " at " << p.x << "," << p.y;
    fx.Stop();
  }
}

TEST_F(Transition, PanAndZoomPaintsTheViewBackgroundWhereTheImageEnds) {
  TIEBitmap image;
  Paint(image, 80, 60);
  ViewPtr view = MakeView(40, 30, 40, 30);
  view->SetBackground(TColor(0x00FF00));
  Pump();
  TIETransitionEffects fx(view.get());
  int stops = 0;
  fx.OnStop = [&](TObject*) { ++stops; };
  HeadlessSetClock(10000);
  fx.StartPanZoom(&image, TRect{-40, 0, 40, 60}, TRect{0, 0, 80, 60}, 40, 30, 1000, iettLinear,
                  true);
  ASSERT_TRUE(fx.Running());
  Advance(20);
  TIEBitmap* back = view->BackBuffer();
  ASSERT_GE(back->Width(), 40);
  EXPECT_EQ(back->GetPixelRGB(10, 10), MakeRGBTriple(0, 0xFF, 0));
  EXPECT_EQ(back->GetPixelRGB(30, 10), P(20, 20));
  Advance(1000);
  EXPECT_FALSE(fx.Running());
  EXPECT_EQ(stops, 1);
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

TEST_F(Transition, TheViewWithCompanionsStopsItsTransitionWhenResized) {
  auto* form = new TForm(Application);
  form->SetClientSize(200, 150);
  auto* view = new TImago(form);
  view->SetParent(form);
  view->SetBounds(10, 10, 44, 34);
  form->Show();
  Pump();
  TObject* sender = nullptr;
  int stops = 0;
  view->SetOnTransitionStop([&](TObject* s) {
    sender = s;
    ++stops;
  });
  // The stop event is the engine's: what the view publishes is what fires.
  EXPECT_TRUE(static_cast<bool>(view->Transition()->OnStop));
  HeadlessSetClock(10000);
  view->Transition()->Start(&source_, &target_, 81, 1000, iettLinear, false);
  ASSERT_TRUE(view->Transition()->Running());
  EXPECT_EQ(view->UpdateLockCount(), 1);  // the view's updates wait for the frames
  Advance(20);
  EXPECT_EQ(view->Transition()->FrameCount(), 1);
  view->SetBounds(10, 10, 80, 60);  // the update after the resize stops it
  Pump();
  EXPECT_FALSE(view->Transition()->Running());
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(sender, static_cast<TObject*>(view));
  EXPECT_EQ(view->UpdateLockCount(), 0);
  view->SetOnTransitionStop(nullptr);
  EXPECT_FALSE(static_cast<bool>(view->OnTransitionStop()));
  view->Free();
  form->Free();
}

// The thumbnail view owns an engine from its creation; it stays idle, and a
// run shows its frames in the thumbnail view's window, the view's background
// colour where a pan leaves the image.
TEST_F(Transition, TheThumbnailViewOwnsItsEngine) {
  TIEBitmap image;
  Paint(image, 80, 60);
  MViewPtr view = MakeMView(40, 30);
  view->SetBackground(TColor(0x00FF00));
  Pump();
  TIETransitionEffects* fx = view->Transition();
  ASSERT_NE(fx, nullptr);
  EXPECT_FALSE(fx->Running());
  TObject* sender = nullptr;
  fx->OnStop = [&](TObject* Sender) { sender = Sender; };
  HeadlessSetClock(10000);
  fx->StartPanZoom(&image, TRect{-40, 0, 40, 60}, TRect{0, 0, 80, 60}, 40, 30, 1000, iettLinear, true);
  ASSERT_TRUE(fx->Running());
  Advance(20);
  // What the user sees: the window of the view.
  const Surface window = CopyWindowPixels(view->Handle());  // no frame around it
  const auto rgb = [](const TRGB& p) { return (uint32_t{p.r} << 16) | (uint32_t{p.g} << 8) | p.b; };
  EXPECT_EQ(window.Get(10, 10) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(window.Get(30, 10) & 0xFFFFFF, rgb(P(20, 20)));
  Advance(1000);
  EXPECT_FALSE(fx->Running());
  EXPECT_EQ(sender, view.get());
}

}  // namespace
