#include "panels/TUxPanelStyler.h"

RTL_DEFINE_CLASS(TUxPanelSettings, TPersistent,
                 Published("Caption", &TUxPanelSettings::Caption, &TUxPanelSettings::SetCaption),
                 Published("Color", &TUxPanelSettings::Color, &TUxPanelSettings::SetColor),
                 Published("ColorTo", &TUxPanelSettings::ColorTo, &TUxPanelSettings::SetColorTo),
                 Published("Font", &TUxPanelSettings::Font, &TUxPanelSettings::SetFont),
                 Published("Height", &TUxPanelSettings::Height, &TUxPanelSettings::SetHeight),
                 Published("Text", &TUxPanelSettings::Text, &TUxPanelSettings::SetText))
RTL_DEFINE_CLASS(TUxPanelStyler, TComponent,
                 Published("Settings", &TUxPanelStyler::Settings, &TUxPanelStyler::SetSettings),
                 Published("Style", &TUxPanelStyler::Style, &TUxPanelStyler::SetStyle),
                 Published("Comments", &TUxPanelStyler::Comments, &TUxPanelStyler::SetComments))

// ---- The bundle

TUxPanelSettings::TUxPanelSettings() {
  caption_ = std::make_unique<TPanelCaption>();
  caption_->OnChange = caption_->OnShadeChange = caption_->OnStateChange = [this](TObject*) { Changed(); };
  font_ = std::make_unique<TFont>();
}

TUxPanelSettings::~TUxPanelSettings() {
}

void TUxPanelSettings::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange(this);
}

void TUxPanelSettings::SetCaption(TPanelCaption* v) {
  if (v && v != caption_.get()) {
    BeginUpdate();
    caption_->Assign(v);
    caption_->SetText(v->Text());
    EndUpdate();
    return;
  }
  Changed();
}

void TUxPanelSettings::SetFont(TFont* v) {
  font_->Assign(v);
  Changed();
}

void TUxPanelSettings::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) Changed();
}

void ApplyPanelSettings(TCustomUxPanel* Panel, TUxPanelSettings* Settings) {
  if (!Panel || !Settings) return;
  TUxPanelSettings* s = Settings;
  Panel->SetAnchorHint(s->AnchorHint());
  Panel->SetAutoHideChildren(s->AutoHideChildren());
  Panel->SetBevelInner(s->BevelInner());
  Panel->SetBevelOuter(s->BevelOuter());
  Panel->SetBevelWidth(s->BevelWidth());
  Panel->SetBorderColor(s->BorderColor());
  Panel->SetBorderShadow(s->BorderShadow());
  Panel->SetBorderStyle(s->BorderStyle());
  Panel->SetBorderWidth(s->BorderWidth());
  Panel->SetCanMove(s->CanMove());
  Panel->SetCanSize(s->CanSize());
  Panel->SetCaption(s->Caption());
  Panel->SetCollaps(s->Collaps());
  Panel->SetCollapsColor(s->CollapsColor());
  Panel->SetCollapsDelay(s->CollapsDelay());
  Panel->SetCollapsSteps(s->CollapsSteps());
  Panel->SetColor(s->Color());
  Panel->SetColorTo(s->ColorTo());
  Panel->TControl::SetCursor(s->Cursor());
  Panel->TControl::SetFont(s->Font());
  Panel->SetFixedTop(s->FixedTop());
  Panel->SetFixedLeft(s->FixedLeft());
  Panel->SetFixedHeight(s->FixedHeight());
  Panel->SetFixedWidth(s->FixedWidth());
  Panel->SetHover(s->Hover());
  Panel->SetHoverColor(s->HoverColor());
  Panel->SetHoverFontColor(s->HoverFontColor());
  Panel->SetIndent(s->Indent());
  Panel->SetShadowColor(s->ShadowColor());
  Panel->SetShadowOffset(s->ShadowOffset());
  Panel->SetShowHint(s->ShowHint());
  Panel->SetShowMoveCursor(s->ShowMoveCursor());
  Panel->SetTextVAlign(s->TextVAlign());
  Panel->SetTopIndent(s->TopIndent());
  Panel->SetURLColor(s->URLColor());
}

// ---- The styler

TUxPanelStyler::TUxPanelStyler(TComponent* AOwner) : TComponent(AOwner) {
  settings_ = std::make_unique<TUxPanelSettings>();
  settings_->OnChange = [this](TObject*) { SettingsChanged(); };
  SetStyle(psXP);
}

TUxPanelStyler::~TUxPanelStyler() = default;

