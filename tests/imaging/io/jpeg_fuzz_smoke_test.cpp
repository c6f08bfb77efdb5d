// A short run of the JPEG fuzz target: files of every colour space and
// coding, then thousands of deterministic mutations of them (flipped bytes,
// cut files, extreme bytes in the headers). The target traps on any
// inconsistency and the sanitizers catch any out-of-bounds access.
#include <gtest/gtest.h>

#include <random>

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
  for (const auto& s : seeds) LLVMFuzzerTestOneInput(s.data(), s.size());
  std::mt19937 rng(20261210);
  int runs = 0;
  for (int round = 0; round < 1000; ++round) {
    for (const auto& seed : seeds) {
      std::vector<uint8_t> m = seed;
      switch (rng() % 4) {
        case 0:  // flip a few bytes anywhere
          for (int k = 0, n = 1 + rng() % 4; k < n; ++k)
            m[rng() % m.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
          break;
        case 1:  // cut the file
          m.resize(rng() % m.size());
          break;
        case 2:  // an extreme byte in the headers (sizes, tables, counts)
          m[2 + rng() % std::min<size_t>(m.size() - 2, 400)] =
              static_cast<uint8_t>(rng() % 2 ? 0 : 0xFF);
          break;
        default:  // a marker byte in the coded data
          m[m.size() / 2 + rng() % (m.size() / 2)] = 0xFF;
          break;
      }
      LLVMFuzzerTestOneInput(m.data(), m.size());
      ++runs;
    }
  }
  EXPECT_EQ(runs, 1000 * static_cast<int>(seeds.size()));
}
