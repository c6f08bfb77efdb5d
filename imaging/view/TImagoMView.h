// TImagoMView: the thumbnail view, a scrollable grid of cells, one per image,
// each showing a thumbnail with optional text bands, a border and a selection
// frame; or, in single display mode, one image at a time.
//
// Images live in a file-backed store (ILIST) and rendered cells in a second
// one (ICACHE); files are loaded on demand, synchronously while painting or
// by the view's loader thread, which runs up to ThreadPoolSize loads at once.
//
// Threads: everything but the loads runs on the message-loop thread. The
// loader thread and the loads' workers touch the image list and the stores
// only under the process-wide lock (ThumbnailLock); what they have to do to
// windows, user events and drawing is queued to the message-loop thread.
//
// Source files: TImagoMView.cpp (list, layout, storing, synchronous loads),
// TImagoMViewLoader.cpp (background loads), TImagoMViewPaint.cpp (painting),
// TImagoMViewInteraction.cpp (selection, keys, mouse, playback),
// TImagoMViewCompanion.cpp (the multi-image and processing companions).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/IEProgress.h"
#include "imaging/model/Resample.h"
#include "imaging/model/TIEView.h"
#include "imaging/model/TIEVirtualImageList.h"
#include "imaging/view/IEViewBackground.h"
#include "imaging/view/IEViewScrollBars.h"
#include "imaging/view/TIETransitionEffects.h"
#include "imaging/view/TImagoView.h"
#include "rtl/SyncObjs.h"
#include "rtl/TObject.h"
#include "rtl/TSet.h"
#include "rtl/TThread.h"
#include "ui/TColor.h"
#include "ui/TGraphicsObject.h"

class TBitmap;
class TCanvas;
class TFont;
class TIEBitmap;
class TImagoIO;
class TImagoMIO;
class TImagoMView;
class TImagoProc;
class TIOParamsVals;
class TPicture;

// The lock shared by every thumbnail view, its loader threads and the loads'
// workers; re-entrant for the thread that holds it.
TCriticalSection& ThumbnailLock();

enum TIEStoreType : uint8_t { ietNormal, ietThumb };
enum TIEMMouseInteractItems : uint8_t { mmiScroll, mmiSelect };
using TIEMMouseInteract = TSet<TIEMMouseInteractItems, 2>;
enum TIEMKeyInteractItems : uint8_t { mkiMoveSelected };
using TIEMKeyInteract = TSet<TIEMKeyInteractItems, 1>;
enum TIEMDisplayMode : uint8_t { mdGrid, mdSingle };
// iemsACD draws 3-D frames around picture, body and bottom band.
enum TIEMStyle : uint8_t { iemsFlat, iemsACD };
// iessAround frames the selected cell; iessACD paints it in highlight colours.
enum TIESStyle : uint8_t { iessAround, iessACD };
enum TIEMultiSelectionOptionsItems : uint8_t { iemoRegion, iemoSelectOnMouseUp };
using TIEMultiSelectionOptions = TSet<TIEMultiSelectionOptionsItems, 2>;

// What LastChange reports to the bitmap-change handlers.
constexpr int32_t iemcNone = 0, iemcInserted = 1, iemcDeleted = 2, iemcMoved = 3, iemcExchanged = 4;

using TIEImageIDRequestEvent = std::function<void(TObject* Sender, int32_t ID, TBitmap*& Bitmap)>;
using TIEImageIDRequestExEvent = std::function<void(TObject* Sender, int32_t ID, TIEBitmap*& Bitmap)>;
using TIEImageDrawEvent =
    std::function<void(TObject* Sender, int32_t idx, int32_t Left, int32_t Top, TCanvas* Canvas)>;
using TIEImageDraw2Event = std::function<void(TObject* Sender, int32_t idx, int32_t Left, int32_t Top,
                                              TBitmap* Dest, TRect& ThumbRect)>;
using TIEImageSelectEvent = std::function<void(TObject* Sender, int32_t idx)>;
using TIEMProgressEvent = std::function<void(TObject* Sender, int32_t per, int32_t idx)>;
using TIEWrongImageEvent =
    std::function<void(TObject* Sender, TIEBitmap* OutBitmap, int32_t idx, bool& Handled)>;
using TIEMNotifyEvent = std::function<void(TObject* Sender)>;

// The soft shadow drawn under each picture when Enabled.
struct TIEVSoftShadow {
  bool Enabled = false;
  double Radius = 3.0;
  int32_t OffsetX = 3;
  int32_t OffsetY = 3;
};

