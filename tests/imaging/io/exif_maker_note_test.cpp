// The maker note of an EXIF block: kept as a little-endian directory of its
// own whatever the block's byte order, written back with its offsets moved,
// copied with the field set, and never trusted beyond its bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/io/ExifBlock.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/TIETagsHandler.h"
#include "rtl/TStream.h"

namespace {

// A raw EXIF TIFF stream: IFD0 pointing to the EXIF directory, which holds
// one maker note of the given bytes (offsets inside it count from the
// stream's start). Values are written in the block's byte order.
struct RawTiff {
  bool be;
  std::vector<uint8_t> b;
  explicit RawTiff(bool big_endian) : be(big_endian) {
    b = {static_cast<uint8_t>(be ? 'M' : 'I'), static_cast<uint8_t>(be ? 'M' : 'I')};
    U16(42);
    U32(8);
  }
  void U16(uint32_t v) {
    if (be) b.insert(b.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    else b.insert(b.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
  }
  void U32(uint32_t v) {
    if (be) { U16(v >> 16); U16(v & 0xFFFF); }
    else { U16(v & 0xFFFF); U16(v >> 16); }
  }
  void Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    U16(tag);
    U16(type);
    U32(count);
    U32(value);
  }
};

// Maker-note entries of a test: a SHORT in its value field, two LONGs, a
// text and a signed rational, the last three kept after the entries.
constexpr uint32_t kNoteAt = 8 + 18 + 18;  // after IFD0 and the EXIF directory
std::vector<uint8_t> ExifWithNote(bool be, uint16_t count_override = 0, uint32_t note_length_extra = 0,
                                  uint16_t bad_type_at = 0xFFFF, uint32_t far_offset_at = 0xFFFF) {
  RawTiff t(be);
  // IFD0: the EXIF pointer.
  t.U16(1);
  t.Entry(34665, 4, 1, 8 + 18);
  t.U32(0);
  // The EXIF directory: the maker note, its length patched below.
  const size_t length_at = t.b.size() + 2 + 4;
  t.U16(1);
  t.Entry(37500, 7, 0, kNoteAt);
  t.U32(0);
  // The note: 4 entries, then their data.
  const uint32_t entries = 4, data = kNoteAt + 2 + entries * 12;
  t.U16(count_override ? count_override : entries);
  // A SHORT in the value field: its first two bytes in the block's order.
  t.U16(1);
  t.U16(3);
  t.U32(1);
  t.U16(0x1234);
  t.U16(0);
  t.Entry(2, 4, 2, far_offset_at == 1 ? 0x7FFFFF00u : data);
  t.Entry(3, bad_type_at == 2 ? 13 : 2, 10, data + 8);
  t.Entry(4, 10, 1, data + 18);
  t.U32(0x01020304);
  t.U32(0xA0B0C0D0);
  for (char c : std::string("Canon EOS", 10)) t.b.push_back(static_cast<uint8_t>(c));
  t.U32(static_cast<uint32_t>(-7));
  t.U32(2);
  const uint32_t length = static_cast<uint32_t>(t.b.size()) - kNoteAt + note_length_extra;
  RawTiff patch(be);
  patch.b.clear();
  patch.U32(length);
  std::copy(patch.b.begin(), patch.b.end(), t.b.begin() + static_cast<std::ptrdiff_t>(length_at));
  std::vector<uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), t.b.begin(), t.b.end());
  return payload;
}

std::vector<uint8_t> StreamBytes(const TIETagsHandler& h) {
  auto& m = const_cast<TMemoryStream&>(h.Stream());
  const auto* p = static_cast<const uint8_t*>(m.Memory());
  return std::vector<uint8_t>(p, p + m.Size());
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// Checks the handler holds the test's note, little-endian, offsets into
// its own stream.
void ExpectTheNote(const TIETagsHandler& h) {
  ASSERT_EQ(h.EntryCount(), 4);
  ASSERT_EQ(h.Entries().size(), 4u);
  const std::vector<uint8_t> b = StreamBytes(h);
  EXPECT_EQ(h.Entries()[0].Tag, 1);
  EXPECT_EQ(h.Entries()[0].Value & 0xFFFF, 0x1234u);
  const auto& longs = h.Entries()[1];
  ASSERT_LE(longs.Value + 8, b.size());
  EXPECT_EQ(Le32(b, longs.Value), 0x01020304u);
  EXPECT_EQ(Le32(b, longs.Value + 4), 0xA0B0C0D0u);
  const auto& text = h.Entries()[2];
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[text.Value])), "Canon EOS");
  const auto& srational = h.Entries()[3];
  EXPECT_EQ(static_cast<int32_t>(Le32(b, srational.Value)), -7);
  EXPECT_EQ(Le32(b, srational.Value + 4), 2u);
}

}  // namespace

