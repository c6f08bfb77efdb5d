// A short run of the CCITT decoders' fuzz target on coded rows of every
// coding and thousands of deterministic mutations of them.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/formats/CCITT.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

TEST(CcittFuzzSmoke, MutatedCodeStreamsNeverMisbehave) {
  std::vector<std::vector<uint8_t>> seeds;
  const int width = 77, stride = 10;
  std::vector<uint8_t> rows(stride * 6);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 37 % 5 == 0 ? 0xF0 : i * 11);
  for (int mode = 0; mode < 6; ++mode) {
    TMemoryStream s;
    bool abort = false;
    int32_t pending = 0;
    uint8_t byte = 0;
    std::vector<uint8_t> ref;
    const int32_t fill = mode % 2 ? 2 : 1;
    for (int y = 0; y < 6; ++y) {
      const uint8_t* r = rows.data() + y * stride;
      if (mode / 2 == 0) CCITTEncodeG3Row1D(r, width, &s, fill, abort, pending, byte);
      else if (mode / 2 == 1) CCITTEncodeG3Row2D(r, width, &s, fill, abort, ref, pending, byte);
      else CCITTEncodeG4Row(r, width, &s, fill, abort, ref, pending, byte);
    }
    CCITTFlush(&s, abort, pending, byte);
    std::vector<uint8_t> seed = {static_cast<uint8_t>(width), 0, static_cast<uint8_t>(mode)};
    const std::vector<uint8_t> code = codec::Bytes(s);
    seed.insert(seed.end(), code.begin(), code.end());
    seeds.push_back(seed);
  }
  EXPECT_EQ(codec::RunMutations(LLVMFuzzerTestOneInput, seeds, {}, 800), 800 * 6);
}
