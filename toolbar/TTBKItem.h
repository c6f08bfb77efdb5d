#pragma once
// The themed items of the program's toolbars: commands of the item tree
// measured and painted through the current theme, the separators between
// them and the toolbar's chevron.

#include <functional>
#include <memory>
#include <string>

#include "toolbar/TDKCustomItem.h"
#include "toolbar/TDKCustomToolbar.h"
#include "toolbar/TFontSettings.h"

class TFont;
class TCanvas;

// Where an item's picture sits against its caption; auto: above it when
// the item has dkoImageAboveCaption or the view is vertical, else left.
enum TTBKItemLayout { tbklAuto, tbklGlyphLeft, tbklGlyphTop };

using TTBKAdjustFontEvent =
    std::function<void(TDKCustomItem* Item, TDKItemViewer* Viewer, TFont* Font, int32_t StateFlags)>;
using TTBKDrawImageEvent = std::function<void(TDKCustomItem* Item, TDKItemViewer* Viewer, TCanvas* Canvas,
                                              TRect ImageRect, TPoint ImageOffset, int32_t StateFlags)>;

class TTBKCustomItem : public TDKCustomItem {
  RTL_CLASS(TTBKCustomItem, TDKCustomItem)
 public:
  explicit TTBKCustomItem(TComponent* AOwner);
  ~TTBKCustomItem() override;

  TFontSettings* FontSettings() const { return fontSettings_.get(); }
  void SetFontSettings(TFontSettings* v) { fontSettings_->Assign(v); }
  TTBKItemLayout Layout() const { return layout_; }
  void SetLayout(TTBKItemLayout v);
  int32_t MinHeight() const { return minHeight_; }
  void SetMinHeight(int32_t v);
  int32_t MinWidth() const { return minWidth_; }
  void SetMinWidth(int32_t v);
  bool Stretch() const { return HasStyle(dksfStretch); }
  void SetStretch(bool v);
  bool ToolBoxPopup() const { return toolBoxPopup_; }
  void SetToolBoxPopup(bool v) { toolBoxPopup_ = v; }
  bool SelectFirstOnPopup() const { return selectFirstOnPopup_; }
  void SetSelectFirstOnPopup(bool v) { selectFirstOnPopup_ = v; }
  TTBKAdjustFontEvent OnAdjustFont;
  TTBKDrawImageEvent OnDrawImage;

  TDKPopupWindow* OpenPopupWindow(TDKView* ParentView, TDKItemViewer* ParentViewer, TPopupAlignment Alignment,
                                  TPoint PopupPoint, bool Customizing, bool SelectFirst,
                                  bool PositionAsSubmenu) override;
  TDKItemViewerClass ViewerClassFor(TDKView* View) override;
  void PlacePopup(TDKView* ParentView, TDKPopupWindow* Window, TDKPopupPlacement& Placement) override;
  TDKPopupWindowClass PopupWindowClass() override;

 private:
  std::unique_ptr<TFontSettings> fontSettings_;
  TTBKItemLayout layout_ = tbklAuto;
  int32_t minHeight_ = 0, minWidth_ = 0;
  bool toolBoxPopup_ = false;
  bool selectFirstOnPopup_ = false;
};

class TTBKItem : public TTBKCustomItem {
  RTL_CLASS(TTBKItem, TTBKCustomItem)
 public:
  explicit TTBKItem(TComponent* AOwner) : TTBKCustomItem(AOwner) {}
};

// A space between items; a blank separator draws no line.
class TTBKSeparatorItem : public TDKSeparatorItem {
  RTL_CLASS(TTBKSeparatorItem, TDKSeparatorItem)
 public:
  explicit TTBKSeparatorItem(TComponent* AOwner) : TDKSeparatorItem(AOwner) {}
  // -1: the theme's size; values below -1 are stored as -1.
  int32_t Size() const { return size_; }
  void SetSize(int32_t v);
  TDKItemViewerClass ViewerClassFor(TDKView* View) override;

 private:
  int32_t size_ = -1;
};

// The chevron of a themed toolbar.
class TTBKChevronItem : public TDKChevronItem {
  RTL_CLASS(TTBKChevronItem, TDKChevronItem)
 public:
  TTBKChevronItem(TComponent* AOwner, TDKCustomToolbar* Toolbar) : TDKChevronItem(AOwner, Toolbar) {}
  TDKItemViewerClass ViewerClassFor(TDKView* View) override;
  void PlacePopup(TDKView* ParentView, TDKPopupWindow* Window, TDKPopupPlacement& Placement) override;
  TDKPopupWindowClass PopupWindowClass() override;
};
