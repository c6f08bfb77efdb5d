// Temporary image storage holds no plain pixels: what an image keeps in a
// temporary file is encrypted under the process's key, any area of it reads
// back on its own, and areas never written read as zeros.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/model/IEStorageCipher.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEFileBuffer.h"
#include "imaging/model/TImagoProc.h"

namespace {

// The whole content of every temporary image file this process holds open
// (they are unlinked at creation: only their descriptors find them).
std::vector<std::vector<uint8_t>> TemporaryImageFiles() {
  std::vector<std::vector<uint8_t>> files;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const std::string target = std::filesystem::read_symlink(e.path(), ec).string();
    if (ec || target.find("/IMG-") == std::string::npos) continue;
    const int fd = std::atoi(e.path().filename().c_str());
    struct stat st;
    if (::fstat(fd, &st) != 0) continue;
    std::vector<uint8_t> data(static_cast<size_t>(st.st_size));
    const ssize_t got = ::pread(fd, data.data(), data.size(), 0);
    data.resize(got > 0 ? static_cast<size_t>(got) : 0);
    files.push_back(std::move(data));
  }
  return files;
}

bool Holds(const std::vector<uint8_t>& file, const uint8_t* row, size_t n) {
  return std::search(file.begin(), file.end(), row, row + n) != file.end();
}

struct ThresholdScope {
  explicit ThresholdScope(int64_t v) : saved(GlobalMemoryThreshold()) { SetGlobalMemoryThreshold(v); }
  ~ThresholdScope() { SetGlobalMemoryThreshold(saved); }
  int64_t saved;
};

}  // namespace

TEST(TemporaryStorage, AfterARotationNoTemporaryFileHoldsAPlainRow) {
  ThresholdScope scope(1);  // every image, undo copies included, goes to disk
  TImagoProc* proc = new TImagoProc(nullptr);
  TIEBitmap& img = *proc->IEBitmap();
  img.Allocate(200, 120, ieRGB24);
  ASSERT_EQ(img.Location(), ieTempFile);
  // Rows that differ from each other and from any key stream by chance.
  std::vector<std::vector<uint8_t>> plain;
  for (int32_t y = 0; y < img.Height(); ++y) {
    uint8_t* row = img.GetScanline(y);
    for (int32_t i = 0; i < img.Width() * 3; ++i) row[i] = static_cast<uint8_t>((i * 7 + y * 13) ^ (i >> 3));
    plain.emplace_back(row, row + img.Width() * 3);
  }
  img.UnmapRows();
  proc->Rotate(90, false, raNone, -1);
  ASSERT_EQ(img.Width(), 120);
  ASSERT_GE(proc->UndoCount(), 1);
  for (int32_t y = 0; y < img.Height(); ++y) {
    const uint8_t* row = img.GetScanline(y);
    plain.emplace_back(row, row + img.Width() * 3);
  }
  img.UnmapRows();

  const auto files = TemporaryImageFiles();
  ASSERT_GE(files.size(), 2u) << "the image and its undo copy live in temporary files";
  size_t bytes = 0;
  for (const auto& f : files) {
    bytes += f.size();
    for (size_t r = 0; r < plain.size(); ++r)
      ASSERT_FALSE(Holds(f, plain[r].data(), 48)) << "plain row " << r << " found in a temporary file";
  }
  EXPECT_GE(bytes, size_t{2} * 200 * 120 * 3);

  // Undo reads the encrypted copy back.
  proc->Undo();
  ASSERT_EQ(img.Width(), 200);
  for (int32_t y = 0; y < img.Height(); ++y)
    ASSERT_EQ(std::memcmp(img.GetScanline(y), plain[static_cast<size_t>(y)].data(), 600), 0) << y;
  proc->Free();
}

TEST(TemporaryStorage, AnyAreaReadsBackAndHolesReadAsZeros) {
  TIEFileBuffer buffer;
  ASSERT_TRUE(buffer.AllocateFile("IMG", 100000));
  std::vector<uint8_t> pattern(5000);
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i * 31 + 7);
  // Areas at odd offsets, one crossing another, one past the first's end.
  struct Area {
    int64_t at, size;
  } areas[] = {{3, 1000}, {2001, 37}, {500, 1700}, {99000, 1000}};
  std::vector<uint8_t> expected(100000, 0);
  for (const Area& a : areas) {
    uint8_t* block = buffer.MapBlock(iedWrite, a.at, a.size);
    std::memcpy(block, pattern.data() + a.at % 97, static_cast<size_t>(a.size));
    std::memcpy(expected.data() + a.at, pattern.data() + a.at % 97, static_cast<size_t>(a.size));
    buffer.UnmapBlock(block);
  }
  for (int64_t at : {int64_t{0}, int64_t{1}, int64_t{1500}, int64_t{2030}, int64_t{5000}, int64_t{98990}}) {
    const int64_t n = std::min<int64_t>(3000, 100000 - at);
    uint8_t* block = buffer.MapBlock(iedRead, at, n);
    EXPECT_EQ(std::memcmp(block, expected.data() + at, static_cast<size_t>(n)), 0) << "area at " << at;
    buffer.UnmapBlock(block);
  }
  // Cut and grown again, the cut-off data are gone.
  buffer.SetFileSize(600);
  buffer.SetFileSize(100000);
  uint8_t* block = buffer.MapBlock(iedRead, 0, 2000);
  EXPECT_EQ(std::memcmp(block, expected.data(), 600), 0);
  EXPECT_TRUE(std::all_of(block + 600, block + 2000, [](uint8_t b) { return b == 0; }));
  buffer.UnmapBlock(block);
  // Copied to another file (another nonce), the bytes stay the same.
  TIEFileBuffer copy;
  ASSERT_TRUE(copy.AllocateFile("IMG", 100000));
  buffer.CopyTo(&copy, 0, 100000);
  block = copy.MapBlock(iedRead, 0, 700);
  EXPECT_EQ(std::memcmp(block, expected.data(), 600), 0);
  copy.UnmapBlock(block);
}

TEST(TemporaryStorage, TheKeyStreamDependsOnTheOffsetAndTheFileOnly) {
  TIEStorageCipher a, b;
  std::vector<uint8_t> zeros(100, 0), whole(100), part(40), again(100), other(100);
  a.Apply(0, zeros.data(), whole.data(), 100);
  a.Apply(37, zeros.data(), part.data(), 40);
  EXPECT_EQ(std::memcmp(part.data(), whole.data() + 37, 40), 0) << "an area starting inside a block";
  a.Apply(0, whole.data(), again.data(), 100);
  EXPECT_EQ(again, zeros) << "applied twice, the cipher gives the plain bytes back";
  b.Apply(0, zeros.data(), other.data(), 100);
  EXPECT_NE(other, whole) << "two files never share a key stream";
  EXPECT_NE(whole, zeros);
}
