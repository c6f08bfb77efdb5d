// The application: the message loop, the main form, the default exception
// handler, the hint machinery, activation events and the hooks on the
// application's own window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "rtl/Exception.h"
#include "rtl/TComponent.h"
#include "ui/TControl.h"

class TCustomForm;
class THintWindow;

using TExceptionEvent = std::function<void(TObject* Sender, Exception& E)>;
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TShowHintEvent = std::function<void(std::string& HintStr, bool& CanShow, THintInfo& HintInfo)>;
// A help request: Command HELP_CONTEXT asks for the topic Data. There is no
// help viewer here, so the handler is where a request ends; CallHelp tells
// whether the handler left the request to a viewer.
using THelpEvent = std::function<bool(uint16_t Command, intptr_t Data, bool& CallHelp)>;
enum : uint16_t { HELP_CONTEXT = 0x0001 };
// A hook on the application's window: answers true when it handled the message.
using TWindowHook = std::function<bool(TMessage& Message)>;

class TApplication : public TComponent {
  RTL_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;
  void BeforeDestruction() override;

  void Initialize();
  // Creates a form owned by the application; the first becomes the main form.
  template <typename T>
  void CreateForm(T*& Reference) {
    T* form = new T(this);
    Reference = form;
    FormCreated(form);
  }
  // Shows the main form and handles messages until the application ends
  // (the main form closed or Terminate).
  void Run();
  // Handles every queued message, then returns; may be called from handlers.
  void ProcessMessages();
  // Handles one message, or idles and waits for one.
  void HandleMessage();
  void Terminate();
  bool Terminated() const { return terminated_; }

  TCustomForm* MainForm() const { return mainForm_; }
  HWND Handle();
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& v) { title_ = v; }
  bool Active() const { return active_; }

  // The default exception handler: OnException when set, else the message
  // in a message box. EAbort is silent. Call from a catch block.
  void HandleException(TObject* Sender);
  void ShowException(Exception& E);
  int32_t MessageBox(const std::string& Text, const std::string& Caption, UINT Flags);

  // Hints.
  bool ShowHint() const { return showHint_; }
  // Hints of commands with a shortcut name the shortcut after the hint.
  bool HintShortCuts() const { return hintShortCuts_; }
  void SetHintShortCuts(bool v) { hintShortCuts_ = v; }
  void SetShowHint(bool v);
  TColor HintColor() const { return hintColor_; }
  void SetHintColor(TColor v) { hintColor_ = v; }
  int32_t HintPause() const { return hintPause_; }
  void SetHintPause(int32_t v) { hintPause_ = v; }
  int32_t HintShortPause() const { return hintShortPause_; }
  void SetHintShortPause(int32_t v) { hintShortPause_ = v; }
  int32_t HintHidePause() const { return hintHidePause_; }
  void SetHintHidePause(int32_t v) { hintHidePause_ = v; }
  // The long hint of the control under the pointer.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v);
  void CancelHint();
  void HideHint();
  void ActivateHint(TPoint CursorPos);
  THintWindow* HintWindow() const { return hintWindow_; }
  TControl* HintControl() const { return hintControl_; }

  // Asks for the help topic Context; the answer is OnHelp's, false without
  // a handler.
  bool HelpContext(int32_t Context);

  // Hooks on the application's window see every message sent to it, first
  // the application-wide key notices (CM_APPKEYDOWN, CM_APPSYSCOMMAND).
  int32_t HookMainWindow(TWindowHook Hook);
  void UnhookMainWindow(int32_t Id);

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  THelpEvent OnHelp;
  TExceptionEvent OnException;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  TIdleEvent OnIdle;
  TMessageEvent OnMessage;

  // Called by the controls.
  // A key down about to be handled by a control: offered to the hooks as
  // CM_APPKEYDOWN; answers whether one of them took it.
  bool IsShortCut(WPARAM Key, LPARAM KeyData);
  // A keyboard-menu system command (Alt+letter): offered to the hooks as
  // CM_APPSYSCOMMAND; answers whether one of them took it.
  bool IsSysCommand(TMessage& SysCommand);
  void HintMouseMessage(TControl* Control, TMessage& Message);
  void MouseOver(TControl* Control);
  void MouseLeftWindow(TWinControl* Control);
  void ControlDestroyed(TControl* Control);
  void ActivateApp(bool Active);
  void FormCreated(TCustomForm* Form);
  void FormDestroyed(TCustomForm* Form);
  TControl* MouseControl() const { return mouseControl_; }

 private:
  bool ProcessMessage(MSG& Msg);
  void Idle();
  void WndProc(TMessage& Message);
  void StartHintTimer(int32_t Pause);

  HWND handle_ = nullptr;
  TCustomForm* mainForm_ = nullptr;
  bool terminated_ = false;
  bool active_ = false;
  std::string title_;
  bool showHint_ = true;
  bool hintShortCuts_ = true;
  TColor hintColor_ = clInfoBk;
  int32_t hintPause_ = 500;
  int32_t hintShortPause_ = 50;
  int32_t hintHidePause_ = 2500;
  std::string hint_;
  THintWindow* hintWindow_ = nullptr;
  TControl* hintControl_ = nullptr;
  bool hintActive_ = false;
  TRect hintCursorRect_{0, 0, 0, 0};
  TControl* mouseControl_ = nullptr;
  struct THook {
    int32_t Id;
    TWindowHook Hook;
  };
  std::vector<THook> hooks_;
  int32_t nextHookId_ = 1;
};

extern TApplication* Application;

// Makes Screen and Application when they do not exist yet (the first
// control does it); DoneControls frees both with every form the application
// owns.
void InitControls();
void DoneControls();
