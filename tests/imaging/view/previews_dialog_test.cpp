// The save-parameter form: page controls to the record and back, Cancel,
// the working copy kept across activations, the preview as the real codec
// gives it, and the parameter mappings with their edge cases.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "../../ui/ModalSteps.h"
#include "ViewTestSupport.h"
#include "imaging/io/IEFormats.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIEIOPreviewsDialog.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/view/IEPreviewResult.h"
#include "imaging/view/IEPreviewsParams.h"
#include "imaging/view/TSaveImagoDialog.h"
#include "imaging/view/TfIOPreviews.h"
#include "rtl/TStream.h"
#include "ui/TButton.h"
#include "ui/TCheckBox.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"
#include "imaging/model/TImagoProc.h"
#include "ui/TPanel.h"
#include "ui/TProgressBar.h"
#include "ui/TScreen.h"
#include "ui/TTrackBar.h"
#include "ui/TPageControl.h"

namespace {

// ---- mappings

TEST(PreviewsParams, TiffCompressionListKeepsLzw) {
  // value -> item -> value; 6 shows as the first item.
  const int32_t values[][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 0}, {7, 6}, {8, 7}};
  for (auto [value, item] : values) {
    EXPECT_EQ(TiffCompressionToItem(value), item) << value;
    if (value != 6) { EXPECT_EQ(TiffItemToCompression(item), value) << value; }
  }
  EXPECT_STREQ(TiffCompressionItem(5), "LZW");
  EXPECT_STREQ(TiffCompressionItem(7), "PACKBITS");
}

// Without an LZW encoder for the TIFF writer the list has no "LZW", and a
// record asking for LZW shows "PACKBITS".
TEST(PreviewsParams, TiffCompressionListWithoutLzw) {
  const TTIFFLZWCompressProc installed = DefaultTIFFLZWCompress;
  DefaultTIFFLZWCompress = nullptr;
  EXPECT_EQ(TiffCompressionItemCount(), 7);
  const int32_t values[][2] = {{0, 0}, {4, 4}, {5, 6}, {6, 0}, {7, 5}, {8, 6}};
  for (auto [value, item] : values) EXPECT_EQ(TiffCompressionToItem(value), item) << value;
  const int32_t items[][2] = {{4, 4}, {5, 7}, {6, 8}};
  for (auto [item, value] : items) EXPECT_EQ(TiffItemToCompression(item), value) << item;
  EXPECT_STREQ(TiffCompressionItem(5), "JPEG");
  EXPECT_STREQ(TiffCompressionItem(6), "PACKBITS");
  DefaultTIFFLZWCompress = installed;
}

TEST(PreviewsParams, ColourChoicesReadAndWrite) {
  struct Case {
    int32_t bits, samples, photometric, full;
  } tiff[] = {{1, 1, 2, 4}, {1, 1, 1, 0}, {4, 1, 3, 1}, {8, 1, 3, 2}, {16, 1, 3, 3},
              {8, 3, 2, 4}, {8, 1, 5, 4}, {8, 1, 0, 2}, {4, 1, 1, 2}};
  for (const Case& c : tiff)
    EXPECT_EQ(TiffFullColorItem(c.bits, c.samples, c.photometric), c.full)
        << c.bits << "x" << c.samples << " ph " << c.photometric;
  EXPECT_EQ(TiffFullDepth(0, 5).Samples, 4);  // CMYK whatever the list shows
  EXPECT_EQ(TiffFullDepth(3, 2).Bits, 16);
  EXPECT_EQ(TiffSimpleColorItem(3, 1), 1);
  EXPECT_EQ(TiffSimpleColorItem(8, 3), 3);
  // "16M (32bit)" is the same depth as "16M".
  EXPECT_EQ(BmpDepth(3).Samples, 3);
  EXPECT_EQ(BmpDepth(4).Samples, 3);
  EXPECT_EQ(BmpColorItem(8, 4, 1), 1);  // no item: the previous choice
  EXPECT_EQ(BmpColorItem(16, 1, 2), 2);  // no item: the previous choice
  EXPECT_EQ(PcxColorItem(5, 3, 0), 3);
  EXPECT_EQ(PngColorItem(4, 1), 1);
  EXPECT_EQ(PngColorItem(8, 4), 2);
  EXPECT_EQ(J2000Depth(0).Samples, 1);
  EXPECT_EQ(DepthColorCount({4, 1}), 16);
}

