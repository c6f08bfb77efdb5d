// Any-map and wireless bitmap files made by netpbm load as netpbm decodes
// them, and our files read back in netpbm and ImageMagick to our pixels.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/PixelHelpers.h"

namespace {

class PxmInterop : public testing::Test {
 protected:
  void SetUp() override {
    if (!peer::Available("/usr/bin/pamdepth") || !peer::Available("/usr/bin/pbmtowbmp") ||
        !peer::Available(peer::kConvert))
      GTEST_SKIP() << "netpbm or ImageMagick is not installed";
    src = dir / "src.ppm";
    peer::WritePPM(src, kW, kH, codec::Picture(kW, kH));
  }
  TOwned<TImagoIO> Load(const std::string& file, bool native = false) {
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->SetNativePixelFormat(native);
    io->LoadFromFile(file);
    EXPECT_FALSE(io->Aborted()) << file;
    return io;
  }
  static constexpr int kW = 45, kH = 19;
  peer::Folder dir;
  std::string src;
};

}  // namespace

TEST_F(PxmInterop, NetpbmVariantsLoadAsNetpbmReadsThem) {
  // Each command makes a file from the source picture; the expected pixels
  // are the file's own samples scaled to bytes (maximum values that divide
  // 255 scale exactly).
  struct Case {
    const char* name;
    const char* ext;
    std::string make;
  } cases[] = {
      {"P6", "ppm", "cat {src}"},
      {"P3", "ppm", "pnmtoplainpnm {src}"},
      {"P5", "pgm", "ppmtopgm {src}"},
      {"P2", "pgm", "ppmtopgm {src} | pnmtoplainpnm"},
      {"P4", "pbm", "ppmtopgm {src} | pgmtopbm -threshold"},
      {"P1", "pbm", "ppmtopgm {src} | pgmtopbm -threshold | pnmtoplainpnm"},
      {"P6 max 15", "ppm", "pamdepth 15 {src}"},
      {"P5 max 51", "pgm", "ppmtopgm {src} | pamdepth 51"},
      {"P3 max 85", "ppm", "pamdepth 85 {src} | pnmtoplainpnm"},
      {"P6 16 bits", "ppm", "pamdepth 65535 {src}"},
      {"P5 16 bits", "pgm", "ppmtopgm {src} | pamdepth 65535"},
      {"P6 max 4095", "ppm", "pamdepth 4095 {src}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = dir / (std::string("peer.") + c.ext);
    std::string cmd = c.make;
    cmd.replace(cmd.find("{src}"), 5, "'" + src + "'");
    ASSERT_TRUE(peer::Run(cmd + " > '" + file + "'")) << cmd;
    // netpbm's own decoding: the binary form of the same file.
    peer::PNM pnm;
    ASSERT_TRUE(peer::ReadPNM(file, pnm) ||
                (peer::Run("pnmtopnm '" + file + "' > '" + file + ".bin'") &&
                 peer::ReadPNM(file + ".bin", pnm)));
    for (const bool native : {false, true}) {
      auto io = Load(file, native);
      TIEBitmap* b = io->IEBitmap();
      ASSERT_EQ(b->Width(), kW);
      ASSERT_EQ(b->Height(), kH);
      const bool wide48 = native && pnm.depth == 3 && pnm.maxval > 255;
      EXPECT_EQ(b->PixelFormat(), pnm.bits ? ieMono1 : wide48 ? ieRGB48 : ieRGB24);
      int bad = 0;
      for (int y = 0; y < kH && bad < 3; ++y)
        for (int x = 0; x < kW && bad < 3; ++x) {
          if (wide48) {
            const TRGB48 v = b->GetRGB48(x, y);
            const uint16_t want[3] = {pnm.At(x, y, 0), pnm.At(x, y, 1), pnm.At(x, y, 2)};
            auto up = [&](uint16_t s) { return static_cast<uint16_t>(uint32_t{s} * 65535 / pnm.maxval); };
            if (v.r != up(want[0]) || v.g != up(want[1]) || v.b != up(want[2])) ++bad;
            continue;
          }
          uint8_t want[3];
          for (int k = 0; k < 3; ++k) {
            const uint16_t s = pnm.At(x, y, pnm.depth == 3 ? k : 0);
            want[k] = pnm.bits ? (s ? 255 : 0)
                      : pnm.maxval == 65535 && pnm.depth == 3 ? static_cast<uint8_t>(s >> 8)
                                                              : static_cast<uint8_t>(s * 255 / pnm.maxval);
          }
          if (b->GetPixelRGB(x, y) != MakeRGB(want[0], want[1], want[2])) {
            ADD_FAILURE() << x << "," << y;
            ++bad;
          }
        }
      EXPECT_EQ(bad, 0) << "native " << native;
    }
  }
}

TEST_F(PxmInterop, OurFilesReadInNetpbmAndImageMagick) {
  auto io = Load(src);
  struct Case {
    const char* name;
    const char* ext;
    int bits, samples;
    const char* magic;
  } cases[] = {{"P6", "ppm", 8, 3, "P6"}, {"P5", "pgm", 8, 1, "P5"},
               {"P6 16 bits", "ppm", 16, 3, "P6"}, {"P4", "pbm", 1, 1, "P4"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = dir / (std::string("ours.") + c.ext);
    io->Params()->BitsPerSample = c.bits;
    io->Params()->SamplesPerPixel = c.samples;
    io->Params()->PxmComments = {"made by", "the tests"};
    TOwned<TImagoIO> saver(new TImagoIO(nullptr));
    TIEBitmap copy;
    copy.Assign(io->IEBitmap());
    saver->AttachIEBitmap(&copy);
    saver->Params()->Assign(io->Params());
    saver->SaveToFile(file);
    ASSERT_FALSE(saver->Aborted());
    auto back = Load(file);
    EXPECT_EQ(back->Params()->PxmComments, (std::vector<std::string>{"made by", "the tests"}));
    // netpbm checks the file and decodes it to the samples we read back.
    const std::string out = dir / "check.pam";
    ASSERT_TRUE(peer::Run("pamfile '" + file + "' && pnmtopnm '" + file + "' > '" + out + "'"));
    peer::PNM pnm;
    ASSERT_TRUE(peer::ReadPNM(out, pnm));
    ASSERT_EQ(pnm.width, kW);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const TRGB c = back->IEBitmap()->GetPixelRGB(x, y);
        const uint16_t s = pnm.At(x, y, 0);
        const uint8_t first = pnm.bits ? (s ? 255 : 0) : static_cast<uint8_t>(pnm.maxval > 255 ? s >> 8 : s);
        ASSERT_EQ(c.r, first) << x << "," << y;
      }
    EXPECT_EQ(codec::Capture(std::string(peer::kConvert) + " '" + file + "' -format '%w %h' info:"),
              std::to_string(kW) + " " + std::to_string(kH));
  }
  // 16-bit samples saved from the 24-bit image are the bytes times 257.
  peer::PNM wide;
  ASSERT_TRUE(peer::ReadPNM(dir / "ours.ppm", wide));
  EXPECT_EQ(wide.maxval, 65535);
  EXPECT_EQ(wide.At(3, 2, 1), io->IEBitmap()->GetPixelRGB(3, 2).g * 257);
}

TEST_F(PxmInterop, WirelessBitmapsBothWays) {
  const std::string pbm = dir / "bw.pbm", wbmp = dir / "peer.wbmp";
  // Wider than 255 pixels.
  ASSERT_TRUE(peer::Run("pamscale -xsize 301 -ysize 7 '" + src + "' | ppmtopgm | pgmtopbm -threshold > '" + pbm + "'"));
  ASSERT_TRUE(peer::Run("pbmtowbmp '" + pbm + "' > '" + wbmp + "'"));
  auto io = Load(wbmp);
  peer::PNM ref;
  ASSERT_TRUE(peer::ReadPNM(pbm, ref));
  ASSERT_EQ(io->IEBitmap()->Width(), 301);
  for (int y = 0; y < ref.height; ++y)
    for (int x = 0; x < ref.width; ++x)
      ASSERT_EQ(io->IEBitmap()->GetPixelRGB(x, y).r, ref.At(x, y, 0) ? 255 : 0) << x << "," << y;
  const std::string ours = dir / "ours.wbmp", back = dir / "back.pbm";
  io->SaveToFile(ours);
  ASSERT_FALSE(io->Aborted());
  ASSERT_TRUE(peer::Run("wbmptopbm '" + ours + "' > '" + back + "'"));
  EXPECT_EQ(peer::ReadFile(back), peer::ReadFile(pbm));
}
