#pragma once
// A navigation bar: panels stacked in one place with a header button per
// panel at the bottom; a click on a header shows that panel.

#include <vector>

#include "ui/TControl.h"

enum TUxNavBarStyle { esOffice2003Blue, esOffice2003Silver, esOffice2003Olive };

class TUxNavBar;

class TUxNavBarPanel : public TCustomControl {
  RTL_CLASS(TUxNavBarPanel, TCustomControl)
 public:
  explicit TUxNavBarPanel(TComponent* AOwner);
  TUxNavBar* NavBar() const { return navBar_; }
  void SetNavBar(TUxNavBar* v);

 protected:
  void Paint() override;

 private:
  TUxNavBar* navBar_ = nullptr;
};

class TUxNavBar : public TCustomControl {
  RTL_CLASS(TUxNavBar, TCustomControl)
 public:
  explicit TUxNavBar(TComponent* AOwner);

  int32_t PanelCount() const { return int32_t(panels_.size()); }
  TUxNavBarPanel* Panels(int32_t Index) const { return panels_.at(size_t(Index)); }
  int32_t ActivePanelIndex() const { return active_; }
  void SetActivePanelIndex(int32_t v);
  TUxNavBarPanel* ActivePanel() const { return active_ >= 0 ? Panels(active_) : nullptr; }
  TUxNavBarStyle Style() const { return style_; }
  void SetStyle(TUxNavBarStyle v);
  // Header button of a panel, in client coordinates.
  TRect HeaderRect(int32_t Index);
  TRect PanelArea();

  void AddPanel(TUxNavBarPanel* Panel);
  void RemovePanel(TUxNavBarPanel* Panel);

 protected:
  void Paint() override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void AlignControls(TControl* AControl, TRect& Rect) override;

 private:
  std::vector<TUxNavBarPanel*> panels_;
  int32_t active_ = -1;
  TUxNavBarStyle style_ = esOffice2003Blue;
};
