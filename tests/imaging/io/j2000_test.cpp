// JPEG-2000 reader and writer: the content tests, lossless round trips of
// each colour layout, the scaling of precisions below and above 8 bits,
// rate and progression order, the component layouts of files other writers
// make (signed, YCbCr, subsampled, alpha), bad and implausible data, and the
// formats inside the input/output component.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "J2000TestSupport.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/PixelHelpers.h"
#include "rtl/TComponent.h"

using namespace codec;
using j2k::Load;
using j2k::Loaded;
using j2k::Save;

namespace {

TRGB Pixel(TIEBitmap& b, int x, int y) { return b.GetRGB24(x, y); }

bool Bit(TIEBitmap& b, int x, int y) { return b.GetScanline(y)[x >> 3] >> (7 - (x & 7)) & 1; }

void FillMono(TIEBitmap& b, int w, int h) {
  b.Allocate(w, h, ieMono1);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.GetScanline(y);
    for (int x = 0; x < w; ++x)
      if ((x * 7 + y * 3) % 5 < 2) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      else row[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
  }
}

// A grey ramp over the whole range, as an RGB picture.
void FillGreyRamp(TIEBitmap& b, int w) {
  b.Allocate(w, 1, ieRGB24);
  for (int x = 0; x < w; ++x) {
    const auto v = static_cast<uint8_t>(x * 255 / (w - 1));
    b.SetRGB24(x, 0, MakeRGBTriple(v, v, v));
  }
}

}  // namespace

TEST(J2000Test, ContentTestsReadTheSignaturesAndRestoreThePosition) {
  const std::vector<uint8_t> jp2 = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A, 0};
  const std::vector<uint8_t> j2k = {0xFF, 0x4F, 0xFF, 0x51, 0};
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    bool is_jp2, is_j2k;
  } cases[] = {
      {"JP2 signature box", jp2, true, false},
      {"code stream", j2k, false, true},
      {"JP2 box of another length", {0, 0, 0, 13, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A}, false, false},
      {"JP2 signature cut short", std::vector<uint8_t>(jp2.begin(), jp2.begin() + 11), false, false},
      {"start of code stream without the size marker", {0xFF, 0x4F, 0xFF, 0x52}, false, false},
      {"code stream cut short", {0xFF, 0x4F, 0xFF}, false, false},
      {"empty", {}, false, false},
  };
  for (const Case& c : cases) {
    // One byte in front: the tests read at the position, not the start.
    std::vector<uint8_t> data = {0x55};
    data.insert(data.end(), c.data.begin(), c.data.end());
    TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
    s.SetPosition(1);
    EXPECT_EQ(IsJP2Stream(&s), c.is_jp2) << c.name;
    EXPECT_EQ(s.Position(), 1) << c.name;
    EXPECT_EQ(IsJ2KStream(&s), c.is_j2k) << c.name;
    EXPECT_EQ(s.Position(), 1) << c.name;
  }
}

TEST(J2000Test, LosslessSavesLoadEveryPixelBack) {
  TIEBitmap src;
  FillBitmap(src, 37, 23, Picture(37, 23));
  for (int32_t format : {ieJ2000JP2, ieJ2000J2K}) {
    TIOParamsVals p(nullptr);
    bool aborted = true;
    const auto data = Save(src, p, format, &aborted);
    ASSERT_FALSE(aborted);
    {
      TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
      EXPECT_EQ(format == ieJ2000JP2, IsJP2Stream(&s));
      EXPECT_EQ(format == ieJ2000J2K, IsJ2KStream(&s));
    }
    Loaded d;
    d.params.SetDpiX(96);
    Load(data, d);
    ASSERT_FALSE(d.aborted);
    ASSERT_EQ(d.bitmap.PixelFormat(), ieRGB24);
    ASSERT_EQ(d.bitmap.Width(), 37);
    ASSERT_EQ(d.bitmap.Height(), 23);
    for (int y = 0; y < 23; ++y)
      for (int x = 0; x < 37; ++x) ASSERT_EQ(Pixel(d.bitmap, x, y), Pixel(src, x, y)) << x << "," << y;
    EXPECT_EQ(d.params.Width, 37);
    EXPECT_EQ(d.params.Height, 23);
    EXPECT_EQ(d.params.BitsPerSample, 8);
    EXPECT_EQ(d.params.SamplesPerPixel, 3);
    EXPECT_EQ(d.params.J2000ColorSpace, 1);
    EXPECT_EQ(d.params.DpiX(), DefaultDpiX);
  }
}

