#pragma once
// The toolbar library's toolbox: message pumping, lists made on demand, text
// measuring and rotated text, system settings (menu delay, flat menus,
// keyboard cues, sound scheme), monitor rectangles, the halftone XOR frame of
// dragging and the answers to WM_PRINT and WM_PRINTCLIENT. All of it runs on
// the user-interface thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Types.h"
#include "platform/Window.h"

class TWinControl;

bool AppHasActiveWindow();

// The modal loop of a drag, a resize or a pressed button while Wnd holds the
// capture. A left press or double click cancels, a left release accepts;
// the other mouse buttons are swallowed; a quit message is posted again and
// ends the loop; OnKey sees key downs and ups and answers true to cancel;
// OnMouseMove sees each move; everything else is dispatched. True when the
// left button was released. The capture stays with the caller.
bool DKCaptureLoop(HWND Wnd, const std::function<bool(const MSG&)>& OnKey,
                   const std::function<void(const MSG&)>& OnMouseMove);

// Sorts in place with the library's own quicksort; the dock's layout relies
// on the order it leaves equal keys in.
using TListSortCompareEx = std::function<int32_t(void* A, void* B, intptr_t Extra)>;
void SortListWith(std::vector<void*>& List, const TListSortCompareEx& Compare, intptr_t Extra);

using TServeNCPaintProc = std::function<void(HWND Wnd, HDC DC, void* Data)>;
// The answer to WM_PRINT (wParam the DC, lParam the flags); always 1.
LRESULT ServePrintMessage(HWND Wnd, WPARAM DCParam, LPARAM Flags, const TServeNCPaintProc& NCPaint,
                          void* Data);
// Runs the control's paint handler on the DC of a WM_PRINTCLIENT.
void ServePrintClientMessage(TWinControl* Control, WPARAM DCParam);

// a / b rounded away from zero when there is a remainder and the quotient is
// negative, up otherwise: a ceiling division for the library's non-negative
// operands. A zero divisor answers 0.
int32_t DivideRoundingOut(int32_t A, int32_t B);
int32_t TextHeightOfDC(HDC DC);

// Ampersand handling of captions; a multi-byte character is never split.
std::string StripAmpersands(const std::string& Text);
std::string DoubleAmpersands(const std::string& Text);
// "Open..." -> "Open", "Name:" -> "Name"; shorter texts stay.
std::string StripTrailingColonOrEllipsis(const std::string& Text);
// The accelerator character of a caption (the last '&' followed by a
// character wins, "&&" is a literal ampersand), as a code point; 0 for none.
uint32_t AcceleratorCharOf(const std::string& Caption);

// The first character of a text as a code point; 0 for an empty text.
uint32_t FirstCodePoint(const std::string& Text);

int32_t MeasureTextWidth(HDC DC, const std::string& Text, bool StripPrefix);
int32_t MeasureTextWidthRaw(HDC DC, const std::string& Text);

// Dispatches the queued paint messages of the thread.
void PumpPaintMessages();
// Removes every queued message in First..Last; a WM_QUIT among them is
// posted again and ends the routine.
void DiscardMessages(UINT First, UINT Last);

// Lists made on first use and freed when their last entry goes: a null
// list means an empty one.
template <typename T>
using TLazyList = std::unique_ptr<std::vector<T*>>;

template <typename T>
bool ListAddOnce(TLazyList<T>& List, T* Obj) {
  if (!List) List = std::make_unique<std::vector<T*>>();
  for (T* p : *List)
    if (p == Obj) return false;
  List->push_back(Obj);
  return true;
}
template <typename T>
bool ListInsertFirstOnce(TLazyList<T>& List, T* Obj) {
  if (!List) List = std::make_unique<std::vector<T*>>();
  for (T* p : *List)
    if (p == Obj) return false;
  List->insert(List->begin(), Obj);
  return true;
}
template <typename T>
void ListRemoveAndFreeIfEmpty(TLazyList<T>& List, T* Obj) {
  if (!List) return;
  for (size_t i = 0; i < List->size(); ++i)
    if ((*List)[i] == Obj) {
      List->erase(List->begin() + ptrdiff_t(i));
      break;
    }
  if (List->empty()) List.reset();
}

// Milliseconds before a submenu opens or closes under the mouse.
int32_t QueryMenuPopupDelay();
// Parses the stored "MenuShowDelay" text as the registry fallback does: a
// parse error gives 0, a negative value 0.
int32_t ParseMenuShowDelay(const std::string& Text);
bool FlatMenusEnabled();
bool KeyboardCuesShown();
bool IsXPOrLater();
HRGN MakeEmptyRegion();
// Clips a window DC to the update region of a WM_NCPAINT (screen
// coordinates); 0 and 1 (the whole window) leave the DC as it is.
void ClipToNCUpdateRegion(HWND Wnd, HDC DC, HRGN Rgn);

// The DC a non-client painter draws with: the caller's own when ToDC (a
// print or a drag image), else the window's DC clipped to the WM_NCPAINT
// region Clip and given back when the painter is done.
class TNonClientPaintDC {
 public:
  TNonClientPaintDC(HWND Wnd, bool ToDC, HDC DC, HRGN Clip);
  ~TNonClientPaintDC();
  TNonClientPaintDC(const TNonClientPaintDC&) = delete;
  TNonClientPaintDC& operator=(const TNonClientPaintDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  HWND wnd_;
  HDC dc_;
  bool borrowed_;
};

// The XOR drag frame; either rectangle may be absent (nullptr).
void XorFrameRects(HDC DC, const TRect* NewRect, const TRect* OldRect, TSize NewSize, TSize OldSize,
                   HBRUSH NewBrush, HBRUSH OldBrush);
void XorHalftoneFrameRects(HDC DC, const TRect* NewRect, const TRect* OldRect, TSize NewSize,
                           TSize OldSize);
HBRUSH MakeHalftoneBrush();
// The same on the screen itself (the desktop window's DC, taken for the
// drawing and given back at once so that the screen shows it).
void XorHalftoneFrameRectsOnScreen(const TRect* NewRect, const TRect* OldRect, TSize NewSize, TSize OldSize);

TRect PrimaryMonitorRect(bool WorkArea);
bool HasSeveralMonitors();
TRect MonitorRectOfRect(const TRect& R, bool WorkArea);
TRect MonitorRectOfPoint(TPoint P, bool WorkArea);

bool RequestMouseTracking(HWND Wnd, DWORD Flags);

// Text drawn top to bottom for vertical toolbars (flags: DT_CENTER,
// DT_NOCLIP, DT_NOPREFIX, DT_END_ELLIPSIS, DT_HIDEPREFIX).
HFONT MakeVerticalFont(HDC DC);
void DrawVerticalText(HDC DC, const std::string& Text, const TRect& R, UINT Format);
// The ellipsis rule of DrawVerticalText: Text shortened by whole characters
// until Width(Text + "...") fits Limit; AccelPos (a byte offset, -1 for
// none) is dropped when it falls beyond the kept text.
std::string ShortenWithEllipsis(const std::string& Text, int32_t Limit,
                                const std::function<int32_t(const std::string&)>& Width,
                                int32_t& AccelPos);

// Whether the user's sound scheme has a sound for the event. There is no
// sound scheme here, so no event has one.
bool SoundSchemeHasEvent(const std::string& Alias);

inline int32_t SmallerOf(int32_t A, int32_t B) { return A < B ? A : B; }
UINT KeyboardLayoutCodePage();
