#include "panels/TUxPanel.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "panels/MarkupText.h"
#include "panels/TUxNavBar.h"
#include "panels/TUxPanelGroup.h"
#include "panels/TUxPanelStyler.h"
#include "platform/Draw.h"
#include "platform/Shell.h"
#include "platform/SysInfo.h"
#include "platform/Window.h"
#include "rtl/Exception.h"
#include "ui/TApplication.h"
#include "ui/TImageList.h"

RTL_DEFINE_CLASS(TPanelCaption, TPersistent,
                 Published("Background", &TPanelCaption::Background, &TPanelCaption::SetBackground),
                 Published("ButtonPosition", &TPanelCaption::ButtonPosition, &TPanelCaption::SetButtonPosition),
                 Published("CloseButton", &TPanelCaption::CloseButton, &TPanelCaption::SetCloseButton),
                 Published("CloseButtonColor", &TPanelCaption::CloseButtonColor,
                           &TPanelCaption::SetCloseButtonColor),
                 Published("CloseColor", &TPanelCaption::CloseColor, &TPanelCaption::SetCloseColor),
                 Published("Color", &TPanelCaption::Color, &TPanelCaption::SetColor),
                 Published("ColorTo", &TPanelCaption::ColorTo, &TPanelCaption::SetColorTo),
                 Published("Flat", &TPanelCaption::Flat, &TPanelCaption::SetFlat),
                 Published("Font", &TPanelCaption::Font, &TPanelCaption::SetFont),
                 Published("Height", &TPanelCaption::Height, &TPanelCaption::SetHeight),
                 Published("Indent", &TPanelCaption::Indent, &TPanelCaption::SetIndent),
                 Published("MinMaxButton", &TPanelCaption::MinMaxButton, &TPanelCaption::SetMinMaxButton),
                 Published("MinMaxButtonColor", &TPanelCaption::MinMaxButtonColor,
                           &TPanelCaption::SetMinMaxButtonColor),
                 Published("ShadeLight", &TPanelCaption::ShadeLight, &TPanelCaption::SetShadeLight),
                 Published("ShadeType", &TPanelCaption::ShadeType, &TPanelCaption::SetShadeType),
                 Published("Shape", &TPanelCaption::Shape, &TPanelCaption::SetShape),
                 Published("Text", &TPanelCaption::Text, &TPanelCaption::SetText),
                 Published("TopIndent", &TPanelCaption::TopIndent, &TPanelCaption::SetTopIndent),
                 Published("Visible", &TPanelCaption::Visible, &TPanelCaption::SetVisible))
RTL_DEFINE_CLASS(TAutoSize, TPersistent, Published("Enabled", &TAutoSize::Enabled, &TAutoSize::SetEnabled),
                 Published("Height", &TAutoSize::Height, &TAutoSize::SetHeight),
                 Published("Width", &TAutoSize::Width, &TAutoSize::SetWidth))
RTL_DEFINE_CLASS(TCustomUxPanel, TCustomPanel,
                 Published("AnchorHint", &TCustomUxPanel::AnchorHint, &TCustomUxPanel::SetAnchorHint),
                 Published("AutoHideChildren", &TCustomUxPanel::AutoHideChildren,
                           &TCustomUxPanel::SetAutoHideChildren),
                 Published("Background", &TCustomUxPanel::Background, &TCustomUxPanel::SetBackground),
                 Published("BackgroundPosition", &TCustomUxPanel::BackgroundPosition,
                           &TCustomUxPanel::SetBackgroundPosition),
                 Published("FixedTop", &TCustomUxPanel::FixedTop, &TCustomUxPanel::SetFixedTop),
                 Published("FixedLeft", &TCustomUxPanel::FixedLeft, &TCustomUxPanel::SetFixedLeft),
                 Published("FixedHeight", &TCustomUxPanel::FixedHeight, &TCustomUxPanel::SetFixedHeight),
                 Published("FixedWidth", &TCustomUxPanel::FixedWidth, &TCustomUxPanel::SetFixedWidth),
                 Published("FreeOnClose", &TCustomUxPanel::FreeOnClose, &TCustomUxPanel::SetFreeOnClose),
                 Published("Hover", &TCustomUxPanel::Hover, &TCustomUxPanel::SetHover),
                 Published("HoverColor", &TCustomUxPanel::HoverColor, &TCustomUxPanel::SetHoverColor),
                 Published("HoverFontColor", &TCustomUxPanel::HoverFontColor, &TCustomUxPanel::SetHoverFontColor),
                 Published("Images", &TCustomUxPanel::Images, &TCustomUxPanel::SetImages),
                 Published("PictureContainer", &TCustomUxPanel::PictureContainer,
                           &TCustomUxPanel::SetPictureContainer),
                 Published("ShowMoveCursor", &TCustomUxPanel::ShowMoveCursor, &TCustomUxPanel::SetShowMoveCursor),
                 Published("Styler", &TCustomUxPanel::Styler, &TCustomUxPanel::SetStyler),
                 Published("BorderColor", &TCustomUxPanel::BorderColor, &TCustomUxPanel::SetBorderColor),
                 Published("BorderShadow", &TCustomUxPanel::BorderShadow, &TCustomUxPanel::SetBorderShadow),
                 Published("Buffered", &TCustomUxPanel::Buffered, &TCustomUxPanel::SetBuffered),
                 Published("CanMove", &TCustomUxPanel::CanMove, &TCustomUxPanel::SetCanMove),
                 Published("CanSize", &TCustomUxPanel::CanSize, &TCustomUxPanel::SetCanSize),
                 Published("Caption", &TCustomUxPanel::Caption, &TCustomUxPanel::SetCaption),
                 Published("Collaps", &TCustomUxPanel::Collaps, &TCustomUxPanel::SetCollaps),
                 Published("CollapsColor", &TCustomUxPanel::CollapsColor, &TCustomUxPanel::SetCollapsColor),
                 Published("CollapsDelay", &TCustomUxPanel::CollapsDelay, &TCustomUxPanel::SetCollapsDelay),
                 Published("CollapsSteps", &TCustomUxPanel::CollapsSteps, &TCustomUxPanel::SetCollapsSteps),
                 Published("ColorTo", &TCustomUxPanel::ColorTo, &TCustomUxPanel::SetColorTo),
                 Published("Ellipsis", &TCustomUxPanel::Ellipsis, &TCustomUxPanel::SetEllipsis),
                 Published("FullHeight", &TCustomUxPanel::FullHeight, &TCustomUxPanel::SetFullHeight),
                 Published("Indent", &TCustomUxPanel::Indent, &TCustomUxPanel::SetIndent),
                 Published("LineSpacing", &TCustomUxPanel::LineSpacing, &TCustomUxPanel::SetLineSpacing),
                 Published("Position", &TCustomUxPanel::Position, &TCustomUxPanel::SetPosition),
                 Published("ShadowColor", &TCustomUxPanel::ShadowColor, &TCustomUxPanel::SetShadowColor),
                 Published("ShadowOffset", &TCustomUxPanel::ShadowOffset, &TCustomUxPanel::SetShadowOffset),
                 Published("TextVAlign", &TCustomUxPanel::TextVAlign, &TCustomUxPanel::SetTextVAlign),
                 Published("TopIndent", &TCustomUxPanel::TopIndent, &TCustomUxPanel::SetTopIndent),
                 Published("URLColor", &TCustomUxPanel::URLColor, &TCustomUxPanel::SetURLColor),
                 Published("Version", &TCustomUxPanel::Version, &TCustomUxPanel::SetVersion))
