// Helpers of the JPEG and PNG tests: running the reader and writer on memory
// streams, a temporary folder, shell commands with captured output, a reader
// of the any-map files (8 and 16 bits) the peer tools decode to, and the
// mutation run of the fuzz smoke tests (tests/support/MutationRun.h).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "PeerSupport.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TStream.h"
#include "tests/support/MutationRun.h"

namespace codec {

using peer::Capture;
using peer::Folder;
using peer::ParsePNM;
using peer::PNM;
using peer::ReadFile;
using peer::ReadPNM;
using peer::WritePPM;

inline bool Run(const std::string& cmd) {
  return std::system(("(" + cmd + ") >/dev/null 2>&1").c_str()) == 0;
}

inline void WriteFile(const std::string& name, const std::vector<uint8_t>& data) {
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline std::vector<uint8_t> Bytes(TMemoryStream& s) {
  const auto* b = static_cast<const uint8_t*>(s.Memory());
  return std::vector<uint8_t>(b, b + s.Size());
}

// A smooth, colourful test picture as 8-bit RGB triples (red first).
inline std::vector<uint8_t> Picture(int w, int h) {
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<uint8_t>(x * 255 / std::max(1, w - 1));
      p[1] = static_cast<uint8_t>(y * 255 / std::max(1, h - 1));
      p[2] = static_cast<uint8_t>((x * y) % 256);
    }
  return rgb;
}

// An ieRGB24 bitmap of red-first triples.
inline void FillBitmap(TIEBitmap& b, int w, int h, const std::vector<uint8_t>& rgb) {
  b.Allocate(w, h, ieRGB24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      b.SetRGB24(x, y, MakeRGBTriple(p[0], p[1], p[2]));
    }
}

// A progress record over a flag of its own.
struct Progress {
  bool aborted = false;
  TIOProgressRec rec;
  Progress() { rec.Aborting = &aborted; }
};

// The mutation run of the fuzz smoke tests.
using fuzz_smoke::Mutation;
using fuzz_smoke::RunMutations;

}  // namespace codec
