// The random seed of FROG's key schedule.
#pragma once

#include <cstdint>

extern const uint8_t FrogRandomSeed[251];
