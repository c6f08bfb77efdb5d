// Images whose rows live in a platform bitmap.
#include <gtest/gtest.h>

#include "imaging/model/ColorReduction.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/RenderEngine.h"
#include "imaging/model/PlatformBitmaps.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Exception.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"

TEST(TIEBitmapPlatform, FormatsAPlatformBitmapHolds) {
  TIEBitmap b;
  b.SetLocation(ieTBitmap);
  b.Allocate(10, 10, ieGray16);
  EXPECT_EQ(b.PixelFormat(), ieGray8);
  EXPECT_EQ(b.BitCount(), 8);
  EXPECT_EQ(b.Location(), ieTBitmap);
  EXPECT_TRUE(IsGrayPaletteBitmap(b.GetPlatformBitmap()));
  try {
    b.Allocate(10, 10, ieCMYK);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "ieCMYK pixel format not allowed when Location=ieTBitmap");
  }
}

TEST(TIEBitmapPlatform, PixelsSurviveTheMoveAndTheCanvasDrawsOnThem) {
  TIEBitmap b;
  b.Allocate(7, 5, ieRGB24);
  b.SetRGB24(6, 4, MakeRGB(10, 20, 30));
  TBitmap* bitmap = b.GetPlatformBitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(b.Location(), ieTBitmap);
  EXPECT_EQ(b.GetRGB24(6, 4), MakeRGB(10, 20, 30));
  EXPECT_EQ(bitmap->PixelFormat(), pf24bit);
  TCanvas* canvas = b.GetCanvas();
  canvas->Brush()->SetColor(clRed);
  canvas->FillRect(TRect{0, 0, 2, 1});
  EXPECT_EQ(b.GetRGB24(1, 0), MakeRGB(255, 0, 0));
  EXPECT_EQ(b.GetRGB24(2, 0), MakeRGB(0, 0, 0));
  // And back to memory with the drawn pixels.
  b.SetLocation(ieMemory);
  EXPECT_EQ(b.GetRGB24(0, 0), MakeRGB(255, 0, 0));
}

TEST(TIEBitmapPlatform, PaletteAndWidthChanges) {
  TIEBitmap b;
  b.SetLocation(ieTBitmap);
  b.Allocate(4, 2, iePalette8);
  b.SetPaletteEntry(3, MakeRGB(1, 2, 3));
  b.SetByte(0, 0, 3);
  b.SetWidth(9);
  EXPECT_EQ(b.GetWidth(), 9);
  EXPECT_EQ(b.GetPaletteEntry(3), MakeRGB(1, 2, 3));
  EXPECT_EQ(b.GetPixelRGB(0, 0), MakeRGB(1, 2, 3));
  EXPECT_EQ(b.GetByte(8, 0), 0);
}

TEST(TIEBitmapPlatform, ConvertsInPlace) {
  TIEBitmap b;
  b.SetLocation(ieTBitmap);
  b.Allocate(3, 1, ieRGB24);
  b.SetRGB24(0, 0, MakeRGB(255, 0, 0));
  b.SetPixelFormat(ieGray8);
  EXPECT_EQ(b.GetPixelFormat(), ieGray8);
  EXPECT_EQ(b.GetByte(0, 0), 53);
  EXPECT_EQ(b.GetPlatformBitmap()->PixelFormat(), pf8bit);
}

TEST(TIEBitmapPlatform, ImportsBitmapsOfEveryDepth) {
  TBitmap src;
  src.SetPixelFormat(pf16bit);
  src.SetSize(2, 1);
  auto* row = static_cast<uint8_t*>(src.ScanLine(0));
  row[0] = 0x00;
  row[1] = 0xF8;  // 5-6-5 red
  TIEBitmap b;
  b.CopyFromTBitmap(&src);
  EXPECT_EQ(b.PixelFormat(), ieRGB24);
  EXPECT_EQ(b.GetRGB24(0, 0), MakeRGB(248, 0, 0));

  TBitmap nibbles;
  nibbles.SetPixelFormat(pf4bit);
  nibbles.SetSize(3, 1);
  static_cast<uint8_t*>(nibbles.ScanLine(0))[0] = 0x5A;
  TIEBitmap p;
  p.CopyFromTBitmap(&nibbles);
  EXPECT_EQ(p.PixelFormat(), iePalette8);
  EXPECT_EQ(p.GetByte(0, 0), 5);  // the high nibble is the left pixel
  EXPECT_EQ(p.GetByte(1, 0), 10);
}

