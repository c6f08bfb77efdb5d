// A short run of the selection-block fuzz target: blocks saved from real
// selections (rectangles, added rectangles, a polygon, an 8-bit mask, the
// magic wand, none), then deterministic mutations.
#include <gtest/gtest.h>

#include "imaging/view/TImagoView.h"
#include "platform/Backend.h"
#include "tests/imaging/io/CodecTestSupport.h"
#include "ui/TApplication.h"
#include "ui/TForm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

// The selection blocks, saved from a view over a 24 x 16 image (the size the
// fuzz target mostly loads them into).
std::vector<std::vector<uint8_t>> SavedSelections() {
  // The target starts the headless window system itself; a first empty run
  // does it before the seeds' view is made.
  LLVMFuzzerTestOneInput(nullptr, 0);
  auto* form = new TForm(Application);
  form->SetClientSize(120, 100);
  auto* v = new TImagoView(form);
  v->SetParent(form);
  v->SetBounds(4, 4, 64, 48);
  form->Show();
  TIEBitmap* b = v->GetIEBitmap();
  b->Allocate(24, 16, ieRGB24);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 24; ++x)
      b->SetRGB24(x, y, x < 10 && y < 8 ? MakeRGBTriple(200, 10, 10) : MakeRGBTriple(10, 10, 200));
  v->Update();
  v->SetSelectionBase(iesbBitmap);
  std::vector<std::vector<uint8_t>> seeds;
  auto save = [&] {
    TMemoryStream s;
    v->SaveSelectionToStream(&s);
    seeds.push_back(codec::Bytes(s));
  };
  v->Select(3, 4, 12, 9, 0);
  save();
  v->Select(15, 2, 22, 14, 1);
  save();
  v->Deselect();
  for (auto [x, y] : {std::pair{2, 2}, {20, 3}, {18, 13}, {5, 11}}) v->AddSelectionPoint(x, y);
  v->BuildSelectionMask();
  save();
  v->SetSelectionMaskDepth(8);
  v->Select(0, 0, 23, 15, 0);
  save();
  v->SetSelectionMaskDepth(1);
  v->MagicWandAt(3, 3, false);
  save();
  v->Deselect();
  save();
  v->Free();
  form->Free();
  return seeds;
}

void PutInt(std::vector<uint8_t>& m, size_t at, int32_t v) {
  if (m.size() < at + 4) return;
  for (int k = 0; k < 4; ++k) m[at + k] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k));
}

int32_t Edgy(std::mt19937& rng) {
  static const int32_t kValues[] = {0, 1, -1, 15, 16, 17, 23, 24, 25, INT32_MAX, INT32_MIN, 1 << 20, -2147483647};
  return rng() % 4 == 0 ? static_cast<int32_t>(rng()) : kValues[rng() % std::size(kValues)];
}

}  // namespace

TEST(ViewSelectionFuzzSmoke, MutatedBlocksNeverMisbehave) {
  const std::vector<std::vector<uint8_t>> seeds = SavedSelections();
  ASSERT_EQ(seeds.size(), 6u);
  const std::vector<codec::Mutation> own = {
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // mask size or point count
        PutInt(m, 4 * (rng() % 3), Edgy(rng));
      },
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // a point, a box edge or the depth
        if (m.size() >= 16) PutInt(m, 12 + 4 * (rng() % ((m.size() - 12) / 4)), Edgy(rng));
      }};
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 100);
  EXPECT_EQ(runs, 100 * static_cast<int>(seeds.size()));
}