TEST(PreviewsParams, WritingTouchesOnlyThePageShown) {
  TIOParamsVals p(nullptr);
  p.JpegQuality = 77;
  p.PngFilter = 1;
  TIEPreviewsWork w;
  ReadPreviewsWork(p, w);
  w.JpegQuality = 12;
  w.PngFilter = 2;
  w.BmpColors = 1;
  WritePreviewsWork(ppPNG, w, p);
  EXPECT_EQ(p.JpegQuality, 77);
  EXPECT_EQ(p.PngFilter, 2);
  EXPECT_EQ(p.FileType, ieftPNG);
  WritePreviewsWork(ppBMP, w, p);
  EXPECT_EQ(p.BitsPerSample, 4);
  EXPECT_EQ(p.SamplesPerPixel, 1);
  EXPECT_EQ(p.FileType, ieftBMP);
}

TEST(PreviewsParams, SmoothingStaysInTheEncodersRange) {
  TIOParamsVals p(nullptr);
  p.JpegSmooth = 5000;
  TIEPreviewsWork w;
  ReadPreviewsWork(p, w);
  EXPECT_EQ(w.JpegSmooth, kJpegSmoothMax);
  w.JpegSmooth = -3;
  WritePreviewsWork(ppJPEG1, w, p);
  EXPECT_EQ(p.JpegSmooth, 0);
}

// "16M (32bit)" writes the same depth as "16M".
TEST(PreviewsParams, ThirtyTwoBitBmpItemWritesTheDepthOf16M) {
  TIEBitmap image;
  image.Allocate(3, 2, ieRGB24);
  TImagoIO io(nullptr);
  io.UseIEBitmap(&image);
  for (auto [item, bits] : {std::pair{3, 24}, std::pair{4, 24}}) {
    TIEPreviewsWork w;
    ReadPreviewsWork(*io.Params(), w);
    w.BmpColors = item;
    WritePreviewsWork(ppBMP, w, *io.Params());
    TMemoryStream s;
    io.SaveToStream(&s, ieftBMP);
    ASSERT_FALSE(io.Aborted());
    const uint8_t* d = static_cast<const uint8_t*>(s.Memory());
    EXPECT_EQ(d[28] | (d[29] << 8), bits) << item;
  }
  io.UseIEBitmap(nullptr);
}

TEST(PreviewsParams, PalettePickerNeverAsksBeyondThePalette) {
  EXPECT_EQ(TfIOPreviews::PaletteEntriesFor(256, 4), 4);
  EXPECT_EQ(TfIOPreviews::PaletteEntriesFor(16, 256), 16);
  EXPECT_EQ(TfIOPreviews::PaletteEntriesFor(int64_t{1} << 24, 256), 256);
}

// ---- the form

class PreviewsDialog : public ViewFixture {
 protected:
  void SetUp() override {
    ViewFixture::SetUp();
    RegisterIOPreviewsDialog();
    image_.Allocate(40, 30, ieRGB24);
    FillPattern(&image_);
    io_ = new TImagoIO(nullptr);
    io_->UseIEBitmap(&image_);
    io_->SimplifiedParamsDialogs = false;
    io_->OnIOPreview = [this](TObject*, TIEIOPreviewsDialog* d) {
      form_ = static_cast<TfIOPreviews*>(d);
    };
  }
  void TearDown() override {
    io_->UseIEBitmap(nullptr);
    delete io_;
    SetIOPreviewsDialogFactory({});
    Pump();
    ViewFixture::TearDown();
  }
  bool Show(int32_t FileType, std::vector<std::function<void()>> Steps, uint16_t Pages = ieppCurrent) {
    io_->Params()->FileType = FileType;
    bool r = false;
    RunModalSteps(Steps, [&] { r = io_->DoPreviews(Pages); });
    return r;
  }
  TIEBitmap image_;
  TImagoIO* io_ = nullptr;
  TfIOPreviews* form_ = nullptr;
};

