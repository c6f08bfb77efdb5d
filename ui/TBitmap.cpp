#include "ui/TBitmap.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

RTL_DEFINE_CLASS(TBitmapCanvas, TCanvas)
RTL_DEFINE_CLASS(TBitmap, TGraphic)

// Stream formats

namespace {
TBitmapStreamReader& Reader() {
  static TBitmapStreamReader r;
  return r;
}
TBitmapStreamWriter& Writer() {
  static TBitmapStreamWriter w;
  return w;
}
}  // namespace

void RegisterBitmapStreamFormat(TBitmapStreamReader reader, TBitmapStreamWriter writer) {
  Reader() = std::move(reader);
  Writer() = std::move(writer);
}

void TBitmap::LoadFromStream(TStream* Stream) {
  if (!Reader()) TGraphic::LoadFromStream(Stream);
  Reader()(this, Stream);
}

void TBitmap::SaveToStream(TStream* Stream) {
  if (!Writer()) TGraphic::SaveToStream(Stream);
  Writer()(this, Stream);
}

// Canvas

TBitmapCanvas::~TBitmapCanvas() {
  FreeContext();
}

void TBitmapCanvas::CreateHandle() {
  if (dc_) return;
  dc_ = CreateCompatibleDC(nullptr);
  if (bitmap_ && bitmap_->handle_) old_ = SelectObject(dc_, bitmap_->handle_);
  SetHandle(dc_);
}

void TBitmapCanvas::FreeContext() {
  if (!dc_) return;
  SetHandle(nullptr);
  if (old_) SelectObject(dc_, old_);
  DeleteDC(dc_);
  dc_ = nullptr;
  old_ = nullptr;
}

// Bitmap

namespace {

int BitCount(TPixelFormat f) {
  switch (f) {
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf15bit:
    case pf16bit:
      return 16;
    case pf24bit:
      return 24;
    default:
      return 32;
  }
}

std::vector<RGBQUAD> DefaultColors(TPixelFormat f) {
  std::vector<RGBQUAD> c;
  if (f == pf1bit) {
    c = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  } else if (f == pf4bit) {
    // The 16 standard colours in their usual order.
    static const uint32_t k16[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                     0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                                     0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (uint32_t v : k16) c.push_back(RGBQUAD{BYTE(v), BYTE(v >> 8), BYTE(v >> 16), 0});
  } else if (f == pf8bit) {
    HPALETTE p = CreateHalftonePalette(nullptr);
    c = p->entries;
    DeleteObject(p);
    c.resize(256, RGBQUAD{0, 0, 0, 0});
  }
  return c;
}

HBITMAP MakeBitmap(int32_t w, int32_t h, TPixelFormat f, bool mono) {
  if (w <= 0 || h <= 0) return nullptr;
  if (mono) return CreateBitmap(w, h, 1, 1, nullptr);
  if (f == pfDevice) return CreateCompatibleBitmap(nullptr, w, h);
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* bmi = reinterpret_cast<BITMAPINFO*>(info.data());
  bmi->bmiHeader = BITMAPINFOHEADER{};
  bmi->bmiHeader.biWidth = w;
  bmi->bmiHeader.biHeight = h;
  bmi->bmiHeader.biBitCount = WORD(BitCount(f));
  if (f == pf16bit) {
    bmi->bmiHeader.biCompression = BI_BITFIELDS;
    uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(bmi->bmiColors, masks, sizeof masks);
  }
  std::vector<RGBQUAD> colors = DefaultColors(f);
  if (!colors.empty()) {
    bmi->bmiHeader.biClrUsed = DWORD(colors.size());
    std::memcpy(bmi->bmiColors, colors.data(), colors.size() * sizeof(RGBQUAD));
  }
  void* bits = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!b) throw EOutOfMemory("Out of system resources");
  return b;
}

}  // namespace

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  if (canvas_) canvas_->Free();
  DropPalette();
  if (handle_) DeleteObject(handle_);
}

void TBitmap::DropPalette() {
  if (!palette_) return;
  palette_->bitmap = nullptr;
  DeleteObject(palette_);
  palette_ = nullptr;
}

void TBitmap::Changing() {
  // The image is about to be replaced: the canvas and the palette let go of it.
  if (canvas_) canvas_->FreeContext();
  DropPalette();
}

