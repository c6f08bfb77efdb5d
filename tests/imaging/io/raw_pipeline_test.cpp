// From samples to pictures: colour scaling with known multipliers,
// interpolation of a synthetic scene, conversion to RGB, the output stage,
// the 45-degree turn, the three-layer sensor path, and the decoder's entry
// points on whole files (headerless and CIFF, with its embedded preview).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "CodecTestSupport.h"
#include "RawTestSupport.h"
#include "imaging/io/IEFormats.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/raw/CameraRAW.h"
#include "imaging/io/raw/RawCiffMetadata.h"
#include "imaging/io/raw/RawColor.h"
#include "imaging/io/raw/RawFoveon.h"
#include "imaging/io/raw/RawFoveonTables.h"
#include "imaging/io/raw/RawOutput.h"
#include "imaging/io/raw/RawPackedLoaders.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIETagsHandler.h"

using rawtest::Decoding;
using rawtest::File;

namespace {

// A working image of Height x Width holding, at each mosaic cell, the
// scene's colour of that cell divided by its multiplier.
struct Scene {
  int32_t height, width;
  // Quadrant colours in the working scale: top left, top right, bottom
  // left, bottom right.
  int32_t colour[4][3];
  int32_t At(int32_t r, int32_t c, int32_t k) const {
    return colour[(r >= height / 2 ? 2 : 0) + (c >= width / 2 ? 1 : 0)][k];
  }
};

void Mosaic(Decoding& d, const Scene& s, const float (&mul)[3]) {
  d.Geometry(s.height, s.width);
  for (int32_t r = 0; r < s.height; ++r)
    for (int32_t c = 0; c < s.width; ++c) {
      const int32_t k = FilterColor(*d.ctx, r, c);
      MosaicSample(*d.ctx, r, c) = static_cast<uint16_t>(std::lround(s.At(r, c, k) / mul[k]));
    }
}

std::vector<uint8_t> HeaderlessPcCam(uint8_t red, uint8_t green, uint8_t blue) {
  // PC-CAM 600: 768 x 1024 bytes at 1024, colours of pattern 0x49494949.
  File f(787456);
  Decoding probe(f.b);
  probe.ctx->Filters = 0x49494949;
  const uint8_t byColour[3] = {red, green, blue};
  for (int r = 0; r < 768; ++r)
    for (int c = 0; c < 1024; ++c) f.b[1024 + static_cast<size_t>(r) * 1024 + c] = byColour[FilterColor(*probe.ctx, r, c)];
  return f.b;
}

}  // namespace

TEST(RawColour, SceneWithCameraMultipliersComesBackInPlace) {
  const Scene scene{12, 16, {{6000, 4000, 3000}, {1200, 9000, 6000}, {8000, 8000, 8000}, {300, 600, 1500}}};
  const float mul[3] = {2.0f, 1.0f, 1.5f};
  Decoding d({});
  d.ctx->Filters = 0x94949494;
  Mosaic(d, scene, mul);
  d.ctx->UseAutoWB = false;
  d.ctx->UseCameraWB = true;
  d.ctx->CameraRed = 2.0f;
  d.ctx->CameraBlue = 1.5f;
  ScaleColors(*d.ctx);
  EXPECT_FLOAT_EQ(d.ctx->PreMul[0], 2.0f);
  EXPECT_FLOAT_EQ(d.ctx->PreMul[2], 1.5f);
  InterpolateMosaic(*d.ctx);
  // Every pixel a cell away from a patch edge and the border has its patch's
  // colour within 1.
  for (int r = 1; r < scene.height - 1; ++r)
    for (int c = 1; c < scene.width - 1; ++c) {
      if (std::abs(r - scene.height / 2) <= 1 || r == scene.height / 2 - 2 + 1) continue;
      if (std::abs(c - scene.width / 2) <= 1) continue;
      for (int k = 0; k < 3; ++k)
        ASSERT_NEAR(ImageSample(*d.ctx, r, c, k), scene.At(r, c, k), 1) << r << "," << c << "," << k;
    }
  // The border keeps what was loaded: one colour a cell.
  EXPECT_EQ(ImageSample(*d.ctx, 0, 0, 1) != 0, FilterColor(*d.ctx, 0, 0) == 1);
}

