#include "toolbar/TDKView.h"

#include <algorithm>

#include "platform/DC.h"
#include "platform/GdiHolders.h"
#include "platform/SysInfo.h"
#include "platform/Text.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TDKAccessibility.h"
#include "toolbar/TDKCustomItem.h"
#include "toolbar/TDKItemViewer.h"
#include "toolbar/TDKPopupWindow.h"
#include "ui/TCanvas.h"
#include "ui/TGraphicsObject.h"

RTL_DEFINE_CLASS(TDKView, TComponent)

TPoint TDKView::LastCursorPos{0, 0};

namespace {

std::unique_ptr<TFont> itemFont;

}  // namespace

TFont* DKItemFont() {
  if (!itemFont) DKRecreateItemFont();
  return itemFont.get();
}

void DKRecreateItemFont() {
  NONCLIENTMETRICS ncm;
  SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
  if (!itemFont) itemFont = std::make_unique<TFont>();
  itemFont->SetHandle(CreateFontIndirect(&ncm.lfMenuFont));
}

TDKView::TDKView(TComponent* AOwner, TDKView* ParentView, TDKCustomItem* SourceItem, TWinControl* Window,
                 bool IsToolbar, bool Customizing, bool UsePriorityOrdering)
    : TComponent(AOwner),
      customizing_(Customizing),
      isPopup_(!IsToolbar),
      isToolbar_(IsToolbar),
      parentView_(ParentView),
      sourceItem_(SourceItem),
      usePriority_(UsePriorityOrdering),
      window_(Window) {
  if (sourceItem_) {
    sourceItem_->RegisterListener(&TDKView::SourceListener, this);
    sourceItem_->FreeNotification(this);
  }
  RefreshContentItem();
}

TDKView::~TDKView() {
  ClosePopups();
  if (accObject_) {
    accObject_->DetachClient();
    accObject_ = nullptr;
  }
  if (parentView_ && parentView_->IsToolbar()) {
    parentView_->SetState(vstChildJustClosed, true);
    if (parentView_->openViewer_) parentView_->InvalidateViewerRect(parentView_->openViewer_);
  }
  if (contentItem_) contentItem_->UnregisterListener(&TDKView::ContentListener, this);
  if (sourceItem_) {
    sourceItem_->UnregisterListener(&TDKView::SourceListener, this);
    sourceItem_->RemoveFreeNotification(this);
  }
  if (chevronParentView_) chevronParentView_->RemoveFreeNotification(this);
  FreeViewers();
  if (parentView_ && parentView_->openViewerView_ == this) {
    parentView_->openViewer_ = nullptr;
    parentView_->openViewerView_ = nullptr;
    parentView_->openViewerWindow_ = nullptr;
  }
  if (parentView_) parentView_->AnnounceFocus();
}

void TDKView::FreeViewers() {
  selected_ = nullptr;
  priority_.clear();
  std::vector<std::unique_ptr<TDKItemViewer>> old;
  old.swap(viewers_);
  for (auto& v : old) v.reset();
  internalEnd_ = internalFront_ = 0;
}

std::vector<TDKItemViewer*> TDKView::ViewerList() const {
  std::vector<TDKItemViewer*> list;
  list.reserve(viewers_.size());
  for (const auto& v : viewers_) list.push_back(v.get());
  return list;
}

bool TDKView::IsDesigning() const {
  return ComponentState().Contains(csDesigning) || (Owner() && Owner()->ComponentState().Contains(csDesigning));
}

bool TDKView::SourceLoading() const {
  if (!sourceItem_) return false;
  return sourceItem_->ComponentState().Contains(csLoading) ||
         (sourceItem_->Owner() && sourceItem_->Owner()->ComponentState().Contains(csLoading));
}

bool TDKView::ViewHasWindowHandle() const { return window_ && window_->HandleAllocated(); }

bool TDKView::IsPopupWindowWithHandle() const {
  return window_ && dynamic_cast<TDKPopupWindow*>(window_) && window_->HandleAllocated();
}

TRect TDKView::GetViewMargins(TDKLayoutOrientation Orientation) {
  if (Orientation == vorFloating) return kFloatingViewMargins;
  return TRect{0, 0, 0, 0};
}

TFont* TDKView::ItemFont() { return DKItemFont(); }

void TDKView::SetOrientation(TDKLayoutOrientation v) {
  if (orientation_ == v) return;
  orientation_ = v;
  MarkLayoutStale();
}

void TDKView::SetWrapLimit(int32_t v) {
  if (wrapLimit_ == v) return;
  wrapLimit_ = v;
  MarkLayoutStale();
}

void TDKView::SetChevronLimit(int32_t v) {
  if (chevronLimit_ == v) return;
  chevronLimit_ = v;
  MarkLayoutStale();
}

