// A short run of the loaders' fuzz target: every loader on random data with
// small geometries, then mutations of those inputs.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "RawSeeds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

TEST(RawLoadersFuzzSmoke, EveryLoaderOnDamagedData) {
  std::vector<std::vector<uint8_t>> seeds;
  // 33 loaders; a geometry and flags per loader, random data after them.
  for (uint8_t loader = 0; loader < 33; ++loader) {
    auto s = rawtest::RandomBytes(1200, 100 + loader);
    s[0] = loader;
    s[1] = static_cast<uint8_t>(7 + loader);
    s[2] = static_cast<uint8_t>(15 + loader);
    seeds.push_back(s);
  }
  // A lossless JPEG and a curve behind the geometry bytes.
  auto jpeg = rawtest::LosslessJpegSeed(8, 16);
  jpeg.insert(jpeg.begin(), {1, 7, 15, 0, 3, 0, 0, 1, 2, 0});
  seeds.push_back(jpeg);
  const std::vector<codec::Mutation> own = {[](std::vector<uint8_t>& m, std::mt19937& rng) {  // the geometry
    m[rng() % 10] = static_cast<uint8_t>(rng());
  }};
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 3);
  EXPECT_EQ(runs, 3 * static_cast<int>(seeds.size()));
}
