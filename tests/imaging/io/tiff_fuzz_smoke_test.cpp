// A short run of the TIFF reader's fuzz target: pages of many layouts (strips
// and tiles, planes, palettes, depths, LZW and PackBits data, chained pages)
// in both byte orders, then thousands of deterministic mutations of them,
// among them extreme values in the directory entries.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "TiffTestSupport.h"
#include "imaging/io/formats/TIFFLZW.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

using tifftest::Builder;
using tifftest::Entry;

std::vector<uint8_t> Lzw(const std::vector<uint8_t>& in) {
  TMemoryStream out;
  TTIFFLZWEncodeHandle state;
  TIFFLZWEncode(in.data(), static_cast<int64_t>(in.size()), &out, state);
  TIFFLZWEncode(nullptr, 0, &out, state);
  return codec::Bytes(out);
}

std::vector<std::vector<uint8_t>> Seeds() {
  std::vector<std::vector<uint8_t>> seeds;
  std::vector<uint8_t> pixels(6 * 5 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 37);
  struct Layout {
    uint32_t bits, spp, photometric, compression, planar;
    bool tiles, big_endian;
  } layouts[] = {{8, 3, 2, 1, 1, false, false}, {8, 3, 2, 5, 1, false, true},  {8, 4, 2, 32773, 1, false, false},
                 {8, 3, 2, 1, 2, false, true},  {16, 1, 1, 1, 1, false, true}, {4, 1, 3, 1, 1, false, false},
                 {1, 1, 0, 5, 1, false, false}, {8, 1, 0, 1, 1, true, true},   {8, 4, 5, 5, 1, true, false},
                 {8, 2, 1, 1, 1, false, false}, {2, 1, 1, 1, 1, false, true},  {8, 3, 8, 1, 1, false, false}};
  for (const Layout& l : layouts) {
    const uint32_t w = 6, h = 5;
    const uint32_t row = (w * l.bits * (l.planar == 2 ? 1 : l.spp) + 7) / 8;
    const uint32_t planes = l.planar == 2 ? l.spp : 1;
    std::vector<uint8_t> raw(pixels.begin(), pixels.begin() + row * h);
    std::vector<uint8_t> block = l.compression == 5 ? Lzw(raw) : raw;
    if (l.compression == 32773) {  // literal runs of one row each
      block.clear();
      for (uint32_t y = 0; y < h; ++y) {
        block.push_back(static_cast<uint8_t>(row - 1));
        block.insert(block.end(), raw.begin() + y * row, raw.begin() + (y + 1) * row);
      }
    }
    std::vector<uint8_t> data;
    std::vector<uint32_t> offsets, counts;
    for (uint32_t p = 0; p < planes; ++p) {
      offsets.push_back(static_cast<uint32_t>(data.size()));
      counts.push_back(static_cast<uint32_t>(block.size()));
      data.insert(data.end(), block.begin(), block.end());
    }
    std::vector<Entry> e = {{256, 4, {w}}, {257, 4, {h}}, {258, 3, std::vector<uint32_t>(l.spp, l.bits)},
                            {259, 3, {l.compression}}, {262, 3, {l.photometric}}, {277, 3, {l.spp}},
                            {284, 3, {l.planar}}, {317, 3, {l.compression == 5 ? 2u : 1u}}};
    if (l.tiles) {
      e.push_back({322, 4, {w}});
      e.push_back({323, 4, {h}});
      e.push_back({324, 4, offsets});
      e.push_back({325, 4, counts});
    } else {
      e.push_back({273, 4, offsets});
      e.push_back({278, 4, {h}});
      e.push_back({279, 4, counts});
    }
    if (l.photometric == 3) {
      Entry map{320, 3, {}};
      for (int i = 0; i < 48; ++i) map.values.push_back(static_cast<uint32_t>(i * 1361));
      e.push_back(map);
    }
    if (l.spp == 4 && l.photometric == 2) e.push_back({338, 3, {2}});
    Builder b(l.big_endian);
    b.AddPage({e, data});
    b.AddPage({tifftest::StripPage(2, 2, 8, 1, 1, 4), {1, 2, 3, 4}});
    seeds.push_back(b.Bytes());
  }
  return seeds;
}

}  // namespace

