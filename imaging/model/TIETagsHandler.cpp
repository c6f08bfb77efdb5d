#include "imaging/model/TIETagsHandler.h"

#include <algorithm>

#include "rtl/ByteOrder.h"

void TIETagsHandler::ParseTags() {
  const int64_t size = stream_.Size();
  if (size == 0) return;
  entries_.clear();
  entry_count_ = 0;
  if (size < 2) return;
  const auto* b = static_cast<const uint8_t*>(stream_.Memory());
  entry_count_ = LoadLE16(b);
  // The count is the stream's word; only entries it really holds are read.
  const int64_t whole = std::min<int64_t>(entry_count_, (size - 2) / 12);
  entries_.resize(static_cast<size_t>(whole));
  for (int64_t i = 0; i < whole; ++i) {
    const uint8_t* p = b + 2 + i * 12;
    entries_[static_cast<size_t>(i)] = TEntry{LoadLE16(p), LoadLE16(p + 2), LoadLE32(p + 4), LoadLE32(p + 8)};
  }
}

void TIETagsHandler::Clear() {
  stream_.Clear();
  entries_.clear();
  entry_count_ = 0;
}

void TIETagsHandler::Assign(const TIETagsHandler& Source) {
  if (&Source == this) return;
  Clear();
  // Reading the size moves nothing: the source stays as it is.
  const int64_t size = const_cast<TMemoryStream&>(Source.stream_).Size();
  if (size > 0) stream_.WriteBuffer(Source.stream_.Memory(), size);
  stream_.SetPosition(0);
  ParseTags();
}
