#include "imaging/model/TIERowTable.h"

#include <cstring>

#include "imaging/model/TIEBitmap.h"

TIERowTable::TIERowTable(TIEBitmap* Image, bool Write) : image_(Image), write_(Write) {
  const int32_t h = Image->Height();
  const int64_t len = Image->RowLen();
  rows_.resize(static_cast<size_t>(h > 0 ? h : 0));
  if (Image->IsEmpty()) return;
  if (Image->Location() == ieTempFile) {
    copy_.resize(static_cast<size_t>(len * h));
    uint8_t saved = Image->Access;
    Image->Access = iedRead;
    for (int32_t y = 0; y < h; ++y) {
      rows_[static_cast<size_t>(y)] = copy_.data() + len * y;
      std::memcpy(rows_[static_cast<size_t>(y)], Image->GetScanline(y), static_cast<size_t>(len));
    }
    Image->UnmapRows();
    Image->Access = saved;
  } else {
    for (int32_t y = 0; y < h; ++y) rows_[static_cast<size_t>(y)] = Image->GetScanline(y);
  }
}

void TIERowTable::Flush() {
  if (!write_ || copy_.empty()) return;
  const int64_t len = image_->RowLen();
  uint8_t saved = image_->Access;
  image_->Access = iedWrite;
  for (int32_t y = 0; y < Count(); ++y)
    std::memcpy(image_->GetScanline(y), rows_[static_cast<size_t>(y)], static_cast<size_t>(len));
  image_->UnmapRows();
  image_->Access = saved;
}

TIERowTable::~TIERowTable() { Flush(); }
