// AVI files: the first video stream's frame count, timing and frames. Frames
// decode from uncompressed device-independent bitmaps (8-bit with palette,
// 16-bit 5-5-5, 24- and 32-bit), uncompressed YUV layouts (YUY2, I420 and
// the others the packed-bitmap conversion knows), 8-bit run-length data
// (frames that build on the previous one included) and Motion-JPEG (through
// the JPEG reader).
// Other codecs are reported as not available. Chunk sizes are trusted only
// as far as the file reaches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/model/IEPixelTypes.h"

class TStream;
class TIEBitmap;
struct TIOProgressRec;

class TIEAVIReader {
 public:
  // Reads the headers and the frame index; false (with Error set) when the
  // data is no AVI with a video stream. Stream must outlive the reader.
  bool Open(TStream* Stream);
  int32_t FrameCount() const { return static_cast<int32_t>(frames_.size()); }
  // Milliseconds per frame: the integer part of 1000 / (rate / scale).
  int32_t FrameDelay() const;
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t BitCount() const { return bit_count_; }
  // The frames' coding as the stream format gives it: 0 uncompressed, 1
  // 8-bit run-length, 3 bit fields, else a four-character code.
  uint32_t Compression() const { return compression_; }
  // Frames per second as the stream header gives them: Rate() / Scale().
  uint32_t Rate() const { return rate_; }
  uint32_t Scale() const { return scale_; }
  // The frames' coding can be decoded.
  bool Decodable() const { return codec_ != kUnsupported; }
  const std::string& Error() const { return error_; }
  // Decodes frame Index as 24-bit into Bitmap; false (Error set) when it
  // cannot. Progress's abort flag is honoured.
  bool ReadFrame(int32_t Index, TIEBitmap* Bitmap, TIOProgressRec& Progress);

 private:
  enum Codec { kUnsupported, kRaw, kRLE8, kMJPEG, kYUV };
  struct Frame {
    int64_t offset, size;
  };
  bool ReadChunkData(const Frame& F, std::vector<uint8_t>& Data);
  bool DecodeRaw(const std::vector<uint8_t>& Data, TIEBitmap* Bitmap);
  bool ApplyRLE8(const std::vector<uint8_t>& Data);
  void IndexesToBitmap(TIEBitmap* Bitmap) const;

  TStream* stream_ = nullptr;
  int64_t file_size_ = 0;
  std::vector<Frame> frames_;
  uint32_t rate_ = 0, scale_ = 0;
  int32_t width_ = 0, height_ = 0, bit_count_ = 0;
  uint32_t compression_ = 0;
  bool top_down_ = false;
  Codec codec_ = kUnsupported;
  std::vector<TRGB> palette_;
  // YUV frames: the stream format's bitmap header, drawn with each frame.
  std::vector<uint8_t> dib_header_;
  // Run-length frames build on the previous one: the palette indexes of the
  // last decoded frame, and its number (-1 none).
  std::vector<uint8_t> indexes_;
  int32_t decoded_ = -1;
  std::string error_;
};
