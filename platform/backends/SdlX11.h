#pragma once
// What SDL cannot tell an X11 window manager about a window: which frame
// buttons it gets, that a dialog is a dialog, which window it belongs to and
// whether it is modal, and its name in both encodings. Does nothing on other
// video drivers.

#include <SDL.h>

#include <string>

#include "platform/Geometry.h"
#include "platform/Types.h"

// Sets the frame's functions and decorations from the window's style bits
// (system menu, thick frame, minimise and maximise boxes; a modal-frame
// window is a dialog). Before the window is first shown.
void SetX11FrameHints(SDL_Window* window, DWORD style, DWORD exStyle);

// The frame's thickness (left, top, right, bottom) as the window manager
// tells it; asks for it when the window manager has not told it yet. False
// when no window manager answers.
bool GetX11FrameExtents(SDL_Window* window, TRect& extents);

// The window it belongs to (WM_TRANSIENT_FOR: kept above that window, full
// screen included, and the focus goes back to it) and whether it is modal
// for it (_NET_WM_STATE_MODAL). A null owner removes both. Before the window
// is mapped, when the window manager reads them.
void SetX11Owner(SDL_Window* window, SDL_Window* owner, bool modal);

// The title as UTF-8 (_NET_WM_NAME) and in the legacy property (WM_NAME,
// Latin-1 or compound text as the conventions say), whatever the locale:
// SDL converts the legacy one through the locale's character set, which
// garbles names that set cannot hold.
void SetX11Title(SDL_Window* window, const std::string& title);

// Gives a shown window the keyboard focus at once. The window manager may
// refuse the program's request to activate a window (SDL_RaiseWindow) while
// another window of the program, full screen, holds the focus; the program
// holds the focus, so it may pass it on.
void FocusX11Window(SDL_Window* window);

// Where the pointer is on the screen, asked of the X server (the display of
// window). SDL's own answer is a cached one that only raw-motion events
// renew, so it goes stale where the server sends none (XTest input, some
// servers): the program would then judge hints and hovers by an old point.
bool QueryX11Pointer(SDL_Window* window, TPoint& pointer);
