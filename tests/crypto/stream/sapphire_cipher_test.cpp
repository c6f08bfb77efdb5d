// The Sapphire II cipher: its state and step are the digests' own, its key
// shuffle adds the key bytes themselves, and the keyed state is restored
// after the IV for every coding action.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "crypto/cipher/TCipher_Sapphire.h"
#include "crypto/hash/SapphireState.h"
#include "tests/crypto/stream/StreamTestKit.h"

using namespace stream_test;

namespace {

// The first 32 output bytes for 32 zero bytes from State.
Bytes Steps(uint8_t* State) {
  Bytes out(32);
  for (uint8_t& b : out) b = sapphire::Encrypt(State, 0);
  return out;
}

// The keyed state built with the given running-sum rule.
template <bool ThroughCards>
void KeyedState(const Bytes& key, uint8_t* s) {
  using namespace sapphire;
  uint8_t* cards = s + Cards;
  for (int i = 0; i < 256; ++i) cards[i] = static_cast<uint8_t>(i);
  uint8_t rsum = 0;
  size_t kp = 0;
  auto rand = [&](int limit) -> int {
    if (!limit) return 0;
    int mask = 1;
    while (mask < limit) mask = mask << 1 | 1;
    int u, tries = 0;
    do {
      rsum = static_cast<uint8_t>((ThroughCards ? cards[rsum] : rsum) + key[kp]);
      if (++kp == key.size()) {
        kp = 0;
        rsum = static_cast<uint8_t>(rsum + key.size());
      }
      u = rsum & mask;
      if (++tries > 11) u %= limit;
    } while (u > limit);
    return u;
  };
  for (int i = 255; i >= 1; --i) std::swap(cards[i], cards[rand(i)]);
  s[Rotor] = cards[1];
  s[Ratchet] = cards[3];
  s[Avalanche] = cards[5];
  s[LastPlain] = cards[7];
  s[LastCipher] = cards[rsum];
}

TEST(SapphireCipherTest, EmptyKeyStartsFromTheDigestsInitialState) {
  const Bytes iv(32, 0);
  auto c = Keyed(TCipher_Sapphire::StaticClass(), {}, iv.data());
  ASSERT_TRUE(c->Initialized());
  Bytes block(32, 0);
  c->EncryptBlock(block.data());
  uint8_t s[sapphire::StateSize];
  sapphire::InitialState(s);
  EXPECT_EQ(block, Steps(s));
}

TEST(SapphireCipherTest, KeyShuffleAddsTheKeyBytesThemselves) {
  std::mt19937 rng(4);
  const Bytes iv(32, 0);
  for (size_t n : {1u, 5u, 32u, 200u}) {
    const Bytes key = Random(rng, n);
    auto c = Keyed(TCipher_Sapphire::StaticClass(), key, iv.data());
    Bytes block(32, 0);
    c->EncryptBlock(block.data());
    uint8_t own[sapphire::StateSize], published[sapphire::StateSize];
    KeyedState<false>(key, own);
    KeyedState<true>(key, published);
    EXPECT_EQ(block, Steps(own)) << n;
    // The published generator, which passes the sum through the cards,
    // gives another state.
    EXPECT_NE(block, Steps(published)) << n;
  }
}

TEST(SapphireCipherTest, EveryCodingActionRestartsAfterTheIV) {
  std::mt19937 rng(5);
  auto c = Keyed(TCipher_Sapphire::StaticClass(), Random(rng, 32));
  const Bytes plain = Random(rng, 777);
  const Bytes once = Coded(*c, plain, caEncode);
  EXPECT_EQ(Coded(*c, plain, caEncode), once);
  EXPECT_EQ(Coded(*c, once, caDecode), plain);
  // Without the restore the state would run on: a second direct call differs.
  Bytes a = plain, b = plain;
  c->EncryptData(a.data(), a.data(), static_cast<int64_t>(a.size()));
  c->EncryptData(b.data(), b.data(), static_cast<int64_t>(b.size()));
  EXPECT_NE(a, b);
}

TEST(SapphireCipherTest, TheIVAdvancesTheStateBy32Steps) {
  std::mt19937 rng(6);
  const Bytes key = Random(rng, 16);
  uint8_t s[sapphire::StateSize];
  KeyedState<false>(key, s);
  Bytes iv(32);
  for (uint8_t& b : iv) b = sapphire::Encrypt(s, 0xFF);
  auto c = Keyed(TCipher_Sapphire::StaticClass(), key);
  EXPECT_EQ(Bytes(c->IV(), c->IV() + 32), iv);
  c->SetMode(cmECB);
  EXPECT_EQ(Coded(*c, Bytes(32, 0), caEncode), Steps(s));
}

}  // namespace