TEST(J2000Test, GreySavesHoldTheLibraryGreyLevel) {
  TIEBitmap src;
  FillBitmap(src, 20, 9, Picture(20, 9));
  TIOParamsVals p(nullptr);
  p.J2000ColorSpace = 0;
  Loaded d;
  Load(Save(src, p, ieJ2000JP2), d);
  ASSERT_FALSE(d.aborted);
  EXPECT_EQ(d.params.J2000ColorSpace, 0);
  EXPECT_EQ(d.params.SamplesPerPixel, 1);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 20; ++x) {
      const TRGB s = Pixel(src, x, y);
      const auto g = static_cast<uint8_t>((s.r * 21 + s.g * 71 + s.b * 8) / 100);
      ASSERT_EQ(Pixel(d.bitmap, x, y), MakeRGBTriple(g, g, g)) << x << "," << y;
    }
}

// A 1-bit picture is written as one grey bit, the record set to 1 bit and
// grey, and reads back as a 1-bit picture.
TEST(J2000Test, MonoSavesSetTheRecordToOneGreyBitAndLoadAsOneBit) {
  TIEBitmap src;
  FillMono(src, 29, 11);
  TIOParamsVals p(nullptr);
  p.BitsPerSample = 8;
  p.J2000ColorSpace = 1;
  for (int32_t format : {ieJ2000JP2, ieJ2000J2K}) {
    p.BitsPerSample = 8;
    p.J2000ColorSpace = 1;
    Loaded d;
    Load(Save(src, p, format), d);
    EXPECT_EQ(p.BitsPerSample, 1);
    EXPECT_EQ(p.J2000ColorSpace, 0);
    ASSERT_FALSE(d.aborted);
    ASSERT_EQ(d.bitmap.PixelFormat(), ieMono1);
    EXPECT_EQ(d.params.BitsPerSample, 1);
    EXPECT_EQ(d.params.SamplesPerPixel, 1);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 29; ++x) ASSERT_EQ(Bit(d.bitmap, x, y), Bit(src, x, y)) << x << "," << y;
  }
}

// Samples of fewer than 8 bits span the whole 0..255 range: white stays
// white (the top bits of a 4-bit 15 would give 240).
TEST(J2000Test, PrecisionsBelowEightScaleToTheFullRange) {
  TIEBitmap src;
  FillGreyRamp(src, 256);
  for (int prec : {2, 3, 4, 5, 7}) {
    for (uint8_t space : {0, 1}) {
      TIOParamsVals p(nullptr);
      p.BitsPerSample = prec;
      p.J2000ColorSpace = space;
      Loaded d;
      Load(Save(src, p, ieJ2000J2K), d);
      ASSERT_FALSE(d.aborted) << prec;
      EXPECT_EQ(d.params.BitsPerSample, prec);
      const int max = (1 << prec) - 1;
      for (int x = 0; x < 256; ++x) {
        const int v = Pixel(src, x, 0).r;  // grey: the weights add up to 100
        const int stored = v * max / 255;
        const auto want = static_cast<uint8_t>(std::lround(stored * 255.0 / max));
        ASSERT_EQ(Pixel(d.bitmap, x, 0), MakeRGBTriple(want, want, want)) << prec << " " << x;
      }
      EXPECT_EQ(Pixel(d.bitmap, 255, 0).r, 255) << prec;
    }
  }
  // One grey bit reads as a 1-bit picture.
  TIOParamsVals p(nullptr);
  p.BitsPerSample = 1;
  p.J2000ColorSpace = 0;
  Loaded d;
  Load(Save(src, p, ieJ2000JP2), d);
  ASSERT_FALSE(d.aborted);
  ASSERT_EQ(d.bitmap.PixelFormat(), ieMono1);
  EXPECT_FALSE(Bit(d.bitmap, 0, 0));
  EXPECT_TRUE(Bit(d.bitmap, 255, 0));
}

