// The protection chain, stream/file/string coding and the shared routines.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "crypto/CodingRoutines.h"
#include "crypto/TCipher.h"
#include "crypto/TProtection.h"
#include "rtl/TStream.h"
#include "tests/crypto/CryptoTestUtil.h"
#include "tests/crypto/TestAlgorithms.h"

using crypto_test::RandomBytes;
using crypto_test::ReadFile;
using crypto_test::ScratchDir;
using crypto_test::WriteFile;

namespace {

// Records the protocol and codes by adding a running counter to each byte,
// so that the piece boundaries show in the output.
class TRecorder : public TProtection {
 public:
  using TProtection::TProtection;
  std::vector<std::string> Log;
  bool* Destroyed = nullptr;
  ~TRecorder() override {
    if (Destroyed) *Destroyed = true;
  }
  void BeginAction(TCodeAction Action) override {
    Log.push_back("begin " + std::to_string(Action));
    TProtection::BeginAction(Action);
  }
  void EndAction(TCodeAction Action) override {
    Log.push_back("end " + std::to_string(Action));
    TProtection::EndAction(Action);
  }
  void ProcessChunk(void* Buffer, int64_t Size, TCodeAction Action) override {
    Log.push_back("chunk " + std::to_string(Size));
    if (Action != caCalculate) {
      uint8_t* p = static_cast<uint8_t*>(Buffer);
      for (int64_t i = 0; i < Size; ++i) p[i] = static_cast<uint8_t>(p[i] + (Action == caDecode ? -1 : 1));
    }
    TProtection::ProcessChunk(Buffer, Size, Action);
  }
};

std::string Shifted(std::string s, int by) {
  for (char& c : s) c = static_cast<char>(c + by);
  return s;
}

using Reports = std::vector<std::pair<int64_t, int64_t>>;

TProgressEvent Recorder(Reports& out) {
  return [&out](TObject*, int64_t cur, int64_t max) { out.emplace_back(cur, max); };
}

}  // namespace

TEST(ProtectionChain, CircularChainsAreRefused) {
  TProtectionRef<TRecorder> a(new TRecorder), b(new TRecorder);
  a->SetChained(b.get());
  EXPECT_THROW(b->SetChained(a.get()), EProtection);
  EXPECT_EQ(b->GetChained(), nullptr);
  EXPECT_THROW(a->SetChained(a.get()), EProtection);
  EXPECT_EQ(a->GetChained(), b.get());
  try {
    b->SetChained(a.get());
  } catch (const EProtection& e) {
    EXPECT_STREQ(e.what(), "Circular Protection detected, Protection Object is invalid.");
  }
}

TEST(ProtectionChain, TheChainOwnsWhatNobodyElseHolds) {
  bool bGone = false, cGone = false;
  auto* b = new TRecorder;
  b->Destroyed = &bGone;
  auto* c = new TRecorder;
  c->Destroyed = &cGone;
  TProtectionRef<TRecorder> keepC(c);
  {
    TProtectionRef<TRecorder> a(new TRecorder(b));
    EXPECT_EQ(b->RefCount(), 1);
    // Re-chaining releases b, which nobody else holds.
    a->SetChained(c);
    EXPECT_TRUE(bGone);
    EXPECT_EQ(c->RefCount(), 2);
  }
  EXPECT_FALSE(cGone);
  EXPECT_EQ(c->RefCount(), 1);
  keepC.reset();
  EXPECT_TRUE(cGone);
}

TEST(ProtectionChain, ReferencedObjectsRefuseFree) {
  TProtectionRef<TRecorder> a(new TRecorder);
  EXPECT_THROW(a->Free(), EProtection);
  EXPECT_EQ(a->RefCount(), 1);
}

TEST(ProtectionChain, DecodeRunsTheChainInReverse) {
  // Chained object first for encoding, this object first for decoding.
  auto* inner = new TRecorder;
  TProtectionRef<TRecorder> outer(new TRecorder(inner));
  std::string data = "ab";
  outer->ProcessBuffer(data.data(), 2, caEncode);
  EXPECT_EQ(data, "cd");
  EXPECT_EQ(outer->Log, (std::vector<std::string>{"begin 0", "chunk 2", "end 0"}));
  EXPECT_EQ(inner->Log, (std::vector<std::string>{"begin 0", "chunk 2", "end 0"}));
  outer->ProcessBuffer(data.data(), 2, caDecode);
  EXPECT_EQ(data, "ab");
}

