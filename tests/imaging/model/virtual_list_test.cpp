// The virtual image list: areas of one temporary file, the loaded window,
// shared bitmaps and write-back.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEVirtualImageList.h"

namespace {
std::unique_ptr<TIEBitmap> Picture(int w, int h, TIEPixelFormat f = ieRGB24, int seed = 0) {
  auto b = std::make_unique<TIEBitmap>();
  b->Allocate(w, h, f);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b->GetScanline(y);
    for (int64_t i = 0; i < b->RowLen(); ++i) row[i] = static_cast<uint8_t>(i * 7 + y * 13 + seed);
  }
  return b;
}

bool SameRows(TIEBitmap* a, TIEBitmap* b) {
  if (a->Width() != b->Width() || a->Height() != b->Height() || a->PixelFormat() != b->PixelFormat())
    return false;
  const int64_t n = (int64_t{a->Width()} * a->BitCount() + 7) / 8;
  for (int y = 0; y < a->Height(); ++y) {
    std::vector<uint8_t> ra(a->GetScanline(y), a->GetScanline(y) + n);
    if (std::memcmp(ra.data(), b->GetScanline(y), static_cast<size_t>(n)) != 0) return false;
  }
  return true;
}
}  // namespace

TEST(TIEVirtualImageList, StoresAndLendsImages) {
  TIEVirtualImageList list("TST");
  auto colour = Picture(17, 9);
  auto mono = Picture(33, 5, ieMono1, 3);
  TIEVirtualImageEntry* c = list.AddBitmap(colour.get());
  TIEVirtualImageEntry* m = list.AddBitmap(mono.get());
  ASSERT_TRUE(c && m);
  TIEBitmap* bc = list.GetBitmap(c);
  ASSERT_TRUE(bc);
  EXPECT_TRUE(SameRows(bc, colour.get()));
  EXPECT_EQ(list.GetBitmap(c), bc);  // shared
  TIEBitmap* bm = list.GetBitmap(m);
  EXPECT_EQ(bm->PixelFormat(), ieMono1);
  EXPECT_TRUE(SameRows(bm, mono.get()));
  EXPECT_TRUE(c->InUse);
  // The bottom row comes first.
  EXPECT_EQ(list.GetImageBits(c), bc->GetScanline(8));

  // Written back with a new size: a new area, new dimensions.
  bc->Allocate(40, 3, ieRGB24);
  bc->SetRGB24(39, 2, MakeRGB(1, 2, 3));
  list.ReleaseBitmap(bc, true);
  EXPECT_TRUE(c->InUse);  // still lent once
  list.ReleaseBitmap(bc, false);
  EXPECT_FALSE(c->InUse);
  EXPECT_EQ(list.GetImageWidth(c), 40);
  EXPECT_EQ(list.GetSourceWidth(c), 40);
  TIEBitmap* again = list.GetBitmap(c);
  EXPECT_EQ(again->GetPixelRGB(39, 2), MakeRGB(1, 2, 3));
  list.ReleaseBitmapOfEntry(c, false);
  EXPECT_FALSE(c->InUse);
}

TEST(TIEVirtualImageList, AlphaChannel) {
  TIEVirtualImageList list("TST");
  auto img = Picture(6, 4);
  img->SetAlpha(2, 1, 99);
  TIEVirtualImageEntry* e = list.AddBitmap(img.get());
  ASSERT_NE(list.GetImageAlphaBits(e), nullptr);
  TIEBitmap* b = list.GetBitmap(e);
  ASSERT_TRUE(b->HasAlphaChannel());
  EXPECT_EQ(b->GetAlpha(2, 1), 99);
  EXPECT_EQ(b->GetAlpha(0, 0), 255);
  list.ReleaseBitmap(b, false);

  // A full alpha channel comes back as none.
  auto full = Picture(6, 4);
  full->GetAlphaChannel()->Full = true;
  TIEVirtualImageEntry* f = list.AddBitmap(full.get());
  EXPECT_EQ(list.GetImageAlphaBits(f), nullptr);
  EXPECT_FALSE(list.GetBitmap(f)->HasAlphaChannel());
}

TEST(TIEVirtualImageList, LoadedWindowGrowthAndReuse) {
  TIEVirtualImageList list("TST");
  std::vector<TIEVirtualImageEntry*> e;
  auto small = Picture(8, 8);
  for (int i = 0; i < 11; ++i) e.push_back(list.AddBitmap(small.get()));
  EXPECT_EQ(list.LoadedCount(), 10);
  EXPECT_FALSE(list.IsLoaded(e[0]));
  list.GetImageBits(e[0]);  // touching the first releases the second
  EXPECT_TRUE(list.IsLoaded(e[0]));
  EXPECT_FALSE(list.IsLoaded(e[1]));
  EXPECT_EQ(list.LoadedCount(), 10);

  // Deleting and adding one of the same size reuses the area.
  const int64_t pos = e[3]->Position;
  list.Delete(e[3]);
  TIEVirtualImageEntry* r = list.AddBitmap(small.get());
  EXPECT_EQ(r->Position, pos);

  // A 300 KB image in a new list: the file grows by its size.
  TIEVirtualImageList fresh("TST");
  EXPECT_EQ(fresh.FileSize(), 262144);
  auto big = Picture(320, 320);  // 307200 bytes
  fresh.AddBitmap(big.get());
  EXPECT_EQ(fresh.GrowStep(), 307200);
  EXPECT_EQ(fresh.FileSize(), 262144 + 307200);
  EXPECT_EQ(fresh.EndPosition(), 307200);
  TIEBitmap* back = fresh.GetBitmap(fresh.Image(0));
  EXPECT_TRUE(SameRows(back, big.get()));
  fresh.Delete(fresh.Image(0));
  EXPECT_EQ(fresh.ImageCount(), 0);
  EXPECT_EQ(fresh.EndPosition(), 0);
  EXPECT_EQ(fresh.FileSize(), 307200);

  // Clear and use again.
  list.Clear();
  EXPECT_EQ(list.ImageCount(), 0);
  TIEVirtualImageEntry* n = list.AddBitmap(small.get());
  EXPECT_TRUE(SameRows(list.GetBitmap(n), small.get()));
}
