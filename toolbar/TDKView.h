#pragma once
// A view shows the children of one item in one window (a toolbar or a popup
// menu): it keeps one viewer per shown item, follows the item tree, lays the
// viewers out in lines with wrapping, separators and a chevron, paints them,
// and follows the mouse and keys in menu mode.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Geometry.h"
#include "rtl/TComponent.h"
#include "toolbar/TDKItemTypes.h"
#include "ui/TColor.h"
#include "ui/TControl.h"

class TCanvas;
class TFont;
class TWinControl;
class TDKViewAccObject;

enum TDKViewTimer { vtmOpenPopup = 0, vtmClosePopup = 1, vtmScrollUp = 2, vtmScrollDown = 3 };
constexpr UINT kViewTimerIdBase = 9000;

enum : uint8_t {
  vstMenuMode = 1u << 0,
  vstMouseInside = 1u << 1,
  vstFirstPaint = 1u << 2,
  vstOpposite = 1u << 3,
  vstIgnoreNextRelease = 1u << 4,
  vstAccelsShown = 1u << 5,
  vstDropDownMode = 1u << 6,
  vstChildJustClosed = 1u << 7,
};
using TDKViewStateFlags = uint8_t;
enum : uint8_t { vsyMenuBar = 1u << 0, vsyHideAccels = 1u << 1, vsyShowHints = 1u << 2 };
using TDKViewStyleFlags = uint8_t;

enum : uint8_t { mloPressed = 1u << 0, mloExecute = 1u << 1, mloNoPriority = 1u << 2 };
using TDKMenuLoopOptions = uint8_t;

// Height of each scroll-arrow band of a popup taller than allowed.
constexpr int32_t kScrollArrowBand = 19;
// The room around the items of a floating toolbar: left, top, right, bottom.
constexpr TRect kFloatingViewMargins{4, 2, 4, 1};
// A toolbar separator's thickness, and the gap between wrapped rows that a
// separator at the wrap becomes.
constexpr int32_t kToolbarSeparatorSize = 6;
// The size of a view without items (a toolbar button's size).
constexpr TSize kEmptyViewSize{23, 22};

class TDKView : public TComponent {
  RTL_CLASS(TDKView, TComponent)
  friend class TDKModalHandler;

 public:
  TDKView(TComponent* AOwner, TDKView* ParentView, TDKCustomItem* SourceItem, TWinControl* Window,
          bool IsToolbar, bool Customizing, bool UsePriorityOrdering);
  ~TDKView() override;

  // Virtual operations.
  virtual void ApplyContentSize(int32_t Width, int32_t Height) {}
  virtual void RecalcLayout(TSize& TotalSize);
  virtual TDKCustomItem* GetChevron() { return nullptr; }
  virtual TRect GetViewMargins(TDKLayoutOrientation Orientation);
  virtual TDKCustomItem* GetMDIButtons() { return nullptr; }
  virtual TDKCustomItem* GetMDISystemMenu() { return nullptr; }
  virtual void HandleKeyDown(uint16_t& Key, TShiftState Shift);
  virtual TFont* ItemFont();
  virtual void MarkLayoutStale();

