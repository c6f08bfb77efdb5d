#include "toolbar/TTBKItem.h"

#include "toolbar/TTBKToolbar.h"

RTL_DEFINE_CLASS(TTBKItem, TComponent, Published("Caption", &TTBKItem::Caption, &TTBKItem::SetCaption),
                 Published("Hint", &TTBKItem::Hint, &TTBKItem::SetHint))
RTL_DEFINE_CLASS(TTBKSeparatorItem, TTBKItem)

void TTBKItem::Changed() {
  if (toolbar_) toolbar_->ItemChanged(this);
}

void TTBKItem::SetCaption(const std::string& v) {
  if (caption_ == v) return;
  caption_ = v;
  Changed();
}

void TTBKItem::SetImageIndex(int32_t v) {
  if (imageIndex_ == v) return;
  imageIndex_ = v;
  Changed();
}

void TTBKItem::SetEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  Changed();
}

void TTBKItem::SetVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  Changed();
}

void TTBKItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

void TTBKSeparatorItem::SetBlank(bool v) {
  if (blank_ == v) return;
  blank_ = v;
  Changed();
}
