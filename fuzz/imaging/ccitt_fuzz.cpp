// Fuzz target: the CCITT decoders on arbitrary coded data: rows of a width
// taken from the first bytes, one-dimensional, Group 3 two-dimensional and
// Group 4, in both fill orders; bit positions only move forward.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/io/formats/CCITT.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 3) return 0;
  const int32_t width = 1 + (Data[0] | Data[1] << 8) % 3000;
  const int32_t mode = Data[2] % 6;
  const uint8_t* code = Data + 3;
  const int64_t n = static_cast<int64_t>(Size - 3);
  const size_t bytes = static_cast<size_t>((width + 7) / 8);
  std::vector<uint8_t> row(bytes), ref(bytes, 0xFF);
  int64_t pos = 0;
  for (int y = 0; y < 64 && pos < n * 8; ++y) {
    const int32_t fill = mode % 2 ? 2 : 1;
    int64_t next = pos;
    switch (mode / 2) {
      case 0:
        next = CCITTDecodeRow1D(row.data(), code, n, fill, pos, width);
        break;
      case 1:
        next = CCITTDecodeRow2D(row.data(), code, n, true, fill, pos, ref.data(), width);
        break;
      default:
        next = CCITTDecodeRow2D(row.data(), code, n, false, fill, pos, ref.data(), width);
        break;
    }
    if (next < pos) __builtin_trap();
    if (next == pos) break;
    pos = next;
  }
  if (n > 0) (void)CCITTDecodeHuffmanRow(row.data(), code, n, 1, width);
  return 0;
}
