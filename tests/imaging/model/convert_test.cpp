#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/model/ColorReduction.h"
#include "imaging/model/ColorSpaces.h"
#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEQuantizer.h"
#include "rtl/TThreadPool.h"

namespace {
// A 2 x 1 image of each format holding a dark and a light pixel.
void MakeSample(TIEBitmap& b, TIEPixelFormat f) {
  b.Allocate(2, 1, f);
  switch (f) {
    case ieMono1: b.GetScanline(0)[0] = 0x40; break;  // pixel 1 white
    case iePalette8:
      b.SetPaletteEntry(0, MakeRGB(0, 0, 0));
      b.SetPaletteEntry(1, MakeRGB(255, 255, 255));
      b.SetByte(1, 0, 1);
      break;
    case ieGray8: b.SetByte(1, 0, 255); break;
    case ieGray16: b.SetWord(1, 0, 65535); break;
    case ieRGB24: b.SetRGB24(1, 0, MakeRGB(255, 255, 255)); break;
    case ie32f: b.SetFloat(1, 0, 1.0f); break;
    case ieCMYK: b.SetCMYKValue(0, 0, 0x01000000); b.SetCMYKValue(1, 0, 0xFFFFFFFF); break;
    case ieRGB48: b.SetRGB48(1, 0, TRGB48{65535, 65535, 65535}); break;
    case ieCIELab: b.SetRGB24(1, 0, TRGB{255, 0, 0}); break;  // L 255, a 0, b 0
    default: break;
  }
}
}  // namespace

TEST(Conversion, EveryFormatToEveryOtherKeepsBlackAndWhite) {
  const TIEPixelFormat formats[] = {ieMono1, iePalette8, ieGray8, ieGray16, ieRGB24,
                                    ie32f,   ieCMYK,     ieRGB48, ieCIELab};
  for (TIEPixelFormat from : formats) {
    for (TIEPixelFormat to : formats) {
      TIEBitmap b;
      MakeSample(b, from);
      b.DitherMethod = 1;
      b.SetPixelFormat(to);
      ASSERT_EQ(b.PixelFormat(), to);
      ASSERT_EQ(b.Width(), 2);
      TRGB dark = b.GetPixelRGB(0, 0), light = b.GetPixelRGB(1, 0);
      EXPECT_LE(std::max({dark.r, dark.g, dark.b}), 1) << int(from) << " -> " << int(to);
      EXPECT_GE(std::min({light.r, light.g, light.b}), 254) << int(from) << " -> " << int(to);
    }
  }
}

TEST(Conversion, KnownValues) {
  TIEBitmap b;
  b.Allocate(1, 1, ieGray16);
  b.SetWord(0, 0, 0x1234);
  b.SetPixelFormat(ieGray8);
  EXPECT_EQ(b.GetByte(0, 0), 0x12);

  b.Allocate(1, 1, ieGray16);
  b.SetWord(0, 0, 65535);
  b.SetPixelFormat(ie32f);
  EXPECT_FLOAT_EQ(b.GetFloat(0, 0), 1.0f);

  b.Allocate(1, 1, ieRGB24);
  b.SetRGB24(0, 0, MakeRGB(255, 0, 0));
  b.SetPixelFormat(ieGray8);
  EXPECT_EQ(b.GetByte(0, 0), 53);
  b.Allocate(1, 1, ieRGB24);
  b.SetRGB24(0, 0, MakeRGB(255, 0, 0));
  b.SetPixelFormat(ieGray16);
  EXPECT_EQ(b.GetWord(0, 0), 13893);

  b.Allocate(1, 1, ieRGB24);
  b.SetRGB24(0, 0, TRGB{10, 20, 30});  // blue, green, red
  b.SetPixelFormat(ieRGB48);
  EXPECT_EQ(b.GetRGB48(0, 0), (TRGB48{7710, 5140, 2570}));  // red, green, blue

  b.Allocate(1, 1, iePalette8);
  b.SetPaletteEntry(5, TRGB{0, 0, 255});
  b.SetByte(0, 0, 5);
  EXPECT_EQ(b.GetPixelRGB(0, 0), MakeRGB(255, 0, 0));
}

