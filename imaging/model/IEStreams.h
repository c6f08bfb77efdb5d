// The imaging library's own streams: one that only measures, one over a
// caller's memory block, and a read-ahead stream over another stream.
#pragma once

#include <cstdint>
#include <vector>

#include "rtl/TStream.h"

// Stores nothing: a writer runs once against it to learn its output size.
class TNulStream : public TStream {
 public:
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  // From the end the offset is subtracted (Size - Offset), as the writers
  // that use this stream expect.
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return size_; }

 private:
  int64_t position_ = 0;
  int64_t size_ = 0;
};

// A read-only view of a caller's memory block.
class TIEMemStream : public TCustomMemoryStream {
 public:
  TIEMemStream(const void* Ptr, int64_t Size);
  int64_t Write(const void* Buffer, int64_t Count) override { return 0; }
  void SetSize(int64_t NewSize) override {}
};

// Reads ahead BufferSize bytes of Source, so that byte-oriented decoders do
// not call the file per byte. Source stays the caller's.
class TIEBufferedReadStream : public TStream {
 public:
  TIEBufferedReadStream(TStream* Source, int64_t BufferSize);
  int64_t Read(void* Buffer, int64_t Count) override;
  // Raises "TIEBufferedReadStream cannot write!".
  int64_t Write(const void* Buffer, int64_t Count) override;
  // From the end the offset is subtracted (Size - Offset).
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return size_; }

 private:
  void Fill();
  TStream* source_;
  std::vector<uint8_t> buffer_;
  int64_t buffer_index_ = 0;
  // Bytes of the buffer that the last fill really read; a short read of the
  // source must not expose what an earlier fill left behind.
  int64_t buffer_valid_ = 0;
  int64_t position_ = 0;
  int64_t size_ = 0;
};

// Writes Count bytes; a short write sets Aborting instead of raising, so that
// a full disk ends in the input/output object's abort flag.
void SafeStreamWrite(TStream* Stream, bool& Aborting, const void* Buffer, int64_t Count);
