#include "imaging/view/IEPreviewResult.h"

#include <chrono>
#include <future>
#include <mutex>
#include <utility>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TImagoProc.h"
#include "rtl/TComponent.h"
#include "rtl/TStream.h"

namespace {

bool DecodesBack(TIEPreviewsPage Page) { return Page == ppJPEG1 || Page == ppJPEG2 || Page == ppJ2000; }

// The lossy pages: the picture really coded with the chosen parameters and
// decoded again, since no conversion would show what the coding loses.
TIEPreviewResult CodeAndDecode(int32_t Type, const TIOParamsVals& Saved, TIEBitmap* Source, TIEBitmap* Result,
                               const TIEPreviewProgress& Progress) {
  TIEPreviewResult r;
  TMemoryStream memory;
  {
    TImagoIO writer(nullptr);
    writer.UseIEBitmap(Source);
    if (Progress) writer.OnProgress = [&Progress](TObject*, int32_t Percent) { Progress(0, Percent); };
    writer.Params()->Assign(&Saved);
    writer.SaveToStream(&memory, Type);
    const bool failed = writer.Aborted();
    writer.UseIEBitmap(nullptr);
    if (failed) return r;
  }
  r.Size = memory.Size();
  memory.SetPosition(0);
  TImagoIO reader(nullptr);
  reader.UseIEBitmap(Result);
  if (Progress) reader.OnProgress = [&Progress](TObject*, int32_t Percent) { Progress(1, Percent); };
  reader.LoadFromStreamOfType(&memory, Type);
  r.Ok = !reader.Aborted();
  if (r.Ok) r.Palette = reader.Params()->ColorMap;
  reader.UseIEBitmap(nullptr);
  return r;
}

// The lossless pages: the writer runs against a stream that only counts,
// for the size; the picture shown is a copy of the source reduced to the
// colours the file will hold, by the processing component's conversions.
TIEPreviewResult CountAndConvert(TIEPreviewsPage Page, int32_t Type, const TIOParamsVals& Saved,
                                 TIEBitmap* Source, TIEBitmap* Result, bool Threshold,
                                 const TIEPreviewProgress& Progress) {
  TIEPreviewResult r;
  {
    TNulStream counter;
    TImagoIO writer(nullptr);
    writer.UseIEBitmap(Source);
    if (Progress) writer.OnProgress = [&Progress](TObject*, int32_t Percent) { Progress(0, Percent); };
    writer.Params()->Assign(&Saved);
    writer.SaveToStream(&counter, Type);
    const bool failed = writer.Aborted();
    writer.UseIEBitmap(nullptr);
    if (failed) return r;
    r.Size = counter.Size();
  }
  // The conversions work on the processing component's own image, which
  // keeps no undo copy of it.
  TOwned<TImagoProc> proc(new TImagoProc(nullptr));
  proc->SetAutoUndo(false);
  TIEBitmap* image = proc->IEBitmap();
  image->Assign(Source);
  const int32_t bits = Saved.BitsPerSample, samples = Saved.SamplesPerPixel;
  const int64_t colours = DepthColorCount(TIEDepth{bits, samples});
  auto reduce_with_palette = [&] {
    if (colours > 256) return;
    r.Palette.assign(static_cast<size_t>(colours), TRGB{0, 0, 0});
    proc->ConvertToPalette(static_cast<int32_t>(colours), r.Palette, Threshold);
  };
  switch (Page) {
    case ppTIFF1:
    case ppTIFF2: {
      const uint8_t photometric = Saved.TiffPhotometric;
      if ((photometric == 0 || photometric == 1) && bits == 8 && samples == 1)
        proc->ConvertToGray();
      else if (photometric < 5)  // below CMYK
        reduce_with_palette();
      break;
    }
    case ppBMP:
    case ppPCX:
      if (colours <= 256) proc->ConvertTo(static_cast<int32_t>(colours), Threshold);
      break;
    default:  // GIF, PNG, TGA
      reduce_with_palette();
      break;
  }
  Result->Assign(image);
  r.Ok = true;
  return r;
}

}  // namespace

TIEPreviewResult ComputePreviewResult(TIEPreviewsPage Page, const TIEPreviewsWork& Work,
                                      const TIOParamsVals& Base, TIEBitmap* Source,
                                      TIEBitmap* Result, uint8_t DitherMethod,
                                      const TIEPreviewProgress& Progress) {
  if (!Source || !Result || Source->Width() <= 0 || Source->Height() <= 0) return {};
  const int32_t type = PreviewsPageFileType(Page);
  TIOParamsVals saved(nullptr);
  saved.Assign(&Base);
  WritePreviewsWork(Page, Work, saved);
  // A GIF frame is one sample of the chosen bits.
  if (Page == ppGIF1 || Page == ppGIF2) saved.SamplesPerPixel = 1;
  if (DecodesBack(Page)) return CodeAndDecode(type, saved, Source, Result, Progress);
  // Dither method 0 is ordered dithering, anything else a threshold.
  return CountAndConvert(Page, type, saved, Source, Result, DitherMethod != 0, Progress);
}

TIEPreviewResult ComputePreviewResultAsync(TIEPreviewsPage Page, const TIEPreviewsWork& Work,
                                           const TIOParamsVals& Base, TIEBitmap* Source,
                                           TIEBitmap* Result, uint8_t DitherMethod, TIEPreviewPump Pump,
                                           int32_t FrameMs, const TIEPreviewProgress& Progress) {
  // The worker reads its own copies of the parameters and of the source
  // (views keep painting the source meanwhile); the caller keeps Result
  // away from its views until this returns.
  TIOParamsVals base(nullptr);
  base.Assign(&Base);
  TIEBitmap source;
  if (Source) source.Assign(Source);
  TIEBitmap* own = Source ? &source : nullptr;
  // The worker's reports wait here for the calling thread.
  std::mutex lock;
  std::vector<std::pair<int32_t, int32_t>> reports;
  TIEPreviewProgress relay;
  if (Progress)
    relay = [&lock, &reports](int32_t Phase, int32_t Percent) {
      const std::lock_guard<std::mutex> hold(lock);
      if (reports.empty() || reports.back() != std::pair{Phase, Percent})
        reports.emplace_back(Phase, Percent);
    };
  auto deliver = [&] {
    std::vector<std::pair<int32_t, int32_t>> now;
    {
      const std::lock_guard<std::mutex> hold(lock);
      now.swap(reports);
    }
    for (const auto& [phase, percent] : now) Progress(phase, percent);
  };
  std::future<TIEPreviewResult> job =
      std::async(std::launch::async, [Page, Work, &base, own, Result, DitherMethod, &relay] {
        return ComputePreviewResult(Page, Work, base, own, Result, DitherMethod, relay);
      });
  while (job.wait_for(std::chrono::milliseconds(FrameMs)) != std::future_status::ready) {
    if (Progress) deliver();
    if (Pump) Pump();
  }
  TIEPreviewResult r = job.get();
  if (Progress) deliver();
  return r;
}
