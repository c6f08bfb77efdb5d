// Every resampling filter against ImageMagick's resize with the matching
// filter, on a smooth image, enlarging and shrinking, by PSNR.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/model/Resample.h"
#include "ops_test_util.h"

namespace {
using namespace opstest;

TEST(ResampleInterop, FiltersAgreeWithImageMagick) {
  struct Case {
    TResampleFilter filter;
    const char* im;
    double min_psnr[2];  // enlarging, shrinking
  };
  const Case cases[] = {
      {rfTriangle, "Triangle", {44, 42}}, {rfHermite, "Hermite", {44, 42}},   {rfBell, "Quadratic", {44, 42}},
      {rfBSpline, "Spline", {44, 42}},    {rfLanczos3, "Lanczos", {44, 42}},  {rfMitchell, "Mitchell", {44, 42}},
      {rfNearest, "Point", {40, 35}},     {rfLinear, "Triangle", {44, 42}},   {rfFastLinear, "Triangle", {42, 42}},
      // The area routine samples at the far end of each piece when
      // enlarging: a shift of up to half a pixel against the peer.
      {rfBilinear, "Triangle", {30, 45}}, {rfBicubic, "Catrom", {30, 45}},
  };
  const int sizes[][2] = {{97, 71}, {41, 29}};
  TIEBitmap src;
  src.Allocate(64, 48, ieRGB24);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      src.SetRGB24(x, y, MakeRGBTriple(static_cast<uint8_t>(128 + 100 * std::sin(x / 9.0 + y / 23.0)),
                                       static_cast<uint8_t>(128 + 90 * std::cos(y / 7.0)),
                                       static_cast<uint8_t>(40 + 3 * x)));
  const std::string in = TempDir() + "/smooth.ppm";
  WritePNM(src, in);
  for (const Case& c : cases)
    for (int k = 0; k < 2; ++k) {
      const auto& s = sizes[k];
      const std::string out = TempDir() + "/im_" + c.im + std::to_string(s[0]) + ".ppm";
      ASSERT_TRUE(RunTool("/usr/bin/convert " + in + " -filter " + c.im + " -resize " + std::to_string(s[0]) + "x" +
                          std::to_string(s[1]) + "! -depth 8 " + out));
      TIEBitmap expected;
      ASSERT_TRUE(ReadPNM(out, expected));
      TIEBitmap ours;
      ours.Allocate(s[0], s[1], ieRGB24);
      ResampleBitmap(&src, &ours, c.filter);
      const double psnr = PSNR(ours, expected);
      EXPECT_GE(psnr, c.min_psnr[k]) << "filter " << int(c.filter) << " to " << s[0] << "x" << s[1];
      std::printf("filter %2d %-9s %dx%d: %.1f dB\n", int(c.filter), c.im, s[0], s[1], psnr);
    }
}
}  // namespace
