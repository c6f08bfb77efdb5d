// The mini mark-up renderer laid out through a fixed text metric: sizes,
// line breaks, plain text, entities, bullets, colours, alignment, anchors
// and hit tests, images, and what the call leaves on the canvas.

#include <gtest/gtest.h>

#include "panels/MarkupText.h"
#include "platform/Font.h"
#include "tests/panels/MarkupTestSupport.h"
#include "tests/panels/PanelsTestSupport.h"
#include "platform/ShellIcons.h"
#include "ui/TImageList.h"

#include <cstdlib>
#include <filesystem>

namespace {

class Markup : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(300, 200);
    C = bmp.Canvas();
    C->Font()->SetName("Tahoma");
    C->Font()->SetSize(8);  // lines of 13 pixels, 6 pixels a character
    C->Font()->SetColor(clBlack);
  }
  TBitmap bmp;
  TCanvas* C = nullptr;
  TFixedMarkupDevice dev;
};

TEST_F(Markup, LayoutTable) {
  struct {
    const char* Text;
    int32_t RectWidth;
    bool WordWrap;
    int32_t Width, Height;
    const char* Plain;
  } cases[] = {
      {"", 200, true, 0, 13, ""},
      {"Options", 200, true, 42, 13, "Options"},
      {"Hello world", 200, true, 66, 13, "Hello world"},
      // Breaks after the space; the trailing space does not count.
      {"Hello world", 50, true, 30, 26, "Hello world"},
      {"a<BR>b", 200, true, 6, 26, "a\rb"},
      {"a\r\nb", 200, true, 6, 26, "a\rb"},
      // Entities are decoded once.
      {"&amp;lt;", 200, true, 24, 13, "&lt;"},
      {"a&amp;b", 200, true, 18, 13, "a&b"},
      {"&LT;b&gt;x", 200, true, 24, 13, "<b>x"},
      {"x&nbsp;y", 200, true, 18, 13, "x y"},
      {"<B>bold</B>x", 200, true, 34, 13, "boldx"},
      {"<FONT size=\"3\">x</FONT>", 200, true, 6, 17, "x"},
      {"<FONT size=20>x", 200, true, 6, 25, "x"},
      {"<Z>hidden</Z>shown", 200, true, 30, 13, "hiddenshown"},
      {"abc<unterminated", 200, true, 18, 13, "abc"},
      {"abc<q>def", 200, true, 36, 13, "abcdef"},
      {"<#1>", 200, true, 12, 13, "#1"},
      {"<UL><LI>one<LI>two</UL>", 200, true, 30, 39, "onetwo"},
      {"<P align=\"right\">r</P>s", 200, true, 6, 26, "rs"},
      // One line without word wrap: what does not fit is cut.
      {"Hello world wide", 40, false, 96, 13, "Hello world wide"},
      {"one<HR>two", 200, true, 18, 26, "onetwo"},
      // Subscripts make room below the line.
      {"a<SUB>b</SUB>", 200, true, 12, 16, "ab"},
      {"<IND x=\"50\">y", 200, true, 56, 13, "y"},
      {"<IND x=\"5px\">y", 200, true, 6, 13, "y"},
  };
  for (const auto& c : cases) {
    TMarkupResult m = RunMarkup(C, c.Text, TRect{0, 0, c.RectWidth, 100}, TMarkupMode::Measure, c.WordWrap);
    EXPECT_EQ(m.Width, c.Width) << c.Text;
    EXPECT_EQ(m.Height, c.Height) << c.Text;
    EXPECT_EQ(m.Plain, c.Plain) << c.Text;
  }
}

