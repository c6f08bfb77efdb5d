// Pixel formats, storage locations and the pixel records the imaging
// library passes around.
#pragma once

#include <cstdint>

enum TIEPixelFormat : uint8_t {
  ieNoFormat,
  ieMono1,     // MSB first; a set bit is white
  iePalette8,  // index into the palette
  ieGray8,     // 0 black .. 255 white; also the alpha channel's format
  ieGray16,
  ieRGB24,     // bytes blue, green, red
  ie32f,       // float grey, nominally 0.0 .. 1.0
  ieCMYK,      // four bytes of inverted ink (255 = no ink)
  ieRGB48,     // words red, green, blue (the reverse of ieRGB24)
  ieCIELab     // bytes L, a, b
};

enum TIELocation : uint8_t { ieMemory, ieTempFile, ieTBitmap };

// A set of pixel formats: bit f for format f (the formats fit in 16 bits).
using TIEPixelFormatSet = uint16_t;
constexpr TIEPixelFormatSet PixelFormatBit(TIEPixelFormat f) {
  return static_cast<TIEPixelFormatSet>(1u << f);
}

// Bits per pixel and channels of each pixel format.
constexpr int32_t IEBitsPerPixel[10] = {0, 1, 8, 8, 16, 24, 32, 32, 48, 24};
constexpr int32_t IEChannelCount[10] = {0, 1, 1, 1, 1, 3, 1, 4, 3, 3};

// An RGB triple in memory order blue, green, red.
struct TRGB {
  uint8_t b, g, r;
  bool operator==(const TRGB&) const = default;
};
static_assert(sizeof(TRGB) == 3);
constexpr TRGB MakeRGBTriple(uint8_t R, uint8_t G, uint8_t B) { return TRGB{B, G, R}; }

// An ieRGB48 pixel: words red, green, blue.
struct TRGB48 {
  uint16_t r, g, b;
  bool operator==(const TRGB48&) const = default;
};
static_assert(sizeof(TRGB48) == 6);

// An ieCMYK pixel: inverted ink, 255 = no ink.
struct TCMYK {
  uint8_t c, m, y, k;
  bool operator==(const TCMYK&) const = default;
};

// An ieCIELab pixel: lightness scaled to 0..255, a and b as signed bytes.
struct TCIELab {
  uint8_t l;
  int8_t a, b;
  bool operator==(const TCIELab&) const = default;
};

// Colours: red in the low byte, green, blue; the high bit names a system colour.
using TColor = int32_t;