RTL_DEFINE_CLASS(TUxPanel, TCustomUxPanel)

// ---- Caption settings

TPanelCaption::TPanelCaption() {
  background_ = std::make_unique<TBitmap>();
  closeMinGlyph_ = std::make_unique<TBitmap>();
  closeMaxGlyph_ = std::make_unique<TBitmap>();
  minGlyph_ = std::make_unique<TBitmap>();
  maxGlyph_ = std::make_unique<TBitmap>();
  font_ = std::make_unique<TFont>();
  font_->SetColor(clHighlightText);
  font_->OnChange = [this](TObject*) { Changed(); };
}

TPanelCaption::~TPanelCaption() {
}

void TPanelCaption::Changed() {
  if (OnChange) OnChange(this);
}
void TPanelCaption::ShadeChanged() {
  if (OnShadeChange) OnShadeChange(this);
}

void TPanelCaption::SetBackground(TBitmap* v) {
  background_->Assign(v);
  ShadeChanged();
}
void TPanelCaption::SetCloseButton(bool v) {
  if (v == closeButton_) return;
  closeButton_ = v;
  Changed();
}
void TPanelCaption::SetCloseButtonColor(TColor v) {
  if (v == closeButtonColor_) return;
  closeButtonColor_ = v;
  Changed();
}
void TPanelCaption::SetMinMaxButton(bool v) {
  if (v == minMaxButton_) return;
  minMaxButton_ = v;
  Changed();
}
void TPanelCaption::SetMinMaxButtonColor(TColor v) {
  if (v == minMaxButtonColor_) return;
  minMaxButtonColor_ = v;
  Changed();
}
void TPanelCaption::SetCloseColor(TColor v) {
  if (v == closeColor_) return;
  closeColor_ = v;
  Changed();
}
void TPanelCaption::SetCloseMinGlyph(TBitmap* v) {
  closeMinGlyph_->Assign(v);
  Changed();
}
void TPanelCaption::SetCloseMaxGlyph(TBitmap* v) {
  closeMaxGlyph_->Assign(v);
  Changed();
}
void TPanelCaption::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  ShadeChanged();
}
void TPanelCaption::SetColorTo(TColor v) {
  colorTo_ = v;
  Changed();
}
void TPanelCaption::SetFlat(bool v) {
  flat_ = v;
  ShadeChanged();
}
void TPanelCaption::SetHeight(int32_t v) {
  if (v == height_) return;
  height_ = v;
  Changed();
}
void TPanelCaption::SetIndent(int32_t v) {
  if (v == indent_) return;
  indent_ = v;
  Changed();
}
void TPanelCaption::SetTopIndent(int32_t v) {
  if (v == topIndent_) return;
  topIndent_ = v;
  Changed();
}
void TPanelCaption::SetShadeGrain(uint8_t v) {
  shadeGrain_ = v;
  ShadeChanged();
}
void TPanelCaption::SetShadeLight(int32_t v) {
  shadeLight_ = std::max(v, 200);
  ShadeChanged();
}
void TPanelCaption::SetShadeType(TShadeType v) {
  shadeType_ = v;
  ShadeChanged();
}
void TPanelCaption::SetShape(TCaptionShape v) {
  shape_ = v;
  ShadeChanged();
}
void TPanelCaption::SetText(const std::string& v) {
  text_ = v;
  Changed();
}
void TPanelCaption::SetVisible(bool v) {
  visible_ = v;
  Changed();
  if (OnStateChange) OnStateChange(this);
}

void TPanelCaption::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TPanelCaption*>(Source);
  if (!s) {
    TPersistent::Assign(Source);
    return;
  }
  SetBackground(s->Background());
  SetButtonPosition(s->ButtonPosition());
  SetColor(s->Color());
  SetColorTo(s->ColorTo());
  SetCloseColor(s->CloseColor());
  SetCloseButton(s->CloseButton());
  SetCloseButtonColor(s->CloseButtonColor());
  SetCloseMinGlyph(s->CloseMinGlyph());
  SetCloseMaxGlyph(s->CloseMaxGlyph());
  SetFlat(s->Flat());
  SetFont(s->Font());
  SetHeight(s->Height());
  SetIndent(s->Indent());
  SetMaxGlyph(s->MaxGlyph());
  SetMinGlyph(s->MinGlyph());
  SetMinMaxButton(s->MinMaxButton());
  SetMinMaxButtonColor(s->MinMaxButtonColor());
  SetShadeLight(s->ShadeLight());
  SetShadeGrain(s->ShadeGrain());
  SetShadeType(s->ShadeType());
  SetShape(s->Shape());
  SetTopIndent(s->TopIndent());
  SetVisible(s->Visible());
}

