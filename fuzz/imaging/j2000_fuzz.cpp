// Fuzz target: the two JPEG-2000 content tests and the reader on arbitrary
// bytes: the header first, then the pixels, whatever size the header
// claims; a small decoded picture is written back as a code stream and read
// again.
#include <cstddef>
#include <cstdint>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/J2000.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  (void)IsJP2Stream(&stream);
  (void)IsJ2KStream(&stream);
  if (stream.Position() != 0) __builtin_trap();

  TIOParamsVals params(nullptr);
  TIEBitmap bitmap;
  bool aborted = false;
  TIOProgressRec progress;
  progress.Aborting = &aborted;
  ReadJ2000Stream(&stream, &bitmap, params, progress, true);
  if (aborted) return 0;

  stream.SetPosition(0);
  ReadJ2000Stream(&stream, &bitmap, params, progress, false);
  if (aborted) return 0;
  if (bitmap.Width() != params.Width || bitmap.Height() != params.Height) __builtin_trap();
  if (int64_t{bitmap.Width()} * bitmap.Height() > 4096) return 0;

  TMemoryStream out;
  TIOParamsVals wp(nullptr);
  wp.BitsPerSample = params.BitsPerSample;
  wp.J2000ColorSpace = params.J2000ColorSpace;
  WriteJ2000Stream(&out, &bitmap, wp, progress, Size % 2 ? ieJ2000JP2 : ieJ2000J2K);
  if (aborted) __builtin_trap();
  out.SetPosition(0);
  TIEBitmap again;
  TIOParamsVals rp(nullptr);
  ReadJ2000Stream(&out, &again, rp, progress, false);
  if (aborted || again.Width() != bitmap.Width() || again.Height() != bitmap.Height() ||
      again.PixelFormat() != bitmap.PixelFormat())
    __builtin_trap();
  return 0;
}
