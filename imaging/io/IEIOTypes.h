// Shared facts of the input/output side: file-type ids, the progress record
// every reader and writer receives, and the library-wide load settings.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "imaging/model/IEProgress.h"

class TObject;

// File-type ids.
enum : int32_t {
  ieftUnknown = 0,
  ieftTIFF = 1,
  ieftGIF = 2,
  ieftJPEG = 3,
  ieftPCX = 4,
  ieftBMP = 5,
  ieftICO = 6,
  ieftCUR = 7,
  ieftPNG = 8,
  ieftWMF = 9,
  ieftEMF = 10,
  ieftTGA = 11,
  ieftPXM = 12,
  ieftJP2 = 13,
  ieftJ2K = 14,
  ieftAVI = 15,
  ieftWBMP = 16,
  ieftPS = 17,
  ieftPDF = 18,
  ieftDCX = 19,
  ieftRAW = 20,
  ieftRawPixels = 21
};

// Built on the stack of every load and save and handed to the reader or
// writer. A record of a parameters-only read has no routine and no sender.
struct TIOProgressRec {
  // The component's DoProgress(Sender, Percent).
  TIEProgressEvent fOnProgress;
  TObject* Sender = nullptr;
  // Running row counters of writers that make several passes.
  int32_t Val = 0;
  int32_t Tot = 0;
  // 100 / steps: a reader reports Trunc(step x Per1).
  double Per1 = 0;
  double Val1 = 0;
  // The component's abort flag; polled between rows.
  bool* Aborting = nullptr;

  // The component's reason text for a refused load (may be null).
  std::string* AbortReason = nullptr;

  // Atomic: the flag may be set by another thread (a worker's owner).
  bool IsAborting() const {
    return Aborting && std::atomic_ref<bool>(*Aborting).load(std::memory_order_relaxed);
  }
  void Abort() const {
    if (Aborting) std::atomic_ref<bool>(*Aborting).store(true, std::memory_order_relaxed);
  }
  // Aborts and says why: a file the reader understood but will not load.
  void Refuse(const std::string& Reason) const {
    Abort();
    if (AbortReason) *AbortReason = Reason;
  }
  // Reports Trunc(Step x Per1) when a routine is set.
  void Report(int64_t Step) const {
    if (fOnProgress) fOnProgress(Sender, static_cast<int32_t>(Trunc(static_cast<double>(Step) * Per1)));
  }
};

// Resolution a load gives an image whose file says none (below 2).
extern int32_t DefaultDpiX;
extern int32_t DefaultDpiY;
// ICC transforms of readers; nothing in the system switches it on.
extern bool ColorManagementEnabled;
