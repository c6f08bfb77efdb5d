// The default theme's drawing of each item state, read back from the pixels.
#include <gtest/gtest.h>

#include "tests/toolbar/ThemeTestSupport.h"

namespace {

class ThemePaintTest : public ThemeTest {
 protected:
  static TTBKItemPaintInfo ToolbarItem() {
    TTBKItemPaintInfo i;
    i.ViewKind = tbkvNormalToolbar;
    i.Options = tbkoToolbarStyle | tbkoAppActive;
    i.Enabled = true;
    return i;
  }
  static TTBKItemPaintInfo MenuItem() {
    TTBKItemPaintInfo i;
    i.ViewKind = tbkvPopupMenu;
    i.Options = tbkoAppActive;
    i.Enabled = true;
    i.ImageColumnWidth = 20;
    return i;
  }
  std::string Face(const TTBKItemPaintInfo& I, int32_t W = 8, int32_t H = 6) {
    ThemeCanvas c(W, H);
    CurrentTheme->DrawButtonFace(&c.canvas, TRect{0, 0, W, H}, I);
    return c.Ascii();
  }
};

TEST_F(ThemePaintTest, ToolbarButtonFacesFollowTheItemState) {
  TTBKItemPaintInfo i = ToolbarItem();
  EXPECT_EQ(Face(i), "........\n........\n........\n........\n........\n........\n")
      << "a resting flat item draws nothing";
  i.Hover = 2;
  const std::string raised =
      "WWWWWWWs\n"
      "W......s\n"
      "W......s\n"
      "W......s\n"
      "W......s\n"
      "ssssssss\n";
  EXPECT_EQ(Face(i), raised) << "hot";
  i.Pushed = true;
  EXPECT_EQ(Face(i),
            "sssssssW\n"
            "s......W\n"
            "s......W\n"
            "s......W\n"
            "s......W\n"
            "WWWWWWWW\n")
      << "pushed";
  i = ToolbarItem();
  i.Checked = true;
  EXPECT_EQ(Face(i),
            "sssssssW\n"
            "s.W.W.WW\n"
            "sW.W.W.W\n"
            "s.W.W.WW\n"
            "sW.W.W.W\n"
            "WWWWWWWW\n")
      << "checked: sunken and dithered";
  i.Hover = 2;
  EXPECT_EQ(Face(i).substr(9, 9), "s......W\n") << "checked and hot: no dither";
  i = ToolbarItem();
  i.Enabled = false;
  i.Hover = 1;
  EXPECT_EQ(Face(i), raised) << "a disabled item selected by keyboard shows as hot";
  i.Hover = 0;
  i.Pushed = true;
  EXPECT_EQ(Face(i), Face(ToolbarItem())) << "a disabled item never shows pressed";
  i = ToolbarItem();
  i.Options |= tbkoDesigning;
  EXPECT_EQ(Face(i), raised) << "frames show at design time";
}

TEST_F(ThemePaintTest, OpaqueItemsAreFlatUntilHot) {
  TTBKItemPaintInfo i = ToolbarItem();
  i.ViewKind |= tbkvOpaqueItems;
  std::string flat = Face(i);
  EXPECT_EQ(flat.substr(0, 9), "ssssssss\n");
  i.Hover = 2;
  std::string hot = Face(i);
  EXPECT_NE(hot, flat);
  EXPECT_EQ(hot.substr(hot.size() - 9), "dddddddd\n") << "raised: dark shadow at the bottom";
  i.Hover = 0;
  i.Checked = true;
  ThemeCanvas c(8, 6);
  CurrentTheme->DrawButtonFace(&c.canvas, TRect{0, 0, 8, 6}, i);
  EXPECT_GT(c.CountLetter('W', TRect{2, 2, 6, 4}), 0) << "checked and resting: dithered";
}

TEST_F(ThemePaintTest, ChevronSeparatorAndGripGoldens) {
  ThemeCanvas chevron(13, 12);
  TTBKItemPaintInfo i = ToolbarItem();
  CurrentTheme->DrawChevronButton(&chevron.canvas, TRect{0, 0, 13, 12}, i);
  EXPECT_EQ(chevron.Ascii(),
            ".............\n"
            ".............\n"
            ".............\n"
            ".............\n"
            "...xx..xx....\n"
            "....xx..xx...\n"
            ".....xx..xx..\n"
            "....xx..xx...\n"
            "...xx..xx....\n"
            ".............\n"
            ".............\n"
            ".............\n");
  ThemeCanvas pushed(13, 12);
  i.Pushed = true;
  i.Hover = 2;
  CurrentTheme->DrawChevronButton(&pushed.canvas, TRect{0, 0, 13, 12}, i);
  EXPECT_EQ(pushed.Ascii(TRect{1, 5, 12, 6}), "...xx..xx..\n") << "moved one pixel right and down";
  ThemeCanvas vertical(22, 13);
  i = ToolbarItem();
  i.Vertical = true;
  i.Enabled = false;
  CurrentTheme->DrawChevronButton(&vertical.canvas, TRect{0, 0, 22, 13}, i);
  EXPECT_EQ(vertical.CountLetter('x', TRect{0, 0, 22, 13}), 0) << "disabled: embossed";
  EXPECT_GT(vertical.CountLetter('s', TRect{13, 0, 18, 13}), 0);
  EXPECT_GT(vertical.CountLetter('W', TRect{13, 0, 19, 13}), 0);

  ThemeCanvas sep(6, 4);
  TTBKItemPaintInfo s = ToolbarItem();
  CurrentTheme->DrawSeparatorLine(&sep.canvas, TRect{0, 0, 6, 4}, s, false, false);
  EXPECT_EQ(sep.Ascii(), "..sW..\n..sW..\n..sW..\n..sW..\n");
  ThemeCanvas blank(6, 4);
  s.Enabled = false;
  CurrentTheme->DrawSeparatorLine(&blank.canvas, TRect{0, 0, 6, 4}, s, false, false);
  EXPECT_EQ(blank.CountLetter('.', TRect{0, 0, 6, 4}), 24) << "a blank separator draws nothing";
  ThemeCanvas menuSep(30, 6);
  TTBKItemPaintInfo ms = MenuItem();
  CurrentTheme->DrawSeparatorLine(&menuSep.canvas, TRect{0, 0, 30, 6}, ms, true, false);
  EXPECT_EQ(menuSep.Ascii(TRect{0, 2, 30, 4}),
            "............ssssss............\n"
            "............WWWWWW............\n")
      << "inset by 12 at both ends in menus";

  ThemeCanvas grip(14, 14);
  CurrentTheme->DrawStatusBarPart(&grip.canvas, TRect{0, 0, 14, 14}, tbksbSizeGrip);
  EXPECT_EQ(grip.Ascii(),
            "..............\n"
            "..............\n"
            "..............\n"
            "..............\n"
            "............W.\n"
            "...........Ws.\n"
            "..........Wss.\n"
            ".........WssW.\n"
            "........WssWs.\n"
            ".......WssWss.\n"
            "......WssWssW.\n"
            ".....WssWssWs.\n"
            "....WssWssWss.\n"
            "..............\n");
}

TEST_F(ThemePaintTest, PopupMenuItemsShowSelectionCheckMarksAndSubmenuArrows) {
  ThemeCanvas hot(40, 20);
  TTBKItemPaintInfo m = MenuItem();
  m.Options |= tbkoSubmenu;
  m.Hover = 2;
  CurrentTheme->DrawMenuItem(&hot.canvas, TRect{0, 0, 40, 20}, m);
  EXPECT_EQ(hot.CountLetter('h', TRect{0, 0, 40, 20}) + hot.CountLetter('W', TRect{0, 0, 40, 20}), 800)
      << "selection over the whole line (no image column)";
  const int32_t arrowX = 40 - (2 * GetSystemMetrics(SM_CXMENUCHECK)) / 3 - 2;
  EXPECT_EQ(hot.Letter(arrowX, 10), 'W') << "the arrow in the selected text colour";
  EXPECT_EQ(hot.Letter(arrowX + 3, 10), 'W');
  EXPECT_EQ(hot.Letter(arrowX + 4, 10), 'h');

  ThemeCanvas rest(40, 20);
  m.Hover = 0;
  CurrentTheme->DrawMenuItem(&rest.canvas, TRect{0, 0, 40, 20}, m);
  EXPECT_EQ(rest.CountLetter('h', TRect{0, 0, 40, 20}), 0);
  EXPECT_EQ(rest.Letter(arrowX, 10), 'x') << "the arrow in the menu text colour";

  ThemeCanvas disabled(40, 20);
  m.Enabled = false;
  CurrentTheme->DrawMenuItem(&disabled.canvas, TRect{0, 0, 40, 20}, m);
  EXPECT_EQ(disabled.Letter(arrowX, 10), 's');
  EXPECT_EQ(disabled.Letter(arrowX + 1, 13), 'W') << "embossed";

  ThemeCanvas checked(40, 20);
  TTBKItemPaintInfo c = MenuItem();
  c.Checked = true;
  CurrentTheme->DrawMenuItem(&checked.canvas, TRect{0, 0, 40, 20}, c);
  CurrentTheme->DrawCheckGlyph(&checked.canvas, TRect{0, 0, 20, 20}, c);
  EXPECT_EQ(checked.Ascii(TRect{0, 7, 20, 15}),
            "s.W.W.W.W.W.W.W.W.WW\n"
            "sW.W.W.W.W.W.xWW.W.W\n"
            "s.W.W.W.W.W.xxW.W.WW\n"
            "sW.W.WWx.W.xxW.W.W.W\n"
            "s.W.W.Wxx.xxW.W.W.WW\n"
            "sW.W.W.WxxxW.W.W.W.W\n"
            "s.W.W.W.WxW.W.W.W.WW\n"
            "sW.W.W.W.W.W.W.W.W.W\n")
      << "a sunken, dithered image column with the check mark";
  EXPECT_EQ(checked.CountLetter('.', TRect{21, 0, 40, 20}), 19 * 20) << "the caption area stays unselected";
}

TEST_F(ThemePaintTest, DropDownArrowsAndItemText) {
  ThemeCanvas a(11, 8);
  TTBKItemPaintInfo i = ToolbarItem();
  CurrentTheme->DrawDropDownArrow(&a.canvas, TRect{0, 0, 11, 8}, i);
  EXPECT_EQ(a.Ascii(TRect{0, 3, 11, 6}), "...xxxxx...\n....xxx....\n.....x.....\n");
  ThemeCanvas p(11, 8);
  i.Pushed = true;
  CurrentTheme->DrawDropDownArrow(&p.canvas, TRect{0, 0, 11, 8}, i);
  EXPECT_EQ(p.Ascii(TRect{0, 4, 11, 5}), "....xxxxx..\n") << "moved with the pressed face";

  // Disabled text is embossed; disabled menu text selected by keyboard is
  // plain grey.
  ThemeCanvas t(40, 16);
  t.canvas.Font()->SetColor(clNone);
  TTBKItemPaintInfo d = ToolbarItem();
  d.Enabled = false;
  CurrentTheme->DrawItemText(&t.canvas, TRect{0, 0, 40, 16}, d, "Ab", DT_SINGLELINE, false);
  EXPECT_GT(t.CountLetter('W', TRect{0, 0, 40, 16}), 0);
  EXPECT_GT(t.CountLetter('s', TRect{0, 0, 40, 16}), 0);
  ThemeCanvas g(40, 16);
  g.canvas.Font()->SetColor(clNone);
  TTBKItemPaintInfo dm = MenuItem();
  dm.Enabled = false;
  dm.Hover = 1;
  CurrentTheme->DrawItemText(&g.canvas, TRect{0, 0, 40, 16}, dm, "Ab", DT_SINGLELINE, false);
  EXPECT_EQ(g.CountLetter('W', TRect{0, 0, 40, 16}), 0);
  EXPECT_GT(g.CountLetter('s', TRect{0, 0, 40, 16}), 0);
  ThemeCanvas n(40, 16);
  n.canvas.Font()->SetColor(clNone);
  CurrentTheme->DrawItemText(&n.canvas, TRect{0, 0, 40, 16}, ToolbarItem(), "Ab", DT_SINGLELINE, false);
  EXPECT_GT(n.CountLetter('x', TRect{0, 0, 40, 16}) + n.CountLetter('?', TRect{0, 0, 40, 16}), 0);
  EXPECT_EQ(n.CountLetter('s', TRect{0, 0, 40, 16}) + n.CountLetter('W', TRect{0, 0, 40, 16}), 0);
}

TEST_F(ThemePaintTest, CheckBoxGlyphsShowTheirStateEvenWhenDisabled) {
  auto glyph = [&](int32_t Flags) {
    ThemeCanvas c(13, 13);
    CurrentTheme->DrawControlGlyph(&c.canvas, TRect{0, 0, 13, 13}, tbkgCheckBox, Flags);
    return c.Ascii();
  };
  const std::string checked = glyph(tbkcgChecked);
  EXPECT_EQ(checked,
            ".............\n"
            ".sssssssssss.\n"
            ".sWWWWWWWWWs.\n"
            ".sWWWWWWWxWs.\n"
            ".sWWWWWWxxWs.\n"
            ".sWxWWWxxxWs.\n"
            ".sWxxWxxxWWs.\n"
            ".sWxxxxxWWWs.\n"
            ".sWWxxxWWWWs.\n"
            ".sWWWxWWWWWs.\n"
            ".sWWWWWWWWWs.\n"
            ".sssssssssss.\n"
            ".............\n");
  const std::string disabled = glyph(tbkcgChecked | tbkcgDisabled);
  EXPECT_EQ(disabled.find('x'), std::string::npos);
  EXPECT_EQ(disabled.find('W'), std::string::npos) << "a disabled box is face-coloured";
  int greyMarks = 0;
  for (size_t i = 0; i < disabled.size(); ++i) greyMarks += disabled[i] == 's' && checked[i] == 'x';
  EXPECT_GT(greyMarks, 5) << "the mark stays visible in grey";
  EXPECT_EQ(glyph(0).find('x'), std::string::npos);
  EXPECT_NE(glyph(tbkcgHot), glyph(0)) << "hot: the platform's pushed-in frame control";
}

}  // namespace

