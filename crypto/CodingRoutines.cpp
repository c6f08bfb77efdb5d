#include "crypto/CodingRoutines.h"

#include <array>
#include <chrono>
#include <ctime>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace {
constexpr std::array<uint16_t, 256> MakeCRC16Table() {
  std::array<uint16_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
    t[i] = static_cast<uint16_t>(c);
  }
  return t;
}
constexpr std::array<uint32_t, 256> MakeCRC32Table() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    t[i] = c;
  }
  return t;
}
constexpr auto kCRC16 = MakeCRC16Table();
constexpr auto kCRC32 = MakeCRC32Table();
}  // namespace

const uint16_t CRC16Table[256] = {
#define E(i) kCRC16[i]
#define R8(i) E(i), E(i + 1), E(i + 2), E(i + 3), E(i + 4), E(i + 5), E(i + 6), E(i + 7)
#define R64(i) R8(i), R8(i + 8), R8(i + 16), R8(i + 24), R8(i + 32), R8(i + 40), R8(i + 48), R8(i + 56)
    R64(0), R64(64), R64(128), R64(192)
#undef E
};
const uint32_t CRC32Table[256] = {
#define E(i) kCRC32[i]
    R64(0), R64(64), R64(128), R64(192)
#undef E
#undef R8
#undef R64
};

void ByteSwapBuffer32(const void* Source, void* Dest, int64_t Count) {
  const uint8_t* s = static_cast<const uint8_t*>(Source);
  uint8_t* d = static_cast<uint8_t*>(Dest);
  for (int64_t i = Count - 1; i >= 0; --i) {
    uint32_t v;
    std::memcpy(&v, s + 4 * i, 4);
    v = __builtin_bswap32(v);
    std::memcpy(d + 4 * i, &v, 4);
  }
}

int CompareBytes(const void* A, const void* B, int64_t Size) {
  const uint8_t* a = static_cast<const uint8_t*>(A);
  const uint8_t* b = static_cast<const uint8_t*>(B);
  for (int64_t i = 0; i < Size; ++i)
    if (a[i] != b[i]) return int{a[i]} - int{b[i]};
  return 0;
}

void XorBlocks(const void* A, const void* B, int64_t Size, void* Dest) {
  if (Size <= 0) return;
  const uint8_t* a = static_cast<const uint8_t*>(A);
  const uint8_t* b = static_cast<const uint8_t*>(B);
  uint8_t* d = static_cast<uint8_t*>(Dest);
  // The odd tail bytes first, then whole words from the end down.
  int64_t words = Size / 4;
  for (int64_t i = Size - 1; i >= words * 4; --i) d[i] = a[i] ^ b[i];
  for (int64_t w = words - 1; w >= 0; --w) {
    uint32_t x, y;
    std::memcpy(&x, a + 4 * w, 4);
    std::memcpy(&y, b + 4 * w, 4);
    x ^= y;
    std::memcpy(d + 4 * w, &x, 4);
  }
}

uint32_t XorWithRandom(uint32_t Seed, void* Buffer, int64_t Size) {
  if (!Buffer || Size <= 0) return Seed;
  uint8_t* p = static_cast<uint8_t*>(Buffer);
  for (int64_t i = 0; i < Size; ++i) {
    p[i] ^= static_cast<uint8_t>(Seed);
    Seed = Seed * 134775813u + 1u;
    p[i] = static_cast<uint8_t>(Seed >> 24);
  }
  return Seed;
}

uint32_t TimeSeed() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm utc{};
  time_t secs = now.tv_sec;
  gmtime_r(&secs, &utc);
  uint32_t seed = static_cast<uint32_t>(((utc.tm_hour * 60 + utc.tm_min) * 60 + utc.tm_sec) * 1000 +
                                        now.tv_nsec / 1000000);
  timespec counter{};
  clock_gettime(CLOCK_MONOTONIC, &counter);
  const uint64_t c = static_cast<uint64_t>(counter.tv_sec) * 1000000000u +
                     static_cast<uint64_t>(counter.tv_nsec);
  return seed ^ static_cast<uint32_t>(c) ^ static_cast<uint32_t>(c >> 32);
}

uint16_t UpdateCRC16(uint16_t CRC, const void* Data, int64_t Size) {
  if (!Data) return CRC;
  const uint8_t* p = static_cast<const uint8_t*>(Data);
  for (int64_t i = 0; i < Size; ++i) CRC = static_cast<uint16_t>((CRC >> 8) ^ kCRC16[(CRC ^ p[i]) & 0xFF]);
  return CRC;
}

uint32_t UpdateCRC32(uint32_t CRC, const void* Data, int64_t Size) {
  if (!Data) return CRC;
  const uint8_t* p = static_cast<const uint8_t*>(Data);
  for (int64_t i = 0; i < Size; ++i) CRC = (CRC >> 8) ^ kCRC32[(CRC ^ p[i]) & 0xFF];
  return CRC;
}

int ProcessorFamily() {
  static const int family = [] {
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return 4;
    int f = static_cast<int>((eax >> 8) & 0xF);
    if (f == 0xF) f += static_cast<int>((eax >> 20) & 0xFF);
    return f;
#else
    return 4;
#endif
  }();
  return family;
}
