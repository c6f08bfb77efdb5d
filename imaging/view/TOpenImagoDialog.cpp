#include "imaging/view/TOpenImagoDialog.h"

#include <algorithm>
#include <climits>

#include "imaging/io/IEFormats.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/IESharedRoutines.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/IEDialogFilter.h"
#include "imaging/view/TImagoMIO.h"
#include "imaging/view/TImagoMView.h"
#include "imaging/view/TImagoView.h"
#include "platform/Input.h"
#include "platform/SysInfo.h"
#include "rtl/FileUtils.h"
#include "rtl/StrUtils.h"
#include "ui/NewControl.h"
#include "ui/TBitmap.h"
#include "ui/TButton.h"
#include "ui/TCanvas.h"
#include "ui/TCheckBox.h"
#include "ui/TColor.h"
#include "ui/TComboBox.h"
#include "ui/TForm.h"
#include "ui/TLabel.h"
#include "ui/TPanel.h"
#include "ui/TProgressBar.h"
#include "ui/TScreen.h"
#include "ui/TSpeedButton.h"

namespace {

// Room for one full path of this system (and never less than its usual 4096).
constexpr int32_t kMaxPath = PATH_MAX > 4096 ? PATH_MAX : 4096;
constexpr int32_t kMaxMultiSelect = 65519;

struct TZoomEntry {
  const char* Text;
  int32_t Value;  // 0: fit
};
constexpr TZoomEntry kZoomEntries[] = {{"Fit", 0},     {"25%", 25},   {"50%", 50},   {"75%", 75},
                                       {"100%", 100},  {"125%", 125}, {"150%", 150}, {"175%", 175},
                                       {"200%", 200},  {"300%", 300}, {"400%", 400}};

// The buttons' pictures, 16 x 16 over the olive the speed button takes as
// transparent (its bottom-left pixel): a magnifier and a play triangle.
void DrawPreviewGlyph(TBitmap* b) {
  b->SetSize(16, 16);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clOlive);
  c->FillRect(TRect{{0}, {0}, {16}, {16}});
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(clWhite);
  c->Ellipse(1, 1, 11, 11);
  c->Pen()->SetWidth(2);
  c->MoveTo(9, 9);
  c->LineTo(14, 14);
}

void DrawPlayGlyph(TBitmap* b) {
  b->SetSize(16, 16);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clOlive);
  c->FillRect(TRect{{0}, {0}, {16}, {16}});
  c->Pen()->SetColor(clGreen);
  c->Brush()->SetColor(clLime);
  c->Polygon({TPoint{4, 2}, TPoint{12, 8}, TPoint{4, 14}});
}

}  // namespace

RTL_DEFINE_CLASS(TOpenImagoDialog, TIECommonDialog)