void TDKView::SetOpenPopup(TDKItemViewer* Viewer, TDKView* View, TDKPopupWindow* Window) {
  openViewer_ = Viewer;
  openViewerView_ = View;
  openViewerWindow_ = Window;
  if (Window) Window->FreeNotification(this);
}

void TDKView::SetChevronParentView(TDKView* v) {
  if (chevronParentView_) chevronParentView_->RemoveFreeNotification(this);
  chevronParentView_ = v;
  if (v) v->FreeNotification(this);
}

void TDKView::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == sourceItem_) {
    sourceItem_ = nullptr;
    RefreshContentItem();
    if (parentView_) parentView_->ClosePopups();
  }
  if (AComponent == openViewerWindow_) {
    openViewer_ = nullptr;
    openViewerView_ = nullptr;
    openViewerWindow_ = nullptr;
  }
  if (AComponent == chevronParentView_) chevronParentView_ = nullptr;
}

// ---- Listening to the tree

void TDKView::ContentListener(void* Data, TDKCustomItem* Changed, bool Relayed, TDKCustomItem* Item,
                              int32_t Index, TDKChildAction Action) {
  static_cast<TDKView*>(Data)->ContentItemChanged(Changed, Relayed, Item, Index, Action);
}

void TDKView::SourceListener(void* Data, TDKCustomItem* Changed, bool Relayed, TDKCustomItem* Item,
                             int32_t Index, TDKChildAction Action) {
  static_cast<TDKView*>(Data)->SourceItemChanged(Changed, Relayed, Item, Index, Action);
}

void TDKView::RefreshContentItem() {
  TDKCustomItem* now = ContentItemOf(sourceItem_);
  if (now == contentItem_) return;
  ClosePopups();
  if (contentItem_) contentItem_->UnregisterListener(&TDKView::ContentListener, this);
  contentItem_ = now;
  if (contentItem_) contentItem_->RegisterListener(&TDKView::ContentListener, this);
  RebuildViewers();
  if (!IsDesigning()) UpdateItemActions();
}

void TDKView::ContentItemChanged(TDKCustomItem* Changed, bool, TDKCustomItem* Item, int32_t Index,
                                 TDKChildAction Action) {
  switch (Action) {
    case dkcaInserted:
      HandleInsertion(Changed, Item, Index);
      break;
    case dkcaDeleting:
      HandleDeletion(Item);
      break;
    case dkcaLinksChanged:
      RebuildViewers();
      break;
    case dkcaBeginUpdate:
      LockLayout();
      break;
    case dkcaEndUpdate:
      UnlockLayout();
      break;
    case dkcaRepaint:
      for (TDKItemViewer* v : ViewerList())
        if (v->Item() == Item) InvalidateViewerRect(v);
      break;
    case dkcaRelayout:
      MarkLayoutStale();
      break;
    case dkcaRecreateViewers:
      MarkLayoutStale();
      for (int32_t i = 0; i < ViewerCount(); ++i)
        if (viewers_[size_t(i)]->Item() == Item) ReplaceViewer(i);
      break;
    case dkcaRefresh:
      RefreshChain();
      break;
    case dkcaRenamed:
      return;
  }
  RelayoutIfIdle();
}

void TDKView::SourceItemChanged(TDKCustomItem*, bool, TDKCustomItem*, int32_t, TDKChildAction Action) {
  if (Action == dkcaLinksChanged)
    RefreshContentItem();
  else if (Action == dkcaRefresh && sourceItem_ != contentItem_)
    RefreshChain();
}

void TDKView::RefreshChain() {
  for (TDKView* v = this; v; v = v->openViewerView_) {
    v->MarkLayoutStale();
    v->RelayoutIfIdle();
  }
}

int32_t TDKView::AddViewersFor(int32_t Index, TDKCustomItem* Item, bool ToFront, bool IntoPriority, int32_t Level) {
  if (Level > 10) return 0;
  TDKItemViewer* v = Item->ViewerClassFor(this)(this, Item, Level);
  viewers_.insert(viewers_.begin() + Index, std::unique_ptr<TDKItemViewer>(v));
  if (IntoPriority && usePriority_) {
    if (ToFront)
      priority_.insert(priority_.begin(), v);
    else
      priority_.push_back(v);
  }
  int32_t added = 1;
  if (!customizing_ && Item->HasStyle(dksfEmbeddedGroup)) {
    TDKCustomItem* content = ContentItemOf(Item);
    for (int32_t i = 0; i < content->ChildCount(); ++i)
      added += AddViewersFor(Index + added, content->GetItem(i), ToFront, IntoPriority, Level + 1);
  }
  return added;
}

