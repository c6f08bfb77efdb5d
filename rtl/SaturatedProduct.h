// Products of sizes that come from files, held to what 64 bits count.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <limits>

// The product of sizes whose factors come from a file (widths, heights,
// sample counts, depths), computed in 128 bits and held to the largest
// 64-bit value: a hostile header cannot make the check that bounds it
// overflow. 0 when any factor is 0 or negative (no size at all).
constexpr int64_t SaturatedProduct(std::initializer_list<int64_t> Factors) {
  __extension__ using Wide = __int128;
  constexpr Wide kMax = std::numeric_limits<int64_t>::max();
  Wide p = 1;
  for (int64_t f : Factors) {
    if (f <= 0) return 0;
    // Held at the largest value, so that the product cannot overflow 128
    // bits either; a later factor of 0 still makes it 0.
    p = p > kMax ? p : p * f;
  }
  return p > kMax ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(p);
}
