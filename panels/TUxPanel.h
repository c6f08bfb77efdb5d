// The caption panel: a container that paints its body plainly or as a
// gradient, with an optional border and shadow, bevels and a background
// picture, shows a body text and a caption text in the panels' mark-up, and
// can carry a caption bar with a close and a collapse/expand button.
// Collapsing shrinks the panel to its caption bar, optionally in animated
// steps. The panel can be moved by its caption and sized by a grip,
// remembers its position (TPanelPosition), follows a shared style
// (TUxPanelStyler) and can sit in a panel group (TUxPanelGroup).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "panels/PictureContainer.h"
#include "panels/TPanelPosition.h"
#include "panels/TUxImage.h"
#include "rtl/TypInfo.h"
#include "ui/TBitmap.h"
#include "ui/TPanel.h"

class TCustomImageList;
class TCustomUxPanel;
class TUxPanelStyler;

RTL_ENUM(TShadeType, stNormal, stNoise, stDiagShade, stHShade, stVShade, stHBump, stVBump, stSoftBump,
         stHardBump, stLMetal, stRMetal, stIRadial, stORadial, stHShadeInv, stVShadeInv, stXPCaption, stBitmap,
         stBitmapRStretch, stBitmapLStretch);
RTL_ENUM(TCaptionShape, csRectangle, csRounded, csSemiRounded);
RTL_ENUM(TCaptionButtonPosition, cbpRight, cbpLeft);
RTL_ENUM(TBackGroundPosition, bpTopLeft, bpTopRight, bpBottomLeft, bpBottomRight, bpTiled, bpStretched,
         bpCenter);
RTL_ENUM(TTextVAlignment, tvaTop, tvaCenter, tvaBottom);

using TAnchorEvent = std::function<void(TObject* Sender, const std::string& Anchor)>;
using TAnchorHintEvent = std::function<void(TObject* Sender, std::string& Anchor)>;
using TPaintEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect)>;

// The caption bar's settings. Changes announce themselves through three
// notifications: a change (repaint), a shade change (the shading is
// rendered again) and a state change (the caption was shown or hidden).
class TPanelCaption : public TPersistent {
  RTL_CLASS(TPanelCaption, TPersistent)
 public:
  TPanelCaption();
  ~TPanelCaption() override;

  TBitmap* Background() const { return background_.get(); }
  void SetBackground(TBitmap* v);
  TCaptionButtonPosition ButtonPosition() const { return buttonPosition_; }
  void SetButtonPosition(TCaptionButtonPosition v) { buttonPosition_ = v; }
  bool CloseButton() const { return closeButton_; }
  void SetCloseButton(bool v);
  TColor CloseButtonColor() const { return closeButtonColor_; }
  void SetCloseButtonColor(TColor v);
  bool MinMaxButton() const { return minMaxButton_; }
  void SetMinMaxButton(bool v);
  TColor MinMaxButtonColor() const { return minMaxButtonColor_; }
  void SetMinMaxButtonColor(TColor v);
  // The caption's colour while the panel is collapsed.
  TColor CloseColor() const { return closeColor_; }
  void SetCloseColor(TColor v);
  TBitmap* CloseMinGlyph() const { return closeMinGlyph_.get(); }
  void SetCloseMinGlyph(TBitmap* v);
  TBitmap* CloseMaxGlyph() const { return closeMaxGlyph_.get(); }
  void SetCloseMaxGlyph(TBitmap* v);
  TBitmap* MinGlyph() const { return minGlyph_.get(); }
  void SetMinGlyph(TBitmap* v) { minGlyph_->Assign(v); }
  TBitmap* MaxGlyph() const { return maxGlyph_.get(); }
  void SetMaxGlyph(TBitmap* v) { maxGlyph_->Assign(v); }
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor v);
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* v) { font_->Assign(v); }
  int32_t Height() const { return height_; }
  void SetHeight(int32_t v);
  int32_t Indent() const { return indent_; }
  void SetIndent(int32_t v);
  int32_t TopIndent() const { return topIndent_; }
  void SetTopIndent(int32_t v);
  uint8_t ShadeGrain() const { return shadeGrain_; }
  void SetShadeGrain(uint8_t v);
  // Values below 200 become 200.
  int32_t ShadeLight() const { return shadeLight_; }
  void SetShadeLight(int32_t v);
  TShadeType ShadeType() const { return shadeType_; }
  void SetShadeType(TShadeType v);
  TCaptionShape Shape() const { return shape_; }
  void SetShape(TCaptionShape v);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);

  // Copies every setting but the text.
  void Assign(TPersistent* Source) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnShadeChange;
  TNotifyEvent OnStateChange;

 private:
  void Changed();
  void ShadeChanged();
  std::unique_ptr<TBitmap> background_;
  TCaptionButtonPosition buttonPosition_ = cbpRight;
  bool closeButton_ = false, minMaxButton_ = false;
  TColor closeButtonColor_ = clWhite, minMaxButtonColor_ = clWhite;
  TColor closeColor_ = clBtnFace;
  std::unique_ptr<TBitmap> closeMinGlyph_, closeMaxGlyph_, minGlyph_, maxGlyph_;
  TColor color_ = clHighlight, colorTo_ = clNone;
  bool flat_ = false;
  std::unique_ptr<TFont> font_;
  int32_t height_ = 20, indent_ = 0, topIndent_ = 0;
  uint8_t shadeGrain_ = 32;
  int32_t shadeLight_ = 200;
  TShadeType shadeType_ = stNormal;
  TCaptionShape shape_ = csRectangle;
  std::string text_;
  bool visible_ = false;
};

