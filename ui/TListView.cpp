#include "ui/TListView.h"

#include <algorithm>

#include "platform/Draw.h"
#include "ui/ControlPaint.h"
#include "platform/ScrollBar.h"
#include "platform/Text.h"

RTL_DEFINE_CLASS(TListItem, TPersistent,
                 Published("Caption", &TListItem::Caption, &TListItem::SetCaption),
                 Published("ImageIndex", &TListItem::ImageIndex, &TListItem::SetImageIndex))
RTL_DEFINE_CLASS(TListItems, TPersistent)
RTL_DEFINE_CLASS(TCustomListView, TCustomControl,
                 Published("ViewStyle", &TCustomListView::ViewStyle, &TCustomListView::SetViewStyle),
                 Published("MultiSelect", &TCustomListView::MultiSelect, &TCustomListView::SetMultiSelect),
                 Published("ReadOnly", &TCustomListView::ReadOnly, &TCustomListView::SetReadOnly),
                 Published("HideSelection", &TCustomListView::HideSelection,
                           &TCustomListView::SetHideSelection),
                 Published("BorderStyle", &TCustomListView::BorderStyle, &TCustomListView::SetBorderStyle),
                 Published("SmallImages", &TCustomListView::SmallImages, &TCustomListView::SetSmallImages),
                 Published("LargeImages", &TCustomListView::LargeImages, &TCustomListView::SetLargeImages),
                 Published("ItemIndex", &TCustomListView::ItemIndex, &TCustomListView::SetItemIndex))
RTL_DEFINE_CLASS(TListView, TCustomListView)

// ---- TListItem

TCustomListView* TListItem::ListView() const { return owner_->Owner(); }
int32_t TListItem::Index() const { return owner_->IndexOf(this); }

void TListItem::SetCaption(const std::string& v) {
  if (caption_ == v) return;
  caption_ = v;
  ListView()->ItemChanged(this, ctText);
}

void TListItem::SetImageIndex(int32_t v) {
  if (imageIndex_ == v) return;
  imageIndex_ = v;
  ListView()->ItemChanged(this, ctImage);
}

void TListItem::SetSelected(bool v) {
  if (selected_ == v) return;
  TCustomListView* lv = ListView();
  if (v && !lv->MultiSelect())
    for (TListItem* o : owner_->items_)
      if (o != this && o->selected_) o->SetSelected(false);
  selected_ = v;
  lv->SelectionChanged(this);
}

bool TListItem::Focused() const { return ListView()->focused_ == this; }

void TListItem::SetFocused(bool v) {
  TCustomListView* lv = ListView();
  if (v) lv->SetItemFocused(this);
  else if (lv->focused_ == this) lv->SetItemFocused(nullptr);
}

void TListItem::MakeVisible(bool PartialOK) {
  TCustomListView* lv = ListView();
  int32_t rows = lv->RowsPerColumn();
  int32_t col = Index() / rows;
  int32_t vis = std::max(1, lv->VisibleColumns(PartialOK));
  if (col < lv->leftColumn_) lv->SetLeftColumn(col);
  else if (col >= lv->leftColumn_ + vis) lv->SetLeftColumn(col - vis + 1);
}

TRect TListItem::DisplayRect() { return ListView()->ItemRect(Index()); }

void TListItem::Delete() { owner_->Delete(Index()); }

// ---- TListItems

TListItems::~TListItems() {
  for (TListItem* i : items_) i->Free();
}

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::Insert(int32_t Index) {
  Index = std::clamp(Index, 0, Count());
  auto* item = new TListItem(this);
  items_.insert(items_.begin() + Index, item);
  owner_->ItemChanged(nullptr, ctText);
  return item;
}

void TListItems::Delete(int32_t Index) {
  if (Index < 0 || Index >= Count()) return;
  TListItem* item = items_[size_t(Index)];
  owner_->ItemRemoved(item);
  items_.erase(items_.begin() + Index);
  if (owner_->OnDeletion) owner_->OnDeletion(owner_, item);
  item->Free();
  owner_->ItemChanged(nullptr, ctText);
}

