// The key expansion RC5 and RC6 share: the key as little-endian words, a
// table filled from the two magic constants, then three passes mixing the
// key words into the table.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "crypto/CodingRoutines.h"

// Expands Size bytes of Key (1 to 256) into the first Subkeys words of S.
// The table is first filled over Filled words (at least Subkeys), which a
// schedule may take one word beyond the subkeys in use.
inline void ExpandRC5Key(uint32_t* S, int Subkeys, int Filled, const void* Key, int Size) {
  const int c = (Size + 3) / 4;
  uint32_t l[64] = {};
  uint8_t* lb = reinterpret_cast<uint8_t*>(l);
  if (Size > 0) std::memcpy(lb, Key, Size);
  for (int i = 0; i < c; ++i) l[i] = LoadLE32(lb + 4 * i);
  S[0] = 0xB7E15163;
  for (int i = 1; i < Filled; ++i) S[i] = S[i - 1] + 0x9E3779B9;
  uint32_t a = 0, b = 0;
  for (int n = 3 * std::max(Subkeys, c), i = 0, j = 0; n > 0; --n) {
    a = S[i] = RotateLeft32(S[i] + a + b, 3);
    b = l[j] = RotateLeft32(l[j] + a + b, a + b);
    i = (i + 1) % Subkeys;
    j = (j + 1) % c;
  }
  std::memset(l, 0, sizeof l);
}
