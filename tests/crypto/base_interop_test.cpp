// The encrypted file and the text encodings checked against independent
// implementations: Crypto++ for RIPEMD-256, Blowfish, CAST-256, 3-Way and CRC-32,
// coreutils' base64 and sharutils' uuencode for the encodings.
#include <cryptopp/3way.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/cast.h>
#include <cryptopp/crc.h>
#include <cryptopp/ripemd.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>

#include "crypto/CodingRoutines.h"
#include "crypto/TCipherManager.h"
#include "crypto/THashManager.h"
#include "crypto/TStringFormat.h"
#include "tests/crypto/CryptoTestUtil.h"

using crypto_test::RandomBytes;
using crypto_test::ReadFile;
using crypto_test::ScratchDir;
using crypto_test::WriteFile;

namespace {

using BlockFn = std::function<void(uint8_t*)>;

std::string RipeMD256(const std::string& bytes) {
  CryptoPP::RIPEMD256 ripemd;
  std::string d(32, '\0');
  ripemd.CalculateDigest(reinterpret_cast<uint8_t*>(d.data()),
                         reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return d;
}

// The encrypted file written with a peer's block function E: IV = E(all
// 0xFF), cmCTS over pieces of 4096 bytes whose block grid starts afresh in
// each piece, the feedback carried from piece to piece.
std::string ReferenceFile(const BlockFn& E, size_t b, const std::string& plain) {
  std::vector<uint8_t> F(b, 0xFF), W(b);
  E(F.data());
  std::string out = plain;
  for (size_t piece = 0; piece < out.size(); piece += 4096) {
    const size_t end = std::min(out.size(), piece + 4096);
    size_t i = piece;
    for (; i + b <= end; i += b) {
      uint8_t* p = reinterpret_cast<uint8_t*>(&out[i]);
      for (size_t k = 0; k < b; ++k) p[k] ^= F[k];
      E(p);
      for (size_t k = 0; k < b; ++k) F[k] ^= p[k];
    }
    if (i < end) {
      W = F;
      E(W.data());
      for (size_t k = i; k < end; ++k) out[k] = static_cast<char>(out[k] ^ W[k - i]);
      for (size_t k = 0; k < b; ++k) F[k] ^= W[k];
    }
  }
  return out;
}

// The key is the RIPEMD-256 digest of the pass phrase's bytes, cut to the
// cipher's key size (at most 32 bytes).
template <typename Peer>
std::string PeerFile(const std::string& passBytes, const std::string& plain, size_t keySize) {
  const std::string d = RipeMD256(passBytes);
  auto e = std::make_shared<typename Peer::Encryption>(reinterpret_cast<const uint8_t*>(d.data()),
                                                       std::min<size_t>(keySize, 32));
  return ReferenceFile([e](uint8_t* p) { e->ProcessBlock(p); }, Peer::BLOCKSIZE, plain);
}

// 3-Way with 12-byte blocks: the library's words are little-endian, the
// peer's big-endian.
std::string ThreeWayFile(const std::string& passBytes, const std::string& plain) {
  std::string key = RipeMD256(passBytes).substr(0, 12);
  for (size_t i = 0; i < 12; i += 4) std::reverse(key.begin() + i, key.begin() + i + 4);
  auto e = std::make_shared<CryptoPP::ThreeWay::Encryption>(reinterpret_cast<const uint8_t*>(key.data()), 12);
  return ReferenceFile(
      [e](uint8_t* p) {
        for (int i = 0; i < 12; i += 4) std::reverse(p + i, p + i + 4);
        e->ProcessBlock(p);
        for (int i = 0; i < 12; i += 4) std::reverse(p + i, p + i + 4);
      },
      12, plain);
}

std::string Shell(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
  return out;
}

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

}  // namespace

TEST(EncryptedFileInterop, MatchesPeerPrimitives) {
  ScratchDir dir;
  TOwned<THashManager> hashes(new THashManager);
  TOwned<TCipherManager> m(new TCipherManager);
  m->SetHashManager(hashes.get());
  struct Phrase {
    std::string text, bytes;
  } phrases[] = {{"", ""},
                 {"correct horse battery staple", "correct horse battery staple"},
                 {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xE9 \x80"},
                 {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC"}};
  for (const Phrase& p : phrases) {
    for (size_t n : {size_t{0}, size_t{5}, size_t{4096}, size_t{4103}, size_t{8192}, size_t{20000}}) {
      const std::string plain = RandomBytes(n, static_cast<uint32_t>(n + p.text.size()));
      WriteFile(dir.Path("plain"), plain);
      struct {
        const char* name;
        std::string want;
      } cases[] = {{"Diamond ", PeerFile<CryptoPP::Blowfish>(p.bytes, plain, 56)},
                   {"Blowfish", PeerFile<CryptoPP::Blowfish>(p.bytes, plain, 56)},
                   {"Cast 256", PeerFile<CryptoPP::CAST256>(p.bytes, plain, 32)},
                   {"3Way", ThreeWayFile(p.bytes, plain)}};
      for (auto& c : cases) {
        m->SetAlgorithm(c.name);
        m->InitKey(p.text);
        m->EncodeFile(dir.Path("plain"), dir.Path("enc"));
        EXPECT_TRUE(ReadFile(dir.Path("enc")) == c.want) << c.name << " " << n << " " << p.text;
        m->DecodeFile(dir.Path("enc"), dir.Path("dec"));
        EXPECT_TRUE(ReadFile(dir.Path("dec")) == plain);
      }
    }
  }
}

TEST(CodingRoutinesInterop, Crc32MatchesCryptoPP) {
  for (size_t n : {0, 1, 3, 100, 5000}) {
    const std::string data = RandomBytes(n, static_cast<uint32_t>(n));
    CryptoPP::CRC32 crc;
    uint8_t peer[4];
    crc.CalculateDigest(peer, reinterpret_cast<const uint8_t*>(data.data()), data.size());
    const uint32_t ours = ~UpdateCRC32(0xFFFFFFFFu, data.data(), static_cast<int64_t>(n));
    EXPECT_EQ(ours, LoadLE32(peer)) << n;
  }
}

TEST(StringFormatInterop, Mime64AgainstBase64) {
  if (!Have("base64")) GTEST_SKIP() << "base64 is not installed";
  ScratchDir dir;
  for (size_t n : {1, 2, 3, 57, 58, 1000}) {
    const std::string data = RandomBytes(n, static_cast<uint32_t>(n * 3));
    WriteFile(dir.Path("d"), data);
    EXPECT_EQ(BinaryToFormat(data, fmtMIME64) + "\n", Shell("base64 -w 0 " + dir.Path("d") + "; echo"));
    // base64's own line breaks every 76 characters decode exactly.
    const std::string wrapped = Shell("base64 " + dir.Path("d"));
    EXPECT_TRUE(FormatToBinary(wrapped, fmtMIME64) == data) << n;
    WriteFile(dir.Path("t"), BinaryToFormat(data, fmtMIME64));
    EXPECT_TRUE(Shell("base64 -d " + dir.Path("t")) == data);
  }
}

TEST(StringFormatInterop, UUAgainstUuencode) {
  if (!Have("uuencode")) GTEST_SKIP() << "uuencode (sharutils) is not installed";
  ScratchDir dir;
  for (size_t n : {1, 3, 44, 45, 46, 100, 1000}) {
    const std::string data = RandomBytes(n, static_cast<uint32_t>(n * 7));
    WriteFile(dir.Path("d"), data);
    // "begin 644 name", the lines, a "`" line of length 0, "end".
    std::istringstream lines(Shell("uuencode " + dir.Path("d") + " name < " + dir.Path("d")));
    std::string line, body, joined;
    std::getline(lines, line);
    ASSERT_EQ(line.rfind("begin ", 0), 0u);
    while (std::getline(lines, line) && line != "end") {
      body += line + "\n";
      if (line != "`") joined += line;
    }
    EXPECT_EQ(BinaryToFormat(data, fmtUU), joined) << n;
    EXPECT_TRUE(FormatToBinary(body, fmtUU) == data) << n;
  }
}
