// Icons and cursors made by icotool (1 to 32 bits and PNG entries) load as
// icotool extracts them, and our icons are listed and extracted by icotool to
// our pixels.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/PixelHelpers.h"

namespace {

using peer::Image;

const char* kIcotool = "/usr/bin/icotool";

class IcoInterop : public testing::Test {
 protected:
  void SetUp() override {
    if (!peer::Available(kIcotool) || !peer::Available(peer::kConvert))
      GTEST_SKIP() << "icoutils or ImageMagick is not installed";
  }
  // A PNG picture of W x H with Colours colours (2, 16 or many) and a
  // transparent corner, or a ramp of alpha.
  std::string Png(int w, int h, const std::string& name, int colours, bool alpha_ramp = false) {
    const std::string ppm = dir / (name + ".ppm"), png = dir / (name + ".png");
    std::vector<uint8_t> rgb = codec::Picture(w, h);
    for (size_t i = 0; i < rgb.size(); ++i) {
      if (colours == 2)
        rgb[i] = rgb[i - i % 3] > 127 ? 255 : 0;
      else if (colours == 16)
        rgb[i] = static_cast<uint8_t>(rgb[i] / 128 * 255);
    }
    peer::WritePPM(ppm, w, h, rgb);
    const std::string alpha = alpha_ramp ? "-fx '(i+1)/w'" : "-fx 'i<3&&j<2?0:1'";
    EXPECT_TRUE(peer::Run(std::string(peer::kConvert) + " '" + ppm + "' -alpha set -channel A " + alpha +
                          " +channel '" + png + "'"));
    return png;
  }
  // The bit depths icotool lists for the images of a file.
  std::vector<int> Depths(const std::string& file) {
    std::vector<int> d;
    const std::string list = codec::Capture(std::string(kIcotool) + " -l '" + file + "'");
    for (size_t at = list.find("--bit-depth="); at != std::string::npos; at = list.find("--bit-depth=", at + 1))
      d.push_back(std::atoi(list.c_str() + at + 12));
    return d;
  }
  Image Extract(const std::string& file, int index, bool cursor = false) {
    const std::string out = dir / "extracted.png", pam = dir / "extracted.pam";
    EXPECT_TRUE(peer::Run(std::string(kIcotool) + " -x -i " + std::to_string(index + 1) +
                          (cursor ? " --cursor" : "") + " -o '" + out + "' '" + file + "'"));
    EXPECT_TRUE(peer::Run(std::string(peer::kConvert) + " '" + out + "' -depth 8 -alpha on pam:'" + pam + "'"));
    Image img;
    EXPECT_TRUE(peer::ReadPNM(pam, img));
    return img;
  }
  // Our pixels where the peer's are opaque, and the transparency.
  void ExpectSame(TIEBitmap* ours, const Image& theirs, const std::string& what, bool exact_alpha) {
    ASSERT_EQ(ours->Width(), theirs.width) << what;
    ASSERT_EQ(ours->Height(), theirs.height) << what;
    for (int y = 0; y < theirs.height; ++y)
      for (int x = 0; x < theirs.width; ++x) {
        const uint8_t* p = theirs.At(x, y);
        const int a = ours->HasAlphaChannel() ? ours->GetAlpha(x, y) : 255;
        if (exact_alpha)
          ASSERT_EQ(a, p[3]) << what << " alpha " << x << "," << y;
        else
          ASSERT_EQ(a == 0, p[3] == 0) << what << " transparency " << x << "," << y;
        if (p[3] == 0) continue;
        ASSERT_EQ(ours->GetPixelRGB(x, y), MakeRGB(p[0], p[1], p[2])) << what << " " << x << "," << y;
      }
  }
  peer::Folder dir;
};

}  // namespace

TEST_F(IcoInterop, IconsAndCursorsOfIcotool) {
  const std::string bw = Png(16, 16, "bw", 2), few = Png(32, 32, "few", 16),
                    many = Png(48, 48, "many", 0, true), odd = Png(20, 10, "odd", 0);
  const std::string ico = dir / "peer.ico";
  // 1, 4, 8, 24 and 32 bits, and a PNG entry.
  ASSERT_TRUE(peer::Run(std::string(kIcotool) + " -c -o '" + ico + "' -b 1 '" + bw + "' -b 4 '" + few +
                        "' -b 8 '" + few + "' -b 24 '" + odd + "' -b 32 '" + many + "' -r '" + few + "'"));
  const std::vector<int> depths = Depths(ico);
  ASSERT_EQ(depths.size(), 6u);
  EXPECT_EQ(depths[0], 1);
  EXPECT_EQ(depths[1], 4);
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE("entry " + std::to_string(k));
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->Params()->IcoImageIndex = k;
    io->LoadFromFile(ico);
    ASSERT_FALSE(io->Aborted());
    if (k < 5) { EXPECT_EQ(io->Params()->IcoBitCount[static_cast<size_t>(k)], depths[static_cast<size_t>(k)]); }
    ExpectSame(io->IEBitmap(), Extract(ico, k), "entry " + std::to_string(k), depths[static_cast<size_t>(k)] == 32);
  }
  EXPECT_EQ(CountFileImages(ico), 6);

  const std::string cur = dir / "peer.cur";
  ASSERT_TRUE(peer::Run(std::string(kIcotool) + " -c --cursor -X 3 -Y 9 -o '" + cur + "' -b 8 '" + few +
                        "' -b 1 '" + bw + "' -b 4 '" + few + "'"));
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE("cursor " + std::to_string(k));
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->Params()->CurImageIndex = k;
    io->LoadFromFile(cur);
    ASSERT_FALSE(io->Aborted());
    EXPECT_EQ(io->Params()->CurXHotSpot, 3);
    EXPECT_EQ(io->Params()->CurYHotSpot, 9);
    ExpectSame(io->IEBitmap(), Extract(cur, k, true), "cursor " + std::to_string(k), false);
  }
}

TEST_F(IcoInterop, OurIconsInIcotool) {
  TOwned<TImagoIO> src(new TImagoIO(nullptr));
  src->LoadFromFile(Png(32, 32, "src", 16));
  ASSERT_FALSE(src->Aborted());
  TIOParamsVals* p = src->Params();
  p->IcoSizes = {};
  p->IcoBitCount = {};
  const int32_t bits[] = {32, 24, 8, 4, 1};
  for (int k = 0; k < 5; ++k) {
    p->IcoSizes[static_cast<size_t>(k)] = {32, 32};
    p->IcoBitCount[static_cast<size_t>(k)] = bits[k];
  }
  const std::string ico = dir / "ours.ico";
  src->SaveToFile(ico);
  ASSERT_FALSE(src->Aborted());
  EXPECT_EQ(Depths(ico), (std::vector<int>{32, 24, 8, 4, 1}));
  for (int k = 0; k < 5; ++k) {
    SCOPED_TRACE(bits[k]);
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->Params()->IcoImageIndex = k;
    io->LoadFromFile(ico);
    ASSERT_FALSE(io->Aborted());
    ExpectSame(io->IEBitmap(), Extract(ico, k), "ours", bits[k] == 32);
  }
}
