#include "panels/UxStyles.h"

#include <utility>

const std::array<const char*, 46> kUxStylesEntryPointNames = {
    "OpenThemeData", "CloseThemeData", "DrawThemeBackground", "DrawThemeText",
    "GetThemeBackgroundContentRect", "GetThemeBackgroundExtent", "GetThemeTextExtent",
    "GetThemeTextMetrics", "GetThemeBackgroundRegion", "HitTestThemeBackground", "DrawThemeEdge",
    "DrawThemeIcon", "IsThemePartDefined", "IsThemeBackgroundPartiallyTransparent", "GetThemeColor",
    "GetThemeMetric", "GetThemeString", "GetThemeBool", "GetThemeInt", "GetThemeEnumValue",
    "GetThemePosition", "GetThemeFont", "GetThemeRect", "GetThemeMargins", "GetThemeIntList",
    "SetWindowTheme", "GetThemeFilename", "GetThemeSysColor", "GetThemeSysColorBrush",
    "GetThemeSysBool", "GetThemeSysSize", "GetThemeSysFont", "GetThemeSysString", "GetThemeSysInt",
    "IsThemeActive", "IsAppThemed", "GetWindowTheme", "EnableThemeDialogTexture",
    "IsThemeDialogTextureEnabled", "GetThemeAppProperties", "SetThemeAppProperties",
    "GetCurrentThemeName", "GetThemeDocumentationProperty", "GetThemePartSize",
    "DrawThemeParentBackground", "EnableTheming"};

namespace {
TUxStylesBinding& Binding() {
  static TUxStylesBinding binding;
  return binding;
}
bool uxEditStarted = false;
}  // namespace

const TUxStylesBinding& UxStyles() { return Binding(); }

void UxStylesStartUp() {
  // No visual-style library on this desktop: nothing is bound and nothing
  // is reported, as on a desktop without one.
}

void UxStylesShutDown() { Binding() = TUxStylesBinding{}; }

void SetUxStyles(TUxStylesBinding b) { Binding() = std::move(b); }

void UxEditStartUp() { uxEditStarted = true; }
void UxEditShutDown() { uxEditStarted = false; }

void PanelsStartUp() {
  UxEditStartUp();
  UxStylesStartUp();
}

void PanelsShutDown() {
  UxStylesShutDown();
  UxEditShutDown();
}
