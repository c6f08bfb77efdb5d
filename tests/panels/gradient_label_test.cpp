// The gradient label: its background and line gradients at computed pixels,
// the text around the line, and its turned text.
#include <algorithm>
#include <cmath>

#include "panels/TGradientLabel.h"
#include "rtl/Exception.h"
#include "tests/panels/PanelsTestSupport.h"

namespace {

constexpr TColor kFrom = TColor(0xC04020);  // 0x2040C0 on the screen
constexpr uint32_t kFromRgb = 0x2040C0, kWhite = 0xFFFFFF, kGreen = 0x00FF00;

// The colour the label's gradient of Steps bands over Len pixels gives the
// pixel at Pos: band n starts at Round(n * Len / Steps) and is Trunc of
// that length plus one long, cut at the end; later bands cover earlier ones.
uint32_t Band(uint32_t From, uint32_t To, int Len, int Steps, int Pos) {
  const double f = double(Len) / Steps;
  uint32_t c = 0xDEAD;
  for (int n = 0; n < Steps; ++n) {
    const int a = int(std::nearbyint(n * f));
    const int b = std::min(Len, a + int(f) + 1);
    if (a <= Pos && Pos < b) c = Blend(From, To, n, Steps);
  }
  return c;
}

class GradientLabelTest : public PanelsTest {
 protected:
  TGradientLabel* Make(int w, int h) {
    auto* l = new TGradientLabel(form);
    l->SetParent(host);
    l->SetBounds(kX, kY, w, h);
    l->SetColor(kFrom);
    l->SetTransparent(false);
    form->Show();
    return l;
  }
  uint32_t L(int x, int y) { return At(kX + x, kY + y); }
  static constexpr int kX = 10, kY = 20;
};

TEST_F(GradientLabelTest, NewLabelAndTheProgramsHeadingSettings) {
  auto* l = new TGradientLabel(form);
  EXPECT_EQ(l->ColorTo(), clWhite);
  EXPECT_EQ(l->GradientType(), gtFullHorizontal);
  EXPECT_EQ(l->Orientation(), goHorizontal);
  EXPECT_EQ(l->EllipsType(), etNone);
  EXPECT_EQ(l->VAlignment(), vaTop);
  EXPECT_EQ(l->Indent(), 0);
  EXPECT_FALSE(l->TransparentText());
  EXPECT_EQ(l->LineWidth(), 2);
  EXPECT_FALSE(l->AutoSize());
  EXPECT_EQ(l->Font()->Name(), "Verdana");
}

struct TypeCase {
  TGradientType Type;
  TGradientOrientation Orientation;
  // Which pixels of a 186 x 18 label carry the gradient.
  bool (*OnLine)(int x, int y);
  bool AlongWidth;  // the gradient runs along the width (else the height)
  bool Reversed;    // from ColorTo to Color
};

TEST_F(GradientLabelTest, FourGradientTypesAndVerticalLinesAtComputedPixels) {
  const TypeCase cases[] = {
      {gtFullHorizontal, goHorizontal, [](int, int) { return true; }, true, false},
      {gtFullVertical, goHorizontal, [](int, int) { return true; }, false, false},
      {gtBottomLine, goHorizontal, [](int, int y) { return y >= 16; }, true, false},
      {gtCenterLine, goHorizontal, [](int, int y) { return y == 9 || y == 10; }, true, false},
      {gtTopLine, goHorizontal, [](int, int y) { return y < 2; }, true, false},
      {gtBottomLine, goVertical, [](int x, int) { return x >= 184; }, false, true},
      {gtCenterLine, goVertical, [](int x, int) { return x == 93 || x == 94; }, false, true},
      {gtTopLine, goVertical, [](int x, int) { return x < 2; }, false, true},
  };
  auto* l = Make(186, 18);
  for (const TypeCase& c : cases) {
    l->SetGradientType(c.Type);
    l->SetOrientation(c.Orientation);
    Snap(host);
    // Every gradient of a 186-pixel label has 186 div 4 = 46 steps.
    for (int y = 0; y < 18; ++y)
      for (int x = 0; x < 186; x += (y % 3 == 0 ? 1 : 7)) {
        uint32_t want = kFromRgb;
        if (c.OnLine(x, y)) {
          const uint32_t from = c.Reversed ? kWhite : kFromRgb, to = c.Reversed ? kFromRgb : kWhite;
          want = c.AlongWidth ? Band(from, to, 186, 46, x) : Band(from, to, 18, 46, y);
        }
        ASSERT_EQ(L(x, y), want) << "type " << c.Type << " orientation " << c.Orientation << " at " << x << ","
                                 << y;
      }
  }
}

TEST_F(GradientLabelTest, NoSecondColourTransparencyLineWidthAndNarrowLabels) {
  auto* l = Make(186, 18);
  // No second colour: a full gradient is the plain colour.
  l->SetColorTo(clNone);
  Snap(host);
  EXPECT_EQ(L(0, 0), kFromRgb);
  EXPECT_EQ(L(185, 17), kFromRgb);
  // ... and a line is drawn in the plain colour, never in the missing one.
  l->SetGradientType(gtBottomLine);
  l->SetTransparent(true);
  Snap(host);
  EXPECT_EQ(L(0, 17), kFromRgb);
  EXPECT_EQ(L(185, 16), kFromRgb);
  EXPECT_EQ(L(100, 5), kGreen);

  // Transparent with a full gradient paints no background at all.
  l->SetColorTo(clWhite);
  l->SetGradientType(gtFullHorizontal);
  Snap(host);
  EXPECT_EQ(L(0, 0), kGreen);
  EXPECT_EQ(L(185, 17), kGreen);

  // A wider line width is kept but the line stays two pixels thick.
  l->SetGradientType(gtBottomLine);
  l->SetLineWidth(5);
  Snap(host);
  EXPECT_EQ(L(50, 15), kGreen);
  EXPECT_EQ(L(50, 16), Band(kFromRgb, kWhite, 186, 46, 50));

  // Narrower than four pixels: one step, the label's own colour.
  l->SetWidth(3);
  Snap(host);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(L(x, 17), kFromRgb);
  EXPECT_EQ(At(kX + 3, kY + 17), kGreen);
}

TEST_F(GradientLabelTest, TransparentTextKeepsTheLineFromBehindTheText) {
  auto* l = Make(186, 18);
  l->SetTransparent(true);
  l->SetGradientType(gtCenterLine);
  l->SetCaption("MMMMMM");
  l->SetIndent(20);
  TBitmap probe;
  probe.Canvas()->Font()->Assign(l->Font());
  const int tw = probe.Canvas()->TextWidth("MMMMMM");
  ASSERT_GT(tw, 30);
  auto lineInText = [&] {
    int n = 0;
    for (int y = 9; y <= 10; ++y)
      for (int x = 20; x < 20 + tw; ++x) n += L(x, y) == Band(kFromRgb, kWhite, 186, 46, x) && L(x, y) != 0;
    return n;
  };
  Snap(host);
  EXPECT_GT(lineInText(), 0) << "the line runs behind the text";
  l->SetTransparentText(true);
  Snap(host);
  EXPECT_EQ(lineInText(), 0);
  // Left and right of the text the line is drawn.
  EXPECT_EQ(L(19, 9), Band(kFromRgb, kWhite, 186, 46, 19));
  EXPECT_EQ(L(20 + tw, 10), Band(kFromRgb, kWhite, 186, 46, 20 + tw));
}

TEST_F(GradientLabelTest, VerticalTextRunsUpFromTheBottom) {
  auto* l = Make(30, 150);
  l->SetTransparent(true);
  l->SetGradientType(gtTopLine);
  l->SetOrientation(goVertical);
  l->Font()->SetColor(clBlack);
  l->SetCaption("Cipher mode:");
  Snap(host);
  int minX = 999, maxX = -1, minY = 999, maxY = -1;
  for (int y = 0; y < 150; ++y)
    for (int x = 2; x < 30; ++x)
      if (L(x, y) != kGreen) {
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
      }
  ASSERT_GE(maxX, 0);
  EXPECT_GT(maxY - minY, 2 * (maxX - minX)) << "turned text is taller than wide";
  EXPECT_LE(maxY, 149);
  EXPECT_GT(maxY, 130) << "left-aligned turned text starts at the bottom";
}

}  // namespace
