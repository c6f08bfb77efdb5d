#include "crypto/cipher/TCipher_FROG.h"

#include <cstring>

#include "crypto/cipher/FrogSeed.h"

// KeySchedule: the encryption internal key, then the decryption one.
CIPHER_DEFINE_CLASS(TCipher_FROG, TCipher, 32, 125, 5120)

void frog::MakePermutation(uint8_t* p, int n) {
  uint8_t list[256];
  for (int i = 0; i < n; ++i) list[i] = static_cast<uint8_t>(i);
  int length = n;
  int idx = 0;
  for (int k = 0; k < n - 1; ++k) {
    idx = (idx + p[k]) % length;
    p[k] = list[idx];
    std::memmove(list + idx, list + idx + 1, static_cast<size_t>(length - idx - 1));
    --length;
    if (idx >= length) idx = 0;
  }
  p[n - 1] = list[0];
}

void frog::FormatKey(uint8_t* key, bool decrypting) {
  for (int round = 0; round < 8; ++round) {
    uint8_t* subst = key + round * kRoundSize + kXorSize;
    uint8_t* bomb = subst + kSubstSize;
    MakePermutation(subst, kSubstSize);
    if (decrypting) {
      uint8_t inverse[256];
      for (int i = 0; i < 256; ++i) inverse[subst[i]] = static_cast<uint8_t>(i);
      std::memcpy(subst, inverse, sizeof inverse);
    }
    MakePermutation(bomb, kBombSize);
    // Join the bomb permutation's cycles into one: where the walk from 0
    // comes back to 0 early, point it at the next unvisited place instead and
    // close that place's cycle back to 0.
    bool used[kBombSize] = {};
    int j = 0;
    for (int n = 0; n < kBombSize - 1; ++n) {
      if (bomb[j] == 0) {
        int k = j;
        do k = (k + 1) % kBombSize;
        while (used[k]);
        bomb[j] = static_cast<uint8_t>(k);
        int l = k;
        while (bomb[l] != k) l = bomb[l];
        bomb[l] = 0;
      }
      used[j] = true;
      j = bomb[j];
    }
    // No place may bomb its right neighbour.
    for (int i = 0; i < kBombSize; ++i)
      if (bomb[i] == (i + 1) % kBombSize) bomb[i] = static_cast<uint8_t>((i + 2) % kBombSize);
  }
}

namespace {

void Encrypt(uint8_t* x, const uint8_t* key) {
  for (int round = 0; round < 8; ++round, key += frog::kRoundSize) {
    const uint8_t* xr = key;
    const uint8_t* subst = key + frog::kXorSize;
    const uint8_t* bomb = subst + frog::kSubstSize;
    for (int i = 0; i < 32; ++i) {
      x[i] = subst[x[i] ^ xr[i]];
      if (i < 31)
        x[i + 1] ^= x[i];
      else
        x[0] ^= x[31];
      x[bomb[i]] ^= x[i];
    }
  }
}

void Decrypt(uint8_t* x, const uint8_t* key) {
  for (int round = 7; round >= 0; --round) {
    const uint8_t* xr = key + round * frog::kRoundSize;
    const uint8_t* subst = xr + frog::kXorSize;
    const uint8_t* bomb = subst + frog::kSubstSize;
    for (int i = 31; i >= 0; --i) {
      x[bomb[i]] ^= x[i];
      if (i < 31)
        x[i + 1] ^= x[i];
      else
        x[0] ^= x[31];
      x[i] = subst[x[i]] ^ xr[i];
    }
  }
}

void Wipe(uint8_t* p, size_t n) {
  std::memset(p, 0, n);
  asm volatile("" : : "r"(p) : "memory");
}

}  // namespace

void TCipher_FROG::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);  // an empty key raises: the key index is taken modulo Size
  const uint8_t* k = static_cast<const uint8_t*>(Key);
  uint8_t* schedule = KeySchedule();
  // A simple key from the key bytes and the seed, formatted as an internal key.
  for (int n = 0; n < frog::kKeySize; ++n) schedule[n] = k[n % Size] ^ FrogRandomSeed[n % 251];
  frog::FormatKey(schedule, false);
  // The random key: a start block made from the key, encrypted again and
  // again under the simple key.
  uint8_t block[32] = {};
  for (int n = 0; n < Size && n < 32; ++n) block[n] ^= k[n];
  block[0] ^= static_cast<uint8_t>(Size);
  uint8_t random[frog::kKeySize];
  for (int pos = 0; pos < frog::kKeySize; pos += 32) {
    Encrypt(block, schedule);
    std::memcpy(random + pos, block, 32);
  }
  WipeState();
  std::memcpy(schedule, random, frog::kKeySize);
  std::memcpy(schedule + frog::kKeySize, random, frog::kKeySize);
  frog::FormatKey(schedule, false);
  frog::FormatKey(schedule + frog::kKeySize, true);
  Wipe(random, sizeof random);
  Wipe(block, sizeof block);
  CompleteInit(IVector);
}

void TCipher_FROG::EncryptBlock(void* Data) {
  Encrypt(static_cast<uint8_t*>(Data), KeySchedule());
}

void TCipher_FROG::DecryptBlock(void* Data) {
  Decrypt(static_cast<uint8_t*>(Data), KeySchedule() + frog::kKeySize);
}
