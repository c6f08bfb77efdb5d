// The constant tables of the digests, checked against the published tables:
// a CRC-32 of each whole table (taken from the published text when the
// table was converted) and the entries the publications print.
#include <gtest/gtest.h>

#include <vector>

#include "crypto/CodingRoutines.h"
#include "crypto/hash/HavalTables.h"
#include "crypto/hash/SnefruTables.h"
#include "crypto/hash/TigerTables.h"

namespace {

// CRC-32 of the table's words as little-endian bytes, in index order.
template <typename T, size_t N>
uint32_t TableCrc(const T (&table)[N]) {
  std::vector<uint8_t> bytes;
  for (const T& v : table)
    for (size_t i = 0; i < sizeof(T); ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return ~UpdateCRC32(0xFFFFFFFF, bytes.data(), static_cast<int64_t>(bytes.size()));
}
template <typename T, size_t N, size_t M>
uint32_t TableCrc(const T (&table)[N][M]) {
  std::vector<uint8_t> bytes;
  for (const auto& row : table)
    for (const T& v : row)
      for (size_t i = 0; i < sizeof(T); ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return ~UpdateCRC32(0xFFFFFFFF, bytes.data(), static_cast<int64_t>(bytes.size()));
}

TEST(HashTablesTest, Snefru) {
  EXPECT_EQ(TableCrc(SnefruSBoxes), 0xFA86BB10u);
  EXPECT_EQ(SnefruSBoxes[0][0], 0x64F9001Bu);
  EXPECT_EQ(SnefruSBoxes[0][1], 0xFEDDCDF6u);
}

TEST(HashTablesTest, Tiger) {
  EXPECT_EQ(TableCrc(TigerSBoxes), 0x22ED0FBFu);
  EXPECT_EQ(TigerSBoxes[0][0], 0x02AAB17CF7E90C5EULL);
  EXPECT_EQ(TigerSBoxes[3][255], 0xC3A0396F7363A51FULL);
}

TEST(HashTablesTest, Haval) {
  EXPECT_EQ(TableCrc(haval::Constants), 0x719A4981u);
  // The constants run on from the initial value through the digits of pi.
  EXPECT_EQ(haval::Constants[0][0], 0x452821E6u);
  EXPECT_EQ(haval::Constants[3][31], 0x409F60C4u);
  // Each word order and each phi is a permutation.
  for (const auto& order : haval::WordOrder) {
    uint32_t seen = 0;
    for (uint8_t w : order) seen |= uint32_t{1} << w;
    EXPECT_EQ(seen, 0xFFFFFFFFu);
  }
  for (int n = 0; n < 3; ++n)
    for (int p = 0; p < n + 3; ++p) {
      uint32_t seen = 0;
      for (uint8_t a : haval::Phi[n][p]) seen |= uint32_t{1} << a;
      EXPECT_EQ(seen, 0x7Fu) << n + 3 << " passes, pass " << p + 1;
    }
  EXPECT_EQ(haval::WordOrder[1][0], 5);
  EXPECT_EQ(haval::WordOrder[4][31], 15);
}

}  // namespace
