#include "ui/FileDialog.h"

#include <fnmatch.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "rtl/FileUtils.h"
#include "rtl/StrUtils.h"
#include "ui/MessageDlg.h"
#include "ui/TButton.h"
#include "ui/TCheckBox.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"
#include "ui/TForm.h"
#include "ui/TLabel.h"
#include "ui/TListView.h"
#include "ui/TPanel.h"

namespace fs = std::filesystem;

namespace {

DWORD gLastError = CDERR_NONE;

constexpr int32_t kStdWidth = 440;   // the standard controls' least room
constexpr int32_t kStdHeight = 290;
constexpr int32_t kPlacesWidth = 88;  // the places bar at the left edge

std::string Trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string NormalPath(const std::string& p) {
  std::string n = fs::path(p).lexically_normal().string();
  while (n.size() > 1 && n.back() == '/') n.pop_back();
  return n.empty() ? "/" : n;
}

bool IsDir(const std::string& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

// Only regular files are offered and taken: a pipe or a device named like a
// picture is no file to open or to write over.
bool IsFile(const std::string& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

bool IsSpecial(const std::string& p) {
  std::error_code ec;
  const fs::file_status st = fs::status(p, ec);
  return !ec && fs::exists(st) && !fs::is_directory(st) && !fs::is_regular_file(st);
}

// "a" "b" c -> the names; a text without quotes is one name.
std::vector<std::string> SplitNames(const std::string& text) {
  std::vector<std::string> names;
  if (text.find('"') == std::string::npos) {
    names.push_back(text);
    return names;
  }
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    if (i >= text.size()) break;
    if (text[i] == '"') {
      size_t e = text.find('"', i + 1);
      if (e == std::string::npos) e = text.size();
      names.push_back(text.substr(i + 1, e - i - 1));
      i = e + 1;
    } else {
      size_t e = text.find(' ', i);
      if (e == std::string::npos) e = text.size();
      names.push_back(text.substr(i, e - i));
      i = e;
    }
  }
  names.erase(std::remove(names.begin(), names.end(), std::string()), names.end());
  return names;
}

// A name's extension, dot included: from the last dot of the file name when
// that dot is not its first character (".hidden" has none).
std::string Extension(const std::string& path) { return fs::path(path).extension().string(); }

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

}  // namespace

std::vector<std::pair<std::string, std::string>> ParseFileFilter(const std::string& Filter) {
  std::vector<std::string> parts;
  std::string cur;
  // In the zero-separated form a double zero ends the list.
  std::string_view text(Filter);
  size_t end = text.find(std::string_view("\0\0", 2));
  if (end != std::string_view::npos) text = text.substr(0, end);
  for (char c : text) {
    if (c == '|' || c == '\0') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  std::vector<std::pair<std::string, std::string>> entries;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    entries.emplace_back(parts[i], parts[i + 1]);
  }
  return entries;
}

bool MatchesFileMask(const std::string& FileName, const std::string& Patterns) {
  size_t start = 0;
  while (start <= Patterns.size()) {
    size_t e = Patterns.find(';', start);
    if (e == std::string::npos) e = Patterns.size();
    std::string p = Trimmed(Patterns.substr(start, e - start));
    if (!p.empty()) {
      // "*.*" matches every name, also one without a dot.
      if (p == "*.*" || p == "*") return true;
      if (fnmatch(p.c_str(), FileName.c_str(), FNM_CASEFOLD) == 0) return true;
    }
    start = e + 1;
  }
  return false;
}

DWORD CommDlgExtendedError() { return gLastError; }

namespace {

std::string QueryText(HWND frame, UINT msg) {
  LRESULT need = SendMessage(frame, msg, 0, 0);
  if (need <= 0) return "";
  std::string buf(size_t(need), '\0');
  SendMessage(frame, msg, WPARAM(buf.size()), LPARAM(buf.data()));
  buf.resize(strnlen(buf.data(), buf.size()));
  return buf;
}

}  // namespace

std::string CommDlg_OpenSave_GetSpec(HWND f) { return QueryText(f, CDM_GETSPEC); }
std::string CommDlg_OpenSave_GetFilePath(HWND f) { return QueryText(f, CDM_GETFILEPATH); }
std::string CommDlg_OpenSave_GetFolderPath(HWND f) { return QueryText(f, CDM_GETFOLDERPATH); }
void CommDlg_OpenSave_SetDefExt(HWND f, const std::string& Ext) {
  SendMessage(f, CDM_SETDEFEXT, 0, LPARAM(Ext.c_str()));
}

namespace {

// The caller's template: a window whose dialog procedure is the hook.
class TFileDialogTemplateWindow : public TCustomControl {
 public:
  explicit TFileDialogTemplateWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle_ = TControlStyle{csAcceptsControls};
    SetParentColor(true);
  }
  LPOFNHOOKPROC Hook;

