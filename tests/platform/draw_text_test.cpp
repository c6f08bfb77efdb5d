#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Text.h"
#include "tests/platform/DrawTestSupport.h"

namespace {

HFONT MakeFont(const char* face, int height, int weight = FW_NORMAL, bool italic = false,
               bool underline = false, int escapement = 0) {
  return CreateFont(height, 0, escapement, escapement, weight, italic, underline, 0,
                    DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

struct FontCanvas : TestCanvas {
  HFONT font;
  FontCanvas(int w, int h, const char* face = "Tahoma", int height = -11, int weight = FW_NORMAL)
      : TestCanvas(w, h), font(MakeFont(face, height, weight)) {
    SelectObject(dc, font);
  }
  ~FontCanvas() {
    SelectObject(dc, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
    DeleteObject(font);
  }
  int Width(const std::string& s) {
    TSize sz;
    GetTextExtentPoint32(dc, s.c_str(), int(s.size()), &sz);
    return sz.cx;
  }
  TEXTMETRIC Metrics() {
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    return tm;
  }
};

TEST(Fonts, FacesMapToInstalledFamilies) {
  EXPECT_EQ(MapFontFamily("Tahoma"), "DejaVu Sans Condensed");
  EXPECT_EQ(MapFontFamily("MS Sans Serif"), "DejaVu Sans Condensed");
  EXPECT_EQ(MapFontFamily("verdana"), "DejaVu Sans");
  EXPECT_EQ(MapFontFamily("Arial"), "Liberation Sans");
  for (auto [face, family] : {std::pair{"Verdana", "DejaVu Sans"}, std::pair{"Arial", "Liberation Sans"},
                              std::pair{"Tahoma", "DejaVu Sans Condensed"}}) {
    FontCanvas c(4, 4, face);
    char name[64];
    GetTextFace(c.dc, sizeof name, name);
    EXPECT_STREQ(name, family);
  }
}

// Windows laid out for the 8-point dialog faces keep their captions whole
// when the substitutes measure as those faces did at 96 pixels per inch: a
// line of 13 pixels and a horizontal dialog base unit of 6 pixels (the width
// of the 52 letters A-Z a-z, halved per letter pair and rounded). Verdana
// is the wider face: its substitute is wider than the dialog faces'.
TEST(Fonts, DialogFacesMeasureAsTheFacesTheWindowsWereLaidOutFor) {
  const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  int tahoma = 0;
  for (const char* face : {"Tahoma", "MS Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2"}) {
    FontCanvas c(4, 4, face, -11);
    const int w = c.Width(letters);
    EXPECT_EQ((w / 26 + 1) / 2, 6) << face << ": " << w;
    EXPECT_EQ(c.Metrics().tmHeight, 13) << face;
    EXPECT_EQ(c.Metrics().tmAveCharWidth, 5) << face;
    tahoma = w;
  }
  FontCanvas verdana(4, 4, "Verdana", -11);
  EXPECT_GT(verdana.Width(letters), tahoma);
}

TEST(Fonts, HeightSignSelectsCharacterOrCellHeight) {
  for (int h : {8, 11, 13, 24}) {
    FontCanvas neg(4, 4, "Tahoma", -h), pos(4, 4, "Tahoma", h);
    TEXTMETRIC a = neg.Metrics(), b = pos.Metrics();
    EXPECT_EQ(a.tmHeight - a.tmInternalLeading, h) << h;
    EXPECT_EQ(a.tmHeight, a.tmAscent + a.tmDescent);
    EXPECT_NEAR(b.tmHeight, h, 1) << h;
    EXPECT_GT(a.tmAveCharWidth, 0);
    EXPECT_GE(a.tmMaxCharWidth, a.tmAveCharWidth);
  }
}

TEST(Text, ExtentsAddUpAndGrowWithBoldAndExtra) {
  FontCanvas c(4, 4);
  EXPECT_EQ(c.Width("Hello, world"), c.Width("Hello,") + c.Width(" world"));
  EXPECT_EQ(c.Width(""), 0);
  EXPECT_GT(c.Width("WWW"), c.Width("iii"));
  TSize sz;
  GetTextExtentPoint32(c.dc, "x", 1, &sz);
  EXPECT_EQ(sz.cy, c.Metrics().tmHeight);
  int plain = c.Width("Bold text");
  FontCanvas b(4, 4, "Tahoma", -11, FW_BOLD);
  EXPECT_GT(b.Width("Bold text"), plain);
  // The character extra adds to every character.
  int abcd = c.Width("abcd");
  SetTextCharacterExtra(c.dc, 2);
  EXPECT_EQ(c.Width("abcd"), abcd + 8);
  SetTextCharacterExtra(c.dc, 0);
  // How many characters fit.
  int fit = 0;
  int dx[5];
  GetTextExtentExPoint(c.dc, "abcde", 5, c.Width("abc"), &fit, dx, &sz);
  EXPECT_EQ(fit, 3);
  EXPECT_EQ(dx[4], sz.cx);
  // Invalid UTF-8 bytes are single characters, never a crash.
  EXPECT_EQ(c.Width("\xE9t\xE9"), c.Width("\xC3\xA9t\xC3\xA9"));
  EXPECT_GT(c.Width("\xF0\x80"), 0);
}

TEST(Text, TextOutDrawsInTheCellAndHonoursAlignment) {
  FontCanvas c(80, 30);
  SetBkMode(c.dc, TRANSPARENT);
  TextOut(c.dc, 10, 5, "Hxg", 3);
  TEXTMETRIC tm = c.Metrics();
  TRect box = c.BoxNot(kWhite);
  EXPECT_GE(box.Left, 10);
  EXPECT_GE(box.Top, 5);
  EXPECT_LE(box.Right, 10 + c.Width("Hxg") + 1);
  EXPECT_LE(box.Bottom, 5 + tm.tmHeight);
  // Right-aligned at the baseline: ink ends at x and straddles y.
  FontCanvas r(80, 30);
  SetBkMode(r.dc, TRANSPARENT);
  SetTextAlign(r.dc, TA_RIGHT | TA_BASELINE);
  TextOut(r.dc, 60, 20, "Hxg", 3);
  TRect rb = r.BoxNot(kWhite);
  EXPECT_LE(rb.Right, 61);
  EXPECT_GE(rb.Left, 60 - r.Width("Hxg") - 1);
  EXPECT_LT(rb.Top, 20);
  EXPECT_GT(rb.Bottom, 20);  // the descender of g
  // Opaque mode fills the whole cell with the background colour.
  FontCanvas o(80, 30);
  SetBkColor(o.dc, RGB(255, 0, 0));
  TextOut(o.dc, 10, 5, "Hxg", 3);
  EXPECT_EQ(o.BoxNot(kWhite), (TRect{10, 5, 10 + o.Width("Hxg"), 5 + tm.tmHeight}));
  // Update-position mode moves the current position by the width.
  SetTextAlign(o.dc, TA_UPDATECP);
  MoveToEx(o.dc, 3, 3, nullptr);
  TextOut(o.dc, 0, 0, "ab", 2);
  TPoint p;
  GetCurrentPositionEx(o.dc, &p);
  EXPECT_EQ(p.X, 3 + o.Width("ab"));
}

TEST(Text, EscapementTurnsTheText) {
  HFONT f = MakeFont("Verdana", -14, FW_NORMAL, false, false, 900);
  TestCanvas t(60, 120);
  SelectObject(t.dc, f);
  SetBkMode(t.dc, TRANSPARENT);
  TextOut(t.dc, 20, 100, "Vertical", 8);
  TRect box = t.BoxNot(kWhite);
  EXPECT_GT(box.Height(), 2 * box.Width());
  EXPECT_LE(box.Bottom, 101);  // runs upwards from the reference point
  EXPECT_GE(box.Left, 20);     // the top of the letters faces left
  SelectObject(t.dc, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
  DeleteObject(f);
}

TEST(Text, UnderlineAddsInk) {
  HFONT u = MakeFont("Tahoma", -11, FW_NORMAL, false, true);
  TestCanvas a(60, 20), b(60, 20);
  FontCanvas plain(60, 20);
  SelectObject(b.dc, u);
  HFONT n = MakeFont("Tahoma", -11);
  SelectObject(a.dc, n);
  SetBkMode(a.dc, TRANSPARENT);
  SetBkMode(b.dc, TRANSPARENT);
  TextOut(a.dc, 2, 2, "under", 5);
  TextOut(b.dc, 2, 2, "under", 5);
  EXPECT_GT(b.Count(kBlack), a.Count(kBlack));
  SelectObject(a.dc, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
  SelectObject(b.dc, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
  DeleteObject(u);
  DeleteObject(n);
}

int Calc(FontCanvas& c, const std::string& s, TRect& r, UINT flags) {
  return DrawText(c.dc, s.c_str(), -1, &r, flags | DT_CALCRECT);
}

TEST(DrawText, CalcRectSingleAndMultiLine) {
  FontCanvas c(10, 10);
  TEXTMETRIC tm = c.Metrics();
  TRect r{5, 7, 500, 500};
  EXPECT_EQ(Calc(c, "Secret phrase:", r, DT_SINGLELINE), tm.tmHeight);
  EXPECT_EQ(r, (TRect{5, 7, 5 + c.Width("Secret phrase:"), 7 + tm.tmHeight}));
  TRect m{0, 0, 500, 0};
  EXPECT_EQ(Calc(c, "one\r\ntwo two\nthree", m, 0), 3 * tm.tmHeight);
  EXPECT_EQ(m.Right, c.Width("two two"));
  TRect e{0, 0, 500, 0};
  EXPECT_EQ(Calc(c, "a\nb", e, DT_EXTERNALLEADING), 2 * (tm.tmHeight + tm.tmExternalLeading));
  // Single line ignores the breaks.
  TRect s{0, 0, 500, 0};
  EXPECT_EQ(Calc(c, "a\nb", s, DT_SINGLELINE), tm.tmHeight);
}

TEST(DrawText, WordBreakFillsLinesUpToTheWidth) {
  FontCanvas c(10, 10);
  TEXTMETRIC tm = c.Metrics();
  const std::string text = "the quick brown fox jumps over the lazy dog";
  int width = c.Width("the quick brown");
  TRect r{0, 0, width, 0};
  int h = Calc(c, text, r, DT_WORDBREAK);
  // "the quick brown" / "fox jumps over" / "the lazy dog"
  EXPECT_EQ(h, 3 * tm.tmHeight);
  EXPECT_LE(r.Right, width);
  EXPECT_EQ(r.Right, c.Width("the quick brown"));
  // One pixel less pushes "brown" down.
  TRect n{0, 0, width - 1, 0};
  EXPECT_GT(Calc(c, text, n, DT_WORDBREAK), 3 * tm.tmHeight - 1);
  EXPECT_LT(n.Right, width);
  // A word longer than the line stays whole.
  TRect l{0, 0, 5, 0};
  EXPECT_EQ(Calc(c, "unbreakable word", l, DT_WORDBREAK), 2 * tm.tmHeight);
  EXPECT_EQ(l.Right, c.Width("unbreakable"));
}

TEST(DrawText, EllipsesShortenToFit) {
  FontCanvas c(10, 10);
  const std::string text = "A fairly long caption for a narrow label";
  int width = c.Width("A fairly long");
  TRect r{0, 0, width, 0};
  Calc(c, text, r, DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_LE(r.Right, width);
  EXPECT_GT(r.Right, width - c.Width("WW..."));
  // Text that fits is left as it is.
  TRect f{0, 0, 1000, 0};
  Calc(c, text, f, DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_EQ(f.Right, c.Width(text));
  // A path keeps its file name.
  const std::string path = "/home/user/pictures/holidays/2004/beach.jpg";
  int pw = c.Width("/home/...") + c.Width("/beach.jpg");
  TRect p{0, 0, pw, 0};
  Calc(c, path, p, DT_SINGLELINE | DT_PATH_ELLIPSIS);
  EXPECT_LE(p.Right, pw);
  EXPECT_GE(p.Right, c.Width(".../beach.jpg"));
  // Too narrow even for the file name: it ends in an ellipsis.
  TRect q{0, 0, c.Width("...bea"), 0};
  Calc(c, path, q, DT_SINGLELINE | DT_PATH_ELLIPSIS);
  EXPECT_LE(q.Right, c.Width("...bea"));
}

TEST(DrawText, PrefixMarksAreRemovedAndUnderlined) {
  FontCanvas c(200, 20);
  TRect r{0, 0, 500, 0};
  Calc(c, "&Open && save", r, DT_SINGLELINE);
  EXPECT_EQ(r.Right, c.Width("Open & save"));
  TRect n{0, 0, 500, 0};
  Calc(c, "&Open", n, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(n.Right, c.Width("&Open"));
  // Drawn: with the underline there is more ink than hidden; prefix-only
  // draws just the underline under "O".
  auto ink = [&](UINT flags) {
    FontCanvas d(200, 20);
    SetBkMode(d.dc, TRANSPARENT);
    TRect rr{0, 0, 200, 20};
    DrawText(d.dc, "&Open", -1, &rr, DT_SINGLELINE | flags);
    return std::pair{d.Count(kBlack) + 0, d.BoxNot(kWhite)};
  };
  auto shown = ink(0), hidden = ink(DT_HIDEPREFIX), only = ink(DT_PREFIXONLY);
  EXPECT_GT(shown.first, hidden.first);
  EXPECT_GT(only.first, 0);
  EXPECT_EQ(only.second.Height(), 1);
  EXPECT_EQ(only.second.Left, 0);
  EXPECT_EQ(only.second.Right, c.Width("O"));
}

TEST(DrawText, AlignmentClippingAndTabs) {
  FontCanvas c(100, 40);
  SetBkMode(c.dc, TRANSPARENT);
  TEXTMETRIC tm = c.Metrics();
  TRect r{0, 0, 100, 40};
  int h = DrawText(c.dc, "right", -1, &r, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
  EXPECT_EQ(h, 40);
  TRect box = c.BoxNot(kWhite);
  EXPECT_LE(box.Right, 100);
  EXPECT_GE(box.Left, 100 - c.Width("right") - 1);
  EXPECT_GE(box.Top, 40 - tm.tmHeight);
  // Centred vertically: the answer is the offset to the text's bottom.
  FontCanvas v(100, 40);
  TRect vr{0, 0, 100, 40};
  EXPECT_EQ(DrawText(v.dc, "mid", -1, &vr, DT_SINGLELINE | DT_CENTER | DT_VCENTER),
            (40 - tm.tmHeight) / 2 + tm.tmHeight);
  // Clipped to the rectangle unless DT_NOCLIP.
  FontCanvas k(100, 40);
  SetBkMode(k.dc, TRANSPARENT);
  TRect kr{10, 10, 20, 20};
  DrawText(k.dc, "WWWWWW", -1, &kr, DT_SINGLELINE);
  TRect kb = k.BoxNot(kWhite);
  EXPECT_GE(kb.Left, 10);
  EXPECT_LE(kb.Right, 20);
  FontCanvas nc(100, 40);
  SetBkMode(nc.dc, TRANSPARENT);
  DrawText(nc.dc, "WWWWWW", -1, &kr, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(nc.BoxNot(kWhite).Right, 20);
  // Tabs expand to stops of eight average widths.
  TRect t{0, 0, 500, 0};
  DrawText(c.dc, "a\tb", -1, &t, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
  EXPECT_EQ(t.Right, 8 * tm.tmAveCharWidth + c.Width("b"));
}

}  // namespace

namespace {

TEST(Fonts, SymbolBulletIsTheUnicodeBullet) {
  FontCanvas sym(4, 4, "Symbol"), uni(4, 4, "Tahoma");
  EXPECT_EQ(sym.Width("\xB7"), uni.Width("\xE2\x80\xA2"));
  EXPECT_NE(uni.Width("\xB7"), 0);
}

}  // namespace

#include <thread>
#include <vector>

namespace {

// Worker threads draw text into their own bitmaps while fonts come and go.
TEST(Text, ThreadsMeasureAndDrawIndependently) {
  std::vector<std::thread> threads;
  std::vector<int> widths(4, 0);
  for (int k = 0; k < 4; ++k)
    threads.emplace_back([k, &widths] {
      TestCanvas c(64, 16);
      for (int i = 0; i < 50; ++i) {
        HFONT f =
            MakeFont(k % 2 ? "Arial" : "Tahoma", -10 - (i % 4), (i % 2) ? FW_BOLD : FW_NORMAL);
        HFONT old = SelectObject(c.dc, f);
        TextOut(c.dc, 0, 0, "thread", 6);
        TSize sz;
        GetTextExtentPoint32(c.dc, "thread", 6, &sz);
        widths[size_t(k)] = std::max(widths[size_t(k)], int(sz.cx));
        SelectObject(c.dc, old);
        DeleteObject(f);
      }
    });
  for (auto& t : threads) t.join();
  for (int w : widths) EXPECT_GT(w, 20);
}

}  // namespace

namespace {

TEST(Fonts, EnumerationFindsInstalledAndMappedFamilies) {
  TestCanvas c(2, 2);
  auto count = [&](const char* name) {
    LOGFONT lf;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", name);
    int n = 0;
    EnumFontFamiliesEx(
        c.dc, &lf,
        [&](const LOGFONT* f, const TEXTMETRIC* tm, DWORD, intptr_t) {
          EXPECT_GT(tm->tmHeight, 0);
          EXPECT_STRNE(f->lfFaceName, "");
          ++n;
          return 1;
        },
        0, 0);
    return n;
  };
  EXPECT_EQ(count("DejaVu Sans"), 1);
  EXPECT_EQ(count("Arial"), 1);
  EXPECT_EQ(count("Tahoma"), 1);
  EXPECT_EQ(count("@Arial"), 0);
  EXPECT_EQ(count("No Such Family"), 0);
  EXPECT_GE(count(""), 2);
}

}  // namespace

namespace {

// Random bytes, marks, breaks and tabs: layout and drawing stay in bounds
// and long texts lay out in time proportional to their length.
TEST(DrawText, HostileAndLongTexts) {
  FontCanvas c(64, 64);
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  const char alphabet[] = {'a',  ' ',        '&',        '\t',       '\r',       '\n', '/',
                           '\\', char(0xC3), char(0xA9), char(0xF0), char(0x80), '.'};
  for (int round = 0; round < 200; ++round) {
    std::string text;
    int n = int(next() % 80);
    for (int i = 0; i < n; ++i) text += alphabet[next() % sizeof alphabet];
    UINT flags =
        next() & (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_WORDBREAK | DT_SINGLELINE |
                  DT_EXPANDTABS | DT_NOCLIP | DT_EXTERNALLEADING | DT_NOPREFIX | DT_PATH_ELLIPSIS |
                  DT_END_ELLIPSIS | DT_HIDEPREFIX | DT_PREFIXONLY);
    TRect r{int32_t(next() % 20), int32_t(next() % 20), int32_t(next() % 70), int32_t(next() % 70)};
    TRect calc = r;
    DrawText(c.dc, text.c_str(), int(text.size()), &calc, flags | DT_CALCRECT);
    DrawText(c.dc, text.c_str(), int(text.size()), &r, flags);
  }
  // A long paragraph.
  std::string para;
  for (int i = 0; i < 20000; ++i) para += "word ";
  TRect r{0, 0, 200, 0};
  int h = DrawText(c.dc, para.c_str(), int(para.size()), &r, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_GT(h, 100 * c.Metrics().tmHeight);
  TRect e{0, 0, 200, 0};
  DrawText(c.dc, para.c_str(), int(para.size()), &e, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
  EXPECT_LE(e.Right, 200);
}

}  // namespace

namespace {

TEST(DrawText, TabStopsAndMargins) {
  FontCanvas c(10, 10);
  TEXTMETRIC tm = c.Metrics();
  TRect t{0, 0, 500, 0};
  DrawText(c.dc, "a\tb", -1, &t,
           DT_SINGLELINE | DT_EXPANDTABS | DT_TABSTOP | (4 << 8) | DT_CALCRECT);
  // DT_TABSTOP's byte replaces the flags there, DT_CALCRECT among them: nothing is measured.
  EXPECT_EQ(t.Right, 500);
  DRAWTEXTPARAMS p;
  p.iTabLength = 4;
  p.iLeftMargin = 3;
  p.iRightMargin = 5;
  TRect m{10, 0, 500, 0};
  DrawTextEx(c.dc, "a\tb", -1, &m, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT, &p);
  EXPECT_EQ(m.Left, 10);
  EXPECT_EQ(m.Right, 10 + 3 + 4 * tm.tmAveCharWidth + c.Width("b") + 5);
  EXPECT_EQ(p.uiLengthDrawn, 3u);
  // Margins narrow the width that words wrap in.
  DRAWTEXTPARAMS q;
  q.iLeftMargin = 10;
  TRect w{0, 0, c.Width("one two") + 5, 0};
  EXPECT_EQ(DrawTextEx(c.dc, "one two", -1, &w, DT_WORDBREAK | DT_CALCRECT, &q), 2 * tm.tmHeight);
  DRAWTEXTPARAMS bad;
  bad.cbSize = 3;
  EXPECT_EQ(DrawTextEx(c.dc, "x", -1, &w, 0, &bad), 0);
}

TEST(Text, CutsAreReportedToTheObserver) {
  FontCanvas c(200, 40);
  std::vector<TTextCut> cuts;
  SetTextCutObserver([&](const TTextCut& t) { cuts.push_back(t); });
  const int w = c.Width("Caption");
  // Text that fits its rectangle, and the measuring pass, report nothing.
  TRect fits{10, 0, 10 + w, 20};
  DrawText(c.dc, "&Caption", &fits, DT_SINGLELINE | DT_VCENTER);
  TRect calc{10, 0, 12, 20};
  DrawText(c.dc, "Caption", &calc, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_TRUE(cuts.empty());
  // Clipped by its rectangle: the text as it reads, without prefix marks.
  TRect narrow{10, 0, 10 + w - 5, 20};
  DrawText(c.dc, "&Caption", &narrow, DT_SINGLELINE | DT_VCENTER);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].Text, "Caption");
  EXPECT_EQ(cuts[0].Width, w);
  EXPECT_EQ(cuts[0].Shown, w - 5);
  // Cut to end with an ellipsis (the room it had), also when the ellipsis
  // then fits.
  cuts.clear();
  DrawText(c.dc, "Caption", &narrow, DT_SINGLELINE | DT_END_ELLIPSIS);
  ASSERT_FALSE(cuts.empty());
  EXPECT_EQ(cuts[0].Text, "Caption");
  EXPECT_EQ(cuts[0].Shown, w - 5);
  // Cut by the clip region or by the surface's edge; not when wholly outside.
  cuts.clear();
  SaveDC(c.dc);
  IntersectClipRect(c.dc, 100, 0, 200, 40);
  TextOut(c.dc, 10, 0, "Caption", 7);
  EXPECT_TRUE(cuts.empty());
  TextOut(c.dc, 100 - 3, 0, "Caption", 7);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].Shown, w - 3);
  RestoreDC(c.dc, -1);
  TextOut(c.dc, 200 - 4, 20, "Caption", 7);
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_EQ(cuts[1].Shown, 4);
  // Watching stops.
  SetTextCutObserver(nullptr);
  DrawText(c.dc, "Caption", &narrow, DT_SINGLELINE);
  EXPECT_EQ(cuts.size(), 2u);
}

}  // namespace

#include <cstdio>

namespace {

// The family of an installed face that has the character, by fc-list; empty
// when none has it (or fc-list is missing).
std::string FamilyWithCharacter(const char* HexCodePoint) {
  const std::string cmd = std::string("fc-list ':charset=") + HexCodePoint + "' family 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return "";
  char line[256] = {0};
  std::string family;
  if (fgets(line, sizeof line, p)) family = line;
  pclose(p);
  family = family.substr(0, family.find_first_of(",\n"));
  return family;
}

std::vector<uint32_t> Ink(const TestCanvas& c) {
  std::vector<uint32_t> px;
  for (int32_t y = 0; y < c.surface.Height(); ++y)
    for (int32_t x = 0; x < c.surface.Width(); ++x) px.push_back(c.At(x, y));
  return px;
}

// A Japanese file name in the interface face, which has no Japanese
// characters: each character shows its own shape from an installed face that
// has it, not the interface face's empty box (the same for all three).
TEST(Fonts, CharactersTheFaceLacksComeFromAnInstalledFaceThatHasThem) {
  if (FamilyWithCharacter("65e5").empty()) GTEST_SKIP() << "no installed face has Japanese characters";
  const char* chars[] = {"\xE6\x97\xA5", "\xE6\x9C\xAC", "\xE8\xAA\x9E"};  // 日 本 語
  std::vector<std::vector<uint32_t>> shapes;
  for (const char* ch : chars) {
    FontCanvas c(40, 30, "Tahoma", -16);
    SetBkMode(c.dc, TRANSPARENT);
    TextOut(c.dc, 4, 4, ch, int(strlen(ch)));
    EXPECT_GT(40 * 30 - c.Count(kWhite), 20) << "ink of " << ch;
    // A full-width character is about an em wide; the box is narrower.
    EXPECT_GE(c.Width(ch), 14) << ch;
    shapes.push_back(Ink(c));
  }
  EXPECT_NE(shapes[0], shapes[1]);
  EXPECT_NE(shapes[1], shapes[2]);
  EXPECT_NE(shapes[0], shapes[2]);
  // Latin letters keep the interface face, and the run measures as its parts.
  FontCanvas m(4, 4, "Tahoma", -16);
  const std::string name = std::string("A") + chars[0] + chars[1] + chars[2] + ".png";
  EXPECT_EQ(m.Width(name),
            m.Width("A") + m.Width(chars[0]) + m.Width(chars[1]) + m.Width(chars[2]) + m.Width(".png"));
}

}  // namespace
