#include "imaging/model/PlatformBitmaps.h"

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/TIEBitmap.h"

int32_t PlatformBitCount(TPixelFormat Format) {
  switch (Format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit: return 15;
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pf32bit: return 32;
    default: return 0;
  }
}

int64_t PlatformRowLength(int32_t Width, TPixelFormat Format) {
  return AlignedRowLength(Width, PlatformBitCount(Format), 32);
}

void SetGrayPaletteBitmap(TBitmap* Bitmap) {
  std::vector<RGBQUAD> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[static_cast<size_t>(i)] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
  Bitmap->SetColors(ramp);
}

bool IsGrayPaletteBitmap(TBitmap* Bitmap) {
  const std::vector<RGBQUAD> colors = Bitmap->Colors();
  for (size_t i = 0; i < colors.size(); ++i)
    if (colors[i].rgbRed != i || colors[i].rgbGreen != i || colors[i].rgbBlue != i) return false;
  return true;
}

void CopyDIBColorTable(TBitmap* Bitmap, TIEBitmap* Image) {
  if (Bitmap->PixelFormat() != pf8bit || Image->PixelFormat() != iePalette8) return;
  const std::vector<RGBQUAD> colors = Bitmap->Colors();
  for (size_t i = 0; i < colors.size() && i < 256; ++i)
    Image->Palette()[i] = TRGB{colors[i].rgbBlue, colors[i].rgbGreen, colors[i].rgbRed};
}