// One text band of a cell: 0 top, 1 bottom, 2 info. Drawn only when Text is
// not empty; TrimSide 0 keeps the beginning of a long text, 1 its end.
class TIEMText {
 public:
  TIEMText(TImagoMView* Owner, int32_t Position);
  ~TIEMText();
  TIEMText(const TIEMText&) = delete;
  TIEMText& operator=(const TIEMText&) = delete;

  std::string Text;  // UTF-8
  TFont* Font() const { return font_.get(); }
  TColor BackgroundColor = clBtnFace;
  int32_t BrushStyle = 0;  // 0 solid, 1 clear
  TImagoMView* Owner() const { return owner_; }
  int32_t Position() const { return position_; }
  int32_t TrimSide = 1;

 private:
  TImagoMView* owner_;
  int32_t position_;
  TOwned<TFont> font_;
};

// A band's text shortened to fit Width in the canvas's font: TrimSide 0
// keeps its beginning followed by "...", 1 "..." followed by its end; it
// stops shortening when nothing of the text would be left.
std::string TrimBandText(TCanvas* Canvas, const std::string& Text, int32_t Width, int32_t TrimSide);

// One image of the view; its index is its position in the view's list.
struct TIEMImageInfo {
  TImagoMView* Parent = nullptr;
  TIEVirtualImageEntry* Image = nullptr;      // in ILIST
  TIEVirtualImageEntry* Rendering = nullptr;  // in ICACHE
  int32_t X = 0, Y = 0;                       // cell origin in grid coordinates
  int32_t Row = 0, Col = 0;
  TColor Background = clBtnFace;
  std::string FileName;  // empty: none; "name::n" is frame n of a multi-image file
  int32_t ID = -1;       // 0 or more: loads go through the ID-request events
  int32_t Delay = 0;     // milliseconds shown during playback
  std::unique_ptr<TIEMText> TopText, BottomText, InfoText;
  TRect ImageRect{};  // the picture inside the drawn thumbnail
  uint64_t Serial = 0;  // unique per entry for the life of the view
};

// The options a background load works with, copied from the view on the
// message-loop thread (under the lock) so that the loader and the workers
// never read the view's own fields.
struct TIEMLoadSettings {
  TIEStoreType StoreType = ietNormal;
  int32_t ThumbWidth = 100, ThumbHeight = 100;
  bool FitThumbnails = true;
  TResampleFilter ThumbnailResampleFilter = rfFastLinear;
  bool EmbeddedThumbnails = true;
  bool AdjustOrientation = false;
  int32_t ThreadPoolSize = 5;
};

// The loader thread of one view: starts queued loads, tidies the lists and
// waits (on the view's wake condition) while there is nothing to do.
class TIEStarter : public TThread {
  RTL_CLASS(TIEStarter, TThread)
 public:
  explicit TIEStarter(TImagoMView* View) : TThread(true), mview(View) {}
  TImagoMView* mview;

 protected:
  void Execute() override;
};

class TImagoMView : public TIEView {
  RTL_CLASS(TImagoMView, TIEView)
  friend class TIEStarter;

 public:
  explicit TImagoMView(TComponent* AOwner);
  ~TImagoMView() override;
  void BeforeDestruction() override;

  // ---- TIEView slots
  void Assign(TPersistent* Source) override {}
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void Update() override;
  void Paint() override;
  void SetBackground(TColor Value) override;
  TBitmap* GetTBitmap() override;
  TIEBitmap* GetIEBitmap() override;
  TIEBitmap* GetAlphaChannel() { return nullptr; }
  bool HasAlphaChannel() { return false; }
  void RemoveAlphaChannel(bool Merge) {}
  void LockUpdate() { TIEView::LockUpdate(); }
  int32_t UnlockUpdate();
  int32_t UnlockUpdateNoRepaint() { return TIEView::UnlockUpdateNoRepaint(); }
  void CallBitmapChangeHandlers();

  // ---- companions, made on first request
  virtual TImagoMIO* GetMIO();
  virtual TImagoProc* GetProc();
  virtual void SetOnProgress(TIEProgressEvent Value);
  virtual TIEProgressEvent GetOnProgress() const { return on_progress_; }

