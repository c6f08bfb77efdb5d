// JPEG-2000 against the OpenJPEG tools: files opj_compress makes (lossless
// and lossy, J2K and JP2, grey, RGB and RGB with alpha, 8 and 16 bits) and
// 4-bit files load as opj_decompress decodes them, and our saves decode in
// opj_decompress to the pixels we saved.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "J2000TestSupport.h"

using namespace codec;

namespace {

const char* kCompress = "/usr/bin/opj_compress";
const char* kDecompress = "/usr/bin/opj_decompress";

// Writes P5 (1 channel), P6 (3) or P7 RGB_ALPHA (4) with 8- or 16-bit
// samples.
void WritePNM(const std::string& file, int w, int h, int depth, int maxval,
              const std::vector<uint16_t>& samples) {
  std::ofstream out(file, std::ios::binary);
  if (depth == 4)
    out << "P7\nWIDTH " << w << "\nHEIGHT " << h << "\nDEPTH 4\nMAXVAL " << maxval
        << "\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  else
    out << (depth == 1 ? "P5\n" : "P6\n") << w << " " << h << "\n" << maxval << "\n";
  for (uint16_t v : samples) {
    if (maxval > 255) out.put(static_cast<char>(v >> 8));
    out.put(static_cast<char>(v));
  }
}

// What our reader makes of one sample of the given maximum.
uint8_t To8(uint16_t v, int maxval) {
  if (maxval == 255) return static_cast<uint8_t>(v);
  if (maxval > 255) {
    int bits = 0;
    while ((1 << bits) - 1 < maxval) ++bits;
    return static_cast<uint8_t>(v >> (bits - 8));
  }
  return static_cast<uint8_t>(std::lround(v * 255.0 / maxval));
}

TRGB Expected(const PNM& p, int x, int y) {
  if (p.depth < 3) {
    const uint8_t g = To8(p.At(x, y, 0), p.maxval);
    return MakeRGBTriple(g, g, g);
  }
  return MakeRGBTriple(To8(p.At(x, y, 0), p.maxval), To8(p.At(x, y, 1), p.maxval),
                       To8(p.At(x, y, 2), p.maxval));
}

class J2000Interop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!peer::Available(kCompress) || !peer::Available(kDecompress))
      GTEST_SKIP() << "the OpenJPEG tools are not installed";
  }
  Folder folder;
};

}  // namespace

TEST_F(J2000Interop, OpjCompressFilesLoadAsOpjDecompressDecodesThem) {
  constexpr int w = 45, h = 38;  // opj_compress needs 32 pixels a side
  struct Source {
    const char* name;
    int depth, maxval;
  } sources[] = {{"grey8", 1, 255}, {"rgb8", 3, 255},   {"rgba8", 4, 255},
                 {"grey16", 1, 65535}, {"rgb16", 3, 65535}};
  for (const Source& s : sources) {
    std::vector<uint16_t> samples(static_cast<size_t>(w) * h * s.depth);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < s.depth; ++c)
          samples[(static_cast<size_t>(y) * w + x) * s.depth + c] =
              static_cast<uint16_t>((x * 977 + y * 131 * (c + 1) + c * 4099) % (s.maxval + 1));
    const std::string src = folder / (std::string(s.name) + (s.depth == 4 ? ".pam" : ".pnm"));
    WritePNM(src, w, h, s.depth, s.maxval, samples);
    for (const char* ext : {".j2k", ".jp2"}) {
      for (const char* rate : {"", " -r 20"}) {
        const std::string what = std::string(s.name) + ext + rate;
        const std::string coded = folder / (std::string(s.name) + ext);
        const std::string decoded = folder / (s.depth == 1 ? "out.pgm" : "out.ppm");
        ASSERT_TRUE(codec::Run(std::string(kCompress) + " -i " + src + " -o " + coded + rate)) << what;
        ASSERT_TRUE(codec::Run(std::string(kDecompress) + " -i " + coded + " -o " + decoded)) << what;
        PNM peer;
        ASSERT_TRUE(ReadPNM(decoded, peer)) << what;
        ASSERT_EQ(peer.maxval, s.maxval) << what;
        // Lossless coding gives the source back.
        if (!*rate) {
          ASSERT_EQ(peer.samples, samples) << what;
        }

        j2k::Loaded d;
        j2k::Load(ReadFile(coded), d);
        ASSERT_FALSE(d.aborted) << what;
        ASSERT_EQ(d.bitmap.Width(), w);
        ASSERT_EQ(d.bitmap.Height(), h);
        EXPECT_EQ(d.params.SamplesPerPixel, s.depth == 1 ? 1 : 3) << what;
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x)
            ASSERT_EQ(d.bitmap.GetRGB24(x, y), Expected(peer, x, y)) << what << " " << x << "," << y;
      }
    }
  }
}

