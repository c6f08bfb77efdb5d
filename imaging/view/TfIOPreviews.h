// TfIOPreviews: the "Parameters preview" form. It edits the save parameters
// of one record for one of eight formats, one tab page per format (full or
// simplified pages), and shows beside the source image the image the file
// would really hold (encoded with the chosen parameters into memory and
// decoded back), with the number of bytes it would take.
//
// The form keeps a working copy of the parameters: it is read from the
// caller's record once per showing (and again when the page changes), and
// only OK and Apply write it back, the active page's parameters only.
// Cancel leaves the record as it was.
//
// RegisterIOPreviewsDialog installs the form as the input/output
// component's save-parameter dialog.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/io/TIEIOPreviewsDialog.h"
#include "imaging/model/IEPixelTypes.h"
#include "imaging/view/IEPreviewsParams.h"
#include "ui/TForm.h"

class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TGroupBox;
class TIEBitmap;
class TImagoView;
class TLabel;
class TPageControl;
class TPanel;
class TColorDialog;
class TProgressBar;
class TTabSheet;
class TTrackBar;
class TUpDown;

class TfIOPreviews : public TForm, public TIEIOPreviewsDialog {
  RTL_CLASS(TfIOPreviews, TForm)
 public:
  explicit TfIOPreviews(TComponent* AOwner);
  ~TfIOPreviews() override;
  void BeforeDestruction() override;

  // ---- TIEIOPreviewsDialog
  TCustomForm* Form() override { return this; }
  void SetDefaultLockPreview(bool Value) override { default_lock_preview_ = Value; }
  void SetApplyButtonVisible(bool Value) override;
  void SetParams(TIOParamsVals* Value) override { params_ = Value; }
  void SetSimplified(bool Value) override { simplified_ = Value; }
  void SetPageControlHeight(int32_t Value) override;
  void SetFormHeight(int32_t Value) override;
  void SetDitherMethod(uint8_t Value) override { dither_method_ = Value; }
  void SetLanguage(TMsgLanguage Language) override;
  void SetFont(TFont* Value) override;
  void SetSourceBitmap(TIEBitmap* Bitmap) override;
  void BlankResult() override;
  bool SetPageSet(uint16_t Pages) override;
  TModalResult ShowModal() override { return TForm::ShowModal(); }
  void Release() override;

  // ---- state
  TIOParamsVals* Params() const { return params_; }
  uint16_t PageSet() const { return page_set_; }
  bool Simplified() const { return simplified_; }
  uint8_t DitherMethod() const { return dither_method_; }
  const TIEPreviewsWork& Work() const { return work_; }
  // The page shown (ppPageCount before the first activation).
  TIEPreviewsPage ActivePage() const;
  // Previews computed so far; the size of the last one.
  int32_t PreviewCount() const { return preview_count_; }
  int64_t PreviewSize() const { return preview_size_; }
  TIEBitmap* ResultBitmap() const { return result_.get(); }
  const std::string& CancelCaption() const { return cancel_caption_; }

  // ---- operations (the handlers of the form and its controls)
  // Each time the form becomes active; the first one of a showing sets up
  // the pages, reads the record and computes a preview.
  void Activate() override;
  void ReadParams();
  void ShowPage();
  void ComputePreview();
  void WriteBack();            // OK
  void ApplyClick();           // Apply
  void PageChanged();
  void ControlChanged();       // any page control changed
  void LockPreviewClick();
  // Both views' progress: the bar shows Trunc(Per / ProgressDivisor) +
  // ProgressOffset (a JPEG preview fills the first half while encoding and
  // the second while decoding).
  void Imago1Progress(TObject* Sender, int32_t Per);
  int32_t ProgressOffset() const { return progress_offset_; }
  int32_t ProgressDivisor() const { return progress_divisor_; }
  // Colour panels: opens the palette picker over the result's palette (or
  // the platform colour dialog where there is none).
  void ColorPanelClick(TPanel* Panel);

