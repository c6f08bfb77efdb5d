// The bitmap reader and writer on hand-built files: header variants, the
// decoders of every depth, run-length codes, and hostile headers.
#include <gtest/gtest.h>

#include <cstring>

#include "BmpTestSupport.h"
#include "imaging/model/PixelHelpers.h"
#include "rtl/TStream.h"

namespace {

TRGB Px(BmpReadResult& r, int x, int y) { return r.bitmap->GetPixelRGB(x, y); }

std::vector<uint8_t> WriteBMP(TIEBitmap* image, TIOParamsVals& params, bool* aborted = nullptr) {
  TMemoryStream s;
  bool abort = false;
  TIOProgressRec p;
  p.Aborting = &abort;
  WriteBMPStream(&s, image, params, p);
  if (aborted) *aborted = abort;
  const auto* b = static_cast<const uint8_t*>(s.Memory());
  return std::vector<uint8_t>(b, b + s.Size());
}

// A 24-bit test card: every pixel its own colour.
std::unique_ptr<TIEBitmap> Card(int w, int h) {
  auto b = std::make_unique<TIEBitmap>();
  b->Allocate(w, h, ieRGB24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b->SetRGB24(x, y, MakeRGB(static_cast<uint8_t>(x * 37 + y), static_cast<uint8_t>(y * 11),
                                static_cast<uint8_t>(x ^ y)));
  return b;
}

}  // namespace

TEST(BmpReader, SixteenBitFieldsFollowTheMasks) {
  // 5-5-5 by default; a 5-bit channel of 31 is 248.
  BmpSpec s;
  s.width = 2;
  s.bits = 16;
  s.pixels = {0xFF, 0x7F, 0x1F, 0x00};
  auto r = ReadBMPBytes(BuildBMP(s));
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(Px(r, 0, 0), MakeRGB(248, 248, 248));
  EXPECT_EQ(Px(r, 1, 0), MakeRGB(0, 0, 248));
  EXPECT_EQ(r.params->BitsPerSample, 5);
  EXPECT_EQ(r.params->SamplesPerPixel, 3);

  // 5-6-5 masks after a 40-byte header and inside a 56-byte one.
  for (uint32_t hs : {40u, 56u}) {
    s.header_size = hs;
    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixels = {0xE0, 0x07, 0x00, 0xF8};  // pure green, pure red
    r = ReadBMPBytes(BuildBMP(s));
    ASSERT_FALSE(r.aborted) << hs;
    EXPECT_EQ(Px(r, 0, 0), MakeRGB(0, 252, 0)) << hs;
    EXPECT_EQ(Px(r, 1, 0), MakeRGB(248, 0, 0)) << hs;
  }
}

TEST(BmpReader, OddBitFieldMasksStayInsideTheirChannels) {
  BmpSpec s;
  s.width = 1;
  s.bits = 16;
  s.compression = 3;
  struct Case {
    std::vector<uint32_t> masks;
    uint16_t pixel;
    TRGB expect;
  } cases[] = {
      // blue on top, red at the bottom
      {{0x001F, 0x03E0, 0x7C00}, 0x7C00, MakeRGB(0, 0, 248)},
      // a zero mask gives nothing, a 1-bit mask full or empty
      {{0, 0x8000, 0x0001}, 0x8001, MakeRGB(0, 128, 128)},
      // a gap in a mask: only the run from its lowest bit counts
      {{0x0F00 | 0x8000, 0x00F0, 0x000F}, 0xFFFF, MakeRGB(240, 240, 240)},
      // a 12-bit channel keeps its top 8 bits
      {{0x0FFF, 0, 0xF000}, 0x0ABC, MakeRGB(0xAB, 0, 0)},
      // overlapping masks read the same bits twice
      {{0xFFFF, 0xFFFF, 0xFFFF}, 0x1234, MakeRGB(0x12, 0x12, 0x12)},
  };
  for (const Case& c : cases) {
    s.masks = c.masks;
    s.pixels = {static_cast<uint8_t>(c.pixel), static_cast<uint8_t>(c.pixel >> 8), 0, 0};
    auto r = ReadBMPBytes(BuildBMP(s));
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(Px(r, 0, 0), c.expect) << std::hex << c.masks[0] << " " << c.pixel;
  }

  // 32 bits with the channels in another byte order and alpha in the low byte.
  s.bits = 32;
  s.header_size = 56;
  s.width = 2;
  s.masks = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
  s.pixels = {0x80, 0x30, 0x20, 0x10, 0xFF, 0x03, 0x02, 0x01};
  auto r = ReadBMPBytes(BuildBMP(s));
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(Px(r, 0, 0), MakeRGB(0x10, 0x20, 0x30));
  EXPECT_EQ(Px(r, 1, 0), MakeRGB(1, 2, 3));
  ASSERT_TRUE(r.alpha);
  EXPECT_EQ(r.alpha->GetPixel(0, 0), 0x80);
  EXPECT_EQ(r.alpha->GetPixel(1, 0), 0xFF);
}

TEST(BmpReader, OneBitPaletteDecidesTheBitSense) {
  BmpSpec s;
  s.width = 8;
  s.bits = 1;
  s.pixels = {0xA5, 0, 0, 0};
  s.palette = {0xFFFFFF, 0x000000};  // white, black: inverted
  auto r = ReadBMPBytes(BuildBMP(s));
  ASSERT_FALSE(r.aborted);
  ASSERT_EQ(r.bitmap->PixelFormat(), ieMono1);
  EXPECT_EQ(r.bitmap->GetScanline(0)[0], 0x5A);
  s.palette = {0x000000, 0xFFFFFF};  // black, white: as stored
  r = ReadBMPBytes(BuildBMP(s));
  EXPECT_EQ(r.bitmap->GetScanline(0)[0], 0xA5);
}

TEST(BmpReader, PaletteDepthsHeadersAndRowOrder) {
  // 4 bits, 2 x 2, bottom-up: the first stored row is the bottom one.
  BmpSpec s;
  s.width = 3;
  s.height = 2;
  s.bits = 4;
  s.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  s.pixels = {0x12, 0x30, 0, 0, 0x21, 0x00, 0, 0};
  for (uint32_t hs : {40u, 64u, 108u}) {
    s.header_size = hs;
    auto r = ReadBMPBytes(BuildBMP(s));
    ASSERT_FALSE(r.aborted) << hs;
    EXPECT_EQ(r.params->BmpVersion, hs == 40 ? 1 : hs == 64 ? 3 : 0);
    EXPECT_EQ(Px(r, 0, 1), MakeRGB(255, 0, 0)) << hs;
    EXPECT_EQ(Px(r, 1, 1), MakeRGB(0, 255, 0));
    EXPECT_EQ(Px(r, 2, 1), MakeRGB(0, 0, 255));
    EXPECT_EQ(Px(r, 0, 0), MakeRGB(0, 255, 0));
    EXPECT_EQ(Px(r, 1, 0), MakeRGB(255, 0, 0));
  }
  // Kept as indexes with the native switch.
  s.header_size = 40;
  auto r = ReadBMPBytes(BuildBMP(s), true);
  ASSERT_EQ(r.bitmap->PixelFormat(), iePalette8);
  EXPECT_EQ(r.bitmap->GetByte(2, 1), 3);
  EXPECT_EQ(r.bitmap->GetPaletteEntry(3), MakeRGB(0, 0, 255));

  // OS/2 1.x header with 3-byte palette entries, 8 bits.
  BmpSpec o;
  o.header_size = 12;
  o.width = 2;
  o.bits = 8;
  o.palette.assign(256, 0);
  o.palette[7] = 0x123456;
  o.pixels = {7, 0, 0, 0};
  r = ReadBMPBytes(BuildBMP(o));
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.params->BmpVersion, 2);
  EXPECT_EQ(Px(r, 0, 0), MakeRGB(0x12, 0x34, 0x56));