TOpenImagoDialog::TOpenImagoDialog(TComponent* AOwner) : TIECommonDialog(AOwner) {
  FillDialogWords();
  BuildFilter(false);

  InfoPanel = new TPanel(this);
  InfoPanel->SetName("InfoPanel");
  InfoPanel->SetBounds(204, 5, 169, 200);
  InfoPanel->SetBevelOuter(bvNone);
  InfoPanel->SetBorderWidth(6);
  InfoPanel->SetCaption("");
  const auto label = [this](const char* name, TWinControl* parent, int32_t top,
                            int32_t width = 157) {
    TLabel* l = NewControl<TLabel>(this, name, parent);
    l->SetAutoSize(false);
    l->SetBounds(6, top, width, 23);
    l->SetCaption("");
    return l;
  };
  // The information labels reach to the preview check box, 6 pixels short
  // of it: a format's description ("Portable Network Graphics (PNG)") and
  // the sizes of a big picture are wider than the 157 pixels of the picture
  // labels.
  InfoLabel1 = label("InfoLabel1", InfoPanel, 6, 183);
  InfoLabel2 = label("InfoLabel2", InfoPanel, 29, 183);
  AdvancedButton = NewControl<TButton>(this, "AdvancedButton", InfoPanel,
                                       ShowPlacesBar() ? 474 : 333, 0, 75, 23);
  AdvancedButton->SetVisible(false);
  // Right of the information labels.
  PreviewCheck = NewControl<TCheckBox>(this, "PreviewCheck", InfoPanel, 195, 24, 130, 23);
  PreviewCheck->SetChecked(true);
  PreviewCheck->SetVisible(false);
  PreviewCheck->OnClick = [this](TObject*) { PreviewCheckClick(); };
  PicturePanel = new TPanel(this);
  PicturePanel->SetName("PicturePanel");
  PicturePanel->SetBounds(204, 5, 169, 200);
  PicturePanel->SetBevelOuter(bvNone);
  PicturePanel->SetBorderWidth(6);
  PicturePanel->SetCaption("");
  PicLabel1 = label("PicLabel1", PicturePanel, 180);
  PicLabel2 = label("PicLabel2", PicturePanel, 203);
  PicLabel3 = label("PicLabel3", PicturePanel, 226);
  ZoomCombo = NewControl<TComboBox>(this, "ZoomCombo", PicturePanel);
  ZoomCombo->SetStyle(csDropDownList);
  ZoomCombo->SetBounds(6, 5, 50, 21);
  ZoomCombo->SetHint("Zoom");
  ZoomCombo->SetShowHint(true);
  ZoomCombo->OnChange = [this](TObject*) { ApplyPreviewZoom(); };
  PreviewButton = NewControl<TSpeedButton>(this, "PreviewButton", PicturePanel);
  PreviewButton->SetFlat(true);
  PreviewButton->SetBounds(60, 5, 23, 22);
  DrawPreviewGlyph(PreviewButton->Glyph());
  PreviewButton->SetEnabled(false);
  PreviewButton->OnClick = [this](TObject*) { ShowFullPreview(); };
  PlayButton = NewControl<TSpeedButton>(this, "PlayButton", PicturePanel);
  PlayButton->SetFlat(true);
  PlayButton->SetGroupIndex(1);
  PlayButton->SetAllowAllUp(true);
  PlayButton->SetBounds(85, 5, 23, 22);
  DrawPlayGlyph(PlayButton->Glyph());
  PlayButton->SetEnabled(false);
  PlayButton->OnClick = [this](TObject*) { PlayClick(); };
  ProgressBar = NewControl<TProgressBar>(this, "ProgressBar", PicturePanel);
  ProgressBar->SetRange(0, 100);
  ProgressBar->SetBounds(0, 55, 127, 19);
  ProgressBar->SetVisible(false);

  view_ = new TImagoView(this);
  view_->SetName("ImagoView");
  view_->SetBounds(6, 36, 133, 139);
  view_->SetBackground(clWhite);
  view_->SetBackgroundStyle(iebsChessboard);
  view_->SetChessboardStyle(12, bsSolid);
  view_->SetBorderStyle(bsSingle);
  view_->SetCenter(true);
  view_->SetZoomFilter(rfFastLinear);
  view_->DelayZoomFilter = false;
  view_->SetEnableAlphaChannel(true);
  view_->SetMouseInteract(TIEMouseInteract{miScroll});
  view_->SetCursor(crDefault);
  view_->SetParent(PicturePanel);
  view_->SetOnProgress([this](TObject*, int32_t Percent) { ProgressBar->SetPosition(Percent); });
  view_->OnDblClick = [this](TObject*) { ShowFullPreview(); };

  // In the preview's place for files of several frames.
  mview_ = new TImagoMView(this);
  mview_->SetName("ImagoMView");
  mview_->SetBounds(6, 36, 133, 139);
  mview_->SetVisible(false);
  mview_->SetMouseInteract(TIEMMouseInteract{mmiScroll, mmiSelect});
  mview_->SetScrollBars(ssHorizontal);
  mview_->SetKeyInteract(TIEMKeyInteract{mkiMoveSelected});
  mview_->SetThumbWidth(100);
  mview_->SetThumbHeight(109);
  mview_->SetHorizBorder(4);
  mview_->SetVertBorder(4);
  mview_->SetBackground(clWhite);
  mview_->SetBackgroundStyle(iebsChessboard);
  mview_->SetChessboardStyle(12, bsSolid);
  mview_->SetEnableAlphaChannel(true);
  mview_->SetFillThumbnail(false);
  mview_->SetStyle(iemsFlat);
  mview_->SetParent(PicturePanel);
  mview_->SetOnProgress([this](TObject*, int32_t Percent) { ProgressBar->SetPosition(Percent); });
  mview_->OnImageSelect = [this](TObject*, int32_t idx) { ShowFrameInfo(idx); };
  mview_->OnAllDisplayed = [this](TObject*) { ShowFrameInfo(mview_->SelectedIndex()); };

  UpdateCaptions();
}

