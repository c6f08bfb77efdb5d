// Grey rectangles, colour reduction, row bit-depth conversion, blur, soft
// shadow, rounded corners, histogram matching and the filter presets.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <vector>

#include "imaging/model/ColorReduction.h"
#include "imaging/model/ImageEffects.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEQuantizer.h"
#include "ops_test_util.h"
#include "rtl/Exception.h"

namespace {
using namespace opstest;

TEST(ColorReductionOps, ConvertToGrayRectClipsAndWeighs) {
  TIEBitmap img;
  img.Allocate(4, 3, ieRGB24);
  img.Fill(0x0A1464);  // R 100, G 20, B 10
  ConvertToGrayRect(&img, 1, 1, 10, 10);
  const uint8_t g = (100 * 21 + 20 * 71 + 10 * 8) / 100;
  EXPECT_EQ(img.GetRGB24(0, 0), MakeRGBTriple(100, 20, 10));
  EXPECT_EQ(img.GetRGB24(3, 2), MakeRGBTriple(g, g, g));
  EXPECT_EQ(img.GetRGB24(0, 2), MakeRGBTriple(100, 20, 10));
}

TEST(ColorReductionOps, ReduceColorsKeepsTwoColours) {
  TIEBitmap img;
  img.Allocate(6, 5, ieRGB24);
  img.Fill(0x102030);
  for (int x = 0; x < 6; ++x) img.SetRGB24(x, 2, MakeRGBTriple(200, 100, 50));
  TRGB pal[2];
  ReduceColors(&img, 2, pal);
  EXPECT_EQ(img.PixelFormat(), ieRGB24);
  EXPECT_EQ(img.GetRGB24(0, 0), MakeRGBTriple(0x30, 0x20, 0x10));
  EXPECT_EQ(img.GetRGB24(3, 2), MakeRGBTriple(200, 100, 50));
  EXPECT_TRUE((pal[0] == MakeRGBTriple(200, 100, 50)) || (pal[1] == MakeRGBTriple(200, 100, 50)));
  // Many colours down to 16: every pixel is one of the palette's entries.
  TIEBitmap many;
  many.Allocate(32, 32, ieRGB24);
  FillRandom(many, 9);
  TRGB p16[16];
  ReduceColors(&many, 16, p16);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const TRGB c = many.GetRGB24(x, y);
      EXPECT_NE(std::find(p16, p16 + 16, c), p16 + 16);
    }
}

// Counts above 256 (up to 1024) are honoured: an image with fewer colours
// than asked keeps them all, and a larger count builds that many.
TEST(ColorReductionOps, ReduceColorsAbove256) {
  TIEBitmap img;
  img.Allocate(30, 20, ieRGB24);
  for (int i = 0; i < 600; ++i)
    img.SetRGB24(i % 30, i / 30, MakeRGBTriple(uint8_t(i), uint8_t(i * 7), uint8_t(i >> 2)));
  TIEBitmap orig;
  orig.Assign(&img);
  std::vector<TRGB> pal(1000);
  ReduceColors(&img, 1000, pal.data());
  EXPECT_TRUE(SamePixels(img, orig));
  std::vector<TRGB> p300(300);
  ReduceColors(&img, 300, p300.data());
  std::set<uint32_t> used;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) {
      const TRGB c = img.GetRGB24(x, y);
      EXPECT_NE(std::find(p300.begin(), p300.end(), c), p300.end());
      used.insert(c.r | c.g << 8 | c.b << 16);
    }
  EXPECT_LE(used.size(), 300u);
  // The palette handed out has room for all 300 entries.
  std::set<uint32_t> entries;
  for (const TRGB& c : p300) entries.insert(c.r | c.g << 8 | c.b << 16);
  EXPECT_GT(entries.size(), 256u);
}

TEST(ColorReductionOps, DitherToBW) {
  // Near-white is white everywhere; grey 253 (level 63) only where the
  // matrix holds 63.
  TIEBitmap img;
  img.Allocate(8, 16, ieRGB24);
  img.Fill(0xFBFBFB);
  for (int y = 8; y < 16; ++y)
    for (int x = 0; x < 8; ++x) img.SetRGB24(x, y, MakeRGBTriple(250, 255, 255));
  DitherToBW(&img);
  ASSERT_EQ(img.PixelFormat(), ieMono1);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(GetBit(img.GetScanline(y), x), y < 8 || IEBayerMatrix[x][y & 7] != 63) << x << "," << y;
  // Only 24-bit images are dithered: others keep their format and pixels.
  for (TIEPixelFormat pf : {ieGray8, ieGray16, iePalette8}) {
    TIEBitmap other, orig;
    other.Allocate(64, 2, pf);
    FillRandom(other, pf);
    orig.Assign(&other);
    DitherToBW(&other);
    EXPECT_TRUE(SamePixels(other, orig)) << int(pf);
  }
}