TEST(RawColour, GreyFieldGivesEqualChannelsThroughAutomaticBalance) {
  const Scene grey{10, 10, {{6000, 6000, 6000}, {6000, 6000, 6000}, {6000, 6000, 6000}, {6000, 6000, 6000}}};
  const float mul[3] = {2.0f, 1.0f, 1.5f};
  Decoding d({});
  d.ctx->Filters = 0x61616161;
  Mosaic(d, grey, mul);
  d.ctx->UseAutoWB = true;
  ScaleColors(*d.ctx);
  EXPECT_FLOAT_EQ(d.ctx->PreMul[0], 2.0f);
  EXPECT_FLOAT_EQ(d.ctx->PreMul[1], 1.0f);
  EXPECT_FLOAT_EQ(d.ctx->PreMul[2], 1.5f);
  InterpolateMosaic(*d.ctx);
  d.ctx->Trim = 1;
  ConvertToRGB(*d.ctx);
  for (int r = 1; r < 9; ++r)
    for (int c = 1; c < 9; ++c)
      for (int k = 0; k < 3; ++k) ASSERT_EQ(ImageSample(*d.ctx, r, c, k), 6000);
}

TEST(RawColour, MultipliersNeverComeFromADivisionByZero) {
  // Automatic balance over a colour without samples keeps it at 1.
  Decoding d({});
  d.ctx->Filters = 0x94949494;
  d.Geometry(4, 4);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (FilterColor(*d.ctx, r, c) != 2) MosaicSample(*d.ctx, r, c) = 1000;
  ScaleColors(*d.ctx);
  EXPECT_FLOAT_EQ(d.ctx->PreMul[2], 1.0f);
  for (float m : d.ctx->PreMul) EXPECT_TRUE(std::isfinite(m));
  // Camera balance without a white sample or ratios leaves the multipliers.
  Decoding e({});
  e.Geometry(2, 2);
  e.ctx->UseAutoWB = false;
  e.ctx->UseCameraWB = true;
  e.ctx->Filters = 0;  // every white cell of colour 0
  ScaleColors(*e.ctx);
  for (float m : e.ctx->PreMul) EXPECT_EQ(m, 1.0f);
  // Camera balance of a Canon file whose white index was 0: automatic.
  Decoding a({});
  a.ctx->Filters = 0x94949494;
  a.Geometry(4, 4);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) MosaicSample(*a.ctx, r, c) = FilterColor(*a.ctx, r, c) == 0 ? 500 : 1000;
  a.ctx->UseAutoWB = false;
  a.ctx->UseCameraWB = true;
  a.ctx->CameraRed = -1;
  ScaleColors(*a.ctx);
  EXPECT_FLOAT_EQ(a.ctx->PreMul[0], 2.0f);
}

TEST(RawColour, ScaledSamplesStayWithinSixteenBits) {
  // A Kodak tone curve may set the largest value above what a sample holds.
  Decoding d({});
  d.Geometry(1, 1);
  d.ctx->Filters = 0;
  d.ctx->Colors = 1;
  d.ctx->UseAutoWB = false;
  d.ctx->RgbMax = 200000;
  d.ctx->PreMul[0] = 3;
  d.ctx->Image[0] = {40000, 0, 0, 0};
  ScaleColors(*d.ctx);
  EXPECT_EQ(d.ctx->Image[0][0], 65535);
}

TEST(RawColour, ConversionMagnitudeAndHistogram) {
  Decoding d({});
  d.Geometry(1, 2);
  d.ctx->RgbMax = 65535;
  d.ctx->Image[0] = {65535, 65535, 65535, 0};
  d.ctx->Image[1] = {100, 200, 300, 0};
  ConvertToRGB(*d.ctx);
  // sqrt(3) x 65535 / 2 = 56754.97, truncated.
  EXPECT_EQ(d.ctx->Image[0][3], 56754);
  EXPECT_EQ(d.ctx->Histogram[7094], 1u);
  EXPECT_EQ(d.ctx->Image[1][0], 100);  // three colours: samples unchanged
  EXPECT_EQ(d.ctx->Image[1][2], 300);
  // Cyan, magenta, yellow, and one colour.
  Decoding c({});
  c.Geometry(1, 1);
  c.ctx->IsCmy = true;
  c.ctx->Image[0] = {300, 500, 200, 0};
  ConvertToRGB(*c.ctx);
  EXPECT_EQ(c.ctx->Image[0][0], 600);
  EXPECT_EQ(c.ctx->Image[0][1], 400);
  EXPECT_EQ(c.ctx->Image[0][2], 0);
  Decoding m({});
  m.Geometry(1, 1);
  m.ctx->Colors = 1;
  m.ctx->Image[0] = {700, 0, 0, 0};
  ConvertToRGB(*m.ctx);
  EXPECT_EQ(m.ctx->Image[0][1], 700);
  EXPECT_EQ(m.ctx->Image[0][2], 700);
}

