// The NewDES substitution table f.
#pragma once

#include <cstdint>

// f[0..255].
extern const uint8_t NewDES_F[256];
