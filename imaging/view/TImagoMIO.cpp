#include "imaging/view/TImagoMIO.h"

#include <algorithm>
#include <memory>

#include "imaging/io/IEAcquisition.h"
#include "imaging/io/IEFormats.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/GIFAnimation.h"
#include "imaging/io/formats/TIFF.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImagoMView.h"
#include "rtl/FileUtils.h"
#include "rtl/Numeric.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"
#include "ui/TGraphicsObject.h"

RTL_DEFINE_CLASS(TImagoMIO, TComponent)

TImagoMIO::TImagoMIO(TComponent* AOwner)
    : TComponent(AOwner), twain_params_(std::make_unique<TIETWainParams>(nullptr)) {
  twain_params_->MultiImageFlags = true;
  preview_font_.reset(new TFont());
}

TImagoMIO::~TImagoMIO() = default;

void TImagoMIO::BeforeDestruction() {
  DetachView();
  params_.clear();
  TComponent::BeforeDestruction();
}

void TImagoMIO::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && view_ && AComponent == view_) DetachView();
}

TImagoMView* TImagoMIO::MView() const { return dynamic_cast<TImagoMView*>(view_); }

void TImagoMIO::DetachView() {
  if (!view_) return;
  view_->RemoveBitmapChangeHandler(handle_);
  view_->RemoveFreeNotification(this);
  handle_ = ieNoBitmapChangeHandler;
  view_ = nullptr;
}

void TImagoMIO::SetAttachedMView(TIEView* Value) {
  if (Value == view_) return;
  DetachView();
  view_ = Value;
  if (!view_) return;
  view_->FreeNotification(this);
  handle_ = view_->AddBitmapChangeHandler(&TImagoMIO::ViewChanged, this);
  if (TImagoMView* mv = MView())
    while (ParamsCount() < mv->ImageCount()) InsertParams(ParamsCount());
}

void TImagoMIO::ViewChanged(void* Data, TIEView* View, bool Destroying) {
  auto* self = static_cast<TImagoMIO*>(Data);
  if (View != self->view_) return;
  if (Destroying) {
    // The view is going: its handler list goes with it.
    self->handle_ = ieNoBitmapChangeHandler;
    self->view_->RemoveFreeNotification(self);
    self->view_ = nullptr;
    return;
  }
  TImagoMView* mv = self->MView();
  if (!mv) return;
  switch (mv->GetLastChange()) {
    case 1:
      self->InsertParams(mv->GetLastChangeIndex());
      break;
    case 2:
      self->DeleteParams(mv->GetLastChangeIndex());
      break;
    case 3:
      self->MoveParams(mv->GetLastChangeIndex(), mv->GetLastChangeExtra());
      break;
    case 4:
      self->SwapParams(mv->GetLastChangeIndex(), mv->GetLastChangeExtra());
      break;
    default:
      break;
  }
}

// ---- the records

TIOParamsVals* TImagoMIO::Params(int32_t Index) const {
  if (Index < 0 || Index >= ParamsCount()) return nullptr;
  return params_[static_cast<size_t>(Index)].get();
}

void TImagoMIO::InsertParams(int32_t Index) {
  auto p = std::make_unique<TIOParamsVals>(nullptr);
  if (!params_.empty()) {
    const bool inside = Index >= 0 && Index < ParamsCount();
    p->AssignCompressionInfo(inside ? params_[static_cast<size_t>(Index)].get() : params_.back().get());
  }
  if (Index >= 0 && Index < ParamsCount())
    params_.insert(params_.begin() + Index, std::move(p));
  else
    params_.push_back(std::move(p));
}

void TImagoMIO::DeleteParams(int32_t Index) {
  if (Index < 0 || Index >= ParamsCount()) return;
  params_.erase(params_.begin() + Index);
}

void TImagoMIO::MoveParams(int32_t From, int32_t To) {
  if (From < 0 || From >= ParamsCount() || To < 0 || To == From) return;
  auto p = std::move(params_[static_cast<size_t>(From)]);
  params_.erase(params_.begin() + From);
  if (To >= ParamsCount())
    params_.push_back(std::move(p));
  else
    params_.insert(params_.begin() + To, std::move(p));
}

void TImagoMIO::SwapParams(int32_t A, int32_t B) {
  if (A < 0 || B < 0 || A >= ParamsCount() || B >= ParamsCount()) return;
  std::swap(params_[static_cast<size_t>(A)], params_[static_cast<size_t>(B)]);
}

void TImagoMIO::DuplicateCompressionInfo() {
  for (size_t i = 1; i < params_.size(); ++i) params_[i]->AssignCompressionInfo(params_[0].get());
}

