// The byte permutation from which DESX derives its output whitening key.
#pragma once

#include <cstdint>

// P[0..255].
extern const uint8_t DESX_P[256];
