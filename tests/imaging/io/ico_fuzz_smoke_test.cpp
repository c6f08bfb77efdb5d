// A short run of the icon and cursor fuzz target: icons of every depth the
// writer makes, a cursor, then deterministic mutations.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/formats/ICO.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

TEST(IcoFuzzSmoke, MutatedFilesNeverMisbehave) {
  TIEBitmap card;
  codec::FillBitmap(card, 13, 7, codec::Picture(13, 7));
  card.GetAlphaChannel()->Fill(255);
  card.SetAlpha(1, 1, 0);
  TIOParamsVals p(nullptr);
  p.IcoSizes = {};
  const int bits[] = {1, 4, 8, 24, 32};
  for (int k = 0; k < 5; ++k) {
    p.IcoSizes[static_cast<size_t>(k)] = {9 + k, 5 + k};
    p.IcoBitCount[static_cast<size_t>(k)] = bits[k];
  }
  TMemoryStream s;
  codec::Progress pr;
  WriteICOStream(&s, &card, p, 4, p.IcoBitCount, p.IcoSizes, pr.rec);
  std::vector<uint8_t> icon = codec::Bytes(s), cursor = icon;
  cursor[2] = 2;
  const std::vector<std::vector<uint8_t>> seeds = {icon, cursor};
  const std::vector<codec::Mutation> own = {
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // a directory or header field
        const size_t at = rng() % 2 ? 6 + rng() % 80 : (m[18] | m[19] << 8) + rng() % 40;
        if (at < m.size()) m[at] = static_cast<uint8_t>(rng());
      }};
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 300);
  EXPECT_EQ(runs, 300 * static_cast<int>(seeds.size()));
}
