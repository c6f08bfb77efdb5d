// Fonts: logical fonts matched to installed faces.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/DC.h"
#include "platform/GdiObject.h"
#include "platform/Types.h"

constexpr int LF_FACESIZE = 32;

constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_THIN = 100;
constexpr LONG FW_LIGHT = 300;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_MEDIUM = 500;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr LONG FW_HEAVY = 900;

constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE OEM_CHARSET = 255;

constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0 << 4;
constexpr BYTE FF_ROMAN = 1 << 4;
constexpr BYTE FF_SWISS = 2 << 4;
constexpr BYTE FF_MODERN = 3 << 4;

// Height < 0: character height (cell less internal leading) of -lfHeight
// pixels; > 0: cell height; 0: the default size. Escapement in tenths of a
// degree, counter-clockwise. Face names are UTF-8.
struct LOGFONT {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = FW_NORMAL;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char lfFaceName[LF_FACESIZE] = {};
};
using LOGFONTA = LOGFONT;

class FontFace;  // a sized face; defined with the text code

struct FontObject : GdiObject {
  FontObject() : GdiObject(OBJ_FONT) {}
  // Lets go of the face under the text code's lock (faces may be in use on
  // another thread).
  ~FontObject() override;
  LOGFONT lf;
  std::shared_ptr<FontFace> face;  // made on first use
};

HFONT CreateFontIndirect(const LOGFONT* lf);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face);
