#include <gtest/gtest.h>

#include <cstring>

#include "platform/SysInfo.h"
#include "rtl/TypInfo.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"
#include "ui/TColor.h"
#include "ui/TPicture.h"

namespace {

// Blue, green, red of pixel x of a 24-bit row.
uint32_t Px24(TBitmap& b, int x, int y) {
  auto* p = static_cast<uint8_t*>(b.ScanLine(y)) + 3 * x;
  return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

TEST(Colors, SystemColoursResolveOthersPassThrough) {
  EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
  EXPECT_EQ(ColorToRGB(clBlue), RGB(0, 0, 255));
  EXPECT_EQ(ColorToRGB(clNone), 0x1FFFFFFFu);
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
  EXPECT_EQ(ColorToRGB(clHighlightText), GetSysColor(COLOR_HIGHLIGHTTEXT));
  EXPECT_LT(clWindow, 0);
  EXPECT_EQ(clWindow & 0xFF, COLOR_WINDOW);
}

TEST(Tools, FontDefaultsSizeAndChangeNotices) {
  TFont f;
  EXPECT_EQ(f.Name(), "MS Sans Serif");
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.Size(), 8);
  EXPECT_EQ(f.Color(), clWindowText);
  int changes = 0;
  f.OnChange = [&](TObject*) { ++changes; };
  f.SetSize(10);
  EXPECT_EQ(f.Height(), -13);
  f.SetStyle(TFontStyles{fsBold, fsUnderline});
  f.SetName("Verdana");
  f.SetName("Verdana");  // unchanged: no notice
  EXPECT_EQ(changes, 3);
  LOGFONT lf;
  ASSERT_EQ(GetObject(f.Handle(), sizeof lf, &lf), int(sizeof lf));
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_STREQ(lf.lfFaceName, "Verdana");
  // A turned copy through the platform font.
  lf.lfEscapement = lf.lfOrientation = 900;
  TFont g;
  g.SetHandle(CreateFontIndirect(&lf));
  EXPECT_EQ(g.Orientation(), 900);
  EXPECT_TRUE(g.Style().Contains(fsBold));
  TFont h;
  h.Assign(&f);
  EXPECT_EQ(h.Height(), -13);
  EXPECT_EQ(h.Name(), "Verdana");
}

TEST(Tools, ChangingSelectedToolsLeaksNothing) {
  TBitmap b;
  b.SetSize(8, 8);
  TCanvas* c = b.Canvas();
  c->FillRect(TRect{0, 0, 8, 8});
  int before = GdiObjectCount();
  for (int i = 0; i < 50; ++i) {
    c->Brush()->SetColor(TColor(i));
    c->Pen()->SetColor(TColor(i));
    c->Font()->SetHeight(-10 - (i % 3));
    c->Rectangle(0, 0, 8, 8);
    c->TextOut(0, 0, "x");
  }
  EXPECT_LE(GdiObjectCount(), before + 3);
}

TEST(Canvas, DrawsIntoBitmapRowsBottomUp) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(10, 6);
  EXPECT_EQ(b.HandleType(), bmDIB);
  EXPECT_EQ(b.RowLength(), 32);  // 30 bytes padded to 32
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect{0, 0, 10, 6});
  c->Brush()->SetColor(clRed);
  c->FillRect(TRect{2, 1, 5, 3});
  EXPECT_EQ(Px24(b, 2, 1), 0xFF0000u);
  EXPECT_EQ(Px24(b, 5, 1), 0xFFFFFFu);
  EXPECT_EQ(Px24(b, 2, 3), 0xFFFFFFu);
  // Rows are stored bottom-up.
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(0)) - static_cast<uint8_t*>(b.ScanLine(1)), 32);
  EXPECT_THROW(b.ScanLine(6), EInvalidGraphicOperation);
  EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
  // Writing a row shows on the canvas.
  auto* row = static_cast<uint8_t*>(b.ScanLine(5));
  row[0] = 0x10;
  row[1] = 0x20;
  row[2] = 0x30;
  EXPECT_EQ(c->Pixels(0, 5), TColor(RGB(0x30, 0x20, 0x10)));
  // Lines leave out their end point.
  c->Pen()->SetColor(clBlue);
  c->MoveTo(0, 4);
  c->LineTo(10, 4);
  c->MoveTo(0, 0);
  c->LineTo(4, 0);
  EXPECT_EQ(Px24(b, 3, 0), 0x0000FFu);
  EXPECT_EQ(Px24(b, 4, 0), 0xFFFFFFu);
  EXPECT_EQ(c->PenPos(), (TPoint{4, 0}));
}