TEST_F(PreviewsDialog, CancelLeavesTheRecordOkWritesThePageShown) {
  io_->Params()->JpegQuality = 80;
  io_->Params()->PngFilter = 0;
  const bool cancelled = Show(ieftJPEG, {[&] {
    EXPECT_EQ(form_->ActivePage(), ppJPEG1);
    form_->TrackBar13->SetPosition(30);
    form_->Button2->Click();
  }});
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(io_->Params()->JpegQuality, 80);

  const bool ok = Show(ieftJPEG, {[&] {
    form_->Edit22->SetText("30");
    form_->CheckBox3->SetChecked(true);
    form_->Button1->Click();
  }});
  EXPECT_TRUE(ok);
  EXPECT_EQ(io_->Params()->JpegQuality, 30);
  EXPECT_EQ(io_->Params()->JpegProgressive, 1);
  EXPECT_EQ(io_->Params()->FileType, ieftJPEG);
  EXPECT_EQ(io_->Params()->PngFilter, 0);
}

TEST_F(PreviewsDialog, EditsSurviveReactivation) {
  Show(ieftPNG, {[&] {
    form_->ComboBox11->SetItemIndex(2);
    form_->ComboBox11->OnChange(form_->ComboBox11);
    // Coming back from another window activates the form again.
    form_->Activate();
    EXPECT_EQ(form_->ComboBox11->ItemIndex(), 2);
    form_->Button1->Click();
  }});
  EXPECT_EQ(io_->Params()->PngFilter, 2);
}

TEST_F(PreviewsDialog, TiffPhotometricCmykWritesFourSamples) {
  Show(ieftTIFF, {[&] {
    form_->ComboBox3->SetItemIndex(5);
    form_->ComboBox3->OnChange(form_->ComboBox3);
    EXPECT_EQ(form_->ComboBox4->ItemIndex(), 4);
    form_->ComboBox2->SetItemIndex(5);
    form_->ComboBox2->OnChange(form_->ComboBox2);
    form_->Button1->Click();
  }});
  EXPECT_EQ(io_->Params()->SamplesPerPixel, 4);
  EXPECT_EQ(io_->Params()->BitsPerSample, 8);
  EXPECT_EQ(io_->Params()->TiffCompression, 5);
  EXPECT_EQ(io_->Params()->TiffPhotometric, 5);
}

TEST_F(PreviewsDialog, SimplifiedPagesWriteTheirParameters) {
  io_->SimplifiedParamsDialogs = true;
  Show(ieftTIFF, {[&] {
    EXPECT_EQ(form_->ActivePage(), ppTIFF2);
    form_->ComboBox16->SetItemIndex(4);  // G4 fax: black and white only
    form_->ComboBox16->OnChange(form_->ComboBox16);
    EXPECT_EQ(form_->ComboBox17->ItemIndex(), 0);
    form_->Button1->Click();
  }});
  EXPECT_EQ(io_->Params()->TiffCompression, 4);
  EXPECT_EQ(io_->Params()->BitsPerSample, 1);
  EXPECT_EQ(io_->Params()->SamplesPerPixel, 1);
}

TEST_F(PreviewsDialog, Jpeg2000RateIsTypedInThousandths) {
  Show(ieftJ2K, {[&] {
    form_->Edit15->SetText("250");
    form_->Button1->Click();
  }});
  EXPECT_DOUBLE_EQ(io_->Params()->J2000Rate, 0.25);
  EXPECT_EQ(io_->Params()->FileType, ieftJ2K);
}

TEST_F(PreviewsDialog, NoPageForTheFormatShowsNothing) {
  EXPECT_FALSE(Show(ieftPXM, {}));
  EXPECT_EQ(form_, nullptr);
}

