#include "imaging/view/IEPreviewResult.h"

#include <chrono>
#include <future>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TStream.h"

TIEPreviewResult ComputePreviewResult(TIEPreviewsPage Page, const TIEPreviewsWork& Work,
                                      const TIOParamsVals& Base, TIEBitmap* Source,
                                      TIEBitmap* Result) {
  TIEPreviewResult r;
  if (!Source || !Result || Source->Width() <= 0 || Source->Height() <= 0) return r;
  const int32_t type = PreviewsPageFileType(Page);
  TMemoryStream memory;
  {
    TImagoIO writer(nullptr);
    writer.UseIEBitmap(Source);
    writer.Params()->Assign(&Base);
    WritePreviewsWork(Page, Work, *writer.Params());
    writer.SaveToStream(&memory, type);
    const bool failed = writer.Aborted();
    writer.UseIEBitmap(nullptr);
    if (failed) return r;
  }
  r.Size = memory.Size();
  memory.SetPosition(0);
  TImagoIO reader(nullptr);
  reader.UseIEBitmap(Result);
  reader.LoadFromStreamOfType(&memory, type);
  r.Ok = !reader.Aborted();
  if (r.Ok) r.Palette = reader.Params()->ColorMap;
  reader.UseIEBitmap(nullptr);
  return r;
}

TIEPreviewResult ComputePreviewResultAsync(TIEPreviewsPage Page, const TIEPreviewsWork& Work,
                                           const TIOParamsVals& Base, TIEBitmap* Source,
                                           TIEBitmap* Result, TIEPreviewPump Pump,
                                           int32_t FrameMs) {
  // The worker reads its own copies of the parameters and of the source
  // (views keep painting the source meanwhile); the caller keeps Result
  // away from its views until this returns.
  TIOParamsVals base(nullptr);
  base.Assign(&Base);
  TIEBitmap source;
  if (Source) source.Assign(Source);
  TIEBitmap* own = Source ? &source : nullptr;
  std::future<TIEPreviewResult> job = std::async(std::launch::async, [Page, Work, &base, own, Result] {
    return ComputePreviewResult(Page, Work, base, own, Result);
  });
  while (job.wait_for(std::chrono::milliseconds(FrameMs)) != std::future_status::ready)
    if (Pump) Pump();
  return job.get();
}