void TAutoSize::SetEnabled(bool v) {
  enabled_ = v;
  if (v && OnChange) OnChange(this);
}

void TAutoSize::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TAutoSize*>(Source);
  if (!s) {
    TPersistent::Assign(Source);
    return;
  }
  height_ = s->Height();
  width_ = s->Width();
  SetEnabled(s->Enabled());
}

// ---- Creation and destruction

TCustomUxPanel::TCustomUxPanel(TComponent* AOwner) : TCustomPanel(AOwner), alive_(std::make_shared<bool>(true)) {
  controlStyle_.Exclude(csSetCaption);
  controlStyle_ += TControlStyle{csAcceptsControls, csOpaque};
  autoSize_ = std::make_unique<TAutoSize>();
  autoSize_->OnChange = [this](TObject*) { DoAutoSize(); };
  background_ = std::make_unique<TUxImage>();
  background_->OnChange = [this](TObject*) { Invalidate(); };
  caption_ = std::make_unique<TPanelCaption>();
  caption_->OnChange = [this](TObject*) { Invalidate(); };
  caption_->OnShadeChange = [this](TObject*) {
    DrawCaptionShade();
    Invalidate();
  };
  caption_->OnStateChange = [this](TObject*) {
    Realign();
    StateChanged();
  };
  position_ = std::make_unique<TPanelPosition>(this);
  shade_ = std::make_unique<TBitmap>();
  shade_->SetPixelFormat(pf32bit);
  pictures_ = std::make_unique<THTMLPictureCache>();
  SetDoubleBuffered(true);
  fullHeight_ = Height();
  keptColor_ = Color();
  DrawCaptionShade();
}

void TCustomUxPanel::BeforeDestruction() {
  // An animation pumping messages learns here that the panel is going.
  *alive_ = false;
  TCustomPanel::BeforeDestruction();
}

TCustomUxPanel::~TCustomUxPanel() {
  *alive_ = false;
}

// ---- Setters

#define UXPANEL_SETTER(Method, Field, Type) \
  void TCustomUxPanel::Method(Type v) {     \
    Field = v;                              \
    Invalidate();                           \
  }
UXPANEL_SETTER(SetBackgroundPosition, backgroundPosition_, TBackGroundPosition)
UXPANEL_SETTER(SetBorderColor, borderColor_, TColor)
UXPANEL_SETTER(SetBorderShadow, borderShadow_, bool)
UXPANEL_SETTER(SetCanSize, canSize_, bool)
UXPANEL_SETTER(SetColorTo, colorTo_, TColor)
UXPANEL_SETTER(SetEllipsis, ellipsis_, bool)
UXPANEL_SETTER(SetIndent, indent_, int32_t)
UXPANEL_SETTER(SetTopIndent, topIndent_, int32_t)
UXPANEL_SETTER(SetLineSpacing, lineSpacing_, int32_t)
UXPANEL_SETTER(SetShadowColor, shadowColor_, TColor)
UXPANEL_SETTER(SetShadowOffset, shadowOffset_, int32_t)
UXPANEL_SETTER(SetTextVAlign, textVAlign_, TTextVAlignment)
UXPANEL_SETTER(SetURLColor, urlColor_, TColor)
#undef UXPANEL_SETTER

void TCustomUxPanel::SetBackground(TUxImage* v) {
  background_->Assign(v);
  Invalidate();
}

void TCustomUxPanel::SetImages(TCustomImageList* v) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = v;
  if (v) v->FreeNotification(this);
  Invalidate();
}

void TCustomUxPanel::SetPictureContainer(TPictureContainer* v) {
  if (container_) container_->RemoveFreeNotification(this);
  container_ = v;
  if (v) v->FreeNotification(this);
  Invalidate();
}

void TCustomUxPanel::SetStyler(TUxPanelStyler* v) {
  if (styler_) styler_->RemoveFreeNotification(this);
  styler_ = v;
  if (v) v->FreeNotification(this);
  if (!Loading() && v) ApplyPanelSettings(this, v->Settings());
}

void TCustomUxPanel::SetText(const std::string& v) {
  TCustomPanel::SetText(v);
  Invalidate();
  DoAutoSize();
}

void TCustomUxPanel::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomPanel::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == images_) images_ = nullptr;
  if (AComponent == container_) container_ = nullptr;
  if (AComponent == styler_) styler_ = nullptr;
}