  void WndProc(TMessage& Message) override {
    if (Hook && HandleAllocated()) {
      uintptr_t r = Hook(Handle(), Message.Msg, Message.WParam, Message.LParam);
      if (r != 0 && (Message.Msg == WM_NOTIFY || Message.Msg == WM_INITDIALOG || Message.Msg >= WM_USER)) {
        Message.Result = LRESULT(r);
        return;
      }
      if (r != 0 && Message.Msg != WM_PAINT && Message.Msg != WM_NCDESTROY && Message.Msg != WM_DESTROY) {
        Message.Result = LRESULT(r);
        return;
      }
    }
    TCustomControl::WndProc(Message);
  }

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
  }
};

class TFileDialogForm : public TForm {
 public:
  TFileDialogForm(OPENFILENAME* ofn, bool save);
  ~TFileDialogForm() override = default;

  void Dispatch(TMessage& Message) override;
  void Start();
  // The caller's controls placed on the template leave it before the
  // dialog goes: they belong to the caller, not to the dialog.
  void ReleaseForeignControls();

 protected:
  void DoShow() override;

 private:
  void Build();
  void BuildPlacesBar(int32_t Height);
  void ChangeFolder(const std::string& folder, bool notify);
  void FillLists();
  void TypeChanged(TObject*);
  void FileSelected(TObject*, TListItem*, bool);
  void FolderOpen(TObject*);
  void Accept();
  void Help();
  LRESULT Notify(UINT code);
  std::string NameText() const;
  std::vector<std::string> Names() const;
  std::string CurrentPath() const;
  std::string Resolve(const std::string& name) const;
  LRESULT AnswerText(TMessage& m, const std::string& s);
  TWinControl* ControlById(int32_t id);

  OPENFILENAME* ofn_;
  bool save_;
  bool hooked_;
  std::string folder_;
  std::string pattern_;
  std::string defExt_;
  std::vector<std::pair<std::string, std::string>> filters_;
  bool filling_ = false;
  // The name box's text as the dialog last wrote it for the list's
  // selection, and the names it stands for.
  std::string written_;
  std::vector<std::string> writtenNames_;

  TFileDialogTemplateWindow* template_ = nullptr;
  TPanel* placeholder_ = nullptr;
  TPanel* placesBar_ = nullptr;
  TLabel* lookInLabel_ = nullptr;
  TLabel* folderLabel_ = nullptr;
  TListView* folders_ = nullptr;
  TListView* files_ = nullptr;
  TLabel* nameLabel_ = nullptr;
  TEdit* nameEdit_ = nullptr;
  TLabel* typeLabel_ = nullptr;
  TComboBox* typeCombo_ = nullptr;
  TButton* okButton_ = nullptr;
  TButton* cancelButton_ = nullptr;
  TCheckBox* readOnlyCheck_ = nullptr;
  TButton* helpButton_ = nullptr;
};

