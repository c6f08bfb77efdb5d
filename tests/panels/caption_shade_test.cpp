// Caption bar shadings: the deterministic ones checked at pixels computed
// from their formulas, the random ones within their ranges, sizes that
// would divide by zero or be negative, and the caption bar drawn from the
// shading bitmap in its shapes.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "panels/TUxPanel.h"
#include "tests/panels/PanelsTestSupport.h"

namespace {

class CaptionShade : public PanelsTest {
 protected:
  void SetUp() override {
    PanelsTest::SetUp();
    form->Show();
    Pump();
  }
  TUxPanel* Panel(int32_t W, int32_t H, TShadeType Type, TColor Colour = clWhite, int32_t Light = 200) {
    auto* p = new TUxPanel(form);
    p->SetParent(host);
    p->SetBevelOuter(bvNone);
    p->SetBounds(0, 0, W, 60);
    p->Caption()->SetHeight(H);
    p->Caption()->SetColor(Colour);
    p->Caption()->SetShadeLight(Light);
    p->Caption()->SetShadeType(Type);
    return p;
  }
  static uint32_t ShadeAt(TUxPanel* p, int32_t x, int32_t y) {
    return Hex(p->CaptionShade()->Canvas()->Pixels(x, y));
  }
  // The caption colour (r, g, b) scaled by v / 255, each channel cut to 8 bits.
  static uint32_t Tint(uint32_t rgb, int32_t v) {
    auto ch = [&](int s) { return (uint32_t(int32_t((rgb >> s) & 0xFF) * v / 255) & 0xFF) << s; };
    return ch(16) | ch(8) | ch(0);
  }
  static int32_t Cube(int32_t a) { return ((a * a * a) / 128) / 128; }
};

TEST_F(CaptionShade, DeterministicShadingsAtComputedPixels) {
  const int32_t W = 200, H = 20, L = 200;
  const uint32_t orange = 0xFF8000;  // red 255, green 128, blue 0
  const TColor orangeColour = TColor(RGB(255, 128, 0));
  struct TCase {
    TShadeType Type;
    std::function<int32_t(int32_t x, int32_t y)> V;  // the Tint argument at (x, y)
  } cases[] = {
      {stHShade, [&](int32_t x, int32_t) { return L - ((W - x) * 239 / W + 8) / 2; }},
      {stHShadeInv, [&](int32_t x, int32_t) { return L - ((W - (W - x)) * 239 / W + 8) / 2; }},
      {stVShade, [&](int32_t, int32_t y) { return L - ((239 * y) / H + 8) / 4; }},
      {stVShadeInv, [&](int32_t, int32_t y) { return L - ((239 * (H - y)) / H + 8) / 4; }},
      {stHBump, [&](int32_t x, int32_t) { return L - ((Cube((255 * (W - x)) / W - 127) * 120) / 128 + 128) / 2; }},
      {stVBump, [&](int32_t, int32_t y) { return L - ((Cube((255 * y) / H - 127) * 120) / 128 + 128) / 2; }},
      {stSoftBump,
       [&](int32_t x, int32_t y) {
         int32_t t = ((Cube((255 * y) / H - 127) + Cube((255 * (W - x)) / W - 127)) * 120) / 128 + 128;
         t = std::min(247, std::max(8, t));
         return L - t / 2;
       }},
      // The bitmap starts white: the blue it reads is 255 times the colour's blue.
      {stDiagShade, [&](int32_t x, int32_t y) { return L - (L - 255 + 129 * x / W + 129 * y / H) / 2; }},
      {stHardBump,
       [&](int32_t x, int32_t y) {
         int32_t v = L - ((Cube((255 * y) / H - 127) * 112) / 128 + 128) / 2;
         const int32_t m = std::min(16, W / 6), q = (H * H) / 4;
         const int32_t dx = x - W / 2, dy = y - H / 2, bound = (dy * dy * m) / q + W / 2 - m;
         if (dx > bound) v = L - (((W - x) * 128) / m + 8) / 2;
         if (dx + bound < 0) v = L - (247 - (x * 128) / m) / 2;
         return v;
       }},
  };
  const int32_t points[][2] = {{0, 0}, {1, 5}, {37, 3}, {100, 10}, {150, 19}, {198, 1}, {199, 19}, {5, 12}};
  for (const auto& c : cases) {
    TUxPanel* p = Panel(W, H, c.Type, orangeColour, L);
    ASSERT_EQ(p->CaptionShade()->Width(), W);
    ASSERT_EQ(p->CaptionShade()->Height(), H);
    for (const auto& pt : points)
      EXPECT_EQ(ShadeAt(p, pt[0], pt[1]), Tint(orange, c.V(pt[0], pt[1])))
          << int(c.Type) << " at " << pt[0] << "," << pt[1];
    p->Free();
  }
  // White at L = 200 runs from grey 77 at the left edge to 196 at the right.
  TUxPanel* h = Panel(W, H, stHShade);
  EXPECT_EQ(ShadeAt(h, 0, 5), 0x4D4D4Du);
  EXPECT_EQ(ShadeAt(h, W - 1, 5), 0xC4C4C4u);
}

TEST_F(CaptionShade, RadialShadings) {
  const int32_t W = 200, H = 20, L = 220;
  const double D = W - H;
  for (TShadeType t : {stIRadial, stORadial}) {
    TUxPanel* p = Panel(W, H, t, clWhite, L);
    for (auto [x, y] : {std::pair{0, 0}, {30, 4}, {100, 10}, {99, 9}}) {
      const double d = std::nearbyint(std::sqrt(double((x - 100) * (x - 100) + (y - 10) * (y - 10))));
      const int32_t v = int32_t(std::nearbyint(t == stIRadial ? (D - d) / D * L : d / D * L));
      EXPECT_EQ(ShadeAt(p, x, y), Tint(0xFFFFFF, v)) << x << "," << y;
      if (x > 0) {
        EXPECT_EQ(ShadeAt(p, W - x, y), ShadeAt(p, x, y)) << "mirrored";
      }
    }
    p->Free();
  }
}

TEST_F(CaptionShade, RandomShadingsStayInTheirRange) {
  TUxPanel* n = Panel(120, 20, stNoise, clWhite, 255);
  n->Caption()->SetShadeGrain(32);
  for (int32_t x = 0; x < 120; x += 7)
    for (int32_t y = 0; y < 20; y += 3) {
      const int32_t v = int32_t(ShadeAt(n, x, y) & 0xFF);
      EXPECT_GE(v, 255 - (31 + 128) / 2);
      EXPECT_LE(v, 255 - 128 / 2);
    }
  TUxPanel* m = Panel(120, 20, stRMetal, clWhite, 255);
  const uint32_t first = ShadeAt(m, 60, 10);
  EXPECT_EQ(first & 0xFF, (first >> 8) & 0xFF) << "grey";
}

TEST_F(CaptionShade, SizesThatWouldDivideByZeroOrBeNegative) {
  // A negative caption height renders the 100 x 20 fallback.
  TUxPanel* neg = Panel(150, 20, stVShade);
  neg->Caption()->SetHeight(-5);
  neg->DrawCaptionShade();
  EXPECT_EQ(neg->CaptionShade()->Width(), 100);
  EXPECT_EQ(neg->CaptionShade()->Height(), 20);
  // Square bars for the radial shadings, narrow ones for the hard bump.
  for (TShadeType t : {stIRadial, stORadial, stHardBump, stSoftBump, stDiagShade, stHBump, stLMetal}) {
    for (auto [w, h] : {std::pair{20, 20}, {4, 20}, {1, 1}, {3, 1}}) {
      TUxPanel* p = Panel(w, h, t);
      EXPECT_EQ(p->CaptionShade()->Width(), w);
      EXPECT_EQ(p->CaptionShade()->Height(), h);
      p->Free();
    }
  }
  TUxPanel* sq = Panel(20, 20, stIRadial, clWhite, 200);
  EXPECT_EQ(ShadeAt(sq, 10, 10), Tint(0xFFFFFF, 200)) << "full light in the middle";
}

TEST_F(CaptionShade, CaptionBarFramesTheShadingInItsShape) {
  TUxPanel* p = Panel(200, 20, stHShade);
  p->Caption()->SetVisible(true);
  Snap(p);
  EXPECT_EQ(At(50, 19), 0x808080u) << "raised edge: grey below";
  EXPECT_EQ(At(50, 0), 0xFFFFFFu) << "white above";
  EXPECT_EQ(At(0, 10), 0xFFFFFFu);
  EXPECT_EQ(At(199, 10), 0x808080u);
  EXPECT_EQ(At(50, 10), ShadeAt(p, 49, 9)) << "the shading inside the edge";

  p->Caption()->SetFlat(true);
  Snap(p);
  EXPECT_EQ(At(50, 0), ShadeAt(p, 50, 0)) << "flat: no edge, nothing shrinks";
  EXPECT_EQ(At(50, 19), ShadeAt(p, 50, 19));

  p->Caption()->SetShape(csRounded);
  Snap(p);
  EXPECT_EQ(At(100, 10), ShadeAt(p, 100, 9)) << "rounded: one row down";
  EXPECT_NE(At(1, 1), ShadeAt(p, 1, 0)) << "the corner is cut";

  // Without visual styles the visual-style caption is the plain caption.
  TUxPanel* xp = Panel(200, 20, stXPCaption, clRed);
  xp->Caption()->SetVisible(true);
  Snap(xp);
  EXPECT_EQ(At(50, 10), 0xFF0000u);
  EXPECT_EQ(At(50, 0), 0xFF0000u);
}

}  // namespace
