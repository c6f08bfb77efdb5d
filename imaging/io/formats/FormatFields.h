#pragma once
// What the file formats share in reading a stream: a read that takes as
// much of a block as the stream still holds, and one that takes all of it
// or says it could not. Fields in bytes are read with rtl/ByteOrder.h or a
// TByteReader (ByteReader.h).

#include <cstdint>

#include "rtl/ByteOrder.h"
#include "rtl/TStream.h"

namespace formats {

// The little-endian fields of the formats that store no other order.
inline uint16_t U16(const uint8_t* p) { return LoadLE16(p); }
inline uint32_t U32(const uint8_t* p) { return LoadLE32(p); }
inline void Put16(uint8_t* p, uint32_t v) { StoreLE16(p, static_cast<uint16_t>(v)); }
inline void Put32(uint8_t* p, uint32_t v) { StoreLE32(p, v); }

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

// Reads exactly Count bytes; false when the stream ends first (what was
// there has been read into Buffer).
inline bool ReadExact(TStream* s, void* Buffer, int64_t Count) {
  return ReadUpTo(s, Buffer, Count) == Count;
}

}  // namespace formats
