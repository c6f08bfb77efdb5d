// Shared settings of caption panels: TUxPanelSettings, a bundle of panel
// settings; TUxPanelStyler, a component holding one bundle, filled from one
// of four presets and applied to every panel that names the styler; and
// ApplyPanelSettings, which copies a bundle into a panel.
#pragma once

#include <memory>
#include <string>

#include "panels/TUxPanel.h"

RTL_ENUM(TUxPanelStyle, psXP, psFlat, psMetal, psClassic);

class TUxPanelSettings : public TPersistent {
  RTL_CLASS(TUxPanelSettings, TPersistent)
 public:
  TUxPanelSettings();
  ~TUxPanelSettings() override;

#define UXSETTING(Type, Name, field)               \
  Type Name() const { return field; }              \
  void Set##Name(Type v) {                         \
    field = v;                                     \
    Changed();                                     \
  }
#define UXSTORED(Type, Name, field)    \
  Type Name() const { return field; } \
  void Set##Name(Type v) { field = v; }
  UXSETTING(bool, AnchorHint, anchorHint_)
  UXSETTING(bool, AutoHideChildren, autoHideChildren_)
  UXSETTING(TBevelCut, BevelInner, bevelInner_)
  UXSETTING(TBevelCut, BevelOuter, bevelOuter_)
  UXSETTING(int32_t, BevelWidth, bevelWidth_)
  UXSETTING(TColor, BorderColor, borderColor_)
  UXSETTING(bool, BorderShadow, borderShadow_)
  UXSETTING(TBorderStyle, BorderStyle, borderStyle_)
  UXSETTING(int32_t, BorderWidth, borderWidth_)
  UXSETTING(bool, CanMove, canMove_)
  UXSETTING(bool, CanSize, canSize_)
  UXSETTING(bool, Collaps, collaps_)
  UXSETTING(TColor, CollapsColor, collapsColor_)
  UXSETTING(int32_t, CollapsDelay, collapsDelay_)
  UXSETTING(int32_t, CollapsSteps, collapsSteps_)
  UXSETTING(TColor, ColorTo, colorTo_)
  UXSETTING(TCursor, Cursor, cursor_)
  UXSETTING(bool, Hover, hover_)
  UXSETTING(TColor, HoverColor, hoverColor_)
  UXSETTING(TColor, HoverFontColor, hoverFontColor_)
  UXSETTING(int32_t, Indent, indent_)
  UXSETTING(std::string, Text, text_)
  UXSETTING(TTextVAlignment, TextVAlign, textVAlign_)
  UXSETTING(int32_t, TopIndent, topIndent_)
  UXSETTING(TColor, URLColor, urlColor_)
  UXSTORED(TColor, Color, color_)
  UXSTORED(bool, FixedTop, fixedTop_)
  UXSTORED(bool, FixedLeft, fixedLeft_)
  UXSTORED(bool, FixedHeight, fixedHeight_)
  UXSTORED(bool, FixedWidth, fixedWidth_)
  UXSTORED(int32_t, Height, height_)
  UXSTORED(std::string, Hint, hint_)
  UXSTORED(TColor, ShadowColor, shadowColor_)
  UXSTORED(int32_t, ShadowOffset, shadowOffset_)
  UXSTORED(bool, ShowHint, showHint_)
  UXSTORED(bool, ShowMoveCursor, showMoveCursor_)
  UXSTORED(int32_t, Width, width_)
  // Never created: the settings carry no position.
  UXSTORED(TPanelPosition*, Position, position_)
#undef UXSETTING
#undef UXSTORED

  // The bundle's own caption: setting one copies it in (the bundle never
  // takes over a caption object that belongs to someone else).
  TPanelCaption* Caption() const { return caption_.get(); }
  void SetCaption(TPanelCaption* v);
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* v);

  // Changes inside an update are announced once, at its end.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  // Copies nothing: a bundle is filled setting by setting.
  void Assign(TPersistent*) override {}

  TNotifyEvent OnChange;

 private:
  void Changed();
  bool anchorHint_ = false, autoHideChildren_ = false;
  TBevelCut bevelInner_ = bvNone, bevelOuter_ = bvNone;
  int32_t bevelWidth_ = 1;
  TColor borderColor_ = clBlack;
  bool borderShadow_ = false;
  TBorderStyle borderStyle_ = bsSingle;
  int32_t borderWidth_ = 0;
  bool canMove_ = false, canSize_ = false;
  std::unique_ptr<TPanelCaption> caption_;
  bool collaps_ = false;
  TColor collapsColor_ = clBtnFace;
  int32_t collapsDelay_ = 0, collapsSteps_ = 0;
  TColor color_ = clBtnFace, colorTo_ = clNone;
  TCursor cursor_ = crDefault;
  std::unique_ptr<TFont> font_;
  bool fixedTop_ = false, fixedLeft_ = false, fixedHeight_ = false, fixedWidth_ = false;
  int32_t height_ = 120;
  std::string hint_;
  bool hover_ = false;
  TColor hoverColor_ = clBlack, hoverFontColor_ = clBlack;
  int32_t indent_ = 0;
  TPanelPosition* position_ = nullptr;
  TColor shadowColor_ = clBlack;
  int32_t shadowOffset_ = 0;
  bool showHint_ = false, showMoveCursor_ = false;
  std::string text_;
  TTextVAlignment textVAlign_ = tvaTop;
  int32_t topIndent_ = 0;
  TColor urlColor_ = clBlue;
  int32_t width_ = 0;
  int32_t updateCount_ = 0;
};

// Copies a bundle into a panel (all but its height, width, hint, text and
// position); Collaps collapses or expands the panel.
void ApplyPanelSettings(TCustomUxPanel* Panel, TUxPanelSettings* Settings);

class TUxPanelStyler : public TComponent {
  RTL_CLASS(TUxPanelStyler, TComponent)
 public:
  explicit TUxPanelStyler(TComponent* AOwner);
  ~TUxPanelStyler() override;

  TUxPanelSettings* Settings() const { return settings_.get(); }
  // Copies the values of v into the styler's own bundle.
  void SetSettings(TUxPanelSettings* v);
  TUxPanelStyle Style() const { return style_; }
  // Fills the bundle from the preset (ignored while loading).
  void SetStyle(TUxPanelStyle v);
  const std::string& Comments() const { return comments_; }
  void SetComments(const std::string& v) { comments_ = v; }

 private:
  // Applies the bundle to every panel of the styler's owner that names it.
  void SettingsChanged();
  std::unique_ptr<TUxPanelSettings> settings_;
  TUxPanelStyle style_ = psXP;
  std::string comments_;
};
