// Decoding a 6000 x 4000 (24-megapixel) JPEG through TImagoIO beside djpeg of
// the same library, and a PNG of the same picture beside pngtopam, in one
// run. The peers' figures include starting their process (about 2 ms) and
// writing the decoded pixels to /dev/null (djpeg's cheapest output: PPM, one
// row at a time, never the whole picture), a small part of their time.
//
// Two JPEG pictures: the smooth one compresses about 50:1 and decodes fast,
// so fixed costs weigh most; the detailed one (the same with grain, about
// 8:1) is near the size a camera writes. Beside both, the library alone decodes the same
// file in this process into one reused row buffer with our settings (blue
// first, the exact integer transform): the floor under any reader that must
// hold the whole picture in fresh memory.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench/imaging/ImageBench.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"

// The library's header wants FILE and size_t declared first.
#include <jpeglib.h>

namespace {
using image_bench::Dir;
using image_bench::kH;
using image_bench::kW;
using image_bench::Seconds;
using image_bench::Timed;


// The smooth picture with grain of +-20 on every pixel, as a photograph
// taken in dim light has: far more coefficients to decode.
void FillDetailed(TIEBitmap* b) {
  image_bench::FillPhoto(b);
  uint32_t seed = 7;
  for (int y = 0; y < kH; ++y) {
    uint8_t* row = b->GetScanline(y);
    for (int x = 0; x < kW * 3; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int v = row[x] + static_cast<int>(seed >> 24) % 41 - 20;
      row[x] = static_cast<uint8_t>(std::clamp(v, 0, 255));
    }
  }
}

// The pictures, written once by our own writers: name is the file name.
const std::string& File(const std::string& name) {
  static std::map<std::string, std::string> files;
  auto it = files.find(name);
  if (it != files.end()) return it->second;
  const std::string p = Dir() + "/" + name;
  TImagoIO io(nullptr);
  if (name.rfind("detailed", 0) == 0)
    FillDetailed(io.IEBitmap());
  else
    image_bench::FillPhoto(io.IEBitmap());
  io.Params()->JpegQuality = 90;
  io.Params()->PngCompression = 6;
  io.Params()->PngFilter = 5;  // the library's adaptive choice
  io.SaveToFile(p);
  return files[name] = p;
}

double FileMB(const std::string& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 ? st.st_size / 1e6 : 0;
}

bool OursLoad(const std::string& file) {
  TImagoIO io(nullptr);
  io.LoadFromFile(file);
  return !io.Aborted() && io.IEBitmap()->Width() == kW && io.IEBitmap()->Height() == kH;
}

// The library alone: the same file and output settings, one row buffer.
bool LibraryDecode(const std::string& file) {
  FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return false;
  jpeg_decompress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);  // a fault ends the run: the file is our own
  jpeg_create_decompress(&c);
  jpeg_stdio_src(&c, f);
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_EXT_BGR;
  c.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&c);
  std::vector<JSAMPLE> row(static_cast<size_t>(c.output_width) * 3);
  while (c.output_scanline < c.output_height) {
    JSAMPROW r = row.data();
    jpeg_read_scanlines(&c, &r, 1);
  }
  const bool whole = c.output_width == kW && c.output_height == kH;
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  std::fclose(f);
  return whole;
}

void OursJpeg(benchmark::State& state, const std::string& name) {
  const std::string& f = File(name + ".jpg");
  Timed(state, "ours-" + name, [&] { return OursLoad(f); });
}

void LibraryJpeg(benchmark::State& state, const std::string& name) {
  const std::string& f = File(name + ".jpg");
  Timed(state, "library-" + name, [&] { return LibraryDecode(f); });
}

void Djpeg(benchmark::State& state, const std::string& name) {
  const std::string cmd = "/usr/bin/djpeg -outfile /dev/null " + File(name + ".jpg");
  Timed(state, "djpeg-" + name, [&] { return std::system(cmd.c_str()) == 0; });
}

void OursPng(benchmark::State& state) {
  const std::string& f = File("smooth.png");
  Timed(state, "png-ours", [&] { return OursLoad(f); });
}

void Pngtopam(benchmark::State& state) {
  const std::string cmd = "/usr/bin/pngtopam " + File("smooth.png") + " > /dev/null";
  Timed(state, "png-pngtopam", [&] { return std::system(cmd.c_str()) == 0; });
}

}  // namespace

BENCHMARK_CAPTURE(OursJpeg, smooth, "smooth")->Name("decode_jpeg_6000x4000_smooth/ours")
    ->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LibraryJpeg, smooth, "smooth")->Name("decode_jpeg_6000x4000_smooth/library_alone")
    ->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Djpeg, smooth, "smooth")->Name("decode_jpeg_6000x4000_smooth/djpeg")
    ->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OursJpeg, detailed, "detailed")->Name("decode_jpeg_6000x4000_detailed/ours")
    ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LibraryJpeg, detailed, "detailed")->Name("decode_jpeg_6000x4000_detailed/library_alone")
    ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Djpeg, detailed, "detailed")->Name("decode_jpeg_6000x4000_detailed/djpeg")
    ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(OursPng)->Name("decode_png_6000x4000/ours")->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(Pngtopam)->Name("decode_png_6000x4000/pngtopam")->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  image_bench::InitializeInTurns(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  auto& s = Seconds();
  for (const char* name : {"smooth", "detailed"}) {
    const std::string n = name;
    if (!s.count("ours-" + n) || !s.count("djpeg-" + n)) continue;
    const double ours = s["ours-" + n], djpeg = s["djpeg-" + n];
    std::printf("\ndecode 24-megapixel JPEG (%s, %.1f MB): ours %.1f ms, djpeg %.1f ms, ours/djpeg %.2fx (aim: within 1.1x)\n",
                name, FileMB(File(n + ".jpg")), ours * 1e3, djpeg * 1e3, ours / djpeg);
    if (s.count("library-" + n))
      std::printf("  library alone in this process %.1f ms, ours/library %.2fx\n", s["library-" + n] * 1e3,
                  ours / s["library-" + n]);
  }
  if (s.count("png-ours") && s.count("png-pngtopam"))
    std::printf("decode 24-megapixel PNG: ours %.1f ms, pngtopam %.1f ms, ours/pngtopam %.2fx\n",
                s["png-ours"] * 1e3, s["png-pngtopam"] * 1e3, s["png-ours"] / s["png-pngtopam"]);
  for (const char* f : {"smooth.jpg", "detailed.jpg", "smooth.png"}) std::remove((Dir() + "/" + f).c_str());
  ::rmdir(Dir().c_str());
  return 0;
}
