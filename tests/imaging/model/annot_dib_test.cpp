// Packed device-independent bitmaps and YUV frames to and from TIEBitmap,
// and the imaging annotation marks that TIFF files carry.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/model/DIBConvert.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEDibbitmap.h"
#include "imaging/model/TIEImagingAnnot.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

std::vector<uint8_t> Header(int32_t w, int32_t h, int bits, uint32_t compression, uint32_t used = 0) {
  std::vector<uint8_t> d(40, 0);
  Put32(d, 0, 40);
  Put32(d, 4, static_cast<uint32_t>(w));
  Put32(d, 8, static_cast<uint32_t>(h));
  d[12] = 1;
  d[14] = static_cast<uint8_t>(bits);
  Put32(d, 16, compression);
  Put32(d, 32, used);
  return d;
}

uint32_t FourCC(const char* s) { return static_cast<uint32_t>(s[0] | s[1] << 8 | s[2] << 16 | s[3] << 24); }

}  // namespace

TEST(DIBConvert, YUVToRGBKnownValues) {
  EXPECT_EQ(YUVToRGB(16, 128, 128), MakeRGBTriple(0, 0, 0));
  EXPECT_EQ(YUVToRGB(235, 128, 128), MakeRGBTriple(255, 255, 255));
  // BT.601 red: Y 81, U 90, V 240.
  const TRGB red = YUVToRGB(81, 90, 240);
  EXPECT_GE(red.r, 250);
  EXPECT_LE(red.g, 2);
  EXPECT_LE(red.b, 2);
  // By hand: c = (81 - 16) x 1.164 = 75.66, d = -38, e = 112: R = 75.66 +
  // 178.752, G = 75.66 - 91.056 + 14.858, B = 75.66 - 76.684.
  EXPECT_EQ(red, MakeRGBTriple(254, 0, 0));
  // U and V swapped: R = 75.66 - 60.648, G = 75.66 + 30.894 - 43.792,
  // B = 75.66 + 226.016.
  EXPECT_EQ(YUVToRGB(81, 240, 90), MakeRGBTriple(15, 63, 255));
}

TEST(DIBConvert, YuvLayoutsKeepTheirChromaApart) {
  // Pixel 0 is Y 81, pixel 1 Y 145, both with U 90 and V 240: (254, 0, 0)
  // and, with c = 150.156, (255, 74, 73) by hand. A layout read with U and
  // V swapped gives (15, 63, 255) and (90, 137, 255) instead.
  struct Case {
    const char* fourcc;
    std::vector<uint8_t> bytes;  // one row of 2 pixels (planar: 2x2)
    int w, h;
  } cases[] = {
      {"YUY2", {81, 90, 145, 240}, 2, 1},
      {"UYVY", {90, 81, 240, 145}, 2, 1},
      {"YVYU", {81, 240, 145, 90}, 2, 1},
      // (The last column of a row is not converted: three pixels.)
      {"IYU2", {90, 81, 240, 90, 145, 240, 90, 81, 240}, 3, 1},
      {"YV12", {81, 145, 81, 145, 240, 90}, 2, 2},
      {"I420", {81, 145, 81, 145, 90, 240}, 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fourcc);
    std::vector<uint8_t> d = Header(c.w, -c.h, 16, FourCC(c.fourcc));
    d.insert(d.end(), c.bytes.begin(), c.bytes.end());
    TIEBitmap b;
    ASSERT_EQ(DIBToTIEBitmap(d.data(), static_cast<int64_t>(d.size()), &b), 16);
    EXPECT_EQ(b.GetPixelRGB(0, 0), MakeRGBTriple(254, 0, 0));
    EXPECT_EQ(b.GetPixelRGB(1, 0), MakeRGBTriple(255, 74, 73));
    EXPECT_TRUE(IsDIBYUVCompression(FourCC(c.fourcc)));
  }
  EXPECT_FALSE(IsDIBYUVCompression(0));
  EXPECT_FALSE(IsDIBYUVCompression(FourCC("MJPG")));
}

