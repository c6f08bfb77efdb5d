#include "imaging/model/TImagoProc.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/model/ColorReduction.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "imaging/model/TIPDialogParams.h"
#include "rtl/Exception.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"
#include "ui/TGraphicsObject.h"
#include "ui/TImage.h"

RTL_DEFINE_CLASS(TImagoProc, TComponent)

// An undo or redo entry: a full copy of the image, or the attached view's
// selection block in a memory stream. Exactly one of the two is set.
struct TImagoProc::Entry {
  std::unique_ptr<TIEBitmap> bitmap;
  std::unique_ptr<TMemoryStream> selection;
};

namespace {
// Formats tried, in order, when an operation does not take the current one.
const TIEPixelFormat kFallback[10][7] = {
    {ieNoFormat, ieNoFormat, ieNoFormat, ieNoFormat, ieNoFormat, ieNoFormat, ieNoFormat},
    {ieGray8, ieGray16, ie32f, ieRGB24, ieNoFormat, ieNoFormat, ieNoFormat},
    {ieRGB24, ieCMYK, ieRGB48, ieCIELab, ieNoFormat, ieNoFormat, ieNoFormat},
    {ieGray16, ie32f, ieRGB24, ieCMYK, ieRGB48, ieNoFormat, ieNoFormat},
    {ie32f, ieGray8, ieRGB48, ieRGB24, ieCMYK, ieNoFormat, ieNoFormat},
    {ieCMYK, ieCIELab, ieRGB48, iePalette8, ieGray16, ieGray8, ieNoFormat},
    {ieGray16, ieGray8, ieRGB24, ieRGB48, ieCIELab, ieNoFormat, ieNoFormat},
    {ieRGB24, ieRGB48, ieCIELab, ieGray8, ieNoFormat, ieNoFormat, ieNoFormat},
    {ieRGB24, ieCMYK, ieCIELab, ieGray16, ieNoFormat, ieNoFormat, ieNoFormat},
    {ieRGB24, ieCMYK, ieRGB48, ieGray8, ieNoFormat, ieNoFormat, ieNoFormat},
};

bool BigEnoughForUndo(TIEBitmap* b) { return b->Width() >= 2 && b->Height() >= 2; }
}  // namespace

TImagoProc::TImagoProc(TComponent* AOwner)
    : TComponent(AOwner),
      preview_font_(std::make_unique<TFont>()),
      dialog_params_(std::make_unique<TIPDialogParams>()),
      own_image_(std::make_unique<TIEBitmap>()) {
  image_ = own_image_.get();
}

TImagoProc::~TImagoProc() {
  DetachView();
  if (image_control_) image_control_->RemoveFreeNotification(this);
}

void TImagoProc::SetPreviewFont(TFont* Value) {
  if (Value) preview_font_->Assign(Value);
}

// ---- attachment

void TImagoProc::DetachView() {
  if (!view_) return;
  view_->RemoveBitmapChangeHandler(view_handle_);
  view_->RemoveFreeNotification(this);
  view_handle_ = ieNoBitmapChangeHandler;
  view_ = nullptr;
}

void TImagoProc::OwnNewImage() {
  own_image_ = std::make_unique<TIEBitmap>();
  image_ = own_image_.get();
}

void TImagoProc::Rewrap() {
  if (linked_ && image_) image_->EncapsulateTBitmap(linked_, false);
}

void TImagoProc::SetAttachedImago(TIEView* View) {
  DetachView();
  if (!View) {
    // An attached image control stays linked.
    OwnNewImage();
    if (!image_control_) linked_ = nullptr;
    Rewrap();
    return;
  }
  linked_ = nullptr;
  own_image_.reset();
  image_ = View->GetIEBitmap();
  if (!image_) {
    // A view that offers no image: an own one wrapping the view's platform
    // bitmap.
    OwnNewImage();
    linked_ = View->GetTBitmap();
    Rewrap();
  }
  if (image_control_) {
    image_control_->RemoveFreeNotification(this);
    image_control_ = nullptr;
  }
  view_ = View;
  View->FreeNotification(this);
  view_handle_ = View->AddBitmapChangeHandler(&TImagoProc::ViewBitmapChanged, this);
}