void TCustomUxPanel::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TCustomUxPanel*>(Source);
  if (!s) {
    TCustomPanel::Assign(Source);
    return;
  }
  SetAnchorHint(s->AnchorHint());
  SetAutoHideChildren(s->AutoHideChildren());
  SetBackground(s->Background());
  SetBackgroundPosition(s->BackgroundPosition());
  SetBevelInner(s->BevelInner());
  SetBevelOuter(s->BevelOuter());
  SetBevelWidth(s->BevelWidth());
  SetBorderColor(s->BorderColor());
  SetBorderShadow(s->BorderShadow());
  SetBorderStyle(s->BorderStyle());
  SetCanMove(s->CanMove());
  SetCanSize(s->CanSize());
  SetCaption(s->Caption());
  SetCollapsColor(s->CollapsColor());
  SetCollapsDelay(s->CollapsDelay());
  SetCollapsSteps(s->CollapsSteps());
  SetColor(s->Color());
  SetColorTo(s->ColorTo());
  TControl::SetCursor(s->Cursor());
  SetEnabled(s->Enabled());
  TControl::SetFont(s->Font());
  SetFixedTop(s->FixedTop());
  SetFixedLeft(s->FixedLeft());
  SetFixedHeight(s->FixedHeight());
  SetFixedWidth(s->FixedWidth());
  SetFreeOnClose(s->FreeOnClose());
  SetHeight(s->Height());
  SetHint(s->Hint());
  SetHover(s->Hover());
  SetHoverColor(s->HoverColor());
  SetHoverFontColor(s->HoverFontColor());
  SetImages(s->Images());
  SetParentColor(s->ParentColor());
  SetParentFont(s->ParentFont());
  SetParentShowHint(s->ParentShowHint());
  SetPictureContainer(s->PictureContainer());
  position_->Assign(s->Position());
  SetShadowColor(s->ShadowColor());
  SetShadowOffset(s->ShadowOffset());
  SetShowHint(s->ShowHint());
  SetShowMoveCursor(s->ShowMoveCursor());
  SetTabStop(s->TabStop());
  SetTag(s->Tag());
  SetText(s->Text());
  SetTextVAlign(s->TextVAlign());
  SetURLColor(s->URLColor());
  SetVisible(s->Visible());
}

void TCustomUxPanel::Loaded() {
  TCustomPanel::Loaded();
  if (position_->Save()) position_->LoadPosition();
  origin_ = TPoint{Left(), Top()};
  recordedWidth_ = Width();
  recordedHeight_ = Height();
  keptColor_ = Color();
  if (styler_) ApplyPanelSettings(this, styler_->Settings());
}

void TCustomUxPanel::StateChanged() {}

void TCustomUxPanel::NotifyGroup() {
  if (auto* g = dynamic_cast<TUxPanelGroup*>(Parent())) g->UpdateGroup();
}

bool TCustomUxPanel::UsesVisualStyles() const {
  // This desktop has no visual-style library: the visual-style caption
  // takes its classic fallback.
  return false;
}

// ---- Bounds, size and alignment

void TCustomUxPanel::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  TCustomPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (!collaps_ && !busy_) fullHeight_ = Height();
  if (Width() != lastWidth_ || Height() != lastHeight_) {
    lastWidth_ = Width();
    lastHeight_ = Height();
    for (int32_t i = 0; i < ControlCount(); ++i) Controls(i)->Invalidate();
    Invalidate();
  }
  if (shade_ && shade_->Width() != std::max(Width(), 1) && Width() > 0) DrawCaptionShade();
}

void TCustomUxPanel::Resize() {
  Invalidate();
  TCustomPanel::Resize();
  DoAutoSize();
}

void TCustomUxPanel::AdjustClientRect(TRect& Rect) {
  TCustomPanel::AdjustClientRect(Rect);
  if (caption_->Visible()) Rect.Top = std::max(Rect.Top, caption_->Height());
}

void TCustomUxPanel::DoAutoSize() {
  if (!autoSize_->Enabled() || Loading()) return;
  const int32_t bw = BevelSize();
  TRect r{0, 0, autoSize_->Width() ? 65535 : Width() - 2 * bw, autoSize_->Height() ? 65535 : Height() - 2 * bw};
  TBitmap scratch;
  scratch.SetSize(1, 1);
  TCanvas* c = scratch.Canvas();
  c->Font()->Assign(Font());
  std::string anchor;
  int32_t w = 0, h = 0;
  MarkupCall(c, Text(), r, true, false, 0, 0, true, hoverBody_, anchor, w, h);
  const int32_t newW = autoSize_->Width() ? 2 * bw + w + indent_ : Width();
  const int32_t newH = autoSize_->Height()
                           ? (caption_->Visible() ? caption_->Height() : 0) + h + 2 * bw + topIndent_
                           : Height();
  if (newW != Width() || newH != Height()) SetBounds(Left(), Top(), newW, newH);
  NotifyGroup();
}

// ---- Collapse and expand

void TCustomUxPanel::SetHeightKeepingFull(int32_t v) { TCustomPanel::SetBounds(Left(), Top(), Width(), v); }

void TCustomUxPanel::SetCollaps(bool v) {
  if (collaps_ && !v && OnMaximize) OnMaximize(this);
  if (!collaps_ && v && OnMinimize) OnMinimize(this);
  std::shared_ptr<bool> alive = alive_;
  if (!*alive) return;
  if (busy_) return;
  if (v != collaps_) {
    busy_ = true;
    collaps_ = v;
    if (!Loading()) {
      const int32_t ch = caption_->Height();
      // The animation lets other messages run between its steps; a panel
      // that goes meanwhile (or is already going) ends it at once.
      auto step = [&](int32_t h) {
        SetHeightKeepingFull(h);
        if (Application) Application->ProcessMessages();
        if (!*alive) return false;
        NotifyGroup();
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(collapsDelay_, 0)));
        return *alive;
      };
      const bool animate = collapsSteps_ > 0 && !ComponentState().Contains(csDestroying);
      if (v) {
        fullHeight_ = Height();
        if (autoHideChildren_)
          for (int32_t i = 0; i < ControlCount(); ++i) Controls(i)->Hide();
        keptColor_ = Color();
        if (animate) {
          SetColor(collapsColor_);
          colorChanged_ = true;
          const int32_t d = (Height() - ch) / collapsSteps_;
          for (int32_t i = 0; i < collapsSteps_; ++i)
            if (!step(Height() - d)) return;
        }
        SetHeightKeepingFull(ch);
      } else {
        // The body colour comes back whenever the collapse changed it,
        // even when the steps were changed in between.
        if (colorChanged_) {
          SetColor(keptColor_);
          colorChanged_ = false;
        }
        if (animate) {
          const int32_t d = (fullHeight_ - ch) / collapsSteps_;
          for (int32_t i = 0; i < collapsSteps_; ++i)
            if (!step(Height() + d)) return;
        }
        SetHeightKeepingFull(fullHeight_);
        if (autoHideChildren_)
          for (int32_t i = 0; i < ControlCount(); ++i) Controls(i)->Show();
      }
      NotifyGroup();
    }
    busy_ = false;
    // The caption bar shows the state even when the panel's size is held
    // by its alignment.
    Invalidate();
  }
  StateChanged();
  if (OnEndCollapsExpand) OnEndCollapsExpand(this);
}

