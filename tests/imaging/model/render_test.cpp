// The render engine drawn pixel by pixel on small images: zoom tables,
// clipping, transparency, alpha, display range, adjustments and the blend
// operations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "imaging/model/IEWorkBitmap.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/RenderEngine.h"
#include "imaging/model/Resample.h"
#include "imaging/model/TIEBitmap.h"
#include "ops_test_util.h"
#include "rtl/Numeric.h"

namespace {
using namespace opstest;

TIEBitmap* Dest(TIEBitmap& d, int w, int h, TColor fill = 0) {
  d.SetLocation(ieMemory);
  d.Allocate(w, h, ieRGB24);
  d.Fill(fill);
  return &d;
}

TEST(RenderEngine, OneToOneCopiesBytes) {
  TIEBitmap s, d;
  s.Allocate(100, 100, ieRGB24);
  FillRandom(s, 1);
  RenderToTIEBitmap(&s, Dest(d, 100, 100), 0, 0, 100, 100, 0, 0, 100, 100);
  EXPECT_TRUE(SamePixels(s, d));
}

TEST(RenderEngine, ZoomTablesMapEveryPixel) {
  const TIEPixelFormat formats[] = {ieRGB24, ieMono1, iePalette8, ieGray8, ieCMYK};
  for (TIEPixelFormat pf : formats) {
    TIEBitmap s, d;
    s.Allocate(3, 2, pf);
    FillRandom(s, pf);
    if (pf == iePalette8)
      for (int i = 0; i < 256; ++i) s.SetPaletteEntry(i, MakeRGBTriple(uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)));
    RenderToTIEBitmap(&s, Dest(d, 9, 7), 1, 1, 7, 5, 0, 0, 3, 2);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x) {
        TRGB expected{0, 0, 0};
        if (x >= 1 && x <= 7 && y >= 1 && y <= 5) expected = s.GetPixelRGB(int(Trunc((x - 1) * 3 / 7.0)), int(Trunc((y - 1) * 2 / 5.0)));
        ASSERT_EQ(d.GetRGB24(x, y), expected) << "format " << int(pf) << " at " << x << "," << y;
      }
  }
}

TEST(RenderEngine, ClippingAtTheTopLeftSkipsSourcePixels) {
  TIEBitmap s, d;
  s.Allocate(10, 10, ieRGB24);
  FillRandom(s, 2);
  // 2x zoom drawn from x = -10: the first drawn column is source column 5.
  RenderToTIEBitmap(&s, Dest(d, 20, 20), -10, 0, 20, 20, 0, 0, 10, 10);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(d.GetRGB24(x, y), s.GetRGB24(5 + x / 2, y / 2));
  EXPECT_EQ(d.GetRGB24(10, 0), TRGB({0, 0, 0}));
  // An offset beyond the destination draws nothing.
  TIEBitmap e;
  RenderToTIEBitmap(&s, Dest(e, 5, 5), 5, 0, 10, 10, 0, 0, 10, 10);
  EXPECT_TRUE(IsBlankBitmap(&e));
}

// A placement reaching from the far left of the 32-bit range: the clipping
// does not overflow and the last source column lands on the first pixels.
TEST(RenderEngine, PlacementFromTheFarLeft) {
  TIEBitmap s, d;
  s.Allocate(64, 1, ieRGB24);
  FillRandom(s, 3);
  RenderToTIEBitmap(&s, Dest(d, 20, 1), INT32_MIN + 10, 0, INT32_MAX, 1, 0, 0, 64, 1);
  for (int x = 0; x < 20; ++x) ASSERT_EQ(d.GetRGB24(x, 0), x < 9 ? s.GetRGB24(63, 0) : TRGB({0, 0, 0})) << x;
  RenderToTIEBitmap(&s, Dest(d, 20, 1), INT32_MIN, 0, INT32_MAX, 1, 0, 0, 64, 1);
  EXPECT_TRUE(IsBlankBitmap(&d));
}

