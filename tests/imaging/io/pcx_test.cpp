// PCX and DCX on hand-made files: layouts, runs across lines, header checks,
// short files, the writer's lines, and page insertion.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/formats/PCX.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TStream.h"

namespace {

struct Pcx {
  uint8_t version = 5, encoding = 1, bits = 8, planes = 1;
  int width = 1, height = 1;
  int bytes_per_line = 2;
  std::vector<uint32_t> ega;  // 16-entry palette, 0xRRGGBB
  std::vector<uint8_t> data;
  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> h(128, 0);
    h[0] = 10;
    h[1] = version;
    h[2] = encoding;
    h[3] = bits;
    h[8] = static_cast<uint8_t>(width - 1);
    h[9] = static_cast<uint8_t>((width - 1) >> 8);
    h[10] = static_cast<uint8_t>(height - 1);
    h[11] = static_cast<uint8_t>((height - 1) >> 8);
    h[12] = 72;
    h[14] = 72;
    for (size_t i = 0; i < ega.size() && i < 16; ++i) {
      h[16 + i * 3] = static_cast<uint8_t>(ega[i] >> 16);
      h[17 + i * 3] = static_cast<uint8_t>(ega[i] >> 8);
      h[18 + i * 3] = static_cast<uint8_t>(ega[i]);
    }
    h[65] = planes;
    h[66] = static_cast<uint8_t>(bytes_per_line);
    h[67] = static_cast<uint8_t>(bytes_per_line >> 8);
    h.insert(h.end(), data.begin(), data.end());
    return h;
  }
};

struct Read {
  TIEBitmap bitmap;
  TIOParamsVals params{nullptr};
  bool aborted = false;
  explicit Read(const std::vector<uint8_t>& bytes, bool dcx = false, int page = 0) {
    TIEMemStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
    TIOProgressRec p;
    p.Aborting = &aborted;
    params.DcxImageIndex = page;
    if (dcx)
      ReadDCXStream(&s, &bitmap, params, p, false);
    else
      ReadPCXStream(&s, &bitmap, params, static_cast<int64_t>(bytes.size()), p, false);
  }
  TRGB At(int x, int y) { return bitmap.GetPixelRGB(x, y); }
};

std::vector<uint8_t> Bytes(TMemoryStream& s) {
  const auto* b = static_cast<const uint8_t*>(s.Memory());
  return std::vector<uint8_t>(b, b + s.Size());
}

void Solid(TIEBitmap& b, int w, int h, TRGB c) {
  b.Allocate(w, h, ieRGB24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetRGB24(x, y, c);
}

}  // namespace

TEST(PcxReader, PlanesRunsAcrossLinesAndPalettes) {
  // 16 colours in four planes of one bit: pixel 0 takes index 0b0101.
  Pcx ega;
  ega.bits = 1;
  ega.planes = 4;
  ega.width = 2;
  ega.encoding = 0;
  ega.ega.assign(16, 0);
  ega.ega[5] = 0x123456;
  ega.ega[10] = 0xABCDEF;
  ega.data = {0x80, 0, 0x40, 0, 0x80, 0, 0x40, 0};
  Read r(ega.Build());
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.bitmap.PixelFormat(), ieRGB24);
  EXPECT_EQ(r.params.BitsPerSample, 4);
  EXPECT_EQ(r.params.SamplesPerPixel, 1);
  EXPECT_EQ(r.At(0, 0), MakeRGB(0x12, 0x34, 0x56));
  EXPECT_EQ(r.At(1, 0), MakeRGB(0xAB, 0xCD, 0xEF));

  // 24 bits, a run of three crossing from the red line into the green one.
  Pcx rgb;
  rgb.planes = 3;
  rgb.width = 2;
  rgb.data = {0xC3, 7, 0x09, 0xC2, 0xC4, 0xC2, 0x01};
  Read t(rgb.Build());
  ASSERT_FALSE(t.aborted);
  EXPECT_EQ(t.At(0, 0), MakeRGB(7, 7, 0xC4));
  EXPECT_EQ(t.At(1, 0), MakeRGB(7, 9, 0xC4));

  // 256 colours: the palette after the marker at the end.
  Pcx p8;
  p8.width = 2;
  p8.data = {0xC2, 200, 12};
  p8.data.resize(3 + 768);
  p8.data[3 + 200 * 3] = 9;
  Read q(p8.Build());
  EXPECT_EQ(q.At(1, 0), MakeRGB(9, 0, 0));
  // Without room for a palette the indexes read as grey.
  p8.data.resize(2);
  Read s(p8.Build());
  ASSERT_FALSE(s.aborted);
  EXPECT_EQ(s.At(0, 0), MakeRGB(200, 200, 200));
}