void TListItems::Clear() {
  BeginUpdate();
  while (Count() > 0) Delete(Count() - 1);
  EndUpdate();
}

int32_t TListItems::IndexOf(const TListItem* Item) const {
  auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : int32_t(it - items_.begin());
}

void TListItems::BeginUpdate() { ++owner_->updateCount_; }
void TListItems::EndUpdate() {
  if (--owner_->updateCount_ == 0) owner_->ItemChanged(nullptr, ctText);
}

// ---- TCustomListView

TCustomListView::TCustomListView(TComponent* AOwner)
    : TCustomControl(AOwner), items_(new TListItems(this)), imageLink_(new TChangeLink) {
  controlStyle_ = TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks};
  SetBounds(0, 0, 250, 150);
  SetTabStop(true);
  color_ = clWindow;
  imageLink_->OnChange = [this](TObject*) { ItemChanged(nullptr, ctImage); };
}

TCustomListView::~TCustomListView() {
  items_->Free();
  imageLink_->Free();
}

void TCustomListView::BeforeDestruction() {
  SetSmallImages(nullptr);
  SetLargeImages(nullptr);
  OnDeletion = nullptr;
  OnSelectItem = nullptr;
  OnChange = nullptr;
  focused_ = nullptr;
  items_->Free();
  items_ = new TListItems(this);
  TCustomControl::BeforeDestruction();
}

void TCustomListView::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_HSCROLL;
}

void TCustomListView::CreateWnd() {
  TCustomControl::CreateWnd();
  Layout();
}

void TCustomListView::SetViewStyle(TViewStyle v) {
  viewStyle_ = v;
  ItemChanged(nullptr, ctText);
}

void TCustomListView::SetMultiSelect(bool v) {
  if (multiSelect_ == v) return;
  multiSelect_ = v;
  if (!v) {
    TListItem* keep = Selected();
    for (int32_t i = 0; i < items_->Count(); ++i)
      if (items_->Item(i) != keep) items_->Item(i)->SetSelected(false);
  }
}

void TCustomListView::SetBorderStyle(TBorderStyle v) {
  borderStyle_ = v;
  Layout();
  Invalidate();
}

void TCustomListView::SetSmallImages(TCustomImageList* v) {
  if (smallImages_) {
    smallImages_->UnRegisterChanges(imageLink_);
    smallImages_->RemoveFreeNotification(this);
  }
  smallImages_ = v;
  if (v) {
    v->RegisterChanges(imageLink_);
    v->FreeNotification(this);
  }
  ItemChanged(nullptr, ctImage);
}

void TCustomListView::SetLargeImages(TCustomImageList* v) {
  if (largeImages_) largeImages_->RemoveFreeNotification(this);
  largeImages_ = v;
  if (v) v->FreeNotification(this);
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == smallImages_) {
    smallImages_ = nullptr;
    ItemChanged(nullptr, ctImage);
  }
  if (AComponent == largeImages_) largeImages_ = nullptr;
}

void TCustomListView::ItemChanged(TListItem* Item, TItemChange Change) {
  columnWidth_ = 0;
  if (updateCount_ > 0) return;
  Layout();
  Invalidate();
  if (Item && OnChange) OnChange(this, Item, Change);
}

void TCustomListView::SelectionChanged(TListItem* Item) {
  Invalidate();
  if (OnSelectItem) OnSelectItem(this, Item, Item->selected_);
  if (OnChange) OnChange(this, Item, ctState);
}

void TCustomListView::ItemRemoved(TListItem* Item) {
  if (focused_ == Item) focused_ = nullptr;
  int32_t i = items_->IndexOf(Item);
  if (anchor_ >= i && anchor_ > 0) --anchor_;
  if (Item->selected_) {
    Item->selected_ = false;
    if (OnSelectItem) OnSelectItem(this, Item, false);
  }
}

TListItem* TCustomListView::Selected() const { return GetNextSelected(nullptr); }

TListItem* TCustomListView::GetNextSelected(TListItem* Start) const {
  int32_t from = Start ? items_->IndexOf(Start) + 1 : 0;
  for (int32_t i = from; i < items_->Count(); ++i)
    if (items_->Item(i)->selected_) return items_->Item(i);
  return nullptr;
}