// ---- Painting

void TCustomUxPanel::Paint() {
  const TRect client = ClientRect();
  if (buffered_ && client.Width() > 0 && client.Height() > 0) {
    TBitmap buffer;
    buffer.SetPixelFormat(pf32bit);
    buffer.SetSize(client.Width(), client.Height());
    PaintTo(buffer.Canvas(), client);
    Canvas()->Draw(0, 0, &buffer);
  } else {
    PaintTo(Canvas(), client);
  }
}

bool TCustomUxPanel::MarkupCall(TCanvas* C, const std::string& Text, const TRect& R, bool Measure, bool HitTest,
                                int32_t X, int32_t Y, bool WordWrap, int32_t HoverLink, std::string& Anchor,
                                int32_t& W, int32_t& H) {
  TMarkupTextRequest q;
  q.Canvas = C;
  q.Text = Text;
  q.Rect = R;
  q.Images = images_;
  q.XPos = X;
  q.YPos = Y;
  q.HoverLink = HoverLink;
  q.ShadowOffset = shadowOffset_;
  q.CheckHotSpot = HitTest;
  q.CheckHeight = Measure;
  q.HoverStyle = hover_;
  q.WordWrap = WordWrap;
  q.URLColor = urlColor_;
  q.HoverColor = hoverColor_;
  q.HoverFontColor = hoverFontColor_;
  q.ShadowColor = shadowColor_;
  q.PictureCache = pictures_.get();
  q.PictureContainer = container_;
  q.LineSpacing = lineSpacing_;
  const TMarkupTextResult r = DrawMarkupText(q);
  Anchor = r.AnchorVal;
  W = r.XSize;
  H = r.YSize;
  return r.Hit;
}

namespace {
bool Inside(const TRect& r, TPoint p) { return PtInRect(&r, p) != 0; }
TRect Shifted(TRect r, int32_t dx, int32_t dy) {
  OffsetRect(&r, dx, dy);
  return r;
}
TColor Mix(TColor a, TColor b, int32_t PercentA) {
  const COLORREF x = ColorToRGB(a), y = ColorToRGB(b);
  auto ch = [&](int s) { return ((int32_t((x >> s) & 0xFF) * PercentA + int32_t((y >> s) & 0xFF) * (100 - PercentA)) / 100) << s; };
  return TColor(ch(0) | ch(8) | ch(16));
}
}  // namespace

void TCustomUxPanel::PaintTo(TCanvas* C, const TRect& Client) {
  PaintBody(C, Client);
  PaintBorder(C, Client);
  PaintBevels(C, Client);
  // The background picture and the body text keep inside the text area.
  const TRect area = TextArea(Client);
  HDC dc = C->Handle();
  SaveDC(dc);
  IntersectClipRect(dc, area.Left, area.Top, area.Right, area.Bottom);
  PaintBackgroundPicture(C, area);
  PaintBodyText(C, area);
  RestoreDC(dc, -1);
  if (caption_->Visible()) PaintCaptionBar(C, Client);
  if (canSize_ && !collaps_) PaintSizeGrip(C, Client);
  if (OnPaint) OnPaint(this, C, Client);
}

void TCustomUxPanel::PaintBody(TCanvas* C, const TRect& Client) {
  if (colorTo_ == clNone) {
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color());
    C->FillRect(Client);
  } else {
    DrawGradient(C, Color(), colorTo_, 64, Client, false);
  }
}

void TCustomUxPanel::PaintBorder(TCanvas* C, const TRect& Client) {
  if (borderColor_ == clNone) {
    TRect f = Client;
    Frame3D(C->Handle(), f, Color(), Color(), 1);
    return;
  }
  if (BorderWidth() == 0) return;
  TRect b = Client;
  if (borderShadow_) {  // the shadow takes two pixels right and below
    b.Right -= 2;
    b.Bottom -= 2;
  }
  C->Brush()->SetStyle(bsClear);
  C->Pen()->SetStyle(psSolid);
  C->Pen()->SetWidth(BorderWidth());
  C->Pen()->SetColor(borderColor_);
  C->Rectangle(b);
  C->Pen()->SetWidth(1);
  if (!borderShadow_) return;
  C->Pen()->SetColor(Mix(borderColor_, clBtnFace, 50));
  C->MoveTo(b.Right, b.Top + 1);
  C->LineTo(b.Right, b.Bottom);
  C->LineTo(b.Left, b.Bottom);
  C->Pen()->SetColor(Mix(borderColor_, clBtnFace, 20));
  C->MoveTo(b.Right + 1, b.Top + 2);
  C->LineTo(b.Right + 1, b.Bottom + 1);
  C->LineTo(b.Left + 1, b.Bottom + 1);
}

void TCustomUxPanel::PaintBevels(TCanvas* C, const TRect& Client) {
  TRect bevel = Client;  // the inner bevel is drawn inside the outer one
  auto frame = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    const bool lowered = cut == bvLowered;
    Frame3D(C->Handle(), bevel, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow,
            BevelWidth());
  };
  frame(BevelOuter());
  frame(BevelInner());
}

TRect TCustomUxPanel::TextArea(const TRect& Client) const {
  TRect R = Client;
  if (caption_->Visible()) R.Top += caption_->Height() - 2 * BevelSize();
  if (borderShadow_) {
    R.Right -= 2;
    R.Bottom -= 3;
  }
  return R;
}