  // ---- image list (indexes from 0; out of range: nothing, unless noted)
  void InsertImage(int32_t Index);
  bool DeleteImage(int32_t Index);
  int32_t ImageCount() const { return static_cast<int32_t>(images_.size()); }
  void SetImage(int32_t Index, TIEBitmap* Bitmap);
  void SetImageFromTBitmap(int32_t Index, TBitmap* Bitmap);
  void SetImageFileName(int32_t Index, const std::string& FileName);
  std::string ImageFileName(int32_t Index) const;
  void SetImageDelay(int32_t Index, int32_t Milliseconds);
  int32_t ImageDelay(int32_t Index) const;
  void SetImageID(int32_t Index, int32_t ID);
  void SetImageOriginalWidth(int32_t Index, int32_t W);
  void SetImageOriginalHeight(int32_t Index, int32_t H);
  int32_t ImageOriginalWidth(int32_t Index);
  int32_t ImageOriginalHeight(int32_t Index);
  int32_t GetImageRow(int32_t Index) const;
  int32_t GetImageColumn(int32_t Index) const;
  // The entry itself (null out of range); for the companions and tests.
  TIEMImageInfo* ImageInfo(int32_t Index) const;
  bool HasStoredImage(int32_t Index) const;
  bool HasRendering(int32_t Index) const;
  // Loads the entry when it has no stored image; the store's shared bitmap,
  // borrowed (hand it back with ReleaseImageBitmap), or null.
  TIEBitmap* GetImageBitmap(int32_t Index);
  void ReleaseImageBitmap(TIEBitmap* Bitmap, bool WriteBack);
  int32_t ImageAtPos(int32_t X, int32_t Y);
  int32_t IndexOfCell(int32_t Row, int32_t Col);
  // 2 wholly inside the client area, 1 partly, 0 not (also out of range).
  int32_t ImageVisibility(int32_t Index);
  void Clear();
  void FillFromMultiImageFile(const std::string& FileName);
  bool LoadImageNow(int32_t Index);
  void ReleaseRendering(int32_t Index);
  void ClearRenderings();
  void SetChessboardStyle(int32_t Size, TBrushStyle BrushStyle);
  void SetFillThumbnail(bool Value);
  int32_t GetLastChange() const { return last_change_; }
  int32_t GetLastChangeIndex() const { return last_change_index_; }
  int32_t GetLastChangeExtra() const { return last_change_extra_; }
  TIEVirtualImageList* ImageList() const { return ilist_.get(); }
  // The input/output object of synchronous loads of plain files.
  TImagoIO* SyncIO() const { return own_io_.get(); }
  TIEVirtualImageList* RenderingCache() const { return icache_.get(); }

  // ---- layout and scrolling
  void LayoutCells();
  void Relayout(bool ClearRenderings);
  int32_t ViewX() const { return view_x_; }
  int32_t ViewY() const { return view_y_; }
  void SetViewX(int32_t Value);
  void SetViewY(int32_t Value);
  void SetViewXY(int32_t X, int32_t Y);
  int32_t MaxViewX();
  int32_t MaxViewY();
  int32_t ExtentX() const { return extent_x_; }
  int32_t ExtentY() const { return extent_y_; }
  // The columns of the grid: GridWidth, or as many as fit for -1.
  int32_t GridColumns();
  int32_t ViewClientWidth() { return bars_.ClientWidth(); }
  int32_t ViewClientHeight() { return bars_.ClientHeight(); }
  // Whether the cell of Index overlaps the control.
  bool IsVisible(int32_t Index);
  virtual void ViewChange(int32_t Change);
  TIEScrollBarParams* VScrollBarParams() { return &scroll_params_[0]; }
  TIEScrollBarParams* HScrollBarParams() { return &scroll_params_[1]; }
  const TIEViewScrollBar& HorzScrollBar() const { return bars_[0]; }
  const TIEViewScrollBar& VertScrollBar() const { return bars_[1]; }

