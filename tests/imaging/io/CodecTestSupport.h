// Helpers of the JPEG and PNG tests: running the reader and writer on memory
// streams, a temporary folder, shell commands with captured output, a reader
// of the any-map files (8 and 16 bits) the peer tools decode to, and the
// mutation run of the fuzz smoke tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TStream.h"

namespace codec {

namespace fs = std::filesystem;

class Folder {
 public:
  Folder() {
    path_ = fs::temp_directory_path() /
            ("nbv-codec-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    fs::create_directories(path_);
  }
  ~Folder() { fs::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
  static inline int counter_ = 0;
};

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

inline std::vector<uint8_t> ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& name, const std::vector<uint8_t>& data) {
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline std::vector<uint8_t> Bytes(TMemoryStream& s) {
  const auto* b = static_cast<const uint8_t*>(s.Memory());
  return std::vector<uint8_t>(b, b + s.Size());
}

// A decoded any-map: samples row by row, depth channels each, max value.
struct PNM {
  int width = 0, height = 0, depth = 0, maxval = 0;
  std::vector<uint16_t> samples;
  uint16_t At(int x, int y, int c) const {
    return samples[(static_cast<size_t>(y) * width + x) * depth + c];
  }
};

// P4, P5, P6 and P7, 8 or 16 bits; false when the file is not one.
inline bool ParsePNM(const std::vector<uint8_t>& d, PNM& img) {
  size_t i = 0;
  auto skip_space = [&] {
    while (i < d.size()) {
      if (d[i] == '#') {
        while (i < d.size() && d[i] != '\n') ++i;
      } else if (std::isspace(d[i])) {
        ++i;
      } else {
        break;
      }
    }
  };
  auto token = [&] {
    skip_space();
    std::string t;
    while (i < d.size() && !std::isspace(d[i])) t += static_cast<char>(d[i++]);
    return t;
  };
  const std::string magic = token();
  if (magic == "P7") {
    std::string key;
    while ((key = token()) != "ENDHDR" && !key.empty()) {
      if (key == "WIDTH") img.width = std::stoi(token());
      else if (key == "HEIGHT") img.height = std::stoi(token());
      else if (key == "DEPTH") img.depth = std::stoi(token());
      else if (key == "MAXVAL") img.maxval = std::stoi(token());
      else if (key == "TUPLTYPE") token();
    }
  } else if (magic == "P4" || magic == "P5" || magic == "P6") {
    img.width = std::stoi(token());
    img.height = std::stoi(token());
    img.maxval = magic == "P4" ? 1 : std::stoi(token());
    img.depth = magic == "P6" ? 3 : 1;
  } else {
    return false;
  }
  ++i;  // the single white-space character after the header
  const size_t n = static_cast<size_t>(img.width) * img.height * img.depth;
  img.samples.resize(n);
  if (magic == "P4") {
    const size_t row = (static_cast<size_t>(img.width) + 7) / 8;
    if (i + row * img.height > d.size()) return false;
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x)  // 1 is black: as a grey of max 1
        img.samples[static_cast<size_t>(y) * img.width + x] =
            (d[i + y * row + x / 8] >> (7 - x % 8)) & 1 ? 0 : 1;
    return true;
  }
  const size_t bytes = img.maxval > 255 ? 2 : 1;
  if (i + n * bytes > d.size()) return false;
  for (size_t k = 0; k < n; ++k)
    img.samples[k] = bytes == 2 ? static_cast<uint16_t>(d[i + 2 * k] << 8 | d[i + 2 * k + 1])
                                : d[i + k];
  return true;
}

inline bool ReadPNM(const std::string& file, PNM& img) { return ParsePNM(ReadFile(file), img); }

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

inline void WritePPM(const std::string& file, int w, int h, const std::vector<uint8_t>& rgb) {
  std::ofstream out(file, std::ios::binary);
  out << "P6\n" << w << " " << h << "\n255\n";
  out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
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
