// A short run of the TIFF LZW decoder's fuzz target on encoded data and
// thousands of deterministic mutations of it.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/formats/TIFFLZW.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

TEST(TiffLzwFuzzSmoke, MutatedCodeStreamsNeverMisbehave) {
  std::vector<std::vector<uint8_t>> seeds;
  for (int kind = 0; kind < 4; ++kind) {
    std::vector<uint8_t> in(3000);
    for (size_t i = 0; i < in.size(); ++i)
      in[i] = static_cast<uint8_t>(kind == 0 ? 9 : kind == 1 ? i : kind == 2 ? i * i % 7 : i * 7919 % 251);
    TMemoryStream out;
    TTIFFLZWEncodeHandle state;
    TIFFLZWEncode(in.data(), static_cast<int64_t>(in.size()), &out, state);
    TIFFLZWEncode(nullptr, 0, &out, state);
    std::vector<uint8_t> seed = {static_cast<uint8_t>(kind * 40)};
    const std::vector<uint8_t> code = codec::Bytes(out);
    seed.insert(seed.end(), code.begin(), code.end());
    seeds.push_back(seed);
  }
  EXPECT_EQ(codec::RunMutations(LLVMFuzzerTestOneInput, seeds, {}, 1000), 4000);
}
