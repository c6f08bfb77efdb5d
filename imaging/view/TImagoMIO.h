// TImagoMIO: the input/output companion of the thumbnail view. It keeps one
// parameter record per image of the attached view, in step with the view's
// image list (the view reports inserts and deletes through its bitmap-change
// handlers), inserts acquired bitmaps as new images, loads every frame of a
// file into the view and saves every image of the view into one file, and
// opens the save-parameter dialog for one image or for all of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEView.h"
#include "rtl/TComponent.h"

class TFont;
class TIEBitmap;
class TImagoMView;
class TIOParamsVals;
class TIETWainParams;
class TIEWia;
class TMemoryStream;

enum TIEDialogsMeasureUnit : uint8_t {
  ieduInches,
  ieduCm,
  ieduSelectableDefInches,
  ieduSelectableDefCm
};

class TImagoMIO : public TComponent {
  RTL_CLASS(TImagoMIO, TComponent)
 public:
  explicit TImagoMIO(TComponent* AOwner);
  ~TImagoMIO() override;
  void BeforeDestruction() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // ---- the view served. Attaching registers the change handler and gives
  // the view as many records as it has images; only thumbnail views count.
  TIEView* AttachedMView() const { return view_; }
  void SetAttachedMView(TIEView* Value);

  // ---- the parameter records, one per image
  // Null out of range.
  TIOParamsVals* Params(int32_t Index) const;
  int32_t ParamsCount() const { return static_cast<int32_t>(params_.size()); }
  // A new record with the compression settings of the record now at Index
  // (of the last one when Index is past the end); appended past the end.
  void InsertParams(int32_t Index);
  void DeleteParams(int32_t Index);
  // Nothing when From is out of range, To is negative or equals From; a To
  // at or past the end moves the record to the end.
  void MoveParams(int32_t From, int32_t To);
  void SwapParams(int32_t A, int32_t B);
  // Record 0's compression settings into every other record.
  void DuplicateCompressionInfo();
  // The view's Update, then its ImageChange.
  void Update();

  // ---- whole files
  // Appends every frame (page) of the file to the view, each with its
  // parameter record and, for animations, its delay. False with Aborted set
  // when nothing could be read (the view keeps what it had); a frame that
  // fails on the way stops the load there and also sets Aborted, keeping
  // the frames read before it.
  bool LoadFromFile(const std::string& FileName);
  // Writes every image of the view into one file, by the name's extension,
  // each with its own record's settings. TIFF takes them as pages, GIF as
  // the frames of an animation with the view's delays; any other format
  // takes a view of exactly one image, since writing only the first of
  // several would lose the rest. False with Aborted set, and no file
  // written, when the images cannot all be saved.
  bool SaveToFile(const std::string& FileName);
  // Whether the last load or save failed.
  bool Aborted() const { return aborted_; }

  // ---- the save-parameter dialog for image Index (-1: every image gets
  // the settings chosen for image 0). Pages: the parameter-page bits of the
  // format registry.
  bool DoPreviews(int32_t Index, uint16_t Pages);

  // ---- acquisition: the bitmap is inserted at the acquisition position
  // (with square pixels under AutoAdjustDPI) with a delay of 100 ms, and
  // Params receives its record; OnAcquireBitmap may take it instead.
  virtual void DoAcquireBitmap(TIEBitmap* ABitmap, TIOParamsVals*& Params);
  virtual void ResetAcquireState() { acquire_state_ = false; }
  // OnProgress with 100, then OnFinishWork.
  virtual void DoFinishWork();
  // Made on first call.
  virtual TIEWia* GetWIAParams();
  TIETWainParams* TwainParams() const { return twain_params_.get(); }
  int32_t AcquirePosition() const { return acquire_position_; }
  void SetAcquirePosition(int32_t Value) { acquire_position_ = Value; }

  // ---- properties
  TIEProgressEvent OnProgress;
  TIEAcquireBitmapEvent OnAcquireBitmap;
  TNotifyEvent OnFinishWork;
  TIEDoPreviewsEvent OnDoPreviews;
  TMsgLanguage MsgLanguage() const { return msg_language_; }
  void SetMsgLanguage(TMsgLanguage Value) { msg_language_ = Value; }
  TIOPreviewsParams PreviewsParams() const { return previews_params_; }
  void SetPreviewsParams(TIOPreviewsParams Value) { previews_params_ = Value; }
  // Owned; assigning copies the font given.
  TFont* PreviewFont() const { return preview_font_.get(); }
  void SetPreviewFont(TFont* Value);
  bool AutoAdjustDPI = false;
  bool FilteredAdjustDPI = false;
  bool SimplifiedParamsDialogs = true;
  TIEDialogsMeasureUnit DialogsMeasureUnit = ieduInches;

 private:
  static void ViewChanged(void* Data, TIEView* View, bool Destroying);
  void DetachView();
  TImagoMView* MView() const;
  void Progress(int32_t Percent);
  bool SaveGIFAnimation(const std::string& FileName);
  bool FinishSave(const std::string& FileName, TMemoryStream& Out, bool Failed);

  TIEView* view_ = nullptr;
  TIEBitmapChangeHandle handle_ = ieNoBitmapChangeHandler;
  std::vector<std::unique_ptr<TIOParamsVals>> params_;
  std::unique_ptr<TIETWainParams> twain_params_;
  std::unique_ptr<TIEWia> wia_;
  int32_t acquire_position_ = 0;
  uint8_t dither_method_ = 1;
  bool acquire_state_ = false;
  bool aborted_ = false;
  TMsgLanguage msg_language_ = msSystem;
  TIOPreviewsParams previews_params_;
  TOwned<TFont> preview_font_;
};
