// The code tables of ITU-T T.4: terminating codes (Table 1), make-up codes
// (Table 2) and the extended make-up codes common to both colours (Table 3),
// as code bits written out.
#pragma once

#include <cstdint>

struct TCCITTCode {
  int32_t Run;
  const char* Bits;
};

// Runs 0..63, then 64, 128, .., 1728.
extern const TCCITTCode kCCITTWhiteCodes[91];
extern const TCCITTCode kCCITTBlackCodes[91];
// Runs 1792, 1856, .., 2560.
extern const TCCITTCode kCCITTExtendedCodes[13];