void TCustomListView::SetSelected(TListItem* v) {
  for (int32_t i = 0; i < items_->Count(); ++i)
    if (items_->Item(i) != v) items_->Item(i)->SetSelected(false);
  if (v) {
    v->SetSelected(true);
    anchor_ = v->Index();
  }
}

int32_t TCustomListView::SelCount() const {
  int32_t n = 0;
  for (int32_t i = 0; i < items_->Count(); ++i) n += items_->Item(i)->selected_ ? 1 : 0;
  return n;
}

void TCustomListView::SetItemFocused(TListItem* v) {
  if (focused_ == v) return;
  focused_ = v;
  Invalidate();
}

int32_t TCustomListView::ItemIndex() const {
  TListItem* s = Selected();
  return s ? s->Index() : -1;
}

void TCustomListView::SetItemIndex(int32_t v) {
  TListItem* item = v >= 0 && v < items_->Count() ? items_->Item(v) : nullptr;
  SetSelected(item);
  if (item) SetItemFocused(item);
}

void TCustomListView::SelectAll() {
  if (!multiSelect_) return;
  for (int32_t i = 0; i < items_->Count(); ++i) items_->Item(i)->SetSelected(true);
}

void TCustomListView::ClearSelection() { SetSelected(nullptr); }

int32_t TCustomListView::ItemHeight() {
  MatchCanvasFont(Canvas(), Font());
  int32_t h = Canvas()->TextHeight("Ag");
  if (smallImages_) h = std::max(h, smallImages_->Height());
  return h + 2;
}

int32_t TCustomListView::ColumnWidth() {
  if (columnWidth_ == 0) {
    MatchCanvasFont(Canvas(), Font());
    int32_t w = 0;
    for (int32_t i = 0; i < items_->Count(); ++i)
      w = std::max(w, Canvas()->TextWidth(items_->Item(i)->caption_));
    columnWidth_ = w + (smallImages_ ? smallImages_->Width() + 2 : 0) + 14;
  }
  return columnWidth_;
}

int32_t TCustomListView::RowsPerColumn() { return std::max(1, ClientHeight() / ItemHeight()); }

int32_t TCustomListView::ColumnCount() {
  int32_t rows = RowsPerColumn();
  return (items_->Count() + rows - 1) / rows;
}

int32_t TCustomListView::VisibleColumns(bool Partial) {
  int32_t w = ClientWidth(), cw = ColumnWidth();
  return Partial ? (w + cw - 1) / cw : std::max(1, w / cw);
}

TRect TCustomListView::ItemRect(int32_t Index) {
  if (Index < 0 || Index >= items_->Count()) return Rect(0, 0, 0, 0);
  int32_t rows = RowsPerColumn(), h = ItemHeight(), cw = ColumnWidth();
  int32_t col = Index / rows, row = Index % rows;
  return Bounds((col - leftColumn_) * cw, row * h, cw, h);
}

TListItem* TCustomListView::GetItemAt(int32_t X, int32_t Y) {
  if (X < 0 || Y < 0) return nullptr;
  int32_t rows = RowsPerColumn(), h = ItemHeight(), cw = ColumnWidth();
  int32_t row = Y / h;
  if (row >= rows) return nullptr;
  int32_t i = (leftColumn_ + X / cw) * rows + row;
  if (i >= items_->Count()) return nullptr;
  // Only the image and the text count, not the free room after them.
  TRect r = ItemRect(i);
  MatchCanvasFont(Canvas(), Font());
  int32_t used = (smallImages_ ? smallImages_->Width() + 2 : 0) + Canvas()->TextWidth(items_->Item(i)->caption_) + 6;
  return X < r.Left + used ? items_->Item(i) : nullptr;
}

TListItem* TCustomListView::TopItem() {
  int32_t i = leftColumn_ * RowsPerColumn();
  return i < items_->Count() ? items_->Item(i) : nullptr;
}

