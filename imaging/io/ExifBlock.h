// The EXIF block of JPEG files (the payload of an APP1 marker): "Exif", 0, 0
// followed by a complete TIFF stream whose first page carries the EXIF field
// set of a parameter record and whose second page is the thumbnail.
//
// The TIFF stream itself is read and written by the TIFF reader and writer,
// which are the EXIF stream codec from the start; another codec may take
// their place. Without a codec no block is parsed or built: ParseExifBlock
// and BuildExifBlock answer false and leave the parameters alone.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/io/IEIOTypes.h"

class TStream;
class TIEBitmap;
class TIEMarkerList;
class TIOParamsVals;

// The two operations of the TIFF reader and writer that an EXIF block needs.
// Both report failures through Progress's abort flag only; Progress carries
// no progress routine.
struct TIEExifStreamCodec {
  // Reads page Params.TiffImageIndex of the TIFF stream that starts at
  // position 0 of Stream. ParamsOnly: fills Params (the EXIF field set among
  // them) and decodes nothing; otherwise decodes the page into Bitmap. A
  // decoding read is the read of an embedded thumbnail.
  using TReadProc = std::function<void(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                                       TIOProgressRec& Progress, bool ParamsOnly)>;
  // Writes one page. Insert false: a new TIFF at the stream's position;
  // Insert true: the stream holds a TIFF from position 0 and the page is
  // added as page Params.TiffImageIndex. Bitmap null: a page of tags only
  // (with EXIFHasData set, the EXIF tag set and its sub-directory).
  using TWriteProc = std::function<void(TStream* Stream, bool Insert, TIEBitmap* Bitmap,
                                        TIOParamsVals& Params, TIOProgressRec& Progress)>;
  TReadProc Read;
  TWriteProc Write;
};

// Installs the codec; one with empty operations removes it. Safe to call
// while other threads parse or build blocks.
void SetExifStreamCodec(TIEExifStreamCodec Codec);
// The codec installed now.
TIEExifStreamCodec ExifStreamCodec();

// The "Exif", 0, 0 that starts every block.
constexpr int32_t kExifHeaderLength = 6;

// True when the payload starts with the block header: "Exif" up to the
// first zero byte, and room for the 6-byte header.
bool IsExifBlock(const uint8_t* Buffer, int32_t Length);
// The first APP1 marker of the list whose payload begins with "Exif", -1
// when none (other APP1 payloads, such as XMP packets, are not EXIF).
int32_t IndexOfExifMarker(const TIEMarkerList& Markers);

// Parses an APP1 payload into Params: the EXIF field set (CopyExifFields),
// EXIFHasData, and EXIFThumbnail decoded from the stream's second page and
// turned by the orientation. False, with Params unchanged, when the payload
// is not an EXIF block, when no codec is installed, or when the codec cannot
// read the stream's parameters. A thumbnail that cannot be decoded leaves
// EXIFThumbnail empty.
bool ParseExifBlock(const uint8_t* Buffer, int32_t Length, TIOParamsVals& Params);

// Builds the payload of an APP1 marker from Params' EXIF field set: the
// header, then the tag-only TIFF page that the codec writes, with
// EXIFThumbnail (when not empty) added as page 1 in old-style JPEG
// compression. False with Out empty when no codec is installed or the codec
// failed.
bool BuildExifBlock(TIOParamsVals& Params, std::vector<uint8_t>& Out);

// The offset, counted from the stream's position, of the first TIFF header
// ("II" or "MM", the magic 42, 0x4F52 or 0x5352, a first-directory offset
// inside the stream) within the next 131072 bytes; -1 when none. The
// position is restored.
int64_t FindTiffHeader(TStream* Stream);

// Reads the EXIF field set of the TIFF-structured stream at the stream's
// position (a camera file; offsets count from its header) into Params, sets
// EXIFHasData, and decodes into EXIFThumbnail the first of pages 0 and 1
// that decodes as a thumbnail (at most 400 pixels a side) and is not all
// zero bytes; none: the thumbnail stays empty. Always true; the position is
// restored.
bool ReadExifFromTiffStream(TStream* Stream, TIOParamsVals& Params);

// Copies the EXIF field set from Source to Target: texts, numbers and arrays
// as they are, the orientation and resolutions through their setters (the
// TIFF orientation and the resolution follow), the image description from
// Source's TIFF image description, the maker note copied whole and parsed
// again. EXIFHasData and EXIFThumbnail are not
// copied.
void CopyExifFields(const TIOParamsVals& Source, TIOParamsVals& Target);

