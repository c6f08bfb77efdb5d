// Rotation: quarter turns of every pixel format, shear sizes, the nearest and
// antialiased inverse mappings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/model/PixelTranspose.h"
#include "imaging/model/Rotation.h"
#include "imaging/model/TIEBitmap.h"
#include "ops_test_util.h"
#include "rtl/Exception.h"
#include "rtl/Numeric.h"

namespace {
using namespace opstest;

TEST(Rotation, IsMultipleOf90) {
  EXPECT_TRUE(IsMultipleOf90(-180));
  EXPECT_TRUE(IsMultipleOf90(0));
  EXPECT_TRUE(IsMultipleOf90(270));
  EXPECT_FALSE(IsMultipleOf90(90.5));
  EXPECT_FALSE(IsMultipleOf90(45));
}

// Formats the shear routines do not handle turn exactly by quarter turns in
// their own format instead of being read as bits.
TEST(Rotation, QuarterTurnsOfEveryFormat) {
  for (TIEPixelFormat pf : {iePalette8, ieGray16, ie32f, ieCMYK, ieRGB48, ieCIELab}) {
    TIEBitmap img;
    img.Allocate(5, 3, pf);
    FillRandom(img, pf);
    if (pf == ie32f)  // keep the floats ordinary numbers
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) img.SetFloat(x, y, static_cast<float>(x * 10 + y) / 64);
    TIEBitmap orig;
    orig.Assign(&img);
    const int bpp = img.BitCount() / 8;
    RotateBitmap(&img, false, nullptr, TRGB{0, 0, 0}, 90);  // counter-clockwise
    ASSERT_EQ(img.PixelFormat(), pf);
    ASSERT_EQ(img.Width(), 3);
    ASSERT_EQ(img.Height(), 5);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(0, std::memcmp(orig.GetScanline(y) + x * bpp, img.GetScanline(4 - x) + y * bpp, bpp))
            << int(pf);
    RotateBitmap(&img, false, nullptr, TRGB{0, 0, 0}, -90);
    EXPECT_TRUE(SamePixels(img, orig)) << int(pf);
  }
}

// A platform bitmap keeps 16-bit grey as 8-bit: the turn into it writes
// 8-bit rows holding the high bytes.
TEST(Rotation, QuarterTurnIntoAPlatformTargetOfANarrowerFormat) {
  TIEBitmap src;
  src.Allocate(4, 64, ieGray16);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 4; ++x) reinterpret_cast<uint16_t*>(src.GetScanline(y))[x] = uint16_t((y * 4 + x) * 0x0101);
  TIEBitmap t;
  t.SetLocation(ieTBitmap);
  RotateRight8(&src, &t);
  ASSERT_EQ(t.PixelFormat(), ieGray8);
  ASSERT_EQ(t.Width(), 64);
  ASSERT_EQ(t.Height(), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 64; ++x) EXPECT_EQ(t.GetScanline(y)[x], (63 - x) * 4 + y);
}

// An angle that is no number is refused by every routine with the image
// as it was.
TEST(Rotation, AnglesThatAreNoNumberLeaveTheImage) {
  using Op = void (*)(TIEBitmap*, double);
  const std::pair<TIEPixelFormat, Op> ops[] = {
      {ieRGB24, [](TIEBitmap* b, double a) { RotateBitmap(b, true, nullptr, TRGB{0, 0, 0}, a); }},
      {ieGray8, [](TIEBitmap* b, double a) { RotateGray8(b, true, 0, nullptr, a); }},
      {ieMono1, [](TIEBitmap* b, double a) { RotateMono1(b, false, nullptr, a); }},
      {ieGray8, [](TIEBitmap* b, double a) { RotateGray8Nearest(b, 0, a); }},
      {ieRGB24, [](TIEBitmap* b, double a) { RotateAntialiased24(b, 0, raBilinear, nullptr, a); }},
      {ieGray8, [](TIEBitmap* b, double a) { RotateAntialiasedGray8(b, 0, raBicubic, a); }},
  };
  for (size_t i = 0; i < std::size(ops); ++i)
    for (double a : {NAN, INFINITY, -INFINITY}) {
      TIEBitmap img, orig;
      img.Allocate(10, 8, ops[i].first);
      FillRandom(img, 5);
      orig.Assign(&img);
      EXPECT_THROW(ops[i].second(&img, a), EInvalidArgument) << i << " " << a;
      EXPECT_TRUE(SamePixels(img, orig)) << i << " " << a;
    }
}

