#pragma once
// Where a reader leaves its stream, however it returns (an early abort or
// an exception included).

#include <cstdint>

#include "rtl/TStream.h"

namespace formats {

class TStreamPositionGuard {
 public:
  // Puts Stream back where it is now: a content test or a peek leaves no
  // trace.
  explicit TStreamPositionGuard(TStream* Stream) : s_(Stream), pos_(Stream->Position()) {}
  // Leaves Stream where Reader, a buffered reader over it, has got to: the
  // buffer reads ahead of what it handed out, and the caller expects the
  // stream just past the image (the next image of a stream follows there).
  TStreamPositionGuard(TStream* Stream, TStream* Reader)
      : s_(Stream), reader_(Reader), pos_(Stream->Position()) {}
  ~TStreamPositionGuard() {
    // A destructor must not throw; a stream that cannot seek keeps where it is.
    try {
      s_->SetPosition(reader_ ? reader_->Position() : pos_);
    } catch (...) {
    }
  }
  TStreamPositionGuard(const TStreamPositionGuard&) = delete;
  TStreamPositionGuard& operator=(const TStreamPositionGuard&) = delete;

  // The position the stream had when the guard was made.
  int64_t Start() const { return pos_; }

 private:
  TStream* s_;
  TStream* reader_ = nullptr;
  int64_t pos_;
};

}  // namespace formats
