#include "imaging/io/formats/TIFFDirectory.h"

#include <algorithm>

#include "imaging/io/formats/ByteReader.h"
#include "imaging/io/formats/FormatFields.h"
#include "rtl/ByteOrder.h"
#include "rtl/TStream.h"

namespace {

// Reads as much of Count bytes at Position as the stream holds.
std::vector<uint8_t> ReadAt(TStream* s, int64_t position, uint64_t count) {
  std::vector<uint8_t> out;
  const int64_t size = s->Size();
  if (position < 0 || position >= size || count == 0) return out;
  const uint64_t n = std::min<uint64_t>(count, static_cast<uint64_t>(size - position));
  out.resize(static_cast<size_t>(n));
  s->SetPosition(position);
  out.resize(static_cast<size_t>(formats::ReadUpTo(s, out.data(), static_cast<int64_t>(n))));
  return out;
}

// Texts longer than this are left alone.
constexpr uint32_t kMaxTextLength = 1048575;

}  // namespace

int32_t TIFFTypeSize(uint16_t Type) {
  static const int32_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
  return Type <= 12 ? kSizes[Type] : 0;
}

TTIFFDirectory::TTIFFDirectory(TStream* Stream, int64_t Base, bool BigEndian)
    : stream_(Stream), base_(Base), big_endian_(BigEndian) {}

uint16_t TTIFFDirectory::U16(const uint8_t* p) const { return big_endian_ ? LoadBE16(p) : LoadLE16(p); }

uint32_t TTIFFDirectory::U32(const uint8_t* p) const { return big_endian_ ? LoadBE32(p) : LoadLE32(p); }

bool TTIFFDirectory::Load(int64_t Offset) {
  Entries.clear();
  const std::vector<uint8_t> head = ReadAt(stream_, base_ + Offset, 2);
  if (head.size() < 2) return false;
  const uint16_t n = U16(head.data());
  const std::vector<uint8_t> block = ReadAt(stream_, base_ + Offset + 2, uint64_t{n} * 12);
  // Only whole entries: one cut by the end of the stream is dropped.
  formats::TByteReader r(block.data(), block.size() - block.size() % 12);
  r.SetBigEndian(big_endian_);
  Entries.resize(r.Size() / 12);
  for (TTIFFEntry& e : Entries) {
    e.Tag = r.U16();
    e.Type = r.U16();
    e.Count = r.U32();
    r.Bytes(e.Raw, 4);
    e.Value = U32(e.Raw);
  }
  return true;
}

int32_t TTIFFDirectory::FindTIFFTag(uint16_t Tag) const {
  for (size_t i = 0; i < Entries.size(); ++i)
    if (Entries[i].Tag == Tag) return static_cast<int32_t>(i);
  return -1;
}

const TTIFFEntry* TTIFFDirectory::Entry(uint16_t Tag) const {
  const int32_t i = FindTIFFTag(Tag);
  return i < 0 ? nullptr : &Entries[static_cast<size_t>(i)];
}

std::vector<uint8_t> TTIFFDirectory::Bytes(const TTIFFEntry& e, uint64_t MaxBytes) const {
  const int32_t ts = TIFFTypeSize(e.Type);
  if (ts == 0) return {};
  const uint64_t total = std::min<uint64_t>(uint64_t{e.Count} * static_cast<uint64_t>(ts), MaxBytes);
  if (uint64_t{e.Count} * static_cast<uint64_t>(ts) <= 4) return std::vector<uint8_t>(e.Raw, e.Raw + total);
  return ReadAt(stream_, base_ + e.Value, total);
}

int64_t TTIFFDirectory::GetTIFFTagInt(uint16_t Tag, int64_t Default) const {
  const TTIFFEntry* e = Entry(Tag);
  if (!e) return Default;
  // Several values kept elsewhere: the first of them.
  if (uint64_t{e->Count} * static_cast<uint64_t>(TIFFTypeSize(e->Type)) > 4 &&
      (e->Type == TIFFType::SHORT || e->Type == TIFFType::BYTE || e->Type == TIFFType::LONG))
    return GetTIFFTagItem(Tag, 0);
  switch (e->Type) {
    case TIFFType::SHORT:
    case TIFFType::SSHORT:
      return e->Type == TIFFType::SSHORT ? static_cast<int16_t>(U16(e->Raw)) : U16(e->Raw);
    case TIFFType::BYTE:
    case TIFFType::UNDEFINED:
      return e->Raw[0];
    case TIFFType::SBYTE:
      return static_cast<int8_t>(e->Raw[0]);
    case TIFFType::SLONG:
      return static_cast<int32_t>(e->Value);
    default:
      return e->Value;
  }
}

