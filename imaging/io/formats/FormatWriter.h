#pragma once
// The writers' output: every write goes through one object that turns a
// failed write (a full disk, a closed pipe) into the load's abort flag, so
// that a writer never reports success over a truncated file.

#include <cstdint>
#include <string>

#include "imaging/io/IEIOTypes.h"
#include "imaging/model/IEStreams.h"
#include "rtl/ByteOrder.h"
#include "rtl/TStream.h"

namespace formats {

class TFormatWriter {
 public:
  TFormatWriter(TStream* Stream, TIOProgressRec& Progress) : s_(Stream), p_(Progress) {}

  void Put(const void* Data, int64_t Count) {
    bool failed = false;
    SafeStreamWrite(s_, failed, Data, Count);
    if (failed) p_.Abort();
  }
  void Byte(uint8_t Value) { Put(&Value, 1); }
  // A 16-bit little-endian word (the low 16 bits of Value).
  void Word(uint32_t Value) {
    uint8_t b[2];
    StoreLE16(b, static_cast<uint16_t>(Value));
    Put(b, 2);
  }
  void Text(const std::string& Value) { Put(Value.data(), static_cast<int64_t>(Value.size())); }

 private:
  TStream* s_;
  TIOProgressRec& p_;
};

}  // namespace formats
