// The about box's look: its two gradient panels and its drawn pictures.
#include "tests/e2e/ProgramTestSupport.h"

#include "app/AboutPictures.h"
#include "l10n/TlxLangLinked.h"
#include "panels/TGradPan.h"
#include "toolbar/TTBKItem.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"
#include "ui/TGroupBox.h"
#include "ui/TNotebook.h"

namespace {
struct Rgb {
  int r, g, b;
};
Rgb At(TBitmap& Bmp, int32_t x, int32_t y) {
  const COLORREF c = ColorToRGB(Bmp.Canvas()->Pixels(x, y));
  return {GetRValue(c), GetGValue(c), GetBValue(c)};
}
// What Control shows, children included.
void Snap(TWinControl* Control, TBitmap& Bmp) {
  Bmp.SetPixelFormat(pf24bit);
  Bmp.SetSize(Control->Width(), Control->Height());
  Control->PaintTo(Bmp.Canvas()->Handle(), 0, 0);
}
// Pixels in the rectangle that differ from the background painted at the
// same rows just left of it.
int32_t Marked(TBitmap& Bmp, const TRect& r) {
  int32_t n = 0;
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    const Rgb bg = At(Bmp, r.Left - 2, y);
    for (int32_t x = r.Left; x < r.Right; ++x) {
      const Rgb p = At(Bmp, x, y);
      n += std::abs(p.r - bg.r) + std::abs(p.g - bg.g) + std::abs(p.b - bg.b) > 30;
    }
  }
  return n;
}
}  // namespace

TEST_F(ProgramTest, TheAboutBoxShowsItsGradientsAndPictures) {
  StartProgram();
  TBitmap top, page;
  TRect logo, picture, pageLogo;
  WithSteps({[&] {
              ASSERT_NE(frmSplash, nullptr);
              Snap(frmSplash->GradPan3, top);
              Snap(frmSplash->GradPan1, page);
              logo = frmSplash->Image1->BoundsRect();
              picture = frmSplash->Image3->BoundsRect();
              pageLogo = frmSplash->Image2->BoundsRect();
              frmSplash->BtnClose->Click();
            }},
            [] { frmMain->btnAbout->Click(); });
  ASSERT_EQ(top.Height(), 105);

  // Top panel: white at the left fading to light blue at the right, blue
  // holding while red and green fall.
  const int32_t y = 97, w = top.Width();
  const Rgb l = At(top, 3, y), m = At(top, w / 2, y), r = At(top, w - 4, y);
  EXPECT_GE(l.r, 250);
  EXPECT_GT(l.r, m.r);
  EXPECT_GT(m.r, r.r);
  EXPECT_GT(l.g, r.g);
  EXPECT_GE(r.b, 235);
  EXPECT_NEAR(At(top, 3, 10).r, l.r, 1) << "a horizontal gradient is the same down a column";
  // The lowered bevel: grey along the top and left edges, white along the bottom.
  EXPECT_EQ(At(top, 0, 50).r, 0x80);
  EXPECT_EQ(At(top, 50, 0).g, 0x80);
  EXPECT_EQ(At(top, 50, 104).r, 0xFF);

  // The page: light blue at the left towards white at the right.
  const int32_t py = page.Height() - 6;
  const Rgb pl = At(page, 3, py), pr = At(page, page.Width() - 4, py);
  EXPECT_LT(pl.r, pr.r);
  EXPECT_LT(At(page, page.Width() / 2, py).r, pr.r);
  EXPECT_GT(At(page, page.Width() / 2, py).r, pl.r);

  // The pictures sit inside their panels and cover a good part of their place.
  for (const TRect& place : {logo, picture}) {
    ASSERT_GT(place.Width(), 30);
    ASSERT_LE(place.Right, top.Width());
    ASSERT_LE(place.Bottom, top.Height());
    EXPECT_GT(Marked(top, place), place.Width() * place.Height() / 2);
  }
  EXPECT_GT(Marked(page, pageLogo), pageLogo.Width() * pageLogo.Height() / 2);
  // The padlock's gold body at the logo's lower right.
  const Rgb gold = At(top, logo.Left + 28, logo.Top + 40);
  EXPECT_GT(gold.r, 200);
  EXPECT_GT(gold.g, 150);
  EXPECT_LT(gold.b, 100);
  // Where the logo is transparent the gradient shows through unchanged.
  const Rgb clear = At(top, logo.Left + 2, logo.Top + 44), beside = At(top, logo.Left + 2, 97);
  EXPECT_NEAR(clear.r, beside.r, 1);
  EXPECT_NEAR(clear.b, beside.b, 1);
}

