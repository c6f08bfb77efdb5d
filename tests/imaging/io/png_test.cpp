// PNG reader and writer: the signature test, failures, the pixel formats
// read, background, resolution, text, and what the writer makes of each
// kind of image and parameter.
#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include <sys/resource.h>

#include "CodecTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/formats/PNG.h"
#include "imaging/model/TIEMask.h"

using namespace codec;

namespace {

struct Decoded {
  TIEBitmap image;
  TIOParamsVals params{nullptr};
  bool aborted = false;
};

void Decode(const std::vector<uint8_t>& data, Decoded& d, bool params_only = false) {
  TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
  Progress p;
  ReadPNGStream(&s, &d.image, d.params, p.rec, params_only);
  d.aborted = p.aborted;
}

std::vector<uint8_t> Encode(TIEBitmap& image, TIOParamsVals& params, TIEMask* mask = nullptr) {
  TMemoryStream s;
  Progress p;
  WritePNGStream(&s, &image, params, p.rec, mask);
  EXPECT_FALSE(p.aborted);
  return Bytes(s);
}

// A PNG built by libpng itself from rows as the file stores them.
struct Spec {
  int w = 4, h = 2, depth = 8, colour = PNG_COLOR_TYPE_RGB;
  bool interlace = false;
  std::vector<png_color> palette;
  std::vector<png_byte> trns;
  bool bkgd = false;
  png_color_16 background{};
  png_uint_32 ppm = 0;
  std::vector<std::vector<uint8_t>> rows;
};

void Collect(png_structp png, png_bytep data, size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

std::vector<uint8_t> Build(const Spec& s) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "building the fixture failed";
    return {};
  }
  png_set_write_fn(png, &out, Collect, nullptr);
  png_set_IHDR(png, info, s.w, s.h, s.depth, s.colour,
               s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.trns.empty()) png_set_tRNS(png, info, s.trns.data(), static_cast<int>(s.trns.size()), nullptr);
  if (s.bkgd) png_set_bKGD(png, info, &s.background);
  if (s.ppm) png_set_pHYs(png, info, s.ppm, s.ppm, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  const int passes = png_set_interlace_handling(png);
  for (int p = 0; p < passes; ++p)
    for (const auto& r : s.rows) png_write_row(png, const_cast<png_bytep>(r.data()));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

TEST(PngStream, SignatureTestRestoresThePosition) {
  Spec s;
  s.rows.assign(2, std::vector<uint8_t>(12, 7));
  const std::vector<uint8_t> png = Build(s);
  TIEMemStream m(png.data(), static_cast<int64_t>(png.size()));
  EXPECT_TRUE(IsPNGStream(&m));
  EXPECT_EQ(m.Position(), 0);
  const uint8_t other[] = {0x89, 'P', 'N', 'X', 0, 0, 0, 0, 0};
  TIEMemStream o(other, sizeof other);
  EXPECT_FALSE(IsPNGStream(&o));
  EXPECT_EQ(o.Position(), 0);
  const uint8_t shortone[] = {0x89, 'P'};
  TIEMemStream t(shortone, 2);
  EXPECT_FALSE(IsPNGStream(&t));
  EXPECT_EQ(t.Position(), 0);
}

TEST(PngRead, NotPngAndTruncatedFilesAreErrors) {
  Decoded junk;
  Decode(std::vector<uint8_t>(100, 'x'), junk);
  EXPECT_TRUE(junk.aborted);

  Spec s;
  s.w = 40;
  s.h = 40;
  for (int y = 0; y < 40; ++y) {
    std::vector<uint8_t> r(120);
    for (int i = 0; i < 120; ++i) r[i] = static_cast<uint8_t>(i * y * 7 + y);
    s.rows.push_back(r);
  }
  const std::vector<uint8_t> png = Build(s);
  // Cut in the pixel data, and cut before the end chunk: neither is a whole
  // picture.
  for (size_t keep : {png.size() / 2, png.size() - 12}) {
    Decoded d;
    Decode(std::vector<uint8_t>(png.begin(), png.begin() + static_cast<long>(keep)), d);
    EXPECT_TRUE(d.aborted) << keep;
  }
  Decoded whole;
  Decode(png, whole);
  EXPECT_FALSE(whole.aborted);
}

// A chunk whose length field claims 2 GB, with nothing behind it, must not
// make the reader take that much memory before the data turn out missing.
TEST(PngRead, ChunkClaimingGigabytesIsNotAllocated) {
  Spec s;
  s.rows.assign(2, std::vector<uint8_t>(12, 7));
  std::vector<uint8_t> png = Build(s);
  // After the header chunk (8 + 25 bytes): a text chunk's length and name.
  const std::vector<uint8_t> claim = {0x7E, 0x00, 0x00, 0x25, 't', 'E', 'X', 't', 'K', 0};
  png.insert(png.begin() + 33, claim.begin(), claim.end());
  png.resize(33 + claim.size());

  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  Decoded d;
  Decode(png, d);
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  EXPECT_TRUE(d.aborted);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "peak grew by this many KiB";
}

TEST(PngRead, OneBitPalettesKeepTheirColours) {
  Spec s;
  s.w = 3;
  s.h = 1;
  s.depth = 1;
  s.colour = PNG_COLOR_TYPE_PALETTE;
  s.rows = {{0b01000000}};
  s.palette = {{200, 10, 20}, {5, 6, 250}};
  Decoded d;
  Decode(Build(s), d);
  ASSERT_FALSE(d.aborted);
  EXPECT_EQ(d.image.PixelFormat(), ieRGB24);
  EXPECT_EQ(d.image.GetRGB24(0, 0), MakeRGBTriple(200, 10, 20));
  EXPECT_EQ(d.image.GetRGB24(1, 0), MakeRGBTriple(5, 6, 250));
  EXPECT_EQ(d.params.ColorMapCount(), 2);

  // Black and white stay a 1-bit image.
  s.palette = {{0, 0, 0}, {255, 255, 255}};
  Decoded bw;
  Decode(Build(s), bw);
  EXPECT_EQ(bw.image.PixelFormat(), ieMono1);
  EXPECT_EQ(bw.image.GetScanline(0)[0] & 0xE0, 0b01000000);
}

TEST(PngRead, BackgroundChunkIsRead) {
  Spec s;
  s.w = 2;
  s.h = 1;
  s.rows = {{1, 2, 3, 4, 5, 6}};
  s.bkgd = true;
  s.background.red = 10;
  s.background.green = 20;
  s.background.blue = 30;
  Decoded rgb;
  Decode(Build(s), rgb);
  EXPECT_EQ(rgb.params.PngBackground, MakeRGBTriple(10, 20, 30));

  Spec p = s;
  p.colour = PNG_COLOR_TYPE_PALETTE;
  p.rows = {{0, 1}};
  p.palette = {{1, 1, 1}, {90, 80, 70}};
  p.background = {};
  p.background.index = 1;
  Decoded pal;
  Decode(Build(p), pal);
  EXPECT_EQ(pal.params.PngBackground, MakeRGBTriple(90, 80, 70));

  Spec g = s;
  g.colour = PNG_COLOR_TYPE_GRAY;
  g.depth = 16;
  g.rows = {{0x12, 0x34, 0x56, 0x78}};
  g.background = {};
  g.background.gray = 0xABCD;
  Decoded grey;
  Decode(Build(g), grey);
  EXPECT_EQ(grey.params.PngBackground, MakeRGBTriple(0xAB, 0xAB, 0xAB));
  EXPECT_EQ(grey.image.GetRGB24(0, 0), MakeRGBTriple(0x12, 0x12, 0x12));
}

TEST(PngRead, SixteenBitsGiveTheHighByteAndResolutionComesFromPhys) {
  Spec s;
  s.w = 1;
  s.h = 1;
  s.depth = 16;
  s.rows = {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}};
  s.ppm = 2835;
  Decoded d;
  Decode(Build(s), d);
  EXPECT_EQ(d.image.GetRGB24(0, 0), MakeRGBTriple(0x12, 0x56, 0x9A));
  EXPECT_EQ(d.params.BitsPerSample, 16);
  EXPECT_EQ(d.params.DpiX(), 72);
  EXPECT_EQ(d.params.DpiY(), 72);
  s.ppm = 0;
  Decoded none;
  Decode(Build(s), none);
  EXPECT_EQ(none.params.DpiX(), DefaultDpiX);
}

TEST(PngRead, NativeFormatsForEightBitPaletteAndGrey) {
  Spec s;
  s.w = 2;
  s.h = 1;
  s.colour = PNG_COLOR_TYPE_PALETTE;
  s.palette = {{1, 2, 3}, {4, 5, 6}};
  s.rows = {{1, 0}};
  Decoded d;
  d.params.IsNativePixelFormat = 1;
  Decode(Build(s), d);
  EXPECT_EQ(d.image.PixelFormat(), iePalette8);
  EXPECT_EQ(d.image.GetScanline(0)[0], 1);
  EXPECT_EQ(d.image.GetPaletteEntry(1), MakeRGBTriple(4, 5, 6));
  s.colour = PNG_COLOR_TYPE_GRAY;
  s.palette.clear();
  Decoded g;
  g.params.IsNativePixelFormat = 1;
  Decode(Build(s), g);
  EXPECT_EQ(g.image.PixelFormat(), ieGray8);
}

TEST(PngWrite, PaletteWithAlphaHasTheBackgroundAsTransparentEntryZero) {
  TIEBitmap b;
  FillBitmap(b, 8, 4, Picture(8, 4));
  TIEMask mask;
  mask.AllocateBits(8, 4, 8);
  mask.Fill(255);
  mask.SetPixel(2, 1, 0);
  mask.SetPixel(7, 3, 0);
  mask.Full = false;
  TIOParamsVals wp(nullptr);
  wp.SamplesPerPixel = 1;
  wp.BitsPerSample = 8;
  wp.PngBackground = MakeRGBTriple(1, 2, 3);
  Decoded d;
  Decode(Encode(b, wp, &mask), d);
  ASSERT_FALSE(d.aborted);
  ASSERT_GE(d.params.ColorMapCount(), 2);
  EXPECT_LE(d.params.ColorMapCount(), 256);
  EXPECT_EQ(d.params.ColorMap[0], MakeRGBTriple(1, 2, 3));
  ASSERT_TRUE(d.image.HasAlphaChannel());
  EXPECT_EQ(d.image.GetAlpha(2, 1), 0);
  EXPECT_EQ(d.image.GetAlpha(7, 3), 0);
  EXPECT_EQ(d.image.GetAlpha(0, 0), 255);
  EXPECT_EQ(d.image.GetRGB24(5, 2), b.GetRGB24(5, 2)) << "32 colours fit a palette exactly";
}

TEST(PngWrite, PalettesStayWithinTheirDepth) {
  TIEBitmap b;
  FillBitmap(b, 16, 16, Picture(16, 16));
  for (int bps : {2, 4, 8}) {
    TIOParamsVals wp(nullptr);
    wp.SamplesPerPixel = 1;
    wp.BitsPerSample = bps;
    wp.PngFilter = 1;
    Decoded d;
    Decode(Encode(b, wp), d);
    ASSERT_FALSE(d.aborted) << bps;
    EXPECT_EQ(d.params.BitsPerSample, bps);
    EXPECT_LE(d.params.ColorMapCount(), 1 << bps);
    EXPECT_GE(d.params.ColorMapCount(), 2);
  }
}

// A picture of two colours saved at one bit (as a two-colour palette file
// reads) keeps its colours: black and white as grey levels, any other pair
// as a palette of the two.
TEST(PngWrite, TwoColourPicturesKeepTheirColoursAtOneBit) {
  struct Case {
    TRGB ink, paper;
    int colour_type;
  } cases[] = {{{0, 0, 255}, {255, 255, 255}, PNG_COLOR_TYPE_PALETTE},
               {{20, 200, 30}, {0, 0, 0}, PNG_COLOR_TYPE_PALETTE},
               {{0, 0, 0}, {255, 255, 255}, PNG_COLOR_TYPE_GRAY}};
  for (const Case& c : cases) {
    TIEBitmap b;
    b.Allocate(5, 3, ieRGB24);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) std::memcpy(b.GetScanline(y) + 3 * x, (x + y) % 2 ? &c.ink : &c.paper, 3);
    TIOParamsVals wp(nullptr);
    wp.SamplesPerPixel = 1;
    wp.BitsPerSample = 1;
    const std::vector<uint8_t> file = Encode(b, wp);
    ASSERT_GT(file.size(), 26u);
    EXPECT_EQ(file[24], 1) << "depth";
    EXPECT_EQ(file[25], c.colour_type);
    Decoded d;
    Decode(file, d);
    ASSERT_FALSE(d.aborted);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(d.image.GetPixelRGB(x, y), (x + y) % 2 ? c.ink : c.paper) << x << "," << y;
  }
}

