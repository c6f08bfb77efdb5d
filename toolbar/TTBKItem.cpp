#include "toolbar/TTBKItem.h"

#include "toolbar/TDKPopupWindow.h"
#include "toolbar/TTBKItemViewer.h"
#include "toolbar/TTBKPopupWindow.h"
#include "toolbar/TTBKTheme.h"

RTL_DEFINE_CLASS(TTBKCustomItem, TDKCustomItem)
RTL_DEFINE_CLASS(TTBKItem, TTBKCustomItem, Published("Caption", &TTBKItem::Caption, &TTBKItem::SetCaption),
                 Published("Hint", &TTBKItem::Hint, &TTBKItem::SetHint))
RTL_DEFINE_CLASS(TTBKSeparatorItem, TDKSeparatorItem)
RTL_DEFINE_CLASS(TTBKChevronItem, TDKChevronItem)

namespace {

// Themes other than the default one may place popups their own way; the
// default theme answers false and the library's placement holds.
void ThemedPlacePopup(TDKView* ParentView, TDKPopupWindow* Window,
                      TDKPopupPlacement& Placement) {
  DKPlacePopup(ParentView, Window ? Window->View() : nullptr, Placement);
}

}  // namespace

TTBKCustomItem::TTBKCustomItem(TComponent* AOwner)
    : TDKCustomItem(AOwner), fontSettings_(std::make_unique<TFontSettings>()) {
  fontSettings_->OnChange = [this] { NotifyChange(true); };
}

TTBKCustomItem::~TTBKCustomItem() = default;

void TTBKCustomItem::SetLayout(TTBKItemLayout v) {
  if (layout_ == v) return;
  layout_ = v;
  NotifyChange(true);
}

void TTBKCustomItem::SetMinHeight(int32_t v) {
  if (minHeight_ == v) return;
  minHeight_ = v;
  NotifyChange(true);
}

void TTBKCustomItem::SetMinWidth(int32_t v) {
  if (minWidth_ == v) return;
  minWidth_ = v;
  NotifyChange(true);
}

void TTBKCustomItem::SetStretch(bool v) {
  if (Stretch() == v) return;
  SetStyleFlags(v ? TDKItemStyleFlags(StyleFlags() | dksfStretch) : TDKItemStyleFlags(StyleFlags() & ~dksfStretch));
  NotifyChange(true);
}

TDKPopupWindow* TTBKCustomItem::OpenPopupWindow(TDKView* ParentView, TDKItemViewer* ParentViewer,
                                                TPopupAlignment Alignment, TPoint PopupPoint, bool Customizing,
                                                bool SelectFirst, bool PositionAsSubmenu) {
  return TDKCustomItem::OpenPopupWindow(ParentView, ParentViewer, Alignment, PopupPoint, Customizing,
                                        selectFirstOnPopup_ ? true : SelectFirst, PositionAsSubmenu);
}

TDKItemViewerClass TTBKCustomItem::ViewerClassFor(TDKView*) {
  return [](TDKView* v, TDKCustomItem* i, int32_t l) -> TDKItemViewer* { return new TTBKItemViewer(v, i, l); };
}

void TTBKCustomItem::PlacePopup(TDKView* ParentView, TDKPopupWindow* Window, TDKPopupPlacement& Placement) {
  ThemedPlacePopup(ParentView, Window, Placement);
}

TDKPopupWindowClass TTBKCustomItem::PopupWindowClass() { return &TTBKPopupWindow::Make; }

void TTBKSeparatorItem::SetSize(int32_t v) {
  if (v < -1) v = -1;
  if (size_ == v) return;
  size_ = v;
  NotifyChange(true);
}

TDKItemViewerClass TTBKSeparatorItem::ViewerClassFor(TDKView*) {
  return [](TDKView* v, TDKCustomItem* i, int32_t l) -> TDKItemViewer* {
    return new TTBKSeparatorItemViewer(v, i, l);
  };
}

TDKItemViewerClass TTBKChevronItem::ViewerClassFor(TDKView*) {
  return
      [](TDKView* v, TDKCustomItem* i, int32_t l) -> TDKItemViewer* { return new TTBKChevronItemViewer(v, i, l); };
}

void TTBKChevronItem::PlacePopup(TDKView* ParentView, TDKPopupWindow* Window, TDKPopupPlacement& Placement) {
  ThemedPlacePopup(ParentView, Window, Placement);
}

TDKPopupWindowClass TTBKChevronItem::PopupWindowClass() { return &TTBKChevronPopupWindow::Make; }
