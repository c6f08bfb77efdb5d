// A short run of the text decoder fuzz target: the renderings of a few byte
// strings in every format, then deterministic mutations of them (changed
// characters, cut texts, inserted padding and line breaks). The target traps
// when decoded bytes do not survive encoding and decoding again, and the
// sanitizers catch any bad access.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include "crypto/TStringFormat.h"
#include "tests/support/MutationRun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {
void Fuzz(const std::string& s) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

TEST(StringFormatFuzzSmoke, SeedsAndMutations) {
  std::vector<std::string> seeds = {"", "=", "0", "====", "begin 644 x\n`\nend\n"};
  const std::string samples[] = {"f", "fo", "foo", std::string("\0\xFF\x80 zero", 8),
                                 std::string(100, '\xA5')};
  for (const std::string& bytes : samples)
    for (const int id : {fmtHEX, fmtHEXL, fmtMIME64, fmtUU, fmtXX})
      seeds.push_back(BinaryToFormat(bytes, id));
  // Each text cut at a few places along it.
  for (const std::string& seed : seeds)
    for (size_t cut = 0; cut < seed.size(); cut += 1 + seed.size() / 20) Fuzz(seed.substr(0, cut));
  // One to three edits of the characters the formats care about: any
  // character, one of the formats' own, a few left out, padding or a line
  // break put in.
  const std::vector<fuzz_smoke::Mutation> own = {
      fuzz_smoke::TextEdits(std::string("\x00=`+/ \r\n-_aZ9", 13), "=\n `", 3, 4)};
  std::vector<std::vector<uint8_t>> files;
  for (const std::string& seed : seeds) files.emplace_back(seed.begin(), seed.end());
  const int runs = fuzz_smoke::RunMutations(LLVMFuzzerTestOneInput, files, own, 60);
  EXPECT_EQ(runs, 60 * static_cast<int>(seeds.size()));
}
}  // namespace
