// Message boxes: a modal dialog with a text, an icon kind and buttons.
// MessageDlg answers the modal result of the button pressed; MessageBox
// takes the platform's MB_ flags and answers an ID_ code. Closing from the
// title bar or Escape answers Cancel (or No when there is no Cancel button).
#pragma once

#include <cstdint>
#include <string>

#include "rtl/TSet.h"
#include "ui/TForm.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn, 16>;

// MessageBox flags and answers.
enum : UINT {
  MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4,
  MB_RETRYCANCEL = 0x5, MB_TYPEMASK = 0xF,
  MB_ICONHAND = 0x10, MB_ICONSTOP = 0x10, MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30, MB_ICONASTERISK = 0x40,
  MB_ICONINFORMATION = 0x40, MB_ICONMASK = 0xF0,
  MB_DEFBUTTON1 = 0x000, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200, MB_DEFMASK = 0xF00,
  MB_APPLMODAL = 0x0000, MB_TASKMODAL = 0x2000, MB_TOPMOST = 0x40000,
};
enum : int32_t { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// The captions of the dialogs' titles and buttons (translations replace
// them), in this order.
enum TMsgDlgCaption {
  mdcWarning, mdcError, mdcInformation, mdcConfirm, mdcYes, mdcNo, mdcOK, mdcCancel, mdcAbort,
  mdcRetry, mdcIgnore, mdcAll, mdcNoToAll, mdcYesToAll, mdcHelp
};
constexpr int32_t MsgDlgCaptionCount = 15;
const std::string& MsgDlgCaption(int32_t Index);
void SetMsgDlgCaption(int32_t Index, const std::string& Text);

// The dialog itself, not yet shown (the caller may adjust it).
TForm* CreateMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                           TMsgDlgBtn DefaultButton);
int32_t MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int32_t HelpCtx = 0);
int32_t MessageDlgDef(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                      TMsgDlgBtn DefaultButton);
void ShowMessage(const std::string& Msg);
// Wnd is accepted for the familiar signature; the dialog is modal to the program.
int32_t MessageBox(HWND Wnd, const std::string& Text, const std::string& Caption, UINT Type);
