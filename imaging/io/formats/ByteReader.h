#pragma once
// A bounds-checked cursor over the bytes of a file's header, directory or
// record. Every field read asks the reader, which knows how much remains:
// a read past the end returns 0, reads nothing and leaves the reader
// failed for good, so a parser checks Failed() once after a run of fields
// instead of a count before each one, and a hostile length can never make
// it read beyond what the file gave.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/io/formats/FormatFields.h"
#include "rtl/ByteOrder.h"
#include "rtl/TStream.h"

namespace formats {

class TByteReader {
 public:
  TByteReader() = default;
  // Over bytes the caller keeps alive for as long as the reader is used.
  TByteReader(const uint8_t* Data, size_t Size) : data_(Data), size_(Data ? Size : 0) {}
  // Over as much of Count bytes as the stream still holds from its
  // position, which the reader keeps; Size() says how many that was.
  static TByteReader FromStream(TStream* Stream, int64_t Count);

  // Moves keep the held bytes where they are; a copy would leave the
  // cursor pointing into the other reader's storage, so there is none.
  TByteReader(TByteReader&&) = default;
  TByteReader& operator=(TByteReader&&) = default;
  TByteReader(const TByteReader&) = delete;
  TByteReader& operator=(const TByteReader&) = delete;

  size_t Size() const { return size_; }
  size_t Position() const { return pos_; }
  size_t Remaining() const { return size_ - pos_; }
  bool Has(size_t Count) const { return !failed_ && Count <= size_ - pos_; }
  bool Failed() const { return failed_; }
  // The bytes at the cursor (valid for Remaining() bytes).
  const uint8_t* Here() const { return data_ + pos_; }

  // Fields in the order set for the file (little-endian unless told).
  void SetBigEndian(bool Big) { big_ = Big; }
  bool BigEndian() const { return big_; }

  // Moves to Position from the start; past the end fails.
  bool Seek(size_t Position) {
    if (failed_ || Position > size_) return Fail();
    pos_ = Position;
    return true;
  }
  bool Skip(size_t Count) {
    if (!Has(Count)) return Fail();
    pos_ += Count;
    return true;
  }

  uint8_t U8() { return Take(1) ? data_[pos_ - 1] : 0; }
  uint16_t U16LE() { return Take(2) ? LoadLE16(data_ + pos_ - 2) : 0; }
  uint16_t U16BE() { return Take(2) ? LoadBE16(data_ + pos_ - 2) : 0; }
  uint32_t U32LE() { return Take(4) ? LoadLE32(data_ + pos_ - 4) : 0; }
  uint32_t U32BE() { return Take(4) ? LoadBE32(data_ + pos_ - 4) : 0; }
  uint64_t U64LE() { return Take(8) ? LoadLE64(data_ + pos_ - 8) : 0; }
  uint64_t U64BE() { return Take(8) ? LoadBE64(data_ + pos_ - 8) : 0; }
  uint16_t U16() { return big_ ? U16BE() : U16LE(); }
  uint32_t U32() { return big_ ? U32BE() : U32LE(); }
  uint64_t U64() { return big_ ? U64BE() : U64LE(); }

  // Copies Count bytes to Dest; when they are not all there, Dest is
  // zeroed instead, so a failed read never leaves stale bytes behind.
  bool Bytes(void* Dest, size_t Count) {
    if (!Take(Count)) {
      if (Count) std::memset(Dest, 0, Count);
      return false;
    }
    if (Count) std::memcpy(Dest, data_ + pos_ - Count, Count);
    return true;
  }
  // A reader over the next Count bytes (a record inside a chunk), the
  // cursor moved past them; a failed, empty reader when they are not all
  // there. It shares this reader's bytes.
  TByteReader Sub(size_t Count) {
    if (!Take(Count)) {
      TByteReader r;
      r.failed_ = true;
      return r;
    }
    TByteReader r(data_ + pos_ - Count, Count);
    r.big_ = big_;
    return r;
  }

 private:
  bool Fail() {
    failed_ = true;
    return false;
  }
  bool Take(size_t Count) {
    if (!Has(Count)) return Fail();
    pos_ += Count;
    return true;
  }

  std::vector<uint8_t> held_;  // the bytes read from a stream, if any
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
  bool big_ = false;
  bool failed_ = false;
};

// Grows the held bytes a block at a time, so that a hostile count costs no
// more memory than the stream really holds.
inline TByteReader TByteReader::FromStream(TStream* Stream, int64_t Count) {
  constexpr int64_t kBlock = 64 * 1024;
  TByteReader r;
  while (Count > 0) {
    const int64_t want = Count < kBlock ? Count : kBlock;
    const size_t old = r.held_.size();
    r.held_.resize(old + static_cast<size_t>(want));
    const int64_t got = ReadUpTo(Stream, r.held_.data() + old, want);
    r.held_.resize(old + static_cast<size_t>(got));
    if (got < want) break;
    Count -= want;
  }
  r.data_ = r.held_.data();
  r.size_ = r.held_.size();
  return r;
}

}  // namespace formats