void TCustomUxPanel::PaintBackgroundPicture(TCanvas* C, const TRect& R) {
  if (background_->Empty()) return;
  const int32_t bw = BevelSize();
  const int32_t pw = background_->Width(), ph = background_->Height();
  const int32_t xr = std::max(R.Left, R.Right - R.Left - pw - bw);
  const int32_t yb = std::max(R.Top, Height() - ph - bw);
  switch (backgroundPosition_) {
    case bpTopLeft: C->Draw(R.Left, R.Top, background_.get()); break;
    case bpTopRight: C->Draw(xr, R.Top, background_.get()); break;
    case bpBottomLeft: C->Draw(R.Left, yb, background_.get()); break;
    case bpBottomRight: C->Draw(xr, yb, background_.get()); break;
    case bpTiled:
      if (pw > 0 && ph > 0)
        for (int32_t y = R.Top; y < Height(); y += ph)
          for (int32_t x = R.Left; x < Width(); x += pw) C->Draw(x, y, background_.get());
      break;
    case bpStretched: C->StretchDraw(R, background_.get()); break;
    case bpCenter: C->Draw(xr / 2, yb / 2, background_.get()); break;
  }
}

void TCustomUxPanel::PaintBodyText(TCanvas* C, const TRect& R) {
  // The canvas takes the body font even with no text: an OnPaint handler
  // draws with it.
  C->Font()->Assign(Font());
  if (Text().empty()) return;
  TRect t = R;
  t.Left += BorderWidth() + indent_;
  t.Top += BorderWidth() + topIndent_;
  t.Right -= BorderWidth();
  t.Bottom -= BorderWidth();
  std::string anchor;
  int32_t w = 0, h = 0;
  if (textVAlign_ != tvaTop) {  // measured first to place it
    MarkupCall(C, Text(), t, true, false, 0, 0, !ellipsis_, hoverBody_, anchor, w, h);
    if (h < t.Height()) t.Top = textVAlign_ == tvaCenter ? t.Top + (t.Height() - h) / 2 : t.Bottom - h;
  }
  MarkupCall(C, Text(), t, false, false, 0, 0, !ellipsis_, hoverBody_, anchor, w, h);
}

void TCustomUxPanel::PaintCaptionBar(TCanvas* C, const TRect& Client) {
  const int32_t bw = BevelSize();
  TRect cr = Client;
  if (borderShadow_) {
    cr.Left = cr.Top = BorderWidth();
    cr.Right -= BorderWidth() + 2;
  }
  if (bw) cr = TRect{cr.Left + bw, cr.Top + bw, cr.Right - bw, cr.Bottom - bw};
  const TColor barColor = collaps_ ? caption_->CloseColor() : caption_->Color();
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(barColor);
  C->Pen()->SetColor(barColor);
  const TRect bar{cr.Left, cr.Top, cr.Right, cr.Top + caption_->Height() - 2 * bw};
  const TShadeType st = caption_->ShadeType();
  if (st != stNormal && (st != stXPCaption || UsesVisualStyles())) {
    DrawCaptionBar(C, bar);
  } else if (caption_->ColorTo() == clNone) {
    C->FillRect(bar);
  } else {
    DrawGradient(C, caption_->Color(), caption_->ColorTo(), 64, bar, true);
  }
  // The buttons, then the caption text in the room between them.
  int32_t left = cr.Left, right = cr.Right;
  DrawButtons(C, cr, left, right);
  C->Font()->Assign(caption_->Font());
  if (caption_->Text().empty()) return;
  const TRect ct{left + caption_->Indent(), cr.Top + caption_->TopIndent(), right, cr.Top + caption_->Height()};
  std::string anchor;
  int32_t w = 0, h = 0;
  MarkupCall(C, caption_->Text(), ct, false, false, 0, 0, false, hoverCaption_, anchor, w, h);
}

void TCustomUxPanel::PaintSizeGrip(TCanvas* C, const TRect& Client) {
  const int32_t bw = BevelSize();
  TRect g = Client;
  if (bw) g = TRect{g.Left + 2 * bw, g.Top + 2 * bw, g.Right - 2 * bw, g.Bottom - 2 * bw};
  if (borderShadow_) {
    g.Right -= 4;
    g.Bottom -= 4;
  }
  const int32_t r = g.Right, b = g.Bottom;
  auto line = [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    C->MoveTo(x1, y1);
    C->LineTo(x2, y2);
  };
  // Three grey grooves, each with a white edge above it.
  C->Pen()->SetStyle(psSolid);
  C->Pen()->SetColor(clGray);
  C->Pen()->SetWidth(2);
  line(r, b - 11, r - 11, b);
  line(r, b - 6, r - 7, b);
  line(r, b - 3, r - 3, b);
  C->Pen()->SetColor(clWhite);
  C->Pen()->SetWidth(1);
  line(r, b - 12, r - 12, b);
  line(r, b - 8, r - 8, b);
  line(r, b - 4, r - 4, b);
}