void TUxPanelStyler::SetSettings(TUxPanelSettings* v) {
  // The styler keeps its one bundle: the given values are copied into it.
  if (!v || v == settings_.get()) return;
  settings_->BeginUpdate();
  settings_->SetAnchorHint(v->AnchorHint());
  settings_->SetAutoHideChildren(v->AutoHideChildren());
  settings_->SetBevelInner(v->BevelInner());
  settings_->SetBevelOuter(v->BevelOuter());
  settings_->SetBevelWidth(v->BevelWidth());
  settings_->SetBorderColor(v->BorderColor());
  settings_->SetBorderShadow(v->BorderShadow());
  settings_->SetBorderStyle(v->BorderStyle());
  settings_->SetBorderWidth(v->BorderWidth());
  settings_->SetCanMove(v->CanMove());
  settings_->SetCanSize(v->CanSize());
  settings_->SetCaption(v->Caption());
  settings_->SetCollaps(v->Collaps());
  settings_->SetCollapsColor(v->CollapsColor());
  settings_->SetCollapsDelay(v->CollapsDelay());
  settings_->SetCollapsSteps(v->CollapsSteps());
  settings_->SetColor(v->Color());
  settings_->SetColorTo(v->ColorTo());
  settings_->SetCursor(v->Cursor());
  settings_->SetFont(v->Font());
  settings_->SetHover(v->Hover());
  settings_->SetHoverColor(v->HoverColor());
  settings_->SetHoverFontColor(v->HoverFontColor());
  settings_->SetIndent(v->Indent());
  settings_->SetShadowColor(v->ShadowColor());
  settings_->SetShadowOffset(v->ShadowOffset());
  settings_->SetTextVAlign(v->TextVAlign());
  settings_->SetTopIndent(v->TopIndent());
  settings_->SetURLColor(v->URLColor());
  settings_->EndUpdate();
}

void TUxPanelStyler::SettingsChanged() {
  if (ComponentState().Contains(csLoading) || !Owner()) return;
  for (int32_t i = 0; i < Owner()->ComponentCount(); ++i)
    if (auto* p = dynamic_cast<TCustomUxPanel*>(Owner()->Components(i)); p && p->Styler() == this)
      ApplyPanelSettings(p, settings_.get());
}

void TUxPanelStyler::SetStyle(TUxPanelStyle v) {
  if (ComponentState().Contains(csLoading)) return;
  style_ = v;
  TUxPanelSettings* s = settings_.get();
  TPanelCaption* c = s->Caption();
  s->BeginUpdate();
  switch (v) {
    case psXP:
      s->SetColor(clWhite);
      s->SetColorTo(TColor(0xE3F0F2));
      c->SetShadeType(stNormal);
      s->Font()->SetName("Verdana");
      c->Font()->SetName("Verdana");
      c->Font()->SetColor(clHighlightText);
      s->SetBevelInner(bvNone);
      s->SetBevelOuter(bvNone);
      s->SetBorderShadow(true);
      c->SetColor(clHighlight);
      c->SetColorTo(clBlue);
      c->SetVisible(true);
      c->SetHeight(20);
      c->SetIndent(2);
      break;
    case psFlat:
      s->SetColor(clBtnFace);
      s->SetColorTo(clNone);
      c->SetShadeType(stNormal);
      s->Font()->SetName("Tahoma");
      s->Font()->SetColor(clWindowText);
      c->Font()->SetName("Tahoma");
      c->Font()->SetColor(clHighlightText);
      s->SetBevelInner(bvNone);
      s->SetBevelOuter(bvNone);
      s->SetBorderShadow(false);
      c->SetColor(clHighlight);
      c->SetColorTo(clNone);
      c->SetVisible(true);
      c->SetHeight(20);
      c->SetIndent(0);
      break;
    case psMetal:
      s->SetColor(clWhite);
      s->SetColorTo(TColor(0xE4E4E4));
      c->SetShadeGrain(32);
      c->SetShadeLight(255);
      c->SetShadeType(stRMetal);
      s->Font()->SetName("Tahoma");
      s->Font()->SetColor(clWindowText);
      c->Font()->SetName("Tahoma");
      c->Font()->SetColor(clBlack);
      s->SetBevelInner(bvNone);
      s->SetBevelOuter(bvNone);
      s->SetBorderShadow(true);
      c->SetColor(clWhite);
      c->SetColorTo(clNone);
      c->SetVisible(true);
      c->SetHeight(20);
      c->SetIndent(4);
      break;
    case psClassic:
      s->SetColor(clBtnFace);
      s->SetColorTo(clNone);
      c->SetShadeGrain(32);
      c->SetShadeLight(255);
      c->SetShadeType(stNormal);
      s->Font()->SetName("MS Sans Serif");
      s->Font()->SetColor(clWindowText);
      c->Font()->SetName("MS Sans Serif");
      c->Font()->SetColor(clHighlightText);
      s->SetBevelInner(bvNone);
      s->SetBevelOuter(bvRaised);
      s->SetBorderShadow(false);
      c->SetColor(clWhite);
      c->SetColorTo(clNone);
      c->SetVisible(false);
      break;
  }
  s->SetBorderColor(TColor(0x808080));
  s->SetBorderStyle(bsNone);
  s->SetCollapsColor(clBtnFace);
  s->EndUpdate();
}
