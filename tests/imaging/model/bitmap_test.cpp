#include "imaging/model/TIEBitmap.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEFileBuffer.h"
#include "rtl/Exception.h"

namespace {
// Images below this stay in memory, above it go to a temporary file.
constexpr int64_t kSmallThreshold = 10000;

struct ThresholdScope {
  explicit ThresholdScope(int64_t v) : saved(GlobalMemoryThreshold()) { SetGlobalMemoryThreshold(v); }
  ~ThresholdScope() { SetGlobalMemoryThreshold(saved); }
  int64_t saved;
};
}  // namespace

TEST(TIEBitmap, NewImageThresholdFollowsAvailableMemory) {
  ThresholdScope scope(-1);
  int64_t before = AvailablePhysicalMemory();
  TIEBitmap b;
  int64_t after = AvailablePhysicalMemory();
  // Other processes move the figure; the threshold is half of it at some
  // moment between the two readings (or the fixed fallback).
  if (before > 0 && after > 0) {
    EXPECT_GE(b.MemoryThreshold, std::min(before, after) / 2 - (64 << 20));
    EXPECT_LE(b.MemoryThreshold, std::max(before, after) / 2 + (64 << 20));
  } else {
    EXPECT_EQ(b.MemoryThreshold, 0x2000000);
  }
  SetGlobalMemoryThreshold(12345);
  TIEBitmap c;
  EXPECT_EQ(c.MemoryThreshold, 12345);
}

TEST(TIEBitmap, AllocateLaysRowsBottomUpInMemory) {
  TIEBitmap b;
  b.Allocate(100, 100, ieRGB24);
  EXPECT_EQ(b.RowLen(), 300);
  EXPECT_EQ(b.Location(), ieMemory);
  EXPECT_EQ(b.GetScanline(0) - b.GetScanline(99), 300 * 99);  // row 0 at the highest address
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b.GetScanline(99)) % 32, 0u);
  // New pixels are defined: zero.
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 300; ++x) ASSERT_EQ(b.GetScanline(y)[x], 0);
}

TEST(TIEBitmap, RowLengthsAndSizesDoNotWrapAt32Bits) {
  TIEBitmap b;
  b.Allocate(1, 1, ieMono1);
  EXPECT_EQ(b.RowLen(), 4);
  // 70000 x 70000 24-bit rows would overflow a 32-bit product; the row
  // length itself is exact and the image either fits somewhere or fails
  // cleanly with an exception, never with a wrapped size.
  TIEBitmap huge;
  huge.MemoryThreshold = 0;  // straight to a sparse temporary file
  // A temporary file is not made larger than its folder's free room; then
  // the image lives elsewhere.
  const bool room = TempFolderFreeBytes() > int64_t{210000} * 70000;
  try {
    huge.Allocate(70000, 70000, ieRGB24);
    EXPECT_EQ(huge.RowLen(), 210000);
    EXPECT_EQ(huge.Location() == ieTempFile, room);
    huge.GetScanline(69999)[0] = 7;
    EXPECT_EQ(huge.GetScanline(69999)[0], 7);
  } catch (const Exception&) {
    EXPECT_TRUE(huge.IsEmpty());
  }
}

TEST(TIEBitmap, LargeImageGoesToAnUnlinkedTemporaryFile) {
  ThresholdScope scope(kSmallThreshold);
  TIEBitmap b;
  b.SetLocation(ieMemory);
  b.Allocate(200, 100, ieRGB24);  // 60000 bytes > threshold
  EXPECT_EQ(b.Location(), ieTempFile);
  std::string name = b.FileBuffer()->FileName();
  EXPECT_NE(name.find("/IMG-"), std::string::npos);
  EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
  struct stat st;
  EXPECT_NE(::stat(name.c_str(), &st), 0) << "plain pixels must not stay reachable on disk";
  // Rows round-trip through the file one at a time.
  for (int y = 0; y < 100; ++y) b.SetRGB24(5, y, MakeRGB(y, 2, 3));
  for (int y = 0; y < 100; ++y) ASSERT_EQ(b.GetRGB24(5, y), MakeRGB(y, 2, 3));
}

TEST(TIEBitmap, LocationMovesKeepPixelsAndPalette) {
  ThresholdScope scope(kSmallThreshold);
  TIEBitmap b;
  b.Allocate(50, 40, iePalette8);
  EXPECT_EQ(b.Location(), ieMemory);
  b.SetPaletteEntry(3, MakeRGB(1, 2, 3));
  b.SetByte(7, 9, 3);
  b.MemoryThreshold = 100;  // make the file the only choice
  b.SetLocation(ieTempFile);
  EXPECT_EQ(b.Location(), ieTempFile);
  EXPECT_EQ(b.GetByte(7, 9), 3);
  EXPECT_EQ(b.GetPaletteEntry(3), MakeRGB(1, 2, 3));
}

