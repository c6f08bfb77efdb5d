#include "ui/TControl.h"

RTL_DEFINE_CLASS(TSizeConstraints, TPersistent,
                 Published("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth),
                 Published("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight),
                 Published("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth),
                 Published("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight))

void TSizeConstraints::SetMinWidth(int32_t v) {
  v = std::max(0, v);
  if (v == minWidth_) return;
  minWidth_ = v;
  if (maxWidth_ > 0 && maxWidth_ < v) maxWidth_ = v;
  Changed();
}

void TSizeConstraints::SetMinHeight(int32_t v) {
  v = std::max(0, v);
  if (v == minHeight_) return;
  minHeight_ = v;
  if (maxHeight_ > 0 && maxHeight_ < v) maxHeight_ = v;
  Changed();
}

void TSizeConstraints::SetMaxWidth(int32_t v) {
  v = std::max(0, v);
  if (v == maxWidth_) return;
  maxWidth_ = v;
  if (v > 0 && minWidth_ > v) minWidth_ = v;
  Changed();
}

void TSizeConstraints::SetMaxHeight(int32_t v) {
  v = std::max(0, v);
  if (v == maxHeight_) return;
  maxHeight_ = v;
  if (v > 0 && minHeight_ > v) minHeight_ = v;
  Changed();
}

void TSizeConstraints::Assign(TPersistent* Source) {
  auto* c = dynamic_cast<TSizeConstraints*>(Source);
  if (!c) {
    TPersistent::Assign(Source);
    return;
  }
  minWidth_ = c->minWidth_;
  minHeight_ = c->minHeight_;
  maxWidth_ = c->maxWidth_;
  maxHeight_ = c->maxHeight_;
  Changed();
}

void TSizeConstraints::Apply(int32_t& Width, int32_t& Height) const {
  if (maxWidth_ > 0) Width = std::min(Width, maxWidth_);
  if (maxHeight_ > 0) Height = std::min(Height, maxHeight_);
  Width = std::max(Width, minWidth_);
  Height = std::max(Height, minHeight_);
}

void TSizeConstraints::Changed() {
  if (control_) control_->SetBounds(control_->Left(), control_->Top(), control_->Width(), control_->Height());
  if (OnChange) OnChange(this);
}
