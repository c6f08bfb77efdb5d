// A short run of the raw pixel fuzz target over every pixel format and
// layout byte.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

TEST(RawPixelsFuzzSmoke, EveryLayoutNeverMisbehaves) {
  std::vector<std::vector<uint8_t>> seeds;
  for (int f = 0; f < 9; ++f)
    for (const uint8_t align : {0, 8, 13, 32, 64, 200}) {
      std::vector<uint8_t> s = {align, static_cast<uint8_t>(f), 3, 7, 5, static_cast<uint8_t>(f)};
      s.resize(6 + 600, static_cast<uint8_t>(f * 17));
      seeds.push_back(s);
    }
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, {}, 20);
  EXPECT_EQ(runs, 20 * static_cast<int>(seeds.size()));
}