TEST(ColorReductionOps, ConvertRowBitDepth) {
  const TRGB pal[16] = {MakeRGBTriple(1, 2, 3), MakeRGBTriple(4, 5, 6), MakeRGBTriple(7, 8, 9)};
  uint8_t out[64] = {};
  // 8 -> 1: the low bit of each byte.
  const uint8_t bytes[9] = {1, 0, 1, 1, 0, 0, 0, 1, 1};
  EXPECT_EQ(ConvertRowBitDepth(bytes, out, 8, nullptr, pal, 9, 1), 2);
  EXPECT_EQ(out[0], 0xB1);
  EXPECT_EQ(out[1], 0x80);
  // 4 -> 8 and 4 -> 24, high nibble first.
  const uint8_t nib[2] = {0x21, 0x02};
  EXPECT_EQ(ConvertRowBitDepth(nib, out, 4, nullptr, pal, 3, 8), 3);
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[1], 1);
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(ConvertRowBitDepth(nib, out, 4, nullptr, pal, 2, 24), 6);
  EXPECT_EQ(0, std::memcmp(out, &pal[2], 3));
  // 1 -> 4 ORs into a target it does not clear.
  std::memset(out, 0x00, sizeof out);
  out[0] = 0x40;
  const uint8_t bits[1] = {0xA0};
  EXPECT_EQ(ConvertRowBitDepth(bits, out, 1, nullptr, pal, 3, 4), 2);
  EXPECT_EQ(out[0], 0x50);
  EXPECT_EQ(out[1], 0x10);
  // 24 -> 4 with five pixels: three bytes.
  TIEBitmap img;
  img.Allocate(5, 1, ieRGB24);
  for (int x = 0; x < 5; ++x) img.SetRGB24(x, 0, pal[x % 3]);
  TRGB qpal[3];
  TIEQuantizer q(&img, 3, qpal, -1);
  std::memset(out, 0, sizeof out);
  EXPECT_EQ(ConvertRowBitDepth(img.GetScanline(0), out, 24, &q, qpal, 5, 4), 3);
  EXPECT_EQ(qpal[out[0] >> 4], pal[0]);
  EXPECT_EQ(qpal[out[2] >> 4], pal[1]);
  // 32 -> 24 and unknown pairs.
  const uint8_t quad[8] = {1, 2, 3, 99, 4, 5, 6, 99};
  EXPECT_EQ(ConvertRowBitDepth(quad, out, 32, nullptr, pal, 2, 24), 6);
  EXPECT_EQ(out[3], 4);
  EXPECT_EQ(ConvertRowBitDepth(quad, out, 16, nullptr, pal, 2, 16), 0);
}

TEST(Effects, GaussianBlur) {
  TIEBitmap img;
  img.Allocate(20, 10, ieRGB24);
  img.Fill(0x336699);
  GaussianBlur(&img, nullptr, 3);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(img.GetRGB24(x, y), MakeRGBTriple(0x99, 0x66, 0x33));
  TIEBitmap g;
  g.Allocate(21, 21, ieGray8);
  g.SetByte(10, 10, 255);
  int calls = 0;
  TProgressRec p;
  p.OnProgress = [&](TObject*, int32_t) { ++calls; };
  GaussianBlur(&g, &p, 1.5);
  EXPECT_EQ(calls, 42);
  EXPECT_LT(g.GetByte(10, 10), 255);
  EXPECT_GT(g.GetByte(11, 10), 0);
  EXPECT_EQ(g.GetByte(11, 10), g.GetByte(10, 11));
  EXPECT_EQ(g.GetByte(0, 0), 0);
}

TEST(Effects, SoftShadowAndRoundCorners) {
  TIEBitmap img;
  img.Allocate(100, 100, ieRGB24);
  img.Fill(0xFFFFFF);
  ApplySoftShadow(&img, 5, 5, nullptr, MakeRGBTriple(0, 0, 255), true, 2);
  ASSERT_EQ(img.Width(), 120);
  ASSERT_EQ(img.Height(), 120);
  // The original content is centred and opaque; the shadow falls right and
  // below in the shadow colour with a partial alpha.
  EXPECT_EQ(img.GetAlpha(60, 60), 255);
  EXPECT_EQ(img.GetRGB24(60, 60), MakeRGBTriple(255, 255, 255));
  EXPECT_EQ(img.GetRGB24(112, 60), MakeRGBTriple(0, 0, 255));
  EXPECT_GT(img.GetAlpha(112, 60), 0);
  EXPECT_EQ(img.GetAlpha(2, 2), 0);
  EXPECT_FALSE(img.GetAlphaChannel()->Full);

  TIEBitmap r;
  r.Allocate(100, 100, ieRGB24);
  r.GetAlphaChannel()->Full = true;
  MakeRoundCorners(&r, 10, 10);
  EXPECT_EQ(r.GetAlpha(0, 0), 0);
  EXPECT_EQ(r.GetAlpha(99, 0), 0);
  EXPECT_EQ(r.GetAlpha(0, 99), 0);
  EXPECT_EQ(r.GetAlpha(99, 99), 0);
  EXPECT_EQ(r.GetAlpha(50, 50), 255);
  EXPECT_EQ(r.GetAlpha(50, 0), 255);
  EXPECT_EQ(r.GetAlpha(0, 50), 255);
  EXPECT_FALSE(r.GetAlphaChannel()->Full);
}

