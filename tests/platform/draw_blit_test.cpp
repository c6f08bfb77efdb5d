#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/DrawDib.h"
#include "platform/PenBrush.h"
#include "platform/SysInfo.h"
#include "tests/platform/DrawTestSupport.h"

namespace {

// A memory DC holding a fresh 32-bit DIB section.
struct MemCanvas {
  HDC dc;
  HBITMAP bm;
  uint32_t* bits = nullptr;
  int32_t w, h;
  MemCanvas(int32_t width, int32_t height, int bitCount = 32) : w(width), h(height) {
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* bmi = reinterpret_cast<BITMAPINFO*>(info.data());
    bmi->bmiHeader = BITMAPINFOHEADER{};
    bmi->bmiHeader.biWidth = width;
    bmi->bmiHeader.biHeight = height;
    bmi->bmiHeader.biBitCount = WORD(bitCount);
    if (bitCount <= 8) {
      int n = 1 << bitCount;
      for (int i = 0; i < n; ++i) {
        BYTE v = BYTE(i * 255 / (n - 1));
        bmi->bmiColors[i] = RGBQUAD{v, v, v, 0};
      }
    }
    void* p = nullptr;
    bm = CreateDIBSection(nullptr, bmi, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<uint32_t*>(p);
    dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bm);
  }
  ~MemCanvas() {
    DeleteDC(dc);
    DeleteObject(bm);
  }
  // Pixel (x, y) counted from the top of a bottom-up 32-bit DIB.
  uint32_t At(int32_t x, int32_t y) const {
    return bits[size_t(h - 1 - y) * size_t(w) + size_t(x)] & 0xFFFFFF;
  }
};

TEST(Blit, RasterOperationsOnKnownPixels) {
  struct Case {
    DWORD rop;
    uint32_t expect;  // for source 0x0F0F0F, destination 0x336699, brush 0xFF0000
  };
  const uint32_t S = 0x0F0F0F, D = 0x336699, P = 0xFF0000;
  const Case cases[] = {
      {SRCCOPY, S},       {NOTSRCCOPY, ~S & 0xFFFFFF},
      {SRCAND, S & D},    {SRCPAINT, S | D},
      {SRCINVERT, S ^ D}, {DSTINVERT, ~D & 0xFFFFFF},
      {PATINVERT, P ^ D}, {PATCOPY, P},
      {BLACKNESS, 0},     {WHITENESS, 0xFFFFFF},
      {MERGECOPY, P & S}, {SRCERASE, S & ~D & 0xFFFFFF},
  };
  for (const Case& c : cases) {
    TestCanvas src(4, 4, S), dst(4, 4, D);
    HBRUSH b = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(dst.dc, b);
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, c.rop));
    EXPECT_EQ(dst.At(2, 2), c.expect) << std::hex << c.rop;
    SelectObject(dst.dc, StockBrush(WHITE_BRUSH));
    DeleteObject(b);
  }
}

TEST(Blit, InvertingTwiceRestores) {
  TestCanvas t(12, 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x)
      t.surface.Set(x, y, uint32_t(x * 20 + y * 3) * 0x010307u & 0xFFFFFF);
  Surface before = t.surface;
  HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(10, 200, 30));
  SelectObject(t.dc, hatch);
  for (DWORD rop : {DSTINVERT, PATINVERT}) {
    PatBlt(t.dc, 1, 2, 9, 7, rop);
    PatBlt(t.dc, 1, 2, 9, 7, rop);
  }
  TestCanvas src(12, 12, 0x5A5A5A);
  BitBlt(t.dc, 0, 0, 12, 12, src.dc, 0, 0, SRCINVERT);
  EXPECT_NE(t.At(0, 0), before.Get(0, 0) & 0xFFFFFF);
  BitBlt(t.dc, 0, 0, 12, 12, src.dc, 0, 0, SRCINVERT);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(t.At(x, y), before.Get(x, y) & 0xFFFFFF);
  SelectObject(t.dc, StockBrush(WHITE_BRUSH));
  DeleteObject(hatch);
}