TEST(PcxReader, HeadersThatCannotHoldTheirRowsAreRefused) {
  struct Case {
    const char* name;
    uint8_t bits, planes;
    int width, bytes_per_line;
    bool ok;
  } cases[] = {{"fits", 8, 1, 4, 4, true},          {"line too short", 8, 1, 5, 4, false},
               {"one-bit line too short", 1, 1, 17, 2, false}, {"no line", 8, 3, 1, 0, false},
               {"two planes of 8 bits", 8, 2, 1, 2, false},  {"16 bits", 16, 1, 1, 2, false},
               {"no planes", 8, 0, 1, 2, false},             {"five 1-bit planes", 1, 5, 1, 2, false}};
  for (const Case& c : cases) {
    Pcx p;
    p.bits = c.bits;
    p.planes = c.planes;
    p.width = c.width;
    p.bytes_per_line = c.bytes_per_line;
    p.encoding = 0;
    p.data.assign(64, 1);
    EXPECT_EQ(Read(p.Build()).aborted, !c.ok) << c.name;
  }
  // A huge image behind a few bytes.
  Pcx big;
  big.width = 65535;
  big.height = 65535;
  big.bytes_per_line = 65535;
  big.data = {0xFF, 0};
  EXPECT_TRUE(Read(big.Build()).aborted);
}

TEST(PcxWriter, LinesAndDepths) {
  TIEBitmap mono;
  mono.Allocate(9, 2, ieMono1);
  mono.Fill(0);
  mono.GetScanline(0)[1] = 0x80;  // pixel 8 of row 0 white
  mono.UnmapRows();
  TIOParamsVals p(nullptr);
  p.BitsPerSample = 1;
  p.SamplesPerPixel = 1;
  p.PcxCompression = 0;
  TMemoryStream s;
  bool aborted = false;
  TIOProgressRec pr;
  pr.Aborting = &aborted;
  WritePCXStream(&s, &mono, p, pr);
  const auto file = Bytes(s);
  EXPECT_EQ(file[66], 2);  // 9 pixels: 2 bytes a line
  EXPECT_EQ(file.size(), 128u + 4);
  Read r(file);
  EXPECT_EQ(r.At(8, 0), MakeRGB(255, 255, 255));

  TIEBitmap card;
  card.Allocate(11, 3, ieRGB24);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 11; ++x) card.SetRGB24(x, y, MakeRGB(x * 20, y * 70, x < 5 ? 0xC5 : 3));
  for (const int bits : {24, 8, 4}) {
    TIOParamsVals q(nullptr);
    q.BitsPerSample = bits == 24 ? 8 : bits;
    q.SamplesPerPixel = bits == 24 ? 3 : 1;
    TMemoryStream t;
    WritePCXStream(&t, &card, q, pr);
    Read back(Bytes(t));
    ASSERT_FALSE(back.aborted) << bits;
    if (bits != 4) {
      for (int x = 0; x < 11; ++x) EXPECT_EQ(back.At(x, 2), card.GetPixelRGB(x, 2)) << bits << " " << x;
    }
  }
}

// The header stores the last column and row: a side of 65536 fits (the
// reader takes one), 65537 does not. The fuzzer found the writer refusing
// what the reader had just loaded.
TEST(PcxWriter, SidesUpTo65536Fit) {
  struct Case {
    int w, h;
    bool fits;
  } cases[] = {{1, 65536, true}, {65536, 1, true}, {1, 65537, false}};
  for (const Case& c : cases) {
    TIEBitmap mono;
    mono.Allocate(c.w, c.h, ieMono1);
    mono.Fill(0);
    TIOParamsVals p(nullptr);
    p.BitsPerSample = 1;
    p.SamplesPerPixel = 1;
    TMemoryStream s;
    bool aborted = false;
    TIOProgressRec pr;
    pr.Aborting = &aborted;
    WritePCXStream(&s, &mono, p, pr);
    EXPECT_EQ(aborted, !c.fits) << c.w << "x" << c.h;
    if (!c.fits) continue;
    Read back(Bytes(s));
    ASSERT_FALSE(back.aborted) << c.w << "x" << c.h;
    EXPECT_EQ(back.bitmap.Width(), c.w);
    EXPECT_EQ(back.bitmap.Height(), c.h);
  }
}

