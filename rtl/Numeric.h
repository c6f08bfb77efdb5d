// Numeric rules the translated algorithms rely on, named as they are written.
#pragma once

#include <cstdint>

// Nearest integer, ties to even (0.5 -> 0, 1.5 -> 2, -2.5 -> -2).
int64_t Round(double x);
// Towards zero.
int64_t Trunc(double x);
int64_t Floor(double x);
int64_t Ceil(double x);
// a * b / c computed in 64 bits and rounded half away from zero; -1 when c is
// 0 or the result does not fit 32 bits, as the platform's routine answers.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);
// base^exponent for an integer exponent (negative exponents give 1/base^-e).
double IntPower(double base, int exponent);
// base^exponent; 0^0 is 1, 0^negative raises EInvalidArgument.
double Power(double base, double exponent);

// Held to the 32-bit range instead of wrapping.
constexpr int32_t SaturateInt32(int64_t v) {
  return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

// Explicit 32-bit wrap-around for algorithms that depend on it.
constexpr uint32_t Wrap32(uint64_t v) { return static_cast<uint32_t>(v); }
constexpr int32_t WrapInt32(int64_t v) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}
// Bit 0 becomes bit 31 (the crypto and imaging libraries share it).
constexpr uint32_t ReverseBits32(uint32_t Value) {
  Value = ((Value >> 1) & 0x55555555u) | ((Value & 0x55555555u) << 1);
  Value = ((Value >> 2) & 0x33333333u) | ((Value & 0x33333333u) << 2);
  Value = ((Value >> 4) & 0x0F0F0F0Fu) | ((Value & 0x0F0F0F0Fu) << 4);
  return Value << 24 | (Value & 0xFF00u) << 8 | (Value >> 8 & 0xFF00u) | Value >> 24;
}
constexpr uint32_t Rol32(uint32_t x, unsigned n) {
  n &= 31;
  return n ? (x << n) | (x >> (32 - n)) : x;
}
constexpr uint32_t Ror32(uint32_t x, unsigned n) {
  n &= 31;
  return n ? (x >> n) | (x << (32 - n)) : x;
}
