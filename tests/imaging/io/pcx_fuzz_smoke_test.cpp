// A short run of the PCX and DCX fuzz target: PCX files of every depth the
// writer makes and a DCX of them, then deterministic mutations.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/formats/PCX.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

TEST(PcxFuzzSmoke, MutatedFilesNeverMisbehave) {
  TIEBitmap card;
  codec::FillBitmap(card, 13, 7, codec::Picture(13, 7));
  std::vector<std::vector<uint8_t>> seeds;
  TMemoryStream dcx;
  const int layouts[][3] = {{8, 3, 1}, {8, 3, 0}, {8, 1, 1}, {4, 1, 1}, {1, 1, 0}};
  int page = 0;
  for (const auto& l : layouts) {
    TIOParamsVals p(nullptr);
    p.BitsPerSample = l[0];
    p.SamplesPerPixel = l[1];
    p.PcxCompression = l[2];
    TMemoryStream s;
    codec::Progress pr;
    WritePCXStream(&s, &card, p, pr.rec);
    seeds.push_back(codec::Bytes(s));
    p.DcxImageIndex = page++;
    dcx.SetPosition(0);
    WriteDCXStream(&dcx, &card, p, pr.rec);
  }
  seeds.push_back(codec::Bytes(dcx));
  const std::vector<codec::Mutation> own = {
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // header fields: depth, size, planes, line
        static const size_t kAt[] = {2, 3, 8, 9, 10, 11, 65, 66, 67};
        if (m.size() > 128) m[kAt[rng() % 9]] = static_cast<uint8_t>(rng());
      }};
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 120);
  EXPECT_EQ(runs, 120 * static_cast<int>(seeds.size()));
}
