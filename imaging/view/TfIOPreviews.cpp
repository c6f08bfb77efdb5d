#include "imaging/view/TfIOPreviews.h"

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TImagoPaletteDialog.h"
#include "imaging/view/IEDialogWords.h"
#include "imaging/view/IEPreviewResult.h"
#include "imaging/view/TImagoView.h"
#include "rtl/StrUtils.h"
#include "ui/ColorDialog.h"
#include "ui/NewControl.h"
#include "ui/TApplication.h"
#include "ui/TButton.h"
#include "ui/TCheckBox.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"
#include "ui/TGroupBox.h"
#include "ui/TLabel.h"
#include "ui/TPageControl.h"
#include "ui/TPanel.h"
#include "ui/TProgressBar.h"
#include "ui/TScreen.h"
#include "ui/TTrackBar.h"
#include "ui/TUpDown.h"

RTL_DEFINE_CLASS(TfIOPreviews, TForm)

namespace {

constexpr const char* kResultFailed = "Result can not be shown but parameters may be entered";

// Page bits of the parameter-page set, by page.
constexpr std::array<uint16_t, ppPageCount> kPageBits{4, 4, 8, 8, 16, 16, 32, 64, 128, 256, 512};

TColor ColorOf(const TRGB& c) { return c.r | (c.g << 8) | (c.b << 16); }
TRGB RGBOf(TColor c) {
  return TRGB{static_cast<uint8_t>((c >> 16) & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
              static_cast<uint8_t>(c & 0xFF)};
}

int32_t IntOr(const TEdit* Edit, int32_t Default) {
  return StrToIntDef(Trim(Edit->Text()), Default);
}

void SetTextQuiet(TEdit* Edit, const std::string& Text) {
  if (Edit->Text() != Text) Edit->SetText(Text);
}

void PumpMessages() {
  if (Application) Application->ProcessMessages();
}

enum TWordForm : uint8_t { wfPlain, wfColon, wfSpaced };

}  // namespace

TfIOPreviews::TfIOPreviews(TComponent* AOwner) : TForm(AOwner), result_(std::make_unique<TIEBitmap>()) {
  SetCaption("Parameters preview");
  SetBorderStyle(bsDialog);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetPosition(poScreenCenter);
  SetClientSize(527, 425);
  Font()->SetName("MS Sans Serif");
  Font()->SetHeight(-11);

  Panel2 = NewControl<TPanel>(this, "", this);
  Panel2->SetBevelOuter(bvNone);
  Panel2->SetBounds(4, 0, 425, 168);
  Label1 = NewControl<TLabel>(this, "", Panel2, 5, 1, 60, 13, "Source:");
  Label2 = NewControl<TLabel>(this, "", Panel2, 227, 1, 60, 13, "Result:");
  Imago1 = NewControl<TImagoView>(this, "", Panel2, 6, 17, 191, 135);
  Imago1->SetBackground(clWhite);
  // The user zooms and drags the source to look at the artefacts; the
  // result follows it.
  Imago1->SetMouseInteract(TIEMouseInteract{miZoom, miScroll});
  Imago1->SetEnableAlphaChannel(true);
  Imago1->SetCursor(1782);  // the hand: the source is there to be moved
  Imago1->OnViewChange = [this](TObject*, int32_t) {
    Imago2->LockUpdate();
    Imago2->SetZoom(Imago1->Zoom());
    Imago2->SetViewXY(Imago1->ViewX(), Imago1->ViewY());
    Imago2->UnlockUpdate();
  };
  Imago2 = NewControl<TImagoView>(this, "", Panel2, 227, 17, 191, 135);
  Imago2->SetBackground(clWhite);
  Imago2->SetEnableAlphaChannel(true);
  Imago2->SetCursor(1780);
  Imago2->SetExternalBitmap(result_.get());
  Imago1->SetOnProgress([this](TObject* Sender, int32_t Per) { Imago1Progress(Sender, Per); });
  Imago2->SetOnProgress([this](TObject* Sender, int32_t Per) { Imago1Progress(Sender, Per); });
  ProgressBar1 = NewControl<TProgressBar>(this, "", Panel2, 6, 157, 412, 10);
  ProgressBar1->SetRange(0, 100);

  auto button = [this](int32_t top, const char* caption) {
    auto* b = NewControl<TButton>(this, "", this, 432, top, 87, 23, caption);
    return b;
  };
  Button1 = button(15, "OK");
  Button1->SetDefault(true);
  Button1->SetModalResult(mrOk);
  Button1->OnClick = [this](TObject*) { WriteBack(); };
  Button2 = button(43, "Cancel");
  Button2->SetCancel(true);
  Button2->SetModalResult(mrCancel);
  Button3 = button(76, "&Preview");
  Button3->OnClick = [this](TObject*) { ComputePreview(); };
  Button4 = button(106, "&Apply");
  Button4->OnClick = [this](TObject*) { ApplyClick(); };
  Button4->SetEnabled(false);

  PageControl1 = NewControl<TPageControl>(this, "", this, 8, 172, 417, 217);
  PageControl1->OnChanging = [this](TObject*, bool&) { ready_ = false; };
  // Pages added while the form is built, or chosen before the record is
  // read, are no page changes of the user.
  PageControl1->OnChange = [this](TObject*) {
    if (params_read_) PageChanged();
  };

  chkLockPreview = NewControl<TCheckBox>(this, "", this, 12, 398, 365, 17, "Lock Preview");
  chkLockPreview->OnClick = [this](TObject*) { LockPreviewClick(); };
  ColorDialog1 = new TColorDialog(this);

  BuildPages();
}

TfIOPreviews::~TfIOPreviews() = default;

void TfIOPreviews::BeforeDestruction() {
  // The views point at images they do not own: let go before anything goes.
  Imago1->SetExternalBitmap(nullptr);
  Imago2->SetExternalBitmap(nullptr);
  TForm::BeforeDestruction();
}

void TfIOPreviews::BuildPages() {
  auto& captions = captions_;
  auto sheet = [this](TIEPreviewsPage page, const char* caption) {
    auto* s = new TTabSheet(this);
    s->SetPageControl(PageControl1);
    s->SetCaption(caption);
    Sheets[page] = s;
    return s;
  };
  auto label = [this, &captions](TWinControl* parent, int32_t x, int32_t y, const char* text,
                                 int32_t word, TWordForm form) {
    auto* l = NewControl<TLabel>(this, "", parent, x, y, 120, 13, text);
    if (word >= 0) captions.push_back({l, word, form});
    return l;
  };
  auto changed = [this](TObject*) { ControlChanged(); };
  auto combo = [this, changed](TWinControl* parent, int32_t x, int32_t y, int32_t w,
                               std::initializer_list<const char*> items) {
    auto* c = NewControl<TComboBox>(this, "", parent);
    c->SetStyle(csDropDownList);
    c->SetBounds(x, y, w, 21);
    for (const char* i : items) c->Items()->Add(i);
    c->OnChange = changed;
    return c;
  };
  auto edit = [this, changed](TWinControl* parent, int32_t x, int32_t y, int32_t w) {
    auto* e = NewControl<TEdit>(this, "", parent, x, y, w, 21);
    e->OnChange = changed;
    return e;
  };
  auto check = [this, changed, &captions](TWinControl* parent, int32_t x, int32_t y,
                                          const char* text, int32_t word, TWordForm form) {
    auto* c = NewControl<TCheckBox>(this, "", parent, x, y, 140, 17, text);
    c->OnClick = changed;
    if (word >= 0) captions.push_back({c, word, form});
    return c;
  };
  auto panel = [this](TWinControl* parent, int32_t x, int32_t y) {
    auto* p = NewControl<TPanel>(this, "", parent, x, y, 41, 21);
    p->OnClick = [this, p](TObject*) { ColorPanelClick(p); };
    return p;
  };
  auto group = [this, &captions](TWinControl* parent, int32_t x, int32_t y, int32_t w, int32_t h,
                                 const char* text, int32_t word) {
    auto* g = NewControl<TGroupBox>(this, "", parent, x, y, w, h, text);
    captions.push_back({g, word, wfSpaced});
    return g;
  };
  auto track = [this](TWinControl* parent, int32_t x, int32_t y, int32_t max) {
    auto* t = NewControl<TTrackBar>(this, "", parent, x, y, 200, 25);
    t->SetMin(0);
    t->SetMax(max);
    return t;
  };
  auto sizes = [&](TIEPreviewsPage page, TWinControl* parent, int32_t x, int32_t y) {
    label(parent, x, y, "Original size:", 43, wfColon);
    OriginalSize[page] = label(parent, x, y + 16, "---", -1, wfPlain);
    label(parent, x + 130, y, "Compressed size:", 44, wfColon);
    CompressedSize[page] = label(parent, x + 130, y + 16, "---", -1, wfPlain);
  };

  // JPEG, full
  TTabSheet* s = sheet(ppJPEG1, "JPEG");
  label(s, 8, 8, "&Quality:", 38, wfColon);
  Edit22 = edit(s, 80, 6, 40);
  Edit22->OnChange = [this](TObject*) {
    if (!ready_) return;
    const int32_t q = std::clamp(IntOr(Edit22, 50), 0, 100);
    if (q != TrackBar13->Position()) TrackBar13->SetPosition(q);
    else ControlChanged();
  };
  TrackBar13 = track(s, 124, 4, 100);
  TrackBar13->SetFrequency(5);
  TrackBar13->OnChange = changed;
  TGroupBox* g = group(s, 8, 36, 395, 110, " Advanced ", 45);
  label(g, 8, 18, "DCT method:", 39, wfColon);
  ComboBox1 = combo(g, 110, 16, 90, {"ISLOW", "IFAST", "FLOAT"});
  label(g, 8, 44, "Smoothing factor:", 40, wfColon);
  Edit23 = edit(g, 110, 42, 40);
  Edit23->OnChange = Edit22->OnChange;
  UpDown11 = NewControl<TUpDown>(this, "", g);
  UpDown11->SetMin(0);
  UpDown11->SetMax(kJpegSmoothMax);
  UpDown11->SetAssociate(Edit23);
  label(g, 8, 70, "Photometric:", 49, wfColon);
  ComboBox13 = combo(g, 110, 68, 90, {"RGB", "GrayScale", "YCbCr", "CMYK", "YCbCrK"});
  CheckBox2 = check(g, 230, 18, "&Optimal Huffman", 42, wfPlain);
  CheckBox3 = check(g, 230, 44, "P&rogressive", 46, wfPlain);
  sizes(ppJPEG1, s, 8, 152);

  // JPEG, simplified
  s = sheet(ppJPEG2, "JPEG");
  label(s, 8, 8, "&Quality:", 38, wfColon);
  Edit16 = edit(s, 80, 6, 40);
  Edit16->OnChange = [this](TObject*) {
    if (!ready_) return;
    const int32_t q = std::clamp(IntOr(Edit16, 50), 0, 100);
    if (q != TrackBar2->Position()) TrackBar2->SetPosition(q);
  };
  TrackBar2 = track(s, 124, 4, 100);
  TrackBar2->OnChange = changed;
  sizes(ppJPEG2, s, 8, 61);

  // TIFF, full
  s = sheet(ppTIFF1, "TIFF");
  label(s, 8, 8, "Compression:", 47, wfColon);
  ComboBox2 = combo(s, 100, 6, 110, {});
  label(s, 220, 8, "Image index:", 48, wfColon);
  Edit1 = edit(s, 310, 6, 40);
  UpDown1 = NewControl<TUpDown>(this, "", s);
  UpDown1->SetMin(0);
  UpDown1->SetMax(1000);
  UpDown1->SetAssociate(Edit1);
  label(s, 8, 34, "Photometric:", 49, wfColon);
  ComboBox3 = combo(s, 100, 32, 110,
                    {"WHITEISZERO/Gray", "BLACKISZERO/Gray", "RGB", "RGBPALETTE", "TRANSPMASK",
                     "CMYK", "YCBCR", "CIELAB"});
  label(s, 220, 34, "Colors:", 58, wfColon);
  ComboBox4 = combo(s, 310, 32, 80, {"B/W", "16", "256", "65536", "16M"});
  g = group(s, 8, 58, 395, 90, " Scanned document info ", 50);
  label(g, 8, 16, "Name:", 51, wfColon);
  Edit4 = edit(g, 80, 14, 100);
  label(g, 190, 16, "Description:", 52, wfColon);
  Edit5 = edit(g, 270, 14, 115);
  label(g, 8, 40, "Page name:", 53, wfColon);
  Edit6 = edit(g, 80, 38, 100);
  label(g, 190, 40, "Page number:", 54, wfColon);
  Edit7 = edit(g, 270, 38, 40);
  label(g, 315, 40, "o&f", 55, wfPlain);
  Edit8 = edit(g, 335, 38, 40);
  label(g, 8, 64, "Horizontal position (inch):", 56, wfColon);
  Edit2 = edit(g, 150, 62, 40);
  label(g, 200, 64, "Vertical position (inch):", 57, wfColon);
  Edit3 = edit(g, 340, 62, 40);
  sizes(ppTIFF1, s, 8, 152);

  // TIFF, simplified
  s = sheet(ppTIFF2, "TIFF");
  label(s, 8, 8, "Compression:", 47, wfColon);
  ComboBox16 = combo(s, 100, 6, 110, {});
  label(s, 8, 34, "Colors:", 58, wfColon);
  ComboBox17 = combo(s, 100, 32, 110, {"2", "16", "256", "16777216"});
  sizes(ppTIFF2, s, 8, 61);

  // GIF, full
  s = sheet(ppGIF1, "GIF");
  label(s, 8, 8, "Colors:", 58, wfColon);
  ComboBox5 = combo(s, 100, 6, 80, {"B/W", "4", "8", "16", "32", "64", "128", "256"});
  label(s, 200, 8, "Image index:", 48, wfColon);
  Edit9 = edit(s, 290, 6, 40);
  UpDown2 = NewControl<TUpDown>(this, "", s);
  UpDown2->SetMin(0);
  UpDown2->SetMax(1000);
  UpDown2->SetAssociate(Edit9);
  CheckBox4 = check(s, 8, 34, "&Transparent:", 59, wfColon);
  TransparentColorLabel = label(s, 150, 36, "Transparent color:", 60, wfColon);
  Panel3 = panel(s, 260, 32);
  CheckBox5 = check(s, 8, 58, "I&nterlaced:", 61, wfColon);
  label(s, 150, 60, "Background:", 62, wfColon);
  Panel4 = panel(s, 260, 56);
  g = group(s, 8, 82, 395, 66, " Advanced ", 45);
  label(g, 8, 18, "Horizontal position:", 63, wfColon);
  Edit10 = edit(g, 120, 16, 40);
  label(g, 200, 18, "Vertical position:", 64, wfColon);
  Edit11 = edit(g, 310, 16, 40);
  label(g, 8, 42, "Delay time:", 65, wfColon);
  Edit12 = edit(g, 120, 40, 40);
  label(g, 165, 42, "1/100 s", -1, wfPlain);
  sizes(ppGIF1, s, 8, 152);

  // GIF, simplified
  s = sheet(ppGIF2, "GIF");
  label(s, 8, 8, "Colors:", 58, wfColon);
  ComboBox18 = combo(s, 100, 6, 80, {"B/W", "4", "8", "16", "32", "64", "128", "256"});
  sizes(ppGIF2, s, 8, 61);

  // BMP
  s = sheet(ppBMP, "BMP");
  label(s, 8, 8, "Compression:", 47, wfColon);
  ComboBox6 = combo(s, 100, 6, 110, {"UNCOMPRESSED", "RLE"});
  label(s, 8, 34, "Colors:", 58, wfColon);
  ComboBox7 = combo(s, 100, 32, 110, {"B/W", "16", "256", "16M", "16M (32bit)"});
  sizes(ppBMP, s, 8, 152);

  // PCX
  s = sheet(ppPCX, "PCX");
  label(s, 8, 8, "Compression:", 47, wfColon);
  ComboBox8 = combo(s, 100, 6, 110, {"UNCOMPRESSED", "RLE"});
  label(s, 8, 34, "Colors:", 58, wfColon);
  ComboBox9 = combo(s, 100, 32, 110, {"B/W", "16", "256", "16M"});
  sizes(ppPCX, s, 8, 152);

  // PNG
  s = sheet(ppPNG, "PNG");
  label(s, 8, 8, "Colors:", 58, wfColon);
  ComboBox10 = combo(s, 100, 6, 80, {"B/W", "256", "16M"});
  label(s, 200, 8, "Background:", 62, wfColon);
  Panel1 = panel(s, 290, 6);
  g = group(s, 8, 36, 395, 90, " Advanced ", 45);
  label(g, 8, 18, "Filter:", 66, wfColon);
  ComboBox11 = combo(g, 110, 16, 90, {"None", "Sub", "Paeth"});
  CheckBox6 = check(g, 230, 18, "I&nterlaced:", 61, wfPlain);
  label(g, 8, 44, "Compression:", 47, wfColon);
  ComboBox12 = combo(g, 110, 42, 90, {"None", "1", "2", "3", "4", "5", "6", "7", "8", "Max"});
  sizes(ppPNG, s, 8, 152);

  // TGA
  s = sheet(ppTGA, "TGA");
  label(s, 8, 8, "Colors:", 58, wfColon);
  ComboBox14 = combo(s, 100, 6, 80, {"B/W", "256", "16M"});
  label(s, 200, 8, "Background:", 62, wfColon);
  Panel5 = panel(s, 290, 6);
  CheckBox1 = check(s, 8, 34, "Compression:", 47, wfColon);
  label(s, 8, 60, "Name:", 51, wfColon);
  Edit13 = edit(s, 100, 58, 200);
  label(s, 8, 86, "Description:", 52, wfColon);
  Edit14 = edit(s, 100, 84, 200);
  sizes(ppTGA, s, 8, 152);

  // JPEG 2000
  s = sheet(ppJ2000, "JPEG2000");
  label(s, 8, 8, "&Rate:", 123, wfColon);
  Edit15 = edit(s, 80, 6, 40);
  Edit15->OnChange = [this](TObject*) {
    if (!ready_) return;
    const int32_t r = std::clamp(IntOr(Edit15, 1000), 0, 1000);
    if (r != TrackBar1->Position()) TrackBar1->SetPosition(r);
  };
  TrackBar1 = track(s, 124, 4, 1000);
  TrackBar1->OnChange = changed;
  label(s, 8, 34, "Photometric:", 49, wfColon);
  ComboBox15 = combo(s, 100, 32, 110, {"GrayScale", "RGB", "YCbCr"});
  sizes(ppJ2000, s, 8, 152);

  for (int32_t i = 0; i < TiffCompressionItemCount(); ++i) {
    ComboBox2->Items()->Add(TiffCompressionItem(i));
    ComboBox16->Items()->Add(TiffCompressionItem(i));
  }
  for (TTabSheet* t : Sheets) t->SetTabVisible(false);
}

// ---- opener settings

void TfIOPreviews::SetApplyButtonVisible(bool Value) { Button4->SetVisible(Value); }
void TfIOPreviews::SetPageControlHeight(int32_t Value) { PageControl1->SetHeight(Value); }
void TfIOPreviews::SetFormHeight(int32_t Value) { SetHeight(Value); }
void TfIOPreviews::SetFont(TFont* Value) {
  if (Value) TControl::SetFont(Value);
}

void TfIOPreviews::SetSourceBitmap(TIEBitmap* Bitmap) {
  source_ = Bitmap;
  Imago1->SetExternalBitmap(Bitmap);
  if (Bitmap) Imago1->Update();
}

void TfIOPreviews::BlankResult() {
  result_->Allocate(1, 1, ieRGB24);
  Imago2->Update();
}

void TfIOPreviews::Release() {
  if (released_) return;
  released_ = true;
  SetSourceBitmap(nullptr);
  TForm::Release();
}

void TfIOPreviews::SetLanguage(TMsgLanguage Language) {
  auto word = [Language](int32_t i) { return GetDialogWord(i, Language); };
  TForm::SetCaption(word(37));
  Label1->SetCaption(word(1) + ":");
  Label2->SetCaption(word(2) + ":");
  Button2->SetCaption(word(4));
  Button1->SetCaption(word(3));
  Button3->SetCaption(word(0));
  chkLockPreview->SetCaption(word(5));
  Button4->SetCaption(word(120));
  for (const TWordCaption& c : captions_) {
    const std::string w = word(c.Word);
    c.Control->SetCaption(c.Form == wfColon ? w + ":" : c.Form == wfSpaced ? " " + w + " " : w);
  }
  // Built by appending: GCC 12's optimiser warns falsely of an overlapping
  // copy (-Wrestrict) in "&" + word(4) and in assigning "&".
  cancel_caption_.clear();
  cancel_caption_.push_back('&');
  cancel_caption_ += word(4);
}

bool TfIOPreviews::SetPageSet(uint16_t Pages) {
  page_set_ = Pages;
  if ((Pages & ieppCurrent) && params_) {
    uint16_t bit = 0;
    switch (params_->FileType) {
      case ieftTIFF: bit = ieppTIFF; break;
      case ieftGIF: bit = ieppGIF; break;
      case ieftJPEG: bit = ieppJPEG; break;
      case ieftPCX: bit = ieppPCX; break;
      case ieftBMP: bit = ieppBMP; break;
      case ieftPNG: bit = ieppPNG; break;
      case ieftTGA: bit = ieppTGA; break;
      case ieftJP2:
      case ieftJ2K: bit = ieppJ2000; break;
      default: break;
    }
    page_set_ |= bit;
    if (Pages == ieppCurrent && bit == 0) return false;
  }
  return true;
}

// ---- activation

TIEPreviewsPage TfIOPreviews::ActivePage() const {
  TTabSheet* a = PageControl1->ActivePage();
  for (int32_t i = 0; i < ppPageCount; ++i)
    if (Sheets[i] == a && a) return static_cast<TIEPreviewsPage>(i);
  return ppPageCount;
}

void TfIOPreviews::Activate() {
  TForm::Activate();
  ready_ = true;
  // The pages are set up and the record read once per showing: coming back
  // to the form (after the palette picker, another window...) keeps the
  // user's edits.
  if (params_read_) return;
  chkLockPreview->SetChecked(default_lock_preview_);
  Button3->SetEnabled(!chkLockPreview->Checked());

  uint16_t own_bit = 0;
  if (params_) {
    const uint16_t saved = page_set_;
    SetPageSet(ieppCurrent);
    own_bit = page_set_;
    page_set_ = saved;
  }
  const std::array<TIEPreviewsPage, 8> pages =
      simplified_ ? std::array<TIEPreviewsPage, 8>{ppJPEG2, ppTIFF2, ppGIF2, ppBMP, ppPCX, ppPNG,
                                                   ppTGA, ppJ2000}
                  : std::array<TIEPreviewsPage, 8>{ppJPEG1, ppTIFF1, ppGIF1, ppBMP, ppPCX, ppPNG,
                                                   ppTGA, ppJ2000};
  TTabSheet* active = nullptr;
  for (TIEPreviewsPage p : pages) {
    const bool visible = (page_set_ & 1) || (page_set_ & kPageBits[p]);
    Sheets[p]->SetTabVisible(visible);
    if (visible && !active && (kPageBits[p] & own_bit)) active = Sheets[p];
  }
  if (!active)
    for (TIEPreviewsPage p : pages)
      if (Sheets[p]->TabVisible()) {
        active = Sheets[p];
        break;
      }
  if (simplified_) {
    chkLockPreview->SetTop(static_cast<int32_t>(Trunc((Screen ? Screen->PixelsPerInch() : 96) *
                                                      3.1458333)));
    for (TIEPreviewsPage p : {ppBMP, ppPCX, ppPNG, ppTGA, ppJ2000}) {
      OriginalSize[p]->SetTop(77);
      CompressedSize[p]->SetTop(77);
    }
    Panel1->SetVisible(false);
    ComboBox11->Parent()->SetVisible(false);
    Panel5->SetVisible(false);
    Edit13->SetVisible(false);
    Edit14->SetVisible(false);
    ComboBox15->SetVisible(false);
  }
  Imago1->SetChessboardStyle(12, bsSolid);
  Imago2->SetChessboardStyle(12, bsSolid);
  ready_ = false;
  if (active) PageControl1->SetActivePage(active);
  ready_ = true;
  ReadParams();
  params_read_ = true;
  ShowPage();
  Imago1->Fit();
  activated_ = true;
  ComputePreview();
}

void TfIOPreviews::ReadParams() {
  if (!params_) return;
  ReadPreviewsWork(*params_, work_);
}

void TfIOPreviews::PageChanged() {
  ready_ = true;
  // Edits of the page left that were not applied are dropped.
  ReadParams();
  ShowPage();
  if (chkLockPreview->Checked()) ComputePreview();
  Button4->SetEnabled(false);
}

void TfIOPreviews::ShowPage() {
  const TIEPreviewsPage page = ActivePage();
  if (page >= ppPageCount) return;
  ready_ = false;
  TIEPreviewsWork& w = work_;
  auto num = [](int32_t v) { return std::to_string(v); };
  switch (page) {
    case ppJPEG1:
      Edit22->SetText(num(w.JpegQuality));
      TrackBar13->SetPosition(w.JpegQuality);
      ComboBox1->SetItemIndex(w.JpegDCTMethod);
      Edit23->SetText(num(w.JpegSmooth));
      ComboBox13->SetItemIndex(w.JpegColorSpace);
      CheckBox2->SetChecked(w.JpegOptimalHuffman);
      CheckBox3->SetChecked(w.JpegProgressive);
      break;
    case ppJPEG2:
      Edit16->SetText(num(w.JpegQuality));
      TrackBar2->SetPosition(w.JpegQuality);
      break;
    case ppTIFF1:
      ComboBox2->SetItemIndex(TiffCompressionToItem(w.TiffCompression));
      Edit1->SetText(num(w.TiffImageIndex));
      ComboBox3->SetItemIndex(w.TiffPhotometric);
      ComboBox4->SetItemIndex(TiffFullColorItem(w.BitsPerSample, w.SamplesPerPixel, w.TiffPhotometric));
      Edit4->SetText(w.TiffDocumentName);
      Edit5->SetText(w.TiffImageDescription);
      Edit6->SetText(w.TiffPageName);
      Edit7->SetText(num(w.TiffPageNumber));
      Edit8->SetText(num(w.TiffPageCount));
      Edit2->SetText(num(w.TiffXPos));
      Edit3->SetText(num(w.TiffYPos));
      break;
    case ppTIFF2:
      // Fax compressions hold black and white only, JPEG true colour only.
      if (w.TiffCompression >= 1 && w.TiffCompression <= 4) {
        w.BitsPerSample = 1;
        w.SamplesPerPixel = 1;
      } else if (w.TiffCompression == 7) {
        w.BitsPerSample = 8;
        w.SamplesPerPixel = 3;
      }
      ComboBox16->SetItemIndex(TiffCompressionToItem(w.TiffCompression));
      ComboBox17->SetItemIndex(TiffSimpleColorItem(w.BitsPerSample, w.SamplesPerPixel));
      break;
    case ppGIF1:
      ComboBox5->SetItemIndex(w.GifBits - 1);
      Edit9->SetText(num(w.GifImageIndex));
      CheckBox4->SetChecked(w.GifTransparent);
      Panel3->SetColor(ColorOf(w.GifTranspColor));
      CheckBox5->SetChecked(w.GifInterlaced);
      Panel4->SetColor(ColorOf(w.GifBackground));
      Edit10->SetText(num(w.GifXPos));
      Edit11->SetText(num(w.GifYPos));
      Edit12->SetText(num(w.GifDelayTime));
      TransparentColorLabel->SetEnabled(w.GifTransparent);
      Panel3->SetEnabled(w.GifTransparent);
      break;
    case ppGIF2: ComboBox18->SetItemIndex(w.GifBits - 1); break;
    case ppBMP:
      ComboBox6->SetItemIndex(w.BmpCompression);
      ComboBox7->SetItemIndex(w.BmpColors);
      break;
    case ppPCX:
      ComboBox8->SetItemIndex(w.PcxCompression);
      ComboBox9->SetItemIndex(w.PcxColors);
      break;
    case ppPNG:
      ComboBox10->SetItemIndex(w.PngColors);
      Panel1->SetColor(ColorOf(w.PngBackground));
      ComboBox11->SetItemIndex(w.PngFilter);
      CheckBox6->SetChecked(w.PngInterlaced);
      ComboBox12->SetItemIndex(w.PngCompression);
      break;
    case ppTGA:
      ComboBox14->SetItemIndex(w.TgaColors);
      Panel5->SetColor(ColorOf(w.TgaBackground));
      CheckBox1->SetChecked(w.TgaCompressed);
      Edit13->SetText(w.TgaName);
      Edit14->SetText(w.TgaDescription);
      break;
    case ppJ2000: {
      const int32_t r = static_cast<int32_t>(Round(w.J2000Rate * 1000));
      Edit15->SetText(num(r));
      TrackBar1->SetPosition(r);
      ComboBox15->SetItemIndex(w.J2000ColorSpace);
      break;
    }
    default: break;
  }
  if (source_)
    OriginalSize[page]->SetCaption(std::to_string(source_->RowLen() * source_->Height()) +
                                   " bytes");
  ready_ = true;
}

// ---- edits

void TfIOPreviews::ReadControls(TIEPreviewsPage Page) {
  TIEPreviewsWork& w = work_;
  ready_ = false;
  switch (Page) {
    case ppJPEG1:
      w.JpegQuality = TrackBar13->Position();
      SetTextQuiet(Edit22, std::to_string(w.JpegQuality));
      w.JpegDCTMethod = static_cast<uint8_t>(std::max(0, ComboBox1->ItemIndex()));
      w.JpegSmooth = ClampJpegSmooth(IntOr(Edit23, 0));
      w.JpegColorSpace = static_cast<uint8_t>(std::max(0, ComboBox13->ItemIndex()));
      w.JpegOptimalHuffman = CheckBox2->Checked();
      w.JpegProgressive = CheckBox3->Checked();
      break;
    case ppJPEG2:
      w.JpegQuality = TrackBar2->Position();
      SetTextQuiet(Edit16, std::to_string(w.JpegQuality));
      break;
    case ppTIFF1: {
      int32_t photometric = std::max(0, ComboBox3->ItemIndex());
      int32_t colors = std::max(0, ComboBox4->ItemIndex());
      const int32_t old_colors = TiffFullColorItem(w.BitsPerSample, w.SamplesPerPixel, w.TiffPhotometric);
      if (photometric != w.TiffPhotometric) {
        if (photometric <= 1 && colors > 0) colors = 2;
        else if (photometric == 2 || photometric >= 5) colors = 4;
        else if (photometric == 3) colors = 2;
      } else if (colors != old_colors) {
        if (colors == 0 && photometric > 1) photometric = 1;
        else if (colors == 1) photometric = 3;
        else if (colors == 2 && (photometric == 2 || photometric > 3)) photometric = 3;
      }
      ComboBox3->SetItemIndex(photometric);
      ComboBox4->SetItemIndex(colors);
      w.TiffCompression = static_cast<uint8_t>(TiffItemToCompression(ComboBox2->ItemIndex()));
      w.TiffPhotometric = static_cast<uint8_t>(photometric);
      const TIEDepth d = TiffFullDepth(colors, photometric);
      w.BitsPerSample = d.Bits;
      w.SamplesPerPixel = d.Samples;
      w.TiffImageIndex = IntOr(Edit1, 0);
      w.TiffXPos = IntOr(Edit2, 0);
      w.TiffYPos = IntOr(Edit3, 0);
      w.TiffPageNumber = IntOr(Edit7, 0);
      w.TiffPageCount = IntOr(Edit8, 0);
      w.TiffDocumentName = Edit4->Text();
      w.TiffImageDescription = Edit5->Text();
      w.TiffPageName = Edit6->Text();
      break;
    }
    case ppTIFF2: {
      const int32_t compression = TiffItemToCompression(ComboBox16->ItemIndex());
      int32_t colors = std::max(0, ComboBox17->ItemIndex());
      if (compression != w.TiffCompression) {
        if (compression >= 1 && compression <= 4) {
          colors = 0;
          w.TiffPhotometric = 1;
        } else if (compression == 7) {
          colors = 3;
          w.TiffPhotometric = 6;
        }
        w.TiffCompression = static_cast<uint8_t>(compression);
      }
      const TIEDepth d = TiffSimpleDepth(colors);
      w.BitsPerSample = d.Bits;
      w.SamplesPerPixel = d.Samples;
      if (w.TiffCompression >= 1 && w.TiffCompression <= 4 && d.Bits > 1) w.TiffCompression = 0;
      if (w.TiffCompression == 7 && !(d.Bits == 8 && d.Samples == 3)) w.TiffCompression = 0;
      ComboBox16->SetItemIndex(TiffCompressionToItem(w.TiffCompression));
      ComboBox17->SetItemIndex(colors);
      break;
    }
    case ppGIF1:
      w.GifBits = std::max(0, ComboBox5->ItemIndex()) + 1;
      w.GifInterlaced = CheckBox5->Checked();
      w.GifImageIndex = IntOr(Edit9, 0);
      w.GifXPos = IntOr(Edit10, 0);
      w.GifYPos = IntOr(Edit11, 0);
      w.GifDelayTime = IntOr(Edit12, 0);
      w.GifTransparent = CheckBox4->Checked();
      TransparentColorLabel->SetEnabled(w.GifTransparent);
      Panel3->SetEnabled(w.GifTransparent);
      break;
    case ppGIF2: w.GifBits = std::max(0, ComboBox18->ItemIndex()) + 1; break;
    case ppBMP:
      w.BmpColors = std::max(0, ComboBox7->ItemIndex());
      w.BmpCompression = ComboBox6->ItemIndex() > 0 ? 1 : 0;
      break;
    case ppPCX:
      w.PcxColors = std::max(0, ComboBox9->ItemIndex());
      w.PcxCompression = ComboBox8->ItemIndex() > 0 ? 1 : 0;
      break;
    case ppPNG:
      w.PngColors = std::max(0, ComboBox10->ItemIndex());
      w.PngInterlaced = CheckBox6->Checked();
      w.PngFilter = static_cast<uint8_t>(std::max(0, ComboBox11->ItemIndex()));
      w.PngCompression = std::max(0, ComboBox12->ItemIndex());
      break;
    case ppTGA:
      w.TgaColors = std::max(0, ComboBox14->ItemIndex());
      w.TgaCompressed = CheckBox1->Checked();
      w.TgaName = Edit13->Text();
      w.TgaDescription = Edit14->Text();
      break;
    case ppJ2000:
      w.J2000Rate = TrackBar1->Position() / 1000.0;
      SetTextQuiet(Edit15, std::to_string(TrackBar1->Position()));
      w.J2000ColorSpace = static_cast<uint8_t>(std::max(0, ComboBox15->ItemIndex()));
      break;
    default: break;
  }
  ready_ = true;
}

bool TfIOPreviews::AffectsPreview(const TIEPreviewsWork& b) const {
  const TIEPreviewsWork& w = work_;
  return w.JpegQuality != b.JpegQuality || w.JpegColorSpace != b.JpegColorSpace ||
         w.JpegDCTMethod != b.JpegDCTMethod || w.JpegOptimalHuffman != b.JpegOptimalHuffman ||
         w.JpegSmooth != b.JpegSmooth || w.JpegProgressive != b.JpegProgressive ||
         w.J2000Rate != b.J2000Rate || w.J2000ColorSpace != b.J2000ColorSpace ||
         w.TiffCompression != b.TiffCompression || w.TiffPhotometric != b.TiffPhotometric ||
         w.BitsPerSample != b.BitsPerSample || w.SamplesPerPixel != b.SamplesPerPixel ||
         w.GifBits != b.GifBits || w.GifInterlaced != b.GifInterlaced ||
         w.BmpColors != b.BmpColors || w.BmpCompression != b.BmpCompression ||
         w.PcxColors != b.PcxColors || w.PcxCompression != b.PcxCompression ||
         w.PngColors != b.PngColors || w.PngInterlaced != b.PngInterlaced ||
         w.PngFilter != b.PngFilter || w.PngCompression != b.PngCompression ||
         w.TgaColors != b.TgaColors || w.TgaCompressed != b.TgaCompressed;
}

void TfIOPreviews::ControlChanged() {
  if (!ready_) return;
  const TIEPreviewsPage page = ActivePage();
  if (page >= ppPageCount) return;
  const TIEPreviewsWork before = work_;
  ReadControls(page);
  if (AffectsPreview(before) && chkLockPreview->Checked()) ComputePreview();
  Button4->SetEnabled(true);
}

void TfIOPreviews::LockPreviewClick() {
  if (chkLockPreview->Checked()) ComputePreview();
  Button3->SetEnabled(!chkLockPreview->Checked());
}

// ---- preview

void TfIOPreviews::ComputePreview() {
  if (!activated_ || computing_ || !source_) return;
  const TIEPreviewsPage page = ActivePage();
  if (page >= ppPageCount) return;
  computing_ = true;
  TCursor saved = Screen ? Screen->Cursor() : TCursor(crDefault);
  if (Screen) Screen->SetCursor(crHourGlass);
  Imago2->SetExternalBitmap(nullptr);
  // The encode is the source view's work, the decode the result view's: the
  // pages that decode (JPEG, JPEG 2000) share the bar between the two.
  const bool decodes = page == ppJPEG1 || page == ppJPEG2 || page == ppJ2000;
  progress_offset_ = 0;
  progress_divisor_ = decodes ? 2 : 1;
  auto progress = [this, decodes](int32_t Phase, int32_t Per) {
    TImagoView* view = Imago1;
    if (Phase == 1) {
      if (!decodes) return;
      progress_offset_ = 50;
      view = Imago2;
    }
    if (const TIEProgressEvent e = view->OnProgress()) e(view, Per);
  };
  Imago1->GetIO()->SetDefaultDitherMethod(dither_method_);
  const TIEPreviewResult r = ComputePreviewResultAsync(page, work_, *Imago1->GetIO()->Params(),
                                                       source_, result_.get(), dither_method_,
                                                       &PumpMessages, 16, progress);
  Imago2->SetExternalBitmap(result_.get());
  if (Screen) Screen->SetCursor(saved);
  computing_ = false;
  ++preview_count_;
  preview_size_ = r.Size;
  result_palette_ = r.Palette;
  if (!r.Ok) TForm::SetCaption(kResultFailed);
  const int32_t type = PreviewsPageFileType(page);
  for (int32_t i = 0; i < ppPageCount; ++i)
    if (PreviewsPageFileType(static_cast<TIEPreviewsPage>(i)) == type)
      CompressedSize[i]->SetCaption(std::to_string(r.Size) + " bytes");
  ProgressBar1->SetPosition(0);
  Imago2->LockUpdate();
  Imago2->SetZoom(Imago1->Zoom());
  Imago2->SetViewXY(Imago1->ViewX(), Imago1->ViewY());
  Imago2->UnlockUpdate();
}

void TfIOPreviews::Imago1Progress(TObject*, int32_t Per) {
  ProgressBar1->SetPosition(Per / std::max(1, progress_divisor_) + progress_offset_);
}

// ---- writing back

void TfIOPreviews::WriteBack() {
  const TIEPreviewsPage page = ActivePage();
  if (!params_ || page >= ppPageCount) return;
  WritePreviewsWork(page, work_, *params_);
}

void TfIOPreviews::ApplyClick() {
  WriteBack();
  Button4->SetEnabled(false);
}

// ---- colour panels

int32_t TfIOPreviews::PaletteEntriesFor(int64_t Wanted, int32_t Available) {
  return static_cast<int32_t>(std::clamp<int64_t>(Wanted, 0, std::max(0, Available)));
}

void TfIOPreviews::ColorPanelClick(TPanel* Panel) {
  const TIEPreviewsPage page = ActivePage();
  const bool gif = Panel == Panel3 || Panel == Panel4;
  if (gif && result_palette_.empty()) ComputePreview();
  if (!result_palette_.empty()) {
    int64_t wanted = 0;
    if (gif) wanted = int64_t{1} << std::clamp(work_.GifBits, 1, 8);
    else if (page == ppPNG) wanted = DepthColorCount(PngDepth(work_.PngColors));
    else wanted = DepthColorCount(PngDepth(work_.TgaColors));
    // A form is freed through Free, which takes its controls down while the
    // form is still whole; a plain destructor would leave them a half-gone
    // parent.
    TOwned<TImagoPaletteDialog> picker(new TImagoPaletteDialog(this));
    picker->SetPalette(result_palette_.data(),
                       PaletteEntriesFor(wanted, static_cast<int32_t>(result_palette_.size())));
    picker->CancelButton()->SetCaption(cancel_caption_);
    if (picker->Execute()) Panel->SetColor(picker->ResultColor());
  } else if (!gif) {
    // No palette to pick from: any colour.
    ColorDialog1->SetColor(Panel->Color());
    if (ColorDialog1->Execute()) Panel->SetColor(ColorDialog1->Color());
  }
  const TRGB c = RGBOf(Panel->Color());
  if (Panel == Panel3) work_.GifTranspColor = c;
  else if (Panel == Panel4) work_.GifBackground = c;
  else if (Panel == Panel1) work_.PngBackground = c;
  else if (Panel == Panel5) work_.TgaBackground = c;
  Button4->SetEnabled(true);
}

void RegisterIOPreviewsDialog() {
  SetIOPreviewsDialogFactory(
      [](TComponent* Owner) -> TIEIOPreviewsDialog* { return new TfIOPreviews(Owner); });
}