TEST(TIEBitmap, AssignCopiesPixelsAlphaAndPaletteBetweenLocations) {
  ThresholdScope scope(kSmallThreshold);
  for (bool source_on_disk : {false, true}) {
    for (bool target_on_disk : {false, true}) {
      TIEBitmap src;
      src.MemoryThreshold = source_on_disk ? 0 : 1 << 30;
      src.Allocate(30, 20, ieRGB24);
      src.SetRGB24(29, 19, MakeRGB(9, 8, 7));
      src.SetAlpha(1, 1, 100);
      TIEBitmap dst;
      dst.MemoryThreshold = target_on_disk ? 0 : 1 << 30;
      dst.Assign(&src);
      EXPECT_EQ(dst.Location(), target_on_disk ? ieTempFile : ieMemory);
      EXPECT_EQ(dst.GetRGB24(29, 19), MakeRGB(9, 8, 7));
      ASSERT_TRUE(dst.HasAlphaChannel());
      EXPECT_EQ(dst.GetAlpha(1, 1), 100);
      EXPECT_EQ(dst.GetAlpha(0, 0), 255);
    }
  }
}

TEST(TIEBitmap, GetAlphaCreatesAFullChannel) {
  TIEBitmap b;
  b.Allocate(4, 4, ieRGB24);
  EXPECT_FALSE(b.HasAlphaChannel());
  EXPECT_EQ(b.GetAlpha(2, 2), 255);
  ASSERT_TRUE(b.HasAlphaChannel());
  EXPECT_TRUE(b.GetAlphaChannel()->Full);
  EXPECT_EQ(b.GetAlphaChannel()->GetAlphaChannel(), nullptr);  // a channel has none of its own
}

TEST(TIEBitmap, FullFlagFollowsFillAndSetters) {
  TIEBitmap b;
  b.Allocate(3, 3, ieGray8);
  b.Fill(255);
  EXPECT_TRUE(b.Full);
  b.SetByte(1, 1, 254);
  EXPECT_FALSE(b.Full);
  b.Allocate(2, 2, ie32f);
  b.Fill(0.25);
  EXPECT_FLOAT_EQ(b.GetFloat(1, 1), 0.25f);  // Fill keeps the fraction
  b.FillRect(0, 0, 0, 0, 0.75);
  EXPECT_FLOAT_EQ(b.GetFloat(0, 0), 0.0f);  // FillRect stores the integer part
}

TEST(TIEBitmap, FillByFormat) {
  TIEBitmap b;
  b.Allocate(2, 1, ieRGB24);
  b.Fill(0x0000FF);  // a colour: red in the low byte
  EXPECT_EQ(b.GetRGB24(1, 0), MakeRGB(255, 0, 0));
  b.Allocate(2, 1, ieRGB48);
  b.Fill(0xFFFFFF);
  EXPECT_EQ(b.GetRGB48(0, 0), (TRGB48{65535, 65535, 65535}));
  EXPECT_TRUE(b.Full);
  b.Allocate(9, 1, ieMono1);
  b.Fill(1);
  EXPECT_EQ(b.GetScanline(0)[1], 0xFF);
  b.FillRect(8, 0, 20, 5, 0);  // clipped to the image
  EXPECT_EQ(b.GetScanline(0)[1] & 0x80, 0);
  EXPECT_EQ(b.GetScanline(0)[0], 0xFF);
}

TEST(TIEBitmap, CopyRectClipsNegativeTargets) {
  TIEBitmap src, dst;
  src.Allocate(10, 1, ieGray8);
  for (int x = 0; x < 10; ++x) src.SetByte(x, 0, static_cast<uint8_t>(x + 1));
  dst.Allocate(10, 1, ieGray8);
  src.CopyRectTo(&dst, 0, 0, -3, 0, 10, 1);
  // From source x 3 on, three columns fewer, at target x 0.
  for (int x = 0; x < 7; ++x) EXPECT_EQ(dst.GetByte(x, 0), x + 4);
  EXPECT_EQ(dst.GetByte(7, 0), 0);
}

TEST(TIEBitmap, CopyRectMonoToMonoAndRGB) {
  TIEBitmap src, mono, rgb;
  src.Allocate(16, 1, ieMono1);
  src.GetScanline(0)[0] = 0b10100000;
  mono.Allocate(16, 1, ieMono1);
  mono.Fill(1);
  src.CopyRectTo(&mono, 0, 0, 5, 0, 3, 1);  // bits 1,0,1 to x 5..7
  EXPECT_EQ(mono.GetScanline(0)[0], 0b11111101);
  rgb.Allocate(4, 1, ieRGB24);
  src.CopyRectTo(&rgb, 0, 0, 0, 0, 4, 1);
  EXPECT_EQ(rgb.GetRGB24(0, 0), MakeRGB(255, 255, 255));
  EXPECT_EQ(rgb.GetRGB24(1, 0), MakeRGB(0, 0, 0));
}

