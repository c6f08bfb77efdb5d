// The open and save dialogs: typed paths, clicks, filters, the options and
// the hook and template contract.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "FrameworkTestSupport.h"
#include "ui/FileDialog.h"
#include "ui/TButton.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"
#include "ui/TLabel.h"
#include "ui/TListView.h"
#include "ui/TPanel.h"

namespace fs = std::filesystem;

namespace {

class FileDialogTest : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    char tmpl[] = "/tmp/nobrivo-fdlg-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    for (const char* f : {"a.jpg", "B.JPG", "c.png", "notes.txt", ".hidden.jpg"}) Touch(dir_ + "/" + f);
    fs::create_directory(dir_ + "/sub");
    fs::create_directory(dir_ + "/Zeta");
    Touch(dir_ + "/sub/d.jpg");
    Touch(dir_ + "/sub/e.tif");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
    FrameworkTest::TearDown();
  }
  static void Touch(const std::string& p) { std::ofstream(p) << "x"; }

  // The dialog form and its named controls (while it runs).
  TCustomForm* Dialog() { return Screen->ActiveForm(); }
  template <class T>
  T* Part(const char* name) {
    TCustomForm* f = Dialog();
    return f ? dynamic_cast<T*>(f->FindComponent(name)) : nullptr;
  }
  void Type(const std::string& s) {
    for (char c : s) InjectChar(uint8_t(c));
    Pump();
  }
  void Tap(TControl* c, int32_t x, int32_t y) {
    HeadlessAdvanceClock(1000);
    Click(c, x, y);
  }
  void DoubleTap(TControl* c, int32_t x, int32_t y) {
    Tap(c, x, y);
    InjectMouseButton(VK_LBUTTON, true);
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
  }
  void TapItem(TListView* lv, const std::string& caption, bool twice = false) {
    for (int32_t i = 0; i < lv->Items()->Count(); ++i)
      if (lv->Items()->Item(i)->Caption() == caption) {
        lv->Items()->Item(i)->MakeVisible(false);
        TRect r = lv->ItemRect(i);
        if (twice) DoubleTap(lv, r.Left + 6, r.Top + 3);
        else Tap(lv, r.Left + 6, r.Top + 3);
        return;
      }
    ADD_FAILURE() << "no item " << caption;
  }
  // The texts of the active form's labels (a message box's question).
  std::string LabelTexts() {
    std::string t;
    TCustomForm* f = Dialog();
    for (int32_t i = 0; f && i < f->ComponentCount(); ++i)
      if (auto* l = dynamic_cast<TLabel*>(f->Components(i))) t += l->Caption();
    return t;
  }
  static std::vector<std::string> Captions(TListView* lv) {
    std::vector<std::string> v;
    for (int32_t i = 0; i < lv->Items()->Count(); ++i) v.push_back(lv->Items()->Item(i)->Caption());
    return v;
  }

  std::string dir_;
};

TEST(FileFilter, ParseAndMatch) {
  auto e = ParseFileFilter("Images (*.jpg;*.png)|*.jpg;*.png|All files (*.*)|*.*");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].first, "Images (*.jpg;*.png)");
  EXPECT_EQ(e[0].second, "*.jpg;*.png");
  EXPECT_EQ(e[1].second, "*.*");
  // Zero bytes separate as well, a double zero ends the list.
  std::string z("A\0*.a\0B\0*.b\0\0C\0*.c\0", 20);
  EXPECT_EQ(ParseFileFilter(z).size(), 2u);
  EXPECT_TRUE(ParseFileFilter("").empty());
  EXPECT_TRUE(ParseFileFilter("odd").empty());
  EXPECT_TRUE(MatchesFileMask("photo.JPG", "*.tif;*.jpg"));
  EXPECT_FALSE(MatchesFileMask("photo.jpeg", "*.tif;*.jpg"));
  EXPECT_TRUE(MatchesFileMask("README", "*.*"));
  EXPECT_TRUE(MatchesFileMask("x1.bmp", "x?.bmp"));
  EXPECT_FALSE(MatchesFileMask("x1.bmp", ""));
}

