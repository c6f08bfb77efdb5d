// Fuzz target: the any-map content test and reader, and the wireless bitmap
// reader, on arbitrary bytes; what loads is written back and read again.
#include <cstddef>
#include <cstdint>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/PXM.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TStream.h"

namespace {

constexpr int64_t kMaxPixels = int64_t{1} << 20;

void RoundTrip(TIEBitmap& bitmap, bool wbmp, size_t Size) {
  bool aborted = false;
  TIOProgressRec progress;
  progress.Aborting = &aborted;
  TMemoryStream out;
  TIOParamsVals wp(nullptr);
  static const int kLayouts[][2] = {{8, 3}, {8, 1}, {1, 1}, {16, 3}};
  wp.BitsPerSample = kLayouts[Size % 4][0];
  wp.SamplesPerPixel = kLayouts[Size % 4][1];
  wp.PxmComments = {"fuzz"};
  if (wbmp)
    WriteWBMPStream(&out, &bitmap, progress);
  else
    WritePXMStream(&out, &bitmap, wp, progress);
  if (aborted) __builtin_trap();
  out.SetPosition(0);
  TIEBitmap again;
  TIOParamsVals rp(nullptr);
  if (wbmp)
    ReadWBMPStream(&out, &again, rp, false, progress);
  else
    ReadPXMStream(&out, &again, rp, false, progress);
  if (aborted || again.Width() != bitmap.Width() || again.Height() != bitmap.Height())
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  (void)IsPXMStream(&stream);
  if (stream.Position() != 0) __builtin_trap();

  for (const bool wbmp : {false, true}) {
    TIOParamsVals params(nullptr);
    params.IsNativePixelFormat = Size % 2;
    TIEBitmap bitmap;
    bool aborted = false;
    TIOProgressRec progress;
    progress.Aborting = &aborted;
    stream.SetPosition(0);
    if (wbmp)
      ReadWBMPStream(&stream, &bitmap, params, true, progress);
    else
      ReadPXMStream(&stream, &bitmap, params, true, progress);
    if (aborted) continue;
    stream.SetPosition(0);
    if (wbmp)
      ReadWBMPStream(&stream, &bitmap, params, false, progress);
    else
      ReadPXMStream(&stream, &bitmap, params, false, progress);
    if (aborted) continue;
    if (bitmap.Width() != params.Width || bitmap.Height() != params.Height) __builtin_trap();
    // The writers' cost is not what is fuzzed here.
    if (int64_t{bitmap.Width()} * bitmap.Height() <= kMaxPixels) RoundTrip(bitmap, wbmp, Size);
  }
  return 0;
}
