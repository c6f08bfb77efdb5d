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

bool IsControlItem(TDKCustomItem* item) {
  return dynamic_cast<TDKControlItem*>(item) != nullptr;
}

}  // namespace

// Where one viewer goes in the pass before it is applied.
struct TDKView::TLayoutSlot {
  TRect R{0, 0, 0, 0};
  bool Shown = false, OffEdge = false, Between = false, Clipped = false, SameWidth = false;
};

// One layout pass: the working slots and what the steps hand each other.
struct TDKView::TLayoutPass {
  TLayoutPass(TDKView& View, bool AApply, TDKLayoutOrientation AOrientation, int32_t& ALineCount,
              TSize& ATotal, TSize& ANatural)
      : Viewers(View.viewers_),
        N(View.ViewerCount()),
        Slots(size_t(N)),
        Apply(AApply),
        Orientation(AOrientation),
        Vertical(AOrientation == vorVertical),
        Chevron(View.GetChevron()),
        LineCount(ALineCount),
        TotalSize(ATotal),
        NaturalSize(ANatural) {}

  const std::vector<std::unique_ptr<TDKItemViewer>>& Viewers;
  const int32_t N;
  std::vector<TLayoutSlot> Slots;
  const bool Apply;
  const TDKLayoutOrientation Orientation;
  const bool Vertical;
  TDKCustomItem* const Chevron;
  int32_t& LineCount;
  TSize& TotalSize;
  TSize& NaturalSize;
  // The widest of the viewers that want the same width.
  int32_t Widest = 0;
  // The summed length of the shown slots, kept while the chevron takes some.
  int32_t MainTotal = 0;
  bool ChevronActive = false, ChevronHasItems = false;
  // Placing lines.
  TRect Margins{0, 0, 0, 0};
  int32_t X = 0, Y = 0;
  bool LineOpen = false, WrapForRoom = false, AnyWrap = false;
  int32_t LineFirst = 0, LineH = 0, LineW = 0;

  TLayoutSlot& Slot(int32_t i) { return Slots[size_t(i)]; }
  TDKItemViewer* Viewer(int32_t i) const { return Viewers[size_t(i)].get(); }
  bool IsSep(int32_t i) const { return Viewers[size_t(i)]->IsSeparatorViewer(); }
  int32_t MainExt(int32_t i) const {
    const TRect& r = Slots[size_t(i)].R;
    return Vertical ? r.Height() : r.Width();
  }
  int32_t CrossExt(int32_t i) const {
    const TRect& r = Slots[size_t(i)].R;
    return Vertical ? r.Width() : r.Height();
  }
  // Separators left at the end show nothing; Total, when given, loses their room.
  void HideTrailingSeparators(int32_t* Total) {
    for (int32_t i = N - 1; i >= 0; --i) {
      if (!Slot(i).Shown) continue;
      if (!IsSep(i)) break;
      Slot(i).Shown = false;
      if (Total) *Total -= MainExt(i);
    }
  }
};

bool TDKView::ComputeLayout(bool Apply, TDKLayoutOrientation AOrientation, int32_t& LineCount,
                            TSize& TotalSize, TSize& ANaturalSize, int32_t AChevronExtent,
                            int32_t AChevronLimit, int32_t AWrapLimit) {
  // The viewers' measuring asks the view for its orientation, so the one
  // being tried is set for the pass and the view's own put back after it.
  TDKLayoutOrientation savedOrientation = orientation_;
  orientation_ = AOrientation;
  LineCount = 1;
  // TotalSize comes in as the caller's starting size: zero for a plain
  // view, the dock row's thickness for a toolbar, so that the last line's
  // items are centred across the whole row.
  TLayoutPass p(*this, Apply, AOrientation, LineCount, TotalSize, ANaturalSize);
  ChooseShownSlots(p);
  p.HideTrailingSeparators(nullptr);
  MeasureSlots(p);
  GiveSameWidthsAndNaturalLength(p);
  if (p.Chevron && AChevronLimit > 0 && AChevronLimit < p.MainTotal)
    MoveSlotsIntoChevron(p, AChevronLimit - AChevronExtent);
  TakeNaturalThickness(p);
  PlaceSlotsInLines(p, AWrapLimit);
  if (p.Vertical) MirrorColumns(p);
  ClipToHeightLimit(p);
  if (Apply) MoveHostedControls(p);
  if (isToolbar_) StretchLinesBetweenRows(p);
  if (p.ChevronActive) PlaceChevron(p, AChevronExtent, AChevronLimit);
  bool changed = Apply && ApplySlots(p);
  // An empty view still has a size.
  if (ANaturalSize.cx == 0 || ANaturalSize.cy == 0) {
    ANaturalSize = kEmptyViewSize;
    TotalSize.cx = std::max(TotalSize.cx, kEmptyViewSize.cx);
    TotalSize.cy = std::max(TotalSize.cy, kEmptyViewSize.cy);
  }
  orientation_ = savedOrientation;
  return changed;
}

