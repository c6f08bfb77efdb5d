// The variable-length-code LZW codec of GIF image data, and the routines the
// GIF reader and writer call (replaceable, installed with the codec).
#pragma once

#include <cstdint>

class TStream;

// Reads the minimum-code-size byte and the data sub-blocks at the stream's
// position and writes Width x Height palette indexes, one byte each, row by
// row from the top, into Data. Failure puts the stream position back to
// where it was on entry.
using TGIFLZWDecompressProc = void (*)(TStream* Stream, int32_t Height, int32_t Width,
                                       bool Interlaced, uint8_t* Data);
// Writes the minimum-code-size byte, the code stream in sub-blocks and the
// zero terminator for the Width x Height index bytes of Data.
using TGIFLZWCompressProc = void (*)(TStream* Stream, int32_t Height, int32_t Width,
                                     bool Interlaced, const uint8_t* Data, int32_t BitsPerPixel);

void GIFLZWDecode(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced, uint8_t* Data);
void GIFLZWEncode(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced,
                  const uint8_t* Data, int32_t BitsPerPixel);

// The routines the GIF reader and writer use; GIF is offered only while they
// are set. They start as the codec above.
extern TGIFLZWDecompressProc DefaultGIFLZWDecompress;
extern TGIFLZWCompressProc DefaultGIFLZWCompress;