  // ---- published properties
  TScrollStyle ScrollBars() const { return scroll_bars_; }
  virtual void SetScrollBars(TScrollStyle Value);
  TIEStoreType StoreType = ietNormal;
  int32_t ThumbWidth() const { return thumb_width_; }
  void SetThumbWidth(int32_t Value);
  int32_t ThumbHeight() const { return thumb_height_; }
  void SetThumbHeight(int32_t Value);
  int32_t HorizBorder() const { return horiz_border_; }
  void SetHorizBorder(int32_t Value);
  int32_t VertBorder() const { return vert_border_; }
  void SetVertBorder(int32_t Value);
  int32_t UpperGap() const { return upper_gap_; }
  void SetUpperGap(int32_t Value);
  int32_t BottomGap() const { return bottom_gap_; }
  void SetBottomGap(int32_t Value);
  bool VisibleSelection() const { return visible_selection_; }
  void SetVisibleSelection(bool Value);
  TIEMMouseInteract MouseInteract() const { return mouse_interact_; }
  virtual void SetMouseInteract(TIEMMouseInteract Value) { mouse_interact_ = Value; }
  TIEMKeyInteract KeyInteract() const { return key_interact_; }
  virtual void SetKeyInteract(TIEMKeyInteract Value) { key_interact_ = Value; }
  TIEMDisplayMode DisplayMode() const { return display_mode_; }
  void SetDisplayMode(TIEMDisplayMode Value);
  int32_t GridWidth() const { return grid_width_; }
  void SetGridWidth(int32_t Value);
  int32_t SelectionWidth() const { return selection_width_; }
  void SetSelectionWidth(int32_t Value);
  TColor SelectionColor() const { return selection_color_; }
  void SetSelectionColor(TColor Value);
  bool RemoveCorrupted() const { return remove_corrupted_; }
  void SetRemoveCorrupted(bool Value);
  bool DrawImageBackground() const { return draw_image_background_; }
  void SetDrawImageBackground(bool Value);
  int32_t ImageCacheSize() const { return image_cache_size_; }
  void SetImageCacheSize(int32_t Value);
  TIETransitionType TransitionEffect = iettNone;
  int32_t TransitionDuration = 1000;
  // The transition engine the view owns (idle: no operation starts it).
  TIETransitionEffects* Transition() const { return transition_.get(); }
  TIEMStyle Style() const { return style_; }
  void SetStyle(TIEMStyle Value);
  TIESStyle SelectionStyle() const { return selection_style_; }
  void SetSelectionStyle(TIESStyle Value);
  TColor ThumbnailsBackground = clBtnFace;
  bool EnableMultiSelect() const { return enable_multi_select_; }
  void SetEnableMultiSelect(bool Value);
  TIEMultiSelectionOptions MultiSelectionOptions;
  int32_t ThumbnailsBorderWidth() const { return thumbnails_border_width_; }
  void SetThumbnailsBorderWidth(int32_t Value);
  TColor ThumbnailsBorderColor() const { return thumbnails_border_color_; }
  void SetThumbnailsBorderColor(TColor Value);
  bool ThumbnailsInternalBorder() const { return thumbnails_internal_border_; }
  void SetThumbnailsInternalBorder(bool Value);
  TColor ThumbnailsInternalBorderColor() const { return thumbnails_internal_border_color_; }
  void SetThumbnailsInternalBorderColor(TColor Value);
  TPicture* WallPaper() const { return wallpaper_.get(); }
  void SetWallPaper(TPicture* Value);
  TIEWallPaperStyle WallPaperStyle() const { return wallpaper_style_; }
  void SetWallPaperStyle(TIEWallPaperStyle Value);
  // Concurrent background loads; 0 loads synchronously.
  int32_t ThreadPoolSize = 5;
  bool EnableAlphaChannel() const { return enable_alpha_channel_; }
  void SetEnableAlphaChannel(bool Value);
  TIEBackgroundStyle BackgroundStyle() const { return background_style_; }
  void SetBackgroundStyle(TIEBackgroundStyle Value);
  TIEBackgroundStyle ThumbnailsBackgroundStyle() const { return thumbnails_background_style_; }
  void SetThumbnailsBackgroundStyle(TIEBackgroundStyle Value);
  bool FlatScrollBars() const { return bars_.Flat; }
  void SetFlatScrollBars(bool Value);

  // ---- public options
  bool ShowText = true;
  bool FitThumbnails = true;
  TResampleFilter ThumbnailResampleFilter = rfFastLinear;
  TResampleFilter ThumbnailDisplayFilter = rfNone;
  int32_t CornerRoundness = 0;
  int32_t UnfocusedSelectionWidth = 1;
  bool EnableRenderingCache = true;
  int32_t ChessboardSize = 16;
  TBrushStyle ChessboardBrushStyle = bsSolid;
  TColor GradientEndColor = 0xFF0000;
  bool FillThumbnail = true;
  // Both owned; drawn behind every cell (the second behind the selected
  // one) only when both are set.
  std::unique_ptr<TIEBitmap> ThumbnailFrame, ThumbnailFrameSelected;
  TRect ThumbnailFrameRect{0, 0, 0, 0};
  bool KeepScrollBars = false;
  int32_t LookAheadCount = 0;
  int32_t KeepLoadedDistance = 15;
  bool AdjustOrientation = false;
  bool EmbeddedThumbnails = true;
  bool LoopPlayback = true;
  TIEVSoftShadow SoftShadow;

