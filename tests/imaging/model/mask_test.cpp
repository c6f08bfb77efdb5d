#include "imaging/model/TIEMask.h"

#include <gtest/gtest.h>

#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"

TEST(TIEMask, SetPixelGrowsTheBox) {
  TIEMask m;
  m.AllocateBits(10, 10, 1);
  EXPECT_TRUE(m.IsEmpty());
  m.SetPixel(3, 4, 1);
  EXPECT_EQ((std::vector<int>{m.Left, m.Top, m.Right, m.Bottom}), (std::vector<int>{3, 4, 3, 4}));
  m.SetPixel(20, 20, 1);  // outside: nothing
  EXPECT_EQ(m.Right, 3);
  EXPECT_EQ(m.GetPixel(20, 20), 0);
  EXPECT_TRUE(m.IsPointInside(3, 4));
}

TEST(TIEMask, FillPolygonsSquareAndSeparatedTriangles) {
  for (int bpp : {1, 8}) {
    TIEMask m;
    m.AllocateBits(20, 20, bpp);
    const int32_t square[] = {0, 0, 10, 0, 10, 10, 0, 10};
    m.FillPolygons(255, square, 4);
    EXPECT_EQ((std::vector<int>{m.Left, m.Top, m.Right, m.Bottom}), (std::vector<int>{0, 0, 9, 9}));
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) ASSERT_EQ(m.GetPixel(x, y) != 0, x < 10 && y < 10) << x << "," << y;
  }
  TIEMask m;
  m.AllocateBits(40, 20, 1);
  const int32_t two[] = {0, 0, 8, 0, 0, 8, TIEMask::kPolygonSeparator, 0, 20, 0, 28, 0, 20, 8};
  m.FillPolygons(1, two, 7);
  EXPECT_TRUE(m.IsPointInside(1, 1));
  EXPECT_TRUE(m.IsPointInside(21, 1));
  EXPECT_FALSE(m.IsPointInside(12, 1));
}

TEST(TIEMask, PolygonCoveringNoPixelEmptiesTheBox) {
  TIEMask m;
  m.AllocateBits(10, 10, 1);
  m.SetPixel(5, 5, 1);
  const int32_t sliver[] = {2, 2, 2, 6, 2, 2};  // zero width
  m.FillPolygons(1, sliver, 3);
  EXPECT_TRUE(m.IsEmpty());
}

TEST(TIEMask, FillRowIgnoresRowsOutsideTheMask) {
  TIEMask m;
  m.AllocateBits(8, 4, 8);
  m.FillRow(255, -5, 100, -1);  // must not write before the block
  m.FillRow(255, -5, 100, 99);  // limited to the last row
  for (int x = 0; x < 8; ++x) EXPECT_EQ(m.GetPixel(x, 3), 255);
  EXPECT_EQ(m.GetPixel(0, 0), 0);
}

TEST(TIEMask, MoveBitsShortensOrCuts) {
  TIEMask m;
  m.AllocateBits(20, 5, 1);
  for (int x = 2; x <= 6; ++x) m.SetPixel(x, 1, 1);
  int32_t dx = -5, dy = 0;
  m.MoveBits(dx, dy, false);
  EXPECT_EQ(dx, -2);
  EXPECT_EQ(m.Left, 0);
  EXPECT_TRUE(m.IsPointInside(0, 1));
  EXPECT_TRUE(m.IsPointInside(4, 1));
  EXPECT_FALSE(m.IsPointInside(5, 1));

  TIEMask c;
  c.AllocateBits(20, 5, 1);
  for (int x = 2; x <= 8; ++x) c.SetPixel(x, 1, 1);
  dx = -5;
  c.MoveBits(dx, dy, true);
  EXPECT_EQ(dx, -5);
  // Left became 5: columns 5..8 moved to 0..3, columns 2..4 were dropped.
  for (int x = 0; x < 10; ++x) EXPECT_EQ(c.IsPointInside(x, 1), x <= 3) << x;
}

TEST(TIEMask, SyncFullChecksTheTailBits) {
  TIEMask m;
  m.AllocateBits(9, 2, 1);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 9; ++x) m.SetPixel(x, y, 1);
  m.SyncFull();
  EXPECT_TRUE(m.Full);
  m.SetPixel(8, 1, 0);
  m.SyncFull();
  EXPECT_FALSE(m.Full);
}

TEST(TIEMask, CopyBitmapMaskedBlendsByDegree) {
  TIEBitmap src, dst;
  src.Allocate(4, 1, ieGray8);
  src.Fill(200);
  dst.Allocate(4, 1, ieGray8);
  dst.Fill(100);
  TIEMask m;
  m.AllocateBits(4, 1, 8);
  m.SetPixel(1, 0, 128);
  m.SetPixel(2, 0, 255);
  m.CopyBitmapMasked(&dst, &src, false, false, true);
  EXPECT_EQ(dst.GetByte(0, 0), 100);
  EXPECT_EQ(dst.GetByte(1, 0), 150);
  EXPECT_EQ(dst.GetByte(2, 0), 199);  // (255 * 100) >> 8
  EXPECT_EQ(dst.GetAlpha(1, 0), 128);
  EXPECT_FALSE(dst.GetAlphaChannel()->Full);
}
