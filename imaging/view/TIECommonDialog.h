// TIECommonDialog: the component around the platform's common file dialog.
// It runs the dialog modally through a dialog host, receives the dialog's
// notifications (initialisation done, selection, folder and type changes,
// file OK) and grows the dialog by its own template.
//
// The host is the platform's common file dialog seen from the component: it
// runs the modal dialog with the record the component fills, sends the
// notifications to Notify, and answers the queries a hook makes of the
// dialog window (current path, typed name, selected type, the template's
// placeholder). The process-wide host factory is installed by the user
// interface's common dialog; tests install their own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "imaging/view/IEDialogWords.h"
#include "platform/Geometry.h"
#include "rtl/TComponent.h"
#include "rtl/TSet.h"
#include "ui/FileDialog.h"

// The options of the open and save dialogs, one per platform option flag.
enum TOpenOption : uint8_t {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing,
  ofDontAddToRecent,
  ofForceShowHidden
};
using TOpenOptions = TSet<TOpenOption>;

// What the component hands the platform dialog, and what comes back.
struct TIEOpenFileRecord {
  bool Save = false;
  std::string Filter;        // zero-separated, ending in a double zero
  int32_t FilterIndex = 1;   // in: the entry to select; out: the entry chosen
  std::string File;          // in: the initial name; out: the name(s) chosen
  size_t MaxFile = 0;        // room for a name, in characters, terminator included
  std::string InitialDir;
  std::string Title;
  std::string DefExt;
  std::string Template;      // "IDD_IETEMPLATE" or "IDD_IETEMPLATE1"
  TOpenOptions Options;      // in: the component's options; out: read-only and
                             // extension-different answers
  bool Explorer = true;
  bool NoPlacesBar = false;
};

class TIECommonDialog;
class TWinControl;
struct TMessage;

class TIEFileDialogHost {
 public:
  virtual ~TIEFileDialogHost() = default;
  // Runs the dialog modally, sending its notifications to Dialog.Notify;
  // true when the user confirmed a name.
  virtual bool Run(TIECommonDialog& Dialog, TIEOpenFileRecord& Record) = 0;
  // The full path of the current selection or typed name.
  virtual std::string GetFilePath() = 0;
  // The text of the file-name box.
  virtual std::string GetSpec() = 0;
  virtual void SetControlText(int32_t Id, const std::string& Text) = 0;
  virtual void SetDefExt(const std::string& Extension) = 0;
  // The 1-based file-type entry selected now.
  virtual int32_t GetFilterIndex() = 0;
  // The template window's client rectangle and its placeholder's rectangle in it.
  virtual TRect TemplateClientRect() = 0;
  virtual TRect PlaceholderRect() = 0;
  // Asks whether an existing file may be replaced.
  virtual bool ConfirmOverwrite(const std::string& FileName) = 0;
  // The template window, where the dialog puts its own controls; null when
  // there is none to put them on.
  virtual TWinControl* TemplateControl() { return nullptr; }
};

// The host over the user interface's common file dialog (the default).
std::shared_ptr<TIEFileDialogHost> MakePlatformFileDialogHost();

using TIEFileDialogHostFactory = std::function<std::shared_ptr<TIEFileDialogHost>()>;
// Installs the factory Execute asks for a host; an empty one restores the
// platform's.
void SetFileDialogHostFactory(TIEFileDialogHostFactory Factory);

class TIECommonDialog : public TComponent {
  RTL_CLASS(TIECommonDialog, TComponent)
 public:
  explicit TIECommonDialog(TComponent* AOwner);

  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool Value) { ctl3d_ = Value; }
  int32_t HelpContext() const { return help_context_; }
  void SetHelpContext(int32_t Value) { help_context_ = Value; }
  TMsgLanguage MsgLanguage() const { return msg_language_; }
  void SetMsgLanguage(TMsgLanguage Value) { msg_language_ = Value; }
  bool ShowPlacesBar() const { return show_places_bar_; }
  void SetShowPlacesBar(bool Value) { show_places_bar_ = Value; }
  bool ExtendedDialog() const { return extended_dialog_; }
  void SetExtendedDialog(bool Value) { extended_dialog_ = Value; }
  TNotifyEvent OnClose;
  TNotifyEvent OnShow;

  virtual bool Execute() = 0;
  // A notification of the open dialog window, as the host delivers it; the
  // answer is the hook's result (non-zero refuses a file OK). An error raised
  // while it is handled goes to the application's error handler and the
  // dialog carries on.
  intptr_t Notify(UINT Code);
  // The dialog window is being destroyed (once per execution).
  void WindowDestroyed();
  // True while the dialog window exists.
  bool IsOpen() const { return host_ != nullptr; }

 protected:
  // The dispatch of a notification.
  virtual intptr_t WndProc(UINT Code);
  // A message to the application's window while the dialog runs: the
  // common dialogs' help request shows the topic HelpContext (when not 0)
  // and counts as handled.
  virtual bool MessageHook(TMessage& Message);
  virtual void DoClose();
  virtual void DoShow();
  // Runs the host with the record; when the dialog window is gone (also
  // after an error) DoClose runs.
  bool TaskModalDialog(TIEOpenFileRecord& Record);
  TIEFileDialogHost* Host() const { return host_; }

 private:
  bool ctl3d_ = true;
  int32_t help_context_ = 0;
  TMsgLanguage msg_language_ = msSystem;
  bool show_places_bar_ = true;
  bool extended_dialog_ = true;
  TIEFileDialogHost* host_ = nullptr;
  bool closed_ = false;
};