namespace {

// Pixels of a caption as a vertical toolbar draws it, top to bottom.
std::string RotatedCaption(const std::string& Text, UINT Format) {
  ThemeCanvas c(24, 140);
  TTBKItemPaintInfo i;
  i.ViewKind = tbkvNormalToolbar;
  i.Options = tbkoToolbarStyle | tbkoAppActive;
  i.Enabled = true;
  i.Vertical = true;
  CurrentTheme->DrawItemText(&c.canvas, TRect{0, 0, 24, 140}, i, Text, Format, true);
  return c.Ascii();
}

}  // namespace

// A rotated caption loses every '&', both of a doubled one; a single '&'
// underlines the character after it.
TEST_F(ThemePaintTest, RotatedCaptionsDropEveryAmpersand) {
  struct Case {
    const char* caption;
    const char* shown;  // the same pixels as this text drawn without prefix handling
    bool underlined;
  } cases[] = {
      {"Save && Exit", "Save  Exit", false},
      {"A&&", "A", false},
      {"trailing&", "trailing", false},
      {"&&&Bold", "Bold", true},
      {"&Bold", "Bold", true},
  };
  for (const Case& c : cases) {
    const std::string drawn = RotatedCaption(c.caption, DT_CENTER);
    ASSERT_NE(drawn.find_first_not_of(".\n"), std::string::npos) << c.caption << "\n" << drawn;
    EXPECT_EQ(drawn == RotatedCaption(c.shown, DT_CENTER | DT_NOPREFIX), !c.underlined) << c.caption;
    // Hiding the accelerator leaves exactly the plain text.
    EXPECT_EQ(RotatedCaption(c.caption, DT_CENTER | DT_HIDEPREFIX), RotatedCaption(c.shown, DT_CENTER | DT_NOPREFIX))
        << c.caption;
  }
  EXPECT_EQ(RotatedCaption("&&&Bold", DT_CENTER), RotatedCaption("&Bold", DT_CENTER));
}
