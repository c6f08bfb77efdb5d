// Tiger's published S-boxes t1 to t4.
#pragma once

#include <cstdint>

extern const uint64_t TigerSBoxes[4][256];
