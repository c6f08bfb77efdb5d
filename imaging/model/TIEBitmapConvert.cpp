// TIEBitmap: the RGB view of one pixel and the pixel-format conversions.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/model/ColorSpaces.h"
#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Numeric.h"

TRGB TIEBitmap::GetPixelRGB(int32_t x, int32_t y) {
  const uint8_t* row = GetScanline(y);
  switch (pixel_format_) {
    case ieMono1: return GetBit(row, x) ? TRGB{255, 255, 255} : TRGB{0, 0, 0};
    case iePalette8: return GetPaletteEntry(row[x]);
    case ieGray8: return TRGB{row[x], row[x], row[x]};
    case ieGray16: {
      uint16_t v;
      std::memcpy(&v, row + int64_t{x} * 2, 2);
      uint8_t g = static_cast<uint8_t>(v >> 8);
      return TRGB{g, g, g};
    }
    case ieRGB24: {
      TRGB c;
      std::memcpy(&c, row + int64_t{x} * 3, 3);
      return c;
    }
    case ie32f: {
      float v;
      std::memcpy(&v, row + int64_t{x} * 4, 4);
      uint8_t g = FloatToByte(std::trunc(double{v} * 255));
      return TRGB{g, g, g};
    }
    case ieCMYK: {
      TCMYK c;
      std::memcpy(&c, row + int64_t{x} * 4, 4);
      return CMYKToRGB(c);
    }
    case ieRGB48: {
      TRGB48 c;
      std::memcpy(&c, row + int64_t{x} * 6, 6);
      return MakeRGBTriple(static_cast<uint8_t>(c.r >> 8), static_cast<uint8_t>(c.g >> 8),
                           static_cast<uint8_t>(c.b >> 8));
    }
    case ieCIELab: {
      TCIELab c;
      std::memcpy(&c, row + int64_t{x} * 3, 3);
      return CIELabToRGB(c);
    }
    default: return TRGB{0, 0, 0};
  }
}