// Every routine turns positive angles counter-clockwise on the screen: a
// spot right of the centre moves up.
TEST(Rotation, PositiveAnglesTurnCounterClockwise) {
  auto spot_centroid = [](TIEBitmap& b, double& cx, double& cy) {
    double sx = 0, sy = 0, n = 0;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        const bool on = b.PixelFormat() == ieMono1 ? GetBit(b.GetScanline(y), x)
                        : b.PixelFormat() == ieRGB24 ? b.GetRGB24(x, y).g > 128
                                                     : b.GetByte(x, y) > 128;
        if (on) sx += x, sy += y, n += 1;
      }
    cx = sx / n - (b.Width() - 1) / 2.0;
    cy = sy / n - (b.Height() - 1) / 2.0;
  };
  for (int routine = 0; routine < 4; ++routine) {
    TIEBitmap b;
    b.Allocate(41, 41, routine == 2 ? ieMono1 : routine == 3 ? ieGray8 : ieRGB24);
    for (int y = 19; y <= 21; ++y)
      for (int x = 30; x <= 32; ++x) {
        if (routine == 2) SetBit(b.GetScanline(y), x, true);
        else if (routine == 3) b.SetByte(x, y, 255);
        else b.SetRGB24(x, y, MakeRGBTriple(255, 255, 255));
      }
    if (routine == 0) RotateBitmap(&b, false, nullptr, TRGB{0, 0, 0}, 45);
    if (routine == 1) RotateAntialiased24(&b, 0, raBilinear, nullptr, 45);
    if (routine == 2) RotateMono1(&b, false, nullptr, 45);
    if (routine == 3) RotateGray8(&b, false, 0, nullptr, 45);
    double cx, cy;
    spot_centroid(b, cx, cy);
    EXPECT_NEAR(cx, 11 * std::cos(M_PI / 4), 2.5) << routine;
    EXPECT_NEAR(cy, -11 * std::sin(M_PI / 4), 2.5) << routine;
  }
}

TEST(Rotation, FullTurnsGiveAnEqualImage) {
  for (double angle : {360.0, 720.0, -360.0}) {
    TIEBitmap img, orig;
    img.Allocate(7, 5, ieRGB24);
    FillRandom(img, 12);
    orig.Assign(&img);
    RotateBitmap(&img, true, nullptr, TRGB{0, 0, 0}, angle);
    EXPECT_TRUE(SamePixels(img, orig)) << angle;
  }
}

// Other angles rotate such images as 24-bit pixels and give them back their
// format.
TEST(Rotation, OtherAnglesKeepTheFormat) {
  TIEBitmap img;
  img.Allocate(20, 10, ieGray16);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) img.SetWord(x, y, 0x8080);
  RotateBitmap(&img, true, nullptr, MakeRGBTriple(255, 255, 255), 20);
  EXPECT_EQ(img.PixelFormat(), ieGray16);
  EXPECT_GT(img.Width(), 20);
  EXPECT_EQ(img.GetWord(img.Width() / 2, img.Height() / 2), 0x8080);
  EXPECT_EQ(img.GetWord(0, 0), 0xFFFF);
}

