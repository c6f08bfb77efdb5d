// The page control: tab sheets with their tabs in a row along the top. A
// click on a tab or Ctrl+Tab (Ctrl+Shift+Tab backwards) shows that sheet;
// OnChanging may refuse the change, OnChange follows it.
#pragma once

#include <functional>
#include <vector>

#include "rtl/TypInfo.h"
#include "ui/TControl.h"

class TPageControl;

class TTabSheet : public TCustomControl {
  RTL_CLASS(TTabSheet, TCustomControl)
  friend class TPageControl;

 public:
  explicit TTabSheet(TComponent* AOwner);
  void BeforeDestruction() override;

  TPageControl* PageControl() const { return pageControl_; }
  void SetPageControl(TPageControl* v);
  // Position among the page control's sheets.
  int32_t PageIndex() const;
  void SetPageIndex(int32_t v);
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool v);
  // Index among the visible tabs, or -1.
  int32_t TabIndex() const;
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t v) { imageIndex_ = v; }

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;

 private:
  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
  int32_t imageIndex_ = -1;
};

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TPageControl : public TCustomControl {
  RTL_CLASS(TPageControl, TCustomControl)
  friend class TTabSheet;

 public:
  explicit TPageControl(TComponent* AOwner);

  int32_t PageCount() const { return int32_t(pages_.size()); }
  TTabSheet* Pages(int32_t Index) const { return pages_.at(size_t(Index)); }
  TTabSheet* ActivePage() const { return activePage_; }
  void SetActivePage(TTabSheet* v);
  int32_t ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }
  void SetActivePageIndex(int32_t v);
  // The next (or previous) sheet with a visible tab after CurrentPage.
  TTabSheet* FindNextPage(TTabSheet* CurrentPage, bool GoForward, bool CheckTabVisible);
  void SelectNextPage(bool GoForward);
  // The rectangle of the tab of visible tab Index (client coordinates).
  TRect TabRect(int32_t Index);
  // The visible tab at client point (X, Y), or -1.
  int32_t IndexOfTabAt(int32_t X, int32_t Y);
  int32_t TabHeight();

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

  void Dispatch(TMessage& Message) override;

 protected:
  void AdjustClientRect(TRect& Rect) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void CMChildKey(TMessage& Message) override;
  void CMDialogChar(TMessage& Message) override;

 private:
  bool ChangeActivePage(TTabSheet* Page);
  std::vector<TTabSheet*> VisibleTabs() const;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  std::vector<TTabSheet*> pages_;
  TTabSheet* activePage_ = nullptr;
};