void TOpenImagoDialog::BeforeDestruction() {
  view_ = nullptr;  // freed with the owner tree
  mview_ = nullptr;
  TIECommonDialog::BeforeDestruction();
}

void TOpenImagoDialog::UpdateCaptions() {
  PreviewButton->SetHint(GetDialogWord(0, MsgLanguage()));
  PreviewCheck->SetCaption(GetDialogWord(0, MsgLanguage()));
  AdvancedButton->SetCaption(GetDialogWord(45, MsgLanguage()) + "...");
  PlayButton->SetHint(GetDialogWord(87, MsgLanguage()));
}

void TOpenImagoDialog::BuildFilter(bool ForSave) {
  // The open dialog offers the video types, which the viewer opens by their
  // frames. No writer makes a video file, so the save dialog lists none: a
  // type it offered would only end in a failed save.
  filter_ = BuildImageFilter(ForSave, MsgLanguage(), !ForSave);
}

std::string TOpenImagoDialog::FileName() const {
  if (IsOpen()) return Host()->GetFilePath();
  return file_name_;
}

int32_t TOpenImagoDialog::FilterIndex() const {
  if (IsOpen()) return Host()->GetFilterIndex();
  return filter_index_;
}

void TOpenImagoDialog::SetInitialDir(const std::string& Value) {
  std::string v = Value;
  if (v.size() > 1 && v.back() == '/' && v[v.size() - 2] != ':') v.pop_back();
  initial_dir_ = v;
}

void TOpenImagoDialog::SetAlwaysAnimate(bool Value) {
  always_animate_ = Value;
  if (Value) show_all_frames_ = true;
}

void TOpenImagoDialog::SetPreviewBorderStyle(TIEDBorderStyle Value) {
  preview_border_style_ = Value;
  switch (Value) {
    case iepsDefault:
      view_->SetBackgroundStyle(iebsSolid);
      view_->SetBorderStyle(bsSingle);
      break;
    case iepsCropped:
      view_->SetBackgroundStyle(iebsCropped);
      view_->SetBorderStyle(bsNone);
      break;
    case iepsCropShadow:
      view_->SetBackgroundStyle(iebsCropShadow);
      view_->SetBorderStyle(bsNone);
      break;
  }
}

TResampleFilter TOpenImagoDialog::ZoomFilter() const { return view_->ZoomFilter(); }
void TOpenImagoDialog::SetZoomFilter(TResampleFilter Value) { view_->SetZoomFilter(Value); }

// ---- execution

bool TOpenImagoDialog::Execute() {
  UpdateCaptions();
  PreviewCheck->SetVisible(true);
  if (auto_set_filter_) BuildFilter(false);
  return DoExecute(false, "IDD_IETEMPLATE");
}

