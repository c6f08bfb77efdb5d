// Controls: the visual components. A TControl has bounds inside its parent,
// alignment, anchors, visibility, colour, font, hint, cursor and mouse
// events; a TWinControl owns a platform window, holds child controls, takes
// the keyboard focus and keeps a tab order; a TCustomControl is a windowed
// control that paints itself on a canvas; a TGraphicControl has no window
// and is painted by its parent.
//
// Messages reach a control through WindowProc (by default its WndProc),
// which may be replaced to intercept them; WndProc does the framework's
// preprocessing and calls Dispatch, which routes a message to its handler
// method; unhandled messages end in DefaultHandler (for windowed controls:
// the default window procedure). Perform sends a message straight to
// WindowProc. Framework notices (CM_*) travel the same road.
//
// Writing a control: derive from TCustomControl (a window) or
// TGraphicControl (none); set ControlStyle and the default size in the
// constructor; draw in Paint on Canvas; answer messages by overriding
// Dispatch (handle yours, pass the rest to the parent class) or one of the
// handler methods; say which keys you take through WM_GETDLGCODE or
// CM_WANTSPECIALKEY (dialog keys otherwise go to the form: Tab moves the
// focus, Enter and Escape reach the default and cancel buttons through
// CM_DIALOGKEY); change the window's styles in CreateParams. A popup (the
// list of a combo box) is a control without parent whose CreateParams gives
// WS_POPUP and whose showing is done with SetWindowPos (see THintWindow).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Input.h"
#include "platform/Messages.h"
#include "platform/Window.h"
#include "rtl/TComponent.h"
#include "rtl/TSet.h"
#include "rtl/TypInfo.h"
#include "ui/TCanvas.h"
#include "ui/TColor.h"
#include "ui/TGraphicsObject.h"

class TControl;
class TWinControl;
class TCustomForm;
class TBasicAction;
class TControlActionLink;

// A message as the framework's handlers see it.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};
using TWndMethod = std::function<void(TMessage& Message)>;

// Framework notices between controls.
enum : UINT {
  CM_BASE = 0xB000,
  CM_ACTIVATE = CM_BASE + 0,
  CM_DEACTIVATE,
  CM_GOTFOCUS,
  CM_LOSTFOCUS,
  CM_CANCELMODE,          // LParam: the control that takes the focus
  CM_DIALOGKEY,           // WParam: key; answer non-zero when handled
  CM_DIALOGCHAR,          // WParam: character; answer non-zero when handled
  CM_FOCUSCHANGED,        // LParam: the newly focused control
  CM_PARENTFONTCHANGED,
  CM_PARENTCOLORCHANGED,  // WParam 1: LParam carries the colour to take
  CM_HITTEST,             // LParam: point (client); answer non-zero when hit
  CM_VISIBLECHANGED,      // WParam: the new visibility
  CM_ENABLEDCHANGED,
  CM_COLORCHANGED,
  CM_FONTCHANGED,
  CM_CURSORCHANGED,
  CM_TEXTCHANGED,
  CM_MOUSEENTER,          // LParam: the control the pointer entered
  CM_MOUSELEAVE,          // LParam: the control the pointer left
  CM_BUTTONPRESSED,
  CM_SHOWINGCHANGED,
  CM_ENTER,
  CM_EXIT,
  CM_WANTSPECIALKEY,      // WParam: key; answer non-zero to receive it
  CM_RELEASE,
  CM_SHOWHINTCHANGED,
  CM_PARENTSHOWHINTCHANGED,
  CM_SYSCOLORCHANGE,
  CM_TABSTOPCHANGED,
  CM_CONTROLLISTCHANGE,   // WParam: the control; LParam: 1 inserted, 0 removed
  CM_CHILDKEY,            // WParam: key; LParam: the control; non-zero: handled
  CM_HINTSHOW,            // LParam: THintInfo*; answer non-zero to show no hint
  CM_HINTSHOWPAUSE,       // WParam: 1 when a hint was showing; LParam: int32_t* pause
  CM_RECREATEWND,
  CM_INVALIDATE,
  CM_BORDERCHANGED,
  CM_MOUSEWHEEL,
  CM_ACTIONUPDATE,        // LParam: the action; non-zero when handled
  CM_ACTIONEXECUTE,
  CM_CONTROLCHANGE,
  CM_CHANGED,
  // Sent to the application's window (its hooks answer them):
  CM_APPKEYDOWN,          // a key down no control took; WParam: key; LParam: key data; non-zero: handled
  CM_APPSYSCOMMAND,       // a keyboard-menu command; LParam: TMessage* (WM_SYSCOMMAND); non-zero: handled
};