TEST_F(PreviewsDialog, JpegPreviewIsTheImageSavedAndLoadedAtThatQuality) {
  TIEBitmap shown;
  int32_t previews_at_open = 0, previews_unlocked = 0;
  Show(ieftJPEG, {[&] {
    previews_at_open = form_->PreviewCount();  // one on opening, lock or not
    form_->TrackBar13->SetPosition(20);
    previews_unlocked = form_->PreviewCount();
    form_->Button3->Click();
    shown.Assign(form_->ResultBitmap());
    EXPECT_GT(form_->PreviewSize(), 0);
    form_->Button2->Click();
  }});
  EXPECT_EQ(previews_at_open, 1);
  EXPECT_EQ(previews_unlocked, 1);

  // The same save and load done by hand.
  TImagoIO writer(nullptr);
  writer.UseIEBitmap(&image_);
  writer.Params()->JpegQuality = 20;
  TMemoryStream memory;
  writer.SaveToStream(&memory, ieftJPEG);
  writer.UseIEBitmap(nullptr);
  memory.SetPosition(0);
  TIEBitmap expected;
  TImagoIO reader(nullptr);
  reader.UseIEBitmap(&expected);
  reader.LoadFromStreamOfType(&memory, ieftJPEG);
  reader.UseIEBitmap(nullptr);
  ASSERT_EQ(shown.Width(), expected.Width());
  ASSERT_EQ(shown.Height(), expected.Height());
  ASSERT_EQ(shown.PixelFormat(), expected.PixelFormat());
  for (int32_t y = 0; y < shown.Height(); ++y)
    ASSERT_EQ(std::memcmp(shown.GetScanline(y), expected.GetScanline(y), size_t(shown.RowLen())), 0) << y;
  EXPECT_NE(memcmp(shown.GetScanline(5), image_.GetScanline(5), 40 * 3), 0);  // really compressed
}

TEST_F(PreviewsDialog, GifPreviewShowsTheReducedColours) {
  std::set<uint32_t> colours;
  Show(ieftGIF, {[&] {
    form_->chkLockPreview->SetChecked(true);  // previews follow the edits
    form_->ComboBox5->SetItemIndex(1);        // 4 colours
    form_->ComboBox5->OnChange(form_->ComboBox5);
    TIEBitmap* r = form_->ResultBitmap();
    for (int32_t y = 0; y < r->Height(); ++y)
      for (int32_t x = 0; x < r->Width(); ++x) {
        const TRGB c = r->GetPixelRGB(x, y);
        colours.insert(c.r | (c.g << 8) | (c.b << 16));
      }
    form_->Button2->Click();
  }});
  EXPECT_GE(colours.size(), 2u);
  EXPECT_LE(colours.size(), 4u);
}

// The lossless pages show the source reduced by the processing conversions
// (the dialog's default dither method is the threshold), and the size the
// writer would write.
TEST_F(PreviewsDialog, LosslessPreviewsAreTheProcessingConversions) {
  struct Case {
    int32_t file_type;
    std::function<void(TfIOPreviews*)> choose;
    std::function<void(TImagoProc&, std::vector<TRGB>&)> convert;
  } cases[] = {
      {ieftBMP, [](TfIOPreviews* f) { f->ComboBox7->SetItemIndex(1); f->ComboBox7->OnChange(f->ComboBox7); },
       [](TImagoProc& p, std::vector<TRGB>&) { p.ConvertTo(16, true); }},
      {ieftPCX, [](TfIOPreviews* f) { f->ComboBox9->SetItemIndex(0); f->ComboBox9->OnChange(f->ComboBox9); },
       [](TImagoProc& p, std::vector<TRGB>&) { p.ConvertTo(2, true); }},
      {ieftGIF, [](TfIOPreviews* f) { f->ComboBox5->SetItemIndex(2); f->ComboBox5->OnChange(f->ComboBox5); },
       [](TImagoProc& p, std::vector<TRGB>& pal) { pal.resize(8); p.ConvertToPalette(8, pal, true); }},
      {ieftTIFF, [](TfIOPreviews* f) {
         f->ComboBox3->SetItemIndex(1);  // BLACKISZERO
         f->ComboBox4->SetItemIndex(2);  // 256
         f->ComboBox3->OnChange(f->ComboBox3);
       },
       [](TImagoProc& p, std::vector<TRGB>&) { p.ConvertToGray(); }},
      {ieftPNG, [](TfIOPreviews* f) { f->ComboBox10->SetItemIndex(2); f->ComboBox10->OnChange(f->ComboBox10); },
       [](TImagoProc&, std::vector<TRGB>&) {}},
  };
  for (const Case& c : cases) {
    TIEBitmap shown;
    int64_t size = 0;
    std::vector<TRGB> palette;
    TIOParamsVals written(nullptr);
    Show(c.file_type, {[&] {
      form_->chkLockPreview->SetChecked(true);
      c.choose(form_);
      shown.Assign(form_->ResultBitmap());
      size = form_->PreviewSize();
      form_->Button1->Click();  // OK: the record gets the page's parameters
    }});
    written.Assign(io_->Params());

    TOwned<TImagoProc> proc(new TImagoProc(nullptr));
    proc->SetAutoUndo(false);
    proc->IEBitmap()->Assign(&image_);
    c.convert(*proc, palette);
    TIEBitmap& expected = *proc->IEBitmap();
    ASSERT_EQ(shown.PixelFormat(), expected.PixelFormat()) << c.file_type;
    ASSERT_EQ(shown.Width(), expected.Width());
    for (int32_t y = 0; y < shown.Height(); ++y)
      for (int32_t x = 0; x < shown.Width(); ++x)
        ASSERT_EQ(shown.GetPixelRGB(x, y), expected.GetPixelRGB(x, y)) << c.file_type << " " << x << "," << y;

    // The size is that of the file the accepted parameters write.
    TImagoIO writer(nullptr);
    writer.UseIEBitmap(&image_);
    writer.Params()->Assign(&written);
    TMemoryStream file;
    writer.SaveToStream(&file, c.file_type);
    writer.UseIEBitmap(nullptr);
    EXPECT_EQ(size, file.Size()) << c.file_type;
  }
}

