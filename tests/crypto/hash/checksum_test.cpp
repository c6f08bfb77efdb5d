// XOR-16, XOR-32, CRC-16 CCITT, CRC-16 Standard and CRC-32: the library's
// check values, XOR-32's dependence on the split, and its one-byte call.
#include <gtest/gtest.h>

#include <memory>

#include "crypto/hash/THash_CRC16_CCITT.h"
#include "crypto/hash/THash_CRC32.h"
#include "crypto/hash/THash_XOR16.h"
#include "crypto/hash/THash_XOR32.h"
#include "crypto/hash/Thash_CRC16_Standard.h"
#include "tests/crypto/hash/HashTestKit.h"

using namespace hash_test;

namespace {

TEST(ChecksumTest, CheckValues) {
  const struct {
    THashClass (*Class)();
    const char* Message;
    const char* Digest;  // the register's bytes, little-endian
  } values[] = {
      {THash_CRC32::StaticClass, "123456789", "2639f4cb"},
      {THash_CRC32::StaticClass, "", "00000000"},
      {Thash_CRC16_Standard::StaticClass, "123456789", "3dbb"},
      {THash_CRC16_CCITT::StaticClass, "123456789", "9da6"},
      {THash_CRC16_CCITT::StaticClass, "abc", "78d2"},
      {THash_CRC16_CCITT::StaticClass, "", "ffff"},
      {THash_XOR16::StaticClass, "abc", "2288"},
      {THash_XOR32::StaticClass, "abc", "422f0c00"},
  };
  for (const auto& v : values)
    EXPECT_EQ(HexDigestOf(v.Class(), v.Message), v.Digest)
        << v.Class()->Name << " of \"" << v.Message << "\"";
}

TEST(ChecksumTest, Xor32DependsOnHowTheDataIsSplit) {
  THash_XOR32 split;
  split.Reset();
  split.Update("a", 1);
  split.Update("bc", 2);
  split.Finish();
  EXPECT_NE(ToHex(Digest(split)), HexDigestOf(THash_XOR32::StaticClass(), "abc"));
  // Even sizes only: the same as one call.
  THash_XOR32 even;
  even.Reset();
  even.Update("ab", 2);
  even.Update("cd", 2);
  even.Finish();
  EXPECT_EQ(Digest(even), DigestOf(THash_XOR32::StaticClass(), "abcd", 4));
}

TEST(ChecksumTest, Xor32OneByteCallReadsNothingBeyondIt) {
  // A heap block of exactly one byte: reading past it is caught by the
  // address sanitizer, and the result must not depend on what follows.
  auto one = std::make_unique<uint8_t[]>(1);
  one[0] = 0x61;
  THash_XOR32 h;
  h.Reset();
  h.Update(one.get(), 1);
  h.Finish();
  // The missing second byte counts as zero.
  EXPECT_EQ(ToHex(Digest(h)), "61000000");
  const uint8_t followed[2] = {0x61, 0xEE};
  THash_XOR32 g;
  g.Reset();
  g.Update(followed, 1);
  g.Finish();
  EXPECT_EQ(Digest(g), Digest(h));
}

TEST(ChecksumTest, CrcsAreTheCommonOnesOverRandomData) {
  // Bit-by-bit definitions of the three CRCs, independent of the tables.
  auto crc32 = [](const Bytes& d) {
    uint32_t c = 0xFFFFFFFF;
    for (uint8_t b : d) {
      c ^= b;
      for (int k = 0; k < 8; ++k) c = c & 1 ? (c >> 1) ^ 0xEDB88320 : c >> 1;
    }
    return ~c;
  };
  auto crc16 = [](const Bytes& d) {
    uint16_t c = 0;
    for (uint8_t b : d) {
      c ^= b;
      for (int k = 0; k < 8; ++k) c = static_cast<uint16_t>(c & 1 ? (c >> 1) ^ 0xA001 : c >> 1);
    }
    return c;
  };
  // The shifted-in CCITT form: the message bits enter at the bottom of the
  // register, the polynomial is applied as each bit leaves the top.
  auto ccitt = [](const Bytes& d) {
    uint16_t c = 0xFFFF;
    for (uint8_t b : d)
      for (int k = 7; k >= 0; --k) {
        const bool top = c & 0x8000;
        c = static_cast<uint16_t>(c << 1 | ((b >> k) & 1));
        if (top) c ^= 0x1021;
      }
    return c;
  };
  std::mt19937 rng(11);
  for (size_t n : {1u, 2u, 3u, 17u, 100u, 4097u}) {
    const Bytes d = Random(rng, n);
    const Bytes c32 = DigestOf(THash_CRC32::StaticClass(), d);
    EXPECT_EQ(c32[0] | c32[1] << 8 | c32[2] << 16 | uint32_t{c32[3]} << 24, crc32(d));
    const Bytes c16 = DigestOf(Thash_CRC16_Standard::StaticClass(), d);
    EXPECT_EQ(c16[0] | c16[1] << 8, crc16(d));
    const Bytes cc = DigestOf(THash_CRC16_CCITT::StaticClass(), d);
    EXPECT_EQ(cc[0] | cc[1] << 8, ccitt(d));
  }
}

}  // namespace
