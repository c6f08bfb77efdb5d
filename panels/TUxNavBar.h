// The navigation bar: several pages stacked in one place. A caption band
// shows the active page's caption, the active page fills the area below
// it, and under a splitter the pages appear as large tabs, one per row; the
// pages that do not fit as large tabs appear as small icons in a row at the
// bottom edge. Dragging the splitter turns large tabs into icons and back.
// Style presets set all the bar's colours at once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "panels/TUxNavBarPanel.h"
#include "rtl/TypInfo.h"
#include "ui/TControl.h"
#include "ui/TImageList.h"

RTL_ENUM(TUxNavBarStyle, esOffice2003Blue, esOffice2003Silver, esOffice2003Olive, esOffice2003Classic,
         esWhidbey, esCustom);
RTL_ENUM(TBottomIconAlign, biLeft, biRight);
RTL_ENUM(TDefaultTabPosition, tpTop, tpBottom);

using TOnPanelActivate =
    std::function<void(TObject* Sender, int32_t OldActivePanel, int32_t NewActivePanel, bool& Allow)>;
using TSplitterMove = std::function<void(TObject* Sender, int32_t OldSplitterPosition, int32_t NewSplitterPosition)>;

// Fills Rect with Steps bands from FromColor to ToColor (Steps 0 counts as
// 1); Horizontal: the colour changes from left to right. Neighbouring bands
// overlap by one pixel.
void DrawGradient(TCanvas* Canvas, TColor FromColor, TColor ToColor, int32_t Steps, const TRect& Rect,
                  bool Horizontal);

// The desktop's visual-style colour scheme: 1 blue ("NormalColor"), 2 olive
// ("HomeStead"), 3 silver ("Metallic"), 0 none or any other.
int32_t CurrentXPColorScheme();

// A position between a minimum and a maximum, for the icons that do not fit.
class TExchangeScroller {
 public:
  int32_t Min() const { return min_; }
  void SetMin(int32_t v) { if (v <= max_) min_ = v; }
  int32_t Max() const { return max_; }
  void SetMax(int32_t v) { if (v >= min_) max_ = v; }
  int32_t Position() const { return position_; }
  void SetPosition(int32_t v) { position_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  bool CanGoBack() const { return min_ < position_; }
  bool CanGoForward() const { return position_ < max_; }

 private:
  int32_t min_ = 0, max_ = 0, position_ = 0;
  bool visible_ = false;
};

class TUxNavBar : public TCustomControl {
  RTL_CLASS(TUxNavBar, TCustomControl)
  friend class TUxNavBarPanel;

 public:
  explicit TUxNavBar(TComponent* AOwner);
  ~TUxNavBar() override;
  void BeforeDestruction() override;

  // ---- Colours
  TColor ActiveColor() const { return activeColor_; }
  void SetActiveColor(TColor v);
  TColor ActiveColorTo() const { return activeColorTo_; }
  void SetActiveColorTo(TColor v);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v);
  TColor CaptionColor() const { return captionColor_; }
  void SetCaptionColor(TColor v);
  TColor CaptionColorTo() const { return captionColorTo_; }
  void SetCaptionColorTo(TColor v);
  TColor DefaultTabColor() const { return defaultTabColor_; }
  void SetDefaultTabColor(TColor v);
  TColor DefaultTabColorTo() const { return defaultTabColorTo_; }
  void SetDefaultTabColorTo(TColor v);
  TColor DefaultTextColor() const { return defaultTextColor_; }
  void SetDefaultTextColor(TColor v);
  TColor DownTabColor() const { return downTabColor_; }
  void SetDownTabColor(TColor v) { downTabColor_ = v; }
  TColor DownTabColorTo() const { return downTabColorTo_; }
  void SetDownTabColorTo(TColor v) { downTabColorTo_ = v; }
  TColor DownTextColor() const { return downTextColor_; }
  void SetDownTextColor(TColor v) { downTextColor_ = v; }
  TColor HoverTabColor() const { return hoverTabColor_; }
  void SetHoverTabColor(TColor v) { hoverTabColor_ = v; }
  TColor HoverTabColorTo() const { return hoverTabColorTo_; }
  void SetHoverTabColorTo(TColor v) { hoverTabColorTo_ = v; }
  TColor HoverTextColor() const { return hoverTextColor_; }
  void SetHoverTextColor(TColor v) { hoverTextColor_ = v; }
  TColor SectionColor() const { return sectionColor_; }
  void SetSectionColor(TColor v) { sectionColor_ = v; }
  TColor SectionColorTo() const { return sectionColorTo_; }
  void SetSectionColorTo(TColor v) { sectionColorTo_ = v; }
  TColor SplitterColor() const { return splitterColor_; }
  void SetSplitterColor(TColor v);
  TColor SplitterColorTo() const { return splitterColorTo_; }
  void SetSplitterColorTo(TColor v);

