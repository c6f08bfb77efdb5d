// CAST, RC2, RC5, RC6, Rijndael, Skipjack, MARS and the DES family against
// Crypto++ and OpenSSL, on many random keys and blocks, in both directions.
// MISTY1 is checked against Botan (misty_interop_test.cpp).
#include <cryptopp/aes.h>
#include <cryptopp/cast.h>
#include <cryptopp/des.h>
#include <cryptopp/mars.h>
#include <cryptopp/rc2.h>
#include <cryptopp/rc5.h>
#include <cryptopp/rc6.h>
#include <cryptopp/rijndael.h>
#include <cryptopp/skipjack.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/aes.h>
#include <openssl/des.h>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/TCipher_Cast128.h"
#include "crypto/cipher/TCipher_Cast256.h"
#include "crypto/cipher/TCipher_DES.h"
#include "crypto/cipher/TCipher_DESX.h"
#include "crypto/cipher/TCipher_Mars.h"
#include "crypto/cipher/TCipher_RC2.h"
#include "crypto/cipher/TCipher_RC5.h"
#include "crypto/cipher/TCipher_RC6.h"
#include "crypto/cipher/TCipher_Rijndael.h"
#include "crypto/cipher/TCipher_Skipjack.h"
#include "tests/crypto/cipher/CipherTestKit.h"

namespace {

constexpr int kTrials = 200;

// A peer's encryption and decryption of one block under one key.
struct Peer {
  std::unique_ptr<CryptoPP::BlockCipher> Enc, Dec;
};
using PeerMaker = std::function<Peer(const Bytes& key)>;

template <typename C, typename... Extra>
PeerMaker CryptoPPCipher(Extra... extra) {
  return [=](const Bytes& key) {
    return Peer{std::make_unique<typename C::Encryption>(key.data(), key.size(), extra...),
                std::make_unique<typename C::Decryption>(key.data(), key.size(), extra...)};
  };
}

// Our class against the peer for random keys of each length, both ways.
// PeerKey turns our key into the peer's (zero padding, reordering).
// PeerBlock turns our block into the peer's and back (an involution).
void ExpectAgrees(TCipherClass Class, const std::vector<int>& KeyLengths, PeerMaker Make,
                  std::function<Bytes(const Bytes&)> PeerKey = {},
                  std::function<Bytes(const Bytes&)> PeerBlock = {}) {
  auto adapt = [&](const Bytes& b) { return PeerBlock ? PeerBlock(b) : b; };
  std::mt19937 rng(Class->BlockSize * 7919 + Class->KeySize);
  for (int len : KeyLengths)
    for (int t = 0; t < kTrials / static_cast<int>(KeyLengths.size()); ++t) {
      Bytes key = RandomBytes(rng, len);
      Bytes block = RandomBytes(rng, Class->BlockSize);
      auto ours = Keyed(Class, key);
      Peer peer = Make(PeerKey ? PeerKey(key) : key);
      Bytes in = adapt(block), expected(block.size()), back(block.size());
      peer.Enc->ProcessBlock(in.data(), expected.data());
      ASSERT_EQ(ToHex(EncryptOne(*ours, block)), ToHex(adapt(expected)))
          << ours->ClassName() << " key " << ToHex(key) << " block " << ToHex(block);
      peer.Dec->ProcessBlock(in.data(), back.data());
      ASSERT_EQ(ToHex(DecryptOne(*ours, block)), ToHex(adapt(back)))
          << ours->ClassName() << " key " << ToHex(key) << " block " << ToHex(block);
    }
}

Bytes ZeroPadded(const Bytes& key, size_t n) {
  Bytes k = key;
  k.resize(n, 0);
  return k;
}

}  // namespace

