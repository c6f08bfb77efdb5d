#include "toolbar/TFontSettings.h"

#include "ui/TGraphicsObject.h"

RTL_DEFINE_CLASS(TFontSettings, TPersistent)

void TFontSettings::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TFontSettings*>(Source);
  if (!s) {
    TPersistent::Assign(Source);
    return;
  }
  bool differs = bold_ != s->bold_ || italic_ != s->italic_ || underline_ != s->underline_ ||
                 strikeOut_ != s->strikeOut_ || size_ != s->size_ || color_ != s->color_ || name_ != s->name_;
  if (!differs) return;
  bold_ = s->bold_;
  italic_ = s->italic_;
  underline_ = s->underline_;
  strikeOut_ = s->strikeOut_;
  size_ = s->size_;
  color_ = s->color_;
  name_ = s->name_;
  if (OnChange) OnChange();
}

void ApplyFontSettings(const TFontSettings& Settings, TFont* Font) {
  if (!Font) return;
  if (Settings.Size() != 100) Font->SetSize((Font->Size() * Settings.Size() + 50) / 100);
  if (Settings.Color() != clNone) Font->SetColor(Settings.Color());
  if (!Settings.Name().empty()) Font->SetName(Settings.Name());
  TFontStyles st = Font->Style();
  auto apply = [&](TTriState t, TFontStyle f) {
    if (t == tsTrue) st.Include(f);
    if (t == tsFalse) st.Exclude(f);
  };
  apply(Settings.Bold(), fsBold);
  apply(Settings.Italic(), fsItalic);
  apply(Settings.Underline(), fsUnderline);
  apply(Settings.StrikeOut(), fsStrikeOut);
  Font->SetStyle(st);
}
