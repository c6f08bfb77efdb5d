// The metadata of CIFF camera files, which carry no TIFF structure: the
// EXIF fields the container holds, the camera records of the maker note,
// and the smallest embedded JPEG image as the EXIF thumbnail (the file's
// preview).
#pragma once

#include <cstdint>

class TStream;
class TIOParamsVals;

// Reads from position 0. Always false; nothing is reported.
bool ReadCiffMetadata(TStream* Stream, TIOParamsVals& Params);
