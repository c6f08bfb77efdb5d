// A small TIFF builder for the reader's tests: one or more pages of given
// entries over given data, in either byte order.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// After the standard headers: the library's header needs size_t and FILE.
#include <jpeglib.h>

namespace tifftest {

struct Entry {
  uint16_t tag, type;
  std::vector<uint32_t> values;  // numbers of the entry's type, or bytes
};

struct Page {
  std::vector<Entry> entries;
  std::vector<uint8_t> data;  // placed before the page's directory
  // Offsets are patched: entries 273/324 hold offsets relative to data.
};

class Builder {
 public:
  explicit Builder(bool big_endian = false) : be_(big_endian) {
    out_ = {static_cast<uint8_t>(be_ ? 'M' : 'I'), static_cast<uint8_t>(be_ ? 'M' : 'I')};
    Put16(42);
    Put32(0);
  }
  // Appends a page; the entries 273 and 324 hold offsets into Data. Returns
  // the position of its directory.
  uint32_t AddPage(Page page) {
    const uint32_t data_at = static_cast<uint32_t>(out_.size());
    out_.insert(out_.end(), page.data.begin(), page.data.end());
    for (Entry& e : page.entries)
      if (e.tag == 273 || e.tag == 324)
        for (uint32_t& v : e.values) v += data_at;
    // Out-of-line values first.
    std::vector<uint32_t> where(page.entries.size(), 0);
    for (size_t i = 0; i < page.entries.size(); ++i) {
      const Entry& e = page.entries[i];
      if (Size(e) > 4) {
        if (out_.size() % 2) out_.push_back(0);
        where[i] = static_cast<uint32_t>(out_.size());
        PutValues(e);
      }
    }
    if (out_.size() % 2) out_.push_back(0);
    const uint32_t ifd = static_cast<uint32_t>(out_.size());
    Patch32(last_next_, ifd);
    Put16(static_cast<uint16_t>(page.entries.size()));
    for (size_t i = 0; i < page.entries.size(); ++i) {
      const Entry& e = page.entries[i];
      Put16(e.tag);
      Put16(e.type);
      Put32(static_cast<uint32_t>(Count(e)));
      if (Size(e) > 4) {
        Put32(where[i]);
      } else {
        const size_t at = out_.size();
        PutValues(e);
        while (out_.size() < at + 4) out_.push_back(0);
      }
    }
    last_next_ = out_.size();
    Put32(0);
    return ifd;
  }
  std::vector<uint8_t>& Bytes() { return out_; }
  void Patch32(size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) out_[at + k] = static_cast<uint8_t>(be_ ? v >> (24 - 8 * k) : v >> (8 * k));
  }
  size_t LastNextPointer() const { return last_next_; }

 private:
  static size_t TypeSize(uint16_t t) { return t == 3 || t == 8 ? 2 : t == 4 || t == 9 ? 4 : t == 5 || t == 10 ? 8 : 1; }
  static size_t Count(const Entry& e) { return e.type == 5 || e.type == 10 ? e.values.size() / 2 : e.values.size(); }
  static size_t Size(const Entry& e) { return Count(e) * TypeSize(e.type); }
  void Put16(uint32_t v) {
    if (be_) {
      out_.push_back(static_cast<uint8_t>(v >> 8));
      out_.push_back(static_cast<uint8_t>(v));
    } else {
      out_.push_back(static_cast<uint8_t>(v));
      out_.push_back(static_cast<uint8_t>(v >> 8));
    }
  }
  void Put32(uint32_t v) {
    if (be_) {
      Put16(v >> 16);
      Put16(v & 0xFFFF);
    } else {
      Put16(v & 0xFFFF);
      Put16(v >> 16);
    }
  }
  void PutValues(const Entry& e) {
    for (uint32_t v : e.values) {
      const size_t ts = e.type == 5 || e.type == 10 ? 4 : TypeSize(e.type);
      if (ts == 1) out_.push_back(static_cast<uint8_t>(v));
      else if (ts == 2) Put16(v);
      else Put32(v);
    }
  }
  bool be_;
  std::vector<uint8_t> out_;
  size_t last_next_ = 4;
};