TFileDialogForm::TFileDialogForm(OPENFILENAME* ofn, bool save)
    : TForm(nullptr), ofn_(ofn), save_(save) {
  hooked_ = (ofn->Flags & OFN_ENABLEHOOK) && ofn->lpfnHook;
  defExt_ = ofn->lpstrDefExt;
  filters_ = ParseFileFilter(ofn->lpstrFilter);
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption(!ofn->lpstrTitle.empty() ? ofn->lpstrTitle : save ? "Save As" : "Open");
  Build();
}

void TFileDialogForm::Build() {
  const TFileDialogTemplate* t =
      (ofn_->Flags & OFN_ENABLETEMPLATE) && ofn_->lpTemplate ? ofn_->lpTemplate : nullptr;
  bool readOnlyBox = !(ofn_->Flags & OFN_HIDEREADONLY) && !save_;
  const bool helpButton = (ofn_->Flags & OFN_SHOWHELP) != 0;
  // The read-only box and the Help button share a row below the others.
  const int32_t lastRow = readOnlyBox || helpButton ? 24 : 0;
  int32_t stdW = kStdWidth, stdH = kStdHeight + lastRow;
  TRect ph = t ? t->Placeholder : Rect(0, 0, 0, 0);
  int32_t tw = t ? t->Width : 0, th = t ? t->Height : 0;
  // The standard controls take the placeholder's place; it grows to hold
  // them and the template with it.
  int32_t growW = std::max(0, stdW - ph.Width()), growH = std::max(0, stdH - ph.Height());
  stdW = std::max(stdW, ph.Width());
  stdH = std::max(stdH, ph.Height());
  tw = std::max(tw + growW, ph.Left + stdW);
  th = std::max(th + growH, ph.Top + stdH);

  // The places bar, unless the caller turned it off, runs down the left
  // edge; the template and the standard controls lie right of it.
  const int32_t bar = (ofn_->FlagsEx & OFN_EX_NOPLACESBAR) ? 0 : kPlacesWidth;
  SetClientSize(bar + tw, th);
  template_ = new TFileDialogTemplateWindow(this);
  template_->SetBounds(bar, 0, tw, th);
  template_->SetParent(this);
  if (bar) BuildPlacesBar(th);

  placeholder_ = new TPanel(this);
  placeholder_->SetBevelOuter(bvNone);
  placeholder_->SetBounds(ph.Left, ph.Top, stdW, stdH);
  placeholder_->SetParent(template_);

  auto label = [&](const std::string& text, int32_t x, int32_t y, int32_t w) {
    auto* l = new TLabel(this);
    l->SetAutoSize(false);
    l->SetBounds(x, y, w, 17);
    l->SetCaption(text);
    l->SetParentFont(true);
    l->SetParent(placeholder_);
    return l;
  };
  int32_t W = stdW, H = stdH - lastRow;
  // The windowed controls are children of the frame (as the platform's are),
  // lying over the placeholder; the labels are painted on the placeholder.
  auto place = [&](TWinControl* c, int32_t x, int32_t y, int32_t w, int32_t h) {
    c->SetBounds(bar + ph.Left + x, ph.Top + y, w, h);
    c->SetParent(this);
  };
  lookInLabel_ = label("Look in:", 6, 8, 60);
  folderLabel_ = label("", 70, 8, W - 76);
  folders_ = new TListView(this);
  place(folders_, 6, 30, 150, H - 30 - 68);
  files_ = new TListView(this);
  files_->SetMultiSelect((ofn_->Flags & OFN_ALLOWMULTISELECT) != 0);
  place(files_, 162, 30, W - 168, H - 30 - 68);
  nameLabel_ = label("File &name:", 6, H - 58, 84);
  nameEdit_ = new TEdit(this);
  place(nameEdit_, 92, H - 60, W - 92 - 90, 21);
  nameLabel_->SetFocusControl(nameEdit_);
  typeLabel_ = label("Files of &type:", 6, H - 30, 84);
  typeCombo_ = new TComboBox(this);
  typeCombo_->SetStyle(csDropDownList);
  place(typeCombo_, 92, H - 32, W - 92 - 90, 21);
  typeLabel_->SetFocusControl(typeCombo_);
  okButton_ = new TButton(this);
  okButton_->SetCaption(save_ ? "&Save" : "&Open");
  okButton_->SetDefault(true);
  place(okButton_, W - 82, H - 61, 75, 23);
  cancelButton_ = new TButton(this);
  cancelButton_->SetCaption("Cancel");
  cancelButton_->SetCancel(true);
  cancelButton_->SetModalResult(mrCancel);
  place(cancelButton_, W - 82, H - 33, 75, 23);
  if (helpButton) {
    helpButton_ = new TButton(this);
    helpButton_->SetCaption("&Help");
    place(helpButton_, W - 82, H - 4, 75, 23);
    helpButton_->OnClick = [this](TObject*) { Help(); };
  }
  if (readOnlyBox) {
    readOnlyCheck_ = new TCheckBox(this);
    readOnlyCheck_->SetCaption("Open as &read-only");
    readOnlyCheck_->SetChecked((ofn_->Flags & OFN_READONLY) != 0);
    place(readOnlyCheck_, 92, H, 200, 20);
  }
  nameEdit_->SetTabOrder(0);
  placeholder_->SetName("Placeholder");
  folderLabel_->SetName("FolderLabel");
  folders_->SetName("FolderList");
  files_->SetName("FileList");
  nameEdit_->SetName("FileNameEdit");
  typeCombo_->SetName("TypeCombo");
  okButton_->SetName("OkButton");
  cancelButton_->SetName("CancelButton");
  if (readOnlyCheck_) readOnlyCheck_->SetName("ReadOnlyCheck");
  if (helpButton_) helpButton_->SetName("HelpButton");

  for (auto& f : filters_) typeCombo_->Items()->Add(f.first);
  int32_t idx = int32_t(ofn_->nFilterIndex == 0 ? 1 : ofn_->nFilterIndex) - 1;
  if (idx >= int32_t(filters_.size())) idx = 0;
  typeCombo_->SetItemIndex(filters_.empty() ? -1 : idx);
  pattern_ = filters_.empty() ? "*" : filters_[size_t(idx)].second;
  ofn_->nFilterIndex = DWORD(idx + 1);

  typeCombo_->OnChange = [this](TObject* s) { TypeChanged(s); };
  files_->OnSelectItem = [this](TObject* s, TListItem* i, bool sel) { FileSelected(s, i, sel); };
  files_->OnDblClick = [this](TObject*) {
    if (files_->Selected()) Accept();
  };
  folders_->OnDblClick = [this](TObject* s) { FolderOpen(s); };
  okButton_->OnClick = [this](TObject*) { Accept(); };

  // The starting folder: the one in the file name, else the initial one,
  // else the working folder.
  std::string name = ofn_->lpstrFile;
  std::string start;
  if (name.find('/') != std::string::npos) {
    std::string full = NormalPath(JoinPath(fs::current_path().string(), name));
    if (IsDir(full)) {
      start = full;
      name.clear();
    } else {
      start = NormalPath(fs::path(full).parent_path().string());
      name = fs::path(full).filename().string();
    }
  }
  if (start.empty() || !IsDir(start)) {
    start = ofn_->lpstrInitialDir;
    if (!start.empty()) start = NormalPath(JoinPath(fs::current_path().string(), start));
  }
  if (start.empty() || !IsDir(start)) {
    std::error_code ec;
    start = fs::current_path(ec).string();
  }
  nameEdit_->SetText(name);
  ChangeFolder(start, false);
  ActiveControl();
  SetActiveControl(nameEdit_);
  template_->Hook = hooked_ ? ofn_->lpfnHook : nullptr;
}

