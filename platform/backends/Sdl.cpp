// The SDL2 backend: each top-level window is an SDL window showing its back
// buffer; popups are borderless windows kept on top. Mouse capture follows
// the window system's pointer capture.

#include <SDL.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "platform/WindowInternal.h"
#include "platform/backends/Backends.h"
#include "platform/backends/SdlX11.h"

namespace {

struct TSdlWindow {
  SDL_Window* Window = nullptr;
  bool Shown = false;
  bool FullScreen = false;
  bool Maximised = false;  // maximised at the program's request
  bool Unmanaged = false;  // a popup the window manager leaves alone
  bool Topmost = false;
  std::string Title;  // as last told to the window system
};

int32_t VkOfKey(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
  if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + (k - SDLK_F1);
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (k - SDLK_KP_1);
  switch (k) {
    case SDLK_KP_0:
      return VK_NUMPAD0;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_END:
      return VK_END;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_LSHIFT:
      return VK_LSHIFT;
    case SDLK_RSHIFT:
      return VK_RSHIFT;
    case SDLK_LCTRL:
      return VK_LCONTROL;
    case SDLK_RCTRL:
      return VK_RCONTROL;
    case SDLK_LALT:
      return VK_LMENU;
    case SDLK_RALT:
      return VK_RMENU;
    case SDLK_LGUI:
      return VK_LWIN;
    case SDLK_RGUI:
      return VK_RWIN;
    case SDLK_APPLICATION:
      return VK_APPS;
    case SDLK_CAPSLOCK:
      return VK_CAPITAL;
    case SDLK_NUMLOCKCLEAR:
      return VK_NUMLOCK;
    case SDLK_SCROLLLOCK:
      return VK_SCROLL;
    case SDLK_PAUSE:
      return VK_PAUSE;
    case SDLK_PRINTSCREEN:
      return VK_SNAPSHOT;
    case SDLK_KP_MULTIPLY:
      return VK_MULTIPLY;
    case SDLK_KP_PLUS:
      return VK_ADD;
    case SDLK_KP_MINUS:
      return VK_SUBTRACT;
    case SDLK_KP_PERIOD:
      return VK_DECIMAL;
    case SDLK_KP_DIVIDE:
      return VK_DIVIDE;
    case SDLK_SEMICOLON:
      return VK_OEM_1;
    case SDLK_EQUALS:
      return VK_OEM_PLUS;
    case SDLK_COMMA:
      return VK_OEM_COMMA;
    case SDLK_MINUS:
      return VK_OEM_MINUS;
    case SDLK_PERIOD:
      return VK_OEM_PERIOD;
    case SDLK_SLASH:
      return VK_OEM_2;
    case SDLK_BACKQUOTE:
      return VK_OEM_3;
    case SDLK_LEFTBRACKET:
      return VK_OEM_4;
    case SDLK_BACKSLASH:
      return VK_OEM_5;
    case SDLK_RIGHTBRACKET:
      return VK_OEM_6;
    case SDLK_QUOTE:
      return VK_OEM_7;
  }
  return 0;
}

SDL_SystemCursor SystemCursorOf(int32_t id) {
  switch (id) {
    case IDC_IBEAM:
      return SDL_SYSTEM_CURSOR_IBEAM;
    case IDC_WAIT:
      return SDL_SYSTEM_CURSOR_WAIT;
    case IDC_CROSS:
      return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case IDC_SIZENWSE:
      return SDL_SYSTEM_CURSOR_SIZENWSE;
    case IDC_SIZENESW:
      return SDL_SYSTEM_CURSOR_SIZENESW;
    case IDC_SIZEWE:
      return SDL_SYSTEM_CURSOR_SIZEWE;
    case IDC_SIZENS:
      return SDL_SYSTEM_CURSOR_SIZENS;
    case IDC_SIZEALL:
      return SDL_SYSTEM_CURSOR_SIZEALL;
    case IDC_NO:
      return SDL_SYSTEM_CURSOR_NO;
    case IDC_HAND:
      return SDL_SYSTEM_CURSOR_HAND;
    case IDC_APPSTARTING:
      return SDL_SYSTEM_CURSOR_WAITARROW;
  }
  return SDL_SYSTEM_CURSOR_ARROW;
}

// Decodes UTF-8 typed text into code points; malformed bytes are skipped.
void InjectUtf8(const char* s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  while (*p) {
    uint32_t c = *p;
    int32_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0) {
      ++p;
      continue;
    }
    c &= extra == 0 ? 0x7F : extra == 1 ? 0x1F : extra == 2 ? 0x0F : 0x07;
    ++p;
    bool ok = true;
    for (int32_t i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (*p & 0x3F);
    }
    if (ok) InjectChar(c);
  }
}