TEST_F(PreviewsDialog, BackgroundPanelsWithoutAPalettePickFromTheColourDialog) {
  // The active dialog's named control.
  auto part = [](const char* name) { return Screen->ActiveForm()->FindComponent(name); };
  TColor shown = clNone;
  Show(ieftPNG, {[&] {
                   form_->ComboBox10->SetItemIndex(2);  // 16M: the result has no palette
                   form_->ComboBox10->OnChange(form_->ComboBox10);
                   form_->Button3->Click();
                   form_->Panel1->Click();  // opens the colour dialog
                   shown = form_->Panel1->Color();
                   form_->Button1->Click();
                 },
                 [&] {
                   ASSERT_NE(dynamic_cast<TEdit*>(part("RedEdit")), nullptr);
                   static_cast<TEdit*>(part("RedEdit"))->SetText("12");
                   static_cast<TEdit*>(part("GreenEdit"))->SetText("34");
                   static_cast<TEdit*>(part("BlueEdit"))->SetText("56");
                   static_cast<TButton*>(part("OkButton"))->Click();
                 }});
  EXPECT_EQ(shown, TColor(RGB(12, 34, 56)));
  EXPECT_EQ(io_->Params()->PngBackground, MakeRGBTriple(12, 34, 56));

  // Cancelled, the TGA background stays as it was.
  io_->Params()->TgaBackground = MakeRGBTriple(1, 2, 3);
  Show(ieftTGA, {[&] {
                   form_->ComboBox14->SetItemIndex(2);
                   form_->ComboBox14->OnChange(form_->ComboBox14);
                   form_->Button3->Click();
                   form_->Panel5->Click();
                   form_->Button1->Click();
                 },
                 [&] {
                   static_cast<TEdit*>(part("RedEdit"))->SetText("200");
                   static_cast<TButton*>(part("CancelButton"))->Click();
                 }});
  EXPECT_EQ(io_->Params()->TgaBackground, MakeRGBTriple(1, 2, 3));
}

