#include "platform/Font.h"

#include <cstdio>
#include <cstring>

HFONT CreateFontIndirect(const LOGFONT* lf) {
  if (!lf) return nullptr;
  auto* f = new FontObject();
  f->lf = *lf;
  f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return f;
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = BYTE(italic != 0);
  lf.lfUnderline = BYTE(underline != 0);
  lf.lfStrikeOut = BYTE(strikeOut != 0);
  lf.lfCharSet = BYTE(charSet);
  lf.lfOutPrecision = BYTE(outPrecision);
  lf.lfClipPrecision = BYTE(clipPrecision);
  lf.lfQuality = BYTE(quality);
  lf.lfPitchAndFamily = BYTE(pitchAndFamily);
  std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", face ? face : "");
  return CreateFontIndirect(&lf);
}
