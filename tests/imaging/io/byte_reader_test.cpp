#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/io/formats/ByteReader.h"
#include "rtl/TStream.h"

using formats::TByteReader;

TEST(ByteReader, FieldsInEitherOrder) {
  const uint8_t b[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B,
                       0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16};
  TByteReader r(b, sizeof b);
  EXPECT_EQ(r.U8(), 0x01);
  EXPECT_EQ(r.U16LE(), 0x0302);
  EXPECT_EQ(r.U16BE(), 0x0405);
  EXPECT_EQ(r.U32LE(), 0x09080706u);
  EXPECT_EQ(r.U32BE(), 0x0A0B0C0Du);
  EXPECT_EQ(r.U64LE(), 0x1514131211100F0Eull);
  EXPECT_EQ(r.Remaining(), 1u);
  r.SetBigEndian(true);
  EXPECT_FALSE(r.Has(2));
  EXPECT_EQ(r.Position(), 21u);
  EXPECT_FALSE(r.Failed());
}

// A read past the end returns 0, moves nothing and fails for good: later
// reads that would fit fail too, so one check after a run of fields holds.
TEST(ByteReader, ReadPastTheEndFailsForGood) {
  const uint8_t b[] = {0xAA, 0xBB, 0xCC};
  TByteReader r(b, sizeof b);
  EXPECT_EQ(r.U32LE(), 0u);
  EXPECT_TRUE(r.Failed());
  EXPECT_EQ(r.Position(), 0u);
  EXPECT_EQ(r.U8(), 0u);
  EXPECT_FALSE(r.Has(0));

  TByteReader s(b, sizeof b);
  uint8_t out[4] = {1, 2, 3, 4};
  EXPECT_FALSE(s.Bytes(out, 4));
  EXPECT_EQ(std::vector<uint8_t>(out, out + 4), std::vector<uint8_t>(4, 0));

  TByteReader t(b, sizeof b);
  EXPECT_FALSE(t.Skip(SIZE_MAX));
  TByteReader u(b, sizeof b);
  EXPECT_FALSE(u.Seek(4));
  TByteReader v(b, sizeof b);
  EXPECT_TRUE(v.Seek(3));
  EXPECT_EQ(v.Remaining(), 0u);
}

TEST(ByteReader, SubReaderStaysInsideItsRecord) {
  const uint8_t b[] = {0x02, 0x00, 0x34, 0x12, 0xFF, 0xFF};
  TByteReader r(b, sizeof b);
  r.SetBigEndian(true);
  TByteReader rec = r.Sub(r.U16LE());
  EXPECT_TRUE(rec.BigEndian());
  EXPECT_EQ(rec.U16(), 0x3412);
  EXPECT_EQ(rec.U8(), 0u);
  EXPECT_TRUE(rec.Failed());
  EXPECT_FALSE(r.Failed());
  EXPECT_EQ(r.U16(), 0xFFFF);
  TByteReader bad = r.Sub(1);
  EXPECT_TRUE(bad.Failed());
  EXPECT_TRUE(r.Failed());
}

// From a stream the reader holds what the stream had, never more than it
// was asked for, and a huge count costs only what is there.
TEST(ByteReader, FromStreamHoldsWhatTheStreamHad) {
  TMemoryStream m;
  std::vector<uint8_t> data(100000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  m.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  m.SetPosition(10);
  TByteReader r = TByteReader::FromStream(&m, 8);
  EXPECT_EQ(r.Size(), 8u);
  EXPECT_EQ(r.U8(), data[10]);
  EXPECT_EQ(m.Position(), 18);

  TByteReader all = TByteReader::FromStream(&m, INT64_MAX);
  EXPECT_EQ(all.Size(), data.size() - 18);
  EXPECT_TRUE(all.Skip(all.Size() - 1));
  EXPECT_EQ(all.U8(), data.back());
  TByteReader moved = std::move(all);
  EXPECT_TRUE(moved.Seek(0));
  EXPECT_EQ(moved.U8(), data[18]);
}