  // An index beyond the palette keeps the pixel as allocated.
  s.palette.resize(2);
  r = ReadBMPBytes(BuildBMP(s));
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(Px(r, 2, 1), MakeRGB(0, 0, 0));
  EXPECT_EQ(Px(r, 0, 1), MakeRGB(255, 0, 0));
}

TEST(BmpReader, TopDownRowsKeepTheirAlpha) {
  BmpSpec s;
  s.width = 1;
  s.height = -2;
  s.bits = 32;
  s.pixels = {1, 2, 3, 10, 4, 5, 6, 200};
  auto r = ReadBMPBytes(BuildBMP(s));
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.bitmap->Height(), 2);
  EXPECT_EQ(Px(r, 0, 0), MakeRGB(3, 2, 1));
  EXPECT_EQ(Px(r, 0, 1), MakeRGB(6, 5, 4));
  ASSERT_TRUE(r.alpha);
  EXPECT_EQ(r.alpha->GetPixel(0, 0), 10);
  EXPECT_EQ(r.alpha->GetPixel(0, 1), 200);

  // All alpha bytes 0 (or all 255): no usable alpha.
  s.pixels[3] = s.pixels[7] = 0;
  r = ReadBMPBytes(BuildBMP(s));
  EXPECT_FALSE(r.alpha);
}

