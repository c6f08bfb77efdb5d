#include "imaging/model/IEDrawRoutines.h"

#include <algorithm>
#include <cmath>

#include "platform/SysInfo.h"
#include "platform/Window.h"
#include "rtl/Numeric.h"
#include "ui/TCanvas.h"
#include "ui/TColor.h"
#include "ui/TControl.h"

std::function<void(HWND)> DialogPositioningHook;

namespace {
// Colour with each channel multiplied by m and truncated.
TColor Scaled(TColor colour, double m) {
  const COLORREF c = ColorToRGB(colour);
  auto ch = [&](int shift) { return static_cast<int32_t>(Trunc(((c >> shift) & 0xFF) * m)); };
  return ch(0) | ch(8) << 8 | ch(16) << 16;
}
uint8_t Fade(double v) { return static_cast<uint8_t>(std::clamp<int64_t>(Trunc(v), 0, 255)); }
TColor Grey(uint8_t g) { return g | g << 8 | g << 16; }
}  // namespace

void PaintShadowRight(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Style,
                      int32_t Colour) {
  const int32_t w = X2 - X1 + 1, h = Y2 - Y1 + 1;
  if (w <= 0 || h <= 0) return;
  if (Style == 1) {
    Canvas->FillRect(TRect{X1, Y1 + w, X2, Y2 + 1});
  } else if (Style == 2) {
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetMode(pmCopy);
    const int32_t third = std::max(w / 3, 1);
    for (int32_t c = 0; c < w; ++c) {
      const double hh = double(w - c) / third;
      Canvas->Pen()->SetColor(Scaled(Colour, std::exp(-0.1 - hh * hh / 6)));
      Canvas->MoveTo(X1 + c, Y1 + w);
      Canvas->LineTo(X1 + c, Y2 + c - w + 3);
    }
  } else if (Style == 3) {
    int32_t s = 0;
    for (int32_t j = 0; j <= h; ++j) {
      const uint8_t fade = Fade(std::exp(double(h - 3 * j) / h) / M_E * 255);
      if (j > h - w + 1) ++s;
      for (int32_t i = s; i <= w; ++i)
        Canvas->SetPixels(X1 + i, Y1 + j, Grey(std::max(Fade(std::exp(double(i) / w) / M_E * 255), fade)));
    }
  }
}

void PaintShadowBottom(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Style,
                       int32_t Colour) {
  const int32_t w = X2 - X1 + 1, h = Y2 - Y1 + 1;
  if (w <= 0 || h <= 0) return;
  if (Style == 1) {
    Canvas->FillRect(TRect{X1 + h, Y1, X2 + 1, Y2});
  } else if (Style == 2) {
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetMode(pmCopy);
    const int32_t third = std::max(h / 3, 1);
    for (int32_t c = 0; c < h; ++c) {
      const double hh = double(h - c) / third;
      Canvas->Pen()->SetColor(Scaled(Colour, std::exp(-0.1 - hh * hh / 6)));
      Canvas->MoveTo(X1 + h, Y1 + c);
      Canvas->LineTo(X2 + c - h + 3, Y1 + c);
    }
  } else if (Style == 3) {
    int32_t s = 0;
    for (int32_t j = 0; j <= w; ++j) {
      const uint8_t fade = Fade(std::exp(double(w - 3 * j) / w) / M_E * 255);
      if (j > w - h + 1) ++s;
      for (int32_t i = s; i <= h; ++i)
        Canvas->SetPixels(X1 + j, Y1 + i, Grey(std::max(Fade(std::exp(double(i) / h) / M_E * 255), fade)));
    }
  }
}

void DrawFrame3D(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t TopLeftColour,
                 int32_t BottomRightColour) {
  Canvas->Pen()->SetStyle(psSolid);
  Canvas->Pen()->SetMode(pmCopy);
  Canvas->Pen()->SetColor(TopLeftColour);
  Canvas->MoveTo(X1, Y2);
  Canvas->LineTo(X1, Y1);
  Canvas->LineTo(X2, Y1);
  Canvas->Pen()->SetColor(BottomRightColour);
  Canvas->MoveTo(X1, Y2);
  Canvas->LineTo(X2, Y2);
  Canvas->LineTo(X2, Y1);
}

void FlatSetScrollRange(HWND Handle, int32_t Bar, int32_t Min, int32_t Max, bool Redraw, bool) {
  SetScrollRange(Handle, Bar, Min, Max, Redraw);
}

void FlatSetScrollInfo(HWND Handle, int32_t Bar, const SCROLLINFO* Info, bool Redraw, bool) {
  SetScrollInfo(Handle, Bar, Info, Redraw);
}

void FlatSetScrollPage(HWND Handle, int32_t Bar, int32_t Page, bool Redraw, bool Flat) {
  SCROLLINFO si{};
  si.cbSize = 28;
  si.fMask = SIF_PAGE;
  si.nPage = static_cast<UINT>(Page);
  FlatSetScrollInfo(Handle, Bar, &si, Redraw, Flat);
}

void FlatSetScrollPos(HWND Handle, int32_t Bar, int32_t Pos, bool Redraw, bool) {
  SetScrollPos(Handle, Bar, Pos, Redraw);
}

void FlatEnableScrollBar(HWND Handle, int32_t Bar, uint32_t Arrows, bool) {
  EnableScrollBar(Handle, static_cast<UINT>(Bar), Arrows);
}

void FlatShowScrollBar(HWND Handle, int32_t Bar, bool Show, bool) { ShowScrollBar(Handle, Bar, Show); }

void PositionDialogWindow(HWND Handle) {
  if (DialogPositioningHook) {
    DialogPositioningHook(Handle);
    return;
  }
  TRect r{};
  GetWindowRect(Handle, r);
  const int32_t w = r.Right - r.Left, h = r.Bottom - r.Top;
  SetWindowPos(Handle, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - h) / 3, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND GetOwnerWindowHandle(TComponent* Component) {
  for (TComponent* c = Component; c; c = c->Owner())
    if (auto* w = dynamic_cast<TWinControl*>(c)) return w->HandleAllocated() ? w->Handle() : nullptr;
  return nullptr;
}

bool IsWin2000OrMe() { return true; }
