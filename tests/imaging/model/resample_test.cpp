// Resampling: the kernel filters against a direct evaluation of their
// formulas, fast linear, area sampling, projections, nearest neighbour and
// the dispatcher's handling of alpha and other pixel formats.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "imaging/model/Resample.h"
#include "imaging/model/TIEBitmap.h"
#include "ops_test_util.h"
#include "rtl/Numeric.h"
#include "rtl/TThreadPool.h"

namespace {
using namespace opstest;

// One axis of the kernel filtering written straight from its description:
// the source positions and integer weights of target index i.
std::vector<std::pair<int, int>> Taps(int src, int dst, TResampleFilter f, int i) {
  const double scale = (src == 1 || dst == 1) ? double(dst) / src : double(dst - 1) / (src - 1);
  const double support = ResampleSupport(f);
  const double centre = i / scale;
  const double width = scale >= 1 ? support : support / scale;
  std::vector<std::pair<int, int>> taps;
  for (int j = int(std::floor(centre - width)); j <= int(std::ceil(centre + width)); ++j) {
    int w = scale >= 1 ? int(Round(ResampleKernel(f, centre - j) * 256))
                       : int(Round(ResampleKernel(f, (centre - j) * scale) * 256 * scale));
    if (w == 0) continue;
    int n = j < 0 ? -j : j >= src ? 2 * src - 1 - j : j;
    n = std::min(std::max(n, 0), src - 1);
    taps.push_back({n, w});
  }
  return taps;
}

int Apply(const std::vector<std::pair<int, int>>& taps, auto value) {
  long long sum = 0, ws = 0;
  for (auto [n, w] : taps) sum += (long long)w * value(n), ws += w;
  long long v = ws ? sum / ws : sum / 256;
  return int(std::min(255LL, std::max(0LL, v)));
}

TEST(Resample, KernelFiltersFollowTheirFormulas) {
  // The kernels themselves at a few points.
  EXPECT_DOUBLE_EQ(ResampleKernel(rfTriangle, -0.25), 0.75);
  EXPECT_DOUBLE_EQ(ResampleKernel(rfHermite, 0.5), 0.5);
  EXPECT_DOUBLE_EQ(ResampleKernel(rfBell, 1.0), 0.125);
  EXPECT_DOUBLE_EQ(ResampleKernel(rfBSpline, 1.5), 0.125 / 6);
  EXPECT_NEAR(ResampleKernel(rfLanczos3, 0.5), std::sin(M_PI / 2) / (M_PI / 2) * std::sin(M_PI / 6) / (M_PI / 6), 1e-12);
  EXPECT_DOUBLE_EQ(ResampleKernel(rfMitchell, 0), 16.0 / 18);
  EXPECT_DOUBLE_EQ(ResampleKernel(rfNearest, 0.5), 1);
  EXPECT_DOUBLE_EQ(ResampleKernel(rfNearest, -0.5), 0);
  EXPECT_DOUBLE_EQ(ResampleKernel(rfLinear, -1), 0);
  const int sizes[][4] = {{7, 5, 11, 9}, {13, 10, 5, 4}, {6, 6, 6, 13}, {1, 6, 3, 4}, {9, 2, 4, 1}};
  for (int f = rfTriangle; f <= rfLinear; ++f)
    for (const auto& s : sizes) {
      TIEBitmap src, dst;
      src.Allocate(s[0], s[1], ieRGB24);
      FillRandom(src, f * 100 + s[2]);
      dst.Allocate(s[2], s[3], ieRGB24);
      ResampleRGB24(&src, &dst, TResampleFilter(f));
      for (int y = 0; y < s[3]; ++y) {
        const auto ty = Taps(s[1], s[3], TResampleFilter(f), y);
        for (int x = 0; x < s[2]; ++x) {
          const auto tx = Taps(s[0], s[2], TResampleFilter(f), x);
          for (int c = 0; c < 3; ++c) {
            const int expected = Apply(ty, [&](int r) {
              return Apply(tx, [&](int q) { return src.GetScanline(r)[q * 3 + c]; });
            });
            ASSERT_EQ(dst.GetScanline(y)[x * 3 + c], expected) << "filter " << f << " " << s[0] << "x" << s[1]
                                                               << " -> " << s[2] << "x" << s[3] << " at " << x << "," << y;
          }
        }
      }
      // The 8-bit plane routine computes the same as one channel.
      TIEBitmap g, gd;
      g.Allocate(s[0], s[1], ieGray8);
      for (int y = 0; y < s[1]; ++y)
        for (int x = 0; x < s[0]; ++x) g.SetByte(x, y, src.GetRGB24(x, y).g);
      gd.Allocate(s[2], s[3], ieGray8);
      ResampleGray8(&g, &gd, TResampleFilter(f));
      for (int y = 0; y < s[3]; ++y)
        for (int x = 0; x < s[2]; ++x) ASSERT_EQ(gd.GetByte(x, y), dst.GetRGB24(x, y).g);
    }
}

// The same on random sizes, shrinking and enlarging, with row counts that cut
// the row blocks of the vector loops anywhere, random and saturated pixels
// (the negative lobes push sums below 0 and above 255), RGB and grey.
TEST(Resample, KernelFiltersFollowTheirFormulasOnRandomSizes) {
  std::mt19937 rng(28);
  auto size = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 3; ++round)
    for (int f = rfTriangle; f <= rfLinear; ++f) {
      const int sw = size(2, 90), sh = size(2, 70), dw = size(1, 120), dh = size(1, 90);
      TIEBitmap src, dst, g, gd;
      src.Allocate(sw, sh, ieRGB24);
      FillRandom(src, 1000 * round + f);
      for (int y = 0; y < sh; y += 3)  // stripes of black and white
        for (int x = 0; x < sw; ++x) src.SetRGB24(x, y, (x / 2) % 2 ? MakeRGBTriple(255, 255, 255) : MakeRGBTriple(0, 0, 0));
      dst.Allocate(dw, dh, ieRGB24);
      ResampleRGB24(&src, &dst, TResampleFilter(f));
      g.Allocate(sw, sh, ieGray8);
      for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x) g.SetByte(x, y, src.GetRGB24(x, y).r);
      gd.Allocate(dw, dh, ieGray8);
      ResampleGray8(&g, &gd, TResampleFilter(f));
      std::vector<std::vector<std::pair<int, int>>> tx(dw);
      for (int x = 0; x < dw; ++x) tx[x] = Taps(sw, dw, TResampleFilter(f), x);
      int bad = 0;
      for (int y = 0; y < dh; ++y) {
        const auto ty = Taps(sh, dh, TResampleFilter(f), y);
        for (int x = 0; x < dw; ++x)
          for (int c = 0; c < 3; ++c) {
            const int expected = Apply(ty, [&](int r) {
              return Apply(tx[x], [&](int q) { return src.GetScanline(r)[q * 3 + c]; });
            });
            bad += dst.GetScanline(y)[x * 3 + c] != expected;
            if (c == 2) bad += gd.GetByte(x, y) != expected;
          }
      }
      EXPECT_EQ(bad, 0) << "filter " << f << " " << sw << "x" << sh << " -> " << dw << "x" << dh;
    }
}

