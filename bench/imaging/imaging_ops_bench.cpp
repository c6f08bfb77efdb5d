// Downscales of a 6000 x 4000 24-bit image to 1920 x 1280 with every kernel
// and area filter beside `vips resize` with the matching kernel (or the one of
// the same support where vips has no such kernel) and ImageMagick's -resize
// with the matching filter; a 90-degree turn beside `vips rot`, netpbm's
// pnmflip and ImageMagick's -rotate; mirroring beside `vips flip` and
// ImageMagick's -flop and -flip; all in one run, ours and vips also on one
// thread (our pool limited to the caller, VIPS_CONCURRENCY=1). A plain copy
// of the image into fresh memory, and into memory already in use, is the
// memory speed the turns and mirrors are set beside.
//
// The peers are command-line programs. vips reports the time its pipeline
// took (--vips-progress): reading the source it maps, the operation and
// writing the small result, without its start-up; that is the peer figure of
// the ratios. Each peer is also timed whole, once doing the operation and
// once only reading and writing the same files (an identity command), and the
// difference is printed too. The identity commands over-estimate the peers'
// file handling (ImageMagick writes the full image, vips sums it), so those
// net figures flatter the peers, not us.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "bench/imaging/ImageBench.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/Resample.h"
#include "imaging/model/Rotation.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TThreadPool.h"

