// Fuzz target: the GIF reader on arbitrary bytes, a frame chosen by the input
// and composed as the input/output component does; a decoded frame is
// written back as GIF and read again.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/GIF.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/TStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  TIOParamsVals params(nullptr);
  params.IsNativePixelFormat = Size % 2;
  TIEBitmap bitmap;
  bool aborted = false;
  TIOProgressRec progress;
  progress.Aborting = &aborted;
  int32_t frames = 0;
  std::unique_ptr<TIEMask> mask;

  // The parameters first; large frames stop there.
  ReadGIFStream(&stream, &bitmap, frames, true, mask, true, progress, params);
  if (aborted || int64_t{params.Width} * params.Height > (int64_t{1} << 18) ||
      int64_t{params.GifWinWidth} * params.GifWinHeight > (int64_t{1} << 18))
    return 0;

  stream.SetPosition(0);
  params.GifImageIndex = static_cast<int32_t>(Size % 3);
  std::unique_ptr<TIEMask> alpha;
  GIFFormatHandler().Read(&stream, &bitmap, params, false, progress, alpha);
  // (Colour frames beyond 65000 pixels need 2000 bytes after their data.)
  if (aborted || bitmap.IsEmpty() || bitmap.Width() > 65000 || bitmap.Height() > 65000) return 0;
  if (bitmap.HasAlphaChannel() && (bitmap.GetAlphaChannel()->Width() != bitmap.Width() ||
                                   bitmap.GetAlphaChannel()->Height() != bitmap.Height()))
    __builtin_trap();

  TMemoryStream out;
  TIOParamsVals wp(nullptr);
  wp.BitsPerSample = static_cast<int32_t>(1 + Size % 8);
  wp.GifInterlaced = Size % 5 == 0;
  wp.GifComments = params.GifComments;
  WriteGIFStream(&out, &bitmap, wp, progress);
  if (aborted) __builtin_trap();
  out.SetPosition(0);
  TIEBitmap again;
  TIOParamsVals rp(nullptr);
  std::unique_ptr<TIEMask> m2;
  ReadGIFStream(&out, &again, frames, false, m2, false, progress, rp);
  if (aborted || again.Width() != bitmap.Width() || again.Height() != bitmap.Height() ||
      rp.GifComments != wp.GifComments)
    __builtin_trap();
  return 0;
}
