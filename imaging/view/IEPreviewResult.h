// The result the save-parameter dialog previews. For the lossy formats
// (JPEG, JPEG 2000) the source image is encoded with the chosen parameters
// into memory by the format's own writer and decoded back by its reader.
// For the others the writer only counts the bytes it would write, and the
// result is a copy of the source reduced to the colours the file holds by
// the processing component's conversions (grey, a palette of the depth's
// colours, or that many colours without a palette). Nothing touches the
// disk. Long encodes run on a worker thread while the caller's messages
// keep flowing.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/model/IEPixelTypes.h"

#include "imaging/view/IEPreviewsParams.h"

class TIEBitmap;
class TIOParamsVals;

struct TIEPreviewResult {
  bool Ok = false;     // the writer and the reader both succeeded
  int64_t Size = 0;    // bytes the file would take (0 when the write failed)
  std::vector<TRGB> Palette;  // the result's palette (empty: none)
};

// Progress of a preview: Phase 0 while encoding, 1 while decoding back;
// Percent as the writer and the reader report it (0..100).
using TIEPreviewProgress = std::function<void(int32_t Phase, int32_t Percent)>;

// Base: the record whose other fields the save uses (the source view's
// parameters); the page's parameters of Work go over a copy of it. Result
// receives the image to show. DitherMethod picks how reductions to black
// and white go: 0 ordered dithering, else a threshold at the mean colour.
// Runs on the calling thread, reporting progress to Progress when given.
TIEPreviewResult ComputePreviewResult(TIEPreviewsPage Page, const TIEPreviewsWork& Work,
                                      const TIOParamsVals& Base, TIEBitmap* Source,
                                      TIEBitmap* Result, uint8_t DitherMethod,
                                      const TIEPreviewProgress& Progress = {});

// The same on a worker thread; while it runs longer than FrameMs the calling
// thread processes its messages (Pump) every FrameMs. The worker's progress
// reaches Progress on the calling thread, in order (repeats left out),
// while it waits and, for what came last, before this returns.
using TIEPreviewPump = void (*)();
TIEPreviewResult ComputePreviewResultAsync(TIEPreviewsPage Page, const TIEPreviewsWork& Work,
                                           const TIOParamsVals& Base, TIEBitmap* Source,
                                           TIEBitmap* Result, uint8_t DitherMethod, TIEPreviewPump Pump,
                                           int32_t FrameMs = 16,
                                           const TIEPreviewProgress& Progress = {});