// The usual entries of an uncompressed strip page.
inline std::vector<Entry> StripPage(uint32_t w, uint32_t h, uint32_t bits, uint32_t spp, uint32_t photometric,
                                    uint32_t data_size) {
  std::vector<Entry> e = {{256, 4, {w}}, {257, 4, {h}}, {258, 3, {}}, {259, 3, {1}}, {262, 3, {photometric}},
                          {273, 4, {0}}, {277, 3, {spp}}, {278, 4, {h}}, {279, 4, {data_size}}};
  for (uint32_t i = 0; i < spp; ++i) e[2].values.push_back(bits);
  return e;
}

// JPEG data of a TIFF page as some writers make it: RGB samples coded
// without conversion, components numbered 0, 1, 2 and no JFIF or Adobe
// marker to say so, the tables apart (the JPEGTables entry) and the image
// abbreviated. Rgb holds w x h pixels, red first.
struct JpegParts {
  std::vector<uint8_t> tables, image;
};
inline JpegParts UnmarkedRGBJpeg(int w, int h, const std::vector<uint8_t>& rgb) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, JCS_RGB);
  jpeg_set_quality(&c, 95, TRUE);
  c.write_JFIF_header = FALSE;
  c.write_Adobe_marker = FALSE;
  for (int i = 0; i < 3; ++i) c.comp_info[i].component_id = i;
  JpegParts parts;
  auto take = [](unsigned char*& buf, unsigned long size, std::vector<uint8_t>& to) {
    to.assign(buf, buf + size);
    std::free(buf);
    buf = nullptr;
  };
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buf, &size);
  jpeg_write_tables(&c);
  take(buf, size, parts.tables);
  size = 0;
  jpeg_mem_dest(&c, &buf, &size);
  jpeg_start_compress(&c, FALSE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + size_t{c.next_scanline} * w * 3);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  take(buf, size, parts.image);
  jpeg_destroy_compress(&c);
  return parts;
}

// A page of one JPEG-compressed strip with photometric RGB over Parts.
inline std::vector<uint8_t> JpegPage(int w, int h, const JpegParts& parts) {
  std::vector<Entry> e = StripPage(static_cast<uint32_t>(w), static_cast<uint32_t>(h), 8, 3, 2,
                                   static_cast<uint32_t>(parts.image.size()));
  e[3].values = {7};
  e.push_back({347, 7, std::vector<uint32_t>(parts.tables.begin(), parts.tables.end())});
  Builder b;
  b.AddPage({e, parts.image});
  return b.Bytes();
}

// Red rising from left to right, blue falling: the picture whose colours a
// wrong conversion turns red to green.
inline std::vector<uint8_t> BlueToRed(int w, int h) {
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<uint8_t>(x * 255 / (w - 1));
      p[1] = 0;
      p[2] = static_cast<uint8_t>(255 - p[0]);
    }
  return rgb;
}

// Chunky YCbCr units of a w x h page subsampled sh x sv: for each block its
// luma samples row by row, then Cb and Cr, from the picture's own
// functions of the pixel position.
template <typename Y, typename Cb, typename Cr>
std::vector<uint8_t> YCbCrUnits(int w, int h, int sh, int sv, Y luma, Cb cb, Cr cr) {
  std::vector<uint8_t> out;
  for (int by = 0; by < (h + sv - 1) / sv; ++by)
    for (int bx = 0; bx < (w + sh - 1) / sh; ++bx) {
      for (int j = 0; j < sv; ++j)
        for (int i = 0; i < sh; ++i) out.push_back(luma(bx * sh + i, by * sv + j));
      out.push_back(cb(bx, by));
      out.push_back(cr(bx, by));
    }
  return out;
}

}  // namespace tifftest