TEST(TIEBitmapPlatform, EncapsulatedBitmapStaysTheCallers) {
  TBitmap* mine = new TBitmap();
  mine->SetPixelFormat(pf24bit);
  mine->SetSize(4, 4);
  {
    TIEBitmap b;
    b.EncapsulateTBitmap(mine, true);
    EXPECT_EQ(b.PixelFormat(), ieRGB24);
    EXPECT_TRUE(b.ExternalBitmap());
    b.SetRGB24(0, 0, MakeRGB(9, 9, 9));
  }
  EXPECT_EQ(static_cast<uint8_t*>(mine->ScanLine(0))[0], 9);
  mine->Free();
}

TEST(TIEBitmapPlatform, FillResolvesSystemColours) {
  TIEBitmap b;
  b.Allocate(1, 1, ieRGB24);
  b.Fill(clBtnFace);
  EXPECT_EQ(b.GetRGB24(0, 0), MakeRGB(212, 208, 200));
}

// A 1-bit platform bitmap of odd widths becomes 24 bits: set bits white.
TEST(TIEBitmapPlatform, ExpandMono1ToRGB24) {
  for (int32_t w : {1, 7, 8, 9, 13, 24, 31}) {
    TBitmap mono, rgb;
    mono.SetPixelFormat(pf1bit);
    mono.SetSize(w, 3);
    for (int32_t y = 0; y < 3; ++y) {
      auto* row = static_cast<uint8_t*>(mono.ScanLine(y));
      for (int32_t i = 0; i < (w + 7) / 8; ++i) row[i] = static_cast<uint8_t>(0x9D * (i + 1) + 37 * y);
    }
    rgb.SetPixelFormat(pf8bit);
    rgb.SetSize(50, 50);
    int32_t reports = 0;
    TProgressRec progress;
    progress.OnProgress = [&](TObject*, int32_t) { ++reports; };
    progress.Start(3);
    ExpandMono1ToRGB24(&mono, &rgb, &progress);
    EXPECT_EQ(reports, 3);
    ASSERT_EQ(rgb.PixelFormat(), pf24bit);
    ASSERT_EQ(rgb.Width(), w);
    ASSERT_EQ(rgb.Height(), 3);
    for (int32_t y = 0; y < 3; ++y) {
      const auto* bits = static_cast<const uint8_t*>(mono.ScanLine(y));
      const auto* px = static_cast<const uint8_t*>(rgb.ScanLine(y));
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t want = (bits[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
        for (int k = 0; k < 3; ++k) ASSERT_EQ(px[x * 3 + k], want) << "w " << w << " at " << x << "," << y;
      }
    }
  }
  // Only 1-bit sources are expanded.
  TBitmap grey, target;
  grey.SetPixelFormat(pf8bit);
  grey.SetSize(4, 4);
  target.SetPixelFormat(pf8bit);
  target.SetSize(2, 2);
  ExpandMono1ToRGB24(&grey, &target);
  EXPECT_EQ(target.PixelFormat(), pf8bit);
  EXPECT_EQ(target.Width(), 2);
}

// Rendering into a platform bitmap draws what rendering into an image does,
// zoomed, clipped and blended alike; the bitmap stays the caller's.
TEST(TIEBitmapPlatform, RenderToTBitmapMatchesTheImageRoad) {
  TIEBitmap source;
  source.Allocate(9, 7, ieRGB24);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 9; ++x)
      source.SetRGB24(x, y, MakeRGB(static_cast<uint8_t>(x * 28), static_cast<uint8_t>(y * 36), static_cast<uint8_t>(x * y)));
  struct Case {
    int32_t xd, yd, wd, hd, xs, ys, ws, hs, transparency;
  };
  const Case cases[] = {{0, 0, 20, 15, 0, 0, 9, 7, 255}, {-3, 2, 30, 9, 1, 1, 6, 5, 255}, {5, -4, 8, 30, 0, 2, 9, 5, 128}};
  for (const Case& c : cases) {
    TBitmap* bitmap = new TBitmap();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(17, 13);
    bitmap->Canvas()->Brush()->SetColor(clTeal);
    bitmap->Canvas()->FillRect(TRect{0, 0, 17, 13});
    TIEBitmap expected;
    expected.Allocate(17, 13, ieRGB24);
    expected.Fill(clTeal);
    RenderToTIEBitmap(&source, &expected, c.xd, c.yd, c.wd, c.hd, c.xs, c.ys, c.ws, c.hs, c.transparency);
    RenderToTBitmap(&source, bitmap, c.xd, c.yd, c.wd, c.hd, c.xs, c.ys, c.ws, c.hs, c.transparency);
    ASSERT_EQ(bitmap->Width(), 17);
    for (int32_t y = 0; y < 13; ++y) {
      const auto* row = static_cast<const uint8_t*>(bitmap->ScanLine(y));
      for (int32_t x = 0; x < 17; ++x) {
        const TRGB want = expected.GetRGB24(x, y);
        ASSERT_EQ((TRGB{row[x * 3], row[x * 3 + 1], row[x * 3 + 2]}), want) << x << "," << y;
      }
    }
    bitmap->Free();
  }
  // A platform bitmap of another depth is not drawn into.
  TBitmap grey;
  grey.SetPixelFormat(pf8bit);
  grey.SetSize(4, 4);
  std::vector<uint8_t> before(static_cast<const uint8_t*>(grey.ScanLine(0)), static_cast<const uint8_t*>(grey.ScanLine(0)) + 4);
  RenderToTBitmap(&source, &grey, 0, 0, 4, 4, 0, 0, 9, 7);
  EXPECT_EQ(std::vector<uint8_t>(static_cast<const uint8_t*>(grey.ScanLine(0)), static_cast<const uint8_t*>(grey.ScanLine(0)) + 4), before);
}

