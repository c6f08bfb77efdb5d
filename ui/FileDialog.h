// The common open and save dialogs. GetOpenFileName and GetSaveFileName
// run a modal dialog of our own with the calling contract of the desktop
// platform's dialogs: the caller fills an OPENFILENAME record (title,
// initial folder, file name, filter "Description|*.a;*.b|...", filter
// index, default extension, option flags) and may add a hook procedure
// and a template.
//
// Unless FlagsEx holds OFN_EX_NOPLACESBAR, a places bar ("PlacesBar") down
// the left edge offers the user's home, desktop, pictures and documents
// folders that exist, and the file system's root, each a button
// ("Place" + its caption) that lists that folder.
// The dialog shows the current folder, a folder list (".." first), a file
// list filtered by the chosen type, a file name box (a typed name, folder
// or absolute path followed by Enter is accepted; a name with * or ? becomes
// the filter), the type box, the Open/Save and Cancel buttons and, without
// OFN_HIDEREADONLY, an "open as read-only" check box.
//
// Template and hook (OFN_ENABLETEMPLATE, OFN_ENABLEHOOK). The template is a
// child window covering the dialog's client area, Width x Height pixels,
// with one placeholder child (id stc32) at Placeholder: the standard
// controls (children of the dialog frame, above the template) are laid out
// in the placeholder's place, and when they need more room than it has the
// placeholder and the template grow by the difference (the placeholder's
// window rectangle tells the final place). Without a template the template
// window is just the placeholder's size.
// The template window is a TWinControl (TWinControl::FindControl(hdlg)), so
// the caller may put its own controls on it. The hook is the template
// window's dialog procedure: it gets WM_INITDIALOG (lParam: the
// OPENFILENAME) once the controls exist and before the dialog shows, then
// WM_NOTIFY with an OFNOTIFY (hdr.hwndFrom: the dialog frame, GetParent of
// the template window) for CDN_INITDONE (shown), CDN_FOLDERCHANGE,
// CDN_SELCHANGE, CDN_TYPECHANGE (lpOFN->nFilterIndex is the new entry) and
// CDN_FILEOK (lpOFN->lpstrFile holds the choice; a non-zero answer from
// the hook refuses it and the dialog stays open). The notifications are
// sent to the template window, so a caller that replaces its window
// procedure sees them as well. Messages the hook answers with non-zero are
// not handled further. The CDM_ messages below, sent to the frame, query
// the dialog while it is open. The frame is a TForm whose controls are
// named (FindComponent): "Placeholder", "FolderLabel", "FolderList",
// "FileList", "FileNameEdit", "TypeCombo", "OkButton", "CancelButton",
// "ReadOnlyCheck" and "HelpButton".
//
// Help (OFN_SHOWHELP): a "&Help" button below Cancel. The button, and F1
// anywhere in the dialog, notify the hook (CDN_HELP) and then send the
// common dialogs' help message, RegisterWindowMessage(HELPMSGSTRING), to
// hwndOwner (wParam: the dialog frame, lParam: the OPENFILENAME).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/RegisteredMessage.h"
#include "platform/Window.h"

enum : DWORD {
  OFN_READONLY = 0x00000001,
  OFN_OVERWRITEPROMPT = 0x00000002,
  OFN_HIDEREADONLY = 0x00000004,
  OFN_NOCHANGEDIR = 0x00000008,
  OFN_SHOWHELP = 0x00000010,
  OFN_ENABLEHOOK = 0x00000020,
  OFN_ENABLETEMPLATE = 0x00000040,
  OFN_ENABLETEMPLATEHANDLE = 0x00000080,
  OFN_NOVALIDATE = 0x00000100,
  OFN_ALLOWMULTISELECT = 0x00000200,
  OFN_EXTENSIONDIFFERENT = 0x00000400,
  OFN_PATHMUSTEXIST = 0x00000800,
  OFN_FILEMUSTEXIST = 0x00001000,
  OFN_CREATEPROMPT = 0x00002000,
  OFN_SHAREAWARE = 0x00004000,
  OFN_NOREADONLYRETURN = 0x00008000,
  OFN_NOTESTFILECREATE = 0x00010000,
  OFN_NONETWORKBUTTON = 0x00020000,
  OFN_NOLONGNAMES = 0x00040000,
  OFN_EXPLORER = 0x00080000,
  OFN_NODEREFERENCELINKS = 0x00100000,
  OFN_LONGNAMES = 0x00200000,
  OFN_ENABLEINCLUDENOTIFY = 0x00400000,
  OFN_ENABLESIZING = 0x00800000,
  OFN_DONTADDTORECENT = 0x02000000,
  OFN_FORCESHOWHIDDEN = 0x10000000,
};
enum : DWORD { OFN_EX_NOPLACESBAR = 0x00000001 };
// The name of the message the dialogs send their owner when the user asks
// for help.
inline constexpr const char* HELPMSGSTRING = "commdlg_help";