TEST(RawOutput, WhitePointGammaRowsAndDepth) {
  // Flat grey: one histogram bin; every output pixel alike; YMag 2 doubles
  // the rows; 16-bit samples red, green, blue.
  Decoding d({});
  d.Geometry(3, 4);
  for (auto& p : d.ctx->Image) p = {4000, 4000, 4000, 0};
  ConvertToRGB(*d.ctx);
  d.ctx->YMag = 2;
  TIOParamsVals params(nullptr);
  TIEBitmap bitmap;
  std::vector<double> table;
  WriteOutput(*d.ctx, &bitmap, params, table);
  EXPECT_EQ(bitmap.Width(), 4);
  EXPECT_EQ(bitmap.Height(), 6);
  EXPECT_EQ(params.BitsPerSample, 8);
  const TRGB first = bitmap.GetPixelRGB(0, 0);
  EXPECT_EQ(first.r, first.g);
  EXPECT_EQ(first.g, first.b);
  EXPECT_GT(first.r, 0);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 4; ++x) ASSERT_EQ(bitmap.GetPixelRGB(x, y), first);

  Decoding w({});
  w.Geometry(1, 1);
  w.ctx->Image[0] = {1000, 2000, 3000, 0};
  ConvertToRGB(*w.ctx);
  params.IsNativePixelFormat = 1;
  WriteOutput(*w.ctx, &bitmap, params, table);
  EXPECT_EQ(bitmap.PixelFormat(), ieRGB48);
  const auto* px = reinterpret_cast<const uint16_t*>(bitmap.GetScanline(0));
  EXPECT_LT(px[0], px[1]);
  EXPECT_LT(px[1], px[2]);

  // An empty histogram: white level 1, no division by zero.
  Decoding z({});
  z.Geometry(2, 2);
  ConvertToRGB(*z.ctx);
  params.IsNativePixelFormat = 0;
  WriteOutput(*z.ctx, &bitmap, params, table);
  EXPECT_EQ(bitmap.GetPixelRGB(1, 1), (TRGB{0, 0, 0}));
  EXPECT_TRUE(std::isfinite(table[1]));
}

TEST(RawOutput, TurnUprightPlacesPixelsAndLeavesBlackAlone) {
  TIEBitmap b;
  b.Allocate(6, 6, ieRGB24);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) b.SetRGB24(x, y, TRGB{0, 0, 0});
  TurnUpright(&b);  // no lit pixel: nothing to turn
  EXPECT_EQ(b.Width(), 6);
  for (int x = 1; x <= 4; ++x) b.SetRGB24(x, 0, TRGB{static_cast<uint8_t>(10 * x), 7, 9});
  b.SetRGB24(2, 1, TRGB{1, 2, 3});
  TurnUpright(&b);
  // L 1, R 4: N 4 columns of the intermediate, 2N output columns.
  EXPECT_EQ(b.Width(), 8);
  EXPECT_EQ(b.Height(), 6);
  // Pixel (0, 2) goes to intermediate row 3, column 2: output row 2,
  // column 5.
  EXPECT_EQ(b.GetPixelRGB(5, 2), (TRGB{20, 7, 9}));
  // Pixel (1, 2) goes to intermediate row 4, column 2: output row 3,
  // column 4.
  EXPECT_EQ(b.GetPixelRGB(4, 3), (TRGB{1, 2, 3}));
  EXPECT_EQ(b.GetPixelRGB(0, 3), (TRGB{0, 0, 0}));
}

TEST(RawFoveonPath, CurvesAndShifts) {
  EXPECT_EQ(ApplyCurve(0, kFoveonCurve2), 0);
  EXPECT_EQ(ApplyCurve(25, kFoveonCurve2), 8);
  EXPECT_EQ(ApplyCurve(-3, kFoveonCurve2), -2);
  EXPECT_EQ(ApplyCurve(-20, kFoveonCurve2), -8);
  EXPECT_EQ(ShiftDown(-7, 1), -3);
  EXPECT_EQ(ShiftDown(7, 1), 3);
}

TEST(RawFoveonPath, FieldsKeepTheirShapeAndBounds) {
  // Black stays black; a flat field stays flat inside within the ripple of
  // the chroma smoothing, which starts from zero at the image's edges.
  Decoding z({});
  z.Geometry(12, 12);
  foveon_interpolate(*z.ctx);
  for (const auto& p : z.ctx->Image) ASSERT_EQ(p[0] + p[1] + p[2], 0);

  Decoding f({});
  f.Geometry(16, 16);
  for (auto& p : f.ctx->Image) p = {1500, 1200, 900, 0};
  foveon_interpolate(*f.ctx);
  const auto centre = f.ctx->Image[static_cast<size_t>(8 * 16 + 8)];
  for (int r = 4; r < 12; ++r)
    for (int c = 4; c < 12; ++c)
      for (int k = 0; k < 3; ++k) ASSERT_NEAR(ImageSample(*f.ctx, r, c, k), centre[static_cast<size_t>(k)], 12);
  EXPECT_GT(centre[0] + centre[1] + centre[2], 0);

  // Images of fewer than five rows pass unchanged.
  Decoding s({});
  s.Geometry(4, 40);
  for (auto& p : s.ctx->Image) p = {7, 8, 9, 0};
  foveon_interpolate(*s.ctx);
  EXPECT_EQ(s.ctx->Image[5][1], 8);
}