TEST(Conversion, FloatToByteSaturatesInsteadOfWrapping) {
  TIEBitmap b;
  b.Allocate(2, 1, ie32f);
  b.SetFloat(0, 0, 1.5f);
  b.SetFloat(1, 0, -0.5f);
  b.SetPixelFormat(ieGray8);
  EXPECT_EQ(b.GetByte(0, 0), 255);  // not the low byte of 382
  EXPECT_EQ(b.GetByte(1, 0), 0);
}

TEST(Conversion, IndirectConversionLeavesSourceFormatAndMovesAlpha) {
  TIEBitmap source;
  source.Allocate(3, 2, ieGray16);
  source.SetWord(0, 0, 40000);
  TIEBitmap* alpha = source.GetAlphaChannel();
  TIEBitmap target;
  target.Allocate(3, 2, ieCMYK);
  target.CopyConvertFrom(&source);
  EXPECT_EQ(source.PixelFormat(), ieGray16);  // converted through a copy
  EXPECT_EQ(source.GetWord(0, 0), 40000);
  EXPECT_EQ(target.GetAlphaChannel(), alpha);
  EXPECT_FALSE(source.HasAlphaChannel());
  // The alpha channel object survives a chain of conversions.
  target.SetPixelFormat(iePalette8);
  EXPECT_EQ(target.GetAlphaChannel(), alpha);
}

TEST(Conversion, EqualFormatsCopyNothing) {
  TIEBitmap a, b;
  a.Allocate(2, 2, ieRGB24);
  a.Fill(0xFFFFFF);
  b.Allocate(2, 2, ieRGB24);
  b.CopyConvertFrom(&a);
  EXPECT_EQ(b.GetRGB24(0, 0), MakeRGB(0, 0, 0));
}

TEST(Conversion, OrderedDitherOfFloat) {
  TIEBitmap b;
  b.Allocate(8, 8, ie32f);
  b.Fill(1.0);
  b.DitherMethod = 0;
  b.SetPixelFormat(ieMono1);
  // Level 63: white except where the matrix holds 63.
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(GetBit(b.GetScanline(y), x), IEBayerMatrix[x][y] != 63) << x << "," << y;
}

TEST(CIELab, WhiteAndRoundTrip) {
  TCIELab white = RGBToCIELab(MakeRGB(255, 255, 255));
  EXPECT_EQ(white.l, 255);
  EXPECT_EQ(white.a, 0);
  EXPECT_EQ(white.b, 0);
  EXPECT_EQ(CIELabToRGB(white), MakeRGB(255, 255, 255));
  // Through a 1-bit image: white becomes L 255, a 0, b 0.
  TIEBitmap b;
  b.Allocate(1, 1, ieMono1);
  b.GetScanline(0)[0] = 0x80;
  b.SetPixelFormat(ieCIELab);
  EXPECT_EQ(b.GetScanline(0)[0], 255);
  EXPECT_EQ(b.GetScanline(0)[1], 0);
}

TEST(ColorReduction, ThresholdAndMean) {
  TIEBitmap b;
  b.Allocate(4, 1, ieGray8);
  const uint8_t v[4] = {10, 20, 200, 220};
  for (int x = 0; x < 4; ++x) b.SetByte(x, 0, v[x]);
  int32_t r, g, bl;
  MeanColor(&b, r, g, bl);
  EXPECT_EQ(r, 112);
  TIEBitmap bw;
  bw.Allocate(4, 1, ieMono1);
  ThresholdToBW(&b, &bw, -1);
  EXPECT_EQ(bw.GetScanline(0)[0] & 0xF0, 0x30);
  ThresholdToBW(&b, &bw, -2);  // maximum entropy splits the two groups too
  EXPECT_EQ(bw.GetScanline(0)[0] & 0xF0, 0x30);
}

TEST(ColorReduction, MaxEntropyOfOneColourKeepsItsSide) {
  TIEBitmap b, bw;
  b.Allocate(4, 4, ieGray8);
  bw.Allocate(4, 4, ieMono1);
  b.Fill(30);
  ThresholdToBW(&b, &bw, -2);
  EXPECT_FALSE(GetBit(bw.GetScanline(2), 2));  // a dark page stays black
  b.Fill(200);
  ThresholdToBW(&b, &bw, -2);
  EXPECT_TRUE(GetBit(bw.GetScanline(2), 2));
}