TEST_F(Markup, PaintsRunsWithTheirFontsAndColours) {
  RunMarkup(C, "a <B>b</B> <FONT color=\"clRed\" face=\"Verdana\">c</FONT> &amp;<I>d", TRect{0, 0, 200, 100},
         TMarkupMode::Paint);
  const TDrawnRun* a = dev.Find("a ");
  const TDrawnRun* b = dev.Find("b");
  const TDrawnRun* c = dev.Find("c");
  const TDrawnRun* amp = dev.Find("&&");
  const TDrawnRun* d = dev.Find("d");
  ASSERT_TRUE(a && b && c && amp && d);
  EXPECT_EQ(a->Rect.Left, 1) << "the first line starts one pixel in";
  EXPECT_EQ(a->Rect.Bottom, 13);
  EXPECT_EQ(b->Rect.Left, 13);
  EXPECT_TRUE(b->Style.Contains(fsBold));
  EXPECT_EQ(c->Color, clRed);
  EXPECT_EQ(c->FontName, "Verdana");
  EXPECT_FALSE(c->Style.Contains(fsBold));
  EXPECT_EQ(amp->Color, clBlack) << "the closing FONT restores the base colour";
  EXPECT_EQ(amp->FontName, "Tahoma");
  EXPECT_TRUE(d->Style.Contains(fsItalic));
  // The caller's font and brush come back.
  EXPECT_FALSE(C->Font()->Style().Contains(fsItalic));
  EXPECT_EQ(C->Font()->Name(), "Tahoma");
}

TEST_F(Markup, BoldWithoutClosingTagHoldsOnLaterLines) {
  RunMarkup(C, "<B>one<BR>two", TRect{0, 0, 200, 100}, TMarkupMode::Paint);
  ASSERT_TRUE(dev.Find("two"));
  EXPECT_TRUE(dev.Find("two")->Style.Contains(fsBold));
  EXPECT_EQ(dev.Find("two")->Rect.Bottom, 26);
}

TEST_F(Markup, BulletsInSymbolTwelvePixelsBeforeTheText) {
  RunMarkup(C, "<UL><LI>one<LI>two</UL><UL><UL><LI>deep</UL></UL>", TRect{10, 0, 200, 100}, TMarkupMode::Paint);
  std::vector<const TDrawnRun*> bullets;
  for (const auto& r : dev.Runs)
    if (r.FontName == "Symbol") bullets.push_back(&r);
  ASSERT_EQ(bullets.size(), 3u);
  EXPECT_EQ(bullets[0]->Text, "\xC2\xB7");
  EXPECT_EQ(bullets[0]->Rect.Left, 11);
  EXPECT_EQ(bullets[2]->Text, "o") << "even levels";
  EXPECT_EQ(bullets[2]->Rect.Left, 11 + 12);
  ASSERT_TRUE(dev.Find("one") && dev.Find("two") && dev.Find("deep"));
  EXPECT_EQ(dev.Find("one")->Rect.Left, 11 + 12);
  EXPECT_EQ(dev.Find("two")->Rect.Left, 11 + 12);
  EXPECT_GT(dev.Find("two")->Rect.Top, dev.Find("one")->Rect.Top) << "each LI starts a line";
  EXPECT_EQ(dev.Find("deep")->Rect.Left, 11 + 24);
  EXPECT_EQ(dev.Find("one")->FontName, "Tahoma") << "the font name comes back after the bullet";
}

TEST_F(Markup, RightAlignmentHoldsUntilAnotherAlign) {
  RunMarkup(C, "<P align=\"right\">ab</P>cde<BR><P align=\"left\">f", TRect{0, 0, 200, 100}, TMarkupMode::Paint);
  ASSERT_TRUE(dev.Find("ab") && dev.Find("cde") && dev.Find("f"));
  EXPECT_EQ(dev.Find("ab")->Rect.Left, 200 - 12);
  EXPECT_EQ(dev.Find("cde")->Rect.Left, 200 - 18);
  EXPECT_EQ(dev.Find("f")->Rect.Left, 1);
}