void TBitmap::NewImage(int32_t width, int32_t height, TPixelFormat format, bool mono,
                       bool keepPixels) {
  Changing();
  width = std::max(width, 0);
  height = std::max(height, 0);
  HBITMAP next = MakeBitmap(width, height, format, mono);
  HBITMAP old = handle_;
  if (next && old && keepPixels) {
    int32_t w = std::min(width, old->width), h = std::min(height, old->height);
    if (next->bitsPerPixel == old->bitsPerPixel && next->redMask == old->redMask &&
        next->greenMask == old->greenMask) {
      // Same layout: rows and colour table as they are (palette indexes keep).
      size_t bytes = (size_t(w) * next->bitsPerPixel + 7) / 8;
      for (int32_t y = 0; y < h; ++y) std::memcpy(next->Row(y), old->Row(y), bytes);
      if (!old->colors.empty()) next->colors = old->colors;
    } else {
      std::vector<uint32_t> row(size_t(std::max(w, 1)));
      for (int32_t y = 0; y < h; ++y) {
        ReadBitmapRow(*old, y, 0, w, row.data());
        WriteBitmapRow(*next, y, 0, w, row.data());
      }
    }
  }
  handle_ = next;
  width_ = width;
  height_ = height;
  pixelFormat_ = mono && format == pfDevice ? pf1bit : format;
  monochrome_ = mono;
  if (old) DeleteObject(old);
  Changed(this);
}

void TBitmap::Assign(TPersistent* Source) {
  if (!Source) {
    FreeImage();
    return;
  }
  auto* b = dynamic_cast<TBitmap*>(Source);
  if (!b) {
    TGraphic::Assign(Source);
    return;
  }
  if (b == this) return;
  Changing();
  HBITMAP old = handle_;
  handle_ = nullptr;
  width_ = height_ = 0;
  NewImage(b->width_, b->height_,
           b->pixelFormat_ == pf1bit && b->monochrome_ ? pfDevice : b->pixelFormat_, b->monochrome_,
           false);
  if (handle_ && b->handle_) {
    size_t bytes = size_t(handle_->rowBytes) * size_t(height_);
    if (handle_->rowBytes == b->handle_->rowBytes)
      std::memcpy(handle_->bits, b->handle_->bits, bytes);
    handle_->colors = b->handle_->colors;
  }
  if (old) DeleteObject(old);
  transparent_ = b->transparent_;
  transparentColor_ = b->transparentColor_;
  transparentMode_ = b->transparentMode_;
  Changed(this);
}

void TBitmap::SetSize(int32_t width, int32_t height) {
  if (width == width_ && height == height_) return;
  NewImage(width, height, monochrome_ ? pfDevice : pixelFormat_, monochrome_, true);
}

void TBitmap::SetPixelFormat(TPixelFormat v) {
  if (v == pixelFormat_ && !(monochrome_ && v != pf1bit)) return;
  NewImage(width_, height_, v, false, true);
}

void TBitmap::SetHandleType(TBitmapHandleType v) {
  if (v == HandleType()) return;
  SetPixelFormat(v == bmDDB ? pfDevice : pf32bit);
}

void TBitmap::SetMonochrome(bool v) {
  if (v == monochrome_) return;
  NewImage(width_, height_, v ? pfDevice : pfDevice, v, true);
}

HBITMAP TBitmap::Handle() {
  return handle_;
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  if (bitmap == handle_) return;
  Changing();
  if (handle_) DeleteObject(handle_);
  handle_ = bitmap;
  if (bitmap) {
    width_ = bitmap->width;
    height_ = bitmap->height;
    monochrome_ = bitmap->bitsPerPixel == 1 && !bitmap->dibSection;
    if (!bitmap->dibSection && bitmap->bitsPerPixel == 32)
      pixelFormat_ = pfDevice;
    else
      switch (bitmap->bitsPerPixel) {
        case 1:
          pixelFormat_ = pf1bit;
          break;
        case 4:
          pixelFormat_ = pf4bit;
          break;
        case 8:
          pixelFormat_ = pf8bit;
          break;
        case 16:
          pixelFormat_ = bitmap->greenMask == 0x07E0 ? pf16bit : pf15bit;
          break;
        case 24:
          pixelFormat_ = pf24bit;
          break;
        default:
          pixelFormat_ = pf32bit;
          break;
      }
  } else {
    width_ = height_ = 0;
  }
  Changed(this);
}

