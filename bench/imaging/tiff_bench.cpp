// Decoding TIFF through TImagoIO beside tifftopnm, in one run, with the
// medians of both and their ratios at the end: a 6000 x 4000 RGB page in LZW
// with the horizontal predictor, and an A4 page at 300 dpi (2480 x 3508,
// bilevel) in CCITT Group 4 and Group 3 two-dimensional coding. The files are
// made by tiffcp from an uncompressed page we write, so both sides decode
// the same peer-written data. The peer's figure includes starting its
// process and writing the decoded pixels to /dev/null.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/imaging/ImageBench.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"

namespace {
using image_bench::Dir;
using image_bench::Timed;

constexpr int kA4W = 2480, kA4H = 3508;

struct Page {
  const char* name;
  const char* tiffcp_compression;
  int width, height;
};
const Page kPages[] = {
    {"lzw_rgb_6000x4000", "lzw:2", image_bench::kW, image_bench::kH},
    {"g4_a4_300dpi", "g4", kA4W, kA4H},
    {"g3_2d_a4_300dpi", "g3:2d", kA4W, kA4H},
};

// A typed page: lines of "words" (black bars of varying lengths) on white,
// with margins, as a scanned letter is.
void FillLetter(TIEBitmap* b) {
  b->Allocate(kA4W, kA4H, ieMono1);
  b->Fill(1);
  for (int y = 0; y < kA4H; ++y) {
    uint8_t* row = b->GetScanline(y);
    const int line = y / 50, in_line = y % 50;
    if (y < 300 || y > kA4H - 300 || in_line < 14 || in_line > 40) continue;
    int x = 250;
    for (int word = 0; x < kA4W - 250; ++word) {
      const int length = 40 + (line * 37 + word * 53) % 160;
      for (int k = x; k < x + length && k < kA4W - 250; ++k)
        if ((k + in_line) % 9 < 6) row[k / 8] &= static_cast<uint8_t>(~(0x80 >> (k % 8)));
      x += length + 25;
    }
  }
}

// The peer-compressed file of a page, made once.
std::string File(const Page& page) {
  const std::string source = Dir() + "/" + page.name + "-source.tif", file = Dir() + "/" + page.name + ".tif";
  if (::access(file.c_str(), R_OK) == 0) return file;
  TIEBitmap b;
  b.MemoryThreshold = int64_t{1} << 40;
  if (page.width == kA4W) FillLetter(&b);
  else image_bench::FillPhoto(&b);
  TImagoIO io(nullptr);
  io.AttachIEBitmap(&b);
  io.Params()->BitsPerSample = page.width == kA4W ? 1 : 8;
  io.Params()->SamplesPerPixel = page.width == kA4W ? 1 : 3;
  io.Params()->TiffCompression = 0;
  io.SaveToFile(source);
  const std::string cmd = std::string("/usr/bin/tiffcp -c ") + page.tiffcp_compression + " " + source + " " + file;
  if (std::system(cmd.c_str()) != 0) return {};
  std::remove(source.c_str());
  return file;
}

void Ours(benchmark::State& state, const Page* page) {
  const std::string f = File(*page);
  Timed(state, std::string(page->name) + "/ours", [&] {
    TImagoIO io(nullptr);
    io.IEBitmap()->MemoryThreshold = int64_t{1} << 40;
    io.LoadFromFile(f);
    return !f.empty() && !io.Aborted() && io.IEBitmap()->Width() == page->width &&
           io.IEBitmap()->Height() == page->height;
  });
}

void Tifftopnm(benchmark::State& state, const Page* page) {
  const std::string f = File(*page);
  const std::string cmd = "/usr/bin/tifftopnm " + f + " > /dev/null 2>&1";
  Timed(state, std::string(page->name) + "/tifftopnm", [&] { return !f.empty() && std::system(cmd.c_str()) == 0; });
}

}  // namespace

int main(int argc, char** argv) {
  for (const Page& p : kPages) {
    benchmark::RegisterBenchmark((std::string("decode_tiff_") + p.name + "/ours").c_str(), Ours, &p)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("decode_tiff_") + p.name + "/tifftopnm").c_str(), Tifftopnm, &p)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
  }
  image_bench::InitializeInTurns(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const auto& t = image_bench::Seconds();
  std::printf("\n");
  for (const Page& p : kPages) {
    const std::string ours = std::string(p.name) + "/ours", peer = std::string(p.name) + "/tifftopnm";
    if (t.count(ours) && t.count(peer))
      std::printf("decode TIFF %s (medians): ours %.1f ms, tifftopnm %.1f ms, ours/tifftopnm %.2fx\n", p.name,
                  t.at(ours) * 1e3, t.at(peer) * 1e3, t.at(ours) / t.at(peer));
    std::remove((Dir() + "/" + p.name + ".tif").c_str());
  }
  ::rmdir(Dir().c_str());
  return 0;
}
