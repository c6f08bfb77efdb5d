#include "imaging/io/formats/GIFAnimation.h"

#include <algorithm>
#include <cstring>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/FormatFields.h"
#include "imaging/io/formats/GIF.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/ByteOrder.h"
#include "rtl/Exception.h"
#include "rtl/TStream.h"

namespace {

constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr size_t kHeaderSize = 13;
constexpr size_t kDescriptorSize = 10;  // with its separator

// The blocks of one frame as the single-frame writer wrote them, with its
// global colour table moved into the image descriptor. False when the bytes
// are not laid out as expected.
bool AppendFrame(const uint8_t* b, size_t n, std::vector<uint8_t>& out) {
  if (n < kHeaderSize + 1) return false;
  const uint8_t flags = b[10];
  const size_t table = flags & 0x80 ? size_t{3} << ((flags & 7) + 1) : 0;
  size_t p = kHeaderSize + table;
  if (p > n) return false;
  const uint8_t* global_table = b + kHeaderSize;
  while (p < n && b[p] != kTrailer) {
    if (b[p] == kExtensionIntroducer) {
      // Introducer, label, then sub-blocks up to a zero length.
      const size_t start = p;
      p += 2;
      while (p < n && b[p] != 0) p += size_t{1} + b[p];
      if (p >= n) return false;
      ++p;
      out.insert(out.end(), b + start, b + p);
    } else if (b[p] == kImageSeparator) {
      if (p + kDescriptorSize >= n) return false;
      const size_t start = out.size();
      out.insert(out.end(), b + p, b + p + kDescriptorSize);
      if (table) {
        out[start + 9] = static_cast<uint8_t>((out[start + 9] & ~0x87) | 0x80 | (flags & 7));
        out.insert(out.end(), global_table, global_table + table);
      }
      p += kDescriptorSize;
      // The code size, then sub-blocks up to a zero length.
      const size_t data = p;
      ++p;
      while (p < n && b[p] != 0) p += size_t{1} + b[p];
      if (p >= n) return false;
      ++p;
      out.insert(out.end(), b + data, b + p);
    } else {
      return false;
    }
  }
  return p < n;
}

}  // namespace

void WriteGIFAnimation(TStream* Stream, const std::vector<TIEGIFFrame>& Frames, TIOProgressRec& Progress) {
  Progress.Per1 = 1;
  if (Frames.empty()) return Progress.Abort();
  std::vector<uint8_t> body;
  int32_t screen_w = 0, screen_h = 0;
  for (size_t i = 0; i < Frames.size(); ++i) {
    const TIEGIFFrame& f = Frames[i];
    if (!f.Bitmap || !f.Params) return Progress.Abort();
    // Each frame on its own, through the single-frame writer.
    TMemoryStream one;
    TIOProgressRec frame_progress;
    bool failed = false;
    frame_progress.Aborting = &failed;
    WriteGIFStream(&one, f.Bitmap, *f.Params, frame_progress);
    if (failed || Progress.IsAborting()) return Progress.Abort();
    if (!AppendFrame(static_cast<const uint8_t*>(one.Memory()), static_cast<size_t>(one.Size()), body))
      return Progress.Abort();
    screen_w = std::max<int32_t>(screen_w, std::min(0xFFFF, f.Params->GifXPos + f.Bitmap->Width()));
    screen_h = std::max<int32_t>(screen_h, std::min(0xFFFF, f.Params->GifYPos + f.Bitmap->Height()));
    Progress.Report(static_cast<int32_t>(int64_t{100} * static_cast<int64_t>(i + 1) /
                                         static_cast<int64_t>(Frames.size())));
  }
  // The logical screen without a global table; colour resolution 8 bits.
  uint8_t head[kHeaderSize] = {'G', 'I', 'F', '8', '9', 'a'};
  StoreLE16(head + 6, static_cast<uint32_t>(screen_w));
  StoreLE16(head + 8, static_cast<uint32_t>(screen_h));
  head[10] = 0x70;
  // Loop for ever.
  static const uint8_t kLoop[] = {kExtensionIntroducer, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E',
                                  '2', '.', '0', 3, 1, 0, 0, 0};
  try {
    Stream->WriteBuffer(head, sizeof head);
    Stream->WriteBuffer(kLoop, sizeof kLoop);
    Stream->WriteBuffer(body.data(), static_cast<int64_t>(body.size()));
    const uint8_t trailer = kTrailer;
    Stream->WriteBuffer(&trailer, 1);
  } catch (const EStreamError&) {
    Progress.Abort();
  }
}
