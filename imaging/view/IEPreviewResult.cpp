#include "imaging/view/IEPreviewResult.h"

#include <chrono>
#include <future>
#include <mutex>
#include <utility>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TStream.h"

TIEPreviewResult ComputePreviewResult(TIEPreviewsPage Page, const TIEPreviewsWork& Work,
                                      const TIOParamsVals& Base, TIEBitmap* Source,
                                      TIEBitmap* Result, const TIEPreviewProgress& Progress) {
  TIEPreviewResult r;
  if (!Source || !Result || Source->Width() <= 0 || Source->Height() <= 0) return r;
  const int32_t type = PreviewsPageFileType(Page);
  TMemoryStream memory;
  {
    TImagoIO writer(nullptr);
    writer.UseIEBitmap(Source);
    if (Progress) writer.OnProgress = [&Progress](TObject*, int32_t Percent) { Progress(0, Percent); };
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
  if (Progress) reader.OnProgress = [&Progress](TObject*, int32_t Percent) { Progress(1, Percent); };
  reader.LoadFromStreamOfType(&memory, type);
  r.Ok = !reader.Aborted();
  if (r.Ok) r.Palette = reader.Params()->ColorMap;
  reader.UseIEBitmap(nullptr);
  return r;
}

TIEPreviewResult ComputePreviewResultAsync(TIEPreviewsPage Page, const TIEPreviewsWork& Work,
                                           const TIOParamsVals& Base, TIEBitmap* Source,
                                           TIEBitmap* Result, TIEPreviewPump Pump,
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
      std::async(std::launch::async, [Page, Work, &base, own, Result, &relay] {
        return ComputePreviewResult(Page, Work, base, own, Result, relay);
      });
  while (job.wait_for(std::chrono::milliseconds(FrameMs)) != std::future_status::ready) {
    if (Progress) deliver();
    if (Pump) Pump();
  }
  TIEPreviewResult r = job.get();
  if (Progress) deliver();
  return r;
}