TEST(ProcessStream, PiecesAndProgressOf10000Bytes) {
  TProtectionRef<TRecorder> p(new TRecorder);
  const std::string plain = RandomBytes(10000, 1);
  TStringStream source(plain), dest;
  Reports reports;
  p->ProcessStream(&source, &dest, -1, caEncode, Recorder(reports));
  EXPECT_EQ(p->Log, (std::vector<std::string>{"begin 0", "chunk 4096", "chunk 4096", "chunk 1808",
                                              "end 0"}));
  EXPECT_EQ(reports, (Reports{{0, 10000}, {4096, 10000}, {8192, 10000}, {10000, 10000}, {0, 0}}));
  EXPECT_EQ(dest.DataString(), Shifted(plain, 1));
}

TEST(ProcessStream, EmptySourceAndNoSource) {
  TProtectionRef<TRecorder> p(new TRecorder);
  TStringStream source, dest;
  Reports reports;
  p->ProcessStream(&source, &dest, -1, caEncode, Recorder(reports));
  EXPECT_EQ(p->Log, (std::vector<std::string>{"begin 0", "end 0"}));
  EXPECT_EQ(reports, (Reports{{0, 0}, {0, 0}}));
  EXPECT_EQ(dest.Size(), 0);
  p->Log.clear();
  p->ProcessStream(nullptr, &dest, -1, caEncode);
  EXPECT_TRUE(p->Log.empty());
}

TEST(ProcessStream, InPlaceOnOneStreamFromItsPosition) {
  TProtectionRef<TRecorder> p(new TRecorder);
  const std::string plain = RandomBytes(9000, 2);
  TStringStream s(plain);
  s.SetPosition(100);
  p->ProcessStream(&s, nullptr, 8000, caEncode);
  EXPECT_EQ(s.DataString(), plain.substr(0, 100) + Shifted(plain.substr(100, 8000), 1) + plain.substr(8100));
}

TEST(ProcessStream, CalculateWritesNothing) {
  TProtectionRef<TRecorder> p(new TRecorder);
  const std::string plain = RandomBytes(5000, 3);
  TStringStream s(plain), d;
  p->ProcessStream(&s, &d, -1, caCalculate);
  EXPECT_EQ(s.DataString(), plain);
  EXPECT_EQ(d.Size(), 0);
}

TEST(ProcessStream, ASourceEndingEarlyRaises) {
  // Asked for more than the source holds: an error, not a silent stop.
  TProtectionRef<TRecorder> p(new TRecorder);
  TStringStream s(RandomBytes(5000, 4)), d;
  Reports reports;
  EXPECT_THROW(p->ProcessStream(&s, &d, 6000, caEncode, Recorder(reports)), EReadError);
  // The closing steps still ran.
  EXPECT_EQ(p->Log.back(), "end 0");
  EXPECT_EQ(reports.back(), std::make_pair(int64_t{0}, int64_t{0}));
}

TEST(ProcessString, EmptyGivesEmptyWithoutBegin) {
  TProtectionRef<TRecorder> p(new TRecorder);
  EXPECT_EQ(p->ProcessString("", caEncode), "");
  EXPECT_TRUE(p->Log.empty());
}

TEST(ProcessString, FormatsOnTheWayOutAndIn) {
  TProtectionRef<TRecorder> p(new TRecorder);
  // "abc" + 1 = "bcd", in hexadecimal.
  EXPECT_EQ(p->ProcessString("abc", caEncode, 16), "626364");
  EXPECT_EQ(p->ProcessString("626364", caDecode, 16), "abc");
  // caCalculate writes nothing back: Value itself in the format.
  EXPECT_EQ(p->ProcessString("abc", caCalculate, 4196), "YWJj");
}

class ProcessFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cipher_ = TCipher_Toy::StaticClass()->Create();
    cipher_->UseHashClass(THash_Toy::StaticClass());
    cipher_->InitKey("file key");
  }
  std::string Encrypted(const std::string& plain) {
    std::string s = plain;
    cipher_->ProcessBuffer(s.data(), static_cast<int64_t>(s.size()), caEncode);
    return s;
  }
  ScratchDir dir_;
  TProtectionRef<TCipher> cipher_;
};

