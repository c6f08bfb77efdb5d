#pragma once
// Docks and dockable windows. A dock is a child control along one edge of a
// form that holds dockable windows (toolbars) in rows: it lays them out,
// shrinks and wraps them when room runs short and sizes itself to its rows.
// A dockable window sits on a dock with a frame and drag handle of its own,
// floats in a small tool window, or is a plain child of its form; the drag
// loop moves it between these places.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Geometry.h"
#include "rtl/TComponent.h"
#include "ui/TControl.h"
#include "ui/TForm.h"

class TDKCustomDockableWindow;
class TDKFloatingWindowParent;
struct TDKPlacementValues;

enum TDKDockPosition { dpTop, dpBottom, dpLeft, dpRight };
using TDKDockableTo = uint8_t;  // bit set of TDKDockPosition
constexpr TDKDockableTo DockableBit(TDKDockPosition p) { return TDKDockableTo(1u << p); }
constexpr TDKDockableTo kDockableToAll = 0x0F;

enum TDKDockBoundLinesValues { blTop, blBottom, blLeft, blRight };
using TDKDockBoundLines = uint8_t;  // bit set of TDKDockBoundLinesValues
constexpr TDKDockBoundLines BoundLineBit(TDKDockBoundLinesValues v) { return TDKDockBoundLines(1u << v); }

enum TDKDockType { dtNone, dtFloating, dtHorizontal, dtVertical };
enum TDKDockMode { dmCanFloat, dmCannotFloat, dmCannotFloatOrChangeDocks };
enum TDKDragHandleStyle { dhDouble, dhNone, dhSingle };
enum TDKFloatingMode { fmOnTopOfParentForm, fmOnTopOfAllForms };
enum TDKShrinkMode { dksmNone, dksmWrap, dksmChevron };
enum TDKSizeHandle { shLeft, shRight, shTop, shTopLeft, shTopRight, shBottom, shBottomLeft, shBottomRight };
enum : uint8_t { roEightCorners = 1u << 0, roClipCursor = 1u << 1 };
using TDKResizeOptions = uint8_t;

// The library's own non-client hit-test codes.
enum : int32_t { htDragArea = 2000, htCloseButton = 2001, htFloatCaption = 2002 };

using TDKInsertRemoveEvent = std::function<void(TObject* Sender, bool Inserting, TDKCustomDockableWindow* Bar)>;
using TDKRequestDockEvent = std::function<void(TObject* Sender, TDKCustomDockableWindow* Bar, bool& Accept)>;
using TDKDockChangingEvent = std::function<void(TObject* Sender, bool Floating, class TDKDock* DockingTo)>;

// A background that a dock and its windows can paint. No descendant exists
// in the program; an application that supplies one provides all of it.
class TDKBasicBackground : public TComponent {
  RTL_CLASS(TDKBasicBackground, TComponent)
 public:
  using TComponent::TComponent;
  virtual void Draw(HDC DC, const TRect& DrawRect) = 0;
  virtual void* GetPalette() = 0;
  virtual void RegisterChanges(TNotifyEvent Proc) = 0;
  virtual void SysColorChanged() = 0;
  virtual void UnregisterChanges(TNotifyEvent Proc) = 0;
  virtual bool UsingBackground() = 0;
};

class TDKDock : public TCustomControl {
  RTL_CLASS(TDKDock, TCustomControl)
  friend class TDKCustomDockableWindow;

 public:
  explicit TDKDock(TComponent* AOwner);
  ~TDKDock() override;

  TDKDockPosition Position() const { return position_; }
  void SetPosition(TDKDockPosition v);
  bool AllowDrag() const { return allowDrag_; }
  void SetAllowDrag(bool v);
  TDKDockBoundLines BoundLines() const { return boundLines_; }
  void SetBoundLines(TDKDockBoundLines v);
  TDKBasicBackground* Background() const { return background_; }
  void SetBackground(TDKBasicBackground* v);
  bool BackgroundOnToolbars() const { return backgroundOnToolbars_; }
  void SetBackgroundOnToolbars(bool v);
  bool FixAlign() const { return fixAlign_; }
  void SetFixAlign(bool v);
  bool LimitToOneRow() const { return limitToOneRow_; }
  void SetLimitToOneRow(bool v) { limitToOneRow_ = v; }

  TDKInsertRemoveEvent OnInsertRemoveBar;
  TDKRequestDockEvent OnRequestDock;

  // Virtual operations.
  virtual bool AllowsDragging(TDKCustomDockableWindow* Window) { return allowDrag_; }
  virtual void DrawDockBackground(HDC DC, const TRect& DrawRect);
  virtual bool UsesBackground();
  virtual void LayoutToolbars();

