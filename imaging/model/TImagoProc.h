// TImagoProc: runs image operations (rotation, resampling, grey and colour
// reduction) on one image and keeps undo and redo stacks of it. It works on
// the current image of an attached view, on the picture bitmap of an image
// control, or on an image of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "imaging/model/IEPixelTypes.h"
#include "imaging/model/IEProgress.h"
#include "imaging/model/Resample.h"
#include "imaging/model/Rotation.h"
#include "imaging/model/TMsgLanguage.h"
#include "rtl/TComponent.h"
#include "rtl/TSet.h"
#include "imaging/model/TIEView.h"

class TBitmap;
class TFont;
class TIEBitmap;
class TIPDialogParams;
class TIEMask;
class TImage;

// Allowed pixel formats of an operation; empty means any.
using TIEProcFormatSet = TSet<TIEPixelFormat, 16>;
using TIEProcNotifyEvent = std::function<void(TObject* Sender)>;
// Options of a processing preview dialog.
enum TPRPreviewsParam : uint8_t { prppDefaultLockPreview };
using TPRPreviewsParams = TSet<TPRPreviewsParam, 1>;
// Fired with the processing dialog about to be shown.
using TIEPreviewEvent = std::function<void(TObject* Sender, TObject* Dialog)>;

// The rectangle to work on, right and bottom exclusive.
struct TIEProcRect {
  int32_t Left, Top, Right, Bottom;
};

class TImagoProc : public TComponent {
  RTL_CLASS(TImagoProc, TComponent)
 public:
  explicit TImagoProc(TComponent* AOwner);
  ~TImagoProc() override;

  // ---- properties
  TIEView* AttachedImago() const { return view_; }
  // Works on the view's image from now on (a view without one leaves the
  // component an image of its own); null gives it a new empty image.
  void SetAttachedImago(TIEView* View);
  // Works on the image control's picture bitmap from now on; null lets go of
  // it and empties the component's own image.
  TImage* AttachedTImage() const { return image_control_; }
  void SetAttachedTImage(TImage* Image);
  // The platform bitmap the image wraps: the image control's, or that of a
  // view that offers no image of its own; null when none.
  TBitmap* LinkedBitmap() const { return linked_; }
  bool AutoUndo() const { return auto_undo_; }
  void SetAutoUndo(bool Value) { auto_undo_ = Value; }
  int32_t UndoLimit() const { return undo_limit_; }
  // Values below 1 are stored as 1.
  void SetUndoLimit(int32_t Value);
  bool AutoConvertFormat() const { return auto_convert_format_; }
  void SetAutoConvertFormat(bool Value) { auto_convert_format_ = Value; }
  // The attached view's background while one is attached.
  TColor GetBackground() const;
  void SetBackground(TColor Value);
  // Kept for processing dialogs that edit the image interactively; this
  // program has none, so nothing here reads them.
  TFont* PreviewFont() const { return preview_font_.get(); }
  // Copies the font given.
  void SetPreviewFont(TFont* Value);
  TPRPreviewsParams PreviewsParams() const { return previews_params_; }
  void SetPreviewsParams(TPRPreviewsParams Value) { previews_params_ = Value; }
  TMsgLanguage MsgLanguage() const { return msg_language_; }
  void SetMsgLanguage(TMsgLanguage Value) { msg_language_ = Value; }
  TIEProgressEvent OnProgress;
  TIEPreviewEvent OnPreview;
  TIEProcNotifyEvent OnFinishWork;
  // The defaults of those dialogs, created and freed with the component.
  TIPDialogParams* DialogParams() const { return dialog_params_.get(); }

  // The image worked on: the component's own image until attached.
  TIEBitmap* IEBitmap() const { return image_; }

