// The containers camera files wrap their sensor data in: TIFF structures
// (with sub-directories, the EXIF directory and Nikon and Olympus maker
// notes), CIFF blocks, the Rollei text header and the three-layer sensor's
// property section. The parsers fill the context during identification and
// never fail: what they cannot read stays unset. Every offset and count
// they take from the file is checked against the stream, and their walks
// end (directory chains and block nesting are bounded).
#pragma once

#include <cstdint>

#include "imaging/io/raw/RawContext.h"

void ParseTiff(TIERawContext& Ctx, int64_t Base);
void ParseTiffSubIfd(TIERawContext& Ctx, int64_t Base);
void ParseExifIfd(TIERawContext& Ctx, int64_t Base);
void ParseMakerNote(TIERawContext& Ctx);
void ParseCiff(TIERawContext& Ctx, int64_t Offset, int64_t Length);
void ReadCiffWhiteSample(TIERawContext& Ctx);
void ParseRollei(TIERawContext& Ctx);
void parse_foveon(TIERawContext& Ctx);

// A / B, or 0 when B is 0 (a white-balance ratio of damaged data is then
// simply unusable).
float RawRatio(double A, double B);

// The deepest CIFF block nesting followed; deeper blocks are ignored.
constexpr int32_t kCiffMaxDepth = 8;
// The most CIFF records one walk reads, over all its blocks: blocks that
// name the same sub-blocks many times over would otherwise multiply.
constexpr int32_t kCiffMaxRecords = 4096;
// The most TIFF directories one chain is followed through (the most entries
// one walk reads is kTiffMaxEntries).
constexpr int32_t kTiffMaxDirectories = 64;
