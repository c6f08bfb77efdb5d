// PCX and DCX files made by netpbm and ImageMagick load as those tools decode
// them, and our files (and pages) decode in both to our pixels. ImageMagick
// reads one-bit images the other way round from their palette (a set bit is
// black to it), so those are checked with netpbm only; netpbm reads no
// uncompressed files.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/PixelHelpers.h"

namespace {

using peer::Image;

class PcxInterop : public testing::Test {
 protected:
  void SetUp() override {
    if (!peer::Available(peer::kConvert) || !peer::Available("/usr/bin/pcxtoppm"))
      GTEST_SKIP() << "ImageMagick or netpbm is not installed";
  }
  // Colours: 0 smooth, else at most that many.
  std::string Source(int colours, const std::string& name = "src.ppm", int w = kW, int h = kH) {
    std::vector<uint8_t> rgb = codec::Picture(w, h);
    if (colours == 2)
      for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = rgb[i + 1] = rgb[i + 2] = rgb[i] > 127 ? 255 : 0;
    else if (colours)
      for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = rgb[i] > 127 ? 255 : (i % 3 ? 0 : 128);
    const std::string f = dir / name;
    peer::WritePPM(f, w, h, rgb);
    return f;
  }
  Image Decode(const std::string& file, bool netpbm) {
    const std::string out = dir / "decoded.ppm";
    const std::string cmd = netpbm ? "pcxtoppm '" + file + "' > '" + out + "'"
                                   : std::string(peer::kConvert) + " '" + file + "' -depth 8 ppm:'" + out + "'";
    EXPECT_TRUE(peer::Run(cmd)) << cmd;
    Image img;
    EXPECT_TRUE(peer::ReadPNM(out, img)) << cmd;
    return img;
  }
  void ExpectSame(TIEBitmap* ours, const Image& theirs, const std::string& what) {
    ASSERT_EQ(ours->Width(), theirs.width) << what;
    ASSERT_EQ(ours->Height(), theirs.height) << what;
    for (int y = 0; y < theirs.height; ++y)
      for (int x = 0; x < theirs.width; ++x) {
        const uint8_t* p = theirs.At(x, y);
        ASSERT_EQ(ours->GetPixelRGB(x, y), MakeRGB(p[0], p[1], p[2])) << what << " " << x << "," << y;
      }
  }
  TOwned<TImagoIO> Load(const std::string& file, int page = 0) {
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->Params()->DcxImageIndex = page;
    io->LoadFromFile(file);
    EXPECT_FALSE(io->Aborted()) << file;
    return io;
  }
  static constexpr int kW = 37, kH = 13;
  peer::Folder dir;
};

}  // namespace

