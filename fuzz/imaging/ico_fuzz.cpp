// Fuzz target: the icon and cursor tests, counter and readers on arbitrary
// bytes; an image that loads is written as a two-image icon and read back.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/ICO.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/TStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  (void)IsICOStream(&stream);
  (void)IsCURStream(&stream);
  (void)CountICOImages(&stream);
  if (stream.Position() != 0) __builtin_trap();
  for (const bool cursor : {false, true}) {
    TIOParamsVals params(nullptr);
    params.IcoImageIndex = params.CurImageIndex = static_cast<int32_t>(Size % 2);
    TIEBitmap bitmap;
    bool aborted = false;
    TIOProgressRec progress;
    progress.Aborting = &aborted;
    std::unique_ptr<TIEMask> mask;
    stream.SetPosition(0);
    if (cursor)
      ReadCURStream(&stream, &bitmap, params, false, mask, progress, false);
    else
      ReadICOStream(&stream, &bitmap, params, false, mask, progress, false);
    if (aborted || bitmap.IsEmpty()) continue;
    if (mask && (mask->Width() != bitmap.Width() || mask->Height() != bitmap.Height())) __builtin_trap();
    if (bitmap.PixelFormat() != ieRGB24 && bitmap.PixelFormat() != ieMono1) bitmap.ConvertFormat(ieRGB24);
    TMemoryStream out;
    TIOParamsVals wp(nullptr);
    wp.IcoSizes = {};
    wp.IcoSizes[0] = {static_cast<int32_t>(1 + Size % 40), static_cast<int32_t>(1 + Size % 33)};
    wp.IcoSizes[1] = {16, 16};
    static const int kBits[] = {1, 4, 8, 24, 32, 0};
    wp.IcoBitCount[0] = kBits[Size % 6];
    wp.IcoBitCount[1] = kBits[(Size / 6) % 6];
    WriteICOStream(&out, &bitmap, wp, 1, wp.IcoBitCount, wp.IcoSizes, progress);
    if (aborted) __builtin_trap();
    for (int k = 0; k < 2; ++k) {
      out.SetPosition(0);
      TIEBitmap again;
      TIOParamsVals rp(nullptr);
      rp.IcoImageIndex = k;
      std::unique_ptr<TIEMask> m2;
      ReadICOStream(&out, &again, rp, false, m2, progress, false);
      if (aborted || again.Width() != wp.IcoSizes[static_cast<size_t>(k)][0]) __builtin_trap();
    }
  }
  return 0;
}