TEST(RenderEngine, TransparencyAndAlpha) {
  TIEBitmap s, d;
  s.Allocate(4, 1, ieRGB24);
  s.Fill(0xFFFFFF);
  RenderToTIEBitmap(&s, Dest(d, 4, 1), 0, 0, 4, 1, 0, 0, 4, 1, 128);
  EXPECT_EQ(d.GetRGB24(0, 0).r, 127);  // 255 * 128 shr 8
  // Alpha: the smaller of transparency and alpha.
  s.SetAlpha(0, 0, 0);
  s.SetAlpha(1, 0, 64);
  s.GetAlphaChannel()->Full = false;
  RenderToTIEBitmap(&s, Dest(d, 4, 1), 0, 0, 4, 1, 0, 0, 4, 1, 128);
  EXPECT_EQ(d.GetRGB24(0, 0).r, 0);
  EXPECT_EQ(d.GetRGB24(1, 0).r, 63);
  EXPECT_EQ(d.GetRGB24(2, 0).r, 127);
  // A channel marked all-opaque is ignored.
  s.GetAlphaChannel()->Full = true;
  RenderToTIEBitmap(&s, Dest(d, 4, 1), 0, 0, 4, 1, 0, 0, 4, 1);
  EXPECT_EQ(d.GetRGB24(0, 0).r, 255);
  // Blending subtracts too: white destination, black source at 128.
  TIEBitmap k;
  k.Allocate(1, 1, ieRGB24);
  RenderToTIEBitmap(&k, Dest(d, 1, 1, 0xFFFFFF), 0, 0, 1, 1, 0, 0, 1, 1, 128);
  EXPECT_EQ(d.GetRGB24(0, 0).r, 255 + ((128 * (0 - 255)) >> 8));
}

// An alpha channel of another size than its image is taken as absent: the
// image is drawn opaque, unfiltered and resampled alike.
TEST(RenderEngine, AlphaOfAnotherSizeIsIgnored) {
  struct Case { int aw, ah; TResampleFilter filter; int dw; };
  const Case cases[] = {{4, 4, rfNone, 64}, {4, 4, rfBilinear, 128}, {128, 2, rfNone, 64}, {64, 128, rfBilinear, 128}};
  for (const Case& c : cases) {
    TIEBitmap s, d;
    s.Allocate(64, 64, ieRGB24);
    s.Fill(0xFFFFFF);
    s.GetAlphaChannel()->Allocate(c.aw, c.ah, ieGray8);
    s.GetAlphaChannel()->Fill(0);
    s.GetAlphaChannel()->Full = false;
    RenderToTIEBitmap(&s, Dest(d, c.dw, c.dw), 0, 0, c.dw, c.dw, 0, 0, 64, 64, 255, c.filter);
    EXPECT_EQ(d.GetRGB24(c.dw - 1, c.dw - 1), MakeRGBTriple(255, 255, 255)) << c.aw << "x" << c.ah;
  }
}

TEST(RenderEngine, DisplayRangeOfGreyFormats) {
  TIEBitmap s, d;
  s.Allocate(3, 1, ieGray16);
  s.SetWord(0, 0, 1500);
  s.SetWord(1, 0, 3000);
  s.SetWord(2, 0, 500);
  s.GrayMin = 1000;
  s.GrayMax = 2000;
  RenderToTIEBitmap(&s, Dest(d, 3, 1), 0, 0, 3, 1, 0, 0, 3, 1);
  EXPECT_EQ(d.GetRGB24(0, 0).g, 127);
  EXPECT_EQ(d.GetRGB24(1, 0).g, 255);
  EXPECT_EQ(d.GetRGB24(2, 0).g, 0);
  s.GrayMax = s.GrayMin = 0;
  RenderToTIEBitmap(&s, Dest(d, 3, 1), 0, 0, 3, 1, 0, 0, 3, 1);
  EXPECT_EQ(d.GetRGB24(1, 0).g, 3000 >> 8);
  TIEBitmap f;
  f.Allocate(1, 1, ie32f);
  f.SetFloat(0, 0, 0.5f);
  RenderToTIEBitmap(&f, Dest(d, 1, 1), 0, 0, 1, 1, 0, 0, 1, 1);
  EXPECT_EQ(d.GetRGB24(0, 0).r, 127);
}

// Undefined, infinite and huge samples of a float image are drawn like any
// other, and the pixels after them too; a range with an infinite end is no
// range.
TEST(RenderEngine, FloatSamplesOutsideAnyRange) {
  const float samples[] = {0.5f, NAN, INFINITY, 1e30f, -1e30f, 0.5f};
  struct Case { double lo, hi; uint8_t expected[6]; };
  const Case cases[] = {{0, 1, {127, 0, 255, 255, 0, 127}},
                        {0, 0, {127, 0, 0, 255, 0, 127}},
                        {0, INFINITY, {127, 0, 0, 255, 0, 127}},
                        {NAN, 1, {127, 0, 0, 255, 0, 127}}};
  for (const Case& c : cases) {
    TIEBitmap s, d;
    s.Allocate(6, 2, ie32f);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 6; ++x) s.SetFloat(x, y, samples[x]);
    s.GrayMin = c.lo;
    s.GrayMax = c.hi;
    RenderToTIEBitmap(&s, Dest(d, 6, 2), 0, 0, 6, 2, 0, 0, 6, 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 6; ++x) EXPECT_EQ(d.GetRGB24(x, y).g, c.expected[x]) << c.lo << ".." << c.hi << " x " << x;
  }
}