TEST(Blit, OverlappingCopyWithinOneSurface) {
  TestCanvas t(10, 1);
  for (int x = 0; x < 10; ++x) t.surface.Set(x, 0, uint32_t(x));
  BitBlt(t.dc, 2, 0, 8, 1, t.dc, 0, 0, SRCCOPY);
  for (int x = 2; x < 10; ++x) EXPECT_EQ(t.At(x, 0), uint32_t(x - 2));
}

TEST(Blit, MonochromeExpansionUsesTextAndBackgroundColours) {
  // A monochrome mask: left half 1 (white), right half 0 (black).
  uint16_t rows[4] = {0xF0, 0xF0, 0xF0, 0xF0};
  HBITMAP mask = CreateBitmap(8, 4, 1, 1, rows);
  HDC mdc = CreateCompatibleDC(nullptr);
  SelectObject(mdc, mask);
  TestCanvas t(8, 4, 0x00FF00);
  SetTextColor(t.dc, RGB(255, 0, 0));
  SetBkColor(t.dc, RGB(0, 0, 255));
  BitBlt(t.dc, 0, 0, 8, 4, mdc, 0, 0, SRCCOPY);
  EXPECT_EQ(t.At(0, 0), 0x0000FFu);  // 1 -> background (blue)
  EXPECT_EQ(t.At(7, 0), 0xFF0000u);  // 0 -> text (red)
  // The mask idiom: where the source is white the brush, elsewhere the destination.
  TestCanvas m(8, 4, 0x00FF00);
  SetTextColor(m.dc, RGB(0, 0, 0));
  SetBkColor(m.dc, RGB(255, 255, 255));
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SelectObject(m.dc, red);
  BitBlt(m.dc, 0, 0, 8, 4, mdc, 0, 0, ROP_DSPDxax);
  EXPECT_EQ(m.At(0, 0), 0xFF0000u);
  EXPECT_EQ(m.At(7, 0), 0x00FF00u);
  SelectObject(m.dc, StockBrush(WHITE_BRUSH));
  DeleteObject(red);
  // Colour to monochrome: the source background colour becomes 1.
  TestCanvas c(8, 4, 0x123456);
  c.surface.Fill(TRect{0, 0, 3, 4}, 0xABCDEF);
  SetBkColor(c.dc, RGB(0x12, 0x34, 0x56));
  BitBlt(mdc, 0, 0, 8, 4, c.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(mdc, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(mdc, 5, 0), RGB(255, 255, 255));
  DeleteDC(mdc);
  DeleteObject(mask);
}

TEST(Blit, StretchNearestMirrorAndHalftone) {
  TestCanvas src(2, 1);
  src.surface.Set(0, 0, 0x000000);
  src.surface.Set(1, 0, 0xFFFFFF);
  TestCanvas d(8, 1);
  StretchBlt(d.dc, 0, 0, 8, 1, src.dc, 0, 0, 2, 1, SRCCOPY);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(d.At(x, 0), x < 4 ? kBlack : kWhite);
  // A negative destination width mirrors.
  StretchBlt(d.dc, 7, 0, -8, 1, src.dc, 0, 0, 2, 1, SRCCOPY);  // covers 0 .. 7
  EXPECT_EQ(d.At(0, 0), kWhite);
  EXPECT_EQ(d.At(7, 0), kBlack);
  // Halftone shrinking averages: a 2 x 2 checker becomes mid grey.
  TestCanvas ck(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) ck.surface.Set(x, y, ((x + y) & 1) ? 0xFFFFFF : 0);
  TestCanvas h(2, 2);
  SetStretchBltMode(h.dc, HALFTONE);
  StretchBlt(h.dc, 0, 0, 2, 2, ck.dc, 0, 0, 4, 4, SRCCOPY);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(h.At(x, y), 0x808080u);
}

TEST(Blit, DibDrawingOfAllDepths) {
  // A 4 x 2 image: top row red, green, blue, white; bottom row black.
  const uint32_t top[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    MemCanvas m(4, 2, bits);
    if (bits <= 8) {
      // Palette images: a palette holding the colours.
      RGBQUAD pal[16] = {};
      pal[0] = RGBQUAD{0, 0, 0, 0};
      pal[1] = RGBQUAD{0, 0, 255, 0};
      pal[2] = RGBQUAD{0, 255, 0, 0};
      pal[3] = RGBQUAD{255, 0, 0, 0};
      pal[4] = RGBQUAD{255, 255, 255, 0};
      SetDIBColorTable(m.dc, 0, bits == 1 ? 2 : (bits == 4 ? 16 : 5), pal);
      if (bits == 1) {
        pal[1] = RGBQUAD{255, 255, 255, 0};
        SetDIBColorTable(m.dc, 0, 2, pal);
      }
    }
    for (int x = 0; x < 4; ++x) {
      uint32_t c = bits == 1 ? (x == 3 ? 0xFFFFFF : 0) : top[x];
      SetPixel(m.dc, x, 0, PixelToColorRef(c));
      SetPixel(m.dc, x, 1, RGB(0, 0, 0));
    }
    // Read the pixels back as a 32-bit DIB and draw them with StretchDIBits.
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 16);
    auto* bmi = reinterpret_cast<BITMAPINFO*>(info.data());
    bmi->bmiHeader = BITMAPINFOHEADER{};
    bmi->bmiHeader.biWidth = 4;
    bmi->bmiHeader.biHeight = 2;
    bmi->bmiHeader.biBitCount = 32;
    std::vector<uint32_t> px(8);
    EXPECT_EQ(GetDIBits(m.dc, m.bm, 0, 2, px.data(), bmi, DIB_RGB_COLORS), 2) << bits;
    for (int x = 0; x < 4; ++x) {
      uint32_t want = bits == 1 ? (x == 3 ? 0xFFFFFF : 0) : top[x];
      EXPECT_EQ(px[size_t(4 + x)] & 0xFFFFFF, want) << bits << " bits, x " << x;  // row 1 = top
      EXPECT_EQ(px[size_t(x)] & 0xFFFFFF, 0u);
    }
    TestCanvas t(8, 4, 0x777777);
    EXPECT_EQ(StretchDIBits(t.dc, 0, 0, 8, 4, 0, 0, 4, 2, px.data(), bmi, DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(t.At(0, 0), bits == 1 ? 0u : 0xFF0000u);
    EXPECT_EQ(t.At(7, 0), 0xFFFFFFu);
    EXPECT_EQ(t.At(7, 3), 0u);
    // Just the top row from its own band: row 1 counted from the bottom.
    TestCanvas s(4, 1, 0x777777);
    EXPECT_EQ(SetDIBitsToDevice(s.dc, 0, 0, 4, 1, 0, 1, 0, 2, px.data(), bmi, DIB_RGB_COLORS), 2);
    EXPECT_EQ(s.At(3, 0), 0xFFFFFFu);
  }
}

// A solid brush filling a bitmap of any depth writes its colour wherever the
// clip lets it, without reading the pixels first, and leaves the excluded
// part as it was.
TEST(Blit, SolidFillsOfEveryDepthKeepToTheClip) {
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    MemCanvas m(10, 6, bits);
    RECT all{0, 0, 10, 6};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255)), black = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(m.dc, &all, white);
    ExcludeClipRect(m.dc, 2, 1, 5, 4);
    FillRect(m.dc, &all, black);
    SelectClipRgn(m.dc, nullptr);
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 0; x < 10; ++x) {
        const bool kept = x >= 2 && x < 5 && y >= 1 && y < 4;
        EXPECT_EQ(GetPixel(m.dc, x, y) & 0xFFFFFF, kept ? 0xFFFFFFu : 0u) << bits << " bits at " << x << "," << y;
      }
    DeleteObject(white);
    DeleteObject(black);
  }
}

