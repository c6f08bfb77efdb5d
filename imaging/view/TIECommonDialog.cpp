#include "imaging/view/TIECommonDialog.h"

#include <algorithm>
#include <iterator>

#include "ui/MessageDlg.h"
#include "rtl/FileUtils.h"
#include "rtl/Numeric.h"
#include "ui/TApplication.h"
#include "ui/TControl.h"
#include "ui/TForm.h"

namespace {

TIEFileDialogHostFactory& HostFactory() {
  static TIEFileDialogHostFactory factory = MakePlatformFileDialogHost;
  return factory;
}

// A dialog template in dialog units of the 8-point dialog font (4 units
// across an average character of 6 pixels, 8 units down a line of 13).
TFileDialogTemplate TemplateOf(const std::string& Name) {
  const auto x = [](int32_t v) { return MulDiv(v, 6, 4); };
  const auto y = [](int32_t v) { return MulDiv(v, 13, 8); };
  TFileDialogTemplate t;
  if (Name == "IDD_IETEMPLATE1") {
    t.Width = x(288);
    t.Height = y(171);
    t.Placeholder = TRect{{x(10)}, {y(4)}, {x(10 + 270)}, {y(4 + 145)}};
  } else {
    t.Width = x(382);
    t.Height = y(181);
    t.Placeholder = TRect{{x(2)}, {y(4)}, {x(2 + 278)}, {y(4 + 145)}};
  }
  return t;
}

DWORD FlagsOf(const TOpenOptions& Options) {
  static const DWORD kFlags[] = {
      OFN_READONLY,           OFN_OVERWRITEPROMPT,  OFN_HIDEREADONLY,     OFN_NOCHANGEDIR,
      OFN_SHOWHELP,           OFN_NOVALIDATE,       OFN_ALLOWMULTISELECT, OFN_EXTENSIONDIFFERENT,
      OFN_PATHMUSTEXIST,      OFN_FILEMUSTEXIST,    OFN_CREATEPROMPT,     OFN_SHAREAWARE,
      OFN_NOREADONLYRETURN,   OFN_NOTESTFILECREATE, OFN_NONETWORKBUTTON,  OFN_NOLONGNAMES,
      0 /* old style: the dialog is always Explorer-style */,             OFN_NODEREFERENCELINKS,
      OFN_ENABLEINCLUDENOTIFY, OFN_ENABLESIZING,    OFN_DONTADDTORECENT,  OFN_FORCESHOWHIDDEN};
  DWORD f = 0;
  for (size_t i = 0; i < std::size(kFlags); ++i)
    if (Options.Contains(static_cast<TOpenOption>(i))) f |= kFlags[i];
  return f;
}

class TPlatformFileDialogHost : public TIEFileDialogHost {
 public:
  bool Run(TIECommonDialog& Dialog, TIEOpenFileRecord& Record) override {
    const TFileDialogTemplate tmpl = TemplateOf(Record.Template);
    OPENFILENAME ofn;
    // The application's window owns the dialog: a help request reaches the
    // hooks on that window.
    if (Application) ofn.hwndOwner = Application->Handle();
    ofn.lpstrFilter = Record.Filter;
    ofn.nFilterIndex = DWORD(std::max(Record.FilterIndex, 0));
    ofn.lpstrFile = Record.File;
    ofn.nMaxFile = DWORD(std::min<size_t>(Record.MaxFile, 0x7FFFFFFF));
    ofn.lpstrInitialDir = Record.InitialDir;
    ofn.lpstrTitle = Record.Title;
    ofn.Flags = FlagsOf(Record.Options) | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_EXPLORER;
    ofn.lpstrDefExt = Record.DefExt.starts_with(".") ? Record.DefExt.substr(1) : Record.DefExt;
    ofn.lpTemplate = &tmpl;
    if (Record.NoPlacesBar) ofn.FlagsEx |= OFN_EX_NOPLACESBAR;
    ofn.lpfnHook = [this, &Dialog](HWND hdlg, UINT msg, WPARAM, LPARAM lParam) -> uintptr_t {
      switch (msg) {
        case WM_INITDIALOG:
          template_ = hdlg;
          frame_ = GetParent(hdlg);
          ofn_ = reinterpret_cast<OPENFILENAME*>(lParam);
          return 0;
        case WM_NOTIFY: {
          const auto* n = reinterpret_cast<const OFNOTIFY*>(lParam);
          if (!n) return 0;
          if (n->hdr.hwndFrom) frame_ = n->hdr.hwndFrom;
          // While a choice is being confirmed the record holds it, with the
          // default extension already added.
          choice_ = n->hdr.code == CDN_FILEOK && n->lpOFN ? &n->lpOFN->lpstrFile : nullptr;
          const intptr_t r = Dialog.Notify(n->hdr.code);
          choice_ = nullptr;
          return uintptr_t(r);
        }
        case WM_DESTROY:
          Dialog.WindowDestroyed();
          return 0;
        default:
          return 0;
      }
    };
    ofn_ = &ofn;
    const bool ok = Record.Save ? GetSaveFileName(&ofn) : GetOpenFileName(&ofn);
    template_ = frame_ = nullptr;
    ofn_ = nullptr;
    Record.FilterIndex = int32_t(ofn.nFilterIndex);
    if (ok) {
      Record.File = ofn.lpstrFile;
      Record.Options.Set(ofReadOnly, (ofn.Flags & OFN_READONLY) != 0);
      Record.Options.Set(ofExtensionDifferent, (ofn.Flags & OFN_EXTENSIONDIFFERENT) != 0);
    }
    return ok;
  }
  std::string GetFilePath() override {
    if (choice_) return *choice_;
    return frame_ ? CommDlg_OpenSave_GetFilePath(frame_) : std::string();
  }
  std::string GetSpec() override { return frame_ ? CommDlg_OpenSave_GetSpec(frame_) : std::string(); }
  void SetControlText(int32_t Id, const std::string& Text) override {
    if (frame_) SendMessage(frame_, CDM_SETCONTROLTEXT, WPARAM(Id), LPARAM(Text.c_str()));
  }
  void SetDefExt(const std::string& Extension) override {
    if (frame_) CommDlg_OpenSave_SetDefExt(frame_, Extension);
  }
  int32_t GetFilterIndex() override { return ofn_ ? int32_t(ofn_->nFilterIndex) : 1; }
  TRect TemplateClientRect() override {
    TRect r{};
    if (template_) GetClientRect(template_, r);
    return r;
  }
  TRect PlaceholderRect() override {
    TWinControl* t = TemplateControl();
    if (!t) return TRect{};
    for (int32_t i = 0; i < t->ControlCount(); ++i) {
      TControl* c = t->Controls(i);
      auto* w = dynamic_cast<TWinControl*>(c);
      if (w && w->HandleAllocated() && GetDlgCtrlID(w->Handle()) == stc32) return c->BoundsRect();
    }
    // The placeholder is the template's first child.
    return t->ControlCount() > 0 ? t->Controls(0)->BoundsRect() : TRect{};
  }
  bool ConfirmOverwrite(const std::string& FileName) override {
    const std::string name = ExtractFileName(FileName);
    return MessageBox(frame_, name + " already exists.\nDo you want to replace it?", "Save As",
                      MB_YESNO | MB_ICONWARNING) == IDYES;
  }
  TWinControl* TemplateControl() override {
    return template_ ? TWinControl::FindControl(template_) : nullptr;
  }