TEST_F(FileDialogTest, TypedPathAndEnter) {
  OPENFILENAME ofn;
  ofn.lpstrFilter = "JPEG (*.jpg)|*.jpg|All (*.*)|*.*";
  ofn.nFilterIndex = 1;
  ofn.lpstrInitialDir = dir_ + "/";
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLEHOOK;
  std::vector<std::string> seen;
  std::string atFileOk;
  ofn.lpfnHook = [&](HWND hdlg, UINT msg, WPARAM, LPARAM lp) -> uintptr_t {
    if (msg == WM_INITDIALOG) {
      EXPECT_EQ(reinterpret_cast<OPENFILENAME*>(lp), &ofn);
      seen.push_back("init");
    }
    if (msg == WM_NOTIFY) {
      auto* n = reinterpret_cast<OFNOTIFY*>(lp);
      EXPECT_EQ(n->hdr.hwndFrom, GetParent(hdlg));
      switch (n->hdr.code) {
        case CDN_INITDONE: seen.push_back("initdone"); break;
        case CDN_FOLDERCHANGE: seen.push_back("folder " + CommDlg_OpenSave_GetFolderPath(GetParent(hdlg))); break;
        case CDN_SELCHANGE: seen.push_back("sel"); break;
        case CDN_FILEOK:
          seen.push_back("fileok");
          atFileOk = n->lpOFN->lpstrFile;
          break;
      }
    }
    return 0;
  };
  bool ok = false;
  WithSteps({[&] {
               ASSERT_NE(Dialog(), nullptr);
               EXPECT_EQ(Dialog()->Caption(), "Open");
               auto* files = Part<TListView>("FileList");
               auto* folders = Part<TListView>("FolderList");
               // Only the filter's files, hidden ones left out; folders apart.
               EXPECT_EQ(Captions(files), (std::vector<std::string>{"a.jpg", "B.JPG"}));
               EXPECT_EQ(Captions(folders), (std::vector<std::string>{"..", "sub", "Zeta"}));
               EXPECT_TRUE(Part<TEdit>("FileNameEdit")->Focused());
             },
             // A folder typed with Enter is entered.
             [&] {
               Type("sub");
               Key(VK_RETURN);
               EXPECT_EQ(Captions(Part<TListView>("FileList")), (std::vector<std::string>{"d.jpg"}));
               EXPECT_EQ(Part<TEdit>("FileNameEdit")->Text(), "");
             },
             // A missing file is refused with a message (answered by Enter).
             [&] {
               Type("missing.jpg");
               InjectKey(VK_RETURN, true);
               InjectKey(VK_RETURN, false);
             },
             [&] {
               // The message box is up; its OK button answers.
               EXPECT_EQ(Dialog()->FindComponent("FileList"), nullptr);
               Key(VK_RETURN);
             },
             [&] {
               auto* e = Part<TEdit>("FileNameEdit");
               ASSERT_NE(e, nullptr);
               e->SetText(dir_ + "/c.png");
               e->SetFocus();
               Key(VK_RETURN);
             }},
            [&] { ok = GetOpenFileName(&ofn); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(ofn.lpstrFile, dir_ + "/c.png");
  EXPECT_EQ(atFileOk, ofn.lpstrFile);
  EXPECT_EQ(ofn.lpstrFile.substr(ofn.nFileOffset), "c.png");
  EXPECT_EQ(ofn.lpstrFile.substr(ofn.nFileExtension), "png");
  EXPECT_EQ(ofn.lpstrFileTitle, "c.png");
  EXPECT_EQ(ofn.nFilterIndex, 1u);
  EXPECT_EQ(seen, (std::vector<std::string>{"init", "initdone", "folder " + dir_, "folder " + dir_ + "/sub",
                                            "fileok"}));
}

TEST_F(FileDialogTest, ClicksWithTemplateAndNotifications) {
  TFileDialogTemplate tpl;
  tpl.Width = 600;
  tpl.Height = 320;
  tpl.Placeholder = Rect(0, 0, 400, 200);  // smaller than the standard controls: it grows
  OPENFILENAME ofn;
  ofn.lpstrFilter = "Common|*.jpg;*.png|TIFF|*.tif;*.tiff|All|*.*";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = dir_ + "/a.jpg";
  ofn.lpstrTitle = "Pick";
  ofn.Flags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_HIDEREADONLY;
  ofn.lpTemplate = &tpl;
  HWND frame = nullptr, templ = nullptr;
  TPanel* preview = nullptr;
  TRect placeholder;
  std::vector<std::string> seen;
  int refuse = 1;
  ofn.lpfnHook = [&](HWND hdlg, UINT msg, WPARAM, LPARAM lp) -> uintptr_t {
    if (msg == WM_INITDIALOG) {
      templ = hdlg;
      frame = GetParent(hdlg);
      // The caller's panel goes beside the placeholder, on the template.
      TWinControl* t = TWinControl::FindControl(hdlg);
      EXPECT_NE(t, nullptr);
      preview = new TPanel(Application);
      preview->SetName("PicturePanel");
      preview->SetParent(t);
      return 0;
    }
    if (msg != WM_NOTIFY) return 0;
    auto* n = reinterpret_cast<OFNOTIFY*>(lp);
    switch (n->hdr.code) {
      case CDN_INITDONE: {
        HWND ph = nullptr;
        EnumChildWindows(hdlg, [&](HWND w) {
          if (GetDlgCtrlID(w) == stc32) ph = w;
          return ph == nullptr;
        });
        EXPECT_EQ(TWinControl::FindControl(ph), TWinControl::FindControl(frame)->FindComponent("Placeholder"));
        EXPECT_NE(ph, nullptr);
        GetWindowRect(ph, placeholder);
        TPoint tl = placeholder.TopLeft(), br = placeholder.BottomRight();
        ScreenToClient(hdlg, tl);
        ScreenToClient(hdlg, br);
        placeholder = Rect(tl.X, tl.Y, br.X, br.Y);
        TRect client;
        GetClientRect(hdlg, client);
        preview->SetBounds(placeholder.Right, placeholder.Top, client.Right - placeholder.Right,
                           placeholder.Height());
        seen.push_back("initdone");
        break;
      }
      case CDN_SELCHANGE: seen.push_back("sel " + CommDlg_OpenSave_GetFilePath(frame)); break;
      case CDN_FOLDERCHANGE: seen.push_back("folder " + CommDlg_OpenSave_GetFolderPath(frame)); break;
      case CDN_TYPECHANGE:
        seen.push_back("type " + std::to_string(n->lpOFN->nFilterIndex));
        CommDlg_OpenSave_SetDefExt(frame, "tif");
        break;
      case CDN_FILEOK:
        seen.push_back("fileok " + n->lpOFN->lpstrFile);
        if (refuse-- > 0) return 1;
        break;
    }
    return 0;
  };
  bool ok = false;
  WithSteps({[&] {
               ASSERT_NE(Dialog(), nullptr);
               EXPECT_EQ(Dialog()->Caption(), "Pick");
               EXPECT_EQ(Part<TEdit>("FileNameEdit")->Text(), "a.jpg");
               // The placeholder grew to the standard controls; the template by as much.
               EXPECT_GE(placeholder.Width(), 400);
               // The places bar lies left of the template.
               EXPECT_EQ(Dialog()->ClientWidth(),
                         Part<TPanel>("PlacesBar")->Width() + 600 + placeholder.Width() - 400);
               EXPECT_EQ(preview->Left(), placeholder.Right);
               EXPECT_EQ(preview->Width(), 600 - 400);
               EXPECT_TRUE(preview->Showing());
               EXPECT_EQ(Captions(Part<TListView>("FileList")),
                         (std::vector<std::string>{"a.jpg", "B.JPG", "c.png"}));
             },
             [&] { TapItem(Part<TListView>("FolderList"), "sub", true); },
             [&] { TapItem(Part<TListView>("FileList"), "d.jpg"); },
             [&] {
               EXPECT_EQ(Part<TEdit>("FileNameEdit")->Text(), "d.jpg");
               // Choose the second type with the keyboard in the type box.
               auto* combo = Part<TComboBox>("TypeCombo");
               combo->SetFocus();
               Key(VK_DOWN);
               EXPECT_EQ(Captions(Part<TListView>("FileList")), (std::vector<std::string>{"e.tif"}));
             },
             [&] { TapItem(Part<TListView>("FileList"), "e.tif"); },
             [&] {
               auto* okb = Part<TButton>("OkButton");
               Tap(okb, 10, 10);  // refused by the hook: stays open
               EXPECT_EQ(Dialog()->ModalResult(), mrNone);
             },
             [&] {
               auto* e = Part<TEdit>("FileNameEdit");
               e->SetText("newname");  // takes the default extension set at the type change
               Tap(Part<TButton>("OkButton"), 10, 10);
             }},
            [&] { ok = GetSaveFileName(&ofn); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(ofn.lpstrFile, dir_ + "/sub/newname.tif");
  EXPECT_EQ(ofn.nFilterIndex, 2u);
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "initdone", "folder " + dir_, "folder " + dir_ + "/sub", "sel " + dir_ + "/sub/d.jpg",
                      "type 2", "sel " + dir_ + "/sub/e.tif", "fileok " + dir_ + "/sub/e.tif",
                      "fileok " + dir_ + "/sub/newname.tif"}));
  preview->Free();
}

TEST_F(FileDialogTest, OverwritePromptMultiSelectAndCancel) {
  // Save over an existing file: No keeps the dialog, Yes accepts.
  OPENFILENAME save;
  save.lpstrInitialDir = dir_;
  save.lpstrFilter = "All|*.*";
  save.lpstrDefExt = "jpg";
  save.Flags = OFN_OVERWRITEPROMPT;
  bool ok = false;
  WithSteps({[&] {
               Type("a");
               Key(VK_RETURN);  // a.jpg exists: the question comes
             },
             [&] { Key('N'); },  // No
             [&] {
               EXPECT_NE(Part<TEdit>("FileNameEdit"), nullptr);
               Key(VK_RETURN);
             },
             [&] { Key('Y'); }},
            [&] { ok = GetSaveFileName(&save); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(save.lpstrFile, dir_ + "/a.jpg");
  EXPECT_FALSE(save.Flags & OFN_EXTENSIONDIFFERENT);

  // Several files: the folder, then the names, each ending in a zero byte.
  OPENFILENAME multi;
  multi.lpstrInitialDir = dir_;
  multi.lpstrFilter = "Pictures|*.jpg;*.png";
  multi.Flags = OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST;
  WithSteps({[&] {
               auto* files = Part<TListView>("FileList");
               TapItem(files, "a.jpg");
               InjectKey(VK_CONTROL, true);
               TapItem(files, "c.png");
               InjectKey(VK_CONTROL, false);
               Pump();
               EXPECT_EQ(Part<TEdit>("FileNameEdit")->Text(), "\"a.jpg\" \"c.png\"");
             },
             [&] { Key(VK_RETURN); }},
            [&] { ok = GetOpenFileName(&multi); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(multi.lpstrFile, dir_ + std::string("\0a.jpg\0c.png\0", 13));
  EXPECT_EQ(multi.nFileOffset, dir_.size() + 1);

  // Escape cancels; the record keeps what it had.
  OPENFILENAME cancel;
  cancel.lpstrFile = "keep.me";
  WithSteps({[&] { Key(VK_ESCAPE); }}, [&] { ok = GetOpenFileName(&cancel); });
  EXPECT_FALSE(ok);
  EXPECT_EQ(CommDlgExtendedError(), DWORD(CDERR_NONE));
  EXPECT_EQ(cancel.lpstrFile, "keep.me");

  // A record of the wrong size is refused at once.
  OPENFILENAME bad;
  bad.lStructSize = 12;
  EXPECT_FALSE(GetOpenFileName(&bad));
  EXPECT_EQ(CommDlgExtendedError(), DWORD(CDERR_STRUCTSIZE));
}

TEST_F(FileDialogTest, WildcardBecomesTheFilterAndShowsReadOnlyBox) {
  OPENFILENAME ofn;
  ofn.lpstrInitialDir = dir_;
  ofn.lpstrFilter = "Text|*.txt";
  bool ok = false;
  WithSteps({[&] {
               // Enter in the folder list opens the selected folder.
               auto* folders = Part<TListView>("FolderList");
               TapItem(folders, "sub");
               Key(VK_RETURN);
               EXPECT_EQ(CommDlg_OpenSave_GetFolderPath(Dialog()->Handle()), dir_ + "/sub");
               TapItem(Part<TListView>("FolderList"), "..");
               Key(VK_RETURN);
               EXPECT_EQ(CommDlg_OpenSave_GetFolderPath(Dialog()->Handle()), dir_);
               Part<TEdit>("FileNameEdit")->SetFocus();
               EXPECT_NE(Part<TControl>("ReadOnlyCheck"), nullptr);
               EXPECT_EQ(Captions(Part<TListView>("FileList")), (std::vector<std::string>{"notes.txt"}));
               Type("*.png");
               Key(VK_RETURN);
               EXPECT_EQ(Captions(Part<TListView>("FileList")), (std::vector<std::string>{"c.png"}));
               Part<TEdit>("FileNameEdit")->SetText("../" + fs::path(dir_).filename().string() + "/notes.txt");
               Key(VK_SPACE);  // nothing: the edit has the focus, a blank is typed
               Part<TEdit>("FileNameEdit")->SetText(dir_ + "/sub/../notes.txt");
               Key(VK_RETURN);
             }},
            [&] { ok = GetOpenFileName(&ofn); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(ofn.lpstrFile, dir_ + "/notes.txt");
}

// A pipe named like a picture is neither listed nor taken, when opening or
// saving: opening it would wait for a writer.
TEST_F(FileDialogTest, PipeIsNotOfferedOrTaken) {
  ASSERT_EQ(::mkfifo((dir_ + "/pipe.jpg").c_str(), 0600), 0);
  for (bool save : {false, true}) {
    OPENFILENAME ofn;
    ofn.lpstrInitialDir = dir_;
    ofn.lpstrFilter = "JPEG|*.jpg";
    ofn.Flags = OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    std::string message;
    bool ok = true;
    WithSteps({[&] {
                 EXPECT_EQ(Captions(Part<TListView>("FileList")), (std::vector<std::string>{"a.jpg", "B.JPG"}));
                 Type("pipe.jpg");
                 Key(VK_RETURN);
               },
               [&] {
                 message = LabelTexts();
                 Key(VK_RETURN);
               },
               [&] { Key(VK_ESCAPE); }},
              [&] { ok = save ? GetSaveFileName(&ofn) : GetOpenFileName(&ofn); });
    EXPECT_FALSE(ok) << save;
    EXPECT_NE(message.find("not a regular file"), std::string::npos) << message;
  }
}

// Names holding '*' or '?' that exist are taken as names, typed or picked
// from the list; other such texts stay filter masks.
TEST_F(FileDialogTest, ExistingNamesWithMaskCharactersAreTaken) {
  for (const char* name : {"*star.jpg", "q?.jpg", "[x].jpg"}) {
    Touch(dir_ + "/" + name);
    for (bool picked : {false, true}) {
      OPENFILENAME ofn;
      ofn.lpstrInitialDir = dir_;
      ofn.lpstrFilter = "JPEG|*.jpg";
      ofn.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
      bool ok = false;
      WithSteps({[&] {
                   if (picked) TapItem(Part<TListView>("FileList"), name);
                   else Type(name);
                   EXPECT_EQ(Part<TEdit>("FileNameEdit")->Text(), name);
                   Key(VK_RETURN);
                 }},
                [&] { ok = GetOpenFileName(&ofn); });
      EXPECT_TRUE(ok) << name;
      EXPECT_EQ(ofn.lpstrFile, dir_ + "/" + name);
    }
    fs::remove(dir_ + "/" + name);
  }
}

// Blanks around a name are part of it when the name so exists; otherwise
// they are dropped.
TEST_F(FileDialogTest, BlanksBelongToExistingNames) {
  for (const char* n : {" c.png", "c.png "}) Touch(dir_ + "/" + n);
  const struct {
    const char* text;
    bool picked;
    const char* chosen;
  } cases[] = {{" c.png", true, " c.png"},
               {"c.png ", true, "c.png "},
               {" c.png", false, " c.png"},
               {"  a.jpg  ", false, "a.jpg"}};
  for (const auto& c : cases) {
    OPENFILENAME ofn;
    ofn.lpstrInitialDir = dir_;
    ofn.lpstrFilter = "All|*.*";
    ofn.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
    std::string current;
    bool ok = false;
    WithSteps({[&] {
                 if (c.picked) TapItem(Part<TListView>("FileList"), c.text);
                 else Part<TEdit>("FileNameEdit")->SetText(c.text);
                 current = CommDlg_OpenSave_GetFilePath(Dialog()->Handle());
                 Key(VK_RETURN);
               }},
              [&] { ok = GetOpenFileName(&ofn); });
    EXPECT_TRUE(ok) << c.text;
    EXPECT_EQ(current, dir_ + "/" + c.chosen) << c.text;
    EXPECT_EQ(ofn.lpstrFile, dir_ + "/" + c.chosen) << c.text;
  }
}

// A double quote is part of a name: the current path and the result keep
// it whole, alone or among several names picked from the list.
TEST_F(FileDialogTest, QuotesInNamesPickedFromTheList) {
  const std::string q = "x \"y\".jpg";
  Touch(dir_ + "/" + q);
  const struct {
    bool multi;
    std::vector<std::string> picks;
    std::string result;
  } cases[] = {{false, {q}, dir_ + "/" + q},
               {true, {q}, dir_ + "/" + q},
               {true, {"a.jpg", q}, dir_ + std::string(1, '\0') + "a.jpg" + std::string(1, '\0') + q + '\0'}};
  for (const auto& c : cases) {
    OPENFILENAME ofn;
    ofn.lpstrInitialDir = dir_;
    ofn.lpstrFilter = "JPEG|*.jpg";
    ofn.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | (c.multi ? DWORD{OFN_ALLOWMULTISELECT} : DWORD{0});
    std::string current;
    bool ok = false;
    WithSteps({[&] {
                 auto* files = Part<TListView>("FileList");
                 TapItem(files, c.picks[0]);
                 InjectKey(VK_CONTROL, true);
                 for (size_t i = 1; i < c.picks.size(); ++i) TapItem(files, c.picks[i]);
                 InjectKey(VK_CONTROL, false);
                 Pump();
                 current = CommDlg_OpenSave_GetFilePath(Dialog()->Handle());
                 Key(VK_RETURN);
               }},
              [&] { ok = GetOpenFileName(&ofn); });
    EXPECT_TRUE(ok) << c.picks.size();
    EXPECT_EQ(current, dir_ + "/" + c.picks[0]);
    EXPECT_EQ(ofn.lpstrFile, c.result);
  }
}

// Several typed names: those outside the folder keep their full path.
TEST_F(FileDialogTest, MultiSelectKeepsTheFoldersOfTypedNames) {
  OPENFILENAME ofn;
  ofn.lpstrInitialDir = dir_;
  ofn.lpstrFilter = "All|*.*";
  ofn.Flags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST;
  bool ok = false;
  WithSteps({[&] {
               Part<TEdit>("FileNameEdit")->SetText("\"sub/d.jpg\" \"a.jpg\" \"" + dir_ + "/sub/e.tif\"");
               Key(VK_RETURN);
             }},
            [&] { ok = GetOpenFileName(&ofn); });
  EXPECT_TRUE(ok);
  const std::string z(1, '\0');
  EXPECT_EQ(ofn.lpstrFile, dir_ + z + dir_ + "/sub/d.jpg" + z + "a.jpg" + z + dir_ + "/sub/e.tif" + z);
}

// Saving a name typed without extension: the default extension is added
// even when the bare name exists, and the question names the file written.
TEST_F(FileDialogTest, SaveAddsTheDefaultExtensionToAnExistingBareName) {
  Touch(dir_ + "/a");
  OPENFILENAME save;
  save.lpstrInitialDir = dir_;
  save.lpstrFilter = "All|*.*";
  save.lpstrDefExt = "jpg";
  save.Flags = OFN_OVERWRITEPROMPT;
  std::vector<std::string> questions;
  const auto yes = [&] {
    questions.push_back(LabelTexts());
    Key('Y');
  };
  bool ok = false;
  WithSteps({[&] {
               Type("a");
               Key(VK_RETURN);
             },
             yes, yes},
            [&] { ok = GetSaveFileName(&save); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(save.lpstrFile, dir_ + "/a.jpg");
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].rfind("a.jpg already exists", 0), 0u) << questions[0];
}

}  // namespace

// The places bar lists the user's folders that exist and the root; a press
// lists that folder. The caller can turn the bar off.
TEST_F(FileDialogTest, PlacesBarListsTheUsersFolders) {
  const char* old_home = std::getenv("HOME");
  const std::string saved = old_home ? old_home : "";
  fs::create_directory(dir_ + "/Pictures");
  Touch(dir_ + "/Pictures/p.jpg");
  setenv("HOME", dir_.c_str(), 1);
  OPENFILENAME ofn;
  ofn.lpstrFilter = "JPEG (*.jpg)|*.jpg";
  ofn.lpstrInitialDir = dir_ + "/sub";
  ofn.Flags = OFN_HIDEREADONLY;
  std::vector<std::string> buttons;
  std::vector<std::string> listed;
  WithSteps({[&] {
               auto* bar = Part<TPanel>("PlacesBar");
               ASSERT_NE(bar, nullptr);
               EXPECT_EQ(bar->Left(), 0);
               EXPECT_GE(Part<TListView>("FolderList")->Left(), bar->Width());
               for (int32_t i = 0; i < bar->ControlCount(); ++i)
                 buttons.push_back(static_cast<TButton*>(bar->Controls(i))->Caption());
               Tap(Part<TButton>("PlacePictures"), 10, 10);
               listed = Captions(Part<TListView>("FileList"));
             },
             [&] { Key(VK_ESCAPE); }},
            [&] { GetOpenFileName(&ofn); });
  EXPECT_EQ(buttons, (std::vector<std::string>{"Home", "Pictures", "Computer"}));
  EXPECT_EQ(listed, (std::vector<std::string>{"p.jpg"}));

  ofn.FlagsEx = OFN_EX_NOPLACESBAR;
  bool bar_shown = true;
  int32_t folders_left = -1;
  WithSteps({[&] {
               bar_shown = Part<TPanel>("PlacesBar") != nullptr;
               folders_left = Part<TListView>("FolderList")->Left();
             },
             [&] { Key(VK_ESCAPE); }},
            [&] { GetOpenFileName(&ofn); });
  EXPECT_FALSE(bar_shown);
  EXPECT_LT(folders_left, 20);
  if (old_home) setenv("HOME", saved.c_str(), 1);
  else unsetenv("HOME");
}

// With OFN_SHOWHELP the dialog offers Help: its button and F1 tell the hook
// (CDN_HELP) and send the owner the common dialogs' help message with the
// record; without the flag there is no Help button and F1 does nothing.
TEST_F(FileDialogTest, HelpButtonAndF1AskTheOwnerForHelp) {
  const UINT helpMessage = RegisterWindowMessage(HELPMSGSTRING);
  ASSERT_GE(helpMessage, 0xC000u);
  EXPECT_EQ(RegisterWindowMessage("COMMDLG_HELP"), helpMessage) << "names are known in any letter case";
  EXPECT_NE(RegisterWindowMessage("another name"), helpMessage);
  for (const bool offered : {true, false}) {
    OPENFILENAME ofn;
    ofn.lpstrInitialDir = dir_;
    ofn.hwndOwner = Application->Handle();
    ofn.Flags = OFN_ENABLEHOOK | (offered ? OFN_SHOWHELP : decltype(OFN_SHOWHELP){});
    std::vector<std::string> heard;
    ofn.lpfnHook = [&](HWND, UINT msg, WPARAM, LPARAM lp) -> uintptr_t {
      if (msg == WM_NOTIFY && reinterpret_cast<const OFNOTIFY*>(lp)->hdr.code == CDN_HELP) heard.push_back("hook");
      return 0;
    };
    const int32_t hook = Application->HookMainWindow([&](TMessage& m) {
      if (m.Msg != helpMessage) return false;
      heard.push_back(m.LParam == LPARAM(&ofn) ? "owner" : "owner without the record");
      return true;
    });
    WithSteps({[&] {
                auto* help = Part<TButton>("HelpButton");
                ASSERT_EQ(help != nullptr, offered);
                if (help) {
                  ASSERT_TRUE(help->Showing());
                  Tap(help, help->Width() / 2, help->Height() / 2);
                }
                // F1 with the focus in the name box.
                Key(VK_F1);
                Key(VK_ESCAPE);
              }},
              [&] { GetOpenFileName(&ofn); });
    Application->UnhookMainWindow(hook);
    EXPECT_EQ(heard, offered ? (std::vector<std::string>{"hook", "owner", "hook", "owner"}) : std::vector<std::string>{})
        << offered;
  }
}