// Shrinking so strongly that every scaled weight rounds to 0 still averages
// the source instead of giving black.
TEST(Resample, KernelFiltersShrinkingStronglyKeepTheImage) {
  for (TResampleFilter f : {rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell, rfLinear})
    for (int sw : {400, 600, 5000}) {
      TIEBitmap src, dst;
      src.Allocate(sw, 2, ieRGB24);
      src.Fill(0x80FFFF);
      dst.Allocate(2, 2, ieRGB24);
      ResampleRGB24(&src, &dst, f);
      for (int x = 0; x < 2; ++x)
        EXPECT_EQ(dst.GetRGB24(x, 1), MakeRGBTriple(255, 255, 128)) << "filter " << int(f) << " width " << sw;
    }
}

TEST(Resample, OneByOneSourceLeavesTarget) {
  TIEBitmap src, dst;
  src.Allocate(1, 1, ieRGB24);
  src.Fill(0xFFFFFF);
  dst.Allocate(4, 4, ieRGB24);
  ResampleRGB24(&src, &dst, rfMitchell);
  EXPECT_TRUE(IsBlankBitmap(&dst));
}

TEST(Resample, FastLinear) {
  TIEBitmap src, dst;
  src.Allocate(9, 7, ieRGB24);
  FillRandom(src, 3);
  dst.Allocate(9, 7, ieRGB24);
  ResampleRGB24(&src, &dst, rfFastLinear);
  EXPECT_TRUE(SamePixels(src, dst));
  // Enlarging a row 0, 255 by 4: fractions in 1/0x20000 steps, truncated.
  TIEBitmap a, b;
  a.Allocate(2, 1, ieRGB24);
  a.SetRGB24(1, 0, MakeRGBTriple(255, 255, 255));
  b.Allocate(8, 1, ieRGB24);
  ResampleRGB24(&a, &b, rfFastLinear);
  const int expected[8] = {0, 63, 127, 191, 255, 255, 255, 255};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(b.GetRGB24(x, 0).r, expected[x]) << x;
  // Shrinking averages boxes whose ends are shared with the neighbours.
  TIEBitmap c, d;
  c.Allocate(4, 1, ieRGB24);
  const uint8_t v[4] = {0, 100, 200, 40};
  for (int x = 0; x < 4; ++x) c.SetRGB24(x, 0, MakeRGBTriple(v[x], v[x], v[x]));
  d.Allocate(2, 1, ieRGB24);
  ResampleRGB24(&c, &d, rfFastLinear);
  EXPECT_EQ(d.GetRGB24(0, 0).r, (0 + 100 + 200) / 3);  // q = 0, r = Trunc(1 / 0.5) = 2
  EXPECT_EQ(d.GetRGB24(1, 0).r, 200);                  // the last box ends at min(2, 1) / 0.5
}

