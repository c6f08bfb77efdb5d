// The Targa reader and writer on hand-made files: row order, run-length
// packets across rows, alpha, colour maps (also past 256 entries), the
// extension area, and the depths the writer chooses.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/TGA.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/Clock.h"
#include "rtl/TStream.h"

namespace {

struct Tga {
  uint8_t map_type = 0, type = 2, depth = 24, descriptor = 0;
  uint16_t first = 0, length = 0;
  uint8_t entry_bits = 0;
  int width = 1, height = 1;
  std::vector<uint8_t> map, data;
  std::vector<uint8_t> tail;  // extension area and footer
  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> v(18, 0);
    v[1] = map_type;
    v[2] = type;
    v[3] = static_cast<uint8_t>(first);
    v[4] = static_cast<uint8_t>(first >> 8);
    v[5] = static_cast<uint8_t>(length);
    v[6] = static_cast<uint8_t>(length >> 8);
    v[7] = entry_bits;
    v[12] = static_cast<uint8_t>(width);
    v[13] = static_cast<uint8_t>(width >> 8);
    v[14] = static_cast<uint8_t>(height);
    v[15] = static_cast<uint8_t>(height >> 8);
    v[16] = depth;
    v[17] = descriptor;
    v.insert(v.end(), map.begin(), map.end());
    v.insert(v.end(), data.begin(), data.end());
    v.insert(v.end(), tail.begin(), tail.end());
    return v;
  }
};

struct Read {
  TIEBitmap bitmap;
  TIOParamsVals params{nullptr};
  std::unique_ptr<TIEMask> mask;
  bool aborted = false;
  explicit Read(const std::vector<uint8_t>& bytes) {
    TIEMemStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
    TIOProgressRec p;
    p.Aborting = &aborted;
    ReadTGAStream(&s, &bitmap, params, p, false, mask, false);
  }
  TRGB At(int x, int y) { return bitmap.GetPixelRGB(x, y); }
};

std::vector<uint8_t> Write(TIEBitmap* b, TIOParamsVals& p, TIEMask* mask = nullptr) {
  TMemoryStream s;
  bool aborted = false;
  TIOProgressRec r;
  r.Aborting = &aborted;
  WriteTGAStream(&s, b, p, r, mask);
  EXPECT_FALSE(aborted);
  const auto* d = static_cast<const uint8_t*>(s.Memory());
  return std::vector<uint8_t>(d, d + s.Size());
}

}  // namespace

TEST(TgaReader, RowOrderRunsAcrossRowsAndMirroring) {
  Tga t;
  t.width = 2;
  t.height = 2;
  t.data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // blue, green, red
  Read up(t.Build());
  ASSERT_FALSE(up.aborted);
  EXPECT_EQ(up.At(0, 1), (TRGB{1, 2, 3}));  // first stored row at the bottom
  EXPECT_EQ(up.At(1, 0), (TRGB{10, 11, 12}));
  t.descriptor = 0x20;
  EXPECT_EQ(Read(t.Build()).At(0, 0), (TRGB{1, 2, 3}));
  t.descriptor = 0x30;  // right to left as well
  EXPECT_EQ(Read(t.Build()).At(1, 0), (TRGB{1, 2, 3}));
  // A repeat packet of three pixels covers row 0 and the start of row 1.
  t.descriptor = 0x20;
  t.type = 10;
  t.data = {0x82, 9, 8, 7, 0x00, 1, 2, 3};
  Read rle(t.Build());
  ASSERT_FALSE(rle.aborted);
  EXPECT_TRUE(rle.params.TgaCompressed);
  EXPECT_EQ(rle.At(1, 0), (TRGB{9, 8, 7}));
  EXPECT_EQ(rle.At(0, 1), (TRGB{9, 8, 7}));
  EXPECT_EQ(rle.At(1, 1), (TRGB{1, 2, 3}));
}

TEST(TgaReader, AlphaFromThirtyTwoBitsAndMapEntries) {
  Tga t;
  t.width = 2;
  t.depth = 32;
  t.descriptor = 0x28;
  t.data = {1, 2, 3, 0, 4, 5, 6, 0};
  Read none(t.Build());
  ASSERT_FALSE(none.aborted);
  EXPECT_EQ(none.mask, nullptr);  // alpha all 0 selects nothing
  t.data[7] = 128;
  Read some(t.Build());
  ASSERT_NE(some.mask, nullptr);
  EXPECT_EQ(some.mask->GetPixel(1, 0), 128);
  EXPECT_EQ(some.params.SamplesPerPixel, 4);
  // A map of 32-bit entries carries the alpha of 8-bit pixels.
  Tga m;
  m.map_type = 1;
  m.type = 1;
  m.depth = 8;
  m.length = 2;
  m.entry_bits = 32;
  m.width = 2;
  m.map = {10, 20, 30, 255, 40, 50, 60, 7};
  m.data = {1, 0};
  Read mapped(m.Build());
  ASSERT_NE(mapped.mask, nullptr);
  EXPECT_EQ(mapped.mask->GetPixel(0, 0), 7);
  EXPECT_EQ(mapped.At(0, 0), (TRGB{40, 50, 60}));
}

