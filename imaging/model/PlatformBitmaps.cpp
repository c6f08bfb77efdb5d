#include "imaging/model/PlatformBitmaps.h"

#include <sys/mman.h>

#include <cstring>
#include <mutex>
#include <unordered_map>

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

void CopyTBitmapPixels(TBitmap* Source, TBitmap* Target) {
  if (!Source || !Target) return;
  const int32_t w = Source->Width(), h = Source->Height();
  if (w <= 0 || h <= 0) {
    Target->SetPixelFormat(Source->PixelFormat());
    Target->SetSize(1, 1);
    return;
  }
  if (Target->Width() != w || Target->Height() != h || Target->PixelFormat() != Source->PixelFormat()) {
    Target->SetSize(1, 1);
    Target->SetPixelFormat(Source->PixelFormat());
    Target->SetSize(w, h);
  }
  if (Source->PixelFormat() == pf8bit || Source->PixelFormat() == pf4bit || Source->PixelFormat() == pf1bit)
    Target->SetColors(Source->Colors());
  // Rows lie bottom-up in one block: row h - 1 starts it.
  const int64_t bytes = int64_t{Source->RowLength()} * h;
  std::memcpy(Target->ScanLine(h - 1), Source->ScanLine(h - 1), static_cast<size_t>(bytes));
}

TBitmap* CloneTBitmap(TBitmap* Source) {
  auto* b = new TBitmap();
  CopyTBitmapPixels(Source, b);
  return b;
}

namespace {
// Sizes of the page blocks handed out, so that PageFree needs only the pointer.
std::mutex g_pages_lock;
std::unordered_map<void*, size_t>& PageSizes() {
  static std::unordered_map<void*, size_t> sizes;
  return sizes;
}
}  // namespace

void* PageAlloc(int64_t Size) {
  if (Size <= 0) return nullptr;
  void* p = ::mmap(nullptr, static_cast<size_t>(Size), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                   -1, 0);
  if (p == MAP_FAILED) return nullptr;
  std::lock_guard<std::mutex> lock(g_pages_lock);
  PageSizes()[p] = static_cast<size_t>(Size);
  return p;
}

void PageFree(void*& P) {
  if (!P) return;
  size_t size = 0;
  {
    std::lock_guard<std::mutex> lock(g_pages_lock);
    auto it = PageSizes().find(P);
    if (it == PageSizes().end()) return;
    size = it->second;
    PageSizes().erase(it);
  }
  ::munmap(P, size);
  P = nullptr;
}

HDRAWDIB CallDrawDibOpen() { return DrawDibOpen(); }
BOOL CallDrawDibClose(HDRAWDIB Handle) { return DrawDibClose(Handle); }
UINT CallDrawDibRealize(HDRAWDIB Handle, HDC DC, BOOL Background) {
  return DrawDibRealize(Handle, DC, Background);
}
BOOL CallDrawDibDraw(HDRAWDIB Handle, HDC DC, int32_t XDst, int32_t YDst, int32_t DstWidth,
                     int32_t DstHeight, BITMAPINFOHEADER* Header, void* Bits, int32_t XSrc, int32_t YSrc,
                     int32_t SrcWidth, int32_t SrcHeight, UINT Flags) {
  return DrawDibDraw(Handle, DC, XDst, YDst, DstWidth, DstHeight, Header, Bits, XSrc, YSrc, SrcWidth,
                     SrcHeight, Flags);
}