void TCustomListView::Layout() {
  if (!HandleAllocated()) return;
  // Twice: the bar, appearing or going, changes the rows per column.
  for (int pass = 0; pass < 2; ++pass) {
    int32_t cols = ColumnCount(), vis = VisibleColumns(false);
    leftColumn_ = std::clamp(leftColumn_, 0, std::max(0, cols - vis));
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMin = 0;
    si.nMax = std::max(0, cols - 1);
    si.nPage = UINT(cols > vis ? vis : cols + 1);
    si.nPos = leftColumn_;
    FlatSB_SetScrollInfo(Handle(), SB_HORZ, &si, true);
  }
}

void TCustomListView::SetLeftColumn(int32_t v) {
  v = std::clamp(v, 0, std::max(0, ColumnCount() - VisibleColumns(false)));
  if (v == leftColumn_) return;
  leftColumn_ = v;
  if (HandleAllocated()) FlatSB_SetScrollPos(Handle(), SB_HORZ, v, true);
  Invalidate();
}

void TCustomListView::Scroll(int32_t DX, int32_t DY) {
  int32_t cw = std::max(1, ColumnWidth());
  SetLeftColumn(leftColumn_ + DX / cw);
}

void TCustomListView::SelectRange(int32_t From, int32_t To) {
  if (From > To) std::swap(From, To);
  for (int32_t i = 0; i < items_->Count(); ++i) items_->Item(i)->SetSelected(i >= From && i <= To);
}

void TCustomListView::MoveFocus(int32_t Index, TShiftState Shift) {
  if (items_->Count() == 0) return;
  Index = std::clamp(Index, 0, items_->Count() - 1);
  TListItem* item = items_->Item(Index);
  if (multiSelect_ && Shift.Contains(ssShift) && anchor_ >= 0) {
    SelectRange(anchor_, Index);
  } else if (multiSelect_ && Shift.Contains(ssCtrl)) {
    // Ctrl moves the focus alone; the space bar then selects.
  } else {
    SetSelected(item);
  }
  SetItemFocused(item);
  item->MakeVisible(false);
}

void TCustomListView::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (CanFocus() && !Focused()) SetFocus();
  TListItem* item = GetItemAt(X, Y);
  if (Button == mbLeft) {
    if (!item) {
      if (!Shift.Contains(ssCtrl) && !Shift.Contains(ssShift)) ClearSelection();
    } else if (multiSelect_ && Shift.Contains(ssCtrl)) {
      item->SetSelected(!item->Selected());
      anchor_ = item->Index();
      SetItemFocused(item);
    } else if (multiSelect_ && Shift.Contains(ssShift) && anchor_ >= 0) {
      SelectRange(anchor_, item->Index());
      SetItemFocused(item);
    } else {
      SetSelected(item);
      SetItemFocused(item);
    }
    if (item) item->MakeVisible(false);
  } else if (Button == mbRight && item && !item->Selected()) {
    SetSelected(item);
    SetItemFocused(item);
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomListView::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  int32_t cur = focused_ ? focused_->Index() : -1;
  int32_t rows = RowsPerColumn();
  int32_t n = items_->Count();
  switch (Key) {
    case VK_UP: MoveFocus(cur < 0 ? 0 : cur - 1, Shift); break;
    case VK_DOWN: MoveFocus(cur < 0 ? 0 : cur + 1, Shift); break;
    case VK_LEFT: MoveFocus(cur < 0 ? 0 : (cur - rows >= 0 ? cur - rows : cur), Shift); break;
    case VK_RIGHT: MoveFocus(cur < 0 ? 0 : (cur + rows < n ? cur + rows : n - 1), Shift); break;
    case VK_HOME: MoveFocus(0, Shift); break;
    case VK_END: MoveFocus(n - 1, Shift); break;
    case VK_PRIOR: MoveFocus(cur - rows * std::max(1, VisibleColumns(false) - 1) , Shift); break;
    case VK_NEXT: MoveFocus(cur + rows * std::max(1, VisibleColumns(false) - 1), Shift); break;
    case VK_SPACE:
      if (focused_) {
        if (multiSelect_ && Shift.Contains(ssCtrl)) focused_->SetSelected(!focused_->Selected());
        else focused_->SetSelected(true);
        anchor_ = focused_->Index();
      }
      break;
    case VK_RETURN:
      if (Selected()) DblClick();
      break;
    default:
      if (Key == 'A' && Shift.Contains(ssCtrl)) {
        SelectAll();
        break;
      }
      return;
  }
  if (!Shift.Contains(ssShift) && focused_ && Key != VK_SPACE && Key != VK_RETURN) anchor_ = focused_->Index();
  Key = 0;
}