TEST(BmpReader, ResolutionFromPixelsPerMetre) {
  BmpSpec s;
  s.ppm = 3780;
  s.pixels = {0, 0, 0, 0};
  auto r = ReadBMPBytes(BuildBMP(s));
  EXPECT_EQ(r.params->DpiX(), 96);
  EXPECT_EQ(r.params->DpiY(), 96);
  s.ppm = 0;
  r = ReadBMPBytes(BuildBMP(s));
  EXPECT_EQ(r.params->DpiX(), DefaultDpiX);
}

TEST(BmpReader, RunLengthCodes) {
  // RLE8, 6 x 3: a run, an absolute run, a delta, end of line, end of bitmap.
  BmpSpec s;
  s.width = 6;
  s.height = 3;
  s.bits = 8;
  s.compression = 1;
  s.palette.resize(256);
  for (uint32_t i = 0; i < 256; ++i) s.palette[i] = i * 0x010101;
  s.pixels = {
      3, 9,              // row 0: 9 9 9
      0, 3, 1, 2, 3, 0,  // absolute 1 2 3 (padded)
      0, 0,              // end of line
      0, 2, 2, 1,        // delta: x + 2, one row up
      2, 7,              // row 2: x 2..3 = 7
      9, 5,              // a run past the width: x 4..5 = 5, the rest dropped
      0, 1};             // end of bitmap
  auto r = ReadBMPBytes(BuildBMP(s));
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.params->BmpCompression, 1);
  const int bottom = 2, top = 0;
  uint8_t want_bottom[6] = {9, 9, 9, 1, 2, 3};
  uint8_t want_top[6] = {0, 0, 7, 7, 5, 5};
  for (int x = 0; x < 6; ++x) {
    EXPECT_EQ(Px(r, x, bottom).r, want_bottom[x]) << x;
    EXPECT_EQ(Px(r, x, 1).r, 0) << x;
    EXPECT_EQ(Px(r, x, top).r, want_top[x]) << x;
  }

  // RLE4: alternating nibbles of a run, an odd absolute run.
  s.bits = 4;
  s.compression = 2;
  s.palette.resize(16);
  s.height = 1;
  s.pixels = {3, 0x12, 0, 3, 0x45, 0x60, 0, 0, 0, 1};
  r = ReadBMPBytes(BuildBMP(s));
  ASSERT_FALSE(r.aborted);
  uint8_t want4[6] = {1, 2, 1, 4, 5, 6};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(Px(r, x, 0).r, want4[x] * 0x01) << x;
}

