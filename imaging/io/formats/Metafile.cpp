#include "imaging/io/formats/Metafile.h"

#include <cstdint>

#include "rtl/TStream.h"

namespace {

// The key that opens a placeable metafile, whose header is 22 bytes long.
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int64_t kPlaceableHeaderSize = 22;
// The standard header: type 1 (in memory), 9 words long, no parameters.
constexpr int64_t kStandardHeaderSize = 18;
constexpr uint16_t kMemoryMetafile = 1;
constexpr uint16_t kHeaderWords = 9;
// The enhanced metafile's header record (type 1) with " EMF" at byte 40.
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEmfSignature = 0x464D4520;
constexpr int64_t kEmfSignatureAt = 40;

inline uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t U32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Reads Count bytes at Position; false when the stream holds fewer.
bool ReadAt(TStream* Stream, int64_t Position, uint8_t* Buffer, int64_t Count) {
  Stream->SetPosition(Position);
  return Stream->Read(Buffer, Count) == Count;
}

}  // namespace

bool IsWMFStream(TStream* Stream) {
  const int64_t start = Stream->Position();
  bool hit = false;
  uint8_t b[kStandardHeaderSize];
  if (ReadAt(Stream, start, b, 4)) {
    const int64_t at = U32(b) == kPlaceableKey ? start + kPlaceableHeaderSize : start;
    hit = ReadAt(Stream, at, b, kStandardHeaderSize) && U16(b) == kMemoryMetafile &&
          U16(b + 2) == kHeaderWords && U16(b + 16) == 0;
  }
  Stream->SetPosition(start);
  return hit;
}

bool IsEMFStream(TStream* Stream) {
  const int64_t start = Stream->Position();
  uint8_t b[kEmfSignatureAt + 4];
  const bool hit = ReadAt(Stream, start, b, sizeof b) && U32(b) == kEmrHeader &&
                   U32(b + kEmfSignatureAt) == kEmfSignature;
  Stream->SetPosition(start);
  return hit;
}

TIEFormatHandler WMFFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftWMF;
  h.Test = IsWMFStream;
  // After the multi-page PCX test, the enhanced metafile test right after.
  h.DetectOrder = 190;
  return h;
}

TIEFormatHandler EMFFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftEMF;
  h.Test = IsEMFStream;
  h.DetectOrder = 191;
  return h;
}
