// Scalar types and colour values shared by the platform calls (the window
// half adds its handles and message parameters in Messages.h).
#pragma once

#include <cstdint>

using BOOL = int32_t;
// C libraries (libjpeg, lcms2) define FALSE and TRUE as macros of the same
// values; whichever comes first serves.
#ifndef FALSE
constexpr BOOL FALSE = 0;
#endif
#ifndef TRUE
constexpr BOOL TRUE = 1;
#endif
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;

// 0x00bbggrr: red in the low byte.
using COLORREF = uint32_t;
constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr uint8_t GetRValue(COLORREF c) {
  return uint8_t(c);
}
constexpr uint8_t GetGValue(COLORREF c) {
  return uint8_t(c >> 8);
}
constexpr uint8_t GetBValue(COLORREF c) {
  return uint8_t(c >> 16);
}
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Points, sizes and rectangles come with the scalar types.
#include "platform/Geometry.h"
