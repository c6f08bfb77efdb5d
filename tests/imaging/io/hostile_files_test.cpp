// Hostile files cost bounded memory, disk and time: tiny files claiming huge
// sizes, zlib bombs, JPEG data of every coding cut short at many points. Each
// is built here, loaded through the input/output component, and its peak
// resident memory and temporary-file bytes are measured during the load.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "GifTestSupport.h"
#include "J2000TestSupport.h"
#include "RawTestSupport.h"
#include "TiffTestSupport.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/formats/TIFFLZW.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"

// After the platform types: the library's header needs size_t and FILE.
#include <jpeglib.h>

// Memory freed by a load counts as free: the address sanitizer's quarantine
// of freed blocks would otherwise add up every buffer a load ever had.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=4"; }

namespace {

// ---- measuring

int64_t StatusKiB(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(key);
  while (std::getline(in, line))
    if (line.compare(0, n, key) == 0) return std::atoll(line.c_str() + n);
  return -1;
}

// Resident memory now, and its peak since the last reset, in bytes.
int64_t Resident() { return StatusKiB("VmRSS:") * 1024; }
int64_t PeakResident() { return StatusKiB("VmHWM:") * 1024; }
bool ResetPeakResident() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
  out.flush();
  return static_cast<bool>(out);
}

// Bytes on disk of this process's open temporary image files (unlinked at
// creation, so only their descriptors find them).
int64_t TemporaryImageBytes() {
  int64_t total = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const std::string target = std::filesystem::read_symlink(e.path(), ec).string();
    if (ec || target.find("/IMG-") == std::string::npos) continue;
    struct stat st;
    if (::fstat(std::atoi(e.path().filename().c_str()), &st) == 0) total += int64_t{st.st_blocks} * 512;
  }
  return total;
}

struct Cost {
  bool aborted = false;
  std::string reason;
  int64_t peak_memory = 0;  // above the resident memory before the load
  int64_t temp_bytes = 0;
  double seconds = 0;
};

// Params, when given, sets up the load (the raw-pixel reader takes its layout
// and image size from the caller).
Cost Load(const std::vector<uint8_t>& file, int32_t type,
          const std::function<void(TImagoIO&)>& setup = nullptr) {
  Cost c;
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  if (setup) setup(*io);
  // Rows of any image above 1 MB go to a temporary file, as a picture too
  // large for memory would.
  io->IEBitmap()->MemoryThreshold = 1 << 20;
  io->OnProgress = [&](TObject*, int32_t) { c.temp_bytes = std::max(c.temp_bytes, TemporaryImageBytes()); };
  TIEMemStream stream(file.data(), static_cast<int64_t>(file.size()));
  // Metafiles are read from their files only.
  const bool from_file = type == ieftWMF || type == ieftEMF;
  const std::string name = std::filesystem::temp_directory_path() /
                           ("hostile-" + std::to_string(::getpid()) + (type == ieftWMF ? ".wmf" : ".emf"));
  if (from_file) std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                              static_cast<std::streamsize>(file.size()));
  const int64_t before = Resident();
  ResetPeakResident();
  const auto start = std::chrono::steady_clock::now();
  if (from_file)
    io->LoadFromFile(name);
  else
    io->LoadFromStreamOfType(&stream, type);
  c.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  c.peak_memory = std::max<int64_t>(0, PeakResident() - before);
  c.temp_bytes = std::max(c.temp_bytes, TemporaryImageBytes());
  c.aborted = io->Aborted();
  c.reason = io->AbortReason();
  if (from_file) std::filesystem::remove(name);
  return c;
}

// ThreadSanitizer keeps shadow memory and history for every byte a load
// touches, several times its size, in the same resident figure: under it
// the load's own memory cannot be told apart, and only time, temporary bytes
// and outcomes are checked. The address sanitizer's shadow is an eighth of
// what is touched and stays within the allowance.
#if defined(__SANITIZE_THREAD__)
constexpr bool kResidentMemoryIsTheLoads = false;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kResidentMemoryIsTheLoads = false;
#else
constexpr bool kResidentMemoryIsTheLoads = true;
#endif
#else
constexpr bool kResidentMemoryIsTheLoads = true;
#endif

// What a load may cost: a small multiple of the file's size plus a fixed
// allowance for the libraries and the test's own bookkeeping.
constexpr int64_t kAllowance = int64_t{48} << 20;
// Not a speed goal: a load past this has met a loop without end.
constexpr double kHangSeconds = 60;
int64_t Bound(const std::vector<uint8_t>& file) { return 8 * static_cast<int64_t>(file.size()) + kAllowance; }

enum Expect { kLoads, kAborts, kEither };

struct Case {
  std::string name;
  int32_t type;
  std::vector<uint8_t> file;
  Expect expect;
  bool refused = false;  // aborted with a reason: the reader understood the file
  std::function<void(TImagoIO&)> setup = nullptr;
  std::string reason_has = {};  // words the reason holds
};

void CheckCases(const std::vector<Case>& cases) {
  ASSERT_TRUE(ResetPeakResident()) << "peak resident memory cannot be reset here";
  for (const Case& k : cases) {
    const Cost c = Load(k.file, k.type, k.setup);
    SCOPED_TRACE(k.name + " (" + std::to_string(k.file.size()) + " bytes): memory " +
                 std::to_string(c.peak_memory >> 10) + " KiB, temporary files " +
                 std::to_string(c.temp_bytes >> 10) + " KiB, " + std::to_string(c.seconds) + " s, reason \"" +
                 c.reason + "\"");
    if (kResidentMemoryIsTheLoads) {
      EXPECT_LE(c.peak_memory, Bound(k.file));
    }
    EXPECT_LT(c.seconds, kHangSeconds);
    EXPECT_LE(c.temp_bytes, Bound(k.file));
    if (k.expect != kEither) {
      EXPECT_EQ(c.aborted, k.expect == kAborts);
    }
    if (k.refused) {
      EXPECT_FALSE(c.reason.empty());
    }
    if (!k.reason_has.empty()) {
      EXPECT_NE(c.reason.find(k.reason_has), std::string::npos);
    }
  }
}

// ---- JPEG files made by the system's library

std::vector<uint8_t> Noise(int w, int h) {
  std::mt19937 rng(12345);
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (auto& b : rgb) b = static_cast<uint8_t>(rng());
  return rgb;
}

std::vector<uint8_t> EncodeJPEG(int w, int h, bool arithmetic, bool progressive) {
  const std::vector<uint8_t> rgb = Noise(w, h);
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  c.arith_code = arithmetic ? TRUE : FALSE;
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + size_t{c.next_scanline} * w * 3);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> file(out, out + size);
  jpeg_destroy_compress(&c);
  std::free(out);
  return file;
}

