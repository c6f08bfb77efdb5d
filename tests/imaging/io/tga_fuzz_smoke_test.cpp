// A short run of the Targa fuzz target: files of every depth the writer
// makes, plain and run-length, with alpha, then deterministic mutations.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/formats/TGA.h"
#include "imaging/model/TIEMask.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

TEST(TgaFuzzSmoke, MutatedFilesNeverMisbehave) {
  TIEBitmap card;
  codec::FillBitmap(card, 13, 7, codec::Picture(13, 7));
  TIEMask mask;
  mask.AllocateBits(13, 7, 8);
  mask.Fill(200);
  mask.Full = false;
  std::vector<std::vector<uint8_t>> seeds;
  const int layouts[][4] = {{3, 8, 1, 0}, {3, 8, 0, 1}, {1, 8, 1, 0}, {1, 4, 0, 0}, {1, 1, 1, 0}};
  for (const auto& l : layouts) {
    TIOParamsVals p(nullptr);
    p.SamplesPerPixel = l[0];
    p.BitsPerSample = l[1];
    p.TgaCompressed = l[2];
    p.TgaAuthor = "seed";
    TMemoryStream s;
    codec::Progress pr;
    WriteTGAStream(&s, &card, p, pr.rec, l[3] ? &mask : nullptr);
    seeds.push_back(codec::Bytes(s));
  }
  const std::vector<codec::Mutation> own = {
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // header fields: type, depth, sizes, map
        static const size_t kAt[] = {1, 2, 5, 6, 7, 12, 13, 14, 15, 16, 17};
        m[kAt[rng() % 11]] = static_cast<uint8_t>(rng());
      }};
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 250);
  EXPECT_EQ(runs, 250 * static_cast<int>(seeds.size()));
}
