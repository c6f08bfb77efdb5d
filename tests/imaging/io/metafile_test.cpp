// Content tests of Windows and enhanced metafiles: the placeable key and
// the standard header behind it, each field that must hold, short streams,
// the position kept, and the place of both tests in content detection.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/io/IEFormats.h"
#include "imaging/io/formats/Metafile.h"
#include "imaging/model/IEStreams.h"

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A standard header (type 1, 9 words, no parameters) at Offset of a stream
// of Size bytes.
std::vector<uint8_t> Wmf(size_t Offset, size_t Size = 64) {
  std::vector<uint8_t> b(Size, 0);
  Put16(b, Offset, 1);
  Put16(b, Offset + 2, 9);
  Put16(b, Offset + 4, 0x0300);
  Put32(b, Offset + 6, 32);
  return b;
}

std::vector<uint8_t> Placeable() {
  auto b = Wmf(22);
  Put32(b, 0, 0x9AC6CDD7);
  return b;
}

std::vector<uint8_t> Emf(uint32_t Type = 1, uint32_t Signature = 0x464D4520) {
  std::vector<uint8_t> b(108, 0);
  Put32(b, 0, Type);
  Put32(b, 4, 108);
  Put32(b, 40, Signature);
  return b;
}

}  // namespace

TEST(MetafileTest, TestsReadTheHeadersAtThePosition) {
  auto params = Wmf(0);
  Put16(params, 16, 2);
  auto words = Wmf(0);
  Put16(words, 2, 10);
  auto disk = Wmf(0);
  Put16(disk, 0, 2);
  auto key_without_header = Wmf(0);
  const auto placeable = Placeable();
  const auto emf = Emf();
  Put32(key_without_header, 0, 0x9AC6CDD7);
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    bool wmf, emf;
  } cases[] = {
      {"standard header", Wmf(0), true, false},
      {"placeable header", placeable, true, false},
      {"standard header alone", Wmf(0, 18), true, false},
      {"placeable header cut in the standard one", std::vector<uint8_t>(placeable.begin(), placeable.begin() + 39), false, false},
      {"parameters in the header", params, false, false},
      {"header of ten words", words, false, false},
      {"metafile on disk", disk, false, false},
      {"placeable key, standard header at the start", key_without_header, false, false},
      {"enhanced metafile", emf, false, true},
      {"header record of another type", Emf(2), false, false},
      {"another signature", Emf(1, 0x464D4521), false, false},
      {"enhanced header cut before the signature", std::vector<uint8_t>(emf.begin(), emf.begin() + 43), false, false},
      {"empty", {}, false, false},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> data = {0xAA, 0xBB};
    data.insert(data.end(), c.data.begin(), c.data.end());
    TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
    s.SetPosition(2);
    EXPECT_EQ(IsWMFStream(&s), c.wmf) << c.name;
    EXPECT_EQ(s.Position(), 2) << c.name;
    EXPECT_EQ(IsEMFStream(&s), c.emf) << c.name;
    EXPECT_EQ(s.Position(), 2) << c.name;
  }
}

TEST(MetafileTest, DetectionFindsBothKindsThatAreReadNotWritten) {
  for (const auto& [data, id] : {std::pair{Placeable(), ieftWMF}, std::pair{Wmf(0), ieftWMF}, std::pair{Emf(), ieftEMF}}) {
    TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
    EXPECT_EQ(FindStreamFormat(&s), id);
    EXPECT_EQ(s.Position(), 0);
  }
  EXPECT_NE(FindFormatInfo(ieftWMF)->ReadProc, nullptr);
  EXPECT_NE(FindFormatInfo(ieftEMF)->ReadProc, nullptr);
  EXPECT_EQ(FindFormatInfo(ieftWMF)->WriteProc, nullptr);
  EXPECT_EQ(FindFormatInfo(ieftEMF)->WriteProc, nullptr);
}
