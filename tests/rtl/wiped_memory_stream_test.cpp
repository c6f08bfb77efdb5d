// The memory stream for plain image data: it behaves as a memory stream, and
// every block it gives back is zeroed first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "rtl/TWipedMemoryStream.h"

namespace {

// Records, for every block given back, whether it was all zero afterwards.
class TWatchedStream : public TWipedMemoryStream {
 public:
  int blocks = 0;
  int dirty = 0;

 protected:
  void WipeBlock(uint8_t* Block, size_t Size) override {
    TWipedMemoryStream::WipeBlock(Block, Size);
    if (!Block || Size == 0) return;
    ++blocks;
    if (std::any_of(Block, Block + Size, [](uint8_t b) { return b != 0; })) ++dirty;
  }
};

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = char(0x41 + i % 23);
  return s;
}

}  // namespace

TEST(WipedMemoryStream, GrowsKeepsItsBytesAndZeroesEveryBlockItGivesBack) {
  struct TCase {
    size_t total, piece;
  } cases[] = {{1, 1}, {4096, 4096}, {200000, 777}, {1 << 20, 65536}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.total);
    const std::string data = Pattern(c.total);
    TWatchedStream s;
    for (size_t at = 0; at < c.total; at += c.piece)
      s.WriteBuffer(data.data() + at, int64_t(std::min(c.piece, c.total - at)));
    ASSERT_EQ(s.Size(), int64_t(c.total));
    EXPECT_EQ(std::memcmp(s.Memory(), data.data(), c.total), 0);
    const int grown = s.blocks;
    if (c.total > 4096) {
      EXPECT_GT(grown, 0) << "a growing stream moves its data";
    }
    // Cutting the end zeroes the cut bytes; growing again reads zeros there.
    s.SetSize(int64_t(c.total / 2));
    s.SetSize(int64_t(c.total));
    const uint8_t* p = static_cast<const uint8_t*>(s.Memory());
    EXPECT_TRUE(std::all_of(p + c.total / 2, p + c.total, [](uint8_t b) { return b == 0; }));
    s.SetPosition(0);
    std::string back(c.total / 2, '\0');
    s.ReadBuffer(back.data(), int64_t(back.size()));
    EXPECT_EQ(back, data.substr(0, c.total / 2));
    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Memory(), nullptr);
    EXPECT_GT(s.blocks, grown);
    EXPECT_EQ(s.dirty, 0);
  }
}

TEST(WipedMemoryStream, APresizedStreamKeepsOneBlock) {
  TWatchedStream s;
  const std::string data = Pattern(300000);
  s.SetSize(int64_t(data.size()));
  s.SetPosition(0);
  for (size_t at = 0; at < data.size(); at += 4096)
    s.WriteBuffer(data.data() + at, int64_t(std::min<size_t>(4096, data.size() - at)));
  EXPECT_EQ(s.blocks, 0);
  EXPECT_EQ(std::memcmp(s.Memory(), data.data(), data.size()), 0);
}
