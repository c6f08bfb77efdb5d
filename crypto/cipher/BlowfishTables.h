// Blowfish's initial tables, the hexadecimal fraction of pi.
#pragma once

#include <cstdint>

// P-array P[0..17].
extern const uint32_t Blowfish_InitP[18];
// S-boxes S1..S4 as Blowfish_InitS[0..3].
extern const uint32_t Blowfish_InitS[4][256];
