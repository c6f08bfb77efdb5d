// Helpers between the image model and the platform's bitmaps: bit counts,
// row lengths and the grey colour table of 8-bit bitmaps.
#pragma once

#include <cstdint>

#include "platform/DrawDib.h"
#include "ui/TBitmap.h"

class TIEBitmap;

int32_t PlatformBitCount(TPixelFormat Format);
int64_t PlatformRowLength(int32_t Width, TPixelFormat Format);
// Entry i = i, i, i.
void SetGrayPaletteBitmap(TBitmap* Bitmap);
// Every entry has red = green = blue = its index; an empty table is grey.
bool IsGrayPaletteBitmap(TBitmap* Bitmap);
// The colour table of a pf8bit bitmap into an iePalette8 image's palette.
void CopyDIBColorTable(TBitmap* Bitmap, TIEBitmap* Image);

// Copies Source's pixels into Target, which takes Source's size and pixel
// format; an empty source leaves Target 1 x 1 in its format.
void CopyTBitmapPixels(TBitmap* Source, TBitmap* Target);
// A new bitmap made by CopyTBitmapPixels; the caller frees it.
TBitmap* CloneTBitmap(TBitmap* Source);

// Whole zeroed read/write pages from the system, for images whose
// MemoryAllocator asks for them; PageFree releases them and clears P.
void* PageAlloc(int64_t Size);
void PageFree(void*& P);

// The views' video drawing, passed straight to the platform.
HDRAWDIB CallDrawDibOpen();
BOOL CallDrawDibClose(HDRAWDIB Handle);
UINT CallDrawDibRealize(HDRAWDIB Handle, HDC DC, BOOL Background);
BOOL CallDrawDibDraw(HDRAWDIB Handle, HDC DC, int32_t XDst, int32_t YDst, int32_t DstWidth,
                     int32_t DstHeight, BITMAPINFOHEADER* Header, void* Bits, int32_t XSrc, int32_t YSrc,
                     int32_t SrcWidth, int32_t SrcHeight, UINT Flags);
