// Text: metrics, extents, text out and the text-drawing call. Strings are
// UTF-8 (bytes that are not valid UTF-8 are taken as Windows-1252); lengths
// are in bytes, -1 meaning up to the terminating zero.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/DC.h"
#include "platform/Font.h"
#include "platform/Geometry.h"
#include "platform/Types.h"

struct TEXTMETRIC {
  LONG tmHeight = 0;  // ascent + descent
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;  // height less the character (em) height
  LONG tmExternalLeading = 0;  // extra space the font suggests between lines
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 96;
  LONG tmDigitizedAspectY = 96;
  char tmFirstChar = 32;
  char tmLastChar = 126;
  char tmDefaultChar = '?';
  char tmBreakChar = ' ';
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};
using TEXTMETRICA = TEXTMETRIC;

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm);
// Width of the text (advances plus the character extra) and the font height.
BOOL GetTextExtentPoint32(HDC dc, const char* text, int len, TSize* size);
// Also: how many characters fit in maxExtent (fit) and the extent after each
// character (dx, one per character).
BOOL GetTextExtentExPoint(HDC dc, const char* text, int len, int maxExtent, int* fit, int* dx,
                          TSize* size);
// Copies the matched face's family name.
int GetTextFace(HDC dc, int size, char* name);
// The installed family a face name of the program maps to.
std::string MapFontFamily(const std::string& faceName);

constexpr DWORD TRUETYPE_FONTTYPE = 0x0004;
constexpr BYTE OUT_TT_ONLY_PRECIS = 7;
using FONTENUMPROC =
    std::function<int(const LOGFONT* lf, const TEXTMETRIC* tm, DWORD fontType, intptr_t data)>;
// Calls proc for each font family named lf->lfFaceName (every family when
// the name is empty; the program's face names that map to an installed
// family count as installed) until proc answers 0. Answers the last answer
// of proc, or 1 when there was no family.
int EnumFontFamiliesEx(HDC dc, const LOGFONT* lf, FONTENUMPROC proc, intptr_t data, DWORD flags);

constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;

constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;

// The reference point (x, y) is placed by the DC's text alignment; the font's
// escapement turns the text around it. In opaque background mode the text
// cell is filled with the background colour first.
BOOL TextOut(HDC dc, int32_t x, int32_t y, const char* text, int len);
BOOL ExtTextOut(HDC dc, int32_t x, int32_t y, UINT options, const TRect* r, const char* text,
                UINT len, const int* dx);

constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;

// Draws formatted text in r:
// - lines break at CR, LF and CR LF unless DT_SINGLELINE, and between words
//   that would pass the right edge with DT_WORDBREAK (a word longer than the
//   line stays whole);
// - "&x" underlines x and "&&" is "&", unless DT_NOPREFIX; DT_HIDEPREFIX
//   drops the marks without underlining, DT_PREFIXONLY draws only the
//   underlines;
// - DT_END_ELLIPSIS cuts a line that is too wide and ends it with "...";
//   DT_PATH_ELLIPSIS keeps the part after the last path separator and puts
//   "..." in the middle;
// - DT_EXPANDTABS expands tabs to stops every 8 average character widths;
// - DT_CENTER and DT_RIGHT align each line; DT_VCENTER and DT_BOTTOM place a
//   single line (DT_SINGLELINE) vertically;
// - lines are tmHeight apart, plus tmExternalLeading with DT_EXTERNALLEADING;
// - output is clipped to r unless DT_NOCLIP;
// - DT_CALCRECT draws nothing and sets r's right to left plus the widest line
//   and its bottom to top plus the text height.
// Answers the text height (with DT_VCENTER or DT_BOTTOM, the offset from r's
// top to the bottom of the text); 0 on failure.
int DrawText(HDC dc, const char* text, int len, TRect* r, UINT format);
// Tab length (in average character widths, 8 when 0), margins inside the
// rectangle, and the bytes processed (out).
struct DRAWTEXTPARAMS {
  UINT cbSize = sizeof(DRAWTEXTPARAMS);
  int iTabLength = 0;
  int iLeftMargin = 0;
  int iRightMargin = 0;
  UINT uiLengthDrawn = 0;
};
// DrawText with parameters: the text is laid out between the margins; with
// DT_CALCRECT the rectangle keeps its margins. DT_TABSTOP takes the tab length
// from bits 8 to 15 of format (which then carry no flags).
int DrawTextEx(HDC dc, const char* text, int len, TRect* r, UINT format, DRAWTEXTPARAMS* params);
inline int DrawText(HDC dc, const std::string& text, TRect* r, UINT format) {
  return DrawText(dc, text.data(), int(text.size()), r, format);
}

// Text that drawing does not show whole: a run of text out (also each run of
// a DrawText line) whose span along the baseline leaves the clip region
// where the run shows, or a DrawText line cut to end with an ellipsis.
// Runs drawn wholly outside the clip region are not reported, nor rotated
// text. Layout checks watch for these cuts.
struct TTextCut {
  std::string Text;  // the run or line as asked for, UTF-8
  int32_t Width = 0;  // its width in pixels
  int32_t Shown = 0;  // the pixels of it that show (for an ellipsis, the room it had)
};
// Null stops watching.
void SetTextCutObserver(std::function<void(const TTextCut&)> Observer);