// Sizes of the three-shear rotation follow the size rules; the corners hold
// the background.
TEST(Rotation, ShearSizesAndBackground) {
  auto expected_size = [](int W, int H, double c, int& W3, int& H2) {
    const double th = c * M_PI / 180, T = std::fabs(std::sin(th / 2) / std::cos(th / 2)), S = std::fabs(std::sin(th));
    const int W1 = static_cast<int>(Round(H * T + W + 1));
    const int d = static_cast<int>(Round((W1 - W) * S));
    const int H2a = static_cast<int>(Round(S * W1 + H + 1));
    const int e = static_cast<int>(Round(T * (H2a - H - d)));
    H2 = H2a - 2 * d;
    W3 = static_cast<int>(Round(T * H2 + W1 + 1 - 2 * e));
  };
  TIEBitmap img;
  img.Allocate(100, 50, ieRGB24);
  img.Fill(0x00FF00);  // green
  const TRGB red = MakeRGBTriple(255, 0, 0);
  RotateBitmap(&img, false, nullptr, red, 10);
  int W3, H2;
  expected_size(100, 50, 10, W3, H2);
  EXPECT_EQ(img.Width(), W3);
  EXPECT_EQ(img.Height(), H2);
  for (auto [x, y] : {std::pair{0, 0}, {W3 - 1, 0}, {0, H2 - 1}, {W3 - 1, H2 - 1}}) EXPECT_EQ(img.GetRGB24(x, y), red);
  EXPECT_EQ(img.GetRGB24(W3 / 2, H2 / 2), MakeRGBTriple(0, 255, 0));

  // 45.0004 is cut to thousandths and sheared; 45.001 is turned left first
  // and sheared by -44.999.
  TIEBitmap a;
  a.Allocate(40, 20, ieRGB24);
  RotateBitmap(&a, true, nullptr, red, 45.0004);
  expected_size(40, 20, 45.0, W3, H2);
  EXPECT_EQ(a.Width(), W3);
  EXPECT_EQ(a.Height(), H2);
  TIEBitmap b;
  b.Allocate(40, 20, ieRGB24);
  RotateBitmap(&b, true, nullptr, red, 45.001);
  expected_size(20, 40, 45.001 - 90, W3, H2);
  EXPECT_EQ(b.Width(), W3);
  EXPECT_EQ(b.Height(), H2);
}

TEST(Rotation, BlendedShearsStayInRangeAndReportProgress) {
  TIEBitmap img;
  img.Allocate(31, 17, ieRGB24);
  FillRandom(img, 7);
  int last = -1, calls = 0;
  bool monotonic = true;
  TProgressRec p;
  p.OnProgress = [&](TObject*, int32_t v) {
    monotonic = monotonic && v >= last;
    last = v;
    ++calls;
  };
  RotateBitmap(&img, true, &p, TRGB{0, 0, 0}, -30);
  EXPECT_TRUE(monotonic);
  EXPECT_GT(calls, 0);
  EXPECT_LE(last, 100);
  TIEBitmap g;
  g.Allocate(31, 17, ieGray8);
  FillRandom(g, 8);
  RotateGray8(&g, true, 0, nullptr, 30);
  EXPECT_EQ(g.PixelFormat(), ieGray8);
  EXPECT_GT(g.Width(), 31);
}

// The general nearest mapping: a 1-bit image by 360 is back to its size, with
// the background bit where the mapping leaves the source.
TEST(Rotation, NearestGeneralAngle) {
  TIEBitmap m;
  m.Allocate(20, 10, ieMono1);
  RotateMono1(&m, true, nullptr, 30);
  const double a = -30 / 57.295779513082320877;
  const double C = Trunc(std::cos(a) * 10000) / 10000.0, S = Trunc(std::sin(a) * 10000) / 10000.0;
  EXPECT_EQ(m.Width(), Trunc(std::fabs(20 * C) + std::fabs(10 * S)));
  EXPECT_EQ(m.Height(), Trunc(std::fabs(20 * S) + std::fabs(10 * C)));
  EXPECT_TRUE(GetBit(m.GetScanline(0), 0));                 // background bit set
  EXPECT_FALSE(GetBit(m.GetScanline(m.Height() / 2), m.Width() / 2));  // source (all 0)
  TIEBitmap g;
  g.Allocate(20, 10, ieGray8);
  RotateGray8Nearest(&g, 200, 30);
  EXPECT_EQ(g.Width(), m.Width());
  EXPECT_EQ(g.GetByte(0, 0), 200);
  EXPECT_EQ(g.GetByte(g.Width() / 2, g.Height() / 2), 0);
}

