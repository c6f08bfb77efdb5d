// Q128's substitution table T; every index into it is a 10-bit value.
#pragma once

#include <cstdint>

extern const uint32_t Q128_T[1024];