TEST_F(J2000Interop, OurSavesDecodeInOpjDecompress) {
  constexpr int w = 41, h = 27;
  const auto rgb = Picture(w, h);
  struct Case {
    const char* name;
    bool mono;
    int bits;
    uint8_t space;
    double rate;
  } cases[] = {{"rgb8", false, 8, 1, 1.0},  {"grey8", false, 8, 0, 1.0}, {"mono", true, 1, 0, 1.0},
               {"rgb16", false, 16, 1, 1.0}, {"grey12", false, 12, 0, 1.0}, {"lossy", false, 8, 1, 0.05}};
  for (const Case& c : cases) {
    for (int32_t format : {ieJ2000JP2, ieJ2000J2K}) {
      const std::string what = std::string(c.name) + (format == ieJ2000JP2 ? ".jp2" : ".j2k");
      TIEBitmap src;
      FillBitmap(src, w, h, rgb);
      if (c.mono) src.ConvertFormat(ieMono1);
      TIOParamsVals p(nullptr);
      p.BitsPerSample = c.bits;
      p.J2000ColorSpace = c.space;
      p.J2000Rate = c.rate;
      const auto data = j2k::Save(src, p, format);
      const std::string coded = folder / what;
      WriteFile(coded, data);
      const bool grey = c.space == 0;
      const std::string decoded = folder / (grey ? "out.pgm" : "out.ppm");
      ASSERT_TRUE(codec::Run(std::string(kDecompress) + " -i " + coded + " -o " + decoded)) << what;
      PNM peer;
      ASSERT_TRUE(ReadPNM(decoded, peer)) << what;
      ASSERT_EQ(peer.width, w);
      ASSERT_EQ(peer.depth, grey ? 1 : 3) << what;
      ASSERT_EQ(peer.maxval, (1 << c.bits) - 1) << what;
      // Lossy data: the peer decodes what we decode.
      j2k::Loaded own;
      if (c.rate < 1) j2k::Load(data, own);
      const int64_t max = (int64_t{1} << c.bits) - 1;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if (c.rate < 1) {
            ASSERT_EQ(Expected(peer, x, y), own.bitmap.GetRGB24(x, y)) << what << " " << x << "," << y;
            continue;
          }
          const TRGB s = src.GetPixelRGB(x, y);
          if (grey) {
            const int64_t g = c.mono ? (s.r ? 1 : 0) : (s.r * 21 + s.g * 71 + s.b * 8) / 100 * max / 255;
            ASSERT_EQ(peer.At(x, y, 0), g) << what << " " << x << "," << y;
          } else {
            ASSERT_EQ(peer.At(x, y, 0), s.r * max / 255) << what;
            ASSERT_EQ(peer.At(x, y, 1), s.g * max / 255) << what;
            ASSERT_EQ(peer.At(x, y, 2), s.b * max / 255) << what;
          }
        }
    }
  }
}

// opj_compress widens samples of fewer than 8 bits to 8: the library codes
// them, opj_decompress gives them back with a maximum of 15, and we scale
// that maximum to 255.
TEST_F(J2000Interop, FourBitSamplesLoadAsOpjDecompressScalesThem) {
  constexpr uint32_t w = 19, h = 7;
  j2k::Component g{1, 1, 4, false, [](uint32_t x, uint32_t y) { return int32_t((x * 7 + y) % 16); }};
  for (bool jp2 : {true, false}) {
    const auto data = j2k::Encode(w, h, {g}, OPJ_CLRSPC_GRAY, jp2);
    ASSERT_FALSE(data.empty());
    const std::string coded = folder / (jp2 ? "g4.jp2" : "g4.j2k");
    WriteFile(coded, data);
    ASSERT_TRUE(codec::Run(std::string(kDecompress) + " -i " + coded + " -o " + (folder / "out.pgm")));
    PNM peer;
    ASSERT_TRUE(ReadPNM(folder / "out.pgm", peer));
    ASSERT_EQ(peer.maxval, 15);
    j2k::Loaded d;
    j2k::Load(data, d);
    ASSERT_FALSE(d.aborted);
    EXPECT_EQ(d.params.BitsPerSample, 4);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        ASSERT_EQ(d.bitmap.GetRGB24(int(x), int(y)), Expected(peer, int(x), int(y))) << x << "," << y;
      }
  }
}
