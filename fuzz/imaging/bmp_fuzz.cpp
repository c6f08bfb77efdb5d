// Fuzz target: content detection and the bitmap reader on arbitrary bytes,
// as a file, as data without file header and as a parameters-only read; a
// decoded image is written back and read again.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/io/IEFormats.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/formats/BMP.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/TStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  (void)FindStreamFormat(&stream);
  if (stream.Position() != 0) __builtin_trap();

  for (int mode = 0; mode < 3; ++mode) {
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    params.IsNativePixelFormat = mode == 2;
    std::unique_ptr<TIEMask> alpha;
    bool aborted = false;
    TIOProgressRec progress;
    progress.Aborting = &aborted;
    stream.SetPosition(0);
    ReadBMPStream(&stream, &bitmap, 0, false, alpha, mode == 1, mode == 2 && Size % 2, progress,
                  params);
    if (alpha && (alpha->Width() != bitmap.Width() || alpha->Height() != bitmap.Height()))
      __builtin_trap();
  }

  // The whole road: detection, load, and a save of what loaded.
  TImagoIO io(nullptr);
  io.LoadFromBuffer(Data, static_cast<int64_t>(Size), 0);
  TIEBitmap* image = io.IEBitmap();
  if (!io.Aborted() && image->Width() > 0 &&
      int64_t{image->Width()} * image->Height() <= (int64_t{1} << 20)) {
    TMemoryStream out;
    io.SaveToStream(&out, ieftBMP);
    if (io.Aborted()) __builtin_trap();
    const int32_t w = image->Width(), h = image->Height();
    io.LoadFromBuffer(out.Memory(), out.Size(), ieftBMP);
    if (io.Aborted() || io.IEBitmap()->Width() != w || io.IEBitmap()->Height() != h)
      __builtin_trap();
  }
  return 0;
}