TEST_F(Markup, BackgroundsAndLinesArePainted) {
  C->Brush()->SetColor(clWhite);
  C->FillRect(TRect{0, 0, 300, 200});
  C->Brush()->SetColor(TColor(0x123456));
  RunMarkup(C, "<BODY bgcolor=\"#00FF00\">a<HR>b<BR><P bgcolor=\"clRed\">c</P>d", TRect{10, 10, 200, 100},
            TMarkupMode::Paint);
  auto at = [&](int32_t x, int32_t y) { return Hex(C->Pixels(x, y)); };
  EXPECT_EQ(at(8, 12), 0x00FF00u) << "the body fill starts two pixels left of the area";
  EXPECT_EQ(at(199, 99), 0x00FF00u);
  EXPECT_EQ(at(200, 50), 0xFFFFFFu);
  EXPECT_EQ(at(100, 24), 0x000000u) << "the rule one pixel below the first line";
  EXPECT_EQ(at(100, 30), 0x00FF00u);
  EXPECT_EQ(at(100, 40), 0xFF0000u) << "the paragraph's line background";
  EXPECT_EQ(at(100, 55), 0x00FF00u) << "the paragraph ended with its line";
  EXPECT_EQ(C->Brush()->Color(), TColor(0x123456)) << "the caller's brush colour comes back";
}

TEST_F(Markup, ParagraphIndentAndSubscripts) {
  RunMarkup(C, "<P indent=\"10\">x</P>a<SUB>b</SUB>c<SUP>d</SUP>", TRect{0, 0, 200, 100}, TMarkupMode::Paint);
  ASSERT_TRUE(dev.Find("x") && dev.Find("a") && dev.Find("b") && dev.Find("d"));
  EXPECT_EQ(dev.Find("x")->Rect.Left, 11);
  EXPECT_EQ(dev.Find("a")->Rect.Left, 11) << "the indent holds for the paragraph's following lines";
  EXPECT_GT(dev.Find("b")->Rect.Bottom, dev.Find("a")->Rect.Bottom) << "subscript below";
  EXPECT_LT(dev.Find("d")->Rect.Bottom, dev.Find("a")->Rect.Bottom) << "superscript above";
}

TEST_F(Markup, EllipsisWithoutWordWrap) {
  RunMarkup(C, "Hello world wide", TRect{0, 0, 40, 100}, TMarkupMode::Paint, false);
  ASSERT_FALSE(dev.Runs.empty());
  EXPECT_EQ(dev.Runs[0].Text, "Hello world wide") << "one run cut by the drawing rectangle";
  EXPECT_EQ(dev.Runs[0].Rect.Right, 40) << "cut at the line's right edge, with an ellipsis";
}

TEST_F(Markup, AnchorsAreColouredUnderlinedAndFound) {
  const std::string text = "go <A href=\"http://example.org/\">here</A> or <A href=\"local\">there</A>";
  RunMarkup(C, text, TRect{0, 0, 300, 100}, TMarkupMode::Paint);
  ASSERT_TRUE(dev.Find("here") && dev.Find("go ") && dev.Find("there"));
  EXPECT_EQ(dev.Find("here")->Color, clBlue);
  EXPECT_TRUE(dev.Find("here")->Style.Contains(fsUnderline));
  ASSERT_TRUE(dev.Find("or "));
  EXPECT_EQ(dev.Find("or ")->Color, clBlack);
  EXPECT_FALSE(dev.Find("or ")->Style.Contains(fsUnderline));

  // "go " 1..19, "here" 19..43, " or " 43..67, "there" 67..97; text 0..13.
  struct {
    int32_t X, Y;
    bool Hit;
    const char* Anchor;
    int32_t Link;
  } points[] = {
      {25, 6, true, "http://example.org/", 1}, {70, 6, true, "local", 2}, {5, 6, false, "", -1},
      {50, 6, false, "", -1},                  {25, 40, false, "", -1},
  };
  for (const auto& p : points) {
    TMarkupResult m = RunMarkup(C, text, TRect{0, 0, 300, 100}, TMarkupMode::HitTest, true, TPoint{p.X, p.Y});
    EXPECT_EQ(m.Hit, p.Hit) << p.X << "," << p.Y;
    EXPECT_EQ(m.Anchor, p.Anchor) << p.X << "," << p.Y;
    EXPECT_EQ(m.Link, p.Link) << p.X << "," << p.Y;
    EXPECT_EQ(m.Links, 2);
    if (p.Link == 1) {
      EXPECT_EQ(m.LinkRect, (TRect{19, 0, 43, 13}));
    }
  }
}

