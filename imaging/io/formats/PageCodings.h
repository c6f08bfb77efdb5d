// Fax and LZW data of PostScript and PDF page images, rows top row first.
// The fax coders take a set bit of a 1-bit row as black: a page that
// declares /BlackIs1 true therefore decodes to the row bits as they stand,
// which DeviceGray shows with 1 as white, as the picture holds them.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/io/formats/TIFFLZW.h"

class TIEBitmap;

// The rows of an ieMono1 picture in Group 4 coding (Group4) or Group 3
// two-dimensional coding, ended by the coder's closing code and padded to a
// whole byte. A failed write sets Abort.
std::vector<uint8_t> EncodePageFax(TIEBitmap* Bitmap, bool Group4, bool& Abort);
// The rows in TIFF's LZW coding by Encode: ceil(W / 8) bytes a row for
// ieMono1, W x 3 bytes red first for ieRGB24. A failed write sets Abort.
std::vector<uint8_t> EncodePageLZW(TIEBitmap* Bitmap, TTIFFLZWCompressProc Encode, bool& Abort);
