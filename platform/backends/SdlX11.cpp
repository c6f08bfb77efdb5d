#include "platform/backends/SdlX11.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <thread>

#include "platform/Window.h"

namespace {

// The Motif window-manager hints, which the X11 window managers still read
// for the buttons of a frame.
struct TMotifHints {
  unsigned long Flags;
  unsigned long Functions;
  unsigned long Decorations;
  long InputMode;
  unsigned long State;
};

enum : unsigned long {
  kHintsFunctions = 1 << 0,
  kHintsDecorations = 1 << 1,
};
enum : unsigned long {
  kFuncResize = 1 << 1,
  kFuncMove = 1 << 2,
  kFuncMinimize = 1 << 3,
  kFuncMaximize = 1 << 4,
  kFuncClose = 1 << 5,
};
enum : unsigned long {
  kDecorBorder = 1 << 1,
  kDecorResizeH = 1 << 2,
  kDecorTitle = 1 << 3,
  kDecorMenu = 1 << 4,
  kDecorMinimize = 1 << 5,
  kDecorMaximize = 1 << 6,
};

}  // namespace

void SetX11FrameHints(SDL_Window* window, DWORD style, DWORD exStyle) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  Display* display = info.info.x11.display;
  ::Window xwindow = info.info.x11.window;

  TMotifHints hints{kHintsFunctions | kHintsDecorations, kFuncMove, kDecorBorder | kDecorTitle, 0, 0};
  if (style & WS_SYSMENU) {
    hints.Functions |= kFuncClose;
    hints.Decorations |= kDecorMenu;
  }
  if (style & WS_THICKFRAME) {
    hints.Functions |= kFuncResize;
    hints.Decorations |= kDecorResizeH;
  }
  if ((style & WS_SYSMENU) && (style & WS_MINIMIZEBOX)) {
    hints.Functions |= kFuncMinimize;
    hints.Decorations |= kDecorMinimize;
  }
  if ((style & WS_SYSMENU) && (style & WS_MAXIMIZEBOX)) {
    hints.Functions |= kFuncMaximize;
    hints.Decorations |= kDecorMaximize;
  }
  Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(display, xwindow, motif, motif, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&hints),
                  5);

  if (exStyle & WS_EX_DLGMODALFRAME) {
    Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(display, xwindow, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&dialog),
                    1);
  }
  XFlush(display);
}

namespace {

bool ReadFrameExtents(Display* display, ::Window xwindow, Atom property, TRect& extents) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool ok = XGetWindowProperty(display, xwindow, property, 0, 4, False, XA_CARDINAL, &type, &format, &count, &after,
                               &data) == Success &&
            type == XA_CARDINAL && format == 32 && count == 4 && data;
  if (ok) {
    const auto* v = reinterpret_cast<const long*>(data);
    extents = TRect{int32_t(v[0]), int32_t(v[2]), int32_t(v[1]), int32_t(v[3])};
  }
  if (data) XFree(data);
  return ok;
}

}  // namespace

bool GetX11FrameExtents(SDL_Window* window, TRect& extents) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  Display* display = info.info.x11.display;
  ::Window xwindow = info.info.x11.window;
  Atom property = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
  if (ReadFrameExtents(display, xwindow, property, extents)) return true;
  // A window just mapped may not have its frame yet: ask, and wait a moment
  // for the answer.
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = xwindow;
  request.xclient.message_type = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
  request.xclient.format = 32;
  ::Window root = DefaultRootWindow(display);
  XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
  XFlush(display);
  for (int i = 0; i < 20; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    XSync(display, False);
    if (ReadFrameExtents(display, xwindow, property, extents)) return true;
  }
  return false;
}
