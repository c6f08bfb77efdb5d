// Fuzz target: camera identification and every container parser on
// arbitrary bytes: the content test (which must keep the stream's
// position), each parser run directly from the start, and the CIFF
// metadata reader.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/raw/CameraRAW.h"
#include "imaging/io/raw/RawCiffMetadata.h"
#include "imaging/io/raw/RawContainers.h"
#include "imaging/io/raw/RawIdentify.h"
#include "imaging/model/IEStreams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 20)) return 0;
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  stream.SetPosition(static_cast<int64_t>(Size / 2));
  (void)IsRAWStream(&stream);
  if (stream.Position() != static_cast<int64_t>(Size / 2)) __builtin_trap();

  using Parser = void (*)(TIERawContext&);
  static const Parser kParsers[] = {
      [](TIERawContext& c) { ParseTiff(c, 0); },
      [](TIERawContext& c) { ParseCiff(c, 0, c.StreamSize); },
      [](TIERawContext& c) { ParseRollei(c); },
      [](TIERawContext& c) { parse_foveon(c); },
      [](TIERawContext& c) { ParseMakerNote(c); },
      [](TIERawContext& c) { ReadCiffWhiteSample(c); },
      [](TIERawContext& c) { (void)IdentifyCamera(c); },
  };
  for (Parser p : kParsers) {
    auto ctx = std::make_unique<TIERawContext>();
    ctx->Stream = &stream;
    ctx->StreamSize = static_cast<int64_t>(Size);
    stream.SetPosition(0);
    try {
      p(*ctx);
    } catch (const std::exception&) {
      // The decoder's own errors (a node pool run out) leave it as exceptions.
    }
    if (ctx->Make.size() > 64 || ctx->Model.size() > 64) __builtin_trap();
  }
  TIOParamsVals params(nullptr);
  ReadCiffMetadata(&stream, params);
  return 0;
}
