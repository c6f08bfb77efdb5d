// How the input/output component runs TIFF.
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/TIFF.h"
#include "imaging/model/TIEMask.h"
#include "rtl/TStream.h"

TIEFormatHandler TIFFFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftTIFF;
  h.Read = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
              TIOProgressRec& Progress, std::unique_ptr<TIEMask>& AlphaMask) {
    int32_t pages = 0;
    ReadTIFFStream(Bitmap, Stream, pages, &Params, Progress, ParamsOnly, AlphaMask, true, false, false);
  };
  h.Test = [](TStream* Stream) { return IsTIFFStream(Stream) && !IsRAWTIFFStream(Stream); };
  // Right after the fixed header checks.
  h.DetectOrder = 10;
  h.AbortBeforeOpen = false;
  h.TellsViewDpi = 2;
  h.SaveFormats = 0;
  h.CountImages = CountTIFFFileImages;
  h.StreamHeaderTag = "TIFF";
  return h;
}