TEST(TIEQuantizer, ExactColoursGreyRampAndMethods) {
  TIEBitmap b;
  b.Allocate(5, 1, ieRGB24);
  const TRGB colours[5] = {MakeRGB(1, 2, 3), MakeRGB(9, 9, 0), MakeRGB(1, 2, 3), MakeRGB(0, 0, 200),
                           MakeRGB(7, 7, 7)};
  for (int x = 0; x < 5; ++x) b.SetRGB24(x, 0, colours[x]);
  TRGB palette[16];
  for (auto& p : palette) p = MakeRGB(99, 99, 99);
  TIEQuantizer q(&b, 16, palette, -1);
  EXPECT_TRUE(q.HasExactColors());
  EXPECT_EQ(palette[0], MakeRGB(1, 2, 3));
  EXPECT_EQ(palette[2], MakeRGB(0, 0, 200));
  EXPECT_EQ(palette[4], MakeRGB(99, 99, 99));  // untouched
  EXPECT_EQ(q.RGBToIndex(MakeRGB(0, 0, 200)), 2);
  // A colour that is not in the list still maps into the palette.
  int32_t i = q.RGBToIndex(MakeRGB(0, 0, 190));
  EXPECT_EQ(i, 2);

  TIEBitmap grey;
  grey.Allocate(2, 2, ieRGB24);
  grey.Fill(0x808080);
  TIEQuantizer gq(&grey, 16, palette, -1);
  EXPECT_EQ(palette[1], MakeRGB(16, 16, 16));
  EXPECT_EQ(palette[15], MakeRGB(240, 240, 240));
  EXPECT_EQ(gq.RGBToIndex(MakeRGB(200, 200, 200)), 12);

  TIEBitmap many;
  many.Allocate(64, 64, ieRGB24);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) many.SetRGB24(x, y, MakeRGB(x * 4, y * 4, (x ^ y) * 4));
  TRGB big[256];
  TIEQuantizer mc(&many, 127, big, -1);
  EXPECT_EQ(mc.Method(), 1);
  TIEQuantizer nq(&many, 128, big, -1);
  EXPECT_EQ(nq.Method(), 0);
  for (int y = 0; y < 64; y += 7)
    for (int x = 0; x < 64; x += 5) {
      int32_t m = mc.RGBToIndex(many.GetRGB24(x, y));
      int32_t n = nq.RGBToIndex(many.GetRGB24(x, y));
      ASSERT_GE(m, 0);
      ASSERT_LT(m, 127);
      ASSERT_GE(n, 0);
      ASSERT_LT(n, 128);
    }
}

// A palette image is handed its own palette, and colours map to its entries
// even when the palette is grey (here a descending ramp).
TEST(TIEQuantizer, GreyPaletteImageMapsToItsOwnEntries) {
  TIEBitmap b;
  b.Allocate(4, 1, iePalette8);
  for (int i = 0; i < 256; ++i) b.SetPaletteEntry(i, MakeRGB(uint8_t(255 - i), uint8_t(255 - i), uint8_t(255 - i)));
  TRGB pal[16] = {};
  TIEQuantizer q(&b, 16, pal, -1);
  EXPECT_EQ(pal[15], MakeRGB(240, 240, 240));
  const struct {
    uint8_t grey;
    int index;
  } cases[] = {{255, 0}, {250, 5}, {240, 15}, {0, 15}, {246, 9}};
  for (const auto& c : cases) EXPECT_EQ(q.RGBToIndex(MakeRGB(c.grey, c.grey, c.grey)), c.index) << int(c.grey);
}

TEST(TIEQuantizer, OneCellCannotBeSplit) {
  TIEBitmap b;
  b.Allocate(300, 1, ieRGB24);
  for (int x = 0; x < 300; ++x) b.SetRGB24(x, 0, MakeRGB(x % 8, (x / 8) % 8, x % 3));
  TRGB palette[16];
  TIEQuantizer q(&b, 16, palette, -1);
  EXPECT_EQ(q.Method(), 1);
  EXPECT_EQ(q.RGBToIndex(MakeRGB(3, 3, 1)), 0);
  EXPECT_EQ(q.RGBToIndex(MakeRGB(7, 0, 0)), 0);
}