// Hostile or broken files end in the abort flag, never in a read or write
// outside the data or the image.
TEST(BmpReader, BrokenFilesAbort) {
  BmpSpec good;
  good.width = 2;
  good.height = 2;
  good.pixels.assign(16, 0x40);
  ASSERT_FALSE(ReadBMPBytes(BuildBMP(good)).aborted);

  struct Case {
    const char* what;
    std::vector<uint8_t> data;
  };
  std::vector<Case> cases;
  auto with = [&](const char* what, auto change) {
    BmpSpec s = good;
    change(s);
    cases.push_back({what, BuildBMP(s)});
  };
  with("2 bits", [](BmpSpec& s) { s.bits = 2; });
  with("0 bits", [](BmpSpec& s) { s.bits = 0; });
  with("64 bits", [](BmpSpec& s) { s.bits = 64; });
  with("zero width", [](BmpSpec& s) { s.width = 0; });
  with("zero height", [](BmpSpec& s) { s.height = 0; });
  with("negative width", [](BmpSpec& s) { s.width = -5; });
  with("RLE8 at 24 bits", [](BmpSpec& s) { s.compression = 1; });
  with("JPEG inside", [](BmpSpec& s) { s.compression = 4; });
  with("RLE4 at 1 bit", [](BmpSpec& s) {
    s.bits = 1;
    s.compression = 2;
  });
  with("header size 8", [](BmpSpec& s) { s.header_size = 8; });
  with("truncated rows", [](BmpSpec& s) { s.pixels.resize(10); });
  with("huge image in a small file", [](BmpSpec& s) {
    s.width = 60000;
    s.height = 60000;
  });
  with("RLE8 without its end", [](BmpSpec& s) {
    s.bits = 8;
    s.compression = 1;
    s.palette.assign(256, 0);
    s.pixels = {2, 1, 0, 0, 2};
  });
  with("RLE8 absolute run past the data", [](BmpSpec& s) {
    s.bits = 8;
    s.compression = 1;
    s.palette.assign(256, 0);
    s.pixels = {0, 200, 1, 2, 3};
  });
  with("RLE4 delta cut short", [](BmpSpec& s) {
    s.bits = 4;
    s.compression = 2;
    s.palette.assign(16, 0);
    s.pixels = {0, 2, 1};
  });
  auto bytes = BuildBMP(good);
  cases.push_back({"file header only", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 14)});
  cases.push_back({"info header cut", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 30)});
  cases.push_back({"not BM", bytes});
  cases.back().data[0] = 'X';
  cases.push_back({"pixel offset past the end", bytes});
  cases.back().data[10] = 0xF0;
  cases.back().data[11] = 0xFF;
  BmpSpec pal = good;
  pal.bits = 8;
  pal.palette = {1, 2, 3};
  pal.colors_used = 256;
  auto p = BuildBMP(pal);
  p.resize(14 + 40 + 12);
  cases.push_back({"palette cut", p});
  BmpSpec big_header = good;
  big_header.header_size = 124;
  auto bh = BuildBMP(big_header);
  bh[14] = 0xFF;  // a header size beyond the file
  bh[15] = 0xFF;
  cases.push_back({"header larger than the file", bh});

  for (const Case& c : cases) {
    auto r = ReadBMPBytes(c.data);
    EXPECT_TRUE(r.aborted) << c.what;
    EXPECT_LE(int64_t{r.bitmap->Width()} * r.bitmap->Height(), 4) << c.what;
  }
}

TEST(BmpReader, RunsPastTheImageAreClipped) {
  BmpSpec s;
  s.width = 4;
  s.height = 2;
  s.bits = 8;
  s.compression = 1;
  s.palette = {0, 0xFFFFFF};
  s.pixels = {
      0, 2, 250, 0,       // delta far right: nothing lands
      2, 1,               // a run outside the row
      0, 2, 0, 200,       // a delta far beyond the last row ends the bitmap
      4, 1};              // never reached
  auto r = ReadBMPBytes(BuildBMP(s));
  EXPECT_FALSE(r.aborted);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Px(r, x, y), MakeRGB(0, 0, 0));
}

TEST(BmpReader, ParamsOnlyLeavesTheImage) {
  BmpSpec s;
  s.width = 5;
  s.height = 3;
  s.bits = 8;
  s.palette = {0};
  s.pixels.assign(24, 0);
  auto r = ReadBMPBytes(BuildBMP(s), false, true);
  EXPECT_FALSE(r.aborted);
  EXPECT_EQ(r.params->Width, 5);
  EXPECT_EQ(r.params->Height, 3);
  EXPECT_EQ(r.params->BitsPerSample, 8);
  EXPECT_EQ(r.params->SamplesPerPixel, 1);
  EXPECT_EQ(r.bitmap->Width(), 0);
}

// The reader may lend itself a flag while it runs; the caller's record is
// left pointing where it pointed before, whether the read worked or not.
TEST(BmpReader, ProgressRecordKeepsTheCallersFlag) {
  BmpSpec s;
  s.width = 2;
  s.height = 2;
  s.pixels.assign(16, 0x40);
  const std::vector<uint8_t> good = BuildBMP(s);
  const std::vector<uint8_t> header_cut(good.begin(), good.begin() + 20);
  std::vector<uint8_t> bad_depth = good;
  bad_depth[28] = 7;  // bits per pixel
  struct Case {
    const char* what;
    const std::vector<uint8_t>* data;
    bool params_only;
    bool fails;
  };
  const Case cases[] = {{"whole read", &good, false, false},
                        {"params only", &good, true, false},
                        {"cut in the header", &header_cut, false, true},
                        {"unknown depth", &bad_depth, false, true}};
  for (const Case& c : cases) {
    for (bool callers_flag : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (callers_flag ? ", caller's flag" : ", no flag"));
      TIEBitmap bitmap;
      TIOParamsVals params(nullptr);
      std::unique_ptr<TIEMask> alpha;
      TIEMemStream stream(c.data->data(), static_cast<int64_t>(c.data->size()));
      bool aborted = false;
      TIOProgressRec p;
      p.Aborting = callers_flag ? &aborted : nullptr;
      ReadBMPStream(&stream, &bitmap, 0, false, alpha, false, c.params_only, p, params);
      EXPECT_EQ(p.Aborting, callers_flag ? &aborted : nullptr);
      if (callers_flag) {
        EXPECT_EQ(aborted, c.fails);
      }
    }
  }
}

