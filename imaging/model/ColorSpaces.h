// Conversions between RGB triples and the library's inverted CMYK and its
// CIE Lab bytes (sRGB, D65 white point).
#pragma once

#include "imaging/model/IEPixelTypes.h"

// Inverted CMYK: C', M', Y', K' with 255 meaning no ink.
TCMYK RGBToCMYK(const TRGB& c);
TRGB CMYKToRGB(const TCMYK& c);
// L scaled to 0..255 (truncated); a and b truncated, as signed bytes.
TCIELab RGBToCIELab(const TRGB& c);
TRGB CIELabToRGB(const TCIELab& c);