// Known answer: an 8 x 8 field run through the seven passes, each value
// worked out from the written formulas by a separate calculation (a short
// script that shares no code with the decoder). The input varies per pixel
// and per layer, so every pass changes something, and at 8 x 8 the
// quarter-size image of the chroma restore has 2 x 2 pixels.
TEST(RawFoveonPath, EightByEightFieldMatchesTheFormulas) {
  Decoding d({});
  d.Geometry(8, 8);
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c)
      for (int k = 0; k < 3; ++k)
        ImageSample(*d.ctx, r, c, k) =
            static_cast<uint16_t>(400 + 250 * r + 170 * c + 130 * k + (r * 7 + c * 13 + k * 5) % 11 * 60);
  const uint16_t want[8][8][3] = {
      {{315, 363, 1768}, {567, 2474, 24}, {842, 1746, 848}, {1510, 13, 3500},
       {1465, 16, 2779}, {1679, 16, 3054}, {725, 3513, 24}, {1442, 2085, 1649}},
      {{926, 16, 2081}, {1316, 16, 2586}, {722, 1089, 2451}, {1061, 2303, 356},
       {1289, 2001, 1450}, {1848, 16, 3580}, {1900, 101, 3342}, {2111, 241, 3620}},
      {{741, 1689, 703}, {1138, 1914, 1249}, {1706, 16, 3226}, {1772, 88, 2991},
       {1191, 1270, 2985}, {1509, 2337, 1128}, {1736, 2251, 2033}, {2343, 16, 4574}},
      {{1433, 16, 2728}, {654, 3412, 24}, {1392, 1831, 1674}, {1639, 1905, 1983},
       {2132, 16, 3772}, {2200, 378, 3554}, {1620, 1609, 3594}, {1890, 3164, 917}},
      {{1437, 16, 2748}, {1826, 53, 3243}, {2053, 282, 3368}, {1294, 2833, 1068},
       {1836, 2075, 2267}, {2078, 2172, 2556}, {2558, 16, 4482}, {2614, 563, 4265}},
      {{1265, 1985, 1413}, {1662, 2205, 1939}, {2180, 16, 3854}, {2246, 468, 3633},
       {2485, 562, 3920}, {1738, 3086, 1630}, {2251, 2530, 2716}, {2462, 2648, 2999}},
      {{1940, 128, 3393}, {1282, 1969, 3357}, {1857, 2736, 1470}, {2100, 2450, 2524},
       {2629, 16, 4571}, {2687, 608, 4359}, {2899, 738, 4623}, {2002, 4119, 1311}},
      {{1772, 2271, 2091}, {2555, 16, 4833}, {2544, 518, 4167}, {1720, 2230, 3915},
       {2257, 3347, 1418}, {2536, 2685, 3096}, {3120, 16, 5543}, {3113, 870, 4903}},
  };
  foveon_interpolate(*d.ctx);
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c)
      for (int k = 0; k < 3; ++k)
        EXPECT_EQ(ImageSample(*d.ctx, r, c, k), want[r][c][k]) << r << "," << c << "," << k;
}

TEST(RawFoveonPath, ThreeLayerColoursThroughTheCoefficients) {
  // The three-layer path ends in the coefficient matrix: a pixel of the
  // camera's colours (r, g, b) becomes Coeff x (r, g, b), limited.
  Decoding d({});
  d.Geometry(1, 1);
  for (int i = 0; i < 3; ++i) d.ctx->PreMul[i] = 1;
  SetFoveonCoeff(*d.ctx);
  d.ctx->RgbMax = 5600;
  d.ctx->Image[0] = {1000, 2000, 1500, 0};
  ConvertToRGB(*d.ctx);
  for (int r = 0; r < 3; ++r) {
    const double v = kFoveonCoeff[r][0] * 1000.0 + kFoveonCoeff[r][1] * 2000.0 + kFoveonCoeff[r][2] * 1500.0;
    EXPECT_NEAR(d.ctx->Image[0][static_cast<size_t>(r)], std::clamp(v, 0.0, 5600.0), 1.0) << r;
  }
}

