#include "LangFixtures.h"

void TFont::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    name_ = f->name_;
    size_ = f->size_;
    charset_ = f->charset_;
    return;
  }
  TPersistent::Assign(Source);
}

RTL_DEFINE_CLASS(TFont, TPersistent, Published("Name", &TFont::Name, &TFont::SetName),
                 Published("Size", &TFont::Size, &TFont::SetSize),
                 Published("Charset", &TFont::Charset, &TFont::SetCharset))
RTL_DEFINE_CLASS(TFixAction, TComponent)
RTL_DEFINE_CLASS(TFixControl, TComponent,
                 Published("Caption", &TFixControl::Caption, &TFixControl::SetCaption),
                 Published("Hint", &TFixControl::Hint, &TFixControl::SetHint),
                 Published("Font", &TFixControl::Font, &TFixControl::SetFont),
                 Published("ParentFont", &TFixControl::ParentFont, &TFixControl::SetParentFont),
                 Published("Action", &TFixControl::Action, &TFixControl::SetAction),
                 Published("Text", &TFixControl::Text, &TFixControl::SetText))
RTL_DEFINE_CLASS(TFixCombo, TFixControl,
                 Published("Items", &TFixCombo::Items, &TFixCombo::SetItems),
                 Published("ItemIndex", &TFixCombo::ItemIndex, &TFixCombo::SetItemIndex))
RTL_DEFINE_CLASS(TFixPanel, TCollectionItem,
                 Published("Caption", &TFixPanel::Caption, &TFixPanel::SetCaption),
                 Published("Font", &TFixPanel::Font, &TFixPanel::SetFont),
                 Published("Lines", &TFixPanel::Lines, &TFixPanel::SetLines))
RTL_DEFINE_CLASS(TFixStatusBar, TFixControl,
                 Published("Panels", &TFixStatusBar::Panels, &TFixStatusBar::SetPanels))
RTL_DEFINE_CLASS(TFixField, TComponent,
                 Published("DisplayLabel", &TFixField::DisplayLabel, &TFixField::SetDisplayLabel))
RTL_DEFINE_CLASS(TFixForm, TComponent,
                 Published("Caption", &TFixForm::Caption, &TFixForm::SetCaption),
                 Published("Hint", &TFixForm::Hint, &TFixForm::SetHint),
                 Published("Font", &TFixForm::Font, &TFixForm::SetFont),
                 Published("Left", &TFixForm::Left, &TFixForm::SetLeft),
                 Published("Top", &TFixForm::Top, &TFixForm::SetTop),
                 Published("Width", &TFixForm::Width, &TFixForm::SetWidth),
                 Published("Height", &TFixForm::Height, &TFixForm::SetHeight),
                 Published("WindowState", &TFixForm::WindowState, &TFixForm::SetWindowState))
RTL_DEFINE_CLASS(TfrmMain, TFixForm)
RTL_DEFINE_CLASS(TfrmOptions, TFixForm)

std::string Line(const std::string& Key, std::initializer_list<std::string> Columns) {
  std::string s = Key + D;
  for (auto& c : Columns) s += c + D;
  return s;
}

std::string Payload(std::initializer_list<std::string> Lines) {
  std::string s;
  for (auto& l : Lines) s += l + "\r\n";
  return s;
}

TlxLang* BuildWindow(TFixForm* Form, const TWindowSpec& Spec) {
  Form->SetCaption("Designed");
  auto* ok = new TFixControl(Form);
  ok->SetName("btnOK");
  ok->SetCaption("OK");
  auto* combo = new TFixCombo(Form);
  combo->SetName("cbKind");
  auto* bar = new TFixStatusBar(Form);
  bar->SetName("sbMain");
  for (int i = 0; i < 3; ++i) bar->Panels()->Add();
  auto* field = new TFixField(Form);
  field->SetName("fldName");
  auto* lang = new TlxLang(Form);
  lang->SetName("lxLang1");
  Form->BeginLoading();
  TStringList names;
  for (const char* n : {"English", "French", "German", "Italian", "Portuguese", "Spanish"})
    if (names.Count() < Spec.Languages) names.Add(n);
  lang->SetNumOfLanguages(Spec.Languages);
  lang->SetLangNames(&names);
  lang->SetTranslateType(Spec.Translate);
  if (Spec.Dispatcher) lang->SetLangDispatcher(Spec.Dispatcher);
  lang->ReadTranslationDataText(Spec.Payload);
  Form->EndLoading();
  return lang;
}

TlxLang* LangOf(TComponent* Form) {
  for (int i = 0; i < Form->ComponentCount(); ++i)
    if (auto* l = dynamic_cast<TlxLang*>(Form->Components(i))) return l;
  return nullptr;
}
