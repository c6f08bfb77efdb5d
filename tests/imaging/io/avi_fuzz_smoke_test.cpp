// A short run of the AVI fuzz target, and chunk sizes that reach beyond the
// file.
#include <gtest/gtest.h>

#include "AviTestSupport.h"
#include "CodecTestSupport.h"
#include "imaging/io/formats/AVI.h"
#include "imaging/model/IEStreams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

TEST(AviFuzzSmoke, MutatedFilesNeverMisbehave) {
  std::vector<std::vector<uint8_t>> seeds = {avi::RunLengthAVI()};
  const std::vector<codec::Mutation> own = {
      [](std::vector<uint8_t>& m, std::mt19937& rng) {  // a chunk size or a header field
        if (m.size() < 200) return;
        const size_t at = rng() % (m.size() - 4);
        const uint32_t v = rng() % 3 == 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(rng() % 4096);
        for (int i = 0; i < 4; ++i) m[at + i] = static_cast<uint8_t>(v >> (8 * i));
      }};
  const int runs = codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 400);
  EXPECT_EQ(runs, 400);
}

// Sizes of the RIFF, the frame list and a frame beyond the end of the file:
// the reader takes what the file holds and refuses the cut frame.
TEST(AviReader, ChunkSizesBeyondTheFile) {
  std::vector<uint8_t> f = avi::RunLengthAVI();
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(4, 0xFFFFFFF0u);  // the RIFF
  // The second frame chunk: claims far more than is there.
  size_t second = 0;
  for (size_t i = 12; i + 4 <= f.size(); ++i)
    if (f[i] == '0' && f[i + 1] == '0' && f[i + 2] == 'd' && f[i + 3] == 'c') second = i;
  ASSERT_GT(second, 0u);
  put(second + 4, 0x7FFFFFF0u);
  TIEMemStream s(f.data(), static_cast<int64_t>(f.size()));
  TIEAVIReader r;
  ASSERT_TRUE(r.Open(&s));
  ASSERT_EQ(r.FrameCount(), 2);
  bool aborted = false;
  TIOProgressRec p;
  p.Aborting = &aborted;
  TIEBitmap b;
  EXPECT_TRUE(r.ReadFrame(0, &b, p));
  EXPECT_EQ(b.Width(), 8);
  // The cut frame decodes from what the file holds (the index after it is
  // read as frame data), without reading past the end.
  (void)r.ReadFrame(1, &b, p);
}

// Found by the fuzzer: a stream header whose scale is huge and whose rate is
// small gave a frame delay beyond 32 bits; the delay is held at the longest.
TEST(AviReader, FrameDelayOfAnAbsurdRateStaysInRange) {
  const std::vector<uint8_t> f = {
      0x52, 0x49, 0x46, 0x46, 0x52, 0x4B, 0x46, 0xA9, 0x41, 0x56, 0x49, 0x20, 0x73, 0x74, 0x72, 0x68,
      0x31, 0x00, 0x00, 0x00, 0x76, 0x69, 0x64, 0x73, 0x00, 0x49, 0x46, 0x00, 0xFF, 0xFF, 0xFF, 0x8C,
      0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x46, 0x4C, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x49, 0x53, 0x54, 0x00, 0x00, 0x00, 0x76, 0x6D, 0x52, 0x6F, 0x69, 0xAA, 0x46,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x73, 0x74, 0x72, 0x66, 0x4B, 0x46, 0xA9, 0x41, 0x56, 0x49,
      0x20, 0x73, 0x74, 0x72, 0x68, 0x30, 0x00, 0x00, 0x00, 0x76, 0x69, 0x64, 0x73, 0x00, 0x49, 0x46,
      0x00, 0xFF, 0xFF, 0xFF, 0x01, 0x66, 0x66, 0x66, 0x66, 0x66, 0x9B, 0x66, 0xFF, 0xFF, 0xFF, 0x01,
      0x66, 0x66, 0x66, 0x66, 0x66, 0x9B, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x46, 0x00, 0x66, 0x66,
      0x66, 0x00, 0x69, 0x00,
  };
  LLVMFuzzerTestOneInput(f.data(), f.size());
  TIEMemStream s(f.data(), static_cast<int64_t>(f.size()));
  TIEAVIReader r;
  ASSERT_TRUE(r.Open(&s));
  EXPECT_GE(r.FrameDelay(), 0);
}
