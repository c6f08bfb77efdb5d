// Fuzz target: the TIFF LZW decoder on arbitrary code streams, row by row
// with a row length taken from the first byte; whatever decodes is encoded
// again and must decode to itself.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/io/formats/TIFFLZW.h"
#include "rtl/TStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 2) return 0;
  const int32_t L = 1 + Data[0] * 3;
  std::vector<uint8_t> decoded;
  TTIFFLZWDecodeHandle state;
  for (int32_t row = 0; row < 64; ++row) {
    const uint8_t* p = TIFFLZWDecode(Data + 1, static_cast<int64_t>(Size - 1), L, state);
    if (!p) break;
    decoded.insert(decoded.end(), p, p + L);
  }
  if (decoded.empty()) return 0;
  TMemoryStream code;
  TTIFFLZWEncodeHandle enc;
  TIFFLZWEncode(decoded.data(), static_cast<int64_t>(decoded.size()), &code, enc);
  TIFFLZWEncode(nullptr, 0, &code, enc);
  TTIFFLZWDecodeHandle again;
  const uint8_t* back = TIFFLZWDecode(static_cast<const uint8_t*>(code.Memory()), code.Size(),
                                      static_cast<int32_t>(decoded.size()), again);
  if (!back || std::memcmp(back, decoded.data(), decoded.size()) != 0) __builtin_trap();
  return 0;
}
