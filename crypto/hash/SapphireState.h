// The Sapphire II state (M. P. Johnson) and its one-byte step, shared by the
// Sapphire II digests and the Sapphire II cipher: five bytes and the 256-byte
// card permutation, 261 bytes in the order the cipher keeps them in its key
// schedule. All arithmetic is on bytes.
#pragma once

#include <cstdint>

namespace sapphire {

enum : int { Rotor = 0, Ratchet = 1, Avalanche = 2, LastPlain = 3, LastCipher = 4, Cards = 5 };
constexpr int StateSize = 261;

// The digest's initial state, also the cipher's state for an empty key.
inline void InitialState(uint8_t* s) {
  s[Rotor] = 1;
  s[Ratchet] = 3;
  s[Avalanche] = 5;
  s[LastPlain] = 7;
  s[LastCipher] = 11;
  for (int i = 0; i < 256; ++i) s[Cards + i] = static_cast<uint8_t>(255 - i);
}

// Steps 1 to 3 (the rotor turns and the cards are shuffled), then the two
// table terms that mask the byte, read with the old last plain and cipher bytes.
inline uint8_t Advance(uint8_t* s) {
  uint8_t* c = s + Cards;
  s[Ratchet] = static_cast<uint8_t>(s[Ratchet] + c[s[Rotor]]);
  s[Rotor] = static_cast<uint8_t>(s[Rotor] + 1);
  const uint8_t t = c[s[LastCipher]];
  c[s[LastCipher]] = c[s[Ratchet]];
  c[s[Ratchet]] = c[s[LastPlain]];
  c[s[LastPlain]] = c[s[Rotor]];
  c[s[Rotor]] = t;
  s[Avalanche] = static_cast<uint8_t>(s[Avalanche] + c[t]);
  return c[static_cast<uint8_t>(c[s[Ratchet]] + c[s[Rotor]])] ^
         c[c[static_cast<uint8_t>(c[s[LastPlain]] + c[s[LastCipher]] + c[s[Avalanche]])]];
}

inline uint8_t Encrypt(uint8_t* s, uint8_t b) {
  const uint8_t c = b ^ Advance(s);
  s[LastPlain] = b;
  s[LastCipher] = c;
  return c;
}

inline uint8_t Decrypt(uint8_t* s, uint8_t c) {
  const uint8_t b = c ^ Advance(s);
  s[LastPlain] = b;
  s[LastCipher] = c;
  return b;
}

}  // namespace sapphire
