#include "imaging/io/formats/TIFFMakerNote.h"

#include <algorithm>

#include "imaging/io/formats/TIFFDirectory.h"
#include "imaging/io/formats/TIFFTags.h"
#include "imaging/model/TIETagsHandler.h"
#include "imaging/io/formats/ByteReader.h"
#include "imaging/io/formats/FormatFields.h"
#include "rtl/ByteOrder.h"
#include "rtl/TStream.h"

namespace {

// Directories with more entries are not taken for one.
constexpr uint32_t kMaxEntries = 256;


// The size of one number of the type: the unit whose bytes a change of byte
// order reverses (a rational is two such numbers).
int32_t SwapUnit(uint16_t Type) {
  switch (Type) {
    case TIFFType::SHORT: case TIFFType::SSHORT: return 2;
    case TIFFType::LONG: case TIFFType::SLONG: case TIFFType::FLOAT:
    case TIFFType::RATIONAL: case TIFFType::SRATIONAL: return 4;
    case TIFFType::DOUBLE: return 8;
    default: return 1;
  }
}

// Values of a big-endian file turned to little-endian, number by number.
void ToLittleEndian(uint8_t* p, size_t n, uint16_t Type) {
  const size_t unit = static_cast<size_t>(SwapUnit(Type));
  if (unit == 1) return;
  for (size_t i = 0; i + unit <= n; i += unit) std::reverse(p + i, p + i + unit);
}

bool ReadAt(TStream* s, int64_t at, std::vector<uint8_t>& b) {
  s->SetPosition(at);
  return formats::ReadExact(s, b.data(), static_cast<int64_t>(b.size()));
}

}  // namespace

void ReadTIFFMakerNote(const TTIFFDirectory* Exif, TIETagsHandler& Handler) {
  Handler.Clear();
  if (!Exif) return;
  const TTIFFEntry* note = Exif->Entry(TIFFTag::MakerNote);
  if (!note || note->Count <= 4) return;
  TStream* s = Exif->Stream();
  const int64_t size = s->Size();
  if (Exif->Base() + note->Value >= size) return;
  // As many of its bytes as the stream holds.
  const std::vector<uint8_t> bytes = Exif->GetTIFFTagData(TIFFTag::MakerNote);
  formats::TByteReader dir(bytes.data(), bytes.size());
  dir.SetBigEndian(Exif->BigEndian());
  const uint32_t count = dir.U16();
  if (dir.Failed() || count > kMaxEntries || !dir.Has(size_t{count} * 12)) return;

  std::vector<uint8_t> entries, data;
  uint32_t kept = 0;
  const uint64_t data_start = 2 + uint64_t{count} * 12;
  for (uint32_t i = 0; i < count; ++i) {
    const uint16_t tag = dir.U16(), type = dir.U16();
    const uint32_t n = dir.U32();
    // The value field: the value itself when it fits, else where it is.
    formats::TByteReader field = dir.Sub(4);
    uint8_t value[4];
    field.Bytes(value, sizeof value);
    field.Seek(0);
    const uint32_t value_offset = field.U32();
    // An unknown type: what follows is not read as entries.
    if (type > 12) break;
    const uint64_t length = uint64_t{n} * static_cast<uint64_t>(TIFFTypeSize(type));
    if (length <= 4) {
      if (Exif->BigEndian()) ToLittleEndian(value, static_cast<size_t>(length), type);
    } else {
      // Data outside the stream, or more than a note of this stream can
      // hold, is not there to keep: its entry is dropped.
      const int64_t at = Exif->Base() + value_offset;
      if (at < 0 || at >= size || length > static_cast<uint64_t>(size - at) ||
          data_start + data.size() + length > static_cast<uint64_t>(size))
        continue;
      std::vector<uint8_t> b(static_cast<size_t>(length));
      if (!ReadAt(s, at, b)) continue;
      if (Exif->BigEndian()) ToLittleEndian(b.data(), b.size(), type);
      const uint32_t offset = static_cast<uint32_t>(data.size());
      data.insert(data.end(), b.begin(), b.end());
      // Values keep even offsets, as in any directory.
      if (data.size() % 2) data.push_back(0);
      StoreLE32(value, offset);
    }
    AppendLE16(entries, tag);
    AppendLE16(entries, type);
    AppendLE32(entries, n);
    entries.insert(entries.end(), value, value + 4);
    ++kept;
  }
  if (kept == 0) return;
  // The data follows the entries that were kept: their offsets count from
  // the start of the handler's stream.
  const uint32_t data_at = 2 + kept * 12;
  std::vector<uint8_t> out;
  AppendLE16(out, static_cast<uint16_t>(kept));
  for (uint32_t i = 0; i < kept; ++i) {
    uint8_t* e = &entries[size_t{i} * 12];
    const uint16_t type = LoadLE16(e + 2);
    const uint64_t length = uint64_t{LoadLE32(e + 4)} * static_cast<uint64_t>(TIFFTypeSize(type));
    if (length > 4) {
      const uint32_t v = LoadLE32(e + 8) + data_at;
      StoreLE32(e + 8, v);
    }
  }
  out.insert(out.end(), entries.begin(), entries.end());
  out.insert(out.end(), data.begin(), data.end());
  TMemoryStream& m = Handler.Stream();
  m.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
  m.SetPosition(0);
  Handler.ParseTags();
}

std::vector<uint8_t> TIFFMakerNoteBlock(const TIETagsHandler& Handler, uint32_t Position) {
  const TMemoryStream& m = Handler.Stream();
  const int64_t size = const_cast<TMemoryStream&>(m).Size();
  if (size < 12) return {};
  const auto* src = static_cast<const uint8_t*>(m.Memory());
  std::vector<uint8_t> b(src, src + size);
  const uint32_t count = LoadLE16(b.data());
  for (uint32_t i = 0; i < count && 2 + uint64_t{i + 1} * 12 <= b.size(); ++i) {
    uint8_t* e = &b[2 + size_t{i} * 12];
    const uint16_t type = LoadLE16(e + 2);
    const uint64_t length = uint64_t{LoadLE32(e + 4)} * static_cast<uint64_t>(TIFFTypeSize(type));
    if (length <= 4) continue;
    const uint32_t v = LoadLE32(e + 8) + Position;
    StoreLE32(e + 8, v);
  }
  return b;
}