void TDKView::RebuildViewers() {
  ClosePopups();
  SetSelected(nullptr);
  MarkLayoutStale();
  FreeViewers();
  if (TDKCustomItem* sys = GetMDISystemMenu()) {
    AddViewersFor(0, sys, false, false, 0);
    internalFront_ = ViewerCount();
  }
  if (contentItem_)
    for (int32_t i = 0; i < contentItem_->ChildCount(); ++i)
      AddViewersFor(ViewerCount(), contentItem_->GetItem(i), false, true, 0);
  if (TDKCustomItem* mdi = GetMDIButtons()) {
    for (int32_t i = 0; i < mdi->ChildCount(); ++i) {
      int32_t n = AddViewersFor(ViewerCount(), mdi->GetItem(i), false, false, 0);
      internalEnd_ += n;
    }
  }
  if (TDKCustomItem* chevron = GetChevron()) {
    viewers_.emplace_back(chevron->ViewerClassFor(this)(this, chevron, 0));
    ++internalEnd_;
  }
}

void TDKView::ReplaceViewer(int32_t Index) {
  TDKItemViewer* old = viewers_.at(size_t(Index)).get();
  if (selected_ == old) selected_ = nullptr;
  if (openViewer_ == old) ClosePopups();
  TDKItemViewer* v = old->Item()->ViewerClassFor(this)(this, old->Item(), old->GroupLevel);
  for (auto& p : priority_)
    if (p == old) p = v;
  viewers_[size_t(Index)].reset(v);
}

void TDKView::HandleInsertion(TDKCustomItem* Changed, TDKCustomItem* Item, int32_t) {
  MarkLayoutStale();
  int32_t level = 0, first = 0, last = ViewerCount() - internalEnd_;  // range [first, last)
  if (Changed != contentItem_) {
    int32_t search = 0;
    for (;;) {
      int32_t g = -1;
      for (int32_t i = search; i < ViewerCount(); ++i)
        if (viewers_[size_t(i)]->Item() == Changed && Changed->HasStyle(dksfEmbeddedGroup)) {
          g = i;
          break;
        }
      if (g < 0) return;
      level = viewers_[size_t(g)]->GroupLevel + 1;
      first = g + 1;
      last = first;
      while (last < ViewerCount() && viewers_[size_t(last)]->GroupLevel >= level) ++last;
      if (last == ViewerCount()) last = ViewerCount() - internalEnd_;
      bool present = false;
      for (int32_t i = first; i < last; ++i)
        if (viewers_[size_t(i)]->Item() == Item && viewers_[size_t(i)]->GroupLevel == level) present = true;
      if (!present) break;
      search = g + 1;
    }
  } else {
    first = internalFront_;
  }
  int32_t at = last;
  TDKCustomItem* parent = Item->Parent();
  if (parent) {
    int32_t idx = parent->IndexOf(Item);
    if (idx >= 0 && idx < parent->ChildCount() - 1) {
      TDKCustomItem* next = parent->GetItem(idx + 1);
      for (int32_t i = first; i < last; ++i)
        if (viewers_[size_t(i)]->Item() == next && viewers_[size_t(i)]->GroupLevel == level) {
          at = i;
          break;
        }
    }
  }
  AddViewersFor(at, Item, newViewersFirst_ && !Item->ComponentState().Contains(csLoading), true, level);
}

void TDKView::RemoveViewerAt(int32_t Index) {
  TDKItemViewer* v = viewers_[size_t(Index)].get();
  if (selected_ == v) selected_ = nullptr;
  if (openViewer_ == v) ClosePopups();
  priority_.erase(std::remove(priority_.begin(), priority_.end(), v), priority_.end());
  // Freed once out of the list, as the viewer's destructor may look at it.
  std::unique_ptr<TDKItemViewer> gone = std::move(viewers_[size_t(Index)]);
  viewers_.erase(viewers_.begin() + Index);
}

void TDKView::HandleDeletion(TDKCustomItem* Item) {
  MarkLayoutStale();
  for (int32_t i = 0; i < ViewerCount();) {
    if (viewers_[size_t(i)]->Item() != Item) {
      ++i;
      continue;
    }
    int32_t level = viewers_[size_t(i)]->GroupLevel;
    RemoveViewerAt(i);
    while (i < ViewerCount() && viewers_[size_t(i)]->GroupLevel > level) RemoveViewerAt(i);
  }
}

TDKItemViewer* TDKView::ViewerOfItem(TDKCustomItem* Item) {
  for (TDKItemViewer* v : ViewerList())
    if (v->Item() == Item) return v;
  throw EDKItemError(SDKViewerNotFound);
}

int32_t TDKView::ViewerIndex(const TDKItemViewer* Viewer) const {
  if (!Viewer) return -1;
  for (size_t i = 0; i < viewers_.size(); ++i)
    if (viewers_[i].get() == Viewer) return int32_t(i);
  return -1;
}