class TSdlBackend : public TBackend {
 public:
  ~TSdlBackend() override {
    for (auto& [c, sc] : SdlCursors) SDL_FreeCursor(sc);
    for (auto& [id, entry] : ById) SDL_DestroyWindow(entry.second->Window);
    ById.clear();
    SDL_StopTextInput();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  const char* Name() const override { return "sdl"; }
  TSize ScreenSize() override {
    SDL_Rect r;
    if (SDL_GetDisplayBounds(0, &r) != 0) return TSize{1024, 768};
    return TSize{r.w, r.h};
  }
  TRect WorkArea() override {
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(0, &r) != 0 || r.w <= 0 || r.h <= 0) return TBackend::WorkArea();
    return TRect{r.x, r.y, r.x + r.w, r.y + r.h};
  }
  bool NativeFrames() const override { return true; }
  TRect FrameExtents(TWindowObj* w) override {
    auto* data = static_cast<TSdlWindow*>(w->BackendData);
    if (!data) return TRect{0, 0, 0, 0};
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(data->Window, &top, &left, &bottom, &right) == 0 &&
        (top || left || bottom || right))
      return TRect{left, top, right, bottom};
    // SDL learns the frame only from later events.
    TRect extents{0, 0, 0, 0};
    GetX11FrameExtents(data->Window, extents);
    return extents;
  }
  bool TextFromKeys() const override { return false; }

  void TopLevelCreated(TWindowObj* w) override {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    bool framed = (w->Style & WS_CAPTION) == WS_CAPTION;
    if (!framed) flags |= SDL_WINDOW_BORDERLESS;
    if (framed && (w->Style & WS_THICKFRAME)) flags |= SDL_WINDOW_RESIZABLE;
    if (!framed || (w->ExStyle & WS_EX_TOOLWINDOW)) flags |= SDL_WINDOW_SKIP_TASKBAR;
    // Menus, hints and floating bars: the window manager neither decorates
    // nor focuses them, and they stay on top. A frameless window of another
    // kind (the full-screen window) is the window manager's like any other,
    // so that a dialog opened from it can come up above it.
    const bool popup = !framed && (w->ExStyle & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE));
    if (popup) flags |= SDL_WINDOW_POPUP_MENU;
    if (popup || (w->ExStyle & WS_EX_TOPMOST)) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    TRect r = w->WindowRect;
    SDL_Window* win = SDL_CreateWindow(w->Text.c_str(), r.Left, r.Top, std::max(r.Width(), 1),
                                       std::max(r.Height(), 1), flags);
    if (!win) return;
    auto data = std::make_unique<TSdlWindow>();
    data->Window = win;
    data->Topmost = (flags & SDL_WINDOW_ALWAYS_ON_TOP) != 0;
    data->Unmanaged = (flags & SDL_WINDOW_POPUP_MENU) != 0;
    w->BackendData = data.get();
    ById[SDL_GetWindowID(win)] = {w->Handle, std::move(data)};
  }

  void TopLevelDestroyed(TWindowObj* w) override {
    auto* data = static_cast<TSdlWindow*>(w->BackendData);
    if (!data) return;
    SDL_Window* win = data->Window;
    w->BackendData = nullptr;
    ById.erase(SDL_GetWindowID(win));  // frees data
    SDL_DestroyWindow(win);
  }

  void TopLevelChanged(TWindowObj* w) override {
    auto* data = static_cast<TSdlWindow*>(w->BackendData);
    if (!data) return;
    SDL_Window* win = data->Window;
    bool show = w->Visible() && !w->Minimized;
    TSize screen = ScreenSize();
    bool framed = (w->Style & WS_CAPTION) == WS_CAPTION;
    // Only the window manager makes a window full screen; a popup it does
    // not manage just covers the screen.
    bool full = show && !framed && !data->Unmanaged && w->WindowRect.Left <= 0 && w->WindowRect.Top <= 0 &&
                w->WindowRect.Right >= screen.cx && w->WindowRect.Bottom >= screen.cy;
    if (full != data->FullScreen) {
      SDL_SetWindowFullscreen(win, full ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
      data->FullScreen = full;
    }
    // A framed window is maximised by the window manager, which knows its
    // frame; the program has placed it in the work area less that frame.
    bool maximised = framed && w->Maximized;
    if (!maximised && data->Maximised) {
      SDL_RestoreWindow(win);
      data->Maximised = false;
    }
    // Until the window manager has been asked to maximise, the window takes
    // the place the program gave it: without a window manager nobody else
    // would, and the program lays its contents out for that place.
    if (!full && (!maximised || !data->Maximised)) {
      int x, y, cw, ch;
      SDL_GetWindowPosition(win, &x, &y);
      SDL_GetWindowSize(win, &cw, &ch);
      TRect r = w->WindowRect;
      if (cw != r.Width() || ch != r.Height())
        SDL_SetWindowSize(win, std::max(r.Width(), 1), std::max(r.Height(), 1));
      if (x != r.Left || y != r.Top) SDL_SetWindowPosition(win, r.Left, r.Top);
    }
    if (data->Title != w->Text) {
      SDL_SetWindowTitle(win, w->Text.c_str());
      SetX11Title(win, w->Text);
      data->Title = w->Text;
    }
    bool topmost = data->Unmanaged || (w->ExStyle & WS_EX_TOPMOST);
    if (topmost != data->Topmost) {
      SDL_SetWindowAlwaysOnTop(win, topmost ? SDL_TRUE : SDL_FALSE);
      data->Topmost = topmost;
    }
    if (show && !data->Shown) {
      // Told before each mapping, which is when the window manager reads
      // them (SDL rewrites the frame hints on its own before that).
      if (framed) SetX11FrameHints(win, w->Style, w->ExStyle);
      if (!data->Unmanaged) {
        // The window manager keeps an owned window above its owner, full
        // screen or not, and gives the focus back to the owner when it goes;
        // a dialog without owner belongs to the window it was opened from.
        // An owner that is disabled waits for this window: it is modal.
        TWindowObj* owner = w->Owner;
        if (!owner && (w->ExStyle & WS_EX_DLGMODALFRAME) && WM().Active != w) owner = WM().Active;
        auto* od = owner ? static_cast<TSdlWindow*>(owner->BackendData) : nullptr;
        if (od && od->Unmanaged) od = nullptr;
        SetX11Owner(win, od ? od->Window : nullptr, od && (owner->Style & WS_DISABLED));
      }
      SDL_ShowWindow(win);
      data->Shown = true;

      w->BufferDirty = true;
    } else if (!show && data->Shown) {
      SDL_HideWindow(win);
      data->Shown = false;
    }
    if (maximised && data->Shown && !data->Maximised) {
      SDL_MaximizeWindow(win);
      data->Maximised = true;
    }
    if (w->Minimized && data->Shown) SDL_MinimizeWindow(win);
    // The window the program made active has the keyboard on the screen too
    // (a dialog opened from the full-screen window, the window a dialog
    // gives the activation back to).
    if (data->Shown && !data->Unmanaged && WM().Active == w && Focused != w->Handle) {
      Focused = w->Handle;
      FocusX11Window(win);
    }
  }

  void Present(TWindowObj* w) override {
    auto* data = static_cast<TSdlWindow*>(w->BackendData);
    if (!data || !data->Shown || !w->Buffer) return;
    SDL_Surface* target = SDL_GetWindowSurface(data->Window);
    if (!target) return;
    const Surface* buffer = w->Buffer.get();
    Surface composed;
    if (ScreenOverlay(nullptr)) {
      composed = *buffer;
      ComposeWithOverlay(w, composed);
      buffer = &composed;
    }
    const Surface& src = *buffer;
    SDL_Surface* view = SDL_CreateRGBSurfaceWithFormatFrom(
        src.Pixels(), src.Width(), src.Height(), 32, int(src.Stride()), SDL_PIXELFORMAT_RGB888);
    if (!view) return;
    SDL_BlitSurface(view, nullptr, target, nullptr);
    SDL_FreeSurface(view);
    SDL_UpdateWindowSurface(data->Window);
  }

  void CaptureChanged(TWindowObj* w) override { SDL_CaptureMouse(w ? SDL_TRUE : SDL_FALSE); }

  void CursorChanged(TCursorObject* c) override {
    SDL_ShowCursor(WM().CursorShowCount >= 0 && c ? SDL_ENABLE : SDL_DISABLE);
    if (!c) return;
    SDL_Cursor*& sc = SdlCursors[c];
    if (!sc) {
      if (c->StandardId) {
        sc = SDL_CreateSystemCursor(SystemCursorOf(c->StandardId));
      } else {
        TCursorImage& im = c->Image;
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(
            im.Pixels.data(), im.Width, im.Height, 32, im.Width * 4, SDL_PIXELFORMAT_ARGB8888);
        if (s) {
          sc = SDL_CreateColorCursor(s, im.HotX, im.HotY);
          SDL_FreeSurface(s);
        }
      }
    }
    if (sc) SDL_SetCursor(sc);
  }

  void CursorDestroyed(TCursorObject* c) override {
    auto it = SdlCursors.find(c);
    if (it == SdlCursors.end()) return;
    SDL_FreeCursor(it->second);
    SdlCursors.erase(it);
  }

  void CursorMoved(TPoint p) override { SDL_WarpMouseGlobal(p.X, p.Y); }

  bool QueryCursor(TPoint& p) override {
    if (!ById.empty() && QueryX11Pointer(ById.begin()->second.second->Window, p)) return true;
    int x, y;
    SDL_GetGlobalMouseState(&x, &y);
    p = TPoint{x, y};
    return true;
  }

  void PollEvents() override {
    SDL_Event e;
    bool focusLost = false;
    while (SDL_PollEvent(&e)) {
      switch (e.type) {
        case SDL_MOUSEMOTION:
          MoveTo(e.motion.windowID, e.motion.x, e.motion.y);
          break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
          // SDL gives a button the position of the last motion it saw, which
          // is stale when the pointer came in while the window manager held
          // it (a click that focuses the window): ask where it really is.
          PointerToScreen();
          int32_t b = e.button.button == SDL_BUTTON_LEFT     ? VK_LBUTTON
                      : e.button.button == SDL_BUTTON_RIGHT  ? VK_RBUTTON
                      : e.button.button == SDL_BUTTON_MIDDLE ? VK_MBUTTON
                                                             : 0;
          if (b) InjectMouseButton(b, e.type == SDL_MOUSEBUTTONDOWN);
          break;
        }
        case SDL_MOUSEWHEEL: {
          int32_t y = e.wheel.y;
          if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
          if (y) InjectMouseWheel(y * WHEEL_DELTA);
          break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP:
          if (int32_t vk = VkOfKey(e.key.keysym.sym)) InjectKey(vk, e.type == SDL_KEYDOWN);
          break;
        case SDL_TEXTINPUT:
          InjectUtf8(e.text.text);
          break;
        case SDL_WINDOWEVENT:
          WindowEvent(e.window, focusLost);
          break;
      }
    }
    if (focusLost && !SDL_GetKeyboardFocus()) InjectAppActivation(false);
  }

  void Wait(int32_t timeoutMs) override {
    if (timeoutMs < 0)
      SDL_WaitEvent(nullptr);
    else
      SDL_WaitEventTimeout(nullptr, timeoutMs);
  }

  void Wake() override {
    SDL_Event e{};
    e.type = WakeEvent;
    SDL_PushEvent(&e);
  }

  Uint32 WakeEvent = 0;

 private:
  void MoveTo(Uint32 windowId, int32_t x, int32_t y) {
    auto it = ById.find(windowId);
    if (it == ById.end()) return;
    TWindowObj* w = FromHandle(it->second.first);
    if (!w) return;
    Pointer = TPoint{w->WindowRect.Left + x, w->WindowRect.Top + y};
    InjectMouseMove(Pointer);
  }

  // Moves to where the pointer is on the screen, when that differs from
  // what the program was last told.
  void PointerToScreen() {
    TPoint at;
    QueryCursor(at);
    if (Pointer.X == at.X && Pointer.Y == at.Y) return;
    Pointer = at;
    InjectMouseMove(Pointer);
  }

  void WindowEvent(const SDL_WindowEvent& e, bool& focusLost) {
    auto it = ById.find(e.windowID);
    if (it == ById.end()) return;
    HWND h = it->second.first;
    TWindowObj* w = FromHandle(h);
    if (!w) return;
    auto* data = static_cast<TSdlWindow*>(w->BackendData);
    switch (e.event) {
      case SDL_WINDOWEVENT_CLOSE:
        InjectCloseRequest(h);
        break;
      case SDL_WINDOWEVENT_MOVED:
      case SDL_WINDOWEVENT_SIZE_CHANGED: {
        int x, y, cw, ch;
        SDL_GetWindowPosition(data->Window, &x, &y);
        SDL_GetWindowSize(data->Window, &cw, &ch);
        TRect r{x, y, x + cw, y + ch};
        if (!(r == w->WindowRect)) InjectWindowBounds(h, r);
        if ((w = FromHandle(h))) w->BufferDirty = true;
        // A window placed or moved under a resting pointer gets no motion:
        // what lies under the pointer now is another part of the program
        // (or none of it).
        PointerToScreen();
        break;
      }
      case SDL_WINDOWEVENT_EXPOSED:
        w->BufferDirty = true;
        break;
      case SDL_WINDOWEVENT_MINIMIZED:
        if (!w->Minimized) ShowWindow(h, SW_SHOWMINNOACTIVE);
        break;
      case SDL_WINDOWEVENT_RESTORED:
        if (w->Minimized) ShowWindow(h, SW_RESTORE);
        break;
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        Focused = h;
        if (!data->Unmanaged && !(w->ExStyle & WS_EX_NOACTIVATE)) {
          // A window that waits for a modal one (the user clicked it) keeps
          // neither the activation nor the window manager's focus: the
          // modal window comes forward and takes both.
          HWND active = InjectWindowFocus(h);
          TWindowObj* a = active != h ? FromHandle(active) : nullptr;
          if (auto* ad = a ? static_cast<TSdlWindow*>(a->BackendData) : nullptr) {
            SDL_RaiseWindow(ad->Window);
            FocusX11Window(ad->Window);
            Focused = active;
          }
        } else if (!IsApplicationActive()) {
          InjectAppActivation(true);
        }
        break;
      case SDL_WINDOWEVENT_FOCUS_LOST:
        if (Focused == h) Focused = nullptr;
        focusLost = true;
        break;
      case SDL_WINDOWEVENT_LEAVE:
        if (!GetCapture()) {
          Pointer = TPoint{-32000, -32000};
          InjectMouseMove(Pointer);
        }
        break;
    }
  }

  std::map<Uint32, std::pair<HWND, std::unique_ptr<TSdlWindow>>> ById;
  TPoint Pointer{-32000, -32000};  // the pointer as last injected
  HWND Focused = nullptr;          // the window that has the window system's focus, as far as known
  std::map<TCursorObject*, SDL_Cursor*> SdlCursors;
};

}  // namespace

