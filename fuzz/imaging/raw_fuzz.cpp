// Fuzz target: the camera-RAW decoder on arbitrary files: the parameters,
// then, for files that claim a small picture, the whole decoding.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/raw/CameraRAW.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 20)) return 0;
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  TIOParamsVals params(nullptr);
  TIEBitmap bitmap;
  bool aborted = false;
  TIOProgressRec progress;
  progress.Aborting = &aborted;
  params.RawOptions[1] = Size & 1;
  params.RawOptions[2] = (Size >> 1) & 1;
  params.RawOptions[3] = (Size >> 2) & 1;
  params.RawGetPreview = (Size >> 3) & 1;
  try {
    ReadRAWStream(&stream, &bitmap, params, true, progress);
    if (aborted || int64_t{params.Width + 2} * (params.Height + 2) > (int64_t{1} << 18)) return 0;
    params.RawHalfSize = (Size >> 4) & 1;
    params.IsNativePixelFormat = (Size >> 5) & 1;
    ReadRAWStream(&stream, &bitmap, params, false, progress);
  } catch (const std::exception&) {
    // Out of memory, a node pool run out, a JPEG error: reported by raising.
  }
  return 0;
}
