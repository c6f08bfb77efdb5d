// Bitmap files made by ImageMagick and netpbm load exactly as those tools
// decode them, and the files we write decode in ImageMagick to our pixels.
#include <gtest/gtest.h>

#include <cstring>

#include "PeerSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"

namespace {

using peer::Image;

// Test pictures, row 0 on top, as RGB bytes.
enum class Picture { Rich, Colours200, Colours12, BlackWhite };

std::vector<uint8_t> MakePicture(Picture p, int w, int h) {
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* c = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      const int i = x + y * w;
      switch (p) {
        case Picture::Rich:
          c[0] = static_cast<uint8_t>(x * 7 + y * 3);
          c[1] = static_cast<uint8_t>(y * 11 + x);
          c[2] = static_cast<uint8_t>(x * y + 5);
          break;
        case Picture::Colours200:
        case Picture::Colours12: {
          const int k = i % (p == Picture::Colours200 ? 200 : 12);
          c[0] = static_cast<uint8_t>(k * 37 + 1);
          c[1] = static_cast<uint8_t>(k * 91 + 2);
          c[2] = static_cast<uint8_t>(k * 13 + 3);
          break;
        }
        case Picture::BlackWhite:
          c[0] = c[1] = c[2] = ((x / 3 + y / 2) % 2) ? 255 : 0;
          break;
      }
    }
  return rgb;
}

struct BmpInfo {
  uint32_t header_size = 0, compression = 0;
  int32_t height = 0;
  uint16_t bits = 0;
};

BmpInfo Inspect(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  uint8_t b[40] = {};
  in.read(reinterpret_cast<char*>(b), 40);
  BmpInfo i;
  std::memcpy(&i.header_size, b + 14, 4);
  if (i.header_size == 12) {
    uint16_t h;
    std::memcpy(&h, b + 20, 2);
    i.height = h;
    std::memcpy(&i.bits, b + 24, 2);
  } else {
    std::memcpy(&i.height, b + 22, 4);
    std::memcpy(&i.bits, b + 28, 2);
    std::memcpy(&i.compression, b + 30, 4);
  }
  return i;
}

// The peer's decoding of a file; alpha: through a PAM with an alpha plane.
Image Decode(const peer::Folder& dir, const std::string& file, bool netpbm, bool alpha = false) {
  Image img;
  const std::string out = dir / "decoded.pnm";
  const std::string cmd = netpbm ? "bmptopnm '" + file + "' | ppmtoppm > '" + out + "'"
                                 : std::string(peer::kConvert) + " '" + file + "' -depth 8 " +
                                       (alpha ? "pam:'" : "ppm:'") + out + "'";
  EXPECT_TRUE(peer::Run(cmd)) << cmd;
  EXPECT_TRUE(peer::ReadPNM(out, img)) << cmd;
  return img;
}

// Our pixels against the peer's; Keep masks the bits a channel holds
// (16-bit files: the peer widens 5 bits to 8 by repeating them, we shift).
void ExpectSame(TIEBitmap* ours, const Image& theirs, const std::string& what,
                const uint8_t keep[3] = nullptr, bool alpha = false) {
  ASSERT_EQ(ours->Width(), theirs.width) << what;
  ASSERT_EQ(ours->Height(), theirs.height) << what;
  int bad = 0;
  for (int y = 0; y < theirs.height && bad < 5; ++y)
    for (int x = 0; x < theirs.width && bad < 5; ++x) {
      const TRGB c = ours->GetPixelRGB(x, y);
      const uint8_t* p = theirs.At(x, y);
      uint8_t want[3] = {p[0], p[1], p[2]};
      if (keep)
        for (int k = 0; k < 3; ++k) want[k] &= keep[k];
      if (c.r != want[0] || c.g != want[1] || c.b != want[2]) {
        ADD_FAILURE() << what << " at " << x << "," << y << ": ours " << int(c.r) << " " << int(c.g)
                      << " " << int(c.b) << ", peer " << int(want[0]) << " " << int(want[1]) << " "
                      << int(want[2]);
        ++bad;
      }
      if (alpha && ours->GetAlpha(x, y) != p[3]) {
        ADD_FAILURE() << what << " alpha at " << x << "," << y << ": ours "
                      << int(ours->GetAlpha(x, y)) << ", peer " << int(p[3]);
        ++bad;
      }
    }
}

