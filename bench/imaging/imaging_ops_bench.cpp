// Downscales of a 6000 x 4000 24-bit image to 1920 x 1280 with every kernel
// and area filter beside libvips' resize, reduce and (for the area filters)
// shrink, in this process, and ImageMagick's -resize with the matching
// filter; a 90-degree turn beside libvips' rot, netpbm's pnmflip and
// ImageMagick's -rotate; mirroring beside libvips' flip and ImageMagick's
// -flop and -flip; all in one run, ours and libvips also on one thread (our
// pool limited to the caller, vips' concurrency set to 1). A plain copy of the
// image into fresh memory, and into memory already in use, is the memory
// speed the turns and mirrors are set beside.
//
// libvips works on the same pixels, loaded into its memory once; each of its
// runs computes the whole result into fresh memory (its operation cache is
// off), as our turn does, so neither side reads or writes files. Without
// the libvips headers at build time those runs are left out.
//
// ImageMagick and netpbm are command-line programs: each is timed whole,
// once doing the operation and once only reading and writing the same files
// (an identity command), and the difference is its figure. The identity
// commands over-estimate the peers' file handling (ImageMagick writes the
// full image), so those net figures flatter the peers, not us.
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

#ifdef NOBRIVO_BENCH_LIBVIPS
#include <vips/vips.h>
#endif

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

// The same picture as a binary PPM for the command-line peers.
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

#ifdef NOBRIVO_BENCH_LIBVIPS
// libvips' threads as it starts (one per processor unless told otherwise).
int& VipsThreads() {
  static int n = 0;
  return n;
}

// The source's pixels as a libvips image in its memory, made once.
VipsImage* VipsSource() {
  static VipsImage* image = [] {
    static std::vector<uint8_t> pixels(static_cast<size_t>(kW) * kH * 3);
    for (int y = 0; y < kH; ++y)
      std::memcpy(pixels.data() + static_cast<size_t>(y) * kW * 3, Source().GetScanline(y),
                  static_cast<size_t>(kW) * 3);
    return vips_image_new_from_memory(pixels.data(), pixels.size(), kW, kH, 3, VIPS_FORMAT_UCHAR);
  }();
  return image;
}

enum class TVipsOp { kCopy, kResize, kReduce, kShrink, kRot90, kFlipHorizontal, kFlipVertical };

// One libvips operation, computed whole into memory: for the turn, fresh
// memory of an image allocated as our turn's target is; for the others,
// memory already in use (as our resampling's target and our in-place mirrors
// are). The target is a libvips image over that memory: libvips' own memory
// images cost it far more on this machine than the operations do (some
// 0.5 s to write a copy of the source).
bool RunVips(TVipsOp op, VipsKernel kernel) {
  VipsImage* in = VipsSource();
  VipsImage* out = nullptr;
  const double scale = static_cast<double>(kDW) / kW, factor = static_cast<double>(kW) / kDW;
  int rc = -1;
  switch (op) {
    case TVipsOp::kCopy: rc = vips_copy(in, &out, nullptr); break;
    case TVipsOp::kResize: rc = vips_resize(in, &out, scale, "kernel", kernel, nullptr); break;
    case TVipsOp::kReduce: rc = vips_reduce(in, &out, factor, factor, "kernel", kernel, nullptr); break;
    case TVipsOp::kShrink: rc = vips_shrink(in, &out, factor, factor, nullptr); break;
    case TVipsOp::kRot90: rc = vips_rot(in, &out, VIPS_ANGLE_D90, nullptr); break;
    case TVipsOp::kFlipHorizontal: rc = vips_flip(in, &out, VIPS_DIRECTION_HORIZONTAL, nullptr); break;
    case TVipsOp::kFlipVertical: rc = vips_flip(in, &out, VIPS_DIRECTION_VERTICAL, nullptr); break;
  }
  if (rc != 0 || !out) return false;
  static std::vector<uint8_t> kept(static_cast<size_t>(kW) * kH * 3, 1);
  const size_t size = VIPS_IMAGE_SIZEOF_IMAGE(out);
  uint8_t* memory = kept.data();
  TIEBitmap fresh;
  if (op == TVipsOp::kRot90) {
    fresh.MemoryThreshold = int64_t{1} << 40;
    fresh.Allocate(out->Xsize, out->Ysize, ieRGB24);
    // The rows lie one after the other, top-down or bottom-up.
    const int64_t row = fresh.GetScanline(1) - fresh.GetScanline(0);
    memory = std::min(fresh.GetScanline(0), fresh.GetScanline(out->Ysize - 1));
    if (out->Bands != 3 || out->BandFmt != VIPS_FORMAT_UCHAR || std::abs(row) != int64_t{out->Xsize} * 3)
      memory = nullptr;
  }
  VipsImage* target = memory && size <= kept.size()
                          ? vips_image_new_from_memory(memory, size, out->Xsize, out->Ysize, out->Bands,
                                                       out->BandFmt)
                          : nullptr;
  const bool ok = target && vips_image_write(out, target) == 0;
  if (target) g_object_unref(target);
  g_object_unref(out);
  return ok;
}

