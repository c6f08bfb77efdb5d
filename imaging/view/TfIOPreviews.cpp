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

// Makes the controls of the parameter pages: every control is owned by the
// form, its caption is registered for the word table when it has a word,
// and every editing control reports a change through ControlChanged.
class TfIOPreviews::PageBuilder {
 public:
  explicit PageBuilder(TfIOPreviews* Form) : form_(Form) {}

  TTabSheet* Sheet(TIEPreviewsPage Page, const char* Caption) {
    auto* s = new TTabSheet(form_);
    s->SetPageControl(form_->PageControl1);
    s->SetCaption(Caption);
    form_->Sheets[Page] = s;
    return s;
  }
  // Word -1: a text that does not follow the word table.
  TLabel* Label(TWinControl* Parent, int32_t X, int32_t Y, const char* Text, int32_t Word, TWordForm Form) {
    auto* l = NewControl<TLabel>(form_, "", Parent, X, Y, 120, 13, Text);
    if (Word >= 0) form_->captions_.push_back({l, Word, Form});
    return l;
  }
  TComboBox* Combo(TWinControl* Parent, int32_t X, int32_t Y, int32_t W,
                   std::initializer_list<const char*> Items) {
    auto* c = NewControl<TComboBox>(form_, "", Parent);
    c->SetStyle(csDropDownList);
    c->SetBounds(X, Y, W, 21);
    for (const char* i : Items) c->Items()->Add(i);
    c->OnChange = Changed();
    return c;
  }
  TEdit* Edit(TWinControl* Parent, int32_t X, int32_t Y, int32_t W) {
    auto* e = NewControl<TEdit>(form_, "", Parent, X, Y, W, 21);
    e->OnChange = Changed();
    return e;
  }
  TCheckBox* Check(TWinControl* Parent, int32_t X, int32_t Y, const char* Text, int32_t Word, TWordForm Form) {
    auto* c = NewControl<TCheckBox>(form_, "", Parent, X, Y, 140, 17, Text);
    c->OnClick = Changed();
    if (Word >= 0) form_->captions_.push_back({c, Word, Form});
    return c;
  }
  // A colour panel: a click opens the colour picker for it.
  TPanel* ColorPanel(TWinControl* Parent, int32_t X, int32_t Y) {
    auto* p = NewControl<TPanel>(form_, "", Parent, X, Y, 41, 21);
    TfIOPreviews* form = form_;
    p->OnClick = [form, p](TObject*) { form->ColorPanelClick(p); };
    return p;
  }
  TGroupBox* Group(TWinControl* Parent, int32_t X, int32_t Y, int32_t W, int32_t H, const char* Text,
                   int32_t Word) {
    auto* g = NewControl<TGroupBox>(form_, "", Parent, X, Y, W, H, Text);
    form_->captions_.push_back({g, Word, wfSpaced});
    return g;
  }
  TTrackBar* Track(TWinControl* Parent, int32_t X, int32_t Y, int32_t Max) {
    auto* t = NewControl<TTrackBar>(form_, "", Parent, X, Y, 200, 25);
    t->SetMin(0);
    t->SetMax(Max);
    return t;
  }
  TUpDown* UpDown(TWinControl* Parent, TEdit* Associate, int32_t Max) {
    auto* u = NewControl<TUpDown>(form_, "", Parent);
    u->SetMin(0);
    u->SetMax(Max);
    u->SetAssociate(Associate);
    return u;
  }
  // The original and compressed sizes every page shows at its foot.
  void Sizes(TIEPreviewsPage Page, TWinControl* Parent, int32_t X, int32_t Y) {
    Label(Parent, X, Y, "Original size:", 43, wfColon);
    form_->OriginalSize[Page] = Label(Parent, X, Y + 16, "---", -1, wfPlain);
    Label(Parent, X + 130, Y, "Compressed size:", 44, wfColon);
    form_->CompressedSize[Page] = Label(Parent, X + 130, Y + 16, "---", -1, wfPlain);
  }
  TNotifyEvent Changed() const {
    TfIOPreviews* form = form_;
    return [form](TObject*) { form->ControlChanged(); };
  }

 private:
  TfIOPreviews* form_;
};

// The sizes of a full page sit below its controls, those of a simplified
// page right under its few controls.
namespace {
constexpr int32_t kFullSizesTop = 152, kSimplifiedSizesTop = 61;
}