TEST(TgaReader, SixteenBitGreyIsGreyAndAlpha) {
  // Image type 3 (and 11) at 16 bits: a grey byte and an alpha byte, not
  // 5-5-5 colour.
  Tga t;
  t.type = 3;
  t.depth = 16;
  t.descriptor = 0x28;  // top to bottom, 8 alpha bits
  t.width = 3;
  t.data = {10, 255, 100, 128, 200, 0};
  Read plain(t.Build());
  ASSERT_FALSE(plain.aborted);
  EXPECT_EQ(plain.params.BitsPerSample, 8);
  EXPECT_EQ(plain.params.SamplesPerPixel, 1);
  EXPECT_EQ(plain.At(0, 0), (TRGB{10, 10, 10}));
  EXPECT_EQ(plain.At(1, 0), (TRGB{100, 100, 100}));
  EXPECT_EQ(plain.At(2, 0), (TRGB{200, 200, 200}));
  ASSERT_NE(plain.mask, nullptr);
  EXPECT_EQ(plain.mask->GetPixel(0, 0), 255);
  EXPECT_EQ(plain.mask->GetPixel(1, 0), 128);
  EXPECT_EQ(plain.mask->GetPixel(2, 0), 0);
  // Run-length coded: a repeat packet of two pixels and a literal one.
  t.type = 11;
  t.data = {0x81, 100, 128, 0x00, 200, 0};
  Read rle(t.Build());
  ASSERT_FALSE(rle.aborted);
  EXPECT_EQ(rle.At(1, 0), (TRGB{100, 100, 100}));
  EXPECT_EQ(rle.At(2, 0), (TRGB{200, 200, 200}));
  ASSERT_NE(rle.mask, nullptr);
  EXPECT_EQ(rle.mask->GetPixel(0, 0), 128);
  // Without alpha bits in the descriptor the second byte is not alpha; true
  // colour at 16 bits stays 5-5-5.
  t.type = 3;
  t.descriptor = 0x20;
  t.data = {10, 255, 100, 128, 200, 0};
  Read opaque(t.Build());
  EXPECT_EQ(opaque.mask, nullptr);
  EXPECT_EQ(opaque.At(1, 0), (TRGB{100, 100, 100}));
  t.type = 2;
  t.data = {0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C};  // blue, green, red
  EXPECT_EQ(Read(t.Build()).At(2, 0), (TRGB{0, 0, 248}));
}

TEST(TgaReader, ColourMapsPastTwoHundredFiftySixEntries) {
  // First index 200 and 100 entries: entries past 255 are read over, so the
  // pixels after them are found; the kept ones index as stored.
  Tga t;
  t.map_type = 1;
  t.type = 1;
  t.depth = 8;
  t.first = 200;
  t.length = 100;
  t.entry_bits = 24;
  t.width = 2;
  for (int i = 0; i < 100; ++i) t.map.insert(t.map.end(), {static_cast<uint8_t>(i), 1, 2});
  t.data = {255, 200};
  Read r(t.Build());
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.At(0, 0), (TRGB{55, 1, 2}));
  EXPECT_EQ(r.At(1, 0), (TRGB{0, 1, 2}));
  // A 16-bit entry size and 5-5-5 pixels.
  Tga s;
  s.depth = 16;
  s.data = {0x1F, 0x7C};  // red 31, blue 31
  EXPECT_EQ(Read(s.Build()).At(0, 0), MakeRGB(248, 0, 248));
}

TEST(TgaReader, ExtensionAreaAndItsDefaults) {
  TTestClock fixed(46000.25);
  TClockScope clock(&fixed);
  Tga t;
  Read plain(t.Build());
  EXPECT_EQ(plain.params.TgaDate, 46000.0);
  EXPECT_EQ(plain.params.TgaAspectRatio, 1.0);
  EXPECT_EQ(plain.params.TgaGamma, 2.2);

  TIEBitmap b;
  b.Allocate(3, 2, ieRGB24);
  TIOParamsVals p(nullptr);
  p.TgaAuthor = "Ann";
  p.TgaImageName = "Job";
  p.TgaDescriptor = "id text";
  p.TgaDate = EncodeDate(2024, 2, 29) + EncodeTime(13, 14, 15, 0);
  p.TgaBackground = MakeRGB(1, 2, 3);
  p.TgaAspectRatio = 1.5;
  p.TgaGamma = 1.0;
  const auto file = Write(&b, p);
  // The footer points at the extension area, whose aspect is 15000 / 10000.
  const size_t ext = file[file.size() - 26] | file[file.size() - 25] << 8;
  EXPECT_EQ(std::string(file.end() - 18, file.end() - 1), "TRUEVISION-XFILE.");
  EXPECT_EQ(file[ext + 474] | file[ext + 475] << 8, 15000);
  EXPECT_EQ(file[ext + 476] | file[ext + 477] << 8, 10000);
  Read r(file);
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.params.TgaAuthor, "Ann");
  EXPECT_EQ(r.params.TgaImageName, "Job");
  EXPECT_EQ(r.params.TgaDescriptor, "id text");
  EXPECT_EQ(r.params.TgaDate, p.TgaDate);
  EXPECT_EQ(r.params.TgaBackground, MakeRGB(1, 2, 3));
  EXPECT_EQ(r.params.TgaAspectRatio, 1.5);
  EXPECT_EQ(r.params.TgaGamma, 1.0);
}

