// The binding of the desktop's visual-style entry points, made once when the
// libraries start and undone when they end. This desktop has no visual-style
// library, so nothing is bound and every entry point stays empty; the caption
// panel and the navigation bar then draw their classic looks.
//
// Tests (and a desktop that gains visual styles) can hand in the two queries
// the navigation bar asks: whether a style is active and the current theme's
// names.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// Names of the 46 entry points, in the order they are bound.
extern const std::array<const char*, 46> kUxStylesEntryPointNames;

// Answers 0 on success, a failure code otherwise; fills the theme file,
// colour scheme and size names.
using TGetCurrentThemeName = std::function<int32_t(std::string& ThemeFile, std::string& ColorScheme,
                                                   std::string& SizeName)>;
using TIsThemeActive = std::function<bool()>;

struct TUxStylesBinding {
  bool Bound = false;
  TIsThemeActive IsThemeActive;
  TGetCurrentThemeName GetCurrentThemeName;
};

// The process-wide binding (empty until bound).
const TUxStylesBinding& UxStyles();
// Start-up: binds the library when the desktop has one (this one has none).
void UxStylesStartUp();
// Shut-down: frees what start-up bound.
void UxStylesShutDown();
// Puts a visual-style library in place, as if start-up had found it; an
// empty binding takes it away again.
void SetUxStyles(TUxStylesBinding Binding);

// Process-wide set-up of the picture loader; there is nothing to initialise
// on this desktop, but the pair keeps its place in the start-up order.
void UxEditStartUp();
void UxEditShutDown();
// Start-up and shut-down of the panel controls, in their order.
void PanelsStartUp();
void PanelsShutDown();