void TfIOPreviews::BuildPages() {
  PageBuilder b(this);
  BuildJPEGPages(b);
  BuildTIFFPages(b);
  BuildGIFPages(b);
  BuildBMPAndPCXPages(b);
  BuildPNGAndTGAPages(b);
  BuildJ2000Page(b);
  // The TIFF compression list depends on the encoders installed when the
  // form is made (LZW only with an LZW encoder).
  for (int32_t i = 0; i < TiffCompressionItemCount(); ++i) {
    ComboBox2->Items()->Add(TiffCompressionItem(i));
    ComboBox16->Items()->Add(TiffCompressionItem(i));
  }
  // Every page starts hidden: the page set of a showing makes the right
  // full or simplified ones visible.
  for (TTabSheet* t : Sheets) t->SetTabVisible(false);
}

void TfIOPreviews::BuildJPEGPages(PageBuilder& b) {
  // The full page: quality, with the advanced encoder choices in a group.
  TTabSheet* s = b.Sheet(ppJPEG1, "JPEG");
  b.Label(s, 8, 8, "&Quality:", 38, wfColon);
  Edit22 = b.Edit(s, 80, 6, 40);
  // The quality edit drives the track bar; the track bar's change computes
  // the preview, so the edit only does so itself when the bar stays put.
  Edit22->OnChange = [this](TObject*) {
    if (!ready_) return;
    const int32_t q = std::clamp(IntOr(Edit22, 50), 0, 100);
    if (q != TrackBar13->Position()) TrackBar13->SetPosition(q);
    else ControlChanged();
  };
  TrackBar13 = b.Track(s, 124, 4, 100);
  TrackBar13->SetFrequency(5);
  TrackBar13->OnChange = b.Changed();
  TGroupBox* g = b.Group(s, 8, 36, 395, 110, " Advanced ", 45);
  b.Label(g, 8, 18, "DCT method:", 39, wfColon);
  ComboBox1 = b.Combo(g, 110, 16, 90, {"ISLOW", "IFAST", "FLOAT"});
  b.Label(g, 8, 44, "Smoothing factor:", 40, wfColon);
  Edit23 = b.Edit(g, 110, 42, 40);
  // The smoothing edit shares the quality edit's handler: the quality is
  // unchanged then, so the handler just reports a change.
  Edit23->OnChange = Edit22->OnChange;
  UpDown11 = b.UpDown(g, Edit23, kJpegSmoothMax);
  b.Label(g, 8, 70, "Photometric:", 49, wfColon);
  ComboBox13 = b.Combo(g, 110, 68, 90, {"RGB", "GrayScale", "YCbCr", "CMYK", "YCbCrK"});
  CheckBox2 = b.Check(g, 230, 18, "&Optimal Huffman", 42, wfPlain);
  CheckBox3 = b.Check(g, 230, 44, "P&rogressive", 46, wfPlain);
  b.Sizes(ppJPEG1, s, 8, kFullSizesTop);

  // The simplified page: the quality only.
  s = b.Sheet(ppJPEG2, "JPEG");
  b.Label(s, 8, 8, "&Quality:", 38, wfColon);
  Edit16 = b.Edit(s, 80, 6, 40);
  Edit16->OnChange = [this](TObject*) {
    if (!ready_) return;
    const int32_t q = std::clamp(IntOr(Edit16, 50), 0, 100);
    if (q != TrackBar2->Position()) TrackBar2->SetPosition(q);
  };
  TrackBar2 = b.Track(s, 124, 4, 100);
  TrackBar2->OnChange = b.Changed();
  b.Sizes(ppJPEG2, s, 8, kSimplifiedSizesTop);
}