// Notices a window's control answers for itself (reflected from its parent).
enum : UINT {
  CN_BASE = 0xBC00,
  CN_KEYDOWN = CN_BASE + WM_KEYDOWN,
  CN_KEYUP = CN_BASE + WM_KEYUP,
  CN_CHAR = CN_BASE + WM_CHAR,
  CN_COMMAND = CN_BASE + WM_COMMAND,
};

// WM_GETDLGCODE answers.
enum : LRESULT {
  DLGC_WANTARROWS = 0x0001, DLGC_WANTTAB = 0x0002, DLGC_WANTALLKEYS = 0x0004,
  DLGC_WANTMESSAGE = 0x0004, DLGC_HASSETSEL = 0x0008, DLGC_DEFPUSHBUTTON = 0x0010,
  DLGC_UNDEFPUSHBUTTON = 0x0020, DLGC_RADIOBUTTON = 0x0040, DLGC_WANTCHARS = 0x0080,
  DLGC_STATIC = 0x0100, DLGC_BUTTON = 0x2000,
};

RTL_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom);
RTL_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom);
using TAnchors = TSet<TAnchorKind, 4>;
RTL_SET(TAnchors);
RTL_ENUM(TBorderStyleKind, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin);
// The border of a control (bsNone or bsSingle) or a form (every value).
using TBorderStyle = TBorderStyleKind;
using TFormBorderStyle = TBorderStyleKind;

enum TControlStyleFlag {
  csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption,
  csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable,
  csNoStdEvents, csDisplayDragImage, csReflector, csActionClient, csMenuEvents,
  csNeedsBorderPaint, csParentBackground
};
using TControlStyle = TSet<TControlStyleFlag, 32>;
enum TControlStateFlag {
  csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing,
  csCreating, csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking, csRecreating
};
using TControlState = TSet<TControlStateFlag, 16>;

enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag, 8>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Cursor identifiers: 0 the default, negative the standard set, positive the
// program's own (TScreen::SetCursors).
using TCursor = int16_t;
enum : TCursor {
  crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSize = -22,
  crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10,
  crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15,
  crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20,
  crHandPoint = -21, crSizeAll = -22,
};

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
// A request for the control's context menu at MousePos (client
// coordinates; (-1, -1) when it came from the keyboard). Handled stops it.
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int32_t WheelDelta,
                                            TPoint MousePos, bool& Handled)>;

// What a hint request carries (CM_HINTSHOW, TApplication::OnShowHint): the
// receiver may change the text, the position, the cursor rectangle (the
// hint stays while the pointer stays inside it) and the timings.
struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint HintPos;        // screen
  int32_t HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect;      // client coordinates of HintControl
  TPoint CursorPos;      // client coordinates of HintControl
  int32_t ReshowTimeout = 0;  // > 0: ask again after this many milliseconds
  int32_t HideTimeout = 0;    // 0: the application's HintHidePause
  std::string HintStr;
  void* HintData = nullptr;
};

// Limits to a control's size; 0 is no limit. A change is applied at once.
class TSizeConstraints : public TPersistent {
  RTL_CLASS(TSizeConstraints, TPersistent)
 public:
  explicit TSizeConstraints(TControl* Control = nullptr) : control_(Control) {}
  int32_t MinWidth() const { return minWidth_; }
  int32_t MinHeight() const { return minHeight_; }
  int32_t MaxWidth() const { return maxWidth_; }
  int32_t MaxHeight() const { return maxHeight_; }
  void SetMinWidth(int32_t v);
  void SetMinHeight(int32_t v);
  void SetMaxWidth(int32_t v);
  void SetMaxHeight(int32_t v);
  void Assign(TPersistent* Source) override;
  // Width and height held within the limits.
  void Apply(int32_t& Width, int32_t& Height) const;
  TNotifyEvent OnChange;

 private:
  void Changed();
  TControl* control_;
  int32_t minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
};

// Shift state of key flags (MK_*) or the current key state.
TShiftState KeysToShiftState(WORD Keys);
TShiftState KeyDataToShiftState(LPARAM KeyData);
TShiftState GetShiftState();
// The first part of a hint "short|long", and the second (the whole text
// without a bar).
std::string GetShortHint(const std::string& Hint);
std::string GetLongHint(const std::string& Hint);

