#include "toolbar/DKCommon.h"

#include <cstdlib>

#include "platform/Bitmap.h"
#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/Font.h"
#include "platform/GdiHolders.h"
#include "platform/GdiObject.h"
#include "platform/Input.h"
#include "platform/Locale.h"
#include "platform/Registry.h"
#include "platform/PenBrush.h"
#include "platform/Region.h"
#include "platform/SysInfo.h"
#include "platform/Text.h"
#include "rtl/StrUtils.h"
#include "ui/TControl.h"

#include <cstdio>

namespace {

// Length of the UTF-8 character that starts with byte c (1 for stray bytes).
size_t CharLen(unsigned char c) {
  if (c < 0xC0) return 1;
  if (c < 0xE0) return 2;
  if (c < 0xF0) return 3;
  return 4;
}

size_t SafeCharLen(const std::string& s, size_t i) {
  size_t n = CharLen(static_cast<unsigned char>(s[i]));
  return i + n > s.size() ? s.size() - i : n;
}

uint32_t DecodeAt(const std::string& s, size_t i) {
  size_t n = SafeCharLen(s, i);
  auto b = [&](size_t k) { return uint32_t(static_cast<unsigned char>(s[i + k])); };
  if (n == 1) return b(0);
  if (n == 2) return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
  if (n == 3) return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
  return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
}

void QuickSort(std::vector<void*>& L, int32_t l, int32_t r, const TListSortCompareEx& compare,
               intptr_t extra) {
  int32_t i, j;
  do {
    i = l;
    j = r;
    void* p = L[size_t((l + r) / 2)];
    do {
      while (compare(L[size_t(i)], p, extra) < 0) ++i;
      while (compare(L[size_t(j)], p, extra) > 0) --j;
      if (i <= j) {
        std::swap(L[size_t(i)], L[size_t(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) QuickSort(L, l, j, compare, extra);
    l = i;
  } while (i < r);
}

}  // namespace

bool AppHasActiveWindow() { return GetActiveWindow() != nullptr; }

void SortListWith(std::vector<void*>& List, const TListSortCompareEx& Compare, intptr_t Extra) {
  if (List.size() < 2) return;
  QuickSort(List, 0, int32_t(List.size()) - 1, Compare, Extra);
}

LRESULT ServePrintMessage(HWND Wnd, WPARAM DCParam, LPARAM Flags, const TServeNCPaintProc& NCPaint,
                          void* Data) {
  HDC dc = reinterpret_cast<HDC>(DCParam);
  if ((Flags & PRF_CHECKVISIBLE) && !IsWindowVisible(Wnd)) return 1;
  int saved = SaveDC(dc);
  if ((Flags & PRF_NONCLIENT) && NCPaint) {
    int s = SaveDC(dc);
    NCPaint(Wnd, dc, Data);
    RestoreDC(dc, s);
  }
  TRect wr;
  GetWindowRect(Wnd, wr);
  TPoint origin{0, 0};
  ClientToScreen(Wnd, origin);
  TPoint offset{origin.X - wr.Left, origin.Y - wr.Top};
  if (Flags & PRF_CLIENT) {
    if (Flags & PRF_ERASEBKGND) {
      int s = SaveDC(dc);
      if (Flags & PRF_NONCLIENT) OffsetWindowOrgEx(dc, -offset.X, -offset.Y, nullptr);
      SendMessage(Wnd, WM_ERASEBKGND, WPARAM(dc), 0);
      RestoreDC(dc, s);
    }
    {
      int s = SaveDC(dc);
      if (Flags & PRF_NONCLIENT) OffsetWindowOrgEx(dc, -offset.X, -offset.Y, nullptr);
      SendMessage(Wnd, WM_PRINTCLIENT, WPARAM(dc), Flags);
      RestoreDC(dc, s);
    }
    OffsetWindowOrgEx(dc, -offset.X, -offset.Y, nullptr);
    auto printOne = [&](HWND child, LPARAM flags) {
      if (HWND(GetWindowLongPtr(child, GWL_HWNDPARENT)) != Wnd && GetParent(child) != Wnd) return;
      if (!(GetWindowLong(child, GWL_STYLE) & WS_VISIBLE)) return;
      TRect r;
      GetWindowRect(child, r);
      TPoint tl{r.Left, r.Top};
      ScreenToClient(Wnd, tl);
      int s = SaveDC(dc);
      OffsetWindowOrgEx(dc, -tl.X, -tl.Y, nullptr);
      IntersectClipRect(dc, 0, 0, r.Width(), r.Height());
      SendMessage(child, WM_PRINT, WPARAM(dc), flags);
      RestoreDC(dc, s);
    };
    if (Flags & PRF_CHILDREN) {
      for (HWND c = GetWindow(Wnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        printOne(c, PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    }
    if (Flags & PRF_OWNED) {
      EnumWindows([&](HWND w) {
        if (w != Wnd && GetWindow(w, GW_OWNER) == Wnd) printOne(w, Flags);
        return true;
      });
    }
  }
  RestoreDC(dc, saved);
  return 1;
}

void ServePrintClientMessage(TWinControl* Control, WPARAM DCParam) {
  HDC dc = reinterpret_cast<HDC>(DCParam);
  TMessage m;
  m.Msg = WM_PAINT;
  m.WParam = DCParam;
  int s = SaveDC(dc);
  Control->Dispatch(m);
  RestoreDC(dc, s);
}

int32_t DivideRoundingOut(int32_t A, int32_t B) {
  if (B == 0) return 0;
  int32_t q = A / B;
  if (A % B != 0) q += (q < 0 || (q == 0 && ((A < 0) != (B < 0)))) ? -1 : 1;
  return q;
}

int32_t TextHeightOfDC(HDC DC) {
  TEXTMETRIC tm{};
  GetTextMetrics(DC, &tm);
  return tm.tmHeight;
}

std::string StripAmpersands(const std::string& Text) {
  std::string out;
  for (size_t i = 0; i < Text.size();) {
    size_t n = SafeCharLen(Text, i);
    if (!(n == 1 && Text[i] == '&')) out.append(Text, i, n);
    i += n;
  }
  return out;
}

std::string DoubleAmpersands(const std::string& Text) {
  std::string out;
  for (size_t i = 0; i < Text.size();) {
    size_t n = SafeCharLen(Text, i);
    out.append(Text, i, n);
    if (n == 1 && Text[i] == '&') out += '&';
    i += n;
  }
  return out;
}

std::string StripTrailingColonOrEllipsis(const std::string& Text) {
  // Counted in characters, as the caption's reader sees them.
  size_t chars = 0;
  for (size_t i = 0; i < Text.size(); i += SafeCharLen(Text, i)) ++chars;
  if (chars >= 2 && Text.back() == ':') return Text.substr(0, Text.size() - 1);
  if (chars >= 4 && Text.size() >= 3 && Text.compare(Text.size() - 3, 3, "...") == 0)
    return Text.substr(0, Text.size() - 3);
  return Text;
}

uint32_t AcceleratorCharOf(const std::string& Caption) {
  uint32_t result = 0;
  for (size_t i = 0; i < Caption.size();) {
    size_t n = SafeCharLen(Caption, i);
    if (n == 1 && Caption[i] == '&') {
      if (i + 1 >= Caption.size()) break;
      if (Caption[i + 1] == '&') {
        i += 2;
        continue;
      }
      result = DecodeAt(Caption, i + 1);
      i += 1 + SafeCharLen(Caption, i + 1);
      continue;
    }
    i += n;
  }
  return result;
}

uint32_t FirstCodePoint(const std::string& Text) { return Text.empty() ? 0 : DecodeAt(Text, 0); }

int32_t MeasureTextWidthRaw(HDC DC, const std::string& Text) {
  TSize sz{0, 0};
  GetTextExtentPoint32(DC, Text.c_str(), int(Text.size()), &sz);
  return sz.cx;
}

int32_t MeasureTextWidth(HDC DC, const std::string& Text, bool StripPrefix) {
  return MeasureTextWidthRaw(DC, StripPrefix ? StripAmpersands(Text) : Text);
}

bool DKCaptureLoop(HWND Wnd, const std::function<bool(const MSG&)>& OnKey,
                   const std::function<void(const MSG&)>& OnMouseMove) {
  MSG msg;
  while (GetCapture() == Wnd) {
    int32_t r = GetMessage(msg, nullptr, 0, 0);
    if (r == -1) break;
    if (r == 0 || msg.message == WM_QUIT) {
      PostQuitMessage(int32_t(msg.wParam));
      break;
    }
    switch (msg.message) {
      case WM_KEYDOWN:
      case WM_KEYUP:
        if (OnKey(msg)) return false;
        break;
      case WM_MOUSEMOVE: OnMouseMove(msg); break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: return false;
      case WM_LBUTTONUP: return true;
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_RBUTTONDBLCLK:
      case WM_MBUTTONDOWN:
      case WM_MBUTTONUP:
      case WM_MBUTTONDBLCLK: break;
      default:
        TranslateMessage(msg);
        DispatchMessage(msg);
    }
  }
  return false;
}

void PumpPaintMessages() {
  MSG msg;
  while (PeekMessage(msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE)) {
    int32_t r = GetMessage(msg, nullptr, WM_PAINT, WM_PAINT);
    if (r == -1) return;
    if (r == 0) {
      PostQuitMessage(int32_t(msg.wParam));
      return;
    }
    DispatchMessage(msg);
  }
}

void DiscardMessages(UINT First, UINT Last) {
  MSG msg;
  while (PeekMessage(msg, nullptr, First, Last, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int32_t(msg.wParam));
      return;
    }
  }
}

int32_t ParseMenuShowDelay(const std::string& Text) {
  if (Text.empty()) return 0;
  char* end = nullptr;
  long v = std::strtol(Text.c_str(), &end, 10);
  if (!end || *end != '\0' || v > INT32_MAX || v < INT32_MIN) return 0;
  return v < 0 ? 0 : int32_t(v);
}

int32_t QueryMenuPopupDelay() {
  if ((GetVersion() & 0xFF) < 4) return 400;
  int32_t v = 0;
  if (SystemParametersInfo(SPI_GETMENUSHOWDELAY, 0, &v, 0)) return v < 0 ? 0 : v;
  // The platform answers the query; the stored text is read the way the
  // old registry fallback read it.
  static bool read = false;
  static int32_t stored = 400;
  if (!read) {
    read = true;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) != 0) {
      stored = 400;
    } else {
      BYTE buf[32] = {};
      DWORD type = 0, size = sizeof(buf) - 1;
      LONG r = RegQueryValueEx(key, "MenuShowDelay", nullptr, &type, buf, &size);
      if (r == ERROR_FILE_NOT_FOUND)
        stored = 400;
      else if (r != 0 || type != REG_SZ)
        stored = 0;
      else
        stored = ParseMenuShowDelay(std::string(reinterpret_cast<char*>(buf)));
      RegCloseKey(key);
    }
  }
  return stored;
}

bool IsXPOrLater() {
  DWORD v = GetVersion();
  if (v & 0x80000000u) return false;
  int major = int(v & 0xFF), minor = int((v >> 8) & 0xFF);
  return major > 5 || (major == 5 && minor >= 1);
}

bool FlatMenusEnabled() {
  BOOL v = FALSE;
  return IsXPOrLater() && SystemParametersInfo(SPI_GETFLATMENU, 0, &v, 0) && v != FALSE;
}

bool KeyboardCuesShown() {
  BOOL v = FALSE;
  if ((GetVersion() & 0xFF) < 5) return true;
  if (!SystemParametersInfo(SPI_GETKEYBOARDCUES, 0, &v, 0)) return true;
  return v != FALSE;
}

HRGN MakeEmptyRegion() { return CreateRectRgn(0, 0, 0, 0); }

void XorFrameRects(HDC DC, const TRect* NewRect, const TRect* OldRect, TSize NewSize, TSize OldSize,
                   HBRUSH NewBrush, HBRUSH OldBrush) {
  if (!OldBrush) OldBrush = NewBrush;
  auto frame = [](const TRect* r, TSize size) {
    TOwnedGdiObject<HRGN> outer(MakeEmptyRegion());
    if (r) {
      SetRectRgn(outer.get(), r->Left, r->Top, r->Right, r->Bottom);
      TRect inner = *r;
      inner.Left += size.cx;
      inner.Top += size.cy;
      inner.Right -= size.cx;
      inner.Bottom -= size.cy;
      TRect in;
      if (!IntersectRect(&in, &inner, r)) in = TRect{0, 0, 0, 0};
      TOwnedGdiObject<HRGN> innerRgn(CreateRectRgnIndirect(&in));
      CombineRgn(outer.get(), outer.get(), innerRgn.get(), RGN_XOR);
    }
    return outer;
  };
  TOwnedGdiObject<HRGN> newRgn = frame(NewRect, NewSize);
  TOwnedGdiObject<HRGN> oldRgn, combined;
  if (OldRect) {
    oldRgn = frame(OldRect, OldSize);
    if (NewBrush == OldBrush) {
      combined.reset(MakeEmptyRegion());
      CombineRgn(combined.get(), oldRgn.get(), newRgn.get(), RGN_XOR);
    }
  }
  int saved = SaveDC(DC);
  TRect box;
  if (NewBrush != OldBrush && OldRect) {
    SelectClipRgn(DC, oldRgn.get());
    SelectObject(DC, OldBrush);
    GetClipBox(DC, &box);
    PatBlt(DC, box.Left, box.Top, box.Width(), box.Height(), PATINVERT);
  }
  SelectClipRgn(DC, combined ? combined.get() : newRgn.get());
  SelectObject(DC, NewBrush);
  GetClipBox(DC, &box);
  PatBlt(DC, box.Left, box.Top, box.Width(), box.Height(), PATINVERT);
  RestoreDC(DC, saved);
}

HBRUSH MakeHalftoneBrush() {
  uint16_t rows[8];
  for (int i = 0; i < 8; ++i) rows[i] = (i % 2 == 0) ? 0x5555 : 0xAAAA;
  // The brush keeps its own copy of the pattern.
  TOwnedGdiObject<HBITMAP> bm(CreateBitmap(8, 8, 1, 1, rows));
  return CreatePatternBrush(bm.get());
}

void XorHalftoneFrameRects(HDC DC, const TRect* NewRect, const TRect* OldRect, TSize NewSize,
                           TSize OldSize) {
  TOwnedGdiObject<HBRUSH> brush(MakeHalftoneBrush());
  XorFrameRects(DC, NewRect, OldRect, NewSize, OldSize, brush.get(), brush.get());
}

TRect PrimaryMonitorRect(bool WorkArea) {
  TRect r;
  if (WorkArea && SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0)) return r;
  return TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool HasSeveralMonitors() {
  int32_t n = GetSystemMetrics(SM_CMONITORS);
  return n != 0 && n != 1;
}

namespace {
TRect MonitorRectOf(HMONITOR m, bool WorkArea) {
  MONITORINFO info;
  if (m && GetMonitorInfoA(m, &info)) return WorkArea ? info.rcWork : info.rcMonitor;
  return PrimaryMonitorRect(WorkArea);
}
}  // namespace

TRect MonitorRectOfRect(const TRect& R, bool WorkArea) {
  if (!HasSeveralMonitors()) return PrimaryMonitorRect(WorkArea);
  return MonitorRectOf(MonitorFromRect(&R, MONITOR_DEFAULTTONEAREST), WorkArea);
}

TRect MonitorRectOfPoint(TPoint P, bool WorkArea) {
  if (!HasSeveralMonitors()) return PrimaryMonitorRect(WorkArea);
  return MonitorRectOf(MonitorFromPoint(P, MONITOR_DEFAULTTONEAREST), WorkArea);
}

bool RequestMouseTracking(HWND Wnd, DWORD Flags) {
  TRACKMOUSEEVENT tme;
  tme.cbSize = 16;
  tme.dwFlags = Flags;
  tme.hwndTrack = Wnd;
  tme.dwHoverTime = 0;
  return TrackMouseEvent(&tme);
}

HFONT MakeVerticalFont(HDC DC) {
  LOGFONT lf;
  HGDIOBJ cur = GetCurrentObject(DC, OBJ_FONT);
  GetObject(cur, sizeof(lf), &lf);
  lf.lfEscapement = 2700;
  lf.lfOrientation = 2700;
  lf.lfOutPrecision = 7;  // OUT_TT_ONLY_PRECIS
  std::string face = lf.lfFaceName;
  if (SameText(face, "MS Sans Serif") || SameText(face, "Microsoft Sans Serif")) face = "Arial";
  std::snprintf(lf.lfFaceName, sizeof(lf.lfFaceName), "%s", face.c_str());
  return CreateFontIndirect(&lf);
}

std::string ShortenWithEllipsis(const std::string& Text, int32_t Limit,
                                const std::function<int32_t(const std::string&)>& Width,
                                int32_t& AccelPos) {
  // Character starts, so that cutting never splits a multi-byte character.
  std::vector<size_t> starts;
  for (size_t i = 0; i < Text.size(); i += SafeCharLen(Text, i)) starts.push_back(i);
  if (starts.size() < 2 || Width(Text) <= Limit) return Text;
  std::string t;
  if (Limit <= 2) {
    t = Text.substr(0, starts.size() > 1 ? starts[1] : Text.size());
  } else {
    size_t keep = starts.size() - 1;
    t = Text.substr(0, starts[keep]);
    while (keep >= 2 && Width(t + "...") > Limit) {
      --keep;
      t = Text.substr(0, starts[keep]);
    }
  }
  if (AccelPos >= int32_t(t.size())) AccelPos = -1;
  return t + "...";
}

void DrawVerticalText(HDC DC, const std::string& Text, const TRect& R, UINT Format) {
  if (Text.empty()) return;
  TOwnedGdiObject<HFONT> font(MakeVerticalFont(DC));
  HGDIOBJ oldFont = SelectObject(DC, font.get());
  TEXTMETRIC tm{};
  GetTextMetrics(DC, &tm);
  int32_t x = R.Left + (R.Width() - tm.tmHeight) / 2;
  std::string text = Text;
  int32_t accel = -1;
  if (!(Format & DT_NOPREFIX)) {
    // Rotated captions lose every '&', a doubled one too (unlike the
    // horizontal text drawing, which shows one '&' of "&&"); only a single
    // '&' marks the character after it as the accelerator.
    std::string out;
    for (size_t i = 0; i < text.size();) {
      size_t n = SafeCharLen(text, i);
      if (n == 1 && text[i] == '&') {
        if (i + 1 < text.size() && text[i + 1] == '&') {
          i += 2;
          continue;
        }
        if (i + 1 < text.size()) {
          accel = int32_t(out.size());
          out.append(text, i + 1, SafeCharLen(text, i + 1));
          i += 1 + SafeCharLen(text, i + 1);
          continue;
        }
        i += 1;
        continue;
      }
      out.append(text, i, n);
      i += n;
    }
    text = out;
  }
  auto width = [&](const std::string& s) { return MeasureTextWidthRaw(DC, s); };
  if (Format & DT_END_ELLIPSIS) text = ShortenWithEllipsis(text, R.Height(), width, accel);
  int32_t y = R.Top;
  if (Format & DT_CENTER) y = R.Top + (R.Height() - width(text)) / 2;
  int saved = 0;
  if (!(Format & DT_NOCLIP)) {
    saved = SaveDC(DC);
    IntersectClipRect(DC, R.Left, R.Top, R.Right, R.Bottom);
  }
  UINT oldAlign = SetTextAlign(DC, TA_BOTTOM);
  TextOut(DC, x, y, text.c_str(), int(text.size()));
  SetTextAlign(DC, oldAlign);
  if (accel >= 0 && !(Format & DT_HIDEPREFIX)) {
    int32_t w1 = width(text.substr(0, size_t(accel)));
    int32_t w2 = w1 + width(text.substr(size_t(accel), SafeCharLen(text, size_t(accel))));
    TOwnedGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, GetTextColor(DC)));
    HGDIOBJ oldPen = SelectObject(DC, pen.get());
    MoveToEx(DC, x + tm.tmDescent - 2, y + w1, nullptr);
    LineTo(DC, x + tm.tmDescent - 2, y + w2);
    SelectObject(DC, oldPen);
  }
  if (saved) RestoreDC(DC, saved);
  SelectObject(DC, oldFont);
}

bool SoundSchemeHasEvent(const std::string&) { return false; }

UINT KeyboardLayoutCodePage() { return 65001; }

void ClipToNCUpdateRegion(HWND Wnd, HDC DC, HRGN Rgn) {
  if (Rgn == nullptr || Rgn == reinterpret_cast<HRGN>(1)) return;
  TRect wr;
  GetWindowRect(Wnd, wr);
  if (SelectClipRgn(DC, Rgn) == ERROR) {
    TOwnedGdiObject<HRGN> r(CreateRectRgnIndirect(&wr));
    SelectClipRgn(DC, r.get());
  }
  OffsetClipRgn(DC, -wr.Left, -wr.Top);
}

TNonClientPaintDC::TNonClientPaintDC(HWND Wnd, bool ToDC, HDC DC, HRGN Clip)
    : wnd_(Wnd), dc_(DC), borrowed_(!ToDC) {
  if (!borrowed_) return;
  dc_ = GetWindowDC(Wnd);
  ClipToNCUpdateRegion(Wnd, dc_, Clip);
}

TNonClientPaintDC::~TNonClientPaintDC() {
  if (borrowed_) ReleaseDC(wnd_, dc_);
}

void XorHalftoneFrameRectsOnScreen(const TRect* NewRect, const TRect* OldRect, TSize NewSize, TSize OldSize) {
  HWND desktop = GetDesktopWindow();
  HDC dc = GetDCEx(desktop, nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
  if (!dc) return;
  XorHalftoneFrameRects(dc, NewRect, OldRect, NewSize, OldSize);
  ReleaseDC(desktop, dc);
}