TEST(Blit, HostileDibHeadersAreRefused) {
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 16);
  auto* bmi = reinterpret_cast<BITMAPINFO*>(info.data());
  void* bits = nullptr;
  struct Bad {
    LONG w, h;
    WORD bpp;
    DWORD comp;
  };
  for (Bad b : {Bad{0, 4, 24, BI_RGB}, Bad{4, 0, 24, BI_RGB}, Bad{4, 4, 7, BI_RGB},
                Bad{4, 4, 24, BI_RLE8}, Bad{4, 4, 24, BI_BITFIELDS},
                Bad{1 << 30, 1 << 20, 32, BI_RGB}, Bad{4, INT32_MIN, 24, BI_RGB}}) {
    bmi->bmiHeader = BITMAPINFOHEADER{};
    bmi->bmiHeader.biWidth = b.w;
    bmi->bmiHeader.biHeight = b.h;
    bmi->bmiHeader.biBitCount = b.bpp;
    bmi->bmiHeader.biCompression = b.comp;
    EXPECT_EQ(CreateDIBSection(nullptr, bmi, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
  }
}

TEST(Gradient, RectanglesRunFromFirstToSecondColour) {
  TestCanvas t(16, 4);
  TRIVERTEX v[2] = {{0, 0, 0x0000, 0x0000, 0xFF00, 0}, {16, 4, 0xFF00, 0x0000, 0x0000, 0}};
  GRADIENT_RECT r{0, 1};
  EXPECT_TRUE(GradientFill(t.dc, v, 2, &r, 1, GRADIENT_FILL_RECT_H));
  EXPECT_EQ(t.At(0, 0), 0x0000FFu);
  // Channels change monotonically; the last column is just short of the end.
  for (int x = 1; x < 16; ++x) {
    EXPECT_GE(t.At(x, 0) >> 16, t.At(x - 1, 0) >> 16);
    EXPECT_LE(t.At(x, 0) & 0xFF, t.At(x - 1, 0) & 0xFF);
  }
  EXPECT_EQ(t.At(15, 0), 0xEF000Fu);
  EXPECT_EQ(t.At(8, 3), t.At(8, 0));
  // Vertical, with the clip respected.
  TestCanvas u(4, 16);
  IntersectClipRect(u.dc, 0, 0, 2, 16);
  TRIVERTEX w[2] = {{0, 0, 0, 0, 0, 0}, {4, 16, 0xFF00, 0xFF00, 0xFF00, 0}};
  GradientFill(u.dc, w, 2, &r, 1, GRADIENT_FILL_RECT_V);
  EXPECT_EQ(u.At(0, 0), 0u);
  EXPECT_EQ(u.At(0, 8), 0x7F7F7Fu);
  EXPECT_EQ(u.At(3, 8), kWhite);
  // Bad vertex indexes are refused.
  GRADIENT_RECT bad{0, 5};
  EXPECT_FALSE(GradientFill(u.dc, w, 2, &bad, 1, GRADIENT_FILL_RECT_V));
}

TEST(Alpha, ConstantAndPerPixelBlending) {
  MemCanvas src(2, 1);
  src.bits[0] = 0x80800000;  // premultiplied red at alpha 128
  src.bits[1] = 0x00000000;  // fully transparent
  TestCanvas t(2, 1, 0x0000FF);
  BLENDFUNCTION perPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  EXPECT_TRUE(AlphaBlend(t.dc, 0, 0, 2, 1, src.dc, 0, 0, 2, 1, perPixel));
  EXPECT_EQ(t.At(0, 0), 0x80007Fu);
  EXPECT_EQ(t.At(1, 0), 0x0000FFu);
  TestCanvas k(2, 1, 0x000000);
  MemCanvas white(2, 1);
  white.bits[0] = white.bits[1] = 0xFFFFFF;
  BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
  AlphaBlend(k.dc, 0, 0, 2, 1, white.dc, 0, 0, 2, 1, half);
  EXPECT_EQ(k.At(0, 0), 0x808080u);
}

TEST(Edges, RaisedAndSunkenColoursAndAdjust) {
  const uint32_t hi = ColorRefToPixel(GetSysColor(COLOR_3DHILIGHT));
  const uint32_t sh = ColorRefToPixel(GetSysColor(COLOR_3DSHADOW));
  const uint32_t dk = ColorRefToPixel(GetSysColor(COLOR_3DDKSHADOW));
  const uint32_t lt = ColorRefToPixel(GetSysColor(COLOR_3DLIGHT));
  const uint32_t face = ColorRefToPixel(GetSysColor(COLOR_3DFACE));
  TestCanvas t(10, 10, 0x123456);
  TRect r{0, 0, 10, 10};
  EXPECT_TRUE(DrawEdge(t.dc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST));
  EXPECT_EQ(r, (TRect{2, 2, 8, 8}));
  EXPECT_EQ(t.At(0, 0), lt);  // outer top-left
  EXPECT_EQ(t.At(9, 0), dk);  // the far corner belongs to the right line
  EXPECT_EQ(t.At(0, 9), dk);
  EXPECT_EQ(t.At(1, 1), hi);  // inner top-left
  EXPECT_EQ(t.At(8, 8), sh);  // inner bottom-right
  EXPECT_EQ(t.At(5, 5), face);
  TestCanvas s(10, 10, 0x123456);
  TRect q{0, 0, 10, 10};
  DrawEdge(s.dc, &q, EDGE_SUNKEN, BF_RECT);
  EXPECT_EQ(q, (TRect{0, 0, 10, 10}));  // no BF_ADJUST
  EXPECT_EQ(s.At(3, 0), sh);
  EXPECT_EQ(s.At(3, 1), dk);
  EXPECT_EQ(s.At(3, 9), hi);
  EXPECT_EQ(s.At(3, 8), lt);
  EXPECT_EQ(s.At(5, 5), 0x123456u);
  // Only the sides asked for.
  TestCanvas o(10, 10, 0x123456);
  TRect b{0, 0, 10, 10};
  DrawEdge(o.dc, &b, BDR_RAISEDINNER, BF_BOTTOM | BF_ADJUST);
  EXPECT_EQ(b, (TRect{0, 0, 10, 9}));
  EXPECT_EQ(o.BoxNot(0x123456), (TRect{0, 9, 10, 10}));
}

TEST(FrameControls, DrawInsideTheirRectangle) {
  struct Case {
    UINT type, state;
  };
  const Case cases[] = {
      {DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED},
      {DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED},
      {DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED},
      {DFC_SCROLL, DFCS_SCROLLUP},
      {DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_INACTIVE},
      {DFC_CAPTION, DFCS_CAPTIONCLOSE},
      {DFC_MENU, DFCS_MENUARROW},
  };
  for (const Case& c : cases) {
    TestCanvas t(24, 24, 0x123456);
    TRect r{4, 4, 17, 17};
    EXPECT_TRUE(DrawFrameControl(t.dc, &r, c.type, c.state));
    TRect box = t.BoxNot(0x123456);
    EXPECT_GE(box.Left, 4);
    EXPECT_GE(box.Top, 4);
    EXPECT_LE(box.Right, 17);
    EXPECT_LE(box.Bottom, 17);
    EXPECT_GT(t.Count(0x123456), 0);
  }
  // A checked box differs from an unchecked one only inside the box.
  TestCanvas a(13, 13), b(13, 13);
  TRect r{0, 0, 13, 13};
  DrawFrameControl(a.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK);
  DrawFrameControl(b.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  EXPECT_LT(a.Count(0), b.Count(0));
  // The caption close button: its cross is drawn in the button text colour.
  TestCanvas cl(16, 14);
  TRect cr{0, 0, 16, 14};
  DrawFrameControl(cl.dc, &cr, DFC_CAPTION, DFCS_CAPTIONCLOSE);
  EXPECT_GT(cl.Count(ColorRefToPixel(GetSysColor(COLOR_BTNTEXT))), 6);
}

}  // namespace

namespace {

TEST(DrawDib, DrawsPackedDibsFromTheTopLeft) {
  // 2 x 2, 24 bits, bottom-up: bottom row blue, blue; top row red, green.
  struct {
    BITMAPINFOHEADER h;
    uint8_t rows[2][8];
  } dib{};
  dib.h.biWidth = 2;
  dib.h.biHeight = 2;
  dib.h.biBitCount = 24;
  const uint8_t bottom[8] = {255, 0, 0, 255, 0, 0, 0, 0};
  const uint8_t top[8] = {0, 0, 255, 0, 255, 0, 0, 0};
  std::memcpy(dib.rows[0], bottom, 8);
  std::memcpy(dib.rows[1], top, 8);
  HDRAWDIB dd = DrawDibOpen();
  TestCanvas t(4, 4, 0x777777);
  EXPECT_TRUE(DrawDibDraw(dd, t.dc, 0, 0, 4, 4, &dib.h, dib.rows, 0, 0, -1, -1, 0));
  EXPECT_EQ(t.At(0, 0), 0xFF0000u);
  EXPECT_EQ(t.At(3, 1), 0x00FF00u);
  EXPECT_EQ(t.At(2, 3), 0x0000FFu);
  // Only the top-right pixel, at its own size.
  TestCanvas u(2, 2, 0x777777);
  DrawDibDraw(dd, u.dc, 0, 0, -1, -1, &dib.h, dib.rows, 1, 0, 1, 1, 0);
  EXPECT_EQ(u.At(0, 0), 0x00FF00u);
  EXPECT_EQ(u.At(1, 0), 0x777777u);
  EXPECT_TRUE(DrawDibClose(dd));
}

TEST(Colors, NearestColorOfPaletteTargets) {
  MemCanvas m(2, 2, 1);
  EXPECT_EQ(GetNearestColor(m.dc, RGB(200, 200, 200)), RGB(255, 255, 255));
  EXPECT_EQ(GetNearestColor(m.dc, RGB(20, 40, 10)), RGB(0, 0, 0));
  MemCanvas hi(2, 2, 16);
  EXPECT_EQ(GetNearestColor(hi.dc, RGB(255, 7, 255)), RGB(255, 0, 255));
  TestCanvas t(2, 2);
  EXPECT_EQ(GetNearestColor(t.dc, RGB(1, 2, 3)), RGB(1, 2, 3));
}

}  // namespace

namespace {

TEST(Blit, BitfieldDibsFollowTheirMasks) {
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 16);
  auto* bmi = reinterpret_cast<BITMAPINFO*>(info.data());
  bmi->bmiHeader = BITMAPINFOHEADER{};
  bmi->bmiHeader.biWidth = 2;
  bmi->bmiHeader.biHeight = -1;  // top-down
  bmi->bmiHeader.biBitCount = 32;
  bmi->bmiHeader.biCompression = BI_BITFIELDS;
  const uint32_t masks[3] = {0x000000FF, 0x0000FF00, 0x00FF0000};  // red lowest
  std::memcpy(bmi->bmiColors, masks, sizeof masks);
  void* p = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, bmi, DIB_RGB_COLORS, &p, nullptr, 0);
  ASSERT_NE(bm, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, bm);
  SetPixel(dc, 0, 0, RGB(255, 0, 0));
  SetPixel(dc, 1, 0, RGB(0, 0, 255));
  auto* px = static_cast<uint32_t*>(p);
  EXPECT_EQ(px[0] & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(px[1] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  DeleteDC(dc);
  DeleteObject(bm);
}

}  // namespace

namespace {

TEST(Blit, CopiesKeepToTheClipRegion) {
  TestCanvas src(10, 10, 0x00FF00);
  for (DWORD rop : {SRCCOPY, SRCPAINT}) {
    TestCanvas t(10, 10, 0x0000FF);
    SetWindowOrgEx(t.dc, 1, 0, nullptr);  // logical 1 is device 0
    ExcludeClipRect(t.dc, 3, 3, 6, 6);    // device (2, 3) to (5, 6)
    BitBlt(t.dc, 1, 0, 10, 10, src.dc, 0, 0, rop);
    uint32_t want = rop == SRCCOPY ? 0x00FF00u : 0x00FFFFu;
    EXPECT_EQ(t.Count(want), 100 - 9);
    EXPECT_EQ(t.At(2, 3), 0x0000FFu);
    EXPECT_EQ(t.At(4, 5), 0x0000FFu);
    EXPECT_EQ(t.At(5, 5), want);
  }
}

}  // namespace
