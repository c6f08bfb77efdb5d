#pragma once
// Popup menus: a borderless top-level window owning a popup view of an
// item's children, and the placement of such a window beside its item.

#include <cstdint>

#include "platform/Geometry.h"
#include "toolbar/TDKItemTypes.h"
#include "toolbar/TDKView.h"
#include "ui/TControl.h"

// The popup-showing notice to a popup window: 1 asks whether an animation
// may start (non-zero: no), 2 tells that it finished, 3 that the window was
// shown without one.
constexpr UINT WM_DK_POPUPSHOWING = 0x62A;

class TDKPopupView : public TDKView {
  RTL_CLASS(TDKPopupView, TDKView)
 public:
  using TDKView::TDKView;
  void ApplyContentSize(int32_t Width, int32_t Height) override;
  TFont* ItemFont() override;
};

class TDKPopupWindow : public TCustomControl {
  RTL_CLASS(TDKPopupWindow, TCustomControl)
 public:
  TDKPopupWindow(TComponent* AOwner, TDKView* ParentView, TDKCustomItem* Item, bool Customizing);
  ~TDKPopupWindow() override;
  static TDKPopupWindow* Make(TComponent* Owner, TDKView* ParentView, TDKCustomItem* Item, bool Customizing);

  TDKView* View() const { return view_; }
  uint8_t AnimationDirection() const { return animationDirection_; }
  void SetAnimationDirection(uint8_t v) { animationDirection_ = v; }
  virtual TSize GetNCSize() { return TSize{3, 3}; }
  virtual void PaintScrollArrows();
  void WndProc(TMessage& Message) override;
  bool InWindowProcedure() const { return inWndProc_ > 0; }

 protected:
  virtual TDKView* MakeView(TDKView* ParentView, TDKCustomItem* Item, bool Customizing);
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Paint() override;
  void CMShowingChanged(TMessage& Message) override;
  void PaintBorder(HDC DC);

  uint8_t animationDirection_ = 0;
  TDKView* view_ = nullptr;
  int32_t inWndProc_ = 0;
};

// Frees a popup window, or, while the window is still inside its own window
// procedure (a click handler closed the menu), hides it and frees it once the
// procedure has returned.
void FreePopupWindow(TDKPopupWindow* Window);
// Frees the windows whose freeing was put off.
void FlushDeferredPopupFrees();

// Where a popup goes (given to TDKCustomItem::PlacePopup).
struct TDKPopupPlacement {
  bool AsSubmenu = false;
  TPopupAlignment Alignment = paLeft;
  bool Opposite = false;
  TRect MonitorRect{0, 0, 0, 0};
  TRect ParentItemRect{0, 0, 0, 0};
  int32_t NCSizeX = 0, NCSizeY = 0;
  int32_t X = 0, Y = 0, W = 0, H = 0;
  uint8_t AnimationDir = 0;  // 1 left, 2 right, 4 down, 8 up
  bool PlaySound = true;
};
enum : uint8_t { padLeft = 1, padRight = 2, padDown = 4, padUp = 8 };

// The default placement: keeps the popup on the monitor, off its parent
// item and over as few of the parent view's viewers as it can; sets the
// popup view's vstOpposite when a submenu opens to the left. PopupView may
// be null.
void DKPlacePopup(TDKView* ParentView, TDKView* PopupView, TDKPopupPlacement& P);
// Shown viewers of ParentView that lie wholly inside the screen rectangle.
int32_t CountCoveredViewers(TDKView* ParentView, const TRect& R);