void TImagoProc::ViewBitmapChanged(void* Data, TIEView* View, bool Destroying) {
  auto* self = static_cast<TImagoProc*>(Data);
  if (View != self->view_) return;
  if (Destroying) {
    // The view's image goes with the view: no image until attached again.
    self->view_handle_ = ieNoBitmapChangeHandler;
    self->view_->RemoveFreeNotification(self);
    self->view_ = nullptr;
    if (!self->own_image_) self->image_ = nullptr;
    if (self->linked_ && self->own_image_) self->OwnNewImage();
    self->linked_ = nullptr;
    return;
  }
  if (TIEBitmap* b = View->GetIEBitmap()) {
    self->own_image_.reset();
    self->image_ = b;
    self->linked_ = nullptr;
  } else if (TBitmap* platform = View->GetTBitmap()) {
    if (!self->own_image_) self->OwnNewImage();
    self->linked_ = platform;
    self->Rewrap();
  }
}

void TImagoProc::SetAttachedTImage(TImage* Image) {
  if (image_control_) image_control_->RemoveFreeNotification(this);
  image_control_ = Image;
  if (!Image) {
    // An attached view keeps its image; otherwise the own image is emptied.
    if (!view_) {
      linked_ = nullptr;
      if (image_) image_->FreeImage(true);
    }
    return;
  }
  DetachView();
  // The control's bitmap is wrapped by an image of our own, never by a
  // view's image.
  if (!own_image_) OwnNewImage();
  linked_ = Image->Picture()->Bitmap();
  Rewrap();
  Image->FreeNotification(this);
}

void TImagoProc::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && view_ && AComponent == view_) {
    view_->RemoveBitmapChangeHandler(view_handle_);
    view_handle_ = ieNoBitmapChangeHandler;
    view_ = nullptr;
    if (!own_image_) image_ = nullptr;
    // An own image wrapping the view's bitmap lets go of it.
    if (linked_ && own_image_) OwnNewImage();
    linked_ = nullptr;
  }
  if (Operation == opRemove && image_control_ && AComponent == image_control_) {
    image_control_ = nullptr;
    // The bitmap goes with the control.
    linked_ = nullptr;
    if (own_image_) OwnNewImage();
  }
}

TColor TImagoProc::GetBackground() const { return view_ ? view_->Background() : background_; }

void TImagoProc::SetBackground(TColor Value) {
  if (view_)
    view_->SetBackground(Value);
  else
    background_ = Value;
}

void TImagoProc::SetUndoLimit(int32_t Value) { undo_limit_ = std::max(Value, 1); }

TProgressRec TImagoProc::Progress() {
  TProgressRec p;
  p.OnProgress = OnProgress;
  p.Sender = this;
  return p;
}

// ---- the operation frame

bool TImagoProc::PrepareBitmap(TIEProcFormatSet Allowed) {
  if (!image_) return false;
  Rewrap();
  return CheckPixelFormat(Allowed);
}

bool TImagoProc::CheckPixelFormat(TIEProcFormatSet Allowed) {
  const TIEPixelFormat f = image_->PixelFormat();
  if (Allowed.Empty() || Allowed.Contains(f)) return true;
  if (!auto_convert_format_) return false;
  for (TIEPixelFormat candidate : kFallback[f]) {
    if (candidate == ieNoFormat) break;
    if (Allowed.Contains(candidate)) {
      image_->SetPixelFormat(candidate);
      return true;
    }
  }
  for (int i = 9; i >= 0; --i)
    if (Allowed.Contains(static_cast<TIEPixelFormat>(i))) {
      image_->SetPixelFormat(static_cast<TIEPixelFormat>(i));
      return true;
    }
  return false;
}

bool TImagoProc::GetSelectionArea(TIEProcRect& Rect, TIEMask*& Mask, const int32_t*& Points, int32_t& PointCount) {
  Rewrap();
  Rect = TIEProcRect{0, 0, image_ ? image_->Width() : 0, image_ ? image_->Height() : 0};
  Mask = nullptr;
  Points = nullptr;
  PointCount = 0;
  if (!view_ || !view_->HoldsSelection()) return false;
  // The mask is handed out even when nothing is selected.
  Mask = view_->SelectionMask();
  if (!view_->HasSelection()) return false;
  if (Mask && !Mask->IsEmpty()) Rect = TIEProcRect{Mask->Left, Mask->Top, Mask->Right + 1, Mask->Bottom + 1};
  Points = view_->GetSelectionPoints();
  PointCount = view_->GetSelectionPointCount();
  return true;
}