// A canvas on a control: a windowed control's client area, or a graphic
// control's rectangle in its parent.
class TControlCanvas : public TCanvas {
  RTL_CLASS(TControlCanvas, TCanvas)
 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;
  TControl* Control() const { return control_; }
  void SetControl(TControl* v);
  void FreeHandle();

 protected:
  void CreateHandle() override;

 private:
  TControl* control_ = nullptr;
  HDC dc_ = nullptr;
  HWND window_ = nullptr;
};

class TControl : public TComponent {
  RTL_CLASS(TControl, TComponent)
  friend class TWinControl;
  friend class TControlActionLink;

 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  void BeforeDestruction() override;

  // ---- Messages
  TWndMethod WindowProc;
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  virtual void WndProc(TMessage& Message);
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);

  // ---- Placement
  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* AParent);
  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void SetLeft(int32_t v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int32_t v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int32_t v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int32_t v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  virtual TRect ClientRect();
  int32_t ClientWidth() { return ClientRect().Width(); }
  int32_t ClientHeight() { return ClientRect().Height(); }
  void SetClientWidth(int32_t v) { SetClientSize(v, ClientHeight()); }
  void SetClientHeight(int32_t v) { SetClientSize(ClientWidth(), v); }
  virtual void SetClientSize(int32_t w, int32_t h);
  // Screen position of the client area's top-left.
  virtual TPoint ClientOrigin();
  TPoint ClientToScreen(TPoint p);
  TPoint ScreenToClient(TPoint p);
  TAlign Align() const { return align_; }
  void SetAlign(TAlign v);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors v);
  TSizeConstraints* Constraints() const { return constraints_; }
  void SetConstraints(TSizeConstraints* v) { constraints_->Assign(v); }
  // With AutoSize the control takes the size CanAutoSize answers.
  bool AutoSize() const { return autoSize_; }
  virtual void SetAutoSize(bool v);
  virtual bool CanAutoSize(int32_t& NewWidth, int32_t& NewHeight) { return true; }
  void AdjustSize();
  void BringToFront();
  void SendToBack();

  // ---- State
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);
  // Visible and every parent showing.
  virtual bool Showing() const;
  TControlStyle& ControlStyle() { return controlStyle_; }
  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle v) { controlStyle_ = v; }
  TControlState& ControlState() { return controlState_; }
  const std::string& Caption() const { return text_; }
  void SetCaption(const std::string& v) { SetText(v); }
  const std::string& Text() const { return text_; }
  virtual void SetText(const std::string& v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool v);
  TFont* Font() const { return font_; }
  void SetFont(TFont* v) { font_->Assign(v); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool v);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool v);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor v);
  bool IsRightToLeft() const { return false; }

  // ---- Painting
  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }

  // ---- Actions
  TBasicAction* Action() const;
  void SetAction(TBasicAction* v);
  TControlActionLink* ActionLink() const { return actionLink_; }
  // Copies the action's settings into the control (CheckDefaults: only
  // where the control still has its default).
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  // The idle update of the control's actions; controls that show actions
  // of their own (toolbars) add theirs.
  virtual void InitiateAction();

  // ---- Events
  virtual void Click();
  virtual void DblClick();
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseWheelEvent OnMouseWheel;
  TNotifyEvent OnResize;
  TContextPopupEvent OnContextPopup;
  // Runs OnContextPopup.
  virtual void DoContextPopup(TPoint MousePos, bool& Handled);

  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;

  // Whether the pointer at client point p hits the control.
  bool HitTest(TPoint p) { return Perform(CM_HITTEST, 0, MAKELPARAM(p.X, p.Y)) != 0; }

 protected:
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos);
  virtual void Resize();
  void RequestAlign();
  virtual void Changed() { SendCancelMode(this); }
  void SendCancelMode(TControl* Sender);
  virtual void VisibleChanging() {}
  // The colour and font from the parent when the control follows it.
  virtual TColor DefaultColor() const { return clBtnFace; }
  // Graphic controls: where they lie in the parent's client area.
  void InvalidateControl(bool IsVisible, bool IsOpaque);

  // Message handlers (Dispatch calls them).
  virtual void WMLButtonDown(TMessage& Message);
  virtual void WMRButtonDown(TMessage& Message);
  virtual void WMMButtonDown(TMessage& Message);
  virtual void WMLButtonDblClk(TMessage& Message);
  virtual void WMLButtonUp(TMessage& Message);
  virtual void WMRButtonUp(TMessage& Message);
  virtual void WMMButtonUp(TMessage& Message);
  virtual void WMMouseMove(TMessage& Message);
  virtual void WMMouseWheel(TMessage& Message);
  virtual void WMContextMenu(TMessage& Message);
  virtual void CMEnabledChanged(TMessage& Message);
  virtual void CMVisibleChanged(TMessage& Message);
  virtual void CMColorChanged(TMessage& Message);
  virtual void CMFontChanged(TMessage& Message);
  virtual void CMTextChanged(TMessage& Message);
  virtual void CMParentColorChanged(TMessage& Message);
  virtual void CMParentFontChanged(TMessage& Message);
  virtual void CMParentShowHintChanged(TMessage& Message);
  virtual void CMHitTest(TMessage& Message);
  virtual void CMMouseEnter(TMessage& Message);
  virtual void CMMouseLeave(TMessage& Message);
  virtual void CMHintShow(TMessage& Message) {}

  TControlStyle controlStyle_;
  TControlState controlState_;
  TWinControl* parent_ = nullptr;
  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TFont* font_ = nullptr;
  TColor color_ = clBtnFace;
  // The text may be a secret: its buffer is wiped when it changes and when
  // the control goes, and the window system is not given a copy.
  bool secretText_ = false;

 private:
  void DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift);
  void DoMouseUp(TMessage& Message, TMouseButton Button);
  void FontChanged(TObject*);
  void UpdateAnchorRules();
  void AnchorTo(TSize parentSize);
  void BoundsChanged(TSize oldSize);

  TAlign align_ = alNone;
  TAnchors anchors_{akLeft, akTop};
  // Distances kept by anchors: right and bottom gap to the parent's client
  // size when the anchors were last set or the control last placed.
  TRect anchorRect_{0, 0, 0, 0};
  TSize anchorParentSize_{0, 0};
  bool fontFromParent_ = false;
  bool anchorMoving_ = false;
  bool visible_ = true;
  bool enabled_ = true;
  std::string text_;
  bool parentColor_ = false;
  bool parentFont_ = true;
  std::string hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TCursor cursor_ = crDefault;
  TControlActionLink* actionLink_ = nullptr;
  TSizeConstraints* constraints_ = nullptr;
  bool autoSize_ = false;
  bool autoSizing_ = false;
};