TEST(CipherBInterop, Cast128) {
  ExpectAgrees(TCipher_Cast128::StaticClass(), {5, 7, 10, 11, 15, 16},
               CryptoPPCipher<CryptoPP::CAST128>());
  // Keys below the peer's shortest are zero-padded (12 rounds either way).
  ExpectAgrees(TCipher_Cast128::StaticClass(), {0, 1, 4}, CryptoPPCipher<CryptoPP::CAST128>(),
               [](const Bytes& k) { return ZeroPadded(k, 5); });
}

TEST(CipherBInterop, Cast256) {
  ExpectAgrees(TCipher_Cast256::StaticClass(), {16, 20, 24, 28, 32},
               CryptoPPCipher<CryptoPP::CAST256>());
  // Shorter or uneven keys are zero-padded to the next length the peer takes.
  ExpectAgrees(TCipher_Cast256::StaticClass(), {1, 9, 17, 31}, CryptoPPCipher<CryptoPP::CAST256>(),
               [](const Bytes& k) { return ZeroPadded(k, k.size() <= 16 ? 16 : 32); });
}

TEST(CipherBInterop, RC2AtEffectiveKeyLength1024) {
  ExpectAgrees(TCipher_RC2::StaticClass(), {1, 5, 16, 32, 100, 128},
               CryptoPPCipher<CryptoPP::RC2>(1024));
}

// The effective key length is 1024 bits whatever the key: the common choice
// of eight bits per key byte gives another result.
TEST(CipherBInterop, RC2EffectiveKeyLengthIsNotTheKeysOwn) {
  Bytes key = Hex("88bca90e90875a7f0f79c384627bafb2"), block(8), peer(8);
  CryptoPP::RC2::Encryption enc(key.data(), key.size(), 128);
  enc.ProcessBlock(block.data(), peer.data());
  EXPECT_NE(ToHex(EncryptOne(*Keyed(TCipher_RC2::StaticClass(), key), block)), ToHex(peer));
}

TEST(CipherBInterop, RC5With12Rounds) {
  ExpectAgrees(TCipher_RC5::StaticClass(), {1, 3, 16, 32, 57, 255},
               CryptoPPCipher<CryptoPP::RC5>(12));
}

TEST(CipherBInterop, RC6With20Rounds) {
  ExpectAgrees(TCipher_RC6::StaticClass(), {16, 24, 32}, CryptoPPCipher<CryptoPP::RC6>(20));
}

// Both ways of coding a block: with and without the AES instructions.
TEST(CipherBInterop, RijndaelWith16And24ByteKeysIsAES) {
  const bool saved = TCipher_Rijndael::UseAESInstructions;
  for (bool instructions : {false, saved}) {
    TCipher_Rijndael::UseAESInstructions = instructions;
    ExpectAgrees(TCipher_Rijndael::StaticClass(), {16, 24}, CryptoPPCipher<CryptoPP::AES>());
    // Shorter keys are AES keys with zero bytes appended.
    ExpectAgrees(TCipher_Rijndael::StaticClass(), {0, 7, 15, 17, 20, 23},
                 CryptoPPCipher<CryptoPP::AES>(),
                 [](const Bytes& k) { return ZeroPadded(k, k.size() <= 16 ? 16 : 24); });
  }
  TCipher_Rijndael::UseAESInstructions = saved;
}

TEST(CipherBInterop, RijndaelWith16And24ByteKeysAgreesWithOpenSSL) {
  std::mt19937 rng(99);
  for (int len : {16, 24})
    for (int t = 0; t < 50; ++t) {
      Bytes key = RandomBytes(rng, len), block = RandomBytes(rng, 16), expected(16);
      AES_KEY ek;
      AES_set_encrypt_key(key.data(), 8 * len, &ek);
      AES_encrypt(block.data(), expected.data(), &ek);
      auto ours = Keyed(TCipher_Rijndael::StaticClass(), key);
      EXPECT_EQ(ToHex(EncryptOne(*ours, block)), ToHex(expected));
    }
}

namespace {
struct RijndaelProbe : TCipher_Rijndael {
  using TCipher_Rijndael::TCipher_Rijndael;
  uint32_t Word(int i) { return LoadBE32(KeySchedule() + 4 * i); }
};
}  // namespace