double TTIFFDirectory::GetTIFFTagRationalItem(uint16_t Tag, uint32_t Index) const {
  const TTIFFEntry* e = Entry(Tag);
  if (!e || Index >= e->Count) return 0.0;
  if (e->Type != TIFFType::RATIONAL && e->Type != TIFFType::SRATIONAL) {
    // Writers that store a whole number as SHORT or LONG.
    return e->Type == TIFFType::SHORT || e->Type == TIFFType::LONG ? GetTIFFTagItem(Tag, Index) : 0.0;
  }
  const std::vector<uint8_t> b = ReadAt(stream_, base_ + e->Value + int64_t{Index} * 8, 8);
  if (b.size() < 8) return 0.0;
  uint32_t num = U32(b.data()), den = U32(b.data() + 4);
  if (e->Type == TIFFType::SRATIONAL) {
    const int32_t n = static_cast<int32_t>(num), d = static_cast<int32_t>(den);
    return static_cast<double>(n) / (d == 0 ? 1 : d);
  }
  return static_cast<double>(num) / (den == 0 ? 1 : den);
}

uint32_t TTIFFDirectory::GetTIFFTagItem(uint16_t Tag, uint32_t Index) const {
  const TTIFFEntry* e = Entry(Tag);
  if (!e || Index >= e->Count) return 0;
  const int32_t ts = TIFFTypeSize(e->Type);
  if (e->Type != TIFFType::BYTE && e->Type != TIFFType::SHORT && e->Type != TIFFType::LONG) return 0;
  if (uint64_t{e->Count} * static_cast<uint64_t>(ts) <= 4) {
    const uint8_t* p = e->Raw + Index * static_cast<uint32_t>(ts);
    return ts == 1 ? p[0] : ts == 2 ? U16(p) : U32(p);
  }
  const std::vector<uint8_t> b = ReadAt(stream_, base_ + e->Value + int64_t{Index} * ts, static_cast<uint64_t>(ts));
  if (static_cast<int32_t>(b.size()) < ts) return 0;
  return ts == 1 ? b[0] : ts == 2 ? U16(b.data()) : U32(b.data());
}

std::vector<uint32_t> TTIFFDirectory::GetTIFFTagArray(uint16_t Tag) const {
  std::vector<uint32_t> out;
  const TTIFFEntry* e = Entry(Tag);
  if (!e) return out;
  const int32_t ts = TIFFTypeSize(e->Type);
  if (e->Type != TIFFType::BYTE && e->Type != TIFFType::SHORT && e->Type != TIFFType::LONG) return out;
  const std::vector<uint8_t> b = Bytes(*e, UINT64_MAX);
  out.reserve(b.size() / static_cast<size_t>(ts));
  for (size_t i = 0; i + static_cast<size_t>(ts) <= b.size(); i += static_cast<size_t>(ts))
    out.push_back(ts == 1 ? b[i] : ts == 2 ? U16(&b[i]) : U32(&b[i]));
  return out;
}

std::vector<uint8_t> TTIFFDirectory::GetTIFFTagData(uint16_t Tag) const {
  const TTIFFEntry* e = Entry(Tag);
  return e ? Bytes(*e, UINT64_MAX) : std::vector<uint8_t>{};
}

std::string TTIFFDirectory::GetTIFFTagString(uint16_t Tag) const {
  const TTIFFEntry* e = Entry(Tag);
  if (!e || e->Count > kMaxTextLength || TIFFTypeSize(e->Type) != 1) return {};
  const std::vector<uint8_t> b = Bytes(*e, e->Count);
  std::string s(b.begin(), b.end());
  // The text ends at its first zero byte.
  const size_t z = s.find('\0');
  if (z != std::string::npos) s.resize(z);
  return s;
}

std::u16string TTIFFDirectory::GetTIFFTagWideString(uint16_t Tag) const {
  const TTIFFEntry* e = Entry(Tag);
  if (!e || e->Count > kMaxTextLength || TIFFTypeSize(e->Type) != 1) return {};
  const std::vector<uint8_t> b = Bytes(*e, e->Count);
  std::u16string s;
  for (size_t i = 0; i + 1 < b.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(LoadLE16(&b[i]));
    if (c == 0) break;
    s.push_back(c);
  }
  return s;
}
