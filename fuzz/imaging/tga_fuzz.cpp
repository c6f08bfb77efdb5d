// Fuzz target: the Targa test and reader on arbitrary bytes (with and
// without alpha); what loads is written back and read again.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/TGA.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/TStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  (void)IsTGAStream(&stream);
  if (stream.Position() != 0) __builtin_trap();
  TIOParamsVals params(nullptr);
  TIEBitmap bitmap;
  bool aborted = false;
  TIOProgressRec progress;
  progress.Aborting = &aborted;
  std::unique_ptr<TIEMask> mask;
  ReadTGAStream(&stream, &bitmap, params, progress, true, mask, true);
  if (aborted || int64_t{params.Width} * params.Height > (int64_t{1} << 20)) return 0;
  stream.SetPosition(0);
  ReadTGAStream(&stream, &bitmap, params, progress, false, mask, Size % 2);
  if (aborted) return 0;
  if (bitmap.Width() != params.Width || bitmap.Height() != params.Height) __builtin_trap();
  if (mask && (mask->Width() != bitmap.Width() || mask->Height() != bitmap.Height())) __builtin_trap();

  TMemoryStream out;
  TIOParamsVals wp(nullptr);
  static const int kLayouts[][2] = {{3, 8}, {1, 8}, {1, 4}, {1, 1}};
  wp.SamplesPerPixel = kLayouts[Size % 4][0];
  wp.BitsPerSample = kLayouts[Size % 4][1];
  wp.TgaCompressed = Size % 3 != 0;
  wp.TgaDescriptor = params.TgaDescriptor;
  wp.TgaAuthor = params.TgaAuthor;
  WriteTGAStream(&out, &bitmap, wp, progress, mask.get());
  if (aborted) __builtin_trap();
  out.SetPosition(0);
  TIEBitmap again;
  TIOParamsVals rp(nullptr);
  std::unique_ptr<TIEMask> m2;
  ReadTGAStream(&out, &again, rp, progress, false, m2, false);
  if (aborted || again.Width() != bitmap.Width() || again.Height() != bitmap.Height()) __builtin_trap();
  return 0;
}
