#include "rtl/TStream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "rtl/Exception.h"

namespace {
std::string TempName(const char* tag) {
  return std::string(::testing::TempDir()) + "nobrivo_stream_" + tag + "_" + std::to_string(::getpid());
}

// The seek and read rules every stream kind shares.
void CheckSeeksAndShortReads(TStream& s) {
  s.WriteBuffer("0123456789", 10);
  EXPECT_EQ(s.Size(), 10);
  EXPECT_EQ(s.Seek(2, soBeginning), 2);
  EXPECT_EQ(s.Seek(3, soCurrent), 5);
  EXPECT_EQ(s.Seek(-4, soEnd), 6);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 4);  // short read at the end
  EXPECT_EQ(std::string(buf, 4), "6789");
  EXPECT_EQ(s.Read(buf, 8), 0);
  s.SetPosition(8);
  EXPECT_THROW(s.ReadBuffer(buf, 3), EReadError);
  EXPECT_THROW(s.Seek(-1, soBeginning), EStreamError);
  s.SetPosition(0);
  s.ReadBuffer(buf, 3);
  EXPECT_EQ(std::string(buf, 3), "012");
}
}  // namespace

TEST(TStream, MemoryStreamSeeksAndShortReads) {
  TMemoryStream m;
  CheckSeeksAndShortReads(m);
}

TEST(TStream, StringStreamSeeksAndShortReads) {
  TStringStream s;
  CheckSeeksAndShortReads(s);
  EXPECT_EQ(s.DataString(), "0123456789");
}

TEST(TStream, StringStreamFarPastTheEnd) {
  // A position beyond any possible string: writing raises and leaves the
  // data alone, reading gives nothing.
  for (int64_t pos : {INT64_MAX - 4, INT64_MAX - 9, INT64_MAX}) {
    TStringStream s("abc");
    s.SetPosition(pos);
    EXPECT_THROW(s.WriteBuffer("0123456789", 10), EOutOfMemory) << pos;
    EXPECT_EQ(s.DataString(), "abc");
    EXPECT_EQ(s.ReadString(5), "") << pos;
  }
  TStringStream s("abc");
  s.SetPosition(7);
  EXPECT_EQ(s.ReadString(4), "");
  EXPECT_EQ(s.Position(), 7);
}

TEST(TStream, MemoryStreamFarPastTheEnd) {
  for (int64_t pos : {INT64_MAX - 20, INT64_MAX - 4096, INT64_MAX / 2 + 1}) {
    TMemoryStream m;
    m.WriteBuffer("abc", 3);
    m.SetPosition(pos);
    EXPECT_THROW(m.WriteBuffer("0123456789", 10), EOutOfMemory) << pos;
    EXPECT_EQ(m.Size(), 3);
    EXPECT_THROW(m.SetSize(pos), EOutOfMemory) << pos;
    EXPECT_EQ(m.Size(), 3);
  }
}

TEST(TStream, FileStreamSeeksAndShortReads) {
  std::string name = TempName("seek");
  {
    TFileStream f(name, fmCreate);
    CheckSeeksAndShortReads(f);
  }
  TFileStream r(name, fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(r.Size(), 10);
  EXPECT_THROW(r.WriteBuffer("x", 1), EWriteError);
  ::unlink(name.c_str());
}

TEST(TStream, FileOpenAndCreateErrorsNameTheFile) {
  try {
    TFileStream f("/nonexistent-dir/x.bmp", fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find("/nonexistent-dir/x.bmp"), std::string::npos);
  }
  EXPECT_THROW(TFileStream("/nonexistent-dir/x.bmp", fmCreate), EFCreateError);
}

// A file opened for reading must be a regular file: a pipe without a writer,
// a device or a folder is refused at once instead of blocking or reading
// endlessly; a regular file reads as usual, in blocking mode.
TEST(TStream, FileStreamForReadingRefusesNonRegularFiles) {
  const std::string fifo = TempName("fifo"), folder = TempName("dir"), plain = TempName("plain");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  for (const std::string& name : {fifo, folder, std::string("/dev/zero")}) {
    try {
      TFileStream f(name, fmOpenRead | fmShareDenyWrite);
      ADD_FAILURE() << name << " was opened";
    } catch (const EFOpenError& e) {
      EXPECT_NE(e.Message().find(name), std::string::npos) << e.Message();
    }
  }
  {
    TFileStream w(plain, fmCreate);
    w.WriteBuffer("abc", 3);
  }
  TFileStream r(plain, fmOpenRead);
  EXPECT_EQ(::fcntl(r.Handle(), F_GETFL) & O_NONBLOCK, 0);
  char buf[4] = {};
  EXPECT_EQ(r.Read(buf, 4), 3);
  EXPECT_EQ(std::string(buf), "abc");
  ::unlink(fifo.c_str());
  ::rmdir(folder.c_str());
  ::unlink(plain.c_str());
}

TEST(TStream, MemoryStreamGrowsWithZeros) {
  TMemoryStream m;
  m.WriteBuffer("abcdef", 6);
  m.SetSize(2);
  m.SetSize(6);  // the old bytes must not come back
  EXPECT_EQ(std::memcmp(m.Memory(), "ab\0\0\0\0", 6), 0);
  m.Seek(10, soBeginning);
  m.WriteBuffer("z", 1);  // a gap after the end is zero-filled
  ASSERT_EQ(m.Size(), 11);
  const char* p = static_cast<const char*>(m.Memory());
  EXPECT_EQ(std::string(p + 6, 5), std::string("\0\0\0\0z", 5));
}

TEST(TStream, CopyFromWholeAndPart) {
  TStringStream src(std::string(200000, 'q'));
  src.Seek(0, soEnd);
  TMemoryStream all;
  EXPECT_EQ(all.CopyFrom(&src, 0), 200000);  // 0 means everything, from the start
  EXPECT_EQ(all.Size(), 200000);
  src.SetPosition(199990);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(&src, 10), 10);
  src.SetPosition(199995);
  EXPECT_THROW(part.CopyFrom(&src, 10), EReadError);
  // A negative count is a read error, not a huge buffer.
  for (int64_t count : {int64_t{-1}, INT64_MIN}) {
    TMemoryStream none;
    EXPECT_THROW(none.CopyFrom(&src, count), EReadError) << count;
    EXPECT_EQ(none.Size(), 0);
  }
}

TEST(TStream, MemoryStreamFileRoundTrip) {
  std::string name = TempName("mem");
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  m.SaveToFile(name);
  TMemoryStream back;
  back.LoadFromFile(name);
  EXPECT_EQ(back.Size(), 5);
  EXPECT_EQ(std::memcmp(back.Memory(), "hello", 5), 0);
  ::unlink(name.c_str());
}
