// Fuzz target: the same bytes decoded as hexadecimal (both cases), base 64,
// UU and XX text, through the guarded conversion and the format's own
// parser. Whatever decodes must encode and decode back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "crypto/TStringFormat.h"

namespace {
// Encoding Bytes in format Id and decoding the text gives Bytes again.
void CheckRoundTrip(const std::string& Bytes, int Id) {
  if (Bytes.empty()) return;
  std::string text;
  try {
    text = BinaryToFormat(Bytes, Id);
  } catch (const EStringFormat&) {
    return;  // not every byte string has a rendering
  }
  if (FormatToBinary(text, Id) != Bytes) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string text(reinterpret_cast<const char*>(Data), Size);
  for (const int id : {fmtHEX, fmtHEXL, fmtMIME64, fmtUU, fmtXX}) {
    TStringFormatClass format = FindStringFormat(id);
    if (!format) __builtin_trap();
    try {
      CheckRoundTrip(FormatToBinary(text, id), id);
    } catch (const EStringFormat&) {
    }
    // The parser itself, also on text the format does not accept.
    try {
      (void)format->Parse(text.data(), static_cast<int64_t>(text.size()));
    } catch (const Exception&) {
    }
    // The bytes themselves as data to encode.
    CheckRoundTrip(text, id);
  }
  return 0;
}
