// A large device-independent bitmap takes memory that comes zeroed: its
// pixels read as zero, and creating it writes none of its pages (a 72 MB
// picture was once cleared page by page before anything was drawn on it).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "platform/Bitmap.h"
#include "platform/ZeroedBlock.h"
#include "platform/ZeroedMemory.h"

namespace {

// The pages of the process that are in memory.
long ResidentBytes() {
  long size = 0, resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return -1;
  if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = -1;
  std::fclose(f);
  return resident < 0 ? -1 : resident * sysconf(_SC_PAGESIZE);
}

TEST(BitmapMemory, ALargeBitmapComesZeroedWithoutBeingWritten) {
  BITMAPINFO bmi;
  bmi.bmiHeader.biWidth = 6000;
  bmi.bmiHeader.biHeight = -4000;
  bmi.bmiHeader.biBitCount = 24;
  const long before = ResidentBytes();
  ASSERT_GT(before, 0);
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bm, nullptr);
  ASSERT_NE(bits, nullptr);
  const long grown = ResidentBytes() - before;
  const auto* p = static_cast<const uint8_t*>(bits);
  const size_t n = size_t(6000 * 3) * 4000;
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[n / 2], 0);
  EXPECT_EQ(p[n - 1], 0);
  EXPECT_LT(grown, 8L << 20) << "creating the bitmap wrote " << (grown >> 20) << " MB of its 72 MB";
  DeleteObject(bm);
}

// Small and large blocks alike read as zero, and moving one hands it over.
TEST(BitmapMemory, ZeroedBlocksOfEverySize) {
  for (size_t size : {size_t{1}, size_t{4096}, size_t{256} << 10, size_t{5} << 20}) {
    SCOPED_TRACE(size);
    TZeroedMemory m(size);
    ASSERT_EQ(m.size(), size);
    size_t nonzero = 0;
    for (size_t i = 0; i < size; i += 997) nonzero += m.data()[i] != 0;
    EXPECT_EQ(nonzero, 0u);
    m.data()[size - 1] = 7;
    TZeroedMemory moved(std::move(m));
    EXPECT_TRUE(m.empty());
    EXPECT_EQ(moved.data()[size - 1], 7);
    moved.clear();
    EXPECT_TRUE(moved.empty());
  }
}

// Blocks of several megabytes start on a 2 MB boundary, where the system
// can back them with huge pages (one fault for 512 small pages).
TEST(BitmapMemory, LargeBlocksStartOnAHugePageBoundary) {
  if (!ZeroedBlocksAreHugePageAligned()) GTEST_SKIP() << "the address sanitizer's allocator gives every block";
  for (size_t size : {size_t{4} << 20, (size_t{72} << 20) + 123}) {
    SCOPED_TRACE(size);
    TZeroedMemory m(size);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(m.data()) % (size_t{2} << 20), 0u);
    m.data()[0] = 1;
    m.data()[size - 1] = 2;
    EXPECT_EQ(m.data()[size / 2], 0);
  }
}

}  // namespace
