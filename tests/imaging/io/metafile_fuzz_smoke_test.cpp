// A short run of the metafile fuzz target over pictures of both kinds, with
// mutations of record sizes, counts and coordinates.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "tests/platform/MetafileTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

TEST(MetafileFuzzSmoke, MutatedFilesNeverMisbehave) {
  const std::vector<std::vector<uint8_t>> seeds = {mf::SeedWmf(), mf::SeedEmf()};
  const std::vector<codec::Mutation> own = {
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // a 32-bit size, count or coordinate
        if (m.size() < 8) return;
        const size_t at = rng() % (m.size() - 4);
        const uint32_t v = rng() % 3 == 0 ? 0xFFFFFFFFu
                           : rng() % 2   ? 0x80000000u >> (rng() % 24)
                                         : static_cast<uint32_t>(rng() % 64);
        mf::Set32(m, at, v);
      },
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // a 16-bit value
        if (m.size() < 4) return;
        const size_t at = rng() % (m.size() - 2);
        const uint16_t v = rng() % 2 ? 0x8000 : static_cast<uint16_t>(rng());
        m[at] = static_cast<uint8_t>(v);
        m[at + 1] = static_cast<uint8_t>(v >> 8);
      }};
  EXPECT_EQ(codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 300), 600);
}