TEST(BmpRle, RowEncoders) {
  std::vector<uint8_t> out;
  std::vector<uint8_t> row(300, 7);
  BMPEncodeRLE8Row(row.data(), 300, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{255, 7, 45, 7, 0, 0}));

  out.clear();
  const uint8_t three[3] = {1, 2, 3};
  EXPECT_EQ(BMPEncodeRLE8Row(three, 3, out), 8);
  EXPECT_EQ(out, (std::vector<uint8_t>{0, 3, 1, 2, 3, 0, 0, 0}));

  out.clear();
  const uint8_t mixed[7] = {4, 5, 5, 5, 6, 7, 8};
  BMPEncodeRLE8Row(mixed, 7, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 4, 3, 5, 0, 3, 6, 7, 8, 0, 0, 0}));

  out.clear();
  const uint8_t two[2] = {1, 2};
  BMPEncodeRLE8Row(two, 2, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 1, 1, 2, 0, 0}));

  // RLE4: a run doubles its nibble; literals pack two a byte.
  out.clear();
  const uint8_t n4[8] = {3, 3, 3, 1, 2, 4, 5, 6};
  BMPEncodeRLE4Row(n4, 8, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{3, 0x33, 0, 5, 0x12, 0x45, 0x60, 0, 0, 0}));
  out.clear();
  BMPEncodeRLE4Row(two, 2, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{2, 0x12, 0, 0}));
  out.clear();
  BMPEncodeRLE4Row(two, 1, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 0x10, 0, 0}));
  out.clear();
  const uint8_t n4b[4] = {1, 2, 3, 4};
  BMPEncodeRLE4Row(n4b, 4, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{0, 4, 0x12, 0x34, 0, 0}));
}

TEST(BmpWriter, RoundTripsEveryLayout) {
  auto card = Card(13, 7);
  struct Case {
    int bits_per_sample, samples;
    uint8_t version, compression;
    bool alpha;
  } cases[] = {{8, 3, 1, 0, false}, {8, 3, 2, 0, false}, {8, 3, 3, 0, false},
               {8, 3, 0, 0, true},  {8, 1, 1, 0, false}, {8, 1, 1, 1, false},
               {8, 1, 2, 1, false}, {4, 1, 1, 0, false}, {4, 1, 1, 1, false},
               {4, 1, 2, 0, false}, {1, 1, 1, 0, false}, {1, 1, 2, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits_per_sample << "x" << c.samples << " v"
                                    << int(c.version) << " c" << int(c.compression));
    TIEBitmap img;
    img.Assign(card.get());
    // At most 16 colours for 4 bits, two for 1 bit: then the round trip is exact.
    if (c.bits_per_sample == 4 || c.bits_per_sample == 1) {
      const int n = c.bits_per_sample == 4 ? 16 : 2;
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) {
          const int k = (x + 3 * y) % n;
          img.SetRGB24(x, y, n == 2 ? MakeRGB(k * 255, k * 255, k * 255)
                                    : MakeRGB(static_cast<uint8_t>(k * 15),
                                              static_cast<uint8_t>(255 - k * 9), 40));
        }
    }
    if (c.alpha)
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) img.SetAlpha(x, y, static_cast<uint8_t>(x * 19 + y));
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bits_per_sample;
    params.SamplesPerPixel = c.samples;
    params.BmpVersion = c.version;
    params.BmpCompression = c.compression;
    params.SetDpiX(150);
    params.SetDpiY(72);
    bool aborted = true;
    auto data = WriteBMP(&img, params, &aborted);
    ASSERT_FALSE(aborted);
    auto r = ReadBMPBytes(data);
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.params->BmpVersion, c.version == 0 ? 1 : c.version);  // 0 writes the 40-byte header
    const bool rle = c.compression == 1 && c.version != 2;
    EXPECT_EQ(r.params->BmpCompression, rle ? 1 : 0);
    if (rle) {
      // Run-length files end with end of line and end of bitmap.
      ASSERT_GE(data.size(), 4u);
      EXPECT_EQ(std::vector<uint8_t>(data.end() - 4, data.end()), (std::vector<uint8_t>{0, 0, 0, 1}));
    }
    if (c.version != 2) {
      EXPECT_EQ(r.params->DpiX(), 150);
      EXPECT_EQ(r.params->DpiY(), 72);
    }
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) {
        if (c.bits_per_sample == 1) {
          EXPECT_EQ(Px(r, x, y), ((x + 3 * y) % 2) ? MakeRGB(255, 255, 255) : MakeRGB(0, 0, 0));
        } else {
          ASSERT_EQ(Px(r, x, y), img.GetPixelRGB(x, y)) << x << "," << y;
        }
        if (c.alpha) {
          ASSERT_TRUE(r.alpha);
          EXPECT_EQ(r.alpha->GetPixel(x, y), x * 19 + y);
        }
      }
  }
}