TEST(Resample, AreaBoxAveragesAndInterpolation) {
  TIEBitmap src, dst;
  src.Allocate(4, 4, ieRGB24);
  FillRandom(src, 11);
  dst.Allocate(2, 2, ieRGB24);
  ResampleRGB24(&src, &dst, rfBicubic);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int j = 0; j < 2; ++j)
          for (int i = 0; i < 2; ++i) sum += src.GetScanline(2 * y + j)[(2 * x + i) * 3 + c];
        EXPECT_EQ(dst.GetScanline(y)[x * 3 + c], sum / 4);
      }
  // 3 -> 2: pieces of 1 and 0.5 source pixels, divided by 1.5 x 1.5.
  TIEBitmap s3, d2;
  s3.Allocate(3, 1, ieRGB24);
  const uint8_t v[3] = {30, 90, 240};
  for (int x = 0; x < 3; ++x) s3.SetRGB24(x, 0, MakeRGBTriple(v[x], v[x], v[x]));
  d2.Allocate(2, 1, ieRGB24);
  ResampleRGB24(&s3, &d2, rfBilinear);
  EXPECT_EQ(d2.GetRGB24(0, 0).r, int(Trunc((30 * 1.0 + 90 * 0.5) * 1 / 1.5)));
  EXPECT_EQ(d2.GetRGB24(1, 0).r, int(Trunc((90 * 0.5 + 240 * 1.0) / 1.5)));
  // Enlarging a uniform image stays uniform; cubic interpolation is clamped.
  EXPECT_EQ(CubicInterpolate(0, 255, 255, 0, 0.5), 255);
  EXPECT_EQ(CubicInterpolate(255, 0, 0, 255, 0.5), 0);
  EXPECT_DOUBLE_EQ(CubicInterpolate(10, 20, 30, 40, 0), 20);
  TIEBitmap u, ud;
  u.Allocate(3, 3, ieRGB24);
  u.Fill(0x102030);
  ud.Allocate(8, 7, ieRGB24);
  ResampleRGB24(&u, &ud, rfBicubic);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_NEAR(ud.GetRGB24(x, y).b, 0x10, 1);
}

