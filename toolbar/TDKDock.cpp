// The dock: its lists of windows, the row layout, its bound lines and its
// background.
#include "toolbar/TDKDock.h"

#include <algorithm>

#include "platform/GdiHolders.h"
#include "platform/Draw.h"
#include "platform/PenBrush.h"
#include "platform/Region.h"
#include "platform/SysInfo.h"
#include "rtl/Exception.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TDKFloatingWindow.h"

RTL_DEFINE_CLASS(TDKBasicBackground, TComponent)
RTL_DEFINE_CLASS(TDKDock, TCustomControl)

namespace {

bool WindowShownOnDock(TDKDock* Dock, TDKCustomDockableWindow* W) {
  return W->Parent() == Dock && (W->Visible() || W->ComponentState().Contains(csDesigning));
}

int32_t CompareRowAndPos(void* A, void* B, intptr_t) {
  auto* a = static_cast<TDKCustomDockableWindow*>(A);
  auto* b = static_cast<TDKCustomDockableWindow*>(B);
  if (a->DockRow() != b->DockRow()) return a->DockRow() < b->DockRow() ? -1 : 1;
  if (a->DockPos() != b->DockPos()) return a->DockPos() < b->DockPos() ? -1 : 1;
  return 0;
}

template <typename T>
void SortWindows(std::vector<T*>& List) {
  std::vector<void*> tmp(List.begin(), List.end());
  SortListWith(tmp, &CompareRowAndPos, 0);
  for (size_t i = 0; i < tmp.size(); ++i) List[i] = static_cast<T*>(tmp[i]);
}

}  // namespace

TDKDockType DockTypeOf(TDKDock* Dock, bool Floating) {
  if (Floating) return dtFloating;
  if (!Dock) return dtNone;
  return Dock->IsVertical() ? dtVertical : dtHorizontal;
}

TDKDock::TDKDock(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle() = TControlStyle{csAcceptsControls, csMenuEvents};
  SetColor(clBtnFace);
  SetAlign(alTop);
}

TDKDock::~TDKDock() {
  if (background_) background_->UnregisterChanges([this](TObject* s) { BackgroundChanged(s); });
}

void TDKDock::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ClassStyle &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TDKDock::SetParent(TWinControl* AParent) {
  for (TWinControl* p = AParent; p; p = p->Parent())
    if (dynamic_cast<TDKDock*>(p) || dynamic_cast<TDKCustomDockableWindow*>(p) ||
        dynamic_cast<TDKFloatingWindowParent*>(p))
      throw EInvalidOperation("A TDKDock control cannot be placed inside a tool window or another TDKDock");
  TCustomControl::SetParent(AParent);
}

void TDKDock::SetPosition(TDKDockPosition v) {
  if (v != position_ && ControlCount() > 0)
    throw EInvalidOperation("Cannot change Position of a TDKDock if it already contains controls");
  position_ = v;
  static const TAlign aligns[] = {alTop, alBottom, alLeft, alRight};
  SetAlign(aligns[v]);
}

void TDKDock::SetAllowDrag(bool v) {
  if (allowDrag_ == v) return;
  allowDrag_ = v;
  for (int32_t i = 0; i < ControlCount(); ++i)
    if (auto* w = dynamic_cast<TDKCustomDockableWindow*>(Controls(i))) w->RefreshFrame();
}