  // ---- selection and playback state
  int32_t SelectedIndex() const { return selected_index_; }
  int32_t MultiSelectedImagesCount() const { return static_cast<int32_t>(multi_selected_.size()); }
  int32_t MultiSelectedImages(int32_t Index) const { return multi_selected_.at(Index); }
  bool IsMultiSelected(int32_t Index) const;
  void SelectImage(int32_t Index);
  void DeselectAll();
  void ClearSelection();
  bool Playing() const { return playing_; }
  void SetPlaying(bool Value);
  int32_t CurrentFrame() const { return current_frame_; }
  void SetCurrentFrame(int32_t Value) { current_frame_ = Value; }
  // The selection core: selects Index, under AddMode adding it to (or
  // toggling it in) the multi-selection, and fires the select events.
  void ChangeSelection(int32_t Index);
  // The selection at a client point with the shift state of a click.
  void SelectAtPos(int32_t X, int32_t Y, TShiftState Shift);
  // Keyboard moves: 0 Left, 1 Right, 2 Up, 3 Down, 4 Home, 5 End,
  // 6 PageDown, 7 PageUp; they stop at the first and the last image.
  void MoveSelection(int32_t Action);
  // One playback step: shows CurrentFrame and sets the timer for the next.
  void PlayStep();
  // While set, a selection adds to the multi-selection instead of replacing it.
  bool AddMode() const { return add_mode_; }
  void SetAddMode(bool Value) { add_mode_ = Value; }
  // While set, selecting a multi-selected image keeps it selected.
  bool KeepOnToggle() const { return keep_on_toggle_; }
  void SetKeepOnToggle(bool Value) { keep_on_toggle_ = Value; }
  // Whether the last selection-core call changed something.
  bool SelectionChanged() const { return selection_changed_; }

  // ---- loader
  bool RequestLoad(int32_t Index);
  virtual void CancelPendingLoads();
  void PurgeRunningLoads();
  void PurgeQueue();
  // The OnFinishWork handler of the background loads (on their workers).
  void LoadFinished(TObject* Sender);
  // Loader introspection (under the lock): queued indexes, running loads
  // (including finished ones not yet freed) and the look-ahead list.
  int32_t QueuedLoadCount();
  int32_t RunningLoadCount();
  std::vector<int32_t> RunningLoadIndexes();
  std::vector<int32_t> LookAheadIndexes();
  TIEStarter* LoaderThread() const { return loader_; }

  // ---- painting
  virtual void PaintTo(TBitmap* Dest);
  void DrawCell(TBitmap* Dest, TIEMImageInfo* Entry, int32_t Index, bool Selected);
  // The back buffer as last painted.
  TIEBitmap* BackBuffer() const { return back_buffer_.get(); }
  bool AllDisplayed() const { return all_displayed_; }

  virtual void DoWrongImage(TIEBitmap* OutBitmap, int32_t idx);
  virtual void DoImageSelect(int32_t idx);
  virtual void DoImageDeselect(int32_t idx);

  // ---- events
  TViewChangeEvent OnViewChange;
  TIEImageIDRequestEvent OnImageIDRequest;
  TIEImageIDRequestExEvent OnImageIDRequestEx;
  TIEImageDrawEvent OnBeforeImageDraw;
  TIEImageDraw2Event OnBeforeImageDrawEx;
  TIEImageDrawEvent OnImageDraw;
  TIEImageSelectEvent OnImageSelect, OnImageDeselect;
  TIEProgressEvent OnIOProgress;
  TIEMProgressEvent OnDrawProgress;
  TIEWrongImageEvent OnWrongImage;
  TIEMNotifyEvent OnAllDisplayed;

  // The picture rules of storing (SetImage steps 2 and 3): a new thumbnail
  // of Source, or null when Source is stored unchanged.
  std::unique_ptr<TIEBitmap> MakeStoredPicture(TIEBitmap* Source, bool GreyTransparent);
  static std::unique_ptr<TIEBitmap> MakeStoredPicture(TIEBitmap* Source, bool GreyTransparent,
                                                      const TIEMLoadSettings& Settings);
  // The current options as a background load sees them.
  TIEMLoadSettings CurrentLoadSettings() const;