TEST_F(PreviewsDialog, ProgressFillsTheBarThroughBothViews) {
  // What each view's progress handler saw, and where it put the bar.
  struct Report {
    TObject* view;
    int32_t per, bar;
  };
  std::vector<Report> jpeg, gif;
  auto watch = [&](std::vector<Report>& into) {
    for (TImagoView* v : {form_->Imago1, form_->Imago2})
      v->SetOnProgress([&into, this](TObject* s, int32_t per) {
        form_->Imago1Progress(s, per);
        into.push_back({s, per, form_->ProgressBar1->Position()});
      });
  };
  image_.Allocate(320, 240, ieRGB24);
  FillPattern(&image_);
  Show(ieftJPEG, {[&] {
    watch(jpeg);
    form_->Button3->Click();
    EXPECT_EQ(form_->ProgressBar1->Position(), 0);  // back to 0 afterwards
    form_->Button2->Click();
  }});
  ASSERT_FALSE(jpeg.empty());
  // Encoding fills the first half through the source view, decoding the
  // second through the result view.
  bool decoding = false;
  int32_t last = 0;
  for (const Report& r : jpeg) {
    if (r.view == form_->Imago2) decoding = true;
    EXPECT_EQ(r.view, decoding ? form_->Imago2 : form_->Imago1);
    EXPECT_EQ(r.bar, r.per / 2 + (decoding ? 50 : 0));
    EXPECT_GE(r.bar, last);
    last = r.bar;
  }
  EXPECT_TRUE(decoding);
  EXPECT_EQ(last, 100);
  // A GIF preview only reports its encode, over the whole bar.
  Show(ieftGIF, {[&] {
    watch(gif);
    form_->Button3->Click();
    form_->Button2->Click();
  }});
  EXPECT_FALSE(gif.empty());
  for (const Report& r : gif) {
    EXPECT_EQ(r.view, form_->Imago1);
    EXPECT_EQ(r.bar, r.per);
  }
}

// The user zooms the source with the wheel and drags it; the result view
// keeps the same zoom and origin. Both show the alpha channel.
TEST_F(PreviewsDialog, TheSourceZoomsAndScrollsUnderTheMouseAndTheResultFollows) {
  image_.Allocate(400, 300, ieRGB24);
  FillPattern(&image_);
  struct Seen {
    double zoom1 = 0, zoom2 = 0;
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  };
  Seen fitted, zoomed, dragged;
  bool alpha1 = false, alpha2 = false;
  const auto look = [&](Seen& s) {
    s = {form_->Imago1->Zoom(), form_->Imago2->Zoom(), form_->Imago1->ViewX(), form_->Imago1->ViewY(),
         form_->Imago2->ViewX(), form_->Imago2->ViewY()};
  };
  Show(ieftJPEG, {[&] {
    TImagoView* source = form_->Imago1;
    alpha1 = source->EnableAlphaChannel();
    alpha2 = form_->Imago2->EnableAlphaChannel();
    look(fitted);
    const int32_t cx = source->ClientWidth() / 2, cy = source->ClientHeight() / 2;
    // A click zooms in one step and gives the source the keyboard, which
    // the wheel turns go to.
    Drag(source, {TPoint{cx, cy}});
    EXPECT_TRUE(source->Focused());
    for (int32_t i = 0; i < 12; ++i) {
      InjectMouseWheel(-120);  // towards the user: zoom in
      Pump();
    }
    look(zoomed);
    Drag(source, {TPoint{cx, cy}, TPoint{cx - 20, cy - 10}, TPoint{cx - 40, cy - 30}});
    look(dragged);
    form_->Button2->Click();
  }});
  EXPECT_TRUE(alpha1);
  EXPECT_TRUE(alpha2);
  EXPECT_LT(fitted.zoom1, 100);
  EXPECT_GT(zoomed.zoom1, fitted.zoom1 * 2);
  EXPECT_EQ(zoomed.zoom2, zoomed.zoom1);
  // The drag moved the image with the mouse, without zooming.
  EXPECT_EQ(dragged.zoom1, zoomed.zoom1);
  EXPECT_EQ(dragged.x1, zoomed.x1 + 40);
  EXPECT_EQ(dragged.y1, zoomed.y1 + 30);
  EXPECT_EQ(dragged.zoom2, dragged.zoom1);
  EXPECT_EQ(dragged.x2, dragged.x1);
  EXPECT_EQ(dragged.y2, dragged.y1);
}

TEST_F(PreviewsDialog, TheSaveDialogInstallsTheForm) {
  SetIOPreviewsDialogFactory({});
  TSaveImagoDialog dialog(nullptr);
  EXPECT_TRUE(static_cast<bool>(IOPreviewsDialogFactory()));
}

}  // namespace