TEST(Dcx, PagesAreInsertedAppendedAndNeverLost) {
  TIEBitmap red, green, blue;
  Solid(red, 3, 2, MakeRGB(255, 0, 0));
  Solid(green, 3, 2, MakeRGB(0, 255, 0));
  Solid(blue, 5, 1, MakeRGB(0, 0, 255));
  TIOParamsVals p(nullptr);
  bool aborted = false;
  TIOProgressRec pr;
  pr.Aborting = &aborted;
  // The DCX begins at the stream's position.
  TMemoryStream s;
  p.DcxImageIndex = 0;
  WriteDCXStream(&s, &red, p, pr);
  p.DcxImageIndex = 7;  // past the last page: appended
  s.SetPosition(0);
  WriteDCXStream(&s, &green, p, pr);
  p.DcxImageIndex = 0;  // the first of three
  s.SetPosition(0);
  WriteDCXStream(&s, &blue, p, pr);
  ASSERT_FALSE(aborted);
  s.SetPosition(0);
  EXPECT_TRUE(IsDCXStream(&s));
  EXPECT_EQ(CountDCXImages(&s), 3);
  EXPECT_EQ(s.Position(), 0);
  const auto file = Bytes(s);
  const TRGB want[3] = {MakeRGB(0, 0, 255), MakeRGB(255, 0, 0), MakeRGB(0, 255, 0)};
  for (int page = 0; page < 3; ++page) {
    Read r(file, true, page);
    ASSERT_FALSE(r.aborted) << page;
    EXPECT_EQ(r.At(0, 0), want[page]) << page;
  }
  EXPECT_EQ(Read(file, true, 9).At(0, 0), want[2]);  // the index is held to the pages

  // The input/output component's stream save adds to the caller's DCX.
  TImagoIO io(nullptr);
  io.AttachIEBitmap(&red);
  io.Params()->DcxImageIndex = 3;
  io.SaveToStream(&s, ieftDCX);
  ASSERT_FALSE(io.Aborted());
  s.SetPosition(0);
  EXPECT_EQ(CountDCXImages(&s), 4);
  // A fresh stream saved with the index of a page loaded elsewhere still
  // receives the picture, as its only page.
  TMemoryStream fresh;
  io.Params()->DcxImageIndex = 5;
  io.SaveToStream(&fresh, ieftDCX);
  ASSERT_FALSE(io.Aborted());
  fresh.SetPosition(0);
  EXPECT_EQ(CountDCXImages(&fresh), 1);
  EXPECT_EQ(Read(Bytes(fresh), true, 0).At(0, 0), want[1]);
  // Content that is not a DCX is left alone.
  TMemoryStream other;
  other.WriteBuffer("hello", 5);
  other.SetPosition(0);
  io.SaveToStream(&other, ieftDCX);
  EXPECT_TRUE(io.Aborted());
  EXPECT_EQ(other.Size(), 5);

  // A DCX behind other data: the data before it stay, its offsets count
  // from its own start, and a second page goes in without losing the first.
  TMemoryStream behind;
  behind.WriteBuffer("head!", 5);
  p.DcxImageIndex = 0;
  WriteDCXStream(&behind, &red, p, pr);
  behind.SetPosition(5);
  WriteDCXStream(&behind, &blue, p, pr);
  ASSERT_FALSE(aborted);
  const auto both = Bytes(behind);
  EXPECT_EQ(std::string(both.begin(), both.begin() + 5), "head!");
  const std::vector<uint8_t> dcx(both.begin() + 5, both.end());
  EXPECT_EQ(Read(dcx, true, 0).At(0, 0), want[0]);
  EXPECT_EQ(Read(dcx, true, 1).At(0, 0), want[1]);
  behind.SetPosition(5);
  TIEBitmap first;
  TIOParamsVals q(nullptr);
  ReadDCXStream(&behind, &first, q, pr, false);
  ASSERT_FALSE(aborted);
  EXPECT_EQ(first.GetPixelRGB(0, 0), want[0]);
}

TEST(PcxLoad, StreamHeadersLetImagesFollowOneAnother) {
  TIEBitmap a, b;
  Solid(a, 4, 3, MakeRGB(1, 2, 3));
  Solid(b, 2, 5, MakeRGB(9, 8, 7));
  TMemoryStream s;
  TImagoIO io(nullptr);
  io.StreamHeaders = true;
  io.Params()->BitsPerSample = 8;
  io.Params()->SamplesPerPixel = 3;
  io.AttachIEBitmap(&a);
  io.SaveToStream(&s, ieftPCX);
  io.AttachIEBitmap(&b);
  io.SaveToStream(&s, ieftPCX);
  s.SetPosition(0);
  TImagoIO reader(nullptr);
  reader.LoadFromStream(&s);
  ASSERT_FALSE(reader.Aborted());
  EXPECT_EQ(reader.IEBitmap()->Width(), 4);
  reader.LoadFromStream(&s);
  ASSERT_FALSE(reader.Aborted());
  EXPECT_EQ(reader.IEBitmap()->Width(), 2);
  EXPECT_EQ(reader.IEBitmap()->GetPixelRGB(1, 4), MakeRGB(9, 8, 7));
}