void VipsInProcess(benchmark::State& state, const std::string& name, TVipsOp op, VipsKernel kernel,
                   bool one_thread) {
  VipsSource();
  vips_concurrency_set(one_thread ? 1 : VipsThreads());
  image_bench::Timed(state, name, [&] { return RunVips(op, kernel); });
  vips_concurrency_set(VipsThreads());
}
#endif

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

// Our filter, the libvips kernel and the ImageMagick filter that do the same
// (for our kernels vips lacks, its kernel of the same support). Our bicubic
// and bilinear average areas when shrinking: besides vips' resize they are
// set beside its box shrink.
struct TFilterRun {
  TResampleFilter filter;
  const char* name;
  const char* vips;
  int kernel;  // a VipsKernel
  bool area;
  const char* magick;
};
// VipsKernel values, spelled out so that the table stands without the headers.
enum { kNearest, kLinear, kCubic, kMitchell, kLanczos2, kLanczos3 };
#ifdef NOBRIVO_BENCH_LIBVIPS
static_assert(int(kNearest) == int(VIPS_KERNEL_NEAREST) && int(kLinear) == int(VIPS_KERNEL_LINEAR) &&
              int(kCubic) == int(VIPS_KERNEL_CUBIC) && int(kMitchell) == int(VIPS_KERNEL_MITCHELL) &&
              int(kLanczos3) == int(VIPS_KERNEL_LANCZOS3));
#endif
const TFilterRun kFilters[] = {
    {rfBicubic, "bicubic", "cubic", kCubic, true, "Catrom"},
    {rfBilinear, "bilinear", "linear", kLinear, true, "Triangle"},
    {rfLanczos3, "lanczos3", "lanczos3", kLanczos3, false, "Lanczos"},
    {rfMitchell, "mitchell", "mitchell", kMitchell, false, "Mitchell"},
    {rfTriangle, "triangle", "linear", kLinear, false, "Triangle"},
    {rfHermite, "hermite", "linear", kLinear, false, "Hermite"},
    {rfBell, "bell", "cubic", kCubic, false, "Quadratic"},
    {rfBSpline, "bspline", "cubic", kCubic, false, "Spline"},
    {rfNearest, "nearest", "nearest", kNearest, false, "Point"},
    {rfLinear, "linear", "linear", kLinear, false, "Triangle"},
};

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
    add(benchmark::RegisterBenchmark(("downscale/imagemagick_" + n).c_str(), Command, "im_" + n,
                                     "/usr/bin/convert " + PPM() + " -filter " + f.magick +
                                         " -resize 1920x1280! ppm:" + kOut),
        1);
  }
#ifdef NOBRIVO_BENCH_LIBVIPS
  // libvips in both thread settings, named vips_<what> and vips1_<what>.
  auto vips = [&](const std::string& what, TVipsOp op, int kernel) {
    for (bool one : {false, true})
      add(benchmark::RegisterBenchmark(("vips/" + what + (one ? "_1thread" : "")).c_str(), VipsInProcess,
                                       (one ? "vips1_" : "vips_") + what, op, static_cast<VipsKernel>(kernel),
                                       one),
          2);
  };
  // Each vips kernel once (several of our filters share one).
  for (const char* k : {"nearest", "linear", "cubic", "mitchell", "lanczos3"}) {
    int kernel = 0;
    for (const TFilterRun& f : kFilters)
      if (std::strcmp(f.vips, k) == 0) kernel = f.kernel;
    vips(std::string("resize_") + k, TVipsOp::kResize, kernel);
    vips(std::string("reduce_") + k, TVipsOp::kReduce, kernel);
  }
  vips("shrink", TVipsOp::kShrink, 0);
  vips("copy", TVipsOp::kCopy, 0);
  vips("rot90", TVipsOp::kRot90, 0);
  vips("flip_horizontal", TVipsOp::kFlipHorizontal, 0);
  vips("flip_vertical", TVipsOp::kFlipVertical, 0);
#endif
  add(benchmark::RegisterBenchmark("downscale/imagemagick_read_write_only", Command, "im_identity",
                                   "/usr/bin/convert " + PPM() + " ppm:" + kOut),
      1);
  add(benchmark::RegisterBenchmark("rotate90/ours", OursRotate90, "ours_rotate90", false), 2);
  add(benchmark::RegisterBenchmark("rotate90/ours_1thread", OursRotate90, "ours1_rotate90", true), 2);
  add(benchmark::RegisterBenchmark("rotate90/copy_to_fresh_memory", CopyImage, "copy_fresh", true), 2);
  add(benchmark::RegisterBenchmark("flip/ours_horizontal", OursFlip, "ours_flop", false), 2);
  add(benchmark::RegisterBenchmark("flip/ours_vertical", OursFlip, "ours_flip", true), 2);
  add(benchmark::RegisterBenchmark("flip/copy_in_place", CopyImage, "copy_kept", false), 2);
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
#ifdef NOBRIVO_BENCH_LIBVIPS
  if (VIPS_INIT(argv[0]) != 0) return 1;
  vips_cache_set_max(0);  // every run computes; none is answered from the cache
  VipsThreads() = vips_concurrency_get();