void TImagoMIO::Update() {
  if (!view_) return;
  view_->Update();
  view_->ImageChange();
}

void TImagoMIO::SetPreviewFont(TFont* Value) { preview_font_->Assign(Value); }

void TImagoMIO::Progress(int32_t Percent) {
  if (OnProgress) OnProgress(this, Percent);
}

void TImagoMIO::DoFinishWork() {
  Progress(100);
  if (OnFinishWork) OnFinishWork(this);
}

TIEWia* TImagoMIO::GetWIAParams() {
  if (!wia_) wia_ = std::make_unique<TIEWia>(nullptr);
  return wia_.get();
}

// ---- acquisition

void TImagoMIO::DoAcquireBitmap(TIEBitmap* ABitmap, TIOParamsVals*& Params) {
  bool handled = false;
  if (OnAcquireBitmap) OnAcquireBitmap(this, ABitmap, handled);
  TImagoMView* mv = MView();
  if (handled || !mv) return;
  const int32_t pos = std::clamp(acquire_position_, 0, mv->ImageCount());
  mv->InsertImage(pos);
  Params = this->Params(pos);
  // The adjustment answers the bitmap itself when nothing changes, else a
  // new one that is ours to free.
  std::unique_ptr<TIEBitmap> adjusted;
  if (AutoAdjustDPI && Params) {
    TIEBitmap* a = TImagoIO::AdjustBitmapDPI(ABitmap, Params, FilteredAdjustDPI);
    if (a != ABitmap) adjusted.reset(a);
  }
  mv->SetImage(pos, adjusted ? adjusted.get() : ABitmap);
  mv->SetImageDelay(pos, 100);
  ++acquire_position_;
}

// ---- whole files

bool TImagoMIO::LoadFromFile(const std::string& FileName) {
  aborted_ = false;
  TImagoMView* mv = MView();
  const int32_t type = FindFileFormat(FileName, false);
  const TIEFormatHandler* h = FindFormatHandler(type);
  if (!mv || type == ieftUnknown || !h || !h->Read) {
    aborted_ = true;
    DoFinishWork();
    return false;
  }
  const int32_t frames = h->CountImages ? h->CountImages(FileName) : 1;
  if (frames < 1) {
    aborted_ = true;
    DoFinishWork();
    return false;
  }
  TImagoIO io(nullptr);
  int32_t loaded = 0;
  mv->LockUpdate();
  try {
    for (int32_t i = 0; i < frames; ++i) {
      io.Params()->ResetPerLoad();
      io.Params()->SetImageIndex(i);
      io.LoadFromFileOfType(FileName, type);
      if (io.Aborted()) {
        aborted_ = true;
        break;
      }
      const int32_t pos = mv->ImageCount();
      mv->InsertImage(pos);
      if (TIOParamsVals* p = Params(pos)) p->Assign(io.Params());
      mv->SetImage(pos, io.IEBitmap());
      // A GIF frame's delay is in hundredths of a second; the view keeps
      // milliseconds.
      mv->SetImageDelay(pos, type == ieftGIF ? io.Params()->GifDelayTime * 10 : 0);
      ++loaded;
      Progress(static_cast<int32_t>(int64_t{100} * (i + 1) / frames));
    }
  } catch (...) {
    mv->UnlockUpdate();
    aborted_ = true;
    DoFinishWork();
    throw;
  }
  mv->UnlockUpdate();
  DoFinishWork();
  return loaded > 0;
}

bool TImagoMIO::SaveToFile(const std::string& FileName) {
  aborted_ = true;
  TImagoMView* mv = MView();
  const int32_t count = mv ? mv->ImageCount() : 0;
  const int32_t type = FindFileTypeByExtension(ExtractFileExt(FileName));
  if (count == 0 || type == ieftUnknown) {
    DoFinishWork();
    return false;
  }
  if (type == ieftGIF && count > 1) return SaveGIFAnimation(FileName);
  if (type != ieftTIFF) {
    // One image: the format's own writer, with its record's settings.
    if (count != 1) {
      DoFinishWork();
      return false;
    }
    TIEBitmap* b = mv->GetImageBitmap(0);
    if (!b) {
      DoFinishWork();
      return false;
    }
    TImagoIO io(nullptr);
    io.IEBitmap()->Assign(b);
    if (b->HasAlphaChannel()) io.IEBitmap()->GetAlphaChannel()->Assign(b->GetAlphaChannel());
    mv->ReleaseImageBitmap(b, false);
    if (TIOParamsVals* p = Params(0)) io.Params()->Assign(p);
    io.SaveToFile(FileName);
    aborted_ = io.Aborted();
    DoFinishWork();
    return !aborted_;
  }

  // Every image a page, built in memory: a failure leaves no partial file.
  TMemoryStream out;
  TIOProgressRec progress;
  bool failed = false;
  progress.Aborting = &failed;
  for (int32_t i = 0; i < count && !failed; ++i) {
    TIEBitmap* b = mv->GetImageBitmap(i);
    if (!b || b->Width() == 0 || b->Height() == 0) {
      if (b) mv->ReleaseImageBitmap(b, false);
      failed = true;
      break;
    }
    TIOParamsVals p(nullptr);
    if (TIOParamsVals* own = Params(i)) p.Assign(own);
    p.TiffImageIndex = i;  // past the last page: appended
    const int32_t pages = WriteTIFFStream(&out, i > 0, b, p, progress);
    mv->ReleaseImageBitmap(b, false);
    if (pages != i + 1) failed = true;
    Progress(static_cast<int32_t>(int64_t{100} * (i + 1) / count));
  }
  return FinishSave(FileName, out, failed);
}