 protected:
  void WndProc(TMessage& Message) override;
  // Whether a user mouse, wheel or key handler is running.
  bool UserAction() const { return user_action_; }
  void SetUserAction(bool Value) { user_action_ = Value; }
  bool Destroying() const { return destroying_.load(std::memory_order_acquire); }
  // The parameters of a load (synchronous or background).
  void PrepareLoadParams(TIOParamsVals* Params);
  static void PrepareLoadParams(TIOParamsVals* Params, const TIEMLoadSettings& Settings);
  // Stores what a load produced for the entry at Index (under the lock).
  void StoreLoadResult(int32_t Index, TImagoIO* IO, TIEBitmap* Picture, bool IsJpeg);
  // Copies a load's parameters into the multi-image companion's record.
  void CopyParamsToCompanion(int32_t Index, TIOParamsVals* Params);
  // Gives a synchronous load the companion's options (AutoAdjustDPI).
  void ApplyCompanionOptions(TImagoIO* IO);
  // Index of the entry with Serial, -1 when it is gone.
  int32_t IndexOfSerial(uint64_t Serial) const;
  // Runs Work on the message-loop thread while the view lives.
  void QueueToUI(std::function<void()> Work);
  void FreeCompanions();
  // Gives the progress event to the companions that exist.
  void SetCompanionProgress();
  void Scroll(int Bar, int32_t Code, int32_t Pos) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void WMMouseWheel(TMessage& Message) override;

  TIEBitmap* selected_bitmap_ = nullptr;  // borrowed from ILIST
  std::vector<int32_t> multi_selected_;
  int32_t selected_index_ = -1;
  int32_t shift_anchor_ = -1;
  bool playing_ = false;
  int32_t current_frame_ = 0;
  uintptr_t play_timer_ = 0;
  TIEMDisplayMode remembered_display_mode_ = mdGrid;
  int32_t remembered_selected_ = -1;
  bool user_action_ = false;
  TImagoMIO* mio_ = nullptr;
  std::unique_ptr<TIETransitionEffects> transition_;
  TImagoProc* proc_ = nullptr;

 private:
  struct PerFileIO {
    std::string file_name;
    TOwned<TImagoIO> io;
    bool media_open = false;
  };
  // A background load: its component works on Bitmap; Tag of the component
  // holds the image index (-1 finished, -2 cancelled).
  struct RunningLoad {
    TImagoIO* io = nullptr;
    std::unique_ptr<TIEBitmap> bitmap;
    TIEMLoadSettings settings;
  };
  void DeleteEntryStorage(TIEMImageInfo* Entry);
  void FreeEntry(TIEMImageInfo* Entry);
  void MoveThumb(int Bar);
  void InvalidateFromAnyThread();
  bool LoadFileFrame(TImagoIO* IO, const std::string& FileName, int32_t Frame, TIEMImageInfo* Entry);
  TImagoIO* PerFileIOFor(const std::string& FileName);
  void FreeRunningLoads();
  // Frees the loads that have finished (loader thread, under the lock).
  void FreeFinishedLoads();
  // Takes the next queued request while fewer than the pool size run and
  // makes its load (loader thread); null when there is none. The caller
  // starts it with FileName.
  TImagoIO* StartNextLoad(std::string& FileName);
  // Stores Picture as the entry's image (under the lock); no selection work.
  void StorePicture(TIEMImageInfo* Entry, TIEBitmap* Picture, int32_t SourceWidth, int32_t SourceHeight);
  // Whether the loader has anything to do (under the lock).
  bool LoaderHasWork() const;
  // Tells the loader that something changed (under the lock).
  void WakeLoader();
  void ShiftLoadIndexes(int32_t From, int32_t By, int32_t Deleted);
  void ReleaseSelectedBitmap(bool WriteBack);
  void PaintCells(TBitmap* Dest, TIEBitmap* Target);
  // The steps of DrawCell, in their order.
  struct CellPaint;
  void PlaceCell(CellPaint& c, TBitmap* Dest);
  void MeasureInfoBand(CellPaint& c, TIEMImageInfo* Entry);
  void FillCellBackground(CellPaint& c, TIEMImageInfo* Entry);
  void DrawStoredPicture(CellPaint& c, TIEMImageInfo* Entry);
  std::unique_ptr<TIEBitmap> FittedPicture(TIEBitmap* Stored, int32_t W, int32_t H) const;
  std::unique_ptr<TIEBitmap> ShadowedPicture(std::unique_ptr<TIEBitmap> Picture, int32_t W, int32_t H,
                                             TRect& ImageRect) const;
  void DrawRendering(CellPaint& c, TIEMImageInfo* Entry);
  void DrawPictureSurround(CellPaint& c, TIEMImageInfo* Entry);
  void DrawTextBands(CellPaint& c, TIEMImageInfo* Entry);
  void DrawRaisedFrames(CellPaint& c);
  void DrawCellBorderAndSelection(CellPaint& c);
  void LookAhead(int32_t LastVisible);
  void DropFarImages(int32_t FirstVisible, int32_t LastVisible);
  void TransferBackBuffer();
  // Interaction: a Shift-press range from Anchor to the image at X, Y, and
  // the origin dragged from the press.
  void SelectRangeTo(int32_t Anchor, int32_t X, int32_t Y);
  void DragScroll(int32_t X, int32_t Y);
  bool add_mode_ = false;
  bool keep_on_toggle_ = false;
  bool selection_changed_ = false;
  bool double_click_ = false;
  bool press_pending_ = false;
  bool dragged_selection_ = false;
  bool in_play_step_ = false;
  TPoint press_point_{0, 0};
  TPoint press_view_{0, 0};
  int32_t press_index_ = -1;
  int32_t last_met_index_ = -1;