  void SuspendLayout();
  void ResumeLayout();
  void UpdateWindowList(TDKCustomDockableWindow* Window, bool Insert);
  void UpdateVisibleList(TDKCustomDockableWindow* Window, bool ForceRemove);
  bool HasVisibleWindows() const { return !visibleList_.empty(); }
  int32_t VisibleWindowCount() const { return int32_t(visibleList_.size()); }
  TDKCustomDockableWindow* VisibleWindows(int32_t Index) const { return visibleList_.at(size_t(Index)); }
  int32_t WindowCount() const { return int32_t(windowList_.size()); }
  TDKCustomDockableWindow* Windows(int32_t Index) const { return windowList_.at(size_t(Index)); }
  int32_t RowThickness(int32_t Row, bool& FullSize);
  int32_t RowThicknessExcept(int32_t Row, TDKCustomDockableWindow* Window);
  int32_t HighestRow(bool LaidOut);
  int32_t RowAtOffset(int32_t Offset);
  void ResizeKeepingEdge(int32_t AWidth, int32_t AHeight);
  void InvalidateBackground();
  void DrawNonClient(bool ToDC, HDC DC);
  bool IsVertical() const { return position_ == dpLeft || position_ == dpRight; }
  int32_t BoundLineWidth() const { return boundLineWidth_; }
  int32_t BoundLineHeight() const { return boundLineHeight_; }

  // Drag state written by the drag loop and read by the layout.
  TDKCustomDockableWindow* DragWindow = nullptr;
  bool DragMaySplit = false;
  bool SplitDragActive = false;
  bool WriteBackPositions = false;

  void SetParent(TWinControl* AParent) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;

 private:
  // The steps of LayoutToolbars, over one pass's places.
  struct TLayoutPass;
  bool CollapseWhenNothingShows();
  void DropDestroyingWindows();
  void TakeWindowsInLayoutOrder(TLayoutPass& P);
  void GiveOwnRows(TLayoutPass& P);
  void CloseEmptyRows(TLayoutPass& P);
  void FitRowAlong(TLayoutPass& P, int32_t Row);
  void StoreLayoutPositions(TLayoutPass& P);
  int32_t PlaceRowsAcross(TLayoutPass& P);
  int32_t RowThicknessForLayout(TLayoutPass& P, int32_t Row);

  void BackgroundChanged(TObject* Sender);
  LRESULT RelayToWindows(TMessage& Message);
  int32_t layoutLock_ = 0;
  bool layoutPending_ = false;
  TDKDockPosition position_ = dpTop;
  bool allowDrag_ = true;
  TDKDockBoundLines boundLines_ = 0;
  int32_t boundLineWidth_ = 0, boundLineHeight_ = 0;
  TDKBasicBackground* background_ = nullptr;
  bool backgroundOnToolbars_ = true;
  bool fixAlign_ = false;
  bool limitToOneRow_ = false;
  std::vector<TDKCustomDockableWindow*> windowList_;
  std::vector<TDKCustomDockableWindow*> visibleList_;
};

// Copies every shown window's laid-out row and position into DockRow and
// DockPos (before a drag starts).
void CommitLayoutPositions(TDKDock* Dock);
TDKDockType DockTypeOf(TDKDock* Dock, bool Floating);

class TDKCustomDockableWindow : public TCustomControl {
  RTL_CLASS(TDKCustomDockableWindow, TCustomControl)
  friend class TDKDock;
  friend class TDKFloatingWindowParent;

 public:
  explicit TDKCustomDockableWindow(TComponent* AOwner);
  ~TDKCustomDockableWindow() override;
  void BeforeDestruction() override;