  // Data.
  TWinControl* Window() const { return window_; }
  TDKView* ParentView() const { return parentView_; }
  TDKCustomItem* SourceItem() const { return sourceItem_; }
  TDKCustomItem* ContentItem() const { return contentItem_; }
  bool IsPopup() const { return isPopup_; }
  bool IsToolbar() const { return isToolbar_; }
  void SetIsToolbarStyle(bool v) { isToolbar_ = v; isPopup_ = !v; }
  bool Customizing() const { return customizing_; }
  int32_t ViewerCount() const { return int32_t(viewers_.size()); }
  TDKItemViewer* Viewers(int32_t Index) const { return viewers_.at(size_t(Index)).get(); }
  TDKLayoutOrientation Orientation() const { return orientation_; }
  void SetOrientation(TDKLayoutOrientation v);
  int32_t WrapLimit() const { return wrapLimit_; }
  void SetWrapLimit(int32_t v);
  int32_t ChevronLimit() const { return chevronLimit_; }
  void SetChevronLimit(int32_t v);
  int32_t ChevronExtent() const { return chevronExtent_; }
  void SetChevronExtent(int32_t v) { chevronExtent_ = v; }
  int32_t HeightLimit() const { return heightLimit_; }
  void SetHeightLimit(int32_t v) { heightLimit_ = v; }
  TSize NaturalSize() const { return naturalSize_; }
  TColor BackgroundColor() const { return backgroundColor_; }
  void SetBackgroundColor(TColor v) { backgroundColor_ = v; }
  TRect MonitorRect() const { return monitorRect_; }
  void SetMonitorRect(const TRect& r) { monitorRect_ = r; }
  TDKViewStateFlags State() const { return state_; }
  bool HasState(TDKViewStateFlags f) const { return (state_ & f) != 0; }
  void SetState(TDKViewStateFlags f, bool On) { state_ = On ? (state_ | f) : TDKViewStateFlags(state_ & ~f); }
  TDKViewStyleFlags Style() const { return style_; }
  void SetStyle(TDKViewStyleFlags v) { style_ = v; }
  int32_t ScrollOffset() const { return scrollOffset_; }
  void SetScrollOffset(int32_t v) { scrollOffset_ = v; }
  bool ShowUpArrow() const { return showUpArrow_; }
  bool ShowDownArrow() const { return showDownArrow_; }
  TDKItemViewer* Selected() const { return selected_; }
  bool SelectedViaMouse() const { return selectedViaMouse_; }
  bool MouseOverSelected() const { return mouseOverSelected_; }
  bool Capture() const { return capture_; }
  TDKItemViewer* OpenViewer() const { return openViewer_; }
  TDKView* OpenViewerView() const { return openViewerView_; }
  TDKPopupWindow* OpenViewerWindow() const { return openViewerWindow_; }
  void SetOpenPopup(TDKItemViewer* Viewer, TDKView* View, TDKPopupWindow* Window);
  TDKView* ChevronParentView() const { return chevronParentView_; }
  void SetChevronParentView(TDKView* v);
  TDKMenuOutcome& Outcome() { return outcome_; }
  HWND MenuLoopWindow() const { return menuLoopWindow_; }
  bool LayoutValid() const { return layoutValid_; }
  bool UsesPriorityOrdering() const { return usePriority_; }
  const std::vector<TDKItemViewer*>& PriorityList() const { return priority_; }
  // The viewers in order, copied: a loop that may add or remove viewers
  // (an item's action, a paint) walks this rather than the list itself.
  std::vector<TDKItemViewer*> ViewerList() const;
  int32_t InternalViewersAtFront() const { return internalFront_; }
  int32_t InternalViewersAtEnd() const { return internalEnd_; }
  bool NewViewersGetHighestPriority() const { return newViewersFirst_; }
  void SetNewViewersGetHighestPriority(bool v) { newViewersFirst_ = v; }

  // Viewers.
  void RefreshContentItem();
  void RebuildViewers();
  void ReplaceViewer(int32_t Index);
  TDKItemViewer* ViewerOfItem(TDKCustomItem* Item);
  int32_t ViewerIndex(const TDKItemViewer* Viewer) const;
  TDKItemViewer* ViewerAtPoint(TPoint P);
  TDKView* TopView();
  TDKView* NearestToolbarView();
  void SetPriorityOrdering(bool Flag);
  void PromoteViewer(TDKItemViewer* Viewer);
  TDKItemViewer* FirstUsableViewer();
  void CollectOffEdgeControls(std::vector<TWinControl*>& List);
  void UpdateItemActions();

  // Layout. TotalSize is the starting size (zero, or a toolbar's row
  // thickness); the layout grows it.
  bool ComputeLayout(bool Apply, TDKLayoutOrientation Orientation, int32_t& LineCount, TSize& TotalSize,
                     TSize& NaturalSize, int32_t ChevronExtent, int32_t ChevronLimit, int32_t WrapLimit);
  void EnsureLayout();
  void Relayout();
  void RelayoutIfIdle();
  void LockLayout();
  void UnlockLayout();
  bool Updating() const { return updating_ > 0; }

  // Painting.
  void PaintViewer(TDKItemViewer* Viewer, TCanvas* Canvas, bool ThroughBitmap);
  void PaintAllViewers(TCanvas* Canvas);
  void InvalidateViewerRect(TDKItemViewer* Viewer);

  // Timers.
  void ArmTimer(TDKViewTimer Kind, UINT Interval);
  void DisarmTimer(TDKViewTimer Kind);
  void DisarmAllTimers();
  bool TimerArmed(TDKViewTimer Kind) const { return (armedTimers_ & (1u << Kind)) != 0; }
  void HandleViewTimer(TDKViewTimer Kind);

  // Popups of the selection.
  bool OpenSelectedPopup(bool SelectFirst);
  void ClosePopups();
  void ClosePopupsAndLeaveDropDown();

  // Selection.
  void SetSelected(TDKItemViewer* Viewer) { ChangeSelection(Viewer, false); }
  void ChangeSelection(TDKItemViewer* Viewer, bool ViaMouse);
  TDKItemViewer* FirstViewerForSelection();
  TDKItemViewer* NextSelectableViewer(TDKItemViewer* From, bool Forward);
  void SelectNeighbour(bool Forward);
  void TakeCapture() { capture_ = true; }
  void ReleaseMouseCapture();
  void AnnounceFocus();
  void ActivateSelected(bool GivePriority);
  void TrackMouse(const TPoint* ScreenPoint, bool AllowNewSelection);
  void ScrollByItem(bool Down);
  void ScrollSelectionIntoView();
  void ShowAccelerators(bool Show);
  TDKItemViewer* FindViewerForKey(TDKItemViewer* From, uint32_t Key, bool& Unique, bool EnabledOnly);