TEST(CameraRaw, HeaderlessFileDecodesToGrey) {
  // Red, green and blue cells in the ratio of multipliers 2 and 1.5: with
  // automatic balance a grey picture.
  const auto bytes = HeaderlessPcCam(48, 96, 64);
  auto stream = rawtest::Stream(bytes);
  EXPECT_TRUE(IsRAWStream(stream.get()));
  EXPECT_EQ(stream->Position(), 0);
  EXPECT_EQ(FindStreamFormat(stream.get()), ieftRAW);

  TIOParamsVals params(nullptr);
  params.RawOptions[1] = 1;
  TIEBitmap bitmap;
  codec::Progress progress;
  std::vector<int32_t> reported;
  progress.rec.fOnProgress = [&](TObject*, int32_t p) { reported.push_back(p); };
  ReadRAWStream(stream.get(), &bitmap, params, true, progress.rec);
  EXPECT_FALSE(progress.aborted);
  EXPECT_EQ(params.Width, 1022);
  EXPECT_EQ(params.Height, 766);
  EXPECT_EQ(params.RawCamera, "Creative PC-CAM 600 ");
  EXPECT_TRUE(bitmap.IsEmpty());

  reported.clear();
  ReadRAWStream(stream.get(), &bitmap, params, false, progress.rec);
  ASSERT_FALSE(progress.aborted);
  EXPECT_EQ(bitmap.Width(), 1022);
  EXPECT_EQ(bitmap.Height(), 766);
  EXPECT_EQ(bitmap.PixelFormat(), ieRGB24);
  for (int y = 0; y < 766; y += 97)
    for (int x = 0; x < 1022; x += 101) {
      const TRGB p = bitmap.GetPixelRGB(x, y);
      ASSERT_EQ(p.r, p.g) << x << "," << y;
      ASSERT_EQ(p.g, p.b) << x << "," << y;
    }
  EXPECT_GT(bitmap.GetPixelRGB(500, 300).r, 100);
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.back(), 100);
  EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));

  // Half size: every working pixel already holds its cell's colours.
  params.RawHalfSize = 1;
  params.IsNativePixelFormat = 1;
  ReadRAWStream(stream.get(), &bitmap, params, false, progress.rec);
  EXPECT_EQ(bitmap.Width(), 512);
  EXPECT_EQ(bitmap.Height(), 384);
  EXPECT_EQ(bitmap.PixelFormat(), ieRGB48);
  EXPECT_EQ(params.BitsPerSample, 16);
  const auto* px = reinterpret_cast<const uint16_t*>(bitmap.GetScanline(100));
  EXPECT_EQ(px[0], px[1]);
  EXPECT_EQ(px[1], px[2]);
}

TEST(CameraRaw, UnknownFilesAreNotDecoded) {
  std::vector<uint8_t> junk(5000, 0x11);
  auto stream = rawtest::Stream(junk);
  stream->SetPosition(17);
  EXPECT_FALSE(IsRAWStream(stream.get()));
  EXPECT_EQ(stream->Position(), 17);
  TIOParamsVals params(nullptr);
  TIEBitmap bitmap;
  bitmap.Allocate(3, 2, ieRGB24);
  codec::Progress progress;
  std::vector<int32_t> reported;
  progress.rec.fOnProgress = [&](TObject*, int32_t p) { reported.push_back(p); };
  ReadRAWStream(stream.get(), &bitmap, params, false, progress.rec);
  EXPECT_TRUE(progress.aborted);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 2);
  // Nothing was read: no progress, and certainly not 100.
  EXPECT_TRUE(reported.empty());
}

TEST(CameraRaw, AStoppedDecodingEndsWithinTheLoaderAndLeavesTheBitmap) {
  const auto bytes = HeaderlessPcCam(48, 96, 64);
  auto stream = rawtest::Stream(bytes);
  TIOParamsVals params(nullptr);
  TIEBitmap bitmap;
  bitmap.Allocate(3, 2, ieRGB24);
  codec::Progress progress;
  std::vector<int32_t> reported;
  // The caller stops the load when the loader reports 10 (of its 0 to 49).
  progress.rec.fOnProgress = [&](TObject*, int32_t p) {
    reported.push_back(p);
    if (p >= 10) progress.aborted = true;
  };
  ReadRAWStream(stream.get(), &bitmap, params, false, progress.rec);
  EXPECT_TRUE(progress.aborted);
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.back(), 10);  // the next row saw the flag
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 2);
  // Stopped in the steps after the loader (at 70): no output, no 100.
  bitmap.Allocate(3, 2, ieRGB24);
  progress.aborted = false;
  reported.clear();
  progress.rec.fOnProgress = [&](TObject*, int32_t p) {
    reported.push_back(p);
    if (p == 70) progress.aborted = true;
  };
  ReadRAWStream(stream.get(), &bitmap, params, false, progress.rec);
  EXPECT_TRUE(progress.aborted);
  EXPECT_EQ(reported.back(), 70);
  EXPECT_EQ(bitmap.Width(), 3);
}

TEST(CameraRaw, OutOfMemoryNamesTheRoutine) {
  std::vector<uint64_t> buffer;
  try {
    RawAllocate(buffer, std::numeric_limits<size_t>::max(), "eight_bit_load_raw()");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), ": Out of memory in eight_bit_load_raw()");
  }
}

