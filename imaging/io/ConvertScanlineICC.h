// The scan-line conversion the JPEG reader and writer share with the
// input/output component, declared apart so that a format reaches it
// without the component's header.
#pragma once

#include <cstdint>

class TIOParamsVals;

// Converts Count pixels of one scan line between the readers' layouts:
// 0 RGB, 1 BGR, 2 inverted CMYK, 3 CMYK with 255 = full ink (inverted in
// Source itself first), 4 CIE Lab, 5 grey, 6 and 7 16-bit RGB little- and
// big-endian. With colour management on and a valid input and default
// profile in Params, the colour engine converts the row; when it cannot,
// the built-in pairs apply, and any other pair leaves Dest.
void ConvertScanlineICC(uint8_t* Source, int32_t SourceCode, uint8_t* Dest,
                        TIOParamsVals* Params, int32_t Count, int32_t TargetCode);
