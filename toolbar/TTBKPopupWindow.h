#pragma once
// The themed popup windows: the theme draws their border and background,
// reports their view kind and decides their drop shadow.

#include <memory>

#include "toolbar/TDKPopupWindow.h"

class TShadows;

class TTBKPopupView : public TDKPopupView {
  RTL_CLASS(TTBKPopupView, TDKPopupView)
 public:
  using TDKPopupView::TDKPopupView;
};

class TTBKPopupWindow : public TDKPopupWindow {
  RTL_CLASS(TTBKPopupWindow, TDKPopupWindow)
 public:
  TTBKPopupWindow(TComponent* AOwner, TDKView* ParentView, TDKCustomItem* Item, bool Customizing);
  ~TTBKPopupWindow() override;
  static TDKPopupWindow* Make(TComponent* Owner, TDKView* ParentView, TDKCustomItem* Item, bool Customizing);

  virtual void CreateShadow();
  virtual void DestroyShadow();
  virtual bool ShadowAllowed();
  TShadows* Shadows() const { return shadows_.get(); }
  // The view kind the window reports (a popup menu, a chevron popup or a
  // tool box).
  uint32_t ViewKind();

  TSize GetNCSize() override;
  void WndProc(TMessage& Message) override;

 protected:
  TDKView* MakeView(TDKView* ParentView, TDKCustomItem* Item, bool Customizing) override;
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;

 private:
  std::unique_ptr<TShadows> shadows_;
};

class TTBKChevronPopupWindow : public TTBKPopupWindow {
  RTL_CLASS(TTBKChevronPopupWindow, TTBKPopupWindow)
 public:
  using TTBKPopupWindow::TTBKPopupWindow;
  static TDKPopupWindow* Make(TComponent* Owner, TDKView* ParentView, TDKCustomItem* Item, bool Customizing);
};

// Draws a popup window's border through the theme on DC (the window's
// non-client area at the origin).
void PaintPopupBorder(HWND Wnd, HDC DC, TDKView* View);
