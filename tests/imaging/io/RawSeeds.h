// Small camera files of every container the decoder knows, as seeds of the
// camera-RAW fuzz smoke runs: each is identified and claims a small picture,
// so that a run reaches the loaders and the colour steps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RawTestSupport.h"

namespace rawtest {

inline std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  Lcg r(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(r.Next() >> 16);
  return v;
}

// A lossless JPEG header for JHigh x JWide samples, then coded-looking bytes.
inline std::vector<uint8_t> LosslessJpegSeed(int jhigh, int jwide) {
  std::vector<uint8_t> out = {0xFF, 0xD8, 0xFF, 0xC3, 0, 8, 12, 0, static_cast<uint8_t>(jhigh), 0,
                              static_cast<uint8_t>(jwide / 2), 2};
  const uint8_t spec[] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  out.insert(out.end(), {0xFF, 0xC4, 0, static_cast<uint8_t>(2 + 2 * (1 + sizeof spec)), 0});
  out.insert(out.end(), spec, spec + sizeof spec);
  out.push_back(1);
  out.insert(out.end(), spec, spec + sizeof spec);
  out.insert(out.end(), {0xFF, 0xDA, 0, 8, 1, 0, 0, 0, 0, 0});
  const auto coded = RandomBytes(200, 7);
  out.insert(out.end(), coded.begin(), coded.end());
  return out;
}

// A TIFF-based file: make, model, a sub-directory of H x W with the
// compression given, its data at 0x400, and Extra entries in the main
// directory.
inline std::vector<uint8_t> TiffSeed(const std::string& make, const std::string& model, uint32_t compression,
                                     std::vector<uint8_t> data, std::vector<Entry> extra = {}) {
  File f(0x400);
  TiffHeader(f, 0);
  std::vector<Entry> e = {{271, 2, 32, 0x200}, {272, 2, 32, 0x240}, {273, 4, 1, 0x400}, {330, 4, 1, 0x100}};
  e.insert(e.end(), extra.begin(), extra.end());
  Ifd(f, 8, e);
  f.Text(0x200, make);
  f.Text(0x240, model);
  Ifd(f, 0x100, {{256, 4, 1, 16}, {257, 4, 1, 8}, {259, 3, 1, compression}, {262, 3, 1, 32803}, {273, 4, 1, 0x400}});
  f.Bytes(0x400, data);
  return f.b;
}

inline std::vector<std::vector<uint8_t>> RawSeedFiles() {
  std::vector<std::vector<uint8_t>> seeds;
  seeds.push_back(TiffSeed("Canon", "Canon EOS 999", 6, LosslessJpegSeed(8, 16)));
  seeds.push_back(TiffSeed("KODAK", "DCS560C", 65000, RandomBytes(400, 2)));
  seeds.push_back(TiffSeed("KODAK", "DCS Pro 14n", 7, LosslessJpegSeed(8, 16)));
  seeds.push_back(TiffSeed("OLYMPUS OPTICAL CO.,LTD", "E-1", 1, RandomBytes(300, 3)));
  {  // Nikon with a maker note: white balance and the curve's place.
    File note(0, true);
    TiffHeader(note, 0);
    Ifd(note, 8, {{150, 7, 40, 0x40}, {151, 7, 40, 0x80}, {12, 4, 4, 0xC0}});
    note.Bytes(0x40, RandomBytes(0x90, 4));
    std::vector<uint8_t> data = RandomBytes(300, 5);
    auto f = TiffSeed("NIKON CORPORATION", "NIKON D70", 34713, data, {{34665, 4, 1, 0x180}});
    File g;
    g.b = f;
    Ifd(g, 0x180, {{37500, 7, 100, 0x600}});
    g.Text(0x600, "Nikon");
    g.Bytes(0x60A, note.b);
    seeds.push_back(g.b);
  }
  {  // Leaf: the raw size and data from tag 324.
    File f(0x400);
    TiffHeader(f, 0);
    Ifd(f, 8, {{256, 4, 1, 16}, {257, 4, 1, 8}, {324, 4, 1, 0x200}});
    f.Bytes(0x200, RandomBytes(256, 6));
    seeds.push_back(f.b);
  }
  {  // CIFF: make and model, sensor size, table set, white balance records.
    File f(0);
    f.Text(0, "II", false);
    f.U32(2, 26);
    f.Text(6, "HEAPCCDR", false);
    const size_t s = 26;
    f.Text(s + 0x10, "Canon");
    f.Text(s + 0x16, "Canon EOS 10D");
    f.U16(s + 0x40 + 2, 16);
    f.U16(s + 0x40 + 4, 8);
    f.U32(s + 0x50, 1);
    f.U16(s + 0x60 + 14, 16);
    f.Bytes(s + 0x80, RandomBytes(0x80, 8));
    f.U16(s + 0x100 + 2, 0);
    f.U32(s + 0x100 + 2, 0x80008);
    f.U32(s + 0x100 + 6, 1);
    f.U16(s + 0x100 + 10, 12);
    const struct {
      uint16_t type;
      uint32_t len, off;
    } records[] = {{0x080A, 32, 0x10}, {0x1031, 8, 0x40}, {0x1835, 4, 0x50},  {0x102A, 32, 0x60},
                   {0x102C, 160, 0x80}, {0x0032, 160, 0x80}, {0x10A9, 64, 0x80}, {0x1030, 200, 0x100}};
    const size_t table = 0x400;
    f.U16(s + table, 8);
    for (size_t i = 0; i < 8; ++i) {
      f.U16(s + table + 2 + 10 * i, records[i].type);
      f.U32(s + table + 4 + 10 * i, records[i].len);
      f.U32(s + table + 8 + 10 * i, records[i].off);
    }
    f.U32(s + table + 0x100 - 4, static_cast<uint32_t>(table));
    f.Bytes(s + table + 0x100, RandomBytes(600, 9));
    // The block covers the whole file after the header.
    f.U32(f.Size() - 4, static_cast<uint32_t>(table));
    seeds.push_back(f.b);
  }
  {  // Rollei.
    File f(0x600);
    const char* records[] = {"DSC-Image", "HDR=768", "X  =16", "Y  =8", "EOHD"};
    for (size_t i = 0; i < 5; ++i) f.Text(i * 128, records[i]);
    f.Bytes(768, RandomBytes(200, 10));
    seeds.push_back(f.b);
  }
  {  // Three-layer sensor: code table at 260, properties at the end.
    File f(0);
    f.Text(0, "FOVb", false);
    f.U32(248, 6);
    f.U32(252, 5);
    for (uint32_t i = 0; i < 8; ++i) f.U32(260 + 2048 + 4 * i, (3u << 27) | i);
    f.Bytes(260, RandomBytes(16, 11));
    f.Bytes(260 + 2048 + 4096, RandomBytes(200, 12));
    const size_t p = f.Size();
    f.U32(p + 8, 0);
    const size_t s = p + 24;
    const std::string text = std::string("CAMMANUF") + '\0' + "SIGMA" + '\0' + "CAMMODEL" + '\0' + "SD10" + '\0';
    for (size_t i = 0; i < text.size(); ++i) f.U16(s + 2 * i, static_cast<uint8_t>(text[i]));
    const size_t dir = s + 2 * text.size();
    f.Text(dir, "CAMF", false);
    f.U32(dir + 4, static_cast<uint32_t>(p));
    f.U32(f.Size(), static_cast<uint32_t>(dir));
    seeds.push_back(f.b);
  }
  {  // Minolta's own container.
    File f(0x200, true);
    f.Text(0, std::string("\0MRM", 4), false);
    f.U32(4, 0x100 - 8);
    f.U16(24, 8);
    f.U16(26, 16);
    TiffHeader(f, 48);
    Ifd(f, 56, {{271, 2, 18, 0x80}, {272, 2, 10, 0xA0}});
    f.Text(48 + 0x80, "Minolta Co., Ltd.");
    f.Text(48 + 0xA0, "DiMAGE 7");
    f.Bytes(0x100, RandomBytes(256, 13));
    seeds.push_back(f.b);
  }
  {  // Nucore.
    File f(0x100);
    f.Text(0, "BR", false);
    f.U32(10, 0x40);
    f.U32(18, 16);
    f.U32(22, 8);
    f.Bytes(0x40, RandomBytes(256, 14));
    seeds.push_back(f.b);
  }
  {  // Phase One.
    File f(0x100, true);
    f.Text(0, "MMMMRawT", false);
    f.U32(12 + 136, 16);
    f.U32(12 + 136 + 16, 8);
    f.Bytes(0x100, RandomBytes(600, 15));
    seeds.push_back(f.b);
  }
  // A headerless Kodak DC20.
  seeds.push_back(RandomBytes(62464, 16));
  return seeds;
}

}  // namespace rawtest