void TFileDialogForm::BuildPlacesBar(int32_t Height) {
  placesBar_ = new TPanel(this);
  placesBar_->SetName("PlacesBar");
  placesBar_->SetBevelOuter(bvLowered);
  placesBar_->SetBounds(0, 0, kPlacesWidth, Height);
  placesBar_->SetParent(this);
  // The user's usual folders that exist here, then the whole file system.
  const char* home_env = std::getenv("HOME");
  const std::string home = home_env && *home_env ? NormalPath(home_env) : "";
  std::vector<std::pair<std::string, std::string>> places;
  if (!home.empty() && IsDir(home)) {
    places.emplace_back("Home", home);
    for (const char* sub : {"Desktop", "Pictures", "Documents"})
      if (IsDir(JoinPath(home, sub))) places.emplace_back(sub, JoinPath(home, sub));
  }
  places.emplace_back("Computer", "/");
  int32_t top = 6;
  for (const auto& [caption, folder] : places) {
    auto* b = new TButton(this);
    b->SetName("Place" + caption);
    b->SetCaption(caption);
    b->SetBounds(6, top, kPlacesWidth - 12, 32);
    b->SetParent(placesBar_);
    b->OnClick = [this, folder = folder](TObject*) { ChangeFolder(folder, true); };
    top += 36;
  }
}

