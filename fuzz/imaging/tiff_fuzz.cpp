// Fuzz target: the TIFF content tests and the page reader on arbitrary
// bytes: every page of the chain in both pixel-format modes, a parameters-only
// read, a thumbnail read and a read with relative offsets.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/TIFF.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/TStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  (void)IsTIFFStream(&stream);
  (void)IsRAWTIFFStream(&stream);
  if (stream.Position() != 0) __builtin_trap();
  const int32_t pages = CountTIFFImages(&stream);
  for (int32_t mode = 0; mode < 4; ++mode) {
    for (int32_t page = 0; page < std::min(pages, 3); ++page) {
      TIEBitmap bitmap;
      TIOParamsVals params(nullptr);
      params.IsNativePixelFormat = mode == 1;
      params.TiffImageIndex = page;
      std::unique_ptr<TIEMask> alpha;
      bool aborted = false;
      TIOProgressRec progress;
      progress.Aborting = &aborted;
      int32_t count = 0;
      stream.SetPosition(0);
      ReadTIFFStream(&bitmap, &stream, count, &params, progress, mode == 2, alpha, mode == 3, false,
                     mode == 3);
      if (count != pages) __builtin_trap();
      if (!aborted && mode != 2 && alpha &&
          (alpha->Width() != bitmap.Width() || alpha->Height() != bitmap.Height()))
        __builtin_trap();
    }
  }
  return 0;
}