// A palette image holds 256 entries whatever colour count is asked for.
TEST(Conversion, RGBToPaletteHoldsAtMost256Colours) {
  TIEBitmap b;
  b.Allocate(30, 20, ieRGB24);
  for (int i = 0; i < 600; ++i) b.SetRGB24(i % 30, i / 30, MakeRGB(uint8_t(i), uint8_t(i * 7), uint8_t(i >> 2)));
  b.PaletteColors = 1000;
  b.SetPixelFormat(iePalette8);
  ASSERT_EQ(b.PixelFormat(), iePalette8);
  EXPECT_EQ(b.GetPaletteLen(), 256);
}

TEST(Conversion, RGBToPaletteUsesTheQuantizer) {
  TIEBitmap b;
  b.Allocate(3, 1, ieRGB24);
  b.SetRGB24(0, 0, MakeRGB(255, 0, 0));
  b.SetRGB24(1, 0, MakeRGB(0, 255, 0));
  b.SetRGB24(2, 0, MakeRGB(255, 0, 0));
  b.SetPixelFormat(iePalette8);
  EXPECT_EQ(b.GetPixelRGB(0, 0), MakeRGB(255, 0, 0));
  EXPECT_EQ(b.GetPixelRGB(1, 0), MakeRGB(0, 255, 0));
  EXPECT_EQ(b.GetByte(0, 0), b.GetByte(2, 0));
}

// A large image converts on several threads; the result is the one thread's
// result byte for byte, for every kind of pair (through a palette, a colour
// space, a wider or narrower sample, a dither).
TEST(Conversion, ThreadedConversionEqualsSingleThreaded) {
  constexpr int32_t kW = 1040, kH = 1010;  // above a million pixels
  auto source = [](TIEBitmap& b, TIEPixelFormat f, bool few_colours) {
    b.SetLocation(ieMemory);
    b.Allocate(kW, kH, f);
    uint32_t seed = 12345;
    for (int32_t y = 0; y < kH; ++y) {
      uint8_t* row = b.GetScanline(y);
      const int64_t n = b.GetRowLen();
      for (int64_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        row[i] = static_cast<uint8_t>(few_colours ? (seed >> 24) & 0xC0 : seed >> 24);
      }
    }
    if (f == iePalette8)
      for (int32_t i = 0; i < 256; ++i) b.SetPaletteEntry(i, TRGB{uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)});
  };
  auto bytes = [](TIEBitmap& b) {
    std::vector<uint8_t> v;
    for (int32_t y = 0; y < b.Height(); ++y) v.insert(v.end(), b.GetScanline(y), b.GetScanline(y) + b.GetRowLen());
    if (b.PixelFormat() == iePalette8)
      for (int32_t i = 0; i < 256; ++i) {
        const TRGB c = b.GetPaletteEntry(i);
        v.insert(v.end(), {c.r, c.g, c.b});
      }
    return v;
  };
  struct Pair {
    TIEPixelFormat from, to;
    bool few_colours;
  } pairs[] = {
      {ieRGB24, ieGray8, false},  {ieRGB24, ieGray16, false}, {ieRGB24, ieCMYK, false},
      {ieRGB24, ieCIELab, false}, {ieRGB24, ieRGB48, false},  {ieRGB24, iePalette8, true},
      {ieRGB24, iePalette8, false}, {ieRGB24, ieMono1, false}, {ieCMYK, ieRGB24, false},
      {ieRGB48, ieRGB24, false},  {ieGray16, ieRGB24, false}, {iePalette8, ieRGB24, false},
  };
  TThreadPool& pool = TThreadPool::Shared();
  const int32_t threads = pool.MaxThreads();
  for (const Pair& p : pairs) {
    SCOPED_TRACE(testing::Message() << p.from << " to " << p.to << (p.few_colours ? " (few colours)" : ""));
    std::vector<uint8_t> results[2];
    for (int k = 0; k < 2; ++k) {
      pool.SetMaxThreads(k == 0 ? 1 : threads);
      TIEBitmap b;
      source(b, p.from, p.few_colours);
      b.ConvertFormat(p.to);
      ASSERT_EQ(b.PixelFormat(), p.to);
      results[k] = bytes(b);
    }
    EXPECT_TRUE(results[0] == results[1]);
  }
  pool.SetMaxThreads(threads);
}
