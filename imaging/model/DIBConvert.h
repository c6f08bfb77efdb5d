// Packed device-independent bitmaps (an information header, a colour table
// or bit-field masks, then rows padded to 4 bytes, bottom row first) to and
// from TIEBitmap, with the packed and planar YUV video layouts.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/IEPixelTypes.h"

class TIEBitmap;
class TIEDibbitmap;

// ITU-R BT.601 video range; each channel rounded half to even and clamped.
TRGB YUVToRGB(int32_t Y, int32_t U, int32_t V);

// Decodes the Size bytes of a packed DIB into Image (ieMono1 for 1-bit
// DIBs, ieRGB24 otherwise). Bits, when given, holds the rows (BitsSize
// bytes) instead of the bytes after the header and colour table. Returns
// the DIB's bit count, or 0 when the header, the sizes or the layout cannot
// be read from the bytes there are (Image is then left empty).
int32_t DIBToTIEBitmap(const uint8_t* DIB, int64_t Size, TIEBitmap* Image,
                       const uint8_t* Bits = nullptr, int64_t BitsSize = 0);

// Draws a packed DIB (the rows in Bits when given) at its own size into
// Target, which becomes a 1-bit section for 1-bit DIBs and a 24-bit one
// otherwise. The layouts drawn are those DIBToTIEBitmap decodes. Returns the
// DIB's bit count, or 0 when nothing could be drawn (Target is then left as
// it was).
int32_t DIBToDibBitmap(const uint8_t* DIB, int64_t Size, TIEDibbitmap* Target,
                       const uint8_t* Bits = nullptr, int64_t BitsSize = 0);

// Whether Compression is a four-character code of a YUV layout that
// DIBToTIEBitmap decodes.
bool IsDIBYUVCompression(uint32_t Compression);

// A packed DIB of the rectangle X1..X2 x Y1..Y2 of Image (X2 = 0: the
// width, Y2 = 0: the height): 1-bit, 8-bit palette or grey, or 24-bit.
std::vector<uint8_t> CopyRectToDIB(TIEBitmap* Image, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
