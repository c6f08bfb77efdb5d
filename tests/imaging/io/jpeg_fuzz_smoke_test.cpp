// A short run of the JPEG fuzz target: files of every colour space and
// coding, then thousands of deterministic mutations of them (flipped bytes,
// cut files, extreme bytes in the headers). The target traps on any
// inconsistency and the sanitizers catch any out-of-bounds access.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/formats/JPEG.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

std::vector<std::vector<uint8_t>> Seeds() {
  std::vector<std::vector<uint8_t>> seeds;
  TIEBitmap card;
  codec::FillBitmap(card, 19, 11, codec::Picture(19, 11));
  struct Layout {
    uint8_t space;
    bool progressive, optimal;
  } layouts[] = {{2, false, false}, {2, true, false}, {1, false, true},
                 {0, false, false}, {3, false, false}, {4, true, false}};
  for (const Layout& l : layouts) {
    TIOParamsVals p(nullptr);
    p.JpegColorSpace = l.space;
    p.JpegProgressive = l.progressive;
    p.JpegOptimalHuffman = l.optimal;
    p.JpegQuality = 70;
    p.JpegMarkerList.AddMarker(0xE2, "ICC_PROFILE\0\1\1abcd", 18);
    p.JpegMarkerList.AddMarker(0xFE, "comment", 7);
    TMemoryStream s;
    codec::Progress pr;
    WriteJPEGStream(&s, &card, p, pr.rec);
    seeds.push_back(codec::Bytes(s));
  }
  return seeds;
}

}  // namespace

TEST(JpegFuzzSmoke, MutatedFilesNeverMisbehave) {
  const auto seeds = Seeds();
  const std::vector<codec::Mutation> own = {
      // an extreme byte in the headers (sizes, tables, counts)
      [](std::vector<uint8_t>& m, std::mt19937& rng) {
        m[2 + rng() % std::min<size_t>(m.size() - 2, 400)] =
            static_cast<uint8_t>(rng() % 2 ? 0 : 0xFF);
      },
      // a marker byte in the coded data
      [](std::vector<uint8_t>& m, std::mt19937& rng) {
        m[m.size() / 2 + rng() % (m.size() / 2)] = 0xFF;
      }};
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 1000);
  EXPECT_EQ(runs, 1000 * static_cast<int>(seeds.size()));
}