  // ---- components
  TPanel *Panel2 = nullptr;
  TLabel *Label1 = nullptr, *Label2 = nullptr;
  TImagoView *Imago1 = nullptr, *Imago2 = nullptr;
  TProgressBar *ProgressBar1 = nullptr;
  TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;
  TPageControl *PageControl1 = nullptr;
  TCheckBox *chkLockPreview = nullptr;
  std::array<TTabSheet*, ppPageCount> Sheets{};
  std::array<TLabel*, ppPageCount> OriginalSize{}, CompressedSize{};
  // JPEG full and simplified
  TEdit *Edit22 = nullptr, *Edit23 = nullptr, *Edit16 = nullptr;
  TTrackBar *TrackBar13 = nullptr, *TrackBar2 = nullptr;
  TUpDown *UpDown11 = nullptr;
  TComboBox *ComboBox1 = nullptr, *ComboBox13 = nullptr;
  TCheckBox *CheckBox2 = nullptr, *CheckBox3 = nullptr;
  // TIFF full and simplified
  TComboBox *ComboBox2 = nullptr, *ComboBox3 = nullptr, *ComboBox4 = nullptr, *ComboBox16 = nullptr, *ComboBox17 = nullptr;
  TEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr, *Edit6 = nullptr, *Edit7 = nullptr, *Edit8 = nullptr;
  TUpDown *UpDown1 = nullptr;
  // GIF
  TComboBox *ComboBox5 = nullptr, *ComboBox18 = nullptr;
  TEdit *Edit9 = nullptr, *Edit10 = nullptr, *Edit11 = nullptr, *Edit12 = nullptr;
  TUpDown *UpDown2 = nullptr;
  TCheckBox *CheckBox4 = nullptr, *CheckBox5 = nullptr;
  TPanel *Panel3 = nullptr, *Panel4 = nullptr;
  TLabel *TransparentColorLabel = nullptr;
  // BMP, PCX
  TComboBox *ComboBox6 = nullptr, *ComboBox7 = nullptr, *ComboBox8 = nullptr, *ComboBox9 = nullptr;
  // PNG
  TComboBox *ComboBox10 = nullptr, *ComboBox11 = nullptr, *ComboBox12 = nullptr;
  TCheckBox *CheckBox6 = nullptr;
  TPanel *Panel1 = nullptr;
  // TGA
  TComboBox *ComboBox14 = nullptr;
  TPanel *Panel5 = nullptr;
  TCheckBox *CheckBox1 = nullptr;
  TEdit *Edit13 = nullptr, *Edit14 = nullptr;
  // JPEG 2000
  TEdit *Edit15 = nullptr;
  TTrackBar *TrackBar1 = nullptr;
  TComboBox *ComboBox15 = nullptr;
  // The PNG and TGA background panels pick from it when the result has no
  // palette.
  TColorDialog *ColorDialog1 = nullptr;

  // The palette picker's count for a colour panel: never more entries than
  // the result's palette holds.
  static int32_t PaletteEntriesFor(int64_t Wanted, int32_t Available);

 private:
  class PageBuilder;
  // The parameter pages, built once with the form, two pages (full and
  // simplified) for the formats that have a simplified page.
  void BuildPages();
  void BuildJPEGPages(PageBuilder& b);
  void BuildTIFFPages(PageBuilder& b);
  void BuildGIFPages(PageBuilder& b);
  void BuildBMPAndPCXPages(PageBuilder& b);
  void BuildPNGAndTGAPages(PageBuilder& b);
  void BuildJ2000Page(PageBuilder& b);
  void ReadControls(TIEPreviewsPage Page);
  bool AffectsPreview(const TIEPreviewsWork& Before) const;

  TIOParamsVals* params_ = nullptr;
  uint16_t page_set_ = 0;
  bool simplified_ = false;
  uint8_t dither_method_ = 1;
  bool default_lock_preview_ = false;
  bool ready_ = false;
  bool activated_ = false;
  bool params_read_ = false;  // this showing's record has been read
  bool computing_ = false;
  int32_t preview_count_ = 0;
  int64_t preview_size_ = 0;
  int32_t progress_offset_ = 0;
  int32_t progress_divisor_ = 1;
  std::string cancel_caption_ = "&Cancel";
  TIEPreviewsWork work_;
  TIEBitmap* source_ = nullptr;
  std::unique_ptr<TIEBitmap> result_;
  bool released_ = false;
  std::vector<TRGB> result_palette_;
  // Captions that follow the dialog word table: the word, with ":" after
  // it (Form 1), or with a space on both sides (Form 2, group boxes).
  struct TWordCaption {
    TControl* Control;
    int32_t Word;
    uint8_t Form;
  };
  std::vector<TWordCaption> captions_;
};

// Installs TfIOPreviews as the save-parameter dialog of TImagoIO::DoPreviews.
void RegisterIOPreviewsDialog();