TIEBitmap* TImagoProc::BeginImageProcessing(TIEProcFormatSet Allowed, const std::string& Caption, TIEProcRect& Rect,
                                            TIEMask*& Mask) {
  if (auto_undo_) SaveUndoCaptioned(Caption, 1);
  Mask = nullptr;
  if (!PrepareBitmap(Allowed)) return nullptr;
  const int32_t* points;
  int32_t count;
  GetSelectionArea(Rect, Mask, points, count);
  if (!Mask || Mask->IsEmpty()) return image_;
  // A masked selection: work on a copy of its bounding box.
  area_image_ = std::make_unique<TIEBitmap>();
  area_image_->Allocate(Mask->Right - Mask->Left + 1, Mask->Bottom - Mask->Top + 1, image_->PixelFormat());
  image_->CopyRectTo(area_image_.get(), Mask->Left, Mask->Top, 0, 0, area_image_->Width(), area_image_->Height());
  Rect = TIEProcRect{0, 0, area_image_->Width(), area_image_->Height()};
  return area_image_.get();
}

void TImagoProc::EndImageProcessing(TIEBitmap* AreaImage, TIEMask* Mask) {
  if (AreaImage && AreaImage == area_image_.get() && Mask && image_) {
    // The area image holds the mask's box: only its selected pixels go back.
    Mask->CopyBitmapMasked(image_, AreaImage, false, true, false);
    if (AreaImage->HasAlphaChannel() && !AreaImage->GetAlphaChannel()->Full) {
      Mask->CopyAlphaMasked(image_, AreaImage, false, true);
      if (TIEBitmap* alpha = image_->GetAlphaChannel()) alpha->Full = false;
    }
  }
  area_image_.reset();
  UpdateAttached();
}

void TImagoProc::UpdateAttached() {
  if (linked_ && image_) {
    // Operations that build their result in a new image leave the linked
    // bitmap behind: the result goes back into it.
    if (!image_->ExternalBitmap()) {
      TIEBitmap result;
      image_->MoveDataTo(&result);
      image_->EncapsulateTBitmap(linked_, false);
      image_->Assign(&result);
    }
    image_->RemoveAlphaChannel();
  }
  if (view_) {
    view_->Update();
    view_->ImageChange();
  } else if (linked_) {
    linked_->SetModified(true);
  }
}

void TImagoProc::DoFinishWork() {
  if (OnProgress) OnProgress(this, 100);
  if (OnFinishWork) OnFinishWork(this);
}

// ---- undo and redo

std::unique_ptr<TImagoProc::Entry> TImagoProc::MakeEntry(int32_t Source) {
  if (Source == 2) {
    // Only a view that holds a selection has one to save.
    if (!view_ || !view_->HoldsSelection()) return nullptr;
    auto entry = std::make_unique<Entry>();
    entry->selection = std::make_unique<TMemoryStream>();
    view_->SaveSelectionToStream(entry->selection.get());
    return entry;
  }
  if (Source != 1) return nullptr;
  if (!PrepareBitmap({}) || !BigEnoughForUndo(image_)) return nullptr;
  auto entry = std::make_unique<Entry>();
  entry->bitmap = std::make_unique<TIEBitmap>();
  entry->bitmap->MemoryThreshold = 0;
  entry->bitmap->SetLocation(undo_location_);
  entry->bitmap->Assign(image_);
  return entry;
}

void TImagoProc::Push(Stack& stack, std::vector<std::string>& captions, std::unique_ptr<Entry> entry) {
  if (!entry) return;
  while (static_cast<int32_t>(stack.size()) >= undo_limit_ && !stack.empty()) {
    stack.erase(stack.begin());
    captions.erase(captions.begin());
  }
  stack.push_back(std::move(entry));
  captions.emplace_back();
}

void TImagoProc::SaveUndo(int32_t Source) { Push(undo_, undo_captions_, MakeEntry(Source)); }

// Saves through Save (which may be overridden) and captions the entry it
// pushed, if it pushed one.
void TImagoProc::SaveCaptioned(Stack& stack, std::vector<std::string>& captions,
                               void (TImagoProc::*Save)(int32_t), const std::string& Caption,
                               int32_t Source) {
  if (!PrepareBitmap({}) || !BigEnoughForUndo(image_)) return;
  const size_t before = stack.size();
  const Entry* last = stack.empty() ? nullptr : stack.back().get();
  (this->*Save)(Source);
  if (!stack.empty() && (stack.size() != before || stack.back().get() != last)) captions.back() = Caption;
}