#endif
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
      std::printf("%-52s ours %8.1f ms  peer   (net not positive: too noisy)\n", what.c_str(), ours * 1e3);
      return;
    }
    std::printf("%-52s ours %8.1f ms  peer %8.1f ms  ours/peer %.2f\n", what.c_str(), ours * 1e3,
                peer * 1e3, ours / peer);
  };
  auto has = [&](std::initializer_list<std::string> names) {
    for (const std::string& n : names)
      if (!s.count(n)) return false;
    return true;
  };
  // Ours beside a libvips operation, on the threads and on one thread.
  auto both = [&](const std::string& what, const std::string& ours, const std::string& vips) {
    if (has({ours, "vips_" + vips})) line(what, s[ours], s["vips_" + vips]);
    if (has({"ours1_" + ours.substr(ours.find('_') + 1), "vips1_" + vips}))
      line("  ... one thread each", s["ours1_" + ours.substr(ours.find('_') + 1)], s["vips1_" + vips]);
  };
#ifdef NOBRIVO_BENCH_LIBVIPS
  std::printf("\nlibvips %s in this process, %d threads; our pool %d threads.\n", vips_version_string(),
              VipsThreads(), TThreadPool::Shared().MaxThreads());
  std::printf("Our filter -> vips kernel: ");
  for (const TFilterRun& f : kFilters)
    std::printf("%s -> %s%s; ", f.name, f.vips, f.area ? " (and vips_shrink: ours averages areas)" : "");
  std::printf("\n");
#else
  std::printf("\nBuilt without the libvips headers: no libvips figures.\n");
#endif
  std::printf("\nRatios of medians (ImageMagick net = operation minus read and write of the same files):\n");
  for (const TFilterRun& f : kFilters) {
    const std::string n = f.name, ours = "ours_" + n;
    if (!s.count(ours)) continue;
    both(n + " 6000x4000->1920x1280 vs vips_resize " + f.vips, ours, std::string("resize_") + f.vips);
    both("  ... vs vips_reduce " + std::string(f.vips), ours, std::string("reduce_") + f.vips);
    if (f.area) both("  ... vs vips_shrink (box)", ours, "shrink");
    if (has({"im_" + n, "im_identity"}))
      line("  ... vs ImageMagick " + std::string(f.magick) + ", net of file I/O", s[ours],
           net("im_" + n, "im_identity"));
  }
  if (s.count("ours_rotate90")) {
    both("rotate 90 6000x4000 vs vips_rot", "ours_rotate90", "rot90");
    if (has({"im_rot90", "im_identity"}))
      line("  ... vs ImageMagick -rotate, net", s["ours_rotate90"], net("im_rot90", "im_identity"));
    if (has({"pnmflip_r90", "pnmflip_null"}))
      line("  ... vs pnmflip, net", s["ours_rotate90"], net("pnmflip_r90", "pnmflip_null"));
    if (has({"ours1_rotate90", "copy_fresh"}))
      line("  ... one thread vs a copy into fresh memory", s["ours1_rotate90"], s["copy_fresh"]);
  }
  for (auto [ours, vips, im, what] :
       {std::tuple{"ours_flop", "flip_horizontal", "im_flop", "mirror left-right"},
        std::tuple{"ours_flip", "flip_vertical", "im_flip", "mirror top-bottom"}}) {
    if (!s.count(ours)) continue;
    // Ours mirrors in place on one thread: beside vips on its threads and on one.
    if (has({"vips_" + std::string(vips)}))
      line(std::string(what) + " 6000x4000 vs vips_flip", s[ours], s["vips_" + std::string(vips)]);
    if (has({"vips1_" + std::string(vips)}))
      line("  ... vs vips_flip on one thread", s[ours], s["vips1_" + std::string(vips)]);
    if (has({im, "im_identity"})) line("  ... vs ImageMagick, net", s[ours], net(im, "im_identity"));
    if (s.count("copy_kept")) line("  ... vs a copy of the image", s[ours], s["copy_kept"]);
  }
#ifdef NOBRIVO_BENCH_LIBVIPS
  vips_shutdown();
#endif
  // The scratch file is some 72 MB: leave nothing behind in /tmp.
  std::remove((Dir() + "/src.ppm").c_str());
  ::rmdir(Dir().c_str());
  return 0;
}
