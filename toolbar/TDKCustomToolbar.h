#pragma once
// The toolbar: a dockable window that shows a tree of items through a
// toolbar view, collects the items it has no room for in a chevron, turns
// presses and keys into menu mode, can serve as a window's menu bar and,
// while floating, resizes in steps that follow its wrapped layouts.

#include <memory>
#include <vector>

#include "toolbar/TDKCustomItem.h"
#include "toolbar/TDKDock.h"
#include "toolbar/TDKItemViewer.h"
#include "toolbar/TDKView.h"

class TDKCustomToolbar;

enum TDKChevronPriorityForNewItems { dkcpHighest, dkcpLowest };
using TShortCutEvent = std::function<void(TMessage& Msg, bool& Handled)>;

class TDKChevronItem : public TDKCustomItem {
  RTL_CLASS(TDKChevronItem, TDKCustomItem)
 public:
  TDKChevronItem(TComponent* AOwner, TDKCustomToolbar* Toolbar);
  TDKView* GetChevronOwnerView() override;
  TDKItemViewerClass ViewerClassFor(TDKView* View) override;
  TDKCustomToolbar* Toolbar() const { return toolbar_; }

 private:
  TDKCustomToolbar* toolbar_;
};

class TDKChevronItemViewer : public TDKItemViewer {
 public:
  using TDKItemViewer::TDKItemViewer;
  void RenderItem(TCanvas* Canvas, TRect R, bool IsSelected, bool IsPushed, bool UseDisabledShadow) override;
};

class TDKToolbarView : public TDKView {
  RTL_CLASS(TDKToolbarView, TDKView)
 public:
  TDKToolbarView(TDKCustomToolbar* Toolbar, TDKCustomItem* Root, bool UsePriorityOrdering);
  void ApplyContentSize(int32_t Width, int32_t Height) override;
  void RecalcLayout(TSize& TotalSize) override;
  TDKCustomItem* GetChevron() override;
  TFont* ItemFont() override;
  void MarkLayoutStale() override;
  TDKCustomToolbar* Toolbar() const { return toolbar_; }

 private:
  TDKCustomToolbar* toolbar_;
};

class TDKCustomToolbar : public TDKCustomDockableWindow {
  RTL_CLASS(TDKCustomToolbar, TDKCustomDockableWindow)
  friend class TDKToolbarView;

 public:
  explicit TDKCustomToolbar(TComponent* AOwner);
  // Makers of the chevron and the view, for toolbars that use classes of
  // their own.
  using TChevronMaker = TDKChevronItem* (*)(TDKCustomToolbar* Toolbar);
  using TViewMaker = TDKToolbarView* (*)(TDKCustomToolbar* Toolbar, TDKCustomItem* Root, bool UsePriorityOrdering);
  TDKCustomToolbar(TComponent* AOwner, TChevronMaker MakeChevron, TViewMaker MakeView);
  ~TDKCustomToolbar() override;
  void BeforeDestruction() override;

  TDKRootItem* Items() const { return items_; }
  TDKToolbarView* View() const { return view_; }
  TDKChevronItem* Chevron() const { return chevron_; }
  TSize ContentNaturalSize() const { return contentNaturalSize_; }

  TCustomImageList* Images() const { return items_->SubitemImages(); }
  void SetImages(TCustomImageList* v) { items_->SetSubitemImages(v); }
  TDKItemOptions Options() const { return items_->Options(); }
  void SetOptions(TDKItemOptions v) { items_->SetOptions(v); }
  TDKCustomItem* LinkSubitems() const { return items_->LinkSubitems(); }
  void SetLinkSubitems(TDKCustomItem* v) { items_->SetLinkSubitems(v); }
  const std::string& ChevronHint() const { return chevron_->Hint(); }
  void SetChevronHint(const std::string& v);
  bool ChevronMoveItems() const { return chevronMoveItems_; }
  void SetChevronMoveItems(bool v);
  TDKChevronPriorityForNewItems ChevronPriorityForNewItems() const { return chevronPriority_; }
  void SetChevronPriorityForNewItems(TDKChevronPriorityForNewItems v);
  int32_t FloatWrapWidth() const { return floatWrapWidth_; }
  void SetFloatWrapWidth(int32_t v);
  bool MenuBar() const { return menuBar_; }
  void SetMenuBar(bool v);
  bool ProcessShortCuts() const { return processShortCuts_; }
  void SetProcessShortCuts(bool v);
  TDKShrinkMode ShrinkMode() const { return shrinkMode_; }
  void SetShrinkMode(TDKShrinkMode v);
  bool SystemFont() const { return systemFont_; }
  void SetSystemFont(bool v);
  bool UpdateActions() const { return updateActions_; }
  void SetUpdateActions(bool v) { updateActions_ = v; }
  TShortCutEvent OnShortCut;