TEST(RenderEngine, AdjustmentsAndOperations) {
  TIEBitmap s, d;
  s.Allocate(1, 1, ieRGB24);
  s.SetRGB24(0, 0, MakeRGBTriple(200, 10, 77));
  s.Contrast = -100;  // K = 0
  RenderToTIEBitmap(&s, Dest(d, 1, 1), 0, 0, 1, 1, 0, 0, 1, 1);
  EXPECT_EQ(d.GetRGB24(0, 0), MakeRGBTriple(128, 128, 128));
  s.Contrast = 0;
  s.AdjustEnabled = true;
  s.RedOffset = 100;
  RenderToTIEBitmap(&s, Dest(d, 1, 1), 0, 0, 1, 1, 0, 0, 1, 1);
  EXPECT_EQ(d.GetRGB24(0, 0), MakeRGBTriple(255, 10, 77));
  s.AdjustEnabled = false;
  s.RedOffset = 0;
  s.SetRGB24(0, 0, MakeRGBTriple(200, 10, 10));
  RenderToTIEBitmap(&s, Dest(d, 1, 1, 0x323232), 0, 0, 1, 1, 0, 0, 1, 1, 255, rfNone, 2);
  EXPECT_EQ(d.GetRGB24(0, 0).r, 150);
  RenderToTIEBitmap(&s, Dest(d, 1, 1, 0xC8C8C8), 0, 0, 1, 1, 0, 0, 1, 1, 255, rfNone, 3);
  EXPECT_EQ(d.GetRGB24(0, 0).g, 20);
  // RGB48 adjusted: a dark word under strong contrast is black, not white.
  TIEBitmap w;
  w.Allocate(1, 1, ieRGB48);
  w.SetRGB48(0, 0, TRGB48{0, 65535, 32768});
  w.Contrast = 50;
  RenderToTIEBitmap(&w, Dest(d, 1, 1), 0, 0, 1, 1, 0, 0, 1, 1);
  EXPECT_EQ(d.GetRGB24(0, 0), MakeRGBTriple(0, 255, 128));
}

TEST(RenderEngine, BlendOperationTable) {
  struct Case {
    int op, s, d, r;
  };
  const Case cases[] = {
      {0, 9, 200, 9},     {1, 200, 100, 255},  {2, 200, 50, 150},   {3, 10, 200, 20},   {3, 0, 200, 200},
      {4, 128, 200, 100}, {5, 0x0F, 0xF0, 255}, {6, 0x3C, 0x0F, 0x0C}, {7, 0xFF, 0x0F, 0xF0}, {8, 3, 9, 9},
      {9, 3, 9, 3},       {10, 3, 10, 6},      {11, 128, 128, 255 - (127 * 127 >> 8)}, {12, 100, 100, 200},
      {13, 255, 255, 2},  {13, 100, 50, 111},  {14, 100, 200, 255 - (55 * 155 >> 7)}, {14, 100, 100, 78},
      {15, 200, 100, 255 - (155 * 55 >> 7)},   {17, 0, 255, 254},   {18, 255, 0, 255},  {18, 128, 100, 201},
      {19, 0, 5, 0},      {19, 200, 100, 57},  {20, 100, 128, 201}, {21, 100, 0, 0},    {22, 100, 100, 82},
      {22, 200, 200, 220}, {23, 100, 100, 82}, {24, 128, 100, 78},  {25, 100, 128, 78}, {26, 100, 100, 15},
      {27, 200, 200, 240}, {28, 100, 200, 44}, {28, 10, 20, 0},    {30, 100, 200, 144}, {99, 1, 77, 77},
  };
  for (const Case& c : cases) EXPECT_EQ(IEBlendChannel(c.op, c.s, c.d), c.r) << "op " << c.op << " " << c.s << " over " << c.d;
  const int32_t* T = IECosineTable();
  EXPECT_EQ(IEBlendChannel(29, 100, 200), std::min(T[100] + T[200], 255));
  EXPECT_EQ(IEBlendChannel(16, 255, 0), 0);
  EXPECT_EQ(IEBlendChannel(16, 0, 255), 255);
  EXPECT_EQ(IEBlendChannel(16, 128, 64), int(Trunc(255 * (std::sqrt(64 / 255.0) * (2 * 128 / 255.0 - 1) + 2 * 64 / 255.0 * (1 - 128 / 255.0)))));
  // Every operation stays a byte over the whole input range.
  for (int op = 0; op <= 30; ++op)
    for (int s = 0; s < 256; ++s)
      for (int d = 0; d < 256; ++d) {
        const int r = IEBlendChannel(op, s, d);
        ASSERT_TRUE(r >= 0 && r <= 255) << op;
      }
  // Operation 13, s + d - s * d / 128, worked out by hand at the corners,
  // the middle and both sides of 128.
  const Case thirteen[] = {
      {13, 0, 0, 0},       {13, 0, 255, 255},   {13, 255, 0, 255},   {13, 1, 255, 255},
      {13, 128, 128, 128}, {13, 127, 127, 128}, {13, 200, 100, 144}, {13, 64, 192, 160},
      {13, 255, 128, 128}, {13, 129, 255, 128}, {13, 17, 3, 20},
  };
  for (const Case& c : thirteen) EXPECT_EQ(IEBlendChannel(c.op, c.s, c.d), c.r) << c.s << " over " << c.d;
  const TRGB src = MakeRGBTriple(10, 20, 30), dst = MakeRGBTriple(200, 150, 100);
  EXPECT_EQ(IEBlendPixel(31, src, dst), MakeRGBTriple(10, 150, 100));
  EXPECT_EQ(IEBlendPixel(32, src, dst), MakeRGBTriple(200, 20, 100));
  EXPECT_EQ(IEBlendPixel(33, src, dst), MakeRGBTriple(200, 150, 30));
  // Hue and saturation of the source with the destination's lightness.
  const TRGB grey = MakeRGBTriple(50, 50, 50);
  double h, s2, l, gh, gs, gl;
  RGBToHSL(dst, h, s2, l);
  RGBToHSL(grey, gh, gs, gl);
  EXPECT_EQ(IEBlendPixel(36, dst, grey), HSLToRGB(h, s2, gl));
  EXPECT_EQ(IEBlendPixel(37, dst, grey), HSLToRGB(h, gs, l));
}