TEST_F(ProgramTest, GradientPanelBandsFollowTheirDirection) {
  StartProgram();
  auto* form = new TForm(Application);
  form->SetClientSize(120, 120);
  auto* pan = new TGradPan(form);
  pan->SetParent(form);
  pan->SetBevelOuter(bvNone);
  pan->SetCaption("");
  pan->SetBounds(0, 0, 100, 100);
  pan->SetColorStart(clBlack);
  pan->SetColorEnd(TColor(RGB(200, 100, 0)));
  EXPECT_EQ(pan->BackGroundEffect(), bdVertIn);
  form->Show();
  struct Case {
    TDirection dir;
    int32_t x, y, red;  // one step is 2 in red: entry i holds 2i
  } cases[] = {
      {bdUp, 50, 0, 0},       {bdUp, 50, 99, 198},   {bdDown, 50, 0, 200},   {bdDown, 50, 99, 2},
      {bdLeft, 0, 50, 0},     {bdLeft, 99, 50, 198}, {bdRight, 0, 50, 200},  {bdRight, 99, 50, 2},
      {bdHorzIn, 50, 0, 2},   {bdHorzIn, 50, 49, 198}, {bdHorzIn, 50, 50, 196}, {bdHorzIn, 50, 99, 0},
      {bdVertOut, 0, 50, 198}, {bdVertOut, 49, 50, 2}, {bdFlat, 50, 50, 0},
  };
  for (const Case& c : cases) {
    pan->SetBackGroundEffect(c.dir);
    TBitmap b;
    Snap(pan, b);
    const Rgb p = At(b, c.x, c.y);
    EXPECT_EQ(p.r, c.red) << int(c.dir) << " at " << c.x << "," << c.y;
    EXPECT_EQ(p.g, c.red / 2) << int(c.dir);
  }
  form->Free();
}

TEST(AboutPictures, DrawnWithSoftEdgesAndTransparentCorners) {
  for (const auto& [px, w, h] : {std::tuple{DrawAboutLogo(), kLogoSide, kLogoSide},
                                 std::tuple{DrawAboutLandscape(), kLandscapeWidth, kLandscapeHeight}}) {
    ASSERT_EQ(px.size(), size_t(w) * size_t(h));
    int32_t opaque = 0, partial = 0;
    for (uint32_t p : px) {
      opaque += (p >> 24) == 255;
      partial += (p >> 24) > 0 && (p >> 24) < 255;
    }
    EXPECT_GT(opaque, w * h / 2);
    EXPECT_GT(partial, 0) << "edges are smoothed";
    EXPECT_EQ(px[size_t(w) * size_t(h) - size_t(w)] >> 24, 0u) << "bottom-left corner is clear";
  }
}

TEST_F(ProgramTest, TheAboutBoxStaysEnglishWhateverTheMainWindowsLanguage) {
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  setenv("LANG", "es_ES.UTF-8", 1);
  StartProgram();
  ASSERT_EQ(frmMain->btnLoad->Caption(), "Abrir imagen");
  WithSteps({[] {
              ASSERT_NE(frmSplash, nullptr);
              EXPECT_EQ(frmSplash->Caption(), "About...");
              EXPECT_EQ(frmSplash->Label25->Caption(), "visit us at:");
              EXPECT_EQ(frmSplash->BtnClose->Caption(), "Close");
              EXPECT_EQ(frmSplash->lblVersion->Caption(), "Nobrivo 1.40");
              EXPECT_EQ(frmSplash->lblKestrana->Caption(), kMakerAddress);
              TlxLangLinked* lang = frmSplash->lxLangLinked1;
              EXPECT_EQ(lang->LangDispatcher(), nullptr);
              EXPECT_EQ(lang->LookupStringOrDefault("IDS_4"), "About...");
              for (const char* n : {"lblAuthor", "lblKestrana", "lblVersion"})
                EXPECT_TRUE(lang->IsExcludedProperty(n, "Caption")) << n;
              // The frame holds the notebook, which shows its page "About".
              EXPECT_EQ(frmSplash->Notebook1->Parent(), frmSplash->GroupBox1);
              EXPECT_EQ(frmSplash->Notebook1->ActivePage(), "About");
              EXPECT_EQ(frmSplash->GradPan1->Parent(), frmSplash->Notebook1->Page(0));
              EXPECT_TRUE(frmSplash->GradPan1->Visible() && frmSplash->Notebook1->Page(0)->Visible());
              frmSplash->BtnClose->Click();
            }},
            [] { frmMain->btnAbout->Click(); });
  EXPECT_EQ(frmSplash, nullptr);
}
