// Runs the peer tools (ImageMagick, netpbm) in a temporary folder and reads
// the portable any-map files they decode to.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace peer {

namespace fs = std::filesystem;

inline const char* kConvert = "/usr/bin/convert";

inline bool Available(const char* tool) { return ::access(tool, X_OK) == 0; }

// Runs a shell command; true on exit status 0.
inline bool Run(const std::string& cmd) { return std::system(("(" + cmd + ") 2>/dev/null").c_str()) == 0; }

class Folder {
 public:
  Folder() {
    path_ = fs::temp_directory_path() /
            ("nbv-peer-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    fs::create_directories(path_);
  }
  ~Folder() { fs::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
  static inline int counter_ = 0;
};

// An image as RGBA bytes, row 0 on top.
struct Image {
  int width = 0, height = 0;
  bool has_alpha = false;
  std::vector<uint8_t> rgba;
  const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// Reads P4, P5, P6 and P7 files with a maximum value of 255 (or 1 for P4).
inline bool ReadPNM(const std::string& file, Image& img) {
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  in >> magic;
  auto token = [&]() {
    std::string t;
    while (in >> t) {
      if (t[0] == '#') {
        std::string rest;
        std::getline(in, rest);
        continue;
      }
      return t;
    }
    return std::string();
  };
  int depth = 3, maxval = 255;
  if (magic == "P7") {
    std::string key, tuple;
    while ((key = token()) != "ENDHDR" && !key.empty()) {
      if (key == "WIDTH") img.width = std::stoi(token());
      else if (key == "HEIGHT") img.height = std::stoi(token());
      else if (key == "DEPTH") depth = std::stoi(token());
      else if (key == "MAXVAL") maxval = std::stoi(token());
      else if (key == "TUPLTYPE") tuple = token();
    }
  } else if (magic == "P4" || magic == "P5" || magic == "P6") {
    img.width = std::stoi(token());
    img.height = std::stoi(token());
    if (magic != "P4") maxval = std::stoi(token());
    depth = magic == "P6" ? 3 : 1;
  } else {
    return false;
  }
  in.get();  // the single white-space character after the header
  if (maxval != 255 && magic != "P4") return false;
  img.has_alpha = depth == 2 || depth == 4;
  img.rgba.assign(static_cast<size_t>(img.width) * img.height * 4, 255);
  if (magic == "P4") {
    const int row = (img.width + 7) / 8;
    std::vector<uint8_t> b(static_cast<size_t>(row));
    for (int y = 0; y < img.height; ++y) {
      in.read(reinterpret_cast<char*>(b.data()), row);
      for (int x = 0; x < img.width; ++x) {
        const uint8_t v = (b[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;  // 1 is black
        uint8_t* p = &img.rgba[(static_cast<size_t>(y) * img.width + x) * 4];
        p[0] = p[1] = p[2] = v;
      }
    }
    return static_cast<bool>(in);
  }
  std::vector<uint8_t> b(static_cast<size_t>(img.width) * img.height * depth);
  in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
  for (size_t i = 0; i < static_cast<size_t>(img.width) * img.height; ++i) {
    const uint8_t* s = &b[i * depth];
    uint8_t* p = &img.rgba[i * 4];
    if (depth <= 2) {
      p[0] = p[1] = p[2] = s[0];
      if (depth == 2) p[3] = s[1];
    } else {
      p[0] = s[0];
      p[1] = s[1];
      p[2] = s[2];
      if (depth == 4) p[3] = s[3];
    }
  }
  return static_cast<bool>(in);
}

// Writes a P6 file.
inline void WritePPM(const std::string& file, int w, int h, const std::vector<uint8_t>& rgb) {
  std::ofstream out(file, std::ios::binary);
  out << "P6\n" << w << " " << h << "\n255\n";
  out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
}

}  // namespace peer
