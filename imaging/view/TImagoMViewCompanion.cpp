// The thumbnail view's companions: the processing object and the
// multi-image input/output object, made on first request.
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TImagoProc.h"
#include "imaging/view/TImagoMView.h"

TImagoProc* TImagoMView::GetProc() {
  if (!proc_) {
    proc_ = new TImagoProc(nullptr);
    proc_->SetAttachedImago(this);
    proc_->OnProgress = on_progress_;
  }
  return proc_;
}

// The multi-image companion is not part of this build yet: none is made.
TImagoMIO* TImagoMView::GetMIO() { return mio_; }

void TImagoMView::CopyParamsToCompanion(int32_t Index, TIOParamsVals* Params) {
  (void)Index;
  (void)Params;
}

void TImagoMView::ApplyCompanionOptions(TImagoIO* IO) { (void)IO; }

void TImagoMView::SetCompanionProgress() {}

void TImagoMView::FreeCompanions() {
  if (proc_) {
    proc_->SetAttachedImago(nullptr);
    FreeAndNil(proc_);
  }
}