void TCustomUxPanel::DrawButtons(TCanvas* C, TRect& R, int32_t& Left, int32_t& Right) {
  const bool atLeft = caption_->ButtonPosition() == cbpLeft;
  const int32_t t = R.Top;
  int32_t edge = atLeft ? R.Left : R.Right;
  // x at a distance d from the edge, inwards.
  auto at = [&](int32_t d) { return atLeft ? edge + d : edge - d; };
  auto move = [&](int32_t d) { edge = atLeft ? edge + d : edge - d; };
  int32_t buttons = 0;
  if (caption_->CloseButton()) {
    ++buttons;
    TBitmap* glyph = collaps_ ? caption_->CloseMinGlyph() : caption_->CloseMaxGlyph();
    if (caption_->CloseMinGlyph()->Empty() || caption_->CloseMaxGlyph()->Empty()) {
      C->Pen()->SetStyle(psSolid);
      C->Pen()->SetWidth(2);
      C->Pen()->SetColor(caption_->CloseButtonColor());
      C->MoveTo(at(4), t + 4);
      C->LineTo(at(10), t + 10);
      C->MoveTo(at(10), t + 4);
      C->LineTo(at(4), t + 10);
      C->Pen()->SetWidth(1);
      move(12);
    } else {
      glyph->SetTransparent(true);
      C->Draw(atLeft ? edge : edge - glyph->Width(), t + 2, glyph);
      move(glyph->Width());
    }
  }
  if (caption_->MinMaxButton()) {
    ++buttons;
    TBitmap* glyph = collaps_ ? caption_->MaxGlyph() : caption_->MinGlyph();
    if (glyph->Empty()) {
      const TColor c = caption_->MinMaxButtonColor();
      C->Pen()->SetStyle(psSolid);
      C->Pen()->SetWidth(1);
      C->Pen()->SetColor(c);
      C->Brush()->SetStyle(bsSolid);
      C->Brush()->SetColor(c);
      const int32_t base = collaps_ ? t + 5 : t + 8, tip = collaps_ ? t + 8 : t + 5;
      C->Polygon({TPoint{at(4), base}, TPoint{at(10), base}, TPoint{at(7), tip}});
    } else {
      glyph->SetTransparent(true);
      C->Draw(atLeft ? edge : edge - glyph->Width(), t + 2, glyph);
    }
  }
  if (atLeft) Left = R.Left + 20 * buttons;
  else Right = R.Right - 20 * buttons;
}

// ---- Mouse, anchors and hints

int32_t TCustomUxPanel::ButtonSize() const {
  int32_t w = 12;
  if (!caption_->CloseMinGlyph()->Empty() && !caption_->CloseMaxGlyph()->Empty()) w = caption_->CloseMinGlyph()->Width();
  if (!caption_->MinGlyph()->Empty() && !caption_->MaxGlyph()->Empty()) w = caption_->MinGlyph()->Width();
  return w;
}

std::string TCustomUxPanel::IsAnchor(int32_t x, int32_t y) {
  TRect r = ClientRect();
  const int32_t bw = BevelSize();
  if (bw) r = TRect{r.Left + bw, r.Top + bw, r.Right - bw, r.Bottom - bw};
  if (borderShadow_) {
    r.Right -= 2;
    r.Bottom -= 2;
  }
  const int32_t b = BorderWidth();
  r = TRect{r.Left + b + indent_, r.Top + b + topIndent_, r.Right - b + indent_, r.Bottom - b + topIndent_};
  TBitmap scratch;
  scratch.SetSize(1, 1);
  TCanvas* c = scratch.Canvas();
  std::string anchor;
  int32_t w = 0, h = 0;
  if (caption_->Visible() && y < caption_->Height()) {
    if (caption_->Text().empty()) return "";
    c->Font()->Assign(caption_->Font());
    TRect ct{r.Left + caption_->Indent(), r.Top + caption_->TopIndent(), r.Right, r.Top + caption_->Height()};
    return MarkupCall(c, caption_->Text(), ct, false, true, x, y, true, hoverCaption_, anchor, w, h) ? anchor : "";
  }
  if (Text().empty()) return "";
  c->Font()->Assign(Font());
  if (caption_->Visible()) r.Top += caption_->Height();
  if (textVAlign_ != tvaTop) {
    MarkupCall(c, Text(), r, true, false, 0, 0, true, hoverBody_, anchor, w, h);
    if (h < r.Height()) r.Top = textVAlign_ == tvaCenter ? r.Top + (r.Height() - h) / 2 : r.Bottom - h;
  }
  return MarkupCall(c, Text(), r, false, true, x, y, true, hoverBody_, anchor, w, h) ? anchor : "";
}

namespace {
// The addresses an anchor may hand to the desktop's opener.
bool IsOpenableAddress(const std::string& a) {
  std::string l = a;
  for (char& ch : l) ch = char(std::tolower(uint8_t(ch)));
  return l.rfind("http://", 0) == 0 || l.rfind("https://", 0) == 0 || l.rfind("mailto:", 0) == 0;
}
}  // namespace

void TCustomUxPanel::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  std::shared_ptr<bool> alive = alive_;
  TCustomPanel::MouseDown(Button, Shift, X, Y);
  if (!*alive) return;
  const TPoint p{X, Y};
  if (caption_->Visible()) {
    const TRect R = ClientRect();
    const int32_t w = ButtonSize();
    const bool atLeft = caption_->ButtonPosition() == cbpLeft;
    TRect area = atLeft ? TRect{R.Left + 2, R.Top + 2, R.Left + 2 + w, R.Top + 2 + w}
                        : TRect{R.Right - w - 2, R.Top + 2, R.Right - 2, R.Top + 2 + w};
    if (caption_->CloseButton() && Inside(area, p)) {
      Hide();
      if (OnClose) OnClose(this);
      if (!*alive) return;
      NotifyGroup();
      if (freeOnClose_) PostMessage(Handle(), CM_RELEASE, 0, 0);
      return;
    }
    if (caption_->CloseButton()) area = atLeft ? Shifted(area, w, 0) : Shifted(area, -w, 0);
    if (caption_->MinMaxButton() && Inside(area, p)) {
      SetCollaps(!collaps_);
      if (!*alive) return;
    } else {
      const int32_t l = R.Left + (caption_->CloseButton() && atLeft ? w : 0);
      if (Inside(TRect{l, R.Top, R.Right - 2, R.Top + caption_->Height()}, p) && OnCaptionClick) {
        OnCaptionClick(this);
        if (!*alive) return;
      }
    }
  }
  // Anchors answer any button. Web and mail addresses go to the desktop's
  // opener; every other reference goes to OnAnchorClick. Addresses of other
  // schemes (file://, a handler's own scheme) are among those: the panel's
  // text may come from outside, and the opener would start whatever program
  // claims them, so the program decides.
  const std::string anchor = IsAnchor(X, Y);
  if (anchor.empty()) return;
  if (IsOpenableAddress(anchor)) {
    ShellExecute(Handle(), "open", anchor.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  } else if (OnAnchorClick) {
    OnAnchorClick(this, anchor);
  }
}