bool TCustomListView::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) {
  if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  SetLeftColumn(leftColumn_ - WheelDelta / 120);
  return true;
}

// The second press of a double click first does what a press does (focus,
// the entry under the pointer selected), as the system's list does, and only
// then is the double click told. What its handler does is the last word: a
// file opened gives the focus to its view, a folder entered shows its
// listing without a selection, and the press does not take either back.
void TCustomListView::WMLButtonDblClk(TMessage& Message) {
  const bool clickEvents = controlStyle_.Contains(csClickEvents);
  controlStyle_.Exclude(csClickEvents);  // the press alone
  try {
    TCustomControl::WMLButtonDblClk(Message);
  } catch (...) {
    if (clickEvents) controlStyle_.Include(csClickEvents);
    throw;
  }
  if (!clickEvents) return;
  controlStyle_.Include(csClickEvents);
  DblClick();
}

void TCustomListView::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_HSCROLL: {
      int32_t vis = VisibleColumns(false);
      switch (LOWORD(Message.WParam)) {
        case SB_LINELEFT: SetLeftColumn(leftColumn_ - 1); break;
        case SB_LINERIGHT: SetLeftColumn(leftColumn_ + 1); break;
        case SB_PAGELEFT: SetLeftColumn(leftColumn_ - vis); break;
        case SB_PAGERIGHT: SetLeftColumn(leftColumn_ + vis); break;
        case SB_LEFT: SetLeftColumn(0); break;
        case SB_RIGHT: SetLeftColumn(ColumnCount()); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetLeftColumn(int16_t(HIWORD(Message.WParam))); break;
      }
      return;
    }
    case WM_SIZE:
      TCustomControl::Dispatch(Message);
      Layout();
      Invalidate();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CM_FONTCHANGED:
      columnWidth_ = 0;
      Invalidate();
      break;
  }
  TCustomControl::Dispatch(Message);
}

void TCustomListView::Paint() {
  TRect r = ClientRect();
  HDC dc = OpenPaint(Canvas(), Font(), Color(), r);
  int32_t rows = RowsPerColumn();
  int32_t first = leftColumn_ * rows;
  int32_t last = std::min(items_->Count(), first + rows * VisibleColumns(true));
  int32_t iw = smallImages_ ? smallImages_->Width() + 2 : 0;
  bool showSel = Focused() || !hideSelection_;
  for (int32_t i = first; i < last; ++i) {
    TListItem* item = items_->Item(i);
    TRect ir = ItemRect(i);
    if (smallImages_ && item->imageIndex_ >= 0 && item->imageIndex_ < smallImages_->Count())
      smallImages_->Draw(Canvas(), ir.Left + 2, ir.Top + (ir.Height() - smallImages_->Height()) / 2,
                         item->imageIndex_, Enabled());
    TRect tr = Rect(ir.Left + 2 + iw, ir.Top, ir.Left + 2 + iw + Canvas()->TextWidth(item->caption_) + 4,
                    ir.Bottom);
    if (item->selected_ && showSel) {
      Canvas()->Brush()->SetColor(Focused() ? clHighlight : clBtnFace);
      Canvas()->FillRect(tr);
      SetTextColor(dc, ColorToRGB(Focused() ? clHighlightText : Font()->Color()));
    } else {
      SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    }
    TRect tt = tr;
    tt.Left += 2;
    // Filling a highlight makes the canvas paint text backgrounds again.
    SetBkMode(dc, TRANSPARENT);
    DrawText(dc, item->caption_, &tt, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (item == focused_ && Focused()) DrawFocusRect(dc, &tr);
  }
}