// A picture of one grey level, as small as a coder makes one: every row is
// the same, so no noise of the size exists anywhere.
std::vector<uint8_t> EncodeFlatJPEG(int w, int h, bool arithmetic, bool progressive) {
  const std::vector<uint8_t> grey(static_cast<size_t>(w), 0x80);
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 1;
  c.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  c.arith_code = arithmetic ? TRUE : FALSE;
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(grey.data());
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> file(out, out + size);
  jpeg_destroy_compress(&c);
  std::free(out);
  return file;
}

// Offset of the first marker FF m with m in [first, last], or -1.
int64_t FindMarker(const std::vector<uint8_t>& f, uint8_t first, uint8_t last, size_t from = 2) {
  for (size_t i = from; i + 1 < f.size(); ++i)
    if (f[i] == 0xFF && f[i + 1] >= first && f[i + 1] <= last && f[i + 1] != 0xC4 && f[i + 1] != 0xC8 &&
        f[i + 1] != 0xCC)
      return static_cast<int64_t>(i);
  return -1;
}

std::vector<uint8_t> ClaimJPEG(std::vector<uint8_t> f, int w, int h) {
  const int64_t sof = FindMarker(f, 0xC0, 0xCF);
  EXPECT_GE(sof, 0);
  f[sof + 5] = static_cast<uint8_t>(h >> 8);
  f[sof + 6] = static_cast<uint8_t>(h);
  f[sof + 7] = static_cast<uint8_t>(w >> 8);
  f[sof + 8] = static_cast<uint8_t>(w);
  return f;
}

// The coded data of the first scan: from behind its header to the next marker.
void FirstScan(const std::vector<uint8_t>& f, size_t& start, size_t& end) {
  const int64_t sos = FindMarker(f, 0xDA, 0xDA);
  start = static_cast<size_t>(sos + 2 + (f[sos + 2] << 8 | f[sos + 3]));
  end = start;
  while (end + 1 < f.size() && !(f[end] == 0xFF && f[end + 1] != 0 && (f[end + 1] < 0xD0 || f[end + 1] > 0xD7)))
    ++end;
}

std::vector<uint8_t> Cut(const std::vector<uint8_t>& f, size_t n) { return {f.begin(), f.begin() + n}; }

// ---- PNG files put together chunk by chunk

