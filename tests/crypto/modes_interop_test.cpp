// The coding modes with a real cipher (Rijndael with 16-byte keys, which is
// AES) against Crypto++'s modes: where a mode is the customary one the
// results agree, where the library defines its own the customary mode gives
// another result.
#include <cryptopp/aes.h>
#include <cryptopp/modes.h>
#include <gtest/gtest.h>

#include <random>

#include "crypto/cipher/TCipher_Rijndael.h"
#include "tests/crypto/cipher/CipherTestKit.h"

namespace {

enum class Peer { CBC, CBCStealing, CFB8, CFB128, OFB128, OFB8ByBlocks, ECB };

// Crypto++'s coding of Plain under Key from IV.
Bytes PeerCoded(Peer p, const Bytes& key, const Bytes& iv, const Bytes& plain) {
  Bytes out(plain.size());
  auto run = [&](auto&& mode) { mode.ProcessData(out.data(), plain.data(), plain.size()); };
  switch (p) {
    case Peer::CBC:
      run(CryptoPP::CBC_Mode<CryptoPP::AES>::Encryption(key.data(), key.size(), iv.data()));
      break;
    case Peer::CBCStealing:
      run(CryptoPP::CBC_CTS_Mode<CryptoPP::AES>::Encryption(key.data(), key.size(), iv.data()));
      break;
    case Peer::CFB8:
      run(CryptoPP::CFB_Mode<CryptoPP::AES>::Encryption(key.data(), key.size(), iv.data(), 1));
      break;
    case Peer::CFB128:
      run(CryptoPP::CFB_Mode<CryptoPP::AES>::Encryption(key.data(), key.size(), iv.data()));
      break;
    case Peer::OFB128:
      run(CryptoPP::OFB_Mode<CryptoPP::AES>::Encryption(key.data(), key.size(), iv.data()));
      break;
    case Peer::ECB:
      run(CryptoPP::ECB_Mode<CryptoPP::AES>::Encryption(key.data(), key.size()));
      break;
    case Peer::OFB8ByBlocks: {
      // 8-bit output feedback built on the peer's block function: the
      // register moves one byte on, taking the first key-stream byte.
      CryptoPP::AES::Encryption e(key.data(), key.size());
      Bytes r = iv, w(16);
      for (size_t i = 0; i < plain.size(); ++i) {
        e.ProcessBlock(r.data(), w.data());
        out[i] = plain[i] ^ w[0];
        r.erase(r.begin());
        r.push_back(w[0]);
      }
      break;
    }
  }
  return out;
}

}  // namespace

TEST(ModesInterop, CustomaryModesAgreeTheLibrarysOwnDiffer) {
  const struct {
    TCipherMode Mode;
    Peer With;
    size_t Length;
    bool Same;
  } cases[] = {
      {cmCBC, Peer::CBC, 64, true},            // whole blocks: customary CBC
      {cmCBC, Peer::CBCStealing, 40, false},   // tail: E(F) xor the bytes, no stealing
      {cmCTS, Peer::CBC, 64, false},           // F = C xor F, not F = C
      {cmCTS, Peer::CBCStealing, 40, false},   // not ciphertext stealing
      {cmCFB, Peer::CFB8, 45, true},           // 8-bit cipher feedback
      {cmCFB, Peer::CFB128, 45, false},
      {cmOFB, Peer::OFB8ByBlocks, 45, true},   // 8-bit output feedback
      {cmOFB, Peer::OFB128, 45, false},
      {cmECB, Peer::ECB, 64, true},
  };
  std::mt19937 rng(2024);
  for (int trial = 0; trial < 8; ++trial) {
    const Bytes key = RandomBytes(rng, 16);
    for (const auto& c : cases) {
      const Bytes plain = RandomBytes(rng, c.Length);
      auto ours = Keyed(TCipher_Rijndael::StaticClass(), key);
      ours->SetMode(c.Mode);
      const Bytes iv(ours->IV(), ours->IV() + 16);
      Bytes coded = plain;
      ours->EncryptData(coded.data(), coded.data(), static_cast<int64_t>(coded.size()));
      EXPECT_EQ(coded == PeerCoded(c.With, key, iv, plain), c.Same)
          << "mode " << int(c.Mode) << " peer " << int(c.With) << " key " << ToHex(key);
    }
  }
  // The IV derived from the key is the encryption of a block of 0xFF bytes.
  const Bytes key = RandomBytes(rng, 16), ones(16, 0xFF);
  Bytes iv(16);
  CryptoPP::AES::Encryption(key.data(), key.size()).ProcessBlock(ones.data(), iv.data());
  auto ours = Keyed(TCipher_Rijndael::StaticClass(), key);
  EXPECT_EQ(Bytes(ours->IV(), ours->IV() + 16), iv);
}
