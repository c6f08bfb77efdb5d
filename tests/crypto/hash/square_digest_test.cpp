// The Square digest: the construction over the Square cipher, and a
// feed-forward that takes each block's own bytes however the data is split.
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/cipher/TCipher_Square.h"
#include "crypto/hash/THash_Square.h"
#include "tests/crypto/hash/HashTestKit.h"

using namespace hash_test;

namespace {

// One compression built from the cipher: encrypt Block under State as the
// key, then XOR the block's first four bytes into the low bytes of the words.
void Compress(uint8_t* State, const uint8_t* Block) {
  TProtectionRef<TCipher> c = TCipher_Square::StaticClass()->Create();
  const uint8_t iv[16] = {};
  c->Init(State, 16, iv);
  uint8_t out[16];
  std::memcpy(out, Block, 16);
  c->EncryptBlock(out);
  for (int i = 0; i < 4; ++i) out[4 * i] ^= Block[i];
  std::memcpy(State, out, 16);
}

const uint8_t kInitial[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                              0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

TEST(SquareDigestTest, IsTheSquareCipherInAChainingConstruction) {
  // "abc": one block holding the data, 0x80 and the bit length at byte 8.
  uint8_t state[16];
  std::memcpy(state, kInitial, 16);
  const uint8_t block[16] = {'a', 'b', 'c', 0x80, 0, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0};
  Compress(state, block);
  EXPECT_EQ(ToHex(DigestOf(THash_Square::StaticClass(), "abc", 3)), ToHex(state, 16));

  // Eight bytes leave no room for the length: it takes a block of its own.
  std::memcpy(state, kInitial, 16);
  const uint8_t data[16] = {'1', '2', '3', '4', '5', '6', '7', '8', 0x80};
  const uint8_t length[16] = {0, 0, 0, 0, 0, 0, 0, 0, 64};
  Compress(state, data);
  Compress(state, length);
  EXPECT_EQ(ToHex(DigestOf(THash_Square::StaticClass(), "12345678", 8)), ToHex(state, 16));
}

TEST(SquareDigestTest, FullBlocksFromTheCallersDataFeedForwardTheirOwnBytes) {
  // Two whole blocks in one call are compressed straight from the data;
  // byte by byte they pass through the buffer. Both give the digest of the
  // construction, which feeds each block's own first bytes forward.
  std::mt19937 rng(17);
  const Bytes data = Random(rng, 32);
  uint8_t state[16];
  std::memcpy(state, kInitial, 16);
  Compress(state, data.data());
  Compress(state, data.data() + 16);
  uint8_t last[16] = {0x80, 0, 0, 0, 0, 0, 0, 0, 0, 1};  // 256 bits
  Compress(state, last);
  EXPECT_EQ(ToHex(DigestOf(THash_Square::StaticClass(), data)), ToHex(state, 16));
  EXPECT_EQ(DigestInPieces(THash_Square::StaticClass(), data, rng, 1),
            DigestOf(THash_Square::StaticClass(), data));
}

}  // namespace

namespace {

TEST(SquareDigestTest, DigestFedBackIntoItselfIsReadBeforeItChanges) {
  // The hash's keystream (its encode action) absorbs the digest itself:
  // after a reset, a whole 16-byte block straight from the digest's own
  // memory. It must give what the same bytes give from a copy.
  THash_Square h;
  h.Reset();
  const Bytes initial = Digest(h);
  h.Update(h.GetDigest(), 16);
  h.Finish();
  THash_Square g;
  g.Reset();
  g.Update(initial.data(), 16);
  g.Finish();
  EXPECT_EQ(Digest(h), Digest(g));
}

}  // namespace
