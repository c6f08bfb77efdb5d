// Helpers between the image model and the platform's bitmaps: bit counts,
// row lengths and the grey colour table of 8-bit bitmaps.
#pragma once

#include <cstdint>

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
