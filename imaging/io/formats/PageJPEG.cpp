#include "imaging/io/formats/PageJPEG.h"

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/JPEG.h"

namespace {

// JPEG colour spaces of the record.
enum : uint8_t { kJpegGrey = 1, kJpegYCbCr = 2, kJpegCMYK = 3, kJpegYCbCrK = 4 };

}  // namespace

void WritePageJPEG(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress) {
  const uint8_t asked = Params.JpegColorSpace;
  if (asked == kJpegCMYK || asked == kJpegYCbCrK) Params.JpegColorSpace = kJpegYCbCr;
  try {
    WriteJPEGStream(Stream, Bitmap, Params, Progress);
  } catch (...) {
    Params.JpegColorSpace = asked;
    throw;
  }
  Params.JpegColorSpace = asked;
}

bool PageJPEGIsGrey(const TIOParamsVals& Params) { return Params.JpegColorSpace == kJpegGrey; }
