// Minor page faults of a first load, per format: each file is loaded once in
// a fresh process, as a user opening it pays, and the faults of a 6000 x 4000
// picture above those of an 8 x 8 one are counted against the 4 KB pages the
// 24-bit picture fills. Fresh memory faults page by page unless it comes in
// huge pages or is reused: the aim is at most 0.3 faults a page. The first
// load's time is printed beside it.
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "bench/imaging/ImageBench.h"
#include "bench/imaging/PageFaults.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"

namespace {
using image_bench::Dir;

constexpr double kAim = 0.3;

struct Format {
  const char* name;
  const char* extension;
  std::function<void(TIOParamsVals&)> params;
  bool alpha = false;  // a picture with transparent parts
};

const Format kFormats[] = {
    {"BMP", "bmp", [](TIOParamsVals&) {}},
    {"JPEG q90", "jpg", [](TIOParamsVals& p) { p.JpegQuality = 90; }},
    {"PNG", "png", [](TIOParamsVals&) {}},
    {"TIFF uncompressed", "tif", [](TIOParamsVals& p) { p.TiffCompression = 0; }},
    {"TIFF LZW", "tif", [](TIOParamsVals& p) { p.TiffCompression = 5; }},
    {"GIF", "gif", [](TIOParamsVals&) {}},
    {"PCX", "pcx", [](TIOParamsVals&) {}},
    {"PPM", "ppm", [](TIOParamsVals&) {}},
    {"GIF transparent", "gif", [](TIOParamsVals&) {}, true},
    {"TIFF with alpha", "tif", [](TIOParamsVals& p) { p.TiffCompression = 0; }, true},
};

// Every eighth band of rows half transparent, and a clear square: the
// reader's mask and alpha planes are written all over.
void AddTransparency(TIEBitmap* b) {
  TIEBitmap* a = b->GetAlphaChannel();
  const int32_t w = b->Width(), h = b->Height();
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = a->GetScanline(y);
    for (int32_t x = 0; x < w; ++x) row[x] = (y / 8) % 8 == 0 ? 128 : (x < w / 4 && y < h / 4) ? 0 : 255;
  }
  a->UnmapRows();
  a->Full = false;
}

std::string Write(const Format& f, const std::string& stem, bool large) {
  const std::string path = Dir() + "/" + stem + (large ? "-large." : "-small.") + f.extension;
  TImagoIO io(nullptr);
  if (large) {
    image_bench::FillPhoto(io.IEBitmap());
  } else {
    io.IEBitmap()->Allocate(8, 8, ieRGB24);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 24; ++x) io.IEBitmap()->GetScanline(y)[x] = static_cast<uint8_t>(x * 10 + y);
  }
  if (f.alpha) AddTransparency(io.IEBitmap());
  f.params(*io.Params());
  io.SaveToFile(path);
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  image_bench::LoadIfAsked(argc, argv);
  const int64_t picture = int64_t{image_bench::kW} * image_bench::kH * 3;
  std::printf("first load of a %dx%d picture in a fresh process (medians of 5)\n", image_bench::kW,
              image_bench::kH);
  std::printf("%-20s %16s %10s\n", "format", "faults per page", "load ms");
  int i = 0;
  bool all = true;
  for (const Format& f : kFormats) {
    const std::string stem = "f" + std::to_string(i++);
    const std::string large = Write(f, stem, true), small = Write(f, stem, false);
    const image_bench::FaultFigure r = image_bench::FaultsPerPicturePage(large, small, picture);
    if (!r.ok) {
      std::printf("%-20s %16s\n", f.name, "load failed");
      all = false;
    } else {
      std::printf("%-20s %16.2f %10.1f%s\n", f.name, r.per_page, r.load_ms, r.per_page > kAim ? "  (above aim)" : "");
      all = all && r.per_page <= kAim;
    }
    std::remove(large.c_str());
    std::remove(small.c_str());
  }
  std::printf("aim: at most %.1f faults per 4 KB page of the picture: %s\n", kAim, all ? "met" : "not met");
  ::rmdir(Dir().c_str());
  return 0;
}
