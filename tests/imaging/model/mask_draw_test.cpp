// Drawing a selection: outline, inversion and shading, and the DIB section.
#include <gtest/gtest.h>

#include "imaging/model/IEDrawRoutines.h"
#include "imaging/model/TIEDibbitmap.h"
#include "imaging/model/TIEMask.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"

namespace {
TBitmap* WhiteBitmap(int w, int h) {
  auto* b = new TBitmap();
  b->SetPixelFormat(pf24bit);
  b->SetSize(w, h);
  b->Canvas()->Brush()->SetColor(clWhite);
  b->Canvas()->FillRect(TRect{0, 0, w, h});
  return b;
}
uint32_t Pixel(TBitmap* b, int x, int y) {
  const uint8_t* p = static_cast<uint8_t*>(b->ScanLine(y)) + x * 3;
  return p[0] | p[1] << 8 | p[2] << 16;
}
}  // namespace

TEST(TIEMaskDrawing, OutlineIsDashedByPhase) {
  TIEMask m;
  m.AllocateBits(20, 20, 1);
  for (int y = 5; y <= 14; ++y)
    for (int x = 5; x <= 14; ++x) m.SetPixel(x, y, 1);
  TOwned<TBitmap> b(WhiteBitmap(20, 20));
  m.DrawOutline(b->Canvas(), 0, 0, 20, 20, 0, 0, 20, 20, 0, clBlack, clRed);
  // Screen pixels with (x + y) mod 8 below 4 take Colour2 (red, stored b,g,r).
  EXPECT_EQ(Pixel(b.get(), 5, 5), 0xFF0000u);   // 10 & 7 = 2
  EXPECT_EQ(Pixel(b.get(), 7, 5), 0x000000u);   // 12 & 7 = 4: Colour1
  EXPECT_EQ(Pixel(b.get(), 10, 10), 0xFFFFFFu); // inside: untouched
  EXPECT_EQ(Pixel(b.get(), 4, 5), 0xFFFFFFu);   // outside: untouched
  EXPECT_EQ(Pixel(b.get(), 14, 9), (14 + 9) % 8 < 4 ? 0xFF0000u : 0u);
}

TEST(TIEMaskDrawing, ShadeOutsideAndInvert) {
  TIEMask m;
  m.AllocateBits(8, 8, 1);
  m.SetPixel(2, 2, 1);
  TOwned<TBitmap> b(WhiteBitmap(8, 8));
  m.ShadeOutside(b.get(), 0, 0, 8, 8, 0, 0, 8, 8);
  EXPECT_EQ(Pixel(b.get(), 0, 0), 0x616161u);  // 97 grey on the even/even squares
  EXPECT_EQ(Pixel(b.get(), 1, 0), 0xFFFFFFu);
  EXPECT_EQ(Pixel(b.get(), 2, 2), 0xFFFFFFu);  // selected: not shaded

  TOwned<TBitmap> w(WhiteBitmap(8, 8));
  m.DrawInvert(w->Canvas(), 0, 0, 8, 8, 0, 0, 8, 8);
  EXPECT_EQ(Pixel(w.get(), 2, 2), 0x000000u);  // inverted where selected
  EXPECT_EQ(Pixel(w.get(), 3, 2), 0xFFFFFFu);
}

TEST(TIEDibbitmap, SectionsOfOneAndTwentyFourBits) {
  TIEDibbitmap d;
  d.Allocate(10, 10, ieGray8);
  EXPECT_EQ(d.GetWidth(), 0);  // other formats leave it empty
  d.Allocate(10, 10, ieRGB24);
  EXPECT_EQ(d.GetPixelFormat(), ieRGB24);
  EXPECT_EQ(d.GetRowLen(), 32);
  EXPECT_EQ(d.GetScanline(0) - d.GetScanline(9), 32 * 9);  // row 0 at the highest address
  d.GetScanline(0)[0] = 5;
  TIEDibbitmap copy;
  copy.Assign(&d);
  EXPECT_EQ(copy.GetScanline(0)[0], 5);
}

TEST(TIEBitmapMask, CopiesBetweenMasksAndImages) {
  TIEMask m;
  m.AllocateBits(9, 3, 8);
  m.SetPixel(4, 1, 200);
  TIEBitmap b;
  b.CopyFromTIEMask(&m);
  EXPECT_EQ(b.PixelFormat(), ieGray8);
  EXPECT_EQ(b.GetByte(4, 1), 200);
  b.SetByte(0, 2, 7);
  TIEMask back;
  TIEBitmap::CopyToTIEMask(&b, &back);
  EXPECT_EQ(back.BitsPerPixel(), 8);
  EXPECT_EQ(back.GetPixel(0, 2), 7);
  EXPECT_EQ(back.Left, 0);
  EXPECT_EQ(back.Right, 4);
  TIEBitmap full;
  full.Allocate(2, 2, ieGray8);
  full.CopyFromTIEMask(nullptr);
  EXPECT_EQ(full.GetByte(1, 1), 255);

  TIEDibbitmap d;
  d.Allocate(5, 2, ieMono1);
  d.GetScanline(1)[0] = 0x80;
  TIEBitmap fromDib;
  fromDib.CopyFromTDibBitmap(&d);
  EXPECT_EQ(fromDib.PixelFormat(), ieMono1);
  EXPECT_EQ(fromDib.GetScanline(1)[0], 0x80);
}

TEST(IEDrawRoutines, FrameAndShadows) {
  TOwned<TBitmap> b(WhiteBitmap(12, 12));
  DrawFrame3D(b->Canvas(), 1, 1, 6, 6, clRed, clBlue);
  EXPECT_EQ(Pixel(b.get(), 1, 3), 0xFF0000u);  // left edge: top-left colour (stored b,g,r)
  EXPECT_EQ(Pixel(b.get(), 3, 1), 0xFF0000u);
  EXPECT_EQ(Pixel(b.get(), 3, 6), 0x0000FFu);  // bottom edge
  EXPECT_EQ(Pixel(b.get(), 6, 3), 0x0000FFu);  // right edge
  EXPECT_EQ(Pixel(b.get(), 3, 3), 0xFFFFFFu);

  TOwned<TBitmap> s(WhiteBitmap(12, 12));
  s->Canvas()->Brush()->SetColor(clBlack);
  PaintShadowRight(s->Canvas(), 8, 0, 10, 10, 1, clBlack);  // fills (8, 3)-(10, 11)
  EXPECT_EQ(Pixel(s.get(), 8, 2), 0xFFFFFFu);
  EXPECT_EQ(Pixel(s.get(), 9, 3), 0u);
  EXPECT_EQ(Pixel(s.get(), 10, 3), 0xFFFFFFu);
  PaintShadowBottom(s->Canvas(), 0, 0, 5, 1, 3, clBlack);
  const uint32_t g = Pixel(s.get(), 1, 1);
  EXPECT_EQ(g & 0xFF, (g >> 8) & 0xFF);  // style 3 paints greys
}