class BmpInterop : public testing::Test {
 protected:
  void SetUp() override {
    if (!peer::Available(peer::kConvert)) GTEST_SKIP() << "ImageMagick is not installed";
  }
  // Writes the picture as a PPM for the peers.
  std::string Source(Picture p, int w = 37, int h = 23) {
    const std::string f = dir / ("src" + std::to_string(static_cast<int>(p)) + ".ppm");
    peer::WritePPM(f, w, h, MakePicture(p, w, h));
    return f;
  }
  TOwned<TImagoIO> Load(const std::string& file) {
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->LoadFromFile(file);
    EXPECT_FALSE(io->Aborted()) << file;
    return io;
  }
  peer::Folder dir;
};

}  // namespace

TEST_F(BmpInterop, FilesMadeByImageMagick) {
  struct Case {
    const char* name;
    Picture picture;
    const char* options;
    uint32_t header_size;
    uint16_t bits;
    uint32_t compression;
  } cases[] = {
      {"24 bits", Picture::Rich, "-type truecolor", 124, 24, 0},
      {"24 bits, 40-byte header", Picture::Rich, "-define bmp:format=bmp3 -type truecolor", 40, 24, 0},
      {"24 bits, OS/2", Picture::Rich, "-define bmp:format=bmp2 -type truecolor", 12, 24, 0},
      {"8 bits RLE8", Picture::Colours200, "-type palette", 124, 8, 1},
      {"8 bits RLE8, 40-byte header", Picture::Colours200,
       "-define bmp:format=bmp3 -compress RLE -type palette", 40, 8, 1},
      {"8 bits", Picture::Colours200, "-define bmp:format=bmp3 -compress none -type palette", 40, 8, 0},
      {"8 bits, OS/2", Picture::Colours200, "-define bmp:format=bmp2 -type palette", 12, 8, 0},
      {"4 bits", Picture::Colours12, "-type palette", 124, 4, 0},
      {"4 bits, OS/2", Picture::Colours12, "-define bmp:format=bmp2 -type palette", 12, 4, 0},
      {"1 bit", Picture::BlackWhite, "-type bilevel", 108, 1, 0},
      {"1 bit, 40-byte header", Picture::BlackWhite, "-define bmp:format=bmp3 -type bilevel", 40, 1, 0},
      {"1 bit, OS/2", Picture::BlackWhite, "-define bmp:format=bmp2 -type bilevel", 12, 1, 0},
      {"16 bits 5-6-5", Picture::Rich, "-define bmp:subtype=RGB565", 124, 16, 3},
      {"16 bits 5-5-5", Picture::Rich, "-define bmp:subtype=RGB555", 124, 16, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = dir / "im.bmp";
    ASSERT_TRUE(peer::Run(std::string(peer::kConvert) + " '" + Source(c.picture) + "' " +
                          c.options + " '" + file + "'"));
    const BmpInfo info = Inspect(file);
    // The peer made the kind of file this case is about.
    ASSERT_EQ(info.header_size, c.header_size);
    ASSERT_EQ(info.bits, c.bits);
    ASSERT_EQ(info.compression, c.compression);
    auto io = Load(file);
    const Image theirs = Decode(dir, file, false);
    const uint8_t keep565[3] = {0xF8, 0xFC, 0xF8}, keep555[3] = {0xF8, 0xF8, 0xF8};
    const uint8_t* keep = c.bits != 16 ? nullptr : std::strstr(c.options, "565") ? keep565 : keep555;
    ExpectSame(io->IEBitmap(), theirs, c.name, keep);
    EXPECT_EQ(io->IEBitmap()->PixelFormat(), c.bits == 1 ? ieMono1 : ieRGB24);
  }
}

TEST_F(BmpInterop, ThirtyTwoBitsWithAlphaFromImageMagick) {
  const std::string file = dir / "alpha.bmp";
  ASSERT_TRUE(peer::Run(std::string(peer::kConvert) + " '" + Source(Picture::Rich) +
                        "' -alpha set -channel A -fx '(i+j)/(w+h)' +channel '" + file + "'"));
  const BmpInfo info = Inspect(file);
  ASSERT_EQ(info.bits, 32);
  auto io = Load(file);
  ASSERT_TRUE(io->IEBitmap()->HasAlphaChannel());
  ExpectSame(io->IEBitmap(), Decode(dir, file, false, true), "32 bits", nullptr, true);
}

TEST_F(BmpInterop, TopDownRows) {
  // The peer's bottom-up file with its rows turned and its height negated.
  for (const char* options : {"-define bmp:format=bmp3 -type truecolor",
                              "-define bmp:format=bmp3 -compress none -type palette"}) {
    SCOPED_TRACE(options);
    const Picture pic = std::strstr(options, "palette") ? Picture::Colours200 : Picture::Rich;
    const std::string up = dir / "up.bmp", down = dir / "down.bmp";
    ASSERT_TRUE(peer::Run(std::string(peer::kConvert) + " '" + Source(pic) + "' " + options +
                          " '" + up + "'"));
    std::ifstream in(up, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), {});
    uint32_t offset;
    int32_t w, h;
    uint16_t bits;
    std::memcpy(&offset, &b[10], 4);
    std::memcpy(&w, &b[18], 4);
    std::memcpy(&h, &b[22], 4);
    std::memcpy(&bits, &b[28], 2);
    const size_t row = (static_cast<size_t>(w) * bits + 31) / 32 * 4;
    std::vector<uint8_t> flipped(b.begin(), b.begin() + offset);
    for (int y = h - 1; y >= 0; --y)
      flipped.insert(flipped.end(), b.begin() + offset + y * row, b.begin() + offset + (y + 1) * row);
    const int32_t neg = -h;
    std::memcpy(&flipped[22], &neg, 4);
    std::ofstream(down, std::ios::binary)
        .write(reinterpret_cast<const char*>(flipped.data()), static_cast<std::streamsize>(flipped.size()));
    auto io = Load(down);
    const Image theirs = Decode(dir, down, false);
    ExpectSame(io->IEBitmap(), theirs, options);
    ExpectSame(io->IEBitmap(), Decode(dir, up, false), "same as the bottom-up file");
  }
}

