// The metafile player: which bytes it takes as a metafile, drawing into a
// rectangle of a larger canvas, and the device context left as it was (its
// objects, colours and clip, and no drawing objects left behind).
#include <gtest/gtest.h>

#include <vector>

#include "DrawTestSupport.h"
#include "platform/Metafile.h"
#include "platform/PenBrush.h"
#include "platform/Text.h"
#include "tests/platform/MetafileTestSupport.h"

namespace {

constexpr uint32_t kBluePx = 0x0000FF;  // surface pixel of RGB(0, 0, 255)

bool Loads(const std::vector<uint8_t>& b) {
  TMetafile m;
  return m.Load(b.data(), b.size());
}

}  // namespace

TEST(MetafilePlayer, WhatLoads) {
  mf::Wmf w;
  w.WindowExt(40, 30).Eof();
  std::vector<uint8_t> placeable = w.Bytes(0, 0, 40, 30, 96);
  std::vector<uint8_t> emf = mf::SeedEmf();
  EXPECT_TRUE(Loads(placeable));
  EXPECT_TRUE(Loads(w.Bytes(0, 0, 0, 0, 0)));  // plain, sized by its window
  EXPECT_TRUE(Loads(emf));
  EXPECT_FALSE(Loads({}));
  EXPECT_FALSE(Loads(std::vector<uint8_t>(placeable.begin(), placeable.begin() + 30)));
  mf::Wmf unsized;
  unsized.Rectangle(0, 0, 4, 4).Eof();
  EXPECT_FALSE(Loads(unsized.Bytes(0, 0, 0, 0, 0)));
  std::vector<uint8_t> long_header = emf;
  mf::Set32(long_header, 4, static_cast<uint32_t>(emf.size() + 4));  // header beyond the file
  EXPECT_FALSE(Loads(long_header));
  TMetafile m;
  ASSERT_TRUE(m.Load(emf.data(), emf.size()));
  EXPECT_TRUE(m.Enhanced());
  EXPECT_EQ(m.Width(), 40);
  EXPECT_EQ(m.Height(), 30);
}

TEST(MetafilePlayer, DrawsIntoTheRectangleAndLeavesTheContextAsItWas) {
  // A blue box over the whole picture, clipped to its left half by the
  // metafile, a pen of its own selected inside a saved state.
  mf::Wmf w;
  w.WindowOrg(0, 0).WindowExt(40, 30).Pen(PS_NULL, 1, 0).Brush(BS_SOLID, mf::Rgb(0, 0, 255));
  w.Select(0).Select(1).SaveDC().Pen(PS_SOLID, 3, mf::Rgb(0, 255, 0)).Select(2);
  w.RestoreDC(-1).Record(0x0416, {30, 20, 0, 0});  // intersect the clip with (0, 0)-(20, 30)
  w.Rectangle(0, 0, 41, 31).Eof();
  const std::vector<uint8_t> bytes = w.Bytes(0, 0, 40, 30, 96);
  TMetafile m;
  ASSERT_TRUE(m.Load(bytes.data(), bytes.size()));

  TestCanvas c(100, 80);
  HGDIOBJ pen = GetCurrentObject(c.dc, OBJ_PEN), brush = GetCurrentObject(c.dc, OBJ_BRUSH);
  SetTextColor(c.dc, RGB(1, 2, 3));
  const int objects = GdiObjectCount();
  m.Play(c.dc, TRect{10, 20, 90, 80});  // twice the picture's size
  EXPECT_EQ(GdiObjectCount(), objects);
  EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), pen);
  EXPECT_EQ(GetCurrentObject(c.dc, OBJ_BRUSH), brush);
  EXPECT_EQ(GetTextColor(c.dc), RGB(1, 2, 3));
  // The left half of the rectangle, in the metafile's clip.
  EXPECT_EQ(c.BoxNot(kWhite), (TRect{10, 20, 50, 80}));
  EXPECT_EQ(c.Count(kBluePx), 40 * 60);
  // The metafile's clip is gone: drawing reaches the whole canvas again.
  const TRect all{0, 0, 100, 80};
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  FillRect(c.dc, &all, black);
  DeleteObject(black);
  EXPECT_EQ(c.Count(kBlack), 100 * 80);
  EXPECT_EQ(m.SkippedRecords(), 0);
}

// Windows metafiles put each new object in the lowest free slot of a table
// of the header's size; a full table takes no more.
TEST(MetafilePlayer, ObjectSlotsOfWindowsMetafiles) {
  mf::Wmf w;
  w.WindowOrg(0, 0).WindowExt(20, 10).Pen(PS_NULL, 1, 0).Brush(BS_SOLID, mf::Rgb(255, 0, 0));
  w.Brush(BS_SOLID, mf::Rgb(0, 255, 0));  // no third slot: not made
  w.Select(0).Delete(1).Brush(BS_SOLID, mf::Rgb(0, 0, 255)).Select(1);  // slot 1 again
  w.Select(2).Rectangle(0, 0, 11, 6).Eof();
  const std::vector<uint8_t> bytes = w.Bytes(0, 0, 20, 10, 96, 2);
  TMetafile m;
  ASSERT_TRUE(m.Load(bytes.data(), bytes.size()));
  TestCanvas c(20, 10);
  m.Play(c.dc, TRect{0, 0, 20, 10});
  EXPECT_EQ(c.Count(kBluePx), 10 * 5);
  EXPECT_EQ(m.SkippedRecords(), 2);  // the third brush and the selection of slot 2
}