void TfIOPreviews::BuildTIFFPages(PageBuilder& b) {
  // The full page: compression, page index, photometric and colours, and
  // the scanned-document tags in a group.
  TTabSheet* s = b.Sheet(ppTIFF1, "TIFF");
  b.Label(s, 8, 8, "Compression:", 47, wfColon);
  ComboBox2 = b.Combo(s, 100, 6, 110, {});
  b.Label(s, 220, 8, "Image index:", 48, wfColon);
  Edit1 = b.Edit(s, 310, 6, 40);
  UpDown1 = b.UpDown(s, Edit1, 1000);
  b.Label(s, 8, 34, "Photometric:", 49, wfColon);
  ComboBox3 = b.Combo(s, 100, 32, 110,
                      {"WHITEISZERO/Gray", "BLACKISZERO/Gray", "RGB", "RGBPALETTE", "TRANSPMASK", "CMYK",
                       "YCBCR", "CIELAB"});
  b.Label(s, 220, 34, "Colors:", 58, wfColon);
  ComboBox4 = b.Combo(s, 310, 32, 80, {"B/W", "16", "256", "65536", "16M"});
  TGroupBox* g = b.Group(s, 8, 58, 395, 90, " Scanned document info ", 50);
  b.Label(g, 8, 16, "Name:", 51, wfColon);
  Edit4 = b.Edit(g, 80, 14, 100);
  b.Label(g, 190, 16, "Description:", 52, wfColon);
  Edit5 = b.Edit(g, 270, 14, 115);
  b.Label(g, 8, 40, "Page name:", 53, wfColon);
  Edit6 = b.Edit(g, 80, 38, 100);
  b.Label(g, 190, 40, "Page number:", 54, wfColon);
  Edit7 = b.Edit(g, 270, 38, 40);
  b.Label(g, 315, 40, "o&f", 55, wfPlain);
  Edit8 = b.Edit(g, 335, 38, 40);
  b.Label(g, 8, 64, "Horizontal position (inch):", 56, wfColon);
  Edit2 = b.Edit(g, 150, 62, 40);
  b.Label(g, 200, 64, "Vertical position (inch):", 57, wfColon);
  Edit3 = b.Edit(g, 340, 62, 40);
  b.Sizes(ppTIFF1, s, 8, kFullSizesTop);

  // The simplified page: compression and colours.
  s = b.Sheet(ppTIFF2, "TIFF");
  b.Label(s, 8, 8, "Compression:", 47, wfColon);
  ComboBox16 = b.Combo(s, 100, 6, 110, {});
  b.Label(s, 8, 34, "Colors:", 58, wfColon);
  ComboBox17 = b.Combo(s, 100, 32, 110, {"2", "16", "256", "16777216"});
  b.Sizes(ppTIFF2, s, 8, kSimplifiedSizesTop);
}

void TfIOPreviews::BuildGIFPages(PageBuilder& b) {
  // The full page: colours, frame index, transparency and background, and
  // the frame's position and delay in a group.
  TTabSheet* s = b.Sheet(ppGIF1, "GIF");
  b.Label(s, 8, 8, "Colors:", 58, wfColon);
  ComboBox5 = b.Combo(s, 100, 6, 80, {"B/W", "4", "8", "16", "32", "64", "128", "256"});
  b.Label(s, 200, 8, "Image index:", 48, wfColon);
  Edit9 = b.Edit(s, 290, 6, 40);
  UpDown2 = b.UpDown(s, Edit9, 1000);
  CheckBox4 = b.Check(s, 8, 34, "&Transparent:", 59, wfColon);
  TransparentColorLabel = b.Label(s, 150, 36, "Transparent color:", 60, wfColon);
  Panel3 = b.ColorPanel(s, 260, 32);
  CheckBox5 = b.Check(s, 8, 58, "I&nterlaced:", 61, wfColon);
  b.Label(s, 150, 60, "Background:", 62, wfColon);
  Panel4 = b.ColorPanel(s, 260, 56);
  TGroupBox* g = b.Group(s, 8, 82, 395, 66, " Advanced ", 45);
  b.Label(g, 8, 18, "Horizontal position:", 63, wfColon);
  Edit10 = b.Edit(g, 120, 16, 40);
  b.Label(g, 200, 18, "Vertical position:", 64, wfColon);
  Edit11 = b.Edit(g, 310, 16, 40);
  b.Label(g, 8, 42, "Delay time:", 65, wfColon);
  Edit12 = b.Edit(g, 120, 40, 40);
  b.Label(g, 165, 42, "1/100 s", -1, wfPlain);
  b.Sizes(ppGIF1, s, 8, kFullSizesTop);

  // The simplified page: colours only.
  s = b.Sheet(ppGIF2, "GIF");
  b.Label(s, 8, 8, "Colors:", 58, wfColon);
  ComboBox18 = b.Combo(s, 100, 6, 80, {"B/W", "4", "8", "16", "32", "64", "128", "256"});
  b.Sizes(ppGIF2, s, 8, kSimplifiedSizesTop);
}