void TCustomUxPanel::DblClick() {
  TCustomPanel::DblClick();
  if (!caption_->Visible()) return;
  const LPARAM pos = LPARAM(GetMessagePos());
  const TPoint p = ScreenToClient(TPoint{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)});
  const TRect R = ClientRect();
  if (Inside(TRect{R.Left, R.Top, R.Right - 2, R.Top + caption_->Height()}, p) && OnCaptionDBlClick)
    OnCaptionDBlClick(this);
}

void TCustomUxPanel::CMHintShow(TMessage& Message) {
  auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
  if (!info || !anchorHint_) return;
  std::string anchor = IsAnchor(info->CursorPos.X, info->CursorPos.Y);
  if (anchor.empty()) return;
  if (OnAnchorHint) OnAnchorHint(this, anchor);
  info->HintStr = anchor;
  const TPoint s = ClientToScreen(info->CursorPos);
  info->HintPos = TPoint{s.X + 10, s.Y - 10};
  Message.Result = 0;
}

// ---- Moving and sizing

// The moving flag stands while the pointer is on the caption serving as a
// move handle and during the move itself; any other answer clears it, so
// that the size-all cursor never spreads over the rest of the panel.
LRESULT TCustomUxPanel::HitTestAt(TPoint p, LRESULT Default) {
  if (ComponentState().Contains(csDesigning)) return Default;
  if (Default != HTCLIENT) {
    moving_ = false;
    return Default;
  }
  const int32_t w = ButtonSize();
  if (caption_->Visible() && p.Y < caption_->Height()) {
    const int32_t n = (caption_->CloseButton() ? 1 : 0) + (caption_->MinMaxButton() ? 1 : 0);
    const bool atLeft = caption_->ButtonPosition() == cbpLeft;
    const int32_t l = atLeft ? n * w : 0, r = Width() - (atLeft ? 0 : n * w);
    if (p.X > l && p.X < r && canMove_ && IsAnchor(p.X, p.Y).empty()) {
      // The window system takes the point for a caption and sends the panel
      // no pointer move there: the panel handles the move itself first.
      WPARAM keys = 0;
      if (GetKeyState(VK_LBUTTON) < 0) keys |= MK_LBUTTON;
      if (GetKeyState(VK_RBUTTON) < 0) keys |= MK_RBUTTON;
      if (GetKeyState(VK_MBUTTON) < 0) keys |= MK_MBUTTON;
      if (GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
      if (GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
      std::shared_ptr<bool> alive = alive_;
      Perform(WM_MOUSEMOVE, keys, MAKELPARAM(p.X, p.Y));
      if (!*alive) return HTNOWHERE;
      BringToFront();
      moving_ = true;
      return HTCAPTION;
    }
  }
  moving_ = false;
  if (canSize_ && !collaps_ && p.X >= Width() - GetSystemMetrics(SM_CXVSCROLL) &&
      p.Y >= Height() - GetSystemMetrics(SM_CYHSCROLL)) {
    BringToFront();
    return HTBOTTOMRIGHT;
  }
  return Default;
}

void TCustomUxPanel::WndProc(TMessage& Message) {
  TCustomPanel::WndProc(Message);
  if (Message.Msg == WM_DESTROY && position_->Save()) {
    // Storing the position is a courtesy: a failure to write it must not
    // stop the window from going.
    try {
      position_->SavePosition();
    } catch (...) {
    }
  }
}

void TCustomUxPanel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
      Message.Result = 1;
      return;
    case CM_RELEASE:
      Free();
      return;
    case WM_NCHITTEST:
      TCustomPanel::Dispatch(Message);
      Message.Result = HitTestAt(ScreenToClient(TPoint{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)}),
                                 Message.Result);
      return;
    case WM_NCLBUTTONDOWN:
      // The grip sizes the panel although its window has no sizing frame.
      if (Message.WParam == WPARAM(HTBOTTOMRIGHT) && canSize_ && !collaps_) {
        SendMessage(Handle(), WM_SYSCOMMAND, SC_SIZE | (HTBOTTOMRIGHT - HTLEFT + 1), Message.LParam);
        Message.Result = 0;
        return;
      }
      break;
    case WM_ENTERSIZEMOVE:
      origin_ = TPoint{Left(), Top()};
      recordedWidth_ = Width();
      recordedHeight_ = Height();
      TCustomPanel::Dispatch(Message);
      return;
    case WM_SIZING: {
      auto* r = reinterpret_cast<TRect*>(Message.LParam);
      if (fixedWidth_) r->Right = r->Left + recordedWidth_;
      if (fixedHeight_) r->Bottom = r->Top + recordedHeight_;
      fullHeight_ = r->Height();
      Message.Result = 1;
      return;
    }
    case WM_MOVING: {
      auto* r = reinterpret_cast<TRect*>(Message.LParam);
      if (fixedLeft_) *r = Shifted(*r, origin_.X - r->Left, 0);
      if (fixedTop_) *r = Shifted(*r, 0, origin_.Y - r->Top);
      Message.Result = 1;
      return;
    }
    case WM_EXITSIZEMOVE: {
      moving_ = false;
      std::shared_ptr<bool> alive = alive_;
      if (OnEndMoveSize) OnEndMoveSize(this);
      if (*alive) NotifyGroup();
      return;
    }
    case WM_SETCURSOR:
      if (moving_ && showMoveCursor_) {
        ::SetCursor(LoadCursor(nullptr, IDC_SIZEALL));
        Message.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TCustomPanel::Dispatch(Message);
}