HBITMAP TBitmap::ReleaseHandle() {
  Changing();
  HBITMAP h = handle_;
  handle_ = nullptr;
  width_ = height_ = 0;
  return h;
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = new TBitmapCanvas(this);
  return canvas_;
}

void* TBitmap::ScanLine(int32_t Row) {
  if (!handle_ || Row < 0 || Row >= height_)
    throw EInvalidGraphicOperation("Scan line index out of range");
  return handle_->Row(Row);
}

HPALETTE TBitmap::Palette() {
  if (!handle_ || handle_->colors.empty()) return nullptr;
  DropPalette();
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + handle_->colors.size() * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = WORD(handle_->colors.size());
  for (size_t i = 0; i < handle_->colors.size(); ++i) {
    const RGBQUAD& q = handle_->colors[i];
    lp->palPalEntry[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
  }
  palette_ = CreatePalette(lp);
  palette_->bitmap = handle_;
  return palette_;
}

void TBitmap::SetPalette(HPALETTE pal) {
  if (!pal || !handle_ || handle_->bitsPerPixel > 8) return;
  std::vector<RGBQUAD> c = pal->entries;
  SetColors(c);
}

std::vector<RGBQUAD> TBitmap::Colors() const {
  return handle_ ? handle_->colors : std::vector<RGBQUAD>{};
}

void TBitmap::SetColors(const std::vector<RGBQUAD>& colors) {
  if (!handle_ || handle_->bitsPerPixel > 8) return;
  size_t cap = size_t(1) << handle_->bitsPerPixel;
  handle_->colors.assign(colors.begin(), colors.begin() + ptrdiff_t(std::min(cap, colors.size())));
  Changed(this);
}

TColor TBitmap::TransparentColor() {
  if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
  if (Empty()) return clDefault;
  uint32_t px = 0;
  ReadBitmapRow(*handle_, height_ - 1, 0, 1, &px);
  return TColor(PixelToColorRef(px & 0xFFFFFF));
}

void TBitmap::SetTransparentColor(TColor v) {
  if (v == transparentColor_) return;
  transparentColor_ = v;
  transparentMode_ = v == clDefault ? tmAuto : tmFixed;
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode v) {
  if (v == transparentMode_) return;
  transparentMode_ = v;
  if (v == tmAuto)
    transparentColor_ = clDefault;
  else
    transparentColor_ = TransparentColor();
  Changed(this);
}

void TBitmap::FreeImage() {
  Changing();
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
  width_ = height_ = 0;
  Changed(this);
}

void TBitmap::Draw(TCanvas* canvas, const TRect& r) {
  if (Empty()) return;
  HDC dst = canvas->Handle();
  HDC src = Canvas()->Handle();
  if (transparent_) {
    TransparentBlt(dst, r.Left, r.Top, r.Width(), r.Height(), src, 0, 0, width_, height_,
                   ColorToRGB(TransparentColor()) & 0xFFFFFF);
    return;
  }
  COLORREF text = 0, bk = 0;
  if (monochrome_) {
    // Monochrome pictures draw black on white.
    text = SetTextColor(dst, RGB(0, 0, 0));
    bk = SetBkColor(dst, RGB(255, 255, 255));
  }
  StretchBlt(dst, r.Left, r.Top, r.Width(), r.Height(), src, 0, 0, width_, height_,
             DWORD(canvas->CopyMode()));
  if (monochrome_) {
    SetTextColor(dst, text);
    SetBkColor(dst, bk);
  }
}

TBitmap* AllocPatternBitmap(TColor BkColor, TColor FgColor) {
  static std::mutex lock;
  // Kept to the end of the program (never destroyed, so never a dangling brush).
  static auto* cache = new std::map<std::pair<TColor, TColor>, TBitmap*>();
  std::lock_guard<std::mutex> g(lock);
  TBitmap*& b = (*cache)[{BkColor, FgColor}];
  if (!b) {
    b = new TBitmap();
    b->SetPixelFormat(pf32bit);
    b->SetSize(8, 8);
    uint32_t bk = ColorRefToPixel(ColorToRGB(BkColor) & 0xFFFFFF),
             fg = ColorRefToPixel(ColorToRGB(FgColor) & 0xFFFFFF);
    for (int32_t y = 0; y < 8; ++y) {
      auto* row = static_cast<uint32_t*>(b->ScanLine(y));
      for (int32_t x = 0; x < 8; ++x) row[x] = ((x + y) & 1) ? fg : bk;
    }
  }
  return b;
}