  // ---- operations
  // Positive angles turn counter-clockwise; Background -1 is the component's.
  void Rotate(double Angle, bool AntiAlias, TIERotateAntialias AntialiasMode, TColor Background);
  // -1 keeps the aspect ratio, 0 keeps the current size of that axis.
  void Resample(int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter);
  void ResampleTo(TIEBitmap* Target, int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter);
  void ConvertToGray();
  // Below 3 colours: black and white (Threshold at the mean, else ordered
  // dither); 3..1024: reduced colours on a 24-bit image.
  void ConvertTo(int32_t NumColors, bool Threshold);
  void ConvertToPalette(int32_t NumColors, std::span<TRGB> Palette, bool Threshold);

  // ---- undo and redo; Source 1 is a copy of the image, 2 the view's selection
  // (saved and restored only with a view that holds one)
  virtual void SaveUndo(int32_t Source = 1);
  void SaveUndoCaptioned(const std::string& Caption, int32_t Source = 1);
  virtual void Undo();
  // Index counts from the newest entry (0); the entry stays on the stack.
  virtual void UndoAt(int32_t Index);
  void ClearAllUndo();
  virtual void SaveRedo(int32_t Source = 1);
  void SaveRedoCaptioned(const std::string& Caption, int32_t Source = 1);
  virtual void Redo();
  virtual void RedoAt(int32_t Index);
  virtual void ClearLastRedo();
  void ClearAllRedo();
  int32_t UndoCount() const { return static_cast<int32_t>(undo_.size()); }
  int32_t RedoCount() const { return static_cast<int32_t>(redo_.size()); }
  // Captions counted from the newest entry.
  const std::string& UndoCaptions(int32_t Index) const;
  const std::string& RedoCaptions(int32_t Index) const;

  // ---- the operation frame
  bool PrepareBitmap(TIEProcFormatSet Allowed);
  bool CheckPixelFormat(TIEProcFormatSet Allowed);
  // Rectangle (the mask's box, right and bottom exclusive), mask and polygon of
  // the attached view's selection; false without one. The mask comes back
  // even then, so that a caller may still look at it.
  virtual bool GetSelectionArea(TIEProcRect& Rect, TIEMask*& Mask, const int32_t*& Points, int32_t& PointCount);
  TIEBitmap* BeginImageProcessing(TIEProcFormatSet Allowed, const std::string& Caption, TIEProcRect& Rect,
                                  TIEMask*& Mask);
  void EndImageProcessing(TIEBitmap* AreaImage, TIEMask* Mask);
  virtual void UpdateAttached();
  virtual void DoFinishWork();

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  static void ViewBitmapChanged(void* Data, TIEView* View, bool Destroying);

 private:
  struct Entry;
  using Stack = std::vector<std::unique_ptr<Entry>>;
  std::unique_ptr<Entry> MakeEntry(int32_t Source);
  void Push(Stack& stack, std::vector<std::string>& captions, std::unique_ptr<Entry> entry);
  void SaveCaptioned(Stack& stack, std::vector<std::string>& captions,
                     void (TImagoProc::*Save)(int32_t), const std::string& Caption, int32_t Source);
  void ApplyEntry(Stack& stack, int32_t Index);
  TProgressRec Progress();

  bool auto_undo_ = true;
  int32_t undo_limit_ = 1;
  bool auto_convert_format_ = true;
  TColor background_ = 0;
  std::unique_ptr<TFont> preview_font_;
  TPRPreviewsParams previews_params_;
  TMsgLanguage msg_language_ = msSystem;
  std::unique_ptr<TIPDialogParams> dialog_params_;
  void DetachView();
  void OwnNewImage();

  TIEView* view_ = nullptr;
  TImage* image_control_ = nullptr;
  TBitmap* linked_ = nullptr;
  // Wraps the linked bitmap again, picking up changes made to it outside.
  void Rewrap();
  TIEBitmapChangeHandle view_handle_ = ieNoBitmapChangeHandler;
  TIEBitmap* image_ = nullptr;
  std::unique_ptr<TIEBitmap> own_image_;
  Stack undo_, redo_;
  std::vector<std::string> undo_captions_, redo_captions_;
  TIELocation undo_location_ = ieTempFile;
  std::unique_ptr<TIEBitmap> area_image_;  // the masked area between Begin/EndImageProcessing
};
