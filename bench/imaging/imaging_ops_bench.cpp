// Bicubic downscale of a 6000 x 4000 24-bit image to 1920 x 1280 beside
// ImageMagick (-filter Catrom -resize) and `vips resize --kernel cubic`, and
// a 90-degree turn beside netpbm's pnmflip, in one run.
//
// The peers are command-line programs: each is timed twice, once doing the
// operation and once only reading and writing the same files (an identity
// command), and the difference is its operation time. Both figures are
// printed with the ratios at the end. The identity commands over-estimate
// the peers' file handling (ImageMagick writes the full image, vips sums it),
// so the net figures flatter the peers, not us.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "bench/imaging/ImageBench.h"
#include "imaging/model/Resample.h"
#include "imaging/model/Rotation.h"
#include "imaging/model/TIEBitmap.h"

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
  auto& s = Seconds()[name];
  s = s == 0 ? seconds : std::min(s, seconds);
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

void OursBicubic(benchmark::State& state) {
  TIEBitmap& src = Source();
  TIEBitmap dst;
  dst.SetLocation(ieMemory);
  dst.MemoryThreshold = int64_t{1} << 40;
  for (auto _ : state) {
    dst.Allocate(kDW, kDH, ieRGB24);
    Record(state, "ours_bicubic", Time([&] { ResampleBitmap(&src, &dst, rfBicubic); }));
  }
}

void OursRotate90(benchmark::State& state) {
  TIEBitmap& src = Source();
  for (auto _ : state) {
    TIEBitmap dst;
    dst.MemoryThreshold = int64_t{1} << 40;
    Record(state, "ours_rotate90", Time([&] { RotateLeft24(&src, &dst); }));
  }
}

const std::string kOut = "/dev/null";
}  // namespace

BENCHMARK(OursBicubic)->Name("downscale/ours_bicubic")->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Command, im_resize, "im_resize",
                  "/usr/bin/convert " + PPM() + " -filter Catrom -resize 1920x1280! ppm:" + kOut)
    ->Name("downscale/imagemagick_catrom")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Command, im_identity, "im_identity", "/usr/bin/convert " + PPM() + " ppm:" + kOut)
    ->Name("downscale/imagemagick_read_write_only")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Command, vips_resize, "vips_resize",
                  "vips resize " + Dir() + "/src.v " + Dir() + "/out.v 0.32 --kernel cubic")
    ->Name("downscale/vips_cubic")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Command, vips_identity, "vips_identity", "vips avg " + Dir() + "/src.v > /dev/null")
    ->Name("downscale/vips_read_only")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(OursRotate90)->Name("rotate90/ours")->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Command, pnmflip, "pnmflip_r90", "pnmflip -r90 " + PPM() + " > " + kOut)
    ->Name("rotate90/pnmflip")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Command, pnmflip_null, "pnmflip_null", "pamflip -null " + PPM() + " > " + kOut)
    ->Name("rotate90/pnmflip_read_write_only")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  image_bench::InitializeInTurns(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  auto& s = Seconds();
  auto net = [&](const char* op, const char* base) { return std::max(s[op] - s[base], 1e-6); };
  auto line = [](const char* what, double ours, double peer) {
    std::printf("%-44s ours %8.1f ms  peer %8.1f ms  ours/peer %.2f\n", what, ours * 1e3, peer * 1e3, ours / peer);
  };
  if (s.count("ours_bicubic")) {
    std::printf("\nRatios (best times; peer net = operation minus read and write of the same files):\n");
    if (s.count("im_resize")) {
      line("bicubic 6000x4000->1920x1280 vs ImageMagick", s["ours_bicubic"], s["im_resize"]);
      line("  ... vs ImageMagick net of file I/O", s["ours_bicubic"], net("im_resize", "im_identity"));
    }
    if (s.count("vips_resize")) {
      line("bicubic 6000x4000->1920x1280 vs vips", s["ours_bicubic"], s["vips_resize"]);
      line("  ... vs vips net of file I/O", s["ours_bicubic"], net("vips_resize", "vips_identity"));
    }
  }
  if (s.count("ours_rotate90") && s.count("pnmflip_r90")) {
    line("rotate 90 6000x4000 vs pnmflip", s["ours_rotate90"], s["pnmflip_r90"]);
    line("  ... vs pnmflip net of file I/O", s["ours_rotate90"], net("pnmflip_r90", "pnmflip_null"));
  }
  // The scratch files are some 150 MB: leave nothing behind in /tmp.
  for (const char* f : {"src.ppm", "src.v", "out.v"}) std::remove((Dir() + "/" + f).c_str());
  ::rmdir(Dir().c_str());
  return 0;
}