  // Every child control without a control item gets one, at the end.
  void AdoptControls();
  // A control item for Control, owned by the toolbar's owner, inserted into
  // the root at Index.
  TDKControlItem* AddControlItem(int32_t Index, TControl* Control);

  void LockItems() { view_->LockLayout(); }
  void UnlockItems() { view_->UnlockLayout(); }
  bool KeyboardMenuEntry(uint32_t Key, bool EnabledOnly);
  // Joins the application's shortcut routing while the toolbar processes
  // shortcuts or is a menu bar (never at design time), else leaves it.
  void UpdateShortCutHook();
  bool ShortCutHookInstalled() const { return shortCutHookInstalled_; }
  void UpdateViewLimits();
  int32_t WrapLimitFor(TDKDock* Dock);
  int32_t ChevronLimitFor(TDKDock* Dock);
  int32_t RowThickness();
  // Each line count's narrowest floating layout, one line first.
  std::vector<TSize> ListSizeSteps();
  int32_t LastLineCount() const { return lastLineCount_; }

  // Dockable-window operations.
  void ArrangeItems(bool CanMoveControls, TDKDockType DockType, bool Floating, TDKDock* Dock, TSize& Size) override;
  void QueryBaseSize(TSize& Size) override;
  void MinimumShrinkSize(int32_t& Length) override;
  TDKShrinkMode CurrentShrinkMode() override { return shrinkMode_; }
  void PointBlocksDrag(TPoint ClientPoint, bool& Blocked) override;
  void SizingStarted(TDKSizeHandle Handle) override;
  void SizingTrack(TRect& Rect, const TRect& StartRect) override;
  void SizingApply() override;
  void SizingEnded() override;
  void LoadPlacementExtras(const TDKPlacementValues& Values) override;
  void SavePlacementExtras(const TDKPlacementValues& Values) override;

  void Dispatch(TMessage& Message) override;
  // The idle action update also reaches the items' actions while
  // UpdateActions is set.
  void InitiateAction() override;
  // Controls of items that went into the chevron, and the controls inside
  // them, are out of the tab order.
  void GetTabOrderList(std::vector<TWinControl*>& List) override;
  void Loaded() override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void AlignControls(TControl* AControl, TRect& Rect) override;

 private:
  struct TSizeSteps {
    TDKSizeHandle Handle = shLeft;
    TRect Start{0, 0, 0, 0};
    int32_t ClientOffset = 0;
    int32_t Candidate = 0;
    bool Changed = false;
    bool Smaller = false;
    int32_t Snap = 12;
    std::vector<TSize> Steps;  // floating-window sizes, largest first
    std::vector<int32_t> Wraps;
  };
  void MouseLeft();
  TDKControlItem* FindControlItem(TControl* Control) const;
  void ControlListChanged(TControl* Control, bool Inserting);
  TDKLayoutOrientation OrientationFor(TDKDock* Dock, bool Floating) const;

  TSize contentNaturalSize_{0, 0};
  TDKChevronItem* chevron_ = nullptr;
  bool chevronMoveItems_ = true;
  TDKChevronPriorityForNewItems chevronPriority_ = dkcpHighest;
  int32_t alignSuspend_ = 0;
  int32_t floatWrapWidth_ = 0;
  bool ignoreMouseLeave_ = false;
  TDKRootItem* items_ = nullptr;
  int32_t lastLineCount_ = 1;
  bool menuBar_ = false;
  bool processShortCuts_ = false;
  bool shortCutHookInstalled_ = false;
  TDKShrinkMode shrinkMode_ = dksmChevron;
  std::unique_ptr<TSizeSteps> sizeSteps_;
  bool systemFont_ = true;
  bool updateActions_ = true;
  TDKToolbarView* view_ = nullptr;
  int32_t assignedLength_ = 0;  // the length the dock gave in its last arrangement
  int32_t inArrange_ = 0;
  TSize appliedSize_{0, 0};  // the content size of the last applied layout
};
