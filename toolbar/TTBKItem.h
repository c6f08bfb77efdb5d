#pragma once
// Items of a toolbar: a command with caption, hint, image index and click
// handler, and separators between groups of commands.

#include <string>

#include "rtl/TComponent.h"
#include "ui/TControl.h"

class TTBKToolbar;

class TTBKItem : public TComponent {
  RTL_CLASS(TTBKItem, TComponent)
 public:
  explicit TTBKItem(TComponent* AOwner) : TComponent(AOwner) {}

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  // Runs OnClick when the item is enabled.
  virtual void Click();
  virtual bool IsSeparator() const { return false; }

  TTBKToolbar* Toolbar() const { return toolbar_; }
  void SetToolbar(TTBKToolbar* v) { toolbar_ = v; }

  TNotifyEvent OnClick;

 protected:
  void Changed();

 private:
  std::string caption_;
  std::string hint_;
  int32_t imageIndex_ = -1;
  bool enabled_ = true;
  bool visible_ = true;
  TTBKToolbar* toolbar_ = nullptr;
};

// A space between items; a blank separator draws no line.
class TTBKSeparatorItem : public TTBKItem {
  RTL_CLASS(TTBKSeparatorItem, TTBKItem)
 public:
  explicit TTBKSeparatorItem(TComponent* AOwner) : TTBKItem(AOwner) {}
  bool Blank() const { return blank_; }
  void SetBlank(bool v);
  bool IsSeparator() const override { return true; }
  void Click() override {}

 private:
  bool blank_ = false;
};
