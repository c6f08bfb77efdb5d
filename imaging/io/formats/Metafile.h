// Windows metafiles (plain and placeable) and enhanced metafiles: their
// content tests, and their drawing into an image. The component's metafile
// load reads the file into a TMetafile (platform/Metafile.h) and draws it
// here.
#pragma once

#include <cstdint>

#include "imaging/io/IEFormats.h"
#include "platform/Types.h"

class TStream;
class TMetafile;
class TIEBitmap;
struct TIOProgressRec;

// The longest side a metafile is drawn at.
constexpr int32_t kMetafileMaxSide = 16000;
// The most pixels a metafile is drawn at in its own size: a large
// screen's worth (2560 x 1600 and a little more), so that the picture and
// the surface it is drawn on stay within what a small file may cost. Vector records draw at any size, so the size a file
// claims costs nothing to write and everything to draw; a caller that wants
// more asks for a size.
constexpr int64_t kMetafileOwnSizePixels = int64_t{1} << 22;

// The size to draw a metafile of MetaWidth x MetaHeight pixels at, for the
// Width x Height asked: both 0 or more as asked; a negative Width follows
// the metafile's aspect from Height, a negative Height from Width; both
// negative the metafile's own size. False when a side comes out 0. A side
// above kMetafileMaxSide brings the larger side down to it and the other in
// proportion; the metafile's own size is brought down in proportion to at
// most kMetafileOwnSizePixels.
bool MetafileTargetSize(int32_t MetaWidth, int32_t MetaHeight, int32_t& Width, int32_t& Height);

// Draws Metafile over Width x Height pixels of Background into Bitmap
// (ieRGB24). With Alpha, the bitmap gets an alpha channel: 0 where the
// drawing leaves the background, 255 elsewhere. False, with the load refused
// through Progress, when the machine cannot hold the image.
bool RenderMetafile(const TMetafile& Metafile, int32_t Width, int32_t Height, COLORREF Background,
                    bool Alpha, TIEBitmap* Bitmap, const TIOProgressRec& Progress);

// A standard metafile header at the position, or 22 bytes on behind a
// placeable metafile's header; the position is restored.
bool IsWMFStream(TStream* Stream);
// An enhanced metafile's header record at the position; the position is
// restored.
bool IsEMFStream(TStream* Stream);

// The formats in content detection (no reader in this build).
TIEFormatHandler WMFFormatHandler();
TIEFormatHandler EMFFormatHandler();