// Sizing the panel to its body text.
class TAutoSize : public TPersistent {
  RTL_CLASS(TAutoSize, TPersistent)
 public:
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Height() const { return height_; }
  void SetHeight(bool v) { height_ = v; }
  bool Width() const { return width_; }
  void SetWidth(bool v) { width_ = v; }
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;  // switching Enabled on

 private:
  bool enabled_ = false, height_ = true, width_ = true;
};

class TCustomUxPanel : public TCustomPanel {
  RTL_CLASS(TCustomUxPanel, TCustomPanel)
 public:
  explicit TCustomUxPanel(TComponent* AOwner);
  ~TCustomUxPanel() override;
  void BeforeDestruction() override;

  bool AnchorHint() const { return anchorHint_; }
  void SetAnchorHint(bool v) { anchorHint_ = v; }
  bool AutoHideChildren() const { return autoHideChildren_; }
  void SetAutoHideChildren(bool v) { autoHideChildren_ = v; }
  TAutoSize* AutoSizing() const { return autoSize_.get(); }
  void SetAutoSizing(TAutoSize* v) { autoSize_->Assign(v); }
  TUxImage* Background() const { return background_.get(); }
  void SetBackground(TUxImage* v);
  TBackGroundPosition BackgroundPosition() const { return backgroundPosition_; }
  void SetBackgroundPosition(TBackGroundPosition v);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v);
  bool BorderShadow() const { return borderShadow_; }
  void SetBorderShadow(bool v);
  bool Buffered() const { return buffered_; }
  void SetBuffered(bool v) { buffered_ = v; }
  bool CanMove() const { return canMove_; }
  void SetCanMove(bool v) { canMove_ = v; }
  bool CanSize() const { return canSize_; }
  void SetCanSize(bool v);
  TPanelCaption* Caption() const { return caption_.get(); }
  void SetCaption(TPanelCaption* v) { caption_->Assign(v); }
  bool Collaps() const { return collaps_; }
  void SetCollaps(bool v);
  TColor CollapsColor() const { return collapsColor_; }
  void SetCollapsColor(TColor v) { collapsColor_ = v; }
  int32_t CollapsDelay() const { return collapsDelay_; }
  void SetCollapsDelay(int32_t v) { collapsDelay_ = v; }
  int32_t CollapsSteps() const { return collapsSteps_; }
  void SetCollapsSteps(int32_t v) { collapsSteps_ = v; }
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor v);
  bool Ellipsis() const { return ellipsis_; }
  void SetEllipsis(bool v);
  bool FixedTop() const { return fixedTop_; }
  void SetFixedTop(bool v) { fixedTop_ = v; }
  bool FixedLeft() const { return fixedLeft_; }
  void SetFixedLeft(bool v) { fixedLeft_ = v; }
  bool FixedHeight() const { return fixedHeight_; }
  void SetFixedHeight(bool v) { fixedHeight_ = v; }
  bool FixedWidth() const { return fixedWidth_; }
  void SetFixedWidth(bool v) { fixedWidth_ = v; }
  bool FreeOnClose() const { return freeOnClose_; }
  void SetFreeOnClose(bool v) { freeOnClose_ = v; }
  // The height that expanding restores (stored in forms).
  int32_t FullHeight() const { return fullHeight_; }
  void SetFullHeight(int32_t v) { fullHeight_ = v; }
  bool Hover() const { return hover_; }
  void SetHover(bool v) { hover_ = v; }
  TColor HoverColor() const { return hoverColor_; }
  void SetHoverColor(TColor v) { hoverColor_ = v; }
  TColor HoverFontColor() const { return hoverFontColor_; }
  void SetHoverFontColor(TColor v) { hoverFontColor_ = v; }
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* v);
  int32_t Indent() const { return indent_; }
  void SetIndent(int32_t v);
  int32_t TopIndent() const { return topIndent_; }
  void SetTopIndent(int32_t v);
  int32_t LineSpacing() const { return lineSpacing_; }
  void SetLineSpacing(int32_t v);
  TPictureContainer* PictureContainer() const { return container_; }
  void SetPictureContainer(TPictureContainer* v);
  TPanelPosition* Position() const { return position_.get(); }
  void SetPosition(TPanelPosition* v) { position_->Assign(v); }
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor v);
  int32_t ShadowOffset() const { return shadowOffset_; }
  void SetShadowOffset(int32_t v);
  bool ShowMoveCursor() const { return showMoveCursor_; }
  void SetShowMoveCursor(bool v) { showMoveCursor_ = v; }
  TUxPanelStyler* Styler() const { return styler_; }
  void SetStyler(TUxPanelStyler* v);
  // The body text (mark-up, the control's text); setting it repaints and
  // sizes the panel.
  void SetText(const std::string& v) override;
  TTextVAlignment TextVAlign() const { return textVAlign_; }
  void SetTextVAlign(TTextVAlignment v);
  TColor URLColor() const { return urlColor_; }
  void SetURLColor(TColor v);
  std::string Version() const { return "1.5.0.0"; }
  // Stored forms carry the version; reading one back changes nothing.
  void SetVersion(const std::string&) {}

  TNotifyEvent OnCaptionClick, OnCaptionDBlClick, OnClose, OnMinimize, OnMaximize, OnEndCollapsExpand,
      OnEndMoveSize;
  TAnchorEvent OnAnchorClick, OnAnchorEnter, OnAnchorExit;
  TAnchorHintEvent OnAnchorHint;
  TPaintEvent OnPaint;

  // Copies the settings of another caption panel.
  void Assign(TPersistent* Source) override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

  // Renders the caption shading bitmap.
  virtual void DrawCaptionShade();
  // Draws the caption bar for shadings other than stNormal into R.
  void DrawCaptionBar(TCanvas* ACanvas, const TRect& R);
  // After the caption was shown or hidden, and after collapsing or
  // expanding; a group arranges its panels again.
  virtual void StateChanged();

  // The anchor under a client point, or empty.
  std::string IsAnchor(int32_t x, int32_t y);
  // The shading bitmap as last rendered.
  TBitmap* CaptionShade() const { return shade_.get(); }
  // Whether the visual-style caption can be drawn (never on this desktop).
  bool UsesVisualStyles() const;

 protected:
  void Paint() override;
  void AdjustClientRect(TRect& Rect) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void DblClick() override;
  void Resize() override;
  void CMHintShow(TMessage& Message) override;
  // Tells the group holding the panel that it changed.
  void NotifyGroup();
  void DoAutoSize();
  bool Loading() const { return ComponentState().Contains(csLoading); }

 private:
  friend class TPanelPosition;
  void PaintTo(TCanvas* C, const TRect& Client);
  void PaintBody(TCanvas* C, const TRect& Client);
  // The border, or with no border colour a frame in the body colour.
  void PaintBorder(TCanvas* C, const TRect& Client);
  void PaintBevels(TCanvas* C, const TRect& Client);
  // The body below the caption bar and inside the border shadow.
  TRect TextArea(const TRect& Client) const;
  void PaintBackgroundPicture(TCanvas* C, const TRect& Area);
  void PaintBodyText(TCanvas* C, const TRect& Area);
  // The caption bar with its buttons and text.
  void PaintCaptionBar(TCanvas* C, const TRect& Client);
  void PaintSizeGrip(TCanvas* C, const TRect& Client);
  void DrawButtons(TCanvas* C, TRect& R, int32_t& Left, int32_t& Right);
  int32_t ButtonSize() const;
  int32_t BevelSize() const { return BevelOuter() != bvNone ? BevelWidth() : 0; }
  bool MarkupCall(TCanvas* C, const std::string& Text, const TRect& R, bool Measure, bool HitTest,
                  int32_t X, int32_t Y, bool WordWrap, int32_t HoverLink, std::string& Anchor, int32_t& W,
                  int32_t& H);
  TRect BodyTextRect(TCanvas* C, bool ForHitTest);
  LRESULT HitTestAt(TPoint Client, LRESULT Default);
  void SetHeightKeepingFull(int32_t v);

  bool anchorHint_ = false, autoHideChildren_ = true;
  std::unique_ptr<TAutoSize> autoSize_;
  std::unique_ptr<TUxImage> background_;
  TBackGroundPosition backgroundPosition_ = bpTopLeft;
  TColor borderColor_ = clBlack;
  bool borderShadow_ = false, buffered_ = true, canMove_ = false, canSize_ = false;
  std::unique_ptr<TPanelCaption> caption_;
  bool collaps_ = false;
  TColor collapsColor_ = clGray;
  int32_t collapsDelay_ = 20, collapsSteps_ = 0;
  TColor colorTo_ = clNone;
  bool ellipsis_ = false;
  bool fixedTop_ = false, fixedLeft_ = false, fixedHeight_ = false, fixedWidth_ = false;
  bool freeOnClose_ = false;
  bool hover_ = false;
  TColor hoverColor_ = clNone, hoverFontColor_ = clNone;
  TCustomImageList* images_ = nullptr;
  int32_t indent_ = 0, topIndent_ = 0, lineSpacing_ = 0;
  TPictureContainer* container_ = nullptr;
  std::unique_ptr<TPanelPosition> position_;
  TColor shadowColor_ = clGray;
  int32_t shadowOffset_ = 2;
  bool showMoveCursor_ = false;
  TUxPanelStyler* styler_ = nullptr;
  TTextVAlignment textVAlign_ = tvaTop;
  TColor urlColor_ = clBlue;

  int32_t fullHeight_ = 0;
  TColor keptColor_ = clBtnFace;
  bool colorChanged_ = false;  // the animation put CollapsColor on the body
  bool busy_ = false, moving_ = false;
  int32_t hoverBody_ = 0, hoverCaption_ = 0;
  int32_t lastWidth_ = -1, lastHeight_ = -1;
  std::unique_ptr<TBitmap> shade_;
  std::unique_ptr<THTMLPictureCache> pictures_;
  TPoint origin_{0, 0};
  int32_t recordedWidth_ = 0, recordedHeight_ = 0;
  // Cleared when the panel goes: an animation that pumps messages checks
  // it before touching the panel again.
  std::shared_ptr<bool> alive_;
};

class TUxPanel : public TCustomUxPanel {
  RTL_CLASS(TUxPanel, TCustomUxPanel)
 public:
  explicit TUxPanel(TComponent* AOwner) : TCustomUxPanel(AOwner) {}
};