bool TImagoMIO::SaveGIFAnimation(const std::string& FileName) {
  TImagoMView* mv = MView();
  const int32_t count = mv->ImageCount();
  // The frames are copied out of the store: it may hold only a few at once.
  std::vector<std::unique_ptr<TIEBitmap>> bitmaps;
  std::vector<std::unique_ptr<TIOParamsVals>> params;
  std::vector<TIEGIFFrame> frames;
  for (int32_t i = 0; i < count; ++i) {
    TIEBitmap* b = mv->GetImageBitmap(i);
    if (!b) {
      DoFinishWork();
      return false;
    }
    auto copy = std::make_unique<TIEBitmap>();
    copy->Assign(b);
    if (b->HasAlphaChannel()) copy->GetAlphaChannel()->Assign(b->GetAlphaChannel());
    mv->ReleaseImageBitmap(b, false);
    auto p = std::make_unique<TIOParamsVals>(nullptr);
    if (TIOParamsVals* own = Params(i)) p->Assign(own);
    // The view's delay, in milliseconds, is what plays.
    p->GifDelayTime = (mv->ImageDelay(i) + 5) / 10;
    frames.push_back(TIEGIFFrame{copy.get(), p.get()});
    bitmaps.push_back(std::move(copy));
    params.push_back(std::move(p));
  }
  TMemoryStream out;
  TIOProgressRec progress;
  bool failed = false;
  progress.Aborting = &failed;
  progress.fOnProgress = [this](TObject*, int32_t Percent) { Progress(Percent); };
  WriteGIFAnimation(&out, frames, progress);
  return FinishSave(FileName, out, failed);
}

// ---- the save-parameter dialog

bool TImagoMIO::DoPreviews(int32_t Index, uint16_t Pages) {
  bool handled = false;
  if (OnDoPreviews) OnDoPreviews(this, handled);
  if (handled) return true;
  TImagoMView* mv = MView();
  if (!mv) return false;
  if (mv->ImageCount() > 0 && mv->SelectedIndex() < 0) mv->SelectImage(0);
  TIEBitmap* image = mv->GetIEBitmap();
  const TIEIOPreviewsDialogFactory factory = IOPreviewsDialogFactory();
  if (!image || !factory) return false;

  // The dialog previews an exact copy, in 24 bits (1 bit as it is), so that
  // neither a cancel nor a conversion changes the stored image.
  TIEBitmap copy;
  copy.Assign(image);
  if (copy.PixelFormat() != ieRGB24 && copy.PixelFormat() != ieMono1) copy.SetPixelFormat(ieRGB24);

  // 1.2708333 rounds 61/48 down: 121 pixels at 96 ppi, one less than the
  // single-image component's page control.
  TIEIOPreviewsSetup setup = IOPreviewsSetupFor(previews_params_, SimplifiedParamsDialogs, 1.2708333, 3.4375);
  setup.DitherMethod = dither_method_;
  setup.Params = Params(std::max(Index, 0));
  setup.Language = msg_language_;
  setup.Font = preview_font_.get();
  setup.Source = &copy;
  const std::optional<bool> accepted = ShowIOPreviewsDialog(factory, this, setup, Pages, nullptr);
  if (!accepted) return false;
  if (Index < 0) DuplicateCompressionInfo();
  Update();
  return *accepted;
}

// A file built whole in memory replaces the target in one step, so that a
// failed write never leaves a partial file in its place.
bool TImagoMIO::FinishSave(const std::string& FileName, TMemoryStream& Out, bool Failed) {
  if (!Failed) {
    TAtomicFileWriter writer(FileName);
    writer.Stream()->WriteBuffer(Out.Memory(), Out.Size());
    writer.Commit();
    aborted_ = false;
  }
  DoFinishWork();
  return !aborted_;
}
