// Fuzz target: the PNG signature test and reader on arbitrary bytes, in both
// pixel-format modes; a decoded image is written back as PNG (with its alpha)
// and read again.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/PNG.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/TStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  (void)IsPNGStream(&stream);
  if (stream.Position() != 0) __builtin_trap();

  // The header first, then the whole picture whatever size it claims: the
  // reader bounds what a claim costs by the data behind it, and the fuzzer's
  // memory limit (-rss_limit_mb=512, scripts/fuzz) catches a reader that
  // does not.
  TIOParamsVals params(nullptr);
  params.IsNativePixelFormat = Size % 2;
  TIEBitmap bitmap;
  bool aborted = false;
  TIOProgressRec progress;
  progress.Aborting = &aborted;
  ReadPNGStream(&stream, &bitmap, params, progress, true);
  if (aborted) return 0;

  stream.SetPosition(0);
  ReadPNGStream(&stream, &bitmap, params, progress, false);
  if (aborted) return 0;
  if (bitmap.Width() != params.Width || bitmap.Height() != params.Height) __builtin_trap();
  if (bitmap.HasAlphaChannel() && (bitmap.GetAlphaChannel()->Width() != bitmap.Width() ||
                                   bitmap.GetAlphaChannel()->Height() != bitmap.Height()))
    __builtin_trap();

  // Whatever loaded saves (with its alpha as a mask) and loads again.
  std::unique_ptr<TIEMask> mask;
  if (bitmap.HasAlphaChannel()) {
    mask = std::make_unique<TIEMask>();
    mask->AllocateBits(bitmap.Width(), bitmap.Height(), 8);
    for (int32_t y = 0; y < bitmap.Height(); ++y)
      std::memcpy(mask->GetScanline(y), bitmap.GetAlphaChannel()->GetScanline(y),
                  static_cast<size_t>(bitmap.Width()));
  }
  static const int kLayouts[][2] = {{3, 8}, {1, 8}, {1, 4}, {1, 1}, {1, 16}};
  const int* layout = kLayouts[Size % 5];
  TMemoryStream out;
  TIOParamsVals wp(nullptr);
  wp.SamplesPerPixel = layout[0];
  wp.BitsPerSample = layout[1];
  wp.PngInterlaced = Size % 3 == 0;
  wp.PngTextKeys = params.PngTextKeys;
  wp.PngTextValues = params.PngTextValues;
  try {
    WritePNGStream(&out, &bitmap, wp, progress, mask.get());
  } catch (const EInvalidGraphic&) {
    __builtin_trap();
  }
  out.SetPosition(0);
  TIEBitmap again;
  TIOParamsVals rp(nullptr);
  ReadPNGStream(&out, &again, rp, progress, false);
  if (aborted || again.Width() != bitmap.Width() || again.Height() != bitmap.Height())
    __builtin_trap();
  return 0;
}