TEST(PlatformBitmaps, CopiesClonesAndPages) {
  TBitmap src;
  src.SetPixelFormat(pf8bit);
  src.SetSize(5, 3);
  SetGrayPaletteBitmap(&src);
  static_cast<uint8_t*>(src.ScanLine(2))[4] = 77;
  TOwned<TBitmap> copy(CloneTBitmap(&src));
  EXPECT_EQ(copy->Width(), 5);
  EXPECT_EQ(copy->PixelFormat(), pf8bit);
  EXPECT_EQ(static_cast<uint8_t*>(copy->ScanLine(2))[4], 77);
  EXPECT_TRUE(IsGrayPaletteBitmap(copy.get()));
  TBitmap empty;
  CopyTBitmapPixels(&empty, copy.get());
  EXPECT_EQ(copy->Width(), 1);

  void* p = PageAlloc(10000);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(static_cast<uint8_t*>(p)[9999], 0);
  PageFree(p);
  EXPECT_EQ(p, nullptr);

  TIEBitmap paged;
  paged.MemoryAllocator = 1;
  paged.Allocate(64, 64, ieRGB24);
  EXPECT_EQ(paged.Location(), ieMemory);
  paged.SetRGB24(63, 63, MakeRGB(1, 2, 3));
  EXPECT_EQ(paged.GetRGB24(63, 63), MakeRGB(1, 2, 3));
}
