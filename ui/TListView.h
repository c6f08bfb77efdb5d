// The list view in list style: items with a caption and a small image,
// laid out in columns top to bottom and then left to right, scrolled
// sideways by the window's horizontal scroll bar. A click selects (Ctrl
// adds or removes one, Shift a range when MultiSelect), the arrows, Home,
// End, Page Up and Page Down move the focused item and the selection, a
// double click or Enter on an item runs OnDblClick. OnSelectItem follows
// each item whose selection changes, OnChange each change of an item.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "rtl/TypInfo.h"
#include "ui/TControl.h"
#include "ui/TImageList.h"

class TCustomListView;
class TListItems;

RTL_ENUM(TViewStyle, vsIcon, vsSmallIcon, vsList, vsReport);
enum TItemChange { ctText, ctImage, ctState };

class TListItem : public TPersistent {
  RTL_CLASS(TListItem, TPersistent)
  friend class TListItems;
  friend class TCustomListView;

 public:
  explicit TListItem(TListItems* AOwner) : owner_(AOwner) {}
  TListItems* Owner() const { return owner_; }
  TCustomListView* ListView() const;
  int32_t Index() const;
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t v);
  bool Selected() const { return selected_; }
  void SetSelected(bool v);
  bool Focused() const;
  void SetFocused(bool v);
  void* Data() const { return data_; }
  void SetData(void* v) { data_ = v; }
  // Scrolls the list until the item shows (PartialOK: a part is enough).
  void MakeVisible(bool PartialOK);
  TRect DisplayRect();
  void Delete();

 private:
  TListItems* owner_;
  std::string caption_;
  int32_t imageIndex_ = -1;
  bool selected_ = false;
  void* data_ = nullptr;
};

class TListItems : public TPersistent {
  RTL_CLASS(TListItems, TPersistent)
 public:
  explicit TListItems(TCustomListView* AOwner) : owner_(AOwner) {}
  ~TListItems() override;
  TCustomListView* Owner() const { return owner_; }
  int32_t Count() const { return int32_t(items_.size()); }
  TListItem* Item(int32_t Index) const { return items_.at(size_t(Index)); }
  TListItem* operator[](int32_t Index) const { return Item(Index); }
  TListItem* Add();
  TListItem* Insert(int32_t Index);
  void Delete(int32_t Index);
  void Clear();
  int32_t IndexOf(const TListItem* Item) const;
  void BeginUpdate();
  void EndUpdate();

 private:
  friend class TListItem;
  TCustomListView* owner_;
  std::vector<TListItem*> items_;
};

using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;

class TCustomListView : public TCustomControl {
  RTL_CLASS(TCustomListView, TCustomControl)
  friend class TListItem;
  friend class TListItems;

 public:
  explicit TCustomListView(TComponent* AOwner);
  ~TCustomListView() override;
  void BeforeDestruction() override;

  TListItems* Items() const { return items_; }
  TViewStyle ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TViewStyle v);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v) { hideSelection_ = v; Invalidate(); }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  TCustomImageList* SmallImages() const { return smallImages_; }
  void SetSmallImages(TCustomImageList* v);
  TCustomImageList* LargeImages() const { return largeImages_; }
  void SetLargeImages(TCustomImageList* v);

  // The first selected item, or null; setting selects only that item.
  TListItem* Selected() const;
  void SetSelected(TListItem* v);
  int32_t SelCount() const;
  TListItem* ItemFocused() const { return focused_; }
  void SetItemFocused(TListItem* v);
  int32_t ItemIndex() const;
  void SetItemIndex(int32_t v);
  // Next item after Start (null: from the first) that is selected.
  TListItem* GetNextSelected(TListItem* Start) const;
  void SelectAll();
  void ClearSelection();

  TListItem* GetItemAt(int32_t X, int32_t Y);
  TRect ItemRect(int32_t Index);
  int32_t ColumnWidth();
  int32_t ItemHeight();
  int32_t RowsPerColumn();
  // The first column shown (the scroll position).
  int32_t LeftColumn() const { return leftColumn_; }
  void Scroll(int32_t DX, int32_t DY);
  TListItem* TopItem();
  int32_t VisibleRowCount() { return RowsPerColumn(); }

  TLVSelectItemEvent OnSelectItem;
  TLVChangeEvent OnChange;
  TLVDeletedEvent OnDeletion;

  void Dispatch(TMessage& Message) override;
  void WMLButtonDblClk(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

 private:
  void ItemChanged(TListItem* Item, TItemChange Change);
  void SelectionChanged(TListItem* Item);
  void ItemRemoved(TListItem* Item);
  void Layout();
  void SetLeftColumn(int32_t v);
  int32_t ColumnCount();
  int32_t VisibleColumns(bool Partial);
  void SelectRange(int32_t From, int32_t To);
  void MoveFocus(int32_t Index, TShiftState Shift);
  TListItems* items_;
  TViewStyle viewStyle_ = vsList;
  bool multiSelect_ = false;
  bool readOnly_ = false;
  bool hideSelection_ = true;
  TBorderStyle borderStyle_ = bsSingle;
  TCustomImageList* smallImages_ = nullptr;
  TCustomImageList* largeImages_ = nullptr;
  TChangeLink* imageLink_;
  TListItem* focused_ = nullptr;
  int32_t anchor_ = -1;
  int32_t leftColumn_ = 0;
  int32_t updateCount_ = 0;
  int32_t columnWidth_ = 0;
};

class TListView : public TCustomListView {
  RTL_CLASS(TListView, TCustomListView)
 public:
  explicit TListView(TComponent* AOwner) : TCustomListView(AOwner) {}
};