// Offsets far beyond the image: a growth no image can hold is refused with
// the image untouched, and a shadow moved past the edges leaves nothing.
TEST(Effects, SoftShadowWithHugeOffsets) {
  for (int32_t off : {INT32_MIN, INT32_MAX, 1 << 30}) {
    TIEBitmap img;
    img.Allocate(4, 4, ieRGB24);
    img.Fill(0xFFFFFF);
    EXPECT_THROW(ApplySoftShadow(&img, off, 0, nullptr, MakeRGBTriple(0, 0, 255), true, 1), EOutOfMemory) << off;
    EXPECT_EQ(img.Width(), 4);
    EXPECT_FALSE(img.HasAlphaChannel());
    for (int32_t dy : {0, off}) {
      img.RemoveAlphaChannel();
      for (int y = 0; y < 4; ++y) img.SetAlpha(0, y, 0);  // a transparent column
      ApplySoftShadow(&img, off, dy, nullptr, MakeRGBTriple(0, 0, 255), false, 1);
      EXPECT_EQ(img.Width(), 4);
      EXPECT_EQ(img.GetRGB24(0, 1), MakeRGBTriple(255, 255, 255)) << off;
      EXPECT_EQ(img.GetAlpha(0, 1), 0) << off;
    }
  }
}

TEST(Effects, HistogramMatching) {
  TIEBitmap ref;
  ref.Allocate(32, 32, ieRGB24);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ref.SetRGB24(x, y, MakeRGBTriple(uint8_t(x * 8), uint8_t(y * 8), uint8_t((x + y) * 4)));
  TIEBitmap img;
  img.Assign(&ref);
  MatchHistograms(&ref, &img);
  int max_diff = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const TRGB a = ref.GetRGB24(x, y), b = img.GetRGB24(x, y);
      max_diff = std::max({max_diff, std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
    }
  EXPECT_LE(max_diff, 8);
  // A dark image takes the reference's spread.
  TIEBitmap dark;
  dark.Allocate(32, 32, ieRGB24);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) dark.SetRGB24(x, y, MakeRGBTriple(uint8_t(x), uint8_t(y), uint8_t(x)));
  MatchHistograms(&ref, &dark);
  EXPECT_GE(dark.GetRGB24(31, 31).r, 240);
  EXPECT_LE(dark.GetRGB24(0, 0).r, 8);
  // A 48-bit image is matched through the high bytes of its words.
  TIEBitmap deep;
  deep.Allocate(32, 32, ieRGB48);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      deep.SetRGB48(x, y, TRGB48{uint16_t(x * 257), uint16_t(y * 257), uint16_t(x * 257)});
  MatchHistograms(&ref, &deep);
  const TRGB48 v = deep.GetRGB48(31, 31);
  EXPECT_GE(v.r, 240 * 257);
  EXPECT_EQ(v.r % 257, 0);
}

TEST(Effects, FilterPresets) {
  const auto& names = IEFilterPresetNames();
  const auto& recs = IEFilterPresets();
  ASSERT_GE(names.size(), 9u);
  EXPECT_EQ(names[0], "None");
  EXPECT_EQ(names[8], "Low Pass 2");
  EXPECT_EQ(recs[2].Values[4], -8);
  EXPECT_EQ(recs[7].Divisor, 10);
  const int32_t lp2[9] = {1, 2, 1, 2, 4, 2, 1, 2, 1};
  EXPECT_EQ(0, std::memcmp(recs[8].Values, lp2, sizeof lp2));
  const size_t n = names.size();
  RegisterFilterPreset(TIEFilterPreset{{0, 0, 0, 0, 2, 0, 0, 0, 0}, 2}, "Mine");
  EXPECT_EQ(IEFilterPresetNames().size(), n + 1);
  EXPECT_EQ(IEFilterPresets().back().Values[4], 2);
}
}  // namespace