TEST(TIEBitmap, SetWidthKeepsPaletteAndZeroFillsTheGrownPart) {
  TIEBitmap b;
  b.Allocate(3, 2, iePalette8);
  b.SetPaletteEntry(200, MakeRGB(5, 6, 7));
  b.Fill(9);
  b.SetWidth(6);
  EXPECT_EQ(b.Width(), 6);
  EXPECT_EQ(b.GetPaletteEntry(200), MakeRGB(5, 6, 7));
  EXPECT_EQ(b.GetByte(2, 1), 9);
  // The old rows' padding held fill bytes; the grown part must not show them.
  for (int x = 3; x < 6; ++x) EXPECT_EQ(b.GetByte(x, 0), 0) << x;
  b.SetHeight(4);
  EXPECT_EQ(b.GetByte(0, 3), 0);
}

TEST(TIEBitmap, ResizeCentresTheOldPixels) {
  TIEBitmap b;
  b.Allocate(4, 4, ieGray8);
  b.Fill(50);
  b.Resize(8, 4, 7, 255, 1, 0);
  const uint8_t expected[8] = {7, 7, 50, 50, 50, 50, 7, 7};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(b.GetByte(x, y), expected[x]) << x << "," << y;
  // Shrinking with the right edge kept.
  b.Resize(2, 4, 0, 255, 2, 0);
  EXPECT_EQ(b.GetByte(0, 0), 7);
  EXPECT_EQ(b.GetByte(1, 0), 7);
}

TEST(TIEBitmap, MoveDataToHandsOverEverything) {
  TIEBitmap a, b;
  a.Allocate(5, 5, ieRGB24);
  a.SetRGB24(4, 4, MakeRGB(1, 1, 1));
  a.SetAlpha(0, 0, 3);
  uint8_t* rows = a.GetScanline(4);
  a.MoveDataTo(&b);
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_FALSE(a.HasAlphaChannel());
  EXPECT_EQ(b.GetScanline(4), rows);  // pointers moved, not copied
  EXPECT_EQ(b.GetAlpha(0, 0), 3);
}

TEST(TIEBitmap, EncapsulatedMemoryStaysTheCallers) {
  std::vector<uint8_t> block(8 * 2, 0);
  block[0] = 42;  // bottom row first
  {
    TIEBitmap b;
    b.EncapsulateMemory(block.data(), 8, 2, ieGray8, true);
    EXPECT_EQ(b.GetByte(0, 1), 42);
    b.SetByte(1, 0, 43);
  }
  EXPECT_EQ(block[8 + 1], 43);  // not freed, written through
}

TEST(TIEBitmap, ImageTests) {
  TIEBitmap b;
  b.Allocate(3, 2, ieGray8);
  EXPECT_TRUE(IsBlankBitmap(&b));
  b.Fill(255);
  b.Full = false;
  SyncAlphaFull(&b);
  EXPECT_TRUE(b.Full);
  TIEBitmap c;
  c.Allocate(2, 1, ieRGB24);
  c.SetRGB24(0, 0, MakeRGB(4, 4, 4));
  EXPECT_TRUE(IsGrayScaleImage(&c));
  c.SetRGB24(1, 0, MakeRGB(4, 5, 4));
  EXPECT_FALSE(IsGrayScaleImage(&c));
}

TEST(TIEBitmap, AlphaChannelLivesWhereItsImageLivesAndIsFilledOnlyWhenAskedFor) {
  TIEBitmap b;
  b.MemoryThreshold = 20000;
  b.Allocate(100, 100, ieRGB24);  // 30000 bytes: a temporary file
  ASSERT_EQ(b.Location(), ieTempFile);
  // 10000 bytes would fit memory, but the image went to disk: so does it.
  EXPECT_EQ(b.GetAlphaChannel()->Location(), ieTempFile);
  EXPECT_EQ(b.GetAlpha(99, 99), 255);
  EXPECT_TRUE(b.GetAlphaChannel()->Full);

  // For a reader that writes every row: no fill first.
  TIEBitmap* a = b.AllocateAlphaChannel();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b.GetAlphaChannel());
  EXPECT_EQ(a->Location(), ieTempFile);
  EXPECT_FALSE(a->Full);
  EXPECT_EQ(a->Width(), 100);
  EXPECT_EQ(b.GetAlpha(50, 50), 0);
  EXPECT_EQ(a->AllocateAlphaChannel(), nullptr) << "an alpha channel has none of its own";

  TIEBitmap m;
  m.MemoryThreshold = 1 << 20;
  m.Allocate(100, 100, ieRGB24);
  EXPECT_EQ(m.AllocateAlphaChannel()->Location(), ieMemory);
}
