// The MISTY1 substitution tables S7 and S9.
#pragma once

#include <cstdint>

// S7[0..127] (7-bit values).
extern const uint8_t Misty_S7[128];
// S9[0..511] (9-bit values).
extern const uint16_t Misty_S9[512];
