// Throughput of CAST, MISTY1, RC2, RC5, RC6, Rijndael, Skipjack, MARS, the
// DES family, DESX and NewDES in cmCTS over 64 MiB, beside Crypto++ in CBC
// for the same algorithm where it has one, MISTY1 beside Botan's CBC (the
// ratio is ours / peer's).
#include <benchmark/benchmark.h>
#include <botan/cipher_mode.h>
#include <cryptopp/aes.h>
#include <cryptopp/cast.h>
#include <cryptopp/des.h>
#include <cryptopp/mars.h>
#include <cryptopp/modes.h>
#include <cryptopp/rc2.h>
#include <cryptopp/rc5.h>
#include <cryptopp/rc6.h>
#include <cryptopp/skipjack.h>

#include <string>
#include <vector>

#include "crypto/cipher/TCipher_Cast128.h"
#include "crypto/cipher/TCipher_Cast256.h"
#include "crypto/cipher/TCipher_DES.h"
#include "crypto/cipher/TCipher_DESX.h"
#include "crypto/cipher/TCipher_Mars.h"
#include "crypto/cipher/TCipher_Misty.h"
#include "crypto/cipher/TCipher_NewDES.h"
#include "crypto/cipher/TCipher_RC2.h"
#include "crypto/cipher/TCipher_RC5.h"
#include "crypto/cipher/TCipher_RC6.h"
#include "crypto/cipher/TCipher_Rijndael.h"
#include "crypto/cipher/TCipher_Skipjack.h"

#include "bench/crypto/CipherBench.h"

namespace {

using cipher_bench::Buffer;
using cipher_bench::kSize;
using cipher_bench::Ours;
using cipher_bench::Peer;

// Botan's CBC over the same buffer.
void Botan(benchmark::State& state, const char* Name, size_t keyLength, size_t blockSize) {
  auto mode = Botan::Cipher_Mode::create(std::string(Name) + "/CBC/NoPadding", Botan::ENCRYPTION);
  if (!mode) return state.SkipWithError("not in this Botan");
  const std::vector<uint8_t> key(keyLength, 0x42), iv(blockSize, 0);
  mode->set_key(key.data(), key.size());
  mode->start(iv.data(), iv.size());
  auto& b = Buffer();
  for (auto _ : state) {
    mode->process(b.data(), b.size());
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

// Each cipher beside its peer, as "name/ours" and "name/Crypto++".
const bool kRegistered = [] {
  auto add = [](const std::string& name, auto fn, auto... args) {
    benchmark::RegisterBenchmark(name.c_str(), fn, args...)->Unit(benchmark::kMillisecond);
  };
  add("Cast128/ours", Ours<TCipher_Cast128>);
  add("Cast128/Crypto++", Peer<CryptoPP::CAST128>, 16);
  add("Cast256/ours", Ours<TCipher_Cast256>);
  add("Cast256/Crypto++", Peer<CryptoPP::CAST256>, 32);
  add("Misty/ours", Ours<TCipher_Misty>);
  add("Misty/Botan", Botan, "MISTY1", 16, 8);
  add("RC2/ours", Ours<TCipher_RC2>);
  add("RC2/Crypto++", Peer<CryptoPP::RC2>, 32);
  add("RC5/ours", Ours<TCipher_RC5>);
  add("RC5/Crypto++", Peer<CryptoPP::RC5>, 32);
  add("RC6/ours", Ours<TCipher_RC6>);
  add("RC6/Crypto++", Peer<CryptoPP::RC6>, 32);
  add("Rijndael/ours", Ours<TCipher_Rijndael>);
  add("Rijndael/Crypto++", Peer<CryptoPP::AES>, 32);
  add("Skipjack/ours", Ours<TCipher_Skipjack>);
  add("Skipjack/Crypto++", Peer<CryptoPP::SKIPJACK>, 10);
  add("Mars/ours", Ours<TCipher_Mars>);
  add("Mars/Crypto++", Peer<CryptoPP::MARS>, 32);
  add("1DES/ours", Ours<TCipher_1DES>);
  add("1DES/Crypto++", Peer<CryptoPP::DES>, 8);
  add("2DES/ours", Ours<TCipher_2DES>);
  add("2DES/Crypto++", Peer<CryptoPP::DES_EDE2>, 16);
  add("3DES/ours", Ours<TCipher_3DES>);
  add("3DES/Crypto++", Peer<CryptoPP::DES_EDE3>, 24);
  add("2DDES/ours", Ours<TCipher_2DDES>);
  add("3DDES/ours", Ours<TCipher_3DDES>);
  add("3TDES/ours", Ours<TCipher_3TDES>);
  add("DESX/ours", Ours<TCipher_DESX>);
  add("DESX/Crypto++", Peer<CryptoPP::DES_XEX3>, 24);
  add("NewDES/ours", Ours<TCipher_NewDES>);
  return true;
}();

}  // namespace