TEST_F(BmpInterop, RunLengthCodesWithDeltasAndAbsoluteRuns) {
  // No peer writes these codes, so the files are built here and the peer is
  // the reference decoder.
  struct Case {
    uint16_t bits;
    uint32_t compression;
    std::vector<uint8_t> data;
  } cases[] = {
      {8, 1, {3, 5, 0, 4, 1, 2, 3, 4, 0, 0,  // row 0
              0, 2, 2, 1,                    // to row 1, x 2
              2, 6, 0, 3, 7, 8, 9, 0, 0, 0,  // row 1
              5, 10, 0, 1}},                 // row 2, then end of bitmap
      {4, 2, {4, 0x12, 0, 3, 0x34, 0x50, 0, 0,  // row 0
              0, 2, 1, 1,                       // to row 1, x 1
              3, 0x77, 0, 0,                    // row 1
              0, 5, 0x9A, 0xBC, 0xD0, 0, 0, 1}},  // row 2: an odd absolute run, end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    std::vector<uint8_t> f = {'B', 'M'};
    auto put = [&](uint32_t v, int n) {
      for (int i = 0; i < n; ++i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    const uint32_t colours = 1u << c.bits;
    put(14 + 40 + colours * 4 + static_cast<uint32_t>(c.data.size()), 4);
    put(0, 4);
    put(14 + 40 + colours * 4, 4);
    put(40, 4);
    put(7, 4);  // width
    put(3, 4);  // height
    put(1, 2);
    put(c.bits, 2);
    put(c.compression, 4);
    put(static_cast<uint32_t>(c.data.size()), 4);
    put(0, 4);
    put(0, 4);
    put(colours, 4);
    put(0, 4);
    for (uint32_t i = 0; i < colours; ++i) put((i * 0x0F1F2F) & 0xFFFFFF, 4);
    f.insert(f.end(), c.data.begin(), c.data.end());
    const std::string file = dir / "rle.bmp";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
    auto io = Load(file);
    ExpectSame(io->IEBitmap(), Decode(dir, file, false), "run-length");
  }
}

TEST_F(BmpInterop, FilesMadeByNetpbm) {
  if (!peer::Available("/usr/bin/ppmtobmp")) GTEST_SKIP() << "netpbm is not installed";
  struct Case {
    Picture picture;
    const char* options;
    uint16_t bits;
    uint32_t header_size;
  } cases[] = {
      {Picture::Rich, "-bpp 24 -windows", 24, 40},   {Picture::Rich, "-bpp 24 -os2", 24, 12},
      {Picture::Colours200, "-bpp 8 -windows", 8, 40}, {Picture::Colours200, "-bpp 8 -os2", 8, 12},
      {Picture::Colours12, "-bpp 4 -windows", 4, 40}, {Picture::Colours12, "-bpp 4 -os2", 4, 12},
      {Picture::BlackWhite, "-bpp 1 -windows", 1, 40}, {Picture::BlackWhite, "-bpp 1 -os2", 1, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string file = dir / "n.bmp";
    ASSERT_TRUE(peer::Run("ppmtobmp " + std::string(c.options) + " '" + Source(c.picture) + "' > '" +
                          file + "'"));
    const BmpInfo info = Inspect(file);
    ASSERT_EQ(info.bits, c.bits);
    ASSERT_EQ(info.header_size, c.header_size);
    auto io = Load(file);
    ExpectSame(io->IEBitmap(), Decode(dir, file, true), c.options);
  }
}

TEST_F(BmpInterop, OurFilesLoadInImageMagick) {
  struct Case {
    const char* name;
    Picture picture;
    int bits_per_sample, samples;
    uint8_t version, compression;
    bool alpha;
  } cases[] = {
      {"24 bits", Picture::Rich, 8, 3, 1, 0, false},
      {"24 bits, OS/2 1.x", Picture::Rich, 8, 3, 2, 0, false},
      {"24 bits, OS/2 2.x", Picture::Rich, 8, 3, 3, 0, false},
      {"32 bits with alpha", Picture::Rich, 8, 3, 1, 0, true},
      {"8 bits", Picture::Colours200, 8, 1, 1, 0, false},
      {"8 bits RLE8", Picture::Colours200, 8, 1, 1, 1, false},
      {"8 bits, OS/2 1.x", Picture::Colours200, 8, 1, 2, 0, false},
      {"4 bits", Picture::Colours12, 4, 1, 1, 0, false},
      {"4 bits RLE4", Picture::Colours12, 4, 1, 1, 1, false},
      {"1 bit", Picture::BlackWhite, 1, 1, 1, 0, false},
      {"1 bit, OS/2 1.x", Picture::BlackWhite, 1, 1, 2, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int w = 37, h = 23;
    const auto rgb = MakePicture(c.picture, w, h);
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    TIEBitmap* img = io->IEBitmap();
    img->Allocate(w, h, ieRGB24);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        img->SetRGB24(x, y, MakeRGB(p[0], p[1], p[2]));
        if (c.alpha) img->SetAlpha(x, y, static_cast<uint8_t>(x * 6 + y));
      }
    TIOParamsVals* params = io->Params();
    params->BitsPerSample = c.bits_per_sample;
    params->SamplesPerPixel = c.samples;
    params->BmpVersion = c.version;
    params->BmpCompression = c.compression;
    const std::string file = dir / "ours.bmp";
    io->SaveToFile(file);
    ASSERT_FALSE(io->Aborted());
    ExpectSame(img, Decode(dir, file, false, c.alpha), c.name, nullptr, c.alpha);
  }
}