TEST(TiffFuzzSmoke, MutatedFilesNeverMisbehave) {
  const auto seeds = Seeds();
  const uint32_t extremes[] = {0, 1, 2, 3, 7, 8, 255, 256, 65535, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
  const std::vector<codec::Mutation> own = {
      [&](std::vector<uint8_t>& m, std::mt19937& rng) {  // an extreme value in a directory entry
        if (m.size() < 16) return;
        const size_t at = m.size() / 2 + rng() % (m.size() / 2 - 4);
        const uint32_t v = extremes[rng() % std::size(extremes)];
        for (int k = 0; k < 4; ++k) m[at + k] = static_cast<uint8_t>(v >> (8 * k));
      },
      [&](std::vector<uint8_t>& m, std::mt19937& rng) {  // the first directory somewhere else
        const uint32_t v = rng() % 3 ? static_cast<uint32_t>(rng() % m.size()) : extremes[rng() % std::size(extremes)];
        for (int k = 0; k < 4; ++k) m[4 + k] = static_cast<uint8_t>(v >> (8 * k));
      }};
  EXPECT_EQ(codec::RunMutations(LLVMFuzzerTestOneInput, seeds, own, 150), 150 * static_cast<int>(seeds.size()));
}

// Found by the fuzzer: JPEG tables the JPEG library refuses (a Huffman table
// of more than 256 codes) made the reader throw out of the page.
TEST(TiffFuzzSmoke, JPEGTablesTheLibraryRefusesAbortThePage) {
  std::vector<uint32_t> tables = {0xFF, 0xD8, 0xFF, 0xC4, 0, 19, 0x00};
  for (int i = 0; i < 16; ++i) tables.push_back(255);
  tables.insert(tables.end(), {0xFF, 0xD9});
  const std::vector<uint8_t> strip = {0xFF, 0xD8, 0xFF, 0xD9};
  std::vector<Entry> e = tifftest::StripPage(8, 8, 8, 3, 6, static_cast<uint32_t>(strip.size()));
  e[3].values = {7};
  e.push_back({347, 7, tables});
  Builder b;
  b.AddPage({e, strip});
  const std::vector<uint8_t> file = b.Bytes();
  EXPECT_EQ(LLVMFuzzerTestOneInput(file.data(), file.size()), 0);
}

// Found by the fuzzer: sample counts and depths up to 2^31 made the check
// that bounds a page's data size overflow (undefined behaviour) before
// anything was refused.
TEST(TiffFuzzSmoke, ExtremeSampleCountsAndDepthsAreRefused) {
  const uint32_t big[] = {0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 65535};
  for (uint32_t spp : big)
    for (uint32_t bits : big)
      for (uint32_t compression : {1u, 5u, 3u}) {
        std::vector<Entry> e = tifftest::StripPage(0x7FFFFFFF, 0x7FFFFFFF, 8, 1, 1, 16);
        e[2].values = {bits};
        e[2].type = 4;
        e[3].values = {compression};
        e[6] = {277, 4, {spp}};
        Builder b;
        b.AddPage({e, std::vector<uint8_t>(16, 0x55)});
        const std::vector<uint8_t> file = b.Bytes();
        EXPECT_EQ(LLVMFuzzerTestOneInput(file.data(), file.size()), 0);
      }
}

// An old-style JPEG page whose data offset lies before the file's start:
// refused, where seeking there threw out of the reader.
TEST(TiffFuzzSmoke, AnOldJPEGOffsetBeforeTheFileIsRefused) {
  const std::vector<uint8_t> file = {
      0x4D, 0x4D, 0x4D, 0x00, 0x00, 0x00, 0x00, 0x08, 0xFF, 0xFF, 0x00, 0x4D, 0xFE, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x01, 0x00, 0x08, 0x00, 0x00, 0x00, 0x0A, 0xFF, 0xFF,
      0x7F, 0x05, 0x00, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90,
      0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90,
      0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x90,
      0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90,
      0x7A, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90,
      0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90,
      0x90, 0x90, 0x90, 0x90, 0x90, 0x90,
  };
  EXPECT_EQ(LLVMFuzzerTestOneInput(file.data(), file.size()), 0);
}