  std::vector<std::unique_ptr<TIEMImageInfo>> images_;
  TOwned<TIEVirtualImageList> ilist_, icache_;
  std::unique_ptr<TIEBitmap> back_buffer_;
  TOwned<TImagoIO> own_io_;
  std::vector<PerFileIO> per_file_io_;
  uint64_t next_serial_ = 1;

  // loader state (under ThumbnailLock)
  std::vector<int32_t> queue_;
  std::vector<RunningLoad> running_;
  std::vector<int32_t> look_ahead_;
  TIEStarter* loader_ = nullptr;
  std::condition_variable_any wake_;
  bool wake_pending_ = false;
  std::shared_ptr<bool> alive_;
  TIEMLoadSettings load_settings_;  // as of the last request

  // scrolling
  int32_t view_x_ = 0, view_y_ = 0;
  int32_t extent_x_ = 0, extent_y_ = 0;
  double scroll_scale_[2] = {1.0, 1.0};  // horizontal, vertical
  TIEScrollBarParams scroll_params_[2];  // vertical, horizontal
  TIEViewScrollBars bars_{this};

  // properties
  TScrollStyle scroll_bars_ = ssBoth;
  int32_t thumb_width_ = 100, thumb_height_ = 100;
  int32_t horiz_border_ = 4, vert_border_ = 4;
  int32_t upper_gap_ = 0, bottom_gap_ = 0;
  bool visible_selection_ = true;
  TIEMMouseInteract mouse_interact_{mmiSelect};
  TIEMKeyInteract key_interact_{mkiMoveSelected};
  TIEMDisplayMode display_mode_ = mdGrid;
  int32_t grid_width_ = 0;
  int32_t selection_width_ = 3;
  TColor selection_color_ = clRed;
  bool remove_corrupted_ = false;
  bool draw_image_background_ = false;
  int32_t image_cache_size_ = 10;
  TIEMStyle style_ = iemsACD;
  TIESStyle selection_style_ = iessAround;
  bool enable_multi_select_ = false;
  int32_t thumbnails_border_width_ = 0;
  TColor thumbnails_border_color_ = clBtnFace;
  bool thumbnails_internal_border_ = false;
  TColor thumbnails_internal_border_color_ = clBlack;
  TOwned<TPicture> wallpaper_;
  TIEWallPaperStyle wallpaper_style_ = iewoNormal;
  bool enable_alpha_channel_ = true;
  TIEBackgroundStyle background_style_ = iebsSolid;
  TIEBackgroundStyle thumbnails_background_style_ = iebsSolid;
  TIEProgressEvent on_progress_;

  // change report and flags
  int32_t last_change_ = 0, last_change_index_ = 0, last_change_extra_ = 0;
  std::atomic<bool> destroying_{false};
  bool in_relayout_ = false;
  bool all_displayed_ = false;
};