TEST(RenderEngine, FilteredZoomEqualsResampledImage) {
  TIEBitmap s, d, r, d2;
  s.Allocate(6, 5, ieRGB24);
  FillRandom(s, 4);
  RenderToTIEBitmap(&s, Dest(d, 12, 10), 0, 0, 12, 10, 0, 0, 6, 5, 255, rfBicubic);
  r.Allocate(12, 10, ieRGB24);
  ResampleRGB24(&s, &r, rfBicubic);
  RenderToTIEBitmap(&r, Dest(d2, 12, 10), 0, 0, 12, 10, 0, 0, 12, 10);
  EXPECT_TRUE(SamePixels(d, d2));
  EXPECT_TRUE(SamePixels(d, r));
  // A 1-bit image reduced without alpha goes through the box shrink.
  TIEBitmap m, g;
  m.Allocate(8, 8, ieMono1);
  for (int y = 0; y < 8; ++y) m.GetScanline(y)[0] = 0xF0;
  RenderToTIEBitmap(&m, Dest(g, 2, 2), 0, 0, 2, 2, 0, 0, 8, 8, 255, rfTriangle);
  EXPECT_GT(g.GetRGB24(0, 0).r, 200);
  EXPECT_EQ(g.GetRGB24(1, 0).r, 102);  // columns 2..6: two of five white
}

TEST(RenderEngine, UpdateRectSolidBackgroundAndKeptTables) {
  TIEBitmap s, d;
  s.Allocate(4, 4, ieRGB24);
  FillRandom(s, 5);
  std::unique_ptr<TIERowPointers> rows;
  std::unique_ptr<TIEMapTable> cols, rts;
  const TIEUpdateRect rect{2, 1, 5, 3};
  Dest(d, 8, 8);
  RenderToTIEBitmapEx(&s, &d, rows, cols, rts, &rect, 0, 0, 8, 8, 0, 0, 4, 4, true, true, 255, rfNone, false, 0);
  ASSERT_TRUE(rows && cols && rts);
  EXPECT_EQ(cols->size(), 4u);
  EXPECT_EQ((*cols)[0], 1);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x <= 5 && y >= 1 && y <= 3;
      ASSERT_EQ(d.GetRGB24(x, y), inside ? s.GetRGB24(x / 2, y / 2) : TRGB({0, 0, 0})) << x << "," << y;
    }
  // The same tables again draw the same pixels; a stale table that maps
  // outside a smaller source is shortened instead of read past the end.
  TIEBitmap d2;
  Dest(d2, 8, 8);
  std::unique_ptr<TIERowPointers> rows2;
  RenderToTIEBitmapEx(&s, &d2, rows2, cols, rts, &rect, 0, 0, 8, 8, 0, 0, 4, 4, true, true, 255, rfNone, true, 0);
  EXPECT_TRUE(SamePixels(d, d2));
  EXPECT_TRUE(cols && rts && !rows2);  // caller-given tables are the caller's
  TIEBitmap small;
  small.Allocate(2, 2, ieRGB24);
  (*cols)[3] = 7;
  Dest(d2, 8, 8);
  RenderToTIEBitmapEx(&small, &d2, rows2, cols, rts, &rect, 0, 0, 8, 8, 0, 0, 2, 2, true, false, 255, rfNone, true, 0);
}
}  // namespace
