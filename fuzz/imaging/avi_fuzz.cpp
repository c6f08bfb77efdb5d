// Fuzz target: the AVI reader's headers, frame index and the first frames.
#include <cstddef>
#include <cstdint>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/formats/AVI.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  TIEAVIReader reader;
  if (!reader.Open(&stream)) return 0;
  (void)reader.FrameDelay();
  bool aborted = false;
  TIOProgressRec progress;
  progress.Aborting = &aborted;
  TIEBitmap frame;
  const int32_t n = reader.FrameCount() < 3 ? reader.FrameCount() : 3;
  // Motion-JPEG frames come at the size their pictures have; the other
  // codings fill the stream's frame size.
  constexpr uint32_t kMJPG = 'M' | 'J' << 8 | 'P' << 16 | uint32_t{'G'} << 24;
  const bool own_size = reader.Compression() == kMJPG;
  for (int32_t i = n - 1; i >= 0 && !aborted; --i)
    if (reader.ReadFrame(i, &frame, progress) &&
        (frame.PixelFormat() != ieRGB24 || frame.Width() <= 0 ||
         (!own_size && (frame.Width() != reader.Width() || frame.Height() != reader.Height()))))
      __builtin_trap();
  return 0;
}