  // Menu mode.
  void RunMenuLoop(TDKMenuLoopOptions Options);
  void LeaveMenu();
  void LeaveMenuWithClick(TDKItemViewer* Viewer);
  void LeaveMenuWithHelp(int32_t Context);
  void LeaveMenuWithSystemMenu(HWND Wnd, int32_t Key);

  // Accessibility.
  TDKViewAccObject* AccessibilityObject();
  void DetachAccessibilityObject();

  void Notification(TComponent* AComponent, TOperation Operation) override;

  // The last cursor position the menu loop saw (process-wide); its X is
  // INT32_MIN when a released capture asks the loop to read it again.
  static TPoint LastCursorPos;

 protected:
  void ContentItemChanged(TDKCustomItem* Changed, bool Relayed, TDKCustomItem* Item, int32_t Index,
                          TDKChildAction Action);
  void SourceItemChanged(TDKCustomItem* Changed, bool Relayed, TDKCustomItem* Item, int32_t Index,
                         TDKChildAction Action);
  int32_t AddViewersFor(int32_t Index, TDKCustomItem* Item, bool ToFront, bool IntoPriority, int32_t Level);
  void HandleInsertion(TDKCustomItem* Changed, TDKCustomItem* Item, int32_t Index);
  void HandleDeletion(TDKCustomItem* Item);
  void RemoveViewerAt(int32_t Index);
  void RefreshChain();
  void FreeViewers();
  bool IsDesigning() const;
  bool SourceLoading() const;
  bool ViewHasWindowHandle() const;
  bool IsPopupWindowWithHandle() const;

  // The steps of ComputeLayout, each over one pass's working slots.
  struct TLayoutSlot;
  struct TLayoutPass;
  void ChooseShownSlots(TLayoutPass& P);
  void MeasureSlots(TLayoutPass& P);
  void GiveSameWidthsAndNaturalLength(TLayoutPass& P);
  void MoveSlotsIntoChevron(TLayoutPass& P, int32_t Limit);
  int32_t ChevronVictim(TLayoutPass& P);
  void TakeNaturalThickness(TLayoutPass& P);
  void PlaceSlotsInLines(TLayoutPass& P, int32_t WrapLimit);
  bool WrapBeforeSlot(TLayoutPass& P, int32_t Index, int32_t Wrap, int32_t WrapLimit);
  void FinishLine(TLayoutPass& P, int32_t First, int32_t Last, bool FinalLine, int32_t WrapLimit);
  void MirrorColumns(TLayoutPass& P);
  void ClipToHeightLimit(TLayoutPass& P);
  void MoveHostedControls(TLayoutPass& P);
  void StretchLinesBetweenRows(TLayoutPass& P);
  void PlaceChevron(TLayoutPass& P, int32_t ChevronExtent, int32_t ChevronLimit);
  bool ApplySlots(TLayoutPass& P);

  static void ContentListener(void* Data, TDKCustomItem* Changed, bool Relayed, TDKCustomItem* Item,
                              int32_t Index, TDKChildAction Action);
  static void SourceListener(void* Data, TDKCustomItem* Changed, bool Relayed, TDKCustomItem* Item,
                             int32_t Index, TDKChildAction Action);

  uint8_t armedTimers_ = 0;
  TColor backgroundColor_ = clDefault;
  TSize naturalSize_{0, 0};
  bool capture_ = false;
  HWND menuLoopWindow_ = nullptr;
  int32_t chevronLimit_ = 0;
  TDKView* chevronParentView_ = nullptr;
  int32_t chevronExtent_ = 0;
  TDKCustomItem* contentItem_ = nullptr;
  bool customizing_ = false;
  TDKMenuOutcome outcome_;
  int32_t internalEnd_ = 0, internalFront_ = 0;
  bool isPopup_ = false, isToolbar_ = false;
  int32_t heightLimit_ = 0;
  TRect monitorRect_{0, 0, 0, 0};
  bool mouseOverSelected_ = false;
  bool newViewersFirst_ = true;
  TDKItemViewer* openViewer_ = nullptr;
  TDKView* openViewerView_ = nullptr;
  TDKPopupWindow* openViewerWindow_ = nullptr;
  TDKView* parentView_ = nullptr;
  TDKCustomItem* sourceItem_ = nullptr;
  std::vector<TDKItemViewer*> priority_;
  bool usePriority_ = false;
  TDKLayoutOrientation orientation_ = vorHorizontal;
  int32_t scrollOffset_ = 0;
  TDKItemViewer* selected_ = nullptr;
  bool selectedViaMouse_ = false;
  bool showDownArrow_ = false, showUpArrow_ = false;
  TDKViewStateFlags state_ = 0;
  TDKViewStyleFlags style_ = 0;
  int32_t updating_ = 0;
  bool layoutValid_ = false;
  std::vector<std::unique_ptr<TDKItemViewer>> viewers_;
  TWinControl* window_ = nullptr;
  int32_t wrapLimit_ = 0;
  TDKViewAccObject* accObject_ = nullptr;
};

// The library's shared item font: the system's menu font.
TFont* DKItemFont();
void DKRecreateItemFont();