TEST_F(Markup, HoverStyleMarksOnlyTheHoveredAnchor) {
  const std::string text = "<A href=\"a\">one</A> <A href=\"b\">two</A>";
  RunMarkup(C, text, TRect{0, 0, 300, 100}, TMarkupMode::Paint, true, {0, 0}, nullptr, 2, true);
  ASSERT_TRUE(dev.Find("one") && dev.Find("two"));
  EXPECT_FALSE(dev.Find("one")->Style.Contains(fsUnderline));
  EXPECT_TRUE(dev.Find("two")->Style.Contains(fsUnderline));
}

TEST_F(Markup, ImagesFromTheListAndOutOfRange) {
  TImageList list(nullptr);
  list.SetSize(16, 16);
  TBitmap img;
  img.SetSize(16, 16);
  list.Add(&img, nullptr);
  TMarkupResult in =
      RunMarkup(C, "a<IMG src=\"IDX:0\">b", TRect{0, 0, 200, 100}, TMarkupMode::Measure, true, {0, 0}, &list);
  EXPECT_EQ(in.Width, 12 + 16);
  EXPECT_EQ(in.Height, 16);
  TMarkupResult out =
      RunMarkup(C, "a<IMG src=\"IDX:1\">b", TRect{0, 0, 200, 100}, TMarkupMode::Measure, true, {0, 0}, &list);
  EXPECT_EQ(out.Width, 12) << "an index past the list takes no room";
  EXPECT_EQ(out.Height, 13);
}

TEST_F(Markup, ImageLargerThanTheAreaIsShrunkToIt) {
  TImageList list(nullptr);
  list.SetSize(64, 64);
  TBitmap img;
  img.SetSize(64, 64);
  list.Add(&img, nullptr);
  TMarkupResult m = RunMarkup(C, "<IMG src=\"IDX:0\">", TRect{0, 0, 41, 30}, TMarkupMode::Paint, true, {0, 0}, &list);
  EXPECT_LE(m.Width, 40);
  EXPECT_LE(m.Height, 30);
  EXPECT_GT(m.Width, 0);
}

TEST_F(Markup, RotatedTextLeavesNoRotatedFontSelected) {
  SetMarkupTextDevice(nullptr);  // the platform's text calls
  RunMarkup(C, "<R a=\"90\">turned", TRect{0, 0, 200, 100}, TMarkupMode::Paint);
  EXPECT_EQ(C->Font()->Orientation(), 0);
  LOGFONT lf;
  HGDIOBJ f = GetCurrentObject(C->Handle(), OBJ_FONT);
  ASSERT_NE(f, nullptr);
  ASSERT_GT(GetObject(f, sizeof lf, &lf), 0);
  EXPECT_EQ(lf.lfEscapement, 0);
  SetMarkupTextDevice(&dev);
}

// A desktop without an icon theme, so that system icons are the platform's
// drawn set; the environment comes back afterwards.
class MarkupSystemIcons : public Markup {
 protected:
  void SetUp() override {
    Markup::SetUp();
    dir_ = std::filesystem::temp_directory_path() / ("nobrivo-markup-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    for (const char* n : {"HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
      const char* v = std::getenv(n);
      kept_.push_back({n, v ? v : "", v != nullptr});
      setenv(n, dir_.c_str(), 1);
    }
    ReloadShellIcons();
  }
  void TearDown() override {
    for (const auto& k : kept_)
      if (k.set) setenv(k.name, k.value.c_str(), 1);
      else unsetenv(k.name);
    ReloadShellIcons();
    std::filesystem::remove_all(dir_);
    Markup::TearDown();
  }
  // Paints with the print flag and scale.
  void Print(const std::string& Text, double Scale, TCustomImageList* Images, int32_t& W, int32_t& H) {
    TMarkupTextRequest q;
    q.Canvas = C;
    q.Text = Text;
    q.Rect = TRect{0, 0, 200, 100};
    q.Images = Images;
    q.Print = true;
    q.ResFactor = Scale;
    const TMarkupTextResult r = DrawMarkupText(q);
    W = r.XSize;
    H = r.YSize;
  }
  uint32_t Px(int32_t x, int32_t y) { return uint32_t(C->Pixels(x, y)) & 0xFFFFFF; }
  std::filesystem::path dir_;
  struct Kept {
    const char* name;
    std::string value;
    bool set;
  };
  std::vector<Kept> kept_;
};