TEST(J2000Test, PrecisionsAboveEightKeepTheirTopBits) {
  TIEBitmap src;
  FillGreyRamp(src, 256);
  for (int prec : {9, 12, 16}) {
    TIOParamsVals p(nullptr);
    p.BitsPerSample = prec;
    Loaded d;
    Load(Save(src, p, ieJ2000JP2), d);
    ASSERT_FALSE(d.aborted);
    EXPECT_EQ(d.params.BitsPerSample, prec);
    const int64_t max = (int64_t{1} << prec) - 1;
    for (int x = 0; x < 256; ++x) {
      const auto want = static_cast<uint8_t>(Pixel(src, x, 0).r * max / 255 >> (prec - 8));
      ASSERT_EQ(Pixel(d.bitmap, x, 0).g, want) << prec << " " << x;
    }
  }
}

TEST(J2000Test, RateCutsTheSizeAndOrderAndColourSpaceShowInTheCodeStream) {
  constexpr int kSide = 64;
  std::vector<uint8_t> noise(kSide * kSide * 3);
  std::mt19937 rng(7);
  for (auto& v : noise) v = static_cast<uint8_t>(rng());
  TIEBitmap src;
  FillBitmap(src, kSide, kSide, noise);

  TIOParamsVals lossless(nullptr);
  const auto whole = Save(src, lossless, ieJ2000J2K);
  TIOParamsVals lossy(nullptr);
  lossy.J2000Rate = 0.1;
  const auto cut = Save(src, lossy, ieJ2000J2K);
  EXPECT_GT(whole.size(), noise.size() * 9 / 10);  // noise does not compress
  EXPECT_LT(cut.size(), noise.size() / 10 + 200);
  Loaded d;
  Load(cut, d);
  ASSERT_FALSE(d.aborted);
  EXPECT_EQ(d.bitmap.Width(), kSide);

  // The coding style marker holds the progression order at its fifth byte.
  for (uint8_t order : {0, 1}) {
    TIOParamsVals p(nullptr);
    p.J2000ProgressionOrder = order;
    const auto data = Save(src, p, ieJ2000J2K);
    const int64_t cod = j2k::FindMarker(data, 0xFF52);
    ASSERT_GE(cod, 0);
    EXPECT_EQ(data[static_cast<size_t>(cod) + 5], order);
  }
  // YCbCr is written as RGB.
  TIOParamsVals rgb(nullptr), ycc(nullptr);
  ycc.J2000ColorSpace = 2;
  EXPECT_EQ(Save(src, rgb, ieJ2000JP2), Save(src, ycc, ieJ2000JP2));
}

