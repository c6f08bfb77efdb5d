// Progress reporting of the imaging operations: a callback with the sender
// and a percentage, and the record the row loops carry it in.
#pragma once

#include <cstdint>
#include <functional>

#include "rtl/Numeric.h"

class TObject;

using TIEProgressEvent = std::function<void(TObject* Sender, int32_t Percent)>;

struct TProgressRec {
  TIEProgressEvent OnProgress;
  TObject* Sender = nullptr;
  // Percent per row: 100 / (rows + 0.5).
  double Per1 = 0;

  void Start(int64_t Rows) { Per1 = 100.0 / (static_cast<double>(Rows) + 0.5); }
  // Reports after RowsDone rows, only when a callback is set.
  void Report(int64_t RowsDone) const {
    if (OnProgress) OnProgress(Sender, static_cast<int32_t>(Trunc(static_cast<double>(RowsDone) * Per1)));
  }
};
