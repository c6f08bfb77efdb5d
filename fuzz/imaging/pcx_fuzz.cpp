// Fuzz target: the PCX reader (with and without stream headers) and the DCX
// test and reader on arbitrary bytes; a page that loads is added to a DCX
// and to the input as a DCX, then read back.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/PCX.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/TStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  const bool dcx = IsDCXStream(&stream);
  if (stream.Position() != 0) __builtin_trap();
  (void)CountDCXImages(&stream);
  TIOParamsVals params(nullptr);
  TIEBitmap bitmap;
  bool aborted = false;
  TIOProgressRec progress;
  progress.Aborting = &aborted;
  params.DcxImageIndex = static_cast<int32_t>(Size % 3);
  if (dcx)
    ReadDCXStream(&stream, &bitmap, params, progress, true);
  else
    ReadPCXStream(&stream, &bitmap, params, static_cast<int64_t>(Size), progress, true);
  if (aborted || int64_t{params.Width} * params.Height > (int64_t{1} << 20)) return 0;
  stream.SetPosition(0);
  std::unique_ptr<TIEMask> none;
  if (dcx)
    ReadDCXStream(&stream, &bitmap, params, progress, false);
  else
    PCXFormatHandler().Read(&stream, &bitmap, params, false, progress, none);
  if (aborted || bitmap.IsEmpty()) return 0;

  TMemoryStream out;
  TIOParamsVals wp(nullptr);
  static const int kLayouts[][2] = {{8, 3}, {8, 1}, {4, 1}, {1, 1}};
  wp.BitsPerSample = kLayouts[Size % 4][0];
  wp.SamplesPerPixel = kLayouts[Size % 4][1];
  wp.PcxCompression = Size % 3 != 0;
  for (int page = 0; page < 2; ++page) {
    wp.DcxImageIndex = page * 5;
    WriteDCXStream(&out, &bitmap, wp, progress);
    if (aborted) __builtin_trap();
    out.SetPosition(0);
  }
  if (CountDCXImages(&out) != 2) __builtin_trap();
  TIEBitmap again;
  TIOParamsVals rp(nullptr);
  rp.DcxImageIndex = 1;
  ReadDCXStream(&out, &again, rp, progress, false);
  if (aborted || again.Width() != bitmap.Width() || again.Height() != bitmap.Height()) __builtin_trap();
  return 0;
}