// The 32-byte expansion keeps AES-256's first twelve words and departs from
// the thirteenth on; the ciphers then differ.
TEST(CipherBInterop, Rijndael32ByteKeyDepartsFromAES256AtWord12) {
  std::mt19937 rng(7);
  for (int t = 0; t < 20; ++t) {
    Bytes key = RandomBytes(rng, 32), block = RandomBytes(rng, 16), aes(16);
    AES_KEY ek;
    AES_set_encrypt_key(key.data(), 256, &ek);
    TProtectionRef<RijndaelProbe> ours(new RijndaelProbe());
    ours->Init(key.data(), 32, nullptr);
    // The peer keeps its round keys as words loaded in memory order.
    auto word = [&](int i) { return LoadBE32(&ek.rd_key[i]); };
    for (int i = 0; i < 12; ++i) EXPECT_EQ(ours->Word(i), word(i)) << i;
    EXPECT_NE(ours->Word(12), word(12));
    AES_encrypt(block.data(), aes.data(), &ek);
    EXPECT_NE(ToHex(EncryptOne(*ours, block)), ToHex(aes));
    EXPECT_EQ(ToHex(DecryptOne(*ours, EncryptOne(*ours, block))), ToHex(block));
  }
}

Bytes Reversed(const Bytes& b) {
  return Bytes(b.rbegin(), b.rend());
}

// The peer takes key and block in reversed byte order.
TEST(CipherBInterop, Skipjack) {
  ExpectAgrees(TCipher_Skipjack::StaticClass(), {10}, CryptoPPCipher<CryptoPP::SKIPJACK>(),
               Reversed, Reversed);
  ExpectAgrees(
      TCipher_Skipjack::StaticClass(), {0, 3, 9}, CryptoPPCipher<CryptoPP::SKIPJACK>(),
      [](const Bytes& k) { return Reversed(ZeroPadded(k, 10)); }, Reversed);
}

namespace {
struct MarsProbe : TCipher_Mars {
  using TCipher_Mars::TCipher_Mars;
  uint32_t* Words() { return KeyScheduleAs<uint32_t>(); }
};
struct MarsPeerEnc : CryptoPP::MARS::Encryption {
  using CryptoPP::MARS::Encryption::Encryption;
  const CryptoPP::word32* Words() const { return m_k; }
};
struct MarsPeerDec : CryptoPP::MARS::Decryption {
  using CryptoPP::MARS::Decryption::Decryption;
};
}  // namespace

// The peer expands keys as MARS was later revised; given the peer's subkeys,
// our rounds must code exactly as the peer's.
TEST(CipherBInterop, MarsRoundsWithThePeersSubkeys) {
  std::mt19937 rng(11);
  for (int t = 0; t < kTrials; ++t) {
    Bytes key = RandomBytes(rng, 16 + 8 * (t % 3)), block = RandomBytes(rng, 16);
    MarsPeerEnc enc(key.data(), key.size());
    MarsPeerDec dec(key.data(), key.size());
    TProtectionRef<MarsProbe> ours(new MarsProbe());
    ours->Init(key.data(), static_cast<int>(key.size()), nullptr);
    std::copy(enc.Words(), enc.Words() + 40, ours->Words());
    Bytes expected(16), back(16);
    enc.ProcessBlock(block.data(), expected.data());
    dec.ProcessBlock(block.data(), back.data());
    ASSERT_EQ(ToHex(EncryptOne(*ours, block)), ToHex(expected));
    ASSERT_EQ(ToHex(DecryptOne(*ours, block)), ToHex(back));
  }
}

