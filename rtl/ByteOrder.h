// Unaligned loads and stores of 16-, 32- and 64-bit words in a stated byte
// order: the one place that knows how file formats, ciphers and hashes lay
// their words out in bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

inline uint16_t LoadLE16(const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return static_cast<uint16_t>(b[0] | b[1] << 8);
}
inline uint16_t LoadBE16(const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return static_cast<uint16_t>(b[0] << 8 | b[1]);
}
inline void StoreLE16(void* p, uint16_t v) {
  uint8_t* b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreBE16(void* p, uint16_t v) {
  uint8_t* b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v >> 8);
  b[1] = static_cast<uint8_t>(v);
}

// The wider words go through memcpy, which compilers turn into one load or
// store, and a swap only where the machine's order differs.
inline uint32_t LoadLE32(const void* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__) v = __builtin_bswap32(v);
  return v;
}
inline uint32_t LoadBE32(const void* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) v = __builtin_bswap32(v);
  return v;
}
inline void StoreLE32(void* p, uint32_t v) {
  if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__) v = __builtin_bswap32(v);
  std::memcpy(p, &v, 4);
}
inline void StoreBE32(void* p, uint32_t v) {
  if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) v = __builtin_bswap32(v);
  std::memcpy(p, &v, 4);
}
inline uint64_t LoadLE64(const void* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__) v = __builtin_bswap64(v);
  return v;
}
inline uint64_t LoadBE64(const void* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) v = __builtin_bswap64(v);
  return v;
}
inline void StoreLE64(void* p, uint64_t v) {
  if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__) v = __builtin_bswap64(v);
  std::memcpy(p, &v, 8);
}
inline void StoreBE64(void* p, uint64_t v) {
  if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) v = __builtin_bswap64(v);
  std::memcpy(p, &v, 8);
}

// Appends a little-endian word to a block being built (a directory, a
// record) whose final size is not known in advance.
inline void AppendLE16(std::vector<uint8_t>& b, uint16_t v) {
  b.resize(b.size() + 2);
  StoreLE16(b.data() + b.size() - 2, v);
}
inline void AppendLE32(std::vector<uint8_t>& b, uint32_t v) {
  b.resize(b.size() + 4);
  StoreLE32(b.data() + b.size() - 4, v);
}
