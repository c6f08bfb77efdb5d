// Builds bitmap files byte by byte for the reader's tests, and runs the
// reader on them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/BMP.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"

struct BmpSpec {
  uint32_t header_size = 40;  // 12: the OS/2 1.x header
  int32_t width = 1, height = 1;
  uint16_t bits = 24;
  uint32_t compression = 0;
  std::vector<uint32_t> palette;  // 0xRRGGBB
  std::vector<uint32_t> masks;    // red, green, blue [, alpha]
  uint32_t colors_used = 0;
  int32_t ppm = 0;
  std::vector<uint8_t> pixels;  // the pixel area as stored
};

inline void Put(std::vector<uint8_t>& v, uint32_t x, int n) {
  for (int i = 0; i < n; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

inline std::vector<uint8_t> BuildBMP(const BmpSpec& s) {
  std::vector<uint8_t> h;
  Put(h, s.header_size, 4);
  if (s.header_size == 12) {
    Put(h, static_cast<uint32_t>(s.width), 2);
    Put(h, static_cast<uint32_t>(s.height), 2);
    Put(h, 1, 2);
    Put(h, s.bits, 2);
  } else {
    Put(h, static_cast<uint32_t>(s.width), 4);
    Put(h, static_cast<uint32_t>(s.height), 4);
    Put(h, 1, 2);
    Put(h, s.bits, 2);
    Put(h, s.compression, 4);
    Put(h, static_cast<uint32_t>(s.pixels.size()), 4);
    Put(h, static_cast<uint32_t>(s.ppm), 4);
    Put(h, static_cast<uint32_t>(s.ppm), 4);
    Put(h, s.colors_used ? s.colors_used : static_cast<uint32_t>(s.palette.size()), 4);
    Put(h, 0, 4);
    if (s.header_size >= 52)
      for (size_t i = 0; i < 4 && h.size() + 4 <= s.header_size; ++i)
        Put(h, i < s.masks.size() ? s.masks[i] : 0, 4);
    while (h.size() < s.header_size) h.push_back(0);
  }
  if (s.header_size < 52)
    for (uint32_t m : s.masks) Put(h, m, 4);
  for (uint32_t c : s.palette) Put(h, c, s.header_size == 12 ? 3 : 4);
  std::vector<uint8_t> f = {'B', 'M'};
  Put(f, static_cast<uint32_t>(14 + h.size() + s.pixels.size()), 4);
  Put(f, 0, 4);
  Put(f, static_cast<uint32_t>(14 + h.size()), 4);
  f.insert(f.end(), h.begin(), h.end());
  f.insert(f.end(), s.pixels.begin(), s.pixels.end());
  return f;
}

struct BmpReadResult {
  bool aborted = false;
  std::unique_ptr<TIEBitmap> bitmap = std::make_unique<TIEBitmap>();
  std::unique_ptr<TIOParamsVals> params = std::make_unique<TIOParamsVals>(nullptr);
  std::unique_ptr<TIEMask> alpha;
};

inline BmpReadResult ReadBMPBytes(const std::vector<uint8_t>& data, bool native = false,
                                  bool params_only = false) {
  BmpReadResult r;
  r.params->IsNativePixelFormat = native;
  TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
  TIOProgressRec p;
  p.Aborting = &r.aborted;
  ReadBMPStream(&s, r.bitmap.get(), 0, false, r.alpha, false, params_only, p, *r.params);
  return r;
}
