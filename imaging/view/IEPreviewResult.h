// The result the save-parameter dialog previews: the source image encoded
// with the chosen parameters into memory by the format's own writer and
// decoded back by its reader, so that what the user sees is what the file
// will hold. Nothing touches the disk. Long encodes run on a worker thread
// while the caller's messages keep flowing.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/IEPixelTypes.h"

#include "imaging/view/IEPreviewsParams.h"

class TIEBitmap;
class TIOParamsVals;

struct TIEPreviewResult {
  bool Ok = false;     // the writer and the reader both succeeded
  int64_t Size = 0;    // bytes the file would take (0 when the write failed)
  std::vector<TRGB> Palette;  // the palette the file holds (empty: none)
};

// Base: the record whose other fields the save uses (the source view's
// parameters); the page's parameters of Work go over a copy of it. Result
// receives the decoded image. Runs on the calling thread.
TIEPreviewResult ComputePreviewResult(TIEPreviewsPage Page, const TIEPreviewsWork& Work,
                                      const TIOParamsVals& Base, TIEBitmap* Source,
                                      TIEBitmap* Result);

// The same on a worker thread; while it runs longer than FrameMs the calling
// thread processes its messages (Pump) every FrameMs.
using TIEPreviewPump = void (*)();
TIEPreviewResult ComputePreviewResultAsync(TIEPreviewsPage Page, const TIEPreviewsWork& Work,
                                           const TIOParamsVals& Base, TIEBitmap* Source,
                                           TIEBitmap* Result, TIEPreviewPump Pump,
                                           int32_t FrameMs = 16);
