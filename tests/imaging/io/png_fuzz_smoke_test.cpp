// A short run of the PNG fuzz target: files of every colour type, depth and
// interlace our writer makes, then thousands of deterministic mutations of
// them. Checksums are not recomputed, so most mutations end in the library's
// error path, which is the path under test; cut files test truncation.
#include <gtest/gtest.h>

#include <random>

#include "CodecTestSupport.h"
#include "imaging/io/formats/PNG.h"
#include "imaging/model/TIEMask.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

std::vector<std::vector<uint8_t>> Seeds() {
  std::vector<std::vector<uint8_t>> seeds;
  TIEBitmap card;
  codec::FillBitmap(card, 13, 7, codec::Picture(13, 7));
  TIEMask mask;
  mask.AllocateBits(13, 7, 8);
  mask.Fill(255);
  mask.SetPixel(3, 3, 0);
  mask.SetPixel(4, 3, 100);
  mask.Full = false;
  struct Layout {
    int spp, bps;
    bool interlaced, alpha;
  } layouts[] = {{3, 8, false, false}, {3, 8, true, true}, {1, 8, false, true}, {1, 8, true, false},
                 {1, 4, false, false}, {1, 2, true, false}, {1, 1, false, false}, {1, 16, true, false}};
  for (const Layout& l : layouts) {
    TIOParamsVals p(nullptr);
    p.SamplesPerPixel = l.spp;
    p.BitsPerSample = l.bps;
    p.PngInterlaced = l.interlaced;
    p.PngTextKeys = {"Title"};
    p.PngTextValues = {"seed"};
    TMemoryStream s;
    codec::Progress pr;
    WritePNGStream(&s, &card, p, pr.rec, l.alpha ? &mask : nullptr);
    seeds.push_back(codec::Bytes(s));
  }
  return seeds;
}

}  // namespace

TEST(PngFuzzSmoke, MutatedFilesNeverMisbehave) {
  const auto seeds = Seeds();
  for (const auto& s : seeds) LLVMFuzzerTestOneInput(s.data(), s.size());
  std::mt19937 rng(20261210);
  int runs = 0;
  for (int round = 0; round < 1000; ++round) {
    for (const auto& seed : seeds) {
      std::vector<uint8_t> m = seed;
      switch (rng() % 3) {
        case 0:
          for (int k = 0, n = 1 + rng() % 4; k < n; ++k)
            m[rng() % m.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
          break;
        case 1:
          m.resize(rng() % m.size());
          break;
        default:  // an extreme byte in the header chunk
          m[8 + rng() % 25] = static_cast<uint8_t>(rng() % 2 ? 0 : 0xFF);
          break;
      }
      LLVMFuzzerTestOneInput(m.data(), m.size());
      ++runs;
    }
  }
  EXPECT_EQ(runs, 1000 * static_cast<int>(seeds.size()));
}
