#include "platform/backends/SdlX11.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
// Xlib's region type would take the name of the platform's own.
#define Region XlibRegion
#include <X11/Xutil.h>
#undef Region

#include <chrono>
#include <thread>
#include <vector>

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

namespace {

bool X11Of(SDL_Window* window, Display*& display, ::Window& xwindow) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  display = info.info.x11.display;
  xwindow = info.info.x11.window;
  return true;
}

}  // namespace

void SetX11Owner(SDL_Window* window, SDL_Window* owner, bool modal) {
  Display* display = nullptr;
  ::Window xwindow = 0, xowner = 0;
  if (!X11Of(window, display, xwindow)) return;
  Display* ownerDisplay = nullptr;
  if (owner && !X11Of(owner, ownerDisplay, xowner)) owner = nullptr;
  if (owner)
    XSetTransientForHint(display, xwindow, xowner);
  else
    XDeleteProperty(display, xwindow, XA_WM_TRANSIENT_FOR);

  // The state list keeps what SDL put there (full screen, above); only the
  // modal state comes and goes.
  Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  Atom modalAtom = XInternAtom(display, "_NET_WM_STATE_MODAL", False);
  std::vector<Atom> atoms;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, xwindow, state, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) ==
          Success &&
      type == XA_ATOM && format == 32 && data) {
    const auto* v = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count; ++i)
      if (v[i] != modalAtom) atoms.push_back(v[i]);
  }
  if (data) XFree(data);
  if (owner && modal) atoms.push_back(modalAtom);
  if (atoms.empty())
    XDeleteProperty(display, xwindow, state);
  else
    XChangeProperty(display, xwindow, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(atoms.data()), int(atoms.size()));
  XFlush(display);
}

void SetX11Title(SDL_Window* window, const std::string& title) {
  Display* display = nullptr;
  ::Window xwindow = 0;
  if (!X11Of(window, display, xwindow)) return;
  Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
  XChangeProperty(display, xwindow, netName, utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.data()), int(title.size()));
  // Latin-1 when every character fits; else compound text, which Xlib makes
  // only where the locale knows the characters; else UTF-8 as it stands,
  // which window managers of today read.
  std::string latin1;
  bool fits = true;
  for (size_t i = 0; i < title.size() && fits;) {
    auto c = static_cast<unsigned char>(title[i]);
    if (c < 0x80) {
      latin1 += char(c);
      ++i;
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < title.size() &&
               (static_cast<unsigned char>(title[i + 1]) & 0xC0) == 0x80) {
      latin1 += char(((c & 0x03) << 6) | (static_cast<unsigned char>(title[i + 1]) & 0x3F));
      i += 2;
    } else {
      fits = false;
    }
  }
  if (fits) {
    XChangeProperty(display, xwindow, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(latin1.data()), int(latin1.size()));
  } else {
    char* list[] = {const_cast<char*>(title.c_str())};
    XTextProperty prop{};
    if (Xutf8TextListToTextProperty(display, list, 1, XCompoundTextStyle, &prop) == Success && prop.value) {
      XSetWMName(display, xwindow, &prop);
      XFree(prop.value);
    } else {
      if (prop.value) XFree(prop.value);
      XChangeProperty(display, xwindow, XA_WM_NAME, utf8, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(title.data()), int(title.size()));
    }
  }
  XFlush(display);
}

void FocusX11Window(SDL_Window* window) {
  Display* display = nullptr;
  ::Window xwindow = 0;
  if (!X11Of(window, display, xwindow)) return;
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, xwindow, &attributes) || attributes.map_state != IsViewable) return;
  XSetInputFocus(display, xwindow, RevertToParent, CurrentTime);
  XFlush(display);
}

bool QueryX11Pointer(SDL_Window* window, TPoint& pointer) {
  Display* display = nullptr;
  ::Window xwindow = 0;
  if (!X11Of(window, display, xwindow)) return false;
  ::Window root = 0, child = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(display, xwindow, &root, &child, &rootX, &rootY, &winX, &winY, &mask)) return false;
  pointer = TPoint{rootX, rootY};
  return true;
}
