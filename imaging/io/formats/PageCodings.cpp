#include "imaging/io/formats/PageCodings.h"

#include <algorithm>

#include "imaging/io/formats/CCITT.h"
#include "imaging/io/formats/TIFFLZW.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TStream.h"

namespace {

// Fill order 1: the first code bit is the top bit of a byte, as PDF and
// PostScript fax filters read.
constexpr int32_t kFillOrder = 1;

std::vector<uint8_t> Contents(TMemoryStream& Stream) {
  const auto* b = static_cast<const uint8_t*>(Stream.Memory());
  return std::vector<uint8_t>(b, b + Stream.Size());
}

}  // namespace

std::vector<uint8_t> EncodePageFax(TIEBitmap* Bitmap, bool Group4, bool& Abort) {
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  TMemoryStream out;
  std::vector<uint8_t> ref;
  int32_t pending = 0;
  uint8_t pending_byte = 0;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = Bitmap->GetScanline(y);
    if (Group4)
      CCITTEncodeG4Row(row, w, &out, kFillOrder, Abort, ref, pending, pending_byte);
    else
      CCITTEncodeG3Row2D(row, w, &out, kFillOrder, Abort, ref, pending, pending_byte);
  }
  if (Group4)
    CCITTEncodeG4Row(nullptr, w, &out, kFillOrder, Abort, ref, pending, pending_byte);
  else
    CCITTEncodeG3Row2D(nullptr, w, &out, kFillOrder, Abort, ref, pending, pending_byte);
  CCITTFlush(&out, Abort, pending, pending_byte);
  Bitmap->UnmapRows();
  return Contents(out);
}

std::vector<uint8_t> EncodePageLZW(TIEBitmap* Bitmap, TTIFFLZWCompressProc Encode, bool& Abort) {
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  const bool mono = Bitmap->PixelFormat() == ieMono1;
  const int64_t row_bytes = mono ? (int64_t{w} + 7) / 8 : int64_t{w} * 3;
  TMemoryStream out;
  TTIFFLZWEncodeHandle lzw;
  std::vector<uint8_t> row(static_cast<size_t>(row_bytes));
  bool written = true;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* source = Bitmap->GetScanline(y);
    if (mono)
      std::copy(source, source + row_bytes, row.begin());
    else
      CopySwapRedBlue(reinterpret_cast<TRGB*>(row.data()), reinterpret_cast<const TRGB*>(source), w);
    written = Encode(row.data(), row_bytes, &out, lzw) && written;
  }
  // A picture without rows still gets the clear and end codes.
  static const uint8_t kNoData = 0;
  if (!lzw) written = Encode(&kNoData, 0, &out, lzw) && written;
  written = Encode(nullptr, 0, &out, lzw) && written;
  if (!written) Abort = true;
  Bitmap->UnmapRows();
  return Contents(out);
}
