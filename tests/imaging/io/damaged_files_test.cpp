// A refused file says why when it shows itself to be of the format its
// reader reads: a damaged picture, or a kind of the format no reader here
// knows. Bytes that show no format, as an encrypted file's, are refused
// without a word: only for those does the open road ask for a pass phrase.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/io/IEFormats.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TStream.h"

namespace {

struct Outcome {
  bool aborted = false;
  std::string reason;
};

Outcome Load(const std::vector<uint8_t>& file, int32_t type) {
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  TIEMemStream stream(file.data(), static_cast<int64_t>(file.size()));
  io->LoadFromStreamOfType(&stream, type);
  return {io->Aborted(), io->AbortReason()};
}

// A small picture of the format, as the system's own writer makes it.
std::vector<uint8_t> Written(int32_t type) {
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->IEBitmap()->Allocate(24, 16, ieRGB24);
  for (int32_t y = 0; y < 16; ++y) {
    uint8_t* row = io->IEBitmap()->GetScanline(y);
    for (int32_t x = 0; x < 24 * 3; ++x) row[x] = static_cast<uint8_t>(x * 7 + y * 13);
  }
  TMemoryStream out;
  io->SaveToStream(&out, type);
  const auto* b = static_cast<const uint8_t*>(out.Memory());
  return {b, b + out.Size()};
}

std::vector<uint8_t> Cut(std::vector<uint8_t> f, size_t n) {
  f.resize(std::min(n, f.size()));
  return f;
}

// What an encrypted file looks like to a reader: bytes without a pattern.
std::vector<uint8_t> Noise(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

// Byte At of F set to Value.
std::vector<uint8_t> With(std::vector<uint8_t> f, size_t At, uint8_t Value) {
  f.at(At) = Value;
  return f;
}

}  // namespace

TEST(DamagedFiles, APictureOfAKnownFormatSaysWhyAndNoiseSaysNothing) {
  struct Case {
    std::string name;
    int32_t type;
    std::vector<uint8_t> file;
    bool says_why;
  };
  const std::vector<uint8_t> bmp = Written(ieftBMP), gif = Written(ieftGIF), pcx = Written(ieftPCX),
                             png = Written(ieftPNG), tga = Written(ieftTGA), jpeg = Written(ieftJPEG),
                             ico = Written(ieftICO), pxm = Written(ieftPXM), j2k = Written(ieftJ2K),
                             jp2 = Written(ieftJP2), tiff = Written(ieftTIFF), wbmp = Written(ieftWBMP);
  std::vector<Case> cases = {
      // Damaged, or of a kind no reader here knows: the reader's own words
      // or the general ones.
      {"BMP of compression 9", ieftBMP, With(bmp, 30, 9), true},
      {"BMP cut in its pixels", ieftBMP, Cut(bmp, bmp.size() / 2), true},
      {"GIF cut in its first frame", ieftGIF, Cut(gif, 100), true},
      {"PCX of 3 bits a pixel", ieftPCX, With(pcx, 3, 3), true},
      {"PNG cut in its header", ieftPNG, Cut(png, 20), true},
      {"PNG cut in its data", ieftPNG, Cut(png, png.size() / 2), true},
      {"Targa cut in its pixels", ieftTGA, Cut(tga, tga.size() / 3), true},
      {"JPEG cut in its tables", ieftJPEG, Cut(jpeg, 100), true},
      {"icon cut in its image", ieftICO, Cut(ico, 40), true},
      {"any-map cut in its samples", ieftPXM, Cut(pxm, pxm.size() / 2), true},
      {"JPEG-2000 code stream cut", ieftJ2K, Cut(j2k, j2k.size() / 2), true},
      {"JP2 cut", ieftJP2, Cut(jp2, jp2.size() / 2), true},
      // Too short to show any format: as likely encrypted as damaged.
      {"BMP of 4 bytes", ieftBMP, Cut(bmp, 4), false},
      {"PNG of 4 bytes", ieftPNG, Cut(png, 4), false},
  };
  // Bytes without a pattern, as an encrypted file of each format is.
  const std::pair<const char*, int32_t> formats[] = {
      {"BMP", ieftBMP}, {"GIF", ieftGIF},   {"PCX", ieftPCX}, {"PNG", ieftPNG}, {"Targa", ieftTGA},
      {"TIFF", ieftTIFF}, {"JPEG", ieftJPEG}, {"icon", ieftICO}, {"any-map", ieftPXM}, {"J2K", ieftJ2K},
      {"JP2", ieftJP2}, {"wireless bitmap", ieftWBMP}};
  for (const auto& [name, type] : formats)
    for (uint32_t seed : {1u, 2u, 3u})
      cases.push_back({std::string("noise as ") + name + " " + std::to_string(seed), type, Noise(4096, seed), false});

  for (const auto& [name, type, whole] :
       {std::tuple{"BMP", ieftBMP, bmp}, {"GIF", ieftGIF, gif}, {"PCX", ieftPCX, pcx}, {"PNG", ieftPNG, png},
        {"Targa", ieftTGA, tga}, {"TIFF", ieftTIFF, tiff}, {"JPEG", ieftJPEG, jpeg}, {"icon", ieftICO, ico},
        {"any-map", ieftPXM, pxm}, {"J2K", ieftJ2K, j2k}, {"JP2", ieftJP2, jp2}, {"wireless bitmap", ieftWBMP, wbmp}}) {
    ASSERT_FALSE(whole.empty()) << name;
    EXPECT_FALSE(Load(whole, type).aborted) << name << " as written";
  }
  for (const Case& c : cases) {
    const Outcome o = Load(c.file, c.type);
    EXPECT_TRUE(o.aborted) << c.name;
    EXPECT_EQ(!o.reason.empty(), c.says_why) << c.name << ": \"" << o.reason << "\"";
  }
}

// A reader that gives up without words of its own gets the general ones,
// naming the format.
TEST(DamagedFiles, TheGeneralReasonNamesTheFormat) {
  const Outcome o = Load(Cut(Written(ieftGIF), 100), ieftGIF);
  EXPECT_EQ(o.reason, IEUnreadableDataText("CompuServe Bitmap"));
  EXPECT_EQ(IEUnreadableDataText("CompuServe Bitmap"),
            "The CompuServe Bitmap file cannot be read: its data are damaged, or of a kind this program does not "
            "read.");
}