// Notification codes (OFNOTIFY::hdr.code).
enum : UINT {
  CDN_FIRST = UINT(0U - 601U),
  CDN_INITDONE = CDN_FIRST - 0,
  CDN_SELCHANGE = CDN_FIRST - 1,
  CDN_FOLDERCHANGE = CDN_FIRST - 2,
  CDN_SHAREVIOLATION = CDN_FIRST - 3,
  CDN_HELP = CDN_FIRST - 4,
  CDN_FILEOK = CDN_FIRST - 5,
  CDN_TYPECHANGE = CDN_FIRST - 6,
};

// Queries sent to the dialog frame. wParam: the buffer size in bytes;
// lParam: the char buffer (may be null); the answer is the length the text
// needs with its terminating zero (or -1 when there is none). CDM_SETDEFEXT
// takes the extension (without dot) as a zero-terminated lParam.
enum : UINT {
  CDM_FIRST = WM_USER + 100,
  CDM_GETSPEC = CDM_FIRST + 0,
  CDM_GETFILEPATH = CDM_FIRST + 1,
  CDM_GETFOLDERPATH = CDM_FIRST + 2,
  CDM_SETCONTROLTEXT = CDM_FIRST + 4,
  CDM_HIDECONTROL = CDM_FIRST + 5,
  CDM_SETDEFEXT = CDM_FIRST + 6,
};

// Control ids in the dialog (CDM_SETCONTROLTEXT, CDM_HIDECONTROL; the
// windowed ones also as their windows' GetDlgCtrlID). The placeholder is a
// child of the template window, the others children of the frame.
enum : int32_t {
  stc32 = 0x045f,      // the template's placeholder
  cmb1 = 0x0470,       // type box
  stc2 = 0x0441,       // type label
  edt1 = 0x0480,       // file name box
  stc3 = 0x0442,       // file name label
  lst1 = 0x0460,       // folder list
  lst2 = 0x0461,       // file list
  stc4 = 0x0443,       // "look in" label
  chx1 = 0x0410,       // read-only check box
  pshHelp = 0x040e,    // Help button
  IDOK_BUTTON = 1,
  IDCANCEL_BUTTON = 2,
};

struct NMHDR {
  HWND hwndFrom = nullptr;
  uintptr_t idFrom = 0;
  UINT code = 0;
};

struct OPENFILENAME;
using LPOFNHOOKPROC = std::function<uintptr_t(HWND hdlg, UINT msg, WPARAM wParam, LPARAM lParam)>;

// A dialog template: the caller's room around the placeholder.
struct TFileDialogTemplate {
  int32_t Width = 0;
  int32_t Height = 0;
  TRect Placeholder{0, 0, 0, 0};
};

struct OPENFILENAME {
  DWORD lStructSize = sizeof(OPENFILENAME);
  HWND hwndOwner = nullptr;
  // Pairs of description and patterns, separated by "|" (or zero bytes).
  std::string lpstrFilter;
  // 1-based entry of lpstrFilter; 0 counts as 1. On return: the entry chosen.
  DWORD nFilterIndex = 0;
  // In: the initial file name (a path chooses the folder too). Out: the
  // chosen path; with OFN_ALLOWMULTISELECT and several names the folder,
  // a zero byte and the names each followed by a zero byte.
  std::string lpstrFile;
  DWORD nMaxFile = 260;  // longest result accepted
  std::string lpstrFileTitle;  // out: the name without its folder
  std::string lpstrInitialDir;
  std::string lpstrTitle;
  DWORD Flags = 0;
  WORD nFileOffset = 0;     // out: where the name starts in lpstrFile
  WORD nFileExtension = 0;  // out: where the extension (after the dot) starts, 0 when none
  std::string lpstrDefExt;  // appended (with a dot) to a name typed without extension
  LPARAM lCustData = 0;
  LPOFNHOOKPROC lpfnHook;
  const TFileDialogTemplate* lpTemplate = nullptr;
  DWORD FlagsEx = 0;  // OFN_EX_NOPLACESBAR hides the places bar
};

struct OFNOTIFY {
  NMHDR hdr;
  OPENFILENAME* lpOFN = nullptr;
  const char* pszFile = nullptr;  // CDN_SHAREVIOLATION only
};

// Run the dialog; true when the user chose a file (the record then holds
// it), false on cancel or error (CommDlgExtendedError tells which).
bool GetOpenFileName(OPENFILENAME* ofn);
bool GetSaveFileName(OPENFILENAME* ofn);
enum : DWORD { CDERR_NONE = 0, CDERR_STRUCTSIZE = 0x0001, CDERR_INITIALIZATION = 0x0002,
               FNERR_BUFFERTOOSMALL = 0x3003 };
DWORD CommDlgExtendedError();

// The queries above with strings (hwndFrame: the dialog frame).
std::string CommDlg_OpenSave_GetSpec(HWND hwndFrame);
std::string CommDlg_OpenSave_GetFilePath(HWND hwndFrame);
std::string CommDlg_OpenSave_GetFolderPath(HWND hwndFrame);
void CommDlg_OpenSave_SetDefExt(HWND hwndFrame, const std::string& Ext);

// The entries of a filter string as (description, patterns) pairs.
std::vector<std::pair<std::string, std::string>> ParseFileFilter(const std::string& Filter);
// Whether FileName matches one of the ";"-separated patterns (letter case ignored).
bool MatchesFileMask(const std::string& FileName, const std::string& Patterns);
