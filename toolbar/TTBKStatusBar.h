#pragma once
// A status bar at the bottom of a form with panels of fixed width.

#include <memory>
#include <string>
#include <vector>

#include "ui/TControl.h"

class TTBKStatusBar;

class TTBKStatusPanel {
 public:
  explicit TTBKStatusPanel(TTBKStatusBar* Owner) : owner_(Owner) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  int32_t Size() const { return size_; }
  void SetSize(int32_t v);

 private:
  TTBKStatusBar* owner_;
  std::string caption_;
  int32_t size_ = 50;
};

class TTBKStatusBar : public TCustomControl {
  RTL_CLASS(TTBKStatusBar, TCustomControl)
 public:
  explicit TTBKStatusBar(TComponent* AOwner);

  TTBKStatusPanel* AddPanel();
  int32_t PanelCount() const { return int32_t(panels_.size()); }
  TTBKStatusPanel* Panels(int32_t Index) const { return panels_.at(size_t(Index)).get(); }
  TRect PanelRect(int32_t Index);

 protected:
  void Paint() override;

 private:
  std::vector<std::unique_ptr<TTBKStatusPanel>> panels_;
};
