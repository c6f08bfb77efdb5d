// Helpers of the pixel-operation tests: small images, netpbm files written
// and read back, and running the peer tools.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/TIEBitmap.h"

namespace opstest {

inline std::string TempDir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/nobrivo-ops-XXXXXX";
    const char* d = mkdtemp(tmpl);
    return std::string(d ? d : "/tmp");
  }();
  return dir;
}

// Runs a shell command line; true on exit status 0.
inline bool RunTool(const std::string& cmd) { return std::system(cmd.c_str()) == 0; }

inline void FillRandom(TIEBitmap& b, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int32_t y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.GetScanline(y);
    for (int64_t i = 0; i < b.RowLen(); ++i) row[i] = static_cast<uint8_t>(rng());
  }
  // 1-bit rows keep their padding bits clear.
  if (b.PixelFormat() == ieMono1)
    for (int32_t y = 0; y < b.Height(); ++y)
      for (int64_t x = b.Width(); x < b.RowLen() * 8; ++x) SetBit(b.GetScanline(y), x, false);
}

// P4 (1-bit, set bit white here and black in the file), P5 (ieGray8), P6 (ieRGB24).
inline void WritePNM(TIEBitmap& b, const std::string& path) {
  std::ofstream f(path, std::ios::binary);
  const int32_t w = b.Width(), h = b.Height();
  const TIEPixelFormat pf = b.PixelFormat();
  f << (pf == ieMono1 ? "P4" : pf == ieGray8 ? "P5" : "P6") << "\n" << w << " " << h << "\n";
  if (pf != ieMono1) f << "255\n";
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = b.GetScanline(y);
    if (pf == ieMono1) {
      std::vector<uint8_t> out(static_cast<size_t>((w + 7) / 8));
      for (int32_t x = 0; x < w; ++x)
        if (!GetBit(row, x)) out[static_cast<size_t>(x / 8)] |= BitMask(x);
      f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    } else if (pf == ieGray8) {
      f.write(reinterpret_cast<const char*>(row), w);
    } else {
      for (int32_t x = 0; x < w; ++x) {
        const char px[3] = {static_cast<char>(row[x * 3 + 2]), static_cast<char>(row[x * 3 + 1]),
                            static_cast<char>(row[x * 3])};
        f.write(px, 3);
      }
    }
  }
}

// Reads P4, P5 or P6 (maxval 255) written by the peers; false otherwise.
inline bool ReadPNM(const std::string& path, TIEBitmap& b) {
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  if (!(f >> magic)) return false;
  auto next_int = [&](int& v) {
    f >> std::ws;
    while (f.peek() == '#') {
      std::string line;
      std::getline(f, line);
      f >> std::ws;
    }
    return static_cast<bool>(f >> v);
  };
  int w = 0, h = 0, maxval = 1;
  if (!next_int(w) || !next_int(h)) return false;
  if (magic != "P4" && (!next_int(maxval) || maxval != 255)) return false;
  f.get();
  const TIEPixelFormat pf = magic == "P4" ? ieMono1 : magic == "P5" ? ieGray8 : magic == "P6" ? ieRGB24 : ieNoFormat;
  if (pf == ieNoFormat) return false;
  b.Allocate(w, h, pf);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = b.GetScanline(y);
    if (pf == ieMono1) {
      std::vector<uint8_t> in(static_cast<size_t>((w + 7) / 8));
      f.read(reinterpret_cast<char*>(in.data()), static_cast<std::streamsize>(in.size()));
      for (int32_t x = 0; x < w; ++x) SetBit(row, x, !GetBit(in.data(), x));
    } else if (pf == ieGray8) {
      f.read(reinterpret_cast<char*>(row), w);
    } else {
      std::vector<uint8_t> in(static_cast<size_t>(w) * 3);
      f.read(reinterpret_cast<char*>(in.data()), static_cast<std::streamsize>(in.size()));
      for (int32_t x = 0; x < w; ++x) {
        row[x * 3] = in[static_cast<size_t>(x) * 3 + 2];
        row[x * 3 + 1] = in[static_cast<size_t>(x) * 3 + 1];
        row[x * 3 + 2] = in[static_cast<size_t>(x) * 3];
      }
    }
  }
  return static_cast<bool>(f);
}

// True when both images have the same size, format and pixels (padding ignored).
inline bool SamePixels(TIEBitmap& a, TIEBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return false;
  const int64_t bits = int64_t{a.Width()} * a.BitCount();
  for (int32_t y = 0; y < a.Height(); ++y) {
    const uint8_t* pa = a.GetScanline(y);
    std::vector<uint8_t> ra(pa, pa + a.RowLen());
    const uint8_t* rb = b.GetScanline(y);
    for (int64_t i = 0; i < bits; ++i)
      if (GetBit(ra.data(), i) != GetBit(rb, i)) return false;
  }
  return true;
}

// Peak signal-to-noise ratio over all channel bytes of two same-sized images.
inline double PSNR(TIEBitmap& a, TIEBitmap& b) {
  double se = 0;
  int64_t n = 0;
  const int64_t bytes = int64_t{a.Width()} * a.BitCount() / 8;
  for (int32_t y = 0; y < a.Height(); ++y) {
    const uint8_t* pa = a.GetScanline(y);
    std::vector<uint8_t> ra(pa, pa + a.RowLen());
    const uint8_t* rb = b.GetScanline(y);
    for (int64_t i = 0; i < bytes; ++i) {
      const double d = static_cast<double>(ra[static_cast<size_t>(i)]) - rb[i];
      se += d * d;
      ++n;
    }
  }
  if (se == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 / (se / static_cast<double>(n)));
}

}  // namespace opstest
