#include "crypto/cipher/TCipher_Sapphire.h"

#include <cstring>
#include <utility>

#include "crypto/hash/SapphireState.h"

// KeySchedule: the 261 state bytes, then their saved copy. An empty key is
// defined (minimum key size 0).
CIPHER_DEFINE_CLASS(TCipher_Sapphire, TCipher, 32, 1024, 522, 0)

namespace {

// The key generator of the shuffle. Unlike the published Sapphire II, the
// running sum adds the key byte itself, not the card it points to.
struct TKeyRand {
  const uint8_t* Key;
  int Size;
  uint8_t RSum = 0;
  int KeyPos = 0;

  uint8_t Next(int limit) {
    if (limit == 0) return 0;
    int mask = 1;
    while (mask < limit) mask = mask << 1 | 1;
    int u;
    int tries = 0;
    do {
      RSum = static_cast<uint8_t>(RSum + Key[KeyPos]);
      if (++KeyPos == Size) {
        KeyPos = 0;
        RSum = static_cast<uint8_t>(RSum + Size);
      }
      u = RSum & mask;
      if (++tries > 11) u %= limit;
    } while (u > limit);
    return static_cast<uint8_t>(u);
  }
};

}  // namespace

void TCipher_Sapphire::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  using namespace sapphire;
  uint8_t* s = KeySchedule();
  if (Size >= 1) {
    uint8_t* cards = s + Cards;
    for (int i = 0; i < 256; ++i) cards[i] = static_cast<uint8_t>(i);
    TKeyRand rand{static_cast<const uint8_t*>(Key), Size};
    for (int i = 255; i >= 1; --i) std::swap(cards[i], cards[rand.Next(i)]);
    s[Rotor] = cards[1];
    s[Ratchet] = cards[3];
    s[Avalanche] = cards[5];
    s[LastPlain] = cards[7];
    s[LastCipher] = cards[rand.RSum];
  } else {
    InitialState(s);
  }
  // Without an IVector the IV's encryption advances the state by 32 steps.
  CompleteInit(IVector);
  std::memcpy(s + sapphire::StateSize, s, sapphire::StateSize);
}

void TCipher_Sapphire::EncryptBlock(void* Data) {
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint8_t* s = KeySchedule();
  for (int n = 0; n < 32; ++n) d[n] = sapphire::Encrypt(s, d[n]);
}

void TCipher_Sapphire::DecryptBlock(void* Data) {
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint8_t* s = KeySchedule();
  for (int n = 0; n < 32; ++n) d[n] = sapphire::Decrypt(s, d[n]);
}

void TCipher_Sapphire::ResetFeedback() {
  TCipher::ResetFeedback();
  uint8_t* s = KeySchedule();
  std::memcpy(s, s + sapphire::StateSize, sapphire::StateSize);
}