TEST(Canvas, TextMeasuresAndClips) {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(60, 20);
  TCanvas* c = b.Canvas();
  c->Font()->SetName("Tahoma");
  c->Font()->SetHeight(-11);
  TEXTMETRIC tm;
  GetTextMetrics(c->Handle(), &tm);
  EXPECT_EQ(c->TextHeight("Ag"), tm.tmHeight);
  EXPECT_GT(c->TextWidth("Hello"), c->TextWidth("Hell"));
  EXPECT_EQ(c->TextWidth(""), 0);
  // TextRect paints its rectangle with the brush and keeps to it.
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect{0, 0, 60, 20});
  c->Brush()->SetColor(clYellow);
  c->TextRect(TRect{5, 5, 15, 15}, 5, 5, "WWWWWWW");
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x) {
      bool inside = x >= 5 && x < 15 && y >= 5 && y < 15;
      if (!inside) {
        ASSERT_EQ(c->Pixels(x, y), clWhite) << x << "," << y;
      }
    }
  EXPECT_NE(c->Pixels(5, 5), clWhite);
  // TextOut moves the pen position to the end of the text.
  c->TextOut(2, 2, "ab");
  EXPECT_EQ(c->PenPos().X, 2 + c->TextWidth("ab"));
}

TEST(Bitmap, PixelFormatsPalettesAndConversion) {
  TBitmap b;
  b.SetPixelFormat(pf8bit);
  b.SetSize(4, 2);
  std::vector<RGBQUAD> pal(256, RGBQUAD{0, 0, 0, 0});
  pal[7] = RGBQUAD{30, 20, 10, 0};
  b.SetColors(pal);
  static_cast<uint8_t*>(b.ScanLine(0))[1] = 7;
  EXPECT_EQ(b.Canvas()->Pixels(1, 0), TColor(RGB(10, 20, 30)));
  // Growing keeps indexes and palette.
  b.SetSize(6, 3);
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(0))[1], 7);
  EXPECT_EQ(b.Colors()[7].rgbRed, 10);
  HPALETTE p = b.Palette();
  PALETTEENTRY e;
  ASSERT_EQ(GetPaletteEntries(p, 7, 1, &e), 1u);
  EXPECT_EQ(e.peBlue, 30);
  // Entries set through the bitmap's palette reach its colour table.
  PALETTEENTRY green{0, 200, 0, 0};
  EXPECT_EQ(SetPaletteEntries(p, 7, 1, &green), 1u);
  EXPECT_EQ(b.Canvas()->Pixels(1, 0), TColor(RGB(0, 200, 0)));
  // To 24 bits the colours come along; to 1 bit they become black or white.
  b.SetPixelFormat(pf24bit);
  EXPECT_EQ(Px24(b, 1, 0), 0x00C800u);
  b.Canvas()->Brush()->SetColor(clWhite);
  b.Canvas()->FillRect(TRect{3, 0, 6, 3});
  b.SetPixelFormat(pf1bit);
  EXPECT_EQ(b.RowLength(), 4);
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(0))[0] & 0xFC, 0x1C);  // pixels 3..5 set (white)
  // 15 and 16 bits keep colours to their precision.
  for (TPixelFormat f : {pf15bit, pf16bit, pf32bit, pf4bit}) {
    TBitmap c;
    c.SetPixelFormat(f);
    c.SetSize(2, 2);
    c.Canvas()->Brush()->SetColor(clRed);
    c.Canvas()->FillRect(TRect{0, 0, 2, 2});
    EXPECT_EQ(c.Canvas()->Pixels(1, 1), clRed) << int(f);
    EXPECT_EQ(c.PixelFormat(), f);
  }
}

TEST(Bitmap, AssignDrawStretchAndTransparency) {
  TBitmap src;
  src.SetPixelFormat(pf24bit);
  src.SetSize(2, 2);
  src.Canvas()->Brush()->SetColor(clLime);
  src.Canvas()->FillRect(TRect{0, 0, 2, 2});
  src.Canvas()->SetPixels(0, 1,
                          clFuchsia);  // the bottom-left pixel: the automatic transparent colour
  TBitmap copy;
  copy.Assign(&src);
  EXPECT_EQ(copy.Width(), 2);
  EXPECT_EQ(copy.PixelFormat(), pf24bit);
  EXPECT_EQ(Px24(copy, 0, 1), 0xFF00FFu);
  copy.Canvas()->SetPixels(1, 1, clBlue);
  EXPECT_EQ(Px24(src, 1, 1), 0x00FF00u);  // the copy is independent

  TBitmap dst;
  dst.SetPixelFormat(pf24bit);
  dst.SetSize(8, 8);
  TCanvas* c = dst.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect{0, 0, 8, 8});
  c->StretchDraw(TRect{0, 0, 8, 8}, &src);
  EXPECT_EQ(Px24(dst, 7, 0), 0x00FF00u);
  EXPECT_EQ(Px24(dst, 0, 7), 0xFF00FFu);
  c->FillRect(TRect{0, 0, 8, 8});
  src.SetTransparent(true);
  EXPECT_EQ(src.TransparentColor(), clFuchsia);
  c->Draw(3, 3, &src);
  EXPECT_EQ(Px24(dst, 3, 4), 0xFFFFFFu);  // transparent pixel left alone
  EXPECT_EQ(Px24(dst, 4, 4), 0x00FF00u);
  // CopyRect copies between canvases with the copy mode.
  TBitmap other;
  other.SetPixelFormat(pf24bit);
  other.SetSize(8, 8);
  other.Canvas()->CopyRect(TRect{0, 0, 8, 8}, c, TRect{0, 0, 8, 8});
  EXPECT_EQ(Px24(other, 4, 4), 0x00FF00u);
  other.Canvas()->SetCopyMode(cmDstInvert);
  other.Canvas()->CopyRect(TRect{0, 0, 8, 8}, c, TRect{0, 0, 8, 8});
  EXPECT_EQ(Px24(other, 4, 4), 0xFF00FFu);
}

