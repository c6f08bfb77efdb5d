// Fuzz target: the raw pixel reader with a layout and image taken from the
// first bytes of the input.
#include <cstddef>
#include <cstdint>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/RawPixels.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 6) return 0;
  TIOParamsVals params(nullptr);
  params.RawPixelsRowAlign = static_cast<int8_t>(Data[0]);
  params.RawPixelsPlanar = Data[1] % 3;
  params.RawPixelsBGR = Data[1] & 4;
  params.RawPixelsHeaderSize = Data[2];
  static const TIEPixelFormat kFormats[] = {ieMono1, iePalette8, ieGray8, ieGray16, ieRGB24,
                                            ie32f,   ieCMYK,     ieRGB48, ieCIELab};
  TIEBitmap bitmap;
  bitmap.Allocate(1 + Data[3] % 64, 1 + Data[4] % 64, kFormats[Data[5] % 9]);
  TIEMemStream stream(Data + 6, static_cast<int64_t>(Size - 6));
  bool aborted = false;
  TIOProgressRec progress;
  progress.Aborting = &aborted;
  ReadRawPixelsStream(&stream, &bitmap, params, progress);
  if (aborted || stream.Position() > stream.Size()) __builtin_trap();
  return 0;
}
