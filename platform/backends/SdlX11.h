#pragma once
// What SDL cannot tell an X11 window manager about a framed window: which
// frame buttons it gets, and that a dialog is a dialog. Does nothing on
// other video drivers.

#include <SDL.h>

#include "platform/Types.h"

// Sets the frame's functions and decorations from the window's style bits
// (system menu, thick frame, minimise and maximise boxes; a modal-frame
// window is a dialog). Before the window is first shown.
void SetX11FrameHints(SDL_Window* window, DWORD style, DWORD exStyle);

// The frame's thickness (left, top, right, bottom) as the window manager
// tells it; asks for it when the window manager has not told it yet. False
// when no window manager answers.
bool GetX11FrameExtents(SDL_Window* window, TRect& extents);
