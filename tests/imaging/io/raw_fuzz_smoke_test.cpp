// A short run of the decoder fuzz target: small files of every
// container, then deterministic mutations of their headers and directories.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "RawSeeds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

TEST(RawFuzzSmoke, MutatedFilesNeverMisbehave) {
  const auto seeds = rawtest::RawSeedFiles();
  const std::vector<codec::Mutation> own = {
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // a header or directory field
        const size_t at = rng() % std::min<size_t>(m.size(), 0x480);
        m[at] = static_cast<uint8_t>(rng());
      },
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // a 32-bit offset or count to an extreme
        const size_t at = (rng() % std::min<size_t>(m.size() - 4, 0x480)) & ~size_t{1};
        const uint8_t v = rng() & 1 ? 0xFF : 0x7F;
        for (size_t k = 0; k < 4; ++k) m[at + k] = k == 0 ? v : 0xFF;
      }};
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 25);
  EXPECT_EQ(runs, 25 * static_cast<int>(seeds.size()));
}
