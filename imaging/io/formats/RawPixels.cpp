#include "imaging/io/formats/RawPixels.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/io/formats/FormatFields.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"

namespace {

using formats::ReadUpTo;

void Skip(TStream* s, int64_t n) {
  if (n > 0) s->SetPosition(std::min(s->Position() + n, s->Size()));
}

// One plane of N channels: Width samples of SampleBytes each per stored row.
void ReadPlane(TStream* s, TIEBitmap* b, int32_t channel, int32_t channels, int32_t sample_bytes,
               int32_t align) {
  const int32_t w = b->Width();
  const int64_t stored = AlignedRowLength(w, sample_bytes * 8, align);
  std::vector<uint8_t> row(static_cast<size_t>(stored));
  for (int32_t y = 0; y < b->Height(); ++y) {
    ReadUpTo(s, row.data(), stored);
    uint8_t* dst = b->GetScanline(y);
    for (int32_t x = 0; x < w; ++x)
      std::memcpy(dst + (static_cast<int64_t>(x) * channels + channel) * sample_bytes,
                  row.data() + static_cast<int64_t>(x) * sample_bytes, static_cast<size_t>(sample_bytes));
    b->UnmapRows();
  }
}

}  // namespace

void ReadRawPixelsStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                         TIOProgressRec& Progress) {
  const int32_t height = Bitmap->Height();
  if (height <= 0 || Bitmap->Width() <= 0) return;
  const double factor = 100.0 / height;
  auto report = [&](int64_t percent) {
    if (Progress.fOnProgress) Progress.fOnProgress(Progress.Sender, static_cast<int32_t>(percent));
  };
  Skip(Stream, Params.RawPixelsHeaderSize);
  // Rows are padded to whole bytes at least (an alignment of 0 included),
  // and an alignment between bytes is taken up to the next byte.
  const int32_t align = std::max((std::min(Params.RawPixelsRowAlign, 1 << 20) + 7) / 8 * 8, 8);
  const TIEPixelFormat format = Bitmap->PixelFormat();
  const int64_t stored = AlignedRowLength(Bitmap->Width(), IEBitsPerPixel[format], align);
  const int64_t row_len = Bitmap->RowLen();

  auto interleaved = [&] {
    for (int32_t y = 0; y < height; ++y) {
      ReadUpTo(Stream, Bitmap->GetScanline(y), std::min(stored, row_len));
      Bitmap->UnmapRows();
      if (stored > row_len) Skip(Stream, stored - row_len);
      report(static_cast<int64_t>(Trunc(y * factor)));
    }
  };
  auto planar = [&](int32_t channels, int32_t sample_bytes) {
    for (int32_t c = 0; c < channels; ++c) {
      report(c * 100 / channels);
      ReadPlane(Stream, Bitmap, c, channels, sample_bytes, align);
    }
    report(100);
  };
  switch (format) {
    case ieMono1:
    case iePalette8:
    case ieGray8:
    case ieGray16:
    case ie32f:
      interleaved();
      break;
    case ieRGB24:
    case ieCMYK:
    case ieRGB48: {
      const int32_t channels = format == ieCMYK ? 4 : 3;
      const int32_t sample_bytes = format == ieRGB48 ? 2 : 1;
      if (Params.RawPixelsPlanar == 0)
        interleaved();
      else if (Params.RawPixelsPlanar == 1)
        planar(channels, sample_bytes);
      else
        break;
      // The image keeps 24-bit pixels blue first and 48-bit ones red first:
      // the first and third samples change places when the data are stored
      // the other way round.
      if (format == ieCMYK || (format == ieRGB24) == (Params.RawPixelsBGR != 0)) break;
      for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = Bitmap->GetScanline(y);
        if (format == ieRGB24)
          SwapRedBlue(reinterpret_cast<TRGB*>(row), Bitmap->Width());
        else
          SwapRedBlue48(reinterpret_cast<TRGB48*>(row), Bitmap->Width());
        Bitmap->UnmapRows();
      }
      break;
    }
    default:
      break;
  }
}

TIEFormatHandler RawPixelsFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftRawPixels;
  h.Read = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
              TIOProgressRec& Progress, std::unique_ptr<TIEMask>&) {
    if (!ParamsOnly) ReadRawPixelsStream(Stream, Bitmap, Params, Progress);
  };
  h.TellsViewDpi = 0;
  return h;
}
