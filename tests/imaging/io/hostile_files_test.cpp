// Hostile files cost bounded memory, disk and time: tiny files claiming huge
// sizes, zlib bombs, JPEG data of every coding cut short at many points. Each
// is built here, loaded through the input/output component, and its peak
// resident memory and temporary-file bytes are measured during the load.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"

// After the platform types: the library's header needs size_t and FILE.
#include <jpeglib.h>

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
};

Cost Load(const std::vector<uint8_t>& file, int32_t type) {
  Cost c;
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  // Rows of any image above 1 MB go to a temporary file, as a picture too
  // large for memory would.
  io->IEBitmap()->MemoryThreshold = 1 << 20;
  io->OnProgress = [&](TObject*, int32_t) { c.temp_bytes = std::max(c.temp_bytes, TemporaryImageBytes()); };
  TIEMemStream stream(file.data(), static_cast<int64_t>(file.size()));
  const int64_t before = Resident();
  ResetPeakResident();
  io->LoadFromStreamOfType(&stream, type);
  c.peak_memory = std::max<int64_t>(0, PeakResident() - before);
  c.temp_bytes = std::max(c.temp_bytes, TemporaryImageBytes());
  c.aborted = io->Aborted();
  c.reason = io->AbortReason();
  return c;
}

// What a load may cost: a small multiple of the file's size plus a fixed
// allowance for the libraries and the test's own bookkeeping.
constexpr int64_t kAllowance = int64_t{48} << 20;
int64_t Bound(const std::vector<uint8_t>& file) { return 8 * static_cast<int64_t>(file.size()) + kAllowance; }

enum Expect { kLoads, kAborts, kEither };

struct Case {
  std::string name;
  int32_t type;
  std::vector<uint8_t> file;
  Expect expect;
  bool refused = false;  // aborted with a reason: the reader understood the file
};

void CheckCases(const std::vector<Case>& cases) {
  ASSERT_TRUE(ResetPeakResident()) << "peak resident memory cannot be reset here";
  for (const Case& k : cases) {
    const Cost c = Load(k.file, k.type);
    SCOPED_TRACE(k.name + " (" + std::to_string(k.file.size()) + " bytes): memory " +
                 std::to_string(c.peak_memory >> 10) + " KiB, temporary files " +
                 std::to_string(c.temp_bytes >> 10) + " KiB, reason \"" + c.reason + "\"");
    EXPECT_LE(c.peak_memory, Bound(k.file));
    EXPECT_LE(c.temp_bytes, Bound(k.file));
    if (k.expect != kEither) {
      EXPECT_EQ(c.aborted, k.expect == kAborts);
    }
    if (k.refused) {
      EXPECT_FALSE(c.reason.empty());
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
                         ClaimJPEG(small, side, side), kAborts, !(arithmetic && progressive)});
      // A single row of blocks: whether it counts as loaded is decided by rows,
      // and its padding costs one row of blocks either way.
      cases.push_back({kind + " claiming 65500 x 16", ieftJPEG, ClaimJPEG(small, 65500, 16), kEither});
    }
  CheckCases(cases);
}

TEST(HostileFiles, JPEGsCutShortLoadWhenTheyHoldHalfTheirPicture) {
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
      // In the first scan: refused before half of it, padded after.
      for (double part : {0.05, 0.3, 0.45})
        cases.push_back({kind + " cut at " + std::to_string(part) + " of its first scan", ieftJPEG,
                         Cut(f, start + static_cast<size_t>(part * (end - start))), kAborts, true});
      for (double part : {0.6, 0.9})
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