  // ---- Other settings
  TFont* CaptionFont() const { return captionFont_.get(); }
  void SetCaptionFont(TFont* v);
  bool AutoThemeAdapt() const { return autoThemeAdapt_; }
  void SetAutoThemeAdapt(bool v) { autoThemeAdapt_ = v; }
  TBottomIconAlign BottomIconAlign() const { return bottomIconAlign_; }
  void SetBottomIconAlign(TBottomIconAlign v);
  TGradientDirection DefaultGradientDirection() const { return defaultGradientDirection_; }
  void SetDefaultGradientDirection(TGradientDirection v);
  TDefaultTabPosition DefaultTabPosition() const { return defaultTabPosition_; }
  void SetDefaultTabPosition(TDefaultTabPosition v);
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* v);
  TCustomImageList* SmallImages() const { return smallImages_; }
  void SetSmallImages(TCustomImageList* v);
  int32_t MinClientHeight() const { return minClientHeight_; }
  void SetMinClientHeight(int32_t v);
  bool PopupIndicator() const { return popupIndicator_; }
  void SetPopupIndicator(bool v);
  int32_t SplitterPosition() const { return splitterPosition_; }
  void SetSplitterPosition(int32_t v);
  TUxNavBarStyle Style() const { return style_; }
  void SetStyle(TUxNavBarStyle v);
  std::string Version() const;
  // Stored forms carry the version; reading one back changes nothing.
  void SetVersion(const std::string&) {}
  virtual uint32_t GetVersionNumber() const;

  // ---- Pages
  int32_t PanelCount() const { return int32_t(panels_.size()); }
  TUxNavBarPanel* Panels(int32_t Index) const { return panels_.at(size_t(Index)); }
  int32_t ActiveTabIndex() const { return activeIndex_; }
  void SetActiveTabIndex(int32_t v);
  TUxNavBarPanel* ActivePanel() const { return activePanel_; }
  // Raises "Invalid UxNavBarPanel" for a page that is not in the list; null
  // clears the active page.
  void SetActivePanel(TUxNavBarPanel* Panel);
  // A new page owned by the bar; it does not join the page list.
  virtual TUxNavBarPanel* CreatePanel();
  void AddPanel(TUxNavBarPanel* Panel);
  void RemovePanel(TUxNavBarPanel* Panel);
  // Moves Delta tabs into the icon row (negative: out of it); answers how
  // many moved.
  int32_t MoveSplitter(int32_t Delta);
  // Applies the preset that follows the desktop's visual style.
  void ThemeAdapt();

  // ---- Geometry (client coordinates of the bar)
  TRect ClientRect() override;  // the page area
  TRect CaptionRect();
  TRect SplitterRect();
  int32_t SplitterLine();
  TRect TabRect(int32_t Index);  // a large tab
  TRect IconRowRect();
  // Icons: the first and last visible page index and a page's icon.
  int32_t FirstVisibleIcon();
  int32_t LastVisibleIcon();
  TRect IconRect(int32_t Index);
  int32_t IconCapacity(int32_t Margin);
  const TExchangeScroller& Scroller() const { return scroller_; }
  int32_t IconMargin() const { return iconMargin_; }
  TRect BackButtonRect();
  TRect ForwardButtonRect();
  TRect PopupButtonRect();
  // Index of the tab or icon at a point, -1 none.
  int32_t TabAt(int32_t X, int32_t Y);

  TNotifyEvent OnChange;
  TOnPanelActivate OnPanelActivate;
  TSplitterMove OnSplitterMove;
  TNotifyEvent OnPopupMenuClick;

  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateWnd() override;
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  bool Loading() const { return ComponentState().Contains(csLoading); }
  void Arrange();
  void UpdateScroller();
  void Activate(int32_t NewIndex, int32_t ReportedOld, bool HideOld);
  int32_t MoveSplitterStep(int32_t Direction);
  void SplitterMoved(int32_t Old);
  void DrawCaptionText(TCanvas* C);
  void DrawTab(TCanvas* C, int32_t Index);
  void DrawIcon(TCanvas* C, int32_t Index);
  void DrawIconRow(TCanvas* C);
  void DrawScrollButtons(TCanvas* C);
  void DrawPopupButton(TCanvas* C);
  void RepaintTab(int32_t Index);
  void Hover(int32_t Index, int32_t Y);
  void Unhover();
  void RestoreOwnHint();
  void StopTracking();
  void MouseLeft();
  void ButtonsFollow(int32_t X, int32_t Y);
  void ScrollBack();
  void ScrollForward();

  std::vector<TUxNavBarPanel*> panels_;
  std::vector<TUxNavBarPanel*> waiting_;
  TUxNavBarPanel* activePanel_ = nullptr;
  int32_t activeIndex_ = -1;
  int32_t hoverIndex_ = -1;
  int32_t downIndex_ = -1;
  static constexpr int32_t kTabHeight = 32;
  int32_t splitterPosition_ = 0;  // the large-tab count
  int32_t loadedSplitterPosition_ = 0;
  int32_t rememberedSplitterPosition_ = -1;
  int32_t iconMargin_ = 1;
  TExchangeScroller scroller_;
  bool backHover_ = false, backDown_ = false;
  bool forwardHover_ = false, forwardDown_ = false;
  bool popupHover_ = false, popupDown_ = false;
  bool tracking_ = false, dragging_ = false;
  TCursor savedCursor_ = crDefault;
  std::string ownHint_;
  bool loaded_ = false;
  bool silenceSplitterMove_ = false;

  TColor activeColor_ = TColor(0xC0C0C0), activeColorTo_ = TColor(0xC0C0C0);
  TColor borderColor_ = TColor(0x808080);
  TColor captionColor_ = TColor(0x808080), captionColorTo_ = clNone;
  TColor defaultTabColor_ = clWhite, defaultTabColorTo_ = clBtnFace;
  TColor defaultTextColor_ = clBlack;
  TColor downTabColor_ = TColor(0xA78F87), downTabColorTo_ = TColor(0xA78F87), downTextColor_ = clBlack;
  TColor hoverTabColor_ = TColor(0xBBA9A2), hoverTabColorTo_ = TColor(0xBBA9A2), hoverTextColor_ = clBlack;
  TColor sectionColor_ = 0, sectionColorTo_ = 0;
  TColor splitterColor_ = TColor(0xC0C0C0), splitterColorTo_ = TColor(0x808080);
  std::unique_ptr<TFont> captionFont_;
  bool autoThemeAdapt_ = false;
  TBottomIconAlign bottomIconAlign_ = biRight;
  TGradientDirection defaultGradientDirection_ = gdVertical;
  TDefaultTabPosition defaultTabPosition_ = tpBottom;
  TCustomImageList* images_ = nullptr;
  TCustomImageList* smallImages_ = nullptr;
  int32_t minClientHeight_ = 60;
  bool popupIndicator_ = true;
  TUxNavBarStyle style_ = esOffice2003Blue;
};
