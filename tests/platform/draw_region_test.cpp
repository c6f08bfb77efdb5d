#include <gtest/gtest.h>

#include "platform/Region.h"

namespace {

int Area(const Region& r) {
  int a = 0;
  for (const TRect& x : r.Rects()) a += x.Width() * x.Height();
  return a;
}

// Reference membership for a combination, pixel by pixel.
bool Expect(int op, bool a, bool b) {
  switch (op) {
    case RGN_AND:
      return a && b;
    case RGN_OR:
      return a || b;
    case RGN_XOR:
      return a != b;
    default:
      return a && !b;
  }
}

TEST(Region, CombineMatchesPixelwiseDefinition) {
  // Two L-ish regions built from overlapping rectangles.
  TRect ra[] = {{0, 0, 10, 4}, {2, 2, 6, 12}, {8, 8, 14, 10}};
  TRect rb[] = {{4, 1, 12, 6}, {0, 9, 20, 11}};
  HRGN a = CreateRgnFromRects(ra, 3);
  HRGN b = CreateRgnFromRects(rb, 2);
  for (int op : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF}) {
    HRGN d = CreateRectRgn(0, 0, 0, 0);
    int kind = CombineRgn(d, a, b, op);
    EXPECT_NE(kind, ERROR);
    for (int y = -1; y < 14; ++y)
      for (int x = -1; x < 22; ++x)
        ASSERT_EQ(bool(PtInRegion(d, x, y)), Expect(op, PtInRegion(a, x, y), PtInRegion(b, x, y)))
            << "op " << op << " at " << x << "," << y;
    // Bands are disjoint: the area equals the pixel count.
    int count = 0;
    for (int y = -1; y < 14; ++y)
      for (int x = -1; x < 22; ++x) count += PtInRegion(d, x, y);
    EXPECT_EQ(Area(RegionOf(d)), count);
    DeleteObject(d);
  }
  DeleteObject(a);
  DeleteObject(b);
}

TEST(Region, EqualSetsHaveEqualListsAndMerge) {
  // The same square built two ways.
  TRect halves[] = {{0, 0, 10, 5}, {0, 5, 10, 10}};
  HRGN a = CreateRgnFromRects(halves, 2);
  HRGN b = CreateRectRgn(0, 0, 10, 10);
  EXPECT_TRUE(EqualRgn(a, b));
  EXPECT_EQ(RegionOf(a).Complexity(), SIMPLEREGION);
  // Combining into a source, then copying and offsetting.
  EXPECT_EQ(CombineRgn(a, a, b, RGN_XOR), NULLREGION);
  EXPECT_EQ(CombineRgn(a, b, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_EQ(OffsetRgn(a, 5, -2), SIMPLEREGION);
  TRect box;
  EXPECT_EQ(GetRgnBox(a, &box), SIMPLEREGION);
  EXPECT_EQ(box, (TRect{5, -2, 15, 8}));
  // A hole makes the region complex; its box stays.
  HRGN hole = CreateRectRgn(3, 3, 6, 6);
  EXPECT_EQ(CombineRgn(a, b, hole, RGN_DIFF), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(a, 4, 4));
  TRect probe{4, 4, 5, 5}, edge{5, 5, 7, 7};
  EXPECT_FALSE(RectInRegion(a, &probe));
  EXPECT_TRUE(RectInRegion(a, &edge));
  EXPECT_EQ(Area(RegionOf(a)), 100 - 9);
  for (HRGN r : {a, b, hole}) DeleteObject(r);
}

TEST(Region, BadArgumentsAnswerError) {
  HRGN a = CreateRectRgn(0, 0, 4, 4);
  EXPECT_EQ(CombineRgn(a, a, nullptr, RGN_AND), ERROR);
  EXPECT_EQ(CombineRgn(a, a, a, 99), ERROR);
  EXPECT_EQ(CombineRgn(nullptr, a, a, RGN_OR), ERROR);
  // Reversed corners are taken as the same rectangle.
  HRGN r = CreateRectRgn(4, 4, 0, 0);
  EXPECT_TRUE(EqualRgn(a, r));
  DeleteObject(a);
  DeleteObject(r);
}

}  // namespace

namespace {

TEST(Region, RoundedEllipticAndPolygonRegions) {
  // A rounded rectangle keeps its corners out and its edges' middles in.
  HRGN rr = CreateRoundRectRgn(0, 0, 64, 40, 32, 32);
  EXPECT_FALSE(PtInRegion(rr, 0, 0));
  EXPECT_FALSE(PtInRegion(rr, 63, 39));
  EXPECT_TRUE(PtInRegion(rr, 32, 0));
  EXPECT_TRUE(PtInRegion(rr, 0, 20));
  EXPECT_TRUE(PtInRegion(rr, 63, 20));
  EXPECT_FALSE(PtInRegion(rr, 64, 20));
  TRect box;
  GetRgnBox(rr, &box);
  EXPECT_EQ(box, (TRect{0, 0, 64, 40}));
  // Rows of equal spans are merged: the straight middle is one rectangle.
  EXPECT_LT(RegionOf(rr).Rects().size(), 40u);
  // An ellipse is symmetric.
  HRGN el = CreateEllipticRgn(0, 0, 15, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 15; ++x) ASSERT_EQ(PtInRegion(el, x, y), PtInRegion(el, 14 - x, 8 - y));
  // A polygon region matches the filled polygon's half-open area.
  TPoint tri[] = {{0, 0}, {10, 0}, {0, 10}};
  HRGN pr = CreatePolygonRgn(tri, 3, 1);
  EXPECT_TRUE(PtInRegion(pr, 0, 0));
  EXPECT_TRUE(PtInRegion(pr, 8, 0));
  EXPECT_FALSE(PtInRegion(pr, 9, 9));
  EXPECT_FALSE(PtInRegion(pr, 10, 0));
  for (HRGN r : {rr, el, pr}) DeleteObject(r);
}

}  // namespace
