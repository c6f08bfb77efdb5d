// S-boxes shared by CAST-128 (S1..S8) and CAST-256 (S1..S4).
#pragma once

#include <cstdint>

// S1..S8 as Cast_SBox[0..7]; CAST-256 uses the first four.
extern const uint32_t Cast_SBox[8][256];