// Shrinking by areas written straight from its description: each source
// pixel is cut at the target borders (a border within 1e-4 of a pixel's
// edge is that edge), every target sample adds pixel * piece area over its
// pieces in order, and truncates sum / (gx gy) + 1e-6.
struct AreaPiece {
  int src, dst;
  double width;
};
std::vector<AreaPiece> CutPieces(int n, int m) {
  std::vector<AreaPiece> pieces;
  const double g = double(n) / m, tol = std::min(1e-4, g * 1e-4);
  int t = 0;
  double tb = g, pos = 0;
  for (int i = 0; i < n; ++i) {
    const double sb = i + 1;
    for (;;) {
      if (t < m - 1 && tb < sb - tol) {
        if (tb > pos) pieces.push_back({i, t, tb - pos});
        pos = std::max(pos, tb);
        tb = (++t + 1) * g;
      } else {
        pieces.push_back({i, t, sb - pos});
        if (t < m - 1 && std::fabs(tb - sb) <= tol) tb = (++t + 1) * g;
        pos = sb;
        break;
      }
    }
  }
  return pieces;
}

TEST(Resample, AreaShrinkingFollowsItsDescriptionOnRandomSizes) {
  std::mt19937 rng(281);
  auto size = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 12; ++round) {
    const int dw = size(1, 40), dh = size(1, 30);
    const int sw = dw + size(1, round < 6 ? 3 * dw : 60), sh = dh + size(1, round < 6 ? 3 * dh : 60);
    TIEBitmap src, dst;
    src.Allocate(sw, sh, ieRGB24);
    FillRandom(src, 500 + round);
    if (round % 3 == 1) src.Fill(0xFFFFFF);  // the largest sums
    if (round % 3 == 2)  // a flat grey with a random band
      for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x)
          if (y > sh / 3) src.SetRGB24(x, y, MakeRGBTriple(77, 77, 77));
    dst.Allocate(dw, dh, ieRGB24);
    ResampleRGB24(&src, &dst, round % 2 ? rfBilinear : rfBicubic);
    const auto xp = CutPieces(sw, dw), yp = CutPieces(sh, dh);
    const double norm = (double(sw) / dw) * (double(sh) / dh);
    std::vector<double> acc(size_t(dw) * dh * 3);
    for (const AreaPiece& py : yp)
      for (const AreaPiece& px : xp) {
        const double area = px.width * py.width;
        for (int c = 0; c < 3; ++c)
          acc[(size_t(py.dst) * dw + px.dst) * 3 + c] += src.GetScanline(py.src)[px.src * 3 + c] * area;
      }
    int bad = 0;
    for (int y = 0; y < dh; ++y)
      for (int i = 0; i < dw * 3; ++i) {
        const int expected = int(std::min<int64_t>(255, std::max<int64_t>(0, Trunc(acc[size_t(y) * dw * 3 + i] / norm + 1e-6))));
        bad += dst.GetScanline(y)[i] != expected;
      }
    EXPECT_EQ(bad, 0) << sw << "x" << sh << " -> " << dw << "x" << dh;
  }
}

// A uniform image keeps its exact value through the area filters, though the
// piece areas are fractions whose sums fall a hair short, and however
// strongly an axis is enlarged.
TEST(Resample, AreaFiltersKeepUniformImagesExact) {
  const struct {
    int sw, sh, dw, dh;
  } sizes[] = {{1, 1, 5, 5},     {3, 3, 8, 7}, {10, 10, 33, 33}, {64, 48, 32, 20},
               {7, 5, 3, 2},     {5, 9, 13, 4},
               // more than 10000-fold along one axis: the last pixels too
               {1, 1, 10001, 1}, {2, 1, 3, 20001}};
  for (TResampleFilter f : {rfBilinear, rfBicubic})
    for (const auto& c : sizes) {
      TIEBitmap src, dst;
      src.Allocate(c.sw, c.sh, ieRGB24);
      src.Fill(0x1080FF);  // R 255, G 128, B 16
      dst.Allocate(c.dw, c.dh, ieRGB24);
      ResampleRGB24(&src, &dst, f);
      int bad = 0;
      for (int y = 0; y < c.dh; ++y)
        for (int x = 0; x < c.dw; ++x) bad += dst.GetRGB24(x, y) != MakeRGBTriple(0xFF, 0x80, 0x10);
      EXPECT_EQ(bad, 0) << int(f) << ": " << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh;
    }
}

