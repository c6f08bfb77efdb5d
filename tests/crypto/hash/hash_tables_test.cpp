// The constant tables of the digests, checked against the published tables:
// a CRC-32 of each whole table (taken from the published text when the
// table was converted) and the entries the publications print.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/BlowfishTables.h"
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

// Tiger's compression over a given table (t1 to t4 as 1024 entries).
void TigerCompress(uint64_t* state, const uint64_t* x0, const uint64_t* t) {
  uint64_t x[8];
  std::memcpy(x, x0, sizeof x);
  uint64_t a = state[0], b = state[1], c = state[2];
  auto byte = [](uint64_t v, int n) { return static_cast<unsigned>(v >> (8 * n)) & 0xFF; };
  auto round = [&](uint64_t& a, uint64_t& b, uint64_t& c, uint64_t w, uint64_t mul) {
    c ^= w;
    a -= t[byte(c, 0)] ^ t[256 + byte(c, 2)] ^ t[512 + byte(c, 4)] ^ t[768 + byte(c, 6)];
    b += t[768 + byte(c, 1)] ^ t[512 + byte(c, 3)] ^ t[256 + byte(c, 5)] ^ t[byte(c, 7)];
    b *= mul;
  };
  auto pass = [&](uint64_t& a, uint64_t& b, uint64_t& c, uint64_t mul) {
    round(a, b, c, x[0], mul), round(b, c, a, x[1], mul), round(c, a, b, x[2], mul);
    round(a, b, c, x[3], mul), round(b, c, a, x[4], mul), round(c, a, b, x[5], mul);
    round(a, b, c, x[6], mul), round(b, c, a, x[7], mul);
  };
  auto schedule = [&] {
    x[0] -= x[7] ^ 0xA5A5A5A5A5A5A5A5ULL, x[1] ^= x[0], x[2] += x[1];
    x[3] -= x[2] ^ (~x[1] << 19), x[4] ^= x[3], x[5] += x[4];
    x[6] -= x[5] ^ (~x[4] >> 23), x[7] ^= x[6], x[0] += x[7];
    x[1] -= x[0] ^ (~x[7] << 19), x[2] ^= x[1], x[3] += x[2];
    x[4] -= x[3] ^ (~x[2] >> 23), x[5] ^= x[4], x[6] += x[5];
    x[7] -= x[6] ^ 0x0123456789ABCDEFULL;
  };
  pass(a, b, c, 5);
  schedule();
  pass(c, a, b, 7);
  schedule();
  pass(b, c, a, 9);
  state[0] = a ^ state[0], state[1] = b - state[1], state[2] = c + state[2];
}

TEST(HashTablesTest, TigerTableIsWhatItsGeneratorMakes) {
  // The designers' generator: start from entries whose bytes all equal the
  // entry number mod 256 and shuffle each byte column, driven by Tiger itself.
  std::vector<uint64_t> t(1024);
  for (int i = 0; i < 1024; ++i) t[i] = 0x0101010101010101ULL * static_cast<uint64_t>(i % 256);
  const char* text = "Tiger - A Fast New Hash Function, by Ross Anderson and Eli Biham";
  uint64_t message[8];
  for (int i = 0; i < 8; ++i) message[i] = LoadLE64(text + 8 * i);
  uint64_t state[3] = {0x0123456789ABCDEFULL, 0xFEDCBA9876543210ULL, 0xF096A5B4C3B2E187ULL};
  auto* bytes = reinterpret_cast<uint8_t*>(t.data());
  int abc = 2;
  for (int cnt = 0; cnt < 5; ++cnt)
    for (int i = 0; i < 256; ++i)
      for (int sb = 0; sb < 1024; sb += 256) {
        if (++abc == 3) {
          abc = 0;
          TigerCompress(state, message, t.data());
        }
        for (int col = 0; col < 8; ++col) {
          const int other = sb + static_cast<int>((state[abc] >> (8 * col)) & 0xFF);
          std::swap(bytes[(sb + i) * 8 + col], bytes[other * 8 + col]);
        }
      }
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(TigerSBoxes[i / 256][i % 256], t[i]) << i;
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

TEST(HashTablesTest, HavalConstantsAreTheDigitsOfPiBlowfishStartsWith) {
  // Both tables are words of the hexadecimal fraction of pi, converted from
  // separate sources: HAVAL's initial value is words 0 to 7 and its constants
  // words 8 to 135; Blowfish's P-array is words 0 to 17, its first S-box
  // words 18 on.
  std::vector<uint32_t> pi(Blowfish_InitP, Blowfish_InitP + 18);
  pi.insert(pi.end(), Blowfish_InitS[0], Blowfish_InitS[0] + 256);
  for (int p = 0; p < 4; ++p)
    for (int i = 0; i < 32; ++i)
      ASSERT_EQ(haval::Constants[p][i], pi[8 + 32 * p + i]) << "pass " << p + 2 << " step " << i;
}

}  // namespace