TEST(J2000Test, ReadsSignedYCbCrSubsampledAndAlphaLayouts) {
  const uint32_t w = 6, h = 4;
  // Signed grey samples are centred on zero.
  {
    j2k::Component g{1, 1, 8, true, [](uint32_t x, uint32_t y) { return int32_t(x * 40 + y) - 128; }};
    Loaded d;
    Load(j2k::Encode(w, h, {g}, OPJ_CLRSPC_GRAY, true), d);
    ASSERT_FALSE(d.aborted);
    EXPECT_EQ(Pixel(d.bitmap, 0, 0).r, 0);
    EXPECT_EQ(Pixel(d.bitmap, 5, 3).r, 203);
  }
  // YCbCr through the BT.601 offsets: Y 100, Cb 148, Cr 98 is red 100 - 42,
  // green 100 - 7 + 21, blue 100 + 35.
  {
    j2k::Component y{1, 1, 8, false, [](uint32_t, uint32_t) { return 100; }};
    j2k::Component cb{1, 1, 8, false, [](uint32_t, uint32_t) { return 148; }};
    j2k::Component cr{1, 1, 8, false, [](uint32_t, uint32_t) { return 98; }};
    Loaded d;
    Load(j2k::Encode(w, h, {y, cb, cr}, OPJ_CLRSPC_SYCC, true), d);
    ASSERT_FALSE(d.aborted);
    EXPECT_EQ(d.params.J2000ColorSpace, 2);
    EXPECT_EQ(Pixel(d.bitmap, 2, 1), MakeRGBTriple(58, 114, 135));
  }
  // Components at half resolution cover two by two pixels.
  {
    j2k::Component r{1, 1, 8, false, [](uint32_t x, uint32_t y) { return int32_t(x * 10 + y); }};
    j2k::Component g{2, 2, 8, false, [](uint32_t x, uint32_t y) { return int32_t(100 + x * 10 + y); }};
    j2k::Component b{2, 1, 8, false, [](uint32_t x, uint32_t y) { return int32_t(200 + x * 10 + y); }};
    Loaded d;
    Load(j2k::Encode(w, h, {r, g, b}, OPJ_CLRSPC_SRGB, false), d);
    ASSERT_FALSE(d.aborted);
    EXPECT_EQ(Pixel(d.bitmap, 5, 3), MakeRGBTriple(53, 121, 223));
  }
  // A fourth component (alpha, in a code stream without a channel map) is
  // left out.
  {
    auto c = [](int32_t base) {
      return j2k::Component{1, 1, 8, false, [base](uint32_t x, uint32_t y) { return int32_t(base + x + y); }};
    };
    Loaded d;
    Load(j2k::Encode(w, h, {c(10), c(20), c(30), c(40)}, OPJ_CLRSPC_UNSPECIFIED, false), d);
    ASSERT_FALSE(d.aborted);
    EXPECT_EQ(d.params.SamplesPerPixel, 3);
    EXPECT_EQ(Pixel(d.bitmap, 1, 1), MakeRGBTriple(12, 22, 32));
  }
  // CMYK (enumerated colour space 12 in the header box) is not read.
  {
    auto c = [](uint32_t, uint32_t) { return 7; };
    j2k::Component k{1, 1, 8, false, c};
    auto data = j2k::Encode(w, h, {k, k, k, k}, OPJ_CLRSPC_SRGB, true);
    const int64_t colr = j2k::FindMarker(data, 'c' << 8 | 'o');
    ASSERT_GE(colr, 0);
    ASSERT_EQ(data[static_cast<size_t>(colr) + 10], 16);  // sRGB
    data[static_cast<size_t>(colr) + 10] = 12;
    Loaded d;
    Load(data, d);
    EXPECT_TRUE(d.aborted);
  }
}

// A JP2 palette maps one coded component to three colours, in a full read
// and in a read of the parameters.
TEST(J2000Test, PaletteFilesReadThroughTheirPalette) {
  j2k::Component index{1, 1, 8, false, [](uint32_t x, uint32_t y) { return int32_t(x * 16 + y); }};
  auto data = j2k::Encode(12, 5, {index}, OPJ_CLRSPC_GRAY, true);
  // The header box gets a palette of 256 entries (i, 255 - i, i / 2) and a
  // map of the three colours to its columns; its colours become sRGB.
  std::vector<uint8_t> boxes = {0, 0, 0, 0, 'p', 'c', 'l', 'r', 1, 0, 3, 7, 7, 7};
  for (int i = 0; i < 256; ++i)
    boxes.insert(boxes.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
  boxes[3] = static_cast<uint8_t>(boxes.size() & 0xFF);
  boxes[2] = static_cast<uint8_t>(boxes.size() >> 8);
  boxes.insert(boxes.end(), {0, 0, 0, 20, 'c', 'm', 'a', 'p', 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 1, 2});
  const std::string text(data.begin(), data.end());
  const size_t colr = text.find("colr"), header = text.find("jp2h") - 4;
  ASSERT_NE(colr, std::string::npos);
  ASSERT_EQ(data[colr + 3 + 4 + 3], 17);  // grey
  const uint32_t length = uint32_t{data[header]} << 24 | data[header + 1] << 16 | data[header + 2] << 8 | data[header + 3];
  data[colr + 10] = 16;
  data.insert(data.begin() + header + length, boxes.begin(), boxes.end());
  const uint32_t grown = length + static_cast<uint32_t>(boxes.size());
  for (int i = 0; i < 4; ++i) data[header + i] = static_cast<uint8_t>(grown >> (24 - 8 * i));

  Loaded header_only;
  Load(data, header_only, true);
  ASSERT_FALSE(header_only.aborted);
  EXPECT_EQ(header_only.params.SamplesPerPixel, 3);
  EXPECT_EQ(header_only.params.J2000ColorSpace, 1);
  Loaded d;
  Load(data, d);
  ASSERT_FALSE(d.aborted);
  EXPECT_EQ(Pixel(d.bitmap, 3, 2), MakeRGBTriple(50, 205, 25));
}

TEST(J2000Test, BadOrImplausibleDataAborts) {
  TIEBitmap src;
  FillBitmap(src, 40, 30, Picture(40, 30));
  TIOParamsVals p(nullptr);
  const auto j2c = Save(src, p, ieJ2000J2K);
  const auto jp2 = Save(src, p, ieJ2000JP2);
  // Width and height of 60000 in the size marker, one tile: 40 gigabytes of
  // samples from a few hundred bytes.
  auto huge = j2c;
  for (size_t at : {8u, 12u, 24u, 28u}) {
    huge[at] = 0;
    huge[at + 1] = 0;
    huge[at + 2] = 0xEA;
    huge[at + 3] = 0x60;
  }
  const uint8_t png[] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13};
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
  } cases[] = {
      {"another format", std::vector<uint8_t>(png, png + sizeof png)},
      {"code stream cut in half", std::vector<uint8_t>(j2c.begin(), j2c.begin() + j2c.size() / 2)},
      {"JP2 file cut in half", std::vector<uint8_t>(jp2.begin(), jp2.begin() + jp2.size() / 2)},
      {"signatures only", {0xFF, 0x4F, 0xFF, 0x51}},
      {"huge size", huge},
  };
  for (const Case& c : cases) {
    Loaded d;
    Load(c.data, d);
    EXPECT_TRUE(d.aborted) << c.name;
  }
  Loaded d;
  Load(huge, d, true);
  EXPECT_TRUE(d.aborted);
}