TEST_F(ProcessFileTest, CodesIntoANewFileAndBack) {
  for (size_t n : {size_t{0}, size_t{1}, size_t{4095}, size_t{4096}, size_t{4097}, size_t{20000}}) {
    const std::string plain = RandomBytes(n, static_cast<uint32_t>(n));
    WriteFile(dir_.Path("plain"), plain);
    cipher_->ProcessFile(dir_.Path("plain"), dir_.Path("enc"), caEncode);
    const std::string enc = ReadFile(dir_.Path("enc"));
    EXPECT_EQ(enc.size(), n);
    if (n <= 4096) {
      EXPECT_EQ(enc, Encrypted(plain));  // one piece: one call
    }
    cipher_->ProcessFile(dir_.Path("enc"), dir_.Path("dec"), caDecode);
    EXPECT_EQ(ReadFile(dir_.Path("dec")), plain) << n;
  }
  // No temporary files are left beside the results.
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir_.Dir())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 3);
}

TEST_F(ProcessFileTest, OneFileUnderTwoNamesIsCodedInPlace) {
  // Names that differ only in letter case are different files here; two
  // names of one file (a hard link) are one file and must not be truncated.
  const std::string plain = RandomBytes(10000, 5);
  WriteFile(dir_.Path("a.img"), plain);
  ASSERT_EQ(::link(dir_.Path("a.img").c_str(), dir_.Path("b.img").c_str()), 0);
  cipher_->ProcessFile(dir_.Path("a.img"), dir_.Path("b.img"), caEncode);
  const std::string enc = ReadFile(dir_.Path("a.img"));
  EXPECT_EQ(enc.size(), plain.size());
  EXPECT_EQ(ReadFile(dir_.Path("b.img")), enc);
  cipher_->ProcessFile(dir_.Path("a.img"), dir_.Path("a.img"), caDecode);
  EXPECT_EQ(ReadFile(dir_.Path("b.img")), plain);
}

TEST_F(ProcessFileTest, ABlankDestinationRaises) {
  const std::string plain = RandomBytes(100, 6);
  WriteFile(dir_.Path("p"), plain);
  EXPECT_THROW(cipher_->ProcessFile(dir_.Path("p"), "  ", caEncode), EProtection);
  EXPECT_THROW(cipher_->ProcessFile(dir_.Path("p"), "", caDecode), EProtection);
  EXPECT_EQ(ReadFile(dir_.Path("p")), plain);
}

TEST_F(ProcessFileTest, AFailureLeavesAnExistingDestinationWhole) {
  WriteFile(dir_.Path("p"), RandomBytes(5000, 7));
  WriteFile(dir_.Path("dest"), "precious");
  ::chmod(dir_.Path("dest").c_str(), 0640);
  // No key: coding fails after the source has been opened.
  TProtectionRef<TCipher> keyless = TCipher_Toy::StaticClass()->Create();
  EXPECT_THROW(keyless->ProcessFile(dir_.Path("p"), dir_.Path("dest"), caEncode), ECipherException);
  EXPECT_EQ(ReadFile(dir_.Path("dest")), "precious");
  // A missing source: the destination is not touched either.
  EXPECT_THROW(cipher_->ProcessFile(dir_.Path("missing"), dir_.Path("dest"), caEncode), EFOpenError);
  EXPECT_EQ(ReadFile(dir_.Path("dest")), "precious");
  // Success replaces it and keeps its permissions.
  cipher_->ProcessFile(dir_.Path("p"), dir_.Path("dest"), caEncode);
  EXPECT_EQ(ReadFile(dir_.Path("dest")).size(), 5000u);
  struct stat st {};
  ASSERT_EQ(::stat(dir_.Path("dest").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir_.Dir())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 2);
}

TEST_F(ProcessFileTest, CalculateOpensNoDestination) {
  TProtectionRef<TRecorder> p(new TRecorder);
  WriteFile(dir_.Path("p"), RandomBytes(5000, 8));
  p->ProcessFile(dir_.Path("p"), dir_.Path("never"), caCalculate);
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("never")));
  EXPECT_EQ(p->Log, (std::vector<std::string>{"begin 3", "chunk 4096", "chunk 904", "end 3"}));
}