// Our key expansion is the first published one: whole ciphers differ.
TEST(CipherBInterop, MarsKeyExpansionDiffersFromTheRevisedOne) {
  Bytes key = Hex("000102030405060708090a0b0c0d0e0f"), block(16), peer(16);
  CryptoPP::MARS::Encryption enc(key.data(), key.size());
  enc.ProcessBlock(block.data(), peer.data());
  EXPECT_NE(ToHex(EncryptOne(*Keyed(TCipher_Mars::StaticClass(), key), block)), ToHex(peer));
}

TEST(CipherBInterop, DES) {
  ExpectAgrees(TCipher_1DES::StaticClass(), {8}, CryptoPPCipher<CryptoPP::DES>());
  std::mt19937 rng(5);
  for (int t = 0; t < 50; ++t) {
    Bytes key = RandomBytes(rng, 8), block = RandomBytes(rng, 8), expected(8);
    DES_key_schedule ks;
    DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(key.data()), &ks);
    DES_ecb_encrypt(reinterpret_cast<const_DES_cblock*>(block.data()),
                    reinterpret_cast<DES_cblock*>(expected.data()), &ks, DES_ENCRYPT);
    EXPECT_EQ(ToHex(EncryptOne(*Keyed(TCipher_1DES::StaticClass(), key), block)), ToHex(expected));
  }
}

TEST(CipherBInterop, DESEncryptDecryptEncrypt) {
  ExpectAgrees(TCipher_2DES::StaticClass(), {16}, CryptoPPCipher<CryptoPP::DES_EDE2>());
  ExpectAgrees(TCipher_3DES::StaticClass(), {24}, CryptoPPCipher<CryptoPP::DES_EDE3>());
}

// A 16-byte key for the three-key composition leaves K3 all zero; the usual
// two-key form would reuse K1.
TEST(CipherBInterop, TripleDESWithA16ByteKeyUsesAZeroK3) {
  ExpectAgrees(TCipher_3DES::StaticClass(), {16}, CryptoPPCipher<CryptoPP::DES_EDE3>(),
               [](const Bytes& k) { return ZeroPadded(k, 24); });
  Bytes key = Hex("0123456789abcdeffedcba9876543210"), block = Hex("0011223344556677"), ede2(8);
  CryptoPP::DES_EDE2::Encryption enc(key.data(), key.size());
  enc.ProcessBlock(block.data(), ede2.data());
  EXPECT_NE(ToHex(EncryptOne(*Keyed(TCipher_3DES::StaticClass(), key), block)), ToHex(ede2));
}

// DESX is DES with whitening keys on both sides: the peer takes them
// explicitly (input whitening, DES key, output whitening); K2 is our derived
// one, read from the key schedule.
namespace {
struct DESXProbe : TCipher_DESX {
  using TCipher_DESX::TCipher_DESX;
  Bytes K2() { return Bytes(KeySchedule() + 264, KeySchedule() + 272); }
};
}  // namespace

TEST(CipherBInterop, DESXIsWhitenedDES) {
  std::mt19937 rng(3);
  for (int t = 0; t < kTrials; ++t) {
    Bytes key = RandomBytes(rng, 16), block = RandomBytes(rng, 16 / 2);
    TProtectionRef<DESXProbe> ours(new DESXProbe());
    ours->Init(key.data(), 16, nullptr);
    Bytes peerKey(key.begin() + 8, key.end());
    peerKey.insert(peerKey.end(), key.begin(), key.begin() + 8);
    Bytes k2 = ours->K2();
    peerKey.insert(peerKey.end(), k2.begin(), k2.end());
    CryptoPP::DES_XEX3::Encryption enc(peerKey.data(), peerKey.size());
    CryptoPP::DES_XEX3::Decryption dec(peerKey.data(), peerKey.size());
    Bytes expected(8), back(8);
    enc.ProcessBlock(block.data(), expected.data());
    dec.ProcessBlock(block.data(), back.data());
    ASSERT_EQ(ToHex(EncryptOne(*ours, block)), ToHex(expected));
    ASSERT_EQ(ToHex(DecryptOne(*ours, block)), ToHex(back));
  }
}

#pragma GCC diagnostic pop
