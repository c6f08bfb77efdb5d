// AVI frames against the peer: small files made by ffmpeg (raw, 8-bit
// run-length, Motion-JPEG, YUY2 and I420), their frame counts, delays and pixels
// compared with what ffmpeg decodes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AviTestSupport.h"
#include "PeerSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"

namespace {

const char* kFFmpeg = "/usr/bin/ffmpeg";

// Every frame as RGB bytes, row 0 on top, as ffmpeg decodes them.
std::vector<uint8_t> PeerFrames(const std::string& file, const std::string& out) {
  if (!peer::Run(std::string(kFFmpeg) + " -v error -y -i " + file +
                 " -f rawvideo -pix_fmt rgb24 " + out))
    return {};
  return peer::ReadFile(out);
}

}  // namespace

TEST(AviInterop, FramesMatchThePeer) {
  ASSERT_TRUE(peer::Available(kFFmpeg)) << "ffmpeg is installed by scripts/install-deps";
  peer::Folder dir;
  struct Case {
    const char* name;
    const char* codec;
    int tolerance;
  } cases[] = {
      {"raw", "-c:v rawvideo -pix_fmt bgr24", 0},
      {"rle", "-c:v msrle -pix_fmt pal8", 0},
      {"mjpeg", "-c:v mjpeg -q:v 2 -pix_fmt yuvj444p", 12},
      // Uncompressed YUV: the same coefficients, rounded differently.
      {"yuy2", "-c:v rawvideo -pix_fmt yuyv422", 3},
      {"i420", "-c:v rawvideo -pix_fmt yuv420p", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool rle = std::string(c.name) == "rle";
    const int w = rle ? 8 : 32, h = rle ? 4 : 24, n = rle ? 2 : 6;
    const std::string file = dir / (std::string(c.name) + ".avi");
    if (std::string(c.name) == "rle") {
      const std::vector<uint8_t> avi = avi::RunLengthAVI();
      FILE* out = std::fopen(file.c_str(), "wb");
      std::fwrite(avi.data(), 1, avi.size(), out);
      std::fclose(out);
    } else
    ASSERT_TRUE(peer::Run(std::string(kFFmpeg) + " -v error -y -f lavfi -i testsrc=size=32x24:rate=25 -frames:v " +
                          std::to_string(n) + " " + c.codec + " " + file));
    const std::vector<uint8_t> ref = PeerFrames(file, dir / (std::string(c.name) + ".rgb"));
    ASSERT_EQ(ref.size(), static_cast<size_t>(w * h * 3 * n));

    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    ASSERT_EQ(io->OpenAVIFile(file), n);
    // Backwards on purpose: run-length frames build on the ones before.
    for (int f = n - 1; f >= 0; --f) {
      io->LoadAVIFrame(f);
      ASSERT_FALSE(io->Aborted()) << f;
      EXPECT_EQ(io->Params()->AviFrameDelay, 40);
      TIEBitmap* b = io->IEBitmap();
      ASSERT_EQ(b->Width(), w);
      ASSERT_EQ(b->Height(), h);
      int worst = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const TRGB p = b->GetRGB24(x, y);
          const uint8_t* r = ref.data() + ((static_cast<size_t>(f) * h + y) * w + x) * 3;
          worst = std::max({worst, std::abs(p.r - r[0]), std::abs(p.g - r[1]), std::abs(p.b - r[2])});
        }
      EXPECT_LE(worst, c.tolerance) << "frame " << f;
    }
    // By name: the frame of ImageIndex, the type and the count.
    io->Params()->ImageIndex = 1;
    io->LoadFromFile(file);
    EXPECT_FALSE(io->Aborted());
    EXPECT_EQ(io->Params()->FileType, ieftAVI);
    EXPECT_EQ(io->Params()->AviFrameCount, n);
  }
}
