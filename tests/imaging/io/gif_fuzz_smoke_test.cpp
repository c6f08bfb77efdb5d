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

// A frame placed right of a zero-width logical screen: it draws nothing
// and copies no row of its alpha.
TEST(GifFuzzSmoke, FramesOutsideTheScreenDrawNothing) {
  const std::vector<uint8_t> file = {
      0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x00, 0x00, 0x00, 0xA9, 0xA2, 0x45, 0x00, 0xFF, 0xFF, 0xFF,
      0xFF, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x00, 0x10, 0x00, 0x0C,
      0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x21, 0xF9, 0x04, 0xD9, 0x00, 0x00, 0x00, 0x00, 0x6C, 0x6D, 0x61, 0x3D, 0x30, 0x2E,
      0x34, 0x01, 0x00, 0x00, 0x10, 0x00, 0x2C, 0xB0, 0x00, 0x00, 0x00, 0x10, 0x00, 0x0C, 0x00, 0x00,
      0x04, 0x00, 0xE9, 0x00, 0x00, 0x00, 0x00, 0x6D, 0x6D, 0x61, 0x3D, 0x30, 0x2E, 0x34, 0x35, 0x34,
      0x35, 0x36, 0x00, 0x2C, 0xB0, 0x00, 0x00, 0x00, 0x10, 0x00, 0x47, 0x49, 0x46, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0x0C, 0x00, 0x00, 0x04, 0x39, 0x23,
      0x10, 0x49, 0xAB, 0x08, 0x38, 0xEB, 0x1D, 0x84, 0xFF, 0x60, 0x28, 0x0C, 0x64, 0x69, 0x9E, 0x03,
      0xA1, 0xAE, 0x6C, 0x4B, 0x14, 0x70, 0x2C,
  };
  EXPECT_EQ(LLVMFuzzerTestOneInput(file.data(), file.size()), 0);
}
