// The magic wand: the filled region against an independent flood fill on
// random images, the grow flag, the global mode, and the outline polygon.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <random>
#include <tuple>
#include <vector>

#include "imaging/model/MagicWand.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"

namespace {

// A random image of few colours, so that regions are large and irregular.
void FillFewColours(TIEBitmap& b, uint32_t seed, int colours) {
  std::mt19937 rng(seed);
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) {
      const auto v = static_cast<uint8_t>(rng() % colours * 20);
      b.SetRGB24(x, y, MakeRGBTriple(v, static_cast<uint8_t>(v / 2), static_cast<uint8_t>(255 - v)));
    }
}

bool Near(const TRGB& a, const TRGB& b, int t) {
  return std::abs(a.r - b.r) <= t && std::abs(a.g - b.g) <= t && std::abs(a.b - b.b) <= t;
}

// Breadth-first fill over 4 neighbours.
std::vector<uint8_t> ReferenceFill(TIEBitmap& b, int32_t sx, int32_t sy, int t) {
  const int32_t w = b.Width(), h = b.Height();
  std::vector<uint8_t> in(static_cast<size_t>(w) * h, 0);
  const TRGB start = b.GetPixelRGB(sx, sy);
  std::deque<std::pair<int32_t, int32_t>> queue{{sx, sy}};
  in[static_cast<size_t>(sy) * w + sx] = 1;
  while (!queue.empty()) {
    auto [x, y] = queue.front();
    queue.pop_front();
    const int32_t nx[4] = {x + 1, x - 1, x, x}, ny[4] = {y, y, y + 1, y - 1};
    for (int k = 0; k < 4; ++k) {
      if (nx[k] < 0 || ny[k] < 0 || nx[k] >= w || ny[k] >= h) continue;
      uint8_t& c = in[static_cast<size_t>(ny[k]) * w + nx[k]];
      if (c || !Near(b.GetPixelRGB(nx[k], ny[k]), start, t)) continue;
      c = 1;
      queue.emplace_back(nx[k], ny[k]);
    }
  }
  return in;
}

// The region with its holes filled: everything not reachable from outside
// the image through pixels outside the region, stepping to 8 or to 4 neighbours.
std::vector<uint8_t> WithoutHoles(const std::vector<uint8_t>& in, int32_t w, int32_t h, bool Diagonal) {
  const int32_t W = w + 2, H = h + 2;
  std::vector<uint8_t> outside(static_cast<size_t>(W) * H, 0);
  auto region = [&](int32_t x, int32_t y) {
    return x >= 1 && y >= 1 && x <= w && y <= h && in[static_cast<size_t>(y - 1) * w + (x - 1)];
  };
  std::deque<std::pair<int32_t, int32_t>> queue{{0, 0}};
  outside[0] = 1;
  while (!queue.empty()) {
    auto [x, y] = queue.front();
    queue.pop_front();
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        if (!Diagonal && dx != 0 && dy != 0) continue;
        const int32_t nx = x + dx, ny = y + dy;
        if (nx < 0 || ny < 0 || nx >= W || ny >= H) continue;
        uint8_t& o = outside[static_cast<size_t>(ny) * W + nx];
        if (o || region(nx, ny)) continue;
        o = 1;
        queue.emplace_back(nx, ny);
      }
  }
  std::vector<uint8_t> out(in.size());
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) out[static_cast<size_t>(y) * w + x] = !outside[(y + 1) * W + x + 1];
  return out;
}

std::vector<uint8_t> MaskBits(const TIEMask& m) {
  std::vector<uint8_t> v;
  for (int32_t y = 0; y < m.Height(); ++y)
    for (int32_t x = 0; x < m.Width(); ++x) v.push_back(m.GetPixel(x, y) != 0);
  return v;
}

}  // namespace

TEST(MagicWand, FillEqualsAFourConnectedFloodFill) {
  for (uint32_t seed = 1; seed <= 24; ++seed) {
    TIEBitmap b;
    b.Allocate(13 + seed % 7, 11 + seed % 5, ieRGB24);
    FillFewColours(b, seed, 2 + seed % 3);
    const int tolerance = seed % 4 == 0 ? 25 : 0;  // 25 joins neighbouring colours
    std::mt19937 rng(seed * 77);
    const int32_t x = rng() % b.Width(), y = rng() % b.Height();
    TIEMask m;
    m.AllocateBits(b.Width(), b.Height(), 1);
    MagicWandFill(&b, x, y, 1, &m, tolerance, false);
    ASSERT_EQ(MaskBits(m), ReferenceFill(b, x, y, tolerance)) << "seed " << seed;
  }
}