TEST_F(MarkupSystemIcons, SmallAndLargeIconsByPathOrIndexTakeTheirRoom) {
  const std::string folder = dir_.string();
  struct {
    std::string Src;
    int32_t Width, Height;
  } cases[] = {
      {"SSYS:/nowhere/photo.png", 12 + 16, 16},  // by its name alone
      {"LSYS:/nowhere/photo.png", 12 + 32, 32},
      {"ssys:" + folder, 12 + 16, 16},  // an existing folder
      {"SSYS:1", 12 + 16, 16},          // an index in the system list
      {"LSYS:0", 12 + 32, 32},
      {"SSYS:999", 12, 13},             // past the list: no room
      {"SSYS:-1", 12, 13},
  };
  for (const auto& c : cases) {
    TMarkupResult m = RunMarkup(C, "a<IMG src=\"" + c.Src + "\">b", TRect{0, 0, 200, 100}, TMarkupMode::Measure);
    EXPECT_EQ(m.Width, c.Width) << c.Src;
    EXPECT_EQ(m.Height, c.Height) << c.Src;
  }
}

TEST_F(MarkupSystemIcons, IconsAreDrawnTransparentAtTheLineStart) {
  C->Brush()->SetColor(clWhite);
  C->FillRect(TRect{0, 0, 300, 200});
  RunMarkup(C, "<IMG src=\"SSYS:1\">", TRect{0, 0, 200, 100}, TMarkupMode::Paint);
  const std::vector<uint32_t> folder = DrawnShellIcon(TDrawnShellIcon::Folder, 16);
  const uint32_t inside = folder[size_t(10) * 16 + 8];
  ASSERT_EQ(inside >> 24, 0xFFu);
  ASSERT_EQ(folder[0] >> 24, 0u);
  const uint32_t rgb = inside & 0xFFFFFF;  // the canvas keeps 0x00BBGGRR
  EXPECT_EQ(Px(1 + 8, 10), ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16));
  EXPECT_EQ(Px(1, 0), 0xFFFFFFu) << "the icon's transparent corner keeps the canvas";
  EXPECT_EQ(Px(1 + 16 + 2, 10), 0xFFFFFFu);
}

TEST_F(MarkupSystemIcons, PrintingScalesImagesAndDrawsListImagesAsBitmaps) {
  TImageList list(nullptr);
  list.SetSize(16, 16);
  TBitmap img;
  img.SetSize(16, 16);
  img.Canvas()->Brush()->SetColor(clRed);
  img.Canvas()->FillRect(TRect{0, 0, 16, 16});
  list.Add(&img, nullptr);
  C->Brush()->SetColor(clWhite);
  C->FillRect(TRect{0, 0, 300, 200});
  int32_t w = 0, h = 0;
  Print("<IMG src=\"IDX:0\">", 2.0, &list, w, h);
  EXPECT_EQ(w, 32);
  EXPECT_EQ(h, 32);
  EXPECT_EQ(Px(1, 0), 0x0000FFu);  // red, as the canvas keeps it
  EXPECT_EQ(Px(32, 31), 0x0000FFu);
  EXPECT_EQ(Px(33, 10), 0xFFFFFFu);
  EXPECT_EQ(Px(10, 32), 0xFFFFFFu);
  Print("<IMG src=\"LSYS:0\">", 1.5, nullptr, w, h);
  EXPECT_EQ(w, 48);
  EXPECT_EQ(h, 48);
}

TEST_F(Markup, ColourValues) {
  EXPECT_EQ(MarkupColor("#FF8000"), TColor(RGB(255, 128, 0)));
  EXPECT_EQ(MarkupColor("clNavy"), TColor(0x800000));
  EXPECT_EQ(MarkupColor("CLBTNFACE"), clBtnFace);
  EXPECT_EQ(MarkupColor("clInfoBk"), clInfoBk);
  EXPECT_EQ(MarkupColor("purplish"), TColor(0));
}

}  // namespace
