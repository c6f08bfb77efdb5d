// imaging_convert: a small command-line front end over the imaging library,
// so that a whole process of ours can be timed beside a peer's tool (djpeg,
// pngtopam, tifftopnm, giftopnm, pcxtoppm, pamtopnm, opj_decompress, cjpeg,
// ppmtogif, tiffcp). It is a measuring instrument, not a feature of the
// program.
//
//   imaging_convert [--to EXT] [--quality Q] [--tiff-compression C] FILE
//       loads FILE (the reader chosen by its extension, as the program does)
//       and writes it to standard output in the format of EXT: by default a
//       binary PPM ("P6"; "P4" for a one-bit picture), as the netpbm tools
//       write it. C is the TIFF writer's compression (0 none, 5 LZW).
//   imaging_convert --loads N FILE
//       loads FILE N times in this process, writes nothing, and prints the
//       seconds of each load on standard error, one per line: the first is
//       the load of a fresh process (libraries already mapped), the others
//       are warm.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "imaging/io/IEFormats.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/backends/Backends.h"
#include "rtl/FileUtils.h"
#include "rtl/TStream.h"

// The front end never opens a window. Defined here, the window system's
// backend is not taken from the platform library into this program, and
// with the link's --as-needed neither is SDL with the fifty libraries behind
// it, whose mapping would be most of a short process's time.
std::unique_ptr<TBackend> CreateSdlBackend(std::string* reason) {
  if (reason) *reason = "imaging_convert has no window system";
  return nullptr;
}

namespace {

int Usage() {
  std::fprintf(stderr, "usage: imaging_convert [--to EXT] [--quality Q] [--tiff-compression C] FILE\n"
                       "       imaging_convert --loads N FILE\n");
  return 2;
}

// Whole pictures of any size: a measurement never moves to temporary files.
void KeepInMemory(TImagoIO& io) { io.IEBitmap()->MemoryThreshold = int64_t{1} << 40; }

bool Load(TImagoIO& io, const std::string& file) {
  KeepInMemory(io);
  io.LoadFromFile(file);
  if (io.Aborted() || io.IEBitmap()->Width() <= 0) {
    std::fprintf(stderr, "imaging_convert: cannot load %s%s%s\n", file.c_str(),
                 io.AbortReason().empty() ? "" : ": ", io.AbortReason().c_str());
    return false;
  }
  return true;
}

int TimeLoads(int n, const std::string& file) {
  for (int i = 0; i < n; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    TImagoIO io(nullptr);
    if (!Load(io, file)) return 1;
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::fprintf(stderr, "%.6f\n", t);
  }
  return 0;
}

int Convert(const std::string& file, const std::string& ext, int quality, int tiff_compression) {
  const int32_t type = FindFileTypeByExtension(ext);
  if (type == 0) {
    std::fprintf(stderr, "imaging_convert: no writer for \"%s\"\n", ext.c_str());
    return 2;
  }
  TImagoIO io(nullptr);
  if (!Load(io, file)) return 1;
  TIOParamsVals* p = io.Params();
  if (type == ieftPXM) {
    // The netpbm tools' output: colour as "P6", one bit as "P4".
    if (io.IEBitmap()->PixelFormat() == ieMono1) {
      p->BitsPerSample = p->SamplesPerPixel = 1;
    } else {
      if (io.IEBitmap()->PixelFormat() != ieRGB24) io.IEBitmap()->ConvertFormat(ieRGB24);
      p->BitsPerSample = 8;
      p->SamplesPerPixel = 3;
    }
  }
  if (quality > 0) p->JpegQuality = quality;
  if (tiff_compression >= 0) p->TiffCompression = static_cast<uint8_t>(tiff_compression);
  THandleStream out(::dup(STDOUT_FILENO));
  io.SaveToStream(&out, type);
  if (io.Aborted()) {
    std::fprintf(stderr, "imaging_convert: cannot write %s\n", ext.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string to = "ppm", file;
  int loads = 0, quality = 0, tiff_compression = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--to" && i + 1 < argc) to = argv[++i];
    else if (a == "--quality" && i + 1 < argc) quality = std::atoi(argv[++i]);
    else if (a == "--tiff-compression" && i + 1 < argc) tiff_compression = std::atoi(argv[++i]);
    else if (a == "--loads" && i + 1 < argc) loads = std::atoi(argv[++i]);
    else if (!a.empty() && a[0] != '-' && file.empty()) file = a;
    else return Usage();
  }
  if (file.empty()) return Usage();
  if (!to.empty() && to[0] != '.') to = "." + to;
  return loads > 0 ? TimeLoads(loads, file) : Convert(file, to, quality, tiff_compression);
}