void TFileDialogForm::Start() {
  HandleNeeded();
  template_->HandleNeeded();
  // The standard controls lie above the template.
  template_->SendToBack();
  // The controls answer to the platform's ids (GetDlgCtrlID).
  for (int32_t id : {int32_t(stc32), int32_t(cmb1), int32_t(edt1), int32_t(lst1), int32_t(lst2),
                     int32_t(chx1), int32_t(IDOK_BUTTON), int32_t(IDCANCEL_BUTTON), int32_t(pshHelp)})
    if (TWinControl* c = ControlById(id)) {
      c->HandleNeeded();
      SetWindowLongPtr(c->Handle(), GWL_ID, id);
    }
  if (hooked_) SendMessage(template_->Handle(), WM_INITDIALOG, 0, LPARAM(ofn_));
}

void TFileDialogForm::ReleaseForeignControls() {
  for (int32_t i = template_->ControlCount() - 1; i >= 0; --i) {
    TControl* c = template_->Controls(i);
    if (c->Owner() != this) c->SetParent(nullptr);
  }
}

void TFileDialogForm::DoShow() {
  TForm::DoShow();
  Notify(CDN_INITDONE);
  Notify(CDN_FOLDERCHANGE);
}

LRESULT TFileDialogForm::Notify(UINT code) {
  if (!hooked_ || !template_->HandleAllocated()) return 0;
  OFNOTIFY n;
  n.hdr.hwndFrom = Handle();
  n.hdr.idFrom = 0;
  n.hdr.code = code;
  n.lpOFN = ofn_;
  return SendMessage(template_->Handle(), WM_NOTIFY, 0, LPARAM(&n));
}

void TFileDialogForm::ChangeFolder(const std::string& folder, bool notify) {
  folder_ = NormalPath(folder);
  folderLabel_->SetCaption(folder_);
  FillLists();
  if (notify) Notify(CDN_FOLDERCHANGE);
}

void TFileDialogForm::FillLists() {
  filling_ = true;
  std::vector<std::string> dirs, files;
  bool hidden = (ofn_->Flags & OFN_FORCESHOWHIDDEN) != 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder_, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    std::string n = it->path().filename().string();
    if (!hidden && !n.empty() && n[0] == '.') continue;
    std::error_code e2;
    if (it->is_directory(e2)) dirs.push_back(n);
    else if (it->is_regular_file(e2) && MatchesFileMask(n, pattern_)) files.push_back(n);
  }
  // Folded to lower case, as file managers list names ("_x" before "ab",
  // which upper-case folding would put after it); equal folds by bytes.
  auto byName = [](const std::string& a, const std::string& b) {
    int c = strcasecmp(a.c_str(), b.c_str());
    return c != 0 ? c < 0 : a < b;
  };
  std::sort(dirs.begin(), dirs.end(), byName);
  std::sort(files.begin(), files.end(), byName);
  folders_->Items()->BeginUpdate();
  folders_->Items()->Clear();
  if (folder_ != "/") folders_->Items()->Add()->SetCaption("..");
  for (auto& d : dirs) folders_->Items()->Add()->SetCaption(d);
  folders_->Items()->EndUpdate();
  files_->Items()->BeginUpdate();
  files_->Items()->Clear();
  for (auto& f : files) files_->Items()->Add()->SetCaption(f);
  files_->Items()->EndUpdate();
  filling_ = false;
}

