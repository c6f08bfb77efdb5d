#pragma once
// What the little-endian file formats share: their 16- and 32-bit fields,
// and a read that takes as much of a block as the stream still holds.

#include <cstdint>

#include "rtl/TStream.h"

namespace formats {

inline uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t U32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

// Reads as much of Count bytes as the stream holds; the number read.
inline int64_t ReadUpTo(TStream* s, void* buf, int64_t count) {
  if (count <= 0) return 0;
  int64_t got = 0;
  auto* p = static_cast<uint8_t*>(buf);
  while (got < count) {
    const int64_t n = s->Read(p + got, count - got);
    if (n <= 0) break;
    got += n;
  }
  return got;
}

}  // namespace formats
