// The codecs beside their peers, like with like, in one table:
//
//   whole process   imaging_convert FILE > /dev/null  against the peer's tool
//                   (djpeg, pngtopam, tifftopnm, giftopnm, pcxtoppm, pamtopnm,
//                   bmptopnm, opj_decompress; cjpeg, ppmtogif, tiffcp for
//                   saves): starting the process, loading its libraries,
//                   decoding and writing, as a user of either pays it;
//   first load      the first load of a fresh process, timed inside it, with
//                   the libraries already mapped: imaging_convert --loads
//                   against the peer's library in imaging_peer_decode
//                   (libjpeg-turbo, libpng, libtiff, OpenJPEG, giflib,
//                   libvips; the faster where a format has two);
//   warm            the later loads of the same processes.
//
// Every figure is the median of rounds in which ours and the peer's runs
// alternate, so that a burst of load on the shared machine slows both alike.
// The 24-megapixel inputs are written when the table runs (by our writers)
// and removed at its end. This program starts processes and reads their
// clocks, so it is a plain program rather than a Google Benchmark one.
//
//   imaging_peer_table [--rounds N] [ROW...]     (rows by name, e.g. jpeg png)
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/imaging/ImageBench.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"

namespace {

namespace fs = std::filesystem;
using image_bench::kH;
using image_bench::kW;

struct TRun {
  bool ok = false;
  double wall = 0;              // seconds, start to exit
  std::vector<double> loads;    // the seconds the process printed, one per load
};

// Runs Argv with standard output to /dev/null (or to Out when given) and
// standard error read back as the times of the loads.
TRun Run(const std::vector<std::string>& Argv, const std::string& Out = "/dev/null") {
  TRun r;
  int err[2];
  if (::pipe(err) != 0) return r;
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open(Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    ::close(err[0]);
    std::vector<char*> args;
    for (const std::string& a : Argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(err[1]);
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = ::read(err[0], buf, sizeof buf)) > 0;) text.append(buf, size_t(n));
  ::close(err[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  r.ok = pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  for (size_t pos = 0; pos < text.size();) {
    const size_t end = text.find('\n', pos);
    char* stop = nullptr;
    const double v = std::strtod(text.c_str() + pos, &stop);
    if (stop != text.c_str() + pos) r.loads.push_back(v);
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return r;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One line of the table: our command and the peer's, and for a decode the
// peer libraries that imaging_peer_decode calls.
struct TRow {
  std::string name, what;
  std::vector<std::string> ours, peer;
  std::vector<std::string> libraries;
  std::string input;  // for the in-process loads
  std::string out = "/dev/null";  // our standard output, where the peer writes a file
};

// kW x kH with at most 256 colours, for GIF and its peers: no quantizer on
// either side.
void FillIndexed(TIEBitmap* b) {
  b->MemoryThreshold = int64_t{1} << 40;
  b->Allocate(kW, kH, ieRGB24);
  for (int y = 0; y < kH; ++y) {
    uint8_t* row = b->GetScanline(y);
    for (int x = 0; x < kW; ++x) {
      const int i = (x / 40 + y / 30) % 16, j = (x / 7 + (x ^ y) / 64) % 16;
      row[x * 3] = static_cast<uint8_t>(i * 16);
      row[x * 3 + 1] = static_cast<uint8_t>(j * 16);
      row[x * 3 + 2] = static_cast<uint8_t>((i + j) * 8);
    }
  }
}

// Writes the inputs; each is made once and named after its row.
std::string Make(const std::string& Name, bool Indexed, void (*Set)(TIOParamsVals*)) {
  const std::string path = image_bench::Dir() + "/" + Name;
  if (fs::exists(path)) return path;
  TImagoIO io(nullptr);
  if (Indexed) FillIndexed(io.IEBitmap());
  else image_bench::FillPhoto(io.IEBitmap());
  io.Params()->BitsPerSample = 8;
  io.Params()->SamplesPerPixel = 3;
  if (Set) Set(io.Params());
  io.SaveToFile(path);
  return io.Aborted() ? std::string() : path;
}

std::string Here(const char* Argv0) { return fs::absolute(Argv0).parent_path().string(); }

}  // namespace

int main(int argc, char** argv) {
  int rounds = 5;
  std::vector<std::string> only;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
    else only.push_back(a);
  }
  const std::string here = Here(argv[0]);
  const std::string convert = here + "/imaging_convert", peer = here + "/imaging_peer_decode";
  const std::string dir = image_bench::Dir();
  const auto want = [&](const std::string& n) {
    return only.empty() || std::find(only.begin(), only.end(), n) != only.end();
  };

  std::vector<TRow> rows;
  const auto decode = [&](const std::string& name, const std::string& what, const std::string& file,
                          std::vector<std::string> tool, std::vector<std::string> libs) {
    if (!want(name) || file.empty()) return;
    tool.push_back(file);
    rows.push_back({name, what, {convert, file}, tool, libs, file});
  };
  // A save; a peer tool that writes a file rather than standard output
  // (tiffcp) is given ToFile, and ours then writes a file beside it too.
  const auto save = [&](const std::string& name, const std::string& what, const std::string& file,
                        std::vector<std::string> ours, std::vector<std::string> tool,
                        const std::string& ToFile = std::string()) {
    if (!want(name) || file.empty()) return;
    ours.insert(ours.begin(), convert);
    ours.push_back(file);
    tool.push_back(file);
    TRow row{name, what, ours, tool, {}, {}};
    if (!ToFile.empty()) {
      tool.push_back(dir + "/peer-" + ToFile);
      row.peer = tool;
      row.out = dir + "/ours-" + ToFile;
    }
    rows.push_back(row);
  };
  const bool any_save = want("jpeg-save") || want("gif-save") || want("tiff-lzw-save");
  if (want("jpeg"))
    decode("jpeg", "JPEG baseline q90", Make("photo.jpg", false, [](TIOParamsVals* p) { p->JpegQuality = 90; }),
           {"/usr/bin/djpeg"}, {"jpeg", "vips"});
  if (want("png"))
    decode("png", "PNG", Make("photo.png", false, nullptr), {"/usr/bin/pngtopam"}, {"png", "vips"});
  if (want("tiff"))
    decode("tiff", "TIFF uncompressed", Make("photo.tif", false, [](TIOParamsVals* p) { p->TiffCompression = 0; }),
           {"/usr/bin/tifftopnm", "-quiet"}, {"tiff", "vips"});
  if (want("tiff-lzw"))
    decode("tiff-lzw", "TIFF LZW", Make("photo-lzw.tif", false, [](TIOParamsVals* p) { p->TiffCompression = 5; }),
           {"/usr/bin/tifftopnm", "-quiet"}, {"tiff", "vips"});
  if (want("gif"))
    // With a comment: the writer's empty comment extension (0x21 0xFE 0x00,
    // no sub-block) makes giflib's whole-file read fail, which would leave
    // the row without its giflib figure.
    decode("gif", "GIF 256 colours",
           Make("indexed.gif", true, [](TIOParamsVals* p) { p->GifComments = {"benchmark"}; }),
           {"/usr/bin/giftopnm"}, {"gif", "vips"});
  if (want("pcx"))
    decode("pcx", "PCX 24-bit", Make("photo.pcx", false, nullptr), {"/usr/bin/pcxtoppm"}, {});
  if (want("ppm"))
    decode("ppm", "PPM", Make("photo.ppm", false, nullptr), {"/usr/bin/pamtopnm"}, {"vips"});
  if (want("bmp"))
    decode("bmp", "BMP 24-bit", Make("photo.bmp", false, nullptr), {"/usr/bin/bmptopnm"}, {});
  if (want("jpeg2000"))
    decode("jpeg2000", "JPEG-2000 (JP2, 1/20)", Make("photo.jp2", false, [](TIOParamsVals* p) { p->J2000Rate = 0.05; }),
           {"/usr/bin/opj_decompress", "-quiet", "-o", dir + "/opj-out.ppm", "-i"}, {"openjpeg"});
  if (any_save) {
    const std::string photo = Make("photo.ppm", false, nullptr), indexed = Make("indexed.ppm", true, nullptr);
    save("jpeg-save", "JPEG save q90", photo, {"--to", "jpg", "--quality", "90"}, {"/usr/bin/cjpeg", "-quality", "90"});
    save("gif-save", "GIF save, 256 colours", indexed, {"--to", "gif"}, {"/usr/bin/ppmtogif"});
    if (want("tiff-lzw-save")) {
      const std::string plain_tiff =
          Make("photo.tif", false, [](TIOParamsVals* p) { p->TiffCompression = 0; });
      save("tiff-lzw-save", "TIFF LZW save", plain_tiff, {"--to", "tif", "--tiff-compression", "5"},
           {"/usr/bin/tiffcp", "-c", "lzw"}, "lzw.tif");
    }
  }

  std::printf("24-megapixel (%d x %d) inputs; medians of %d alternating rounds; ms, and ours / peer\n\n", kW, kH,
              rounds);
  std::printf("%-24s | %8s %8s %6s | %8s %8s %6s | %8s %8s %6s\n", "", "ours", "tool", "ratio", "ours",
              "library", "ratio", "ours", "library", "ratio");
  std::printf("%-24s | %-24s | %-24s | %-24s\n", "operation", "whole process", "first load in process",
              "warm load in process");
  for (const TRow& row : rows) {
    std::vector<double> ours_whole, peer_whole, ours_first, ours_warm;
    std::vector<std::vector<double>> lib_first(row.libraries.size()), lib_warm(row.libraries.size());
    std::vector<bool> lib_ok(row.libraries.size(), true);
    bool ok = true;
    for (int r = 0; r < rounds && ok; ++r) {
      // The order turns each round: neither side always runs on a cache the
      // other has just warmed.
      const bool ours_first_now = r % 2 == 0;
      for (int side = 0; side < 2; ++side) {
        const bool ours = (side == 0) == ours_first_now;
        const TRun t = ours ? Run(row.ours, row.out) : Run(row.peer);
        ok = ok && t.ok;
        (ours ? ours_whole : peer_whole).push_back(t.wall);
      }
      if (row.input.empty()) continue;
      // Ours and every peer library in turn, starting one further on each
      // round: no library always runs right after another has warmed the
      // caches, or always first after the whole processes above.
      const size_t sides = row.libraries.size() + 1;
      for (size_t k = 0; k < sides && ok; ++k) {
        const size_t which = (k + size_t(r)) % sides;
        if (which == 0) {
          const TRun t = Run({convert, "--loads", "3", row.input});
          ok = t.ok && t.loads.size() == 3;
          if (!ok) break;
          ours_first.push_back(t.loads[0]);
          ours_warm.push_back((t.loads[1] + t.loads[2]) / 2);
          continue;
        }
        const size_t l = which - 1;
        if (!lib_ok[l]) continue;
        const TRun p = Run({peer, "--loads", "3", row.libraries[l], row.input});
        if (!p.ok || p.loads.size() != 3) {
          lib_ok[l] = false;
          continue;
        }
        lib_first[l].push_back(p.loads[0]);
        lib_warm[l].push_back((p.loads[1] + p.loads[2]) / 2);
      }
    }
    if (!ok) {
      std::printf("%-24s | failed\n", row.what.c_str());
      continue;
    }
    // The best peer library of the row, by its first load.
    int best = -1;
    for (size_t l = 0; l < row.libraries.size(); ++l)
      if (lib_ok[l] && (best < 0 || Median(lib_first[l]) < Median(lib_first[size_t(best)]))) best = int(l);
    const double ow = Median(ours_whole), pw = Median(peer_whole);
    std::printf("%-24s | %8.1f %8.1f %5.2fx", row.what.c_str(), ow * 1e3, pw * 1e3, ow / pw);
    if (row.input.empty()) {
      std::printf(" | %24s | %24s\n", "-", "-");
      continue;
    }
    const double of = Median(ours_first), owarm = Median(ours_warm);
    if (best < 0) {
      std::printf(" | %8.1f %8s %6s | %8.1f %8s %6s\n", of * 1e3, "-", "", owarm * 1e3, "-", "");
      continue;
    }
    const double pf = Median(lib_first[size_t(best)]), pwarm = Median(lib_warm[size_t(best)]);
    // The library shown is the fastest first load of the row; every
    // library's median is printed beside it, so that the choice can be seen.
    std::string all;
    for (size_t l = 0; l < row.libraries.size(); ++l) {
      if (!all.empty()) all += ", ";
      char figure[64];
      if (lib_ok[l]) std::snprintf(figure, sizeof figure, "%s %.1f", row.libraries[l].c_str(), Median(lib_first[l]) * 1e3);
      else std::snprintf(figure, sizeof figure, "%s failed", row.libraries[l].c_str());
      all += figure;
    }
    std::printf(" | %8.1f %8.1f %5.2fx | %8.1f %8.1f %5.2fx  (%s; first loads: %s)\n", of * 1e3, pf * 1e3, of / pf,
                owarm * 1e3, pwarm * 1e3, owarm / pwarm, row.libraries[size_t(best)].c_str(), all.c_str());
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