TEST_F(PcxInterop, FilesOfNetpbmAndImageMagick) {
  struct Case {
    const char* name;
    int colours;
    std::string command;
  } cases[] = {
      {"ppmtopcx 24 bits", 0, "ppmtopcx -24bit {src} > {out}"},
      {"ppmtopcx 8 bits", 6, "ppmtopcx -8bit {src} > {out}"},
      {"ppmtopcx planes of bits", 6, "ppmtopcx {src} > {out}"},
      {"ppmtopcx packed", 6, "ppmtopcx -packed {src} > {out}"},
      {"ppmtopcx black and white", 2, "ppmtopgm {src} | pgmtopbm -threshold | ppmtopcx > {out}"},
      {"ImageMagick 24 bits", 0, std::string(peer::kConvert) + " {src} {out}"},
      {"ImageMagick palette", 6, std::string(peer::kConvert) + " {src} -type palette {out}"},
      {"ImageMagick bilevel", 2, std::string(peer::kConvert) + " {src} -type bilevel {out}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = dir / "peer.pcx";
    std::string cmd = c.command;
    cmd.replace(cmd.find("{src}"), 5, "'" + Source(c.colours) + "'");
    cmd.replace(cmd.find("{out}"), 5, "'" + out + "'");
    ASSERT_TRUE(peer::Run(cmd)) << cmd;
    auto io = Load(out);
    ExpectSame(io->IEBitmap(), Decode(out, true), c.name);
    if (io->Params()->BitsPerSample != 1) ExpectSame(io->IEBitmap(), Decode(out, false), c.name);
  }
}

// The reader takes a file's data from the stream a piece at a time: files
// of many pieces, with runs that cross from one piece into the next, read
// as the peers read them, the palette at the end included.
TEST_F(PcxInterop, LargeFilesReadPieceByPiece) {
  const std::string src = Source(0, "large.ppm", 611, 333);
  for (const char* option : {"-24bit", "-8bit"}) {
    SCOPED_TRACE(option);
    const std::string out = dir / "large.pcx";
    const std::string source = std::string(option) == "-8bit"
                                   ? "pnmquant 200 '" + src + "' 2>/dev/null"
                                   : "cat '" + src + "'";
    const std::string cmd = source + " | ppmtopcx " + option + " > '" + out + "'";
    ASSERT_TRUE(peer::Run(cmd)) << cmd;
    auto io = Load(out);
    ExpectSame(io->IEBitmap(), Decode(out, true), option);
  }
}

TEST_F(PcxInterop, OurFilesDecodeInThePeers) {
  struct Case {
    const char* name;
    int colours, bps, spp;
    bool rle;
  } cases[] = {{"24 bits", 0, 8, 3, true}, {"24 bits plain", 0, 8, 3, false},
               {"8 bits", 6, 8, 1, true}, {"4 bits", 6, 4, 1, true}, {"1 bit", 2, 1, 1, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto src = Load(Source(c.colours));
    src->Params()->BitsPerSample = c.bps;
    src->Params()->SamplesPerPixel = c.spp;
    src->Params()->PcxCompression = c.rle;
    const std::string file = dir / "ours.pcx";
    src->SaveToFile(file);
    ASSERT_FALSE(src->Aborted());
    auto back = Load(file);
    if (c.rle) ExpectSame(back->IEBitmap(), Decode(file, true), c.name);
    if (c.bps != 1) ExpectSame(back->IEBitmap(), Decode(file, false), c.name);
    // Every case has few enough colours to come back exactly.
    Image source;
    ASSERT_TRUE(peer::ReadPNM(dir / "src.ppm", source));
    ExpectSame(back->IEBitmap(), source, "the source");
  }
}

TEST_F(PcxInterop, DcxPagesBothWays) {
  const std::string a = Source(0, "a.ppm"), b = Source(6, "b.ppm"), c = Source(2, "c.ppm");
  const std::string theirs = dir / "peer.dcx";
  ASSERT_TRUE(peer::Run(std::string(peer::kConvert) + " '" + a + "' '" + b + "' '" + c + "' '" + theirs + "'"));
  const std::string pages[3] = {a, b, c};
  for (int k = 0; k < 3; ++k) {
    auto io = Load(theirs, k);
    EXPECT_EQ(CountFileImages(theirs), 3);
    Image source;
    ASSERT_TRUE(peer::ReadPNM(pages[k], source));
    ExpectSame(io->IEBitmap(), source, "page " + std::to_string(k));
  }
  // Ours: three pages added to one stream, read back by ImageMagick.
  TMemoryStream s;
  for (int k = 0; k < 3; ++k) {
    auto io = Load(pages[k]);
    io->Params()->DcxImageIndex = k;
    s.SetPosition(0);  // the DCX begins at the stream's position
    io->SaveToStream(&s, ieftDCX);
    ASSERT_FALSE(io->Aborted());
  }
  const std::string ours = dir / "ours.dcx";
  codec::WriteFile(ours, codec::Bytes(s));
  for (int k = 0; k < 3; ++k) {
    const std::string out = dir / "page.ppm";
    ASSERT_TRUE(peer::Run(std::string(peer::kConvert) + " '" + ours + "[" + std::to_string(k) +
                          "]' -depth 8 ppm:'" + out + "'"));
    Image img;
    ASSERT_TRUE(peer::ReadPNM(out, img));
    auto io = Load(pages[k]);
    ExpectSame(io->IEBitmap(), img, "our page " + std::to_string(k));
  }
}
