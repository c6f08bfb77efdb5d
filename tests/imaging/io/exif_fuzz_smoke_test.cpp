// A short run of the EXIF parser's fuzz target on blocks our writer builds
// (fields, the EXIF sub-directory, a maker note, a thumbnail page) and thousands of
// deterministic mutations of them.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/ExifBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

TEST(ExifFuzzSmoke, MutatedBlocksNeverMisbehave) {
  std::vector<std::vector<uint8_t>> seeds;
  for (int k = 0; k < 3; ++k) {
    TIOParamsVals p(nullptr);
    p.EXIFHasData = 1;
    p.EXIFMake = "Maker";
    p.EXIFModel = "Model";
    p.SetEXIFOrientation(1 + k * 3);
    p.EXIFExposureTime = 0.004;
    p.EXIFExposureBiasValue = -0.7;
    p.EXIFUserCommentCode = "ASCII";
    p.EXIFUserComment = "a comment";
    p.EXIFXPTitle = u"title";
    if (k > 0) {
      p.EXIFThumbnail = std::make_unique<TIEBitmap>();
      codec::FillBitmap(*p.EXIFThumbnail, 8 * k, 6, codec::Picture(8 * k, 6));
    }
    if (k == 2) {
      // A maker note: a SHORT in its entry and a text after the entries.
      const uint8_t note[] = {2, 0, 1, 0, 3, 0, 1, 0, 0, 0, 7, 0, 0, 0, 2, 0, 2, 0, 10, 0, 0, 0, 26, 0, 0, 0,
                              'C', 'a', 'm', 'e', 'r', 'a', ' ', 'X', '1', 0};
      p.EXIFMakerNote.Stream().WriteBuffer(note, sizeof note);
      p.EXIFMakerNote.ParseTags();
    }
    std::vector<uint8_t> block;
    ASSERT_TRUE(BuildExifBlock(p, block));
    seeds.emplace_back(block.begin() + kExifHeaderLength, block.end());
  }
  EXPECT_EQ(codec::RunMutations(LLVMFuzzerTestOneInput, seeds, {}, 300), 900);
}
