#pragma once
// The themed status bar: a row of panels at the bottom of a form, each with
// an optional image, a caption, a frame and optionally a control inside it.
// The background, the frames and the size grip are parts of the current
// theme; captions are drawn by the theme's item-text routine. Panels take
// their Size in pixels; the ones of low ViewPriority give way when the bar
// is too narrow, and spare width goes to the ones of highest
// StretchPriority (never past their MaxSize).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "rtl/TCollection.h"
#include "toolbar/TFontSettings.h"
#include "toolbar/TTBKTextWrapping.h"
#include "ui/TControl.h"
#include "ui/TLabel.h"
#include "toolbar/TTBKTheme.h"

class TChangeLink;
class TCustomImageList;
class TTBKCustomStatusBar;

class TTBKStatusPanel : public TCollectionItem {
  RTL_CLASS(TTBKStatusPanel, TCollectionItem)
 public:
  explicit TTBKStatusPanel(TCollection* Collection = nullptr);
  ~TTBKStatusPanel() override;

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  TControl* Control() const { return control_; }
  void SetControl(TControl* v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Framed() const { return framed_; }
  void SetFramed(bool v);
  // Any change of the font settings counts as a change of the panel.
  TFontSettings* FontSettings() const { return fontSettings_.get(); }
  void SetFontSettings(TFontSettings* v) { fontSettings_->Assign(v); }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t v);
  int32_t MaxSize() const { return maxSize_; }
  void SetMaxSize(int32_t v);
  int32_t ViewPriority() const { return viewPriority_; }
  void SetViewPriority(int32_t v);
  int32_t Size() const { return size_; }
  void SetSize(int32_t v);
  int32_t StretchPriority() const { return stretchPriority_; }
  void SetStretchPriority(int32_t v);
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t v) { tag_ = v; }
  TTextTruncation TextTruncation() const { return textTruncation_; }
  void SetTextTruncation(TTextTruncation v);

  // Results of the last layout.
  const TRect& BoundsRect() const { return rect_; }
  int32_t LaidOutWidth() const { return width_; }
  bool Shown() const { return shown_; }
  bool AtRightEdge() const { return atRightEdge_; }

  void Assign(TPersistent* Source) override;
  std::string DisplayName() const override;
  TTBKCustomStatusBar* StatusBar() const;

 private:
  friend class TTBKCustomStatusBar;
  void Notify() { Changed(false); }
  TAlignment alignment_ = taLeftJustify;
  std::string caption_;
  TControl* control_ = nullptr;
  bool enabled_ = true;
  bool framed_ = true;
  std::unique_ptr<TFontSettings> fontSettings_;
  std::string hint_;
  int32_t imageIndex_ = -1;
  int32_t maxSize_ = 0;
  int32_t viewPriority_ = 100;
  int32_t size_ = 50;
  int32_t stretchPriority_ = 0;
  int32_t tag_ = 0;
  TTextTruncation textTruncation_ = twNone;
  TRect rect_{0, 0, 0, 0};
  int32_t width_ = 0;
  bool shown_ = false;
  bool atRightEdge_ = false;
};

class TTBKStatusPanels : public TCollection {
  RTL_CLASS(TTBKStatusPanels, TCollection)
 public:
  explicit TTBKStatusPanels(TTBKCustomStatusBar* Owner);
  TTBKStatusPanel* PanelAt(int32_t Index) const { return static_cast<TTBKStatusPanel*>(Items(Index)); }
  TTBKStatusPanel* Add() { return static_cast<TTBKStatusPanel*>(TCollection::Add()); }
  TTBKStatusPanel* FindControlPanel(TControl* Control) const;
  TTBKCustomStatusBar* StatusBar() const { return bar_; }

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TTBKCustomStatusBar* bar_;
};

using TSBAdjustContentRect = std::function<void(TObject* Sender, TTBKStatusPanel* Panel, TRect& Rect)>;
using TSBAdjustPanelFont = std::function<void(TObject* Sender, TTBKStatusPanel* Panel, TFont* Font)>;
using TSBPanelEvent = std::function<void(TObject* Sender, TTBKStatusPanel* Panel)>;

class TTBKCustomStatusBar : public TCustomControl {
  RTL_CLASS(TTBKCustomStatusBar, TCustomControl)
 public:
  explicit TTBKCustomStatusBar(TComponent* AOwner);
  ~TTBKCustomStatusBar() override;
  void BeforeDestruction() override;

  TTBKStatusPanels* Panels() const { return panels_.get(); }
  void SetPanels(TTBKStatusPanels* v) { panels_->Assign(v); }
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* v);
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool v);
  const std::string& SimpleText() const { return simpleText_; }
  void SetSimpleText(const std::string& v);
  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool v);
  bool UseSystemFont() const { return useSystemFont_; }
  void SetUseSystemFont(bool v);
  bool FixAlign() const { return fixAlign_; }
  void SetFixAlign(bool v) { fixAlign_ = v; }

  TSBAdjustContentRect OnAdjustContentRect;
  TSBAdjustPanelFont OnAdjustPanelFont;
  TSBPanelEvent OnPanelClick;
  TSBPanelEvent OnPanelDblClick;

  // The first shown panel whose rectangle holds the client point, or null.
  TTBKStatusPanel* PanelAtPoint(TPoint P) const;
  // Whether the size grip shows, and where (client coordinates).
  bool GripShowing();
  TRect GripRect();

  virtual void LayoutPanels();
  virtual void PanelsChanged();

  void Click() override;
  void DblClick() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void FireAdjustContentRect(TTBKStatusPanel* Panel, TRect& Rect);
  virtual void FireAdjustPanelFont(TTBKStatusPanel* Panel, TFont* Font);
  virtual void FirePanelClick(TTBKStatusPanel* Panel);
  virtual void FirePanelDblClick(TTBKStatusPanel* Panel);
  virtual void DrawPanel(TRect Rect, TTBKStatusPanel* Panel, bool IsLast);

  void AlignControls(TControl* AControl, TRect& Rect) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Paint() override;
  void Resize() override;
  void CMFontChanged(TMessage& Message) override;

 private:
  void SelectPanelFont(TCanvas* Canvas, bool Disabled);
  void ImagesChange(TObject* Sender);
  std::unique_ptr<TTBKStatusPanels> panels_;
  std::unique_ptr<TChangeLink> imageLink_;
  TCustomImageList* images_ = nullptr;
  bool simplePanel_ = false;
  std::string simpleText_;
  bool sizeGrip_ = true;
  bool useSystemFont_ = false;
  bool fixAlign_ = false;
  TTBKPartMargins margins_{};
};

class TTBKStatusBar : public TTBKCustomStatusBar {
  RTL_CLASS(TTBKStatusBar, TTBKCustomStatusBar)
 public:
  explicit TTBKStatusBar(TComponent* AOwner) : TTBKCustomStatusBar(AOwner) {}
};
