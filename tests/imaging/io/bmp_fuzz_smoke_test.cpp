// A short run of the bitmap fuzz target: well-formed files of every layout,
// then thousands of deterministic mutations of them (flipped bytes, cut
// files, extreme header fields). The target traps on any inconsistency and
// the sanitizers catch any out-of-bounds access.
#include <gtest/gtest.h>

#include <random>

#include "BmpTestSupport.h"
#include "rtl/TStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

std::vector<std::vector<uint8_t>> Seeds() {
  std::vector<std::vector<uint8_t>> seeds;
  TIEBitmap card;
  card.Allocate(11, 5, ieRGB24);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 11; ++x)
      card.SetRGB24(x, y, MakeRGBTriple(static_cast<uint8_t>(x * 23), static_cast<uint8_t>(y * 50),
                                        static_cast<uint8_t>((x * y) % 3 * 100)));
  card.SetAlpha(3, 3, 7);
  struct Layout {
    int bps, spp;
    uint8_t version, compression;
  } layouts[] = {{8, 4, 1, 0}, {8, 3, 2, 0}, {8, 3, 3, 0}, {8, 1, 1, 1},
                 {8, 1, 1, 0}, {4, 1, 1, 1}, {4, 1, 2, 0}, {1, 1, 1, 0}};
  for (const Layout& l : layouts) {
    TIOParamsVals p(nullptr);
    p.BitsPerSample = l.bps;
    p.SamplesPerPixel = l.spp;
    p.BmpVersion = l.version;
    p.BmpCompression = l.compression;
    TMemoryStream s;
    TIOProgressRec pr;
    bool abort = false;
    pr.Aborting = &abort;
    if (l.spp != 4) card.RemoveAlphaChannel();
    WriteBMPStream(&s, &card, p, pr);
    const auto* b = static_cast<const uint8_t*>(s.Memory());
    seeds.emplace_back(b, b + s.Size());
  }
  BmpSpec bf;
  bf.width = 3;
  bf.height = -2;
  bf.bits = 16;
  bf.compression = 3;
  bf.header_size = 56;
  bf.masks = {0xF800, 0x07E0, 0x001F, 0};
  bf.pixels.assign(16, 0xA7);
  seeds.push_back(BuildBMP(bf));
  return seeds;
}

}  // namespace

TEST(BmpFuzzSmoke, MutatedFilesNeverMisbehave) {
  const auto seeds = Seeds();
  for (const auto& s : seeds) LLVMFuzzerTestOneInput(s.data(), s.size());
  std::mt19937 rng(20261210);
  const uint32_t extremes[] = {0, 1, 2, 3, 12, 40, 255, 256, 65535, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
  int runs = 0;
  for (int round = 0; round < 400; ++round) {
    for (const auto& seed : seeds) {
      std::vector<uint8_t> m = seed;
      switch (rng() % 4) {
        case 0:  // flip a few bytes anywhere
          for (int k = 0, n = 1 + rng() % 4; k < n; ++k) m[rng() % m.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
          break;
        case 1:  // cut the file
          m.resize(rng() % m.size());
          break;
        case 2: {  // an extreme 32-bit value in the headers
          const size_t at = 2 + rng() % 52;
          const uint32_t v = extremes[rng() % std::size(extremes)];
          for (int k = 0; k < 4 && at + k < m.size(); ++k) m[at + k] = static_cast<uint8_t>(v >> (8 * k));
          break;
        }
        default:  // an extreme byte in the pixel data
          if (m.size() > 60) m[60 + rng() % (m.size() - 60)] = static_cast<uint8_t>(rng() % 2 ? 0 : 0xFF);
          break;
      }
      LLVMFuzzerTestOneInput(m.data(), m.size());
      ++runs;
    }
  }
  EXPECT_EQ(runs, 400 * static_cast<int>(seeds.size()));
}

// Sizes of 2^31 - 1 in both directions at 32 bits once made the check of
// what the data hold overflow 64 bits (undefined behaviour) before anything
// was refused.
TEST(BmpFuzzSmoke, ExtremeSizesAreRefusedWithoutOverflow) {
  for (uint16_t bits : {1, 24, 32})
    for (int32_t side : {0x7FFFFFFF, 0x40000000}) {
      BmpSpec s;
      s.width = side;
      s.height = side;
      s.bits = bits;
      if (bits == 1) s.palette = {0, 0xFFFFFF};
      s.pixels.assign(64, 0x55);
      const std::vector<uint8_t> file = BuildBMP(s);
      EXPECT_EQ(LLVMFuzzerTestOneInput(file.data(), file.size()), 0);
    }
}