 private:
  HWND template_ = nullptr;
  HWND frame_ = nullptr;
  OPENFILENAME* ofn_ = nullptr;
  const std::string* choice_ = nullptr;
};

}  // namespace

std::shared_ptr<TIEFileDialogHost> MakePlatformFileDialogHost() {
  return std::make_shared<TPlatformFileDialogHost>();
}

void SetFileDialogHostFactory(TIEFileDialogHostFactory Factory) {
  HostFactory() = Factory ? std::move(Factory) : MakePlatformFileDialogHost;
}

RTL_DEFINE_CLASS(TIECommonDialog, TComponent)

TIECommonDialog::TIECommonDialog(TComponent* AOwner) : TComponent(AOwner) {}

intptr_t TIECommonDialog::Notify(UINT Code) {
  try {
    return WndProc(Code);
  } catch (...) {
    if (Application) Application->HandleException(this);
    return 0;
  }
}

intptr_t TIECommonDialog::WndProc(UINT) { return 0; }

void TIECommonDialog::WindowDestroyed() {
  if (closed_) return;
  closed_ = true;
  DoClose();
}

void TIECommonDialog::DoClose() {
  if (OnClose) OnClose(this);
}

void TIECommonDialog::DoShow() {
  if (OnShow) OnShow(this);
}

bool TIECommonDialog::TaskModalDialog(TIEOpenFileRecord& Record) {
  if (!HostFactory()) return false;
  std::shared_ptr<TIEFileDialogHost> host = HostFactory()();
  if (!host) return false;
  host_ = host.get();
  closed_ = false;
  // The dialog asks for help by a message to the application's window.
  const int32_t hook =
      Application ? Application->HookMainWindow([this](TMessage& Message) { return MessageHook(Message); }) : 0;
  struct TUnhook {
    int32_t Id;
    ~TUnhook() {
      if (Id && Application) Application->UnhookMainWindow(Id);
    }
  } unhook{hook};
  bool ok = false;
  try {
    ok = host->Run(*this, Record);
  } catch (...) {
    WindowDestroyed();
    host_ = nullptr;
    throw;
  }
  WindowDestroyed();
  host_ = nullptr;
  return ok;
}

bool TIECommonDialog::MessageHook(TMessage& Message) {
  if (Message.Msg != RegisterWindowMessage(HELPMSGSTRING) || HelpContext() == 0) return false;
  if (Application) Application->HelpContext(HelpContext());
  return true;
}