// Which viewers take part: visible items, no separator right after another
// (or first), and in a chevron's popup only what went off its toolbar's edge.
void TDKView::ChooseShownSlots(TLayoutPass& P) {
  const bool designing = IsDesigning();
  bool prevSep = true;
  for (int32_t i = 0; i < P.N; ++i) {
    TDKCustomItem* item = P.Viewer(i)->Item();
    // The chevron is placed last, on its own, once the others are known.
    if (P.Chevron && item == P.Chevron && i == P.N - 1) continue;
    if (chevronParentView_) {
      // Hosted controls stay on their toolbar; the chevron lists only items.
      if (IsControlItem(item)) continue;
      int32_t ti = i + chevronParentView_->internalFront_;
      bool keep =
          item->HasStyle(dksfSeparator) || (ti < chevronParentView_->ViewerCount() &&
                                            chevronParentView_->viewers_[size_t(ti)]->OffEdge);
      if (!keep) continue;
    }
    if (auto* ci = dynamic_cast<TDKControlItem*>(item)) {
      TControl* c = ci->Control();
      // At design time a hidden control still shows, so that it can be picked.
      bool shown = c && ((c->Parent() == window_ && c->Visible()) || designing);
      P.Slot(i).Shown = shown;
      if (shown) prevSep = false;
      continue;
    }
    // An embedded group's own viewer stands for its members only while customizing.
    if (item->HasStyle(dksfEmbeddedGroup) && !customizing_) continue;
    bool shown = item->Visible();
    if (shown && item->HasStyle(dksfSeparator) && prevSep) shown = false;
    P.Slot(i).Shown = shown;
    if (shown) prevSep = item->HasStyle(dksfSeparator);
  }
}

