// A caption panel that stacks the caption panels placed on it in columns
// (or in a row) with padding, and scrolls them with its own scroll bar.
#pragma once

#include <memory>

#include "panels/TUxPanel.h"

class TScrollBar;
class TUxPanelSettings;

RTL_ENUM(TGroupStyle, gsVertical, gsHorizontal);

class TUxPanelGroup : public TUxPanel {
  RTL_CLASS(TUxPanelGroup, TUxPanel)
 public:
  explicit TUxPanelGroup(TComponent* AOwner);
  ~TUxPanelGroup() override;

  int32_t Columns() const { return columns_; }
  // Values of 0 or less are ignored.
  void SetColumns(int32_t v);
  TUxPanelSettings* DefaultPanel() const { return defaultPanel_.get(); }
  void SetDefaultPanel(TUxPanelSettings* v);
  TGroupStyle GroupStyle() const { return groupStyle_; }
  void SetGroupStyle(TGroupStyle v);
  int32_t HorzPadding() const { return horzPadding_; }
  void SetHorzPadding(int32_t v);
  int32_t VertPadding() const { return vertPadding_; }
  void SetVertPadding(int32_t v);
  TScrollBar* ScrollBar() const { return scroll_; }

  // A member panel changed: the scroll bar is updated and the panels are
  // arranged again.
  void UpdateGroup();
  void ArrangeControls();
  void UpdateScrollBar();

  void Loaded() override;
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void StateChanged() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void AlignControls(TControl* AControl, TRect& Rect) override;
  bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) override;

 private:
  std::vector<TCustomUxPanel*> Members(bool ByLeft) const;
  int32_t columns_ = 1;
  std::unique_ptr<TUxPanelSettings> defaultPanel_;
  TGroupStyle groupStyle_ = gsVertical;
  int32_t horzPadding_ = 8, vertPadding_ = 8;
  TScrollBar* scroll_ = nullptr;
  bool arranging_ = false;
};