TEST(CameraRaw, TheInputOutputComponentLoadsRawFiles) {
  const auto bytes = HeaderlessPcCam(48, 96, 64);
  auto stream = rawtest::Stream(bytes);
  TImagoIO io(nullptr);
  io.Params()->RawHalfSize = 1;
  io.LoadRAWFromStream(stream.get());
  EXPECT_FALSE(io.Aborted());
  EXPECT_EQ(io.Params()->FileType, ieftRAW);
  ASSERT_NE(io.IEBitmap(), nullptr);
  EXPECT_EQ(io.IEBitmap()->Width(), 512);
}

namespace {

// A JPEG image of W x H from the JPEG writer.
std::vector<uint8_t> Jpeg(int w, int h, const std::vector<uint8_t>& rgb = {}) {
  TIEBitmap b;
  codec::FillBitmap(b, w, h, rgb.empty() ? codec::Picture(w, h) : rgb);
  TImagoIO io(nullptr);
  io.AttachIEBitmap(&b);
  TMemoryStream s;
  io.SaveFormatToStream(ieftJPEG, &s);
  return codec::Bytes(s);
}

// A CIFF file: make and model, sensor size, description, pixel size, and
// the JPEG images given, in one sub-block.
File Ciff(const std::vector<std::vector<uint8_t>>& jpegs, bool selfNested = false) {
  File f(0);
  f.Text(0, "II", false);
  f.U32(2, 26);
  f.Text(6, "HEAPCCDR", false);
  const size_t s = 26;
  // The sub-block: records of the JPEG images, then its table.
  const size_t sub = 0x100;
  size_t at = 0x10;
  std::vector<std::array<uint32_t, 3>> subRecords;
  for (size_t i = 0; i < jpegs.size(); ++i) {
    f.Bytes(s + sub + at, jpegs[i]);
    subRecords.push_back({i == 0 ? 0x2007u : 0x2008u, static_cast<uint32_t>(jpegs[i].size()), static_cast<uint32_t>(at)});
    at += jpegs[i].size() + 16;
  }
  if (selfNested) subRecords.push_back({0x300A, static_cast<uint32_t>(at + 0x100), 0});
  const size_t subTable = at;
  f.U16(s + sub + subTable, static_cast<uint16_t>(subRecords.size()));
  for (size_t i = 0; i < subRecords.size(); ++i) {
    f.U16(s + sub + subTable + 2 + 10 * i, static_cast<uint16_t>(subRecords[i][0]));
    f.U32(s + sub + subTable + 4 + 10 * i, subRecords[i][1]);
    f.U32(s + sub + subTable + 8 + 10 * i, subRecords[i][2]);
  }
  const size_t subLen = subTable + 0x100;
  f.U32(s + sub + subLen - 4, static_cast<uint32_t>(subTable));
  // The root block.
  f.Text(s + 0x10, "Canon");
  f.Text(s + 0x16, "Canon PowerShot G2");
  f.U16(s + 0x40 + 2, 64);
  f.U16(s + 0x40 + 4, 40);
  f.Text(s + 0x60, "A holiday");
  f.U32(s + 0x80, 1600);
  f.U32(s + 0x84, 1200);
  const size_t root = sub + subLen;
  const size_t table = root;
  const std::array<uint32_t, 3> records[] = {{0x080A, 32, 0x10},
                                             {0x1031, 8, 0x40},
                                             {0x0805, 5, 0x60},
                                             {0x1810, 8, 0x80},
                                             {0x300A, static_cast<uint32_t>(subLen), static_cast<uint32_t>(sub)}};
  f.U16(s + table, 5);
  for (size_t i = 0; i < 5; ++i) {
    f.U16(s + table + 2 + 10 * i, static_cast<uint16_t>(records[i][0]));
    f.U32(s + table + 4 + 10 * i, records[i][1]);
    f.U32(s + table + 8 + 10 * i, records[i][2]);
  }
  const size_t rootLen = table + 0x100;
  f.U32(s + rootLen - 4, static_cast<uint32_t>(table));
  f.b.resize(s + rootLen);
  return f;
}

}  // namespace