TEST(MakerNote, ParseTagsReadsWhatTheStreamHolds) {
  TIETagsHandler h;
  h.ParseTags();
  EXPECT_TRUE(h.Entries().empty());
  const uint8_t zero[2] = {0, 0};
  h.Stream().WriteBuffer(zero, 2);
  h.ParseTags();
  EXPECT_EQ(h.EntryCount(), 0);
  EXPECT_TRUE(h.Entries().empty());
  // A count the stream does not hold gives the entries it does hold.
  TIETagsHandler cut;
  const uint8_t one[16] = {9, 0, 0x10, 0, 3, 0, 1, 0, 0, 0, 5, 0, 0, 0, 7, 7};
  cut.Stream().WriteBuffer(one, sizeof one);
  cut.ParseTags();
  ASSERT_EQ(cut.Entries().size(), 1u);
  EXPECT_EQ(cut.Entries()[0].Tag, 16);
  EXPECT_EQ(cut.Entries()[0].Value, 5u);
}

TEST(MakerNote, ReadInEitherByteOrderAsALittleEndianDirectory) {
  std::vector<uint8_t> first;
  for (bool be : {false, true}) {
    SCOPED_TRACE(be ? "MM" : "II");
    const std::vector<uint8_t> block = ExifWithNote(be);
    TIOParamsVals p(nullptr);
    ASSERT_TRUE(ParseExifBlock(block.data(), static_cast<int32_t>(block.size()), p));
    ExpectTheNote(p.EXIFMakerNote);
    if (first.empty()) first = StreamBytes(p.EXIFMakerNote);
    else EXPECT_EQ(StreamBytes(p.EXIFMakerNote), first);
  }
}

TEST(MakerNote, WrittenBackWithItsOffsetsMovedAndCopiedWithTheFields) {
  const std::vector<uint8_t> block = ExifWithNote(true);
  TIOParamsVals p(nullptr);
  ASSERT_TRUE(ParseExifBlock(block.data(), static_cast<int32_t>(block.size()), p));
  // Make the note land at an odd place first: a text before it.
  p.EXIFUserCommentCode = "ASCII";
  p.EXIFUserComment = "odd";
  std::vector<uint8_t> built;
  ASSERT_TRUE(BuildExifBlock(p, built));
  TIOParamsVals again(nullptr);
  ASSERT_TRUE(ParseExifBlock(built.data(), static_cast<int32_t>(built.size()), again));
  ExpectTheNote(again.EXIFMakerNote);
  EXPECT_EQ(StreamBytes(again.EXIFMakerNote), StreamBytes(p.EXIFMakerNote));

  TIOParamsVals copy(nullptr), assigned(nullptr);
  CopyExifFields(p, copy);
  ExpectTheNote(copy.EXIFMakerNote);
  assigned.Assign(&p);
  ExpectTheNote(assigned.EXIFMakerNote);
  assigned.ResetEXIF();
  EXPECT_EQ(const_cast<TMemoryStream&>(assigned.EXIFMakerNote.Stream()).Size(), 0);
  EXPECT_TRUE(assigned.EXIFMakerNote.Entries().empty());
  // An empty note writes no tag, and reads back empty.
  std::vector<uint8_t> none;
  ASSERT_TRUE(BuildExifBlock(assigned, none));
  TIOParamsVals read(nullptr);
  ASSERT_TRUE(ParseExifBlock(none.data(), static_cast<int32_t>(none.size()), read));
  EXPECT_TRUE(read.EXIFMakerNote.Entries().empty());
}

TEST(MakerNote, NotesThatRunBeyondTheirBytesAreNotTrusted) {
  struct Case {
    const char* name;
    std::vector<uint8_t> block;
    size_t entries;  // kept; 0: the handler stays empty
  } cases[] = {
      {"more than 256 entries", ExifWithNote(false, 300), 0},
      {"entries past the note's bytes", ExifWithNote(true, 40), 0},
      {"a length past the stream", ExifWithNote(false, 0, 100000), 4},
      {"an unknown type ends the copy", ExifWithNote(true, 0, 0, 2), 2},
      {"data far beyond the stream", ExifWithNote(false, 0, 0, 0xFFFF, 1), 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TIOParamsVals p(nullptr);
    ASSERT_TRUE(ParseExifBlock(c.block.data(), static_cast<int32_t>(c.block.size()), p));
    EXPECT_EQ(p.EXIFMakerNote.Entries().size(), c.entries);
    EXPECT_EQ(p.EXIFMakerNote.EntryCount(), c.entries);
    // Whatever was kept points inside the handler's own bytes.
    const std::vector<uint8_t> b = StreamBytes(p.EXIFMakerNote);
    for (const auto& e : p.EXIFMakerNote.Entries())
      if (e.Type == 2 || e.Type == 4 || e.Type == 10) {
        const uint64_t length = uint64_t{e.Count} * (e.Type == 2 ? 1 : e.Type == 4 ? 4 : 8);
        if (length > 4) {
          EXPECT_LE(e.Value + length, b.size());
        }
      }
  }
  // Truncated blocks at every length never read past their bytes.
  const std::vector<uint8_t> whole = ExifWithNote(true);
  for (size_t n = 6; n < whole.size(); ++n) {
    TIOParamsVals p(nullptr);
    ParseExifBlock(whole.data(), static_cast<int32_t>(n), p);
  }
}