TEST(PngWrite, OtherPixelFormatsAreWrittenFromACopy) {
  struct Case {
    TIEPixelFormat format;
    int spp, bps;
  } cases[] = {{ieGray8, 3, 8}, {ieGray16, 3, 8}, {ieCMYK, 3, 8}, {iePalette8, 3, 8},
               {ieRGB48, 3, 8}, {ieMono1, 3, 8}, {ieGray8, 1, 8}, {ieRGB24, 1, 1}};
  TIEBitmap rgb;
  FillBitmap(rgb, 9, 5, Picture(9, 5));
  for (const Case& c : cases) {
    TIEBitmap b;
    b.Assign(&rgb);
    b.ConvertFormat(c.format);
    TIEBitmap before;
    before.Assign(&b);
    TIOParamsVals wp(nullptr);
    wp.SamplesPerPixel = c.spp;
    wp.BitsPerSample = c.bps;
    Decoded d;
    Decode(Encode(b, wp), d);
    ASSERT_FALSE(d.aborted) << int(c.format);
    EXPECT_EQ(b.PixelFormat(), c.format);
    // What was written is the picture as the image shows it.
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 9; ++x) {
        const TRGB want = before.GetPixelRGB(x, y), got = d.image.GetPixelRGB(x, y);
        if (c.spp == 1 && c.bps == 1) continue;  // two colours by threshold
        EXPECT_EQ(want, got) << int(c.format) << " at " << x << "," << y;
      }
  }
}

