#include "imaging/model/IEStreams.h"

#include <algorithm>
#include <cstring>

#include "rtl/Exception.h"

// ---- TNulStream

int64_t TNulStream::Read(void*, int64_t Count) {
  position_ += Count;
  size_ = std::max(size_, position_);
  return Count;
}

int64_t TNulStream::Write(const void*, int64_t Count) {
  position_ += Count;
  size_ = std::max(size_, position_);
  return Count;
}

int64_t TNulStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning:
      position_ = Offset;
      size_ = std::max(size_, position_);
      break;
    case soCurrent:
      position_ += Offset;
      size_ = std::max(size_, position_);
      break;
    case soEnd:
      position_ = size_ - Offset;
      break;
  }
  return position_;
}

// ---- TIEMemStream

TIEMemStream::TIEMemStream(const void* Ptr, int64_t Size) {
  SetPointer(const_cast<void*>(Ptr), Ptr ? Size : 0);
}

// ---- TIEBufferedReadStream

TIEBufferedReadStream::TIEBufferedReadStream(TStream* Source, int64_t BufferSize)
    : source_(Source) {
  size_ = Source->Size();
  position_ = Source->Position();
  buffer_.resize(static_cast<size_t>(std::max<int64_t>(BufferSize, 1)));
  Fill();
}

void TIEBufferedReadStream::Fill() {
  source_->Seek(position_, soBeginning);
  buffer_valid_ = std::max<int64_t>(0, source_->Read(buffer_.data(), static_cast<int64_t>(buffer_.size())));
  buffer_index_ = 0;
}

int64_t TIEBufferedReadStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  // A large request gets a buffer of its size, but never larger than what
  // is left of the stream: a hostile count must not become an allocation.
  int64_t left = std::max<int64_t>(0, size_ - position_);
  if (Count > static_cast<int64_t>(buffer_.size()) && left > static_cast<int64_t>(buffer_.size())) {
    buffer_.resize(static_cast<size_t>(std::min(Count, left)));
    Fill();
  }
  auto* out = static_cast<uint8_t*>(Buffer);
  int64_t done = 0;
  while (done < Count && position_ < size_) {
    if (buffer_index_ >= buffer_valid_) {
      Fill();
      if (buffer_valid_ == 0) break;  // the source ended before its size
    }
    int64_t n = std::min({Count - done, buffer_valid_ - buffer_index_, size_ - position_});
    std::memcpy(out + done, buffer_.data() + buffer_index_, static_cast<size_t>(n));
    buffer_index_ += n;
    position_ += n;
    done += n;
  }
  return done;
}

int64_t TIEBufferedReadStream::Write(const void*, int64_t) {
  throw EStreamError("TIEBufferedReadStream cannot write!");
}

int64_t TIEBufferedReadStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t target = position_;
  switch (Origin) {
    case soBeginning: target = Offset; break;
    case soCurrent: target = position_ + Offset; break;
    case soEnd: target = size_ - Offset; break;
  }
  if (target < 0) throw EStreamError("Invalid stream position");
  if (target != position_) {
    // Within the buffered window only the index moves.
    int64_t window_start = position_ - buffer_index_;
    if (target >= window_start && target < window_start + buffer_valid_) {
      buffer_index_ = target - window_start;
      position_ = target;
    } else {
      position_ = target;
      Fill();
    }
  }
  return position_;
}

void SafeStreamWrite(TStream* Stream, bool& Aborting, const void* Buffer, int64_t Count) {
  if (Count <= 0) return;
  int64_t written = 0;
  try {
    written = Stream->Write(Buffer, Count);
  } catch (const EStreamError&) {
    written = -1;
  }
  if (written != Count) Aborting = true;
}