// A window of the platform with child controls.
struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  std::string WinClassName;
  UINT ClassStyle = CS_DBLCLKS;
};

class TWinControl : public TControl {
  RTL_CLASS(TWinControl, TControl)
  friend class TControl;
  friend class TCustomForm;

 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  void BeforeDestruction() override;

  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded();
  // Destroys the window and makes it again with the control's state (text,
  // bounds, visibility, enabled state, children, focus).
  void RecreateWnd();
  // The control whose window this is, or null.
  static TWinControl* FindControl(HWND Handle);

  int32_t ControlCount() const { return int32_t(controls_.size()); }
  TControl* Controls(int32_t Index) const { return controls_.at(size_t(Index)); }
  bool ContainsControl(TControl* Control) const;
  // The child at client point Pos (top first); graphic children only unless
  // AllowWinControls.
  TControl* ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls = false);
  void Broadcast(TMessage& Message);
  void NotifyControls(UINT Msg);

  // Alignment of the children.
  void DisableAlign();
  void EnableAlign();
  void Realign();
  bool AlignDisabled() const { return alignLevel_ != 0; }
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  TRect ClientRect() override;
  TPoint ClientOrigin() override;
  void SetClientSize(int32_t w, int32_t h) override;

  // Focus and tab order.
  virtual bool CanFocus();
  bool Focused();
  virtual void SetFocus();
  int32_t TabOrder() const;
  void SetTabOrder(int32_t v);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v);
  // The focusable children in tab order, depth first.
  // The controls the Tab key visits, in order; a container may leave some of
  // its own out (a toolbar its controls that have no room).
  virtual void GetTabOrderList(std::vector<TWinControl*>& List);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                               bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);

  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool v) { doubleBuffered_ = v; }
  TBrush* Brush() const { return brush_; }

  bool Showing() const override { return showing_; }
  void SetEnabled(bool v) override;
  void SetText(const std::string& v) override;

  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  void PaintTo(HDC DC, int32_t X, int32_t Y);

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

 protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  void CreateHandle();
  void DestroyHandle();
  void UpdateShowing();
  void UpdateControlState();
  virtual void ShowControl(TControl* AControl) {}

  // The rectangle alignment uses (client rectangle by default).
  virtual void AdjustClientRect(TRect& Rect) {}
  virtual void AlignControls(TControl* AControl, TRect& Rect);
  // alCustom children: the control places them.
  virtual void CustomAlignPosition(TControl* Control, int32_t& NewLeft, int32_t& NewTop,
                                   int32_t& NewWidth, int32_t& NewHeight, TRect& AlignRect) {}
  void AlignControl(TControl* AControl);

  virtual void PaintWindow(HDC DC);
  void PaintHandler(TMessage& Message);
  void PaintControls(HDC DC, TControl* First);

  virtual bool DoKeyDown(TMessage& Message);
  virtual bool DoKeyUp(TMessage& Message);
  virtual bool DoKeyPress(TMessage& Message);
  virtual void KeyDown(uint16_t& Key, TShiftState Shift);
  virtual void KeyUp(uint16_t& Key, TShiftState Shift);
  virtual void KeyPress(char& Key);
  virtual void DoEnter();
  virtual void DoExit();

  virtual void WMPaint(TMessage& Message);
  virtual void WMEraseBkgnd(TMessage& Message);
  virtual void WMSetFocus(TMessage& Message);
  virtual void WMKillFocus(TMessage& Message);
  virtual void WMKeyDown(TMessage& Message);
  virtual void WMKeyUp(TMessage& Message);
  virtual void WMChar(TMessage& Message);
  virtual void WMSize(TMessage& Message);
  virtual void WMMove(TMessage& Message);
  virtual void WMWindowPosChanged(TMessage& Message);
  virtual void WMSetCursor(TMessage& Message);
  virtual void WMMouseLeave(TMessage& Message);
  virtual void WMGetDlgCode(TMessage& Message) {}
  virtual void CMEnter(TMessage& Message) { DoEnter(); }
  virtual void CMExit(TMessage& Message) { DoExit(); }
  virtual void CMDialogKey(TMessage& Message);
  virtual void CMDialogChar(TMessage& Message);
  virtual void CMChildKey(TMessage& Message);
  virtual void CMShowingChanged(TMessage& Message);
  virtual void CMVisibleChanged(TMessage& Message) override;
  virtual void CMColorChanged(TMessage& Message) override;
  virtual void CMFontChanged(TMessage& Message) override;
  virtual void CMEnabledChanged(TMessage& Message) override;
  virtual void CMCancelMode(TMessage& Message);

  TCreateParams lastParams_;

 private:
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  void DoAlign(TControl* AControl, TAlign AAlign, TRect& Rect, std::vector<TControl*>& Aligned);
  bool PreprocessKey(TMessage& Message);
  void MainWndProc(HWND hwnd, TMessage& Message);
  friend LRESULT ControlClassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

  HWND handle_ = nullptr;
  std::vector<TControl*> controls_;     // z-order, bottom first
  std::vector<TWinControl*> tabList_;
  bool tabStop_ = false;
  bool showing_ = false;
  int32_t alignLevel_ = 0;
  bool doubleBuffered_ = false;
  TBrush* brush_ = nullptr;
  TSize lastClientSize_{0, 0};
  bool inAlign_ = false;
  bool focusOnCreate_ = false;
  bool keyPreprocessed_ = false;
};

// A windowed control that paints itself: override Paint and draw on Canvas.
class TCustomControl : public TWinControl {
  RTL_CLASS(TCustomControl, TWinControl)
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() const { return canvas_; }

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC DC) override;

 private:
  TControlCanvas* canvas_;
};

// A control without a window: it paints in its parent's client area.
class TGraphicControl : public TControl {
  RTL_CLASS(TGraphicControl, TControl)
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const { return canvas_; }

  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Paint() {}

 private:
  TControlCanvas* canvas_;
};

// The form a control lies on (its top-level ancestor form), or null.
TCustomForm* GetParentForm(TControl* Control);
// The control (windowed or graphic) under a screen point, or null.
TControl* FindDragTarget(TPoint Pos, bool AllowDisabled);
TControl* FindVCLWindow(TPoint Pos);

// The control holding the mouse capture (a graphic control captures through
// its parent's window).
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);

// A window of the framework's own, for components without a control
// (timers, the application): its messages go to Method.
HWND AllocateHWnd(TWndMethod Method);
void DeallocateHWnd(HWND Wnd);
