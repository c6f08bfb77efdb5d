#include "imaging/io/raw/CameraRAW.h"

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/ExifBlock.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/raw/RawCiffMetadata.h"
#include "imaging/io/raw/RawColor.h"
#include "imaging/io/raw/RawContext.h"
#include "imaging/io/raw/RawFoveon.h"
#include "imaging/io/raw/RawIdentify.h"
#include "imaging/io/raw/RawOutput.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/ImageEffects.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"

namespace {

bool HasThumbnail(const TIOParamsVals& Params) { return Params.EXIFThumbnail && !Params.EXIFThumbnail->IsEmpty(); }

void ClearDecoderState(TIERawContext& Ctx) {
  Ctx.BitBuffer = 0;
  Ctx.BitCount = 0;
  Ctx.LeafCount = 0;
  Ctx.RadcSource = 0;
  std::memset(Ctx.RadcTrees, 0, sizeof Ctx.RadcTrees);
  Ctx.RadcCursor = 0;
}

// What a decoded pixel costs: 8 bytes of working image and up to 6 of the
// picture made of it (16 bits a channel).
constexpr int64_t kRawBytesPerPixel = 8 + 6;
// The most bytes one byte of sensor data decodes into: the shortest codes of
// the compressed loaders take a bit a sample, a sample a pixel.
constexpr int64_t kRawMaxExpansion = 8 * kRawBytesPerPixel;

// Whether the file's sensor data can describe a picture that costs Bytes:
// up to the allowance of any load a claim is taken as it stands, beyond it
// the data from the sensor data's start to the file's end must hold it.
bool SensorDataCanHold(const TIERawContext& Ctx, int64_t Bytes) {
  if (Bytes <= IEUnprovenAllowance(Ctx.StreamSize)) return true;
  const int64_t data = Ctx.DataOffset >= 0 && Ctx.DataOffset < Ctx.StreamSize ? Ctx.StreamSize - Ctx.DataOffset : 0;
  return IEDataCanHold(Bytes, data, kRawMaxExpansion);
}

void Develop(TIERawContext& Ctx, TIEBitmap* Bitmap, TIOParamsVals& Params, int64_t Pixels, std::vector<double>& Table);

// False when the file was not identified or the picture was refused or
// stopped (the abort flag set); true when the decoding ran to its end.
bool Decode(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly, TIOProgressRec& Progress) {
  // 2. Everything reads through a buffer.
  Stream->Seek(0, soBeginning);
  TIEBufferedReadStream buffered(Stream, 8192);

  // 3. Metadata.
  const int64_t tiff = FindTiffHeader(&buffered);
  if (tiff == -1) {
    ReadCiffMetadata(&buffered, Params);
  } else {
    buffered.Seek(tiff, soBeginning);
    if (ReadExifFromTiffStream(&buffered, Params)) {
      const double f = Params.EXIFResolutionUnit == 3 ? 2.54 : 1.0;
      Params.SetDpiX(static_cast<int32_t>(Trunc(Params.EXIFXResolution() * f)));
      Params.SetDpiY(static_cast<int32_t>(Trunc(Params.EXIFYResolution() * f)));
    }
  }

  // 4.-6. The context.
  auto ctx = std::make_unique<TIERawContext>();
  buffered.Seek(0, soBeginning);
  ctx->Stream = &buffered;
  ctx->StreamSize = buffered.Size();
  ClearDecoderState(*ctx);
  ctx->Gamma = static_cast<float>(Params.RawGamma);
  ctx->Bright = static_cast<float>(Params.RawBright);
  ctx->RedScale = static_cast<float>(Params.RawRedScale);
  ctx->BlueScale = static_cast<float>(Params.RawBlueScale);
  ctx->FourColorRGB = Params.RawOptions[3] != 0;
  ctx->UseAutoWB = Params.RawOptions[1] != 0;
  ctx->UseCameraWB = Params.RawOptions[2] != 0;
  if (Params.RawMatchThumbnailColors && HasThumbnail(Params)) ctx->Bright = 0.5f;
  ctx->FujiRotate = false;
  ctx->Progress = Progress;

  // 7. Identification.
  RawSeek(*ctx, 0);
  if (IdentifyCamera(*ctx) != 0) {
    Progress.Abort();
    return false;
  }

  // 8.-9.
  std::vector<double> table(65536);
  Params.RawCamera = ctx->Make + " " + ctx->Model + " " + ctx->Model2;
  Params.SetDpiX(DefaultDpiX);
  Params.SetDpiY(DefaultDpiY);
  Params.FreeColorMap();
  Params.Width = ctx->Width - 2;
  Params.Height = ctx->Height - 2;

  // 10.
  if (ParamsOnly) return true;
  ctx->Shrink = Params.RawHalfSize && ctx->Filters != 0 ? 1 : 0;
  ctx->IHeight = (ctx->Height + ctx->Shrink) >> ctx->Shrink;
  ctx->IWidth = (ctx->Width + ctx->Shrink) >> ctx->Shrink;
  const int64_t pixels = int64_t{ctx->IHeight} * ctx->IWidth;
  // The size comes from the camera's table or the file's tags: a few hundred
  // bytes can name a camera of many millions of pixels.
  if (!SensorDataCanHold(*ctx, pixels * kRawBytesPerPixel)) {
    Progress.Refuse(IEClaimTooLargeForDataText(ctx->IWidth, ctx->IHeight));
    return false;
  }
  if (!IEMachineCanHold(pixels * 8)) {
    Progress.Refuse(IEClaimTooLargeForMachineText(ctx->IWidth, ctx->IHeight, pixels * 8));
    return false;
  }
  try {
    Develop(*ctx, Bitmap, Params, pixels, table);
  } catch (const TIERawCancelled&) {
    return false;
  }
  return !Progress.IsAborting();
}

// Steps 10.2 to 10.10: loads the sensor data and makes the picture of it.
void Develop(TIERawContext& Ctx, TIEBitmap* Bitmap, TIOParamsVals& Params, int64_t Pixels, std::vector<double>& Table) {
  TIERawContext* ctx = &Ctx;
  RawAllocate(ctx->Image, static_cast<size_t>(Pixels), "ReadRAWStream()");
  RawSeek(*ctx, ctx->DataOffset);
  ctx->LoadRaw(*ctx);
  RawCheckAbort(*ctx);
  ctx->Height = ctx->IHeight;
  ctx->Width = ctx->IWidth;
  if (ctx->IsFoveon)
    foveon_interpolate(*ctx);
  else
    ScaleColors(*ctx);
  RawReportProgress(*ctx, 70);
  RawCheckAbort(*ctx);
  if (ctx->Shrink) ctx->Filters = 0;
  ctx->Trim = 0;
  if (ctx->Filters) {
    ctx->Trim = 1;
    InterpolateMosaic(*ctx);
  }
  ConvertToRGB(*ctx);
  RawReportProgress(*ctx, 85);
  if (ctx->Width - 2 * ctx->Trim <= 0 || ctx->Height - 2 * ctx->Trim <= 0) {
    ctx->Progress.Abort();
    return;
  }
  RawCheckAbort(*ctx);
  WriteOutput(*ctx, Bitmap, Params, Table);
  RawReportProgress(*ctx, 90);
  if (ctx->FujiRotate) TurnUpright(Bitmap);
  if (Params.RawMatchThumbnailColors && HasThumbnail(Params)) MatchHistograms(Params.EXIFThumbnail.get(), Bitmap);
}

}  // namespace

void ReadRAWStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                   TIOProgressRec& Progress) {
  // 1. The preview, when asked for and present.
  if (Params.RawGetPreview) {
    if (Params.EXIFThumbnail) Params.EXIFThumbnail->FreeImage(true);
    Params.RawGetPreview = 0;
    try {
      ReadRAWStream(Stream, Bitmap, Params, true, Progress);
    } catch (...) {
      Params.RawGetPreview = 1;
      throw;
    }
    Params.RawGetPreview = 1;
    if (HasThumbnail(Params)) {
      Bitmap->Assign(Params.EXIFThumbnail.get());
      return;
    }
    Stream->Seek(0, soBeginning);
  }
  // A file that is not identified, or a picture refused or stopped, has not
  // been read to its end.
  if (Decode(Stream, Bitmap, Params, ParamsOnly, Progress) && Progress.fOnProgress)
    Progress.fOnProgress(Progress.Sender, 100);
}

bool IsRAWStream(TStream* Stream) {
  const int64_t pos = Stream->Position();
  bool found = false;
  try {
    auto ctx = std::make_unique<TIERawContext>();
    ctx->Stream = Stream;
    ctx->StreamSize = Stream->Size();
    ClearDecoderState(*ctx);
    found = IdentifyCamera(*ctx) == 0;
  } catch (...) {
    found = false;
  }
  Stream->Seek(pos, soBeginning);
  return found;
}

TIEFormatHandler RAWFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftRAW;
  h.Read = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly, TIOProgressRec& Progress,
              std::unique_ptr<TIEMask>&) { ReadRAWStream(Stream, Bitmap, Params, ParamsOnly, Progress); };
  h.Test = IsRAWStream;
  // The camera test is the last of all.
  h.DetectOrder = 1000;
  return h;
}