// Each shown viewer measures itself with the item font (bold for the default
// item); a viewer of the wrong class for its item is made again first.
void TDKView::MeasureSlots(TLayoutPass& P) {
  TMemoryDC dc;
  TCanvas canvas;
  canvas.SetHandle(dc);
  canvas.SetFont(ItemFont());
  for (int32_t i = 0; i < P.N; ++i) {
    if (!P.Slot(i).Shown) continue;
    TDKItemViewer* v = P.Viewer(i);
    TDKCustomItem* item = v->Item();
    int32_t width = 0, height = 0;
    if (auto* ci = dynamic_cast<TDKControlItem*>(item)) {
      width = ci->Control()->Width();
      height = ci->Control()->Height();
    } else {
      TDKItemViewer* measurer = v;
      std::unique_ptr<TDKItemViewer> temp;
      if (item->ViewerNeedsRecreate(v)) {
        // A trial pass must leave the viewers alone, so it measures with a
        // stand-in of the right class.
        if (P.Apply) {
          ReplaceViewer(i);
          measurer = P.Viewer(i);
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
      if (measurer->WantsSameWidth()) {
        P.Slot(i).SameWidth = true;
        P.Widest = std::max(P.Widest, width);
      }
    }
    P.Slot(i).R = TRect{0, 0, width, height};
  }
  canvas.SetHandle(nullptr);
}

// Viewers that want the same width take the widest's; the natural size's
// length is the sum of the shown lengths.
void TDKView::GiveSameWidthsAndNaturalLength(TLayoutPass& P) {
  int32_t total = 0;
  for (int32_t i = 0; i < P.N; ++i) {
    TLayoutSlot& k = P.Slot(i);
    if (!k.Shown) continue;
    if (k.SameWidth) k.R.Right = k.R.Left + P.Widest;
    total += P.MainExt(i);
  }
  P.MainTotal = total;
  P.NaturalSize = P.Vertical ? TSize{0, total} : TSize{total, 0};
}

// Items go off the edge into the chevron, lowest priority first, until the
// rest fits in Limit; separators left at an end or doubled go with them.
void TDKView::MoveSlotsIntoChevron(TLayoutPass& P, int32_t Limit) {
  P.ChevronActive = true;
  int32_t& total = P.MainTotal;
  while (Limit < total) {
    int32_t nonSeps = 0, lastShown = -1;
    for (int32_t i = 0; i < P.N; ++i)
      if (P.Slot(i).Shown) {
        lastShown = i;
        if (!P.IsSep(i)) ++nonSeps;
      }
    // Two items always stay on the toolbar.
    if (nonSeps <= 2) break;
    if (lastShown >= 0 && P.IsSep(lastShown)) {
      P.Slot(lastShown).Shown = false;
      total -= P.MainExt(lastShown);
    } else {
      int32_t victim = ChevronVictim(P);
      if (victim < 0) break;
      P.Slot(victim).Shown = false;
      P.Slot(victim).OffEdge = true;
      total -= P.MainExt(victim);
      // A chevron holding only hosted controls has nothing to list.
      if (!IsControlItem(P.Viewer(victim)->Item())) P.ChevronHasItems = true;
    }
    bool prev = true;
    for (int32_t i = 0; i < P.N; ++i) {
      if (!P.Slot(i).Shown) continue;
      if (P.IsSep(i) && prev) {
        P.Slot(i).Shown = false;
        total -= P.MainExt(i);
        continue;
      }
      prev = P.IsSep(i);
    }
  }
  P.HideTrailingSeparators(&total);
}

// The next item to go into the chevron: the lowest in the priority order
// when the view keeps one, else the last shown.
int32_t TDKView::ChevronVictim(TLayoutPass& P) {
  if (usePriority_) {
    for (auto it = priority_.rbegin(); it != priority_.rend(); ++it) {
      int32_t i = ViewerIndex(*it);
      if (i >= 0 && P.Slot(i).Shown && !P.IsSep(i)) return i;
    }
    return -1;
  }
  for (int32_t i = P.N - 1; i >= 0; --i)
    if (P.Slot(i).Shown && !P.IsSep(i)) return i;
  return -1;
}

// The natural size's thickness is that of the thickest shown viewer.
void TDKView::TakeNaturalThickness(TLayoutPass& P) {
  int32_t cross = 0;
  for (int32_t i = 0; i < P.N; ++i)
    if (P.Slot(i).Shown) cross = std::max(cross, P.CrossExt(i));
  if (P.Vertical)
    P.NaturalSize.cx = cross;
  else
    P.NaturalSize.cy = cross;
}

// Viewers go one after the other inside the margins; past the wrap limit a
// new line starts. A separator whose following group would not fit becomes
// the gap between the two rows instead of ending the first.
void TDKView::PlaceSlotsInLines(TLayoutPass& P, int32_t WrapLimit) {
  P.Margins = GetViewMargins(P.Orientation);
  int32_t wrap = WrapLimit;
  if (wrap > 0) wrap = std::max(1, wrap - P.Margins.Right);
  P.X = P.Margins.Left;
  P.Y = P.Margins.Top;
  bool prevToolbarLike = false;
  int32_t lastShownIndex = -1;
  for (int32_t i = 0; i < P.N; ++i) {
    TLayoutSlot& k = P.Slot(i);
    if (!k.Shown) continue;
    TDKCustomItem* item = P.Viewer(i)->Item();
    // In a menu, toolbar-sized items run along a line of their own; the
    // first menu line after them starts below.
    bool toolbarLike = isToolbar_ || item->HasOption(dkoToolbarSize);
    if (prevToolbarLike && !toolbarLike) {
      if (P.LineOpen) FinishLine(P, P.LineFirst, i - 1, false, WrapLimit);
      P.X = P.Margins.Left;
      P.Y = P.TotalSize.cy;
    }
    prevToolbarLike = toolbarLike;
    if (!P.LineOpen) {
      P.LineOpen = true;
      P.LineFirst = i;
      P.LineH = P.LineW = 0;
    }
    bool separatorLine = wrap > 0 && WrapBeforeSlot(P, i, wrap, WrapLimit);
    if (!separatorLine) {
      P.LineH = std::max(P.LineH, k.R.Height());
      P.LineW = std::max(P.LineW, k.R.Width());
      OffsetRect(&k.R, std::max(0, P.X) - k.R.Left, std::max(0, P.Y) - k.R.Top);
      if (toolbarLike && !P.Vertical)
        P.X += k.R.Width();
      else
        P.Y += k.R.Height();
    }
    P.TotalSize.cx = std::max(P.TotalSize.cx, k.R.Right);
    P.TotalSize.cy = std::max(P.TotalSize.cy, k.R.Bottom);
    lastShownIndex = i;
  }
  if (P.LineOpen) FinishLine(P, P.LineFirst, lastShownIndex, true, WrapLimit);
  P.TotalSize.cx += P.Margins.Right;
  P.TotalSize.cy += P.Margins.Bottom;
}

// Starts a new line before slot i when it does not fit in Wrap. Returns
// whether slot i, a separator, became the line between the rows.
bool TDKView::WrapBeforeSlot(TLayoutPass& P, int32_t i, int32_t Wrap, int32_t WrapLimit) {
  int32_t& mainPos = P.Vertical ? P.Y : P.X;
  int32_t& crossPos = P.Vertical ? P.X : P.Y;
  if (mainPos <= 0) return false;
  const int32_t end = mainPos + P.MainExt(i);
  if (P.IsSep(i)) {
    // A separator breaks the line when the group after it would not fit,
    // or when the line before it already wrapped for lack of room.
    int32_t group = 0;
    for (int32_t j = i + 1; j < P.N; ++j) {
      if (!P.Slot(j).Shown) continue;
      if (P.IsSep(j)) break;
      group += P.MainExt(j);
    }
    if (P.WrapForRoom || end + group > Wrap) {
      ++P.LineCount;
      P.AnyWrap = true;
      mainPos = 0;
      crossPos += P.Vertical ? P.LineW : P.LineH;
      FinishLine(P, P.LineFirst, i - 1, false, WrapLimit);
      TLayoutSlot& k = P.Slot(i);
      k.R = P.Vertical ? TRect{P.X, P.Y, P.X + kToolbarSeparatorSize, P.Y}
                       : TRect{P.X, P.Y, P.X, P.Y + kToolbarSeparatorSize};
      k.Between = true;
      mainPos = P.Vertical ? P.Margins.Top : P.Margins.Left;
      crossPos += kToolbarSeparatorSize;
      P.WrapForRoom = false;
      return true;
    }
  }
  if (end > Wrap) {
    ++P.LineCount;
    P.AnyWrap = true;
    mainPos = P.Vertical ? P.Margins.Top : P.Margins.Left;
    crossPos += P.Vertical ? P.LineW : P.LineH;
    P.WrapForRoom = true;
    FinishLine(P, P.LineFirst, i - 1, false, WrapLimit);
    P.LineOpen = true;
    P.LineFirst = i;
    P.LineH = P.LineW = 0;
  }
  return false;
}

// A finished line's viewers take its thickness: on a toolbar separators and
// stretching items span it and the others are centred across it; in a menu
// every line is as wide as the widest.
void TDKView::FinishLine(TLayoutPass& P, int32_t First, int32_t Last, bool FinalLine,
                         int32_t WrapLimit) {
  // A wrapped toolbar takes the whole wrap limit, so that its rows line up
  // with the dock; a floating one sizes to its rows.
  if (P.AnyWrap && !chevronParentView_ && P.Orientation != vorFloating) {
    if (P.Vertical)
      P.TotalSize.cy = std::max(P.TotalSize.cy, WrapLimit);
    else
      P.TotalSize.cx = std::max(P.TotalSize.cx, WrapLimit);
  }
  int32_t extH = P.LineH, extW = P.LineW;
  // The single line of a docked toolbar is centred across the whole row.
  if (isToolbar_ && FinalLine && !P.AnyWrap && P.Orientation != vorFloating) {
    extH = P.TotalSize.cy - P.Margins.Top;
    extW = P.TotalSize.cx - P.Margins.Left;
  }
  for (int32_t i = First; i <= Last; ++i) {
    TLayoutSlot& k = P.Slot(i);
    if (!k.Shown || k.Between) continue;
    TDKCustomItem* item = P.Viewer(i)->Item();
    if (isToolbar_) {
      if (item->HasStyle(dksfSeparator) || item->HasStyle(dksfStretch)) {
        if (P.Vertical)
          k.R.Right = k.R.Left + extW;
        else
          k.R.Bottom = k.R.Top + extH;
      } else if (P.Vertical) {
        OffsetRect(&k.R, (extW - k.R.Width()) / 2, 0);
      } else {
        OffsetRect(&k.R, 0, (extH - k.R.Height()) / 2);
      }
    } else if (!item->HasOption(dkoToolbarSize)) {
      k.R.Right = k.R.Left + P.LineW;
    }
  }
  P.LineOpen = false;
}

// Vertical views put further columns to the left of the first.
void TDKView::MirrorColumns(TLayoutPass& P) {
  for (TLayoutSlot& k : P.Slots)
    if (k.Shown) {
      int32_t width = k.R.Width();
      k.R.Left = P.TotalSize.cx - k.R.Right;
      k.R.Right = k.R.Left + width;
    }
}

// A popup taller than its height limit scrolls: the offset stays in range,
// the arrow bands show where there is more, and viewers under a band are
// clipped.
void TDKView::ClipToHeightLimit(TLayoutPass& P) {
  TSize& total = P.TotalSize;
  if (heightLimit_ <= 0 || total.cy <= heightLimit_) {
    showUpArrow_ = showDownArrow_ = false;
    scrollOffset_ = 0;
    return;
  }
  scrollOffset_ = std::clamp(scrollOffset_, 0, total.cy - heightLimit_);
  showUpArrow_ = scrollOffset_ > 0;
  showDownArrow_ = scrollOffset_ < total.cy - heightLimit_;
  int32_t top = showUpArrow_ ? kScrollArrowBand : 0;
  int32_t bottom = showDownArrow_ ? heightLimit_ - kScrollArrowBand : heightLimit_;
  for (TLayoutSlot& k : P.Slots) {
    if (!IsRectEmpty(&k.R)) OffsetRect(&k.R, 0, -scrollOffset_);
    if (k.Shown && (k.R.Top < top || k.R.Bottom > bottom)) {
      k.Shown = false;
      k.Clipped = true;
    }
  }
  total.cy = heightLimit_;
}

// Hosted controls move to their slots; those off the edge or clipped move
// out of sight past the window's client area, where they keep their size.
void TDKView::MoveHostedControls(TLayoutPass& P) {
  for (int32_t i = 0; i < P.N; ++i) {
    auto* ci = dynamic_cast<TDKControlItem*>(P.Viewer(i)->Item());
    if (!ci || !ci->Control()) continue;
    TControl* c = ci->Control();
    const TLayoutSlot& k = P.Slot(i);
    if (k.Shown) {
      if (c->BoundsRect() != k.R) c->SetBoundsRect(k.R);
    } else if (k.OffEdge || k.Clipped) {
      if (window_)
        c->SetBounds(window_->ClientWidth(), window_->ClientHeight(), c->Width(), c->Height());
    }
  }
}

// Lines between rows span the toolbar.
void TDKView::StretchLinesBetweenRows(TLayoutPass& P) {
  for (TLayoutSlot& k : P.Slots)
    if (k.Between) {
      if (P.Vertical) {
        k.R.Top = 0;
        k.R.Bottom = P.TotalSize.cy;
      } else {
        k.R.Left = 0;
        k.R.Right = P.TotalSize.cx;
      }
    }
}

// The chevron sits at the limit's end (or after the items, if they still
// reach further) and is enabled only when it holds items.
void TDKView::PlaceChevron(TLayoutPass& P, int32_t ChevronExtent, int32_t ChevronLimit) {
  if (P.Apply) P.Chevron->SetEnabled(P.ChevronHasItems);
  TLayoutSlot& k = P.Slot(P.N - 1);
  const TSize& total = P.TotalSize;
  int32_t mainTotal = P.Vertical ? total.cy : total.cx;
  int32_t at = std::max(ChevronLimit - ChevronExtent, mainTotal);
  k.Shown = true;
  k.R = P.Vertical ? TRect{0, at, total.cx, at + ChevronExtent}
                   : TRect{at, 0, at + ChevronExtent, total.cy};
}

// The slots become the viewers' places. Returns whether anything moved,
// showed, hid or became a line between rows, so that the window repaints.
bool TDKView::ApplySlots(TLayoutPass& P) {
  bool changed = false;
  for (int32_t i = 0; i < P.N; ++i) {
    TDKItemViewer* v = P.Viewer(i);
    const TLayoutSlot& k = P.Slot(i);
    bool between = (v->StateFlags & TDKItemViewer::vsfLineBetweenRows) != 0;
    if (v->BoundsRect != k.R || v->Shown != k.Shown || between != k.Between) changed = true;
    v->BoundsRect = k.R;
    v->Shown = k.Shown;
    v->OffEdge = k.OffEdge;
    v->Clipped = k.Clipped;
    v->StateFlags = uint8_t(k.Between ? (v->StateFlags | TDKItemViewer::vsfLineBetweenRows)
                                      : (v->StateFlags & ~TDKItemViewer::vsfLineBetweenRows));
  }
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