TEST(CodingRoutines, Words) {
  EXPECT_EQ(RotateLeft32(0x80000001u, 1), 0x00000003u);
  EXPECT_EQ(RotateLeft32(0x12345678u, 36), 0x23456781u);
  EXPECT_EQ(RotateRight32(0x00000003u, 1), 0x80000001u);
  EXPECT_EQ(RotateLeftAdd32(0x80000000u, 5, 1), 6u);
  EXPECT_EQ(ByteSwap32(0x11223344u), 0x44332211u);
  EXPECT_EQ(ReverseBits32(1u), 0x80000000u);
  EXPECT_EQ(ReverseBits32(0x12345678u), 0x1E6A2C48u);
  uint8_t buf[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ByteSwapBuffer32(buf, buf, 2);
  EXPECT_EQ(buf[0], 4);
  EXPECT_EQ(buf[7], 5);
  ByteSwapBuffer32(buf, buf, 0);
  EXPECT_EQ(buf[0], 4);
}

TEST(CodingRoutines, BytesXorAndCompare) {
  const std::string a = RandomBytes(23, 9), b = RandomBytes(23, 10);
  std::string d = a;
  XorBlocks(d.data(), b.data(), 23, d.data());
  for (int i = 0; i < 23; ++i) EXPECT_EQ(static_cast<char>(a[i] ^ b[i]), d[i]);
  EXPECT_EQ(CompareBytes(a.data(), b.data(), 0), 0);
  EXPECT_EQ(CompareBytes(a.data(), a.data(), 23), 0);
  const uint8_t x[3] = {1, 0xF0, 3}, y[3] = {1, 0x10, 9};
  EXPECT_EQ(CompareBytes(x, y, 3), 0xF0 - 0x10);
  EXPECT_EQ(CompareBytes(y, x, 3), 0x10 - 0xF0);
}

TEST(CodingRoutines, XorWithRandom) {
  uint8_t buf[3] = {9, 9, 9};
  uint32_t seed = 1;
  // Each byte becomes the top byte of the next seed.
  const uint32_t s1 = 1u * 134775813u + 1u, s2 = s1 * 134775813u + 1u, s3 = s2 * 134775813u + 1u;
  EXPECT_EQ(XorWithRandom(seed, buf, 3), s3);
  EXPECT_EQ(buf[0], s1 >> 24);
  EXPECT_EQ(buf[1], s2 >> 24);
  EXPECT_EQ(buf[2], s3 >> 24);
  EXPECT_EQ(XorWithRandom(7, nullptr, 3), 7u);
}

TEST(CodingRoutines, CrcKnownAnswers) {
  const char* check = "123456789";
  // The reflected CRC-16 with no XORs (CRC-16/ARC) and the IEEE 802.3 CRC-32.
  EXPECT_EQ(UpdateCRC16(0, check, 9), 0xBB3D);
  EXPECT_EQ(~UpdateCRC32(0xFFFFFFFFu, check, 9), 0xCBF43926u);
  EXPECT_EQ(UpdateCRC32(0x1234, nullptr, 9), 0x1234u);
  EXPECT_EQ(UpdateCRC16(0x1234, check, 0), 0x1234);
  EXPECT_EQ(CRC32Table[1], 0x77073096u);
  EXPECT_EQ(CRC16Table[1], 0xC0C1);
}

TEST(CodingRoutines, ProcessorFamilyIsAtLeastA486) { EXPECT_GE(ProcessorFamily(), 4); }

TEST(CodingRoutines, ShortClassName) {
  EXPECT_EQ(ShortClassName(TCipher_Toy::StaticClass()), "Toy");
  EXPECT_EQ(ShortClassName(TCipher::StaticClass()), "TCipher");
  EXPECT_EQ(ShortClassName(nullptr), "");
  TProtectionRef<TCipher> c = TCipher_Toy12::StaticClass()->Create();
  EXPECT_TRUE(IsObjectOfClass(c.get(), TCipher_Toy::StaticClass()));
  EXPECT_FALSE(IsObjectOfClass(c.get(), THash::StaticClass()));
  EXPECT_FALSE(IsObjectOfClass(nullptr, TCipher::StaticClass()));
}