TDKItemViewer* TDKView::ViewerAtPoint(TPoint P) {
  EnsureLayout();
  for (TDKItemViewer* v : ViewerList())
    if (v->Shown && PtInRect(&v->BoundsRect, P)) return v;
  return nullptr;
}

TDKView* TDKView::TopView() {
  TDKView* v = this;
  while (v->parentView_) v = v->parentView_;
  return v;
}

TDKView* TDKView::NearestToolbarView() {
  for (TDKView* v = this; v; v = v->parentView_)
    if (v->isToolbar_) return v;
  return nullptr;
}

void TDKView::SetPriorityOrdering(bool Flag) {
  if (usePriority_ == Flag) return;
  usePriority_ = Flag;
  RebuildViewers();
}

void TDKView::PromoteViewer(TDKItemViewer* Viewer) {
  if (chevronParentView_) {
    int32_t i = ViewerIndex(Viewer) + chevronParentView_->internalFront_;
    if (Viewer && i >= 0 && i < chevronParentView_->ViewerCount())
      chevronParentView_->PromoteViewer(chevronParentView_->viewers_[size_t(i)].get());
  } else if (usePriority_ && Viewer) {
    auto it = std::find(priority_.begin(), priority_.end(), Viewer);
    if (it != priority_.end()) {
      priority_.erase(it);
      priority_.insert(priority_.begin(), Viewer);
      if (!layoutValid_ || Viewer->OffEdge) Relayout();
    }
  }
  if (parentView_ && parentView_->openViewer_) parentView_->PromoteViewer(parentView_->openViewer_);
}

TDKItemViewer* TDKView::FirstUsableViewer() {
  EnsureLayout();
  const std::vector<TDKItemViewer*> order = usePriority_ ? priority_ : ViewerList();
  for (TDKItemViewer* v : order)
    if (v->Shown && !v->IsSeparatorViewer()) return v;
  return nullptr;
}

void TDKView::CollectOffEdgeControls(std::vector<TWinControl*>& List) {
  for (TDKItemViewer* v : ViewerList())
    if (auto* ci = dynamic_cast<TDKControlItem*>(v->Item()))
      if (v->OffEdge)
        if (auto* wc = dynamic_cast<TWinControl*>(ci->Control())) List.push_back(wc);
}

void TDKView::UpdateItemActions() {
  for (TDKItemViewer* v : ViewerList()) v->Item()->InitiateAction();
}

// ---- Layout

void TDKView::EnsureLayout() {
  if (!layoutValid_) Relayout();
}

void TDKView::Relayout() {
  TSize total{0, 0};
  RecalcLayout(total);
}

void TDKView::RelayoutIfIdle() {
  if (updating_ > 0 || SourceLoading()) return;
  EnsureLayout();
}

void TDKView::MarkLayoutStale() {
  if (!layoutValid_) return;
  layoutValid_ = false;
  if (ViewHasWindowHandle()) window_->Invalidate();
}

void TDKView::LockLayout() { ++updating_; }

void TDKView::UnlockLayout() {
  if (updating_ > 0 && --updating_ == 0) RelayoutIfIdle();
}

void TDKView::RecalcLayout(TSize& TotalSize) {
  int32_t lines = 1;
  bool changed = ComputeLayout(true, orientation_, lines, TotalSize, naturalSize_, chevronExtent_, chevronLimit_,
                               wrapLimit_);
  layoutValid_ = true;
  ApplyContentSize(TotalSize.cx, TotalSize.cy);
  // The back buffer keeps every window flicker free, so the new arrangement
  // is simply painted again.
  if (changed && ViewHasWindowHandle()) window_->Invalidate();
}

namespace {

struct TWork {
  TRect R{0, 0, 0, 0};
  bool Shown = false, OffEdge = false, Between = false, Clipped = false, SameWidth = false;
};

bool IsControlItem(TDKCustomItem* item) { return dynamic_cast<TDKControlItem*>(item) != nullptr; }

}  // namespace

