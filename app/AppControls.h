#pragma once
// Plain standard controls the program's windows need until the framework
// offers its own: edit box, drop-down list, list view, track bar, page
// control, panel, and the window that shows an image view.

#include <string>
#include <vector>

#include "imaging/view/TImago.h"
#include "ui/TControl.h"

class TCustomImageList;

class TAppPanel : public TCustomControl {
  RTL_CLASS(TAppPanel, TCustomControl)
 public:
  explicit TAppPanel(TComponent* AOwner);

 protected:
  void Paint() override;
};

// One line of text; PasswordChar masks what is shown.
class TAppEdit : public TCustomControl {
  RTL_CLASS(TAppEdit, TCustomControl)
 public:
  explicit TAppEdit(TComponent* AOwner);
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char v);
  // What the box shows: the text, or one mask character per character.
  std::string DisplayText() const;

 protected:
  void Paint() override;
  void KeyPress(char& Key) override;
  void WMGetDlgCode(TMessage& Message) override;

 private:
  char passwordChar_ = 0;
};

// A drop-down list of fixed entries; ItemIndex -1 selects none.
class TAppComboBox : public TCustomControl {
  RTL_CLASS(TAppComboBox, TCustomControl)
 public:
  explicit TAppComboBox(TComponent* AOwner);
  std::vector<std::string>& Items() { return items_; }
  int32_t ItemIndex() const { return itemIndex_; }
  // Out of range selects none.
  void SetItemIndex(int32_t v);
  TNotifyEvent OnChange;

 protected:
  void Paint() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  std::vector<std::string> items_;
  int32_t itemIndex_ = -1;
};

struct TAppListItem {
  std::string Caption;
  int32_t ImageIndex = -1;
};

// A list of captions with icons, one column; one item selected at most.
class TAppListView : public TCustomControl {
  RTL_CLASS(TAppListView, TCustomControl)
 public:
  explicit TAppListView(TComponent* AOwner);
  std::vector<TAppListItem>& Items() { return items_; }
  int32_t Count() const { return int32_t(items_.size()); }
  void Clear();
  void Add(const std::string& Caption, int32_t ImageIndex);
  int32_t ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int32_t v);
  const TAppListItem* Selected() const { return itemIndex_ >= 0 ? &items_[size_t(itemIndex_)] : nullptr; }
  // Scrolls so that the item is at least partly visible.
  void MakeVisible(int32_t Index);
  int32_t TopIndex() const { return top_; }
  int32_t ItemHeight() const { return 18; }
  TCustomImageList* SmallImages() const { return images_; }
  void SetSmallImages(TCustomImageList* v) { images_ = v; }

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) override;

 private:
  std::vector<TAppListItem> items_;
  int32_t itemIndex_ = -1;
  int32_t top_ = 0;
  TCustomImageList* images_ = nullptr;
};

class TAppTrackBar : public TCustomControl {
  RTL_CLASS(TAppTrackBar, TCustomControl)
 public:
  explicit TAppTrackBar(TComponent* AOwner);
  int32_t Min() const { return min_; }
  int32_t Max() const { return max_; }
  void SetRange(int32_t AMin, int32_t AMax);
  int32_t Position() const { return position_; }
  void SetPosition(int32_t v);
  int32_t Frequency() const { return frequency_; }
  void SetFrequency(int32_t v) { frequency_ = v; }
  TNotifyEvent OnChange;

 protected:
  void Paint() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;

 private:
  int32_t min_ = 0, max_ = 10, position_ = 0, frequency_ = 1;
};

class TAppTabSheet : public TAppPanel {
  RTL_CLASS(TAppTabSheet, TAppPanel)
 public:
  explicit TAppTabSheet(TComponent* AOwner) : TAppPanel(AOwner) {}
};

// Pages on top of each other with a row of tabs; one page shows.
class TAppPageControl : public TCustomControl {
  RTL_CLASS(TAppPageControl, TCustomControl)
 public:
  explicit TAppPageControl(TComponent* AOwner);
  TAppTabSheet* AddPage(const std::string& Caption);
  int32_t PageCount() const { return int32_t(pages_.size()); }
  TAppTabSheet* Pages(int32_t Index) const { return pages_.at(size_t(Index)); }
  TAppTabSheet* ActivePage() const { return active_; }
  void SetActivePage(TAppTabSheet* v);

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void AlignControls(TControl* AControl, TRect& Rect) override;

 private:
  TRect TabRect(int32_t Index);
  std::vector<TAppTabSheet*> pages_;
  TAppTabSheet* active_ = nullptr;
};

// The image view of the program's windows: it takes the arrow keys (they
// step through the folder list) and the focus when clicked.
class TAppImago : public TImago {
  RTL_CLASS(TAppImago, TImago)
 public:
  explicit TAppImago(TComponent* AOwner) : TImago(AOwner) {}

 protected:
  void WMGetDlgCode(TMessage& Message) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  // Without an image the view shows its background colour.
  void Paint() override;
};