  // Properties.
  bool ActivateParent() const { return activateParent_; }
  void SetActivateParent(bool v) { activateParent_ = v; }
  bool AutoResize() const { return autoResize_; }
  void SetAutoResize(bool v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  bool CloseButton() const { return closeButton_; }
  void SetCloseButton(bool v);
  bool CloseButtonWhenDocked() const { return closeButtonWhenDocked_; }
  void SetCloseButtonWhenDocked(bool v);
  TDKDock* CurrentDock() const { return currentDock_; }
  void SetCurrentDock(TDKDock* v);
  bool DblClickUndock() const { return dblClickUndock_; }
  void SetDblClickUndock(bool v) { dblClickUndock_ = v; }
  TDKDock* DefaultDock() const { return defaultDock_; }
  void SetDefaultDock(TDKDock* v);
  TDKDockableTo DockableTo() const { return dockableTo_; }
  void SetDockableTo(TDKDockableTo v) { dockableTo_ = v; }
  TDKDockMode DockMode() const { return dockMode_; }
  void SetDockMode(TDKDockMode v) { dockMode_ = v; }
  int32_t DockPos() const { return dockPos_; }
  void SetDockPos(int32_t v);
  int32_t DockRow() const { return dockRow_; }
  void SetDockRow(int32_t v);
  TDKDragHandleStyle DragHandleStyle() const { return dragHandleStyle_; }
  void SetDragHandleStyle(TDKDragHandleStyle v);
  TDKFloatingMode FloatingMode() const { return floatingMode_; }
  void SetFloatingMode(TDKFloatingMode v);
  bool FullSize() const { return fullSize_; }
  void SetFullSize(bool v);
  bool HideWhenInactive() const { return hideWhenInactive_; }
  void SetHideWhenInactive(bool v) { hideWhenInactive_ = v; }
  TDKDock* LastDock() const { return lastDock_; }
  void SetLastDock(TDKDock* v);
  bool Resizable() const { return resizable_; }
  void SetResizable(bool v);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool v);
  bool SmoothDrag() const { return smoothDrag_; }
  void SetSmoothDrag(bool v) { smoothDrag_ = v; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool UseLastDock() const { return useLastDock_; }
  void SetUseLastDock(bool v);

  TNotifyEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnDockChanged;
  TDKDockChangingEvent OnDockChanging;
  TDKDockChangingEvent OnDockChangingHidden;
  TNotifyEvent OnMove;
  TNotifyEvent OnRecreated;
  TNotifyEvent OnRecreating;
  TNotifyEvent OnVisibleChanged;

  // States.
  bool IsDocked() const { return currentDock_ != nullptr; }
  bool IsFloating() const { return isFloating_; }
  TDKFloatingWindowParent* HostWindow() const { return hostWindow_; }
  TPoint FloatingPos() const { return floatingPos_; }
  int32_t LayoutRow() const { return layoutRow_; }
  int32_t LayoutPos() const { return layoutPos_; }
  int32_t ShrunkLength() const { return shrunkLength_; }
  bool LiveDragging() const { return liveDragging_; }
  TDKResizeOptions ResizeOptions() const { return resizeOptions_; }
  bool CloseHot() const { return closeHot_; }
  bool ClosePressed() const { return closePressed_; }
  bool CaptionInactive() const { return captionInactive_; }

  // Virtual operations.
  virtual TSize GetDockedNCAreaSize();
  virtual bool AcceptsDock(TDKDock* Dock);
  virtual void PointBlocksDrag(TPoint ClientPoint, bool& Blocked);
  virtual void ArrangeItems(bool CanMoveControls, TDKDockType DockType, bool Floating, TDKDock* Dock,
                            TSize& Size) = 0;
  virtual void RenderNCArea(bool ToDC, HDC DC, HRGN Clip);
  virtual void QueryBaseSize(TSize& Size) = 0;
  virtual TRect GetCloseButtonRect(bool Vertical);
  virtual void MinimumShrinkSize(int32_t& Length) {}
  virtual void GetSizeLimits(int32_t& MinWidth, int32_t& MinHeight, int32_t& MaxWidth, int32_t& MaxHeight) {}
  virtual TDKShrinkMode CurrentShrinkMode() { return dksmNone; }
  virtual void BoundsSizeChanged(int32_t AWidth, int32_t AHeight) {}
  virtual TSize FloatingFrameSize();
  virtual bool ChildIsDragArea(TControl* Child) { return false; }
  virtual void DockChangingHidden(bool Floating, TDKDock* Dock);
  virtual TDKFloatingWindowParent* MakeFloatParent();
  virtual void SizingStarted(TDKSizeHandle Handle) {}
  virtual void SizingTrack(TRect& Rect, const TRect& StartRect) {}
  virtual void SizingApply() {}
  virtual void SizingEnded() {}
  virtual void LoadPlacementExtras(const TDKPlacementValues& Values) {}
  virtual void SavePlacementExtras(const TDKPlacementValues& Values) {}

  // Operations.
  void SetParent(TWinControl* AParent) override;
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void SetFloating(bool Floating);
  void Rearrange();
  void LockArrange() { ++arrangeLock_; }
  void UnlockArrange();
  void RequestClose();
  void ToggleDocking();
  bool DragAllowed();
  void KeepOnScreen(bool OnlyIfOff);
  void PlaceFloating(const TRect& R);
  void NotifyMoved();
  void TrackDrag(int32_t X, int32_t Y);
  void TrackResize(TDKSizeHandle Handle);
  TSize AddDockedFrame(TSize Size, bool Vertical);
  TSize AddFloatingFrame(TSize Size);
  void FloatingFrameMetrics(TSize& TopLeft, TSize& BottomRight);
  void DockedFrameMetrics(bool Vertical, TSize& TopLeft, TSize& BottomRight);
  int32_t FrameWidth() { return GetDockedNCAreaSize().cx; }
  int32_t FrameHeight() { return GetDockedNCAreaSize().cy; }
  int32_t HandleWidth() const;
  TCustomForm* RequireHostForm();
  bool ShouldShow();
  void RefreshVisibility();
  void RefreshFrame();
  void RepaintFrame();
  // Paints the whole window at once through an off-screen bitmap (a docked
  // window moved on a dock with a background keeps it aligned so).
  void RepaintNow();
  void ForwardContextMenu(TPoint ScreenPoint);
  bool SizesItself() const { return autoResize_ && (currentDock_ || isFloating_); }

  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;
  void Dispatch(TMessage& Message) override;

  // What a component stream keeps: LastDock only while the window has no
  // current dock, Width and Height only while it is neither docked nor
  // floating; "SavedAtRunTime" (always true) whenever it is written outside
  // design mode. A reader sets SavedAtRunTime when it meets it; a window
  // loaded without it (a design-time stream) into a floating parent has its
  // bounds taken from host-form client to screen coordinates.
  bool StoresLastDock() const { return currentDock_ == nullptr; }
  bool StoresSize() const { return currentDock_ == nullptr && !isFloating_; }
  bool WritesSavedAtRunTime() const { return !ComponentState().Contains(csDesigning); }
  void SetSavedAtRunTime(bool v) { savedAtRunTime_ = v; }

  // Written by the dock's layout and the drag loop.
  int32_t LayoutRowField() const { return layoutRow_; }
  bool WantsOwnRow = false;
  int32_t RowThicknessCache = 0;
  int32_t BoundsUpdateDepth = 0;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void SetClosePressed(bool Pressed);
  void SetCaptionInactive(bool Inactive);
  void TrackFloatingList();
  void ResizeToContent(TSize Size);
  void ShowingChanged();
  void ClearCloseHot();
  void SyncTopmost();
  void HandleNCMessage(TMessage& Message, bool& Handled);
  void DestroyHostWindow();

  bool arrangePending_ = false;
  int32_t arrangeLock_ = 0;
  int32_t moveNotifyLock_ = 0;
  int32_t hideLock_ = 0;
  bool wasMoved_ = false;
  bool captionInactive_ = false;
  bool liveDragging_ = false;
  bool closePressed_ = false;
  bool closeHot_ = false;
  TDKResizeOptions resizeOptions_ = roEightCorners | roClipCursor;

 private:
  void ApplyDragTarget(struct TDKDragState& S, bool Commit);
  void DragMoveStep(struct TDKDragState& S);

  bool activateParent_ = true;
  bool autoResize_ = true;
  TBorderStyle borderStyle_ = bsSingle;
  bool closeButton_ = true;
  bool closeButtonWhenDocked_ = false;
  TDKDock* currentDock_ = nullptr;
  bool dblClickUndock_ = true;
  TDKDock* defaultDock_ = nullptr;
  TDKDockableTo dockableTo_ = kDockableToAll;
  TDKDockMode dockMode_ = dmCanFloat;
  int32_t dockPos_ = -1;
  int32_t dockRow_ = 0;
  TDKDragHandleStyle dragHandleStyle_ = dhSingle;
  TDKFloatingMode floatingMode_ = fmOnTopOfParentForm;
  bool fullSize_ = false;
  bool hideWhenInactive_ = true;
  TDKDock* lastDock_ = nullptr;
  bool resizable_ = true;
  bool showCaption_ = true;
  bool smoothDrag_ = true;
  bool stretch_ = false;
  bool useLastDock_ = true;

  bool isFloating_ = false;
  bool savedAtRunTime_ = false;  // read from the stream being loaded
  TDKFloatingWindowParent* hostWindow_ = nullptr;
  TCustomForm* hostWindowForm_ = nullptr;  // the host form the floating parent was made for
  TPoint floatingPos_{0, 0};
  int32_t layoutRow_ = -1;
  int32_t layoutPos_ = 0;
  int32_t shrunkLength_ = 0;
};

// The windows that float now (process-wide, made on demand).
const std::vector<TDKCustomDockableWindow*>* FloatingWindowList();

// The form a control lives on, following floating parents to the form that
// hosts the floating window.
TCustomForm* HostFormOf(TControl* Control);

// Runs the modal loop of a button on a window frame: answers whether the
// button was released over Rect (screen coordinates). Draw is called with the
// pressed state as it changes and with false at the end.
bool TrackCloseButton(HWND Wnd, const TRect& Rect, const std::function<void(bool Pressed)>& Draw);
