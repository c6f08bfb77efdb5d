// The render engine: draws a rectangle of any TIEBitmap into a rectangle of a
// 24-bit TIEBitmap, zoomed through column and row tables (or resampled first
// when a filter is asked for), with display range, colour adjustments,
// transparency, the alpha channel and a blend operation against what the
// destination holds.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/model/IEPixelTypes.h"
#include "imaging/model/Resample.h"

class TIEBitmap;

// 0 copies the source; 1..37 combine source and destination (see the source
// file); any other value leaves the destination unchanged.
using TIEBlendOperation = int32_t;

// A rectangle of destination pixels, all four sides inclusive.
struct TIEUpdateRect {
  int32_t Left, Top, Right, Bottom;
};

using TIERowPointers = std::vector<uint8_t*>;
using TIEMapTable = std::vector<int32_t>;

// One channel of a blend operation (0..30), source s over destination d.
int32_t IEBlendChannel(TIEBlendOperation Operation, int32_t s, int32_t d);
// A whole pixel (every operation, the HSL ones and the single-channel ones too).
TRGB IEBlendPixel(TIEBlendOperation Operation, const TRGB& s, const TRGB& d);

// The engine. A table passed empty is built; afterwards the tables the
// engine built are freed when FreeTables is set, else handed back for a
// repaint with the same geometry. UpdateRect may be null. A destination must
// be ieRGB24 and not kept in a temporary file.
void RenderToTIEBitmapEx(TIEBitmap* Source, TIEBitmap* Dest, std::unique_ptr<TIERowPointers>& DestRows,
                         std::unique_ptr<TIEMapTable>& ColumnTable, std::unique_ptr<TIEMapTable>& RowTable,
                         const TIEUpdateRect* UpdateRect, int32_t XDst, int32_t YDst, int32_t WidthDst,
                         int32_t HeightDst, int32_t XSrc, int32_t YSrc, int32_t WidthSrc, int32_t HeightSrc,
                         bool EnableAlpha, bool SolidBackground, int32_t Transparency, TResampleFilter Filter,
                         bool FreeTables, TIEBlendOperation Operation);
// The engine with the alpha channel used, no solid background, no update
// rectangle and tables built and freed per call.
void RenderToTIEBitmap(TIEBitmap* Source, TIEBitmap* Dest, int32_t XDst, int32_t YDst, int32_t WidthDst,
                       int32_t HeightDst, int32_t XSrc, int32_t YSrc, int32_t WidthSrc, int32_t HeightSrc,
                       int32_t Transparency = 255, TResampleFilter Filter = rfNone,
                       TIEBlendOperation Operation = 0);

class TBitmap;
// The engine drawing into a platform bitmap, wrapped for the call (the
// bitmap stays the caller's). Only 24-bit bitmaps are drawn into.
void RenderToTBitmapEx(TIEBitmap* Source, TBitmap* Bitmap, std::unique_ptr<TIERowPointers>& DestRows,
                       std::unique_ptr<TIEMapTable>& ColumnTable, std::unique_ptr<TIEMapTable>& RowTable,
                       const TIEUpdateRect* UpdateRect, int32_t XDst, int32_t YDst, int32_t WidthDst,
                       int32_t HeightDst, int32_t XSrc, int32_t YSrc, int32_t WidthSrc, int32_t HeightSrc,
                       bool EnableAlpha, bool SolidBackground, int32_t Transparency, TResampleFilter Filter,
                       bool FreeTables, TIEBlendOperation Operation);
// The short form, with the defaults of RenderToTIEBitmap.
void RenderToTBitmap(TIEBitmap* Source, TBitmap* Bitmap, int32_t XDst, int32_t YDst, int32_t WidthDst,
                     int32_t HeightDst, int32_t XSrc, int32_t YSrc, int32_t WidthSrc, int32_t HeightSrc,
                     int32_t Transparency = 255, TResampleFilter Filter = rfNone, TIEBlendOperation Operation = 0);