bool TDKView::ComputeLayout(bool Apply, TDKLayoutOrientation AOrientation, int32_t& LineCount, TSize& TotalSize,
                            TSize& ANaturalSize, int32_t AChevronExtent, int32_t AChevronLimit, int32_t AWrapLimit) {
  TDKLayoutOrientation savedOrientation = orientation_;
  orientation_ = AOrientation;
  const bool vertical = AOrientation == vorVertical;
  const int32_t n = ViewerCount();
  std::vector<TWork> w(static_cast<size_t>(n));
  TDKCustomItem* chevron = GetChevron();
  LineCount = 1;
  // TotalSize comes in as the caller's starting size: zero for a plain
  // view, the dock row's thickness for a toolbar, so that the last line's
  // items are centred across the whole row.
  auto isSep = [&](int32_t i) { return viewers_[size_t(i)]->IsSeparatorViewer(); };
  auto mainExt = [&](int32_t i) { return vertical ? w[size_t(i)].R.Height() : w[size_t(i)].R.Width(); };
  auto crossExt = [&](int32_t i) { return vertical ? w[size_t(i)].R.Width() : w[size_t(i)].R.Height(); };
  bool designing = IsDesigning();

  // Visibility.
  bool prevSep = true;
  for (int32_t i = 0; i < n; ++i) {
    TDKItemViewer* v = viewers_[size_t(i)].get();
    TDKCustomItem* item = v->Item();
    if (chevron && item == chevron && i == n - 1) continue;
    if (chevronParentView_) {
      if (IsControlItem(item)) continue;
      int32_t ti = i + chevronParentView_->internalFront_;
      bool keep = item->HasStyle(dksfSeparator) ||
                  (ti < chevronParentView_->ViewerCount() && chevronParentView_->viewers_[size_t(ti)]->OffEdge);
      if (!keep) continue;
    }
    if (auto* ci = dynamic_cast<TDKControlItem*>(item)) {
      TControl* c = ci->Control();
      bool shown = c && ((c->Parent() == window_ && c->Visible()) || designing);
      w[size_t(i)].Shown = shown;
      if (shown) prevSep = false;
      continue;
    }
    if (item->HasStyle(dksfEmbeddedGroup) && !customizing_) continue;
    bool shown = item->Visible();
    if (shown && item->HasStyle(dksfSeparator) && prevSep) shown = false;
    w[size_t(i)].Shown = shown;
    if (shown) prevSep = item->HasStyle(dksfSeparator);
  }
  // Trailing separators.
  auto hideTrailingSeparators = [&](int32_t* total) {
    for (int32_t i = n - 1; i >= 0; --i) {
      if (!w[size_t(i)].Shown) continue;
      if (!isSep(i)) break;
      w[size_t(i)].Shown = false;
      if (total) *total -= mainExt(i);
    }
  };
  hideTrailingSeparators(nullptr);

  // Measuring.
  TMemoryDC dc;
  TCanvas canvas;
  canvas.SetHandle(dc);
  canvas.SetFont(ItemFont());
  int32_t widest = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (!w[size_t(i)].Shown) continue;
    TDKItemViewer* v = viewers_[size_t(i)].get();
    TDKCustomItem* item = v->Item();
    int32_t width = 0, height = 0;
    if (auto* ci = dynamic_cast<TDKControlItem*>(item)) {
      width = ci->Control()->Width();
      height = ci->Control()->Height();
    } else {
      TDKItemViewer* measurer = v;
      std::unique_ptr<TDKItemViewer> temp;
      if (item->ViewerNeedsRecreate(v)) {
        if (Apply) {
          ReplaceViewer(i);
          measurer = v = viewers_[size_t(i)].get();
        } else {
          temp.reset(item->ViewerClassFor(this)(this, item, v->GroupLevel));
          measurer = temp.get();
        }
      }
      bool bold = item->HasOption(dkoDefault);
      if (bold) {
        TFont* f = canvas.Font();
        TFontStyles st = f->Style();
        st += TFontStyles{fsBold};
        f->SetStyle(st);
      }
      measurer->MeasureItem(&canvas, width, height);
      if (bold) canvas.SetFont(ItemFont());
      temp.reset();
      if (measurer->WantsSameWidth()) {
        w[size_t(i)].SameWidth = true;
        widest = std::max(widest, width);
      }
    }
    w[size_t(i)].R = TRect{0, 0, width, height};
  }
  canvas.SetHandle(nullptr);

  // Same widths and the natural size.
  int32_t total = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (!w[size_t(i)].Shown) continue;
    if (w[size_t(i)].SameWidth) w[size_t(i)].R.Right = w[size_t(i)].R.Left + widest;
    total += mainExt(i);
  }
  ANaturalSize = vertical ? TSize{0, total} : TSize{total, 0};

  // The chevron.
  bool chevronActive = false, chevronHasItems = false;
  if (chevron && AChevronLimit > 0 && AChevronLimit < total) {
    chevronActive = true;
    int32_t limit = AChevronLimit - AChevronExtent;
    while (limit < total) {
      int32_t nonSeps = 0, lastShown = -1;
      for (int32_t i = 0; i < n; ++i)
        if (w[size_t(i)].Shown) {
          lastShown = i;
          if (!isSep(i)) ++nonSeps;
        }
      // Two items always stay on the toolbar.
      if (nonSeps <= 2) break;
      if (lastShown >= 0 && isSep(lastShown)) {
        w[size_t(lastShown)].Shown = false;
        total -= mainExt(lastShown);
      } else {
        int32_t victim = -1;
        if (usePriority_) {
          for (auto it = priority_.rbegin(); it != priority_.rend(); ++it) {
            int32_t i = ViewerIndex(*it);
            if (i >= 0 && w[size_t(i)].Shown && !isSep(i)) {
              victim = i;
              break;
            }
          }
        } else {
          for (int32_t i = n - 1; i >= 0; --i)
            if (w[size_t(i)].Shown && !isSep(i)) {
              victim = i;
              break;
            }
        }
        if (victim < 0) break;
        w[size_t(victim)].Shown = false;
        w[size_t(victim)].OffEdge = true;
        total -= mainExt(victim);
        if (!IsControlItem(viewers_[size_t(victim)]->Item())) chevronHasItems = true;
      }
      bool prev = true;
      for (int32_t i = 0; i < n; ++i) {
        if (!w[size_t(i)].Shown) continue;
        if (isSep(i) && prev) {
          w[size_t(i)].Shown = false;
          total -= mainExt(i);
          continue;
        }
        prev = isSep(i);
      }
    }
    hideTrailingSeparators(&total);
  }

  // The cross extent of the natural size.
  int32_t cross = 0;
  for (int32_t i = 0; i < n; ++i)
    if (w[size_t(i)].Shown) cross = std::max(cross, crossExt(i));
  if (vertical)
    ANaturalSize.cx = cross;
  else
    ANaturalSize.cy = cross;

  // Lines.
  TRect margins = GetViewMargins(AOrientation);
  int32_t wrap = AWrapLimit;
  if (wrap > 0) wrap = std::max(1, wrap - margins.Right);
  int32_t X = margins.Left, Y = margins.Top;
  bool lineOpen = false, wrapForRoom = false, anyWrap = false;
  int32_t lineFirst = 0, lineH = 0, lineW = 0;
  auto finishLine = [&](int32_t first, int32_t last, bool finalLine) {
    if (anyWrap && !chevronParentView_ && AOrientation != vorFloating) {
      if (vertical)
        TotalSize.cy = std::max(TotalSize.cy, AWrapLimit);
      else
        TotalSize.cx = std::max(TotalSize.cx, AWrapLimit);
    }
    int32_t extH = lineH, extW = lineW;
    if (isToolbar_ && finalLine && !anyWrap && AOrientation != vorFloating) {
      extH = TotalSize.cy - margins.Top;
      extW = TotalSize.cx - margins.Left;
    }
    for (int32_t i = first; i <= last; ++i) {
      TWork& k = w[size_t(i)];
      if (!k.Shown || k.Between) continue;
      TDKCustomItem* item = viewers_[size_t(i)]->Item();
      if (isToolbar_) {
        if (item->HasStyle(dksfSeparator) || item->HasStyle(dksfStretch)) {
          if (vertical)
            k.R.Right = k.R.Left + extW;
          else
            k.R.Bottom = k.R.Top + extH;
        } else if (vertical) {
          OffsetRect(&k.R, (extW - k.R.Width()) / 2, 0);
        } else {
          OffsetRect(&k.R, 0, (extH - k.R.Height()) / 2);
        }
      } else if (!item->HasOption(dkoToolbarSize)) {
        k.R.Right = k.R.Left + lineW;
      }
    }
    lineOpen = false;
  };
  bool prevToolbarLike = false;
  int32_t lastShownIndex = -1;
  for (int32_t i = 0; i < n; ++i) {
    TWork& k = w[size_t(i)];
    if (!k.Shown) continue;
    TDKCustomItem* item = viewers_[size_t(i)]->Item();
    bool toolbarLike = isToolbar_ || item->HasOption(dkoToolbarSize);
    if (prevToolbarLike && !toolbarLike) {
      if (lineOpen) finishLine(lineFirst, i - 1, false);
      X = margins.Left;
      Y = TotalSize.cy;
    }
    prevToolbarLike = toolbarLike;
    // Place the viewer.
    if (!lineOpen) {
      lineOpen = true;
      lineFirst = i;
      lineH = lineW = 0;
    }
    int32_t& mainPos = vertical ? Y : X;
    int32_t& crossPos = vertical ? X : Y;
    bool separatorLine = false;
    if (wrap > 0 && mainPos > 0) {
      int32_t end = mainPos + mainExt(i);
      if (isSep(i)) {
        int32_t group = 0;
        for (int32_t j = i + 1; j < n; ++j) {
          if (!w[size_t(j)].Shown) continue;
          if (isSep(j)) break;
          group += mainExt(j);
        }
        if (wrapForRoom || end + group > wrap) separatorLine = true;
      }
      if (separatorLine) {
        ++LineCount;
        anyWrap = true;
        mainPos = 0;
        crossPos += vertical ? lineW : lineH;
        finishLine(lineFirst, i - 1, false);
        k.R = vertical ? TRect{X, Y, X + kToolbarSeparatorSize, Y} : TRect{X, Y, X, Y + kToolbarSeparatorSize};
        k.Between = true;
        mainPos = vertical ? margins.Top : margins.Left;
        crossPos += kToolbarSeparatorSize;
        wrapForRoom = false;
      } else if (end > wrap) {
        ++LineCount;
        anyWrap = true;
        mainPos = vertical ? margins.Top : margins.Left;
        crossPos += vertical ? lineW : lineH;
        wrapForRoom = true;
        finishLine(lineFirst, i - 1, false);
        lineOpen = true;
        lineFirst = i;
        lineH = lineW = 0;
      }
    }
    if (!separatorLine) {
      lineH = std::max(lineH, k.R.Height());
      lineW = std::max(lineW, k.R.Width());
      OffsetRect(&k.R, std::max(0, X) - k.R.Left, std::max(0, Y) - k.R.Top);
      if (toolbarLike && !vertical)
        X += k.R.Width();
      else
        Y += k.R.Height();
    }
    TotalSize.cx = std::max(TotalSize.cx, k.R.Right);
    TotalSize.cy = std::max(TotalSize.cy, k.R.Bottom);
    lastShownIndex = i;
  }
  // The last line.
  if (lineOpen) finishLine(lineFirst, lastShownIndex, true);
  TotalSize.cx += margins.Right;
  TotalSize.cy += margins.Bottom;

  // Vertical views put further columns to the left of the first.
  if (vertical)
    for (TWork& k : w)
      if (k.Shown) {
        int32_t width = k.R.Width();
        k.R.Left = TotalSize.cx - k.R.Right;
        k.R.Right = k.R.Left + width;
      }

  // The popup's height limit.
  if (heightLimit_ > 0 && TotalSize.cy > heightLimit_) {
    scrollOffset_ = std::clamp(scrollOffset_, 0, TotalSize.cy - heightLimit_);
    showUpArrow_ = scrollOffset_ > 0;
    showDownArrow_ = scrollOffset_ < TotalSize.cy - heightLimit_;
    int32_t top = showUpArrow_ ? kScrollArrowBand : 0;
    int32_t bottom = showDownArrow_ ? heightLimit_ - kScrollArrowBand : heightLimit_;
    for (TWork& k : w) {
      if (!IsRectEmpty(&k.R)) OffsetRect(&k.R, 0, -scrollOffset_);
      if (k.Shown && (k.R.Top < top || k.R.Bottom > bottom)) {
        k.Shown = false;
        k.Clipped = true;
      }
    }
    TotalSize.cy = heightLimit_;
  } else {
    showUpArrow_ = showDownArrow_ = false;
    scrollOffset_ = 0;
  }

  // Hosted controls.
  if (Apply) {
    for (int32_t i = 0; i < n; ++i) {
      auto* ci = dynamic_cast<TDKControlItem*>(viewers_[size_t(i)]->Item());
      if (!ci || !ci->Control()) continue;
      TControl* c = ci->Control();
      const TWork& k = w[size_t(i)];
      if (k.Shown) {
        if (c->BoundsRect() != k.R) c->SetBoundsRect(k.R);
      } else if (k.OffEdge || k.Clipped) {
        if (window_) c->SetBounds(window_->ClientWidth(), window_->ClientHeight(), c->Width(), c->Height());
      }
    }
  }

  // Lines between rows span the toolbar.
  if (isToolbar_)
    for (TWork& k : w)
      if (k.Between) {
        if (vertical) {
          k.R.Top = 0;
          k.R.Bottom = TotalSize.cy;
        } else {
          k.R.Left = 0;
          k.R.Right = TotalSize.cx;
        }
      }

  // The chevron's own place.
  if (chevronActive) {
    if (Apply) chevron->SetEnabled(chevronHasItems);
    TWork& k = w[size_t(n - 1)];
    int32_t mainTotal = vertical ? TotalSize.cy : TotalSize.cx;
    int32_t p = std::max(AChevronLimit - AChevronExtent, mainTotal);
    k.Shown = true;
    k.R = vertical ? TRect{0, p, TotalSize.cx, p + AChevronExtent} : TRect{p, 0, p + AChevronExtent, TotalSize.cy};
  }

  // Apply.
  bool changed = false;
  if (Apply) {
    for (int32_t i = 0; i < n; ++i) {
      TDKItemViewer* v = viewers_[size_t(i)].get();
      const TWork& k = w[size_t(i)];
      bool between = (v->StateFlags & TDKItemViewer::vsfLineBetweenRows) != 0;
      if (v->BoundsRect != k.R || v->Shown != k.Shown || between != k.Between) changed = true;
      v->BoundsRect = k.R;
      v->Shown = k.Shown;
      v->OffEdge = k.OffEdge;
      v->Clipped = k.Clipped;
      v->StateFlags = uint8_t(k.Between ? (v->StateFlags | TDKItemViewer::vsfLineBetweenRows)
                                        : (v->StateFlags & ~TDKItemViewer::vsfLineBetweenRows));
    }
  }
  // An empty view still has a size.
  if (ANaturalSize.cx == 0 || ANaturalSize.cy == 0) {
    ANaturalSize = kEmptyViewSize;
    TotalSize.cx = std::max(TotalSize.cx, kEmptyViewSize.cx);
    TotalSize.cy = std::max(TotalSize.cy, kEmptyViewSize.cy);
  }
  orientation_ = savedOrientation;
  return changed;
}