// Tiny angles keep the size (a 1-pixel-wide column stays whole), and no
// angle empties an image.
TEST(Rotation, NearestTinyAnglesKeepTheSize) {
  const struct {
    int w, h;
    double angle;
    int w2, h2;
  } cases[] = {{100, 100, 0.0001, 100, 100}, {1, 5, 0.0001, 1, 5},   {5, 1, -0.0001, 5, 1},
               {1, 5, 90.0001, 5, 1},        {3, 2, 360.0001, 3, 2}, {1, 1, 89.99, 1, 1}};
  for (const auto& c : cases) {
    TIEBitmap m, g;
    m.Allocate(c.w, c.h, ieMono1);
    FillRandom(m, 3);
    g.Allocate(c.w, c.h, ieGray8);
    FillRandom(g, 4);
    RotateMono1(&m, false, nullptr, c.angle);
    RotateGray8Nearest(&g, 0, c.angle);
    EXPECT_EQ(m.Width(), c.w2) << c.w << "x" << c.h << " by " << c.angle;
    EXPECT_EQ(m.Height(), c.h2) << c.w << "x" << c.h << " by " << c.angle;
    EXPECT_EQ(g.Width(), c.w2) << c.w << "x" << c.h << " by " << c.angle;
    EXPECT_EQ(g.Height(), c.h2) << c.w << "x" << c.h << " by " << c.angle;
  }
  // A column turned by a hair is the same column.
  TIEBitmap col, orig;
  col.Allocate(1, 5, ieGray8);
  for (int y = 0; y < 5; ++y) col.SetByte(0, y, uint8_t(10 * y + 1));
  orig.Assign(&col);
  RotateGray8Nearest(&col, 0, 0.0001);
  EXPECT_TRUE(SamePixels(col, orig));
}

// Bicubic overshoot next to a bright line is black, not its absolute value.
TEST(Rotation, BicubicClampsNegativeResults) {
  TIEBitmap img;
  img.Allocate(8, 8, ieRGB24);
  for (int y = 0; y < 8; ++y) img.SetRGB24(3, y, MakeRGBTriple(255, 255, 255));
  RotateAntialiased24(&img, 0, raBicubic, nullptr, 180);
  ASSERT_EQ(img.Width(), 8 + 6 - 1 - 6);
  bool overshoot_seen = false;
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) {
      const uint8_t v = img.GetRGB24(x, y).g;
      EXPECT_TRUE(v == 0 || v > 100) << x << "," << y << " = " << int(v);
      overshoot_seen = overshoot_seen || v > 100;
    }
  EXPECT_TRUE(overshoot_seen);
  // Bilinear at 90 degrees keeps a uniform image uniform inside.
  TIEBitmap u;
  u.Allocate(9, 7, ieRGB24);
  u.Fill(0x404040);
  RotateAntialiased24(&u, 0x404040, raBilinear, nullptr, 30);
  for (int y = 0; y < u.Height(); ++y)
    for (int x = 0; x < u.Width(); ++x) EXPECT_NEAR(u.GetRGB24(x, y).r, 0x40, 1);
}
}  // namespace

// Quarter turns of large images run in bands of tiles on the shared pool;
// each pixel still lands where the single-threaded turn puts it.
TEST(Rotation, ThreadedQuarterTurnsMatchTheFormula) {
  TIEBitmap src;
  src.SetLocation(ieMemory);
  src.Allocate(613, 457, ieRGB24);
  FillRandom(src, 90);
  for (bool right : {true, false}) {
    TIEBitmap dst;
    dst.SetLocation(ieMemory);
    right ? RotateRight24(&src, &dst) : RotateLeft24(&src, &dst);
    ASSERT_EQ(dst.Width(), 457);
    ASSERT_EQ(dst.Height(), 613);
    for (int32_t y = 0; y < 457; ++y)
      for (int32_t x = 0; x < 613; ++x) {
        const uint8_t* s = src.GetScanline(y) + x * 3;
        const uint8_t* d = right ? dst.GetScanline(x) + (456 - y) * 3 : dst.GetScanline(612 - x) + y * 3;
        ASSERT_TRUE(s[0] == d[0] && s[1] == d[1] && s[2] == d[2]) << x << "," << y << " right " << right;
      }
  }
}