TEST(BmpWriter, HeaderRulesAndPaletteImages) {
  // An 8-bit image written with run-length and the OS/2 1.x header has
  // uncompressed rows.
  TIEBitmap pal;
  pal.Allocate(3, 2, iePalette8);
  for (int i = 0; i < 4; ++i) pal.SetPaletteEntry(i, MakeRGB(static_cast<uint8_t>(i * 60), 10, 20));
  pal.SetByte(0, 0, 1);
  pal.SetByte(1, 0, 2);
  pal.SetByte(2, 1, 3);
  TIOParamsVals params(nullptr);
  params.SamplesPerPixel = 1;
  params.BmpVersion = 2;
  params.BmpCompression = 1;
  auto data = WriteBMP(&pal, params);
  EXPECT_EQ(data[14], 12);
  EXPECT_EQ(data.size(), 14u + 12 + 256 * 3 + 2 * 4);
  auto r = ReadBMPBytes(data);
  EXPECT_EQ(Px(r, 1, 0), MakeRGB(120, 10, 20));

  // A palette image written at 24 bits writes its colours, not its indexes.
  params.SamplesPerPixel = 3;
  params.BmpVersion = 1;
  data = WriteBMP(&pal, params);
  r = ReadBMPBytes(data);
  EXPECT_EQ(r.params->BitsPerSample, 8);
  EXPECT_EQ(r.params->SamplesPerPixel, 3);
  EXPECT_EQ(Px(r, 2, 1), MakeRGB(180, 10, 20));
  EXPECT_EQ(Px(r, 1, 0), MakeRGB(120, 10, 20));

  // Header fields: file size, pixel offset, image size, important colours.
  uint32_t file_size, offset, image_size, important;
  std::memcpy(&file_size, &data[2], 4);
  std::memcpy(&offset, &data[10], 4);
  std::memcpy(&image_size, &data[34], 4);
  std::memcpy(&important, &data[50], 4);
  EXPECT_EQ(file_size, data.size());
  EXPECT_EQ(offset, 54u);
  EXPECT_EQ(image_size, data.size() - 54);
  EXPECT_EQ(important, 16777216u);

  // The OS/2 1.x header cannot hold a width above 65535.
  TIEBitmap wide;
  wide.Allocate(70000, 1, ieMono1);
  params.BitsPerSample = 1;
  params.BmpVersion = 2;
  bool aborted = false;
  WriteBMP(&wide, params, &aborted);
  EXPECT_TRUE(aborted);
}

TEST(BmpWriter, ShortWriteAborts) {
  // A stream that takes at most 100 bytes.
  class Small : public TMemoryStream {
   public:
    int64_t Write(const void* b, int64_t n) override {
      const int64_t room = std::max<int64_t>(0, 100 - Position());
      return TMemoryStream::Write(b, std::min(n, room));
    }
  } s;
  auto card = Card(40, 40);
  TIOParamsVals params(nullptr);
  bool abort = false;
  TIOProgressRec p;
  p.Aborting = &abort;
  WriteBMPStream(&s, card.get(), params, p);
  EXPECT_TRUE(abort);
}
