// Snefru's published S-boxes.
#pragma once

#include <cstdint>

extern const uint32_t SnefruSBoxes[16][256];