// 24-bit turns move pixels four bytes at a time inside the rows: every size
// of row end (rows a multiple of four bytes or not, tiles cut anywhere) keeps
// each pixel and the pixels beside it.
TEST(Rotation, QuarterTurnsOfEverySizeMatchTheFormula) {
  for (auto [w, h] : {std::pair{1, 1}, std::pair{1, 7}, std::pair{7, 1}, std::pair{4, 8}, std::pair{8, 4},
                      std::pair{5, 66}, std::pair{129, 65}, std::pair{64, 128}})
    for (bool right : {true, false}) {
      TIEBitmap src, dst;
      src.Allocate(w, h, ieRGB24);
      FillRandom(src, w * 131 + h);
      right ? RotateRight24(&src, &dst) : RotateLeft24(&src, &dst);
      ASSERT_EQ(dst.Width(), h);
      ASSERT_EQ(dst.Height(), w);
      int bad = 0;
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
          const uint8_t* s = src.GetScanline(y) + x * 3;
          const uint8_t* d = right ? dst.GetScanline(x) + (h - 1 - y) * 3 : dst.GetScanline(w - 1 - x) + y * 3;
          bad += std::memcmp(s, d, 3) != 0;
        }
      EXPECT_EQ(bad, 0) << w << "x" << h << " right " << right;
    }
}

// The turns move whole 8 x 8 blocks in registers and the pixels beyond them
// one by one: sizes just around the blocks and the tiles (64 target rows by
// 256 target pixels), 3- and 4-byte pixels, both ways.
TEST(Rotation, QuarterTurnsAroundBlockAndTileEdgesMatchTheFormula) {
  for (TIEPixelFormat pf : {ieRGB24, ieCMYK})
    for (auto [w, h] : {std::pair{8, 8}, std::pair{9, 16}, std::pair{16, 15}, std::pair{63, 71},
                        std::pair{72, 65}, std::pair{135, 200}, std::pair{70, 263}})
      for (bool right : {true, false}) {
        TIEBitmap src, dst;
        src.Allocate(w, h, pf);
        FillRandom(src, w * 7 + h + pf);
        RotateQuarter(&src, &dst, right);
        ASSERT_EQ(dst.Width(), h);
        ASSERT_EQ(dst.Height(), w);
        const int bpp = src.BitCount() / 8;
        int bad = 0;
        for (int32_t y = 0; y < h; ++y)
          for (int32_t x = 0; x < w; ++x) {
            const uint8_t* s = src.GetScanline(y) + x * bpp;
            const uint8_t* d =
                right ? dst.GetScanline(x) + (h - 1 - y) * bpp : dst.GetScanline(w - 1 - x) + y * bpp;
            bad += std::memcmp(s, d, bpp) != 0;
          }
        EXPECT_EQ(bad, 0) << w << "x" << h << " format " << int(pf) << " right " << right;
      }
}

// Tile transposes, in registers and pixel by pixel: each pixel lands at its
// mirror place and not one byte around the tile changes.
TEST(Rotation, PixelTransposesOfTilesMatchTheFormula) {
  for (int bytes : {3, 4})
    for (auto [rows, columns] : {std::pair{8, 8}, std::pair{16, 8}, std::pair{8, 24}, std::pair{64, 64}})
      for (bool plain : {true, false}) {
        const int32_t stride = (columns + 2) * bytes, tstride = (rows + 2) * bytes;
        std::vector<uint8_t> in(static_cast<size_t>(stride) * rows), out(static_cast<size_t>(tstride) * columns, 0xA5);
        for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
        std::vector<const uint8_t*> ip;
        std::vector<uint8_t*> op;
        for (int i = 0; i < rows; ++i) ip.push_back(in.data() + i * stride + bytes);
        for (int j = 0; j < columns; ++j) op.push_back(out.data() + j * tstride + bytes);
        (plain ? TransposePixelsPlain : TransposePixels)(ip.data(), rows, op.data(), columns, bytes);
        int bad = 0;
        for (int j = 0; j < columns; ++j)
          for (int32_t b = 0; b < tstride; ++b) {
            const int i = b / bytes - 1;
            const uint8_t want = i >= 0 && i < rows ? ip[i][j * bytes + b % bytes] : 0xA5;
            bad += out[static_cast<size_t>(j) * tstride + b] != want;
          }
        EXPECT_EQ(bad, 0) << rows << "x" << columns << " bytes " << bytes << " plain " << plain;
      }
}