void TDKDock::SetBoundLines(TDKDockBoundLines v) {
  if (boundLines_ == v) return;
  boundLines_ = v;
  boundLineWidth_ = ((v & BoundLineBit(blLeft)) ? 1 : 0) + ((v & BoundLineBit(blRight)) ? 1 : 0);
  boundLineHeight_ = ((v & BoundLineBit(blTop)) ? 1 : 0) + ((v & BoundLineBit(blBottom)) ? 1 : 0);
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TDKDock::SetBackground(TDKBasicBackground* v) {
  if (background_ == v) return;
  if (background_) {
    background_->UnregisterChanges([this](TObject* s) { BackgroundChanged(s); });
    background_->RemoveFreeNotification(this);
  }
  background_ = v;
  if (v) {
    v->FreeNotification(this);
    v->RegisterChanges([this](TObject* s) { BackgroundChanged(s); });
  }
  InvalidateBackground();
}

void TDKDock::BackgroundChanged(TObject*) { InvalidateBackground(); }

void TDKDock::SetBackgroundOnToolbars(bool v) {
  if (backgroundOnToolbars_ == v) return;
  backgroundOnToolbars_ = v;
  InvalidateBackground();
}

void TDKDock::SetFixAlign(bool v) {
  if (fixAlign_ == v) return;
  fixAlign_ = v;
  LayoutToolbars();
}

void TDKDock::DrawDockBackground(HDC DC, const TRect& DrawRect) {
  if (background_) background_->Draw(DC, DrawRect);
}

bool TDKDock::UsesBackground() { return background_ && background_->UsingBackground(); }

void TDKDock::InvalidateBackground() {
  if (!HandleAllocated()) return;
  RedrawWindow(Handle(), nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  for (TDKCustomDockableWindow* w : visibleList_)
    if (w->HandleAllocated()) RedrawWindow(w->Handle(), nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void TDKDock::SuspendLayout() { ++layoutLock_; }

void TDKDock::ResumeLayout() {
  if (layoutLock_ > 0 && --layoutLock_ == 0 && layoutPending_) LayoutToolbars();
}

void TDKDock::UpdateWindowList(TDKCustomDockableWindow* Window, bool Insert) {
  auto it = std::find(windowList_.begin(), windowList_.end(), Window);
  if (Insert) {
    if (it == windowList_.end()) {
      windowList_.push_back(Window);
      Window->FreeNotification(this);
    }
  } else if (it != windowList_.end()) {
    windowList_.erase(it);
  }
  UpdateVisibleList(Window, false);
}

void TDKDock::UpdateVisibleList(TDKCustomDockableWindow* Window, bool ForceRemove) {
  bool belongs = !ForceRemove && WindowShownOnDock(this, Window);
  auto it = std::find(visibleList_.begin(), visibleList_.end(), Window);
  bool changed = false;
  if (belongs && it == visibleList_.end()) {
    visibleList_.push_back(Window);
    changed = true;
  } else if (!belongs && it != visibleList_.end()) {
    visibleList_.erase(it);
    changed = true;
  }
  if (!changed) return;
  LayoutToolbars();
  if (OnInsertRemoveBar) OnInsertRemoveBar(this, belongs, Window);
}

int32_t TDKDock::RowThickness(int32_t Row, bool& FullSize) {
  FullSize = false;
  if (Row < 0) return 0;
  int32_t result = 0;
  for (TDKCustomDockableWindow* w : windowList_) {
    if (!WindowShownOnDock(this, w) || w->layoutRow_ != Row) continue;
    int32_t t = IsVertical() ? w->Width() : w->Height();
    result = std::max(result, t);
    FullSize = w->FullSize();
  }
  return result;
}

int32_t TDKDock::RowThicknessExcept(int32_t Row, TDKCustomDockableWindow* Window) {
  if (Row < 0) return 0;
  int32_t result = 0;
  for (TDKCustomDockableWindow* w : windowList_)
    if (w != Window && WindowShownOnDock(this, w) && w->layoutRow_ == Row)
      result = std::max(result, w->RowThicknessCache);
  return result;
}

int32_t TDKDock::HighestRow(bool LaidOut) {
  int32_t result = -1;
  for (TDKCustomDockableWindow* w : windowList_) result = std::max(result, LaidOut ? w->layoutRow_ : w->DockRow());
  return result;
}

int32_t TDKDock::RowAtOffset(int32_t Offset) {
  int32_t highest = HighestRow(true), sum = 0;
  for (int32_t row = 0; row <= highest; ++row) {
    bool full;
    sum += RowThickness(row, full);
    if (sum > Offset) return row;
  }
  return highest + 1;
}

void TDKDock::ResizeKeepingEdge(int32_t AWidth, int32_t AHeight) {
  int32_t l = Left(), t = Top();
  switch (Align()) {
    case alBottom: t = t + Height() - AHeight; break;
    case alRight: l = l + Width() - AWidth; break;
    case alClient:
    case alCustom: return;
    default: break;
  }
  SetBounds(l, t, AWidth, AHeight);
}

void CommitLayoutPositions(TDKDock* Dock) {
  for (int32_t i = 0; i < Dock->VisibleWindowCount(); ++i) {
    TDKCustomDockableWindow* w = Dock->VisibleWindows(i);
    w->SetDockRow(w->LayoutRow());
    w->SetDockPos(w->LayoutPos());
  }
}

void TDKDock::AlignControls(TControl*, TRect&) { LayoutToolbars(); }

void TDKDock::Loaded() {
  TCustomControl::Loaded();
  LayoutToolbars();
}

void TDKDock::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == background_) background_ = nullptr;
  auto* w = dynamic_cast<TDKCustomDockableWindow*>(AComponent);
  if (!w) return;
  windowList_.erase(std::remove(windowList_.begin(), windowList_.end(), w), windowList_.end());
  visibleList_.erase(std::remove(visibleList_.begin(), visibleList_.end(), w), visibleList_.end());
  if (DragWindow == w) DragWindow = nullptr;
}

// ---- Layout

namespace {

// One window's place in a layout pass: its rows (asked for, and the one it is
// laid out in, -1 when it does not show), the gap before it, its lengths.
struct TPosData {
  TDKCustomDockableWindow* W = nullptr;
  int32_t Row = 0, LayoutRow = -1;
  int32_t Gap = 0, Pos = 0, Full = 0, Min = 0, Size = 0, Overlap = 0;
  TDKShrinkMode Mode = dksmNone;
  bool NeedsArrange = false;
};

// Sums gap + size of the row's windows up to Last (an index into the row);
// beyond Limit, the excess comes out of their gaps from Last backwards.
int32_t TakeFromGaps(std::vector<TPosData*>& RowW, int32_t Last, int32_t Limit) {
  int32_t sum = 0;
  for (int32_t i = 0; i <= Last; ++i) sum += RowW[size_t(i)]->Gap + RowW[size_t(i)]->Size;
  if (sum <= Limit) return 0;
  int32_t excess = sum - Limit, taken = 0;
  for (int32_t i = Last; i >= 0 && excess > 0; --i) {
    int32_t give = std::min(excess, RowW[size_t(i)]->Gap);
    RowW[size_t(i)]->Gap -= give;
    excess -= give;
    taken += give;
  }
  return taken;
}

// The windows of one row in order, with how far they overrun the room along
// the dock (negative: room to spare) and where the dragged window asked to be.
struct TRowFit {
  std::vector<TPosData*> Row;
  int32_t Excess = 0;
  TDKCustomDockableWindow* Drag = nullptr;
  int32_t DragPos = 0, DragAt = -1;
  int32_t Count() const { return int32_t(Row.size()); }
  TPosData& At(int32_t i) { return *Row[size_t(i)]; }
};

// Each window goes where it asked, never before the least room the windows
// before it need. When the row overruns, later windows shift with the gaps
// they asked for instead of keeping them; a window asked to start inside the
// one before records by how much it overlaps.
void PlaceAtRequestedPositions(TRowFit& F) {
  int32_t cur = 0, prevEnd = 0, minSum = 0, shift = 0;
  for (int32_t i = 0; i < F.Count(); ++i) {
    TPosData& p = F.At(i);
    // A full-size or stretching first window starts at the dock's start.
    int32_t requested = (cur == 0 && (p.W->FullSize() || p.W->Stretch())) ? 0 : p.Pos + shift;
    if (p.W == F.Drag) {
      F.DragPos = requested;
      F.DragAt = i;
    }
    if (requested < minSum) requested = minSum;
    if (requested > cur) {
      if (F.Excess > 0)
        shift += requested - cur;
      else
        p.Gap = requested - cur;
      cur = requested;
    } else if (requested < prevEnd) {
      p.Overlap = prevEnd - requested;
    }
    cur += p.Size;
    prevEnd = requested + p.Size;
    minSum += p.Min;
  }
}

// With room to spare the dragged window still reaches the place it was
// dragged to: the gaps before it give way and the window after it takes
// what they gave, so it stays put. Then gaps shrink until the row fits.
void CloseGapsToFit(TRowFit& F, int32_t Available) {
  if (F.Excess < 0 && F.DragAt >= 0) {
    int32_t took = TakeFromGaps(F.Row, F.DragAt - 1, F.DragPos);
    if (took > 0 && F.DragAt + 1 < F.Count()) F.At(F.DragAt + 1).Gap += took;
  }
  if (F.Count() > 0) TakeFromGaps(F.Row, F.Count() - 1, Available);
}

// A window asked to start inside the ones before it pushes: chevron windows
// before it (back to the dragged one) shrink by the overlap. Returns whether
// the dragged window shares an overrunning row, so that a drag may split it.
bool ShrinkBeforeOverlaps(TRowFit& F) {
  bool dragMaySplit = false;
  int32_t overlaps = 0;
  for (int32_t i = 0; i < F.Count(); ++i) {
    TPosData& p = F.At(i);
    if (F.Count() > 1 && p.W == F.Drag) dragMaySplit = true;
    overlaps += p.Overlap;
    int32_t need = std::min(overlaps, F.Excess);
    for (int32_t b = i - 1; b >= 0 && need > 0; --b) {
      TPosData& q = F.At(b);
      if (q.Mode == dksmChevron) {
        int32_t give = std::min(need, q.Size - q.Min);
        q.Size -= give;
        F.Excess -= give;
        need -= give;
        overlaps -= give;
      }
      if (q.W == F.Drag) break;
    }
  }
  return dragMaySplit;
}

// What still overruns comes off shrinkable windows from the end of the row;
// a wrapping window shrinks only when alone in its row.
void ShrinkFromTheEnd(TRowFit& F) {
  for (int32_t i = F.Count() - 1; i >= 0 && F.Excess > 0; --i) {
    TPosData& p = F.At(i);
    if (p.Mode == dksmNone || (p.Mode == dksmWrap && F.Count() != 1)) continue;
    int32_t give = std::min(F.Excess, p.Size - p.Min);
    p.Size -= give;
    F.Excess -= give;
  }
}

// Final positions: full-size windows take the whole length, stretching ones
// take the gap after them (the last one, the rest of the row).
void StretchAndPosition(TRowFit& F, int32_t Available) {
  int32_t cur = 0;
  for (int32_t i = 0; i < F.Count(); ++i) {
    TPosData& p = F.At(i);
    if (p.W->FullSize() || p.W->Stretch()) {
      p.Size += p.Gap;
      p.Gap = 0;
    }
    cur += p.Gap;
    if (p.W->FullSize()) {
      p.Size = std::max(p.Size, Available);
    } else if (p.W->Stretch()) {
      if (i + 1 < F.Count()) {
        p.Size += F.At(i + 1).Gap;
        F.At(i + 1).Gap = 0;
      } else {
        p.Size = std::max(p.Size, Available - cur);
      }
    }
    p.Pos = cur;
    cur += p.Size;
  }
}

}  // namespace

// One layout pass over the dock's windows.
struct TDKDock::TLayoutPass {
  std::vector<TDKCustomDockableWindow*> Order;  // row and position order
  std::vector<TPosData> Pd;                     // in Order's order
  int32_t Highest = 0;                          // the last row
  int32_t Available = 0;                        // room along the dock
  bool Vertical = false;
  // Moves the places from From on, all but Except, one row down from Row.
  void MoveDown(size_t From, int32_t Row, TDKCustomDockableWindow* Except) {
    for (size_t k = From; k < Pd.size(); ++k) {
      if (Pd[k].W == Except) continue;
      if (Pd[k].Row >= Row) ++Pd[k].Row;
      if (Pd[k].LayoutRow >= Row) ++Pd[k].LayoutRow;
    }
  }
};

void TDKDock::LayoutToolbars() {
  // While updates are locked or the dock loads, the layout waits for the unlock.
  if (layoutLock_ > 0 || ComponentState().Contains(csLoading)) {
    layoutPending_ = true;
    return;
  }
  ++layoutLock_;
  struct TRelease {
    TDKDock* D;
    ~TRelease() {
      --D->layoutLock_;
      D->layoutPending_ = false;
      D->WriteBackPositions = false;
    }
  } release{this};
  if (CollapseWhenNothingShows()) return;
  TLayoutPass pass;
  pass.Vertical = IsVertical();
  // The room along the dock, less its bound lines.
  pass.Available =
      pass.Vertical ? std::max(0, Height() - boundLineHeight_) : std::max(0, Width() - boundLineWidth_);
  DropDestroyingWindows();
  // A single-row dock puts every window on row 0.
  if (limitToOneRow_)
    for (TDKCustomDockableWindow* w : windowList_) w->dockRow_ = 0;
  TakeWindowsInLayoutOrder(pass);
  GiveOwnRows(pass);
  CloseEmptyRows(pass);
  for (int32_t j = 0; j <= pass.Highest; ++j) FitRowAlong(pass, j);
  StoreLayoutPositions(pass);
  int32_t offset = PlaceRowsAcross(pass);
  // The dock takes the height (or width) of its rows.
  if (pass.Vertical)
    ResizeKeepingEdge(boundLineWidth_ + offset, Height());
  else
    ResizeKeepingEdge(Width(), boundLineHeight_ + offset);
}

// A dock with nothing shown collapses to its bound lines (one pixel when its
// alignment is fixed, so that it can still be found; a grip's width while
// designing, so that it can be picked). Returns whether it did.
bool TDKDock::CollapseWhenNothingShows() {
  for (TDKCustomDockableWindow* w : windowList_)
    if (WindowShownOnDock(this, w)) return false;
  const bool designing = ComponentState().Contains(csDesigning);
  int32_t thickness = fixAlign_ ? 1 : (designing ? 9 : 0);
  if (IsVertical())
    ResizeKeepingEdge(thickness, Height());
  else
    ResizeKeepingEdge(Width(), thickness);
  return true;
}

// Windows being destroyed leave the lists.
void TDKDock::DropDestroyingWindows() {
  for (size_t i = windowList_.size(); i-- > 0;) {
    TDKCustomDockableWindow* w = windowList_[i];
    if (w->ComponentState().Contains(csDestroying)) {
      windowList_.erase(windowList_.begin() + ptrdiff_t(i));
      visibleList_.erase(std::remove(visibleList_.begin(), visibleList_.end(), w), visibleList_.end());
    }
  }
}

// The windows in row and position order, each with its wanted row and
// position; a window dragged to split its row keeps its place in the list.
void TDKDock::TakeWindowsInLayoutOrder(TLayoutPass& P) {
  P.Order = windowList_;
  auto dragIt = std::find(P.Order.begin(), P.Order.end(), DragWindow);
  ptrdiff_t dragIndex = dragIt == P.Order.end() ? -1 : dragIt - P.Order.begin();
  SortWindows(P.Order);
  if (SplitDragActive && dragIndex >= 0) {
    P.Order.erase(std::find(P.Order.begin(), P.Order.end(), DragWindow));
    P.Order.insert(P.Order.begin() + dragIndex, DragWindow);
  }
  SortWindows(visibleList_);
  P.Highest = HighestRow(false);
  P.Pd.resize(P.Order.size());
  for (size_t i = 0; i < P.Order.size(); ++i) {
    TDKCustomDockableWindow* w = P.Order[i];
    P.Pd[i].W = w;
    P.Pd[i].Row = w->DockRow();
    P.Pd[i].LayoutRow = WindowShownOnDock(this, w) ? w->DockRow() : -1;
    P.Pd[i].Pos = w->DockPos();
  }
}

// Own rows: first the windows that asked for one, then full-size ones; the
// windows sharing the row move down below them.
void TDKDock::GiveOwnRows(TLayoutPass& P) {
  for (int pass = 0; pass < 2; ++pass) {
    for (int32_t j = 0; j <= P.Highest; ++j) {
      for (size_t i = 0; i < P.Pd.size(); ++i) {
        if (P.Pd[i].Row != j) continue;
        bool wants = pass == 0 ? (P.Pd[i].W->WantsOwnRow && !limitToOneRow_) : P.Pd[i].W->FullSize();
        if (!wants) continue;
        bool other = false;
        for (size_t k = 0; k < P.Pd.size(); ++k)
          if (k != i && P.Pd[k].Row == j) other = true;
        if (!other) continue;
        P.MoveDown(0, j, P.Pd[i].W);
        ++P.Highest;
      }
    }
  }
}

// Empty rows close up; a row of hidden windows stays, so that they come back
// in their row when shown.
void TDKDock::CloseEmptyRows(TLayoutPass& P) {
  for (int32_t j = 0; j <= P.Highest;) {
    bool any = false;
    for (const TPosData& p : P.Pd)
      if (p.Row == j) any = true;
    if (any) {
      ++j;
      continue;
    }
    for (TPosData& p : P.Pd) {
      if (p.Row > j) --p.Row;
      if (p.LayoutRow > j) --p.LayoutRow;
    }
    --P.Highest;
  }
}

// Fits row Row along the dock: the windows that do not fit (counting chevron
// windows at their least) start the next row, then the rest are placed,
// gaps closed and windows shrunk until the row fits.
void TDKDock::FitRowAlong(TLayoutPass& P, int32_t Row) {
  TRowFit fit;
  fit.Drag = DragWindow;
  int32_t total = 0, sum = 0;
  for (size_t i = 0; i < P.Pd.size(); ++i) {
    if (P.Pd[i].LayoutRow != Row) continue;
    TPosData& p = P.Pd[i];
    TSize base{0, 0};
    p.W->QueryBaseSize(base);
    TSize nc = p.W->GetDockedNCAreaSize();
    p.Full = p.Size = P.Vertical ? nc.cy + base.cy : nc.cx + base.cx;
    p.Mode = p.W->CurrentShrinkMode();
    int32_t m = 0;
    p.W->MinimumShrinkSize(m);
    p.Min = std::min(m, p.Full);
    sum += p.Mode == dksmChevron ? p.Min : p.Full;
    if (!fit.Row.empty() && sum > P.Available && !limitToOneRow_) {
      P.MoveDown(i, Row, nullptr);
      ++P.Highest;
      break;
    }
    total += p.Full;
    fit.Row.push_back(&p);
  }
  fit.Excess = total - P.Available;
  PlaceAtRequestedPositions(fit);
  CloseGapsToFit(fit, P.Available);
  if (fit.Excess > 0 && ShrinkBeforeOverlaps(fit)) DragMaySplit = true;
  ShrinkFromTheEnd(fit);
  StretchAndPosition(fit, P.Available);
}

// The computed rows and positions go to the windows, and into their stored
// places when the drag loop asks (the dropped order then becomes the list's).
void TDKDock::StoreLayoutPositions(TLayoutPass& P) {
  for (TPosData& p : P.Pd) {
    p.W->layoutRow_ = p.Row;
    p.W->layoutPos_ = p.Pos;
    if (WriteBackPositions) {
      p.W->dockRow_ = p.Row;
      p.W->dockPos_ = p.Pos;
    }
  }
  if (WriteBackPositions) windowList_ = P.Order;
}

// Rows across the dock, each as thick as its thickest window and a border;
// every window takes its bounds. Returns the rows' summed thickness.
int32_t TDKDock::PlaceRowsAcross(TLayoutPass& P) {
  int32_t offset = 0;
  for (int32_t j = 0; j <= P.Highest; ++j) {
    int32_t thickness = RowThicknessForLayout(P, j);
    for (TPosData& p : P.Pd) {
      if (p.LayoutRow != j) continue;
      // The raised depth makes the window take the bounds as the dock's,
      // not as a size change of its own; the shrunk length it was given
      // stays whatever its arrangement does meanwhile.
      ++p.W->BoundsUpdateDepth;
      int32_t keep = p.W->shrunkLength_;
      if (p.NeedsArrange) p.W->arrangePending_ = true;
      try {
        if (P.Vertical)
          p.W->SetBounds(offset, p.Pos, thickness, p.Size);
        else
          p.W->SetBounds(p.Pos, offset, p.Size, thickness);
        if (p.W->arrangePending_) p.W->Rearrange();
      } catch (...) {
        p.W->shrunkLength_ = keep;
        --p.W->BoundsUpdateDepth;
        throw;
      }
      p.W->shrunkLength_ = keep;
      --p.W->BoundsUpdateDepth;
    }
    offset += thickness;
  }
  return offset;
}

// A row's thickness: its thickest window's content across the dock, plus the
// window frame. Windows whose shrunk length changed arrange their items again
// to learn it (a wrapping toolbar grows thicker as it shrinks).
int32_t TDKDock::RowThicknessForLayout(TLayoutPass& P, int32_t Row) {
  int32_t thickness = 0;
  for (TPosData& p : P.Pd) {
    if (p.LayoutRow != Row) continue;
    int32_t oldShrunk = p.W->shrunkLength_;
    p.W->shrunkLength_ = p.Size >= p.Full ? 0 : p.Size;
    TSize sz{0, 0};
    if (p.Mode != dksmNone && p.W->shrunkLength_ != oldShrunk) {
      p.W->ArrangeItems(false, P.Vertical ? dtVertical : dtHorizontal, false, this, sz);
      p.NeedsArrange = true;
    } else if (p.Mode == dksmWrap && p.Size < p.Full) {
      TSize nc = p.W->GetDockedNCAreaSize();
      sz = TSize{p.W->Width() - nc.cx, p.W->Height() - nc.cy};
    } else {
      p.W->QueryBaseSize(sz);
    }
    p.W->RowThicknessCache = P.Vertical ? sz.cx : sz.cy;
    thickness = std::max(thickness, p.W->RowThicknessCache);
  }
  if (thickness != 0) thickness += 4;
  return thickness;
}

// ---- Messages and painting

LRESULT TDKDock::RelayToWindows(TMessage& Message) {
  for (TDKCustomDockableWindow* w : std::vector<TDKCustomDockableWindow*>(windowList_)) {
    if (!w->ControlStyle().Contains(csMenuEvents) || !w->IsFloating() || !w->Showing() || !w->Enabled()) continue;
    LRESULT r = w->Perform(Message.Msg, Message.WParam, Message.LParam);
    if (r != 0) return r;
  }
  return 0;
}

void TDKDock::DrawNonClient(bool ToDC, HDC DC) {
  if (!HandleAllocated()) return;
  TNonClientPaintDC dc(Handle(), ToDC, DC, nullptr);
  TRect r{0, 0, Width(), Height()};
  if (boundLines_ != 0 && (HasVisibleWindows() || ComponentState().Contains(csDesigning))) {
    TOwnedGdiObject<HPEN> shadow(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    TOwnedGdiObject<HPEN> light(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)));
    HGDIOBJ old = SelectObject(dc, shadow.get());
    auto line = [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
      MoveToEx(dc, x1, y1, nullptr);
      LineTo(dc, x2, y2);
    };
    if (boundLines_ & BoundLineBit(blTop)) {
      line(r.Left, r.Top, r.Right, r.Top);
      ++r.Top;
    }
    if (boundLines_ & BoundLineBit(blLeft)) {
      line(r.Left, r.Top, r.Left, r.Bottom);
      ++r.Left;
    }
    SelectObject(dc, light.get());
    if (boundLines_ & BoundLineBit(blBottom)) {
      line(r.Left, r.Bottom - 1, r.Right, r.Bottom - 1);
      --r.Bottom;
    }
    if (boundLines_ & BoundLineBit(blRight)) {
      line(r.Right - 1, r.Top, r.Right - 1, r.Bottom);
      --r.Right;
    }
    SelectObject(dc, old);
  }
  TRect wr, cr;
  GetWindowRect(Handle(), wr);
  GetClientRect(Handle(), cr);
  TPoint co{0, 0};
  ::ClientToScreen(Handle(), co);
  OffsetRect(&cr, co.X - wr.Left, co.Y - wr.Top);
  if (!EqualRect(&cr, &r)) {
    if (!IsRectEmpty(&cr)) ExcludeClipRect(dc, cr.Left, cr.Top, cr.Right, cr.Bottom);
    // A dock without a colour of its own shows its parent's.
    TColor c = Color() != clNone ? Color() : Parent() ? Parent()->Color() : clBtnFace;
    TOwnedGdiObject<HBRUSH> b(CreateSolidBrush(ColorToRGB(c)));
    FillRect(dc, &r, b.get());
  }
}

void TDKDock::Paint() {
  if (!ComponentState().Contains(csDesigning)) return;
  TRect r = ClientRect();
  Canvas()->Pen()->SetColor(clBtnShadow);
  Canvas()->Pen()->SetStyle(psDot);
  Canvas()->Brush()->SetStyle(bsClear);
  Canvas()->Rectangle(r.Left, r.Top, r.Right, r.Bottom);
}

void TDKDock::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCCALCSIZE: {
      auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam);
      if (p) {
        if (boundLines_ & BoundLineBit(blTop)) ++p->rgrc[0].Top;
        if (boundLines_ & BoundLineBit(blBottom)) --p->rgrc[0].Bottom;
        if (boundLines_ & BoundLineBit(blLeft)) ++p->rgrc[0].Left;
        if (boundLines_ & BoundLineBit(blRight)) --p->rgrc[0].Right;
      }
      Message.Result = 0;
      return;
    }
    case WM_NCPAINT:
      DrawNonClient(false, nullptr);
      Message.Result = 0;
      return;
    case WM_PRINT:
      Message.Result = ServePrintMessage(
          Handle(), Message.WParam, Message.LParam,
          [this](HWND, HDC dc, void*) { DrawNonClient(true, dc); }, nullptr);
      return;
    case WM_PRINTCLIENT:
      ServePrintClientMessage(this, Message.WParam);
      Message.Result = 1;
      return;
    case WM_ERASEBKGND:
      if (UsesBackground()) {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        TRect c = ClientRect();
        IntersectClipRect(dc, c.Left, c.Top, c.Right, c.Bottom);
        TRect wr;
        GetWindowRect(Handle(), wr);
        TPoint co{0, 0};
        ::ClientToScreen(Handle(), co);
        TRect r = c;
        OffsetRect(&r, -(Left() + co.X - wr.Left), -(Top() + co.Y - wr.Top));
        DrawDockBackground(dc, r);
        Message.Result = 1;
        return;
      }
      break;
    case WM_MOVE:
      TCustomControl::Dispatch(Message);
      if (UsesBackground()) InvalidateBackground();
      return;
    case WM_SYSCOMMAND: {
      LRESULT r = RelayToWindows(Message);
      if (r != 0) {
        Message.Result = r;
        return;
      }
      break;
    }
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR: {
      LRESULT r = RelayToWindows(Message);
      if (r != 0) {
        Message.Result = r;
        return;
      }
      break;
    }
    case CM_SYSCOLORCHANGE:
      if (background_) background_->SysColorChanged();
      break;
    default: break;
  }
  TCustomControl::Dispatch(Message);
}