// ---- Painting

void TDKView::InvalidateViewerRect(TDKItemViewer* Viewer) {
  if (!Viewer || !layoutValid_ || !ViewHasWindowHandle() || !Viewer->Shown || IsRectEmpty(&Viewer->BoundsRect) ||
      IsControlItem(Viewer->Item()))
    return;
  Viewer->StateFlags |= TDKItemViewer::vsfPaintThroughBitmap;
  InvalidateRect(window_->Handle(), &Viewer->BoundsRect, false);
}

void TDKView::PaintViewer(TDKItemViewer* Viewer, TCanvas* Canvas, bool) {
  EnsureLayout();
  const bool alone = (Viewer->StateFlags & TDKItemViewer::vsfPaintThroughBitmap) != 0;
  Viewer->StateFlags &= uint8_t(~TDKItemViewer::vsfPaintThroughBitmap);
  if (!Viewer->Shown || IsRectEmpty(&Viewer->BoundsRect) || IsControlItem(Viewer->Item())) return;
  HDC dc = Canvas->Handle();
  int saved = SaveDC(dc);
  IntersectClipRect(dc, Viewer->BoundsRect.Left, Viewer->BoundsRect.Top, Viewer->BoundsRect.Right,
                    Viewer->BoundsRect.Bottom);
  TRect clip;
  if (GetClipBox(dc, &clip) == NULLREGION) {
    RestoreDC(dc, saved);
    return;
  }
  // A viewer repainted on its own (its window was invalidated without
  // erasing) first gets the window's background back, or the frame of a
  // hot or pushed state it has left would stay under the new drawing. The
  // window's back buffer keeps this free of flicker, so no bitmap of its
  // own is needed.
  if (alone && window_ && window_->HandleAllocated())
    SendMessage(window_->Handle(), WM_ERASEBKGND, WPARAM(dc), LPARAM(dc));
  OffsetWindowOrgEx(dc, -Viewer->BoundsRect.Left, -Viewer->BoundsRect.Top, nullptr);
  SetBrushOrgEx(dc, Viewer->BoundsRect.Left % 2, Viewer->BoundsRect.Top % 2, nullptr);
  bool isSelected = Viewer == selected_;
  bool isPushed = isSelected && (Viewer == openViewer_ || (mouseOverSelected_ && capture_));
  bool toolbarStyle = Viewer->UsesToolbarStyle();
  if (isSelected && !toolbarStyle) {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(FlatMenusEnabled() ? clMenuHighlight : clHighlight);
  } else {
    Canvas->Brush()->SetStyle(bsClear);
  }
  Canvas->SetFont(ItemFont());
  bool shadow = false;
  if (Viewer->Item()->Enabled()) {
    Canvas->Font()->SetColor(isSelected && !toolbarStyle ? clHighlightText : toolbarStyle ? clBtnText : clMenuText);
  } else {
    Canvas->Font()->SetColor(clGrayText);
    TColor wc = window_ ? window_->Color() : clBtnFace;
    COLORREF wcv = ColorToRGB(wc);
    shadow = toolbarStyle || (isSelected && wcv == GetSysColor(COLOR_GRAYTEXT)) ||
             (!isSelected && (wcv == GetSysColor(COLOR_BTNFACE) || wcv == GetSysColor(COLOR_GRAYTEXT)));
  }
  SetTextColor(dc, ColorToRGB(Canvas->Font()->Color()));
  Viewer->RenderItem(Canvas, TRect{0, 0, Viewer->BoundsRect.Width(), Viewer->BoundsRect.Height()}, isSelected,
                     isPushed, shadow);
  RestoreDC(dc, saved);
}

void TDKView::PaintAllViewers(TCanvas* Canvas) {
  if (HasState(vstFirstPaint)) {
    for (TDKItemViewer* v : ViewerList()) PaintViewer(v, Canvas, false);
  } else {
    for (TDKItemViewer* v : ViewerList())
      if (v != selected_) PaintViewer(v, Canvas, false);
    if (selected_) PaintViewer(selected_, Canvas, false);
  }
  SetState(vstFirstPaint, false);
}

TDKViewAccObject* TDKView::AccessibilityObject() {
  if (!accObject_ && AccessibilityAvailable()) accObject_ = new TDKViewAccObject(this);
  return accObject_;
}

void TDKView::DetachAccessibilityObject() { accObject_ = nullptr; }
