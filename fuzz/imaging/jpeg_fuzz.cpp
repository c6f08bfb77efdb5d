// Fuzz target: the JPEG content test, length, ICC chunks and reader on
// arbitrary bytes, at every scale, in both pixel-format modes; a decoded
// image is written back and read again.
#include <cstddef>
#include <cstdint>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/JPEG.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  const int64_t soi = IsJPEGStream(&stream);
  if (stream.Position() != 0 || soi >= 100) __builtin_trap();
  const int64_t length = MeasureJPEGStream(&stream);
  if (stream.Position() != 0 || length < 0 || length > static_cast<int64_t>(Size)) __builtin_trap();
  {
    TIOParamsVals params(nullptr);
    ReadJPEGICCProfile(&stream, params);
    if (stream.Position() != 0) __builtin_trap();
  }

  // The header first, then the whole picture whatever size it claims: the
  // reader bounds what a claim costs by the data behind it, and the fuzzer's
  // memory limit (-rss_limit_mb=512, scripts/fuzz) catches a reader that
  // does not.
  TIOParamsVals params(nullptr);
  params.JpegScale = static_cast<uint8_t>(Size % 5);
  params.Width = 16;
  params.Height = 16;
  params.IsNativePixelFormat = Size % 2;
  TIEBitmap bitmap;
  bool aborted = false;
  TIOProgressRec progress;
  progress.Aborting = &aborted;
  ReadJPEGStream(&stream, nullptr, &bitmap, params, progress, true, false, true, false, true);
  if (aborted) return 0;

  stream.SetPosition(0);
  params.Width = 16;
  params.Height = 16;
  ReadJPEGStream(&stream, nullptr, &bitmap, params, progress, false, Size % 7 == 0, true,
                 Size % 3 == 0, true);
  if (aborted) return 0;
  if (bitmap.Width() != params.Width || bitmap.Height() != params.Height) __builtin_trap();

  // Whatever loaded saves and loads again at the same size.
  TMemoryStream out;
  TIOParamsVals wp(nullptr);
  wp.JpegColorSpace = static_cast<uint8_t>(Size % 5);
  wp.JpegMarkerList.Assign(&params.JpegMarkerList);
  try {
    WriteJPEGStream(&out, &bitmap, wp, progress);
  } catch (const EIEJpegException&) {
    __builtin_trap();
  }
  out.SetPosition(0);
  TIEBitmap again;
  TIOParamsVals rp(nullptr);
  ReadJPEGStream(&out, nullptr, &again, rp, progress, false, false, true, false, true);
  if (aborted || again.Width() != bitmap.Width() || again.Height() != bitmap.Height())
    __builtin_trap();
  return 0;
}