TEST(CameraRaw, CiffMetadataAndTheSmallestJpegAsPreview) {
  const auto small = Jpeg(16, 8), large = Jpeg(32, 16);
  File f = Ciff({large, small});
  auto stream = rawtest::Stream(f.b);
  TIOParamsVals params(nullptr);
  ReadCiffMetadata(stream.get(), params);
  EXPECT_EQ(params.EXIFMake, "Canon");
  EXPECT_EQ(params.EXIFModel, "Canon PowerShot G2");
  EXPECT_EQ(params.EXIFImageDescription, "A hol");  // cut at the record's length
  EXPECT_EQ(params.EXIFPixelXDimension, 1600);
  EXPECT_EQ(params.EXIFPixelYDimension, 1200);
  ASSERT_TRUE(params.EXIFThumbnail);
  EXPECT_EQ(params.EXIFThumbnail->Width(), 16);
  EXPECT_EQ(params.EXIFThumbnail->Height(), 8);

  // The preview: the thumbnail, while the parameters describe the sensor.
  TIOParamsVals p2(nullptr);
  p2.RawGetPreview = 1;
  TIEBitmap bitmap;
  codec::Progress progress;
  ReadRAWStream(stream.get(), &bitmap, p2, false, progress.rec);
  EXPECT_FALSE(progress.aborted);
  EXPECT_EQ(bitmap.Width(), 16);
  EXPECT_EQ(bitmap.Height(), 8);
  EXPECT_EQ(p2.Width, 62);
  EXPECT_EQ(p2.Height, 38);
  EXPECT_EQ(p2.RawCamera, "Canon PowerShot G2 ");

  // Without JPEG records the thumbnail is empty and the file is decoded.
  File bare = Ciff({});
  auto bs = rawtest::Stream(bare.b);
  TIOParamsVals p3(nullptr);
  p3.RawGetPreview = 1;
  ReadRAWStream(bs.get(), &bitmap, p3, false, progress.rec);
  ASSERT_TRUE(p3.EXIFThumbnail);
  EXPECT_TRUE(p3.EXIFThumbnail->IsEmpty());
  EXPECT_EQ(bitmap.Width(), 62);
  EXPECT_EQ(bitmap.Height(), 38);
}

TEST(CameraRaw, CiffMetadataOfBlocksNestedInThemselvesEnds) {
  File f = Ciff({Jpeg(8, 8)}, true);
  auto stream = rawtest::Stream(f.b);
  TIOParamsVals params(nullptr);
  ReadCiffMetadata(stream.get(), params);
  ASSERT_TRUE(params.EXIFThumbnail);
  EXPECT_EQ(params.EXIFThumbnail->Width(), 8);
}

TEST(CameraRaw, CiffCameraRecordsBecomeTheMakerNote) {
  // One block: a 0x102D record of three values, a 0x102A record of two and
  // a 0x102A record that claims more bytes than the file holds.
  for (const bool big : {false, true}) {
    SCOPED_TRACE(big ? "MM" : "II");
    File f(0, big);
    f.Text(0, big ? "MM" : "II", false);
    f.U32(2, 26);
    f.Text(6, "HEAPCCDR", false);
    const size_t s = 26;
    f.U16(s + 0x10, 0x0102);
    f.U16(s + 0x12, 0x0304);
    f.U16(s + 0x14, 0x0506);
    f.U16(s + 0x20, 0xA1A2);
    f.U16(s + 0x22, 0xB1B2);
    f.U16(s + 0x30, 0xC1C2);
    const size_t table = 0x40;
    const std::array<uint32_t, 3> records[] = {{0x102D, 6, 0x10}, {0x102A, 4, 0x20}, {0x102A, 0x7FFFFFF0, 0x30}};
    f.U16(s + table, 3);
    for (size_t i = 0; i < 3; ++i) {
      f.U16(s + table + 2 + 10 * i, static_cast<uint16_t>(records[i][0]));
      f.U32(s + table + 4 + 10 * i, records[i][1]);
      f.U32(s + table + 8 + 10 * i, records[i][2]);
    }
    const size_t len = table + 2 + 30 + 4;
    f.U32(s + len - 4, static_cast<uint32_t>(table));
    f.b.resize(s + len);
    const int64_t fileSize = static_cast<int64_t>(f.b.size());

    auto stream = rawtest::Stream(f.b);
    TIOParamsVals params(nullptr);
    ReadCiffMetadata(stream.get(), params);
    const TIETagsHandler& note = params.EXIFMakerNote;
    ASSERT_EQ(note.EntryCount(), 3);
    ASSERT_EQ(note.Entries().size(), 3u);
    // The last record runs from 0x30 to the end of the file: its count is
    // what the file holds from there, rounded down to whole values.
    const uint32_t lastCount = static_cast<uint32_t>((fileSize - static_cast<int64_t>(s + 0x30)) / 2);
    const uint16_t tags[] = {1, 4, 4};
    const uint32_t counts[] = {3, 2, lastCount};
    uint32_t at = 2 + 3 * 12;
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(note.Entries()[i].Tag, tags[i]);
      EXPECT_EQ(note.Entries()[i].Type, 3);
      EXPECT_EQ(note.Entries()[i].Count, counts[i]);
      EXPECT_EQ(note.Entries()[i].Value, at);
      at += counts[i] * 2;
    }
    const auto bytes = codec::Bytes(const_cast<TMemoryStream&>(note.Stream()));
    ASSERT_EQ(bytes.size(), at);
    // The values, little-endian whatever the file's byte order.
    const std::vector<uint8_t> first(bytes.begin() + 38, bytes.begin() + 48);
    EXPECT_EQ(first, (std::vector<uint8_t>{0x02, 0x01, 0x04, 0x03, 0x06, 0x05, 0xA2, 0xA1, 0xB2, 0xB1}));
    EXPECT_EQ(bytes[48], 0xC2);
    EXPECT_EQ(bytes[49], 0xC1);
  }

  // A file without camera records leaves an empty directory.
  File plain = Ciff({});
  auto ps = rawtest::Stream(plain.b);
  TIOParamsVals params(nullptr);
  ReadCiffMetadata(ps.get(), params);
  EXPECT_EQ(params.EXIFMakerNote.EntryCount(), 0);
  EXPECT_TRUE(params.EXIFMakerNote.Entries().empty());
}

