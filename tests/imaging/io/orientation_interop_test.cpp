// The EXIF orientation transform against ImageMagick's -auto-orient.
#include <gtest/gtest.h>

#include "PeerSupport.h"
#include "imaging/model/IESharedRoutines.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"

TEST(OrientationInterop, MatchesImageMagickAutoOrient) {
  if (!peer::Available(peer::kConvert)) GTEST_SKIP() << "ImageMagick is not installed";
  const char* names[] = {"", "TopLeft", "TopRight", "BottomRight", "BottomLeft",
                         "LeftTop", "RightTop", "RightBottom", "LeftBottom"};
  const int w = 5, h = 3;
  std::vector<uint8_t> rgb(w * h * 3);
  for (int i = 0; i < w * h; ++i) {
    rgb[i * 3] = static_cast<uint8_t>(i * 10);
    rgb[i * 3 + 1] = static_cast<uint8_t>(200 - i);
    rgb[i * 3 + 2] = static_cast<uint8_t>(i * 3);
  }
  peer::Folder dir;
  peer::WritePPM(dir / "src.ppm", w, h, rgb);
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE(names[o]);
    ASSERT_TRUE(peer::Run(std::string(peer::kConvert) + " '" + (dir / "src.ppm") + "' -orient " +
                          names[o] + " -auto-orient ppm:'" + (dir / "out.ppm") + "'"));
    peer::Image theirs;
    ASSERT_TRUE(peer::ReadPNM(dir / "out.ppm", theirs));
    TIEBitmap ours;
    ours.Allocate(w, h, ieRGB24);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = &rgb[(y * w + x) * 3];
        ours.SetRGB24(x, y, MakeRGB(p[0], p[1], p[2]));
      }
    ApplyExifOrientation(&ours, o);
    ASSERT_EQ(ours.Width(), theirs.width);
    ASSERT_EQ(ours.Height(), theirs.height);
    for (int y = 0; y < theirs.height; ++y)
      for (int x = 0; x < theirs.width; ++x) {
        const uint8_t* p = theirs.At(x, y);
        EXPECT_EQ(ours.GetPixelRGB(x, y), MakeRGB(p[0], p[1], p[2])) << x << "," << y;
      }
  }
}