void TfIOPreviews::BuildBMPAndPCXPages(PageBuilder& b) {
  // Both formats offer the same two choices: compression and colours.
  TTabSheet* s = b.Sheet(ppBMP, "BMP");
  b.Label(s, 8, 8, "Compression:", 47, wfColon);
  ComboBox6 = b.Combo(s, 100, 6, 110, {"UNCOMPRESSED", "RLE"});
  b.Label(s, 8, 34, "Colors:", 58, wfColon);
  ComboBox7 = b.Combo(s, 100, 32, 110, {"B/W", "16", "256", "16M", "16M (32bit)"});
  b.Sizes(ppBMP, s, 8, kFullSizesTop);

  s = b.Sheet(ppPCX, "PCX");
  b.Label(s, 8, 8, "Compression:", 47, wfColon);
  ComboBox8 = b.Combo(s, 100, 6, 110, {"UNCOMPRESSED", "RLE"});
  b.Label(s, 8, 34, "Colors:", 58, wfColon);
  ComboBox9 = b.Combo(s, 100, 32, 110, {"B/W", "16", "256", "16M"});
  b.Sizes(ppPCX, s, 8, kFullSizesTop);
}

void TfIOPreviews::BuildPNGAndTGAPages(PageBuilder& b) {
  // PNG: colours and background, with filter, interlacing and the
  // compression level in a group.
  TTabSheet* s = b.Sheet(ppPNG, "PNG");
  b.Label(s, 8, 8, "Colors:", 58, wfColon);
  ComboBox10 = b.Combo(s, 100, 6, 80, {"B/W", "256", "16M"});
  b.Label(s, 200, 8, "Background:", 62, wfColon);
  Panel1 = b.ColorPanel(s, 290, 6);
  TGroupBox* g = b.Group(s, 8, 36, 395, 90, " Advanced ", 45);
  b.Label(g, 8, 18, "Filter:", 66, wfColon);
  ComboBox11 = b.Combo(g, 110, 16, 90, {"None", "Sub", "Paeth"});
  CheckBox6 = b.Check(g, 230, 18, "I&nterlaced:", 61, wfPlain);
  b.Label(g, 8, 44, "Compression:", 47, wfColon);
  ComboBox12 = b.Combo(g, 110, 42, 90, {"None", "1", "2", "3", "4", "5", "6", "7", "8", "Max"});
  b.Sizes(ppPNG, s, 8, kFullSizesTop);

  // TGA: colours, background, compression on or off, name and description.
  s = b.Sheet(ppTGA, "TGA");
  b.Label(s, 8, 8, "Colors:", 58, wfColon);
  ComboBox14 = b.Combo(s, 100, 6, 80, {"B/W", "256", "16M"});
  b.Label(s, 200, 8, "Background:", 62, wfColon);
  Panel5 = b.ColorPanel(s, 290, 6);
  CheckBox1 = b.Check(s, 8, 34, "Compression:", 47, wfColon);
  b.Label(s, 8, 60, "Name:", 51, wfColon);
  Edit13 = b.Edit(s, 100, 58, 200);
  b.Label(s, 8, 86, "Description:", 52, wfColon);
  Edit14 = b.Edit(s, 100, 84, 200);
  b.Sizes(ppTGA, s, 8, kFullSizesTop);
}

void TfIOPreviews::BuildJ2000Page(PageBuilder& b) {
  // The rate (edit and track bar, as the JPEG quality) and the colour space.
  TTabSheet* s = b.Sheet(ppJ2000, "JPEG2000");
  b.Label(s, 8, 8, "&Rate:", 123, wfColon);
  Edit15 = b.Edit(s, 80, 6, 40);
  Edit15->OnChange = [this](TObject*) {
    if (!ready_) return;
    const int32_t r = std::clamp(IntOr(Edit15, 1000), 0, 1000);
    if (r != TrackBar1->Position()) TrackBar1->SetPosition(r);
  };
  TrackBar1 = b.Track(s, 124, 4, 1000);
  TrackBar1->OnChange = b.Changed();
  b.Label(s, 8, 34, "Photometric:", 49, wfColon);
  ComboBox15 = b.Combo(s, 100, 32, 110, {"GrayScale", "RGB", "YCbCr"});
  b.Sizes(ppJ2000, s, 8, kFullSizesTop);
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
