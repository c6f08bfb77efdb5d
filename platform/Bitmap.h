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
#include "platform/ZeroedMemory.h"

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BitmapObject;

struct PaletteObject : GdiObject {
  PaletteObject() : GdiObject(OBJ_PAL) {}
  std::vector<RGBQUAD> entries;
  // A palette handed out for a bitmap's colour table: changes to the
  // entries reach the table too.
  BitmapObject* bitmap = nullptr;
};

struct BitmapObject : GdiObject {
  BitmapObject() : GdiObject(OBJ_BITMAP) {}
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bitsPerPixel = 32;
  bool dibSection = false;
  bool topDown = false;
  int32_t rowBytes = 0;  // padded to 4 bytes
  // 16 and 32 bits: channel masks (zero: 5-5-5 for 16 bits, 8-8-8 for 32).
  uint32_t redMask = 0, greenMask = 0, blueMask = 0;
  std::vector<RGBQUAD> colors;   // palette of 1, 4 and 8 bits
  TZeroedMemory storage;         // owned pixels
  uint8_t* bits = nullptr;       // the pixels: storage, or memory of the caller
  // A 32-bit view over the pixels of plain 32-bit bitmaps (top row first).
  Surface surface;

  // Allocates zeroed pixels for the fields above (false: too large) and
  // sets up the 32-bit view.
  bool Allocate();
  // Points at rows owned elsewhere.
  void Attach(uint8_t* memory);
  uint8_t* Bits() { return bits; }
  // 32 bits in the plain blue, green, red, alpha byte order: drawn on
  // directly through the 32-bit view.
  bool Plain32() const {
    return bitsPerPixel == 32 &&
           (!redMask || (redMask == 0xFF0000 && greenMask == 0xFF00 && blueMask == 0xFF));
  }
  // The stored bytes of row y counted from the top.
  uint8_t* Row(int32_t y) const {
    return bits + size_t(topDown ? y : height - 1 - y) * size_t(rowBytes);
  }
};

// DIB layouts shared with the drawing calls.
constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;

struct BITMAPINFOHEADER {
  DWORD biSize = sizeof(BITMAPINFOHEADER);
  LONG biWidth = 0;
  LONG biHeight = 0;  // negative: rows stored top-down
  WORD biPlanes = 1;
  WORD biBitCount = 0;
  DWORD biCompression = BI_RGB;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};

// The header followed by the colour table (for BI_BITFIELDS the three masks
// come first, as the first three entries). Callers that need more entries
// allocate a larger block.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

// Bytes of one stored row: padded to 4 bytes.
inline int32_t DibRowBytes(int32_t width, int32_t bitCount) {
  return int32_t(((int64_t(width) * bitCount + 31) / 32) * 4);
}

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3] = {};
  void* dshSection = nullptr;
  DWORD dsOffset = 0;
};

struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};

struct LOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
};

// A bitmap of 1 or 32 bits per pixel (other depths are made 32-bit) whose
// rows, if given, are stored top-down and padded to 2 bytes. Zero-filled
// otherwise.
HBITMAP CreateBitmap(int32_t width, int32_t height, UINT planes, UINT bitCount, const void* bits);
// Monochrome when dc is a memory DC holding a monochrome bitmap, else 32 bits.
HBITMAP CreateCompatibleBitmap(HDC dc, int32_t width, int32_t height);
// A DIB of 1, 4, 8, 16, 24 or 32 bits (BI_RGB, or BI_BITFIELDS for 16 and 32)
// whose zero-filled pixels the caller reaches through *bits (null on failure:
// bad header, or more than 4 GiB of pixels).
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* bmi, UINT usage, void** bits, void* section,
                         DWORD offset);
// BITMAP or DIBSECTION of a bitmap, LOGPEN, LOGBRUSH, LOGFONT, or the entry
// count (WORD) of a palette. Answers the bytes written; with out null the size
// needed.
int GetObject(HGDIOBJ obj, int size, void* out);
// Copies rows start .. start + lines - 1 (counted from the bottom) in the
// format of bmi's header (bits null: fills in the header only). Answers the
// rows copied.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* bmi,
              UINT usage);
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
              const BITMAPINFO* bmi, UINT usage);
// The colour table of the bitmap selected into a memory DC.
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);

HPALETTE CreatePalette(const LOGPALETTE* lp);
// The 256-colour palette used for halftoning on palette screens.
HPALETTE CreateHalftonePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE pal, UINT start, UINT count, PALETTEENTRY* entries);
// Changes existing entries (and the colour table of a linked bitmap).
UINT SetPaletteEntries(HPALETTE pal, UINT start, UINT count, const PALETTEENTRY* entries);
// This platform has no palette screens: selecting and realizing change nothing.
HPALETTE SelectPalette(HDC dc, HPALETTE pal, BOOL forceBackground);
UINT RealizePalette(HDC dc);

// A copy of the DIB's pixels as a bitmap object, or null (bad header,
// usage DIB_PAL_COLORS). bits must hold |biHeight| rows of DibRowBytes.
HBITMAP CreateBitmapFromDib(const BITMAPINFO* bmi, const void* bits);

// Pixels [x0, x0 + n) of row y (counted from the top) as 32-bit pixel values
// (0x00RRGGBB; the fourth byte is kept for 32-bit bitmaps). No bounds checks.
void ReadBitmapRow(const BitmapObject& b, int32_t y, int32_t x0, int32_t n, uint32_t* out);
// Writes pixel values; palette bitmaps take the nearest palette entry.
void WriteBitmapRow(BitmapObject& b, int32_t y, int32_t x0, int32_t n, const uint32_t* in);
// Nearest palette index (squared distance; the first of equals).
int NearestPaletteIndex(const std::vector<RGBQUAD>& colors, uint32_t pixel);