TEST(DIBConvert, DibBitmapsDrawWhatTheConversionDecodes) {
  // A YUY2 frame (rows from the top for a positive height) into a 24-bit
  // section, at the frame's size.
  std::vector<uint8_t> yuy2 = Header(2, 2, 16, FourCC("YUY2"));
  const std::vector<uint8_t> rows = {81, 90, 145, 240, 235, 128, 16, 128};
  TIEDibbitmap section;
  EXPECT_EQ(DIBToDibBitmap(yuy2.data(), static_cast<int64_t>(yuy2.size()), &section, rows.data(),
                           static_cast<int64_t>(rows.size())),
            16);
  ASSERT_EQ(section.GetWidth(), 2);
  ASSERT_EQ(section.GetHeight(), 2);
  EXPECT_EQ(section.GetBitCount(), 24);
  const uint8_t* top = section.GetScanline(0);
  EXPECT_EQ(std::vector<uint8_t>(top, top + 6), (std::vector<uint8_t>{0, 0, 254, 73, 74, 255}));
  const uint8_t* bottom = section.GetScanline(1);
  EXPECT_EQ(std::vector<uint8_t>(bottom, bottom + 6), (std::vector<uint8_t>{255, 255, 255, 0, 0, 0}));
  // A 1-bit DIB gives a 1-bit section.
  std::vector<uint8_t> mono = Header(8, 1, 1, 0, 2);
  mono.insert(mono.end(), {0, 0, 0, 0, 255, 255, 255, 0, 0xA5, 0, 0, 0});
  TIEDibbitmap bits;
  EXPECT_EQ(DIBToDibBitmap(mono.data(), static_cast<int64_t>(mono.size()), &bits), 1);
  EXPECT_EQ(bits.GetBitCount(), 1);
  EXPECT_EQ(bits.GetScanline(0)[0], 0xA5);
  // Rows that end early, or a coding the conversion does not know, draw
  // nothing and say so; the section stays as it was.
  EXPECT_EQ(DIBToDibBitmap(yuy2.data(), static_cast<int64_t>(yuy2.size()), &section, rows.data(), 7), 0);
  std::vector<uint8_t> mjpg = Header(2, 2, 24, FourCC("MJPG"));
  EXPECT_EQ(DIBToDibBitmap(mjpg.data(), static_cast<int64_t>(mjpg.size()), &section, rows.data(),
                           static_cast<int64_t>(rows.size())),
            0);
  EXPECT_EQ(section.GetWidth(), 2);
  EXPECT_EQ(section.GetScanline(1)[0], 255);
}

TEST(DIBConvert, RgbDibsAndRoundTrips) {
  TIEBitmap src;
  src.Allocate(5, 3, ieRGB24);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) src.SetRGB24(x, y, MakeRGBTriple(static_cast<uint8_t>(x * 50), static_cast<uint8_t>(y * 80), 7));
  const std::vector<uint8_t> dib = CopyRectToDIB(&src, 0, 0, 0, 0);
  TIEBitmap back;
  EXPECT_EQ(DIBToTIEBitmap(dib.data(), static_cast<int64_t>(dib.size()), &back), 24);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(back.GetPixelRGB(x, y), src.GetPixelRGB(x, y));
  // A rectangle of a 1-bit image from an odd column.
  TIEBitmap mono;
  mono.Allocate(20, 2, ieMono1);
  mono.Fill(0);
  mono.GetScanline(1)[13 / 8] |= 0x80 >> (13 % 8);  // white
  const std::vector<uint8_t> m = CopyRectToDIB(&mono, 11, 0, 17, 2);
  TIEBitmap mb;
  EXPECT_EQ(DIBToTIEBitmap(m.data(), static_cast<int64_t>(m.size()), &mb), 1);
  ASSERT_EQ(mb.Width(), 6);
  EXPECT_EQ(mb.GetPixelRGB(2, 1), MakeRGBTriple(255, 255, 255));
  EXPECT_EQ(mb.GetPixelRGB(3, 1), MakeRGBTriple(0, 0, 0));
  // 4 bits with an odd width, and 16-bit 5-5-5.
  std::vector<uint8_t> d4 = Header(3, 1, 4, 0, 2);
  d4.insert(d4.end(), {10, 20, 30, 0, 40, 50, 60, 0});
  d4.insert(d4.end(), {0x10, 0x10, 0, 0});
  TIEBitmap b4;
  EXPECT_EQ(DIBToTIEBitmap(d4.data(), static_cast<int64_t>(d4.size()), &b4), 4);
  EXPECT_EQ(b4.GetPixelRGB(0, 0), MakeRGBTriple(60, 50, 40));
  EXPECT_EQ(b4.GetPixelRGB(1, 0), MakeRGBTriple(30, 20, 10));
  EXPECT_EQ(b4.GetPixelRGB(2, 0), MakeRGBTriple(60, 50, 40));
  std::vector<uint8_t> d16 = Header(2, 1, 16, 0);
  d16.insert(d16.end(), {0x00, 0x7C, 0x1F, 0x00});
  TIEBitmap b16;
  EXPECT_EQ(DIBToTIEBitmap(d16.data(), static_cast<int64_t>(d16.size()), &b16), 16);
  EXPECT_EQ(b16.GetPixelRGB(0, 0), MakeRGBTriple(248, 0, 0));
  EXPECT_EQ(b16.GetPixelRGB(1, 0), MakeRGBTriple(0, 0, 248));
}

TEST(DIBConvert, YuvLayouts) {
  struct Case {
    const char* fourcc;
    std::vector<uint8_t> bytes;  // one row of 2 pixels (planar: 2x2)
    int w, h;
  } cases[] = {
      {"YUY2", {235, 128, 16, 128}, 2, 1},
      {"UYVY", {128, 235, 128, 16}, 2, 1},
      {"YVYU", {235, 128, 16, 128}, 2, 1},
      {"IYU2", {128, 235, 128, 128, 16, 128}, 2, 1},
      {"YV12", {235, 16, 235, 16, 128, 128}, 2, 2},
      {"I420", {235, 16, 235, 16, 128, 128}, 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fourcc);
    std::vector<uint8_t> d = Header(c.w, -c.h, 16, FourCC(c.fourcc));
    d.insert(d.end(), c.bytes.begin(), c.bytes.end());
    TIEBitmap b;
    ASSERT_EQ(DIBToTIEBitmap(d.data(), static_cast<int64_t>(d.size()), &b), 16);
    EXPECT_EQ(b.GetPixelRGB(0, 0), MakeRGBTriple(255, 255, 255));
    EXPECT_EQ(b.GetPixelRGB(1, 0), MakeRGBTriple(0, 0, 0));
  }
}

