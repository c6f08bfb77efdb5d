// The byte substitution S shared by Square and SHARK.
#pragma once

#include <cstdint>

extern const uint8_t Square_SBox[256];