TEST(MagicWand, OutlineFillsTheRegionWithoutItsHoles) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    TIEBitmap b;
    b.Allocate(9 + seed % 6, 8 + seed % 4, ieRGB24);
    FillFewColours(b, seed + 100, 2);
    std::mt19937 rng(seed);
    const int32_t x = rng() % b.Width(), y = rng() % b.Height();
    int32_t count = -1;
    const std::vector<int32_t> points = MagicWandPolygon(&b, x, y, count, 0, false);
    ASSERT_EQ(static_cast<int32_t>(points.size()), 2 * count);
    ASSERT_GE(count, 4);
    for (size_t k = 0; k < points.size(); k += 2) {
      ASSERT_GE(points[k], 0);
      ASSERT_LE(points[k], b.Width());
      ASSERT_GE(points[k + 1], 0);
      ASSERT_LE(points[k + 1], b.Height());
    }
    TIEMask m;
    m.AllocateBits(b.Width(), b.Height(), 1);
    m.FillPolygons(1, points.data(), count);
    const std::vector<uint8_t> region = ReferenceFill(b, x, y, 0);
    // The outline is traced along the outer border only: filled, it holds
    // the region and its holes, and nothing the outside reaches through
    // pixel sides. Where the outside comes in only through a diagonal gap
    // the walk may or may not go round that part.
    const std::vector<uint8_t> filled = MaskBits(m);
    const std::vector<uint8_t> closed = WithoutHoles(region, b.Width(), b.Height(), false);
    const std::vector<uint8_t> open = WithoutHoles(region, b.Width(), b.Height(), true);
    for (size_t k = 0; k < region.size(); ++k) {
      ASSERT_TRUE(!open[k] || filled[k]) << "seed " << seed << " pixel " << k;
      ASSERT_TRUE(!filled[k] || closed[k]) << "seed " << seed << " pixel " << k;
    }
  }
}

TEST(MagicWand, OneColourImageGivesTheCornersTwice) {
  TIEBitmap b;
  b.Allocate(7, 5, ieRGB24);
  b.Fill(0x336699);
  int32_t count = 0;
  const std::vector<int32_t> p = MagicWandPolygon(&b, 3, 2, count, 0, false);
  EXPECT_EQ(count, 8);
  EXPECT_EQ(p, (std::vector<int32_t>{0, 0, 7, 0, 7, 0, 7, 5, 7, 5, 0, 5, 0, 5, 0, 0}));
  TIEMask m;
  m.AllocateBits(7, 5, 1);
  MagicWandFill(&b, 3, 2, 1, &m, 0, false);
  EXPECT_EQ((std::vector<int32_t>{m.Left, m.Top, m.Right, m.Bottom}), (std::vector<int32_t>{0, 0, 6, 4}));
}

TEST(MagicWand, OutsideTheImageNothing) {
  TIEBitmap b;
  b.Allocate(4, 4, ieRGB24);
  b.Fill(0);
  TIEMask m;
  m.AllocateBits(4, 4, 1);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 4}}) {
    int32_t count = 9;
    EXPECT_TRUE(MagicWandPolygon(&b, x, y, count, 0, false).empty());
    EXPECT_EQ(count, 0);
    MagicWandFill(&b, x, y, 1, &m, 0, true);
    SelectSimilarColors(&b, x, y, 1, &m, 0);
    EXPECT_TRUE(m.IsEmpty());
  }
}

TEST(MagicWand, GrowAndHolesAndGlobal) {
  // Two red blobs on white, the first with a white hole in its middle.
  TIEBitmap b;
  b.Allocate(12, 6, ieRGB24);
  b.Fill(0xFFFFFF);
  for (int32_t y = 1; y <= 3; ++y)
    for (int32_t x = 1; x <= 3; ++x)
      if (x != 2 || y != 2) b.SetRGB24(x, y, MakeRGBTriple(255, 0, 0));
  b.SetRGB24(9, 4, MakeRGBTriple(250, 0, 0));
  TIEMask m;
  m.AllocateBits(12, 6, 1);
  MagicWandFill(&b, 1, 1, 1, &m, 0, false);
  EXPECT_FALSE(m.IsPointInside(2, 2));  // the hole
  EXPECT_TRUE(m.IsPointInside(3, 3));
  EXPECT_FALSE(m.IsPointInside(9, 4));  // the other blob
  m.Clear();
  SelectSimilarColors(&b, 1, 1, 1, &m, 5);
  EXPECT_TRUE(m.IsPointInside(9, 4));
  EXPECT_FALSE(m.IsPointInside(2, 2));

  // Growing a single pixel: 3 x 3, and 2 x 2 in a corner.
  TIEBitmap dot;
  dot.Allocate(6, 6, ieRGB24);
  dot.Fill(0);
  dot.SetRGB24(3, 3, MakeRGBTriple(1, 2, 3));
  dot.SetRGB24(0, 0, MakeRGBTriple(1, 2, 3));
  for (auto [x, y, side, left] : {std::tuple{3, 3, 3, 2}, {0, 0, 2, 0}}) {
    TIEMask g;
    g.AllocateBits(6, 6, 8);
    MagicWandFill(&dot, x, y, 200, &g, 0, true);
    EXPECT_EQ((std::vector<int32_t>{g.Left, g.Top, g.Right, g.Bottom}),
              (std::vector<int32_t>{left, left, left + side - 1, left + side - 1}));
    EXPECT_EQ(g.GetPixel(left, left), 200);
  }

  // The polygon of the blob with a hole traces its outer border only.
  int32_t count = 0;
  const std::vector<int32_t> p = MagicWandPolygon(&b, 1, 1, count, 0, false);
  EXPECT_EQ(p, (std::vector<int32_t>{1, 1, 4, 1, 4, 1, 4, 4, 4, 4, 1, 4, 1, 4, 1, 1}));
}

TEST(MagicWand, GridSizeOfLargeRegionsIsCountedIn64Bits) {
  // 70000 x 70000 pixels: a 32-bit product of the grid's sides wraps.
  EXPECT_EQ(MagicWandGridCells(70000, 70000), int64_t{280004} * 280004);
  EXPECT_GT(MagicWandGridCells(70000, 70000), kMagicWandMaxGridCells);
  EXPECT_EQ(MagicWandGridCells(1, 1), 64);
}