TEST(TgaWriter, DepthsItChooses) {
  TIEBitmap b;
  b.Allocate(37, 5, ieRGB24);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 37; ++x) b.SetRGB24(x, y, MakeRGB(x < 20 ? 0 : 255, y * 40, 9));
  struct Case {
    int spp, bps;
    bool compressed, grey;
    uint8_t type, depth, map_type;
  } cases[] = {
      {3, 8, false, false, 2, 24, 0}, {3, 8, true, false, 10, 24, 0},
      {1, 8, true, false, 9, 8, 1},   {1, 8, false, true, 3, 8, 0},
      {1, 4, false, false, 1, 8, 1},  {1, 1, true, false, 11, 8, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bps) + " bits, type " + std::to_string(c.type));
    TIOParamsVals p(nullptr);
    p.SamplesPerPixel = c.spp;
    p.BitsPerSample = c.bps;
    p.TgaCompressed = c.compressed;
    p.TgaGrayLevel = c.grey;
    const auto file = Write(&b, p);
    EXPECT_EQ(file[1], c.map_type);
    EXPECT_EQ(file[2], c.type);
    EXPECT_EQ(file[16], c.depth);
    if (c.map_type) {
      EXPECT_EQ(file[5] | file[6] << 8, c.bps == 4 ? 16 : 256);
    }
    Read r(file);
    ASSERT_FALSE(r.aborted);
    if (c.spp == 3) {
      EXPECT_EQ(r.At(30, 4), MakeRGB(255, 160, 9));
    }
  }
  // With a mask that is not full: 32 bits, uncompressed.
  TIEMask m;
  m.AllocateBits(37, 5, 8);
  m.Fill(255);
  m.SetPixel(2, 3, 17);
  m.Full = false;
  TIOParamsVals p(nullptr);
  const auto file = Write(&b, p, &m);
  EXPECT_EQ(file[16], 32);
  EXPECT_EQ(file[2], 2);
  EXPECT_EQ(file[17], 0x28);
  Read r(file);
  ASSERT_NE(r.mask, nullptr);
  EXPECT_EQ(r.mask->GetPixel(2, 3), 17);
}

// A picture of two colours saved at one bit (as a two-colour file reads)
// keeps its colours in a map of two; black and white stay grey levels.
TEST(TgaWriter, TwoColourPicturesKeepTheirColoursAtOneBit) {
  struct Case {
    TRGB a, b;
    uint8_t type, map_type;
  } cases[] = {{MakeRGB(255, 0, 0), MakeRGB(255, 255, 255), 9, 1},
               {MakeRGB(10, 200, 30), MakeRGB(0, 0, 90), 9, 1},
               {MakeRGB(0, 0, 0), MakeRGB(255, 255, 255), 11, 0}};
  for (const Case& c : cases) {
    TIEBitmap b;
    b.Allocate(9, 4, ieRGB24);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 9; ++x) b.SetRGB24(x, y, (x + y) % 2 ? c.b : c.a);
    TIOParamsVals p(nullptr);
    p.SamplesPerPixel = 1;
    p.BitsPerSample = 1;
    p.TgaCompressed = true;
    const auto file = Write(&b, p);
    EXPECT_EQ(file[1], c.map_type);
    EXPECT_EQ(file[2], c.type);
    if (c.map_type) { EXPECT_EQ(file[5] | file[6] << 8, 2); }
    Read r(file);
    ASSERT_FALSE(r.aborted);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 9; ++x) EXPECT_EQ(r.At(x, y), (x + y) % 2 ? c.b : c.a) << x << "," << y;
  }
}

TEST(TgaReader, BadAndHostileFiles) {
  Tga t;
  t.type = 5;
  EXPECT_TRUE(Read(t.Build()).aborted);
  t.type = 2;
  t.depth = 12;
  EXPECT_TRUE(Read(t.Build()).aborted);
  t.depth = 24;
  t.width = t.height = 65535;
  t.data = {0xFF, 1, 2, 3};
  EXPECT_TRUE(Read(t.Build()).aborted);
  t.width = t.height = 4;
  EXPECT_TRUE(Read(t.Build()).aborted);  // the data end early
  const auto header = t.Build();
  TIEMemStream s(header.data(), static_cast<int64_t>(header.size()));
  s.SetPosition(0);
  EXPECT_TRUE(IsTGAStream(&s));
  EXPECT_EQ(s.Position(), 0);
  t.width = 0;
  const auto empty = t.Build();
  TIEMemStream e(empty.data(), static_cast<int64_t>(empty.size()));
  EXPECT_FALSE(IsTGAStream(&e));
}
