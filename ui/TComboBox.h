// The combo box. Style csDropDownList shows the chosen item and drops a
// list of all items below itself (a click on the box, F4 or Alt+Down); a
// click on an item or Enter chooses the item under the highlight, Escape
// or a click elsewhere closes the list unchanged. While closed the arrow,
// Page, Home and End keys and a typed first letter choose items at once.
// Style csDropDown also lets the text be typed. Items keep an object each.
// A choice made by the user (not ItemIndex set by the program) runs
// OnClick, then OnSelect when set, else OnChange; typing in csDropDown
// runs OnChange.
#pragma once

#include <string>

#include "rtl/TStrings.h"
#include "rtl/TypInfo.h"
#include "ui/TControl.h"

RTL_ENUM(TComboBoxStyle, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed,
         csOwnerDrawVariable);

class TCustomComboBox;

// The dropped-down list of a combo box (a pop-up window).
class TComboListBox : public TCustomControl {
  RTL_CLASS(TComboListBox, TCustomControl)
  friend class TCustomComboBox;
 public:
  explicit TComboListBox(TCustomComboBox* Combo);
  int32_t ItemHeight();
  int32_t ItemAtPos(int32_t Y);  // -1 outside the items
  int32_t HotIndex() const { return hot_; }
  void SetHotIndex(int32_t v);
  int32_t TopIndex() const { return top_; }
  void SetTopIndex(int32_t v);
  int32_t VisibleRows();
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) override;

 private:
  void UpdateScrollBar();
  TCustomComboBox* combo_;
  int32_t hot_ = -1;
  int32_t top_ = 0;
};

class TCustomComboBox : public TCustomControl {
  RTL_CLASS(TCustomComboBox, TCustomControl)
  friend class TComboListBox;

 public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;
  void BeforeDestruction() override;

  TStrings* Items() const { return items_; }
  void SetItems(TStrings* v) { items_->Assign(v); }
  int32_t ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int32_t v);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle v);
  int32_t DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int32_t v) { dropDownCount_ = std::max<int32_t>(1, v); }
  bool Sorted() const { return sorted_; }
  void SetSorted(bool v);
  bool DroppedDown() const { return droppedDown_; }
  void SetDroppedDown(bool v);
  int32_t MaxLength() const { return maxLength_; }
  void SetMaxLength(int32_t v) { maxLength_ = std::max(0, v); }
  // The list while dropped down (null otherwise).
  TComboListBox* ListBox() const { return droppedDown_ ? list_ : nullptr; }
  void SetText(const std::string& v) override;
  void Clear();

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;

  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Change();
  // The user chose item Index.
  void Choose(int32_t Index);
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void WMChar(TMessage& Message) override;

 private:
  void ItemsChanged(TObject*);
  TStringList* items_;
  TComboListBox* list_ = nullptr;
  int32_t itemIndex_ = -1;
  TComboBoxStyle style_ = csDropDown;
  int32_t dropDownCount_ = 8;
  bool sorted_ = false;
  bool droppedDown_ = false;
  int32_t maxLength_ = 0;
};

class TComboBox : public TCustomComboBox {
  RTL_CLASS(TComboBox, TCustomComboBox)
 public:
  explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};
