#include "imaging/io/formats/Metafile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/formats/FormatFields.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/Bitmap.h"
#include "platform/Draw.h"
#include "platform/Metafile.h"
#include "platform/PenBrush.h"
#include "rtl/ByteOrder.h"
#include "rtl/TStream.h"

namespace {

using formats::ReadExact;

// The key that opens a placeable metafile, whose header is 22 bytes long.
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int64_t kPlaceableHeaderSize = 22;
// The standard header: type 1 (in memory), 9 words long, no parameters.
constexpr int64_t kStandardHeaderSize = 18;
constexpr uint16_t kMemoryMetafile = 1;
constexpr uint16_t kHeaderWords = 9;
// The enhanced metafile's header record (type 1) with " EMF" at byte 40.
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEmfSignature = 0x464D4520;
constexpr int64_t kEmfSignatureAt = 40;

}  // namespace

bool IsWMFStream(TStream* Stream) {
  const int64_t start = Stream->Position();
  bool hit = false;
  uint8_t b[kStandardHeaderSize];
  if (ReadExact(Stream, b, 4)) {
    Stream->SetPosition(LoadLE32(b) == kPlaceableKey ? start + kPlaceableHeaderSize : start);
    hit = ReadExact(Stream, b, kStandardHeaderSize) && LoadLE16(b) == kMemoryMetafile &&
          LoadLE16(b + 2) == kHeaderWords && LoadLE16(b + 16) == 0;
  }
  Stream->SetPosition(start);
  return hit;
}

bool IsEMFStream(TStream* Stream) {
  const int64_t start = Stream->Position();
  uint8_t b[kEmfSignatureAt + 4];
  const bool hit = ReadExact(Stream, b, sizeof b) && LoadLE32(b) == kEmrHeader &&
                   LoadLE32(b + kEmfSignatureAt) == kEmfSignature;
  Stream->SetPosition(start);
  return hit;
}

TIEFormatHandler WMFFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftWMF;
  h.Test = IsWMFStream;
  // After the multi-page PCX test, the enhanced metafile test right after.
  h.DetectOrder = 190;
  return h;
}

TIEFormatHandler EMFFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftEMF;
  h.Test = IsEMFStream;
  h.DetectOrder = 191;
  return h;
}

bool MetafileTargetSize(int32_t MetaWidth, int32_t MetaHeight, int32_t& Width, int32_t& Height) {
  int64_t w = Width, h = Height;
  const bool own = w < 0 && h < 0;
  if (own) {
    w = MetaWidth;
    h = MetaHeight;
  } else if (w < 0) {
    w = MetaHeight != 0 ? h * MetaWidth / MetaHeight : 0;
  } else if (h < 0) {
    h = MetaWidth != 0 ? w * MetaHeight / MetaWidth : 0;
  }
  if (w <= 0 || h <= 0) return false;
  if (w > kMetafileMaxSide || h > kMetafileMaxSide) {
    const int64_t larger = std::max(w, h);
    w = std::max<int64_t>(w * kMetafileMaxSide / larger, 1);
    h = std::max<int64_t>(h * kMetafileMaxSide / larger, 1);
  }
  if (own && w * h > kMetafileOwnSizePixels) {
    const double f = std::sqrt(static_cast<double>(kMetafileOwnSizePixels) / static_cast<double>(w * h));
    w = std::max<int64_t>(static_cast<int64_t>(static_cast<double>(w) * f), 1);
    h = std::max<int64_t>(static_cast<int64_t>(static_cast<double>(h) * f), 1);
    while (w * h > kMetafileOwnSizePixels) (w >= h ? w : h) -= 1;
  }
  Width = static_cast<int32_t>(w);
  Height = static_cast<int32_t>(h);
  return true;
}

namespace {

// A 32-bit drawing surface of the picture's size on a memory DC.
class DrawingSheet {
 public:
  DrawingSheet(int32_t Width, int32_t Height) : w_(Width), h_(Height) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biWidth = Width;
    bmi.bmiHeader.biHeight = -Height;  // top row first
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_) return;
    pixels_ = static_cast<uint8_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~DrawingSheet() {
    if (dc_) {
      SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
  }
  DrawingSheet(const DrawingSheet&) = delete;
  DrawingSheet& operator=(const DrawingSheet&) = delete;
  bool Valid() const { return dc_ != nullptr; }

  // The metafile drawn over a background of Colour.
  void Draw(const TMetafile& Metafile, COLORREF Colour) {
    HBRUSH brush = CreateSolidBrush(Colour);
    const TRect all{0, 0, w_, h_};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
    Metafile.Play(dc_, all);
  }
  // Pixel x of row y: bytes blue, green, red, unused.
  const uint8_t* Pixel(int32_t x, int32_t y) const {
    return pixels_ + (static_cast<size_t>(y) * static_cast<size_t>(w_) + static_cast<size_t>(x)) * 4;
  }

 private:
  int32_t w_, h_;
  HBITMAP bitmap_ = nullptr;
  HBITMAP old_ = nullptr;
  HDC dc_ = nullptr;
  uint8_t* pixels_ = nullptr;
};

// The background that marks where nothing was drawn: red 3, green 2, blue 1.
constexpr COLORREF kAlphaKey = RGB(3, 2, 1);

}  // namespace

bool RenderMetafile(const TMetafile& Metafile, int32_t Width, int32_t Height, COLORREF Background,
                    bool Alpha, TIEBitmap* Bitmap, const TIOProgressRec& Progress) {
  // The vector data can describe any size; the machine must hold the image
  // and the drawing surface besides it.
  if (!IEClaimPlausible(Progress, Width, Height, ieRGB24, Alpha, true)) return false;
  const int64_t bytes = IEImageBytes(Width, Height, ieRGB24, Alpha) + int64_t{Width} * Height * 4;
  if (!IEMachineCanHold(bytes)) {
    Progress.Refuse(IEClaimTooLargeForMachineText(Width, Height, bytes));
    return false;
  }
  DrawingSheet sheet(Width, Height);
  if (!sheet.Valid()) {
    Progress.Refuse(IEClaimTooLargeForMachineText(Width, Height, bytes));
    return false;
  }
  sheet.Draw(Metafile, Background & 0xFFFFFF);
  Bitmap->RemoveAlphaChannel();
  Bitmap->Allocate(Width, Height, ieRGB24);
  for (int32_t y = 0; y < Height; ++y) {
    uint8_t* row = Bitmap->GetScanline(y);
    for (int32_t x = 0; x < Width; ++x) std::memcpy(row + 3 * x, sheet.Pixel(x, y), 3);
  }
  if (!Alpha) return true;
  sheet.Draw(Metafile, kAlphaKey);
  TIEBitmap* a = Bitmap->AllocateAlphaChannel();
  for (int32_t y = 0; y < Height; ++y) {
    uint8_t* row = a->GetScanline(y);
    for (int32_t x = 0; x < Width; ++x) {
      const uint8_t* p = sheet.Pixel(x, y);
      row[x] = p[0] == 1 && p[1] == 2 && p[2] == 3 ? 0 : 255;
    }
  }
  a->UnmapRows();
  SyncAlphaFull(a);
  return true;
}
