// Small window-like classes for the translation tests: a form with Caption,
// Hint, Font and geometry; controls with Caption, Hint, Font, ParentFont and
// Action; a combo box with Items and ItemIndex; a status bar whose Panels
// collection has captioned items with a nested font.
#pragma once

#include <string>

#include "l10n/TlxCustomLang.h"
#include "l10n/TlxLangDispatcher.h"
#include "rtl/TCollection.h"
#include "rtl/TComponent.h"
#include "rtl/TStrings.h"
#include "rtl/TypInfo.h"

RTL_ENUM(TFixWindowState, wsNormal, wsMinimized, wsMaximized);

class TFont : public TPersistent {
  RTL_CLASS(TFont, TPersistent)
 public:
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  int32_t Size() const { return size_; }
  void SetSize(int32_t v) { size_ = v; }
  int32_t Charset() const { return charset_; }
  void SetCharset(int32_t v) { charset_ = v; }
  void Assign(TPersistent* Source) override;

 private:
  std::string name_ = "MS Sans Serif";
  int32_t size_ = 8;
  int32_t charset_ = 1;
};

class TFixAction : public TComponent {
  RTL_CLASS(TFixAction, TComponent)
 public:
  explicit TFixAction(TComponent* AOwner) : TComponent(AOwner) {}
};

class TFixControl : public TComponent {
  RTL_CLASS(TFixControl, TComponent)
 public:
  explicit TFixControl(TComponent* AOwner) : TComponent(AOwner) {}
  ~TFixControl() override { font_->Free(); }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  TFont* Font() const { return font_; }
  void SetFont(TFont* v) {
    if (v != font_) font_->Assign(v);
  }
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool v) { parent_font_ = v; }
  TFixAction* Action() const { return action_; }
  void SetAction(TFixAction* v) { action_ = v; }
  const std::string& Text() const { return text_; }
  void SetText(const std::string& v) { text_ = v; }

 private:
  std::string caption_, hint_, text_;
  TFont* font_ = new TFont;
  bool parent_font_ = false;
  TFixAction* action_ = nullptr;
};

class TFixCombo : public TFixControl {
  RTL_CLASS(TFixCombo, TFixControl)
 public:
  explicit TFixCombo(TComponent* AOwner) : TFixControl(AOwner) {}
  TStrings* Items() const { return items_.get(); }
  void SetItems(TStrings* v) { items_->Assign(v); }
  int32_t ItemIndex() const { return item_index_; }
  void SetItemIndex(int32_t v) { item_index_ = v; }

 private:
  std::unique_ptr<TStringList> items_ = std::make_unique<TStringList>();
  int32_t item_index_ = -1;
};

class TFixPanel : public TCollectionItem {
  RTL_CLASS(TFixPanel, TCollectionItem)
 public:
  explicit TFixPanel(TCollection* C = nullptr) : TCollectionItem(C) {}
  ~TFixPanel() override { font_->Free(); }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  TFont* Font() const { return font_; }
  void SetFont(TFont* v) {
    if (v != font_) font_->Assign(v);
  }
  TStrings* Lines() const { return lines_.get(); }
  void SetLines(TStrings* v) { lines_->Assign(v); }

 private:
  std::string caption_;
  TFont* font_ = new TFont;
  std::unique_ptr<TStringList> lines_ = std::make_unique<TStringList>();
};

class TFixStatusBar : public TFixControl {
  RTL_CLASS(TFixStatusBar, TFixControl)
 public:
  explicit TFixStatusBar(TComponent* AOwner) : TFixControl(AOwner) {}
  ~TFixStatusBar() override { delete panels_; }
  TCollection* Panels() const { return panels_; }
  void SetPanels(TCollection* v) { panels_->Assign(v); }

 private:
  TCollection* panels_ = new TCollection(TFixPanel::StaticClass(), this);
};

class TFixField : public TComponent {
  RTL_CLASS(TFixField, TComponent)
 public:
  explicit TFixField(TComponent* AOwner) : TComponent(AOwner) {}
  const std::string& DisplayLabel() const { return label_; }
  void SetDisplayLabel(const std::string& v) { label_ = v; }

 private:
  std::string label_;
};

class TFixForm : public TComponent {
  RTL_CLASS(TFixForm, TComponent)
 public:
  explicit TFixForm(TComponent* AOwner) : TComponent(AOwner) {}
  ~TFixForm() override { font_->Free(); }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  TFont* Font() const { return font_; }
  void SetFont(TFont* v) {
    if (v != font_) font_->Assign(v);
  }
  int32_t Left() const { return left_; }
  void SetLeft(int32_t v) { left_ = v; }
  int32_t Top() const { return top_; }
  void SetTop(int32_t v) { top_ = v; }
  int32_t Width() const { return width_; }
  void SetWidth(int32_t v) { width_ = v; }
  int32_t Height() const { return height_; }
  void SetHeight(int32_t v) { height_ = v; }
  TFixWindowState WindowState() const { return state_; }
  void SetWindowState(TFixWindowState v) { state_ = v; }

 private:
  std::string caption_, hint_;
  TFont* font_ = new TFont;
  int32_t left_ = 10, top_ = 20, width_ = 300, height_ = 200;
  TFixWindowState state_ = wsNormal;
};

// Two window classes, as a program has them.
class TfrmMain : public TFixForm {
  RTL_CLASS(TfrmMain, TFixForm)
 public:
  explicit TfrmMain(TComponent* AOwner = nullptr) : TFixForm(AOwner) {}
};
class TfrmOptions : public TFixForm {
  RTL_CLASS(TfrmOptions, TFixForm)
 public:
  explicit TfrmOptions(TComponent* AOwner = nullptr) : TFixForm(AOwner) {}
};

// D, the default language delimiter, for building lines in tests.
inline constexpr char D = '\1';
// "K" D "a" D "b" D ...: a line with its columns, each closed by D.
std::string Line(const std::string& Key, std::initializer_list<std::string> Columns);
// The lines of a text translation resource, each closed by CR LF.
std::string Payload(std::initializer_list<std::string> Lines);

// A window as the program builds one: controls first, then the translation
// component, whose properties are set and whose translation data are read
// while loading; the end of loading links and applies.
struct TWindowSpec {
  std::string Payload;  // the translation data text
  int Languages = 6;
  TlxLangDispatcher* Dispatcher = nullptr;
  TTranslateType Translate = ttNoChange;
};
template <typename F>
F* MakeWindow(const TWindowSpec& Spec);
// Builds controls btnOK (TFixControl), cbKind (TFixCombo), sbMain
// (TFixStatusBar with three panels), fldName (TFixField) and the TlxLang
// named lxLang1 on Form.
TlxLang* BuildWindow(TFixForm* Form, const TWindowSpec& Spec);
TlxLang* LangOf(TComponent* Form);
template <typename F>
F* MakeWindow(const TWindowSpec& Spec) {
  auto* f = new F(nullptr);
  f->SetName(std::string(f->ClassName()).substr(1));
  BuildWindow(f, Spec);
  return f;
}