void PutBE(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 3; i >= 0; --i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  PutBE(png, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  PutBE(png, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// Deflate data of Zeros zero bytes (streamed: the zeros never exist whole).
std::vector<uint8_t> DeflatedZeros(int64_t Zeros) {
  z_stream z{};
  deflateInit(&z, 9);
  std::vector<uint8_t> out, zeros(1 << 20, 0), buf(1 << 16);
  int64_t left = Zeros;
  int flush = Z_NO_FLUSH;
  do {
    if (z.avail_in == 0 && left > 0) {
      const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(zeros.size()));
      z.next_in = zeros.data();
      z.avail_in = static_cast<uInt>(n);
      left -= n;
    }
    flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
    z.next_out = buf.data();
    z.avail_out = static_cast<uInt>(buf.size());
    deflate(&z, flush);
    out.insert(out.end(), buf.data(), buf.data() + (buf.size() - z.avail_out));
  } while (!(flush == Z_FINISH && z.avail_out != 0));
  deflateEnd(&z);
  return out;
}

std::vector<uint8_t> MakePNG(uint32_t w, uint32_t h, uint8_t colour, const std::vector<uint8_t>& idat,
                             const std::vector<uint8_t>& ztxt = {}) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  PutBE(ihdr, w);
  PutBE(ihdr, h);
  ihdr.insert(ihdr.end(), {8, colour, 0, 0, 0});
  Chunk(png, "IHDR", ihdr);
  if (!ztxt.empty()) Chunk(png, "zTXt", ztxt);
  Chunk(png, "IDAT", idat);
  Chunk(png, "IEND", {});
  return png;
}

// ---- BMP headers

void PutLE(std::vector<uint8_t>& v, uint32_t x, int n) {
  for (int i = 0; i < n; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

std::vector<uint8_t> MakeBMP(int32_t w, int32_t h, uint16_t bits, uint32_t compression,
                             const std::vector<uint8_t>& data) {
  const uint32_t palette = bits <= 8 ? (1u << bits) * 4 : 0;
  std::vector<uint8_t> f = {'B', 'M'};
  PutLE(f, 54 + palette + static_cast<uint32_t>(data.size()), 4);
  PutLE(f, 0, 4);
  PutLE(f, 54 + palette, 4);
  PutLE(f, 40, 4);
  PutLE(f, static_cast<uint32_t>(w), 4);
  PutLE(f, static_cast<uint32_t>(h), 4);
  PutLE(f, 1, 2);
  PutLE(f, bits, 2);
  PutLE(f, compression, 4);
  PutLE(f, static_cast<uint32_t>(data.size()), 4);
  for (int i = 0; i < 4; ++i) PutLE(f, 0, 4);
  for (uint32_t i = 0; i < palette / 4; ++i) PutLE(f, i * 0x010101u, 4);
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

// ---- GIF: frames of one clear code and the end code, or real LZW data

// Code size 2: the clear code 4 and the end code 5 in three bits each.
const std::vector<uint8_t> kGifNoPixels = {2, 1, 0x2C, 0};

std::vector<uint8_t> MakeGIF(int screen_w, int screen_h, const std::vector<gif::Frame>& frames) {
  gif::File f;
  f.width = screen_w;
  f.height = screen_h;
  f.global = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00};
  f.frames = frames;
  return gif::Build(f);
}

gif::Frame GifFrame(int w, int h, const std::vector<uint8_t>& data = kGifNoPixels) {
  gif::Frame fr;
  fr.width = w;
  fr.height = h;
  fr.data = data;
  return fr;
}

// ---- PCX: a header, then plane bytes (run-length coded when Rle)

std::vector<uint8_t> MakePCX(int w, int h, int bits, int planes, bool rle, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> f(128, 0);
  auto put16 = [&](size_t at, int v) {
    f[at] = static_cast<uint8_t>(v);
    f[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  f[0] = 10;
  f[1] = 5;
  f[2] = rle ? 1 : 0;
  f[3] = static_cast<uint8_t>(bits);
  put16(8, w - 1);
  put16(10, h - 1);
  put16(12, 72);
  put16(14, 72);
  f[65] = static_cast<uint8_t>(planes);
  put16(66, (w * bits + 15) / 16 * 2);
  f[68] = 1;
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

// Count runs of 63 bytes of Value, two bytes each.
std::vector<uint8_t> PCXRuns(int count, uint8_t value = 0) {
  std::vector<uint8_t> d;
  for (int i = 0; i < count; ++i) d.insert(d.end(), {0xFF, value});
  return d;
}

// ---- Targa: a header (with a colour map of Map entries when given), then data

std::vector<uint8_t> MakeTGA(int w, int h, uint8_t type, uint8_t depth, uint8_t descriptor,
                             const std::vector<uint8_t>& data, int map_length = 0, uint8_t map_bits = 0) {
  std::vector<uint8_t> f(18, 0);
  f[1] = map_length ? 1 : 0;
  f[2] = type;
  f[5] = static_cast<uint8_t>(map_length);
  f[6] = static_cast<uint8_t>(map_length >> 8);
  f[7] = map_bits;
  f[12] = static_cast<uint8_t>(w);
  f[13] = static_cast<uint8_t>(w >> 8);
  f[14] = static_cast<uint8_t>(h);
  f[15] = static_cast<uint8_t>(h >> 8);
  f[16] = depth;
  f[17] = descriptor;
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

// Count repeat packets of 128 pixels of Unit bytes each.
std::vector<uint8_t> TGARuns(int count, int unit) {
  std::vector<uint8_t> d;
  for (int i = 0; i < count; ++i) {
    d.push_back(0xFF);
    for (int k = 0; k < unit; ++k) d.push_back(0x40);
  }
  return d;
}

// ---- icons and cursors: a directory of Count entries, all of the same
// image (a 40-byte information header and Data); Listed entries are written.

std::vector<uint8_t> MakeICO(uint16_t type, int count, int listed, uint8_t entry_side, int32_t header_w,
                             int32_t header_h, uint16_t bits, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> f = {0, 0};
  PutLE(f, type, 2);
  PutLE(f, static_cast<uint32_t>(count), 2);
  const uint32_t image_at = static_cast<uint32_t>(6 + 16 * listed);
  for (int i = 0; i < listed; ++i) {
    f.insert(f.end(), {entry_side, entry_side, 0, 0});
    PutLE(f, 1, 2);
    PutLE(f, bits, 2);
    PutLE(f, static_cast<uint32_t>(40 + data.size()), 4);
    PutLE(f, image_at, 4);
  }
  PutLE(f, 40, 4);
  PutLE(f, static_cast<uint32_t>(header_w), 4);
  PutLE(f, static_cast<uint32_t>(header_h), 4);
  PutLE(f, 1, 2);
  PutLE(f, bits, 2);
  for (int i = 0; i < 6; ++i) PutLE(f, 0, 4);
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

// ---- any-map and wireless bitmap files

std::vector<uint8_t> Text(const std::string& t) { return {t.begin(), t.end()}; }

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// ---- JPEG-2000: a small picture coded by the library, its size then changed

void Put32BE(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

std::vector<uint8_t> ClaimJ2000(bool jp2, uint32_t w, uint32_t h, uint32_t tile_w, uint32_t tile_h) {
  j2k::Component grey;
  grey.sample = [](uint32_t x, uint32_t y) { return static_cast<int32_t>((x * 7 + y * 3) & 255); };
  std::vector<uint8_t> f = j2k::Encode(64, 64, {grey}, OPJ_CLRSPC_GRAY, jp2);
  EXPECT_FALSE(f.empty());
  if (f.empty()) return f;
  const int64_t siz = j2k::FindMarker(f, 0xFF51);
  EXPECT_GE(siz, 0);
  Put32BE(f, static_cast<size_t>(siz + 6), w);
  Put32BE(f, static_cast<size_t>(siz + 10), h);
  Put32BE(f, static_cast<size_t>(siz + 22), tile_w);
  Put32BE(f, static_cast<size_t>(siz + 26), tile_h);
  if (jp2) {
    const std::vector<uint8_t> ihdr = {'i', 'h', 'd', 'r'};
    const auto at = std::search(f.begin(), f.end(), ihdr.begin(), ihdr.end());
    EXPECT_NE(at, f.end());
    if (at != f.end()) {
      const size_t i = static_cast<size_t>(at - f.begin()) + 4;
      Put32BE(f, i, h);
      Put32BE(f, i + 4, w);
    }
  }
  return f;
}

// ---- TIFF pages over given data, little-endian

using tifftest::Entry;

std::vector<uint8_t> MakeTIFF(std::vector<Entry> entries, const std::vector<uint8_t>& data) {
  tifftest::Builder b;
  b.AddPage({std::move(entries), data});
  return b.Bytes();
}

// A page of one strip: its entries with Compression and byte counts as given.
std::vector<Entry> OneStrip(uint32_t w, uint32_t h, uint32_t bits, uint32_t spp, uint32_t photometric,
                            uint32_t compression, uint32_t byte_count) {
  std::vector<Entry> e = tifftest::StripPage(w, h, bits, spp, photometric, byte_count);
  e[3].values = {compression};
  return e;
}

// Sets the count of the first page's entry Tag (the values stay where they are).
void ClaimTIFFCount(std::vector<uint8_t>& f, uint16_t tag, uint32_t count) {
  const uint32_t ifd = f[4] | f[5] << 8 | f[6] << 16 | static_cast<uint32_t>(f[7]) << 24;
  const int n = f[ifd] | f[ifd + 1] << 8;
  for (int i = 0; i < n; ++i) {
    const size_t at = ifd + 2 + 12 * static_cast<size_t>(i);
    if ((f[at] | f[at + 1] << 8) == tag)
      for (int k = 0; k < 4; ++k) f[at + 4 + k] = static_cast<uint8_t>(count >> (8 * k));
  }
}

std::vector<uint8_t> TIFFLZWZeros(int64_t zeros) {
  TMemoryStream s;
  TTIFFLZWEncodeHandle state;
  const std::vector<uint8_t> row(1 << 16, 0);
  for (int64_t left = zeros; left > 0; left -= static_cast<int64_t>(row.size()))
    TIFFLZWEncode(row.data(), std::min<int64_t>(left, static_cast<int64_t>(row.size())), &s, state);
  TIFFLZWEncode(nullptr, 0, &s, state);
  const auto* b = static_cast<const uint8_t*>(s.Memory());
  return {b, b + s.Size()};
}

// ---- metafiles: a placeable Windows metafile and an enhanced one, each a
// header claiming Side x Side pixels and one rectangle over all of it

std::vector<uint8_t> MakeWMF(int16_t side) {
  std::vector<uint8_t> f;
  PutLE(f, 0x9AC6CDD7u, 4);
  PutLE(f, 0, 2);
  for (int v : {0, 0, int{side}, int{side}}) PutLE(f, static_cast<uint32_t>(v), 2);
  PutLE(f, 96, 2);  // units an inch: one a pixel
  PutLE(f, 0, 4);
  PutLE(f, 0, 2);
  // Standard header: in memory, 9 words, version 3, 19 words in all.
  for (uint32_t v : {1u, 9u, 0x300u}) PutLE(f, v, 2);
  PutLE(f, 19, 4);
  PutLE(f, 0, 2);
  PutLE(f, 7, 4);
  PutLE(f, 0, 2);
  PutLE(f, 7, 4);  // Rectangle(0, 0, side, side): bottom, right, top, left
  PutLE(f, 0x041B, 2);
  for (int v : {int{side}, int{side}, 0, 0}) PutLE(f, static_cast<uint32_t>(v), 2);
  PutLE(f, 3, 4);  // end of file
  PutLE(f, 0, 2);
  f.resize(60, 0);
  return f;
}

std::vector<uint8_t> MakeEMF(int32_t side) {
  const int32_t frame = side * 2540 / 96;  // hundredths of a millimetre
  std::vector<uint8_t> f;
  PutLE(f, 1, 4);
  PutLE(f, 88, 4);
  for (int32_t v : {0, 0, side - 1, side - 1, 0, 0, frame, frame}) PutLE(f, static_cast<uint32_t>(v), 4);
  PutLE(f, 0x464D4520u, 4);
  PutLE(f, 0x10000u, 4);
  PutLE(f, 132, 4);
  PutLE(f, 3, 4);
  PutLE(f, 1, 2);
  PutLE(f, 0, 2);
  for (int i = 0; i < 3; ++i) PutLE(f, 0, 4);
  for (int32_t v : {1920, 1080, 508, 286}) PutLE(f, static_cast<uint32_t>(v), 4);
  PutLE(f, 43, 4);  // a rectangle over everything
  PutLE(f, 24, 4);
  for (int32_t v : {0, 0, side, side}) PutLE(f, static_cast<uint32_t>(v), 4);
  PutLE(f, 14, 4);  // end of file
  PutLE(f, 20, 4);
  PutLE(f, 0, 4);
  PutLE(f, 16, 4);
  PutLE(f, 20, 4);
  return f;
}

// ---- EXIF blocks: an APP1 segment with the TIFF structure Tiff, put behind
// the start of a JPEG file

std::vector<uint8_t> WithExif(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& tiff) {
  std::vector<uint8_t> app1 = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  app1.insert(app1.end(), tiff.begin(), tiff.end());
  const size_t len = app1.size() - 2;
  app1[2] = static_cast<uint8_t>(len >> 8);
  app1[3] = static_cast<uint8_t>(len);
  std::vector<uint8_t> f(jpeg.begin(), jpeg.begin() + 2);
  f.insert(f.end(), app1.begin(), app1.end());
  f.insert(f.end(), jpeg.begin() + 2, jpeg.end());
  return f;
}

// A little-endian TIFF structure whose first directory lists Entries (tag,
// type, count, value) as they stand, counts unchecked.
std::vector<uint8_t> ExifTIFF(const std::vector<std::array<uint32_t, 4>>& entries, uint16_t listed_count) {
  std::vector<uint8_t> t = {'I', 'I', 42, 0, 8, 0, 0, 0};
  PutLE(t, listed_count, 2);
  for (const auto& e : entries) {
    PutLE(t, e[0], 2);
    PutLE(t, e[1], 2);
    PutLE(t, e[2], 4);
    PutLE(t, e[3], 4);
  }
  PutLE(t, 0, 4);
  t.resize(t.size() + 64, 0x41);
  return t;
}

}  // namespace

TEST(HostileFiles, TinyJPEGsClaimingHugeSizesAreRefusedCheaply) {
  std::vector<Case> cases;
  for (bool arithmetic : {false, true})
    for (bool progressive : {false, true}) {
      const std::string kind = std::string(arithmetic ? "arithmetic" : "Huffman") +
                               (progressive ? " progressive" : " sequential");
      const std::vector<uint8_t> small = EncodeJPEG(64, 64, arithmetic, progressive);
      cases.push_back({kind + " as it is", ieftJPEG, small, kLoads});
      for (int side : {8000, 30000, 65500})
        cases.push_back({kind + " claiming " + std::to_string(side) + " square", ieftJPEG,
                         ClaimJPEG(small, side, side), kAborts, true});
      // A single row of blocks: whether it counts as loaded is decided by rows,
      // and its padding costs one row of blocks either way.
      cases.push_back({kind + " claiming 65500 x 16", ieftJPEG, ClaimJPEG(small, 65500, 16), kEither});
    }
  CheckCases(cases);
}

// Valid pictures whose arithmetic coding describes far more pixels per byte
// than any picture meant to be seen: too large to open, not damaged, and
// found out before anything of their size is allocated.
TEST(HostileFiles, ArithmeticCodedPicturesOfOneGreyAreTooLargeToOpen) {
  const std::string too_large = "too large to open";
  // 65500 x 65500 of grey 128, as cjpeg -arithmetic -grayscale writes it:
  // 125 bytes, three of them coded data, that djpeg decodes whole.
  const std::vector<uint8_t> grey65500 = {
    0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01,
    0x00, 0x01, 0x00, 0x00, 0xFF, 0xDB, 0x00, 0x43, 0x00, 0x08, 0x06, 0x06, 0x07, 0x06, 0x05, 0x08,
    0x07, 0x07, 0x07, 0x09, 0x09, 0x08, 0x0A, 0x0C, 0x14, 0x0D, 0x0C, 0x0B, 0x0B, 0x0C, 0x19, 0x12,
    0x13, 0x0F, 0x14, 0x1D, 0x1A, 0x1F, 0x1E, 0x1D, 0x1A, 0x1C, 0x1C, 0x20, 0x24, 0x2E, 0x27, 0x20,
    0x22, 0x2C, 0x23, 0x1C, 0x1C, 0x28, 0x37, 0x29, 0x2C, 0x30, 0x31, 0x34, 0x34, 0x34, 0x1F, 0x27,
    0x39, 0x3D, 0x38, 0x32, 0x3C, 0x2E, 0x33, 0x34, 0x32, 0xFF, 0xC9, 0x00, 0x0B, 0x08, 0xFF, 0xDC,
    0xFF, 0xDC, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xCC, 0x00, 0x06, 0x00, 0x10, 0x10, 0x05, 0xFF, 0xDA,
    0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00, 0x1E, 0xB7, 0x80, 0xFF, 0xD9,
  };
  CheckCases({
      {"65500 square of one grey in 125 bytes", ieftJPEG, grey65500, kAborts, true, nullptr, too_large},
      {"8000 square of one grey", ieftJPEG, EncodeFlatJPEG(8000, 8000, true, false), kAborts, true, nullptr,
       too_large},
      {"6000 square of one grey, progressive", ieftJPEG, EncodeFlatJPEG(6000, 6000, true, true), kAborts, true,
       nullptr, too_large},
      {"600 square of one grey", ieftJPEG, EncodeFlatJPEG(600, 600, true, false), kLoads},
  });
}

TEST(HostileFiles, JPEGsCutShortShowTheRowsTheyHold) {
  std::vector<Case> cases;
  for (bool arithmetic : {false, true})
    for (bool progressive : {false, true}) {
      const std::string kind = std::string(arithmetic ? "arithmetic" : "Huffman") +
                               (progressive ? " progressive" : " sequential");
      const std::vector<uint8_t> f = EncodeJPEG(256, 256, arithmetic, progressive);
      size_t start = 0, end = 0;
      FirstScan(f, start, end);
      ASSERT_GT(end, start + 100) << kind;
      // In the headers: no picture at all.
      for (size_t n : {size_t{2}, size_t{20}, start / 2, start})
        cases.push_back({kind + " cut at " + std::to_string(n), ieftJPEG, Cut(f, n), kAborts});
      // In the first scan: refused before its first row of blocks, shown
      // with the rest padded after.
      // The arithmetic coder leaves out the zero bytes that end its data:
      // where its data were cut cannot be told, and the rest is padded.
      cases.push_back({kind + " cut at 0.03 of its first scan", ieftJPEG,
                       Cut(f, start + static_cast<size_t>(0.03 * (end - start))), arithmetic ? kLoads : kAborts,
                       !arithmetic});
      for (double part : {0.3, 0.45, 0.6, 0.9})
        cases.push_back({kind + " cut at " + std::to_string(part) + " of its first scan", ieftJPEG,
                         Cut(f, start + static_cast<size_t>(part * (end - start))), kLoads});
      // Behind the first scan (only a progressive picture has more): padded.
      for (size_t n : {end + (f.size() - end) / 3, f.size() - 2})
        if (n > end) cases.push_back({kind + " cut at " + std::to_string(n), ieftJPEG, Cut(f, n), kLoads});
    }
  CheckCases(cases);
}

TEST(HostileFiles, PNGsClaimingMoreThanTheirDataCanInflateToAreRefused) {
  const std::vector<uint8_t> ten_rows = DeflatedZeros(10 * (1 + 65536 * 4));
  std::vector<uint8_t> ztxt = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
  const std::vector<uint8_t> bomb = DeflatedZeros(int64_t{256} << 20);
  ztxt.insert(ztxt.end(), bomb.begin(), bomb.end());
  const std::vector<uint8_t> small_rows = DeflatedZeros(64 * (1 + 64 * 3));
  CheckCases({
      {"RGBA claiming 65536 square", ieftPNG, MakePNG(65536, 65536, 6, ten_rows), kAborts, true},
      {"RGB claiming 30000 square", ieftPNG, MakePNG(30000, 30000, 2, ten_rows), kAborts, true},
      {"grey claiming 1 x 2^31-1", ieftPNG, MakePNG(1, 0x7FFFFFFF, 0, ten_rows), kAborts},
      // 256 MB of zeros behind a picture of 64 x 64: only its rows are read.
      {"IDAT bomb behind a small picture", ieftPNG, MakePNG(64, 64, 2, bomb), kEither},
      {"zTXt bomb before a small picture", ieftPNG, MakePNG(64, 64, 2, small_rows, ztxt), kLoads},
  });
}

TEST(HostileFiles, BMPsClaimingMoreThanTheirDataHoldAreRefused) {
  const std::vector<uint8_t> rle_end = {0, 1};  // end of bitmap at once
  std::vector<uint8_t> runs;
  for (int i = 0; i < 64; ++i) runs.insert(runs.end(), {255, 7, 0, 0});
  CheckCases({
      {"24-bit claiming 30000 square", ieftBMP, MakeBMP(30000, 30000, 24, 0, std::vector<uint8_t>(1024)), kAborts,
       true},
      {"32-bit claiming 20000 square", ieftBMP, MakeBMP(20000, 20000, 32, 0, std::vector<uint8_t>(1024)), kAborts,
       true},
      {"RLE8 claiming 60000 square, ending at once", ieftBMP, MakeBMP(60000, 60000, 8, 1, rle_end), kAborts, true},
      {"RLE8 claiming 30000 square with 64 runs", ieftBMP, MakeBMP(30000, 30000, 8, 1, runs), kAborts, true},
      {"RLE4 claiming 30000 square with 64 runs", ieftBMP, MakeBMP(30000, 30000, 4, 2, runs), kAborts, true},
      {"RLE8 of 255 x 64 with one run a row", ieftBMP, MakeBMP(255, 64, 8, 1, runs), kLoads},
      {"24-bit of 16 x 16, whole", ieftBMP, MakeBMP(16, 16, 24, 0, std::vector<uint8_t>(16 * 48)), kLoads},
  });
}

TEST(HostileFiles, GIFsClaimingMoreThanTheirCodesCanHoldAreRefused) {
  // A real picture of one colour: about 1000 indexes per byte of codes.
  std::vector<uint8_t> zeros(1500 * 1500, 0);
  const std::vector<uint8_t> real_bomb = gif::Encode(zeros, 1500, 1500, false, 2);
  CheckCases({
      {"frame claiming 65535 square", ieftGIF, MakeGIF(65535, 65535, {GifFrame(65535, 65535)}), kAborts, true},
      {"frame claiming 4000 square", ieftGIF, MakeGIF(4000, 4000, {GifFrame(4000, 4000)}), kAborts, true},
      {"frame claiming 65535 x 1000", ieftGIF, MakeGIF(1, 1, {GifFrame(65535, 1000)}), kAborts, true},
      // An animation's screen is its canvas: two dots on a screen of 65535 square.
      {"two 1 x 1 frames on a screen of 65535 square", ieftGIF,
       MakeGIF(65535, 65535, {GifFrame(1, 1), GifFrame(1, 1)}), kAborts, true},
      {"1500 square of one colour", ieftGIF, MakeGIF(1500, 1500, {GifFrame(1500, 1500, real_bomb)}), kLoads},
  });
}

TEST(HostileFiles, PCXsClaimingMoreThanTheirRunsHoldAreRefused) {
  CheckCases({
      {"24-bit claiming 60000 square", ieftPCX, MakePCX(60000, 60000, 8, 3, true, PCXRuns(512)), kAborts, true},
      {"16 colours claiming 30000 square", ieftPCX, MakePCX(30000, 30000, 1, 4, true, PCXRuns(512)), kAborts, true},
      {"24-bit claiming 3000 square", ieftPCX, MakePCX(3000, 3000, 8, 3, true, PCXRuns(64)), kAborts, true},
      {"uncoded 24-bit claiming 20000 square", ieftPCX, MakePCX(20000, 20000, 8, 3, false, std::vector<uint8_t>(4096)),
       kAborts, true},
      // 1000 x 1000 grey of 16 runs a row: run-length coding at its best.
      {"1000 square of 63-byte runs", ieftPCX,
       Join(MakePCX(1000, 1000, 8, 1, true, PCXRuns(16 * 1000, 0x80)), Join({12}, std::vector<uint8_t>(768, 7))),
       kLoads},
  });
}

TEST(HostileFiles, TargasClaimingMoreThanTheirPacketsHoldAreRefused) {
  CheckCases({
      {"32-bit run-length claiming 65535 square", ieftTGA, MakeTGA(65535, 65535, 10, 32, 8, TGARuns(200, 4)),
       kAborts, true},
      {"grey run-length claiming 4000 square", ieftTGA, MakeTGA(4000, 4000, 11, 8, 0, TGARuns(100, 1)), kAborts,
       true},
      {"uncoded 24-bit claiming 30000 square", ieftTGA, MakeTGA(30000, 30000, 2, 24, 0, std::vector<uint8_t>(4096)),
       kAborts, true},
      {"colour map of 65535 entries of 32 bits", ieftTGA, MakeTGA(16, 16, 1, 8, 0, {}, 65535, 32), kAborts},
      // 2000 x 2000 grey in packets of 128 pixels: run-length coding at its best.
      {"2000 square of 128-pixel packets", ieftTGA, MakeTGA(2000, 2000, 11, 8, 0, TGARuns(2000 * 2000 / 128, 1)),
       kLoads},
  });
}

TEST(HostileFiles, IconsClaimingHugeImagesOrManyEntriesAreRefused) {
  const std::vector<uint8_t> icon16(16 * 16 * 4 + 16 * 4, 0x55);
  CheckCases({
      {"icon entry claiming 65535 square", ieftICO, MakeICO(1, 1, 1, 0, 65535, 131070, 32, std::vector<uint8_t>(1024)),
       kAborts, true},
      {"icon entry claiming 4000 square", ieftICO, MakeICO(1, 1, 1, 0, 4000, 8000, 32, std::vector<uint8_t>(1024)),
       kAborts, true},
      {"cursor entry claiming 65535 square", ieftCUR, MakeICO(2, 1, 1, 0, 65535, 131070, 8, std::vector<uint8_t>(1024)),
       kAborts, true},
      {"icon of 65535 entries listing one", ieftICO, MakeICO(1, 65535, 1, 16, 16, 32, 32, icon16), kAborts},
      {"icon of 65535 entries of one image", ieftICO, MakeICO(1, 65535, 65535, 16, 16, 32, 32, icon16), kLoads},
      {"icon of 16 x 16, 32 bits", ieftICO, MakeICO(1, 1, 1, 16, 16, 32, 32, icon16), kLoads},
  });
}

TEST(HostileFiles, AnyMapsClaimingHugeSizesOrWithoutEndAreRefused) {
  std::string triples;
  for (int i = 0; i < 100; ++i) triples += "1 2 3 ";
  const std::string mega(1 << 20, '9');
  CheckCases({
      {"P6 claiming 65535 square", ieftPXM, Join(Text("P6\n65535 65535\n255\n"), std::vector<uint8_t>(1000)), kAborts,
       true},
      {"P5 claiming 4000 square", ieftPXM, Join(Text("P5\n4000 4000\n255\n"), std::vector<uint8_t>(1000)), kAborts,
       true},
      {"P3 claiming 30000 square", ieftPXM, Text("P3\n30000 30000\n255\n" + triples), kAborts, true},
      {"P1 claiming 4000 square", ieftPXM, Text("P1\n4000 4000\n" + std::string(100, '1')), kAborts, true},
      {"P4 claiming 2^31-1 x 1", ieftPXM, Join(Text("P4\n2147483647 1\n"), std::vector<uint8_t>(1000)), kAborts,
       true},
      {"P2 of a sample that never ends", ieftPXM, Text("P2\n64 64\n255\n" + mega), kEither},
      {"P5 of a comment that never ends", ieftPXM, Text("P5\n# " + std::string(1 << 20, 'a')), kAborts},
      {"P5 of a width that never ends", ieftPXM, Text("P5\n" + mega), kAborts},
      {"P5 of 64 square whose maximum never comes", ieftPXM, Text("P5 64 64" + std::string(1 << 20, ' ')), kAborts},
      {"P5 of 64 square, whole", ieftPXM, Join(Text("P5\n64 64\n255\n"), std::vector<uint8_t>(64 * 64, 9)), kLoads},
      {"wireless bitmap claiming 2^28 x 2^28", ieftWBMP,
       Join({0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F}, std::vector<uint8_t>(1000)), kAborts, true},
      {"wireless bitmap claiming 20000 square", ieftWBMP,
       Join({0, 0, 0x81, 0x9C, 0x20, 0x81, 0x9C, 0x20}, std::vector<uint8_t>(1000)), kAborts, true},
  });
}

TEST(HostileFiles, JPEG2000sClaimingHugeImagesOrManyTilesAreRefused) {
  CheckCases({
      {"code stream claiming 60000 square", ieftJ2K, ClaimJ2000(false, 60000, 60000, 60000, 60000), kAborts, true},
      {"code stream claiming 60000 square in 1 x 1 tiles", ieftJ2K, ClaimJ2000(false, 60000, 60000, 1, 1), kAborts, true},
      {"code stream claiming 8000 square in 64 x 64 tiles", ieftJ2K, ClaimJ2000(false, 8000, 8000, 64, 64), kAborts, true},
      {"JP2 claiming 60000 square", ieftJP2, ClaimJ2000(true, 60000, 60000, 60000, 60000), kAborts, true},
      {"JP2 claiming 2^31 square in 1 x 1 tiles", ieftJP2, ClaimJ2000(true, 0x80000000u, 0x80000000u, 1, 1),
       kAborts},
      // Its sample bytes once overflowed 64 bits in the check that bounds them.
      {"code stream claiming 2^31-1 square", ieftJ2K,
       ClaimJ2000(false, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF), kAborts},
      {"code stream of 64 square, whole", ieftJ2K, ClaimJ2000(false, 64, 64, 64, 64), kLoads},
  });
}

TEST(HostileFiles, TIFFsClaimingMoreThanTheirStripsAndTilesHoldAreRefused) {
  const std::vector<uint8_t> k1(1024, 0x33);
  // 64 x 65535, a strip a row, every strip the same 64 zeros deflated and
  // counted as 4 GB: each would read the rest of the file.
  std::vector<Entry> many = OneStrip(64, 65535, 8, 1, 1, 8, 0);
  const std::vector<uint8_t> row = DeflatedZeros(64);
  many[5].values.assign(65535, 0);
  many[7].values = {1};
  many[8].values.assign(65535, 0xFFFFFFFFu);
  many[8].type = 4;
  // 64 x 64 in one tile of 16384 square, deflated, with 64 KB of data.
  std::vector<Entry> big_tile = {{256, 4, {64}},    {257, 4, {64}},    {258, 3, {8}},       {259, 3, {8}},
                                 {262, 3, {1}},     {277, 3, {1}},     {322, 4, {16384}},  {323, 4, {16384}},
                                 {324, 4, {0}},     {325, 4, {65536}}};
  std::vector<uint8_t> tile_data = DeflatedZeros(int64_t{16384} * 16384);
  tile_data.resize(65536, 0);
  // 65535 square in 16 x 16 tiles with one tile present.
  std::vector<Entry> small_tiles = {{256, 4, {65535}}, {257, 4, {65535}}, {258, 3, {8}},      {259, 3, {1}},
                                    {262, 3, {1}},     {277, 3, {1}},     {322, 3, {16}},     {323, 3, {16}},
                                    {324, 4, {0}},     {325, 4, {256}}};
  std::vector<uint8_t> offsets_claim = MakeTIFF(OneStrip(64, 64, 8, 1, 1, 1, 4096), std::vector<uint8_t>(4096, 1));
  ClaimTIFFCount(offsets_claim, 273, 0x3FFFFFFF);
  ClaimTIFFCount(offsets_claim, 279, 0x3FFFFFFF);
  // Real pictures of one grey: LZW and deflate at their best.
  const std::vector<uint8_t> lzw4m = TIFFLZWZeros(2048 * 2048);
  const std::vector<uint8_t> zip4m = DeflatedZeros(2048 * 2048);
  const std::vector<uint8_t> zip64m = DeflatedZeros(int64_t{64} << 20);
  std::vector<uint8_t> packbits;
  for (int i = 0; i < 1000; ++i) packbits.insert(packbits.end(), {0x81, 0});
  const std::vector<uint8_t> jpeg = EncodeJPEG(64, 64, false, false);
  auto jpeg_strip = [&](uint32_t side) {
    return MakeTIFF(OneStrip(side, side, 8, 3, 6, 7, static_cast<uint32_t>(jpeg.size())), jpeg);
  };
  CheckCases({
      {"grey claiming 65535 square", ieftTIFF, MakeTIFF(OneStrip(65535, 65535, 8, 1, 1, 1, 1024), k1), kAborts, true},
      {"grey claiming 4000 square", ieftTIFF, MakeTIFF(OneStrip(4000, 4000, 8, 1, 1, 1, 1024), k1), kAborts, true},
      {"RGB claiming 30000 square, its strip 4 GB", ieftTIFF,
       MakeTIFF(OneStrip(30000, 30000, 8, 3, 2, 1, 0xFFFFFFFFu), k1), kAborts, true},
      {"offsets and byte counts claiming 2^30 strips", ieftTIFF, offsets_claim, kEither},
      {"65535 strips, each counted as 4 GB", ieftTIFF, MakeTIFF(many, row), kEither},
      {"a tile of 16384 square on 64 x 64", ieftTIFF, MakeTIFF(big_tile, tile_data), kEither},
      {"65535 square in 16 x 16 tiles, one present", ieftTIFF, MakeTIFF(small_tiles, std::vector<uint8_t>(256)),
       kAborts, true},
      {"LZW claiming 30000 square", ieftTIFF, MakeTIFF(OneStrip(30000, 30000, 8, 1, 1, 5, 1024), k1), kAborts, true},
      {"LZW claiming 4000 square", ieftTIFF, MakeTIFF(OneStrip(4000, 4000, 8, 1, 1, 5, 1024), k1), kAborts, true},
      {"LZW of 2048 square of zeros", ieftTIFF,
       MakeTIFF(OneStrip(2048, 2048, 8, 1, 1, 5, static_cast<uint32_t>(lzw4m.size())), lzw4m), kLoads},
      {"deflate bomb of 64 MB claiming 30000 square", ieftTIFF,
       MakeTIFF(OneStrip(30000, 30000, 8, 1, 1, 8, static_cast<uint32_t>(zip64m.size())), zip64m), kAborts, true},
      {"deflate of 2048 square of zeros", ieftTIFF,
       MakeTIFF(OneStrip(2048, 2048, 8, 1, 1, 8, static_cast<uint32_t>(zip4m.size())), zip4m), kLoads},
      {"PackBits claiming 20000 square", ieftTIFF,
       MakeTIFF(OneStrip(20000, 20000, 8, 1, 1, 32773, static_cast<uint32_t>(packbits.size())), packbits), kAborts,
       true},
      {"JPEG strip of 64 square claiming 4000 square", ieftTIFF, jpeg_strip(4000), kAborts, true},
      {"JPEG strip of 64 square claiming 30000 square", ieftTIFF, jpeg_strip(30000), kAborts, true},
      {"CCITT G4 claiming 65535 square", ieftTIFF, MakeTIFF(OneStrip(65535, 65535, 1, 1, 0, 4, 100), k1), kAborts,
       true},
      // Rows the data could code, each as wide as no fax is (found by the fuzzer).
      {"CCITT G4 claiming 65535 x 20000 with 4 KB", ieftTIFF,
       MakeTIFF(OneStrip(65535, 20000, 1, 1, 0, 4, 4096), std::vector<uint8_t>(4096)), kAborts, true},
      {"CCITT G3 claiming 65535 square", ieftTIFF, MakeTIFF(OneStrip(65535, 65535, 1, 1, 0, 3, 100), k1), kAborts,
       true},
      {"grey of 64 square, whole", ieftTIFF, MakeTIFF(OneStrip(64, 64, 8, 1, 1, 1, 4096), std::vector<uint8_t>(4096, 1)),
       kLoads},
  });
}

// Fax and LZW pages whose data a decoder takes without complaint, claiming
// far more than their size: 32 KB of Group 4 junk, zeros or blank rows as
// 65535 square (each row can cost a single bit), and 64 KB of LZW junk as
// 175 MB. Honest pages of one colour still load.
TEST(HostileFiles, FaxAndLZWPagesStayWithinTheBound) {
  std::mt19937 rng(41);
  std::vector<uint8_t> junk32k(32 << 10), junk64k(64 << 10);
  for (auto& b : junk32k) b = static_cast<uint8_t>(rng());
  for (auto& b : junk64k) b = static_cast<uint8_t>(rng());
  // Group 4 rows equal to the (white) row above: one V0 code, one bit each.
  const std::vector<uint8_t> blank_rows(32 << 10, 0xFF);
  const std::vector<uint8_t> lzw_blank = TIFFLZWZeros(int64_t{3400} * 3400 * 3);
  auto g4 = [](uint32_t w, uint32_t h, const std::vector<uint8_t>& data) {
    return MakeTIFF(OneStrip(w, h, 1, 1, 0, 4, static_cast<uint32_t>(data.size())), data);
  };
  CheckCases({
      {"G4 junk of 32 KB claiming 65535 square", ieftTIFF, g4(65535, 65535, junk32k), kAborts, true},
      {"G4 zeros of 32 KB claiming 65535 square", ieftTIFF, g4(65535, 65535, std::vector<uint8_t>(32 << 10)),
       kAborts, true},
      {"G4 blank rows of 32 KB claiming 65535 square", ieftTIFF, g4(65535, 65535, blank_rows), kAborts, true},
      {"G4 blank page of 4960 x 7016", ieftTIFF, g4(4960, 7016, std::vector<uint8_t>(877, 0xFF)), kLoads},
      {"LZW junk of 64 KB claiming 175 MB", ieftTIFF,
       MakeTIFF(OneStrip(7640, 7640, 8, 3, 2, 5, static_cast<uint32_t>(junk64k.size())), junk64k), kAborts, true},
      {"LZW of one grey, 3400 square in RGB", ieftTIFF,
       MakeTIFF(OneStrip(3400, 3400, 8, 3, 2, 5, static_cast<uint32_t>(lzw_blank.size())), lzw_blank), kLoads},
  });
}

TEST(HostileFiles, EXIFBlocksClaimingHugeCountsCostNothing) {
  const std::vector<uint8_t> jpeg = EncodeJPEG(64, 64, false, false);
  CheckCases({
      {"description of 2^31-1 characters", ieftJPEG, WithExif(jpeg, ExifTIFF({{0x010E, 2, 0x7FFFFFFF, 8}}, 1)),
       kLoads},
      {"strip offsets of 2^30 values", ieftJPEG, WithExif(jpeg, ExifTIFF({{0x0111, 4, 0x3FFFFFFF, 8}}, 1)), kLoads},
      {"directory listing 65535 entries", ieftJPEG, WithExif(jpeg, ExifTIFF({{0x010E, 2, 4, 0x41414141}}, 0xFFFF)),
       kLoads},
      {"EXIF and GPS directories pointing at themselves", ieftJPEG,
       WithExif(jpeg, ExifTIFF({{0x8769, 4, 1, 8}, {0x8825, 4, 1, 8}}, 2)), kLoads},
      {"maker note of 2^31-1 bytes", ieftJPEG,
       WithExif(jpeg, ExifTIFF({{0x8769, 4, 1, 26}, {0x927C, 7, 0x7FFFFFFF, 8}}, 2)), kLoads},
  });
}

TEST(HostileFiles, RawPixelsOfHostileLayoutsCostOnlyTheCallersImage) {
  auto layout = [](int32_t align, int32_t header, uint8_t planar) {
    return [=](TImagoIO& io) {
      io.IEBitmap()->Allocate(512, 512, ieRGB24);
      io.Params()->RawPixelsRowAlign = align;
      io.Params()->RawPixelsHeaderSize = header;
      io.Params()->RawPixelsPlanar = planar;
    };
  };
  const std::vector<uint8_t> k1(1024, 0x21);
  std::vector<Case> cases;
  for (int32_t align : {0, 7, 1 << 20, 0x7FFFFFFF})
    for (int32_t header : {0, 0x7FFFFFFF})
      for (uint8_t planar : {0, 1, 200})
        cases.push_back({"align " + std::to_string(align) + ", header " + std::to_string(header) + ", planar " +
                             std::to_string(planar),
                         ieftRawPixels, k1, kEither, false, layout(align, header, planar)});
  CheckCases(cases);
}

// A camera file of a few hundred bytes in the TIFF layout: make and model in
// the first directory, a sub-directory of Width x Height with the
// compression given, and Data as its sensor data.
std::vector<uint8_t> CameraTiff(const std::string& make, const std::string& model, uint32_t compression,
                                uint32_t width, uint32_t height, const std::vector<uint8_t>& data) {
  rawtest::File f(0xD0);
  rawtest::TiffHeader(f, 0);
  rawtest::Ifd(f, 8, {{271, 2, 24, 0x40}, {272, 2, 24, 0x60}, {273, 4, 1, 0xD0}, {330, 4, 1, 0x80}});
  f.Text(0x40, make);
  f.Text(0x60, model);
  rawtest::Ifd(f, 0x80, {{256, 4, 1, width}, {257, 4, 1, height}, {259, 3, 1, compression},
                         {262, 3, 1, 32803}, {273, 4, 1, 0xD0}});
  f.Bytes(0xD0, data);
  return f.b;
}

TEST(HostileFiles, CameraRawFilesNamingLargeSensorsAreRefusedCheaply) {
  std::mt19937 rng(41);
  std::vector<uint8_t> junk(224);
  for (auto& b : junk) b = static_cast<uint8_t>(rng());
  // The sizes come from the camera table (a Pentax and a Sony) or from the
  // tags (a Kodak): millions of pixels from 224 bytes of data.
  const auto pef = CameraTiff("PENTAX Corporation", "*ist D", 1, 16, 8, junk);
  const auto srf = CameraTiff("SONY", "DSC-F828", 1, 16, 8, junk);
  const auto dcr = CameraTiff("KODAK", "DCS Pro 14n", 65000, 4500, 3000, junk);
  const auto dcr_easy = CameraTiff("KODAK", "DCS760C", 1, 3032, 2008, junk);
  // An honest small file: 64 x 48 eight-bit samples.
  std::vector<uint8_t> samples(64 * 48);
  for (auto& b : samples) b = static_cast<uint8_t>(rng());
  const auto small = CameraTiff("KODAK", "DCS760C", 1, 64, 48, samples);
  ASSERT_LT(pef.size(), 500u);
  CheckCases({
      {"PEF layout naming 3040 x 2024", ieftRAW, pef, kAborts, true, nullptr, "data"},
      {"SRF layout naming 3288 x 2460", ieftRAW, srf, kAborts, true, nullptr, "data"},
      {"DCR layout claiming 4500 x 3000", ieftRAW, dcr, kAborts, true, nullptr, "data"},
      {"DCR plain layout claiming 3032 x 2008", ieftRAW, dcr_easy, kAborts, true, nullptr, "data"},
      {"DCR plain layout of 64 x 48", ieftRAW, small, kLoads},
  });
}

TEST(HostileFiles, MetafilesClaimingHugeSizesAreDrawnWithinAScreensWorth) {
  const std::vector<uint8_t> wmf = MakeWMF(16000), emf = MakeEMF(16000);
  ASSERT_EQ(wmf.size(), 60u);
  ASSERT_EQ(emf.size(), 132u);
  CheckCases({
      {"placeable metafile claiming 16000 square", ieftWMF, wmf, kLoads},
      {"enhanced metafile claiming 16000 square", ieftEMF, emf, kLoads},
      {"placeable metafile of 200 square", ieftWMF, MakeWMF(200), kLoads},
  });
}
