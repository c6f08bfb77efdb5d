// A short run of the any-map and wireless bitmap fuzz target: every kind of
// file, text and binary, 8 and 16 bits, then deterministic mutations.
#include <gtest/gtest.h>

#include <string>

#include "CodecTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

}  // namespace

TEST(PxmFuzzSmoke, MutatedFilesNeverMisbehave) {
  using namespace std::string_literals;
  const std::vector<std::vector<uint8_t>> seeds = {
      Bytes("P1\n# c\n5 3\n10101\n01010\n11111\n"),
      Bytes("P2 3 2 15\n0 7 15\n15 7 0\n"),
      Bytes("P3 2 2 255 1 2 3 4 5 6 7 8 9 10 11 12\n"),
      Bytes("P4 10 2\n\x80\x40\xff\xc0"s),
      Bytes("P5 4 2 255\n\x00\x40\x80\xff\x01\x02\x03\x04"s),
      Bytes("P6 2 1 100\n\x64\x32\x00\x01\x02\x03"s),
      Bytes("P6 2 1 65535\n\x12\x34\xff\xff\x00\xff\x00\x01\x80\x00\x7f\xff"s),
      Bytes("\x00\x00\x0a\x02\xff\xc0\x55\x40"s),
  };
  const std::vector<codec::Mutation> own = {
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // a huge or zero number
        const std::string n = rng() % 2 ? "99999999" : "0";
        const size_t at = rng() % m.size();
        m.insert(m.begin() + static_cast<long>(at), n.begin(), n.end());
      }};
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 500);
  EXPECT_EQ(runs, 500 * static_cast<int>(seeds.size()));
}

// A 16-bit colour map of 2^31 - 1 square once made the check of what the
// data hold overflow 64 bits (undefined behaviour) before it was refused.
TEST(PxmFuzzSmoke, ExtremeSizesAreRefusedWithoutOverflow) {
  for (const char* header : {"P6 2147483647 2147483647 65535\n", "P5 2147483647 2147483647 65535\n",
                             "P4 2147483647 2147483647\n"}) {
    std::vector<uint8_t> file = Bytes(header);
    file.resize(file.size() + 64, 0x41);
    EXPECT_EQ(LLVMFuzzerTestOneInput(file.data(), file.size()), 0);
  }
}