bool TOpenImagoDialog::DoExecute(bool Save, const std::string& Template) {
  PlayButton->SetVisible(!always_animate_);
  files_.clear();

  TIEOpenFileRecord r;
  r.Save = Save;
  r.Filter = FilterToZeroList(filter_);
  if (filter_index_ == 0) filter_index_ = FilterIndexOfFileName(filter_, file_name_);
  r.FilterIndex = filter_index_;
  // Room for the longest name the user may choose, and never less than the
  // name handed in: the buffer starts with FileName.
  const size_t room = options_.Contains(ofAllowMultiSelect) ? kMaxMultiSelect : kMaxPath;
  r.MaxFile = std::max(room, file_name_.size()) + 2;
  r.File = file_name_;
  r.InitialDir = initial_dir_;
  r.Title = title_;
  r.Options = options_;
  r.Explorer = !options_.Contains(ofOldStyleDialog);
  r.Template = Template;
  if (!default_ext_.empty())
    r.DefExt = default_ext_;
  else if (!r.Explorer)
    r.DefExt = ExtractFileExt(file_name_).substr(ExtractFileExt(file_name_).empty() ? 0 : 1);
  else
    r.DefExt = PatternFirstExtension(FilterPattern(filter_, filter_index_));
  r.NoPlacesBar = !ShowPlacesBar();

  const bool ok = TaskModalDialog(r);
  filter_index_ = r.FilterIndex;
  if (ok) {
    CollectFiles(r.File);
    options_.Set(ofReadOnly, r.Options.Contains(ofReadOnly));
    options_.Set(ofExtensionDifferent, r.Options.Contains(ofExtensionDifferent));
  }
  return ok;
}

void TOpenImagoDialog::CollectFiles(const std::string& Names) {
  files_.clear();
  std::vector<std::string> parts;
  if (options_.Contains(ofAllowMultiSelect)) {
    // The folder, then the names, separated by zeros (one part: one full name).
    std::string cur;
    for (char c : Names) {
      if (c == '\0') {
        if (!cur.empty()) parts.push_back(cur);
        cur.clear();
      } else {
        cur += c;
      }
    }
    if (!cur.empty()) parts.push_back(cur);
  } else if (!Names.empty()) {
    parts.push_back(Names);
  }
  if (parts.size() > 1) {
    const std::string folder = parts[0];
    for (size_t i = 1; i < parts.size(); ++i)
      files_.push_back(!parts[i].empty() && parts[i][0] == '/' ? parts[i]
                                                                : PathJoin(folder, parts[i]));
  } else if (parts.size() == 1) {
    files_.push_back(parts[0]);
  }
  if (!files_.empty()) file_name_ = files_[0];
}

// ---- notifications

intptr_t TOpenImagoDialog::WndProc(UINT Code) {
  switch (Code) {
    case CDN_INITDONE:
      pattern_ = FilterPattern(filter_, Host()->GetFilterIndex());
      InitDone();
      DoShow();
      break;
    case CDN_SELCHANGE:
      DoSelectionChange();
      break;
    case CDN_FOLDERCHANGE:
      DoFolderChange();
      break;
    case CDN_FILEOK:
      if (!FileOK()) return 1;
      break;
    case CDN_TYPECHANGE: {
      const int32_t index = Host()->GetFilterIndex();
      pattern_ = FilterPattern(filter_, index);
      Host()->SetDefExt(PatternFirstExtension(pattern_));
      if (index != filter_index_) {
        filter_index_ = index;
        DoTypeChange();
      }
      break;
    }
    default:
      break;
  }
  return TIECommonDialog::WndProc(Code);
}

bool TOpenImagoDialog::FileOK() {
  CollectFiles(Host()->GetFilePath());
  return DoCanClose();
}

bool TOpenImagoDialog::DoCanClose() {
  bool can = true;
  if (OnCanClose) OnCanClose(this, can);
  return can;
}

void TOpenImagoDialog::DoFolderChange() {
  if (OnFolderChange) OnFolderChange(this);
}

void TOpenImagoDialog::DoTypeChange() {
  if (OnTypeChange) OnTypeChange(this);
}

TRect TOpenImagoDialog::GetStaticRect() {
  if (!IsOpen()) return TRect{};
  if (Options().Contains(ofOldStyleDialog)) return Host()->TemplateClientRect();
  return Host()->PlaceholderRect();
}