void TImagoProc::SaveUndoCaptioned(const std::string& Caption, int32_t Source) {
  SaveCaptioned(undo_, undo_captions_, &TImagoProc::SaveUndo, Caption, Source);
}

void TImagoProc::SaveRedo(int32_t Source) { Push(redo_, redo_captions_, MakeEntry(Source)); }

void TImagoProc::SaveRedoCaptioned(const std::string& Caption, int32_t Source) {
  SaveCaptioned(redo_, redo_captions_, &TImagoProc::SaveRedo, Caption, Source);
}

void TImagoProc::ApplyEntry(Stack& stack, int32_t Index) {
  if (Index < 0) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  if (!PrepareBitmap({})) return;
  if (stack.empty() || Index >= static_cast<int32_t>(stack.size())) return;
  Entry& e = *stack[stack.size() - 1 - static_cast<size_t>(Index)];
  if (e.bitmap) {
    image_->Assign(e.bitmap.get());
    UpdateAttached();
  } else if (e.selection) {
    // The entry stays: it is read from its start each time it is applied.
    e.selection->SetPosition(0);
    if (view_ && view_->HoldsSelection()) view_->LoadSelectionFromStream(e.selection.get());
  }
}

void TImagoProc::UndoAt(int32_t Index) { ApplyEntry(undo_, Index); }
void TImagoProc::Undo() { UndoAt(0); }
void TImagoProc::RedoAt(int32_t Index) { ApplyEntry(redo_, Index); }
void TImagoProc::Redo() { RedoAt(0); }

void TImagoProc::ClearAllUndo() {
  undo_.clear();
  undo_captions_.clear();
}

void TImagoProc::ClearAllRedo() {
  redo_.clear();
  redo_captions_.clear();
}

void TImagoProc::ClearLastRedo() {
  if (redo_.empty()) return;
  redo_.pop_back();
  redo_captions_.pop_back();
}

