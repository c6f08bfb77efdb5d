// Device-independent drawing contexts of the video drawing library: draw a
// packed DIB onto a DC, stretched. There are no palette screens here, so
// realizing a palette changes nothing.
#pragma once

#include <cstdint>

#include "platform/Bitmap.h"
#include "platform/DC.h"

struct DrawDibObject;
using HDRAWDIB = DrawDibObject*;

constexpr UINT DDF_HALFTONE = 0x1000;

HDRAWDIB DrawDibOpen();
BOOL DrawDibClose(HDRAWDIB hdd);
// Source coordinates count from the image's top-left corner; a destination
// extent of -1 takes the source extent, a source extent of -1 the whole
// image. header is followed by its colour table or masks, as in a packed DIB.
BOOL DrawDibDraw(HDRAWDIB hdd, HDC dc, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                 const BITMAPINFOHEADER* header, const void* bits, int32_t xSrc, int32_t ySrc,
                 int32_t dxSrc, int32_t dySrc, UINT flags);
UINT DrawDibRealize(HDRAWDIB hdd, HDC dc, BOOL background);
