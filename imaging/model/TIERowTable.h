// Random access to every row of an image for the length of one operation.
// Rows of an image in memory are reached directly; the rows of an image kept
// in a temporary file are read into memory once (and written back at the end
// when asked for), since such a row is valid only until the next GetScanline.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TIEBitmap;

class TIERowTable {
 public:
  TIERowTable(TIEBitmap* Image, bool Write);
  ~TIERowTable();
  TIERowTable(const TIERowTable&) = delete;
  TIERowTable& operator=(const TIERowTable&) = delete;

  uint8_t* operator[](int32_t y) const { return rows_[static_cast<size_t>(y)]; }
  int32_t Count() const { return static_cast<int32_t>(rows_.size()); }
  // Writes a temporary-file copy back now (the destructor does it otherwise).
  void Flush();

 private:
  TIEBitmap* image_;
  bool write_;
  std::vector<uint8_t*> rows_;
  std::vector<uint8_t> copy_;
};