TEST(PngWrite, RoundTripsRGBAlphaInterlaceAndText) {
  TIEBitmap b;
  FillBitmap(b, 13, 7, Picture(13, 7));
  TIEMask mask;
  mask.AllocateBits(13, 7, 8);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) mask.SetPixel(x, y, (x * 20 + y) & 255);
  for (bool interlaced : {false, true}) {
    TIOParamsVals wp(nullptr);
    wp.PngInterlaced = interlaced;
    wp.SetDpiX(150);
    wp.SetDpiY(96);
    wp.PngTextKeys = {"Title", "", "Comment"};
    wp.PngTextValues = {"A title", "dropped", "Some words"};
    Decoded d;
    Decode(Encode(b, wp, &mask), d);
    ASSERT_FALSE(d.aborted);
    EXPECT_EQ(d.params.PngInterlaced, interlaced);
    EXPECT_EQ(d.params.SamplesPerPixel, 4);
    EXPECT_EQ(d.params.DpiX(), 150);
    EXPECT_EQ(d.params.DpiY(), 96);
    EXPECT_EQ(d.params.PngTextKeys, (std::vector<std::string>{"Title", "Comment"}));
    EXPECT_EQ(d.params.PngTextValues, (std::vector<std::string>{"A title", "Some words"}));
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) {
        EXPECT_EQ(d.image.GetRGB24(x, y), b.GetRGB24(x, y));
        EXPECT_EQ(d.image.GetAlpha(x, y), mask.GetPixel(x, y));
      }
  }
}