TEST(Bitmap, MonochromeMasksDrawBlackOnWhite) {
  TBitmap m;
  m.SetMonochrome(true);
  m.SetSize(4, 1);
  EXPECT_EQ(m.PixelFormat(), pf1bit);
  m.Canvas()->Brush()->SetColor(clWhite);
  m.Canvas()->FillRect(TRect{0, 0, 2, 1});
  m.Canvas()->Brush()->SetColor(clBlack);
  m.Canvas()->FillRect(TRect{2, 0, 4, 1});
  TBitmap d;
  d.SetPixelFormat(pf24bit);
  d.SetSize(4, 1);
  d.Canvas()->Font()->SetColor(clRed);
  d.Canvas()->Draw(0, 0, &m);
  EXPECT_EQ(Px24(d, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(Px24(d, 3, 0), 0x000000u);
}

TEST(Picture, HoldsACopyAndMakesBitmaps) {
  TPicture p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  TBitmap* b = p.Bitmap();
  ASSERT_NE(b, nullptr);
  b->SetSize(3, 2);
  EXPECT_EQ(p.Width(), 3);
  EXPECT_GE(changes, 2);
  TPicture q;
  q.Assign(&p);
  EXPECT_EQ(q.Height(), 2);
  EXPECT_NE(q.Graphic(), p.Graphic());
  q.SetGraphic(nullptr);
  EXPECT_EQ(q.Width(), 0);
}

TEST(Bitmap, StreamsGoThroughTheRegisteredFormat) {
  TBitmap b;
  TMemoryStream m;
  EXPECT_THROW(b.LoadFromStream(&m), EInvalidGraphicOperation);
  int loads = 0;
  RegisterBitmapStreamFormat([&](TBitmap* bm, TStream*) { ++loads, bm->SetSize(2, 3); },
                             [&](TBitmap*, TStream* s) { s->WriteBuffer("BM", 2); });
  b.LoadFromStream(&m);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(b.Height(), 3);
  b.SaveToStream(&m);
  EXPECT_EQ(m.Size(), 2);
  RegisterBitmapStreamFormat(nullptr, nullptr);
  EXPECT_THROW(b.SaveToStream(&m), EInvalidGraphicOperation);
}

TEST(Bitmap, PatternBitmapsMakeDitherBrushes) {
  TBitmap* p = AllocPatternBitmap(clBtnFace, clBtnHighlight);
  EXPECT_EQ(p, AllocPatternBitmap(clBtnFace, clBtnHighlight));
  EXPECT_NE(p, AllocPatternBitmap(clBtnHighlight, clBtnFace));
  EXPECT_EQ(p->Width(), 8);
  TBitmap d;
  d.SetPixelFormat(pf24bit);
  d.SetSize(4, 2);
  d.Canvas()->Brush()->SetBitmap(p);
  d.Canvas()->FillRect(TRect{0, 0, 4, 2});
  EXPECT_EQ(d.Canvas()->Pixels(0, 0), TColor(ColorToRGB(clBtnFace)));
  EXPECT_EQ(d.Canvas()->Pixels(1, 0), TColor(ColorToRGB(clBtnHighlight)));
  EXPECT_EQ(d.Canvas()->Pixels(1, 1), TColor(ColorToRGB(clBtnFace)));
  d.Canvas()->Brush()->SetBitmap(nullptr);
}

TEST(Canvas, LockCounts) {
  TCanvas c;
  c.Lock();
  c.Lock();
  EXPECT_EQ(c.LockCount(), 2);
  c.Unlock();
  c.Unlock();
  EXPECT_EQ(c.LockCount(), 0);
  // A bare canvas has no surface to draw on.
  EXPECT_THROW(c.FillRect(TRect{0, 0, 1, 1}), EInvalidOperation);
}

}  // namespace

TEST(FontReflection, PublishedFontPropertiesByName) {
  TFont font;
  SetPropPathText(&font, "Name", "Verdana");
  SetPropPathText(&font, "Size", "12");
  SetPropPathText(&font, "Style", "[fsBold,fsItalic]");
  SetPropPathText(&font, "Color", "clRed");
  SetPropPathText(&font, "Charset", "238");
  EXPECT_EQ(font.Name(), "Verdana");
  EXPECT_EQ(font.Size(), 12);
  EXPECT_TRUE(font.Style().Contains(fsItalic));
  EXPECT_EQ(font.Color(), clRed);
  EXPECT_EQ(font.Charset(), 238);
  EXPECT_EQ(GetPropPathText(&font, "Style"), "fsBold,fsItalic");
  EXPECT_EQ(GetPropPathText(&font, "Color"), "255");  // written as its value
}