namespace {
using image_bench::Dir;
using image_bench::kH;
using image_bench::kW;
using image_bench::Seconds;
constexpr int kDW = 1920, kDH = 1280;

TIEBitmap& Source() {
  static TIEBitmap* image = [] {
    auto* b = new TIEBitmap();
    b->SetLocation(ieMemory);
    b->MemoryThreshold = int64_t{1} << 40;
    b->Allocate(kW, kH, ieRGB24);
    for (int y = 0; y < kH; ++y) {
      uint8_t* row = b->GetScanline(y);
      for (int x = 0; x < kW; ++x) {
        row[x * 3] = static_cast<uint8_t>(128 + 100 * std::sin(x / 97.0 + y / 211.0));
        row[x * 3 + 1] = static_cast<uint8_t>((x * 7 + y * 3) & 255);
        row[x * 3 + 2] = static_cast<uint8_t>(128 + 120 * std::cos(y / 53.0));
      }
    }
    return b;
  }();
  return *image;
}

// The same picture as a binary PPM (and a vips file) for the peers.
const std::string& PPM() {
  static std::string path = [] {
    const std::string p = Dir() + "/src.ppm";
    std::ofstream f(p, std::ios::binary);
    f << "P6\n" << kW << " " << kH << "\n255\n";
    std::vector<char> line(static_cast<size_t>(kW) * 3);
    for (int y = 0; y < kH; ++y) {
      const uint8_t* row = Source().GetScanline(y);
      for (int x = 0; x < kW; ++x) {
        line[static_cast<size_t>(x) * 3] = static_cast<char>(row[x * 3 + 2]);
        line[static_cast<size_t>(x) * 3 + 1] = static_cast<char>(row[x * 3 + 1]);
        line[static_cast<size_t>(x) * 3 + 2] = static_cast<char>(row[x * 3]);
      }
      f.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
    std::system(("vips copy " + p + " " + Dir() + "/src.v").c_str());
    return p;
  }();
  return path;
}

void Record(benchmark::State& state, const std::string& name, double seconds) {
  state.SetIterationTime(seconds);
  image_bench::AddSample(name, seconds);
}

template <typename F>
double Time(F&& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void Command(benchmark::State& state, const std::string& name, const std::string& cmd) {
  PPM();
  for (auto _ : state) {
    int rc = 0;
    const double t = Time([&] { rc = std::system(cmd.c_str()); });
    if (rc != 0) {
      state.SkipWithError(("failed: " + cmd).c_str());
      return;
    }
    Record(state, name, t);
  }
}

// A vips command timed whole (as Name + "_wall") and by its own report of
// the pipeline's time (as Name).
void Vips(benchmark::State& state, const std::string& name, const std::string& cmd) {
  PPM();
  for (auto _ : state) {
    std::string out;
    const double t = Time([&] {
      FILE* p = ::popen((cmd + " --vips-progress 2>&1").c_str(), "r");
      if (!p) return;
      char buf[4096];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
      if (::pclose(p) != 0) out.clear();
    });
    const size_t at = out.rfind("done in ");
    if (at == std::string::npos) {
      state.SkipWithError(("failed: " + cmd).c_str());
      return;
    }
    image_bench::AddSample(name + "_wall", t);
    Record(state, name, std::atof(out.c_str() + at + 8));
  }
}

// Our resampling with a filter, on the pool's threads or on the caller's alone.
void OursResample(benchmark::State& state, TResampleFilter filter, const std::string& name,
                  bool one_thread) {
  TIEBitmap& src = Source();
  TIEBitmap dst;
  dst.SetLocation(ieMemory);
  dst.MemoryThreshold = int64_t{1} << 40;
  TThreadPool& pool = TThreadPool::Shared();
  const int32_t threads = pool.MaxThreads();
  if (one_thread) pool.SetMaxThreads(1);
  for (auto _ : state) {
    dst.Allocate(kDW, kDH, ieRGB24);
    Record(state, name, Time([&] { ResampleBitmap(&src, &dst, filter); }));
  }
  pool.SetMaxThreads(threads);
}

// The 90-degree turn, on the pool's threads or on the caller's alone; the
// target is fresh memory each time, as the turn's own target is.
void OursRotate90(benchmark::State& state, const std::string& name, bool one_thread) {
  TIEBitmap& src = Source();
  TThreadPool& pool = TThreadPool::Shared();
  const int32_t threads = pool.MaxThreads();
  if (one_thread) pool.SetMaxThreads(1);
  for (auto _ : state) {
    TIEBitmap dst;
    dst.MemoryThreshold = int64_t{1} << 40;
    Record(state, name, Time([&] { RotateLeft24(&src, &dst); }));
  }
  pool.SetMaxThreads(threads);
}

// Mirroring in place, left to right or top to bottom.
void OursFlip(benchmark::State& state, const std::string& name, bool vertical) {
  TIEBitmap& src = Source();
  for (auto _ : state) Record(state, name, Time([&] { FlipBitmap(&src, vertical); }));
}

// Memory speed: the image's rows copied into a fresh image (allocated as a
// turn's target is), and into memory already in use (as a mirror's is).
void CopyImage(benchmark::State& state, const std::string& name, bool fresh) {
  TIEBitmap& src = Source();
  const size_t row = static_cast<size_t>(kW) * 3;
  std::vector<uint8_t> kept(row * kH, 1);
  for (auto _ : state) {
    TIEBitmap dst;
    dst.MemoryThreshold = int64_t{1} << 40;
    Record(state, name, Time([&] {
      if (fresh) dst.Allocate(kW, kH, ieRGB24);
      for (int y = 0; y < kH; ++y)
        std::memcpy(fresh ? dst.GetScanline(y) : kept.data() + row * y, src.GetScanline(y), row);
    }));
    benchmark::DoNotOptimize(kept.data());
  }
}

const std::string kOut = "/dev/null";

// Our filter, the vips kernel and the ImageMagick filter that do the same.
struct TFilterRun {
  TResampleFilter filter;
  const char* name;
  const char* vips;
  const char* magick;
};
const TFilterRun kFilters[] = {
    {rfBicubic, "bicubic", "cubic", "Catrom"},
    {rfBilinear, "bilinear", "linear", "Triangle"},
    {rfLanczos3, "lanczos3", "lanczos3", "Lanczos"},
    {rfMitchell, "mitchell", "mitchell", "Mitchell"},
    {rfTriangle, "triangle", "linear", "Triangle"},
    {rfHermite, "hermite", "linear", "Hermite"},
    {rfBell, "bell", "cubic", "Quadratic"},
    {rfBSpline, "bspline", "cubic", "Spline"},
    {rfNearest, "nearest", "nearest", "Point"},
    {rfLinear, "linear", "linear", "Triangle"},
};

std::string VipsResize(const char* kernel) {
  return "vips resize " + Dir() + "/src.v " + Dir() + "/out.v 0.32 --kernel " + kernel;
}

void RegisterAll() {
  auto add = [](benchmark::internal::Benchmark* b, int iterations) {
    b->UseManualTime()->Iterations(iterations)->Unit(benchmark::kMillisecond);
  };
  for (const TFilterRun& f : kFilters) {
    const std::string n = f.name;
    add(benchmark::RegisterBenchmark(("downscale/ours_" + n).c_str(), OursResample, f.filter,
                                     "ours_" + n, false),
        2);
    add(benchmark::RegisterBenchmark(("downscale/ours_" + n + "_1thread").c_str(), OursResample,
                                     f.filter, "ours1_" + n, true),
        2);
    add(benchmark::RegisterBenchmark(("downscale/vips_" + n).c_str(), Vips, "vips_" + n,
                                     VipsResize(f.vips)),
        1);
    add(benchmark::RegisterBenchmark(("downscale/vips_" + n + "_1thread").c_str(), Vips,
                                     "vips1_" + n, "VIPS_CONCURRENCY=1 " + VipsResize(f.vips)),
        1);
    add(benchmark::RegisterBenchmark(("downscale/imagemagick_" + n).c_str(), Command, "im_" + n,
                                     "/usr/bin/convert " + PPM() + " -filter " + f.magick +
                                         " -resize 1920x1280! ppm:" + kOut),
        1);
  }
  add(benchmark::RegisterBenchmark("downscale/imagemagick_read_write_only", Command, "im_identity",
                                   "/usr/bin/convert " + PPM() + " ppm:" + kOut),
      1);
  add(benchmark::RegisterBenchmark("downscale/vips_read_only", Command, "vips_identity",
                                   "vips avg " + Dir() + "/src.v > /dev/null"),
      1);
  add(benchmark::RegisterBenchmark("downscale/vips_read_only_1thread", Command, "vips1_identity",
                                   "VIPS_CONCURRENCY=1 vips avg " + Dir() + "/src.v > /dev/null"),
      1);
  add(benchmark::RegisterBenchmark("rotate90/ours", OursRotate90, "ours_rotate90", false), 2);
  add(benchmark::RegisterBenchmark("rotate90/ours_1thread", OursRotate90, "ours1_rotate90", true), 2);
  add(benchmark::RegisterBenchmark("rotate90/copy_to_fresh_memory", CopyImage, "copy_fresh", true), 2);
  add(benchmark::RegisterBenchmark("rotate90/vips", Vips, "vips_rot90",
                                   "vips rot " + Dir() + "/src.v " + Dir() + "/out.v d90"),
      1);
  add(benchmark::RegisterBenchmark("flip/ours_horizontal", OursFlip, "ours_flop", false), 2);
  add(benchmark::RegisterBenchmark("flip/ours_vertical", OursFlip, "ours_flip", true), 2);
  add(benchmark::RegisterBenchmark("flip/copy_in_place", CopyImage, "copy_kept", false), 2);
  add(benchmark::RegisterBenchmark("flip/vips_horizontal", Vips, "vips_flop",
                                   "vips flip " + Dir() + "/src.v " + Dir() + "/out.v horizontal"),
      1);
  add(benchmark::RegisterBenchmark("flip/vips_vertical", Vips, "vips_flip",
                                   "vips flip " + Dir() + "/src.v " + Dir() + "/out.v vertical"),
      1);
  add(benchmark::RegisterBenchmark("flip/imagemagick_horizontal", Command, "im_flop",
                                   "/usr/bin/convert " + PPM() + " -flop ppm:" + kOut),
      1);
  add(benchmark::RegisterBenchmark("flip/imagemagick_vertical", Command, "im_flip",
                                   "/usr/bin/convert " + PPM() + " -flip ppm:" + kOut),
      1);
  add(benchmark::RegisterBenchmark("rotate90/imagemagick", Command, "im_rot90",
                                   "/usr/bin/convert " + PPM() + " -rotate 90 ppm:" + kOut),
      1);
  add(benchmark::RegisterBenchmark("rotate90/pnmflip", Command, "pnmflip_r90",
                                   "pnmflip -r90 " + PPM() + " > " + kOut),
      1);
  add(benchmark::RegisterBenchmark("rotate90/pnmflip_read_write_only", Command, "pnmflip_null",
                                   "pamflip -null " + PPM() + " > " + kOut),
      1);
}
}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  image_bench::InitializeInTurns(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  auto& s = Seconds();
  auto net = [&](const std::string& op, const char* base) { return s[op] - s[base]; };
  // A net figure at or below zero (the identity command met a busier moment
  // than the operation) has no ratio.
  auto line = [](const std::string& what, double ours, double peer) {
    if (peer <= 0) {
      std::printf("%-48s ours %8.1f ms  peer   (net not positive: too noisy)\n", what.c_str(), ours * 1e3);
      return;
    }
    std::printf("%-48s ours %8.1f ms  peer %8.1f ms  ours/peer %.2f\n", what.c_str(), ours * 1e3,
                peer * 1e3, ours / peer);
  };
  std::printf(
      "\nRatios of medians (peer net = operation minus read and write of the same files):\n");
  auto has = [&](std::initializer_list<const char*> names) {
    for (const char* n : names)
      if (!s.count(n)) return false;
    return true;
  };
  for (const TFilterRun& f : kFilters) {
    const std::string n = f.name, ours = "ours_" + n, ours1 = "ours1_" + n;
    const std::string vips = "vips_" + n, vips1 = "vips1_" + n;
    if (!s.count(ours)) continue;
    if (s.count(vips)) {
      line(n + " 6000x4000->1920x1280 vs vips " + f.vips, s[ours], s[vips]);
      if (s.count("vips_identity"))
        line("  ... vs vips whole, net of file I/O", s[ours], net(vips + "_wall", "vips_identity"));
    }
    if (s.count(ours1) && s.count(vips1)) {
      line("  ... one thread each", s[ours1], s[vips1]);
      if (s.count("vips1_identity"))
        line("  ... one thread each, vips whole, net of file I/O", s[ours1],
             net(vips1 + "_wall", "vips1_identity"));
    }
    if (s.count("im_" + n) && s.count("im_identity")) {
      line("  ... vs ImageMagick " + std::string(f.magick) + ", net of file I/O", s[ours],
           net("im_" + n, "im_identity"));
    }
  }
  if (s.count("ours_rotate90")) {
    if (s.count("vips_rot90")) line("rotate 90 6000x4000 vs vips rot", s["ours_rotate90"], s["vips_rot90"]);
    if (has({"im_rot90", "im_identity"}))
      line("  ... vs ImageMagick -rotate, net", s["ours_rotate90"], net("im_rot90", "im_identity"));
    if (has({"pnmflip_r90", "pnmflip_null"}))
      line("  ... vs pnmflip, net", s["ours_rotate90"], net("pnmflip_r90", "pnmflip_null"));
    if (has({"ours1_rotate90", "copy_fresh"}))
      line("  ... one thread vs a copy into fresh memory", s["ours1_rotate90"], s["copy_fresh"]);
  }
  for (auto [ours, vips, im, what] :
       {std::tuple{"ours_flop", "vips_flop", "im_flop", "mirror left-right"},
        std::tuple{"ours_flip", "vips_flip", "im_flip", "mirror top-bottom"}}) {
    if (!s.count(ours)) continue;
    if (s.count(vips)) line(std::string(what) + " 6000x4000 vs vips flip", s[ours], s[vips]);
    if (has({im, "im_identity"})) line("  ... vs ImageMagick, net", s[ours], net(im, "im_identity"));
    if (s.count("copy_kept")) line("  ... vs a copy of the image", s[ours], s["copy_kept"]);
  }
  // The scratch files are some 150 MB: leave nothing behind in /tmp.
  for (const char* f : {"src.ppm", "src.v", "out.v"}) std::remove((Dir() + "/" + f).c_str());
  ::rmdir(Dir().c_str());
  return 0;
}
