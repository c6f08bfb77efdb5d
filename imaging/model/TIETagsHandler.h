// The maker note of an EXIF block: one TIFF image file directory kept as
// raw little-endian bytes (entry count, 12-byte entries, then the values too
// large for an entry, each offset counting from the start of the stream),
// and the entries parsed from it. The TIFF reader fills the stream, the TIFF
// writer writes it back with its offsets moved to where it lands.
#pragma once

#include <cstdint>
#include <vector>

#include "rtl/TObject.h"
#include "rtl/TStream.h"

class TIETagsHandler : public TObject {
 public:
  struct TEntry {
    uint16_t Tag = 0;
    uint16_t Type = 0;
    uint32_t Count = 0;
    uint32_t Value = 0;
  };

  TIETagsHandler() = default;
  ~TIETagsHandler() override = default;

  // The directory as raw bytes.
  TMemoryStream& Stream() { return stream_; }
  const TMemoryStream& Stream() const { return stream_; }
  // Reads the entry count and the entries from the stream; an empty stream
  // changes nothing. Entries the stream does not hold whole are dropped.
  void ParseTags();
  // The directory description used to read the stream: little-endian, base 0.
  bool LittleEndian() const { return true; }
  int64_t StreamBase() const { return 0; }
  uint16_t EntryCount() const { return entry_count_; }
  const std::vector<TEntry>& Entries() const { return entries_; }

  // Empties the stream and the entries.
  void Clear();
  // A copy of Source's stream, parsed again.
  void Assign(const TIETagsHandler& Source);

 private:
  TMemoryStream stream_;
  uint16_t entry_count_ = 0;
  std::vector<TEntry> entries_;
};