TEST(PngWrite, ResolutionChunkHoldsDotsPerMetreUpTo31Bits) {
  // Dots per inch as the parameters hold them (a bitmap file can carry a
  // huge resolution) and the pixels per metre the chunk must say.
  struct Case {
    int32_t dpi;
    uint32_t ppm;
  } cases[] = {{72, 2835}, {150, 5906}, {30000000, 1181102362}, {INT32_MAX, 0x7FFFFFFF}};
  TIEBitmap b;
  FillBitmap(b, 3, 2, Picture(3, 2));
  for (const Case& c : cases) {
    TIOParamsVals wp(nullptr);
    wp.SetDpiX(c.dpi);
    wp.SetDpiY(c.dpi);
    const std::vector<uint8_t> file = Encode(b, wp);
    static const uint8_t kName[] = {'p', 'H', 'Y', 's'};
    auto at = std::search(file.begin(), file.end(), std::begin(kName), std::end(kName));
    ASSERT_LE(at + 13, file.end()) << c.dpi;
    const uint8_t* f = &*at + 4;
    const uint32_t x = uint32_t{f[0]} << 24 | f[1] << 16 | f[2] << 8 | f[3];
    const uint32_t y = uint32_t{f[4]} << 24 | f[5] << 16 | f[6] << 8 | f[7];
    EXPECT_EQ(x, c.ppm) << c.dpi;
    EXPECT_EQ(y, c.ppm) << c.dpi;
    EXPECT_EQ(f[8], 1) << c.dpi;  // the unit is the metre
  }
}