void TOpenImagoDialog::DoShow() {
  if (preview_wanted_) {
    const TRect sr = GetStaticRect();
    const TRect client = IsOpen() ? Host()->TemplateClientRect() : TRect{};
    PicturePanel->SetBounds(sr.Right, sr.Top, client.Right - sr.Right, sr.Bottom - sr.Top);
    FillZoomCombo();
    view_->SetBackground(clWhite);
    view_->SetCenter(true);
    // An empty view paints nothing at all: blanked, it shows its
    // background until a file is selected.
    view_->Blank();
    StopPlaying();
    PlayButton->SetEnabled(false);
    // The panels go onto the template window.
    if (TWinControl* t = IsOpen() ? Host()->TemplateControl() : nullptr) PicturePanel->SetParent(t);
    if (ExtendedDialog()) {
      InfoPanel->SetBounds(sr.Left, sr.Bottom, client.Width(), client.Height());
      // The format's description stands in the line above the preview
      // check box and may be longer than the label beside it: its label
      // reaches across the panel, kept short of the check box's line.
      InfoLabel1->SetBounds(InfoLabel1->Left(), InfoLabel1->Top(),
                            std::max(InfoLabel2->Width(), InfoPanel->ClientWidth() - 2 * InfoLabel1->Left()),
                            std::min(InfoLabel1->Height(), PreviewCheck->Top() - InfoLabel1->Top()));
      if (TWinControl* t = IsOpen() ? Host()->TemplateControl() : nullptr) InfoPanel->SetParent(t);
    } else {
      PicLabel1->SetVisible(false);
      PicLabel2->SetVisible(false);
      PicLabel3->SetVisible(false);
      ZoomCombo->SetVisible(false);
    }
  }
  TIECommonDialog::DoShow();
}

void TOpenImagoDialog::DoClose() {
  TIECommonDialog::DoClose();
  if (!view_) return;
  // The controls outlive the dialog window they were shown in.
  StopPlaying();
  mview_->Clear();
  PicturePanel->SetParent(nullptr);
  InfoPanel->SetParent(nullptr);
  view_->Blank();
}

// ---- the preview panel

void TOpenImagoDialog::FillZoomCombo() {
  ZoomCombo->Items()->Clear();
  for (const TZoomEntry& e : kZoomEntries) ZoomCombo->Items()->Add(e.Text);
  ZoomCombo->SetItemIndex(0);
}

void TOpenImagoDialog::SelectZoom(int32_t Index) {
  ZoomCombo->SetItemIndex(Index);
  ApplyPreviewZoom();
}

void TOpenImagoDialog::ApplyPreviewZoom() {
  const int32_t i = ZoomCombo->ItemIndex();
  if (i < 0 || i >= static_cast<int32_t>(std::size(kZoomEntries))) return;
  if (kZoomEntries[i].Value == 0) {
    view_->AutoFit = true;
    view_->Update();
  } else {
    view_->AutoFit = false;
    view_->SetZoom(kZoomEntries[i].Value);
  }
}

void TOpenImagoDialog::ClearInfo() {
  InfoLabel1->SetCaption("");
  InfoLabel2->SetCaption("");
  PicLabel1->SetCaption("");
  PicLabel2->SetCaption("");
  PicLabel3->SetCaption("");
}

void TOpenImagoDialog::ShowImageInfo(const TIOParamsVals* Params) {
  if (!Params) {
    ClearInfo();
    return;
  }
  const TIEImageInfoTexts t = MakeImageInfoTexts(*Params, frames_, file_size_, MsgLanguage());
  PicLabel1->SetCaption(t.Size);
  PicLabel3->SetCaption(t.Resolution);
  PicLabel2->SetCaption(t.Colors);
  InfoLabel2->SetCaption(t.Sizes);
  InfoLabel1->SetCaption(t.Format);
}

void TOpenImagoDialog::DoSelectionChange() {
  if (in_selection_) return;
  in_selection_ = true;
  struct Guard {
    bool& b;
    ~Guard() { b = false; }
  } guard{in_selection_};
  if (preview_wanted_) PreviewFile(FileName());
  if (OnSelectionChange) OnSelectionChange(this);
}