TEST(J2000Test, DataThatDecodeToNothingAreAFailure) {
  TIEBitmap src;
  FillBitmap(src, 40, 30, Picture(40, 30));
  TIOParamsVals p(nullptr);
  const auto j2c = Save(src, p, ieJ2000J2K);
  // The packets zeroed: each says it is empty, the library decodes every
  // sample to the middle level, a flat grey made of nothing in the file.
  const int64_t sod = j2k::FindMarker(j2c, 0xFF93);
  ASSERT_GT(sod, 0);
  auto zeroed = j2c;
  std::fill(zeroed.begin() + sod + 2, zeroed.end() - 2, uint8_t{0});
  Loaded z;
  Load(zeroed, z);
  EXPECT_TRUE(z.aborted);
  EXPECT_EQ(z.reason, IENoPictureDataText());
  // The data cut right after the start of the tile's data: the library
  // refuses them, and the reason says the data are damaged.
  std::vector<uint8_t> cut(j2c.begin(), j2c.begin() + sod + 2);
  Loaded c;
  Load(cut, c);
  EXPECT_TRUE(c.aborted);
  EXPECT_NE(c.reason.find("damaged"), std::string::npos) << c.reason;
  // A real flat picture of another level loads.
  TIEBitmap flat;
  std::vector<uint8_t> rgb;
  for (int i = 0; i < 16 * 16; ++i) rgb.insert(rgb.end(), {200, 30, 90});
  FillBitmap(flat, 16, 16, rgb);
  Loaded f;
  Load(Save(flat, p, ieJ2000J2K), f);
  ASSERT_FALSE(f.aborted) << f.reason;
  EXPECT_EQ(f.bitmap.GetPixelRGB(5, 5), MakeRGB(200, 30, 90));
}

TEST(J2000Test, ParamsOnlyReadsTheHeaderAndLeavesTheBitmap) {
  TIEBitmap src;
  FillBitmap(src, 40, 30, Picture(40, 30));
  TIOParamsVals p(nullptr);
  p.BitsPerSample = 12;
  p.J2000ColorSpace = 0;
  Loaded d;
  Load(Save(src, p, ieJ2000JP2), d, true);
  ASSERT_FALSE(d.aborted);
  EXPECT_EQ(d.params.Width, 40);
  EXPECT_EQ(d.params.Height, 30);
  EXPECT_EQ(d.params.BitsPerSample, 12);
  EXPECT_EQ(d.params.SamplesPerPixel, 1);
  EXPECT_EQ(d.params.J2000ColorSpace, 0);
  EXPECT_EQ(d.bitmap.Width(), 0);
}