TEST(Resample, ProjectionsKeepLonePixels) {
  TIEBitmap w, t;
  w.Allocate(40, 30, ieRGB24);
  w.Fill(0xFFFFFF);
  w.SetRGB24(17, 11, MakeRGBTriple(0, 0, 0));
  t.Allocate(8, 6, ieRGB24);
  ResampleRGB24(&w, &t, rfProjectBW);
  ASSERT_EQ(t.PixelFormat(), ieMono1);
  int black = 0;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) black += GetBit(t.GetScanline(y), x) ? 0 : 1;
  EXPECT_GE(black, 1);
  TIEBitmap b, t2;
  b.Allocate(40, 30, ieMono1);
  SetBit(b.GetScanline(20), 33, true);
  t2.Allocate(8, 6, ieMono1);
  ResampleBitmap(&b, &t2, rfProjectWB);
  int white = 0;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) white += GetBit(t2.GetScanline(y), x) ? 1 : 0;
  EXPECT_GE(white, 1);
}

TEST(Resample, NearestCopiesEveryFormat) {
  for (TIEPixelFormat pf : {ieMono1, iePalette8, ieGray16, ieRGB24, ieCMYK, ieRGB48}) {
    TIEBitmap src, dst;
    src.Allocate(6, 4, pf);
    FillRandom(src, pf);
    dst.Allocate(12, 8, pf);
    ResampleBitmap(&src, &dst, rfNone);
    const int bits = src.BitCount();
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 12; ++x)
        for (int b = 0; b < bits; ++b)
          ASSERT_EQ(GetBit(dst.GetScanline(y), int64_t{x} * bits + b),
                    GetBit(src.GetScanline(y / 2), int64_t{x / 2} * bits + b));
  }
}

TEST(Resample, ShrinkBWToGrayAveragesBoxes) {
  TIEBitmap m, g;
  m.Allocate(4, 4, ieMono1);
  // Left half white.
  for (int y = 0; y < 4; ++y) m.GetScanline(y)[0] = 0xC0;
  g.Allocate(2, 2, ieRGB24);
  ShrinkBWToGray(&m, 0, 0, 3, 3, &g);
  // Column 0 covers Trunc(-1)..Trunc(1) = 0..1 (both white): 255; column 1
  // covers 1..3: one white of three: 85. Rows 0..1 and 1..2.
  EXPECT_EQ(g.GetRGB24(0, 0).r, 255);
  EXPECT_EQ(g.GetRGB24(1, 1).r, 85);
  // 1-bit sources filtered by kernels give grey 24-bit images.
  TIEBitmap t;
  t.Allocate(8, 8, ieMono1);
  ResampleBitmap(&m, &t, rfTriangle);
  EXPECT_EQ(t.PixelFormat(), ieRGB24);
  EXPECT_EQ(t.GetRGB24(0, 0).r, 255);
  EXPECT_EQ(t.GetRGB24(7, 7).r, 0);
  TIEBitmap f;
  f.Allocate(8, 8, ieMono1);
  ResampleBitmap(&m, &f, rfFastLinear);
  EXPECT_EQ(f.GetRGB24(0, 3).r, 255);
  EXPECT_EQ(f.GetRGB24(7, 3).r, 0);
}

// The caller's transparent pixels keep their colour; the target still sees
// them grey, and its alpha channel is filtered too.
TEST(Resample, AlphaSourceIsNotChanged) {
  TIEBitmap src, dst;
  src.Allocate(4, 4, ieRGB24);
  src.Fill(0x0000FF);  // red
  for (int x = 0; x < 4; ++x) src.SetAlpha(x, 0, 0);
  src.GetAlphaChannel()->Full = false;
  dst.Allocate(4, 4, ieRGB24);
  ResampleBitmap(&src, &dst, rfTriangle);
  EXPECT_EQ(src.GetRGB24(0, 0), MakeRGBTriple(255, 0, 0));
  EXPECT_EQ(dst.GetRGB24(0, 0), MakeRGBTriple(128, 128, 128));
  EXPECT_EQ(dst.GetRGB24(0, 3), MakeRGBTriple(255, 0, 0));
  ASSERT_TRUE(dst.HasAlphaChannel());
  EXPECT_EQ(dst.GetAlpha(0, 0), 0);
  EXPECT_EQ(dst.GetAlpha(0, 3), 255);
  EXPECT_FALSE(dst.GetAlphaChannel()->Full);
}