TEST(CameraRaw, Dc120JpegHalfHeightWithSwappedBytes) {
  // The sensor data is a JPEG image of half the height whose bytes are
  // stored in swapped pairs; each pixel pair gives a 2 x 2 cell.
  const int W = 16, H = 16;
  auto jpeg = Jpeg(W, H / 2);
  TIEBitmap reference;
  {
    auto s = rawtest::Stream(jpeg);
    TImagoIO io(nullptr);
    io.AttachIEBitmap(&reference);
    io.LoadFormatFromStream(ieftJPEG, s.get());
    ASSERT_FALSE(io.Aborted());
  }
  SwabBytes(jpeg.data(), static_cast<int64_t>(jpeg.size()));
  File f;
  f.Bytes(64, jpeg);
  Decoding d(f.b);
  d.Geometry(H, W);
  d.ctx->Filters = 0x61616161;
  d.Run(LoadKodakDC120JpegRaw, 64);
  for (int y = 0; y < H / 2; ++y) {
    const uint8_t* row = reference.GetScanline(y);  // blue, green, red
    for (int c = 0; c < W; c += 2) {
      const uint8_t* P = row + 3 * c;
      const uint8_t* Q = P + 3;
      ASSERT_EQ(d.At(2 * y, c), P[1] << 6);
      ASSERT_EQ(d.At(2 * y + 1, c + 1), Q[1] << 6);
      // The red cell of the pair takes the two reds, the blue cell the blues.
      ASSERT_EQ(d.At(2 * y, c + 1), (P[2] + Q[2]) << 5) << y << "," << c;
      ASSERT_EQ(d.At(2 * y + 1, c), (P[0] + Q[0]) << 5) << y << "," << c;
    }
  }
  // An image of another size is refused by raising.
  Decoding wrong(f.b);
  wrong.Geometry(H, W + 2);
  try {
    wrong.Run(LoadKodakDC120JpegRaw, 64);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), ": incorrect JPEG dimensions");
  }
}

TEST(CameraRaw, ColoursMatchedToTheThumbnail) {
  File f = Ciff({Jpeg(16, 8)});
  auto stream = rawtest::Stream(f.b);
  TIOParamsVals params(nullptr);
  params.RawMatchThumbnailColors = 1;
  TIEBitmap bitmap;
  codec::Progress progress;
  ReadRAWStream(stream.get(), &bitmap, params, false, progress.rec);
  EXPECT_FALSE(progress.aborted);
  EXPECT_EQ(bitmap.Width(), 62);
  EXPECT_EQ(bitmap.Height(), 38);

  // A thumbnail of one colour has one level a channel: every level of the
  // picture maps to it, so the whole picture takes the thumbnail's colour.
  std::vector<uint8_t> orange;
  for (int i = 0; i < 16 * 8; ++i) orange.insert(orange.end(), {200, 120, 40});
  File g = Ciff({Jpeg(16, 8, orange)});
  for (const bool match : {false, true}) {
    auto flat = rawtest::Stream(g.b);
    TIOParamsVals p(nullptr);
    p.RawMatchThumbnailColors = match ? 1 : 0;
    TIEBitmap out;
    codec::Progress pr;
    ReadRAWStream(flat.get(), &out, p, false, pr.rec);
    ASSERT_FALSE(pr.aborted);
    ASSERT_TRUE(p.EXIFThumbnail && !p.EXIFThumbnail->IsEmpty());
    const TRGB want = p.EXIFThumbnail->GetPixelRGB(3, 3);
    EXPECT_LE(std::abs(want.r - 200) + std::abs(want.g - 120) + std::abs(want.b - 40), 6);
    int same = 0;
    for (int y = 0; y < out.Height(); ++y)
      for (int x = 0; x < out.Width(); ++x) same += out.GetPixelRGB(x, y) == want;
    if (match) {
      EXPECT_EQ(same, out.Width() * out.Height());
    } else {
      EXPECT_LT(same, out.Width() * out.Height() / 2);  // the sensor data's own colours
    }
  }
}
