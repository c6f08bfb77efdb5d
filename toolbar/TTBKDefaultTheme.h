#pragma once
// The built-in "Default" theme: the classic three-dimensional look made of
// system colours, edges and small monochrome patterns.

#include "platform/DC.h"
#include "toolbar/TTBKTheme.h"

class TTBKDefaultTheme : public TTBKTheme {
 public:
  explicit TTBKDefaultTheme(const std::string& AName);
  ~TTBKDefaultTheme() override;
  static TTBKTheme* Make(const std::string& Name) { return new TTBKDefaultTheme(Name); }

  void Dispatch(TMessage& Message) override;

  TPoint GetImageShift(TCanvas* Canvas, const TTBKItemPaintInfo& ItemInfo, TCustomImageList* ImageList) override;
  TColor GetItemBackColor(const TTBKItemPaintInfo& ItemInfo) override;
  TColor GetItemForeColor(const TTBKItemPaintInfo& ItemInfo) override;
  TColor GetItemGlyphBackColor(const TTBKItemPaintInfo& ItemInfo) override;
  void GetPartMargins(int32_t PartID, TTBKPartMargins& Margins) override;
  int32_t GetShadowKind() override { return 1; }
  TSize GetViewBorderSize(uint32_t ViewKind) override;
  TColor GetViewBackColor(uint32_t ViewKind) override;
  void GetViewPadding(uint32_t ViewKind, TTBKPartMargins& Margins) override;
  void DrawBackground(TCanvas* Canvas, const TRect& DockRect, const TRect& R, const TRect& ClipRect, TColor Color,
                      bool Transparent, uint32_t ViewKind) override;
  void DrawButtonFace(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) override;
  void DrawItemText(TCanvas* Canvas, TRect R, const TTBKItemPaintInfo& ItemInfo, const std::string& Text,
                    UINT Format, bool Rotated) override;
  void DrawCheckGlyph(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) override;
  void DrawChevronButton(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) override;
  void DrawEditBox(TCanvas* Canvas, const TRect& R, const TTBKEditPaintInfo& EditInfo,
                   const TTBKItemPaintInfo& ItemInfo) override;
  void DrawEditButtons(TCanvas* Canvas, const TRect& R, const TTBKEditButtonInfo& ButtonInfo,
                       const TTBKItemPaintInfo& ItemInfo) override;
  void DrawDockBackground(TCanvas* Canvas, const TRect& R, const TRect& ClipRect, int32_t DockPosition) override;
  void DrawDockPanelBorder(TCanvas* Canvas, const TRect& R, const TTBKDockPanelPaintInfo& PanelInfo) override;
  void DrawDropDownArrow(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) override;
  void DrawFloatingWindowBorder(TCanvas* Canvas, const TRect& R, const TTBKFloatingPaintInfo& FloatingInfo) override;
  void DrawItemFrame(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) override;
  void DrawGlyph(TCanvas* Canvas, const TRect& R, TCustomImageList* ImageList, int32_t ImageIndex,
                 const TTBKItemPaintInfo& ItemInfo) override;
  void DrawMDICaptionButton(TCanvas* Canvas, const TRect& R, int32_t ButtonKind,
                            const TTBKItemPaintInfo& ItemInfo) override;
  void DrawMenuItem(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) override;
  void DrawMenuItemHighlight(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) override;
  void DrawScrollArrowButton(TCanvas* Canvas, const TRect& R, bool Hot, int32_t Direction) override;
  void DrawPopupBorder(TCanvas* Canvas, const TRect& R, const TTBKPopupPaintInfo& PopupInfo) override;
  void DrawSeparatorLine(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo, bool Horizontal,
                         bool VerticalView) override;
  void DrawToolbarBorder(TCanvas* Canvas, const TRect& R, const TTBKToolbarPaintInfo& ToolbarInfo) override;
  void DrawControlGlyph(TCanvas* Canvas, const TRect& R, int32_t GlyphKind, int32_t StateFlags) override;
  void DrawStatusBarPart(TCanvas* Canvas, const TRect& R, int32_t Part) override;
  int32_t GetIntMetric(int32_t Index) override;
  bool GetBoolMetric(int32_t Index) override;

  virtual void RefreshColors();

  TColor ToolbarColor() const { return toolbarColor_; }
  TColor ToolbarTextColor() const { return toolbarTextColor_; }
  TColor DockPanelColor() const { return dockPanelColor_; }
  TColor StatusBarColor() const { return statusBarColor_; }

 private:
  void DrawEmbossedPattern(HDC DC, const TRect& R, int32_t W, const uint16_t* Pattern, int32_t H, bool Enabled,
                           TColor Color);
  TColor toolbarColor_ = clBtnFace;
  TColor toolbarTextColor_ = clBtnText;
  TColor dockPanelColor_ = clBtnFace;
  TColor statusBarColor_ = clBtnFace;
};

// The width of a docked window's drag-handle strip.
int32_t DockDragHandleSize(TDKDragHandleStyle Style, bool CloseButton);

// The small-caption font of floating windows (the system's, else the default).
HFONT CaptionFont();
