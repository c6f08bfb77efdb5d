// Drawing and window routines the views and dialogs share: background
// shadows, 3-D frames, the views' scroll-bar switch and dialog placement.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/Messages.h"
#include "platform/ScrollBar.h"

class TCanvas;
class TComponent;

// The vertical shadow strip right of an object (styles 1 to 3).
void PaintShadowRight(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Style,
                      int32_t Colour);
// The horizontal strip under an object.
void PaintShadowBottom(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Style,
                       int32_t Colour);
void DrawFrame3D(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t TopLeftColour,
                 int32_t BottomRightColour);

// The views' scroll bars, flat or plain (one kind of bar here).
void FlatSetScrollRange(HWND Handle, int32_t Bar, int32_t Min, int32_t Max, bool Redraw, bool Flat);
void FlatSetScrollInfo(HWND Handle, int32_t Bar, const SCROLLINFO* Info, bool Redraw, bool Flat);
void FlatSetScrollPage(HWND Handle, int32_t Bar, int32_t Page, bool Redraw, bool Flat);
void FlatSetScrollPos(HWND Handle, int32_t Bar, int32_t Pos, bool Redraw, bool Flat);
void FlatEnableScrollBar(HWND Handle, int32_t Bar, uint32_t Arrows, bool Flat);
void FlatShowScrollBar(HWND Handle, int32_t Bar, bool Show, bool Flat);

// Called instead of the default placement when set (nothing sets it here).
extern std::function<void(HWND)> DialogPositioningHook;
// Centred horizontally, a third from the top; no size or z-order change.
void PositionDialogWindow(HWND Handle);

// The window of the first windowed control on Component's owner chain
// (Component itself first), 0 when that has no window yet or there is none.
HWND GetOwnerWindowHandle(TComponent* Component);
// The open dialog's larger record is always available here.
bool IsWin2000OrMe();
