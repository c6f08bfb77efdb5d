// Bitmaps and palettes: device-independent bitmaps of 1, 4, 8, 16, 24 and 32
// bits per pixel, stored bottom-up (the first stored row is the bottom row,
// unless made top-down) with each row padded to a multiple of 4 bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/DC.h"
#include "platform/GdiObject.h"
#include "platform/Surface.h"
#include "platform/Types.h"

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct PaletteObject : GdiObject {
  PaletteObject() : GdiObject(OBJ_PAL) {}
  std::vector<RGBQUAD> entries;
};

struct BitmapObject : GdiObject {
  BitmapObject() : GdiObject(OBJ_BITMAP) {}
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bitsPerPixel = 32;
  bool dibSection = false;
  bool topDown = false;
  int32_t rowBytes = 0;  // padded to 4 bytes
  // 16 and 32 bits: channel masks (16 bits default to 5-5-5).
  uint32_t redMask = 0, greenMask = 0, blueMask = 0;
  std::vector<RGBQUAD> colors;     // palette of 1, 4 and 8 bits
  std::vector<uint8_t> storage;    // the pixels, as stored
  // A 32-bit view over the pixels for 32-bit bitmaps (top row first).
  Surface surface;

  uint8_t* Bits() { return storage.data(); }
  // The stored bytes of row y counted from the top.
  uint8_t* Row(int32_t y) {
    return storage.data() + size_t(topDown ? y : height - 1 - y) * size_t(rowBytes);
  }
};

// Pixels [x0, x0 + n) of row y (counted from the top) as 32-bit pixel values
// (0x00RRGGBB; the fourth byte is kept for 32-bit bitmaps). No bounds checks.
void ReadBitmapRow(const BitmapObject& b, int32_t y, int32_t x0, int32_t n, uint32_t* out);
// Writes pixel values; palette bitmaps take the nearest palette entry.
void WriteBitmapRow(BitmapObject& b, int32_t y, int32_t x0, int32_t n, const uint32_t* in);
// Nearest palette index (squared distance; the first of equals).
int NearestPaletteIndex(const std::vector<RGBQUAD>& colors, uint32_t pixel);