void TOpenImagoDialog::PreviewFile(const std::string& Path) {
  bool is_file = FileExists(Path);
  if (is_file) {
    try {
      file_size_ = GetFileSizeByName(Path);
      TImagoIO* io = view_->GetIO();
      TIOParamsVals* params = io->Params();
      if (!PreviewCheck->Checked()) {
        // The type by content, as the full preview finds it: a picture
        // without or with a wrong extension is still described.
        io->ReadParamsFromFileOfType(Path, FindFileFormat(Path, false));
        frames_ = 1;
        if (params->FileType != 0 && !io->Aborted())
          ShowImageInfo(params);
        else
          ClearInfo();
      } else {
        // The hourglass while the file loads; the previous cursor comes back
        // however the load ends.
        struct BusyCursor {
          TCursor saved = Screen ? Screen->Cursor() : TCursor{crDefault};
          BusyCursor() {
            if (Screen) Screen->SetCursor(crHourGlass);
          }
          ~BusyCursor() {
            if (Screen) Screen->SetCursor(saved);
          }
        } busy;
        view_->SetBackground(clWhite);
        view_->Blank();
        StopPlaying();
        mview_->SetBackground(clWhite);
        mview_->Clear();
        const int32_t type = FindFileFormat(Path, false);
        if (WantsFrames(Path, type)) {
          PreviewFrames(Path, type);
          return;
        }
        // Without ShowAllFrames several frames are previewed by their
        // first; the labels count them.
        showing_frames_ = false;
        mview_->SetVisible(false);
        view_->SetVisible(true);
        PlayButton->SetEnabled(false);
        ZoomCombo->SetEnabled(true);
        ProgressBar->SetPosition(0);
        ProgressBar->SetVisible(true);
        params->Width = view_->ClientWidth();
        params->Height = view_->ClientHeight();
        params->JpegScale = 0;  // the largest reduction that still covers the view
        params->RawHalfSize = 1;
        params->SetLoadEmbeddedThumbnail(true);
        params->SetLoadRAWPreview(true);
        io->AutoAdjustDPI = auto_adjust_dpi_;
        io->FilteredAdjustDPI = filtered_adjust_dpi_;
        io->LoadFromFileByContent(Path);
        if (io->Aborted()) {
          is_file = false;
        } else {
          const TIEFormatHandler* h = FindFormatHandler(type);
          frames_ = h && h->CountImages ? h->CountImages(Path) : 1;
          ShowImageInfo(params);
          PreviewButton->SetEnabled(true);
          ZoomCombo->SetEnabled(true);
        }
        ProgressBar->SetVisible(false);
        if (is_file) ApplyPreviewZoom();
      }
    } catch (const std::exception&) {
      is_file = false;
      ProgressBar->SetVisible(false);
    }
  }
  if (!is_file) {
    ClearInfo();
    PreviewButton->SetEnabled(false);
    ZoomCombo->SetEnabled(false);
    view_->Blank();
    StopPlaying();
    mview_->Clear();
    PlayButton->SetEnabled(false);
    frames_ = 0;
    file_size_ = 0;
  }
}

bool TOpenImagoDialog::WantsFrames(const std::string& Path, int32_t FileType) const {
  if (!show_all_frames_) return false;
  if (FileType == ieftAVI || FileType == ieftDCX) return true;
  if (FileType != ieftGIF && FileType != ieftTIFF) return false;
  const TIEFormatHandler* h = FindFormatHandler(FileType);
  return h && h->Read && h->CountImages && h->CountImages(Path) > 1;
}

void TOpenImagoDialog::PreviewFrames(const std::string& Path, int32_t FileType) {
  mview_->SetThumbWidth(100);
  mview_->SetThumbHeight(109);
  mview_->SetHorizBorder(4);
  mview_->SetVertBorder(4);
  PlayButton->SetEnabled(true);
  ZoomCombo->SetEnabled(false);
  showing_frames_ = true;
  mview_->SetVisible(true);
  view_->SetVisible(false);
  ProgressBar->SetPosition(0);
  ProgressBar->SetVisible(true);
  TImagoMIO* mio = mview_->GetMIO();
  mio->AutoAdjustDPI = auto_adjust_dpi_;
  mio->FilteredAdjustDPI = filtered_adjust_dpi_;
  mview_->FillFromMultiImageFile(Path);
  frames_ = mio->ParamsCount();
  mview_->MoveSelection(4);  // Home: the first frame, the view at its origin
  PreviewButton->SetEnabled(true);
  ZoomCombo->SetEnabled(false);
  // The first frame's parameters come with its picture: it is loaded now
  // rather than when it is first painted, so that the labels are right at once.
  if (frames_ > 0) {
    if (!mview_->HasStoredImage(0)) mview_->LoadImageNow(0);
    ShowImageInfo(mio->Params(0));
  }
  ProgressBar->SetVisible(false);
  if (always_animate_ && (FileType == ieftAVI || FileType == ieftGIF)) {
    PlayButton->SetDown(true);
    PlayClick();
  }
}