// The rings of a poly-polygon record are filled together: the inner square
// is a hole in the outer one.
TEST(MetafilePlayer, PolyPolygonRingsCutHoles) {
  mf::Wmf w;
  w.WindowOrg(0, 0).WindowExt(20, 20).Pen(PS_NULL, 1, 0).Brush(BS_SOLID, mf::Rgb(0, 0, 255));
  w.Select(0).Select(1).PolyPolygon({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{3, 3}, {7, 3}, {7, 7}, {3, 7}}});
  w.Eof();
  const std::vector<uint8_t> bytes = w.Bytes(0, 0, 20, 20, 96, 2);
  TMetafile m;
  ASSERT_TRUE(m.Load(bytes.data(), bytes.size()));
  TestCanvas c(20, 20);
  m.Play(c.dc, TRect{0, 0, 20, 20});
  EXPECT_EQ(c.Count(kBluePx), 100 - 16);
  EXPECT_EQ(c.At(5, 5), kWhite);
  EXPECT_EQ(c.At(1, 1), kBluePx);
}

namespace {

// A 2 x 2 24-bit bitmap, header and rows (bottom row first): bottom blue,
// green; top red, white.
std::vector<uint8_t> QuarterDib() {
  std::vector<uint8_t> dib;
  for (uint32_t v : {40u, 2u, 2u}) mf::Put32(dib, v);
  mf::Put16(dib, 1);
  mf::Put16(dib, 24);
  for (int i = 0; i < 6; ++i) mf::Put32(dib, 0);
  for (uint8_t b : {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0}) dib.push_back(b);
  return dib;
}

}  // namespace

// A device-independent bitmap stretched over the picture (bottom row first
// in the bitmap, as stored): its four pixels become four quarters.
TEST(MetafilePlayer, StretchedBitmap) {
  const std::vector<uint8_t> dib = QuarterDib();
  std::vector<uint16_t> params = {0x0020, 0x00CC, 0, 2, 2, 0, 0, 10, 20, 0, 0};  // copy, 2 x 2 to 20 x 10
  for (size_t i = 0; i < dib.size(); i += 2) params.push_back(static_cast<uint16_t>(dib[i] | dib[i + 1] << 8));
  mf::Wmf w;
  w.WindowOrg(0, 0).WindowExt(20, 10).Record(0x0F43, params).Eof();
  const std::vector<uint8_t> bytes = w.Bytes(0, 0, 20, 10, 96);
  TMetafile m;
  ASSERT_TRUE(m.Load(bytes.data(), bytes.size()));
  TestCanvas c(20, 10);
  m.Play(c.dc, TRect{0, 0, 20, 10});
  EXPECT_EQ(c.At(0, 0), kRedPx);
  EXPECT_EQ(c.At(9, 4), kRedPx);
  EXPECT_EQ(c.At(10, 0), kWhite);
  EXPECT_EQ(c.At(0, 5), kBluePx);
  EXPECT_EQ(c.At(19, 9), 0x00FF00u);
  EXPECT_EQ(c.Count(kRedPx), 50);
  // The same bitmap claiming more rows than the record holds is not drawn.
  params[11 + 4] = 200;  // the bitmap's height (its header starts at word 11)
  mf::Wmf cut;
  cut.WindowOrg(0, 0).WindowExt(20, 10).Record(0x0F43, params).Eof();
  const std::vector<uint8_t> cut_bytes = cut.Bytes(0, 0, 20, 10, 96);
  ASSERT_TRUE(m.Load(cut_bytes.data(), cut_bytes.size()));
  TestCanvas d(20, 10);
  m.Play(d.dc, TRect{0, 0, 20, 10});
  EXPECT_EQ(d.Count(kWhite), 200);
  EXPECT_EQ(m.SkippedRecords(), 1);
}

TEST(MetafilePlayer, StretchedBitmapOfAnEnhancedMetafile) {
  const std::vector<uint8_t> dib = QuarterDib();
  // Bounds, destination and source, then the offsets of header and pixels
  // from the record's start, usage, raster operation, destination size.
  std::vector<uint32_t> params = {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 80, 40, 120, 16, 0, 0x00CC0020, 100, 50};
  for (size_t i = 0; i < dib.size(); i += 4)
    params.push_back(dib[i] | dib[i + 1] << 8 | dib[i + 2] << 16 | uint32_t{dib[i + 3]} << 24);
  mf::Emf e;
  e.Record(81, params).Eof();
  const std::vector<uint8_t> bytes = e.Bytes(mf::FrameOf(100), mf::FrameOf(50));
  TMetafile m;
  ASSERT_TRUE(m.Load(bytes.data(), bytes.size()));
  TestCanvas c(100, 50);
  m.Play(c.dc, TRect{0, 0, 100, 50});
  EXPECT_EQ(c.At(10, 10), kRedPx);
  EXPECT_EQ(c.At(60, 10), kWhite);
  EXPECT_EQ(c.At(10, 40), kBluePx);
  EXPECT_EQ(c.At(90, 40), 0x00FF00u);
  EXPECT_EQ(m.SkippedRecords(), 0);
}