std::unique_ptr<TBackend> CreateSdlBackend(std::string* reason) {
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  // Without a display SDL would fall back to drawing nowhere; say so instead.
  bool chosen = set("SDL_VIDEODRIVER");
  if (!chosen && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
    if (reason) *reason = "cannot open a display: neither DISPLAY nor WAYLAND_DISPLAY is set";
    return nullptr;
  }
  // The program decides what the termination signals do (QuitOnTerminationSignals);
  // SDL's own handlers would only queue an event nobody asked for.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // Without a session bus SDL's input-method and screen-saver helpers would
  // have the bus library start one (a bus daemon through X11 autolaunch) that
  // outlives the program: an address that names no bus keeps them from it.
  if (!set("DBUS_SESSION_BUS_ADDRESS")) ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  // The back buffers go to the window system's own surfaces: a renderer
  // behind the window surface would make SDL create each window anew, and
  // lose what the program told the window manager about it.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (reason) *reason = std::string("cannot open a display (") + SDL_GetError() + ")";
    return nullptr;
  }
  std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  if (!chosen && (driver == "offscreen" || driver == "dummy" || driver == "evdev")) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (reason) *reason = "cannot open a display (only the \"" + driver + "\" video driver works)";
    return nullptr;
  }
  auto b = std::make_unique<TSdlBackend>();
  b->WakeEvent = SDL_RegisterEvents(1);
  SDL_StartTextInput();
  return b;
}
