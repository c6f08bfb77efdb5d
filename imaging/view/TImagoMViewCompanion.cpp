// The thumbnail view's companions: the processing object and the
// multi-image input/output object, made on first request.
#include "imaging/io/TImagoIO.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/TImagoProc.h"
#include "imaging/view/TImagoMIO.h"
#include "imaging/view/TImagoMView.h"

TImagoProc* TImagoMView::GetProc() {
  if (!proc_) {
    proc_ = new TImagoProc(nullptr);
    proc_->SetAttachedImago(this);
    proc_->OnProgress = on_progress_;
  }
  return proc_;
}

TImagoMIO* TImagoMView::GetMIO() {
  if (!mio_) {
    // Owned by the view; freed before the view's images go.
    mio_ = new TImagoMIO(this);
    mio_->SetAttachedMView(this);
    mio_->OnProgress = on_progress_;
  }
  return mio_;
}

void TImagoMView::CopyParamsToCompanion(int32_t Index, TIOParamsVals* Params) {
  if (!mio_ || !Params) return;
  if (TIOParamsVals* p = mio_->Params(Index)) p->Assign(Params);
}

void TImagoMView::ApplyCompanionOptions(TImagoIO* IO) {
  if (mio_ && IO) IO->AutoAdjustDPI = mio_->AutoAdjustDPI;
}

void TImagoMView::SetCompanionProgress() {
  if (mio_) mio_->OnProgress = on_progress_;
}

void TImagoMView::FreeCompanions() {
  if (proc_) {
    proc_->SetAttachedImago(nullptr);
    FreeAndNil(proc_);
  }
  if (mio_) {
    mio_->SetAttachedMView(nullptr);
    FreeAndNil(mio_);
  }
}