TEST(J2000Test, TheAbortFlagStopsReadingAndWriting) {
  TIEBitmap src;
  FillBitmap(src, 30, 40, Picture(30, 40));
  TIOParamsVals p(nullptr);
  const auto data = Save(src, p, ieJ2000J2K);
  bool aborted = false;
  int reports = 0;
  TIOProgressRec rec;
  rec.Aborting = &aborted;
  rec.fOnProgress = [&](TObject*, int32_t percent) {
    ++reports;
    if (percent >= 50) aborted = true;
  };
  TIEBitmap out;
  TIOParamsVals rp(nullptr);
  TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
  ReadJ2000Stream(&s, &out, rp, rec, false);
  EXPECT_EQ(reports, 21);  // rows 0..20; row 20 reports 50
  reports = 0;
  aborted = false;
  TMemoryStream written;
  WriteJ2000Stream(&written, &src, p, rec, ieJ2000JP2);
  EXPECT_EQ(reports, 21);
  EXPECT_EQ(written.Size(), 0);
}

// A stream that takes no bytes fails the save instead of passing for one.
TEST(J2000Test, AWriteTheStreamRefusesSetsTheAbortFlag) {
  TIEBitmap src;
  FillBitmap(src, 30, 40, Picture(30, 40));
  TIOParamsVals p(nullptr);
  for (int32_t format : {ieJ2000JP2, ieJ2000J2K}) {
    uint8_t block[16] = {};
    TIEMemStream readonly(block, sizeof block);
    Progress pr;
    WriteJ2000Stream(&readonly, &src, p, pr.rec, format);
    EXPECT_TRUE(pr.aborted) << format;
  }
}

TEST(J2000Test, TheComponentSavesDetectsAndLoadsBothFormats) {
  Folder folder;
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  FillBitmap(*io->IEBitmap(), 33, 17, Picture(33, 17));
  struct Case {
    const char* name;
    int32_t type;
  } cases[] = {{"a.jp2", ieftJP2}, {"a.j2k", ieftJ2K}, {"a.jpc", ieftJ2K}, {"a.j2c", ieftJ2K}};
  for (const Case& c : cases) {
    const std::string file = folder / c.name;
    io->SaveToFile(file);
    ASSERT_FALSE(io->Aborted()) << c.name;
    EXPECT_EQ(FindFileFormat(file, true), c.type) << c.name;
    TOwned<TImagoIO> in(new TImagoIO(nullptr));
    in->LoadFromFile(file);
    ASSERT_FALSE(in->Aborted()) << c.name;
    EXPECT_EQ(in->Params()->FileType, c.type);
    EXPECT_EQ(in->IEBitmap()->Width(), 33);
    EXPECT_EQ(DescribeImageParams(in->Params()),
              c.type == ieftJP2 ? "JPEG2000 (JP2) RGB" : "JPEG2000 Code Stream (J2K) RGB");
  }
  // The type a load is asked for names the result, not the data.
  TOwned<TImagoIO> in(new TImagoIO(nullptr));
  in->LoadFromFileOfType(folder / "a.jp2", ieftJ2K);
  EXPECT_FALSE(in->Aborted());
  EXPECT_EQ(in->Params()->FileType, ieftJ2K);
  // Any other pixel format is saved as 24 bits.
  io->IEBitmap()->ConvertFormat(ieGray8);
  io->SaveToFile(folder / "grey.jp2");
  EXPECT_FALSE(io->Aborted());
  in->LoadFromFile(folder / "grey.jp2");
  EXPECT_EQ(in->Params()->SamplesPerPixel, 3);
  // Saving a 1-bit picture leaves the component's record at one grey bit.
  io->Params()->BitsPerSample = 8;
  io->Params()->J2000ColorSpace = 1;
  io->IEBitmap()->ConvertFormat(ieMono1);
  io->SaveToFile(folder / "mono.j2k");
  EXPECT_FALSE(io->Aborted());
  EXPECT_EQ(io->Params()->BitsPerSample, 1);
  EXPECT_EQ(io->Params()->J2000ColorSpace, 0);
  in->LoadFromFile(folder / "mono.j2k");
  EXPECT_EQ(in->IEBitmap()->PixelFormat(), ieMono1);
}
