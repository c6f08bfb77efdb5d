// The RC2 permutation of the bytes, built from the digits of pi.
#pragma once

#include <cstdint>

// PITABLE[0..255].
extern const uint8_t RC2_PiTable[256];
