// A small TIFF builder for the reader's tests: one or more pages of given
// entries over given data, in either byte order.
#pragma once

#include <cstdint>
#include <vector>

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

}  // namespace tifftest