void TOpenImagoDialog::ShowFrameInfo(int32_t Index) {
  if (!showing_frames_) return;
  if (TIOParamsVals* p = mview_->GetMIO()->Params(Index)) ShowImageInfo(p);
}

void TOpenImagoDialog::StopPlaying() {
  mview_->SetPlaying(false);
  PlayButton->SetDown(false);
}

void TOpenImagoDialog::PlayClick() {
  if (!PlayButton->Down()) {
    mview_->SetPlaying(false);
    PreviewButton->SetEnabled(showing_frames_);
    return;
  }
  PreviewButton->SetEnabled(false);
  // One frame fills the view.
  mview_->SetThumbWidth(mview_->Width() - 2 * GetSystemMetrics(SM_CXEDGE));
  mview_->SetThumbHeight(mview_->Height() - 2 * GetSystemMetrics(SM_CYEDGE));
  mview_->SetHorizBorder(0);
  mview_->SetVertBorder(0);
  mview_->SetPlaying(true);
}

void TOpenImagoDialog::PreviewCheckClick() {
  if (PreviewCheck->Checked()) {
    DoSelectionChange();
    return;
  }
  ClearInfo();
  view_->SetBackground(clWhite);
  view_->Blank();
  view_->SetZoom(100);
  StopPlaying();
  mview_->SetBackground(clWhite);
  mview_->Clear();
  mview_->SetVisible(false);
  // The blank preview stands in the empty place.
  showing_frames_ = false;
  view_->SetVisible(true);
  PreviewButton->SetEnabled(false);
  ZoomCombo->SetEnabled(false);
}

void TOpenImagoDialog::ShowFullPreview() {
  // The thumbnail view's current frame while the frames are shown.
  TIEBitmap* image = showing_frames_ ? mview_->GetIEBitmap() : view_->GetIEBitmap();
  if (!image) return;
  TForm* form = new TForm(this);
  struct FreeForm {
    TForm* f;
    ~FreeForm() { f->Free(); }
  } free_form{form};
  form->SetName("PreviewForm");
  form->SetCaption(FileName());
  form->SetBorderStyle(bsSizeToolWin);
  form->SetPosition(poScreenCenter);
  form->SetKeyPreview(true);
  form->OnKeyDown = [form](TObject*, uint16_t& Key, TShiftState) {
    if (Key == VK_ESCAPE) form->Close();
  };
  TImagoView* v = NewControl<TImagoView>(form, "", form);
  v->SetAlign(alClient);
  v->SetMouseInteract(TIEMouseInteract{miZoom, miScroll});
  v->SetCursor(crDefault);
  v->SetBackground(clWhite);
  v->SetBackgroundStyle(iebsChessboard);
  v->SetChessboardStyle(12, bsSolid);
  v->SetEnableAlphaChannel(true);
  v->SetCenter(true);
  v->SetScrollBars(ssBoth);
  v->GetIEBitmap()->Assign(image);
  if (image->HasAlphaChannel()) v->GetIEBitmap()->GetAlphaChannel()->Assign(image->GetAlphaChannel());
  v->Update();
  // Small images get a window of 100 pixels, wide ones the screen's width;
  // between the two the client area fits the image.
  const int32_t sw = Screen ? Screen->Width() : 0, sh = Screen ? Screen->Height() : 0;
  const int32_t w = image->Width(), h = image->Height();
  if (w <= 100)
    form->SetWidth(100);
  else if (w >= sw)
    form->SetWidth(sw);
  else
    form->SetClientWidth(w);
  if (h <= 100)
    form->SetHeight(100);
  else if (h >= sh)
    form->SetHeight(sh);
  else
    form->SetClientHeight(h);
  form->ShowModal();
}
