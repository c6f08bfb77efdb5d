// The navigation bar's colour presets and the choice of a preset by the
// desktop's visual-style colour scheme.
#include <array>

#include "panels/TUxNavBar.h"
#include "panels/UxStyles.h"

namespace {

// The colours of one preset, in the order the bar takes them.
struct TPreset {
  TColor CaptionColor, CaptionColorTo, ActiveColor, ActiveColorTo, DefaultTabColor, DefaultTabColorTo,
      DownTabColor, DownTabColorTo, DownTextColor, HoverTextColor, HoverTabColor, HoverTabColorTo, SplitterColor,
      SplitterColorTo, BorderColor, SectionColor, SectionColorTo;
};

// Blue, Silver, Olive, Classic and the Whidbey look (red in the low byte).
constexpr std::array<TPreset, 5> kPresets = {{
    {0xD68759, 0x933803, 0x94E6FB, 0x1595EE, 0xFCE1CB, 0xE0A57D, 0x087FE8, 0x7CDAF7, 0x000000, 0x000000,
     0xDCFFFF, 0x5BC0F7, 0xD68759, 0x962D00, 0x962D00, 0xFADAC4, 0xF5BFA0},
    {0xBDA4A5, 0x957475, 0x94E6FB, 0x1595EE, 0xECE2E1, 0xB39698, 0x087FE8, 0x7CDAF7, 0x000000, 0x000000,
     0xDCFFFF, 0x5BC0F7, 0xBFA7A8, 0x947C7C, 0x947C7C, 0xF7F3F3, 0xE6D8D8},
    {0x82C0AF, 0x447A63, 0x94E6FB, 0x1595EE, 0xCFF0EA, 0x8CC0B1, 0x087FE8, 0x7CDAF7, 0x000000, 0x000000,
     0xDCFFFF, 0x5BC0F7, 0x6F8E78, 0x588060, 0x588060, 0xE4F1F2, 0xAADADA},
    {0x808080, 0x808080, 0xD8D5D4, 0xD8D5D4, 0xFFFFFF, 0xC9D1D5, 0xB59285, 0xB59285, 0xFFFFFF, 0x000000,
     0xD2BDB6, 0xD2BDB6, 0xC8D0D4, 0x8C8D8E, 0x808080, 0xF4F5F6, 0xCAD2D6},
    {0xEBEEEF, 0x7E9898, 0x94E6FB, 0x1595EE, 0xF5F9FA, 0xA8C0C0, 0x087FE8, 0x7CDAF7, 0x000000, 0x000000,
     0xDCFFFF, 0x5BC0F7, 0xEBEEEF, 0x7E9898, 0x962D00, 0xEBEEEF, 0xA8C0C0},
}};

}  // namespace

void TUxNavBar::SetStyle(TUxNavBarStyle v) {
  if (v == style_) return;
  style_ = v;
  if (v == esCustom) {
    autoThemeAdapt_ = false;
    return;
  }
  const TPreset& p = kPresets[size_t(v)];
  SetCaptionColor(p.CaptionColor);
  SetCaptionColorTo(p.CaptionColorTo);
  captionFont_->SetColor(clWhite);
  Font()->SetColor(clBlack);
  SetActiveColor(p.ActiveColor);
  SetActiveColorTo(p.ActiveColorTo);
  SetDefaultTabColor(p.DefaultTabColor);
  SetDefaultTabColorTo(p.DefaultTabColorTo);
  SetDownTabColor(p.DownTabColor);
  SetDownTabColorTo(p.DownTabColorTo);
  SetDownTextColor(p.DownTextColor);
  SetHoverTextColor(p.HoverTextColor);
  SetHoverTabColor(p.HoverTabColor);
  SetHoverTabColorTo(p.HoverTabColorTo);
  SetSplitterColor(p.SplitterColor);
  SetSplitterColorTo(p.SplitterColorTo);
  SetBorderColor(p.BorderColor);
  SetSectionColor(p.SectionColor);
  SetSectionColorTo(p.SectionColorTo);
  SetDefaultGradientDirection(gdVertical);
  if (v == esWhidbey) autoThemeAdapt_ = false;
}

int32_t CurrentXPColorScheme() {
  const TUxStylesBinding& ux = UxStyles();
  if (!ux.Bound || !ux.IsThemeActive || !ux.IsThemeActive()) return 0;
  if (!ux.GetCurrentThemeName) return 0;
  std::string file, scheme, size;
  // A failing query means no scheme we know, not a broken program.
  if (ux.GetCurrentThemeName(file, scheme, size) != 0) return 0;
  if (scheme == "NormalColor") return 1;
  if (scheme == "HomeStead") return 2;
  if (scheme == "Metallic") return 3;
  return 0;
}

void TUxNavBar::ThemeAdapt() {
  // Without a visual-style library there is no scheme to follow: the
  // preset stays as it is.
  if (!UxStyles().Bound) return;
  switch (CurrentXPColorScheme()) {
    case 1: SetStyle(esOffice2003Blue); break;
    case 2: SetStyle(esOffice2003Olive); break;
    case 3: SetStyle(esOffice2003Silver); break;
    default: SetStyle(esOffice2003Classic); break;
  }
}