void TFileDialogForm::TypeChanged(TObject*) {
  int32_t i = typeCombo_->ItemIndex();
  if (i < 0 || i >= int32_t(filters_.size())) return;
  pattern_ = filters_[size_t(i)].second;
  ofn_->nFilterIndex = DWORD(i + 1);
  FillLists();
  Notify(CDN_TYPECHANGE);
}

void TFileDialogForm::FileSelected(TObject*, TListItem*, bool) {
  if (filling_) return;
  std::vector<std::string> names;
  for (TListItem* i = files_->Selected(); i; i = files_->GetNextSelected(i)) names.push_back(i->Caption());
  if (names.size() == 1) {
    nameEdit_->SetText(names[0]);
  } else if (names.size() > 1) {
    std::string t;
    for (auto& n : names) t += (t.empty() ? "\"" : " \"") + n + "\"";
    nameEdit_->SetText(t);
  }
  if (!names.empty()) {
    written_ = nameEdit_->Text();
    writtenNames_ = names;
  }
  Notify(CDN_SELCHANGE);
}

void TFileDialogForm::FolderOpen(TObject*) {
  TListItem* i = folders_->Selected();
  if (!i) return;
  std::string target = i->Caption() == ".." ? fs::path(folder_).parent_path().string()
                                            : JoinPath(folder_, i->Caption());
  if (IsDir(target)) ChangeFolder(target, true);
}

std::string TFileDialogForm::Resolve(const std::string& name) const {
  return NormalPath(JoinPath(folder_, name));
}

// The name box's text; blanks around it are dropped unless the text as it
// stands names an existing entry (" pic.png" is a file of its own).
std::string TFileDialogForm::NameText() const {
  const std::string raw = nameEdit_->Text();
  std::string t = Trimmed(raw);
  std::error_code ec;
  if (t != raw && !t.empty() && fs::exists(Resolve(raw), ec)) return raw;
  return t;
}

// The names the box stands for. Without multi-select its text is one name,
// quotes and all. With it: the list's selected names while the box holds the
// text the dialog wrote for them (a name may hold a quote); else the text
// naming an existing entry whole; else the quoted names typed.
std::vector<std::string> TFileDialogForm::Names() const {
  const std::string text = NameText();
  if (text.empty()) return {};
  if (!(ofn_->Flags & OFN_ALLOWMULTISELECT)) return {text};
  if (!written_.empty() && nameEdit_->Text() == written_) return writtenNames_;
  std::error_code ec;
  if (fs::exists(Resolve(text), ec)) return {text};
  return SplitNames(text);
}

std::string TFileDialogForm::CurrentPath() const {
  std::vector<std::string> names = Names();
  if (names.empty()) return NameText().empty() ? folder_ : Resolve(NameText());
  return Resolve(names[0]);
}

