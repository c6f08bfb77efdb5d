// A short run of the PNG fuzz target: files of every colour type, depth and
// interlace our writer makes, then thousands of deterministic mutations of
// them. Checksums are not recomputed, so most mutations end in the library's
// error path, which is the path under test; cut files test truncation.
#include <gtest/gtest.h>

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
  const std::vector<codec::Mutation> own = {
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // an extreme byte in the header chunk
        m[8 + rng() % 25] = static_cast<uint8_t>(rng() % 2 ? 0 : 0xFF);
      }};
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 1000);
  EXPECT_EQ(runs, 1000 * static_cast<int>(seeds.size()));
}
