// A stream over a large block of zeroed memory costs what is written to it,
// keeps its size, and reads back what was written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "platform/ZeroedMemoryStream.h"

namespace {

long ResidentBytes() {
  long size = 0, resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return -1;
  if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = -1;
  std::fclose(f);
  return resident < 0 ? -1 : resident * sysconf(_SC_PAGESIZE);
}

}  // namespace

TEST(ZeroedMemoryStream, ABlockOfAGigabyteCostsWhatIsWritten) {
  const long before = ResidentBytes();
  ASSERT_GT(before, 0);
  TZeroedMemoryStream s(int64_t{1} << 30);
  const std::vector<uint8_t> piece(1 << 20, 0xA5);
  s.WriteBuffer(piece.data(), static_cast<int64_t>(piece.size()));
  EXPECT_LT(ResidentBytes() - before, 64l << 20);
  EXPECT_EQ(s.Size(), int64_t{1} << 30);
  EXPECT_EQ(s.WrittenBytes(), 1 << 20);
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  EXPECT_EQ(p[0], 0xA5);
  EXPECT_EQ(p[(1 << 20) - 1], 0xA5);
  EXPECT_EQ(p[1 << 20], 0);
  EXPECT_EQ(p[(int64_t{1} << 30) - 1], 0);
}

TEST(ZeroedMemoryStream, WritesStopAtTheEndOfTheBlock) {
  TZeroedMemoryStream s(10);
  const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  s.SetPosition(6);
  EXPECT_EQ(s.Write(bytes, 8), 4);
  EXPECT_EQ(s.Size(), 10);
  EXPECT_EQ(s.WrittenBytes(), 10);
  s.SetPosition(0);
  uint8_t back[12] = {};
  EXPECT_EQ(s.Read(back, 12), 10);
  const uint8_t expect[12] = {0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 0, 0};
  EXPECT_EQ(std::vector<uint8_t>(back, back + 12), std::vector<uint8_t>(expect, expect + 12));
  s.SetPosition(10);
  EXPECT_EQ(s.Write(bytes, 8), 0);
}

TEST(ZeroedMemoryStream, AnEmptyBlockTakesNothing) {
  TZeroedMemoryStream s(0);
  const uint8_t b = 1;
  EXPECT_EQ(s.Write(&b, 1), 0);
  EXPECT_EQ(s.Size(), 0);
}