void TFileDialogForm::Accept() {
  // Enter in the folder list opens the folder chosen there.
  if (ActiveControl() == folders_ && folders_->Selected()) {
    FolderOpen(folders_);
    return;
  }
  std::vector<std::string> names = Names();
  if (names.empty()) return;
  if (names.size() == 1) {
    std::string full = Resolve(names[0]);
    std::error_code ec;
    if (HasWildcard(fs::path(names[0]).filename().string()) && !fs::exists(full, ec)) {
      // A mask becomes the filter; its folder, if any, is entered. A name
      // that exists as it stands is taken as a name.
      std::string dir = fs::path(full).parent_path().string();
      pattern_ = fs::path(full).filename().string();
      if (IsDir(dir) && NormalPath(dir) != folder_) ChangeFolder(dir, true);
      else FillLists();
      return;
    }
    if (IsDir(full)) {
      nameEdit_->SetText("");
      ChangeFolder(full, true);
      return;
    }
  }
  std::vector<std::string> paths;
  for (auto& n : names) {
    std::string full = Resolve(n);
    // A name without extension gets the default one: always when saving, so
    // that the question and the result concern the file that is written;
    // when opening, unless the bare name is a file.
    if (!defExt_.empty() && Extension(full).empty() && (save_ || !IsFile(full)))
      full += "." + defExt_;
    std::string shown = fs::path(full).filename().string();
    std::string dir = fs::path(full).parent_path().string();
    if ((ofn_->Flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !IsDir(dir.empty() ? "/" : dir)) {
      MessageBox(Handle(), dir + "\nPath does not exist.\nCheck the path and try again.", Caption(),
                 MB_OK | MB_ICONWARNING);
      return;
    }
    if (IsSpecial(full)) {
      MessageBox(Handle(), shown + "\nThis is not a regular file.\nChoose another name and try again.", Caption(),
                 MB_OK | MB_ICONWARNING);
      return;
    }
    if ((ofn_->Flags & OFN_FILEMUSTEXIST) && !IsFile(full)) {
      MessageBox(Handle(), shown + "\nFile not found.\nCheck the file name and try again.", Caption(),
                 MB_OK | MB_ICONWARNING);
      return;
    }
    if (save_ && (ofn_->Flags & OFN_OVERWRITEPROMPT) && IsFile(full) &&
        MessageBox(Handle(), shown + " already exists.\nDo you want to replace it?", Caption(),
                   MB_YESNO | MB_ICONWARNING) != IDYES)
      return;
    if (!save_ && (ofn_->Flags & OFN_CREATEPROMPT) && !IsFile(full) &&
        MessageBox(Handle(), shown + "\nThis file does not exist.\nCreate the file?", Caption(),
                   MB_YESNO | MB_ICONQUESTION) != IDYES)
      return;
    paths.push_back(full);
  }
  // The result in the record.
  std::string result;
  if (paths.size() == 1) {
    result = paths[0];
    ofn_->nFileOffset = WORD(result.rfind('/') + 1);
    std::string ext = Extension(result);
    ofn_->nFileExtension = ext.empty() ? 0 : WORD(result.size() - ext.size() + 1);
    ofn_->lpstrFileTitle = result.substr(ofn_->nFileOffset);
  } else {
    result = folder_;
    result += '\0';
    // Names in the folder go bare, names elsewhere with their full path.
    for (auto& p : paths) {
      const fs::path fp(p);
      result += NormalPath(fp.parent_path().string()) == folder_ ? fp.filename().string() : p;
      result += '\0';
    }
    ofn_->nFileOffset = WORD(folder_.size() + 1);
    ofn_->nFileExtension = 0;
    ofn_->lpstrFileTitle.clear();
  }
  if (ofn_->nMaxFile && result.size() + 1 > ofn_->nMaxFile) {
    gLastError = FNERR_BUFFERTOOSMALL;
    SetModalResult(mrAbort);
    return;
  }
  std::string saved = ofn_->lpstrFile;
  DWORD savedFlags = ofn_->Flags;
  ofn_->lpstrFile = result;
  ofn_->Flags &= ~DWORD(OFN_READONLY | OFN_EXTENSIONDIFFERENT);
  if (readOnlyCheck_ && readOnlyCheck_->Checked()) ofn_->Flags |= OFN_READONLY;
  if (!defExt_.empty() && paths.size() == 1) {
    std::string ext = Extension(paths[0]);
    if (ext.empty() || !SameText(ext.substr(1), defExt_)) ofn_->Flags |= OFN_EXTENSIONDIFFERENT;
  }
  if (Notify(CDN_FILEOK) != 0) {
    // Refused: the dialog stays as it was.
    ofn_->lpstrFile = saved;
    ofn_->Flags = savedFlags;
    return;
  }
  SetModalResult(mrOk);
}

// The hook hears of the request first; the owner then gets the common
// dialogs' help message, which is how the program learns that the user
// asked for help here.
void TFileDialogForm::Help() {
  Notify(CDN_HELP);
  if (ofn_->hwndOwner)
    SendMessage(ofn_->hwndOwner, RegisterWindowMessage(HELPMSGSTRING), WPARAM(Handle()), LPARAM(ofn_));
}

LRESULT TFileDialogForm::AnswerText(TMessage& m, const std::string& s) {
  if (m.LParam && m.WParam > 0) {
    size_t n = std::min(s.size(), size_t(m.WParam) - 1);
    std::memcpy(reinterpret_cast<char*>(m.LParam), s.data(), n);
    reinterpret_cast<char*>(m.LParam)[n] = '\0';
  }
  return LRESULT(s.size() + 1);
}

TWinControl* TFileDialogForm::ControlById(int32_t id) {
  switch (id) {
    case cmb1: return typeCombo_;
    case edt1: return nameEdit_;
    case lst1: return folders_;
    case lst2: return files_;
    case chx1: return readOnlyCheck_;
    case IDOK_BUTTON: return okButton_;
    case IDCANCEL_BUTTON: return cancelButton_;
    case pshHelp: return helpButton_;
    case stc32: return placeholder_;
    default: return nullptr;
  }
}

void TFileDialogForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CDM_GETSPEC:
      Message.Result = AnswerText(Message, nameEdit_->Text());
      return;
    case CDM_GETFILEPATH:
      Message.Result = AnswerText(Message, CurrentPath());
      return;
    case CDM_GETFOLDERPATH:
      Message.Result = AnswerText(Message, folder_);
      return;
    case CDM_SETDEFEXT:
      defExt_ = Message.LParam ? reinterpret_cast<const char*>(Message.LParam) : "";
      if (!defExt_.empty() && defExt_[0] == '.') defExt_.erase(0, 1);
      return;
    case CDM_SETCONTROLTEXT: {
      TControl* c = ControlById(int32_t(Message.WParam));
      if (!c) {
        if (Message.WParam == stc2) c = typeLabel_;
        if (Message.WParam == stc3) c = nameLabel_;
        if (Message.WParam == stc4) c = lookInLabel_;
      }
      if (c && Message.LParam) c->SetText(reinterpret_cast<const char*>(Message.LParam));
      return;
    }
    case CM_CHILDKEY:
      // F1 anywhere in the dialog is its Help button.
      if (Message.WParam == VK_F1 && helpButton_ && helpButton_->Visible() && helpButton_->Enabled()) {
        Help();
        Message.Result = 1;
        return;
      }
      break;
    case CDM_HIDECONTROL: {
      TControl* c = ControlById(int32_t(Message.WParam));
      if (c) c->SetVisible(false);
      return;
    }
  }
  TForm::Dispatch(Message);
}

bool RunFileDialog(OPENFILENAME* ofn, bool save) {
  gLastError = CDERR_NONE;
  if (!ofn || ofn->lStructSize != sizeof(OPENFILENAME)) {
    gLastError = CDERR_STRUCTSIZE;
    return false;
  }
  auto* f = new TFileDialogForm(ofn, save);
  bool ok = false;
  try {
    f->Start();
    ok = f->ShowModal() == mrOk;
  } catch (...) {
    f->ReleaseForeignControls();
    f->Free();
    throw;
  }
  f->ReleaseForeignControls();
  f->Free();
  return ok && gLastError == CDERR_NONE;
}

}  // namespace

bool GetOpenFileName(OPENFILENAME* ofn) { return RunFileDialog(ofn, false); }
bool GetSaveFileName(OPENFILENAME* ofn) { return RunFileDialog(ofn, true); }