TEST(PngWrite, ShortWriteSetsTheAbortFlag) {
  class FullDisk : public TMemoryStream {
   public:
    int64_t Write(const void*, int64_t) override { return 0; }
  } s;
  TIEBitmap b;
  FillBitmap(b, 8, 8, Picture(8, 8));
  TIOParamsVals wp(nullptr);
  Progress p;
  WritePNGStream(&s, &b, wp, p.rec, nullptr);
  EXPECT_TRUE(p.aborted);
}

TEST(PngComponent, SaveKeepsTheCallersImageAndLoadsBack) {
  TImagoIO io(nullptr);
  TIEBitmap* image = io.IEBitmap();
  image->Allocate(6, 3, ieGray8);
  image->Fill(99);
  image->SetAlpha(1, 1, 40);
  TMemoryStream s;
  io.SaveToStream(&s, ieftPNG);
  EXPECT_FALSE(io.Aborted());
  EXPECT_EQ(image->PixelFormat(), ieGray8);

  TImagoIO in(nullptr);
  s.SetPosition(0);
  in.LoadFromStream(&s);
  EXPECT_FALSE(in.Aborted());
  EXPECT_EQ(in.Params()->FileType, ieftPNG);
  EXPECT_EQ(in.IEBitmap()->GetRGB24(4, 2), MakeRGBTriple(99, 99, 99));
  ASSERT_TRUE(in.IEBitmap()->HasAlphaChannel());
  EXPECT_EQ(in.IEBitmap()->GetAlpha(1, 1), 40);
}

TEST(PngComponent, LoadTakesTheFilesBackgroundOrKeepsItsOwn) {
  Spec s;
  s.w = 2;
  s.h = 1;
  s.rows = {{1, 2, 3, 4, 5, 6}};
  const std::vector<uint8_t> none = Build(s);
  s.bkgd = true;
  s.background.red = 10;
  s.background.green = 20;
  s.background.blue = 30;
  const std::vector<uint8_t> with = Build(s);
  TImagoIO io(nullptr);
  io.SetBackground(0x00C0B0A0);
  io.LoadFromBuffer(none.data(), static_cast<int64_t>(none.size()), ieftPNG);
  EXPECT_FALSE(io.Aborted());
  EXPECT_EQ(io.Background(), 0x00C0B0A0);
  io.LoadFromBuffer(with.data(), static_cast<int64_t>(with.size()), ieftPNG);
  EXPECT_EQ(io.Background(), 10 | 20 << 8 | 30 << 16);
  EXPECT_EQ(io.Params()->PngBackground, MakeRGBTriple(10, 20, 30));
}
