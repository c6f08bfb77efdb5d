// Small routines the algorithm classes share: rotations, byte swaps, bit
// reversal, XOR of buffers, byte comparison, a time-seeded pseudo-random
// fill, table-driven CRC-16 and CRC-32, multiplication in GF(2^8), and
// unaligned little- and big-endian loads and stores. All word arithmetic is on unsigned 32 bits modulo 2^32.
#pragma once

#include <cstdint>
#include <cstring>

#include "rtl/ByteOrder.h"
#include "rtl/Numeric.h"

inline uint32_t RotateLeft32(uint32_t Value, uint32_t Shift) {
  Shift &= 31;
  return Shift ? (Value << Shift) | (Value >> (32 - Shift)) : Value;
}
inline uint32_t RotateRight32(uint32_t Value, uint32_t Shift) {
  Shift &= 31;
  return Shift ? (Value >> Shift) | (Value << (32 - Shift)) : Value;
}
inline uint32_t RotateLeftAdd32(uint32_t Value, uint32_t Add, uint32_t Shift) {
  return RotateLeft32(Value, Shift) + Add;
}
inline uint32_t ByteSwap32(uint32_t Value) { return __builtin_bswap32(Value); }
// Count words of Source byte-swapped into Dest, from the last word to the
// first, so Dest may be Source. Nothing for Count of 0 or less.
void ByteSwapBuffer32(const void* Source, void* Dest, int64_t Count);
// 0 when the first Size bytes are equal; else the first differing byte of A
// minus that of B, both unsigned.
int CompareBytes(const void* A, const void* B, int64_t Size);
// Dest[i] := A[i] xor B[i]; Dest may be A or B.
void XorBlocks(const void* A, const void* B, int64_t Size, void* Dest);
// Per byte: XOR with the low byte of Seed, Seed := Seed * 134775813 + 1, the
// byte := Seed shr 24. Returns the last Seed.
uint32_t XorWithRandom(uint32_t Seed, void* Buffer, int64_t Size);
// A seed from the time of day in milliseconds mixed with a high-resolution
// counter.
uint32_t TimeSeed();
// Reflected CRC-16 (polynomial 0xA001) and CRC-32 (0xEDB88320) steps over
// Size bytes; no initial or final XOR. CRC unchanged for no data.
uint16_t UpdateCRC16(uint16_t CRC, const void* Data, int64_t Size);
uint32_t UpdateCRC32(uint32_t CRC, const void* Data, int64_t Size);
// The processor family found at start-up: the family the processor reports
// (extended family included), 4 when it has no identification instruction.
// Every routine here gives identical results on all families.
int ProcessorFamily();
// The 256-entry tables behind them.
extern const uint16_t CRC16Table[256];
extern const uint32_t CRC32Table[256];

// Multiplication in GF(2^8) modulo the polynomial Poly (bit 8 set).
inline uint8_t GFMul(uint8_t a, uint8_t b, uint32_t Poly) {
  uint32_t r = 0, x = a;
  for (; b; b >>= 1) {
    if (b & 1) r ^= x;
    x <<= 1;
    if (x & 0x100) x ^= Poly;
  }
  return uint8_t(r);
}

