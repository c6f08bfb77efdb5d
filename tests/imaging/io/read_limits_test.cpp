// The plausibility checks readers make before allocating a claimed size.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/model/TIEFileBuffer.h"
#include "rtl/TStream.h"

TEST(ReadLimits, ImageBytesPadRowsAndAddTheAlphaChannel) {
  struct Case {
    int64_t w, h;
    TIEPixelFormat f;
    bool alpha;
    int64_t bytes;
  } cases[] = {
      {1, 1, ieMono1, false, 4},
      {33, 2, ieMono1, false, 16},
      {5, 3, ieRGB24, false, 48},      // 15 bytes padded to 16
      {5, 3, ieRGB24, true, 48 + 24},  // alpha rows of 5 padded to 8
      {65536, 65536, ieRGB48, false, int64_t{65536} * 65536 * 6},
      {0, 10, ieRGB24, true, 0},
      {10, -1, ieGray8, false, 0},
      {10, 10, ieNoFormat, false, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IEImageBytes(c.w, c.h, c.f, c.alpha), c.bytes) << c.w << "x" << c.h << " format " << int(c.f);
}

TEST(ReadLimits, InflatedBytesFollowDeflatesBestRatioWithoutWrapping) {
  EXPECT_EQ(IEMaxInflatedBytes(0), 0);
  EXPECT_EQ(IEMaxInflatedBytes(1000), 1032000);
  EXPECT_EQ(IEMaxInflatedBytes(std::numeric_limits<int64_t>::max() / 2),
            std::numeric_limits<int64_t>::max());
}

TEST(ReadLimits, DataHoldsWhatItsBestRatioDecodesToAndSmallImagesAlways) {
  EXPECT_TRUE(IEDataCanHold(kIESmallImageBytes, 0, 2));
  EXPECT_FALSE(IEDataCanHold(kIESmallImageBytes + 1, 0, 1032));
  // 3 MiB + 1 bytes at a ratio of 3 need 1 MiB + 1 bytes of data.
  const int64_t decoded = 3 * kIESmallImageBytes + 1;
  EXPECT_FALSE(IEDataCanHold(decoded, kIESmallImageBytes, 3));
  EXPECT_TRUE(IEDataCanHold(decoded, kIESmallImageBytes + 1, 3));
  EXPECT_TRUE(IEDataCanHold(3 * kIESmallImageBytes, kIESmallImageBytes, 3));
  EXPECT_FALSE(IEDataCanHold(std::numeric_limits<int64_t>::max(), 1 << 20, kIEDeflateMaxRatio));
  EXPECT_FALSE(IEDataCanHold(decoded, 1 << 30, 0));
}

TEST(ReadLimits, BytesLeftCountFromThePositionAndKeepIt) {
  TMemoryStream s;
  s.SetSize(100);
  s.SetPosition(30);
  EXPECT_EQ(IEBytesLeft(&s), 70);
  EXPECT_EQ(s.Position(), 30);
  s.SetPosition(100);
  EXPECT_EQ(IEBytesLeft(&s), 0);
  EXPECT_EQ(IEBytesLeft(nullptr), 0);
}

TEST(ReadLimits, AClaimIsRefusedWithItsReason) {
  bool aborted = false;
  std::string reason;
  TIOProgressRec p;
  p.Aborting = &aborted;
  p.AbortReason = &reason;

  EXPECT_TRUE(IEClaimPlausible(p, 640, 480, ieRGB24, true, true));
  EXPECT_FALSE(aborted);
  EXPECT_TRUE(reason.empty());

  EXPECT_FALSE(IEClaimPlausible(p, 30000, 30000, ieRGB24, false, false));
  EXPECT_TRUE(aborted);
  EXPECT_EQ(reason, IEClaimTooLargeForDataText(30000, 30000));
  EXPECT_NE(reason.find("30000 x 30000"), std::string::npos);

  // No machine has 2^31 x 2^31 x 6 bytes (24 exbibytes) free.
  aborted = false;
  const int64_t huge = std::numeric_limits<int32_t>::max();
  EXPECT_FALSE(IEClaimPlausible(p, huge, huge, ieRGB48, true, true));
  EXPECT_TRUE(aborted);
  EXPECT_EQ(reason, IEClaimTooLargeForMachineText(huge, huge, IEImageBytes(huge, huge, ieRGB48, true)));

  // A record without a reason text still aborts.
  TIOProgressRec bare;
  bool bare_aborted = false;
  bare.Aborting = &bare_aborted;
  EXPECT_FALSE(IEClaimPlausible(bare, 10, 10, ieGray8, false, false));
  EXPECT_TRUE(bare_aborted);
}

TEST(ReadLimits, TheMachineHoldsWhatItsTemporaryFolderHasFree) {
  EXPECT_GT(TempFolderFreeBytes(), 0);
  EXPECT_TRUE(IEMachineCanHold(1 << 20));
  EXPECT_FALSE(IEMachineCanHold(std::numeric_limits<int64_t>::max()));
}