// Formats the filters do not take are filtered through 24 bits (grey as a
// plane) and keep their format.
TEST(Resample, OtherFormatsAreFiltered) {
  TIEBitmap g, gd;
  g.Allocate(8, 8, ieGray8);
  g.Fill(77);
  gd.Allocate(5, 5, ieGray8);
  ResampleBitmap(&g, &gd, rfLanczos3);
  EXPECT_EQ(gd.PixelFormat(), ieGray8);
  EXPECT_EQ(gd.GetByte(2, 2), 77);
  TIEBitmap w, wd;
  w.Allocate(8, 8, ieGray16);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) w.SetWord(x, y, 0x8080);
  wd.Allocate(16, 4, ieGray16);
  ResampleBitmap(&w, &wd, rfMitchell);
  EXPECT_EQ(wd.PixelFormat(), ieGray16);
  EXPECT_NEAR(wd.GetWord(7, 2), 0x8080, 0x101);
  TIEBitmap p, pd;
  p.Allocate(4, 4, iePalette8);
  p.SetPaletteEntry(0, MakeRGBTriple(10, 20, 30));
  pd.Allocate(2, 2, iePalette8);
  ResampleBitmap(&p, &pd, rfBicubic);
  EXPECT_EQ(pd.PixelFormat(), ieRGB24);
  EXPECT_EQ(pd.GetRGB24(1, 1), MakeRGBTriple(10, 20, 30));
  EXPECT_EQ(p.PixelFormat(), iePalette8);  // the source is left as it was
}
}  // namespace

namespace {
// The rows of an image as one byte string.
std::vector<uint8_t> Pixels(TIEBitmap& b) {
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < b.Height(); ++y) out.insert(out.end(), b.GetScanline(y), b.GetScanline(y) + b.RowLen());
  return out;
}
}  // namespace

// Large images are cut into row bands for the threads of the shared pool; the
// result is the single-threaded one bit for bit, and the progress too.
TEST(Resample, ThreadsGiveTheSingleThreadedResult) {
  TIEBitmap src;
  src.SetLocation(ieMemory);
  src.Allocate(311, 257, ieRGB24);
  FillRandom(src, 28);
  TIEBitmap grey;
  grey.SetLocation(ieMemory);
  grey.Allocate(311, 257, ieGray8);
  FillRandom(grey, 29);
  TThreadPool& pool = TThreadPool::Shared();
  const int32_t threads = pool.MaxThreads();
  auto run = [&](TIEBitmap& from, TResampleFilter f, int32_t w, int32_t h, int32_t with_threads,
                 std::vector<int32_t>* progress) {
    pool.SetMaxThreads(with_threads);
    TIEBitmap dst;
    dst.SetLocation(ieMemory);
    dst.Allocate(w, h, from.PixelFormat());
    TProgressRec rec;
    rec.OnProgress = [&](TObject*, int32_t p) { progress->push_back(p); };
    if (from.PixelFormat() == ieGray8)
      ResampleGray8(&from, &dst, f);
    else
      ResampleRGB24(&from, &dst, f, &rec);
    return Pixels(dst);
  };
  for (int f = rfTriangle; f <= rfBicubic; ++f)
    for (auto [w, h] : {std::pair{101, 67}, std::pair{443, 301}}) {
      std::vector<int32_t> p1, pn, g1, gn;
      const auto one = run(src, TResampleFilter(f), w, h, 1, &p1);
      const auto many = run(src, TResampleFilter(f), w, h, threads, &pn);
      EXPECT_TRUE(one == many) << "filter " << f << " to " << w << "x" << h;
      EXPECT_EQ(p1, pn) << "filter " << f;
      EXPECT_TRUE(run(grey, TResampleFilter(f), w, h, 1, &g1) == run(grey, TResampleFilter(f), w, h, threads, &gn))
          << "grey, filter " << f;
    }
  pool.SetMaxThreads(threads);
}