const std::string& TImagoProc::UndoCaptions(int32_t Index) const {
  if (Index < 0 || Index >= UndoCount()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return undo_captions_[undo_captions_.size() - 1 - static_cast<size_t>(Index)];
}

const std::string& TImagoProc::RedoCaptions(int32_t Index) const {
  if (Index < 0 || Index >= RedoCount()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return redo_captions_[redo_captions_.size() - 1 - static_cast<size_t>(Index)];
}

// ---- operations

void TImagoProc::Rotate(double Angle, bool AntiAlias, TIERotateAntialias AntialiasMode, TColor Background) {
  // An angle that is no number is refused before the image or the undo
  // stack changes.
  if (!std::isfinite(Angle)) throw EInvalidArgument("Invalid floating point operation");
  if (Angle == 0 || !PrepareBitmap({})) return;
  if (auto_undo_) SaveUndoCaptioned("Rotate " + FloatToStr(Angle), 1);
  if (Background == -1) Background = GetBackground();
  std::unique_ptr<TIEBitmap> alpha;
  if (image_->HasAlphaChannel()) {
    alpha = std::make_unique<TIEBitmap>();
    alpha->Assign(image_->GetAlphaChannel());
    alpha->IsAlphaChannel = true;
  }
  const TProgressRec progress = Progress();
  if (AntiAlias && AntialiasMode != raNone && !IsMultipleOf90(Angle) && image_->PixelFormat() == ieRGB24) {
    if (alpha) RotateAntialiasedGray8(alpha.get(), 0, AntialiasMode, Angle);
    RotateAntialiased24(image_, Background, AntialiasMode, &progress, Angle);
  } else {
    if (alpha) {
      if (image_->PixelFormat() == ieMono1)
        RotateGray8Nearest(alpha.get(), 0, Angle);
      else
        RotateGray8(alpha.get(), AntiAlias, 0, nullptr, Angle);
    }
    RotateBitmap(image_, AntiAlias, &progress, ColorToRGBTriple(Background), Angle);
  }
  if (alpha) {
    // The rotated channel matches the image unless the routines disagreed on
    // the size; a mismatched channel is dropped rather than kept misaligned.
    if (alpha->Width() == image_->Width() && alpha->Height() == image_->Height()) {
      alpha->IsAlphaChannel = true;
      SyncAlphaFull(alpha.get());
      image_->ReplaceAlphaChannel(std::move(alpha));
    } else {
      image_->RemoveAlphaChannel();
    }
  }
  UpdateAttached();
  DoFinishWork();
}

void TImagoProc::ResampleTo(TIEBitmap* Target, int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter) {
  if (!PrepareBitmap({}) || image_->Width() <= 0 || image_->Height() <= 0) return;
  if (auto_undo_) SaveUndoCaptioned("Resample " + IntToStr(NewWidth) + "," + IntToStr(NewHeight), 1);
  if (NewWidth < 0 && NewHeight < 0) return;
  const int64_t w0 = image_->Width(), h0 = image_->Height();
  int64_t w = NewWidth == -1 ? int64_t{NewHeight} * w0 / h0 : NewWidth == 0 ? w0 : std::llabs(NewWidth);
  w = std::clamp<int64_t>(w, 1, INT32_MAX);
  int64_t h = NewHeight == -1 ? w * h0 / w0 : NewHeight == 0 ? h0 : std::llabs(NewHeight);
  h = std::clamp<int64_t>(h, 1, INT32_MAX);
  Target->Allocate(static_cast<int32_t>(w), static_cast<int32_t>(h), image_->PixelFormat());
  const TProgressRec progress = Progress();
  ResampleBitmap(image_, Target, Filter, &progress);
  DoFinishWork();
}

void TImagoProc::Resample(int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter) {
  if (!image_ || image_->Width() == 0 || image_->Height() == 0) return;
  // The scaling gives its own finish notice and the replacement a second one,
  // so a listener sees two. When no size was asked for (both values negative)
  // there is no result: the image keeps its pixels rather than taking an empty one.
  TIEBitmap result;
  ResampleTo(&result, NewWidth, NewHeight, Filter);
  if (!result.IsEmpty()) image_->Assign(&result);
  UpdateAttached();
  DoFinishWork();
}

void TImagoProc::ConvertToGray() {
  TIEProcRect rect;
  TIEMask* mask = nullptr;
  TIEBitmap* area = BeginImageProcessing({}, "ConvertToGray", rect, mask);
  if (!area) return;
  const TProgressRec progress = Progress();
  ConvertToGrayRect(area, rect.Left, rect.Top, rect.Right, rect.Bottom, &progress);
  EndImageProcessing(area, mask);
  DoFinishWork();
}

void TImagoProc::ConvertTo(int32_t NumColors, bool Threshold) {
  if (!PrepareBitmap({ieRGB24})) return;
  if (auto_undo_) SaveUndoCaptioned("ConvertTo " + IntToStr(NumColors), 1);
  const TProgressRec progress = Progress();
  if (NumColors < 3) {
    if (Threshold)
      ThresholdToBWBitmap(image_, -1, &progress);
    else
      DitherToBW(image_, &progress);
  } else if (NumColors <= 1024) {
    ReduceColors(image_, NumColors, nullptr, &progress);
  }
  // Above 1024 colours nothing is reduced, yet the image may have been made
  // 24-bit: the view is told and the finish notice is given as for any count.
  UpdateAttached();
  DoFinishWork();
}

void TImagoProc::ConvertToPalette(int32_t NumColors, std::span<TRGB> Palette, bool Threshold) {
  if (NumColors == 0 || !PrepareBitmap({ieRGB24})) return;
  if (auto_undo_) SaveUndoCaptioned("ConvertToPalette", 1);
  const TProgressRec progress = Progress();
  if (NumColors < 3) {
    if (Threshold)
      ThresholdToBWBitmap(image_, -1, &progress);
    else
      DitherToBW(image_, &progress);
    if (Palette.size() > 0) Palette[0] = TRGB{0, 0, 0};
    if (Palette.size() > 1) Palette[1] = TRGB{255, 255, 255};
  } else if (NumColors <= 1024) {
    std::vector<TRGB> pal(static_cast<size_t>(NumColors));
    ReduceColors(image_, NumColors, pal.data(), &progress);
    std::copy_n(pal.begin(), std::min(pal.size(), Palette.size()), Palette.begin());
  }
  UpdateAttached();
  DoFinishWork();
}
