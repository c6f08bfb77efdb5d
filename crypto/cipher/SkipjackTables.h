// The Skipjack F-table.
#pragma once

#include <cstdint>

// F[0..255].
extern const uint8_t Skipjack_F[256];
