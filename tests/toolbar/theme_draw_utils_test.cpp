// Colour arithmetic and the drawing toolbox of the themes.
#include <gtest/gtest.h>

#include "rtl/Exception.h"
#include "tests/toolbar/ThemeTestSupport.h"
#include "toolbar/TBKDrawUtils.h"

namespace {

int32_t Red(TColor C) { return C & 0xFF; }
int32_t Green(TColor C) { return (C >> 8) & 0xFF; }
int32_t Blue(TColor C) { return (C >> 16) & 0xFF; }

TEST(ThemeColorArithmetic, MixingWeighsTheFirstColourOutOf255AndDividesBy256) {
  struct Case {
    int32_t W;
    int32_t R, B;
  } cases[] = {{255, 254, 0}, {0, 0, 254}, {128, 127, 126}};
  for (const Case& c : cases) {
    TColor m = MixColors(clRed, clBlue, c.W);
    EXPECT_EQ(Red(m), c.R) << c.W;
    EXPECT_EQ(Blue(m), c.B) << c.W;
    EXPECT_EQ(Green(m), 0) << c.W;
  }
  // A system colour is resolved first: the button face mixed with itself.
  TColor face = TColor(ColorToRGB(clBtnFace));
  EXPECT_EQ(MixColors(clBtnFace, clBtnFace, 255), MixColors(face, face, 255));
  EXPECT_THROW(MixColors(clRed, clBlue, 256), Exception);
  EXPECT_THROW(MixColors(clRed, clBlue, -1), Exception);
}

TEST(ThemeColorArithmetic, LighteningSaturatesEachChannelOnItsOwn) {
  EXPECT_EQ(LightenColor(TColor(0xF0F0F0), 32), TColor(0xFFFFFF));
  EXPECT_EQ(LightenColor(TColor(0xF0F0F0), -255), TColor(0x000000));
  // One channel at the top, one at the bottom, one in between: no channel
  // spills into its neighbour.
  TColor c = TColor(250 | 10 << 8 | 128 << 16);
  EXPECT_EQ(LightenColor(c, 10), TColor(255 | 20 << 8 | 138 << 16));
  EXPECT_EQ(LightenColor(c, -20), TColor(230 | 0 << 8 | 108 << 16));
  EXPECT_EQ(LightenColor(TColor(0xFFFFFF), 1000), TColor(0xFFFFFF));
}

TEST(ThemeColorArithmetic, DarknessAndChannelOrder) {
  EXPECT_TRUE(ColorIsDark(clBlack, 100));
  EXPECT_FALSE(ColorIsDark(clWhite, 100));
  // 76 * 128 + 150 * 128 + 30 * 128 = 256 * 128: not below 128, below 129.
  EXPECT_FALSE(ColorIsDark(TColor(0x808080), 128));
  EXPECT_TRUE(ColorIsDark(TColor(0x808080), 129));
  EXPECT_EQ(SwapRedBlue(0x00112233u), 0x00332211u);
}

TEST(ThemeColorArithmetic, GradientColoursRunEvenlyAndAreCached) {
  const std::vector<TColor>& g = GradientColors(3, clBlack, clWhite);
  ASSERT_EQ(g.size(), 3u);
  EXPECT_EQ(g[0], TColor(0x000000));
  EXPECT_EQ(g[1], TColor(0x808080));
  EXPECT_EQ(g[2], TColor(0xFFFFFF));
  EXPECT_EQ(&GradientColors(3, clBlack, clWhite), &g);
  // Falling channels round the same way.
  const std::vector<TColor>& d = GradientColors(3, clWhite, clBlack);
  EXPECT_EQ(d[1], TColor(0x808080));
  EXPECT_EQ(GradientColors(1, clBlack, TColor(0x0000FE))[0], TColor(0x00007F));
  EXPECT_THROW(GradientColors(0, clBlack, clWhite), Exception);
}

class ThemeDrawUtilsTest : public ThemeTest {};

TEST_F(ThemeDrawUtilsTest, FramesAndBevelsAdjustTheRectangle) {
  ThemeCanvas c(12, 12);
  HDC dc = c.canvas.Handle();
  TRect r{1, 1, 11, 11};
  FrameRectColor(dc, r, clNone, true);
  EXPECT_EQ(r, (TRect{2, 2, 10, 10}));
  EXPECT_EQ(c.CountLetter('.', TRect{0, 0, 12, 12}), 144) << "clNone draws nothing";
  TRect b{0, 0, 10, 10};
  DrawBevel(dc, b, clBtnHighlight, clBtnShadow, false);
  EXPECT_EQ(b, (TRect{0, 0, 8, 8}));
  EXPECT_EQ(c.Letter(0, 0), 'W');
  EXPECT_EQ(c.Letter(0, 8), 'W');
  EXPECT_EQ(c.Letter(9, 0), 's');
  EXPECT_EQ(c.Letter(9, 9), 's');
  EXPECT_EQ(c.Letter(0, 9), 's');
  TRect a{0, 0, 10, 10};
  DrawBevel(dc, a, clBtnHighlight, clBtnShadow, true);
  EXPECT_EQ(a, (TRect{1, 1, 9, 9}));
}

TEST_F(ThemeDrawUtilsTest, GradientsRunBetweenTheirEnds) {
  // In stripes: one pixel wide is the colour halfway between the ends.
  ThemeCanvas c(4, 4);
  FillGradientStripes(c.canvas.Handle(), TRect{1, 0, 2, 4}, clBlack, TColor(0x0000FE), 0);
  EXPECT_EQ(c.target.At(1, 2), 0x7F0000u);
  EXPECT_EQ(c.Letter(0, 2), '.');
  EXPECT_EQ(c.Letter(2, 2), '.');
  // By the platform: from the first colour, rising across the width.
  ThemeCanvas g(10, 3);
  FillGradient(g.canvas.Handle(), TRect{0, 0, 10, 3}, clBlack, clRed, 0);
  EXPECT_EQ(g.target.At(0, 1), 0x000000u);
  EXPECT_GT(g.target.At(9, 1) >> 16, g.target.At(5, 1) >> 16);
  EXPECT_EQ(g.target.At(9, 1) & 0xFFFF, 0u);
  ThemeCanvas v(3, 10);
  FillGradient(v.canvas.Handle(), TRect{0, 0, 3, 10}, clBlack, clWhite, 1);
  EXPECT_GT(v.target.At(1, 9) & 0xFF, v.target.At(1, 1) & 0xFF);
}

TEST_F(ThemeDrawUtilsTest, MonoPatternsPaintTheirSetBitsCentred) {
  ThemeCanvas c(12, 9);
  const uint16_t chevron[5] = {0xCC, 0x66, 0x33, 0x66, 0xCC};
  DrawMonoPattern(c.canvas.Handle(), TRect{0, 0, 12, 9}, 8, clBtnText, chevron, 5);
  EXPECT_EQ(c.Ascii(),
            "............\n"
            "............\n"
            "..xx..xx....\n"
            "...xx..xx...\n"
            "....xx..xx..\n"
            "...xx..xx...\n"
            "..xx..xx....\n"
            "............\n"
            "............\n");
}

TEST_F(ThemeDrawUtilsTest, DitherAlternatesTheTwoColours) {
  ThemeCanvas c(4, 2);
  FillDithered(c.canvas.Handle(), TRect{0, 0, 4, 2}, clBtnFace, clBtnHighlight);
  EXPECT_EQ(c.Ascii(), ".W.W\nW.W.\n");
}

}  // namespace