TEST(DIBConvert, HeadersAreNotTrusted) {
  std::vector<uint8_t> good = Header(4, 4, 24, 0);
  good.resize(40 + 4 * 12, 9);
  TIEBitmap b;
  ASSERT_EQ(DIBToTIEBitmap(good.data(), static_cast<int64_t>(good.size()), &b), 24);
  struct Bad {
    const char* what;
    size_t at;
    uint32_t value;
  } bad[] = {{"header size past the end", 0, 4000}, {"huge width", 4, 0x7FFFFFFF}, {"rows past the end", 8, 400},
             {"colour table past the end", 32, 255}, {"unknown depth", 14, 7}, {"unknown layout", 16, 0x12345678}};
  for (const Bad& c : bad) {
    std::vector<uint8_t> d = good;
    if (c.at == 14) d[14] = static_cast<uint8_t>(c.value);
    else Put32(d, c.at, c.value);
    if (c.at == 32) d[14] = 8;
    TIEBitmap x;
    EXPECT_EQ(DIBToTIEBitmap(d.data(), static_cast<int64_t>(d.size()), &x), 0) << c.what;
  }
  EXPECT_EQ(DIBToTIEBitmap(good.data(), 39, &b), 0);
}

TEST(ImagingAnnot, MarksRoundTripAndBlocksAreNotTrusted) {
  TIEImagingAnnot empty;
  EXPECT_TRUE(empty.SaveToBuffer().empty());
  empty.LoadFromBuffer(nullptr, 0);
  EXPECT_EQ(empty.Count(), 0);

  TIEImagingAnnot a;
  auto line = std::make_unique<TIEImagingObject>();
  line->Attributes[0] = iemStraightLine;
  line->Attributes[100] = 0x5A;
  line->Points = {{{1, 2}}, {{30, 40}}};
  a.Add(std::move(line));
  auto rect = std::make_unique<TIEImagingObject>();
  rect->Attributes[0] = iemHollowRectangle;
  rect->Attributes[7] = 3;
  a.Add(std::move(rect));
  auto text = std::make_unique<TIEImagingObject>();
  text->Attributes[0] = iemTypedText;
  text->SetFontHeight(12);
  text->Text = "note";
  a.Add(std::move(text));
  auto image = std::make_unique<TIEImagingObject>();
  image->Attributes[0] = iemEmbeddedImage;
  image->Image = std::make_unique<TIEBitmap>();
  image->Image->Allocate(3, 2, ieRGB24);
  image->Image->Fill(0);
  image->Image->SetRGB24(2, 1, MakeRGBTriple(9, 8, 7));
  a.Add(std::move(image));
  const std::vector<uint8_t> block = a.SaveToBuffer();

  TIEImagingAnnot b;
  b.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
  ASSERT_EQ(b.Count(), 4);
  EXPECT_EQ(b.Objects(0)->MarkType(), iemStraightLine);
  EXPECT_EQ(b.Objects(0)->Attributes, a.Objects(0)->Attributes);
  ASSERT_EQ(b.Objects(0)->Points.size(), 2u);
  EXPECT_EQ(b.Objects(0)->Points[1][1], 40);
  EXPECT_EQ(b.Objects(1)->Attributes, a.Objects(1)->Attributes);
  EXPECT_TRUE(b.Objects(1)->Points.empty());
  EXPECT_FALSE(b.Objects(1)->HasText);
  EXPECT_EQ(b.Objects(2)->Text, "note");
  EXPECT_EQ(b.Objects(2)->FontHeight(), 12);
  ASSERT_TRUE(b.Objects(3)->Image);
  EXPECT_EQ(b.Objects(3)->Image->GetPixelRGB(2, 1), MakeRGBTriple(9, 8, 7));
  // Loading appends; a copy is deep.
  TIEImagingAnnot c;
  c.Assign(&b);
  c.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
  EXPECT_EQ(c.Count(), 8);

  // Every cut and every damaged length reads without reading past the block.
  for (size_t cut = 0; cut < block.size(); cut += 3) {
    TIEImagingAnnot d;
    d.LoadFromBuffer(block.data(), static_cast<int64_t>(cut));
  }
  for (size_t at = 8; at + 4 <= block.size(); at += 4) {
    std::vector<uint8_t> m = block;
    Put32(m, at, 0x7FFFFFF0);
    TIEImagingAnnot d;
    d.LoadFromBuffer(m.data(), static_cast<int64_t>(m.size()));
    EXPECT_LE(d.Count(), 4);
  }
}
