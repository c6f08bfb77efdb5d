// Fuzz target: the EXIF block parser on arbitrary TIFF streams behind the
// block header, then a block built again from what it read.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/io/ExifBlock.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/TIEBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 20)) return 0;
  std::vector<uint8_t> block = {'E', 'x', 'i', 'f', 0, 0};
  block.insert(block.end(), Data, Data + Size);
  TIOParamsVals params(nullptr);
  if (!ParseExifBlock(block.data(), static_cast<int32_t>(block.size()), params)) return 0;
  if (params.EXIFThumbnail && params.EXIFThumbnail->Width() > 4096) __builtin_trap();
  std::vector<uint8_t> out;
  if (BuildExifBlock(params, out)) {
    TIOParamsVals again(nullptr);
    if (!ParseExifBlock(out.data(), static_cast<int32_t>(out.size()), again)) __builtin_trap();
  }
  return 0;
}
