// Targa files made by netpbm and ImageMagick load as those tools decode
// them, and our files decode in both to our pixels. ImageMagick keeps the
// file's row order as an orientation tag, so its decoding is auto-oriented.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/PixelHelpers.h"

namespace {

using peer::Image;

class TgaInterop : public testing::Test {
 protected:
  void SetUp() override {
    if (!peer::Available(peer::kConvert) || !peer::Available("/usr/bin/tgatoppm"))
      GTEST_SKIP() << "ImageMagick or netpbm is not installed";
  }
  std::string Source(int colours) {
    std::vector<uint8_t> rgb = codec::Picture(kW, kH);
    if (colours)
      for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>((rgb[i] / 64) * 85);
    const std::string f = dir / "src.ppm";
    peer::WritePPM(f, kW, kH, rgb);
    return f;
  }
  Image Decode(const std::string& file, bool netpbm, bool alpha = false) {
    const std::string out = dir / "decoded.pam";
    const std::string cmd = netpbm ? "tgatoppm '" + file + "' > '" + out + "'"
                                   : std::string(peer::kConvert) + " '" + file + "' -auto-orient -depth 8 " +
                                         (alpha ? "-alpha on pam:'" : "ppm:'") + out + "'";
    EXPECT_TRUE(peer::Run(cmd)) << cmd;
    Image img;
    EXPECT_TRUE(peer::ReadPNM(out, img)) << cmd;
    return img;
  }
  void ExpectSame(TIEBitmap* ours, const Image& theirs, const std::string& what, bool alpha = false) {
    ASSERT_EQ(ours->Width(), theirs.width) << what;
    ASSERT_EQ(ours->Height(), theirs.height) << what;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const uint8_t* p = theirs.At(x, y);
        ASSERT_EQ(ours->GetPixelRGB(x, y), MakeRGB(p[0], p[1], p[2])) << what << " " << x << "," << y;
        if (alpha) {
          ASSERT_EQ(ours->GetAlpha(x, y), p[3]) << what << " alpha " << x << "," << y;
        }
      }
  }
  TOwned<TImagoIO> Load(const std::string& file) {
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->LoadFromFile(file);
    EXPECT_FALSE(io->Aborted()) << file;
    return io;
  }
  static constexpr int kW = 53, kH = 21;
  peer::Folder dir;
};

}  // namespace

TEST_F(TgaInterop, FilesOfNetpbmAndImageMagick) {
  struct Case {
    const char* name;
    int colours;
    std::string command;
    bool alpha;
  } cases[] = {
      {"ppmtotga true colour, run-length", 0, "ppmtotga -rgb {src} > {out}", false},
      {"ppmtotga true colour, plain", 0, "ppmtotga -rgb -norle {src} > {out}", false},
      {"ppmtotga colour map", 64, "ppmtotga -cmap {src} > {out}", false},
      {"ppmtotga grey", 0, "ppmtopgm {src} | ppmtotga -mono > {out}", false},
      {"ImageMagick bottom-up", 0, std::string(peer::kConvert) + " {src} -compress none {out}", false},
      {"ImageMagick run-length", 0, std::string(peer::kConvert) + " {src} -compress RLE {out}", false},
      {"ImageMagick palette", 64, std::string(peer::kConvert) + " {src} -type palette {out}", false},
      {"ImageMagick alpha", 0,
       std::string(peer::kConvert) + " {src} -alpha set -channel A -fx '(i+j)/(w+h)' +channel {out}", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = dir / "peer.tga";
    std::string cmd = c.command;
    cmd.replace(cmd.find("{src}"), 5, "'" + Source(c.colours) + "'");
    cmd.replace(cmd.find("{out}"), 5, "'" + out + "'");
    ASSERT_TRUE(peer::Run(cmd)) << cmd;
    auto io = Load(out);
    ExpectSame(io->IEBitmap(), Decode(out, false, c.alpha), c.name, c.alpha);
    if (!c.alpha) ExpectSame(io->IEBitmap(), Decode(out, true), c.name);
  }
}

TEST_F(TgaInterop, OurFilesDecodeInThePeers) {
  auto src = Load(Source(0));
  struct Case {
    const char* name;
    int spp, bps;
    bool compressed, alpha;
  } cases[] = {{"24 bits", 3, 8, false, false}, {"24 bits run-length", 3, 8, true, false},
               {"32 bits alpha", 3, 8, false, true}, {"8 bits mapped", 1, 8, true, false},
               {"4 bits as 8", 1, 4, false, false}, {"1 bit as grey", 1, 1, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TIEBitmap image;
    image.Assign(src->IEBitmap());
    if (c.alpha)
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) image.SetAlpha(x, y, static_cast<uint8_t>(x * 4 + y));
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->AttachIEBitmap(&image);
    io->Params()->SamplesPerPixel = c.spp;
    io->Params()->BitsPerSample = c.bps;
    io->Params()->TgaCompressed = c.compressed;
    const std::string file = dir / "ours.tga";
    io->SaveToFile(file);
    ASSERT_FALSE(io->Aborted());
    auto back = Load(file);
    ExpectSame(back->IEBitmap(), Decode(file, false, c.alpha), c.name, c.alpha);
    if (!c.alpha) ExpectSame(back->IEBitmap(), Decode(file, true), c.name);
    if (c.spp == 3) {
      Image source;
      ASSERT_TRUE(peer::ReadPNM(dir / "src.ppm", source));
      ExpectSame(back->IEBitmap(), source, "the source");
    }
  }
}

TEST_F(TgaInterop, SixteenBitGreyWithAlphaDecodesAsPillowDoes) {
  // Neither ImageMagick nor netpbm reads grey with alpha in 16 bits (both
  // take it as 5-5-5 colour); Pillow does.
  const char* python = "/usr/bin/python3";
  if (!peer::Run(std::string(python) + " -c 'import PIL.Image'")) GTEST_SKIP() << "Pillow is not installed";
  for (const bool rle : {false, true}) {
    SCOPED_TRACE(rle ? "run-length" : "plain");
    std::vector<uint8_t> f(18, 0);
    f[2] = rle ? 11 : 3;
    f[12] = kW;
    f[14] = kH;
    f[16] = 16;
    f[17] = 8;  // bottom-up rows, 8 alpha bits
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        if (rle && x % 8 == 0) f.push_back(x + 8 <= kW ? 0x87 : static_cast<uint8_t>(0x80 + kW - x - 1));
        if (!rle || x % 8 == 0) {
          f.push_back(static_cast<uint8_t>(x * 4 + y));
          f.push_back(static_cast<uint8_t>(255 - y * 12 + x % 3));
        }
      }
    }
    const std::string file = dir / "grey-alpha.tga", out = dir / "pillow.raw";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(f.data()),
                                                static_cast<std::streamsize>(f.size()));
    const std::string cmd = std::string(python) +
                            " -c 'import sys, PIL.Image; im = PIL.Image.open(sys.argv[1]); "
                            "assert im.mode == \"LA\"; open(sys.argv[2], \"wb\").write(im.convert(\"RGBA\").tobytes())' '" +
                            file + "' '" + out + "'";
    ASSERT_TRUE(peer::Run(cmd)) << cmd;
    Image theirs;
    theirs.width = kW;
    theirs.height = kH;
    theirs.rgba = peer::ReadFile(out);
    ASSERT_EQ(theirs.rgba.size(), size_t{kW} * kH * 4);
    auto io = Load(file);
    ASSERT_TRUE(io->IEBitmap()->HasAlphaChannel());
    ExpectSame(io->IEBitmap(), theirs, "grey with alpha", true);
  }
}
