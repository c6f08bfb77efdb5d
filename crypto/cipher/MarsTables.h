// The MARS S-box: S0 is entries 0..255, S1 entries 256..511.
#pragma once

#include <cstdint>

// S[0..511].
extern const uint32_t Mars_SBox[512];
