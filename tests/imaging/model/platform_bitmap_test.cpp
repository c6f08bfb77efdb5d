// Images whose rows live in a platform bitmap.
#include <gtest/gtest.h>

#include "imaging/model/PixelHelpers.h"
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
