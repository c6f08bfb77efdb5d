// Helpers of the JPEG and PNG tests: running the reader and writer on memory
// streams, a temporary folder, shell commands with captured output, a reader
// of the any-map files (8 and 16 bits) the peer tools decode to, and the
// mutation run of the fuzz smoke tests.
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

namespace codec {

using peer::Folder;
using peer::ParsePNM;
using peer::PNM;
using peer::ReadFile;
using peer::ReadPNM;
using peer::WritePPM;

inline bool Run(const std::string& cmd) {
  return std::system(("(" + cmd + ") >/dev/null 2>&1").c_str()) == 0;
}

// The standard output of a command (empty on failure).
inline std::string Capture(const std::string& cmd) {
  std::string out;
  FILE* p = ::popen(("(" + cmd + ") 2>/dev/null").c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  ::pclose(p);
  return out;
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

// A mutation of a seed file particular to one format.
using Mutation = std::function<void(std::vector<uint8_t>& File, std::mt19937& Rng)>;

// Feeds the seeds to a fuzz target, then Rounds deterministic mutations of
// each: a few flipped bytes, a cut file, or one of the format's own
// mutations, chosen at random. Returns the number of mutated runs.
inline int RunMutations(int (*Target)(const uint8_t*, size_t),
                        const std::vector<std::vector<uint8_t>>& Seeds,
                        const std::vector<Mutation>& Own, int Rounds) {
  for (const auto& s : Seeds) Target(s.data(), s.size());
  std::mt19937 rng(20261210);
  int runs = 0;
  for (int round = 0; round < Rounds; ++round) {
    for (const auto& seed : Seeds) {
      std::vector<uint8_t> m = seed;
      const size_t kind = rng() % (2 + Own.size());
      if (kind == 0) {  // flip a few bytes anywhere
        for (int k = 0, n = 1 + rng() % 4; k < n; ++k)
          m[rng() % m.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
      } else if (kind == 1) {  // cut the file
        m.resize(rng() % m.size());
      } else {
        Own[kind - 2](m, rng);
      }
      Target(m.data(), m.size());
      ++runs;
    }
  }
  return runs;
}

}  // namespace codec
