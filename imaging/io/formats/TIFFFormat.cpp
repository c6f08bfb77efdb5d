// How the input/output component runs TIFF.
#include "imaging/io/ExifBlock.h"
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
    // Offsets count from the stream's beginning, as the writer writes them.
    ReadTIFFStream(Bitmap, Stream, pages, &Params, Progress, ParamsOnly, AlphaMask, false, false, false);
  };
  h.Write = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress) {
    WriteTIFFStream(Stream, false, Bitmap, Params, Progress);
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

TIEExifStreamCodec TIFFExifStreamCodec() {
  TIEExifStreamCodec c;
  // The block's pages: the first has tags only, the second is the
  // thumbnail; both are read as a thumbnail page may be (no size needed).
  c.Read = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress,
              bool ParamsOnly) {
    int32_t pages = 0;
    std::unique_ptr<TIEMask> alpha;
    Stream->SetPosition(0);
    ReadTIFFStream(Bitmap, Stream, pages, &Params, Progress, ParamsOnly, alpha, false, true, true);
  };
  c.Write = [](TStream* Stream, bool Insert, TIEBitmap* Bitmap, TIOParamsVals& Params,
               TIOProgressRec& Progress) { WriteTIFFStream(Stream, Insert, Bitmap, Params, Progress); };
  return c;
}
