// Forms: the top-level windows of the program. A form has a border style,
// a position rule, a window state and a style (normal or stay-on-top); it
// keeps the control that has the focus (ActiveControl), can preview keys
// before its controls, and runs modally (ShowModal answers the ModalResult
// that ends the loop; closing from the title bar gives mrCancel).
#pragma once

#include <cstdint>
#include <functional>

#include "rtl/TypInfo.h"
#include "ui/TControl.h"

using TModalResult = int32_t;
enum : TModalResult {
  mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
  mrAll = 8, mrNoToAll = 9, mrYesToAll = 10,
};

RTL_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
         poDesktopCenter, poMainFormCenter, poOwnerFormCenter);
RTL_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized);
RTL_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop);
RTL_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp);
using TBorderIcons = TSet<TBorderIcon, 4>;
RTL_SET(TBorderIcons);
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateFlag { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TSet<TFormStateFlag, 8>;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
  RTL_CLASS(TCustomForm, TWinControl)
 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  void BeforeDestruction() override;

  // Runs OnCreate once (TApplication::CreateForm calls it after the
  // constructor; a form made otherwise gets it before it is first shown).
  void DoCreate();

  void Show();
  void Hide() { SetVisible(false); }
  TModalResult ShowModal();
  void Close();
  bool CloseQuery();
  // Frees the form once the messages now queued have been handled.
  void Release();

  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult v) { modalResult_ = v; }
  TFormState FormState() const { return formState_; }

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle v);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons v);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition v) { position_ = v; }
  TWindowState WindowState();
  void SetWindowState(TWindowState v);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle v);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool v) { keyPreview_ = v; }
  bool Active() const { return active_; }

  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* v);
  // Focuses Control now when the form is active, else when it next is.
  void FocusControl(TWinControl* Control);
  // The focus moved to Control's window.
  bool SetFocusedControl(TWinControl* Control);
  // Control goes away or can no longer hold the focus.
  void DefocusControl(TWinControl* Control, bool Removing);
  void SendCancelMode(TControl* Sender);
  void SetFocus() override;
  bool CanFocus() override;

  TRect ClientRect() override;
  void SetClientSize(int32_t w, int32_t h) override;
  TCanvas* Canvas() const;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnPaint;

  bool DoKeyDown(TMessage& Message) override { return TWinControl::DoKeyDown(Message); }
  bool DoKeyUp(TMessage& Message) override { return TWinControl::DoKeyUp(Message); }
  bool DoKeyPress(TMessage& Message) override { return TWinControl::DoKeyPress(Message); }

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void Activate();
  virtual void Deactivate();
  virtual void DoClose(TCloseAction& Action);
  virtual void Paint();
  void PaintWindow(HDC DC) override;
  void CMShowingChanged(TMessage& Message) override;
  void CMDialogKey(TMessage& Message) override;
  void CMChildKey(TMessage& Message) override {}
  void WMActivate(TMessage& Message);
  void WMClose(TMessage& Message);
  void WMSysCommand(TMessage& Message);
  void WMSetFocusForm(TMessage& Message);
  TColor DefaultColor() const override { return clBtnFace; }

  TFormState formState_;

 private:
  void PlaceOnScreen();
  void CloseModal();
  void BroadcastFocusChanged(TWinControl* Root, TWinControl* Focused);
  DWORD FrameStyle(DWORD* exStyle) const;
  TModalResult modalResult_ = mrNone;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
  TPosition position_ = poDesigned;
  TWindowState windowState_ = wsNormal;
  TFormStyle formStyle_ = fsNormal;
  bool keyPreview_ = false;
  bool active_ = false;
  bool created_ = false;
  bool placed_ = false;
  TWinControl* activeControl_ = nullptr;
  TWinControl* focusedControl_ = nullptr;
  TControlCanvas* canvas_ = nullptr;
};

class TForm : public TCustomForm {
  RTL_CLASS(TForm, TCustomForm)
 public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};
