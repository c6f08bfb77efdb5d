// A short run of the GIF fuzz target: files of several depths, interlaced,
// transparent, animated and commented, then some 1600 deterministic
// mutations of them (flipped bytes, cut files, extreme sizes and codes).
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "GifTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

std::vector<std::vector<uint8_t>> Seeds() {
  std::vector<std::vector<uint8_t>> seeds;
  TIEBitmap card;
  codec::FillBitmap(card, 13, 7, codec::Picture(13, 7));
  for (const int bits : {8, 4, 1}) {
    TIOParamsVals p(nullptr);
    p.BitsPerSample = bits;
    p.GifInterlaced = bits == 4;
    p.GifComments = {"seed", std::string(300, 'c')};
    if (bits == 8) {
      card.GetAlphaChannel()->Fill(255);
      card.SetAlpha(2, 2, 0);
    } else {
      card.RemoveAlphaChannel();
    }
    seeds.push_back(gif::Write(&card, p));
  }
  // An animation with local tables and disposal methods.
  gif::File f;
  f.width = 6;
  f.height = 4;
  f.global = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
  for (int i = 0; i < 3; ++i) {
    gif::Frame fr;
    fr.left = i;
    fr.top = i % 2;
    fr.width = 4 - i;
    fr.height = 3;
    fr.indexes.assign(static_cast<size_t>(fr.width) * 3, static_cast<uint8_t>(i));
    fr.bits = 2;
    fr.interlaced = i == 1;
    if (i == 2) fr.local = {0x111111, 0x222222, 0x333333, 0x444444};
    fr.control = gif::Control(i == 1 ? 2 : 1, i == 0 ? 1 : -1);
    f.frames.push_back(fr);
  }
  seeds.push_back(gif::Build(f));
  return seeds;
}

}  // namespace

TEST(GifFuzzSmoke, MutatedFilesNeverMisbehave) {
  const auto seeds = Seeds();
  const std::vector<codec::Mutation> own = {
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // an extreme screen or frame size
        const size_t at = rng() % 2 ? 6 + rng() % 4 : (rng() % m.size());
        if (at + 1 < m.size()) m[at] = m[at + 1] = 0xFF;
      },
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // a wild code-size byte
        for (size_t i = 13; i + 1 < m.size(); ++i)
          if (m[i] == 0x2C && i + 10 < m.size()) {
            m[i + 10] = static_cast<uint8_t>(rng() % 16);
            break;
          }
      }};
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 400);
  EXPECT_EQ(runs, 400 * static_cast<int>(seeds.size()));
}
