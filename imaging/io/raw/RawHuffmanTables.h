// The fixed code tables of the compressed loaders.
#pragma once

#include <cstdint>

// Canon CIFF sets 0..2: the first tree (16 counts, 13 symbols) and the
// second tree (16 counts, 164 symbols).
extern const uint8_t kCrwFirstTree[3][29];
extern const uint8_t kCrwSecondTree[3][180];
// The Nikon compressed loader's tree: 16 counts and 13 symbols.
extern const uint8_t kNikonTree[29];

// The Kodak radial decoder's 18 trees as (code length, value) pairs in code
// order; kRadcTreeSizes[t] pairs of row t are used.
struct TIERadcPair {
  int32_t Length;
  int32_t Value;
};
extern const TIERadcPair kRadcTrees[18][9];
extern const int32_t kRadcTreeSizes[18];
