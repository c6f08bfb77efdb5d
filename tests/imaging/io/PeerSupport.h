// Runs the peer tools (ImageMagick, netpbm) in a temporary folder and reads
// the portable any-map files (8 and 16 bits) they decode to.
#pragma once

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace peer {

namespace fs = std::filesystem;

inline const char* kConvert = "/usr/bin/convert";

inline bool Available(const char* tool) { return ::access(tool, X_OK) == 0; }

// Runs a shell command; true on exit status 0.
inline bool Run(const std::string& cmd) { return std::system(("(" + cmd + ") 2>/dev/null").c_str()) == 0; }

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

// An image as RGBA bytes, row 0 on top.
struct Image {
  int width = 0, height = 0;
  bool has_alpha = false;
  std::vector<uint8_t> rgba;
  const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

class Folder {
 public:
  Folder() {
    path_ = fs::temp_directory_path() /
            ("nbv-io-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    fs::create_directories(path_);
  }
  ~Folder() { fs::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
  static inline int counter_ = 0;
};

inline std::vector<uint8_t> ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A decoded any-map: samples row by row, depth channels each, max value.
struct PNM {
  int width = 0, height = 0, depth = 0, maxval = 0;
  bool bits = false;  // P4: one bit a pixel, 1 black
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
    img.bits = true;
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

// Reads P4 files and P5, P6 and P7 files with a maximum value of 255 into
// RGBA.
inline bool ReadPNM(const std::string& file, Image& img) {
  PNM pnm;
  if (!ParsePNM(ReadFile(file), pnm)) return false;
  if ((pnm.maxval != 255 && !pnm.bits) || pnm.depth < 1) return false;
  img.width = pnm.width;
  img.height = pnm.height;
  const int depth = pnm.depth;
  img.has_alpha = depth == 2 || depth == 4;
  img.rgba.assign(static_cast<size_t>(img.width) * img.height * 4, 255);
  for (size_t i = 0; i < static_cast<size_t>(img.width) * img.height; ++i) {
    const uint16_t* s = &pnm.samples[i * depth];
    uint8_t* p = &img.rgba[i * 4];
    if (pnm.bits) {
      p[0] = p[1] = p[2] = s[0] ? 255 : 0;
    } else if (depth <= 2) {
      p[0] = p[1] = p[2] = static_cast<uint8_t>(s[0]);
      if (depth == 2) p[3] = static_cast<uint8_t>(s[1]);
    } else {
      p[0] = static_cast<uint8_t>(s[0]);
      p[1] = static_cast<uint8_t>(s[1]);
      p[2] = static_cast<uint8_t>(s[2]);
      if (depth == 4) p[3] = static_cast<uint8_t>(s[3]);
    }
  }
  return true;
}

// Writes a P6 file.
inline void WritePPM(const std::string& file, int w, int h, const std::vector<uint8_t>& rgb) {
  std::ofstream out(file, std::ios::binary);
  out << "P6\n" << w << " " << h << "\n255\n";
  out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
}

}  // namespace peer
