// A short run of the JPEG-2000 fuzz target: files of each layout our writer
// makes and files the library codes with subsampled, signed and alpha
// components, then deterministic mutations of them (flipped bytes, cut
// files, extreme values in the headers).
#include <gtest/gtest.h>

#include "J2000TestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

std::vector<std::vector<uint8_t>> Seeds() {
  std::vector<std::vector<uint8_t>> seeds;
  TIEBitmap card;
  codec::FillBitmap(card, 13, 7, codec::Picture(13, 7));
  struct Layout {
    int bits;
    uint8_t space;
    double rate;
    int32_t format;
  } layouts[] = {{8, 1, 1.0, ieJ2000JP2}, {8, 0, 1.0, ieJ2000J2K}, {12, 1, 1.0, ieJ2000J2K},
                 {1, 0, 1.0, ieJ2000JP2}, {8, 1, 0.2, ieJ2000J2K}, {3, 0, 1.0, ieJ2000JP2}};
  for (const Layout& l : layouts) {
    TIOParamsVals p(nullptr);
    p.BitsPerSample = l.bits;
    p.J2000ColorSpace = l.space;
    p.J2000Rate = l.rate;
    p.J2000ProgressionOrder = l.format == ieJ2000J2K ? 1 : 0;
    seeds.push_back(j2k::Save(card, p, l.format));
  }
  auto c = [](uint32_t dx, bool sgnd) {
    return j2k::Component{dx, dx, 8, sgnd, [](uint32_t x, uint32_t y) { return int32_t(x * 9 + y) % 100; }};
  };
  seeds.push_back(j2k::Encode(9, 6, {c(1, false), c(2, false), c(2, false)}, OPJ_CLRSPC_SYCC, true));
  seeds.push_back(j2k::Encode(9, 6, {c(1, true), c(1, false), c(1, false), c(1, false)},
                              OPJ_CLRSPC_UNSPECIFIED, false));
  return seeds;
}

}  // namespace

TEST(J2000FuzzSmoke, MutatedFilesNeverMisbehave) {
  const auto seeds = Seeds();
  for (const auto& s : seeds) ASSERT_FALSE(s.empty());
  const std::vector<codec::Mutation> own = {
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // an extreme byte among the headers
        m[rng() % std::min<size_t>(m.size(), 96)] = static_cast<uint8_t>(rng() % 2 ? 0 : 0xFF);
      }};
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 300);
  EXPECT_EQ(runs, 300 * static_cast<int>(seeds.size()));
}

// A code stream whose size and tile size are near 2^32: the tile count is
// bounded without a signed overflow.
TEST(J2000FuzzSmoke, HugeTileGridsAreCountedWithoutOverflow) {
  const std::vector<uint8_t> file = {
      0xFF, 0x4F, 0xFF, 0x51, 0x71, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0xFF, 0xFF, 0x51, 0x71, 0xFF, 0xFF, 0xFF, 0x00, 0x00,
      0x00, 0x0C, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF,
      0xFF, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0x71, 0x71, 0xFF,
  };
  EXPECT_EQ(LLVMFuzzerTestOneInput(file.data(), file.size()), 0);
}
